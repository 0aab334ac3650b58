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
// Row handle: the child's.
#pragma once

#include <cstdint>
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
    [[nodiscard]] VxStatus advance(bool* eof);
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
    bool built_ = false;
};
