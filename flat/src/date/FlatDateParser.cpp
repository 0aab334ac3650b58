// The engine's date parser: date literals, CTOD and DATEVAL, and the
// drivers' date texts.
//
//   text := blanks? dateNumber (sep dateNumber){0,2} (blank+ timeNumber
//           ([:.] timeNumber){0,2})? blanks?
//   sep  := the separator character or blanks
//
// A number directly followed by ":" starts the time part even when fewer
// than three date numbers were read.
#include <cstring>

#include "error/FlatErrors.h"
#include "flat/FlatDate.h"
#include "util/bos.h"

namespace {

struct DateParts {
    long date[3] = {0, 0, 0};
    long time[3] = {0, 0, 0};
    int dateCount = 0;
    int timeCount = 0;
};

constexpr long NUMBER_LIMIT = 100000000; // numbers saturate here

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Splits the text into numbers; false on a character that fits nowhere.
bool splitNumbers(const char* text, std::size_t length, char separator, DateParts* parts) {
    std::size_t i = 0;
    bool inTime = false;
    while (i < length) {
        char c = text[i];
        if (c == ' ' || (!inTime && c == separator)) {
            ++i;
            continue;
        }
        if (inTime && (c == ':' || c == '.')) {
            ++i;
            continue;
        }
        if (!isDigit(c))
            return false;
        long value = 0;
        while (i < length && isDigit(text[i])) {
            if (value < NUMBER_LIMIT)
                value = value * 10 + (text[i] - '0');
            ++i;
        }
        bool colonFollows = i < length && text[i] == ':';
        if (!inTime && (parts->dateCount == 3 || colonFollows))
            inTime = true;
        if (inTime) {
            if (parts->timeCount == 3)
                return false;
            parts->time[parts->timeCount++] = value;
        } else {
            parts->date[parts->dateCount++] = value;
        }
    }
    return true;
}

long currentYear() {
    os_time now{};
    bosdate(&now);
    return now.year;
}

} // namespace

unsigned short flatParseDate(const char* text, std::size_t length, int order, char separator,
                             double* value) {
    std::size_t start = 0;
    while (start < length && text[start] == ' ')
        ++start;
    while (length > start && text[length - 1] == ' ')
        --length;
    DateParts parts;
    if (!splitNumbers(text + start, length - start, separator, &parts))
        return FLAT_MSG_INVALID_DATE;
    bool allZero = true;
    for (long n : parts.date)
        allZero = allZero && n == 0;
    for (long n : parts.time)
        allZero = allZero && n == 0;
    if (allZero) {
        *value = FLAT_BLANK_DATE;
        return 0;
    }
    long year = 0;
    long month = 0;
    long day = 0;
    if (parts.dateCount < 3) {
        year = currentYear();
        month = order == FLAT_ORDER_DMY ? parts.date[1] : parts.date[0];
        day = order == FLAT_ORDER_DMY ? parts.date[0] : parts.date[1];
    } else if (order == FLAT_ORDER_YMD) {
        year = parts.date[0], month = parts.date[1], day = parts.date[2];
    } else {
        month = order == FLAT_ORDER_DMY ? parts.date[1] : parts.date[0];
        day = order == FLAT_ORDER_DMY ? parts.date[0] : parts.date[1];
        year = parts.date[2];
        if (year < 100 && length - start <= 8)
            year += 1900;
    }
    if (order == FLAT_ORDER_YMD && parts.dateCount == 3 && year < 100 && length - start <= 8)
        year += 1900;
    if (month < 1 || month > 12)
        return FLAT_MSG_INCORRECT_MONTH;
    if (!flatIsValidDate(year, static_cast<int>(month), static_cast<int>(day)))
        return FLAT_MSG_INCORRECT_DAY;
    if (parts.time[0] >= 24)
        return FLAT_MSG_INCORRECT_HOUR;
    if (parts.time[1] >= 60)
        return FLAT_MSG_INCORRECT_MINUTE;
    if (parts.time[2] >= 60)
        return FLAT_MSG_INCORRECT_SECOND;
    double seconds = parts.time[0] * 3600.0 + parts.time[1] * 60.0 + parts.time[2];
    *value = static_cast<double>(
                 flatDateToJulian(year, static_cast<int>(month), static_cast<int>(day))) +
             seconds / FLAT_SECONDS_PER_DAY;
    return 0;
}

unsigned short flatParseTime(const char* text, std::size_t length, double* value) {
    long parts[3] = {0, 0, 0};
    int count = 0;
    std::size_t i = 0;
    while (i < length && text[i] == ' ')
        ++i;
    while (length > i && text[length - 1] == ' ')
        --length;
    while (i < length) {
        if (!isDigit(text[i]) || count == 3)
            return FLAT_MSG_INVALID_DATE;
        long number = 0;
        while (i < length && isDigit(text[i])) {
            if (number < NUMBER_LIMIT)
                number = number * 10 + (text[i] - '0');
            ++i;
        }
        parts[count++] = number;
        if (i < length && text[i] != ':')
            return FLAT_MSG_INVALID_DATE;
        if (i < length && ++i == length)
            return FLAT_MSG_INVALID_DATE; // a trailing ":"
    }
    if (count < 2)
        return FLAT_MSG_INVALID_DATE;
    if (parts[0] >= 24)
        return FLAT_MSG_INCORRECT_HOUR;
    if (parts[1] >= 60)
        return FLAT_MSG_INCORRECT_MINUTE;
    if (parts[2] >= 60)
        return FLAT_MSG_INCORRECT_SECOND;
    *value = (parts[0] * 3600.0 + parts[1] * 60.0 + parts[2]) / FLAT_SECONDS_PER_DAY;
    return 0;
}

VxStatus flatParseDateValue(const char* text, std::size_t length, int order, char separator,
                            double* value) {
    unsigned short message = flatParseDate(text, length, order, separator, value);
    if (message == 0)
        return VX_SUCCESS;
    char quoted[256];
    std::size_t shown = length < sizeof quoted - 1 ? length : sizeof quoted - 1;
    std::memcpy(quoted, text, shown);
    quoted[shown] = 0;
    addFlatError(message) << quoted;
    return VX_ERROR;
}
