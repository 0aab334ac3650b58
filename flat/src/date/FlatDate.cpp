// Calendar arithmetic, date texts and number texts.
#include "flat/FlatDate.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "util/bos.h"

namespace {

constexpr int monthOffset[12] = {0, 1, 0, 1, 1, 2, 2, 3, 4, 4, 5, 5};
constexpr long FIRST_DAY = 1721426; // 1 January of year 1

bool isLeapYear(long year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int monthLength(long year, int month) {
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : lengths[month - 1];
}

long floorDiv(long a, long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

void writeTwoDigits(unsigned char* out, long value) {
    value %= 100;
    out[0] = static_cast<unsigned char>('0' + value / 10);
    out[1] = static_cast<unsigned char>('0' + value % 10);
}

bool isBlankDate(double day) {
    return day >= FLAT_BLANK_DATE;
}

} // namespace

bool flatIsValidDate(long year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= monthLength(year, month);
}

long flatDateToJulian(long year, int month, int day) {
    long y = year - 1;
    long base = (month > 2 && !isLeapYear(year)) ? 1721424 : 1721425;
    return base + 365 * y + floorDiv(y, 4) - floorDiv(y, 100) + floorDiv(y, 400) + day +
           30 * (month - 1) + monthOffset[month - 1];
}

void flatJulianToDate(long dayNumber, long* year, int* month, int* day) {
    long days = dayNumber - FIRST_DAY;
    long cycles = floorDiv(days, 146097);
    days -= cycles * 146097;
    long centuries = days / 36524;
    if (centuries == 4)
        centuries = 3;
    days -= centuries * 36524;
    long quads = days / 1461;
    days -= quads * 1461;
    long years = days / 365;
    if (years == 4)
        years = 3;
    days -= years * 365;
    long y = 1 + cycles * 400 + centuries * 100 + quads * 4 + years;
    int m = 1;
    while (days >= monthLength(y, m)) {
        days -= monthLength(y, m);
        ++m;
    }
    *year = y;
    *month = m;
    *day = static_cast<int>(days) + 1;
}

void flatSplitDateTime(double value, long* dayNumber, long* seconds) {
    double whole = std::floor(value);
    long secs = std::lround((value - whole) * FLAT_SECONDS_PER_DAY);
    long days = static_cast<long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    *dayNumber = days;
    *seconds = secs;
}

std::size_t JulianToString(double day, unsigned short format, unsigned char separator,
                           unsigned char* out) {
    bool longYear = format >= 10;
    std::size_t length = longYear ? 10 : 8;
    if (isBlankDate(day) || !(std::fabs(day) < 1e9)) {
        std::memset(out, ' ', length);
        out[length] = 0;
        return length;
    }
    long dayNumber = 0;
    long seconds = 0;
    flatSplitDateTime(day, &dayNumber, &seconds);
    long year = 0;
    int month = 0;
    int dayOfMonth = 0;
    flatJulianToDate(dayNumber, &year, &month, &dayOfMonth);
    unsigned char yearText[4];
    writeTwoDigits(yearText, (year / 100) % 100);
    writeTwoDigits(yearText + 2, year % 100);
    const unsigned char* yearField = longYear ? yearText : yearText + 2;
    std::size_t yearWidth = longYear ? 4 : 2;
    unsigned char monthText[2];
    unsigned char dayText[2];
    writeTwoDigits(monthText, month);
    writeTwoDigits(dayText, dayOfMonth);
    const unsigned char* fields[3];
    std::size_t widths[3] = {2, 2, 2};
    switch (format % 10) {
    case FLAT_ORDER_DMY:
        fields[0] = dayText, fields[1] = monthText, fields[2] = yearField, widths[2] = yearWidth;
        break;
    case FLAT_ORDER_YMD:
        fields[0] = yearField, fields[1] = monthText, fields[2] = dayText, widths[0] = yearWidth;
        break;
    default:
        fields[0] = monthText, fields[1] = dayText, fields[2] = yearField, widths[2] = yearWidth;
        break;
    }
    unsigned char* p = out;
    for (int i = 0; i < 3; ++i) {
        if (i)
            *p++ = separator;
        std::memcpy(p, fields[i], widths[i]);
        p += widths[i];
    }
    *p = 0;
    return static_cast<std::size_t>(p - out);
}

void JulianToYrMoDy(double day, unsigned short* year, unsigned short* month,
                    unsigned short* dayOfMonth) {
    if (isBlankDate(day) || !(std::fabs(day) < 1e9)) {
        *year = *month = *dayOfMonth = 0;
        return;
    }
    long dayNumber = 0;
    long seconds = 0;
    flatSplitDateTime(day, &dayNumber, &seconds);
    long y = 0;
    int m = 0;
    int d = 0;
    flatJulianToDate(dayNumber, &y, &m, &d);
    *year = static_cast<unsigned short>(y);
    *month = static_cast<unsigned short>(m);
    *dayOfMonth = static_cast<unsigned short>(d);
}

int flatDayOfWeek(double day) {
    unsigned short year = 0;
    unsigned short month = 0;
    unsigned short dayOfMonth = 0;
    JulianToYrMoDy(day, &year, &month, &dayOfMonth);
    long m = month;
    long y = year;
    if (m < 3) {
        m += 12;
        y -= 1;
    }
    long sum = (3 * m + 3) / 5 + y / 4 + y / 400 + 2 * m + y + dayOfMonth - y / 100 + 1;
    return static_cast<int>(sum % 7) + 1;
}

// ---- Numbers ----------------------------------------------------------------

namespace {

// The length of the number at the start of text (after `start`), or 0.
std::size_t scanNumber(const char* text, std::size_t length, std::size_t start) {
    std::size_t i = start;
    if (i < length && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < length && text[i] >= '0' && text[i] <= '9')
        ++i, ++digits;
    if (i < length && text[i] == '.') {
        ++i;
        while (i < length && text[i] >= '0' && text[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < length && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < length && (text[j] == '+' || text[j] == '-'))
            ++j;
        std::size_t expDigits = 0;
        while (j < length && text[j] >= '0' && text[j] <= '9')
            ++j, ++expDigits;
        if (expDigits)
            i = j;
    }
    return i - start;
}

double convertScanned(const char* text, std::size_t length) {
    const char* first = text;
    const char* last = text + length;
    bool negative = false;
    if (first < last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    double value = 0;
    std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone: decide between overflow and
        // underflow by the exponent's sign.
        const char* e = static_cast<const char*>(std::memchr(first, 'e', last - first));
        if (!e)
            e = static_cast<const char*>(std::memchr(first, 'E', last - first));
        value = (e && e[1] == '-') ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

} // namespace

double flatStringToDouble(const char* text, std::size_t length) {
    std::size_t start = 0;
    while (start < length && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    std::size_t numberLength = scanNumber(text, length, start);
    return numberLength ? convertScanned(text + start, numberLength) : 0.0;
}

double StringToDouble(const unsigned char* text) {
    const char* chars = reinterpret_cast<const char*>(text);
    return flatStringToDouble(chars, std::strlen(chars));
}

bool flatParseNumber(const char* text, std::size_t length, double* value) {
    std::size_t start = 0;
    while (start < length && text[start] == ' ')
        ++start;
    while (length > start && text[length - 1] == ' ')
        --length;
    std::size_t numberLength = scanNumber(text, length, start);
    if (numberLength == 0 || start + numberLength != length)
        return false;
    *value = convertScanned(text + start, numberLength);
    return true;
}

double flatToday() {
    os_time now{};
    bosdate(&now);
    return static_cast<double>(flatDateToJulian(now.year, now.month, now.day));
}

double flatCurrentTime() {
    os_time now{};
    bosdate(&now);
    return (now.hour * 3600.0 + now.minute * 60.0 + now.second) / FLAT_SECONDS_PER_DAY;
}
