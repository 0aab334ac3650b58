// Text functions: LIKE matching, quoting, search, comparisons, trimming,
// flags, scrambling, byte primitives and accelerator captions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/but.h"
#include "util/dialogText.h"
#include "util/str.h"

namespace {
bool like(const char* text, const char* pattern, bool exactCase = false,
          bool keepTrailing = false) {
    return strLike(text, pattern, '%', '_', '\\', exactCase, keepTrailing);
}
} // namespace

TEST(StrLikeTest, CaseTrailingSpaceAndEscape) {
    EXPECT_TRUE(like("ABC", "a%"));
    EXPECT_FALSE(like("ABC", "a%", true));
    EXPECT_TRUE(like("ABC  ", "ABC"));
    EXPECT_FALSE(like("ABC  ", "ABC", false, true));
    EXPECT_TRUE(like("ABC", "ABC\t "));
    EXPECT_TRUE(like("A%", "A\\%"));
    EXPECT_FALSE(like("A%B", "A\\%"));
    EXPECT_FALSE(like("AB", "A\\%"));
    EXPECT_FALSE(like("A\\", "A\\"));
    EXPECT_TRUE(like("a_b", "a\\_b"));
    EXPECT_FALSE(like("axb", "a\\_b"));
    EXPECT_FALSE(strLike("A%", "A\\%", '%', '_', 0, false, false));
}

TEST(StrLikeTest, WildcardsAndBacktracking) {
    EXPECT_TRUE(like("", ""));
    EXPECT_TRUE(like("", "%%"));
    EXPECT_FALSE(like("", "_"));
    EXPECT_TRUE(like("abc", "%"));
    EXPECT_TRUE(like("abc", "___"));
    EXPECT_FALSE(like("abc", "__"));
    EXPECT_FALSE(like("ab", "%___"));
    EXPECT_TRUE(like("abc", "%_c"));
    EXPECT_TRUE(like("mississippi", "m%iss%ppi"));
    EXPECT_TRUE(like("mississippi", "%ss%ss%"));
    EXPECT_FALSE(like("mississippi", "%ss%ss%ss%"));
    EXPECT_TRUE(like("aaab", "%aab"));
    EXPECT_TRUE(like("abcabd", "%abd"));
    EXPECT_FALSE(like("abcabe", "%abd"));
    EXPECT_TRUE(like("xyz", "x%_"));
    EXPECT_TRUE(like("TABLE_1", "table%1"));
    EXPECT_TRUE(strLike("abcX", 3, "a%c", 3, '%', '_', 0, true, true));
}

TEST(StrTest, QuotingRoundTrips) {
    char text[] = "'a''b'";
    EXPECT_EQ(strRemoveQuotes(text, '\''), 3u);
    EXPECT_STREQ(text, "a'b");
    char undoubled[] = "'a'b'";
    EXPECT_EQ(strRemoveQuotes(undoubled, '\''), 5u);
    EXPECT_STREQ(undoubled, "'a'b'");
    char closingPair[] = "'ab''";
    EXPECT_EQ(strRemoveQuotes(closingPair, '\''), 5u);
    char endsInQuote[] = "'a'''";
    EXPECT_EQ(strRemoveQuotes(endsInQuote, '\''), 2u);
    EXPECT_STREQ(endsInQuote, "a'");
    char empty[] = "''";
    EXPECT_EQ(strRemoveQuotes(empty, '\''), 0u);
    char one[] = "'";
    EXPECT_EQ(strRemoveQuotes(one, '\''), 1u);
    char other[] = "\"x\"";
    EXPECT_EQ(strRemoveQuotes(other, '\''), 3u);

    char buf[64];
    char* end = strCopyQuoted(buf, "it's", '\'');
    EXPECT_STREQ(buf, "'it''s'");
    EXPECT_EQ(end, buf + 7);
    strCatQuoted(buf, "x", '"');
    EXPECT_STREQ(buf, "'it''s'\"x\"");
    char back[64];
    strCopyUnquoted(back, "'it''s'");
    EXPECT_STREQ(back, "it's");
    strCopyUnquoted(back, "[ab]", 4);
    EXPECT_STREQ(back, "ab");
}

TEST(StrTest, BoundedCopiesAndSearch) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    char* end = strCopy(buf, 4, "abcdef");
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(end, buf + 3);
    EXPECT_EQ(buf[4], 'x');
    EXPECT_EQ(strCopy(buf, 0, "abc"), buf);
    end = strCopy(buf, "hello", 2);
    EXPECT_STREQ(buf, "he");

    const char* text = "a,b,'c,d',e";
    EXPECT_EQ(strFind(text, ','), text + 1);
    EXPECT_EQ(strFindReverse(text, ','), text + 9);
    EXPECT_EQ(strFind(text, "'c"), text + 4);
    EXPECT_EQ(strFind(text, ""), nullptr);
    EXPECT_EQ(strFind("ab", "abc"), nullptr);
    EXPECT_EQ(strFind(text, 'd', '\'', '"', '`'), nullptr);
    EXPECT_EQ(strFind(text, 'e', '\'', '"', '`'), text + 10);
    const char* mixed = "\"x'\"x";
    EXPECT_EQ(strFind(mixed, 'x', '\'', '"', 0), mixed + 4);
    EXPECT_EQ(strFind("\"x'x", 'x', '\'', '"', 0), nullptr);

    EXPECT_TRUE(strContains("ab12", 4, nullptr, STR_CLASS_LOWER | STR_CLASS_DIGIT));
    EXPECT_FALSE(strContains("aB12", 4, nullptr, STR_CLASS_LOWER | STR_CLASS_DIGIT));
    EXPECT_TRUE(strContains("a_b", 3, "_", STR_CLASS_LOWER));
    EXPECT_TRUE(strDoesNotContain("ab-c", 4, "./", STR_CLASS_DIGIT));
    EXPECT_FALSE(strDoesNotContain("AB", 2, nullptr, STR_CLASS_UPPER));
}

TEST(StrTest, Comparisons) {
    EXPECT_TRUE(strEqualCi("Hello", "hELLO"));
    EXPECT_FALSE(strEqualCi("Hello", "Hell"));
    EXPECT_EQ(strCompare("ab", 2, "abc", 3), -1);
    EXPECT_EQ(strCompare("\xe9", 1, "z", 1), 1);
    EXPECT_EQ(strCompareCi("abc", "ABD"), -1);
    EXPECT_EQ(strCompareCi("ABC", "abc"), 0);
    EXPECT_EQ(strCompareCi("a_", "aZ"), 1);

    EXPECT_EQ(strCompareIntl("apple", "Banana"), -1);
    EXPECT_EQ(strCompareIntl("abc", "Abc"), -1);
    EXPECT_EQ(strCompareIntl("Abc", "ABC"), -1);
    EXPECT_EQ(strCompareIntl("ABC", "ABC"), 0);
    EXPECT_EQ(strCompareIntl("a_", "az"), -1);
    EXPECT_EQ(strCompareIntl("ab", 2, "ABC", 3), -1);

    EXPECT_EQ(strComparePad("abc", "abc   "), 0);
    EXPECT_EQ(strComparePad("abc  x", "abc"), 1);
    EXPECT_EQ(strComparePad("abc", "abc\t"), -1);
    EXPECT_EQ(strComparePad("abd", "abc  "), 1);
    EXPECT_EQ(strCompareWithMaxLength("abcX", "abcY", 3), 0);
    EXPECT_EQ(strCompareWithMaxLength("ab", "abc", 5), -1);
}

TEST(StrTest, FloatCompareOrdersBitPatterns) {
    auto cmp = [](double a, double b) { return floatCompare(&a, &b); };
    EXPECT_EQ(cmp(1.0, 2.0), -1);
    EXPECT_EQ(cmp(-1.0, -2.0), 1);
    EXPECT_EQ(cmp(-0.0, 0.0), -1);
    EXPECT_EQ(cmp(-5.0, 3.0), -1);
    EXPECT_EQ(cmp(1e300, 1e-300), 1);
    EXPECT_EQ(cmp(2.5, 2.5), 0);
}

TEST(StrTest, TrimFlagsAndScrambling) {
    char text[] = "ab \t\r\n";
    EXPECT_EQ(strRightTrim(text), 2u);
    EXPECT_STREQ(text, "ab");
    char blanks[] = "ab\t  ";
    EXPECT_EQ(strRightTrimBlanks(blanks), 3u);
    EXPECT_EQ(strRightTrim("   ", 3), 0u);

    for (const char* t : {"1", "True", "t", "ON", "on", "oN"})
        EXPECT_TRUE(isTrueStr(t)) << t;
    for (const char* f : {"Yes", "0", "off", "", "O"})
        EXPECT_FALSE(isTrueStr(f)) << f;

    char line[] = "ab\r\ncd";
    encrypt(line, 6, 2, "key");
    EXPECT_EQ(line[2], '\r');
    EXPECT_EQ(line[3], '\n');
    EXPECT_EQ(static_cast<unsigned char>(line[0]), 0x9E);
    decrypt(line, 6, 2, nullptr);
    EXPECT_STREQ(line, "ab\r\ncd");
    encrypt(line, 6, 1, nullptr);
    EXPECT_EQ(static_cast<unsigned char>(line[2]), 0xF2);
    decrypt(line, 6, 1, nullptr);
    encrypt(line, 6, 3, nullptr);
    EXPECT_STREQ(line, "ab\r\ncd");
}

TEST(StrTest, BytePrimitives) {
    char a[600], b[600];
    std::memset(a, 'a', sizeof a);
    std::memset(b, 'b', sizeof b);
    BUTMMSWP(a, b, 550);
    EXPECT_EQ(a[549], 'b');
    EXPECT_EQ(a[550], 'a');
    EXPECT_EQ(b[0], 'a');
    EXPECT_EQ(BUTMMCMP("\x01", "\xff", 1), -1);
    EXPECT_EQ(memCompareHuge("abc", "abc", 3), 0);

    char buf[16] = "abcdef";
    BUTMMCPD(buf + 2, buf, 4);
    EXPECT_STREQ(buf, "ababcd");
    char* end = BUTSTCPY(buf, "xy");
    EXPECT_EQ(end, buf + 2);
    end = BUTSTCAT(buf, "z");
    EXPECT_STREQ(buf, "xyz");
    EXPECT_EQ(end, buf + 3);
    EXPECT_EQ(BUTSTCMP("a", "\xe0"), -1);
    EXPECT_EQ(BUTSTLEN(buf), 3u);
}

TEST(StrTest, AcceleratorCaptions) {
    EXPECT_STREQ(getMenuAccelerator(), "&");
    VxAcceleratorKeys keys;
    char buf[64];
    EXPECT_EQ(makeDialogText(buf, sizeof buf, "Open", nullptr, keys), 5u);
    EXPECT_STREQ(buf, "&Open");
    setAcceleratorKey(buf, keys);
    EXPECT_TRUE(keys.isUsed('o'));
    makeDialogText(buf, sizeof buf, "  other", nullptr, keys);
    EXPECT_STREQ(buf, "  o&ther");
    makeDialogText(buf, sizeof buf, "file", "%s 100%% ...", keys);
    EXPECT_STREQ(buf, "&file 100% ...");
    makeDialogText(buf, sizeof buf, "Sa&ve", nullptr, keys);
    EXPECT_STREQ(buf, "Sa&ve");
    char small[4];
    makeDialogText(small, sizeof small, "abcdef", nullptr, keys);
    EXPECT_STREQ(small, "abc");
}
