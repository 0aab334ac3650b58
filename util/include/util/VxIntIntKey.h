// VxIntIntKey: an association from a 32-bit number to a 32-bit number.
#pragma once

#include "util/VxAssociation.h"

class VX_EXPORT VxIntIntKey : public VxAssociation {
public:
    VxIntIntKey(std::uint32_t key, std::uint32_t value) : key_(key), value_(value) {}
    ~VxIntIntKey() override;

    std::uint32_t getIntKey() const override { return key_; }
    std::uint32_t getIntData() const override { return value_; }
    void setIntData(std::uint32_t value) override { value_ = value; }

private:
    std::uint32_t key_;
    std::uint32_t value_;
};
