// BaseGetTypesInfo::addTypes: the rows of SQLGetTypeInfo built from a
// driver's type table.
#include "base/BaseCatalogInfo.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseStatement.h"

namespace {

// Result columns of SQLGetTypeInfo, numbered from 1.
enum TypeColumn : std::uint16_t {
    TYPE_NAME = 1,
    DATA_TYPE,
    PRECISION,
    LITERAL_PREFIX,
    LITERAL_SUFFIX,
    CREATE_PARAMS,
    NULLABLE,
    CASE_SENSITIVE,
    SEARCHABLE,
    UNSIGNED_ATTRIBUTE,
    MONEY,
    AUTO_INCREMENT,
    LOCAL_TYPE_NAME,
    MINIMUM_SCALE,
    MAXIMUM_SCALE
};

void setNumber(BaseCatalogRow& row, std::uint16_t column, std::int32_t value) {
    if (value != BASE_TYPE_NULL)
        row.setNumber(column, value);
}

// Sets the texts of `type` (a null text stays NULL); fails when memory
// runs out.
VxStatus setTexts(BaseCatalogRow& row, const BaseTypeInfo& type, const char* createParams) {
    const struct {
        std::uint16_t column;
        const char* text;
    } texts[] = {{TYPE_NAME, type.typeName},
                 {LITERAL_PREFIX, type.literalPrefix},
                 {LITERAL_SUFFIX, type.literalSuffix},
                 {CREATE_PARAMS, createParams},
                 {LOCAL_TYPE_NAME, type.localTypeName}};
    for (const auto& cell : texts)
        if (cell.text && row.setText(cell.column, cell.text) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

} // namespace

VxStatus BaseGetTypesInfo::addTypes(const BaseTypeInfo* types, std::size_t count) {
    BaseConnection& connection = getStatement().getConnection();
    for (std::size_t i = 0; i < count; ++i) {
        const BaseTypeInfo& type = types[i];
        if (sqlType_ != SQL_ALL_TYPES && type.dataType != sqlType_)
            continue;
        char createParams[BASE_RESOURCE_BUFFER] = {};
        if (type.createParams != 0)
            connection.getDriverResourceStr(type.createParams, createParams, sizeof createParams);
        createParams[sizeof createParams - 1] = 0;
        BaseCatalogRow* row = newRow();
        if (!row)
            return VX_ERROR;
        if (setTexts(*row, type, createParams[0] ? createParams : nullptr) != VX_SUCCESS) {
            delete row;
            return VX_ERROR;
        }
        row->setNumber(DATA_TYPE, type.dataType);
        setNumber(*row, PRECISION, type.precision);
        row->setNumber(NULLABLE, type.nullable);
        row->setNumber(CASE_SENSITIVE, type.caseSensitive);
        row->setNumber(SEARCHABLE, type.searchable);
        setNumber(*row, UNSIGNED_ATTRIBUTE, type.unsignedAttribute);
        row->setNumber(MONEY, type.money);
        setNumber(*row, AUTO_INCREMENT, type.autoIncrement);
        setNumber(*row, MINIMUM_SCALE, type.minimumScale);
        setNumber(*row, MAXIMUM_SCALE, type.maximumScale);
        if (addRow(row) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
