// FlatInMemLookUp: a join's inner side through an in-memory index.
#include "flat/FlatInMemLookUp.h"

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

void FlatInMemLookUp::dropIndex() {
    delete index_; // owns its key part
    index_ = nullptr;
    key_ = nullptr;
    built_ = false;
}

VxStatus FlatInMemLookUp::open() {
    dropIndex();
    return FlatResultSet::open();
}

VxStatus FlatInMemLookUp::close() {
    dropIndex();
    return FlatResultSet::close();
}

VxStatus FlatInMemLookUp::build() {
    dropIndex();
    index_ = new FlatInMemIndex(child_->getRowHandleSize());
    key_ = new FlatInMemIndexKey(index_, 0, keyType_, width_, info_->getExprInfo());
    if (index_->addKey(key_) != VX_SUCCESS || index_->initialize() != VX_SUCCESS)
        return VX_ERROR;
    keyBuffer_.assign(index_->getKeyLength(), 0);
    handle_.assign(child_->getRowHandleSize(), 0);
    FlatDataValue value;
    bool eof = false;
    if (child_->fetchFirst(&eof) != VX_SUCCESS)
        return VX_ERROR;
    while (!eof) {
        if (info_->checkAbort() != VX_SUCCESS || inner_.evaluate(&value) != VX_SUCCESS ||
            key_->convertValueToNative(&value, keyBuffer_.data()) != VX_SUCCESS ||
            child_->getRowHandle(handle_.data()) != VX_SUCCESS ||
            index_->addRow(keyBuffer_.data(), handle_.data()) != VX_SUCCESS ||
            child_->fetchNext(&eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    built_ = true;
    return VX_SUCCESS;
}

VxStatus FlatInMemLookUp::fetchFirst(bool* eof) {
    *eof = true;
    if (!built_ && build() != VX_SUCCESS)
        return VX_ERROR;
    if (outer_.evaluate(&probe_) != VX_SUCCESS)
        return VX_ERROR;
    // NULL equals nothing.
    if (probe_.isNull())
        return VX_SUCCESS;
    // The index reads the range's limits while the range is read.
    equal_ = FlatIndexLimit{FlatLimitOp::EQUAL, &probe_};
    if (index_->openRange(FlatIndexRange{index_, &equal_, &equal_}) != VX_SUCCESS)
        return VX_ERROR;
    return advance(eof);
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
        if (index_->nextInRange(keyBuffer_.data(), handle_.data(), &end) != VX_SUCCESS)
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
