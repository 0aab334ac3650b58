// VxSubPtrKey: an association from a sub-string (any VxSubString object,
// e.g. a VxString) to an object.
#pragma once

#include "util/VxAssociation.h"

class VX_EXPORT VxSubPtrKey : public VxAssociation {
public:
    VxSubPtrKey(const VxSubString* key, VxObject* value) : key_(key), value_(value) {}
    ~VxSubPtrKey() override;

    bool hasTextKey() const override { return true; }
    const VxSubString* getSubKey() const override { return key_; }
    VxObject* getPtrData() const override { return value_; }
    void setPtrData(VxObject* value) override { value_ = value; }
    void deleteKeyAndData() override;

private:
    const VxSubString* key_;
    VxObject* value_;
};
