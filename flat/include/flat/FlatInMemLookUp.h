// FlatInMemLookUp: the inner side of a nested-loop join read through an
// in-memory index. At the first fetch of an execution it reads its child
// (a table access) once and enters every row under the value of the
// child's join column; for each row of the outer side it then serves only
// the rows whose key equals the outer side's value, among them those that
// pass its filter (the join terms moved here from the join).
//
// The index only narrows the rows: every row served passes the whole
// filter, so the result is the join's result without the lookup.
//
// Up to COPY_LIMIT bytes of keys and handles are held in one block of
// memory, sorted by key, and probes binary-search it; a larger child goes
// into the index's tree (FlatInMemIndex), which pages to a temporary file.
// Both answer the same rows in the same order: equal keys in the child's
// order. The range of each probe key met is remembered
// (by the key's bytes), so that a key probed again is not searched again.
//
// Row handle: the child's.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "flat/FlatDataValue.h"
#include "flat/FlatIndex.h"
#include "flat/FlatOneChildResultSet.h"
#include "flat/FlatOpStream.h"

class FlatInMemIndex;
class FlatInMemIndexKey;

class VX_EXPORT FlatInMemLookUp : public FlatOneChildResultSet {
public:
    // Over `child` (owned); `inner` and `outer` are the join term's two
    // sides, `keyType` and `width` the form of the key.
    FlatInMemLookUp(FlatResultSetGlobalInfo* info, FlatResultSet* child, short keyType,
                    std::uint32_t width);
    ~FlatInMemLookUp() override;

    // The expressions of the key: over the child's row (`inner`) and over
    // the outer side's current row (`outer`), each `length` bytes of ops.
    [[nodiscard]] VxStatus setKey(const unsigned char* inner, std::size_t innerLength,
                                  const unsigned char* outer, std::size_t outerLength);
    FlatConditionList& getFilter() { return filter_; }
    // Most bytes of keys and handles held in memory; setCopyLimit changes
    // it for lookups built later (0: every lookup uses the tree).
    static constexpr std::size_t COPY_LIMIT = std::size_t{64} << 20;
    static void setCopyLimit(std::size_t bytes);
    // Hands the child over (the operator is then empty).
    FlatResultSet* releaseChild();

    [[nodiscard]] VxStatus open() override;
    [[nodiscard]] VxStatus close() override;
    [[nodiscard]] VxStatus fetchFirst(bool* eof) override;
    [[nodiscard]] VxStatus fetchNext(bool* eof) override;
    const char* getTitle() const override { return "In Mem Index:"; }

    void setExeProfile(const FlatQueryExeProfile& profile) override;

protected:
    [[nodiscard]] VxStatus dumpParts(VxString* out, unsigned indent) override;
    void computeCost() override;

private:
    [[nodiscard]] VxStatus build();
    [[nodiscard]] VxStatus spillToIndex();
    // Puts the gathered entries in key order.
    void sortEntries();
    [[nodiscard]] VxStatus advance(bool* eof);
    // Positions on the entries held in memory whose key is the probe key
    // in keyBuffer_.
    void findRange();
    const unsigned char* entryAt(std::size_t n) const { return entries_.data() + n * entrySize_; }
    // The next handle of the current range, from memory or the index.
    [[nodiscard]] VxStatus nextHandle(bool* end);
    void dropIndex();

    FlatOpStream inner_;
    FlatOpStream outer_;
    FlatConditionList filter_;
    short keyType_;
    std::uint32_t width_;
    FlatInMemIndex* index_ = nullptr;
    FlatInMemIndexKey* key_ = nullptr;
    FlatDataValue probe_;
    FlatIndexRange* range_ = nullptr; // over index_, once probed
    std::vector<unsigned char> keyBuffer_;
    std::vector<unsigned char> handle_;
    std::vector<unsigned char> entries_; // in memory: key then handle, per row
    std::size_t entrySize_ = 0;
    std::size_t entryCount_ = 0;
    std::size_t nextEntry_ = 0; // next entry of the current range in memory
    std::size_t rangeEnd_ = 0;  // and the entry after the range
    // Ranges found, by the bytes of their probe key: first and end entry.
    std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> ranges_;
    std::string probeBytes_;
    bool copied_ = false; // the rows are held in entries_, not in the tree
    bool built_ = false;
};
