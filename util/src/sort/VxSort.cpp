// VxSort: keys, adding records, spilling runs, and reading the result.
// The quicksort lives in VxSortQuick.cpp, the merge in VxSortMerge.cpp.
#include "util/VxSort.h"

#include <cstring>

#include "error/utlMessages.h"
#include "sort/VxSortMerge.h"
#include "util/VxObject.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

int compareBytes(const char* a, const char* b, std::size_t length) {
    return std::memcmp(a, b, length);
}

struct PointerCompare {
    VxSortCompare compare;
    void* userValue;
};

} // namespace

VxSort::VxSort(std::uint32_t recordLength) { setRecordLength(recordLength); }

VxSort::~VxSort() {
    freeMerge();
    releaseBuffers();
    ramFree(runs_);
    ramFree(previous_);
    ramFreeHuge(range_);
    ramFree(rangeIndex_);
    if (tempHandle_ != 0) {
        (void)bosFileClose(tempHandle_);
        (void)bosFileDelete(tempName_.getText());
    }
}

void VxSort::setRecordLength(std::uint32_t recordLength) {
    recordLength_ = recordLength;
    if (recordLength == 1)
        recordsPerBuffer_ = 65535;
    else if (recordLength != 0)
        recordsPerBuffer_ = VX_SORT_BUFFER_SIZE / recordLength;
    else
        recordsPerBuffer_ = 0;
}

void VxSort::setMaxBuffers(std::uint16_t count) {
    if (count < 1)
        count = 1;
    maxBuffers_ = count > VX_SORT_MAX_BUFFERS ? VX_SORT_MAX_BUFFERS : count;
}

VxStatus VxSort::addKey(std::uint16_t flags, std::uint16_t offset, std::uint16_t length) {
    return addKey(flags, offset, length, nullptr, nullptr);
}

VxStatus VxSort::addKey(std::uint16_t flags, std::uint16_t offset, std::uint16_t length,
                        VxSortCompare compare, void* userValue) {
    if (keyCount_ == VX_SORT_MAX_KEYS) {
        addError(2710);
        return VX_ERROR;
    }
    keys_[keyCount_++] = VxSortKey{flags, offset, length, compare, userValue};
    flags_ |= FLAG_KEYS;
    return VX_SUCCESS;
}

int VxSort::compareKey(const VxSortKey& key, const char* a, const char* b) const {
    const char* ka = a + key.offset;
    const char* kb = b + key.offset;
    if (key.flags & VX_SORT_CALLBACK)
        return key.compare ? key.compare(key.userValue, ka, kb) : 0;
    if (key.flags & VX_SORT_OBJECT) {
        const VxObject* oa;
        const VxObject* ob;
        std::memcpy(&oa, ka, sizeof oa);
        std::memcpy(&ob, kb, sizeof ob);
        return oa->compare(*ob);
    }
    if (key.flags & VX_SORT_INTL)
        return strCompareIntl(ka, key.length, kb, key.length);
    return compareBytes(ka, kb, key.length);
}

int VxSort::compareKeys(const char* a, const char* b, std::uint16_t from, std::uint16_t to) const {
    for (std::uint16_t k = from; k < to; ++k) {
        int result = compareKey(keys_[k], a, b);
        if (result != 0)
            return (keys_[k].flags & VX_SORT_DESCENDING) ? (result < 0 ? 1 : -1) : result;
    }
    return 0;
}

// ---- Adding records ---------------------------------------------------------

VxStatus VxSort::allocateBuffer(bool* gotOne) {
    *gotOne = false;
    char* buffer = static_cast<char*>(ramAlloc64K());
    if (!buffer) {
        if (bufferCount_ < 2)
            return VX_ERROR;
        // Enough buffers to spill: the failed allocation is no error.
        VxErrorKeeper::clearLastError();
        return VX_SUCCESS;
    }
    buffers_[bufferCount_++] = buffer;
    flags_ |= FLAG_BUFFERS;
    *gotOne = true;
    return VX_SUCCESS;
}

VxStatus VxSort::nextSlot(void** slot) {
    *slot = nullptr;
    if (recordLength_ == 0 || recordLength_ > VX_SORT_MAX_RECORD ||
        (flags_ & FLAG_CALLER_BUFFER)) {
        addError(1503);
        return VX_ERROR;
    }
    if (flags_ & FLAG_SORTED) {
        // Adding after reading began: the set is unsorted again.
        freeMerge();
        flags_ &= ~FLAG_SORTED;
    }
    if (recordCount_ / recordsPerBuffer_ >= bufferCount_) {
        bool gotOne = false;
        if (!(flags_ & FLAG_SPILLED) && bufferCount_ < maxBuffers_ &&
            allocateBuffer(&gotOne) != VX_SUCCESS)
            return VX_ERROR;
        if (!gotOne) {
            if (bufferCount_ < 2) {
                addError(1503);
                return VX_ERROR;
            }
            if (spill() != VX_SUCCESS)
                return VX_ERROR;
        }
    }
    *slot = recordAt(recordCount_++);
    ++totalCount_;
    return VX_SUCCESS;
}

VxStatus VxSort::addRecord(const void* record) {
    void* slot;
    if (nextSlot(&slot) != VX_SUCCESS)
        return VX_ERROR;
    std::memcpy(slot, record, recordLength_);
    return VX_SUCCESS;
}

void VxSort::releaseBuffers() {
    if (!(flags_ & FLAG_CALLER_BUFFER))
        for (std::uint16_t i = 0; i < bufferCount_; ++i)
            ramFree64K(buffers_[i]);
    for (std::uint16_t i = 0; i < bufferCount_; ++i)
        buffers_[i] = nullptr;
    bufferCount_ = 0;
    recordCount_ = 0;
    flags_ &= ~(FLAG_BUFFERS | FLAG_CALLER_BUFFER);
}

// ---- The temporary file -------------------------------------------------------

VxStatus VxSort::openTempFile() {
    if (tempHandle_ != 0)
        return VX_SUCCESS;
    return bosFileOpen("", BOS_OPEN_TEMP, &tempHandle_, &tempName_);
}

// Writes records 0..count-1 of the in-memory set at `offset`, buffer by buffer.
VxStatus VxSort::writeRecords(std::int64_t offset, std::uint32_t count) {
    for (std::uint16_t b = 0; count > 0; ++b) {
        std::uint32_t n = count < recordsPerBuffer_ ? count : recordsPerBuffer_;
        std::size_t bytes = static_cast<std::size_t>(n) * recordLength_;
        if (bosFileWrite(tempHandle_, offset, buffers_[b], bytes) != VX_SUCCESS)
            return VX_ERROR;
        offset += static_cast<std::int64_t>(bytes);
        count -= n;
    }
    return VX_SUCCESS;
}

VxStatus vxSortReadFully(int handle, const char* name, std::int64_t offset, char* into,
                         std::size_t bytes) {
    while (bytes > 0) {
        std::size_t got = 0;
        if (bosFileRead(handle, offset, into, bytes, &got) != VX_SUCCESS)
            return VX_ERROR;
        if (got == 0) {
            addError(1508) << name;
            return VX_ERROR;
        }
        into += got;
        offset += static_cast<std::int64_t>(got);
        bytes -= got;
    }
    return VX_SUCCESS;
}

// Reads `count` records at `offset` into records 0..count-1 of the in-memory set.
VxStatus VxSort::readRecords(std::int64_t offset, std::uint32_t count) {
    for (std::uint16_t b = 0; count > 0; ++b) {
        std::uint32_t n = count < recordsPerBuffer_ ? count : recordsPerBuffer_;
        std::size_t bytes = static_cast<std::size_t>(n) * recordLength_;
        if (vxSortReadFully(tempHandle_, tempName_.getText(), offset, buffers_[b], bytes) !=
            VX_SUCCESS)
            return VX_ERROR;
        offset += static_cast<std::int64_t>(bytes);
        count -= n;
    }
    return VX_SUCCESS;
}

VxStatus VxSort::addRun(std::int64_t offset, std::uint64_t count) {
    if (runCount_ == runCapacity_) {
        std::uint32_t capacity = runCapacity_ ? runCapacity_ * 2 : 16;
        if (ramResizeArray(&runs_, capacity) != VX_SUCCESS)
            return VX_ERROR;
        runCapacity_ = capacity;
    }
    runs_[runCount_++] = VxSortRun{offset, count};
    return VX_SUCCESS;
}

// Sorts the in-memory set and writes it as one run at the end of the file.
VxStatus VxSort::spill() {
    if (sortMemory() != VX_SUCCESS || openTempFile() != VX_SUCCESS ||
        writeRecords(tempEnd_, recordCount_) != VX_SUCCESS ||
        addRun(tempEnd_, recordCount_) != VX_SUCCESS)
        return VX_ERROR;
    tempEnd_ += static_cast<std::int64_t>(recordCount_) * recordLength_;
    recordCount_ = 0;
    flags_ |= FLAG_SPILLED;
    return VX_SUCCESS;
}

// Sorts every run again under the current keys: each run is cut into pieces
// that fit in memory, and every piece is sorted in place as a run of its own.
VxStatus VxSort::rechunkRuns() {
    VxSortRun* old = runs_;
    std::uint32_t oldCount = runCount_;
    runs_ = nullptr;
    runCount_ = runCapacity_ = 0;
    VxStatus status = VX_SUCCESS;
    for (std::uint32_t r = 0; r < oldCount && status == VX_SUCCESS; ++r) {
        std::int64_t offset = old[r].offset;
        for (std::uint64_t left = old[r].count; left > 0 && status == VX_SUCCESS;) {
            std::uint32_t n = left < slotCount() ? static_cast<std::uint32_t>(left) : slotCount();
            recordCount_ = n;
            if (readRecords(offset, n) != VX_SUCCESS || sortMemory() != VX_SUCCESS ||
                writeRecords(offset, n) != VX_SUCCESS || addRun(offset, n) != VX_SUCCESS)
                status = VX_ERROR;
            offset += static_cast<std::int64_t>(n) * recordLength_;
            left -= n;
        }
    }
    recordCount_ = 0;
    ramFree(old);
    return status;
}

// ---- Reading ----------------------------------------------------------------------

VxStatus VxSort::finish() {
    freeMerge();
    readCursor_ = 0;
    hasPrevious_ = false;
    last_ = nullptr;
    if (flags_ & FLAG_SPILLED) {
        if (recordCount_ > 0 && spill() != VX_SUCCESS)
            return VX_ERROR;
        if (prepareMerge() != VX_SUCCESS)
            return VX_ERROR;
    } else if (sortMemory() != VX_SUCCESS) {
        return VX_ERROR;
    }
    flags_ |= FLAG_SORTED;
    return VX_SUCCESS;
}

VxStatus VxSort::nextSortedRecord(const char** record) {
    if (flags_ & FLAG_SPILLED) {
        if (mergeNext(record) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        *record = readCursor_ < recordCount_ ? recordAt(readCursor_++) : nullptr;
    }
    last_ = *record;
    if (*record && (flags_ & FLAG_RANGE_OPEN))
        return appendToRange(*record);
    return VX_SUCCESS;
}

VxStatus VxSort::getSorted(const void** record) {
    *record = nullptr;
    if (!(flags_ & FLAG_SORTED) && finish() != VX_SUCCESS)
        return VX_ERROR;
    const char* next;
    if (nextSortedRecord(&next) != VX_SUCCESS)
        return VX_ERROR;
    *record = next;
    return VX_SUCCESS;
}

VxStatus VxSort::getFirstRecord(const void** record) {
    *record = nullptr;
    if (!(flags_ & FLAG_SORTED)) {
        if (finish() != VX_SUCCESS)
            return VX_ERROR;
    } else if (flags_ & FLAG_SPILLED) {
        freeMerge();
        if (prepareMerge() != VX_SUCCESS)
            return VX_ERROR;
    }
    readCursor_ = 0;
    hasPrevious_ = false;
    return getSorted(record);
}

VxStatus VxSort::getSortedWithCompare(const void** record, std::uint16_t* equalKeys) {
    *equalKeys = 0;
    if (getSorted(record) != VX_SUCCESS)
        return VX_ERROR;
    const char* current = static_cast<const char*>(*record);
    if (!current)
        return VX_SUCCESS;
    if (hasPrevious_) {
        std::uint16_t k = 0;
        while (k < keyCount_ && compareKey(keys_[k], previous_, current) == 0)
            ++k;
        *equalKeys = k;
    }
    if (!previous_ && !(previous_ = static_cast<char*>(ramAlloc(recordLength_))))
        return VX_ERROR;
    std::memcpy(previous_, current, recordLength_);
    hasPrevious_ = true;
    return VX_SUCCESS;
}

VxStatus VxSort::getFirstRecordWithKey(const void* key, const void** record) {
    *record = nullptr;
    if (!(flags_ & FLAG_SORTED) && finish() != VX_SUCCESS)
        return VX_ERROR;
    const char* wanted = static_cast<const char*>(key);
    if (flags_ & FLAG_SPILLED) {
        if (seekRuns(wanted) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        std::uint32_t low = 0;
        std::uint32_t high = recordCount_;
        while (low < high) {
            std::uint32_t mid = low + (high - low) / 2;
            if (compareRecords(recordAt(mid), wanted) < 0)
                low = mid + 1;
            else
                high = mid;
        }
        readCursor_ = low;
    }
    hasPrevious_ = false;
    const char* found;
    if (nextSortedRecord(&found) != VX_SUCCESS)
        return VX_ERROR;
    if (found && compareRecords(found, wanted) == 0)
        *record = found;
    return VX_SUCCESS;
}

VxStatus VxSort::reSort() {
    if (!(flags_ & FLAG_SORTED))
        return finish();
    freeMerge();
    readCursor_ = 0;
    hasPrevious_ = false;
    last_ = nullptr;
    if (flags_ & FLAG_SPILLED)
        return rechunkRuns() == VX_SUCCESS ? prepareMerge() : VX_ERROR;
    return sortMemory();
}

// ---- Caller buffers -------------------------------------------------------------

void VxSort::setBuf(std::uint32_t count, void* buffer) {
    freeMerge();
    releaseBuffers();
    buffers_[0] = static_cast<char*>(buffer);
    bufferCount_ = 1;
    recordsPerBuffer_ = count ? count : 1;
    recordCount_ = count;
    readCursor_ = 0;
    flags_ = (flags_ & FLAG_KEYS) | FLAG_CALLER_BUFFER;
}

VxStatus VxSort::sortBuf() {
    readCursor_ = 0;
    hasPrevious_ = false;
    if (sortMemory() != VX_SUCCESS)
        return VX_ERROR;
    flags_ |= FLAG_SORTED;
    return VX_SUCCESS;
}

static int comparePointedTo(void* userValue, const void* a, const void* b) {
    const PointerCompare* pc = static_cast<const PointerCompare*>(userValue);
    return pc->compare(pc->userValue, a, b);
}

VxStatus VxSort::sortPointers(void** items, std::uint32_t count, VxSortCompare compare,
                              void* userValue) {
    if (count < 2)
        return VX_SUCCESS;
    PointerCompare pc{compare, userValue};
    VxSort sort(sizeof(void*));
    if (sort.addKey(VX_SORT_CALLBACK, 0, sizeof(void*), comparePointedTo, &pc) != VX_SUCCESS)
        return VX_ERROR;
    sort.setBuf(count, items);
    return sort.sortBuf();
}

// ---- Re-sort ranges -------------------------------------------------------------

VxStatus VxSort::appendToRange(const char* record) {
    if (rangeCount_ == rangeCapacity_) {
        std::uint32_t capacity = rangeCapacity_ ? rangeCapacity_ * 2 : 64;
        void* block = range_;
        std::size_t bytes = static_cast<std::size_t>(capacity) * recordLength_;
        if (block ? ramResizeHuge(&block, bytes) != VX_SUCCESS
                  : (block = ramAllocHuge(bytes)) == nullptr)
            return VX_ERROR;
        range_ = static_cast<char*>(block);
        rangeCapacity_ = capacity;
    }
    std::memcpy(range_ + static_cast<std::size_t>(rangeCount_) * recordLength_, record,
                recordLength_);
    ++rangeCount_;
    return VX_SUCCESS;
}

VxStatus VxSort::startResortRange() {
    rangeCount_ = 0;
    rangeSorted_ = false;
    flags_ |= FLAG_RANGE_OPEN;
    return last_ ? appendToRange(last_) : VX_SUCCESS;
}

void VxSort::endResortRange() { flags_ &= ~FLAG_RANGE_OPEN; }

namespace {
struct RangeCompare {
    const VxSort* sort;
    std::uint16_t from;
    std::uint16_t to;
};
} // namespace

int VxSort::compareRangeRecords(void* userValue, const void* a, const void* b) {
    const RangeCompare* rc = static_cast<const RangeCompare*>(userValue);
    const char* ra;
    const char* rb;
    std::memcpy(&ra, a, sizeof ra);
    std::memcpy(&rb, b, sizeof rb);
    return rc->sort->compareKeys(ra, rb, rc->from, rc->to);
}

VxStatus VxSort::resortRange(std::uint16_t keyIndex, bool singleKey) {
    if (ramResizeArray(&rangeIndex_, rangeCount_ ? rangeCount_ : 1) != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint32_t i = 0; i < rangeCount_; ++i)
        rangeIndex_[i] = range_ + static_cast<std::size_t>(i) * recordLength_;
    std::uint16_t to = singleKey && keyIndex < keyCount_ ? keyIndex + 1 : keyCount_;
    RangeCompare rc{this, keyIndex, to};
    rangeCursor_ = 0;
    rangeSorted_ = true;
    return sortPointers(reinterpret_cast<void**>(rangeIndex_), rangeCount_, compareRangeRecords,
                        &rc);
}

VxStatus VxSort::getFirstRecordInRange(const void** record) {
    rangeCursor_ = 0;
    return getNextRecordInRange(record);
}

VxStatus VxSort::getNextRecordInRange(const void** record) {
    *record = nullptr;
    if (rangeCursor_ < rangeCount_) {
        std::uint32_t i = rangeCursor_++;
        *record = rangeSorted_ ? rangeIndex_[i] : range_ + static_cast<std::size_t>(i) * recordLength_;
    }
    return VX_SUCCESS;
}
