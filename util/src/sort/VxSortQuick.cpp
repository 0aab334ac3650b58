// The in-memory part of VxSort: an iterative quicksort over record numbers.
//
// Ranges of 2 to 4 records are ordered by direct comparisons. Larger ranges
// take the median of the first, middle and last record as pivot (of five
// evenly spread records above 150), partition around it with both scans
// stopping on equal keys (so runs of equal records split evenly), push the
// larger part and loop on the smaller one. The pending stack therefore never
// holds more than log2(records) ranges.
#include <algorithm>

#include "error/utlMessages.h"
#include "util/VxSort.h"
#include "util/but.h"

namespace {

constexpr int QUICK_STACK_SIZE = 200;
constexpr std::uint32_t MEDIAN_OF_THREE_LIMIT = 150;

struct PendingRange {
    std::uint32_t first;
    std::uint32_t last;
};

} // namespace

void VxSort::swapRecords(std::uint32_t a, std::uint32_t b) {
    if (a != b)
        BUTMMSWP(recordAt(a), recordAt(b), recordLength_);
}

void VxSort::orderPair(std::uint32_t a, std::uint32_t b, std::uint16_t from, std::uint16_t to) {
    if (compareKeys(recordAt(a), recordAt(b), from, to) > 0)
        swapRecords(a, b);
}

void VxSort::sortSmall(std::uint32_t first, std::uint32_t count, std::uint16_t from,
                       std::uint16_t to) {
    for (std::uint32_t i = 1; i < count; ++i)
        for (std::uint32_t j = first + i; j > first; --j) {
            if (compareKeys(recordAt(j - 1), recordAt(j), from, to) <= 0)
                break;
            swapRecords(j - 1, j);
        }
}

// Returns the position of the pivot record; the candidates it looked at end up in order.
std::uint32_t VxSort::choosePivot(std::uint32_t first, std::uint32_t last, std::uint16_t from,
                                  std::uint16_t to) {
    std::uint32_t span = last - first;
    std::uint32_t mid = first + span / 2;
    if (span <= MEDIAN_OF_THREE_LIMIT) {
        orderPair(first, mid, from, to);
        orderPair(mid, last, from, to);
        orderPair(first, mid, from, to);
        return mid;
    }
    std::uint32_t at[5] = {first, first + span / 4, mid, first + span / 2 + span / 4, last};
    for (int i = 1; i < 5; ++i)
        for (int j = i; j > 0; --j) {
            if (compareKeys(recordAt(at[j - 1]), recordAt(at[j]), from, to) <= 0)
                break;
            std::swap(at[j - 1], at[j]);
        }
    return at[2];
}

std::uint32_t VxSort::partition(std::uint32_t first, std::uint32_t last, std::uint16_t from,
                                std::uint16_t to) {
    std::uint32_t pivot = choosePivot(first, last, from, to);
    swapRecords(first, pivot);
    const char* p = recordAt(first);
    std::uint32_t i = first;
    std::uint32_t j = last + 1;
    for (;;) {
        do
            ++i;
        while (i <= last && compareKeys(recordAt(i), p, from, to) < 0);
        do
            --j;
        while (compareKeys(p, recordAt(j), from, to) < 0);
        if (i >= j)
            break;
        swapRecords(i, j);
    }
    swapRecords(first, j);
    return j;
}

VxStatus VxSort::sortRange(std::uint32_t first, std::uint32_t last, std::uint16_t from,
                           std::uint16_t to) {
    PendingRange stack[QUICK_STACK_SIZE];
    int depth = 0;
    for (;;) {
        if (last > first && last - first < 4) {
            sortSmall(first, last - first + 1, from, to);
        } else if (last > first) {
            std::uint32_t p = partition(first, last, from, to);
            PendingRange left = {first, p > first ? p - 1 : first};
            PendingRange right = {p + 1, last};
            bool leftEmpty = p == first;
            bool rightEmpty = p == last;
            bool leftLarger = !leftEmpty && (rightEmpty || p - first > last - p);
            PendingRange larger = leftLarger ? left : right;
            PendingRange smaller = leftLarger ? right : left;
            bool largerEmpty = leftLarger ? leftEmpty : rightEmpty;
            bool smallerEmpty = leftLarger ? rightEmpty : leftEmpty;
            if (!largerEmpty && !smallerEmpty) {
                if (depth == QUICK_STACK_SIZE) {
                    addError(2709);
                    return VX_ERROR;
                }
                stack[depth++] = larger;
                first = smaller.first;
                last = smaller.last;
                continue;
            }
            if (!largerEmpty) {
                first = larger.first;
                last = larger.last;
                continue;
            }
        }
        if (depth == 0)
            return VX_SUCCESS;
        --depth;
        first = stack[depth].first;
        last = stack[depth].last;
    }
}

VxStatus VxSort::sortMemory() {
    if (recordCount_ < 2 || keyCount_ == 0)
        return VX_SUCCESS;
    if (startKey_ == 0)
        return sortRange(0, recordCount_ - 1, 0, keyCount_);
    if (startKey_ >= keyCount_)
        return VX_SUCCESS;
    // Each stretch of records equal in the leading keys is sorted on its own.
    std::uint32_t begin = 0;
    while (begin < recordCount_) {
        std::uint32_t end = begin + 1;
        while (end < recordCount_ &&
               compareKeys(recordAt(begin), recordAt(end), 0, startKey_) == 0)
            ++end;
        if (end - begin > 1 && sortRange(begin, end - 1, startKey_, keyCount_) != VX_SUCCESS)
            return VX_ERROR;
        begin = end;
    }
    return VX_SUCCESS;
}
