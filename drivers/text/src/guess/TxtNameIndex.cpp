// Open addressing with linear probing over a power-of-two table kept at
// most half full, hashed on the names' upper-case bytes.
#include "guess/TxtNameIndex.h"

#include "guess/TxtGuessResult.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

std::uint32_t hashOf(const char* name) {
    std::uint32_t hash = 2166136261u;
    for (; *name; ++name)
        hash = (hash ^ vxToUpper(static_cast<unsigned char>(*name))) * 16777619u;
    return hash;
}

} // namespace

TxtNameIndex::~TxtNameIndex() {
    ramFree(slots_);
}

std::uint16_t TxtNameIndex::find(const char* name) const {
    if (capacity_ == 0)
        return NONE;
    const std::uint32_t mask = capacity_ - 1;
    for (std::uint32_t i = hashOf(name) & mask;; i = (i + 1) & mask) {
        const std::uint16_t column = slots_[i];
        if (column == NONE || strEqualCi(layout_.getField(column).name, name))
            return column;
    }
}

VxStatus TxtNameIndex::add(std::uint16_t column) {
    if ((count_ + 1) * 2 > capacity_ && grow() != VX_SUCCESS)
        return VX_ERROR;
    place(column);
    ++count_;
    return VX_SUCCESS;
}

VxStatus TxtNameIndex::grow() {
    const std::uint32_t capacity = capacity_ ? capacity_ * 2 : 64;
    auto* slots = static_cast<std::uint16_t*>(ramAlloc(capacity * sizeof(std::uint16_t)));
    if (!slots)
        return VX_ERROR;
    for (std::uint32_t i = 0; i < capacity; ++i)
        slots[i] = NONE;
    std::uint16_t* old = slots_;
    const std::uint32_t oldCapacity = capacity_;
    slots_ = slots;
    capacity_ = capacity;
    for (std::uint32_t i = 0; i < oldCapacity; ++i)
        if (old[i] != NONE)
            place(old[i]);
    ramFree(old);
    return VX_SUCCESS;
}

void TxtNameIndex::place(std::uint16_t column) {
    const std::uint32_t mask = capacity_ - 1;
    std::uint32_t i = hashOf(layout_.getField(column).name) & mask;
    while (slots_[i] != NONE)
        i = (i + 1) & mask;
    slots_[i] = column;
}
