#include "util/VxSortedArrayU32.h"

#include <algorithm>

VxStatus VxSortedArrayU32::add(std::uint32_t value) {
    if (unsorted_ || getCount() == 0)
        return VxArrayU32::add(value);
    std::uint16_t low = 0;
    std::uint16_t high = getCount();
    while (low < high) {
        std::uint16_t mid = static_cast<std::uint16_t>(low + (high - low) / 2);
        if (get(mid) <= value)
            low = static_cast<std::uint16_t>(mid + 1);
        else
            high = mid;
    }
    return addAtIndex(value, low);
}

bool VxSortedArrayU32::findIndexOf(std::uint32_t value, std::uint16_t& pos) const {
    std::uint16_t low = 0;
    std::uint16_t high = getCount();
    while (low < high) {
        std::uint16_t mid = static_cast<std::uint16_t>(low + (high - low) / 2);
        if (get(mid) < value)
            low = static_cast<std::uint16_t>(mid + 1);
        else
            high = mid;
    }
    pos = low;
    return low < getCount() && get(low) == value;
}

bool VxSortedArrayU32::seqFindIndexOf(std::uint32_t value, std::uint16_t& pos) const {
    for (pos = 0; pos < getCount(); ++pos) {
        if (get(pos) == value)
            return true;
    }
    return false;
}

VxStatus VxSortedArrayU32::resort() {
    void** first = elements();
    if (getCount() > 1) {
        std::stable_sort(first, first + getCount(),
                         [](void* a, void* b) { return toNumber(a) < toNumber(b); });
    }
    unsorted_ = false;
    return VX_SUCCESS;
}

void VxSortedArrayU32::removeDuplicates() {
    std::uint16_t i = 1;
    while (i < getCount()) {
        if (get(i) != get(static_cast<std::uint16_t>(i - 1)))
            ++i;
        else
            removeAtIndex(i);
    }
}
