// VxSortedArrayU32: unsigned 32-bit numbers kept in ascending order.
//
// Behaves like VxSortedArray over numbers: add() inserts after the last
// equal value, the unsorted flag allows bulk loading followed by resort().
#pragma once

#include "util/VxArrayU32.h"

class VX_EXPORT VxSortedArrayU32 : public VxArrayU32 {
public:
    explicit VxSortedArrayU32(std::uint16_t growthStep = VX_ARRAY_DEFAULT_GROWTH)
        : VxArrayU32(growthStep) {}

    bool isUnsorted() const { return unsorted_; }
    void setUnsorted(bool unsorted) { unsorted_ = unsorted; }

    VxStatus add(std::uint32_t value);
    VxStatus resort();
    // As VxSortedArray::findIndexOf and seqFindIndexOf, for numbers.
    bool findIndexOf(std::uint32_t value, std::uint16_t& pos) const;
    bool seqFindIndexOf(std::uint32_t value, std::uint16_t& pos) const;
    // Drops every value equal to its predecessor.
    void removeDuplicates();
    void deleteDuplicates() { removeDuplicates(); }

private:
    bool unsorted_ = false;
};
