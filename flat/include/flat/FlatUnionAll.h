// FlatUnionAll: the rows of its children one child after the other (the
// SELECTs of a UNION). Each child comes with the columns that give its
// values; the union's own columns (made by makeColumn) read the columns
// of the child that holds the current row.
//
// Row handle: 2 bytes, the child's number, then that child's handle; the
// size is the largest child handle plus 2.
#pragma once

#include <cstdint>

#include "flat/FlatResultSet.h"
#include "flat/FlatSelectExpr.h"
#include "util/VxArray.h"

class FlatProjection;

class VX_EXPORT FlatUnionAll : public FlatResultSet {
public:
    explicit FlatUnionAll(FlatResultSetGlobalInfo* info) : FlatResultSet(info) {}
    ~FlatUnionAll() override;

    // Appends a child (owned from now on, also on failure) whose values
    // are `columns`' columns (a projection inside or above it).
    [[nodiscard]] VxStatus addChild(FlatResultSet* child, FlatProjection* columns);
    // A column whose values are column `n` (from 0) of the current child's
    // columns; the description is copied from the first child's column
    // and widened for the others. The caller owns the column.
    [[nodiscard]] VxStatus makeColumn(std::uint16_t n, FlatResultSetColumn** column);

    [[nodiscard]] VxStatus fetchFirst(bool* eof) override;
    [[nodiscard]] VxStatus fetchNext(bool* eof) override;
    std::uint16_t getRowHandleSize() override;
    [[nodiscard]] VxStatus getRowHandle(unsigned char* handle) override;
    [[nodiscard]] VxStatus fetchByRowHandle(const unsigned char* handle,
                                            std::uint16_t* status) override;
    std::uint16_t getChildCount() const override { return children_.getCount(); }
    FlatResultSet* getChild(std::uint16_t n) const override;
    const char* getTitle() const override { return "Union:"; }

    // Column `n` of the current child, for the union's columns.
    [[nodiscard]] VxStatus evaluateColumn(std::uint16_t n, FlatDataValue* value);

private:
    [[nodiscard]] VxStatus firstFrom(std::uint16_t child, bool* eof);

    VxArray children_{4, false};
    VxArray columns_{4, false}; // FlatProjection* per child, not owned
    VxArray readers_{4, false}; // the readers of the union columns, owned
    std::uint16_t current_ = 0;
};
