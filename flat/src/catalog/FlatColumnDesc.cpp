// SQLColumns: every enumerated table is opened and each of its fields, in
// field order, whose name matches the column pattern gives a row. A table
// named exactly is described even when the enumeration does not list it,
// and its failure to open fails the call; a table found through a pattern
// (or with no table argument) that cannot be opened is left out, its
// errors kept as warnings naming it.
#include "catalog/FlatCatalogTypes.h"
#include "flat/FlatCatalogDesc.h"
#include "flat/FlatConnection.h"
#include "flat/FlatCursor.h"
#include "util/VxError.h"

namespace {

enum : std::uint16_t {
    COL_QUALIFIER = 1,
    COL_OWNER,
    COL_TABLE,
    COL_NAME,
    COL_DATA_TYPE,
    COL_TYPE_NAME,
    COL_PRECISION,
    COL_LENGTH,
    COL_SCALE,
    COL_RADIX,
    COL_NULLABLE,
    COL_REMARKS,
};

// Whether `pattern` (null: no table argument) names one table exactly.
bool namesOneTable(const char* pattern, char escape) {
    if (!pattern || !*pattern)
        return false;
    for (const char* p = pattern; *p; ++p) {
        if (*p == escape && p[1])
            ++p;
        else if (*p == '%' || *p == '_')
            return false;
    }
    return true;
}

// Turns the errors raised since `mark` into warnings about `table`.
void keepAsWarnings(std::uint32_t mark, const char* table) {
    VxErrorList* errors = VxErrorKeeper::getErrorList();
    if (!errors)
        return;
    errors->appendTextStartingAtPos(" (columns of table ", mark);
    errors->appendTextStartingAtPos(table, mark);
    errors->appendTextStartingAtPos(" not described)", mark);
    for (std::uint32_t pos = mark; pos < errors->getCount(); ++pos)
        if (VxError* record = errors->getErrorAtPos(pos))
            record->setWarning(true);
}

} // namespace

FlatColumnDesc::FlatColumnDesc(FlatStatement* statement)
    : FlatCatalogDesc(statement, CATALOG_COLUMNS) {}

VxStatus FlatColumnDesc::addTableColumns(const char* dir, const char* table) {
    VxErrorList* errors = VxErrorKeeper::getErrorList();
    const std::uint32_t mark = errors ? errors->getCount() : 0;
    if (openTable(dir, table, nullptr) != VX_SUCCESS) {
        if (namesOneTable(table_, request_.escape) || !errors)
            return VX_ERROR;
        keepAsWarnings(mark, table);
        return VX_SUCCESS;
    }
    FlatCursor* cursor = getCursor();
    const bool qualifiers = getConnection()->hasFlatFlag(FlatConnection::FLAT_QUALIFIERS);
    const std::uint16_t count = cursor->getNumFields();
    for (std::uint16_t field = 0; field < count; ++field) {
        const char* name = cursor->getFieldName(field);
        if (!matchesColumn(name))
            continue;
        const short sqlType = cursor->getFieldSqlType(field);
        const std::uint32_t precision = cursor->getFieldPrecision(field);
        if (addRow() != VX_SUCCESS || (qualifiers && setText(COL_QUALIFIER, dir) != VX_SUCCESS) ||
            setText(COL_TABLE, table) != VX_SUCCESS || setText(COL_NAME, name) != VX_SUCCESS ||
            setText(COL_TYPE_NAME, cursor->getFieldNativeTypeName(field)) != VX_SUCCESS) {
            closeTable();
            return VX_ERROR;
        }
        setInteger(COL_DATA_TYPE, sqlType);
        setInteger(COL_PRECISION, static_cast<std::int32_t>(precision));
        setInteger(COL_LENGTH, flatColumnLength(sqlType, precision));
        if (flatTypeHasScale(sqlType))
            setInteger(COL_SCALE, cursor->getFieldScale(field));
        if (flatTypeHasRadix(sqlType))
            setInteger(COL_RADIX, 10);
        setInteger(COL_NULLABLE, cursor->getFieldNullable(field));
    }
    closeTable();
    return VX_SUCCESS;
}

VxStatus FlatColumnDesc::getResultSet() {
    return forEachTable(
        [](FlatCatalogDesc* self, const char* dir, const char* table) {
            return static_cast<FlatColumnDesc*>(self)->addTableColumns(dir, table);
        },
        true);
}
