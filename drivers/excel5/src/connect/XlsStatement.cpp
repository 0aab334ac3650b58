#include "connect/XlsStatement.h"

#include <sqlext.h>

#include "base/BaseCatalogInfo.h"
#include "base/BaseTypeInfo.h"
#include "connect/XlsConnection.h"

namespace {

// The column types of workbook tables, by SQL type. Every column may hold
// NULL (an empty cell). Numbers are doubles; texts hold up to 255
// characters.
const BaseTypeInfo XLS_TYPES[] = {
    {"LOGICAL", SQL_BIT, 1, nullptr, nullptr, 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"NUMBER", SQL_DOUBLE, 15, nullptr, nullptr, 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     SQL_FALSE, SQL_FALSE, SQL_FALSE, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"DATE", SQL_DATE, 10, "{d '", "'}", 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"TIME", SQL_TIME, 8, "{t '", "'}", 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"TIMESTAMP", SQL_TIMESTAMP, 19, "{ts '", "'}", 0, SQL_NULLABLE, SQL_FALSE, SQL_ALL_EXCEPT_LIKE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, 0, 0},
    {"CHAR", SQL_VARCHAR, 255, "'", "'", BASE_CREATE_MAX_LENGTH, SQL_NULLABLE, SQL_TRUE,
     SQL_SEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
};

} // namespace

XlsStatement::XlsStatement(XlsConnection& connection) : FlatStatement(connection) {}

VxStatus XlsStatement::getTypeInfo(short) {
    BaseGetTypesInfo* info = BaseGetTypesInfo::of(*this);
    return info ? info->addTypes(XLS_TYPES, sizeof XLS_TYPES / sizeof XLS_TYPES[0]) : VX_ERROR;
}
