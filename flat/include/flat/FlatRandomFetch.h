// FlatRandomFetch: the scrolling operator on top of a query that must
// reach rows by number. It reads its child in blocks: the first fetch
// stores up to 100 rows (or all rows when set to read everything); a
// fetch past the stored rows reads on until the count is a multiple of
// 100 again; a jump to row n beyond them reads up to the stored count
// plus 100 when n lies within that block, and up to n otherwise.
#pragma once

#include "flat/FlatOrdinalResultSet.h"

constexpr std::uint32_t FLAT_FETCH_BLOCK = 100;

class VX_EXPORT FlatRandomFetch : public FlatOrdinalResultSet {
public:
    FlatRandomFetch(FlatResultSetGlobalInfo* info, FlatResultSet* child)
        : FlatOrdinalResultSet(info, child) {}

    // Reads the whole child at the first fetch.
    void setReadAll(bool on) { readAll_ = on; }
    const char* getTitle() const override { return "RandomFetch"; }

protected:
    std::uint32_t readTarget(std::uint32_t row) const override;

private:
    bool readAll_ = false;
};
