// VxArrayPVoid: an array of raw blocks from ramAlloc; when it owns them (the
// default), deleting frees them with ramFree.
#pragma once

#include <cstdint>

#include "util/VxArray.h"

class VX_EXPORT VxArrayPVoid : public VxArray {
public:
    explicit VxArrayPVoid(std::uint16_t growthStep = VX_ARRAY_DEFAULT_GROWTH,
                          bool ownsElements = true)
        : VxArray(growthStep, ownsElements) {}
    ~VxArrayPVoid() override;

    void* get(std::uint16_t index) const { return slot(index); }
    void* operator[](std::uint16_t index) const { return get(index); }
    void set(std::uint16_t index, void* block) { setSlot(index, block); }
    VxStatus add(void* block) { return addSlotAtIndex(block, getCount()); }
    VxStatus addAtIndex(void* block, std::uint16_t index) { return addSlotAtIndex(block, index); }
    void* removeAtIndex(std::uint16_t index) { return removeSlotAtIndex(index); }
    bool doesExist(const void* block) const { return doesSlotExist(block); }

protected:
    void deleteElement(void* element) override;
};
