#include "statement/Or7Value.h"

#include <cctype>
#include <cstdlib>
#include <string>

bool or7DecimalExponent(const char* text, std::size_t length, int* exponent) {
    std::size_t i = 0;
    int digitsBeforePoint = 0;
    int firstSignificant = 0; // position of the first non-zero digit
    bool found = false;
    bool afterPoint = false;
    int position = 0; // digits read so far, counting from the first one
    for (; i < length; ++i) {
        char c = text[i];
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            if (c == 'e' || c == 'E')
                break;
            continue;
        }
        if (!afterPoint)
            ++digitsBeforePoint;
        if (c != '0' && !found) {
            found = true;
            firstSignificant = position;
        }
        ++position;
    }
    if (!found)
        return false;
    int written = 0;
    if (i < length)
        written = static_cast<int>(
            std::strtol(std::string(text + i + 1, length - i - 1).c_str(), nullptr, 10));
    *exponent = digitsBeforePoint - firstSignificant - 1 + written;
    return true;
}

void or7DateToTimestamp(const unsigned char* date, TIMESTAMP_STRUCT* out) {
    int century = date[0] - 100;
    int year = date[1] - 100;
    out->year = static_cast<SQLSMALLINT>(century * 100 + year);
    out->month = date[2];
    out->day = date[3];
    out->hour = static_cast<SQLUSMALLINT>(date[4] - 1);
    out->minute = static_cast<SQLUSMALLINT>(date[5] - 1);
    out->second = static_cast<SQLUSMALLINT>(date[6] - 1);
    out->fraction = 0;
}

void or7TimestampToDate(const TIMESTAMP_STRUCT& value, unsigned char* date) {
    int year = value.year;
    date[0] = static_cast<unsigned char>(year / 100 + 100);
    date[1] = static_cast<unsigned char>(year % 100 + 100);
    date[2] = static_cast<unsigned char>(value.month);
    date[3] = static_cast<unsigned char>(value.day);
    date[4] = static_cast<unsigned char>(value.hour + 1);
    date[5] = static_cast<unsigned char>(value.minute + 1);
    date[6] = static_cast<unsigned char>(value.second + 1);
}
