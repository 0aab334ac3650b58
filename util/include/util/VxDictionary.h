// VxDictionary: a hash map from 32-bit numbers or sub-strings to 32-bit
// numbers or objects, over VxSet.
//
// Each entry is a VxAssociation (VxIntIntKey, VxIntPtrKey, VxSubPtrKey) the
// dictionary creates and owns. Number keys hash to themselves; text keys
// hash with VxSubString::hash and compare case-sensitively unless the case
// flag is set. A number key never equals a text key.
//
// addAssoc does not look for the key first: the caller tests doesExist.
// The keys and data objects belong to the caller until deleteKeyAndData,
// which deletes them together with the associations; the destructor and
// reset() delete only the associations.
#pragma once

#include "util/VxAssociation.h"
#include "util/VxSet.h"

class VX_EXPORT VxDictionary : public VxSet {
public:
    explicit VxDictionary(bool caseInsensitive = false) : caseInsensitive_(caseInsensitive) {}
    ~VxDictionary() override;

    bool isCaseInsensitive() const { return caseInsensitive_; }
    // Only while the dictionary is empty: the table is placed by it.
    void setCaseInsensitive(bool caseInsensitive) { caseInsensitive_ = caseInsensitive; }

    VxStatus addAssoc(std::uint32_t key, std::uint32_t value);
    VxStatus addAssoc(std::uint32_t key, VxObject* value);
    // `key` is kept, not copied: it must live as long as the entry.
    VxStatus addAssoc(const VxSubString* key, VxObject* value);

    // 0 or null when the key is absent.
    std::uint32_t getIntForKey(std::uint32_t key) const;
    VxObject* getPtrForKey(std::uint32_t key) const;
    VxObject* getPtrForKey(const VxSubString& key) const;
    bool doesExist(std::uint32_t key) const { return getAssoc(key) != nullptr; }
    bool doesExist(const VxSubString& key) const { return getAssoc(key) != nullptr; }
    VxAssociation* getAssoc(std::uint32_t key) const;
    VxAssociation* getAssoc(const VxSubString& key) const;

    // Take one entry out and hand its association to the caller (null when
    // absent); its key and data are untouched.
    VxAssociation* removeAssoc(std::uint32_t key);
    VxAssociation* removeAssoc(const VxSubString& key);

    // Deletes every key, data object and association; the table stays.
    void deleteKeyAndData();

protected:
    std::uint32_t doHash(const VxObject& element) const override;
    bool areEqual(const VxObject& a, const VxObject& b) const override;

private:
    VxStatus addNew(VxAssociation* association);

    bool caseInsensitive_;
};
