// Reading dates through a compiled mask and writing them with it.
#include <cstdio>
#include <cstring>

#include "error/TxtErrors.h"
#include "mask/TxtDateMask.h"
#include "util/str.h"

namespace {

// Month and weekday names, upper case, from the driver's string table.
void monthAbbrev(unsigned month, char out[4]) {
    std::memcpy(out, txtGetString(TXT_STR_MONTH_ABBREVS) + 3 * (month - 1), 3);
    out[3] = 0;
}
void weekdayAbbrev(unsigned weekday, char out[4]) {
    std::memcpy(out, txtGetString(TXT_STR_DAY_ABBREVS) + 3 * weekday, 3);
    out[3] = 0;
}
const char* monthName(unsigned month) {
    return txtGetString(static_cast<unsigned short>(TXT_STR_FIRST_MONTH_NAME + month - 1));
}
const char* weekdayName(unsigned weekday) {
    return txtGetString(static_cast<unsigned short>(TXT_STR_FIRST_DAY_NAME + weekday));
}

// Writes the upper-case abbreviation of month or weekday N.
using NameOf = void (*)(unsigned, char*);

class DateReader {
public:
    DateReader(const char* text, std::size_t length) : text_(text), length_(length) {
        while (pos_ < length_ && text_[pos_] == ' ')
            ++pos_;
    }

    // One or two digits: two when both are digits and their value lies in
    // 1..high, else one digit in 1..high.
    bool readSmall(unsigned high, unsigned* value) {
        if (digitAt(pos_) && digitAt(pos_ + 1)) {
            unsigned two = 10 * digit(pos_) + digit(pos_ + 1);
            if (two >= 1 && two <= high) {
                *value = two;
                pos_ += 2;
                return true;
            }
        }
        if (!digitAt(pos_) || digit(pos_) < 1 || digit(pos_) > high)
            return false;
        *value = digit(pos_++);
        return true;
    }
    bool readDigits(std::size_t count, unsigned* value) {
        unsigned result = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (!digitAt(pos_ + i))
                return false;
            result = 10 * result + digit(pos_ + i);
        }
        pos_ += count;
        *value = result;
        return true;
    }
    bool readRun(long* value) {
        long result = 0;
        std::size_t start = pos_;
        while (digitAt(pos_) && result <= TXT_JULIAN_LAST)
            result = 10 * result + digit(pos_++);
        *value = result;
        return pos_ > start;
    }
    // Matches one of `count` names (case-insensitively); *index from 0.
    bool matchName(const char* (*nameOf)(unsigned), unsigned first, unsigned count,
                   unsigned* index) {
        for (unsigned i = 0; i < count; ++i)
            if (matchText(nameOf(first + i))) {
                *index = i;
                return true;
            }
        return false;
    }
    bool matchAbbrev(NameOf nameOf, unsigned first, unsigned count, unsigned* index) {
        char name[4];
        for (unsigned i = 0; i < count; ++i) {
            nameOf(first + i, name);
            if (matchText(name)) {
                *index = i;
                return true;
            }
        }
        return false;
    }
    // Whether a digit comes next.
    bool atDigit() const { return digitAt(pos_); }
    bool skip(std::size_t count) {
        if (length_ - pos_ < count)
            return false;
        pos_ += count;
        return true;
    }

private:
    bool digitAt(std::size_t at) const { return at < length_ && vxIsDigit(text_[at]); }
    unsigned digit(std::size_t at) const { return static_cast<unsigned>(text_[at] - '0'); }
    bool matchText(const char* name) {
        std::size_t count = std::strlen(name);
        if (length_ - pos_ < count || !strEqualCi(text_ + pos_, count, name, count))
            return false;
        pos_ += count;
        return true;
    }

    const char* text_;
    std::size_t length_;
    std::size_t pos_ = 0;
};

// Whether a code reads a number of digits.
bool readsDigits(std::uint8_t code) {
    using M = TxtDateMask;
    return code == M::MONTH || code == M::MONTH2 || code == M::DAY || code == M::DAY2 ||
           code == M::YEAR2 || code == M::YEAR4 || code == M::JULIAN;
}

// Applies one code other than QUOTED; false when the text does not match it.
bool readCode(DateReader& reader, const std::uint8_t* codes, std::size_t* i, TxtDate* date) {
    using M = TxtDateMask;
    std::uint8_t code = codes[*i];
    unsigned value = 0;
    long julian = 0;
    switch (code) {
    case M::MONTH:
    case M::MONTH2:
        if (!reader.readSmall(12, &value))
            return false;
        date->month = static_cast<unsigned short>(value);
        return true;
    case M::MONTH_ABBREV_LOWER:
    case M::MONTH_ABBREV_CAPITAL:
    case M::MONTH_ABBREV_UPPER:
        if (!reader.matchAbbrev(monthAbbrev, 1, 12, &value))
            return false;
        date->month = static_cast<unsigned short>(value + 1);
        return true;
    case M::MONTH_NAME_LOWER:
    case M::MONTH_NAME_CAPITAL:
    case M::MONTH_NAME_UPPER:
        if (!reader.matchName(monthName, 1, 12, &value))
            return false;
        date->month = static_cast<unsigned short>(value + 1);
        return true;
    case M::DAY:
    case M::DAY2:
        if (!reader.readSmall(31, &value))
            return false;
        date->day = static_cast<unsigned short>(value);
        return true;
    case M::WEEKDAY_ABBREV_LOWER:
    case M::WEEKDAY_ABBREV_CAPITAL:
    case M::WEEKDAY_ABBREV_UPPER:
        return reader.matchAbbrev(weekdayAbbrev, 0, 7, &value);
    case M::WEEKDAY_NAME_LOWER:
    case M::WEEKDAY_NAME_CAPITAL:
    case M::WEEKDAY_NAME_UPPER:
        return reader.matchName(weekdayName, 0, 7, &value);
    case M::YEAR2:
        if (!reader.readDigits(2, &value))
            return false;
        date->year = static_cast<short>(1900 + value);
        return true;
    case M::YEAR4:
        if (!reader.readDigits(4, &value))
            return false;
        date->year = static_cast<short>(value);
        return true;
    case M::JULIAN:
        return reader.readRun(&julian) && txtJulianToDate(julian, date);
    case M::ESCAPED:
        ++*i;
        return reader.skip(1);
    default:
        return reader.skip(1);
    }
}

// Appends `text` in the letter case of `form` (0 lower, 1 capitalised, 2 upper).
std::size_t appendName(char* out, const char* text, int form) {
    std::size_t count = std::strlen(text);
    for (std::size_t i = 0; i < count; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        bool upper = form == 2 || (form == 1 && i == 0);
        out[i] = static_cast<char>(upper ? vxToUpper(c) : vxToLower(c));
    }
    return count;
}

} // namespace

bool TxtDateMask::readsYearAndMonth() const {
    bool year = false;
    bool month = false;
    for (std::size_t i = 0; i < length_; ++i) {
        const std::uint8_t code = codes_[i];
        if (code == JULIAN)
            return true;
        year = year || code == YEAR2 || code == YEAR4;
        month = month || (code >= MONTH && code <= MONTH_NAME_UPPER);
        if (code == QUOTED)
            i += 1u + codes_[i + 1];
        else if (code == ESCAPED)
            ++i;
    }
    return year && month;
}

std::uint8_t TxtDateMask::fixedWidth() const {
    if (!readsYearAndMonth_)
        return 0;
    std::size_t width = 0;
    for (std::size_t i = 0; i < length_; ++i) {
        const std::uint8_t code = codes_[i];
        if (code == YEAR4)
            width += 4;
        else if (code == YEAR2 || code == MONTH2 || code == DAY2)
            width += 2;
        else if (code >= SEPARATOR_SLASH && code <= SEPARATOR_LAST)
            width += 1;
        else
            return 0;
    }
    return width <= 255 ? static_cast<std::uint8_t>(width) : 0;
}

// Every field's digits in place, each two-digit month or day in range and
// no digit where the general reading would see a field run on: that
// reading takes the same fields then.
bool TxtDateMask::parseFixed(const char* text, std::size_t length, TxtDate* date) const {
    if (length < fixedWidth_ || (length > fixedWidth_ && vxIsDigit(text[fixedWidth_])))
        return false;
    TxtDate result{1, 1, 1};
    std::size_t at = 0;
    for (std::size_t i = 0; i < length_; ++i) {
        const std::uint8_t code = codes_[i];
        if (code >= SEPARATOR_SLASH) {
            if (vxIsDigit(text[at++]))
                return false;
            continue;
        }
        const std::size_t width = code == YEAR4 ? 4 : 2;
        unsigned value = 0;
        for (std::size_t k = 0; k < width; ++k, ++at) {
            if (!vxIsDigit(text[at]))
                return false;
            value = 10 * value + static_cast<unsigned>(text[at] - '0');
        }
        if (code == YEAR4)
            result.year = static_cast<short>(value);
        else if (code == YEAR2)
            result.year = static_cast<short>(1900 + value);
        else if (value < 1 || value > (code == MONTH2 ? 12u : 31u))
            return false;
        else if (code == MONTH2)
            result.month = static_cast<unsigned short>(value);
        else
            result.day = static_cast<unsigned short>(value);
    }
    if (!txtIsValidDate(result))
        return false;
    *date = result;
    return true;
}

VxStatus TxtDateMask::parse(const char* text, std::size_t length, TxtDate* date) const {
    if (fixedWidth_ && parseFixed(text, length, date))
        return VX_SUCCESS;
    // Today's date is asked for only when the mask leaves it to decide
    // the year or the month.
    TxtDate result{1, 1, 1};
    if (!readsYearAndMonth_)
        txtToday(&result);
    result.day = 1;
    DateReader reader(text, length);
    bool ok = length_ > 0;
    for (std::size_t i = 0; ok && i < length_; ++i) {
        if (codes_[i] == QUOTED) {
            std::size_t count = codes_[i + 1];
            i += 1 + count;
            ok = reader.skip(count);
            continue;
        }
        const std::uint8_t code = codes_[i];
        ok = readCode(reader, codes_, &i, &result);
        // A number that runs straight into more digits is not this field:
        // 7/4/2005 is no m/d/yy date (never 1920-07-04), 13/4/95 no m/d/yy
        // date either. Only a following field of digits may take them.
        if (ok && readsDigits(code) && reader.atDigit() &&
            (i + 1 >= length_ || !readsDigits(codes_[i + 1])))
            ok = false;
    }
    if (!ok || !txtIsValidDate(result)) {
        txtAddError(ODBC_37000, TXT_MSG_DATE_NOT_CONVERTED);
        return VX_ERROR;
    }
    *date = result;
    return VX_SUCCESS;
}

VxStatus TxtDateMask::format(const TxtDate& date, char* out, std::size_t width,
                             std::size_t* length) const {
    if (!txtIsValidDate(date)) {
        txtAddError(ODBC_37000, TXT_MSG_DATE_NOT_CONVERTED);
        return VX_ERROR;
    }
    char text[512];
    std::size_t n = 0;
    unsigned weekday = txtWeekday(date);
    char abbrev[4];
    for (std::size_t i = 0; i < length_; ++i) {
        std::uint8_t code = codes_[i];
        char* at = text + n;
        if (code == MONTH || code == DAY) {
            n += std::snprintf(at, 8, "%u", code == MONTH ? date.month : date.day);
        } else if (code == MONTH2 || code == DAY2) {
            n += std::snprintf(at, 8, "%.2u", code == MONTH2 ? date.month : date.day);
        } else if (code >= MONTH_ABBREV_LOWER && code <= MONTH_ABBREV_UPPER) {
            monthAbbrev(date.month, abbrev);
            n += appendName(at, abbrev, code - MONTH_ABBREV_LOWER);
        } else if (code >= MONTH_NAME_LOWER && code <= MONTH_NAME_UPPER) {
            n += appendName(at, monthName(date.month), code - MONTH_NAME_LOWER);
        } else if (code >= WEEKDAY_ABBREV_LOWER && code <= WEEKDAY_ABBREV_UPPER) {
            weekdayAbbrev(weekday, abbrev);
            n += appendName(at, abbrev, code - WEEKDAY_ABBREV_LOWER);
        } else if (code >= WEEKDAY_NAME_LOWER && code <= WEEKDAY_NAME_UPPER) {
            n += appendName(at, weekdayName(weekday), code - WEEKDAY_NAME_LOWER);
        } else if (code == YEAR2 || code == YEAR4) {
            unsigned year = static_cast<unsigned>(date.year);
            n += std::snprintf(at, 8, code == YEAR2 ? "%.2u" : "%.4u",
                               code == YEAR2 ? year % 100 : year);
        } else if (code == JULIAN) {
            n += std::snprintf(at, 12, "%ld", txtDateToJulian(date));
        } else if (code >= SEPARATOR_SLASH && code <= SEPARATOR_LAST) {
            text[n++] = "/-.:, "[code - SEPARATOR_SLASH];
        } else if (code == ESCAPED && i + 1 < length_) {
            text[n++] = static_cast<char>(codes_[++i]);
        } else if (code == QUOTED && i + 1 < length_) {
            std::size_t count = codes_[i + 1];
            std::memcpy(at, codes_ + i + 2, count);
            n += count;
            i += 1 + count;
        }
    }
    if (n > width) {
        txtAddError(ODBC_22001, TXT_MSG_DATE_TOO_WIDE);
        return VX_ERROR;
    }
    std::memcpy(out, text, n);
    out[n] = 0;
    *length = n;
    return VX_SUCCESS;
}
