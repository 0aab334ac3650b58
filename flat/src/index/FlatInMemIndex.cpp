// FlatInMemIndex: an in-memory index over result rows, and its key parts.
#include "flat/FlatInMemIndex.h"

#include <sqlext.h>

#include <cstring>
#include <new>

#include "base/BaseErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatSortKeys.h"
#include "util/VxError.h"
#include "util/VxTree.h"
#include "util/str.h"

namespace {

// The tree's comparison has no argument for the index: the index whose
// tree is being worked on is noted here for the length of each operation.
thread_local FlatInMemIndex* treeIndex = nullptr;

class TreeScope {
public:
    explicit TreeScope(FlatInMemIndex* index) : previous_(treeIndex) { treeIndex = index; }
    ~TreeScope() { treeIndex = previous_; }
    TreeScope(const TreeScope&) = delete;
    TreeScope& operator=(const TreeScope&) = delete;

private:
    FlatInMemIndex* previous_;
};

int treeCompare(const void* a, const void* b, std::uint16_t) {
    return FlatInMemIndex::inMemIndexCompare(treeIndex, static_cast<const unsigned char*>(a),
                                             static_cast<const unsigned char*>(b));
}

// A comparison result of the sort slots (2 stands for a failed one).
int sign(int c) {
    return c == 2 ? 0 : (c < 0 ? -1 : (c > 0 ? 1 : 0));
}

} // namespace

FlatInMemIndexKey::FlatInMemIndexKey(FlatIndex* owner, std::uint16_t field, short sqlType,
                                     std::uint32_t width, FlatOpStreamGlobalInfo* info)
    : FlatIndexKey(owner, field, 0, static_cast<std::uint16_t>(FLAT_SORT_KEY_HEADER + width),
                   sqlType, width, 0),
      width_(width), info_(info) {}

VxStatus FlatInMemIndexKey::convertValueToNative(const FlatDataValue* value, unsigned char* out) {
    std::memset(out, 0, length_);
    if (value)
        FlatSortKeys::writeSlot(*value, sqlType_, width_, out);
    return VX_SUCCESS;
}

int FlatInMemIndexKey::compareNativeToNative(const unsigned char* a, const unsigned char* b) {
    return sign(FlatSortKeys::compareSlots(info_, a, b));
}

// Under international sort order a LIKE limit gives no range: every key
// is taken (the query's filter still decides).
bool FlatInMemIndexKey::isNativeLikePattern(const unsigned char* key, const char* pattern) {
    if (info_ && info_->isIntlSort())
        return true;
    if (key[0] == 0 || !pattern)
        return false;
    FlatDataValue value;
    FlatSortKeys::readSlot(key, &value);
    if (value.getStorageType() != INTERNAL_CHAR)
        return false;
    return strLike(static_cast<const char*>(value.getValueBuffer()), value.getLength(), pattern,
                   std::strlen(pattern), '%', '_', '\\', true, false);
}

bool FlatInMemIndexKey::likePrefix(const FlatIndexLimit* limit, std::vector<char>* prefix) const {
    prefix->clear();
    if (info_ && info_->isIntlSort())
        return false;
    const FlatDataValue* value = limit->getValue();
    if (!value || value->isNull())
        return true;
    const char* text = static_cast<const char*>(value->getValueBuffer());
    const std::uint32_t length = value->getLength();
    for (std::uint32_t i = 0; i < length && prefix->size() < width_; ++i) {
        char c = text[i];
        if (c == '%' || c == '_')
            break;
        if (c == '\\' && i + 1 < length)
            c = text[++i];
        prefix->push_back(c);
    }
    return true;
}

VxStatus FlatInMemIndexKey::generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                             const FlatIndexLimit*) {
    std::memset(out, 0, length_);
    if (!lower)
        return VX_SUCCESS;
    if (lower->getOp() != FlatLimitOp::LIKE) {
        std::memcpy(out, lower->getNative(), length_);
        return VX_SUCCESS;
    }
    std::vector<char> prefix;
    if (!likePrefix(lower, &prefix))
        return VX_SUCCESS;
    FlatDataValue start;
    if (start.setValueCopy(prefix.data(), static_cast<std::uint32_t>(prefix.size()),
                           INTERNAL_CHAR) != VX_SUCCESS)
        return VX_ERROR;
    return convertValueToNative(&start, out);
}

int FlatInMemIndexKey::compareToEndKey(const unsigned char* key, const FlatIndexLimit*,
                                       const FlatIndexLimit* upper) {
    if (!upper)
        return -1;
    if (upper->getOp() == FlatLimitOp::LIKE) {
        std::vector<char> prefix;
        if (!likePrefix(upper, &prefix))
            return -1;
        if (key[0] == 0)
            return prefix.empty() ? -1 : 1;
        FlatDataValue value;
        FlatSortKeys::readSlot(key, &value);
        if (value.getLength() < prefix.size() ||
            (!prefix.empty() && std::memcmp(value.getValueBuffer(), prefix.data(), prefix.size())))
            return 1;
        return -1;
    }
    const int c = compareNativeToNative(key, upper->getNative());
    return c == 0 && upper->getOp() == FlatLimitOp::LESS ? 1 : c;
}

FlatInMemIndex::FlatInMemIndex(std::uint16_t handleSize) : handleSize_(handleSize) {}

FlatInMemIndex::~FlatInMemIndex() {
    delete iterator_;
    delete tree_;
}

VxStatus FlatInMemIndex::initialize() {
    delete iterator_;
    delete tree_;
    tree_ = new VxTree(static_cast<std::uint16_t>(getKeyLength()), handleSize_, treeCompare,
                       VX_TREE_DUPLICATES);
    iterator_ = new VxTreeIterator();
    if (!tree_ || !iterator_)
        return VX_ERROR;
    iterator_->initialize(tree_);
    return VX_SUCCESS;
}

VxStatus FlatInMemIndex::addRow(const unsigned char* key, const unsigned char* handle) {
    TreeScope scope(this);
    bool found = false;
    return tree_->add(key, handle, &found);
}

std::uint32_t FlatInMemIndex::getRowCount() const {
    return tree_ ? tree_->getCount() : 0;
}

int FlatInMemIndex::inMemIndexCompare(FlatInMemIndex* index, const unsigned char* a,
                                      const unsigned char* b) {
    return index->compareFullKeys(a, b);
}

VxStatus FlatInMemIndex::openRange(FlatIndexRange* range) {
    range_ = range;
    started_ = false;
    ended_ = range->isEmpty();
    iterator_->initialize(tree_);
    return ended_ ? VX_SUCCESS : range->generateStartKey();
}

bool FlatInMemIndex::seeksEqual() const {
    if (getKeyCount() != 1 || range_->getBoundsCount() == 0)
        return false;
    const FlatIndexLimit& lower = range_->getBounds(0)->lower;
    return lower.isActive() && lower.getOp() == FlatLimitOp::EQUAL;
}

// Keys are walked in order from the first (from the first equal key for an
// equality on a one-part key), those before the start key passed over,
// while the range says to go on.
VxStatus FlatInMemIndex::nextInRange(unsigned char* key, unsigned char* handle, bool* end) {
    TreeScope scope(this);
    *end = true;
    while (!ended_) {
        bool found = false;
        VxStatus status = VX_SUCCESS;
        if (started_) {
            status = tree_->getNext(key, handle, &found, iterator_);
        } else if (seeksEqual()) {
            // An equality on a one-part key: straight to the first equal
            // key, whose bytes are those of the start key for the range test.
            status = tree_->getData(range_->getStartKey(), handle, &found, iterator_);
            if (found)
                std::memcpy(key, range_->getStartKey(), getKeyLength());
        } else {
            status = tree_->getFirst(key, handle, &found, iterator_);
        }
        if (status != VX_SUCCESS)
            return VX_ERROR;
        started_ = true;
        if (!found) {
            ended_ = true;
            break;
        }
        // Keys before the start key are passed over: the walk seeks it.
        if (compareFullKeys(key, range_->getStartKey()) < 0)
            continue;
        bool more = true;
        if (range_->checkKeySatisfiesBounds(key, &more)) {
            *end = false;
            return VX_SUCCESS;
        }
        if (!more)
            ended_ = true;
    }
    return VX_SUCCESS;
}
