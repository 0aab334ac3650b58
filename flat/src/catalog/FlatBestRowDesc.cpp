// FlatSpecialDesc: SQLSpecialColumns of the named table. SQL_BEST_ROWID
// gives the ROWID pseudo-column when the table's cursor offers row
// identifiers; SQL_ROWVER gives the fields the cursor reports as updated
// automatically (only the non-nullable ones when the request refuses
// nullable columns).
#include <sqlext.h>

#include "catalog/FlatCatalogTypes.h"
#include "flat/FlatCatalogDesc.h"
#include "flat/FlatCursor.h"
#include "util/VxString.h"

namespace {

enum : std::uint16_t {
    COL_SCOPE = 1,
    COL_NAME,
    COL_DATA_TYPE,
    COL_TYPE_NAME,
    COL_PRECISION,
    COL_LENGTH,
    COL_SCALE,
    COL_PSEUDO,
};

constexpr std::int32_t ROWID_PRECISION = 10;

} // namespace

FlatSpecialDesc::FlatSpecialDesc(FlatStatement* statement)
    : FlatCatalogDesc(statement, CATALOG_SPECIAL_COLUMNS) {}

VxStatus FlatSpecialDesc::addRowId() {
    if (addRow() != VX_SUCCESS || setText(COL_NAME, "ROWID") != VX_SUCCESS ||
        setText(COL_TYPE_NAME, "ROWID") != VX_SUCCESS)
        return VX_ERROR;
    setInteger(COL_SCOPE, SQL_SCOPE_CURROW);
    setInteger(COL_DATA_TYPE, SQL_DECIMAL);
    setInteger(COL_PRECISION, ROWID_PRECISION);
    setInteger(COL_LENGTH, ROWID_PRECISION);
    setInteger(COL_SCALE, 0);
    setInteger(COL_PSEUDO, SQL_PC_PSEUDO);
    return VX_SUCCESS;
}

VxStatus FlatSpecialDesc::addRowVersions() {
    FlatCursor* cursor = getCursor();
    for (std::uint16_t field = 0; field < cursor->getNumFields(); ++field) {
        if (!cursor->getFieldRowVerType(field))
            continue;
        if (request_.nullable == SQL_NO_NULLS && cursor->getFieldNullable(field) != SQL_NO_NULLS)
            continue;
        const short sqlType = cursor->getFieldSqlType(field);
        const std::uint32_t precision = cursor->getFieldPrecision(field);
        if (addRow() != VX_SUCCESS ||
            setText(COL_NAME, cursor->getFieldName(field)) != VX_SUCCESS ||
            setText(COL_TYPE_NAME, cursor->getFieldNativeTypeName(field)) != VX_SUCCESS)
            return VX_ERROR;
        setInteger(COL_DATA_TYPE, sqlType);
        setInteger(COL_PRECISION, static_cast<std::int32_t>(precision));
        setInteger(COL_LENGTH, flatColumnLength(sqlType, precision));
        if (flatTypeHasScale(sqlType))
            setInteger(COL_SCALE, cursor->getFieldScale(field));
        setInteger(COL_PSEUDO, SQL_PC_NOT_PSEUDO);
    }
    return VX_SUCCESS;
}

VxStatus FlatSpecialDesc::getResultSet() {
    VxString table;
    bool found = false;
    if (locateTable(&table, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found)
        return VX_SUCCESS;
    if (openTable(currentDirectory(), table.getText(), nullptr) != VX_SUCCESS)
        return VX_ERROR;
    VxStatus status = VX_SUCCESS;
    if (request_.columnType == SQL_BEST_ROWID) {
        if (getCursor()->supportsRowId())
            status = addRowId();
    } else {
        status = addRowVersions();
    }
    closeTable();
    return status;
}
