// Which SQL types convert to which C types, default C types and the fixed
// sizes of the C types, all derived from BaseCTypes.def and
// BaseSqlTypes.def.

#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"

#include <cstddef>

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

// Type codes run from -32 to 127: a table indexed by code finds a type's
// entry in one step (the lookups sit on every SQLGetData and every bound
// column). An entry outside that range stops the compilation.
constexpr int CODE_MIN = -32;
constexpr int CODE_MAX = 127;

struct CodeIndex {
    signed char at[CODE_MAX - CODE_MIN + 1];
};

template <typename Info, std::size_t N> constexpr CodeIndex makeIndex(const Info (&types)[N]) {
    CodeIndex index{};
    for (auto& slot : index.at)
        slot = -1;
    for (std::size_t i = N; i-- > 0;)
        index.at[types[i].code - CODE_MIN] = static_cast<signed char>(i); // the first entry wins
    return index;
}

constexpr CodeIndex C_TYPE_INDEX = makeIndex(C_TYPES);
constexpr CodeIndex SQL_TYPE_INDEX = makeIndex(SQL_TYPES);

template <typename Info>
const Info* findIn(const Info* types, const CodeIndex& index, short code) {
    if (code < CODE_MIN || code > CODE_MAX)
        return nullptr;
    int at = index.at[code - CODE_MIN];
    return at < 0 ? nullptr : &types[at];
}

const CTypeInfo* findCType(short cType) {
    return findIn(C_TYPES, C_TYPE_INDEX, cType);
}

const SqlTypeInfo* findSqlType(short sqlType) {
    return findIn(SQL_TYPES, SQL_TYPE_INDEX, sqlType);
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
