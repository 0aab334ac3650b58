#include "util/VxDictionary.h"

#include "util/VxIntIntKey.h"
#include "util/VxIntPtrKey.h"
#include "util/VxSubPtrKey.h"

VxDictionary::~VxDictionary() = default;

std::uint32_t VxDictionary::doHash(const VxObject& element) const {
    const auto& association = static_cast<const VxAssociation&>(element);
    if (association.hasTextKey())
        return static_cast<std::uint32_t>(association.getSubKey()->hash());
    return association.getIntKey();
}

bool VxDictionary::areEqual(const VxObject& a, const VxObject& b) const {
    return VxAssociation::keysEqual(static_cast<const VxAssociation&>(a),
                                    static_cast<const VxAssociation&>(b), caseInsensitive_);
}

VxStatus VxDictionary::addNew(VxAssociation* association) {
    if (association == nullptr)
        return VX_ERROR;
    if (add(association) != VX_SUCCESS) {
        delete association;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxDictionary::addAssoc(std::uint32_t key, std::uint32_t value) {
    return addNew(new VxIntIntKey(key, value));
}

VxStatus VxDictionary::addAssoc(std::uint32_t key, VxObject* value) {
    return addNew(new VxIntPtrKey(key, value));
}

VxStatus VxDictionary::addAssoc(const VxSubString* key, VxObject* value) {
    return addNew(new VxSubPtrKey(key, value));
}

VxAssociation* VxDictionary::getAssoc(std::uint32_t key) const {
    VxIntIntKey probe(key, 0);
    return static_cast<VxAssociation*>(find(probe));
}

VxAssociation* VxDictionary::getAssoc(const VxSubString& key) const {
    VxSubPtrKey probe(&key, nullptr);
    return static_cast<VxAssociation*>(find(probe));
}

std::uint32_t VxDictionary::getIntForKey(std::uint32_t key) const {
    VxAssociation* association = getAssoc(key);
    return association ? association->getIntData() : 0;
}

VxObject* VxDictionary::getPtrForKey(std::uint32_t key) const {
    VxAssociation* association = getAssoc(key);
    return association ? association->getPtrData() : nullptr;
}

VxObject* VxDictionary::getPtrForKey(const VxSubString& key) const {
    VxAssociation* association = getAssoc(key);
    return association ? association->getPtrData() : nullptr;
}

VxAssociation* VxDictionary::removeAssoc(std::uint32_t key) {
    VxIntIntKey probe(key, 0);
    return static_cast<VxAssociation*>(remove(probe));
}

VxAssociation* VxDictionary::removeAssoc(const VxSubString& key) {
    VxSubPtrKey probe(&key, nullptr);
    return static_cast<VxAssociation*>(remove(probe));
}

void VxDictionary::deleteKeyAndData() {
    for (std::uint16_t slot = 0; slot < getTableSize(); ++slot) {
        auto* association = static_cast<VxAssociation*>(getAtSlot(slot));
        if (association != nullptr)
            association->deleteKeyAndData();
    }
    deleteElements();
}
