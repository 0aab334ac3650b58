// Kinds of value a column takes, for the check at prepare that an INSERT
// value or an UPDATE expression suits its column.
#pragma once

#include <sqlext.h>

namespace flatmodify {

enum class Family { TEXT, NUMBER, DATE, TIME, BINARY, OTHER };

inline Family familyOf(short sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
        return Family::TEXT;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_TINYINT:
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BIT:
        return Family::NUMBER;
    case SQL_DATE:
    case SQL_TIMESTAMP:
        return Family::DATE;
    case SQL_TIME:
        return Family::TIME;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return Family::BINARY;
    default:
        return Family::OTHER;
    }
}

// Text converts to anything at execution; numbers and dates do not turn
// into each other, nor binary into anything else.
inline bool isCompatible(short target, short value) {
    const Family to = familyOf(target);
    const Family from = familyOf(value);
    if (to == from || from == Family::TEXT || from == Family::OTHER || to == Family::OTHER)
        return true;
    if (to == Family::TEXT)
        return from != Family::BINARY;
    if (to == Family::DATE)
        return from == Family::DATE;
    return false;
}

} // namespace flatmodify
