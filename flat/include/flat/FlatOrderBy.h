// FlatOrderBy: sorts its child's rows by a list of keys (VxSort, which
// spills to temporary files past its memory) and numbers them in that
// order. A sort record is the keys' stored values followed by the child's
// row handle; only the handles are kept after the sort, so rows are
// reached again through the child. Duplicate removal (FlatDistinct) keeps
// one record per key in a hash table instead while the keys fit in the
// sort's memory, and hands out the kept handles in key order.
#pragma once

#include <cstdint>

#include "flat/FlatOrdinalResultSet.h"
#include "flat/FlatSortKeys.h"

class VX_EXPORT FlatOrderBy : public FlatOrdinalResultSet {
public:
    FlatOrderBy(FlatResultSetGlobalInfo* info, FlatResultSet* child);

    FlatSortKeys& getKeys() { return keys_; }
    // Limits the sort's 64 KiB buffers in memory (1 to 64).
    void setMaxSortBuffers(std::uint16_t count) { maxBuffers_ = count; }
    // Whether the last sort went through temporary files.
    bool hasSpilled() const { return spilled_; }
    const char* getTitle() const override { return "Order By:"; }

protected:
    bool materializes() const override { return true; }
    [[nodiscard]] VxStatus materialize() override;
    [[nodiscard]] VxStatus dumpParts(VxString* out, unsigned indent) override;

    bool dropDuplicates_ = false;

private:
    static int compareRecords(void* self, const void* a, const void* b);
    // Duplicate removal in a hash table while the distinct keys fit in
    // the sort's memory; *done stays false when they do not, or when a key
    // cannot be hashed, and the rows are then sorted instead.
    [[nodiscard]] VxStatus distinctInMemory(bool* done);

    FlatSortKeys keys_;
    std::uint16_t maxBuffers_ = 0;
    bool spilled_ = false;
};
