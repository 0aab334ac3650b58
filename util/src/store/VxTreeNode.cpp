// VxTree nodes: the page layout, inserting with splits, removing, and the
// iterator steps.
//
// Node layout (one 2,048-byte page of the tree's store, at a page-aligned
// offset, so bit 0 of a reference is free):
//
//   0  u16 entry count
//   2  u16 flags (bit 0: leaf)
//   4  u32 reference of child 0 (the keys before entry 0)
//   8  u32 live entries under child 0 (positional trees only)
//  12  entries: key | data | u32 reference of the child after it, bit 0 set
//      when the entry is marked deleted | [u32 live entries under that child]
//      | [one spare byte], rounded up to a multiple of 4
//
// An iterator is a stack of (node, index): below the top the index names the
// child that was descended into; at the top it names the current entry.
#include <cstring>

#include "util/VxTree.h"
#include "util/ram.h"

namespace {

constexpr std::uint32_t DELETED_MARK = 1;
constexpr std::uint16_t LEAF_FLAG = 1;
constexpr std::uint32_t HEADER_SIZE = 12;
// A node image with room for one entry past a full page, used while splitting.
constexpr std::size_t WORK_NODE = 2 * VX_TMP_PAGE_SIZE + 16;

std::uint32_t rd32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
void wr32(char* p, std::uint32_t v) { std::memcpy(p, &v, 4); }
std::uint16_t rd16(const char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
void wr16(char* p, std::uint16_t v) { std::memcpy(p, &v, 2); }

std::uint16_t entryCount(const char* node) { return rd16(node); }
bool isLeaf(const char* node) { return (rd16(node + 2) & LEAF_FLAG) != 0; }

} // namespace

int treeU32Compare(const void* a, const void* b, std::uint16_t) {
    std::uint32_t x;
    std::uint32_t y;
    std::memcpy(&x, a, 4);
    std::memcpy(&y, b, 4);
    return x < y ? -1 : (x > y ? 1 : 0);
}

void VxTreeIterator::initialize(VxTree* tree) {
    tree_ = tree;
    depth_ = 0;
}

std::uint32_t VxTree::childOffset(std::uint16_t child) const {
    return child == 0 ? 4u : entryOffset(child - 1) + keyLength_ + dataLength_;
}

VxStatus VxTree::readNode(std::uint32_t ref, char* node) {
    return store_.tmpRead(ref, node, VX_TMP_PAGE_SIZE);
}

VxStatus VxTree::writeNode(std::uint32_t ref, const char* node) {
    return store_.tmpWrite(ref, node, VX_TMP_PAGE_SIZE);
}

VxStatus VxTree::ensureRoot() {
    if (root_ != 0)
        return VX_SUCCESS;
    char node[VX_TMP_PAGE_SIZE] = {};
    wr16(node + 2, LEAF_FLAG);
    std::uint32_t ref;
    if (store_.getContiguousSpace(VX_TMP_PAGE_SIZE, &ref) != VX_SUCCESS ||
        writeNode(ref, node) != VX_SUCCESS)
        return VX_ERROR;
    root_ = ref;
    return VX_SUCCESS;
}

struct VxTree::NodeBuffer {
    char bytes[WORK_NODE];
};

// Live entries in the node image and the subtrees below it.
static std::uint32_t nodeTotal(const char* node, std::uint16_t n, bool leaf,
                               const std::uint32_t* childOffsets) {
    std::uint32_t total = 0;
    for (std::uint16_t c = 0; c <= n; ++c) {
        if (!leaf)
            total += rd32(node + childOffsets[c] + 4);
        if (c > 0 && !(rd32(node + childOffsets[c]) & DELETED_MARK))
            ++total;
    }
    return total;
}

VxStatus VxTree::insertAt(VxTreeIterator& path, const char* entry) {
    if (counted_) {
        char node[VX_TMP_PAGE_SIZE];
        for (int level = 0; level + 1 < path.depth_; ++level) {
            const VxTreeIterator::Frame& f = path.stack_[level];
            if (readNode(f.node, node) != VX_SUCCESS)
                return VX_ERROR;
            char* count = node + countOffset(f.index);
            wr32(count, rd32(count) + 1);
            if (writeNode(f.node, node) != VX_SUCCESS)
                return VX_ERROR;
        }
    }
    NodeBuffer work;
    char* node = work.bytes;
    const VxTreeIterator::Frame& top = path.stack_[path.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    std::uint16_t n = entryCount(node);
    char* at = node + entryOffset(top.index);
    std::memmove(at + entrySize_, at, static_cast<std::size_t>(n - top.index) * entrySize_);
    std::memset(at, 0, entrySize_);
    std::memcpy(at, entry, keyLength_ + dataLength_);
    wr16(node, n + 1);
    ++count_;
    if (n + 1 <= maxEntries_)
        return writeNode(top.node, node);
    return splitUpwards(path, node, static_cast<std::uint16_t>(path.depth_ - 1));
}

// Splits the over-full node image at `level` of the path, moving the middle
// entry up, as far as the parents overflow in turn.
VxStatus VxTree::splitUpwards(VxTreeIterator& path, char* node, std::uint16_t level) {
    std::uint32_t offsets[64];
    for (std::uint16_t c = 0; c <= maxEntries_ + 1; ++c)
        offsets[c] = childOffset(c);
    NodeBuffer parentWork;
    for (;;) {
        std::uint16_t n = entryCount(node);
        std::uint16_t half = n / 2;
        bool leaf = isLeaf(node);
        char right[VX_TMP_PAGE_SIZE] = {};
        char middle[VX_TMP_PAGE_SIZE];
        std::uint32_t rightRef;
        if (store_.getContiguousSpace(VX_TMP_PAGE_SIZE, &rightRef) != VX_SUCCESS)
            return VX_ERROR;
        std::memcpy(middle, node + entryOffset(half), entrySize_);
        std::uint16_t rightCount = n - half - 1;
        wr16(right, rightCount);
        wr16(right + 2, leaf ? LEAF_FLAG : 0);
        std::uint32_t middleLink = rd32(node + offsets[half + 1]);
        wr32(right + 4, middleLink & ~DELETED_MARK);
        if (counted_)
            wr32(right + 8, rd32(node + offsets[half + 1] + 4));
        std::memcpy(right + HEADER_SIZE, node + entryOffset(half + 1),
                    static_cast<std::size_t>(rightCount) * entrySize_);
        wr16(node, half);
        std::memset(node + entryOffset(half), 0, VX_TMP_PAGE_SIZE - entryOffset(half));
        std::uint32_t middleChild = keyLength_ + dataLength_;
        wr32(middle + middleChild, rightRef | (middleLink & DELETED_MARK));
        std::uint32_t leftTotal = counted_ ? nodeTotal(node, half, leaf, offsets) : 0;
        if (counted_)
            wr32(middle + middleChild + 4, nodeTotal(right, rightCount, leaf, offsets));
        std::uint32_t leftRef = path.stack_[level].node;
        if (writeNode(leftRef, node) != VX_SUCCESS || writeNode(rightRef, right) != VX_SUCCESS)
            return VX_ERROR;
        char* parent = parentWork.bytes;
        std::uint16_t at = 0;
        std::uint32_t parentRef;
        if (level == 0) {
            std::memset(parent, 0, VX_TMP_PAGE_SIZE);
            wr32(parent + 4, leftRef);
            if (store_.getContiguousSpace(VX_TMP_PAGE_SIZE, &parentRef) != VX_SUCCESS)
                return VX_ERROR;
            root_ = parentRef;
        } else {
            parentRef = path.stack_[level - 1].node;
            at = path.stack_[level - 1].index;
            if (readNode(parentRef, parent) != VX_SUCCESS)
                return VX_ERROR;
        }
        if (counted_)
            wr32(parent + offsets[at] + 4, leftTotal);
        std::uint16_t pn = entryCount(parent);
        char* slot = parent + entryOffset(at);
        std::memmove(slot + entrySize_, slot, static_cast<std::size_t>(pn - at) * entrySize_);
        std::memcpy(slot, middle, entrySize_);
        wr16(parent, pn + 1);
        if (pn + 1 <= maxEntries_)
            return writeNode(parentRef, parent);
        std::memcpy(node, parent, WORK_NODE);
        --level;
    }
}

VxStatus VxTree::removeAt(VxTreeIterator& path) {
    char node[VX_TMP_PAGE_SIZE];
    if (counted_)
        for (int level = 0; level + 1 < path.depth_; ++level) {
            const VxTreeIterator::Frame& f = path.stack_[level];
            if (readNode(f.node, node) != VX_SUCCESS)
                return VX_ERROR;
            char* count = node + countOffset(f.index);
            wr32(count, rd32(count) - 1);
            if (writeNode(f.node, node) != VX_SUCCESS)
                return VX_ERROR;
        }
    VxTreeIterator::Frame& top = path.stack_[path.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    std::uint16_t n = entryCount(node);
    if (isLeaf(node) && n >= 3) {
        char* at = node + entryOffset(top.index);
        std::memmove(at, at + entrySize_, static_cast<std::size_t>(n - top.index - 1) * entrySize_);
        wr16(node, n - 1);
        std::memset(node + entryOffset(n - 1), 0, entrySize_);
        // The iterator now stands on the entry that followed; step back onto
        // the one before so that a following getNext lands on it.
        if (top.index > 0) {
            --top.index;
        } else {
            path.depth_ = 0;
        }
    } else {
        char* link = node + childOffset(top.index + 1);
        wr32(link, rd32(link) | DELETED_MARK);
    }
    --count_;
    return writeNode(top.node, node);
}

VxStatus VxTree::isDeletedAt(const VxTreeIterator& it, bool* deleted) {
    char node[VX_TMP_PAGE_SIZE];
    const VxTreeIterator::Frame& top = it.stack_[it.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    *deleted = (rd32(node + childOffset(top.index + 1)) & DELETED_MARK) != 0;
    return VX_SUCCESS;
}

VxStatus VxTree::readEntry(const VxTreeIterator& it, void* key, void* data) {
    char node[VX_TMP_PAGE_SIZE];
    const VxTreeIterator::Frame& top = it.stack_[it.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    const char* entry = node + entryOffset(top.index);
    if (key)
        std::memcpy(key, entry, keyLength_);
    if (data)
        std::memcpy(data, entry + keyLength_, dataLength_);
    return VX_SUCCESS;
}

VxStatus VxTree::descendEdge(VxTreeIterator& it, std::uint32_t ref, bool last, bool* atEnd) {
    char node[VX_TMP_PAGE_SIZE];
    *atEnd = false;
    for (;;) {
        if (readNode(ref, node) != VX_SUCCESS)
            return VX_ERROR;
        std::uint16_t n = entryCount(node);
        if (isLeaf(node) && n == 0) {
            it.depth_ = 0;
            *atEnd = true;
            return VX_SUCCESS;
        }
        std::uint16_t index = isLeaf(node) ? (last ? n - 1 : 0) : (last ? n : 0);
        it.stack_[it.depth_++] = VxTreeIterator::Frame{ref, index};
        if (isLeaf(node))
            return VX_SUCCESS;
        ref = rd32(node + childOffset(index)) & ~DELETED_MARK;
    }
}

VxStatus VxTree::stepNext(VxTreeIterator& it, bool* atEnd) {
    *atEnd = false;
    if (it.depth_ == 0)
        return root_ ? descendEdge(it, root_, false, atEnd) : (*atEnd = true, VX_SUCCESS);
    char node[VX_TMP_PAGE_SIZE];
    VxTreeIterator::Frame& top = it.stack_[it.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    if (!isLeaf(node)) {
        ++top.index;
        return descendEdge(it, rd32(node + childOffset(top.index)) & ~DELETED_MARK, false, atEnd);
    }
    if (top.index + 1 < entryCount(node)) {
        ++top.index;
        return VX_SUCCESS;
    }
    while (--it.depth_ > 0) {
        VxTreeIterator::Frame& up = it.stack_[it.depth_ - 1];
        if (readNode(up.node, node) != VX_SUCCESS)
            return VX_ERROR;
        if (up.index < entryCount(node))
            return VX_SUCCESS;
    }
    *atEnd = true;
    return VX_SUCCESS;
}

VxStatus VxTree::stepPrevious(VxTreeIterator& it, bool* atEnd) {
    *atEnd = false;
    if (it.depth_ == 0)
        return root_ ? descendEdge(it, root_, true, atEnd) : (*atEnd = true, VX_SUCCESS);
    char node[VX_TMP_PAGE_SIZE];
    VxTreeIterator::Frame& top = it.stack_[it.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    if (!isLeaf(node))
        return descendEdge(it, rd32(node + childOffset(top.index)) & ~DELETED_MARK, true, atEnd);
    if (top.index > 0) {
        --top.index;
        return VX_SUCCESS;
    }
    while (--it.depth_ > 0) {
        VxTreeIterator::Frame& up = it.stack_[it.depth_ - 1];
        if (up.index > 0) {
            --up.index;
            return VX_SUCCESS;
        }
    }
    *atEnd = true;
    return VX_SUCCESS;
}

VxStatus VxTree::skipDeleted(VxTreeIterator& it, bool forward, bool* found) {
    *found = false;
    while (it.depth_ > 0) {
        bool deleted;
        if (isDeletedAt(it, &deleted) != VX_SUCCESS)
            return VX_ERROR;
        if (!deleted) {
            *found = true;
            return VX_SUCCESS;
        }
        bool atEnd;
        if ((forward ? stepNext(it, &atEnd) : stepPrevious(it, &atEnd)) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd)
            return VX_SUCCESS;
    }
    return VX_SUCCESS;
}
