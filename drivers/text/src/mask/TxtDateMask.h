// TxtDateMask: a compiled date mask, and reading and writing dates with it.
//
// A mask text is compiled into a string of codes of at most
// TXT_DATE_MASK_MAX bytes:
//
//   code  text                 meaning
//   1 2   m mm                 month number, written "%u" / "%.2u"
//   3-5   mmm Mmm MMM          three-letter month: lower, capitalised, upper
//   6-8   mmmm Mmmm MMMM       full month name, same three cases
//   9 10  d dd                 day of month, "%u" / "%.2u"
//   11-13 ddd Ddd DDD          three-letter weekday
//   14-16 dddd Dddd DDDD       full weekday name
//   17 18 yy yyyy              year: "%.2u" of year mod 100 / "%.4u"
//   19    J                    Julian day number, decimal
//   20-25 / - . : , blank      separators
//   28 c  \c                   the character c literally
//   29 n  "text" or 'text'     the n characters of text literally
//
// Runs of m, d and y are taken whole in either letter case; 1- and
// 2-letter runs of m and d and the 2- and 4-letter runs of y may mix cases,
// the 3- and 4-letter name forms must be one of the three spellings above.
//
// Reading: leading blanks are skipped; the date starts as day 1 of the
// current month of the current year; separators, escaped characters and
// quoted text skip as many characters of the text, whatever they are; a
// two-digit year is 19yy; text after the mask is ignored. A text that does
// not match, or whose date does not exist, raises 1262.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mask/TxtCalendar.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

constexpr std::size_t TXT_DATE_MASK_MAX = 33;

class TxtDateMask {
public:
    enum Code : std::uint8_t {
        MONTH = 1,
        MONTH2 = 2,
        MONTH_ABBREV_LOWER = 3,
        MONTH_ABBREV_CAPITAL = 4,
        MONTH_ABBREV_UPPER = 5,
        MONTH_NAME_LOWER = 6,
        MONTH_NAME_CAPITAL = 7,
        MONTH_NAME_UPPER = 8,
        DAY = 9,
        DAY2 = 10,
        WEEKDAY_ABBREV_LOWER = 11,
        WEEKDAY_ABBREV_CAPITAL = 12,
        WEEKDAY_ABBREV_UPPER = 13,
        WEEKDAY_NAME_LOWER = 14,
        WEEKDAY_NAME_CAPITAL = 15,
        WEEKDAY_NAME_UPPER = 16,
        YEAR2 = 17,
        YEAR4 = 18,
        JULIAN = 19,
        SEPARATOR_SLASH = 20, // 20-25: "/-.:, "
        SEPARATOR_LAST = 25,
        ESCAPED = 28,
        QUOTED = 29,
    };

    TxtDateMask() = default;

    // Compiles `text`; raises 1255-1260 (SQLSTATE 37000) and fails on a
    // text that is not a mask, leaving the mask empty.
    VxStatus compile(const char* text, std::size_t length);
    VxStatus compile(const char* text);
    // Compiles without raising: false with the message number in *messageId.
    bool tryCompile(const char* text, std::size_t length, unsigned short* messageId);
    void clear() {
        length_ = 0;
        readsYearAndMonth_ = false;
        fixedWidth_ = 0;
    }

    bool isEmpty() const { return length_ == 0; }
    std::size_t length() const { return length_; }
    const std::uint8_t* codes() const { return codes_; }
    bool operator==(const TxtDateMask& other) const;

    // Appends the mask's text (the text compile reads back to this mask):
    // quoted text goes between double quotes, or apostrophes when it holds
    // a double quote.
    VxStatus toText(VxString* out) const;

    // Reads a date from `length` bytes of text (raises 1262). A field of
    // digits followed directly by another digit fails, unless the mask's
    // next code is itself a field of digits ("mmddyy").
    VxStatus parse(const char* text, std::size_t length, TxtDate* date) const;
    // Writes `date` into `out` (room for width + 1 bytes), NUL-terminated,
    // its length in *length. A text longer than `width` raises 1261; an
    // invalid date raises 1262.
    VxStatus format(const TxtDate& date, char* out, std::size_t width, std::size_t* length) const;

private:
    bool append(std::uint8_t code);
    // Whether reading sets the year and the month (or the whole date).
    bool readsYearAndMonth() const;
    // The width of the text a mask of only two- and four-digit fields and
    // separators reads (0 for other masks), and the reading of such text
    // when it is laid out exactly so (false: read it the general way).
    std::uint8_t fixedWidth() const;
    bool parseFixed(const char* text, std::size_t length, TxtDate* date) const;
    unsigned short compileRun(const char* run, std::size_t count, char letter);

    std::uint8_t codes_[TXT_DATE_MASK_MAX] = {};
    std::uint8_t length_ = 0;
    bool readsYearAndMonth_ = false; // readsYearAndMonth(), worked out when compiled
    std::uint8_t fixedWidth_ = 0;    // fixedWidth(), likewise
};
