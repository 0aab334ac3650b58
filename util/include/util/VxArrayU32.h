// VxArrayU32: an array of unsigned 32-bit numbers; it never deletes.
#pragma once

#include <cstdint>

#include "util/VxArray.h"

class VX_EXPORT VxArrayU32 : public VxArray {
public:
    explicit VxArrayU32(std::uint16_t growthStep = VX_ARRAY_DEFAULT_GROWTH)
        : VxArray(growthStep, false) {}

    std::uint32_t get(std::uint16_t index) const { return toNumber(slot(index)); }
    std::uint32_t operator[](std::uint16_t index) const { return get(index); }
    void set(std::uint16_t index, std::uint32_t value) { setSlot(index, toSlot(value)); }
    VxStatus add(std::uint32_t value) { return addSlotAtIndex(toSlot(value), getCount()); }
    VxStatus addAtIndex(std::uint32_t value, std::uint16_t index) {
        return addSlotAtIndex(toSlot(value), index);
    }
    std::uint32_t removeAtIndex(std::uint16_t index) { return toNumber(removeSlotAtIndex(index)); }
    bool doesExist(std::uint32_t value) const { return doesSlotExist(toSlot(value)); }

protected:
    static void* toSlot(std::uint32_t value) {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(value));
    }
    static std::uint32_t toNumber(void* element) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(element));
    }
};
