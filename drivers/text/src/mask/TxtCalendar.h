// Day numbers and the calendar rules the date masks need.
//
// Dates are of the proleptic Gregorian calendar, years 1 to 9999. Day
// numbers are Julian day numbers: 1 January 1970 is 2440588. These are the
// only calendar routines of the driver's file-format code, so they can be
// pointed at the framework's calendar in one place.
#pragma once

#include <cstdint>

struct TxtDate {
    short year;
    unsigned short month;
    unsigned short day;
};

constexpr long TXT_JULIAN_FIRST = 1721426; // 0001-01-01
constexpr long TXT_JULIAN_LAST = 5373484;  // 9999-12-31

bool txtIsLeapYear(long year);
// Days of `month` (1-12) in `year`; 0 for a month outside 1-12.
unsigned txtDaysInMonth(long year, unsigned month);
// Whether the date lies in years 1-9999 and its day within its month.
bool txtIsValidDate(const TxtDate& date);
// The day number of a valid date.
long txtDateToJulian(const TxtDate& date);
// The date of a day number; false outside TXT_JULIAN_FIRST..TXT_JULIAN_LAST.
bool txtJulianToDate(long julian, TxtDate* date);
// 0 Sunday ... 6 Saturday.
unsigned txtWeekday(const TxtDate& date);
// Today's date (UTC).
void txtToday(TxtDate* date);
