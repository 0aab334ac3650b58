// FlatJoin: the nested-loop join of two operators. The left child is the
// outer loop, the right child is read again from its first row for every
// left row. A combined row is a result when every condition of the join's
// WHERE filter (the terms whose latest table is the right child's) holds.
//
// A left outer join also has an ON filter: a right row joins only when the
// ON filter holds, and a left row that no right row matched yields one
// row with the right side NULL, if the WHERE filter accepts it.
//
// Row handle: the left child's handle followed by the right child's; an
// outer join puts one byte in front, 1 when the right side is the NULL row.
#pragma once

#include "flat/FlatResultSet.h"

class VX_EXPORT FlatJoin : public FlatResultSet {
public:
    // Takes ownership of both children.
    FlatJoin(FlatResultSetGlobalInfo* info, FlatResultSet* left, FlatResultSet* right);
    ~FlatJoin() override;

    FlatConditionList& getFilter() { return filter_; }
    // Makes this a left outer join; its ON filter.
    void setOuter(bool outer) { outer_ = outer; }
    bool isOuter() const { return outer_; }
    FlatConditionList& getOnFilter() { return onFilter_; }
    // Puts `right` in place of the right child and hands the old one over.
    FlatResultSet* replaceRight(FlatResultSet* right) {
        FlatResultSet* old = right_;
        right_ = right;
        return old;
    }
    // Exchanges the outer and inner child of an inner join: the same rows
    // result, in the order of the new outer side.
    void swapChildren() {
        FlatResultSet* left = left_;
        left_ = right_;
        right_ = left;
    }

    [[nodiscard]] VxStatus fetchFirst(bool* eof) override;
    [[nodiscard]] VxStatus fetchNext(bool* eof) override;
    std::uint16_t getRowHandleSize() override;
    [[nodiscard]] VxStatus getRowHandle(unsigned char* handle) override;
    [[nodiscard]] VxStatus fetchByRowHandle(const unsigned char* handle,
                                            std::uint16_t* status) override;
    void setNullRow(bool on) override;
    std::uint16_t getChildCount() const override { return 2; }
    FlatResultSet* getChild(std::uint16_t n) const override;
    const char* getTitle() const override { return "Join:"; }

protected:
    [[nodiscard]] VxStatus dumpParts(VxString* out, unsigned indent) override;

private:
    // From the right child's current state on, finds the next combined row
    // (`rightAtEnd`: the right child has no current row).
    [[nodiscard]] VxStatus advance(bool rightAtEnd, bool* eof);
    // The right child is exhausted for the current left row: the NULL row
    // of an unmatched outer row (*found), else nothing.
    [[nodiscard]] VxStatus tryNullRow(bool* found);
    // Moves to the next left row and the first right row of it.
    [[nodiscard]] VxStatus nextLeft(bool* leftAtEnd, bool* rightAtEnd);
    void setRightNull(bool on);

    FlatResultSet* left_;
    FlatResultSet* right_;
    FlatConditionList filter_;
    FlatConditionList onFilter_;
    bool outer_ = false;
    bool matched_ = false; // the current left row found a right row
    bool nullRow_ = false; // the current result is NULL-extended
};
