// Table options of a query: what each item sets, column layout, and every
// error with its text.
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtTableOptions.h"
#include "error/TxtErrors.h"

namespace {

struct OptionsTest : TxtTest {
    TxtGuessResult result;
    VxStatus parse(const std::string& text) {
        clearErrors();
        result.clearFields();
        result.setTableType(TXT_TABLE_COMMA, 0);
        result.firstLineNames = false;
        return TxtTableOptions::parse(text.data(), text.size(), &result);
    }
    // The error number of a text that must fail, with exactly one record.
    unsigned short error(const std::string& text) {
        EXPECT_EQ(parse(text), VX_ERROR) << text;
        EXPECT_EQ(errorCount(), 1u) << text;
        EXPECT_EQ(lastSqlStateId(), ODBC_37000) << text;
        return lastNumber();
    }
};

TEST_F(OptionsTest, FormatItems) {
    ASSERT_EQ(parse("HeaderLine=1, Delimiter='|'"), VX_SUCCESS);
    EXPECT_TRUE(result.firstLineNames);
    EXPECT_EQ(result.tableType, TXT_TABLE_CHARACTER);
    EXPECT_EQ(result.delimiter, '|');
    ASSERT_EQ(parse("headerline = 0 ,, delimiter = TAB"), VX_SUCCESS);
    EXPECT_FALSE(result.firstLineNames);
    EXPECT_EQ(result.tableType, TXT_TABLE_TAB);
    EXPECT_EQ(result.delimiter, '\t');
    ASSERT_EQ(parse("DELIMITER=\",\""), VX_SUCCESS);
    EXPECT_EQ(result.tableType, TXT_TABLE_COMMA);
    ASSERT_EQ(parse("CharSet=IBMPC"), VX_SUCCESS);
    EXPECT_EQ(result.charset, TXT_CHARSET_IBMPC);
    EXPECT_TRUE(result.charsetGiven);
    ASSERT_EQ(parse("CHARSET='ansi'"), VX_SUCCESS);
    EXPECT_EQ(result.charset, TXT_CHARSET_ANSI);
    ASSERT_EQ(parse(""), VX_SUCCESS);
    EXPECT_EQ(result.getFieldCount(), 0);
}

TEST_F(OptionsTest, ColumnItemsFollowOneAnother) {
    ASSERT_EQ(parse("Parse=\"ab[cd]e[fgh]\", CHAR(5), num(4,2), Number(3), DATE('Mmm dd, yyyy')"),
              VX_SUCCESS);
    EXPECT_EQ(result.tableType, TXT_TABLE_FIXED);
    EXPECT_EQ(result.delimiter, 0);
    ASSERT_EQ(result.getFieldCount(), 6);
    struct Expected {
        char type;
        std::uint16_t offset, width, precision, scale;
    } expected[] = {{'V', 2, 2, 2, 0},  {'V', 5, 3, 3, 0},  {'V', 8, 5, 5, 0},
                    {'N', 13, 4, 4, 2}, {'N', 17, 3, 3, 0}, {'D', 20, 10, 10, 0}};
    for (std::uint16_t i = 0; i < 6; ++i) {
        const TxtGuessField& field = result.getField(i);
        EXPECT_EQ(field.type, expected[i].type) << i;
        EXPECT_EQ(field.offset, expected[i].offset) << i;
        EXPECT_EQ(field.width, expected[i].width) << i;
        EXPECT_EQ(field.precision, expected[i].precision) << i;
        EXPECT_EQ(field.scale, expected[i].scale) << i;
        EXPECT_EQ(field.name[0], 0);
    }
    TxtDate date{};
    ASSERT_EQ(result.getField(5).mask.parse("Jul 04, 1995", 12, &date), VX_SUCCESS);
    EXPECT_EQ(date.day, 4);
}

TEST_F(OptionsTest, NumbersOfDelimitedTablesHaveRoomForSignAndPoint) {
    ASSERT_EQ(parse("NUMBER(4,2)"), VX_SUCCESS);
    EXPECT_EQ(result.getField(0).width, 6);
    EXPECT_EQ(result.getField(0).precision, 4);
}

TEST_F(OptionsTest, EveryErrorText) {
    struct Case {
        const char* text;
        unsigned short number;
        const char* message;
    } cases[] = {
        {"HeaderLine=2", 1234, "Expecting either a 1(TRUE) or a 0(FALSE) for HEADERLINE value."},
        {"HeaderLine=yes", 1234, nullptr},
        {"HeaderLine 1", 1233,
         "Missing '=' after HEADERLINE, CHARSET, DELIMITER, or PARSE in SQL statement"},
        {"Delimiter TAB", 1233, nullptr},
        {"Parse", 1233, nullptr},
        {"CharSet", 1233, nullptr},
        {"Delimiter='ab'", 1207, "Delimiter must be a single character or TAB"},
        {"Delimiter=SEMICOLON", 1207, nullptr},
        {"Delimiter=''", 1207, nullptr},
        {"CharSet=UTF8", 1235, "Expecting either IBMPC or ANSI for CHARSET value."},
        {"Parse='[ab]'", 1236, "PARSE string must be enclosed within double quote characters."},
        {"Parse=[ab]", 1236, nullptr},
        {"Parse=\"[a[b]]\"", 1237, "Nested START of field characters '['."},
        {"Parse=\"[ab]]\"", 1238, "Nested END of field characters ']'."},
        {"Parse=\"[ab][cd\"", 1239,
         "PARSE line ended without finding an END of field character ']'."},
        {"CHAR(0)", 1229, "Character width must be between 1 and 9999."},
        {"CHAR(10000)", 1229, nullptr},
        {"CHAR(5", 1229, nullptr},
        {"CHAR(x)", 1229, nullptr},
        {"NUMBER(0)", 1228, "Number width must be between 1 and 254."},
        {"NUM(255,2)", 1228, nullptr},
        {"NUMBER(5", 1224, "Missing ',' or ')' in SQL statement"},
        {"NUMBER(5,2", 1224, nullptr},
        {"NUMBER(5;2)", 1224, nullptr},
        {"DATE('mm/dd/yy'", 1224, nullptr},
        {"DATE(mm)", 1230, "Invalid date mask: mm."},
        {"DATE('mm/dd/yyy')", 1230, "Invalid date mask: mm/dd/yyy."},
        {"DATE('MmM d')", 1230, "Invalid date mask: MmM d."},
        {"CHAR 5", 1232, "Missing '(' character after datatype."},
        {"NUMBER", 1232, nullptr},
        {"DATE 'm/d/yy'", 1232, nullptr},
        {"Color=red", 1231, "Unknown option in list: Color."},
        {"CHAR(5),", 1224, nullptr},
        {"CHAR(5) CHAR(6)", 1224, nullptr},
        {"Delimiter='|", 1224, nullptr},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(error(c.text), c.number) << c.text;
        if (c.message) {
            EXPECT_EQ(lastText(), c.message) << c.text;
        }
    }
}

} // namespace
