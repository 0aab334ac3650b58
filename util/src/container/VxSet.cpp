#include "util/VxSet.h"

#include "error/utlMessages.h"

VxSet::VxSet() {
    table_.setSpread(true);
}

VxSet::~VxSet() = default;

void VxSet::deleteElements() {
    table_.deleteContents();
    count_ = 0;
}

std::uint16_t VxSet::slotsFor(std::uint32_t expected, VxStatus& status) const {
    std::uint32_t size = expected * 100 / loadFactor_ + 1;
    if (size > VX_ARRAY_MAX_CAPACITY) {
        addError(2722);
        status = VX_ERROR;
        return 0;
    }
    status = VX_SUCCESS;
    return static_cast<std::uint16_t>(size);
}

VxStatus VxSet::initialize(std::uint16_t expected) {
    VxStatus status;
    std::uint16_t size = slotsFor(expected, status);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    if (count_ > 0 && size <= getTableSize())
        return VX_SUCCESS;
    return rebuild(size);
}

void VxSet::reset() {
    table_.deleteContents();
    if (table_.shrink(0) != VX_SUCCESS)
        return;
    table_.setSpread(true);
    count_ = 0;
    highestCount_ = 0;
    loadFactor_ = VX_SET_LOAD_FACTOR;
    growth_ = VX_SET_GROWTH;
}

std::uint16_t VxSet::probe(const VxObject& element, bool& found) const {
    std::uint16_t size = getTableSize();
    std::uint16_t slot = homeSlot(doHash(element), size);
    for (std::uint16_t step = 0; step < size; ++step) {
        VxObject* there = table_.get(slot);
        if (there == nullptr) {
            found = false;
            return slot;
        }
        if (areEqual(*there, element)) {
            found = true;
            return slot;
        }
        slot = below(slot);
    }
    found = false;
    return size;
}

void VxSet::place(VxObject* element) {
    std::uint16_t size = getTableSize();
    std::uint16_t slot = homeSlot(doHash(*element), size);
    while (table_.get(slot) != nullptr)
        slot = below(slot);
    table_.set(slot, element);
}

VxStatus VxSet::rebuild(std::uint16_t size) {
    VxArray fresh(0, true);
    fresh.setSpread(true);
    if (fresh.setInitialSize(size) != VX_SUCCESS)
        return VX_ERROR;
    table_.swap(fresh);
    std::uint16_t oldSize = fresh.getCapacity();
    for (std::uint16_t i = 0; i < oldSize; ++i) {
        VxObject* element = fresh.get(i);
        if (element == nullptr)
            continue;
        fresh.set(i, nullptr);
        place(element);
    }
    return VX_SUCCESS;
}

VxStatus VxSet::add(VxObject* element) {
    if (getTableSize() == 0 && initialize(VX_SET_DEFAULT_EXPECTED) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t threshold = std::uint32_t{getTableSize()} * loadFactor_ / 100;
    if (count_ + 1u > threshold) {
        VxStatus status;
        std::uint16_t size = slotsFor(threshold + threshold * growth_ / 100 + 1, status);
        if (status != VX_SUCCESS || rebuild(size) != VX_SUCCESS)
            return VX_ERROR;
    }
    place(element);
    ++count_;
    if (count_ > highestCount_)
        highestCount_ = count_;
    return VX_SUCCESS;
}

VxObject* VxSet::find(const VxObject& element) const {
    if (count_ == 0)
        return nullptr;
    bool found;
    std::uint16_t slot = probe(element, found);
    return found ? table_.get(slot) : nullptr;
}

VxObject* VxSet::remove(const VxObject& element) {
    if (count_ == 0)
        return nullptr;
    bool found;
    std::uint16_t slot = probe(element, found);
    if (!found)
        return nullptr;
    VxObject* removed = table_.get(slot);
    table_.set(slot, nullptr);
    --count_;
    // Re-place the rest of the cluster below the freed slot so that no
    // probe chain is cut by the new hole.
    std::uint16_t size = getTableSize();
    for (std::uint16_t step = 1; step < size; ++step) {
        slot = below(slot);
        VxObject* moving = table_.get(slot);
        if (moving == nullptr)
            break;
        table_.set(slot, nullptr);
        place(moving);
    }
    return removed;
}
