// Type facts the catalog functions report for a column: its length in
// bytes when transferred in its default C type, whether its type has a
// scale and a radix.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

inline std::int32_t flatColumnLength(short sqlType, std::uint32_t precision) {
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return static_cast<std::int32_t>(precision + 2);
    case SQL_INTEGER:
    case SQL_REAL:
        return 4;
    case SQL_SMALLINT:
        return 2;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 8;
    case SQL_BIGINT:
        return 20;
    case SQL_TINYINT:
    case SQL_BIT:
        return 1;
    case SQL_DATE:
    case SQL_TIME:
        return 6;
    case SQL_TIMESTAMP:
        return 16;
    default:
        return static_cast<std::int32_t>(precision);
    }
}

inline bool flatTypeHasScale(short sqlType) {
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_BIT:
    case SQL_TIMESTAMP:
        return true;
    default:
        return false;
    }
}

inline bool flatTypeHasRadix(short sqlType) {
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
        return true;
    default:
        return false;
    }
}
