// BaseColumnsInfo: SQLColumns' rows, gathered per table and served table by
// table (qualifier, owner, name), each table's columns in delivery order.
#include "PerTableInfo.h"
#include "base/BaseCatalogInfo.h"

BaseColumnsInfo::BaseColumnsInfo(BaseStatement& statement)
    : BaseCatalogInfo(statement, CATALOG_COLUMNS), tables_(0, true) {}

BaseColumnsInfo::~BaseColumnsInfo() = default;

VxStatus BaseColumnsInfo::addRow(BaseCatalogRow* row) {
    if (!row)
        return VX_ERROR;
    PerTableInfo key;
    if (key.setText(1, row->getText(1)) != VX_SUCCESS ||
        key.setText(2, row->getText(2)) != VX_SUCCESS ||
        key.setText(3, row->getText(3)) != VX_SUCCESS) {
        delete row;
        return VX_ERROR;
    }
    std::uint16_t pos = 0;
    PerTableInfo* table = nullptr;
    if (tables_.findIndexOf(key, pos)) {
        table = static_cast<PerTableInfo*>(tables_.get(pos));
    } else {
        table = new PerTableInfo();
        if (!table || table->copyCells(key) != VX_SUCCESS || tables_.add(table) != VX_SUCCESS) {
            delete table;
            delete row;
            return VX_ERROR;
        }
    }
    if (table->columns().add(row) != VX_SUCCESS) {
        delete row;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// The gathered columns become the result, table by table.
VxStatus BaseColumnsInfo::finish() {
    if (BaseCatalogInfo::finish() != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t t = 0; t < tables_.getCount(); ++t) {
        VxArray& columns = static_cast<PerTableInfo*>(tables_.get(t))->columns();
        for (std::uint16_t c = 0; c < columns.getCount(); ++c) {
            auto* row = static_cast<BaseCatalogRow*>(columns.get(c));
            columns.set(c, nullptr);
            if (keepRow(row) != VX_SUCCESS)
                return VX_ERROR;
        }
        (void)columns.shrink(0);
    }
    tables_.deleteContents();
    return VX_SUCCESS;
}
