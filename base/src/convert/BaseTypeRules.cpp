// Which SQL types convert to which C types, default C types and the fixed
// sizes of the C types, all derived from BaseCTypes.def and
// BaseSqlTypes.def.

#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"

namespace {

enum Family {
    FAMILY_NONE,
    FAMILY_CHAR,
    FAMILY_BINARY,
    FAMILY_DEFAULT,
    FAMILY_NUMBER,
    FAMILY_DATE,
    FAMILY_TIME,
    FAMILY_TIMESTAMP
};

struct CTypeInfo {
    short code;
    Family family;
    SQLLEN size;
    InternalType internal;
};

struct SqlTypeInfo {
    short code;
    Family family;
    short defaultCType;
};

constexpr CTypeInfo C_TYPES[] = {
#define BASE_CTYPE(code, name, family, size, internal) {code, family, size, internal},
#include "BaseCTypes.def"
#undef BASE_CTYPE
};

constexpr SqlTypeInfo SQL_TYPES[] = {
#define BASE_SQLTYPE(code, name, family, cType) {code, family, cType},
#include "BaseSqlTypes.def"
#undef BASE_SQLTYPE
};

const CTypeInfo* findCType(short cType) {
    for (const auto& info : C_TYPES)
        if (info.code == cType)
            return &info;
    return nullptr;
}

const SqlTypeInfo* findSqlType(short sqlType) {
    for (const auto& info : SQL_TYPES)
        if (info.code == sqlType)
            return &info;
    return nullptr;
}

Family cFamily(short cType) {
    const CTypeInfo* info = findCType(cType);
    return info ? info->family : FAMILY_NONE;
}

Family sqlFamily(short sqlType) {
    const SqlTypeInfo* info = findSqlType(sqlType);
    return info ? info->family : FAMILY_NONE;
}

// The one rule both directions share: a value of SQL family `sql` and a
// C type of family `c` convert into each other.
bool familiesConvert(Family sql, Family c) {
    if (c == FAMILY_NONE)
        return false;
    if (c == FAMILY_CHAR || c == FAMILY_BINARY || c == FAMILY_DEFAULT || sql == FAMILY_CHAR)
        return true;
    switch (sql) {
    case FAMILY_NUMBER:
        return c == FAMILY_NUMBER;
    case FAMILY_DATE:
        return c == FAMILY_DATE || c == FAMILY_TIMESTAMP;
    case FAMILY_TIME:
        return c == FAMILY_TIME || c == FAMILY_TIMESTAMP;
    case FAMILY_TIMESTAMP:
        return c == FAMILY_DATE || c == FAMILY_TIME || c == FAMILY_TIMESTAMP;
    default:
        return false;
    }
}

} // namespace

bool baseIsValidCType(short cType) {
    return findCType(cType) != nullptr;
}

bool baseIsValidSqlType(short sqlType) {
    return findSqlType(sqlType) != nullptr;
}

SQLLEN baseCTypeSize(short cType) {
    const CTypeInfo* info = findCType(cType);
    return info ? info->size : 0;
}

InternalType baseCTypeInternal(short cType) {
    const CTypeInfo* info = findCType(cType);
    return info ? info->internal : INTERNAL_NONE;
}

InternalType baseSqlTypeInternal(short sqlType) {
    switch (sqlType) {
    case SQL_INTEGER:
        return INTERNAL_SLONG;
    case SQL_SMALLINT:
        return INTERNAL_SSHORT;
    case SQL_TINYINT:
        return INTERNAL_STINYINT;
    case SQL_BIGINT:
        return INTERNAL_SBIGINT;
    case SQL_BIT:
        return INTERNAL_BIT;
    case SQL_REAL:
        return INTERNAL_FLOAT;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return INTERNAL_DOUBLE;
    case SQL_DATE:
        return INTERNAL_DATE;
    case SQL_TIME:
        return INTERNAL_TIME;
    case SQL_TIMESTAMP:
        return INTERNAL_TIMESTAMP;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return INTERNAL_BINARY;
    default:
        return INTERNAL_CHAR;
    }
}

short baseDefaultCType(short sqlType) {
    const SqlTypeInfo* info = findSqlType(sqlType);
    return info ? info->defaultCType : SQL_C_CHAR;
}

short baseDefaultCTypeOfInternal(InternalType type) {
    switch (type) {
    case INTERNAL_BIT:
        return SQL_C_BIT;
    case INTERNAL_STINYINT:
        return SQL_C_STINYINT;
    case INTERNAL_UTINYINT:
        return SQL_C_UTINYINT;
    case INTERNAL_SSHORT:
        return SQL_C_SSHORT;
    case INTERNAL_USHORT:
        return SQL_C_USHORT;
    case INTERNAL_SLONG:
        return SQL_C_SLONG;
    case INTERNAL_ULONG:
        return SQL_C_ULONG;
    case INTERNAL_FLOAT:
        return SQL_C_FLOAT;
    case INTERNAL_DOUBLE:
        return SQL_C_DOUBLE;
    case INTERNAL_DATE:
        return SQL_C_DATE;
    case INTERNAL_TIME:
        return SQL_C_TIME;
    case INTERNAL_TIMESTAMP:
        return SQL_C_TIMESTAMP;
    case INTERNAL_BINARY:
        return SQL_C_BINARY;
    default:
        return SQL_C_CHAR;
    }
}

bool baseCanConvertSqlToC(short sqlType, short cType) {
    return familiesConvert(sqlFamily(sqlType), cFamily(cType));
}

bool baseCanConvertCToSql(short cType, short sqlType) {
    return familiesConvert(sqlFamily(sqlType), cFamily(cType));
}

VxStatus baseCheckColumnConversion(unsigned short column, short sqlType, short cType) {
    if (baseCanConvertSqlToC(sqlType, cType))
        return VX_SUCCESS;
    addOdbcError(ODBC_07006, 6010)
        << column << static_cast<int>(sqlType) << static_cast<int>(cType);
    return VX_ERROR;
}

VxStatus baseCheckParamConversion(unsigned short param, short cType, short sqlType) {
    if (baseCanConvertCToSql(cType, sqlType))
        return VX_SUCCESS;
    addOdbcError(ODBC_07006, 6011) << param << static_cast<int>(cType) << static_cast<int>(sqlType);
    return VX_ERROR;
}
