// FlatIndexExpr: a compiled key or filter expression of an index over one
// table, compiled from an expression text over the table's columns or
// from a single column number. It keeps the postfix op stream and the
// expression's result type; the table's columns are table 1 of the
// stream.
#pragma once

#include <cstdint>
#include <vector>

#include "util/VxExport.h"
#include "util/VxStatus.h"

class FlatSharedDesc;

class VX_EXPORT FlatIndexExpr {
public:
    // Compiles `text` over the columns of `desc`; errors are the
    // compiler's.
    [[nodiscard]] VxStatus compile(FlatSharedDesc* desc, const char* text);
    // The expression of column `field` of `desc` (0x32 for an unknown one).
    [[nodiscard]] VxStatus compile(FlatSharedDesc* desc, std::uint16_t field);

    const unsigned char* getOps() const { return ops_.data(); }
    std::size_t getLength() const { return ops_.size(); }
    // Expression type (FlatExprType.h) of the result.
    short getResultType() const { return resultType_; }
    // The column when the expression is a bare column, else FIELD_NONE.
    std::uint16_t getField() const { return field_; }

    static constexpr std::uint16_t FIELD_NONE = 0xFFFF;

private:
    std::vector<unsigned char> ops_;
    short resultType_ = 0;
    std::uint16_t field_ = FIELD_NONE;
};
