// Calendar helpers of the conversion library: date validation, Julian day
// numbers and the parsing of ODBC date, time and timestamp texts.
//
// Dates are of the proleptic Gregorian calendar, years 1 to 9999. Every
// function that rejects its input raises 22008 ("Datetime field
// overflow.") on the current error list and returns VX_ERROR, leaving its
// outputs unchanged.
#pragma once

#include <sql.h>

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"

// Julian day numbers of the first and last dates handled.
constexpr long BASE_JULIAN_FIRST = 1721426; // 0001-01-01
constexpr long BASE_JULIAN_LAST = 5373484;  // 9999-12-31

// Year 1-9999, month 1-12, day within the month (February 29 only in leap
// years: divisible by 4 and not by 100 unless by 400).
VX_EXPORT VxStatus BaseValidateDate(long year, long month, long day);
// The same test, raising nothing.
VX_EXPORT bool BaseIsValidDate(long year, long month, long day);
VX_EXPORT bool BaseIsLeapYear(long year);

// The Julian day number of a date (1970-01-01 is 2440588). The date is
// not validated: validate it first.
VX_EXPORT long BaseDateToJulian(long year, long month, long day);
// The inverse; a day number outside BASE_JULIAN_FIRST..BASE_JULIAN_LAST
// raises 22008.
VX_EXPORT VxStatus BaseJulianToDate(long julian, short* year, unsigned short* month,
                                    unsigned short* day);

// "yyyy-mm-dd": characters 0-3 year, 5-6 month, 8-9 day, the separators
// not examined. A text shorter than 10 characters is refused.
VX_EXPORT VxStatus BaseStrToDate(const char* text, DATE_STRUCT* date);
// "hh:mm:ss": characters 0-1 hour (up to 23), 3-4 minute and 6-7 second
// (up to 59).
VX_EXPORT VxStatus BaseStrToTime(const char* text, TIME_STRUCT* time);
// "yyyy-mm-dd[ hh[:mm[:ss[.f...]]]]", 10 to 29 characters, reading only
// `length` bytes. A missing time part is taken from "00:00:00"; the text
// may end after a separator but not inside a field. From 20 characters on,
// character 19 is punctuation or white space and the rest are up to nine
// digits of fraction, scaled to nanoseconds.
VX_EXPORT VxStatus BaseStrToTimestamp(const char* text, std::size_t length,
                                      TIMESTAMP_STRUCT* timestamp);
