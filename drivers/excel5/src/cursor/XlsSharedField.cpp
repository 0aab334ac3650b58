#include "cursor/XlsSharedField.h"

#include <sqlext.h>

VxStatus XlsSharedField::describe(const char* name, XlsColumnType type, std::uint16_t width) {
    type_ = type;
    width_ = width;
    static const char* const NAMES[] = {"LOGICAL",   "NUMBER", "DATE", "TIME",
                                        "TIMESTAMP", "CHAR",   "CHAR"};
    if (setName(name) != VX_SUCCESS || setNativeTypeName(NAMES[type]) != VX_SUCCESS)
        return VX_ERROR;
    setNullable(SQL_NULLABLE);
    setScale(0);
    switch (type) {
    case XLS_TYPE_LOGICAL:
        setSqlType(SQL_BIT);
        setPrecision(1);
        break;
    case XLS_TYPE_NUMBER:
        setSqlType(SQL_DOUBLE);
        setPrecision(15);
        break;
    case XLS_TYPE_DATE:
        setSqlType(SQL_DATE);
        setPrecision(10);
        break;
    case XLS_TYPE_TIME:
        setSqlType(SQL_TIME);
        setPrecision(8);
        break;
    case XLS_TYPE_TIMESTAMP:
        setSqlType(SQL_TIMESTAMP);
        setPrecision(19);
        break;
    default:
        setSqlType(SQL_VARCHAR);
        setPrecision(width);
        setPadChar(' ');
        break;
    }
    return VX_SUCCESS;
}
