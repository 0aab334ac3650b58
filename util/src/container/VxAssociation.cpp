// The association kinds of the dictionaries.
#include "util/VxAssociation.h"

#include <cstring>

#include "util/VxIntIntKey.h"
#include "util/VxIntPtrKey.h"
#include "util/VxSubPtrKey.h"

VxAssociation::~VxAssociation() = default;

bool VxAssociation::keysEqual(const VxAssociation& a, const VxAssociation& b,
                              bool caseInsensitive) {
    if (a.hasTextKey() != b.hasTextKey())
        return false;
    if (!a.hasTextKey())
        return a.getIntKey() == b.getIntKey();
    if (a.getSubKey() == nullptr || b.getSubKey() == nullptr)
        return a.getSubKey() == b.getSubKey();
    const VxSubString& x = *a.getSubKey();
    const VxSubString& y = *b.getSubKey();
    if (x.length() != y.length())
        return false;
    if (caseInsensitive)
        return x.compare(y) == 0;
    return x.length() == 0 || std::memcmp(x.data(), y.data(), x.length()) == 0;
}

VxIntIntKey::~VxIntIntKey() = default;

VxIntPtrKey::~VxIntPtrKey() = default;

void VxIntPtrKey::deleteKeyAndData() {
    delete value_;
    value_ = nullptr;
}

VxSubPtrKey::~VxSubPtrKey() = default;

void VxSubPtrKey::deleteKeyAndData() {
    delete key_;
    key_ = nullptr;
    delete value_;
    value_ = nullptr;
}
