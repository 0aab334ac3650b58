// Format guessing: columns and names from the first line, type rules,
// number widths, date orders and masks, Fixed tables and table options.
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtTableOptions.h"
#include "guess/TxtGuess.h"
#include "guess/TxtValueTests.h"

namespace {

struct GuessTest : TxtTest {
    TxtGuess guess;
    TxtGuessResult result;

    void SetUp() override {
        TxtTest::SetUp();
        guess.setFormat(TXT_TABLE_COMMA, true, 0, 25);
        guess.setDateSetting(0);
    }
    void run(const std::string& bytes) {
        writeFile("g.txt", bytes);
        ASSERT_EQ(guess.guessFile(path("g.txt").c_str(), &result), VX_SUCCESS);
    }
    std::string mask(std::uint16_t column) {
        VxString text;
        EXPECT_EQ(result.getField(column).mask.toText(&text), VX_SUCCESS);
        return text.getText();
    }
};

TEST_F(GuessTest, FirstLineGivesNamesOrNumberedFields) {
    run("Name,Amount\r\nabc,12\r\n");
    ASSERT_EQ(result.getFieldCount(), 2);
    EXPECT_STREQ(result.getField(0).name, "Name");
    EXPECT_STREQ(result.getField(1).name, "Amount");
    EXPECT_EQ(guess.getDataStart(), 13);

    guess.setFormat(TXT_TABLE_COMMA, false, 0, 25);
    run("Name,Amount\r\n");
    ASSERT_EQ(result.getFieldCount(), 2);
    EXPECT_STREQ(result.getField(0).name, "FIELD_1");
    EXPECT_STREQ(result.getField(1).name, "FIELD_2");
    EXPECT_EQ(result.getField(0).width, 4);
    EXPECT_EQ(result.getField(1).width, 6);
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR);
    EXPECT_EQ(guess.getDataStart(), 0);
}

TEST_F(GuessTest, NamesAreTrimmedNumberedAndMadeUnique) {
    run(" X ,x,,\"a\nb\",X2," + std::string(40, 'L') + "," + std::string(40, 'L') + "\n");
    ASSERT_EQ(result.getFieldCount(), 7);
    EXPECT_STREQ(result.getField(0).name, "X");
    EXPECT_STREQ(result.getField(1).name, "x2");
    EXPECT_STREQ(result.getField(2).name, "FIELD_3");
    EXPECT_STREQ(result.getField(3).name, "a\nb");
    EXPECT_STREQ(result.getField(4).name, "X22");
    EXPECT_EQ(std::string(result.getField(5).name), std::string(32, 'L'));
    EXPECT_EQ(std::string(result.getField(6).name), std::string(31, 'L') + "2");
}

TEST_F(GuessTest, HeaderWithQuotedLineFeedAndByteOrderMark) {
    run("\xEF\xBB\xBF\"first\nname\",b\r\n1,2\r\n");
    EXPECT_STREQ(result.getField(0).name, "first\nname");
    EXPECT_EQ(guess.getDataStart(), 3 + 16);
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_NUMERIC);
}

TEST_F(GuessTest, NumbersGetScaleAndWidth) {
    run("v\n12.5\n-3\n100.25\n\n");
    const TxtGuessField& v = result.getField(0);
    EXPECT_EQ(v.type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(v.scale, 2);
    EXPECT_EQ(v.width, 6);
    EXPECT_EQ(v.precision, 6);
    run("v\n100.\n1.25\n");
    EXPECT_EQ(result.getField(0).width, 6);
    EXPECT_GE(result.getField(0).precision, result.getField(0).width)
        << "the precision holds every value";
}

TEST_F(GuessTest, TypesFollowEveryValue) {
    run("a,b,c,d,e\n"
        "7/4/95,1,x,,-\n"
        "abc,2.5,y,,+.\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR);
    EXPECT_EQ(result.getField(0).width, 6);
    EXPECT_EQ(result.getField(1).type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(result.getField(2).type, TXT_COLUMN_VARCHAR);
    EXPECT_EQ(result.getField(3).type, TXT_COLUMN_VARCHAR) << "no values";
    EXPECT_EQ(result.getField(3).width, 1);
    EXPECT_EQ(result.getField(4).type, TXT_COLUMN_VARCHAR) << "a sign alone is no number";
}

TEST_F(GuessTest, LongDigitRunsAreWholeNumbers) {
    std::string digits(25, '7');
    run("n\n" + digits + "\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(result.getField(0).precision, 25);
    run("n\n" + std::string(18, '1') + "abc\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR) << "the whole value is tested";
}

TEST_F(GuessTest, DateOrdersAndMasks) {
    run("d\n7/4/95\n12/25/95\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_DATE);
    EXPECT_EQ(mask(0), "m/d/yy");
    run("d\n25/12/1995\n");
    EXPECT_EQ(mask(0), "d/m/yyyy");
    run("d\n1995-07-04\n");
    EXPECT_EQ(mask(0), "yyyy/m/d");
    run("d\n95.07.04\n");
    EXPECT_EQ(mask(0), "yy/m/d");
    run("d\n4/5/95\n");
    EXPECT_EQ(mask(0), "m/d/yy") << "iDate 0";
    guess.setDateSetting(1);
    run("d\n4/5/95\n");
    EXPECT_EQ(mask(0), "d/m/yy");
    run("d\n4/5/95\n4/25/95\n");
    EXPECT_EQ(mask(0), "m/d/yy") << "a later value settles the order";
    guess.setDateSetting(2);
    run("d\n4/5/95\n");
    EXPECT_EQ(mask(0), "m/d/yy") << "year first cannot read it";
}

TEST_F(GuessTest, ValuesThatOnlyLookLikeDates) {
    run("d\n0/0/00\n");
    EXPECT_NE(result.getField(0).type, TXT_COLUMN_DATE);
    run("d\n7/4/95\nabc\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR);
    run("d\n7/25/95\n25/7/95\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR) << "no one order reads both";
    run("d\n7/4/95\n25/12/95\n");
    EXPECT_EQ(mask(0), "d/m/yy") << "the order that reads every value";
    run("d\n7/4/95\n7/4/1995\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR) << "two year widths";
    run("d\n2/30/95\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR);
}

TEST(TxtValueTests, DateShapes) {
    unsigned digits = 0;
    EXPECT_EQ(txtDateOrders("7/4/95", 6, &digits), TXT_ORDER_MDY | TXT_ORDER_DMY);
    EXPECT_EQ(txtDateOrders("12/25/95", 8, &digits), unsigned{TXT_ORDER_MDY});
    EXPECT_EQ(txtDateOrders("2000/2/29", 9, &digits), unsigned{TXT_ORDER_YMD});
    EXPECT_EQ(digits, 4u);
    EXPECT_EQ(txtDateOrders("1900/2/29", 9, &digits), 0u);
    EXPECT_EQ(txtDateOrders("7/4/5", 5, &digits), 0u);
    EXPECT_EQ(txtDateOrders("7/4/195", 7, &digits), 0u);
    EXPECT_EQ(txtDateOrders("7//4/95", 7, &digits), 0u);
    EXPECT_EQ(txtDateOrders("10/10/1995x", 11, &digits), 0u);
    EXPECT_EQ(txtDateOrders("13/13/95", 8, &digits), 0u);
    // Times are not dates, whatever their numbers.
    EXPECT_EQ(txtDateOrders("10:11:12", 8, &digits), 0u);
    EXPECT_EQ(txtDateOrders("10.11:12", 8, &digits), 0u);
    EXPECT_EQ(txtDateOrders("10.11.12", 8, &digits), TXT_ORDER_MDY | TXT_ORDER_DMY);
}

TEST_F(GuessTest, ScanRowsLimitTheLinesExamined) {
    guess.setFormat(TXT_TABLE_COMMA, true, 0, 2);
    run("v\n1\n2\nthree\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_NUMERIC);
    guess.setFormat(TXT_TABLE_COMMA, true, 0, 0);
    run("v\n1\n2\nthree\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR);
    EXPECT_EQ(result.getField(0).width, 5);
    guess.setFormat(TXT_TABLE_COMMA, true, 0, 0);
    run("v\n1\n\x1athree\n");
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_NUMERIC) << "Ctrl-Z ends the scan";
}

TEST_F(GuessTest, ExtraValuesOnALineAreSkipped) {
    run("a,b\n1,2,\"x\ny\",z\n3,4\n");
    ASSERT_EQ(result.getFieldCount(), 2);
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(result.getField(1).type, TXT_COLUMN_NUMERIC);
}

TEST_F(GuessTest, OtherDelimiters) {
    guess.setFormat(TXT_TABLE_CHARACTER, true, ';', 25);
    run("a;b\n1,5;x\n");
    EXPECT_EQ(result.tableType, TXT_TABLE_CHARACTER);
    EXPECT_EQ(result.delimiter, ';');
    ASSERT_EQ(result.getFieldCount(), 2);
    EXPECT_EQ(result.getField(0).type, TXT_COLUMN_VARCHAR);
    guess.setFormat(TXT_TABLE_TAB, false, 0, 25);
    run("1\t2\n");
    EXPECT_EQ(result.delimiter, '\t');
    EXPECT_EQ(result.getFieldCount(), 2);
}

TEST_F(GuessTest, FixedFileIsOneColumnUnlessOptionsGiveColumns) {
    guess.setFormat(TXT_TABLE_FIXED, true, 0, 25);
    run("Whole line here\r\ndata\r\n");
    ASSERT_EQ(result.getFieldCount(), 1);
    EXPECT_STREQ(result.getField(0).name, "Whole line here");
    EXPECT_EQ(result.getField(0).width, 16);
    EXPECT_EQ(guess.getDataStart(), 17);

    TxtGuessResult options;
    const char text[] = "HeaderLine=1, Parse=\"[   ][     ]\", NUMBER(3)";
    ASSERT_EQ(TxtTableOptions::parse(text, sizeof text - 1, &options), VX_SUCCESS);
    guess.setOptions(&options);
    run("ID NAME  N  \r\n1  Bob  42\r\n");
    ASSERT_EQ(result.getFieldCount(), 3);
    EXPECT_EQ(result.tableType, TXT_TABLE_FIXED);
    EXPECT_STREQ(result.getField(0).name, "ID");
    EXPECT_STREQ(result.getField(1).name, "NAME");
    EXPECT_STREQ(result.getField(2).name, "N");
    EXPECT_EQ(result.getField(2).type, TXT_COLUMN_NUMERIC);
    EXPECT_EQ(result.getField(2).offset, 8);
}

TEST_F(GuessTest, OptionColumnsReplaceGuessedOnesByPosition) {
    TxtGuessResult options;
    const char text[] = "HeaderLine=1, CHAR(30), DATE('yyyy-mm-dd'), CHAR(2)";
    ASSERT_EQ(TxtTableOptions::parse(text, sizeof text - 1, &options), VX_SUCCESS);
    guess.setOptions(&options);
    run("name,when\nBob,1995-07-04\n");
    ASSERT_EQ(result.getFieldCount(), 3);
    EXPECT_STREQ(result.getField(0).name, "name");
    EXPECT_EQ(result.getField(0).width, 30);
    EXPECT_EQ(result.getField(1).type, TXT_COLUMN_DATE);
    EXPECT_EQ(mask(1), "yyyy-mm-dd");
    EXPECT_STREQ(result.getField(2).name, "FIELD_3");
}

// Widths measured on the scanned lines are marked so: a measured VARCHAR
// column reads far beyond its width (a later line may be longer), a
// declared one (table options) exactly its width.
TEST_F(GuessTest, MeasuredWidthsAreMarkedAndReadBeyond) {
    TxtGuessResult options;
    const char text[] = "HeaderLine=1, CHAR(2)";
    ASSERT_EQ(TxtTableOptions::parse(text, sizeof text - 1, &options), VX_SUCCESS);
    guess.setOptions(&options);
    run("code,name,amount\nab,Ann,1.5\n");
    ASSERT_EQ(result.getFieldCount(), 3);
    EXPECT_FALSE(result.getField(0).measured);
    EXPECT_EQ(result.readWidth(0), 2);
    EXPECT_TRUE(result.getField(1).measured);
    EXPECT_EQ(result.getField(1).width, 3);
    EXPECT_EQ(result.readWidth(1), TXT_MEASURED_TEXT_WIDTH);
    EXPECT_TRUE(result.getField(2).measured);
    EXPECT_EQ(result.readWidth(2), TXT_DELIMITED_NUMBER_WIDTH);

    guess.setOptions(nullptr);
    guess.setFormat(TXT_TABLE_FIXED, false, 0, 25);
    run("short\n");
    EXPECT_TRUE(result.getField(0).measured);
    EXPECT_EQ(result.readWidth(0), TXT_MEASURED_TEXT_WIDTH);
}

TEST_F(GuessTest, EmptyFileHasOneColumn) {
    run("");
    ASSERT_EQ(result.getFieldCount(), 1);
    EXPECT_STREQ(result.getField(0).name, "FIELD_1");
    EXPECT_EQ(result.getField(0).width, 1);
}

} // namespace
