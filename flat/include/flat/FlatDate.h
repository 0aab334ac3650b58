// Date, time and number helpers of the flat engine.
//
// Inside expressions every date, time and timestamp is one double: the
// Julian day number of the date (1 January 1970 is 2440588) plus the time
// of day as a fraction (seconds / 86400). A time alone has day number 0.
// FLAT_BLANK_DATE stands for the blank (empty) date.
#pragma once

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"

constexpr double FLAT_BLANK_DATE = 1e100;
constexpr double FLAT_SECONDS_PER_DAY = 86400.0;

// Date orders of the date parser, DTOC and JulianToString.
enum FlatDateOrder : int {
    FLAT_ORDER_MDY = 0,
    FLAT_ORDER_DMY = 1,
    FLAT_ORDER_YMD = 2,
};

// The calendar: the same day numbers as the framework's calendar helpers
// (these three functions are the only place the engine computes them).

// True for a date of the proleptic Gregorian calendar: month 1-12, day
// 1 to the month's length, 29 February in years divisible by 4 and, for
// century years, by 400.
VX_EXPORT bool flatIsValidDate(long year, int month, int day);
// The Julian day number of a valid date.
VX_EXPORT long flatDateToJulian(long year, int month, int day);
// The date of a day number.
VX_EXPORT void flatJulianToDate(long dayNumber, long* year, int* month, int* day);
// Splits a date value into its day number and the seconds of its time of
// day (rounded to the nearest second; 86400 carries into the next day).
VX_EXPORT void flatSplitDateTime(double value, long* dayNumber, long* seconds);

// Writes the date `day` as text and a NUL: the last decimal digit of
// `format` chooses the order (FlatDateOrder), a format of 10 or more
// writes four-digit years, otherwise two; every field has two digits, the
// separator stands between the fields. The blank date writes blanks of the
// same width. `out` needs 11 bytes. Returns the text's length (8 or 10).
VX_EXPORT std::size_t JulianToString(double day, unsigned short format, unsigned char separator,
                                     unsigned char* out);
// Year, month and day of a date value; 0, 0, 0 for the blank date.
VX_EXPORT void JulianToYrMoDy(double day, unsigned short* year, unsigned short* month,
                              unsigned short* dayOfMonth);
// 1 (Sunday) to 7 (Saturday).
VX_EXPORT int flatDayOfWeek(double day);

// The number at the start of a NUL-terminated text: leading blanks, an
// optional sign, digits with at most one ".", an optional exponent; reading
// stops at the first character that does not fit. No digits give 0.
VX_EXPORT double StringToDouble(const unsigned char* text);
// The same over a counted text.
VX_EXPORT double flatStringToDouble(const char* text, std::size_t length);
// Strict form: the whole text (blanks around it allowed) must be a number.
// Returns false, leaving *value unchanged, otherwise.
VX_EXPORT bool flatParseNumber(const char* text, std::size_t length, double* value);

// Parses a date text: up to three date numbers separated by `separator`
// or blanks, then up to three time numbers separated by ":" or ".". All
// numbers zero give the blank date. With FLAT_ORDER_DMY day and month are
// swapped, with FLAT_ORDER_YMD the year comes first. A year below 100 in a
// text of at most 8 characters gets 1900 added; a text with one number
// takes the current year. Returns 0 and stores the value, or the message
// id of the first check that fails (3940 invalid character, 3941 month,
// 3942 day, 3943 hour, 3938 minute, 3939 second) and leaves *value alone.
VX_EXPORT unsigned short flatParseDate(const char* text, std::size_t length, int order,
                                       char separator, double* value);
// Parses a time text "hh:mm[:ss]" into a fraction of a day. Returns 0, or
// 3940 for another character, 3943, 3938 or 3939 for an hour, minute or
// second out of range.
VX_EXPORT unsigned short flatParseTime(const char* text, std::size_t length, double* value);

// flatParseDate that raises its message, with the text as %s1 and the
// SQLSTATE the message carries, on failure.
[[nodiscard]] VX_EXPORT VxStatus flatParseDateValue(const char* text, std::size_t length, int order,
                                                    char separator, double* value);

// Today's date (UTC) as a day number, and the current time of day (UTC) as
// a fraction of a day.
VX_EXPORT double flatToday();
VX_EXPORT double flatCurrentTime();
