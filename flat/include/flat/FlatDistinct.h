// FlatDistinct: the sort of FlatOrderBy with every result column as a
// key; a row whose keys equal the previous row's is dropped, so each
// different row comes once, in key order.
#pragma once

#include "flat/FlatOrderBy.h"

class VX_EXPORT FlatDistinct : public FlatOrderBy {
public:
    FlatDistinct(FlatResultSetGlobalInfo* info, FlatResultSet* child) : FlatOrderBy(info, child) {
        dropDuplicates_ = true;
    }
    const char* getTitle() const override { return "Distinct:"; }
};
