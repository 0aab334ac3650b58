// FlatOrderBy: sorts its child's rows by a list of keys (VxSort, which
// spills to temporary files past its memory) and numbers them in that
// order. A sort record is the keys' stored values followed by the child's
// row handle. When the child is the select list and its values are small
// (FLAT_CARRY_LIMIT), the record also carries every column's value for the
// row: the sorted rows are then served from the kept records without
// reading the tables again, and the handle (kept behind the keys) brings
// the tables back to the row only when something needs their records
// (a positioned change, the ROWID). Otherwise only the handles are kept
// after the sort and rows are reached again through the child; so too for
// a row with a value longer than its column's room, and for the rest of
// the execution once a row had to be brought back.
//
// Duplicate removal (FlatDistinct) keeps
// one record per key in a hash table instead while the keys fit in the
// sort's memory, and hands out the kept handles in key order.
#pragma once

#include <cstdint>

#include <vector>

#include "flat/FlatOrdinalResultSet.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatSortKeys.h"

// Bytes past which a row's values are not carried in its sort record.
constexpr std::uint32_t FLAT_CARRY_LIMIT = 320;

class FlatProjection;

class VX_EXPORT FlatOrderBy : public FlatOrdinalResultSet, public FlatColumnCarrier {
public:
    FlatOrderBy(FlatResultSetGlobalInfo* info, FlatResultSet* child);
    ~FlatOrderBy() override;

    FlatSortKeys& getKeys() { return keys_; }
    // Limits the sort's 64 KiB buffers in memory (1 to 64).
    void setMaxSortBuffers(std::uint16_t count) { maxBuffers_ = count; }
    // Whether the last sort went through temporary files.
    bool hasSpilled() const { return spilled_; }
    // Whether the last execution carried the rows' values in its records,
    // and how many rows it served without reading the child again.
    bool isCarrying() const { return carry_; }
    std::uint32_t getServedCount() const { return served_; }

    bool carriedValue(std::uint16_t slot, FlatDataValue* value, short* sqlType) override;
    [[nodiscard]] VxStatus attachRow() override;
    const char* getTitle() const override { return "Order By:"; }

protected:
    bool materializes() const override { return true; }
    [[nodiscard]] VxStatus materialize() override;
    [[nodiscard]] VxStatus dumpParts(VxString* out, unsigned indent) override;
    std::uint16_t storedRecordSize() override;
    [[nodiscard]] VxStatus restoreRow(const unsigned char* record, std::uint16_t* status) override;
    void reset() override;

    bool dropDuplicates_ = false;

private:
    static int compareRecords(void* self, const void* a, const void* b);
    // Writes the number prefix of the record (its keys behind it).
    void writePrefix(unsigned char* record) const;
    // Duplicate removal in a hash table while the distinct keys fit in
    // the sort's memory; *done stays false when they do not, or when a key
    // cannot be hashed, and the rows are then sorted instead.
    [[nodiscard]] VxStatus distinctInMemory(bool* done);
    // Decides whether this execution carries values; sets carry_ and the
    // slots' places.
    void planCarry();
    // Stores the select list's values of the child's current row behind
    // the handle in `stored` (the record's part after the keys).
    [[nodiscard]] VxStatus carryValues(unsigned char* stored);
    void stopServing();

    FlatSortKeys keys_;
    std::uint16_t maxBuffers_ = 0;
    bool spilled_ = false;
    std::uint32_t prefix_ = 0; // bytes ahead of the keys in a sort record

    // Carried values: each column's slot starts at carryOffsets_[i] of the
    // stored record (8-byte aligned), carryWidths_[i] value bytes.
    FlatProjection* carrySource_ = nullptr;
    std::vector<std::uint32_t> carryOffsets_;
    std::vector<std::uint32_t> carryWidths_;
    std::uint16_t handleSize_ = 0;
    std::uint16_t storedSize_ = 0;
    const unsigned char* current_ = nullptr; // stored record being served
    std::uint32_t served_ = 0;
    bool carry_ = false;
    bool serving_ = false;  // the current row comes from current_
    bool attached_ = false; // the child stands on the served row too
    bool noServe_ = false;  // a row was brought back: re-read from now on
};
