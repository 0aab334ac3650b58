#include "connect/TxtStatement.h"

#include <sqlext.h>

#include "base/BaseCatalogInfo.h"
#include "base/BaseTypeInfo.h"
#include "connect/TxtConnection.h"
#include "define/TxtCreateDesc.h"
#include "define/TxtDropTableDesc.h"
#include "error/TxtErrors.h"

namespace {

// A column's width is 16-bit; a number has at most 254 digits.
constexpr std::int32_t TXT_MAX_WIDTH = 65535;
constexpr std::int32_t TXT_MAX_NUMERIC_PRECISION = 254;

// The Text driver's types: a column is VARCHAR, NUMERIC or DATE. Every
// column may hold NULL (an empty field). Widths are 16-bit; numbers have
// at most 254 digits. Dates are written as the ODBC date escape.
const BaseTypeInfo TXT_TYPES[] = {
    {"NUMERIC", SQL_NUMERIC, TXT_MAX_NUMERIC_PRECISION, nullptr, nullptr,
     BASE_CREATE_PRECISION_SCALE, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE, SQL_FALSE,
     SQL_FALSE, SQL_FALSE, nullptr, 0, TXT_MAX_NUMERIC_PRECISION},
    {"DATE", SQL_DATE, 10, "{d '", "'}", 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"VARCHAR", SQL_VARCHAR, TXT_MAX_WIDTH, "'", "'", BASE_CREATE_MAX_LENGTH, SQL_NULLABLE,
     SQL_TRUE, SQL_SEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
};

} // namespace

TxtStatement::TxtStatement(TxtConnection& connection) : FlatStatement(connection) {}

FlatDescriptor* TxtStatement::allocModifyDesc(FlatStatementKind kind) {
    if (kind == FLAT_STMT_UPDATE || kind == FLAT_STMT_DELETE) {
        txtAddError(ODBC_S1C00, TXT_MSG_NO_ROW_CHANGES);
        return nullptr;
    }
    return FlatStatement::allocModifyDesc(kind);
}

FlatDescriptor* TxtStatement::allocCrIndexDesc() {
    txtAddError(ODBC_37000, TXT_MSG_NO_CREATE_INDEX);
    return nullptr;
}

FlatDescriptor* TxtStatement::allocDropIndexDesc() {
    txtAddError(ODBC_37000, TXT_MSG_NO_DROP_INDEX);
    return nullptr;
}

FlatDescriptor* TxtStatement::allocCreateDesc() {
    return new TxtCreateDesc(this);
}

FlatDescriptor* TxtStatement::allocDropTableDesc() {
    return new TxtDropTableDesc(this);
}

const BaseTypeInfo* TxtStatement::getTypeTable(std::uint16_t* count) {
    *count = static_cast<std::uint16_t>(sizeof TXT_TYPES / sizeof TXT_TYPES[0]);
    return TXT_TYPES;
}

VxStatus TxtStatement::getTypeInfo(short) {
    BaseGetTypesInfo* info = BaseGetTypesInfo::of(*this);
    return info ? info->addTypes(TXT_TYPES, sizeof TXT_TYPES / sizeof TXT_TYPES[0]) : VX_ERROR;
}
