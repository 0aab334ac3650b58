// FlatKeyTable: an in-memory hash table of fixed-length entries, one per
// distinct key, for grouping and duplicate removal that fit in memory.
//
// An entry starts with the keys of a FlatSortKeys in their stored form
// (the key bytes, offsets as the keys give them), followed by the caller's
// data. Two records fall into the same entry exactly when the keys'
// comparison calls them equal. That holds for the stored forms the table
// can hash: NULL, numbers held as doubles, and CHAR / VARCHAR text under
// byte-wise comparison (hashed without trailing blanks, as CHAR compares).
// A key of any other form, a key whose values change storage between
// rows, or more entries than the memory limit allows make `find` answer
// KEY_TABLE_GIVE_UP: the caller then uses the sort instead.
//
// `sortEntries` orders the entries by the keys' comparison, so the table
// yields what a sort followed by dropping equal neighbours yields.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"

class FlatOpStreamGlobalInfo;
class FlatSortKeys;

enum FlatKeyTableResult { KEY_TABLE_FOUND, KEY_TABLE_ADDED, KEY_TABLE_GIVE_UP };

class FlatKeyTable {
public:
    // `entryLength` counts the key bytes and the caller's data; `limit` is
    // the memory the entries and the hash may take together.
    FlatKeyTable(FlatSortKeys* keys, FlatOpStreamGlobalInfo* info, std::uint32_t entryLength,
                 std::size_t limit);
    ~FlatKeyTable();
    FlatKeyTable(const FlatKeyTable&) = delete;
    FlatKeyTable& operator=(const FlatKeyTable&) = delete;

    // Whether keys that long are worth holding this way.
    static bool suits(std::uint32_t entryLength) { return entryLength <= MAX_ENTRY; }

    // Looks up the keys of `record` (stored at the start, as in an entry).
    // KEY_TABLE_FOUND: *entry is the existing entry. KEY_TABLE_ADDED: a new
    // entry whose key bytes are copied from `record` and whose data is
    // zeroed. KEY_TABLE_GIVE_UP: see above; fails only when memory runs out.
    [[nodiscard]] VxStatus find(const unsigned char* record, unsigned char** entry,
                                FlatKeyTableResult* result);

    // Sorts the entries by their keys; then entry(i) is the i-th.
    [[nodiscard]] VxStatus sortEntries();
    std::uint32_t getCount() const { return count_; }
    unsigned char* entry(std::uint32_t i) const { return order_[i]; }

private:
    static constexpr std::uint32_t MAX_ENTRY = 4096;
    static constexpr std::uint32_t CHUNK = 65536;
    enum KeyForm : unsigned char { FORM_UNSEEN, FORM_DOUBLE, FORM_TEXT };

    bool hashRecord(const unsigned char* record, std::uint64_t* hash);
    [[nodiscard]] VxStatus grow();
    [[nodiscard]] VxStatus newEntry(unsigned char** entry);
    static int compareEntries(void* self, const void* a, const void* b);

    FlatSortKeys* keys_;
    FlatOpStreamGlobalInfo* info_;
    std::uint32_t entryLength_;
    std::size_t limit_;
    std::size_t used_ = 0;
    KeyForm* forms_ = nullptr; // per key, the storage its values have had
    // Open addressing: slot i holds entry index + 1 (0 empty) and its hash.
    std::uint32_t* slots_ = nullptr;
    std::uint32_t* slotHashes_ = nullptr;
    std::uint32_t slotCount_ = 0;     // a power of two
    unsigned char** order_ = nullptr; // the entries, in insertion order until sorted
    std::uint32_t orderCapacity_ = 0;
    std::uint32_t count_ = 0;
    unsigned char** chunks_ = nullptr;
    std::uint32_t chunkCount_ = 0;
    std::uint32_t chunkUsed_ = CHUNK; // bytes taken of the last chunk
};
