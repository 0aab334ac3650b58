// VxSeqDictionary: associations kept in insertion order, found by linear
// search.
//
// The same three kinds of entries as VxDictionary (VxIntIntKey, VxIntPtrKey,
// VxSubPtrKey), with the same key rule: numbers by value, texts
// case-sensitively unless the case flag is set. addAssoc appends without
// looking for the key. The array owns the associations; keys and data
// objects are deleted only by deleteKeyAndData and deleteKeyAndDataAtIndex.
#pragma once

#include "util/VxArray.h"
#include "util/VxAssociation.h"

class VX_EXPORT VxSeqDictionary : public VxArray {
public:
    explicit VxSeqDictionary(bool caseInsensitive = false)
        : VxArray(VX_ARRAY_DEFAULT_GROWTH, true), caseInsensitive_(caseInsensitive) {}
    ~VxSeqDictionary() override;

    bool isCaseInsensitive() const { return caseInsensitive_; }
    void setCaseInsensitive(bool caseInsensitive) { caseInsensitive_ = caseInsensitive; }

    VxStatus addAssoc(std::uint32_t key, std::uint32_t value);
    VxStatus addAssoc(std::uint32_t key, VxObject* value);
    // `key` is kept, not copied: it must live as long as the entry.
    VxStatus addAssoc(const VxSubString* key, VxObject* value);

    // Replace the data of the first entry with the key; false when absent.
    bool changeData(std::uint32_t key, std::uint32_t value);
    bool changeData(std::uint32_t key, VxObject* value);
    bool changeData(const VxSubString& key, VxObject* value);

    // Position of the first entry with the key, the count when absent.
    std::uint16_t getIndexForKey(std::uint32_t key) const;
    std::uint16_t getIndexForKey(const VxSubString& key) const;
    bool doesExist(std::uint32_t key) const { return getIndexForKey(key) < getCount(); }
    bool doesExist(const VxSubString& key) const { return getIndexForKey(key) < getCount(); }
    // 0 or null when absent.
    std::uint32_t getIntForKey(std::uint32_t key) const;
    VxObject* getPtrForKey(std::uint32_t key) const;
    VxObject* getPtrForKey(const VxSubString& key) const;

    VxAssociation* getAssocAtIndex(std::uint16_t index) const {
        return static_cast<VxAssociation*>(get(index));
    }
    // 0 or null past the count or for a kind without that part.
    VxObject* getPtrDataAtIndex(std::uint16_t index) const;
    std::uint32_t getIntDataAtIndex(std::uint16_t index) const;
    const VxSubString* getSubKeyAtIndex(std::uint16_t index) const;
    std::uint32_t getIntKeyAtIndex(std::uint16_t index) const;

    // Deletes every key, data object and association.
    void deleteKeyAndData();
    // Deletes the key, data object and association at `index`.
    void deleteKeyAndDataAtIndex(std::uint16_t index);

private:
    VxStatus addNew(VxAssociation* association);
    std::uint16_t indexOf(const VxAssociation& probe) const;

    bool caseInsensitive_;
};
