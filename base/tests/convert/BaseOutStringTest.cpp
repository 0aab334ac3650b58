// Output descriptors: the output-string rules, wide characters, null
// values, and piecewise delivery as SQLGetData uses it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseOdbcId.h"
#include "base/BaseOutString.h"
#include "util/VxError.h"

namespace {

class BaseOutStringTest : public ::testing::Test {
protected:
    BaseOutStringTest() : scope_(&list_) {}
    std::string state(std::uint32_t pos = 0) {
        VxError* error = list_.getErrorAtPos(pos);
        return error ? baseGetSqlState(error->getSqlStateId()) : "";
    }
    VxErrorList list_{nullptr, 1};
    VxErrorListScope scope_;
};

TEST_F(BaseOutStringTest, OutputStringRules) {
    char buffer[8];
    SQLLEN length = 0;
    SQLSMALLINT shortLength = 0;
    BaseOutString out(buffer, 6, &length);
    out.setShortLengthPointer(&shortLength);
    ASSERT_EQ(out.setStrValue("hello"), VX_SUCCESS);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(length, 5);
    EXPECT_EQ(shortLength, 5);
    EXPECT_EQ(list_.getCount(), 0u);
    ASSERT_EQ(out.setStrValue("goodbye"), VX_SUCCESS);
    EXPECT_STREQ(buffer, "goodb");
    EXPECT_EQ(length, 7);
    EXPECT_EQ(state(), "01004");
    EXPECT_TRUE(out.wasCut());
    EXPECT_EQ(out.getSourceUsed(), 5);
    // Unterminated: the whole size is used.
    ASSERT_EQ(out.setBufValue("abcdef", 6), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_EQ(list_.getCount(), 1u);
    // Size 0: lengths only, with the warning.
    std::memset(buffer, '#', sizeof buffer);
    BaseOutString empty(buffer, 0, &length);
    ASSERT_EQ(empty.setStrValue("xy"), VX_SUCCESS);
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(length, 2);
    // No buffer: lengths only, no warning.
    list_.deleteNodes();
    BaseOutString none(nullptr, 10, &length);
    ASSERT_EQ(none.setStrValue("abc"), VX_SUCCESS);
    EXPECT_EQ(length, 3);
    EXPECT_EQ(list_.getCount(), 0u);
}

TEST_F(BaseOutStringTest, ShortLengthPointerIsClamped) {
    std::string big(40000, 'a');
    SQLSMALLINT shortLength = 0;
    BaseOutString out(nullptr, 0, &shortLength);
    ASSERT_EQ(out.setStrValue(big.c_str()), VX_SUCCESS);
    EXPECT_EQ(shortLength, 32767);
}

TEST_F(BaseOutStringTest, NullNeedsALengthPointer) {
    char buffer[4] = "abc";
    SQLLEN length = 0;
    BaseOutString out(buffer, 4, &length);
    ASSERT_EQ(out.setNull(), VX_SUCCESS);
    EXPECT_EQ(length, SQL_NULL_DATA);
    EXPECT_EQ(buffer[0], 0);
    BaseOutString noIndicator(buffer, 4, static_cast<SQLLEN*>(nullptr));
    EXPECT_EQ(noIndicator.setNull(), VX_ERROR);
    EXPECT_EQ(state(), "22002");
    // Through the conversion the error names the column.
    EXPECT_EQ(baseConvertInternalToC(BaseConvertPlace::column(4), SQL_C_LONG, noIndicator, nullptr,
                                     SQL_NULL_DATA, INTERNAL_SLONG),
              VX_ERROR);
    EXPECT_STREQ(list_.getErrorAtPos(1)->getErrorText(),
                 "Indicator variable required but not supplied. Error in column 4.");
}

TEST_F(BaseOutStringTest, WideCharactersAreNeverSplit) {
    // "a", U+00E9, U+1F600 (two units), "b"
    const char* text = "a\xc3\xa9\xf0\x9f\x98\x80"
                       "b";
    unsigned char buffer[16];
    SQLLEN length = 0;
    BaseOutString out(buffer, 8, &length); // room for 3 units and the terminator
    out.setWide(true);
    ASSERT_EQ(out.setStrValue(text), VX_SUCCESS);
    EXPECT_EQ(length, 10); // 5 units
    EXPECT_EQ(state(), "01004");
    const unsigned char expected[] = {'a', 0, 0xE9, 0, 0, 0};
    EXPECT_EQ(std::memcmp(buffer, expected, sizeof expected), 0);
    EXPECT_EQ(out.getSourceUsed(), 3); // "a" and the two bytes of U+00E9
    BaseOutString wide(buffer, 16, &length);
    wide.setWide(true);
    ASSERT_EQ(wide.setStrValue(text), VX_SUCCESS);
    const unsigned char all[] = {'a', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 'b', 0, 0, 0};
    EXPECT_EQ(std::memcmp(buffer, all, sizeof all), 0);
    // A byte that does not start UTF-8 is U+FFFD, a cut sequence at the end too.
    ASSERT_EQ(wide.setStrValue("\xe9t\xc3"), VX_SUCCESS);
    const unsigned char replaced[] = {0xFD, 0xFF, 't', 0, 0xFD, 0xFF, 0, 0};
    EXPECT_EQ(std::memcmp(buffer, replaced, sizeof replaced), 0);
}

TEST_F(BaseOutStringTest, PlainTextAsWideFitsOrCutsByWholeUnits) {
    unsigned char buffer[12];
    SQLLEN length = 0;
    // Sizes in bytes: exact fit, one byte short (odd), no room past the terminator, none.
    const struct {
        SQLLEN size;
        SQLLEN used;
        bool cut;
    } cases[] = {{10, 4, false}, {9, 3, true}, {2, 0, true}, {1, 0, true}, {0, 0, true}};
    for (const auto& c : cases) {
        list_.deleteNodes();
        std::memset(buffer, '#', sizeof buffer);
        BaseOutString out(buffer, c.size, &length);
        out.setWide(true);
        ASSERT_EQ(out.setStrValue("abcd"), VX_SUCCESS);
        EXPECT_EQ(length, 8) << c.size;
        EXPECT_EQ(out.getSourceUsed(), c.used) << c.size;
        EXPECT_EQ(out.wasCut(), c.cut) << c.size;
        EXPECT_EQ(state(), c.cut ? "01004" : "") << c.size;
        for (SQLLEN i = 0; i < c.used; ++i)
            EXPECT_TRUE(buffer[2 * i] == "abcd"[i] && buffer[2 * i + 1] == 0) << c.size;
        if (c.size >= 2) {
            EXPECT_TRUE(buffer[2 * c.used] == 0 && buffer[2 * c.used + 1] == 0) << c.size;
        }
        EXPECT_EQ(buffer[c.size], '#') << "nothing past the buffer, size " << c.size;
    }
}

TEST_F(BaseOutStringTest, LongTextInPiecesAsSQLGetDataDeliversIt) {
    std::string value;
    for (int i = 0; i < 250; ++i)
        value += static_cast<char>('a' + i % 26);
    std::string collected;
    char piece[100];
    SQLLEN length = 0, offset = 0;
    int warnings = 0;
    for (;;) {
        list_.deleteNodes();
        BaseOutString out(piece, sizeof piece, &length);
        ASSERT_EQ(baseConvertInternalToC(BaseConvertPlace::column(1), SQL_C_CHAR, out,
                                         value.data() + offset,
                                         static_cast<SQLLEN>(value.size()) - offset, INTERNAL_CHAR),
                  VX_SUCCESS);
        EXPECT_EQ(length, static_cast<SQLLEN>(value.size()) - offset);
        collected += piece;
        offset += out.getSourceUsed();
        if (!out.wasCut())
            break;
        ++warnings;
        EXPECT_EQ(state(), "01004");
        EXPECT_STREQ(list_.getErrorAtPos(0)->getErrorText(), "Data Truncated. Error in column 1.");
    }
    EXPECT_EQ(warnings, 2);
    EXPECT_EQ(collected, value);
}

TEST_F(BaseOutStringTest, BinaryAsHexInPiecesCoversHalfTheCharacters) {
    std::vector<unsigned char> bytes(21);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 13);
    std::string hex, collected;
    static const char DIGITS[] = "0123456789ABCDEF";
    for (unsigned char b : bytes)
        hex += std::string{DIGITS[b >> 4], DIGITS[b & 15]};
    char piece[10]; // 9 characters of room: 4 whole bytes
    SQLLEN length = 0, offset = 0;
    for (int round = 0; round < 10; ++round) {
        BaseOutString out(piece, sizeof piece, &length);
        ASSERT_EQ(baseConvertInternalToC(
                      BaseConvertPlace::column(2), SQL_C_CHAR, out, bytes.data() + offset,
                      static_cast<SQLLEN>(bytes.size()) - offset, INTERNAL_BINARY),
                  VX_SUCCESS);
        EXPECT_EQ(length, 2 * (static_cast<SQLLEN>(bytes.size()) - offset));
        EXPECT_EQ(std::strlen(piece) % 2, 0u);
        collected += piece;
        offset += out.getSourceUsed();
        if (!out.wasCut())
            break;
    }
    EXPECT_EQ(collected, hex);
}

TEST_F(BaseOutStringTest, EveryRecordOfAConversionNamesTheParameter) {
    addOdbcError(ODBC_S1000); // raised before: left alone
    std::int32_t target = 0;
    EXPECT_EQ(baseConvertCToInternal(BaseConvertPlace::parameter(7), SQL_C_CHAR, "99999999999",
                                     SQL_NTS, INTERNAL_SLONG, &target, 4, nullptr),
              VX_ERROR);
    ASSERT_EQ(list_.getCount(), 2u);
    EXPECT_STREQ(list_.getErrorAtPos(0)->getErrorText(), "General error.");
    EXPECT_STREQ(list_.getErrorAtPos(1)->getErrorText(), "Numeric overflow. Error in parameter 7.");
    EXPECT_EQ(baseConvertCToInternal(BaseConvertPlace::parameter(7), SQL_C_CHAR, "1", -7,
                                     INTERNAL_SLONG, &target, 4, nullptr),
              VX_ERROR);
    EXPECT_EQ(state(2), "S1090");
    EXPECT_STREQ(list_.getErrorAtPos(2)->getErrorText(), "Negative length given for parameter 7.");
}

TEST_F(BaseOutStringTest, TypeRules) {
    EXPECT_TRUE(baseCanConvertSqlToC(SQL_LONGVARBINARY, SQL_C_CHAR));
    EXPECT_TRUE(baseCanConvertSqlToC(12345, SQL_C_CHAR)); // unknown SQL types still give text
    EXPECT_FALSE(baseCanConvertSqlToC(SQL_INTEGER, 12345));
    EXPECT_FALSE(baseCanConvertSqlToC(SQL_DATE, SQL_C_TIME));
    EXPECT_FALSE(baseCanConvertCToSql(SQL_C_TIME, SQL_DATE));
    EXPECT_TRUE(baseCanConvertCToSql(SQL_C_TIMESTAMP, SQL_TIME));
    EXPECT_EQ(baseCheckColumnConversion(5, SQL_DATE, SQL_C_LONG), VX_ERROR);
    EXPECT_EQ(state(), "07006");
    EXPECT_STREQ(list_.getErrorAtPos(0)->getErrorText(),
                 "Unable to convert column 5.  Cannot convert from SQL type 9 to C type 4.");
    EXPECT_EQ(baseCheckParamConversion(1, SQL_C_DATE, SQL_INTEGER), VX_ERROR);
    EXPECT_STREQ(list_.getErrorAtPos(1)->getErrorText(),
                 "Unable to convert parameter 1.  Cannot convert from C type 9 to SQL type 4.");
    const struct {
        short sqlType, cType;
    } defaults[] = {{SQL_INTEGER, SQL_C_LONG},
                    {SQL_SMALLINT, SQL_C_SHORT},
                    {SQL_FLOAT, SQL_C_DOUBLE},
                    {SQL_DOUBLE, SQL_C_DOUBLE},
                    {SQL_REAL, SQL_C_FLOAT},
                    {SQL_DATE, SQL_C_DATE},
                    {SQL_TIME, SQL_C_TIME},
                    {SQL_TIMESTAMP, SQL_C_TIMESTAMP},
                    {SQL_BIT, SQL_C_BIT},
                    {SQL_TINYINT, SQL_C_TINYINT},
                    {SQL_BINARY, SQL_C_BINARY},
                    {SQL_VARBINARY, SQL_C_BINARY},
                    {SQL_LONGVARBINARY, SQL_C_BINARY},
                    {SQL_DECIMAL, SQL_C_CHAR},
                    {SQL_NUMERIC, SQL_C_CHAR},
                    {SQL_BIGINT, SQL_C_CHAR},
                    {SQL_LONGVARCHAR, SQL_C_CHAR},
                    {777, SQL_C_CHAR}};
    for (const auto& d : defaults)
        EXPECT_EQ(baseDefaultCType(d.sqlType), d.cType) << d.sqlType;
    EXPECT_EQ(baseCTypeSize(SQL_C_TIMESTAMP), 16);
    EXPECT_EQ(baseCTypeSize(SQL_C_DATE), 6);
    EXPECT_EQ(baseCTypeSize(SQL_C_ULONG), 4);
    EXPECT_EQ(baseCTypeSize(SQL_C_DOUBLE), 8);
    EXPECT_EQ(baseCTypeSize(SQL_C_SSHORT), 2);
    EXPECT_EQ(baseCTypeSize(SQL_C_UTINYINT), 1);
    EXPECT_EQ(baseCTypeSize(SQL_C_CHAR), 0);
}

} // namespace
