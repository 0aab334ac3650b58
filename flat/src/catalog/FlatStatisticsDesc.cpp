// SQLStatistics: the table-statistics row of the named table (its
// cardinality when the cursor can count its records, else NULL). The
// engine's tables keep no indexes of their own, so no index rows follow.
#include <sqlext.h>

#include "flat/FlatCatalogDesc.h"
#include "flat/FlatConnection.h"
#include "flat/FlatCursor.h"
#include "util/VxString.h"

namespace {

enum : std::uint16_t {
    COL_QUALIFIER = 1,
    COL_OWNER,
    COL_TABLE,
    COL_NON_UNIQUE,
    COL_INDEX_QUALIFIER,
    COL_INDEX_NAME,
    COL_TYPE,
    COL_SEQ_IN_INDEX,
    COL_COLUMN_NAME,
    COL_COLLATION,
    COL_CARDINALITY,
    COL_PAGES,
    COL_FILTER,
};

constexpr std::uint32_t PAGES_UNKNOWN = 0xFFFFFFFFu;

} // namespace

FlatStatisticsDesc::FlatStatisticsDesc(FlatStatement* statement)
    : FlatCatalogDesc(statement, CATALOG_STATISTICS) {}

VxStatus FlatStatisticsDesc::getResultSet() {
    VxString table;
    bool found = false;
    if (locateTable(&table, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found)
        return VX_SUCCESS;
    const char* dir = currentDirectory();
    if (openTable(dir, table.getText(), nullptr) != VX_SUCCESS)
        return VX_ERROR;
    FlatCursor* cursor = getCursor();
    std::int64_t records = -1;
    std::uint32_t pages = PAGES_UNKNOWN;
    VxStatus status = VX_ERROR;
    if (cursor->countRecords(&records) == VX_SUCCESS && cursor->getMaxPages(&pages) == VX_SUCCESS &&
        addRow() == VX_SUCCESS &&
        (!getConnection()->hasFlatFlag(FlatConnection::FLAT_QUALIFIERS) ||
         setText(COL_QUALIFIER, dir) == VX_SUCCESS) &&
        setText(COL_TABLE, table.getText()) == VX_SUCCESS) {
        setInteger(COL_TYPE, SQL_TABLE_STAT);
        if (records >= 0 && records <= INT32_MAX)
            setInteger(COL_CARDINALITY, static_cast<std::int32_t>(records));
        if (pages != PAGES_UNKNOWN && pages <= INT32_MAX)
            setInteger(COL_PAGES, static_cast<std::int32_t>(pages));
        status = VX_SUCCESS;
    }
    closeTable();
    return status;
}
