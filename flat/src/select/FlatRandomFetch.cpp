// FlatRandomFetch: reading the child in blocks of rows.
#include "flat/FlatRandomFetch.h"

std::uint32_t FlatRandomFetch::readTarget(std::uint32_t row) const {
    if (readAll_)
        return 0xFFFFFFFFu;
    std::uint32_t stored = getStoredCount();
    if (row <= stored)
        return row;
    // Sequential reading continues to the next multiple of the block; a
    // jump reads one block past the stored rows when the row lies in it.
    std::uint32_t blockEnd = (stored / FLAT_FETCH_BLOCK + 1) * FLAT_FETCH_BLOCK;
    if (row == stored + 1 && row <= blockEnd)
        return blockEnd;
    std::uint32_t ahead = stored + FLAT_FETCH_BLOCK;
    if (ahead < stored)
        return row;
    return row <= ahead ? ahead : row;
}
