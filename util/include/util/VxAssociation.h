// VxAssociation: one key/value pair of a VxDictionary or VxSeqDictionary.
//
// The kinds differ by key and value: VxIntIntKey (number/number),
// VxIntPtrKey (number/object) and VxSubPtrKey (sub-string/object). The
// accessors a kind does not have answer 0 or null and the setters do
// nothing. An association never deletes what it refers to by itself:
// deleteKeyAndData() does, for the dictionary's deleteKeyAndData.
#pragma once

#include <cstdint>

#include "util/VxSubString.h"

class VX_EXPORT VxAssociation : public VxObject {
public:
    VxAssociation() = default;
    VxAssociation(const VxAssociation&) = delete;
    VxAssociation& operator=(const VxAssociation&) = delete;
    ~VxAssociation() override;

    virtual bool hasTextKey() const { return false; }
    virtual std::uint32_t getIntKey() const { return 0; }
    virtual const VxSubString* getSubKey() const { return nullptr; }
    virtual std::uint32_t getIntData() const { return 0; }
    virtual VxObject* getPtrData() const { return nullptr; }
    virtual void setIntData(std::uint32_t value) { (void)value; }
    virtual void setPtrData(VxObject* value) { (void)value; }
    // Deletes the key and data objects (not the association) and forgets them.
    virtual void deleteKeyAndData() {}

    // Whether two keys are equal: numbers by value, texts byte for byte or,
    // with `caseInsensitive`, without regard to case. A number key never
    // equals a text key.
    static bool keysEqual(const VxAssociation& a, const VxAssociation& b, bool caseInsensitive);
};
