// VxSort: a sort of fixed-length records that runs in memory and falls back
// to an external merge through a temporary file.
//
// Records are added with nextSlot (the caller fills the returned slot) or
// addRecord. They are kept in 64 KiB buffers, at most 64 of them (4 MiB);
// when no further buffer can be had the records in memory are sorted and
// written as one run to a temporary file "vx*" in $TMPDIR, and the set in
// memory starts again. The first getSorted / getFirstRecord sorts what is in
// memory and, after a spill, merges the runs (in several passes when there
// are more runs than record slots in memory). Records come out through
// pointers that stay valid until the next call that reads a record; the end
// is a null pointer, never a failure.
//
// Keys are compared in the order they were added; the first non-zero result
// decides, negated for a descending key. A record is at most 65,536 bytes.
// The temporary file is deleted by the destructor. One user at a time: the
// object has no lock.
#pragma once

#include <cstdint>

#include "util/VxExport.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

// Key flags.
constexpr std::uint16_t VX_SORT_DESCENDING = 0x01;
constexpr std::uint16_t VX_SORT_INTL = 0x02;     // locale collation over the key's bytes
constexpr std::uint16_t VX_SORT_CALLBACK = 0x04; // the key's compare function decides
constexpr std::uint16_t VX_SORT_OBJECT = 0x08;   // the key holds a VxObject*; its compare decides

constexpr std::uint16_t VX_SORT_MAX_KEYS = 64;
constexpr std::uint16_t VX_SORT_MAX_BUFFERS = 64;
constexpr std::uint32_t VX_SORT_BUFFER_SIZE = 65536;
constexpr std::uint32_t VX_SORT_MAX_RECORD = 65536;

// Compares two keys of a callback key: negative, 0 or positive.
using VxSortCompare = int (*)(void* userValue, const void* keyA, const void* keyB);

struct VxSortKey {
    std::uint16_t flags;
    std::uint16_t offset;
    std::uint16_t length;
    VxSortCompare compare;
    void* userValue;
};

struct VxSortRun;
struct VxSortMerge;

class VX_EXPORT VxSort {
public:
    explicit VxSort(std::uint32_t recordLength = 0);
    virtual ~VxSort();
    VxSort(const VxSort&) = delete;
    VxSort& operator=(const VxSort&) = delete;

    // Sorts `count` pointers in place with `compare`, which receives the
    // user value and the addresses of two array elements (pointers to the
    // pointers). Stable order among equals is not promised.
    static VxStatus sortPointers(void** items, std::uint32_t count, VxSortCompare compare,
                                 void* userValue);

    void setRecordLength(std::uint32_t recordLength);
    std::uint32_t getRecordLength() const { return recordLength_; }
    // The 65th key fails with 2710.
    VxStatus addKey(std::uint16_t flags, std::uint16_t offset, std::uint16_t length);
    VxStatus addKey(std::uint16_t flags, std::uint16_t offset, std::uint16_t length,
                    VxSortCompare compare, void* userValue);
    std::uint16_t getKeyCount() const { return keyCount_; }
    // Limits the 64 KiB buffers in memory (1 to 64; default 64).
    void setMaxBuffers(std::uint16_t count);

    // Reserves the next record and returns its address for the caller to fill.
    VxStatus nextSlot(void** slot);
    VxStatus addRecord(const void* record);
    // Records added so far (in memory and in runs).
    std::uint64_t getTotalCount() const { return totalCount_; }
    bool hasSpilled() const { return (flags_ & FLAG_SPILLED) != 0; }
    std::uint32_t getRunCount() const { return runCount_; }

    // Sort on first use, then hand out records in order; null at the end.
    VxStatus getSorted(const void** record);
    VxStatus getFirstRecord(const void** record);
    VxStatus getNextRecord(const void** record) { return getSorted(record); }
    // As getSorted; *equalKeys is the number of leading keys in which the
    // record equals the one returned before (0 for the first).
    VxStatus getSortedWithCompare(const void** record, std::uint16_t* equalKeys);
    // Positions at the first record equal in all keys to `key` (a record
    // image) and returns it, or null; getNextRecord continues after it.
    VxStatus getFirstRecordWithKey(const void* key, const void** record);

    // Sorts a caller-owned buffer of `count` records in place.
    void setBuf(std::uint32_t count, void* buffer);
    VxStatus sortBuf();
    // Sorts again (after the keys or the start key changed) and restarts reading.
    VxStatus reSort();

    // Comparisons begin at this key; records equal in the keys before it
    // keep their stretches when sorted in memory.
    void setStartKey(std::uint16_t keyIndex) { startKey_ = keyIndex; }
    // Marks a stretch of the output: from the record last returned when the
    // range starts to the record last returned when it ends.
    VxStatus startResortRange();
    void endResortRange();
    // Sorts the stretch again by the keys from `keyIndex` on (only by that
    // key when `singleKey`).
    VxStatus resortRange(std::uint16_t keyIndex, bool singleKey);
    VxStatus getFirstRecordInRange(const void** record);
    VxStatus getNextRecordInRange(const void** record);

private:
    friend struct VxSortMergeAccess;
    enum : std::uint32_t {
        FLAG_BUFFERS = 0x01,
        FLAG_SPILLED = 0x02,
        FLAG_SORTED = 0x04,
        FLAG_KEYS = 0x08,
        FLAG_CALLER_BUFFER = 0x10,
        FLAG_RANGE_OPEN = 0x20,
    };

    char* recordAt(std::uint32_t number) const {
        return buffers_[number / recordsPerBuffer_] +
               static_cast<std::size_t>(number % recordsPerBuffer_) * recordLength_;
    }
    int compareKey(const VxSortKey& key, const char* a, const char* b) const;
    int compareKeys(const char* a, const char* b, std::uint16_t from, std::uint16_t to) const;
    int compareRecords(const char* a, const char* b) const {
        return compareKeys(a, b, 0, keyCount_);
    }

    // In-memory sort (VxSortQuick.cpp).
    VxStatus sortMemory();
    VxStatus sortRange(std::uint32_t first, std::uint32_t last, std::uint16_t from,
                       std::uint16_t to);
    void sortSmall(std::uint32_t first, std::uint32_t count, std::uint16_t from,
                   std::uint16_t to);
    std::uint32_t choosePivot(std::uint32_t first, std::uint32_t last, std::uint16_t from,
                              std::uint16_t to);
    std::uint32_t partition(std::uint32_t first, std::uint32_t last, std::uint16_t from,
                            std::uint16_t to);
    void swapRecords(std::uint32_t a, std::uint32_t b);
    void orderPair(std::uint32_t a, std::uint32_t b, std::uint16_t from, std::uint16_t to);

    // Buffers and spilling (VxSort.cpp).
    VxStatus allocateBuffer(bool* gotOne);
    VxStatus spill();
    VxStatus openTempFile();
    VxStatus writeRecords(std::int64_t offset, std::uint32_t count);
    VxStatus readRecords(std::int64_t offset, std::uint32_t count);
    VxStatus addRun(std::int64_t offset, std::uint64_t count);
    VxStatus finish();
    VxStatus rechunkRuns();
    void releaseBuffers();
    std::uint32_t slotCount() const { return bufferCount_ * recordsPerBuffer_; }

    // Merging (VxSortMerge.cpp).
    VxStatus prepareMerge();
    VxStatus mergePass();
    VxStatus mergeNext(const char** record);
    VxStatus seekRuns(const char* key);
    void freeMerge();

    // Reading and ranges.
    VxStatus nextSortedRecord(const char** record);
    VxStatus rememberPrevious(const char* record);
    VxStatus appendToRange(const char* record);
    static int compareRangeRecords(void* userValue, const void* a, const void* b);

    std::uint32_t recordCount_ = 0;
    std::uint32_t readCursor_ = 0;
    std::uint16_t keyCount_ = 0;
    std::uint16_t startKey_ = 0;
    VxSortKey keys_[VX_SORT_MAX_KEYS] = {};
    std::uint32_t runCount_ = 0;
    VxSortRun* runs_ = nullptr;
    std::uint32_t runCapacity_ = 0;
    int tempHandle_ = 0;
    VxString tempName_;
    std::int64_t tempEnd_ = 0;
    std::uint32_t recordLength_ = 0;
    std::uint16_t bufferCount_ = 0;
    std::uint16_t maxBuffers_ = VX_SORT_MAX_BUFFERS;
    std::uint32_t recordsPerBuffer_ = 0;
    std::uint32_t flags_ = 0;
    char* buffers_[VX_SORT_MAX_BUFFERS] = {};
    VxSortMerge* merge_ = nullptr;
    char* previous_ = nullptr;
    bool hasPrevious_ = false;
    const char* last_ = nullptr; // the record last handed out
    std::uint64_t totalCount_ = 0;
    // The re-sort range: a copy of the stretch of output records.
    char* range_ = nullptr;
    std::uint32_t rangeCount_ = 0;
    std::uint32_t rangeCapacity_ = 0;
    std::uint32_t rangeCursor_ = 0;
    char** rangeIndex_ = nullptr; // the range's records in their re-sorted order
    bool rangeSorted_ = false;
};
