#include "statement/Or7Value.h"

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
