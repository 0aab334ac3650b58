// FlatGroupBy: building the group rows and reading their aggregates.
#include "flat/FlatGroupBy.h"

#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "select/FlatDump.h"
#include "select/FlatKeyTable.h"
#include "util/VxSort.h"
#include "util/VxTmpFile.h"
#include "util/ram.h"

namespace {

constexpr std::uint32_t GROUP_FILE_CACHE = 32768;
// Accumulator: count (double), sum (double), then the MIN / MAX value.
constexpr std::uint32_t ACC_COUNT = 0;
constexpr std::uint32_t ACC_SUM = 8;
constexpr std::uint32_t ACC_VALUE = 16;

double readDouble(const unsigned char* p) {
    double d = 0;
    std::memcpy(&d, p, sizeof d);
    return d;
}

void writeDouble(unsigned char* p, double d) {
    std::memcpy(p, &d, sizeof d);
}

bool usesValue(FlatAggregateKind kind) {
    return kind == FLAT_AGG_MIN || kind == FLAT_AGG_MAX;
}

} // namespace

FlatGroupBy::FlatGroupBy(FlatResultSetGlobalInfo* info, FlatResultSet* child)
    : FlatOneChildResultSet(info, child), groupKeys_(info->getExprInfo()),
      arguments_(info->getExprInfo()) {
    info->getExprInfo()->setAggregateSource(this);
}

FlatGroupBy::~FlatGroupBy() {
    if (info_->getExprInfo()->getAggregateSource() == this)
        info_->getExprInfo()->setAggregateSource(nullptr);
    for (std::uint16_t i = 0; i < aggregateCount_; ++i)
        ramFree(aggregates_[i].ops);
    ramFree(aggregates_);
    ramFree(keyCompares_);
    reset();
}

FlatResultSet* FlatGroupBy::releaseChild() {
    FlatResultSet* child = child_;
    child_ = nullptr;
    return child;
}

void FlatGroupBy::reset() {
    ramFree(groupFirst_);
    ramFree(groupRow_);
    ramFree(current_);
    groupFirst_ = groupRow_ = current_ = nullptr;
    delete file_;
    file_ = nullptr;
    rows_ = 0;
    currentRow_ = 0;
    built_ = false;
    inGroup_ = false;
    nullRow_ = false;
}

bool FlatGroupBy::isGroupKey(const unsigned char* ops, std::size_t length) const {
    for (std::uint16_t i = 0; i < groupKeys_.getCount(); ++i) {
        const FlatOpStream* key = groupKeys_.getStream(i);
        if (key->getLength() == length && std::memcmp(key->getOps(), ops, length) == 0)
            return true;
    }
    return false;
}

VxStatus FlatGroupBy::addAggregate(FlatAggregateKind kind, bool distinct, const unsigned char* ops,
                                   std::size_t length, short argType, std::uint32_t argLength,
                                   std::uint16_t* column) {
    if (usesValue(kind))
        distinct = false; // the same extremes either way
    for (std::uint16_t i = 0; i < aggregateCount_; ++i) {
        const Aggregate& a = aggregates_[i];
        if (a.kind == kind && a.distinct == distinct && a.length == length &&
            (length == 0 || std::memcmp(a.ops, ops, length) == 0)) {
            *column = i;
            return VX_SUCCESS;
        }
    }
    if (ramResizeArray(&aggregates_, aggregateCount_ + 1u) != VX_SUCCESS)
        return VX_ERROR;
    Aggregate& a = aggregates_[aggregateCount_];
    a = Aggregate{kind, distinct, 0, 0, 0, nullptr, length};
    if (kind != FLAT_AGG_COUNT_STAR) {
        a.ops = static_cast<unsigned char*>(ramAlloc(length ? length : 1));
        if (!a.ops)
            return VX_ERROR;
        std::memcpy(a.ops, ops, length);
        auto* stream = new FlatOpStream(info_->getExprInfo());
        if (stream->compile(ops, length) != VX_SUCCESS) {
            delete stream;
            ramFree(a.ops);
            return VX_ERROR;
        }
        a.argument = arguments_.getCount();
        if (arguments_.add(stream, argType, argLength, false) != VX_SUCCESS) {
            ramFree(a.ops);
            return VX_ERROR;
        }
    }
    hasDistinct_ = hasDistinct_ || distinct;
    *column = aggregateCount_++;
    return VX_SUCCESS;
}

int FlatGroupBy::compareKey(void* context, const void* a, const void* b) {
    auto* key = static_cast<KeyCompare*>(context);
    int c = FlatSortKeys::compareSlots(key->self->info_->getExprInfo(),
                                       static_cast<const unsigned char*>(a),
                                       static_cast<const unsigned char*>(b));
    if (c == 2) {
        key->self->groupKeys_.setFailed();
        return 0;
    }
    return c;
}

VxStatus FlatGroupBy::prepareLayout() {
    reset(); // what a failed earlier attempt left
    handleSize_ = child_->getRowHandleSize();
    recordLength_ = groupKeys_.getBytes() + arguments_.getBytes() + handleSize_;
    if (recordLength_ > VX_SORT_MAX_RECORD) {
        addFlatError(3951);
        return VX_ERROR;
    }
    rowLength_ = 1 + handleSize_;
    for (std::uint16_t i = 0; i < aggregateCount_; ++i) {
        Aggregate& a = aggregates_[i];
        a.offset = rowLength_;
        rowLength_ += ACC_VALUE;
        if (usesValue(a.kind))
            rowLength_ += arguments_.getSize(a.argument);
    }
    groupFirst_ = static_cast<unsigned char*>(ramAllocZ(recordLength_ ? recordLength_ : 1));
    groupRow_ = static_cast<unsigned char*>(ramAllocZ(rowLength_));
    current_ = static_cast<unsigned char*>(ramAllocZ(rowLength_));
    if (!groupFirst_ || !groupRow_ || !current_)
        return VX_ERROR;
    file_ = new VxTmpFile(GROUP_FILE_CACHE);
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::startGroup(const unsigned char* record) {
    std::memcpy(groupFirst_, record, recordLength_);
    std::memset(groupRow_, 0, rowLength_);
    groupRow_[0] = 1;
    std::memcpy(groupRow_ + 1, record + recordLength_ - handleSize_, handleSize_);
    inGroup_ = true;
    return VX_SUCCESS;
}

const unsigned char* FlatGroupBy::argumentSlot(const Aggregate& a,
                                               const unsigned char* record) const {
    if (a.kind == FLAT_AGG_COUNT_STAR)
        return nullptr;
    return record + groupKeys_.getBytes() + arguments_.getOffset(a.argument);
}

void FlatGroupBy::accumulate(Aggregate& a, const unsigned char* slot, unsigned char* row) {
    unsigned char* acc = row + a.offset;
    if (a.kind == FLAT_AGG_COUNT_STAR) {
        writeDouble(acc + ACC_COUNT, readDouble(acc + ACC_COUNT) + 1);
        return;
    }
    if (slot[0] == 0)
        return; // NULL arguments are left out
    double count = readDouble(acc + ACC_COUNT);
    if (a.kind == FLAT_AGG_SUM || a.kind == FLAT_AGG_AVG) {
        FlatDataValue value;
        FlatSortKeys::readSlot(slot, &value);
        double number = 0;
        if (value.getStorageType() == INTERNAL_DOUBLE && value.getLength() >= sizeof number)
            std::memcpy(&number, value.getValueBuffer(), sizeof number);
        writeDouble(acc + ACC_SUM, readDouble(acc + ACC_SUM) + number);
    } else if (usesValue(a.kind)) {
        unsigned char* kept = acc + ACC_VALUE;
        int c = count == 0 ? 0 : FlatSortKeys::compareSlots(info_->getExprInfo(), slot, kept);
        if (c == 2)
            groupKeys_.setFailed();
        else if (count == 0 || (a.kind == FLAT_AGG_MIN ? c < 0 : c > 0))
            std::memcpy(kept, slot, arguments_.getSize(a.argument));
    }
    writeDouble(acc + ACC_COUNT, count + 1);
}

VxStatus FlatGroupBy::makeCurrent(const unsigned char* row, std::uint16_t* status) {
    std::memcpy(current_, row, rowLength_);
    *status = FLAT_ROW_FOUND;
    // Aggregate references read the group operator whose row was made
    // current last (each SELECT of a union may have its own).
    info_->getExprInfo()->setAggregateSource(this);
    nullRow_ = row[0] == 0;
    child_->setNullRow(nullRow_);
    if (nullRow_)
        return VX_SUCCESS;
    return child_->fetchByRowHandle(row + 1, status);
}

VxStatus FlatGroupBy::finishGroup(VxSort* sort) {
    inGroup_ = false;
    for (std::uint16_t i = 0; sort && i < aggregateCount_; ++i) {
        Aggregate& a = aggregates_[i];
        if (!a.distinct)
            continue;
        // The group's records again, by this argument alone; the record of
        // the next group that closed the stretch is not the group's.
        if (sort->resortRange(a.sortKey, true) != VX_SUCCESS)
            return VX_ERROR;
        const unsigned char* previous = nullptr;
        const void* out = nullptr;
        if (sort->getFirstRecordInRange(&out) != VX_SUCCESS)
            return VX_ERROR;
        for (; out; (void)sort->getNextRecordInRange(&out)) {
            const auto* record = static_cast<const unsigned char*>(out);
            if (groupKeys_.compare(groupFirst_, record) != 0)
                continue;
            const unsigned char* slot = argumentSlot(a, record);
            if (slot[0] == 0)
                continue;
            if (previous && FlatSortKeys::compareSlots(info_->getExprInfo(), previous, slot) == 0)
                continue;
            accumulate(a, slot, groupRow_);
            previous = slot;
        }
    }
    if (!having_.isEmpty()) {
        std::uint16_t status = FLAT_ROW_FOUND;
        if (makeCurrent(groupRow_, &status) != VX_SUCCESS)
            return VX_ERROR;
        bool passes = false;
        if (status != FLAT_ROW_FOUND || having_.evaluate(&passes) != VX_SUCCESS)
            return status != FLAT_ROW_FOUND ? VX_SUCCESS : VX_ERROR;
        if (!passes)
            return VX_SUCCESS;
    }
    std::uint64_t offset = static_cast<std::uint64_t>(rows_) * rowLength_;
    if (offset + rowLength_ > 0xFFFFFFFFu) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (file_->tmpWrite(static_cast<std::uint32_t>(offset), groupRow_, rowLength_) != VX_SUCCESS)
        return VX_ERROR;
    ++rows_;
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::addSortKeys(VxSort* sort) {
    if (maxBuffers_)
        sort->setMaxBuffers(maxBuffers_);
    std::uint16_t keyCount = static_cast<std::uint16_t>(groupKeys_.getCount());
    std::uint16_t sortKeys = keyCount;
    for (std::uint16_t i = 0; i < aggregateCount_; ++i)
        if (aggregates_[i].distinct)
            ++sortKeys;
    ramFree(keyCompares_);
    keyCompares_ = static_cast<KeyCompare*>(ramAlloc(sizeof(KeyCompare) * (sortKeys + 1u)));
    if (!keyCompares_)
        return VX_ERROR;
    // The group-by keys, then the argument of each DISTINCT aggregate.
    std::uint16_t k = 0;
    for (; k < keyCount; ++k) {
        keyCompares_[k] = KeyCompare{this, groupKeys_.getOffset(k), groupKeys_.getCompareType(k)};
        if (sort->addKey(VX_SORT_CALLBACK, static_cast<std::uint16_t>(groupKeys_.getOffset(k)),
                         static_cast<std::uint16_t>(groupKeys_.getSize(k)), compareKey,
                         &keyCompares_[k]) != VX_SUCCESS)
            return VX_ERROR;
    }
    std::uint32_t groupBytes = groupKeys_.getBytes();
    for (std::uint16_t i = 0; i < aggregateCount_; ++i) {
        Aggregate& a = aggregates_[i];
        if (!a.distinct)
            continue;
        std::uint32_t offset = groupBytes + arguments_.getOffset(a.argument);
        keyCompares_[k] = KeyCompare{this, offset, arguments_.getCompareType(a.argument)};
        a.sortKey = k;
        if (sort->addKey(VX_SORT_CALLBACK, static_cast<std::uint16_t>(offset),
                         static_cast<std::uint16_t>(arguments_.getSize(a.argument)), compareKey,
                         &keyCompares_[k]) != VX_SUCCESS)
            return VX_ERROR;
        ++k;
    }
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::readChild(VxSort* sort) {
    unsigned char* record =
        static_cast<unsigned char*>(ramAlloc(recordLength_ ? recordLength_ : 1));
    if (!record)
        return VX_ERROR;
    // Every child row: its keys, its aggregates' arguments, its handle;
    // into the sort, or (one group, nothing to sort) straight into the group.
    std::uint32_t groupBytes = groupKeys_.getBytes();
    bool eof = false;
    VxStatus status = child_->fetchFirst(&eof);
    while (status == VX_SUCCESS && !eof) {
        unsigned char* slot = record;
        if (sort) {
            void* next = nullptr;
            if ((status = sort->nextSlot(&next)) != VX_SUCCESS)
                break;
            slot = static_cast<unsigned char*>(next);
        }
        if ((status = info_->checkAbort()) != VX_SUCCESS ||
            (status = groupKeys_.evaluate(slot)) != VX_SUCCESS ||
            (status = arguments_.evaluate(slot + groupBytes)) != VX_SUCCESS ||
            (status = child_->getRowHandle(slot + recordLength_ - handleSize_)) != VX_SUCCESS)
            break;
        if (!sort) {
            if (!inGroup_)
                status = startGroup(slot);
            for (std::uint16_t i = 0; i < aggregateCount_; ++i)
                accumulate(aggregates_[i], argumentSlot(aggregates_[i], slot), groupRow_);
        }
        if (status == VX_SUCCESS)
            status = child_->fetchNext(&eof);
    }
    ramFree(record);
    if (status == VX_SUCCESS && !sort && inGroup_)
        status = finishGroup(nullptr);
    return status;
}

VxStatus FlatGroupBy::readSorted(VxSort* sort) {
    for (;;) {
        const void* out = nullptr;
        if (sort->getSorted(&out) != VX_SUCCESS)
            return VX_ERROR;
        const auto* next = static_cast<const unsigned char*>(out);
        bool newGroup = !next || !inGroup_ || groupKeys_.compare(groupFirst_, next) != 0;
        if (newGroup && inGroup_) {
            sort->endResortRange();
            if (finishGroup(sort) != VX_SUCCESS)
                return VX_ERROR;
        }
        if (!next)
            return VX_SUCCESS;
        if (newGroup) {
            // DISTINCT aggregates see the group's records again at its end.
            if (startGroup(next) != VX_SUCCESS ||
                (hasDistinct_ && sort->startResortRange() != VX_SUCCESS))
                return VX_ERROR;
        }
        for (std::uint16_t i = 0; i < aggregateCount_; ++i)
            if (!aggregates_[i].distinct)
                accumulate(aggregates_[i], argumentSlot(aggregates_[i], next), groupRow_);
    }
}

VxStatus FlatGroupBy::groupInMemory(bool* done) {
    *done = false;
    std::uint32_t keyBytes = groupKeys_.getBytes();
    if (!FlatKeyTable::suits(keyBytes + rowLength_))
        return VX_SUCCESS;
    std::size_t limit = static_cast<std::size_t>(maxBuffers_ ? maxBuffers_ : VX_SORT_MAX_BUFFERS) *
                        VX_SORT_BUFFER_SIZE;
    FlatKeyTable table(&groupKeys_, info_->getExprInfo(), keyBytes + rowLength_, limit);
    auto* record = static_cast<unsigned char*>(ramAlloc(recordLength_ ? recordLength_ : 1));
    if (!record)
        return VX_ERROR;
    bool eof = false;
    bool gaveUp = false;
    VxStatus status = child_->fetchFirst(&eof);
    while (status == VX_SUCCESS && !eof) {
        unsigned char* entry = nullptr;
        FlatKeyTableResult found = KEY_TABLE_GIVE_UP;
        if ((status = info_->checkAbort()) != VX_SUCCESS ||
            (status = groupKeys_.evaluate(record)) != VX_SUCCESS ||
            (status = arguments_.evaluate(record + keyBytes)) != VX_SUCCESS ||
            (status = table.find(record, &entry, &found)) != VX_SUCCESS)
            break;
        if (found == KEY_TABLE_GIVE_UP) {
            gaveUp = true;
            break;
        }
        // The group row: its first child row's handle, then the accumulators.
        unsigned char* row = entry + keyBytes;
        if (found == KEY_TABLE_ADDED) {
            row[0] = 1;
            if ((status = child_->getRowHandle(row + 1)) != VX_SUCCESS)
                break;
        }
        for (std::uint16_t i = 0; i < aggregateCount_; ++i)
            accumulate(aggregates_[i], argumentSlot(aggregates_[i], record), row);
        status = child_->fetchNext(&eof);
    }
    ramFree(record);
    if (status != VX_SUCCESS || gaveUp)
        return status;
    // The groups in the order of their keys, as the sort gives them.
    if (table.sortEntries() != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint32_t i = 0; i < table.getCount(); ++i) {
        std::memcpy(groupRow_, table.entry(i) + keyBytes, rowLength_);
        inGroup_ = true;
        if (finishGroup(nullptr) != VX_SUCCESS)
            return VX_ERROR;
    }
    *done = true;
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::materialize() {
    if (prepareLayout() != VX_SUCCESS)
        return VX_ERROR;
    groupKeys_.releaseOutside();
    arguments_.releaseOutside();
    groupKeys_.clearFailure();
    bool sorted = groupKeys_.getCount() > 0 || hasDistinct_;
    VxStatus status = VX_SUCCESS;
    bool done = false;
    if (sorted && !hasDistinct_)
        status = groupInMemory(&done);
    VxSort sort(recordLength_);
    if (done || status != VX_SUCCESS)
        sorted = false;
    else {
        // Nothing gathered in memory is kept.
        groupKeys_.releaseOutside();
        arguments_.releaseOutside();
        groupKeys_.clearFailure();
        if (sorted)
            status = addSortKeys(&sort);
        if (status == VX_SUCCESS)
            status = readChild(sorted ? &sort : nullptr);
        if (status == VX_SUCCESS && sorted)
            status = readSorted(&sort);
    }
    // Without GROUP BY an empty input is still one group.
    if (status == VX_SUCCESS && rows_ == 0 && groupKeys_.getCount() == 0) {
        std::memset(groupRow_, 0, rowLength_);
        inGroup_ = true;
        status = finishGroup(nullptr);
    }
    spilled_ = sorted && sort.hasSpilled();
    if (status == VX_SUCCESS && groupKeys_.hasFailed())
        status = VX_ERROR; // a key comparison raised its error
    built_ = status == VX_SUCCESS;
    return status;
}

VxStatus FlatGroupBy::open() {
    reset();
    return child_->open();
}

VxStatus FlatGroupBy::close() {
    reset();
    return child_->close();
}

VxStatus FlatGroupBy::fetchRow(std::uint32_t row, std::uint16_t* status) {
    *status = FLAT_ROW_NONE;
    if (!built_ && materialize() != VX_SUCCESS)
        return VX_ERROR;
    if (row == 0 || row > rows_) {
        currentRow_ = row == 0 ? 0 : rows_ + 1;
        return VX_SUCCESS;
    }
    if (file_->tmpRead((row - 1) * rowLength_, groupRow_, rowLength_) != VX_SUCCESS ||
        makeCurrent(groupRow_, status) != VX_SUCCESS)
        return VX_ERROR;
    currentRow_ = row;
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::fetchFirst(bool* eof) {
    std::uint16_t status = FLAT_ROW_NONE;
    if (fetchRow(1, &status) != VX_SUCCESS)
        return VX_ERROR;
    *eof = status != FLAT_ROW_FOUND;
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::fetchNext(bool* eof) {
    std::uint16_t status = FLAT_ROW_NONE;
    if (currentRow_ > rows_) {
        *eof = true;
        return VX_SUCCESS;
    }
    if (fetchRow(currentRow_ + 1, &status) != VX_SUCCESS)
        return VX_ERROR;
    *eof = status != FLAT_ROW_FOUND;
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::getRowHandle(unsigned char* handle) {
    std::memcpy(handle, &currentRow_, 4);
    return VX_SUCCESS;
}

VxStatus FlatGroupBy::fetchByRowHandle(const unsigned char* handle, std::uint16_t* status) {
    std::uint32_t row = 0;
    std::memcpy(&row, handle, 4);
    return fetchRow(row, status);
}

void FlatGroupBy::setNullRow(bool on) {
    child_->setNullRow(on || nullRow_);
}

VxStatus FlatGroupBy::getAggregateValue(std::uint32_t, std::uint16_t column, FlatDataValue* value,
                                        short* sqlType) {
    if (column >= aggregateCount_ || !current_) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    const Aggregate& a = aggregates_[column];
    const unsigned char* acc = current_ + a.offset;
    double count = readDouble(acc + ACC_COUNT);
    *sqlType = SQL_DOUBLE;
    double result = count;
    if (a.kind == FLAT_AGG_SUM)
        result = readDouble(acc + ACC_SUM);
    else if (a.kind == FLAT_AGG_AVG)
        result = count > 0 ? readDouble(acc + ACC_SUM) / count : 0;
    if (usesValue(a.kind)) {
        *sqlType = arguments_.getCompareType(a.argument);
        FlatDataValue kept;
        FlatSortKeys::readSlot(acc + ACC_VALUE, &kept);
        if (count == 0 || kept.isNull()) {
            value->setStorageType(INTERNAL_DOUBLE);
            value->setNull();
            return VX_SUCCESS;
        }
        return value->setValueCopy(kept.getValueBuffer(), kept.getLength(), kept.getStorageType());
    }
    if (count == 0 && a.kind != FLAT_AGG_COUNT && a.kind != FLAT_AGG_COUNT_STAR) {
        value->setStorageType(INTERNAL_DOUBLE);
        value->setNull();
        return VX_SUCCESS;
    }
    return value->setValueCopy(&result, sizeof result, INTERNAL_DOUBLE);
}

VxStatus FlatGroupBy::dumpParts(VxString* out, unsigned indent) {
    static const char* const NAMES[] = {"COUNT(*)", "COUNT", "SUM", "AVG", "MIN", "MAX"};
    char line[80];
    std::snprintf(line, sizeof line, "GBList: %u", static_cast<unsigned>(groupKeys_.getCount()));
    if (flatDumpLine(out, indent, line) != VX_SUCCESS)
        return VX_ERROR;
    if (!having_.isEmpty() && flatDumpLine(out, indent, "HavingFilter:") != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t i = 0; i < aggregateCount_; ++i) {
        const Aggregate& a = aggregates_[i];
        std::snprintf(line, sizeof line, "Aggregate: %s%s",
                      a.kind < sizeof NAMES / sizeof NAMES[0] ? NAMES[a.kind] : "?",
                      a.distinct ? " DISTINCT" : "");
        if (flatDumpLine(out, indent, line) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
