// VxTree: lookups, adding, deleting and walking by key.
#include "util/VxTree.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/ram.h"

namespace {

constexpr std::uint32_t TREE_CACHE_SIZE = 65536;
constexpr std::uint32_t NODE_ROOM = 2036;
constexpr std::uint16_t NODE_ENTRY_LIMIT = 49;

} // namespace

VxTree::VxTree(std::uint16_t keyLength, std::uint16_t dataLength, VxTreeCompare keyCompare,
               unsigned options)
    : keyLength_(keyLength), dataLength_(dataLength), compare_(keyCompare), options_(options),
      store_(TREE_CACHE_SIZE) {
    setLayout();
    iterator_.initialize(this);
}

namespace {
int positionalCompare(const void*, const void*, std::uint16_t) {
    return 0;
}
} // namespace

VxTree::VxTree(std::uint16_t dataLength, bool counted)
    : keyLength_(0), dataLength_(dataLength), compare_(positionalCompare), options_(0),
      counted_(counted), store_(TREE_CACHE_SIZE) {
    setLayout();
    iterator_.initialize(this);
}

VxTree::~VxTree() = default;

void VxTree::setLayout() {
    std::uint32_t size = keyLength_ + dataLength_ + 4u + (counted_ ? 4u : 0u) +
                         ((options_ & VX_TREE_EXTRA_BYTE) ? 1u : 0u);
    size = (size + 3) & ~3u;
    entrySize_ = static_cast<std::uint16_t>(size > 0xFFFF ? 0xFFFF : size);
    std::uint32_t fit = NODE_ROOM / size;
    maxEntries_ = static_cast<std::uint16_t>(fit < NODE_ENTRY_LIMIT ? fit : NODE_ENTRY_LIMIT);
}

VxStatus VxTree::reset() {
    root_ = 0;
    count_ = 0;
    iterator_.depth_ = 0;
    return store_.tmpTruncate(false);
}

// Positions `it` at the first entry, marked or not, whose key is not below
// `key`; unpositioned when there is none.
VxStatus VxTree::seekLowerBound(const void* key, VxTreeIterator& it) {
    it.tree_ = this;
    it.depth_ = 0;
    if (root_ == 0)
        return VX_SUCCESS;
    char node[VX_TMP_PAGE_SIZE];
    std::uint32_t ref = root_;
    for (;;) {
        if (it.depth_ == VX_TREE_MAX_DEPTH || readNode(ref, node) != VX_SUCCESS)
            return it.depth_ == VX_TREE_MAX_DEPTH ? (addError(1503), VX_ERROR) : VX_ERROR;
        std::uint16_t n = 0;
        std::memcpy(&n, node, 2);
        std::uint16_t low = 0;
        std::uint16_t high = n;
        while (low < high) {
            std::uint16_t mid = (low + high) / 2;
            if (compare_(node + entryOffset(mid), key, keyLength_) < 0)
                low = mid + 1;
            else
                high = mid;
        }
        it.stack_[it.depth_++] = VxTreeIterator::Frame{ref, low};
        std::uint16_t flags;
        std::memcpy(&flags, node + 2, 2);
        if (!(flags & 1)) {
            std::memcpy(&ref, node + childOffset(low), 4);
            ref &= ~1u;
            continue;
        }
        if (low < n)
            return VX_SUCCESS;
        // Past the leaf's end: the bound is the first ancestor entry to the right.
        while (--it.depth_ > 0) {
            const VxTreeIterator::Frame& up = it.stack_[it.depth_ - 1];
            if (readNode(up.node, node) != VX_SUCCESS)
                return VX_ERROR;
            std::memcpy(&n, node, 2);
            if (up.index < n)
                return VX_SUCCESS;
        }
        return VX_SUCCESS;
    }
}

// Positions `it` at the live entry of `key` (with equal data when `data` is
// given and the tree takes duplicates).
VxStatus VxTree::findEntry(const void* key, const void* data, VxTreeIterator& it, bool* found) {
    *found = false;
    if (seekLowerBound(key, it) != VX_SUCCESS)
        return VX_ERROR;
    char* entry = static_cast<char*>(ramAlloc(keyLength_ + dataLength_ + 1u));
    if (!entry)
        return VX_ERROR;
    VxStatus status = VX_SUCCESS;
    for (;;) {
        bool live;
        if ((status = skipDeleted(it, true, &live)) != VX_SUCCESS || !live)
            break;
        if ((status = readEntry(it, entry, entry + keyLength_)) != VX_SUCCESS)
            break;
        if (compare_(entry, key, keyLength_) != 0)
            break;
        if (!data || !(options_ & VX_TREE_DUPLICATES) ||
            std::memcmp(entry + keyLength_, data, dataLength_) == 0) {
            *found = true;
            break;
        }
        bool atEnd;
        if ((status = stepNext(it, &atEnd)) != VX_SUCCESS || atEnd)
            break;
    }
    ramFree(entry);
    if (!*found)
        it.depth_ = 0;
    return status;
}

VxStatus VxTree::add(const void* key, const void* data, bool* found) {
    *found = false;
    if (maxEntries_ < 2) {
        addError(1503);
        return VX_ERROR;
    }
    if (ensureRoot() != VX_SUCCESS)
        return VX_ERROR;
    VxTreeIterator path;
    if (findEntry(key, nullptr, path, found) != VX_SUCCESS)
        return VX_ERROR;
    if (*found && !(options_ & VX_TREE_DUPLICATES)) {
        iterator_ = path;
        return VX_SUCCESS;
    }
    // When no live entry has the key, a marked entry of the same key takes
    // the new one in its place (with duplicates, a new entry goes after the
    // live equal ones instead).
    if (seekLowerBound(key, path) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found && path.depth_ > 0) {
        bool deleted;
        char node[VX_TMP_PAGE_SIZE];
        const VxTreeIterator::Frame& top = path.stack_[path.depth_ - 1];
        if (isDeletedAt(path, &deleted) != VX_SUCCESS || readNode(top.node, node) != VX_SUCCESS)
            return VX_ERROR;
        char* entry = node + entryOffset(top.index);
        if (deleted && compare_(entry, key, keyLength_) == 0) {
            // The slot takes the key bytes too: keys that compare equal may
            // still differ (a case-insensitive comparison, for one).
            std::memcpy(entry, key, keyLength_);
            std::memcpy(entry + keyLength_, data, dataLength_);
            char* link = entry + keyLength_ + dataLength_;
            std::uint32_t ref;
            std::memcpy(&ref, link, 4);
            ref &= ~1u;
            std::memcpy(link, &ref, 4);
            if (writeNode(top.node, node) != VX_SUCCESS)
                return VX_ERROR;
            ++count_;
            return VX_SUCCESS;
        }
    }
    // Descend to the leaf, after every equal key.
    path.depth_ = 0;
    char node[VX_TMP_PAGE_SIZE];
    std::uint32_t ref = root_;
    for (;;) {
        if (path.depth_ == VX_TREE_MAX_DEPTH || readNode(ref, node) != VX_SUCCESS)
            return path.depth_ == VX_TREE_MAX_DEPTH ? (addError(1503), VX_ERROR) : VX_ERROR;
        std::uint16_t n;
        std::memcpy(&n, node, 2);
        std::uint16_t low = 0;
        std::uint16_t high = n;
        while (low < high) {
            std::uint16_t mid = (low + high) / 2;
            if (compare_(node + entryOffset(mid), key, keyLength_) <= 0)
                low = mid + 1;
            else
                high = mid;
        }
        path.stack_[path.depth_++] = VxTreeIterator::Frame{ref, low};
        std::uint16_t flags;
        std::memcpy(&flags, node + 2, 2);
        if (flags & 1)
            break;
        std::memcpy(&ref, node + childOffset(low), 4);
        ref &= ~1u;
    }
    char entry[VX_TMP_PAGE_SIZE];
    std::memcpy(entry, key, keyLength_);
    std::memcpy(entry + keyLength_, data, dataLength_);
    iterator_.depth_ = 0;
    return insertAt(path, entry);
}

VxStatus VxTree::deleteKeyAndData(const void* key, const void* data, bool* found) {
    VxTreeIterator path;
    if (findEntry(key, data, path, found) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found)
        return VX_SUCCESS;
    iterator_.depth_ = 0;
    return removeAt(path);
}

VxStatus VxTree::getData(const void* key, void* data, bool* found, VxTreeIterator* it) {
    VxTreeIterator& where = pick(it);
    if (findEntry(key, nullptr, where, found) != VX_SUCCESS)
        return VX_ERROR;
    return *found && data ? readEntry(where, nullptr, data) : VX_SUCCESS;
}

VxStatus VxTree::changeData(const void* key, const void* data, bool* found) {
    bool present;
    VxTreeIterator path;
    if (findEntry(key, nullptr, path, &present) != VX_SUCCESS)
        return VX_ERROR;
    if (found)
        *found = present;
    if (!present)
        return VX_SUCCESS;
    char node[VX_TMP_PAGE_SIZE];
    const VxTreeIterator::Frame& top = path.stack_[path.depth_ - 1];
    if (readNode(top.node, node) != VX_SUCCESS)
        return VX_ERROR;
    std::memcpy(node + entryOffset(top.index) + keyLength_, data, dataLength_);
    return writeNode(top.node, node);
}

VxStatus VxTree::changeKey(const void* oldKey, const void* newKey, bool* found, bool* newKeyTaken) {
    bool present;
    bool taken = false;
    VxTreeIterator path;
    if (!(options_ & VX_TREE_DUPLICATES) && compare_(oldKey, newKey, keyLength_) != 0 &&
        findEntry(newKey, nullptr, path, &taken) != VX_SUCCESS)
        return VX_ERROR;
    if (newKeyTaken)
        *newKeyTaken = taken;
    if (findEntry(oldKey, nullptr, path, &present) != VX_SUCCESS)
        return VX_ERROR;
    if (found)
        *found = present;
    if (!present || taken)
        return VX_SUCCESS;
    char* data = static_cast<char*>(ramAlloc(dataLength_ + 1u));
    if (!data)
        return VX_ERROR;
    bool again;
    VxStatus status = readEntry(path, nullptr, data);
    if (status == VX_SUCCESS)
        status = removeAt(path);
    if (status == VX_SUCCESS)
        status = add(newKey, data, &again);
    ramFree(data);
    return status;
}

VxStatus VxTree::doesExist(const void* key, bool* found) {
    VxTreeIterator path;
    return findEntry(key, nullptr, path, found);
}

VxStatus VxTree::getFirst(void* key, void* data, bool* found, VxTreeIterator* it) {
    VxTreeIterator& where = pick(it);
    where.tree_ = this;
    where.depth_ = 0;
    return getNext(key, data, found, &where);
}

VxStatus VxTree::getLast(void* key, void* data, bool* found, VxTreeIterator* it) {
    VxTreeIterator& where = pick(it);
    where.tree_ = this;
    where.depth_ = 0;
    return getPrevious(key, data, found, &where);
}

VxStatus VxTree::getNext(void* key, void* data, bool* found, VxTreeIterator* it) {
    VxTreeIterator& where = pick(it);
    *found = false;
    bool atEnd;
    if (stepNext(where, &atEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (atEnd || skipDeleted(where, true, found) != VX_SUCCESS)
        return atEnd ? VX_SUCCESS : VX_ERROR;
    return *found ? readEntry(where, key, data) : VX_SUCCESS;
}

VxStatus VxTree::getPrevious(void* key, void* data, bool* found, VxTreeIterator* it) {
    VxTreeIterator& where = pick(it);
    *found = false;
    bool atEnd;
    if (stepPrevious(where, &atEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (atEnd || skipDeleted(where, false, found) != VX_SUCCESS)
        return atEnd ? VX_SUCCESS : VX_ERROR;
    return *found ? readEntry(where, key, data) : VX_SUCCESS;
}
