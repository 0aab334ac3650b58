// TxtSharedField: one column of a text table's shared description.
//
// Besides what the engine reads of every column (name, SQL type, precision,
// scale, nullability), a text column keeps how it lies in the file: its
// type letter ('V' VARCHAR, 'N' NUMERIC, 'D' DATE), the compiled date mask
// of a DATE column, the offset of a Fixed column and the characters kept
// when a value is read. A VARCHAR column reports its declared width as
// precision, or, when the width was measured on the lines scanned when
// guessing, the longest value seen there (it then keeps more, so that a
// longer value on a later line is returned whole). Every text column is nullable: an empty field is
// NULL.
#pragma once

#include <cstdint>

#include "flat/FlatSharedField.h"
#include "guess/TxtGuessResult.h"
#include "mask/TxtDateMask.h"

class TxtSharedField : public FlatSharedField {
public:
    // VARCHAR columns carry this attribute word.
    static constexpr std::uint16_t VARCHAR_ATTRIBUTES = 8;
    // A DATE column's precision (the characters of yyyy-mm-dd).
    static constexpr std::uint32_t DATE_PRECISION = 10;

    TxtSharedField() = default;

    // Takes name, type, mask, offset and width of `column`; `readWidth` is
    // what the table's reader keeps of it. Fails only when memory runs out.
    [[nodiscard]] VxStatus describe(const TxtGuessField& column, std::uint16_t readWidth);

    char getTypeLetter() const { return type_; }
    const TxtDateMask& getMask() const { return mask_; }
    std::uint16_t getOffset() const { return offset_; }
    std::uint16_t getWidth() const { return width_; }
    // Width, precision and scale were measured when guessing: a later line
    // may hold a wider value than the precision reported.
    bool isMeasured() const { return measured_; }

private:
    char type_ = TXT_COLUMN_VARCHAR;
    TxtDateMask mask_;
    std::uint16_t offset_ = 0;
    std::uint16_t width_ = 0;
    bool measured_ = false;
};
