#include "util/VxSortedArray.h"

#include <algorithm>

VxStatus VxSortedArray::add(VxObject* object) {
    if (unsorted_ || getCount() == 0)
        return VxArray::add(object);
    return addAtIndex(object, upperBound(*object));
}

std::uint16_t VxSortedArray::upperBound(const VxObject& key) const {
    std::uint16_t low = 0;
    std::uint16_t high = getCount();
    while (low < high) {
        std::uint16_t mid = static_cast<std::uint16_t>(low + (high - low) / 2);
        if (get(mid)->compare(key) <= 0)
            low = static_cast<std::uint16_t>(mid + 1);
        else
            high = mid;
    }
    return low;
}

bool VxSortedArray::findIndexOf(const VxObject& key, std::uint16_t& pos) const {
    std::uint16_t low = 0;
    std::uint16_t high = getCount();
    while (low < high) {
        std::uint16_t mid = static_cast<std::uint16_t>(low + (high - low) / 2);
        if (get(mid)->compare(key) < 0)
            low = static_cast<std::uint16_t>(mid + 1);
        else
            high = mid;
    }
    pos = low;
    return low < getCount() && get(low)->compare(key) == 0;
}

bool VxSortedArray::seqFindIndexOf(const VxObject& key, std::uint16_t& pos) const {
    for (pos = 0; pos < getCount(); ++pos) {
        if (get(pos)->compare(key) == 0)
            return true;
    }
    return false;
}

VxStatus VxSortedArray::resort() {
    void** first = elements();
    if (getCount() > 1) {
        std::stable_sort(first, first + getCount(), [](void* a, void* b) {
            return static_cast<VxObject*>(a)->compare(*static_cast<VxObject*>(b)) < 0;
        });
    }
    unsorted_ = false;
    return VX_SUCCESS;
}

void VxSortedArray::dropDuplicates(bool deleteThem) {
    std::uint16_t i = 1;
    while (i < getCount()) {
        if (get(i)->compare(*get(static_cast<std::uint16_t>(i - 1))) != 0) {
            ++i;
        } else if (deleteThem) {
            deleteAtIndex(i);
        } else {
            removeAtIndex(i);
        }
    }
}
