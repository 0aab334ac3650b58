// Date masks: compiling every code, reading and writing dates with them,
// the compile errors, and turning compiled masks back into text.
#include <cstring>
#include <string>

#include "TxtTestSupport.h"
#include "error/TxtErrors.h"
#include "mask/TxtDateMask.h"

namespace {

const TxtDate JULY_4_1995 = {1995, 7, 4}; // a Tuesday, day number 2449903

struct DateMaskTest : TxtTest {
    std::string format(const char* maskText, const TxtDate& date, std::size_t width = 100) {
        TxtDateMask mask;
        EXPECT_EQ(mask.compile(maskText), VX_SUCCESS) << maskText;
        char out[128];
        std::size_t length = 0;
        if (mask.format(date, out, width, &length))
            return "<error>";
        EXPECT_EQ(std::strlen(out), length);
        return out;
    }
    // The date read as "yyyy-mm-dd", or "<error>".
    std::string parse(const char* maskText, const char* text) {
        TxtDateMask mask;
        EXPECT_EQ(mask.compile(maskText), VX_SUCCESS) << maskText;
        TxtDate date{};
        if (mask.parse(text, std::strlen(text), &date))
            return "<error>";
        char out[32];
        std::snprintf(out, sizeof out, "%04d-%02u-%02u", date.year, date.month, date.day);
        return out;
    }
    unsigned short compileError(const char* maskText) {
        TxtDateMask mask;
        clearErrors();
        if (mask.compile(maskText) == VX_SUCCESS)
            return 0;
        EXPECT_TRUE(mask.isEmpty());
        EXPECT_EQ(lastSqlStateId(), ODBC_37000);
        return lastNumber();
    }
};

TEST(TxtCalendarTest, DayNumbersAndWeekdays) {
    EXPECT_EQ(txtDateToJulian({1970, 1, 1}), 2440588);
    EXPECT_EQ(txtDateToJulian(JULY_4_1995), 2449903);
    EXPECT_EQ(txtDateToJulian({1, 1, 1}), TXT_JULIAN_FIRST);
    EXPECT_EQ(txtDateToJulian({9999, 12, 31}), TXT_JULIAN_LAST);
    EXPECT_EQ(txtWeekday(JULY_4_1995), 2u);
    for (long day = TXT_JULIAN_FIRST; day <= TXT_JULIAN_LAST; day += 997) {
        TxtDate date;
        ASSERT_TRUE(txtJulianToDate(day, &date));
        ASSERT_TRUE(txtIsValidDate(date));
        ASSERT_EQ(txtDateToJulian(date), day);
    }
    TxtDate date;
    EXPECT_FALSE(txtJulianToDate(TXT_JULIAN_LAST + 1, &date));
    EXPECT_TRUE(txtIsValidDate({2000, 2, 29}));
    EXPECT_FALSE(txtIsValidDate({1900, 2, 29}));
    EXPECT_FALSE(txtIsValidDate({1995, 4, 31}));
}

TEST_F(DateMaskTest, FormatsEveryCode) {
    EXPECT_EQ(format("m/d/yy", JULY_4_1995), "7/4/95");
    EXPECT_EQ(format("mm-dd-yyyy", JULY_4_1995), "07-04-1995");
    EXPECT_EQ(format("mmm.Mmm.MMM", JULY_4_1995), "jul.Jul.JUL");
    EXPECT_EQ(format("mmmm:Mmmm:MMMM", JULY_4_1995), "july:July:JULY");
    EXPECT_EQ(format("ddd Ddd DDD", JULY_4_1995), "tue Tue TUE");
    EXPECT_EQ(format("dddd,Dddd,DDDD", JULY_4_1995), "tuesday,Tuesday,TUESDAY");
    EXPECT_EQ(format("Mmm dd, yyyy", JULY_4_1995), "Jul 04, 1995");
    EXPECT_EQ(format("J", JULY_4_1995), "2449903");
    EXPECT_EQ(format("yy", {2005, 1, 9}), "05");
    EXPECT_EQ(format("yyyy", {812, 1, 9}), "0812");
    EXPECT_EQ(format("\\d\\\\yyyy'of \"m\"'\"'\"", JULY_4_1995), "d\\1995of \"m\"'");
    EXPECT_EQ(format("Dddd, Mmmm d", {2026, 12, 6}), "Sunday, December 6");
}

TEST_F(DateMaskTest, FormatRefusesTextWiderThanTheColumn) {
    EXPECT_EQ(format("mm/dd/yyyy", JULY_4_1995, 10), "07/04/1995");
    EXPECT_EQ(format("Mmmm dd, yyyy", JULY_4_1995, 10), "<error>");
    EXPECT_EQ(lastNumber(), TXT_MSG_DATE_TOO_WIDE);
    EXPECT_EQ(lastText(), "The Column in the file is to small for the entire date string.");
    EXPECT_EQ(format("yyyy", {1995, 2, 30}), "<error>");
}

TEST_F(DateMaskTest, ParsesEveryCode) {
    EXPECT_EQ(parse("mm/dd/yy", "7/4/95"), "1995-07-04");
    EXPECT_EQ(parse("m/d/yy", "12/25/95"), "1995-12-25");
    EXPECT_EQ(parse("m/d/yyyy", "  07/04/1995 and more"), "1995-07-04");
    EXPECT_EQ(parse("mmm d yyyy", "JUL 4 1995"), "1995-07-04");
    EXPECT_EQ(parse("Mmm d yyyy", "jul 4 1995"), "1995-07-04");
    EXPECT_EQ(parse("MMM dd yyyy", "Dec 31 1999"), "1999-12-31");
    EXPECT_EQ(parse("mmmm d, yyyy", "JULY 4, 1995"), "1995-07-04");
    EXPECT_EQ(parse("Mmmm d, yyyy", "september 30, 1995"), "1995-09-30");
    EXPECT_EQ(parse("MMMM d, yyyy", "May 1, 1995"), "1995-05-01");
    EXPECT_EQ(parse("ddd, Mmm d yyyy", "Tue, Jul 4 1995"), "1995-07-04");
    EXPECT_EQ(parse("Ddd Mmm d yyyy", "wed Jul 4 1995"), "1995-07-04") << "weekday only skipped";
    EXPECT_EQ(parse("DDD m/d/yy", "SAT 7/4/95"), "1995-07-04");
    EXPECT_EQ(parse("dddd mmmm d yyyy", "Tuesday July 4 1995"), "1995-07-04");
    EXPECT_EQ(parse("Dddd m/d/yy", "wednesday 7/4/95"), "1995-07-04");
    EXPECT_EQ(parse("DDDD m/d/yy", "SUNDAY 7/4/95"), "1995-07-04");
    EXPECT_EQ(parse("J", "2449903"), "1995-07-04");
    EXPECT_EQ(parse("dd.mm.yyyy", "04.07.1995"), "1995-07-04");
    EXPECT_EQ(parse("yyyy/m/d", "1995-07-04"), "1995-07-04") << "separators match any character";
    EXPECT_EQ(parse("yy:m:d", "95 7 4"), "1995-07-04");
    EXPECT_EQ(parse("\\Tyyyy-m-d", "x1995-7-4"), "1995-07-04");
    EXPECT_EQ(parse("'Date: 'yyyy-m-d", "Dated:1995-7-4"), "1995-07-04");
}

TEST_F(DateMaskTest, ParseStartsFromDayOneOfThisMonth) {
    TxtDate today;
    txtToday(&today);
    char expected[32];
    std::snprintf(expected, sizeof expected, "%04d-%02u-01", 1995, today.month);
    EXPECT_EQ(parse("yyyy", "1995"), expected);
    std::snprintf(expected, sizeof expected, "%04d-07-01", today.year);
    EXPECT_EQ(parse("Mmm", "Jul"), expected);
    // A mask compiled again in place reads as its new text says, whether
    // the one before read the whole date or not.
    TxtDate date{};
    TxtDateMask mask;
    ASSERT_EQ(mask.compile("yyyy-mm-dd"), VX_SUCCESS);
    ASSERT_EQ(mask.compile("Mmm"), VX_SUCCESS);
    ASSERT_EQ(mask.parse("Jul", 3, &date), VX_SUCCESS);
    EXPECT_EQ(date.year, today.year);
    ASSERT_EQ(mask.compile("yyyy-mm-dd"), VX_SUCCESS);
    ASSERT_EQ(mask.parse("1995-07-04", 10, &date), VX_SUCCESS);
    EXPECT_EQ(date.year, 1995);
    EXPECT_EQ(mask.compile("q"), VX_ERROR);
    clearErrors();
    EXPECT_EQ(mask.parse("1995-07-04", 10, &date), VX_ERROR) << "a failed compile leaves no mask";
    clearErrors();
}

TEST_F(DateMaskTest, TwoDigitMonthsAndDaysOnlyWhenInRange) {
    EXPECT_EQ(parse("md/yy", "1231/95"), "1995-12-31");
    EXPECT_EQ(parse("md/yy", "131/95"), "1995-01-31") << "13 is no month: one digit";
    EXPECT_EQ(parse("dm/yy", "3112/95"), "1995-12-31");
    EXPECT_EQ(parse("dm/yy", "412/95"), "1995-12-04") << "41 is no day: one digit";
}

TEST_F(DateMaskTest, AFieldOfDigitsRunningIntoMoreDigitsIsRefused) {
    // Never another date: 7/4/2005 is no 1920, 13/4/95 no January.
    for (const char* bad : {"7/4/2005", "13/4/95", "7/412/95"}) {
        clearErrors();
        EXPECT_EQ(parse("m/d/yy", bad), "<error>") << bad;
        EXPECT_EQ(lastNumber(), TXT_MSG_DATE_NOT_CONVERTED);
    }
    EXPECT_EQ(parse("yyyy-mm-dd", "1995-07-041"), "<error>");
    EXPECT_EQ(parse("J", "24499031"), "<error>");
    // A following field of digits takes them; other text after the mask is ignored.
    EXPECT_EQ(parse("mmddyy", "070495"), "1995-07-04");
    EXPECT_EQ(parse("yyyymmdd", "19950704"), "1995-07-04");
    EXPECT_EQ(parse("m/d/yy", "7/4/95 10:30"), "1995-07-04");
}

// Masks of fixed-width fields read text laid out exactly so directly;
// whatever is laid out otherwise is read the general way, with the same
// answers as any other mask.
TEST_F(DateMaskTest, FixedWidthMasksReadAsTheGeneralWayDoes) {
    const struct {
        const char* mask;
        const char* text;
        const char* date;
    } cases[] = {
        {"yyyy-mm-dd", "2024-02-29", "2024-02-29"},
        {"yyyy-mm-dd", "2023-02-29", "<error>"},
        {"yyyy-mm-dd", "2024-1-05", "2024-01-05"},
        {"yyyy-mm-dd", " 2024-01-05", "2024-01-05"},
        {"yyyy-mm-dd", "2024/01/05 12:00", "2024-01-05"},
        {"yyyy-mm-dd", "2024-01-051", "<error>"},
        {"yyyy-mm-dd", "2024-13-01", "<error>"},
        {"yyyy-mm-dd", "2024-00-10", "<error>"},
        {"yyyy-mm-dd", "2024-01-0", "<error>"},
        {"yyyy-mm-dd", "20240-01-05", "<error>"},
        {"yyyy-mm-dd", "", "<error>"},
        {"yyyymmdd", "20240105", "2024-01-05"},
        {"yyyymmdd", "20241305", "<error>"},
        {"dd/mm/yy", "31/12/99", "1999-12-31"},
        {"dd/mm/yy", "31/11/99", "<error>"},
        {"mm.yyyy", "07.1995", "1995-07-01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.mask, c.text), c.date) << c.mask << " " << c.text;
}

TEST_F(DateMaskTest, TextThatDoesNotMatchIsRefused) {
    for (const char* bad : {"7/4/9", "7/4", "", "   ", "13x4/95", "0/4/95", "7/0/95", "2/30/95",
                            "2/29/95", "x/4/95"}) {
        clearErrors();
        EXPECT_EQ(parse("m/d/yy", bad), "<error>") << bad;
        EXPECT_EQ(lastNumber(), TXT_MSG_DATE_NOT_CONVERTED);
        EXPECT_EQ(lastText(), "Data can not be converted using the given mask.");
    }
    EXPECT_EQ(parse("Mmm d yyyy", "Jux 4 1995"), "<error>");
    EXPECT_EQ(parse("Mmmm d yyyy", "Jul 4 1995"), "<error>");
    EXPECT_EQ(parse("Ddd m/d/yy", "Xyz 7/4/95"), "<error>");
    EXPECT_EQ(parse("J", "99"), "<error>") << "before year 1";
    EXPECT_EQ(parse("'abc'yyyy", "ab"), "<error>");
    EXPECT_EQ(parse("m/d/yy", "2/29/96"), "1996-02-29");
}

TEST_F(DateMaskTest, CompileErrors) {
    EXPECT_EQ(compileError("mMm/d/yy"), TXT_MSG_MASK_MONTH_ABBREV);
    EXPECT_EQ(lastText(), "Month abbreviation mask must be either mmm, Mmm, or MMM.");
    EXPECT_EQ(compileError("mmMM d"), TXT_MSG_MASK_MONTH_NAME);
    EXPECT_EQ(lastText(), "Month name mask must be either mmmm, Mmmm, or MMMM.");
    EXPECT_EQ(compileError("dDD m"), TXT_MSG_MASK_DAY_ABBREV);
    EXPECT_EQ(lastText(), "Day abbreviation mask must be either ddd, Ddd, or DDD.");
    EXPECT_EQ(compileError("DDdd"), TXT_MSG_MASK_DAY_NAME);
    EXPECT_EQ(lastText(), "Day name mask must be either dddd, Dddd, or DDDD.");
    EXPECT_EQ(compileError("yyyy 'at"), TXT_MSG_MASK_NO_END_QUOTE);
    EXPECT_EQ(lastText(), "Can not find the ending quote in the date mask.");
    for (const char* bad :
         {"yyy", "y", "yyyyy", "mmmmm", "ddddd", "j", "m/d/yy x", "yy\\", "", "''", "Jyyyy_"}) {
        EXPECT_EQ(compileError(bad), TXT_MSG_MASK_INVALID) << bad;
        EXPECT_EQ(lastText(), "Invalid date mask.");
    }
    std::string fits = "'" + std::string(30, 'a') + "'J"; // 2 + 30 + 1 = 33 bytes
    EXPECT_EQ(compileError(fits.c_str()), 0);
    std::string tooLong = "'" + std::string(31, 'a') + "'J";
    EXPECT_EQ(compileError(tooLong.c_str()), TXT_MSG_MASK_INVALID);
    EXPECT_EQ(compileError("MM/DD/YY"), 0) << "short runs in any case";
    EXPECT_EQ(compileError("yy\"\"yy"), 0) << "an empty quoted text adds nothing";
}

TEST_F(DateMaskTest, CompiledMasksTurnBackIntoTheirText) {
    for (const char* text :
         {"m/d/yy", "mm-dd-yyyy", "Mmm dd, yyyy", "DDDD MMMM d yyyy", "ddd mmm Dddd mmmm Ddd", "J",
          "dd.mm.yy:J", "\\x'\"quoted\"'yyyy", "\"it's\"yy"}) {
        TxtDateMask mask;
        ASSERT_EQ(mask.compile(text), VX_SUCCESS) << text;
        VxString back;
        ASSERT_EQ(mask.toText(&back), VX_SUCCESS);
        EXPECT_STREQ(back.getText(), text);
    }
    TxtDateMask split;
    ASSERT_EQ(split.compile("m''mm"), VX_SUCCESS);
    VxString back;
    ASSERT_EQ(split.toText(&back), VX_SUCCESS);
    EXPECT_STREQ(back.getText(), "m\"\"mm");
    TxtDateMask again;
    ASSERT_EQ(again.compile(back.getText()), VX_SUCCESS);
    EXPECT_TRUE(again == split);
}

} // namespace
