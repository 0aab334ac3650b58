// VxTree: a B-tree of fixed-size keys with fixed-size data, kept in its own
// temporary store (one node per 2,048-byte page); VxTreeIterator: a position
// in a tree, so that several walks can run at once.
//
// Entries are key + data + a 4-byte child reference (+1 byte with
// VX_TREE_EXTRA_BYTE), rounded up to a multiple of 4; a node holds at most
// min(2,036 / entry size, 49) entries behind its 12-byte header, so the entry
// size may be at most 1,018 bytes. With VX_TREE_DUPLICATES, add inserts a key
// that is already present (after the equal ones); without it, add of a
// present key only reports it.
//
// Deleting marks the entry; in a leaf of at least 3 entries it is removed at
// once. Walks skip marked entries, and adding the same key again reuses a
// marked slot. Nodes are never merged.
//
// Every operation returns VX_ERROR only for store failures; found or not
// found travels in an out-flag. Any change to the tree invalidates the
// positions of iterators other than the one the change was made through.
#pragma once

#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"
#include "util/VxTmpFile.h"

// Orders two keys of `keyLength` bytes: negative, 0 or positive.
using VxTreeCompare = int (*)(const void* a, const void* b, std::uint16_t keyLength);
// Unsigned 32-bit keys in native byte order.
VX_EXPORT int treeU32Compare(const void* a, const void* b, std::uint16_t keyLength);

constexpr unsigned VX_TREE_EXTRA_BYTE = 0x01;
constexpr unsigned VX_TREE_DUPLICATES = 0x02;
constexpr int VX_TREE_MAX_DEPTH = 40;

class VxTree;

class VX_EXPORT VxTreeIterator : public VxObject {
public:
    VxTreeIterator() = default;
    // Binds the iterator to `tree`, unpositioned.
    void initialize(VxTree* tree);
    bool isPositioned() const { return depth_ > 0; }

private:
    friend class VxTree;
    friend class VxPTree;
    struct Frame {
        std::uint32_t node;  // store offset of the node
        std::uint16_t index; // entry index at the top, child index below
    };
    VxTree* tree_ = nullptr;
    Frame stack_[VX_TREE_MAX_DEPTH] = {};
    int depth_ = 0;
};

class VX_EXPORT VxTree : public VxObject {
public:
    VxTree(std::uint16_t keyLength, std::uint16_t dataLength, VxTreeCompare keyCompare,
           unsigned options = 0);
    ~VxTree() override;
    VxTree(const VxTree&) = delete;
    VxTree& operator=(const VxTree&) = delete;

    VxStatus add(const void* key, const void* data, bool* found);
    // Removes the entry of `key` (in a tree with duplicates: the one whose
    // data bytes equal `data`).
    VxStatus deleteKeyAndData(const void* key, const void* data, bool* found);
    // Exact lookup; positions the iterator (the tree's own when null) at the
    // entry so getNext continues after it. `data` may be null.
    VxStatus getData(const void* key, void* data, bool* found, VxTreeIterator* it = nullptr);
    VxStatus changeData(const void* key, const void* data, bool* found = nullptr);
    // Removes the entry and adds it again under `newKey` with its data.
    // In a tree without repeated keys, a `newKey` that another entry already
    // has leaves the tree unchanged and sets *newKeyTaken, so that no entry
    // is lost.
    VxStatus changeKey(const void* oldKey, const void* newKey, bool* found = nullptr,
                       bool* newKeyTaken = nullptr);
    VxStatus doesExist(const void* key, bool* found);
    // Empties the tree and truncates its store.
    VxStatus reset();

    // Walks in key order; `key` and `data` may be null. getNext on an
    // iterator never positioned starts at the first entry.
    VxStatus getFirst(void* key, void* data, bool* found, VxTreeIterator* it = nullptr);
    VxStatus getLast(void* key, void* data, bool* found, VxTreeIterator* it = nullptr);
    VxStatus getNext(void* key, void* data, bool* found, VxTreeIterator* it = nullptr);
    VxStatus getPrevious(void* key, void* data, bool* found, VxTreeIterator* it = nullptr);

    // Live entries.
    std::uint32_t getCount() const { return count_; }
    std::uint16_t getEntrySize() const { return entrySize_; }
    std::uint16_t getMaxEntries() const { return maxEntries_; }

protected:
    // A tree whose nodes also count the live entries under each child.
    VxTree(std::uint16_t dataLength, bool counted);
    // Node access and the shared insert/remove machinery (VxTreeNode.cpp).
    struct NodeBuffer;
    bool counted() const { return counted_; }
    VxStatus ensureRoot();
    VxStatus readNode(std::uint32_t ref, char* node);
    VxStatus writeNode(std::uint32_t ref, const char* node);
    // Inserts `entry` (key + data) at entry `index` of the top node of `path`.
    VxStatus insertAt(VxTreeIterator& path, const char* entry);
    // Marks or removes the entry at the iterator's top.
    VxStatus removeAt(VxTreeIterator& path);
    VxStatus readEntry(const VxTreeIterator& it, void* key, void* data);
    // Iterator steps over all entries, marked ones included; *atEnd at the end.
    VxStatus stepNext(VxTreeIterator& it, bool* atEnd);
    VxStatus stepPrevious(VxTreeIterator& it, bool* atEnd);
    VxStatus descendEdge(VxTreeIterator& it, std::uint32_t ref, bool last, bool* atEnd);
    VxStatus isDeletedAt(const VxTreeIterator& it, bool* deleted);
    VxStatus skipDeleted(VxTreeIterator& it, bool forward, bool* found);
    VxTreeIterator& pick(VxTreeIterator* it) { return it ? *it : iterator_; }

    std::uint16_t keyLength_;
    std::uint16_t dataLength_;
    VxTreeCompare compare_;
    unsigned options_;
    bool counted_ = false;
    std::uint16_t entrySize_ = 0;
    std::uint16_t maxEntries_ = 0;
    std::uint32_t root_ = 0;
    std::uint32_t count_ = 0;
    VxTmpFile store_;
    VxTreeIterator iterator_;

    // Offsets inside a node: header then entries.
    std::uint32_t childOffset(std::uint16_t child) const;
    std::uint32_t countOffset(std::uint16_t child) const { return childOffset(child) + 4; }
    std::uint32_t entryOffset(std::uint16_t entry) const { return 12u + entry * entrySize_; }

private:
    void setLayout();
    VxStatus seekLowerBound(const void* key, VxTreeIterator& it);
    VxStatus findEntry(const void* key, const void* data, VxTreeIterator& it, bool* found);
    VxStatus splitUpwards(VxTreeIterator& path, char* node, std::uint16_t level);
};
