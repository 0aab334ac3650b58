// PerTableInfo: one table gathered by SQLColumns (qualifier, owner and
// name in cells 1-3), holding its PerColumnInfo rows in the order the
// columns were delivered. Tables order by qualifier, owner, name.
#pragma once

#include "base/BaseCatalogRow.h"
#include "util/VxArray.h"

class PerTableInfo : public BaseCatalogRow {
public:
    PerTableInfo() : BaseCatalogRow(3) {}
    short compare(const VxObject& other) const override {
        return sign(compareNames(static_cast<const BaseCatalogRow&>(other), 1, 3));
    }
    // The columns, owned until taken.
    VxArray& columns() { return columns_; }

private:
    VxArray columns_{0, true};
};
