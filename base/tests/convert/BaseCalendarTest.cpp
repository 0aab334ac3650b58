// Calendar helpers: validation, Julian day numbers both ways, and the
// parsing of date, time and timestamp texts.
#include <gtest/gtest.h>

#include <cstring>

#include "base/BaseCalendar.h"
#include "base/BaseOdbcId.h"
#include "util/VxError.h"

namespace {

class BaseCalendarTest : public ::testing::Test {
protected:
    BaseCalendarTest() : scope_(&list_) {}
    std::string lastState() {
        VxError* last = list_.getLastError();
        return last ? baseGetSqlState(last->getSqlStateId()) : "";
    }
    VxErrorList list_{nullptr, 1};
    VxErrorListScope scope_;
};

TEST_F(BaseCalendarTest, ValidatesMonthLengthsAndLeapYears) {
    EXPECT_EQ(BaseValidateDate(2000, 2, 29), VX_SUCCESS);
    EXPECT_EQ(BaseValidateDate(1996, 2, 29), VX_SUCCESS);
    EXPECT_EQ(BaseValidateDate(1900, 2, 29), VX_ERROR);
    EXPECT_EQ(lastState(), "22008");
    EXPECT_EQ(BaseValidateDate(1995, 2, 29), VX_ERROR);
    EXPECT_EQ(BaseValidateDate(1995, 4, 31), VX_ERROR);
    EXPECT_EQ(BaseValidateDate(1995, 6, 30), VX_SUCCESS);
    EXPECT_EQ(BaseValidateDate(1995, 12, 31), VX_SUCCESS);
    EXPECT_EQ(BaseValidateDate(1995, 13, 1), VX_ERROR);
    EXPECT_EQ(BaseValidateDate(1995, 0, 1), VX_ERROR);
    EXPECT_EQ(BaseValidateDate(1995, 1, 0), VX_ERROR);
    EXPECT_EQ(BaseValidateDate(0, 1, 1), VX_ERROR);
    EXPECT_EQ(BaseValidateDate(1, 1, 1), VX_SUCCESS);
    EXPECT_EQ(BaseValidateDate(9999, 12, 31), VX_SUCCESS);
    EXPECT_EQ(BaseValidateDate(10000, 1, 1), VX_ERROR);
}

TEST_F(BaseCalendarTest, JulianDayNumbersOfKnownDates) {
    EXPECT_EQ(BaseDateToJulian(1, 1, 1), 1721426);
    EXPECT_EQ(BaseDateToJulian(1970, 1, 1), 2440588);
    EXPECT_EQ(BaseDateToJulian(1995, 7, 4), 2449903);
    EXPECT_EQ(BaseDateToJulian(2000, 2, 29), 2451604);
    EXPECT_EQ(BaseDateToJulian(2000, 3, 1), 2451605);
    EXPECT_EQ(BaseDateToJulian(1900, 3, 1) - BaseDateToJulian(1900, 2, 28), 1);
    EXPECT_EQ(BaseDateToJulian(9999, 12, 31), BASE_JULIAN_LAST);
}

TEST_F(BaseCalendarTest, JulianToDateInvertsEveryDayOfFourCenturies) {
    // Walks 1600-03-01 .. 2400-03-01 day by day against a calendar counted
    // here, crossing every kind of cycle boundary.
    short y = 1600;
    unsigned short m = 3, d = 1;
    const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (long julian = BaseDateToJulian(1600, 3, 1); julian <= BaseDateToJulian(2400, 3, 1);
         ++julian) {
        short year;
        unsigned short month, day;
        ASSERT_EQ(BaseJulianToDate(julian, &year, &month, &day), VX_SUCCESS);
        ASSERT_TRUE(year == y && month == m && day == d)
            << julian << " gave " << year << "-" << month << "-" << day;
        ASSERT_EQ(BaseDateToJulian(y, m, d), julian);
        int length = lengths[m - 1] + (m == 2 && BaseIsLeapYear(y) ? 1 : 0);
        if (++d > length) {
            d = 1;
            if (++m > 12) {
                m = 1;
                ++y;
            }
        }
    }
}

TEST_F(BaseCalendarTest, JulianToDateBounds) {
    short year;
    unsigned short month, day;
    ASSERT_EQ(BaseJulianToDate(BASE_JULIAN_FIRST, &year, &month, &day), VX_SUCCESS);
    EXPECT_TRUE(year == 1 && month == 1 && day == 1);
    ASSERT_EQ(BaseJulianToDate(BASE_JULIAN_LAST, &year, &month, &day), VX_SUCCESS);
    EXPECT_TRUE(year == 9999 && month == 12 && day == 31);
    EXPECT_EQ(BaseJulianToDate(BASE_JULIAN_FIRST - 1, &year, &month, &day), VX_ERROR);
    EXPECT_EQ(BaseJulianToDate(BASE_JULIAN_LAST + 1, &year, &month, &day), VX_ERROR);
    EXPECT_EQ(BaseJulianToDate(-5, &year, &month, &day), VX_ERROR);
    EXPECT_EQ(lastState(), "22008");
}

TEST_F(BaseCalendarTest, DateAndTimeTexts) {
    DATE_STRUCT date{};
    ASSERT_EQ(BaseStrToDate("1995-07-04", &date), VX_SUCCESS);
    EXPECT_TRUE(date.year == 1995 && date.month == 7 && date.day == 4);
    ASSERT_EQ(BaseStrToDate("1995/07/04", &date), VX_SUCCESS); // separators not examined
    EXPECT_EQ(BaseStrToDate("1995-7-4", &date), VX_ERROR);
    EXPECT_EQ(BaseStrToDate("19a5-07-04", &date), VX_ERROR);
    EXPECT_EQ(BaseStrToDate("1995-02-30", &date), VX_ERROR);
    EXPECT_EQ(BaseStrToDate("+995-07-04", &date), VX_ERROR);
    EXPECT_EQ(lastState(), "22008");
    TIME_STRUCT time{};
    ASSERT_EQ(BaseStrToTime("23:59:59", &time), VX_SUCCESS);
    EXPECT_TRUE(time.hour == 23 && time.minute == 59 && time.second == 59);
    EXPECT_EQ(BaseStrToTime("24:00:00", &time), VX_ERROR);
    EXPECT_EQ(BaseStrToTime("12:60:00", &time), VX_ERROR);
    EXPECT_EQ(BaseStrToTime("12:00:60", &time), VX_ERROR);
    EXPECT_EQ(BaseStrToTime("1:00:00", &time), VX_ERROR);
}

TEST_F(BaseCalendarTest, ShortTextsAreNeverReadPastTheirEnd) {
    // Buffers exactly as long as the text: a read past them would be seen
    // by the address sanitizer.
    char shortDate[5] = {'1', '9', '9', '5', 0};
    DATE_STRUCT date{};
    EXPECT_EQ(BaseStrToDate(shortDate, &date), VX_ERROR);
    char shortTime[3] = {'1', '0', 0};
    TIME_STRUCT time{};
    EXPECT_EQ(BaseStrToTime(shortTime, &time), VX_ERROR);
    TIMESTAMP_STRUCT stamp{};
    char text[13];
    std::memcpy(text, "1995-07-04 10", 13); // not terminated
    ASSERT_EQ(BaseStrToTimestamp(text, 13, &stamp), VX_SUCCESS);
    EXPECT_EQ(stamp.hour, 10);
}

TEST_F(BaseCalendarTest, TimestampTexts) {
    TIMESTAMP_STRUCT s{};
    auto parse = [&s](const char* text) { return BaseStrToTimestamp(text, std::strlen(text), &s); };
    ASSERT_EQ(parse("1995-07-04 10:30"), VX_SUCCESS);
    EXPECT_TRUE(s.hour == 10 && s.minute == 30 && s.second == 0 && s.fraction == 0);
    ASSERT_EQ(parse("1995-07-04 10:30:00.5"), VX_SUCCESS);
    EXPECT_EQ(s.fraction, 500000000u);
    ASSERT_EQ(parse("1995-07-04 10:30:00.000001"), VX_SUCCESS);
    EXPECT_EQ(s.fraction, 1000u);
    ASSERT_EQ(parse("1995-07-04 10:30:00.999999999"), VX_SUCCESS);
    EXPECT_EQ(s.fraction, 999999999u);
    ASSERT_EQ(parse("1995-07-04 10:30:00 25"), VX_SUCCESS); // white space before the fraction
    EXPECT_EQ(s.fraction, 250000000u);
    ASSERT_EQ(parse("1995-07-04 10:30:00."), VX_SUCCESS);
    EXPECT_EQ(s.fraction, 0u);
    ASSERT_EQ(parse("1995-07-04"), VX_SUCCESS);
    EXPECT_TRUE(s.year == 1995 && s.hour == 0);
    ASSERT_EQ(parse("1995-07-04 "), VX_SUCCESS);
    ASSERT_EQ(parse("1995-07-04 10:"), VX_SUCCESS);
    EXPECT_EQ(parse("1995-07-04 1"), VX_ERROR); // cut inside the hour
    EXPECT_EQ(parse("1995-07-04 10:3"), VX_ERROR);
    EXPECT_EQ(parse("1995-07-04 10:30:0"), VX_ERROR);
    EXPECT_EQ(parse("1995-07-0"), VX_ERROR);
    EXPECT_EQ(parse("1995-07-04 10:30:00.1234567890"), VX_ERROR);
    EXPECT_EQ(parse("1995-07-04 10:30:00a5"), VX_ERROR);
    EXPECT_EQ(parse("1995-07-04 10:30:00.5x"), VX_ERROR);
    EXPECT_EQ(parse("1995-07-04 25:30:00"), VX_ERROR);
    EXPECT_EQ(parse("1995-02-29 10:30:00"), VX_ERROR);
    EXPECT_EQ(lastState(), "22008");
}

} // namespace
