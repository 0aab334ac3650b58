// Describing result columns: SQLNumResultCols, SQLDescribeCol,
// SQLColAttributes, and the result description itself (allocArrays,
// deleteFields, getField).
#include <sqlext.h>

#include <cstdio>
#include <cstring>

#include "BaseResultSide.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "util/ram.h"

namespace {

// WorkArounds bit 6: unnamed columns are described as "C" + number.
constexpr std::uint32_t WA_NAME_UNNAMED_COLUMNS = 64;
// Descriptor 1002: a driver flag of the field.
constexpr unsigned short DESC_DRIVER_FLAG = 1002;
constexpr SQLLEN HUGE_DISPLAY = 2147483647;

bool isCharType(short type) {
    return type == SQL_CHAR || type == SQL_VARCHAR || type == SQL_LONGVARCHAR ||
           type == SQL_WCHAR || type == SQL_WVARCHAR || type == SQL_WLONGVARCHAR;
}

bool isBinaryType(short type) {
    return type == SQL_BINARY || type == SQL_VARBINARY || type == SQL_LONGVARBINARY;
}

bool isNumericType(short type) {
    switch (type) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return true;
    default:
        return false;
    }
}

bool isTimestamp(short type) {
    return type == SQL_TIMESTAMP || type == SQL_TYPE_TIMESTAMP;
}

short reportedScale(const BaseField& field) {
    return isTimestamp(field.getSqlType()) && field.getScale() < 0 ? 0 : field.getScale();
}

SQLLEN columnLength(const BaseField& field) {
    if (field.getLength() >= 0)
        return field.getLength();
    SQLLEN precision = static_cast<SQLLEN>(field.getPrecision());
    short scale = field.getScale();
    switch (field.getSqlType()) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return (scale <= 0 ? precision - scale + 1 : precision + 2) - (field.isUnsigned() ? 1 : 0);
    case SQL_INTEGER:
    case SQL_REAL:
        return 4;
    case SQL_SMALLINT:
        return 2;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 8;
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        return 6;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return 16;
    case SQL_BIT:
    case SQL_TINYINT:
        return 1;
    case SQL_BIGINT:
        return 20;
    default:
        return precision;
    }
}

SQLLEN displaySize(const BaseField& field) {
    SQLLEN precision = static_cast<SQLLEN>(field.getPrecision());
    short scale = field.getScale();
    bool isUnsigned = field.isUnsigned();
    short type = field.getSqlType();
    if (isCharType(type))
        return precision;
    if (isBinaryType(type))
        return precision >= (SQLLEN{1} << 30) ? HUGE_DISPLAY : 2 * precision;
    switch (type) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return precision + (scale > 0 ? 1 : 0) + (isUnsigned ? 0 : 1) - (scale < 0 ? scale : 0);
    case SQL_INTEGER:
        return isUnsigned ? 10 : 11;
    case SQL_SMALLINT:
        return isUnsigned ? 5 : 6;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 22;
    case SQL_REAL:
        return 13;
    case SQL_DATE:
    case SQL_TYPE_DATE:
        return 10;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        return 8;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        return scale >= 1 ? 20 + scale : 19;
    case SQL_BIT:
        return 1;
    case SQL_TINYINT:
        return isUnsigned ? 3 : 4;
    case SQL_BIGINT:
        return 20;
    default:
        return field.getDisplaySize();
    }
}

// The name to show: the field's, or "C" + number under WorkArounds bit 6.
const char* columnName(BaseStatement& statement, const BaseField& field, std::uint16_t column,
                       char* buffer, std::size_t size) {
    if (field.hasName() || !(statement.getConnection().getWorkArounds() & WA_NAME_UNNAMED_COLUMNS))
        return field.getName();
    std::snprintf(buffer, size, "C%u", static_cast<unsigned>(column));
    return buffer;
}

// The field of column `column`, checked: a result must be described
// (24000) and the column within it (S1002).
VxStatus describedField(BaseStatement& statement, SQLUSMALLINT column, BaseField** field) {
    std::uint16_t count = 0;
    if (BaseResultSide::columnCount(statement, &count) != VX_SUCCESS)
        return VX_ERROR;
    if (count == 0) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    if (column < 1 || column > count || !(*field = statement.getField(column))) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

VxStatus BaseStatement::allocArrays(std::uint16_t count) {
    deleteFields();
    if (count == 0)
        return VX_SUCCESS;
    auto** fields = static_cast<BaseField**>(ramAlloc(count * sizeof(BaseField*)));
    if (!fields)
        return VX_ERROR;
    std::memset(fields, 0, count * sizeof(BaseField*));
    fields_ = fields;
    resultColumnCount_ = count;
    for (std::uint16_t i = 0; i < count; ++i) {
        if (!(fields_[i] = allocFld())) {
            deleteFields();
            addOdbcError(ODBC_S1001);
            return VX_ERROR;
        }
    }
    return VX_SUCCESS;
}

void BaseStatement::deleteFields() {
    for (std::uint16_t i = 0; fields_ && i < resultColumnCount_; ++i)
        delete fields_[i];
    ramFree(fields_);
    fields_ = nullptr;
    resultColumnCount_ = 0;
}

SQLRETURN BaseStatement::SQLNumResultCols(SQLSMALLINT* pccol) {
    BaseStatementCall call(*this, SQL_API_SQLNUMRESULTCOLS);
    if (call.isBusy())
        return BASE_BUSY;
    std::uint16_t count = 0;
    if (BaseResultSide::columnCount(*this, &count) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (pccol)
        *pccol = static_cast<SQLSMALLINT>(count);
    return call.finish(SQL_SUCCESS);
}

SQLRETURN BaseStatement::SQLDescribeCol(SQLUSMALLINT icol, SQLCHAR* szColName,
                                        SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName,
                                        SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef,
                                        SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable) {
    BaseStatementCall call(*this, SQL_API_SQLDESCRIBECOL);
    if (call.isBusy())
        return BASE_BUSY;
    BaseField* field = nullptr;
    if (describedField(*this, icol, &field) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (cbColNameMax < 0) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    char generated[16];
    BaseOutString name(szColName, cbColNameMax, pcbColName);
    VxStatus status =
        name.setStrValue(columnName(*this, *field, icol, generated, sizeof generated));
    if (pfSqlType)
        *pfSqlType = field->getSqlType();
    if (pcbColDef)
        *pcbColDef = field->getPrecision();
    if (pibScale)
        *pibScale = reportedScale(*field);
    if (pfNullable)
        *pfNullable = field->getNullable();
    return call.finish(baseReturnCode(status));
}

namespace {

// A numeric answer of SQLColAttributes; false for the string descriptors
// and those the field does not answer here.
bool numericAttribute(const BaseField& field, unsigned short descType, SQLLEN* value) {
    switch (descType) {
    case SQL_COLUMN_TYPE:
        *value = field.getSqlType();
        return true;
    case SQL_COLUMN_LENGTH:
        *value = columnLength(field);
        return true;
    case SQL_COLUMN_PRECISION:
        *value = static_cast<SQLLEN>(field.getPrecision());
        return true;
    case SQL_COLUMN_SCALE:
        *value = reportedScale(field);
        return true;
    case SQL_COLUMN_DISPLAY_SIZE:
        *value = displaySize(field);
        return true;
    case SQL_COLUMN_NULLABLE:
        *value = field.getNullable();
        return true;
    case SQL_COLUMN_UNSIGNED:
        *value = isNumericType(field.getSqlType()) ? (field.isUnsigned() ? 1 : 0) : 1;
        return true;
    case SQL_COLUMN_MONEY:
        *value = field.isMoney() ? 1 : 0;
        return true;
    case SQL_COLUMN_UPDATABLE:
        *value = field.hasName() ? field.getUpdatable() : 0;
        return true;
    case SQL_COLUMN_AUTO_INCREMENT:
        *value = field.isAutoIncrement() ? 1 : 0;
        return true;
    case SQL_COLUMN_CASE_SENSITIVE:
        *value = field.isCaseSensitive() ? 1 : 0;
        return true;
    case SQL_COLUMN_SEARCHABLE:
        *value = field.getSearchable();
        return true;
    default:
        return false;
    }
}

const char* stringAttribute(const BaseField& field, unsigned short descType) {
    switch (descType) {
    case SQL_COLUMN_TYPE_NAME:
        return field.getTypeName();
    case SQL_COLUMN_TABLE_NAME:
        return field.getTableName();
    case SQL_COLUMN_OWNER_NAME:
        return field.getOwnerName();
    case SQL_COLUMN_QUALIFIER_NAME:
        return field.getQualifierName();
    case SQL_COLUMN_LABEL:
        return field.getLabel();
    default:
        return nullptr;
    }
}

} // namespace

SQLRETURN BaseStatement::SQLColAttributes(SQLUSMALLINT icol, SQLUSMALLINT fDescType,
                                          SQLPOINTER rgbDesc, SQLSMALLINT cbDescMax,
                                          SQLSMALLINT* pcbDesc, SQLLEN* pfDesc) {
    BaseStatementCall call(*this, SQL_API_SQLCOLATTRIBUTES);
    if (call.isBusy())
        return BASE_BUSY;
    if (fDescType == SQL_COLUMN_COUNT) {
        std::uint16_t count = 0;
        if (BaseResultSide::columnCount(*this, &count) != VX_SUCCESS)
            return call.finish(SQL_ERROR);
        if (count == 0) {
            addOdbcError(ODBC_24000);
            return call.finish(SQL_ERROR);
        }
        if (pfDesc)
            *pfDesc = count;
        return call.finish(SQL_SUCCESS);
    }
    BaseField* field = nullptr;
    if (describedField(*this, icol, &field) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    BaseOutString out(rgbDesc, cbDescMax < 0 ? 0 : cbDescMax, pcbDesc);
    SQLLEN number = 0;
    if (numericAttribute(*field, fDescType, &number)) {
        if (pfDesc)
            *pfDesc = number;
        return call.finish(SQL_SUCCESS);
    }
    if (fDescType == SQL_COLUMN_NAME) {
        char generated[16];
        return call.finish(baseReturnCode(
            out.setStrValue(columnName(*this, *field, icol, generated, sizeof generated))));
    }
    if (const char* text = stringAttribute(*field, fDescType))
        return call.finish(baseReturnCode(out.setStrValue(text)));
    if (fDescType == DESC_DRIVER_FLAG) {
        if (!field->hasDriverFlag()) {
            addOdbcError(ODBC_S1C00);
            return call.finish(SQL_ERROR);
        }
        if (pfDesc)
            *pfDesc = field->getDriverFlag();
        return call.finish(SQL_SUCCESS);
    }
    SQLLEN value = 0;
    VxStatus status = nonStdColAttributes(icol, fDescType, &out, &value);
    if (status == VX_SUCCESS && pfDesc)
        *pfDesc = value;
    return call.finish(baseReturnCode(status));
}
