// FlatProjection: computes the select list over its child's current row.
// It adds no rows and no handle bytes; its columns are the result columns
// of the query.
#pragma once

#include "flat/FlatOneChildResultSet.h"
#include "flat/FlatResultSetColumn.h"
#include "util/VxArray.h"

class VX_EXPORT FlatProjection : public FlatOneChildResultSet {
public:
    FlatProjection(FlatResultSetGlobalInfo* info, FlatResultSet* child)
        : FlatOneChildResultSet(info, child) {}

    // Appends a column (owned from now on, also on failure).
    [[nodiscard]] VxStatus addColumn(FlatResultSetColumn* column);

    std::uint16_t getColumnCount() const override { return columns_.getCount(); }
    FlatResultSetColumn* getColumn(std::uint16_t n) const override;
    const char* getTitle() const override { return "Projection"; }

private:
    VxArray columns_;
};
