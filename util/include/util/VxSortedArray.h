// VxSortedArray: an array kept in the order of its elements' compare().
//
// add() inserts after the last element that compares equal, so equal
// elements keep their insertion order. For bulk loading, setUnsorted(true)
// makes add() append; resort() then sorts the vector (stably) and clears the
// flag. An empty array also appends.
#pragma once

#include "util/VxArray.h"

class VX_EXPORT VxSortedArray : public VxArray {
public:
    explicit VxSortedArray(std::uint16_t growthStep = VX_ARRAY_DEFAULT_GROWTH,
                           bool ownsElements = true)
        : VxArray(growthStep, ownsElements) {}

    bool isUnsorted() const { return unsorted_; }
    void setUnsorted(bool unsorted) { unsorted_ = unsorted; }

    VxStatus add(VxObject* object);
    // Sorts the elements by compare(), keeping equal ones in their order.
    VxStatus resort();
    // Binary search: true when an element compares equal to `key`, with
    // `pos` the first such element; otherwise `pos` is where `key` would be
    // inserted.
    bool findIndexOf(const VxObject& key, std::uint16_t& pos) const;
    // Linear search for the first element that compares equal to `key`;
    // `pos` is the count when there is none.
    bool seqFindIndexOf(const VxObject& key, std::uint16_t& pos) const;
    // Drop every element equal to its predecessor, deleting it (when the
    // array owns it) or only forgetting it.
    void deleteDuplicates() { dropDuplicates(true); }
    void removeDuplicates() { dropDuplicates(false); }

private:
    // The position after the last element that compares equal to `key`.
    std::uint16_t upperBound(const VxObject& key) const;
    void dropDuplicates(bool deleteThem);

    bool unsorted_ = false;
};
