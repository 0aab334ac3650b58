// FlatInMemLookUp: a join's inner side through an in-memory index.
#include "flat/FlatInMemLookUp.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "flat/FlatInMemIndex.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "select/FlatDump.h"
#include "util/VxString.h"

FlatInMemLookUp::FlatInMemLookUp(FlatResultSetGlobalInfo* info, FlatResultSet* child, short keyType,
                                 std::uint32_t width)
    : FlatOneChildResultSet(info, child), inner_(info->getExprInfo()), outer_(info->getExprInfo()),
      keyType_(keyType), width_(width) {}

FlatInMemLookUp::~FlatInMemLookUp() {
    dropIndex();
}

VxStatus FlatInMemLookUp::setKey(const unsigned char* inner, std::size_t innerLength,
                                 const unsigned char* outer, std::size_t outerLength) {
    if (inner_.compile(inner, innerLength) != VX_SUCCESS ||
        outer_.compile(outer, outerLength) != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

FlatResultSet* FlatInMemLookUp::releaseChild() {
    FlatResultSet* child = child_;
    child_ = nullptr;
    return child;
}

namespace {

// Most bytes of keys and handles a lookup holds in memory.
std::atomic<std::size_t> copyLimit{FlatInMemLookUp::COPY_LIMIT};

} // namespace

void FlatInMemLookUp::setCopyLimit(std::size_t bytes) {
    copyLimit.store(bytes);
}

void FlatInMemLookUp::dropIndex() {
    delete range_;
    range_ = nullptr;
    delete index_; // owns its key part
    index_ = nullptr;
    key_ = nullptr;
    built_ = false;
    copied_ = false;
    std::vector<unsigned char>().swap(entries_);
    entryCount_ = 0;
    nextEntry_ = 0;
    rangeEnd_ = 0;
    ranges_.clear();
}

VxStatus FlatInMemLookUp::open() {
    dropIndex();
    return FlatResultSet::open();
}

VxStatus FlatInMemLookUp::close() {
    dropIndex();
    return FlatResultSet::close();
}

// Reads the child once. Its keys and handles are gathered in memory up to
// the copy limit and then put in key order (rows of equal keys in the
// child's order, as the index keeps them); a child with more goes into
// the index's tree instead, the rows gathered so far first.
VxStatus FlatInMemLookUp::build() {
    dropIndex();
    index_ = new FlatInMemIndex(child_->getRowHandleSize());
    key_ = new FlatInMemIndexKey(index_, 0, keyType_, width_, info_->getExprInfo());
    if (index_->addKey(key_) != VX_SUCCESS || index_->initialize() != VX_SUCCESS)
        return VX_ERROR;
    keyBuffer_.assign(index_->getKeyLength(), 0);
    handle_.assign(child_->getRowHandleSize(), 0);
    entrySize_ = keyBuffer_.size() + handle_.size();
    const std::size_t limit = copyLimit.load();
    copied_ = entrySize_ > 0 && entrySize_ <= limit;
    FlatDataValue value;
    bool eof = false;
    if (child_->fetchFirst(&eof) != VX_SUCCESS)
        return VX_ERROR;
    while (!eof) {
        if (info_->checkAbort() != VX_SUCCESS || inner_.evaluate(&value) != VX_SUCCESS ||
            key_->convertValueToNative(&value, keyBuffer_.data()) != VX_SUCCESS ||
            child_->getRowHandle(handle_.data()) != VX_SUCCESS)
            return VX_ERROR;
        if (copied_ && entries_.size() + entrySize_ > limit && spillToIndex() != VX_SUCCESS)
            return VX_ERROR;
        if (copied_) {
            entries_.insert(entries_.end(), keyBuffer_.begin(), keyBuffer_.end());
            entries_.insert(entries_.end(), handle_.begin(), handle_.end());
        } else if (index_->addRow(keyBuffer_.data(), handle_.data()) != VX_SUCCESS) {
            return VX_ERROR;
        }
        if (child_->fetchNext(&eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (copied_)
        sortEntries();
    built_ = true;
    return VX_SUCCESS;
}

// The rows gathered so far go into the index's tree, in the child's order.
VxStatus FlatInMemLookUp::spillToIndex() {
    copied_ = false;
    const std::size_t keyLength = keyBuffer_.size();
    for (std::size_t at = 0; at + entrySize_ <= entries_.size(); at += entrySize_)
        if (index_->addRow(entries_.data() + at, entries_.data() + at + keyLength) != VX_SUCCESS)
            return VX_ERROR;
    std::vector<unsigned char>().swap(entries_);
    return VX_SUCCESS;
}

void FlatInMemLookUp::sortEntries() {
    entryCount_ = entries_.size() / entrySize_;
    std::vector<std::uint32_t> order(entryCount_);
    for (std::size_t i = 0; i < entryCount_; ++i)
        order[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) {
        return key_->compareNativeToNative(entryAt(a), entryAt(b)) < 0;
    });
    std::vector<unsigned char> sorted(entries_.size());
    for (std::size_t i = 0; i < entryCount_; ++i)
        std::memcpy(sorted.data() + i * entrySize_, entryAt(order[i]), entrySize_);
    entries_.swap(sorted);
}

VxStatus FlatInMemLookUp::fetchFirst(bool* eof) {
    *eof = true;
    if (!built_ && build() != VX_SUCCESS)
        return VX_ERROR;
    if (outer_.evaluate(&probe_) != VX_SUCCESS)
        return VX_ERROR;
    // NULL equals nothing.
    if (probe_.isNull()) {
        nextEntry_ = rangeEnd_ = 0;
        return VX_SUCCESS;
    }
    if (copied_) {
        if (key_->convertValueToNative(&probe_, keyBuffer_.data()) != VX_SUCCESS)
            return VX_ERROR;
        findRange();
        return advance(eof);
    }
    // The range of the keys equal to the probe.
    if (!range_) {
        range_ = new FlatIndexRange(index_);
        range_->addBounds();
    }
    if (range_->getBounds(0)->lower.setValue(FlatLimitOp::EQUAL, probe_) != VX_SUCCESS ||
        range_->evaluate(false) != VX_SUCCESS || index_->openRange(range_) != VX_SUCCESS)
        return VX_ERROR;
    return advance(eof);
}

// The entries whose key equals the probe's (in keyBuffer_): searched in
// memory once per distinct key bytes, then taken from ranges_.
void FlatInMemLookUp::findRange() {
    probeBytes_.assign(reinterpret_cast<const char*>(keyBuffer_.data()), keyBuffer_.size());
    auto known = ranges_.find(probeBytes_);
    if (known != ranges_.end()) {
        nextEntry_ = known->second.first;
        rangeEnd_ = known->second.second;
        return;
    }
    // The first entry whose key is not below the probe's.
    std::size_t low = 0;
    std::size_t high = entryCount_;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (key_->compareNativeToNative(entryAt(middle), keyBuffer_.data()) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    std::size_t end = low;
    while (end < entryCount_ && key_->compareNativeToNative(entryAt(end), keyBuffer_.data()) == 0)
        ++end;
    nextEntry_ = low;
    rangeEnd_ = end;
    // Only keys that find rows are remembered: there are at most as many
    // of them as entries, whatever the outer side probes with.
    if (end > low && ranges_.size() < entryCount_)
        ranges_.emplace(probeBytes_, std::make_pair(low, end));
}

VxStatus FlatInMemLookUp::nextHandle(bool* end) {
    if (!copied_)
        return index_->nextInRange(keyBuffer_.data(), handle_.data(), end);
    *end = true;
    if (nextEntry_ >= rangeEnd_)
        return VX_SUCCESS;
    std::memcpy(handle_.data(), entryAt(nextEntry_) + keyBuffer_.size(), handle_.size());
    ++nextEntry_;
    *end = false;
    return VX_SUCCESS;
}

VxStatus FlatInMemLookUp::fetchNext(bool* eof) {
    *eof = true;
    if (!built_ || probe_.isNull())
        return VX_SUCCESS;
    return advance(eof);
}

VxStatus FlatInMemLookUp::advance(bool* eof) {
    for (;;) {
        bool end = true;
        if (nextHandle(&end) != VX_SUCCESS)
            return VX_ERROR;
        if (end) {
            *eof = true;
            return VX_SUCCESS;
        }
        std::uint16_t status = FLAT_ROW_NONE;
        if (child_->fetchByRowHandle(handle_.data(), &status) != VX_SUCCESS)
            return VX_ERROR;
        if (status != FLAT_ROW_FOUND)
            continue;
        bool passes = false;
        if (filter_.evaluate(&passes) != VX_SUCCESS)
            return VX_ERROR;
        if (passes) {
            *eof = false;
            return VX_SUCCESS;
        }
    }
}

VxStatus FlatInMemLookUp::dumpParts(VxString* out, unsigned indent) {
    if (flatDumpLine(out, indent, "Index Expressions :") != VX_SUCCESS)
        return VX_ERROR;
    if (!filter_.isEmpty() && flatDumpLine(out, indent, "Filter:") != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

// The child is read completely once per execution; every probe then
// repositions it on the rows of its range.
void FlatInMemLookUp::setExeProfile(const FlatQueryExeProfile& profile) {
    profile_ = profile;
    cost_ = FlatQueryCost{};
    std::uint64_t repositions =
        static_cast<std::uint64_t>(profile.numFetchAll) * getNumRows() + profile.numReposition;
    FlatQueryExeProfile child{profile.numExecution, profile.numExecution,
                              repositions > 0xFFFFFFFFu ? 0xFFFFFFFFu
                                                        : static_cast<std::uint32_t>(repositions)};
    child_->setExeProfile(child);
}

void FlatInMemLookUp::computeCost() {
    std::uint32_t rows = child_->getNumRows();
    FlatQueryCost cost;
    cost.numRows = flatDividedRows(rows, flatConditionListDivisor(filter_));
    cost.execution = child_->getFetchAllCost() + child_->getExecutionCost();
    // One range: an equality on the key.
    cost.fetchAll = child_->getRepositionCost() *
                    static_cast<float>(flatDividedRows(rows, flatComparisonFactor(FLAT_OP_EQ)));
    cost.reposition = child_->getRepositionCost();
    cost_ = cost;
}
