// FlatOrderBy and FlatDistinct: sorting the child's rows by their keys.
#include "flat/FlatOrderBy.h"

#include <sql.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/InternalType.h"
#include "error/FlatErrors.h"
#include "flat/FlatExprType.h"
#include "flat/FlatProjection.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "select/FlatDump.h"
#include "select/FlatKeyTable.h"
#include "util/VxSort.h"
#include "util/ram.h"

namespace {

// A carried value: a null byte (0 NULL, 1 a value), a spare byte, the
// storage type, the SQL type and the length (2 bytes each), then the
// value's bytes.
constexpr std::uint32_t CARRY_HEADER = 8;

// The prefix of a record whose first key is not a number or NULL: the
// records compare by their keys alone.
constexpr std::uint64_t NO_PREFIX = 0;

std::uint32_t align8(std::uint32_t n) {
    return (n + 7u) & ~7u;
}

} // namespace

FlatOrderBy::FlatOrderBy(FlatResultSetGlobalInfo* info, FlatResultSet* child)
    : FlatOrdinalResultSet(info, child), keys_(info->getExprInfo()) {}

FlatOrderBy::~FlatOrderBy() {
    stopServing();
    if (carrySource_)
        for (std::uint16_t i = 0; i < carrySource_->getColumnCount(); ++i)
            carrySource_->getColumn(i)->setCarrier(nullptr, 0);
}

void FlatOrderBy::stopServing() {
    serving_ = false;
    current_ = nullptr;
    if (info_->getDetachedRow() == this)
        info_->setDetachedRow(nullptr);
}

void FlatOrderBy::reset() {
    stopServing();
    noServe_ = false;
    served_ = 0;
    FlatOrdinalResultSet::reset();
}

void FlatOrderBy::planCarry() {
    carry_ = false;
    carryOffsets_.clear();
    carryWidths_.clear();
    // Only the rows of the select list itself are carried: duplicate
    // removal keeps one row per key, and another child's columns are not
    // those the statement reads.
    auto* projection = dynamic_cast<FlatProjection*>(child_);
    if (dropDuplicates_ || !projection || projection->getColumnCount() == 0)
        return;
    std::uint32_t at = align8(handleSize_ + 1u);
    for (std::uint16_t i = 0; i < projection->getColumnCount(); ++i) {
        FlatResultSetColumn* column = projection->getColumn(i);
        short type = column->getSqlType();
        std::uint32_t width = FlatSortKeys::widthOf(type, column->getPrecision());
        // A number may come as text or as decimal digits behind their
        // 8-byte header: room for its digits, sign and point.
        if (!flatIsStringType(type) && !flatIsBinaryType(type) &&
            width < column->getPrecision() + 10)
            width = column->getPrecision() + 10;
        if (width > FLAT_CARRY_LIMIT)
            return;
        carryOffsets_.push_back(at);
        carryWidths_.push_back(width);
        at = align8(at + CARRY_HEADER + width);
        if (at > FLAT_CARRY_LIMIT)
            return;
    }
    if (keys_.getBytes() + at > VX_SORT_MAX_RECORD)
        return;
    storedSize_ = static_cast<std::uint16_t>(at);
    carry_ = true;
    if (carrySource_ != projection) {
        carrySource_ = projection;
        for (std::uint16_t i = 0; i < projection->getColumnCount(); ++i)
            projection->getColumn(i)->setCarrier(this, i);
    }
}

std::uint16_t FlatOrderBy::storedRecordSize() {
    handleSize_ = child_->getRowHandleSize();
    storedSize_ = handleSize_;
    planCarry();
    return storedSize_;
}

VxStatus FlatOrderBy::carryValues(unsigned char* stored) {
    unsigned char* flag = stored + handleSize_;
    *flag = 0;
    FlatDataValue value;
    for (std::size_t i = 0; i < carryOffsets_.size(); ++i) {
        short sqlType = 0;
        if (carrySource_->getColumn(static_cast<std::uint16_t>(i))->evaluate(&value, &sqlType) !=
            VX_SUCCESS)
            return VX_ERROR;
        unsigned char* slot = stored + carryOffsets_[i];
        std::uint32_t length = value.isNull() ? 0 : value.getLength();
        if (length > carryWidths_[i])
            return VX_SUCCESS; // too long: this row is read again through its handle
        short storage = value.getStorageType();
        auto length16 = static_cast<std::uint16_t>(length);
        slot[0] = value.isNull() ? 0 : 1;
        slot[1] = 0;
        std::memcpy(slot + 2, &storage, 2);
        std::memcpy(slot + 4, &sqlType, 2);
        std::memcpy(slot + 6, &length16, 2);
        if (length)
            std::memcpy(slot + CARRY_HEADER, value.getValueBuffer(), length);
    }
    *flag = 1;
    return VX_SUCCESS;
}

bool FlatOrderBy::carriedValue(std::uint16_t slot, FlatDataValue* value, short* sqlType) {
    if (!serving_)
        return false;
    const unsigned char* bytes = current_ + carryOffsets_[slot];
    short storage = 0;
    std::uint16_t length = 0;
    std::memcpy(&storage, bytes + 2, 2);
    std::memcpy(sqlType, bytes + 4, 2);
    std::memcpy(&length, bytes + 6, 2);
    value->setValueBuffer(bytes + CARRY_HEADER, 0);
    value->setLength(length);
    value->setStorageType(storage);
    if (bytes[0] == 0)
        value->setNull();
    return true;
}

VxStatus FlatOrderBy::restoreRow(const unsigned char* record, std::uint16_t* status) {
    if (carry_ && !noServe_ && record[handleSize_] == 1) {
        current_ = record;
        serving_ = true;
        attached_ = false;
        ++served_;
        info_->setDetachedRow(this);
        *status = FLAT_ROW_FOUND;
        return VX_SUCCESS;
    }
    stopServing();
    return child_->fetchByRowHandle(record, status);
}

VxStatus FlatOrderBy::attachRow() {
    if (!serving_ || attached_)
        return VX_SUCCESS;
    // Something reads the tables' records: from now on every row is read
    // again through its handle, so that what it sees and what the
    // statement shows agree (a row changed or deleted through its handle
    // shows that).
    noServe_ = true;
    const unsigned char* record = current_;
    stopServing();
    std::uint16_t status = FLAT_ROW_NONE;
    if (child_->fetchByRowHandle(record, &status) != VX_SUCCESS)
        return VX_ERROR;
    attached_ = true;
    return VX_SUCCESS;
}

int FlatOrderBy::compareRecords(void* self, const void* a, const void* b) {
    auto* order = static_cast<FlatOrderBy*>(self);
    const auto* left = static_cast<const unsigned char*>(a);
    const auto* right = static_cast<const unsigned char*>(b);
    if (order->prefix_) {
        std::uint64_t x = 0;
        std::uint64_t y = 0;
        std::memcpy(&x, left, sizeof x);
        std::memcpy(&y, right, sizeof y);
        if (x != y && x != NO_PREFIX && y != NO_PREFIX) {
            int c = x < y ? -1 : 1;
            return order->keys_.isDescending(0) ? -c : c;
        }
    }
    return order->keys_.compare(left + order->prefix_, right + order->prefix_);
}

void FlatOrderBy::writePrefix(unsigned char* record) const {
    const unsigned char* slot = record + prefix_ + keys_.getOffset(0);
    std::uint64_t prefix = NO_PREFIX;
    short storage = 0;
    std::memcpy(&storage, slot + 1, 2);
    if (slot[0] == 0) {
        prefix = 1; // NULL comes before every number
    } else if (storage == INTERNAL_DOUBLE) {
        double value = 0;
        std::memcpy(&value, slot + FLAT_SORT_KEY_HEADER, sizeof value);
        if (!std::isnan(value)) {
            if (value == 0)
                value = 0; // -0 equals 0
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            // Ordered as the numbers are: negative numbers with every bit
            // inverted, the others with the sign bit set. One bit is
            // dropped to keep 0 and 1 free; numbers that differ only there
            // are told apart by the full comparison.
            bits = (bits >> 63) ? ~bits : bits | (1ull << 63);
            prefix = (bits >> 1) + 2;
        }
    }
    std::memcpy(record, &prefix, sizeof prefix);
}

VxStatus FlatOrderBy::distinctInMemory(bool* done) {
    *done = false;
    std::uint32_t keyBytes = keys_.getBytes();
    std::uint32_t handleSize = child_->getRowHandleSize();
    if (!FlatKeyTable::suits(keyBytes + handleSize))
        return VX_SUCCESS;
    std::size_t limit = static_cast<std::size_t>(maxBuffers_ ? maxBuffers_ : VX_SORT_MAX_BUFFERS) *
                        VX_SORT_BUFFER_SIZE;
    FlatKeyTable table(&keys_, info_->getExprInfo(), keyBytes + handleSize, limit);
    auto* record = static_cast<unsigned char*>(ramAlloc(keyBytes ? keyBytes : 1));
    if (!record)
        return VX_ERROR;
    bool eof = false;
    bool gaveUp = false;
    VxStatus status = child_->fetchFirst(&eof);
    while (status == VX_SUCCESS && !eof) {
        unsigned char* entry = nullptr;
        FlatKeyTableResult found = KEY_TABLE_GIVE_UP;
        if ((status = info_->checkAbort()) != VX_SUCCESS ||
            (status = keys_.evaluate(record)) != VX_SUCCESS ||
            (status = table.find(record, &entry, &found)) != VX_SUCCESS)
            break;
        if (found == KEY_TABLE_GIVE_UP) {
            gaveUp = true;
            break;
        }
        // The first row of each distinct key stands for it.
        if (found == KEY_TABLE_ADDED &&
            (status = child_->getRowHandle(entry + keyBytes)) != VX_SUCCESS)
            break;
        status = child_->fetchNext(&eof);
    }
    ramFree(record);
    if (status != VX_SUCCESS || gaveUp)
        return status;
    if (table.sortEntries() != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint32_t i = 0; i < table.getCount(); ++i)
        if (appendHandle(table.entry(i) + keyBytes) != VX_SUCCESS)
            return VX_ERROR;
    *done = true;
    return VX_SUCCESS;
}

VxStatus FlatOrderBy::materialize() {
    std::uint32_t keyBytes = keys_.getBytes();
    std::uint32_t handleSize = child_->getRowHandleSize();
    if (keyBytes + handleSize > VX_SORT_MAX_RECORD) {
        addFlatError(3951);
        return VX_ERROR;
    }
    // A first key that is a number is also kept, ahead of the keys, in a
    // form that orders as an unsigned integer.
    prefix_ = keys_.getCount() > 0 && keys_.getCompareType(0) == SQL_DOUBLE ? 8 : 0;
    std::uint32_t recordLength = prefix_ + keyBytes + (carry_ ? storedSize_ : handleSize);
    if (recordLength > VX_SORT_MAX_RECORD)
        prefix_ = 0;
    recordLength = prefix_ + keyBytes + (carry_ ? storedSize_ : handleSize);
    stopServing();
    keys_.releaseOutside();
    spilled_ = false;
    keys_.clearFailure();
    if (dropDuplicates_) {
        bool done = false;
        if (distinctInMemory(&done) != VX_SUCCESS)
            return VX_ERROR;
        if (done)
            return keys_.hasFailed() ? VX_ERROR : VX_SUCCESS;
        keys_.releaseOutside(); // the table that held them is gone
        keys_.clearFailure();
    }
    VxSort sort(recordLength);
    if (maxBuffers_)
        sort.setMaxBuffers(maxBuffers_);
    // One caller-compared key over all key bytes; its length only names
    // the span.
    std::uint16_t span = keyBytes > 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(keyBytes);
    if (sort.addKey(VX_SORT_CALLBACK, 0, span, compareRecords, this) != VX_SUCCESS)
        return VX_ERROR;
    bool eof = false;
    if (child_->fetchFirst(&eof) != VX_SUCCESS)
        return VX_ERROR;
    while (!eof) {
        void* slot = nullptr;
        if (info_->checkAbort() != VX_SUCCESS || sort.nextSlot(&slot) != VX_SUCCESS)
            return VX_ERROR;
        auto* record = static_cast<unsigned char*>(slot) + prefix_;
        if (keys_.evaluate(record) != VX_SUCCESS ||
            child_->getRowHandle(record + keyBytes) != VX_SUCCESS ||
            (carry_ && carryValues(record + keyBytes) != VX_SUCCESS))
            return VX_ERROR;
        if (prefix_)
            writePrefix(static_cast<unsigned char*>(slot));
        if (child_->fetchNext(&eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    // Duplicates are found against the last record kept.
    unsigned char* previous = nullptr;
    if (dropDuplicates_ &&
        !(previous = static_cast<unsigned char*>(ramAlloc(keyBytes ? keyBytes : 1))))
        return VX_ERROR;
    bool havePrevious = false;
    VxStatus status = VX_SUCCESS;
    for (;;) {
        const void* out = nullptr;
        if ((status = sort.getSorted(&out)) != VX_SUCCESS || !out)
            break;
        const auto* record = static_cast<const unsigned char*>(out) + prefix_;
        if (dropDuplicates_) {
            if (havePrevious && keys_.compare(previous, record) == 0)
                continue;
            std::memcpy(previous, record, keyBytes);
            havePrevious = true;
        }
        if ((status = appendHandle(record + keyBytes)) != VX_SUCCESS)
            break;
    }
    ramFree(previous);
    spilled_ = sort.hasSpilled();
    if (status == VX_SUCCESS && keys_.hasFailed())
        status = VX_ERROR; // a key comparison raised its error
    return status;
}

VxStatus FlatOrderBy::dumpParts(VxString* out, unsigned indent) {
    char line[64];
    for (std::uint16_t i = 0; i < keys_.getCount(); ++i) {
        std::snprintf(line, sizeof line, "Key %u %s", static_cast<unsigned>(i + 1),
                      keys_.isDescending(i) ? "Desc " : "Asc ");
        if (flatDumpLine(out, indent, line) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
