// The engine's calendar, date texts, the date parser and number texts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "error/FlatErrors.h"
#include "flat/FlatDate.h"
#include "util/bos.h"

namespace {

TEST(FlatCalendar, KnownDayNumbers) {
    EXPECT_EQ(flatDateToJulian(1, 1, 1), 1721426);
    EXPECT_EQ(flatDateToJulian(1970, 1, 1), 2440588);
    EXPECT_EQ(flatDateToJulian(1995, 7, 4), 2449903);
    EXPECT_EQ(flatDateToJulian(2000, 3, 1) - flatDateToJulian(2000, 2, 28), 2);
    EXPECT_EQ(flatDateToJulian(1900, 3, 1) - flatDateToJulian(1900, 2, 28), 1);
    EXPECT_TRUE(flatIsValidDate(2000, 2, 29));
    EXPECT_FALSE(flatIsValidDate(1900, 2, 29));
    EXPECT_TRUE(flatIsValidDate(2024, 2, 29));
    EXPECT_FALSE(flatIsValidDate(2023, 2, 29));
    EXPECT_FALSE(flatIsValidDate(2023, 4, 31));
    EXPECT_FALSE(flatIsValidDate(2023, 13, 1));
}

TEST(FlatCalendar, DayNumbersRoundTripDayByDay) {
    long expected = flatDateToJulian(1599, 12, 31);
    for (long year = 1600; year <= 2404; ++year) {
        for (int month = 1; month <= 12; ++month) {
            for (int day = 1; flatIsValidDate(year, month, day); ++day) {
                long number = flatDateToJulian(year, month, day);
                ASSERT_EQ(number, ++expected) << year << "-" << month << "-" << day;
                long y = 0;
                int m = 0;
                int d = 0;
                flatJulianToDate(number, &y, &m, &d);
                ASSERT_TRUE(y == year && m == month && d == day) << number;
            }
        }
    }
}

TEST(FlatCalendar, TextsAndParts) {
    unsigned char text[16];
    double day = flatDateToJulian(2004, 3, 9) + 0.75;
    EXPECT_EQ(JulianToString(day, 0, '/', text), 8u);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "03/09/04");
    EXPECT_EQ(JulianToString(day, 11, '.', text), 10u);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "09.03.2004");
    JulianToString(day, 12, '-', text);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "2004-03-09");
    JulianToString(FLAT_BLANK_DATE, 10, '/', text);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "          ");
    unsigned short y = 1, m = 1, d = 1;
    JulianToYrMoDy(FLAT_BLANK_DATE, &y, &m, &d);
    EXPECT_TRUE(y == 0 && m == 0 && d == 0);
    JulianToYrMoDy(day, &y, &m, &d);
    EXPECT_TRUE(y == 2004 && m == 3 && d == 9);
    // Just before midnight rounds into the next second, not the next day.
    JulianToYrMoDy(flatDateToJulian(2004, 3, 9) + 86399.4 / 86400, &y, &m, &d);
    EXPECT_EQ(d, 9);
    EXPECT_EQ(flatDayOfWeek(flatDateToJulian(2026, 12, 6)), 1);
    EXPECT_EQ(flatDayOfWeek(flatDateToJulian(2026, 12, 12)), 7);
}

struct ParseCase {
    const char* text;
    int order;
    char separator;
    unsigned short message;
    int year, month, day;
    long seconds;
};

TEST(FlatDateParser, Cases) {
    static const ParseCase cases[] = {
        {"2/29/2000", 0, '/', 0, 2000, 2, 29, 0},
        {"2/29/1900", 0, '/', 3942, 0, 0, 0, 0},
        {"2/30/2000", 0, '/', 3942, 0, 0, 0, 0},
        {"0/10/2000", 0, '/', 3941, 0, 0, 0, 0},
        {"13/01/2000", 0, '/', 3941, 0, 0, 0, 0},
        {"12/31/99", 0, '/', 0, 1999, 12, 31, 0},
        {"12/31/0099", 0, '/', 0, 99, 12, 31, 0},
        {" 12/31/1999 ", 0, '/', 0, 1999, 12, 31, 0},
        {"31/12/1999", 1, '/', 0, 1999, 12, 31, 0},
        {"1999/12/31", 2, '/', 0, 1999, 12, 31, 0},
        {"99.12.31", 2, '.', 0, 1999, 12, 31, 0},
        {"12 31 1999", 0, '/', 0, 1999, 12, 31, 0},
        {"01-01-2000", 0, '/', 3940, 0, 0, 0, 0},
        {"1/1/2000x", 0, '/', 3940, 0, 0, 0, 0},
        {"1/1/2000 10:20:30", 0, '/', 0, 2000, 1, 1, 37230},
        {"1/1/2000 10.20.30", 0, '/', 0, 2000, 1, 1, 37230},
        {"1/1/2000 10:20", 0, '/', 0, 2000, 1, 1, 37200},
        {"1/1/2000 24:00:00", 0, '/', 3943, 0, 0, 0, 0},
        {"1/1/2000 10:60:00", 0, '/', 3938, 0, 0, 0, 0},
        {"1/1/2000 10:00:60", 0, '/', 3939, 0, 0, 0, 0},
        {"1/1/2000 1:2:3:4", 0, '/', 3940, 0, 0, 0, 0},
        {"13/40/2000 25:00:00", 0, '/', 3941, 0, 0, 0, 0},
        {"2/30/2000 25:00:00", 0, '/', 3942, 0, 0, 0, 0},
    };
    for (const ParseCase& c : cases) {
        double value = -1;
        unsigned short message =
            flatParseDate(c.text, std::strlen(c.text), c.order, c.separator, &value);
        EXPECT_EQ(message, c.message) << c.text;
        if (message != 0 || c.message != 0) {
            if (message != 0) {
                EXPECT_EQ(value, -1) << c.text;
            }
            continue;
        }
        long dayNumber = 0;
        long seconds = 0;
        flatSplitDateTime(value, &dayNumber, &seconds);
        EXPECT_EQ(dayNumber, flatDateToJulian(c.year, c.month, c.day)) << c.text;
        EXPECT_EQ(seconds, c.seconds) << c.text;
    }
}

TEST(FlatDateParser, BlankAndShortTexts) {
    double value = 0;
    EXPECT_EQ(flatParseDate("00/00/00", 8, 0, '/', &value), 0);
    EXPECT_EQ(value, FLAT_BLANK_DATE);
    EXPECT_EQ(flatParseDate("", 0, 0, '/', &value), 0);
    EXPECT_EQ(value, FLAT_BLANK_DATE);
    os_time now{};
    bosdate(&now);
    ASSERT_EQ(flatParseDate("5/6", 3, 0, '/', &value), 0);
    EXPECT_EQ(value, flatDateToJulian(now.year, 5, 6));
    ASSERT_EQ(flatParseDate("6/5", 3, 1, '/', &value), 0);
    EXPECT_EQ(value, flatDateToJulian(now.year, 5, 6));
}

TEST(FlatDateParser, Times) {
    struct TimeCase {
        const char* text;
        unsigned short message;
        long seconds;
    };
    static const TimeCase cases[] = {
        {"10:20:30", 0, 37230}, {" 23:59:59 ", 0, 86399}, {"7:05", 0, 25500}, {"24:00:00", 3943, 0},
        {"10:60:00", 3938, 0},  {"10:00:60", 3939, 0},    {"10", 3940, 0},    {"10:20:", 3940, 0},
        {"10-20-30", 3940, 0},  {"1:2:3:4", 3940, 0},     {"", 3940, 0},
    };
    for (const TimeCase& c : cases) {
        double value = -1;
        EXPECT_EQ(flatParseTime(c.text, std::strlen(c.text), &value), c.message) << c.text;
        if (c.message == 0) {
            EXPECT_EQ(std::lround(value * 86400), c.seconds) << c.text;
        }
    }
}

TEST(FlatDateParser, RaisesWithTheText) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    double value = 0;
    EXPECT_EQ(flatParseDateValue("2/29/1900", 9, 0, '/', &value), VX_ERROR);
    VxError* error = list.getErrorAtPos(0);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->getNumber(), 3942);
    EXPECT_STREQ(error->getErrorText(), "Incorrect day: 2/29/1900");
}

TEST(FlatNumberText, LenientAndStrict) {
    EXPECT_EQ(StringToDouble(reinterpret_cast<const unsigned char*>("  -12.5e2xyz")), -1250);
    EXPECT_EQ(StringToDouble(reinterpret_cast<const unsigned char*>("abc")), 0);
    EXPECT_EQ(StringToDouble(reinterpret_cast<const unsigned char*>(".5")), 0.5);
    EXPECT_EQ(StringToDouble(reinterpret_cast<const unsigned char*>("12e")), 12);
    EXPECT_EQ(StringToDouble(reinterpret_cast<const unsigned char*>("+7")), 7);
    EXPECT_TRUE(std::isinf(StringToDouble(reinterpret_cast<const unsigned char*>("1e400"))));
    EXPECT_EQ(StringToDouble(reinterpret_cast<const unsigned char*>("1e-400")), 0);
    double value = 99;
    EXPECT_TRUE(flatParseNumber(" 12 ", 4, &value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(flatParseNumber("-1.5E+3", 7, &value));
    EXPECT_EQ(value, -1500);
    value = 99;
    EXPECT_FALSE(flatParseNumber("12a", 3, &value));
    EXPECT_FALSE(flatParseNumber("", 0, &value));
    EXPECT_FALSE(flatParseNumber("-", 1, &value));
    EXPECT_FALSE(flatParseNumber("1 2", 3, &value));
    EXPECT_EQ(value, 99);
}

} // namespace
