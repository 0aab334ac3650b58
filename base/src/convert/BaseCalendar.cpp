// Date validation, Julian day numbers and date/time text parsing.
#include "base/BaseCalendar.h"

#include <cctype>
#include <cstring>

#include "base/BaseErrors.h"

namespace {

constexpr long DAYS_PER_400_YEARS = 146097;
constexpr long DAYS_PER_100_YEARS = 36524;
constexpr long DAYS_PER_4_YEARS = 1461;

// Days before the first of each month beyond 30 per month, for a
// non-leap year counted from March (see BaseDateToJulian).
constexpr int MONTH_CORRECTION[12] = {0, 1, 0, 1, 1, 2, 2, 3, 4, 4, 5, 5};
constexpr int DAYS_IN_MONTH[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

VxStatus dateTimeOverflow() {
    addOdbcError(ODBC_22008);
    return VX_ERROR;
}

// The decimal value of `count` digits at `text`; false when one is not a
// digit.
bool readDigits(const char* text, int count, long* value) {
    long result = 0;
    for (int i = 0; i < count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        result = result * 10 + (text[i] - '0');
    }
    *value = result;
    return true;
}

VxStatus parseDate(const char* text, DATE_STRUCT* date) {
    long year, month, day;
    if (!readDigits(text, 4, &year) || !readDigits(text + 5, 2, &month) ||
        !readDigits(text + 8, 2, &day))
        return dateTimeOverflow();
    if (BaseValidateDate(year, month, day) != VX_SUCCESS)
        return VX_ERROR;
    date->year = static_cast<SQLSMALLINT>(year);
    date->month = static_cast<SQLUSMALLINT>(month);
    date->day = static_cast<SQLUSMALLINT>(day);
    return VX_SUCCESS;
}

VxStatus parseTime(const char* text, TIME_STRUCT* time) {
    long hour, minute, second;
    if (!readDigits(text, 2, &hour) || !readDigits(text + 3, 2, &minute) ||
        !readDigits(text + 6, 2, &second) || hour > 23 || minute > 59 || second > 59)
        return dateTimeOverflow();
    time->hour = static_cast<SQLUSMALLINT>(hour);
    time->minute = static_cast<SQLUSMALLINT>(minute);
    time->second = static_cast<SQLUSMALLINT>(second);
    return VX_SUCCESS;
}

// The fraction digits at `text` scaled to nanoseconds.
bool readFraction(const char* text, std::size_t count, SQLUINTEGER* fraction) {
    long value = 0;
    if (count > 0 && !readDigits(text, static_cast<int>(count), &value))
        return false;
    for (std::size_t i = count; i < 9; ++i)
        value *= 10;
    *fraction = static_cast<SQLUINTEGER>(value);
    return true;
}

} // namespace

bool BaseIsLeapYear(long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

bool BaseIsValidDate(long year, long month, long day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1)
        return false;
    long last = DAYS_IN_MONTH[month - 1];
    if (month == 2 && BaseIsLeapYear(year))
        last = 29;
    return day <= last;
}

VxStatus BaseValidateDate(long year, long month, long day) {
    return BaseIsValidDate(year, month, day) ? VX_SUCCESS : dateTimeOverflow();
}

long BaseDateToJulian(long year, long month, long day) {
    long base = (month > 2 && !BaseIsLeapYear(year)) ? 1721424 : 1721425;
    long y = year - 1;
    long m = (month >= 1 && month <= 12) ? month : 1;
    return base + 365 * y + y / 4 - y / 100 + y / 400 + day + 30 * (m - 1) +
           MONTH_CORRECTION[m - 1];
}

VxStatus BaseJulianToDate(long julian, short* year, unsigned short* month, unsigned short* day) {
    if (julian < BASE_JULIAN_FIRST || julian > BASE_JULIAN_LAST)
        return dateTimeOverflow();
    long days = julian - BASE_JULIAN_FIRST;
    long cycles400 = days / DAYS_PER_400_YEARS;
    days %= DAYS_PER_400_YEARS;
    long centuries = days / DAYS_PER_100_YEARS;
    if (centuries == 4) // the last day of a 400-year cycle
        centuries = 3;
    days -= centuries * DAYS_PER_100_YEARS;
    long cycles4 = days / DAYS_PER_4_YEARS;
    days %= DAYS_PER_4_YEARS;
    long years = days / 365;
    if (years == 4) // the last day of a 4-year cycle
        years = 3;
    days -= years * 365;
    long y = 400 * cycles400 + 100 * centuries + 4 * cycles4 + years + 1;
    int m = 0;
    for (; m < 11; ++m) {
        long length = DAYS_IN_MONTH[m] + ((m == 1 && BaseIsLeapYear(y)) ? 1 : 0);
        if (days < length)
            break;
        days -= length;
    }
    *year = static_cast<short>(y);
    *month = static_cast<unsigned short>(m + 1);
    *day = static_cast<unsigned short>(days + 1);
    return VX_SUCCESS;
}

VxStatus BaseStrToDate(const char* text, DATE_STRUCT* date) {
    if (!text || strnlen(text, 10) < 10)
        return dateTimeOverflow();
    return parseDate(text, date);
}

VxStatus BaseStrToTime(const char* text, TIME_STRUCT* time) {
    if (!text || strnlen(text, 8) < 8)
        return dateTimeOverflow();
    return parseTime(text, time);
}

VxStatus BaseStrToTimestamp(const char* text, std::size_t length, TIMESTAMP_STRUCT* timestamp) {
    // A text may stop after a field or its separator, never inside a field.
    if (!text || length < 10 || length > 29 || length == 12 || length == 15 || length == 18)
        return dateTimeOverflow();
    char full[19];
    std::memcpy(full, "0000-00-00 00:00:00", sizeof full);
    std::memcpy(full, text, length < sizeof full ? length : sizeof full);
    DATE_STRUCT date;
    TIME_STRUCT time;
    SQLUINTEGER fraction = 0;
    if (parseDate(full, &date) != VX_SUCCESS || parseTime(full + 11, &time) != VX_SUCCESS)
        return VX_ERROR;
    if (length >= 20) {
        unsigned char mark = static_cast<unsigned char>(text[19]);
        if (!(std::ispunct(mark) || std::isspace(mark)) ||
            !readFraction(text + 20, length - 20, &fraction))
            return dateTimeOverflow();
    }
    timestamp->year = date.year;
    timestamp->month = date.month;
    timestamp->day = date.day;
    timestamp->hour = time.hour;
    timestamp->minute = time.minute;
    timestamp->second = time.second;
    timestamp->fraction = fraction;
    return VX_SUCCESS;
}
