// BaseConvertNum and BaseConvertDateTime called directly, as drivers and
// the flat engine call them: flags, unterminated text targets, packed and
// digits values, out lengths and the messages raised.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "base/BaseCalendar.h"
#include "base/BaseConvert.h"
#include "base/BaseConvertC.h"
#include "base/BaseOutString.h"
#include "base/BaseOdbcId.h"
#include "util/VxError.h"

namespace {

class BaseConvertTest : public ::testing::Test {
protected:
    BaseConvertTest() : scope_(&list_) {}
    std::string state(std::uint32_t pos = 0) {
        VxError* error = list_.getErrorAtPos(pos);
        return error ? baseGetSqlState(error->getSqlStateId()) : "";
    }
    std::string text(std::uint32_t pos = 0) {
        VxError* error = list_.getErrorAtPos(pos);
        return error ? error->getErrorText() : "";
    }
    VxStatus textTo(const char* value, InternalType type, void* to, SQLLEN size = 0,
                    unsigned long flags = BASE_CONVERT_REPORT_TRUNCATION, short scale = 0) {
        return BaseConvertNum(INTERNAL_CHAR, value, static_cast<SQLLEN>(std::strlen(value)), type,
                              to, &outLength_, size, scale, flags);
    }
    // Delivers a value to `cType` through the general conversion and through
    // `direct`, in buffers of `size` bytes: either `direct` declines and
    // writes nothing, or both write the same bytes, length and coverage and
    // the general one raises nothing. True when `direct` took the value.
    template <typename Direct>
    bool sameAsGeneral(short cType, const std::string& bytes, InternalType type, SQLLEN size,
                       const std::string& what, Direct direct) {
        char general[80], plain[80];
        std::memset(general, 'x', sizeof general);
        std::memset(plain, 'x', sizeof plain);
        SQLLEN generalLength = -7, plainLength = -7;
        BaseOutString generalOut(general, size, &generalLength);
        BaseOutString plainOut(plain, size, &plainLength);
        const auto length = static_cast<SQLLEN>(bytes.size());
        list_.deleteNodes();
        const VxStatus status = baseConvertInternalToC(BaseConvertPlace::column(1), cType,
                                                       generalOut, bytes.data(), length, type, 0);
        if (!direct(plainOut, bytes.data(), length)) {
            EXPECT_EQ(plainLength, -7) << what;
            EXPECT_EQ(std::string(plain, sizeof plain), std::string(sizeof plain, 'x')) << what;
            return false;
        }
        EXPECT_EQ(status, VX_SUCCESS) << what;
        EXPECT_EQ(list_.getCount(), 0u) << what;
        EXPECT_EQ(plainLength, generalLength) << what;
        EXPECT_EQ(std::string(plain, sizeof plain), std::string(general, sizeof general)) << what;
        EXPECT_FALSE(plainOut.wasCut()) << what;
        EXPECT_EQ(plainOut.getSourceUsed(), generalOut.getSourceUsed()) << what;
        return true;
    }
    VxErrorList list_{nullptr, 1};
    VxErrorListScope scope_;
    SQLLEN outLength_ = -1;
};

TEST_F(BaseConvertTest, FractionCutIsReportedOnlyWhenAskedAndNotSilenced) {
    std::int32_t value = 0;
    ASSERT_EQ(textTo("12.9", INTERNAL_SLONG, &value, 0, 0), VX_SUCCESS);
    EXPECT_EQ(value, 12);
    EXPECT_EQ(list_.getCount(), 0u);
    ASSERT_EQ(textTo("12.9", INTERNAL_SLONG, &value), VX_SUCCESS);
    EXPECT_EQ(state(), "01004");
    EXPECT_EQ(text(), "Data Truncated.");
    list_.deleteNodes();
    ASSERT_EQ(textTo("12.9", INTERNAL_SLONG, &value, 0,
                     BASE_CONVERT_REPORT_TRUNCATION | BASE_CONVERT_CUT_FRACTION),
              VX_SUCCESS);
    EXPECT_EQ(list_.getCount(), 0u);
    EXPECT_EQ(outLength_, 4);
}

TEST_F(BaseConvertTest, TextTargetsAreUnterminatedUnlessAsked) {
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    std::int32_t value = -345;
    ASSERT_EQ(
        BaseConvertNum(INTERNAL_SLONG, &value, 4, INTERNAL_CHAR, buffer, &outLength_, 4, 0, 0),
        VX_SUCCESS);
    EXPECT_EQ(outLength_, 4);
    EXPECT_EQ(std::string(buffer, 5), "-345Z");
    ASSERT_EQ(BaseConvertNum(INTERNAL_SLONG, &value, 4, INTERNAL_CHAR, buffer, &outLength_, 4, 0,
                             BASE_CONVERT_TERMINATE),
              VX_ERROR);
    EXPECT_EQ(state(), "22003");
    EXPECT_EQ(text(), "Numeric overflow.");
}

TEST_F(BaseConvertTest, TextToTextIsACopyCutToTheRoom) {
    char buffer[4];
    ASSERT_EQ(textTo("abcdef", INTERNAL_CHAR, buffer, 4), VX_SUCCESS);
    EXPECT_EQ(outLength_, 4);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(state(), "01004");
    // A text "number" is not reformatted.
    char number[8];
    ASSERT_EQ(textTo(" 007 ", INTERNAL_CHAR, number, 8), VX_SUCCESS);
    EXPECT_EQ(std::string(number, static_cast<std::size_t>(outLength_)), " 007 ");
}

TEST_F(BaseConvertTest, PackedDecimalsBothWays) {
    unsigned char packed[4];
    ASSERT_EQ(textTo("-1234.5", INTERNAL_PACKED, packed, 4, 0, 2), VX_SUCCESS);
    const unsigned char expected[] = {0x01, 0x23, 0x45, 0x0D}; // 0123450, sign D
    EXPECT_EQ(std::memcmp(packed, expected, 4), 0);
    EXPECT_EQ(outLength_, 4);
    double value = 0;
    ASSERT_EQ(
        BaseConvertNum(INTERNAL_PACKED, packed, 4, INTERNAL_DOUBLE, &value, &outLength_, 0, 2, 0),
        VX_SUCCESS);
    EXPECT_EQ(value, -1234.5);
    // Four bytes hold seven digits: at scale 2 five integer digits at most.
    EXPECT_EQ(textTo("123456", INTERNAL_PACKED, packed, 4, 0, 2), VX_ERROR);
    EXPECT_EQ(state(), "22003");
    // A sign half-byte other than D is positive.
    const unsigned char positive[] = {0x12, 0x3F};
    std::int32_t integer = 0;
    ASSERT_EQ(BaseConvertNum(INTERNAL_PACKED, positive, 2, INTERNAL_SLONG, &integer, &outLength_, 0,
                             0, 0),
              VX_SUCCESS);
    EXPECT_EQ(integer, 123);
}

TEST_F(BaseConvertTest, DigitsValuesKeepTheirScale) {
    unsigned char digits[32];
    ASSERT_EQ(textTo("-0.05", INTERNAL_DIGITS, digits, sizeof digits, 0, 3), VX_SUCCESS);
    InternalDigitsHeader header;
    std::memcpy(&header, digits, sizeof header);
    EXPECT_EQ(header.negative, 1);
    EXPECT_EQ(header.scale, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(digits) + 8, header.digitCount), "0050");
    char text[16];
    ASSERT_EQ(BaseConvertNum(INTERNAL_DIGITS, digits, outLength_, INTERNAL_CHAR, text, &outLength_,
                             sizeof text, 0, 0),
              VX_SUCCESS);
    EXPECT_EQ(std::string(text, static_cast<std::size_t>(outLength_)), "-0.050");
    // A header that claims more digits than there are bytes is refused.
    header.digitCount = 100;
    std::memcpy(digits, &header, sizeof header);
    EXPECT_EQ(BaseConvertNum(INTERNAL_DIGITS, digits, 12, INTERNAL_CHAR, text, &outLength_,
                             sizeof text, 0, 0),
              VX_ERROR);
    EXPECT_EQ(state(), "22005");
}

// Digits values as text: no leading zeros, a zero before the point, the
// scale's fraction digits, no sign on zero; terminated when asked; a room
// too small for the fraction cuts it with 01004, too small for the integer
// digits fails with 22003.
TEST_F(BaseConvertTest, DigitsValuesWriteAsPlainText) {
    struct Case {
        const char* digits;
        short scale;
        unsigned char negative;
        const char* text;
    };
    const Case cases[] = {
        {"0012345", 2, 0, "123.45"}, {"5", 3, 1, "-0.005"}, {"0000", 2, 1, "0.00"},
        {"700", 0, 0, "700"},        {"", 0, 0, "0"},       {"000120", 4, 0, "0.0120"},
    };
    for (const Case& c : cases) {
        InternalDigitsHeader header{static_cast<int>(std::strlen(c.digits)), c.scale, c.negative,
                                    0};
        std::string value(reinterpret_cast<const char*>(&header), sizeof header);
        value += c.digits;
        char text[16];
        std::memset(text, 'x', sizeof text);
        ASSERT_EQ(BaseConvertNum(INTERNAL_DIGITS, value.data(), static_cast<SQLLEN>(value.size()),
                                 INTERNAL_CHAR, text, &outLength_, sizeof text, 0,
                                 BASE_CONVERT_TERMINATE | BASE_CONVERT_REPORT_TRUNCATION),
                  VX_SUCCESS)
            << c.text;
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(outLength_, static_cast<SQLLEN>(std::strlen(c.text)));
    }
    InternalDigitsHeader header{7, 2, 0, 0};
    std::string value(reinterpret_cast<const char*>(&header), sizeof header);
    value += "0012345";
    char text[8];
    ASSERT_EQ(BaseConvertNum(INTERNAL_DIGITS, value.data(), static_cast<SQLLEN>(value.size()),
                             INTERNAL_CHAR, text, &outLength_, 6, 0,
                             BASE_CONVERT_TERMINATE | BASE_CONVERT_REPORT_TRUNCATION),
              VX_SUCCESS);
    EXPECT_STREQ(text, "123.4");
    EXPECT_EQ(state(), "01004");
    EXPECT_EQ(BaseConvertNum(INTERNAL_DIGITS, value.data(), static_cast<SQLLEN>(value.size()),
                             INTERNAL_CHAR, text, &outLength_, 3, 0, BASE_CONVERT_TERMINATE),
              VX_ERROR);
    EXPECT_EQ(state(1), "22003");
}

TEST_F(BaseConvertTest, OverLongNumberTextsAreRefusedNotOverrun) {
    std::string huge(100000, '7');
    double value = 0;
    EXPECT_EQ(textTo(huge.c_str(), INTERNAL_DOUBLE, &value), VX_ERROR);
    EXPECT_EQ(state(), "22005");
    // Zeros after the significant digits do not count against the limit.
    std::string big = "5" + std::string(300, '0');
    ASSERT_EQ(textTo(big.c_str(), INTERNAL_DOUBLE, &value), VX_SUCCESS);
    EXPECT_EQ(value, 5e300);
    std::string small = "0." + std::string(300, '0') + "25";
    ASSERT_EQ(textTo(small.c_str(), INTERNAL_DOUBLE, &value), VX_SUCCESS);
    EXPECT_EQ(value, 2.5e-301);
}

// A column may hold 254 digits: its values convert whole, while number
// text stays limited to 80 significant digits.
TEST_F(BaseConvertTest, WideDigitsValuesConvertWhole) {
    std::string wide;
    for (int i = 0; i < 254; ++i)
        wide += static_cast<char>('1' + i % 9);
    InternalDigitsHeader header{};
    header.digitCount = static_cast<int>(wide.size());
    header.scale = 4;
    std::string value(reinterpret_cast<const char*>(&header), sizeof header);
    value += wide;
    char text[300];
    ASSERT_EQ(BaseConvertNum(INTERNAL_DIGITS, value.data(), static_cast<SQLLEN>(value.size()),
                             INTERNAL_CHAR, text, &outLength_, sizeof text, 0, 0),
              VX_SUCCESS);
    EXPECT_EQ(std::string(text, static_cast<std::size_t>(outLength_)),
              wide.substr(0, 250) + "." + wide.substr(250));
    double number = 0;
    EXPECT_EQ(textTo(std::string(81, '3').c_str(), INTERNAL_DOUBLE, &number), VX_ERROR);
    EXPECT_EQ(state(), "22005");
}

TEST_F(BaseConvertTest, DoubleRangeAndTextRoundTrip) {
    double value = 0;
    EXPECT_EQ(textTo("1e309", INTERNAL_DOUBLE, &value), VX_ERROR);
    EXPECT_EQ(textTo("-1e400", INTERNAL_DOUBLE, &value), VX_ERROR);
    EXPECT_EQ(state(1), "22003");
    const double samples[] = {0.1,           -1.0 / 3, 1e-300,
                              123456789.125, 2.5e-306, 1.7976931348623157e308};
    for (double sample : samples) {
        char text[400];
        ASSERT_EQ(BaseConvertNum(INTERNAL_DOUBLE, &sample, 8, INTERNAL_CHAR, text, &outLength_,
                                 sizeof text, 0, 0),
                  VX_SUCCESS);
        double back = 0;
        ASSERT_EQ(BaseConvertNum(INTERNAL_CHAR, text, outLength_, INTERNAL_DOUBLE, &back, nullptr,
                                 0, 0, 0),
                  VX_SUCCESS);
        EXPECT_EQ(back, sample) << std::string(text, static_cast<std::size_t>(outLength_));
    }
    // The significant digits written are those of the fewest from 15 that
    // print and read back as the value (6 for a float), across magnitudes.
    auto digitsOf = [](const std::string& text) {
        std::string digits;
        for (char c : text.substr(0, text.find_first_of("eE")))
            if (c >= '0' && c <= '9' && (c != '0' || !digits.empty()))
                digits += c;
        return digits.erase(digits.find_last_not_of('0') + 1);
    };
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 3000; ++i) {
        const bool isFloat = i % 3 == 0;
        double sample =
            std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 200) - 150);
        if (isFloat)
            sample = static_cast<float>(sample);
        char expected[40];
        for (int precision = isFloat ? 6 : 15; precision <= (isFloat ? 9 : 17); ++precision) {
            std::snprintf(expected, sizeof expected, "%.*e", precision - 1, sample);
            const double back = std::strtod(expected, nullptr);
            if (isFloat ? static_cast<float>(back) == static_cast<float>(sample) : back == sample)
                break;
        }
        const float single = static_cast<float>(sample);
        char text[400];
        ASSERT_EQ(BaseConvertNum(isFloat ? INTERNAL_FLOAT : INTERNAL_DOUBLE,
                                 isFloat ? static_cast<const void*>(&single) : &sample,
                                 isFloat ? 4 : 8, INTERNAL_CHAR, text, &outLength_, sizeof text, 0,
                                 0),
                  VX_SUCCESS);
        const std::string written(text, static_cast<std::size_t>(outLength_));
        EXPECT_EQ(digitsOf(written), digitsOf(expected)) << written << " against " << expected;
    }
    double infinite = HUGE_VAL;
    std::int32_t integer;
    EXPECT_EQ(
        BaseConvertNum(INTERNAL_DOUBLE, &infinite, 8, INTERNAL_SLONG, &integer, nullptr, 0, 0, 0),
        VX_ERROR);
}

// Whole numbers are written without going through printed text, up to the
// digits the shortest form would give; larger ones, fractions and signed
// zero must read exactly as before.
TEST_F(BaseConvertTest, WholeDoublesAsText) {
    auto asText = [this](InternalType type, const void* value) {
        char text[64];
        EXPECT_EQ(BaseConvertNum(type, value, type == INTERNAL_FLOAT ? 4 : 8, INTERNAL_CHAR, text,
                                 &outLength_, sizeof text, 0, 0),
                  VX_SUCCESS);
        return std::string(text, static_cast<std::size_t>(outLength_));
    };
    const double doubles[] = {0.0,  -0.0, 1234, -42, 999999999999999.0, 1e15, 1.2345678901234568e17,
                              -1e-3};
    const char* doubleTexts[] = {
        "0",     "0", "1234", "-42", "999999999999999", "1000000000000000", "123456789012345680",
        "-0.001"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(asText(INTERNAL_DOUBLE, &doubles[i]), doubleTexts[i]);
    const float floats[] = {999999.0f, 1e6f, 16777216.0f, -3.0f};
    const char* floatTexts[] = {"999999", "1000000", "16777216", "-3"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(asText(INTERNAL_FLOAT, &floats[i]), floatTexts[i]);
}

TEST_F(BaseConvertTest, DatesAndTimesAsNumbers) {
    DATE_STRUCT date{1970, 1, 1};
    std::int32_t day = 0;
    ASSERT_EQ(BaseConvertNum(INTERNAL_DATE, &date, 6, INTERNAL_SLONG, &day, &outLength_, 0, 0, 0),
              VX_SUCCESS);
    EXPECT_EQ(day, 2440588);
    day = 2449903;
    ASSERT_EQ(
        BaseConvertDateTime(INTERNAL_SLONG, &day, 4, INTERNAL_DATE, &date, &outLength_, 0, 0, 0),
        VX_SUCCESS);
    EXPECT_TRUE(date.year == 1995 && date.month == 7 && date.day == 4);
    EXPECT_EQ(outLength_, 6);
    TIME_STRUCT time{1, 2, 3};
    ASSERT_EQ(BaseConvertNum(INTERNAL_TIME, &time, 6, INTERNAL_SLONG, &day, nullptr, 0, 0, 0),
              VX_SUCCESS);
    EXPECT_EQ(day, 3723);
    day = 86400;
    EXPECT_EQ(BaseConvertNum(INTERNAL_SLONG, &day, 4, INTERNAL_TIME, &time, nullptr, 0, 0, 0),
              VX_ERROR);
    EXPECT_EQ(state(), "22008");
    TIMESTAMP_STRUCT stamp{1970, 1, 1, 12, 0, 0, 0};
    double number = 0;
    ASSERT_EQ(
        BaseConvertNum(INTERNAL_TIMESTAMP, &stamp, 16, INTERNAL_DOUBLE, &number, nullptr, 0, 0, 0),
        VX_SUCCESS);
    EXPECT_EQ(number, 2440588.5);
    TIMESTAMP_STRUCT back{};
    ASSERT_EQ(BaseConvertNum(INTERNAL_DOUBLE, &number, 8, INTERNAL_TIMESTAMP, &back, &outLength_, 0,
                             0, 0),
              VX_SUCCESS);
    EXPECT_TRUE(back.year == 1970 && back.day == 1 && back.hour == 12 && back.minute == 0);
    EXPECT_EQ(outLength_, 16);
}

TEST_F(BaseConvertTest, TimestampTextIntoSmallFieldsKeepsTheDate) {
    TIMESTAMP_STRUCT stamp{1995, 7, 4, 10, 30, 15, 0};
    char text[10];
    ASSERT_EQ(BaseConvertDateTime(INTERNAL_TIMESTAMP, &stamp, 16, INTERNAL_CHAR, text, &outLength_,
                                  10, 0, BASE_CONVERT_REPORT_TRUNCATION),
              VX_SUCCESS);
    EXPECT_EQ(std::string(text, 10), "1995-07-04");
    EXPECT_EQ(outLength_, 10);
    EXPECT_EQ(state(), "01004");
    list_.deleteNodes();
    // Without a report request the cut is silent.
    ASSERT_EQ(BaseConvertDateTime(INTERNAL_TIMESTAMP, &stamp, 16, INTERNAL_CHAR, text, &outLength_,
                                  10, 0, 0),
              VX_SUCCESS);
    EXPECT_EQ(list_.getCount(), 0u);
    EXPECT_EQ(BaseConvertDateTime(INTERNAL_TIMESTAMP, &stamp, 16, INTERNAL_CHAR, text, &outLength_,
                                  9, 0, 0),
              VX_ERROR);
    EXPECT_EQ(state(), "22003");
}

TEST_F(BaseConvertTest, TimestampFromTextWithFractionAndBlanks) {
    const char* text = "  1995-07-04 10:30:00.5  ";
    TIMESTAMP_STRUCT stamp{};
    ASSERT_EQ(BaseConvertDateTime(INTERNAL_CHAR, text, SQL_NTS, INTERNAL_TIMESTAMP, &stamp,
                                  &outLength_, 16, 0, 0),
              VX_SUCCESS);
    EXPECT_EQ(stamp.fraction, 500000000u);
    EXPECT_EQ(stamp.second, 0);
    // Numbers and dates meet only through day numbers: a timestamp text is
    // not a number.
    std::int32_t number;
    EXPECT_EQ(
        BaseConvertNum(INTERNAL_CHAR, text, SQL_NTS, INTERNAL_SLONG, &number, nullptr, 0, 0, 0),
        VX_ERROR);
    EXPECT_EQ(state(), "22005");
}

TEST_F(BaseConvertTest, BinaryHexNeverSplitsAByte) {
    const unsigned char bytes[] = {0xDE, 0xAD, 0xBE, 0xEF};
    char text[8];
    for (SQLLEN size = 0; size <= 8; ++size) {
        std::memset(text, '#', sizeof text);
        ASSERT_EQ(
            BaseConvertNum(INTERNAL_BINARY, bytes, 4, INTERNAL_CHAR, text, &outLength_, size, 0, 0),
            VX_SUCCESS);
        EXPECT_EQ(outLength_, size / 2 * 2) << size;
        EXPECT_EQ(std::string(text, static_cast<std::size_t>(outLength_)),
                  std::string("DEADBEEF").substr(0, static_cast<std::size_t>(outLength_)));
        if (size < 8) {
            EXPECT_EQ(text[size], '#') << size;
        }
    }
}

} // namespace

// The direct delivery of text, digits and dates to SQL_C_CHAR writes what
// the general conversion writes, or leaves everything untouched for it
// (cuts, invalid dates, unknown lengths, other types).
TEST_F(BaseConvertTest, PlainTextDeliveryMatchesTheGeneralConversion) {
    struct Value {
        std::string bytes;
        InternalType type;
    };
    auto digits = [](const char* text, short scale, unsigned char negative) {
        InternalDigitsHeader header{static_cast<int>(std::strlen(text)), scale, negative, 0};
        return Value{std::string(reinterpret_cast<const char*>(&header), sizeof header) + text,
                     INTERNAL_DIGITS};
    };
    auto date = [](int year, int month, int day) {
        DATE_STRUCT value{static_cast<SQLSMALLINT>(year), static_cast<SQLUSMALLINT>(month),
                          static_cast<SQLUSMALLINT>(day)};
        return Value{std::string(reinterpret_cast<const char*>(&value), sizeof value),
                     INTERNAL_DATE};
    };
    const std::int32_t whole = 42;
    const Value values[] = {
        {"name0042", INTERNAL_CHAR},
        {std::string("a\0b", 3), INTERNAL_CHAR},
        {"", INTERNAL_CHAR},
        digits("0012345", 2, 0),
        digits("5", 3, 1),
        digits("0000", 2, 1),
        digits("", 0, 0),
        digits("12a", 0, 0),
        date(2024, 2, 29),
        date(1, 1, 1),
        date(2023, 2, 29),
        date(10000, 1, 1),
        {std::string(reinterpret_cast<const char*>(&whole), sizeof whole), INTERNAL_SLONG},
    };
    int taken = 0;
    for (const Value& value : values)
        for (SQLLEN size : {0, 1, 4, 7, 8, 9, 10, 11, 32})
            taken += sameAsGeneral(SQL_C_CHAR, value.bytes, value.type, size,
                                   "value " + std::to_string(&value - values) + " size " +
                                       std::to_string(size),
                                   [&](BaseOutString& out, const void* bytes, SQLLEN length) {
                                       return baseDeliverPlainText(out, bytes, length, value.type);
                                   });
    EXPECT_GT(taken, 20);
}

// ASCII text for a wide buffer, delivered directly, is what the general
// conversion writes; anything not ASCII or not fitting is left to it.
TEST_F(BaseConvertTest, AsciiDeliveredAsWideMatchesTheGeneralConversion) {
    const std::string texts[] = {"name0042", "", std::string("a\0b", 3), "caf\xC3\xA9", "x\x7F"};
    int taken = 0;
    for (const std::string& value : texts)
        for (SQLLEN size : {0, 1, 2, 6, 8, 9, 10, 16, 18, 19, 64})
            taken += sameAsGeneral(SQL_C_WCHAR, value, INTERNAL_CHAR, size,
                                   "\"" + value + "\" size " + std::to_string(size),
                                   baseDeliverAsciiAsWide);
    EXPECT_GT(taken, 10);
}
