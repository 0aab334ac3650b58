// XlsFileField: the value of one column in the current row of a cursor,
// as its cell gave it (number, boolean, text or nothing), and its
// conversion to the column's type when the engine asks for it:
//
//   logical    a boolean cell; an error cell is NULL
//   number     the cell's number
//   date       serial + 2415019 (1900 system) or + 2416481 (1904 system)
//              is the Julian day number
//   time       the fraction of the serial
//   timestamp  both
//   character  a label's text (cut to the column's width); a number with
//              two decimals, or, in a date, time or timestamp format, as
//              that value's text; a boolean as "1" or "0"
//
// Serials are rounded to the second before they are split into day and
// time, so a time never reads as hour 24. Empty cells, error cells and a
// number outside the dates handled are NULL.
#pragma once

#include <sql.h>

#include <cstddef>
#include <cstdint>

#include "book/XlsColumnList.h"
#include "record/XlsCell.h"
#include "util/VxStatus.h"

class FlatDataValue;

class XlsFileField {
public:
    // Room for a text of 255 characters in UTF-8.
    static constexpr std::size_t TEXT_BUFFER = 255 * 3 + 1;

    void clear() { kind_ = XLS_CELL_EMPTY; }
    // Keeps the value of `cell`; `format` is the type its number format
    // implies (number, date, time or timestamp), `width` the column's.
    void set(const XlsCell& cell, XlsColumnType format, std::uint16_t width, bool utf8);
    bool isNull() const;

    // The value as column type `type` into `out`.
    [[nodiscard]] VxStatus deliver(XlsColumnType type, bool is1904, FlatDataValue* out);

private:
    void setText(const std::uint8_t* text, std::size_t length, bool utf8);
    void formatNumber(bool is1904);

    XlsCellKind kind_ = XLS_CELL_EMPTY;
    XlsColumnType format_ = XLS_TYPE_NUMBER;
    std::uint16_t width_ = 255;
    double number_ = 0;
    char text_[TEXT_BUFFER] = {};
    std::size_t textLength_ = 0;
    union {
        unsigned char bit;
        double number;
        DATE_STRUCT date;
        TIME_STRUCT time;
        TIMESTAMP_STRUCT timestamp;
    } out_{};
};
