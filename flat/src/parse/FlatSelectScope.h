// FlatSelectScope: the names visible in one SELECT: the columns of the
// tables of its FROM list, found through each table's cursor.
#pragma once

#include <cstdint>

#include "parse/FlatExprCompiler.h"

class VxArray;

class FlatSelectScope : public FlatNameScope {
public:
    // `tables` holds the SELECT's FlatTableAccess objects by number (index
    // 0 is table 1); `outer` is the enclosing SELECT's scope or null.
    // `visible` limits the names to the first tables (an ON condition sees
    // the tables up to its join's); 0 means all. `first` tables belong to
    // earlier SELECTs of a union and are not seen.
    FlatSelectScope(const VxArray* tables, FlatNameScope* outer, std::uint16_t visible = 0,
                    std::uint16_t first = 0)
        : tables_(tables), outer_(outer), visible_(visible), first_(first) {}

    [[nodiscard]] VxStatus findColumn(const char* qualifier, const char* name, FlatColumnRef* ref,
                                      bool* found) override;
    FlatNameScope* getOuterScope() override { return outer_; }

private:
    const VxArray* tables_;
    FlatNameScope* outer_;
    std::uint16_t visible_;
    std::uint16_t first_;
};
