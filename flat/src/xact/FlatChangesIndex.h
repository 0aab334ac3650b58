// FlatChangesIndex: for one unique index of a table, the keys that rows
// changed in the open transaction hold now, so that uniqueness is checked
// inside the transaction before anything reaches the table.
//
//   key tree:     full key -> transaction handle of the row holding it
//   reverse tree: transaction handle -> its key and a mark (1: holds the
//                 key, 0: holds no key any more: deleted, or a NULL part)
//
// A row of the table that the reverse tree knows holds exactly what the
// tree says, whatever the table still has. Keys are compared byte by byte
// (the double key parts store minus zero as zero, so equal numbers have
// equal bytes).
#pragma once

#include <cstdint>
#include <vector>

#include "util/VxStatus.h"

class FlatFileIndex;
class VxTree;

class FlatChangesIndex {
public:
    FlatChangesIndex(FlatFileIndex* index, std::uint16_t handleSize);
    ~FlatChangesIndex();
    FlatChangesIndex(const FlatChangesIndex&) = delete;
    FlatChangesIndex& operator=(const FlatChangesIndex&) = delete;

    // Creates the trees; fails when memory runs out.
    [[nodiscard]] VxStatus initialize();
    FlatFileIndex* getIndex() const { return index_; }
    // The row holding `key`; *found false when no changed row does.
    [[nodiscard]] VxStatus findKey(const unsigned char* key, unsigned char* handle, bool* found);
    // Whether the transaction changed the key of row `handle` (*known).
    [[nodiscard]] VxStatus isRowKnown(const unsigned char* handle, bool* known);
    // Row `handle` now holds `key` (null: no key); its previous key is freed.
    [[nodiscard]] VxStatus setRowKey(const unsigned char* handle, const unsigned char* key);
    [[nodiscard]] VxStatus reset();

private:
    FlatFileIndex* index_;
    std::uint16_t handleSize_;
    std::uint16_t keyLength_;
    VxTree* keys_ = nullptr;
    VxTree* rows_ = nullptr;
    std::vector<unsigned char> entry_; // key and mark
};
