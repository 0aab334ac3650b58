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
// An index of up to COPY_LIMIT bytes of keys and handles is also copied,
// in key order, into one block of memory once it is built; probes then
// search that copy instead of the index's paged tree. Both answer the same
// rows in the same order. The range of each probe key met is remembered
// (by the key's bytes), so that a key probed again is not searched again.
//
// Row handle: the child's.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

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
    // Largest copy of an index (keys and handles) kept for probes, in
    // bytes; setCopyLimit changes it for lookups built later (0: none).
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
    // Copies the built index into entries_ when it is small enough.
    [[nodiscard]] VxStatus copyIndex();
    [[nodiscard]] VxStatus advance(bool* eof);
    // Positions the copy's range on the probe key in keyBuffer_.
    void findRange();
    const unsigned char* entryAt(std::size_t n) const { return entries_.data() + n * entrySize_; }
    // The next handle of the current range, from the copy or the index.
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
    FlatIndexLimit equal_;
    std::vector<unsigned char> keyBuffer_;
    std::vector<unsigned char> handle_;
    std::vector<unsigned char> entries_; // the copy: key then handle, per row
    std::size_t entrySize_ = 0;
    std::size_t entryCount_ = 0;
    std::size_t nextEntry_ = 0; // the copy's next entry of the current range
    std::size_t rangeEnd_ = 0;  // and the entry after the range
    // Ranges found, by the bytes of their probe key: first and end entry.
    std::unordered_map<std::string, std::pair<std::size_t, std::size_t>> ranges_;
    std::string probeBytes_;
    bool copied_ = false;
    bool built_ = false;
};
