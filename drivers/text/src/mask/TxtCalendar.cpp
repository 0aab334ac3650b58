#include "mask/TxtCalendar.h"

#include "util/bos.h"

bool txtIsLeapYear(long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned txtDaysInMonth(long year, unsigned month) {
    static const unsigned char days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return days[month - 1] + (month == 2 && txtIsLeapYear(year) ? 1 : 0);
}

bool txtIsValidDate(const TxtDate& date) {
    return date.year >= 1 && date.year <= 9999 && date.day >= 1 &&
           date.day <= txtDaysInMonth(date.year, date.month);
}

long txtDateToJulian(const TxtDate& date) {
    // Days from 1 March of year 0, counting years from March so that the
    // leap day falls at the end of each year.
    long year = date.year - (date.month <= 2 ? 1 : 0);
    long monthFromMarch = (date.month + 9) % 12;
    long era = year / 400;
    long yearOfEra = year - era * 400;
    long dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
    long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra + 1721120;
}

bool txtJulianToDate(long julian, TxtDate* date) {
    if (julian < TXT_JULIAN_FIRST || julian > TXT_JULIAN_LAST)
        return false;
    long days = julian - 1721120;
    long era = days / 146097;
    long dayOfEra = days - era * 146097;
    long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long monthFromMarch = (5 * dayOfYear + 2) / 153;
    long month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;
    date->day = static_cast<unsigned short>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    date->month = static_cast<unsigned short>(month);
    date->year = static_cast<short>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return true;
}

unsigned txtWeekday(const TxtDate& date) {
    return static_cast<unsigned>((txtDateToJulian(date) + 1) % 7);
}

void txtToday(TxtDate* date) {
    os_time now;
    bosdate(&now);
    date->year = static_cast<short>(now.year);
    date->month = now.month;
    date->day = now.day;
}
