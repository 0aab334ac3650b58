// SQLSpecialColumns: the driver's own answer, or the best row identifier
// derived from the table's first unique index.
//
//   1. Unless WorkArounds bit 9 is set, executeSpecial is asked first; rows
//      it delivers are the answer.
//   2. SQL_ROWVER: no rows.
//   3. SQL_BEST_ROWID: the driver's SQLStatistics answer for the table
//      (unique indexes) names the columns of the first unique index; the
//      driver's SQLColumns answer gives each column's type, precision,
//      length, scale and nullability. With fNullable SQL_NO_NULLS an index
//      with a nullable column gives no rows.
#include <sqlext.h>

#include <cstring>
#include <initializer_list>

#include "BaseCatalogCall.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

namespace {

constexpr std::uint32_t WA_DERIVE_BEST_ROWID = 1u << 9;

enum : std::uint16_t {
    STAT_NON_UNIQUE = 4,
    STAT_INDEX_QUALIFIER = 5,
    STAT_INDEX_NAME = 6,
    STAT_TYPE = 7,
    STAT_COLUMN_NAME = 9,
    COL_COLUMN_NAME = 4,
    COL_NULLABLE = 11,
};

// Copies the table's names into another catalog object.
VxStatus copyTableNames(const BaseCatalogInfo& from, BaseCatalogInfo& to) {
    for (std::uint16_t slot = CATALOG_QUALIFIER; slot <= CATALOG_NAME; ++slot) {
        const BaseCatalogName& name = from.name(slot);
        if (to.name(slot).setExact(name.isGiven() ? name.getName() : nullptr) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Runs a search with `search` as the statement's catalog result and takes
// it back; `special` is reinstalled either way.
VxStatus runSearch(BaseStatement& statement, BaseCatalogInfo& search, BaseCatalogInfo& special) {
    statement.takeCatalogResult();
    statement.setCatalogResult(&search);
    VxStatus status = VX_ERROR;
    if (search.getKind() == CATALOG_STATISTICS) {
        status = statement.executeStatistics(SQL_QUICK);
        if (status != VX_SUCCESS && !BaseCatalogCall::errorRaised(statement))
            addOdbcError(ODBC_S1C00);
    } else {
        status = baseGatherColumns(statement, static_cast<BaseColumnsInfo&>(search));
    }
    if (status == VX_SUCCESS)
        status = search.finish();
    statement.takeCatalogResult();
    statement.setCatalogResult(&special);
    return status;
}

bool sameIndex(const BaseCatalogRow& a, const BaseCatalogRow& b) {
    for (std::uint16_t c : {STAT_INDEX_QUALIFIER, STAT_INDEX_NAME}) {
        const char* x = a.getText(c);
        const char* y = b.getText(c);
        if ((x == nullptr) != (y == nullptr) || (x && std::strcmp(x, y) != 0))
            return false;
    }
    return true;
}

const BaseCatalogRow* findColumn(const BaseColumnsInfo& columns, const char* name) {
    for (std::uint16_t i = 0; name && i < columns.getRowCountKept(); ++i) {
        const BaseCatalogRow* row = columns.getRow(i);
        const char* column = row->getText(COL_COLUMN_NAME);
        if (column && std::strcmp(column, name) == 0)
            return row;
    }
    return nullptr;
}

// The special row of one index column; *skip when the index cannot serve.
VxStatus addIndexColumn(BaseSpecialColumnsInfo& special, const BaseColumnsInfo& columns,
                        const char* name, bool* skip) {
    const BaseCatalogRow* column = findColumn(columns, name);
    if (!column || (special.getNullable() == SQL_NO_NULLS &&
                    column->getNumber(COL_NULLABLE) != SQL_NO_NULLS)) {
        *skip = true;
        return VX_SUCCESS;
    }
    BaseCatalogRow* row = special.newRow();
    if (!row)
        return VX_ERROR;
    row->setNumber(1, special.getScope());
    // COLUMN_NAME, then DATA_TYPE ... SCALE from SQLColumns' columns 5-9.
    VxStatus status = row->setText(2, name);
    for (std::uint16_t c = 3; status == VX_SUCCESS && c <= 7; ++c) {
        std::uint16_t from = static_cast<std::uint16_t>(c + 2);
        if (column->isNull(from))
            row->setNull(c);
        else if (column->isNumber(from))
            row->setNumber(c, column->getNumber(from));
        else
            status = row->setText(c, column->getText(from));
    }
    row->setNumber(8, SQL_PC_NOT_PSEUDO);
    if (status != VX_SUCCESS) {
        delete row;
        return VX_ERROR;
    }
    return special.addRow(row);
}

VxStatus deriveBestRowId(BaseStatement& statement, BaseSpecialColumnsInfo& special) {
    BaseStatisticsInfo stats(statement);
    BaseColumnsInfo columns(statement);
    stats.setOptions(SQL_INDEX_UNIQUE, SQL_QUICK);
    if (copyTableNames(special, stats) != VX_SUCCESS ||
        copyTableNames(special, columns) != VX_SUCCESS ||
        runSearch(statement, stats, special) != VX_SUCCESS)
        return VX_ERROR;
    const BaseCatalogRow* first = nullptr;
    for (std::uint16_t i = 0; !first && i < stats.getRowCountKept(); ++i) {
        const BaseCatalogRow* row = stats.getRow(i);
        if (row->getNumber(STAT_TYPE) != SQL_TABLE_STAT &&
            row->getNumber(STAT_NON_UNIQUE) == SQL_FALSE)
            first = row;
    }
    if (!first)
        return VX_SUCCESS;
    if (runSearch(statement, columns, special) != VX_SUCCESS)
        return VX_ERROR;
    bool skip = false;
    for (std::uint16_t i = 0; !skip && i < stats.getRowCountKept(); ++i) {
        const BaseCatalogRow* row = stats.getRow(i);
        if (row->getNumber(STAT_TYPE) == SQL_TABLE_STAT || !sameIndex(*row, *first))
            continue;
        if (addIndexColumn(special, columns, row->getText(STAT_COLUMN_NAME), &skip) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (skip)
        special.clearRows();
    return VX_SUCCESS;
}

} // namespace

VxStatus baseRunSpecialColumns(BaseCatalogCall& catalog) {
    BaseStatement& statement = catalog.statement();
    auto* special = static_cast<BaseSpecialColumnsInfo*>(catalog.info());
    if (!(statement.getConnection().getWorkArounds() & WA_DERIVE_BEST_ROWID)) {
        unsigned short noRows = 1;
        VxStatus hook = statement.executeSpecial(&noRows);
        if (hook != VX_SUCCESS)
            return catalog.complete(hook);
        if (special->readDriverResult() != VX_SUCCESS)
            return VX_ERROR;
        if (!noRows || special->getRowCountKept() > 0)
            return catalog.complete(VX_SUCCESS);
    }
    if (special->getColType() == SQL_BEST_ROWID &&
        deriveBestRowId(statement, *special) != VX_SUCCESS)
        return VX_ERROR;
    return catalog.complete(VX_SUCCESS);
}
