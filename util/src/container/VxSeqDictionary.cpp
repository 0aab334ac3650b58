#include "util/VxSeqDictionary.h"

#include "util/VxIntIntKey.h"
#include "util/VxIntPtrKey.h"
#include "util/VxSubPtrKey.h"

VxSeqDictionary::~VxSeqDictionary() = default;

VxStatus VxSeqDictionary::addNew(VxAssociation* association) {
    if (association == nullptr)
        return VX_ERROR;
    if (add(association) != VX_SUCCESS) {
        delete association;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxSeqDictionary::addAssoc(std::uint32_t key, std::uint32_t value) {
    return addNew(new VxIntIntKey(key, value));
}

VxStatus VxSeqDictionary::addAssoc(std::uint32_t key, VxObject* value) {
    return addNew(new VxIntPtrKey(key, value));
}

VxStatus VxSeqDictionary::addAssoc(const VxSubString* key, VxObject* value) {
    return addNew(new VxSubPtrKey(key, value));
}

std::uint16_t VxSeqDictionary::indexOf(const VxAssociation& probe) const {
    std::uint16_t index = 0;
    for (; index < getCount(); ++index) {
        if (VxAssociation::keysEqual(*getAssocAtIndex(index), probe, caseInsensitive_))
            break;
    }
    return index;
}

std::uint16_t VxSeqDictionary::getIndexForKey(std::uint32_t key) const {
    return indexOf(VxIntIntKey(key, 0));
}

std::uint16_t VxSeqDictionary::getIndexForKey(const VxSubString& key) const {
    return indexOf(VxSubPtrKey(&key, nullptr));
}

bool VxSeqDictionary::changeData(std::uint32_t key, std::uint32_t value) {
    VxAssociation* association = getAssocAtIndex(getIndexForKey(key));
    if (association == nullptr)
        return false;
    association->setIntData(value);
    return true;
}

bool VxSeqDictionary::changeData(std::uint32_t key, VxObject* value) {
    VxAssociation* association = getAssocAtIndex(getIndexForKey(key));
    if (association == nullptr)
        return false;
    association->setPtrData(value);
    return true;
}

bool VxSeqDictionary::changeData(const VxSubString& key, VxObject* value) {
    VxAssociation* association = getAssocAtIndex(getIndexForKey(key));
    if (association == nullptr)
        return false;
    association->setPtrData(value);
    return true;
}

std::uint32_t VxSeqDictionary::getIntForKey(std::uint32_t key) const {
    return getIntDataAtIndex(getIndexForKey(key));
}

VxObject* VxSeqDictionary::getPtrForKey(std::uint32_t key) const {
    return getPtrDataAtIndex(getIndexForKey(key));
}

VxObject* VxSeqDictionary::getPtrForKey(const VxSubString& key) const {
    return getPtrDataAtIndex(getIndexForKey(key));
}

VxObject* VxSeqDictionary::getPtrDataAtIndex(std::uint16_t index) const {
    VxAssociation* association = getAssocAtIndex(index);
    return association ? association->getPtrData() : nullptr;
}

std::uint32_t VxSeqDictionary::getIntDataAtIndex(std::uint16_t index) const {
    VxAssociation* association = getAssocAtIndex(index);
    return association ? association->getIntData() : 0;
}

const VxSubString* VxSeqDictionary::getSubKeyAtIndex(std::uint16_t index) const {
    VxAssociation* association = getAssocAtIndex(index);
    return association ? association->getSubKey() : nullptr;
}

std::uint32_t VxSeqDictionary::getIntKeyAtIndex(std::uint16_t index) const {
    VxAssociation* association = getAssocAtIndex(index);
    return association ? association->getIntKey() : 0;
}

void VxSeqDictionary::deleteKeyAndData() {
    for (std::uint16_t index = 0; index < getCount(); ++index)
        getAssocAtIndex(index)->deleteKeyAndData();
    deleteContents();
}

void VxSeqDictionary::deleteKeyAndDataAtIndex(std::uint16_t index) {
    VxAssociation* association = getAssocAtIndex(index);
    if (association == nullptr)
        return;
    association->deleteKeyAndData();
    deleteAtIndex(index);
}
