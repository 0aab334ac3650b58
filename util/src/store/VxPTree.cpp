// VxPTree: descents by position over the per-child live counts.
#include "util/VxPTree.h"

#include <cstring>

#include "error/utlMessages.h"

namespace {

std::uint32_t rd32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
std::uint16_t rd16(const char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

} // namespace

VxPTree::VxPTree(std::uint16_t dataLength) : VxTree(dataLength, true) {}

VxPTree::~VxPTree() = default;

// Builds the path to the leaf slot in front of which `position` entries lie.
VxStatus VxPTree::pathForInsert(std::uint32_t position, VxTreeIterator& path) {
    path.tree_ = this;
    path.depth_ = 0;
    char node[VX_TMP_PAGE_SIZE];
    std::uint32_t ref = root_;
    std::uint32_t p = position;
    for (;;) {
        if (path.depth_ == VX_TREE_MAX_DEPTH || readNode(ref, node) != VX_SUCCESS)
            return path.depth_ == VX_TREE_MAX_DEPTH ? (addError(1503), VX_ERROR) : VX_ERROR;
        std::uint16_t n = rd16(node);
        if (rd16(node + 2) & 1) {
            std::uint16_t index = 0;
            for (; index < n && p > 0; ++index)
                if (!(rd32(node + childOffset(index + 1)) & 1))
                    --p;
            path.stack_[path.depth_++] = VxTreeIterator::Frame{ref, index};
            return VX_SUCCESS;
        }
        std::uint16_t c = 0;
        for (;; ++c) {
            std::uint32_t under = rd32(node + countOffset(c));
            if (p <= under || c == n)
                break;
            p -= under;
            if (!(rd32(node + childOffset(c + 1)) & 1))
                --p;
        }
        path.stack_[path.depth_++] = VxTreeIterator::Frame{ref, c};
        ref = rd32(node + childOffset(c)) & ~1u;
    }
}

// Positions the path at the live entry at `position`.
VxStatus VxPTree::pathToEntry(std::uint32_t position, VxTreeIterator& path, bool* found) {
    path.tree_ = this;
    path.depth_ = 0;
    *found = false;
    if (root_ == 0 || position >= count_)
        return VX_SUCCESS;
    char node[VX_TMP_PAGE_SIZE];
    std::uint32_t ref = root_;
    std::uint32_t p = position;
    for (;;) {
        if (path.depth_ == VX_TREE_MAX_DEPTH || readNode(ref, node) != VX_SUCCESS)
            return path.depth_ == VX_TREE_MAX_DEPTH ? (addError(1503), VX_ERROR) : VX_ERROR;
        std::uint16_t n = rd16(node);
        bool leaf = (rd16(node + 2) & 1) != 0;
        bool descended = false;
        for (std::uint16_t c = 0; c <= n; ++c) {
            std::uint32_t under = leaf ? 0 : rd32(node + countOffset(c));
            if (p < under) {
                path.stack_[path.depth_++] = VxTreeIterator::Frame{ref, c};
                ref = rd32(node + childOffset(c)) & ~1u;
                descended = true;
                break;
            }
            p -= under;
            if (c < n && !(rd32(node + childOffset(c + 1)) & 1)) {
                if (p == 0) {
                    path.stack_[path.depth_++] = VxTreeIterator::Frame{ref, c};
                    *found = true;
                    return VX_SUCCESS;
                }
                --p;
            }
        }
        if (!descended)
            return VX_SUCCESS;
    }
}

VxStatus VxPTree::addAtPos(std::uint32_t position, const void* data) {
    if (maxEntries_ < 2) {
        addError(1503);
        return VX_ERROR;
    }
    if (ensureRoot() != VX_SUCCESS)
        return VX_ERROR;
    VxTreeIterator path;
    if (pathForInsert(position > count_ ? count_ : position, path) != VX_SUCCESS)
        return VX_ERROR;
    iterator_.depth_ = 0;
    return insertAt(path, static_cast<const char*>(data));
}

VxStatus VxPTree::addHoleAtPos(std::uint32_t position) {
    char hole[VX_TMP_PAGE_SIZE] = {};
    return addAtPos(position, hole);
}

VxStatus VxPTree::deleteKeyAtPos(std::uint32_t position, bool* found) {
    VxTreeIterator path;
    if (pathToEntry(position, path, found) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found)
        return VX_SUCCESS;
    iterator_.depth_ = 0;
    return removeAt(path);
}

VxStatus VxPTree::getDataAtPos(std::uint32_t position, void* data, bool* found) {
    if (pathToEntry(position, iterator_, found) != VX_SUCCESS)
        return VX_ERROR;
    return *found ? readEntry(iterator_, nullptr, data) : VX_SUCCESS;
}

VxStatus VxPTree::changeDataAtPos(std::uint32_t position, const void* data, bool* found) {
    VxTreeIterator path;
    if (pathToEntry(position, path, found) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found)
        return VX_SUCCESS;
    char node[VX_TMP_PAGE_SIZE];
    const VxTreeIterator::Frame& top = path.stack_[path.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    std::memcpy(node + entryOffset(top.index), data, dataLength_);
    return writeNode(top.node, node);
}
