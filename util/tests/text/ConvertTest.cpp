// Decimal and hexadecimal conversion at their limits, with the exact
// messages of failures.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "util/VxError.h"
#include "util/convert.h"

namespace {

class ConvertTest : public ::testing::Test {
protected:
    ConvertTest() : list_(nullptr, 1), scope_(&list_) {}

    std::string lastText() {
        VxError* e = VxErrorKeeper::getLastError();
        return e ? e->getErrorText() : "";
    }

    VxErrorList list_;
    VxErrorListScope scope_;
};

} // namespace

TEST_F(ConvertTest, TextToUnsignedLongAtItsLimits) {
    unsigned long v = 99;
    ASSERT_EQ(convert("4294967295", &v), VX_SUCCESS);
    EXPECT_EQ(v, 4294967295UL);
    ASSERT_EQ(convert(" + 12 ", &v), VX_SUCCESS);
    EXPECT_EQ(v, 12UL);
    ASSERT_EQ(convert("", &v), VX_SUCCESS);
    EXPECT_EQ(v, 0UL);
    v = 5;
    ASSERT_EQ(convert("   ", &v), VX_SUCCESS);
    EXPECT_EQ(v, 0UL);
    ASSERT_EQ(convert("0004294967295", &v), VX_SUCCESS);

    v = 7;
    EXPECT_EQ(convert(" 4294967296", &v), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2701);
    EXPECT_EQ(lastText(), "Number too large: 4294967296");
    EXPECT_EQ(v, 7UL);
    EXPECT_EQ(convert("42949672950", &v), VX_ERROR);
    EXPECT_EQ(convert("12a", &v), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2702);
    EXPECT_EQ(lastText(), "Number contains an invalid character: 12a");
    EXPECT_EQ(convert("-1", &v), VX_ERROR);
    EXPECT_EQ(convert("1 2", &v), VX_ERROR);
}

TEST_F(ConvertTest, TextToSignedAndNarrowForms) {
    long l = 0;
    ASSERT_EQ(convert("-2147483648", &l), VX_SUCCESS);
    EXPECT_EQ(l, -2147483648L);
    ASSERT_EQ(convert("  2147483647 ", &l), VX_SUCCESS);
    EXPECT_EQ(l, 2147483647L);
    EXPECT_EQ(convert("2147483648", &l), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2701);
    EXPECT_EQ(convert("-2147483649", &l), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2701);
    EXPECT_EQ(convert("-x", &l), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2702);

    unsigned short us = 0;
    ASSERT_EQ(convert("65535", &us), VX_SUCCESS);
    EXPECT_EQ(us, 65535);
    EXPECT_EQ(convert("65536", &us), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2701);
    short s = 0;
    ASSERT_EQ(convert("-32768", &s), VX_SUCCESS);
    EXPECT_EQ(s, -32768);
    EXPECT_EQ(convert("32768", &s), VX_ERROR);
    unsigned char uc = 0;
    ASSERT_EQ(convert("255", &uc), VX_SUCCESS);
    EXPECT_EQ(uc, 255);
    EXPECT_EQ(convert("256", &uc), VX_ERROR);
    signed char sc = 0;
    ASSERT_EQ(convert("-128", &sc), VX_SUCCESS);
    EXPECT_EQ(sc, -128);
    EXPECT_EQ(convert("128", &sc), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2701);
}

TEST_F(ConvertTest, CountedTextsOfAnyLength) {
    unsigned long v = 0;
    ASSERT_EQ(convert("123456", 3, &v), VX_SUCCESS);
    EXPECT_EQ(v, 123UL);
    unsigned short us = 0;
    ASSERT_EQ(convert("70000", 4, &us), VX_SUCCESS);
    EXPECT_EQ(us, 7000);
    EXPECT_EQ(convert("70000", 5, &us), VX_ERROR);
    ASSERT_EQ(convert("12\0"
                      "9",
                      4, &v),
              VX_SUCCESS);
    EXPECT_EQ(v, 12UL);

    std::string padded = std::string(200, ' ') + "42" + std::string(100, ' ');
    ASSERT_EQ(convert(padded.data(), padded.size(), &v), VX_SUCCESS);
    EXPECT_EQ(v, 42UL);
    std::string longNumber(150, '9');
    EXPECT_EQ(convert(longNumber.data(), longNumber.size(), &v), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2701);
    std::string junk = std::string(120, '1') + "x";
    EXPECT_EQ(convert(junk.data(), junk.size(), &us), VX_ERROR);
}

TEST_F(ConvertTest, NumberToTextCoversTheFull64Bits) {
    char buf[32];
    EXPECT_EQ(convert(buf, 0UL), 1u);
    EXPECT_STREQ(buf, "0");
    EXPECT_EQ(convert(buf, ULONG_MAX), 20u);
    EXPECT_STREQ(buf, "18446744073709551615");
    EXPECT_EQ(convert(buf, LONG_MIN), 20u);
    EXPECT_STREQ(buf, "-9223372036854775808");
    EXPECT_EQ(convert(buf, -42), 3u);
    EXPECT_STREQ(buf, "-42");
    EXPECT_EQ(convert(buf, 7u), 1u);
}

TEST_F(ConvertTest, FixedWidth) {
    char buf[32];
    EXPECT_EQ(convert(buf, 3, 12345UL, false), 0u);
    EXPECT_STREQ(buf, "***");
    EXPECT_EQ(convert(buf, 4, 0UL, false), 0u);
    EXPECT_STREQ(buf, "    ");
    EXPECT_EQ(convert(buf, 6, 42UL, false), 2u);
    EXPECT_STREQ(buf, "    42");
    EXPECT_EQ(convert(buf, 6, 42UL, true), 2u);
    EXPECT_STREQ(buf, "42    ");
    EXPECT_EQ(convert(buf, 5, 10203UL, true), 5u);
    EXPECT_STREQ(buf, "10203");
    EXPECT_EQ(convert(buf, 12, 4294967295UL, false), 10u);
    EXPECT_STREQ(buf, "  4294967295");
    EXPECT_EQ(convert(buf, 12, 7UL, true), 1u);
    EXPECT_STREQ(buf, "7           ");
    EXPECT_EQ(convert(buf, 12, 10000000000UL, true), 0u);
    EXPECT_STREQ(buf, "**********  ");
}

TEST_F(ConvertTest, Hexadecimal) {
    char buf[64];
    EXPECT_EQ(hexify(buf, 0UL, 0), 1u);
    EXPECT_STREQ(buf, "0");
    EXPECT_EQ(hexify(buf, 0xABCUL, 6), 6u);
    EXPECT_STREQ(buf, "000ABC");
    EXPECT_EQ(hexify(buf, ULONG_MAX, 1), 16u);

    const unsigned char bytes[] = {0x0A, 0xFF};
    EXPECT_EQ(hexify(buf, bytes, 2), 4u);
    EXPECT_EQ(std::string(buf, 4), "0AFF");

    char inPlace[8] = {'\x01', '\xab', '\x7f'};
    EXPECT_EQ(hexify(inPlace, inPlace, 3), 6u);
    EXPECT_EQ(std::string(inPlace, 6), "01AB7F");

    unsigned char out[4] = {};
    ASSERT_EQ(dehexify(out, "0aFf1", 5), VX_SUCCESS);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[2], 0x10);
    EXPECT_EQ(dehexify(out, "0G", 2), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2708);
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(),
                 "Invalid hexidecimal character found during conversion.");

    EXPECT_TRUE(isHexString("", 0));
    EXPECT_TRUE(isHexString("09afAF", 6));
    EXPECT_FALSE(isHexString("0x", 2));
}
