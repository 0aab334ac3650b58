// VxArrayS32: an array of signed 32-bit numbers; it never deletes.
#pragma once

#include <cstdint>

#include "util/VxArray.h"

class VX_EXPORT VxArrayS32 : public VxArray {
public:
    explicit VxArrayS32(std::uint16_t growthStep = VX_ARRAY_DEFAULT_GROWTH)
        : VxArray(growthStep, false) {}

    std::int32_t get(std::uint16_t index) const { return toNumber(slot(index)); }
    std::int32_t operator[](std::uint16_t index) const { return get(index); }
    void set(std::uint16_t index, std::int32_t value) { setSlot(index, toSlot(value)); }
    VxStatus add(std::int32_t value) { return addSlotAtIndex(toSlot(value), getCount()); }
    VxStatus addAtIndex(std::int32_t value, std::uint16_t index) {
        return addSlotAtIndex(toSlot(value), index);
    }
    std::int32_t removeAtIndex(std::uint16_t index) { return toNumber(removeSlotAtIndex(index)); }
    bool doesExist(std::int32_t value) const { return doesSlotExist(toSlot(value)); }

private:
    static void* toSlot(std::int32_t value) {
        return reinterpret_cast<void*>(
            static_cast<std::uintptr_t>(static_cast<std::uint32_t>(value)));
    }
    static std::int32_t toNumber(void* element) {
        return static_cast<std::int32_t>(
            static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(element)));
    }
};
