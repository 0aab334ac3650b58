// FlatResultSetColumn: result-column descriptions and values.
#include "flat/FlatResultSetColumn.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatRowSource.h"
#include "util/ram.h"

namespace {

VxStatus replaceText(char** slot, const char* text, std::size_t length) {
    char* copy = ramAllocStr(text, length);
    if (!copy)
        return VX_ERROR;
    ramFree(*slot);
    *slot = copy;
    return VX_SUCCESS;
}

} // namespace

SQLLEN flatDisplaySize(short sqlType, std::uint32_t precision, short scale) {
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        return static_cast<SQLLEN>(precision) + 2;
    case SQL_BIT:
        return 1;
    case SQL_TINYINT:
        return 4;
    case SQL_SMALLINT:
        return 6;
    case SQL_INTEGER:
        return 11;
    case SQL_BIGINT:
        return 20;
    case SQL_REAL:
        return 13;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return 22;
    case SQL_DATE:
        return 10;
    case SQL_TIME:
        return 8;
    case SQL_TIMESTAMP:
        return scale > 0 ? 20 + scale : 19;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return static_cast<SQLLEN>(precision) * 2;
    default:
        return static_cast<SQLLEN>(precision);
    }
}

FlatResultSetColumn::FlatResultSetColumn(FlatOpStreamGlobalInfo* info, std::uint16_t number)
    : info_(info), expr_(info), number_(number) {}

FlatResultSetColumn::~FlatResultSetColumn() {
    ramFree(name_);
    ramFree(label_);
    ramFree(tableName_);
}

void FlatResultSetColumn::setSourceField(std::uint32_t tableRef, std::uint16_t field) {
    sourceField_ = true;
    sourceTable_ = tableRef;
    sourceFieldNumber_ = field;
}

VxStatus FlatResultSetColumn::evaluate(FlatDataValue* value, short* sqlType) {
    if (carrier_ && carrier_->carriedValue(carrierSlot_, value, sqlType))
        return VX_SUCCESS;
    if (sourceField_) {
        FlatRowSource* rows = info_->getRowSource();
        if (!rows) {
            addOdbcError(ODBC_S1000);
            return VX_ERROR;
        }
        return rows->getFieldValue(sourceTable_, sourceFieldNumber_, value, sqlType);
    }
    *sqlType = sqlType_;
    return expr_.evaluate(value);
}

VxStatus FlatResultSetColumn::setName(const char* name, std::size_t length) {
    return replaceText(&name_, name, length);
}

VxStatus FlatResultSetColumn::setLabel(const char* label, std::size_t length) {
    return replaceText(&label_, label, length);
}

VxStatus FlatResultSetColumn::setTableName(const char* name) {
    return replaceText(&tableName_, name, std::strlen(name));
}

void FlatResultSetColumn::setType(short sqlType, std::uint32_t precision, short scale) {
    sqlType_ = sqlType;
    precision_ = precision;
    scale_ = scale;
    displaySize_ = flatDisplaySize(sqlType, precision, scale);
}
