// FlatGroupBy: grouping and aggregates. At the first fetch it reads its
// child into a hash table of groups while they fit in the sort's memory
// (and have no DISTINCT aggregate); otherwise it reads the child sorted by
// the group-by keys (VxSort, spilling past its memory). Either way the
// groups come out in the order of their keys, one group row per group:
// the row handle of the group's first child row and an accumulator per
// aggregate. A group row passes into the result when the HAVING
// conditions hold for it. Without GROUP BY the whole input is one group,
// so an empty input still gives one row.
//
// Making a group row current moves the child to the group's first row
// (or to the NULL row for the group of an empty input), so that the
// group-by columns read as usual; aggregate references of the select
// list read the accumulators (the operator whose row was made current
// last is the statement's aggregate source). DISTINCT aggregates count
// each different value of their argument once: the stretch of sorted
// records of a group is sorted again by that argument.
//
// Row handle: 4 bytes, the group row's number from 1.
#pragma once

#include <cstdint>

#include "flat/FlatAggregateRegistry.h"
#include "flat/FlatOneChildResultSet.h"
#include "flat/FlatRowSource.h"
#include "flat/FlatSortKeys.h"

class VxSort;
class VxTmpFile;

class VX_EXPORT FlatGroupBy : public FlatOneChildResultSet,
                              public FlatAggregateSource,
                              public FlatAggregateRegistry {
public:
    FlatGroupBy(FlatResultSetGlobalInfo* info, FlatResultSet* child);
    ~FlatGroupBy() override;

    // The group-by keys (empty: one group over the whole input).
    FlatSortKeys& getGroupKeys() { return groupKeys_; }
    FlatConditionList& getHaving() { return having_; }
    std::uint16_t getAggregateCount() const { return aggregateCount_; }
    // Whether `ops` is one of the group-by expressions.
    bool isGroupKey(const unsigned char* ops, std::size_t length) const;
    // Hands the child over to the caller (the operator is then empty).
    FlatResultSet* releaseChild();
    void setMaxSortBuffers(std::uint16_t count) { maxBuffers_ = count; }
    // Whether the last grouping sort went through temporary files.
    bool hasSpilled() const { return spilled_; }

    [[nodiscard]] VxStatus addAggregate(FlatAggregateKind kind, bool distinct,
                                        const unsigned char* ops, std::size_t length, short argType,
                                        std::uint32_t argLength, std::uint16_t* column) override;
    [[nodiscard]] VxStatus getAggregateValue(std::uint32_t groupRef, std::uint16_t column,
                                             FlatDataValue* value, short* sqlType) override;

    [[nodiscard]] VxStatus open() override;
    [[nodiscard]] VxStatus close() override;
    [[nodiscard]] VxStatus fetchFirst(bool* eof) override;
    [[nodiscard]] VxStatus fetchNext(bool* eof) override;
    std::uint16_t getRowHandleSize() override { return 4; }
    [[nodiscard]] VxStatus getRowHandle(unsigned char* handle) override;
    [[nodiscard]] VxStatus fetchByRowHandle(const unsigned char* handle,
                                            std::uint16_t* status) override;
    void setNullRow(bool on) override;
    std::uint16_t getColumnCount() const override { return 0; }
    FlatResultSetColumn* getColumn(std::uint16_t) const override { return nullptr; }
    const char* getTitle() const override { return "Group By:"; }

protected:
    [[nodiscard]] VxStatus dumpParts(VxString* out, unsigned indent) override;

private:
    struct Aggregate {
        FlatAggregateKind kind;
        bool distinct;          // counted once per value (not MIN and MAX)
        std::uint16_t argument; // its argument's key in arguments_
        std::uint16_t sortKey;  // the sort key of a DISTINCT argument
        std::uint32_t offset;   // accumulator in the group row
        unsigned char* ops;     // the argument as compiled, for sharing
        std::size_t length;
    };
    struct KeyCompare {
        FlatGroupBy* self;
        std::uint32_t offset;
        short compareType;
    };

    [[nodiscard]] VxStatus materialize();
    // Groups the child's rows in a hash table while the groups fit in the
    // sort's memory; *done stays false when they do not, or when a key
    // cannot be hashed, and the rows are then sorted instead.
    [[nodiscard]] VxStatus groupInMemory(bool* done);
    [[nodiscard]] VxStatus addSortKeys(VxSort* sort);
    // Reads the child into `sort`, or, when it is null, into one group.
    [[nodiscard]] VxStatus readChild(VxSort* sort);
    [[nodiscard]] VxStatus readSorted(VxSort* sort);
    [[nodiscard]] VxStatus prepareLayout();
    [[nodiscard]] VxStatus startGroup(const unsigned char* record);
    // The argument's stored value in a sort record (null for COUNT(*)).
    const unsigned char* argumentSlot(const Aggregate& aggregate,
                                      const unsigned char* record) const;
    // Adds the argument in `slot` to the aggregate's accumulator in `row`.
    void accumulate(Aggregate& aggregate, const unsigned char* slot, unsigned char* row);
    [[nodiscard]] VxStatus finishGroup(VxSort* sort);
    [[nodiscard]] VxStatus makeCurrent(const unsigned char* row, std::uint16_t* status);
    [[nodiscard]] VxStatus fetchRow(std::uint32_t row, std::uint16_t* status);
    void reset();
    static int compareKey(void* context, const void* a, const void* b);

    FlatSortKeys groupKeys_;
    FlatSortKeys arguments_; // the aggregates' arguments, in the sort record
    FlatConditionList having_;
    Aggregate* aggregates_ = nullptr;
    std::uint16_t aggregateCount_ = 0;
    KeyCompare* keyCompares_ = nullptr;
    std::uint32_t handleSize_ = 0;
    std::uint32_t recordLength_ = 0;
    std::uint32_t rowLength_ = 0;
    unsigned char* groupFirst_ = nullptr; // the first sort record of the group
    unsigned char* groupRow_ = nullptr;   // the group row being built
    unsigned char* current_ = nullptr;    // the current group row
    VxTmpFile* file_ = nullptr;
    std::uint32_t rows_ = 0;
    std::uint32_t currentRow_ = 0;
    std::uint16_t maxBuffers_ = 0;
    bool built_ = false;
    bool inGroup_ = false;
    bool hasDistinct_ = false;
    bool nullRow_ = false;
    bool spilled_ = false;
};
