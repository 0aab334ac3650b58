// VxIntPtrKey: an association from a 32-bit number to an object.
#pragma once

#include "util/VxAssociation.h"

class VX_EXPORT VxIntPtrKey : public VxAssociation {
public:
    VxIntPtrKey(std::uint32_t key, VxObject* value) : key_(key), value_(value) {}
    ~VxIntPtrKey() override;

    std::uint32_t getIntKey() const override { return key_; }
    VxObject* getPtrData() const override { return value_; }
    void setPtrData(VxObject* value) override { value_ = value; }
    void deleteKeyAndData() override;

private:
    std::uint32_t key_;
    VxObject* value_;
};
