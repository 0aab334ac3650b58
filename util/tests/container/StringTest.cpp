// Strings: growth limit, editing, quoting, line breaks, the rewriting cursor.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "util/VxArray.h"
#include "util/VxError.h"
#include "util/VxReplaceString.h"
#include "util/VxString.h"
#include "util/ram.h"

namespace {

std::string text(VxString& s) {
    return s.getText();
}

std::string view(const VxSubString& s) {
    return std::string(s.data(), s.length());
}

TEST(String, NumbersUseTheFullWidthOfLong) {
    VxString s;
    ASSERT_EQ(s.initialize(""), VX_SUCCESS);
    ASSERT_EQ(s.concat(18446744073709551615UL), VX_SUCCESS);
    ASSERT_EQ(s.concat(' '), VX_SUCCESS);
    ASSERT_EQ(s.concat(-9223372036854775807L - 1), VX_SUCCESS);
    ASSERT_EQ(s.concat(0L), VX_SUCCESS);
    EXPECT_EQ(text(s), "18446744073709551615 -92233720368547758080");
}

TEST(String, GrowthPastTheLimitFailsWith2716AndKeepsTheText) {
    VxErrorList errors(nullptr, 1);
    VxErrorListScope scope(&errors);
    VxString s;
    std::string big(65000, 'x');
    ASSERT_EQ(s.initialize(big.c_str()), VX_SUCCESS);
    ASSERT_EQ(s.concat(std::string(535, 'y').c_str()), VX_SUCCESS);
    EXPECT_EQ(s.getCapacity(), 65536u);
    EXPECT_EQ(s.concat('z'), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2716);
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(),
                 "Cannot handle strings larger than 65500 bytes.");
    EXPECT_EQ(s.length(), 65535u);
    EXPECT_EQ(text(s), big + std::string(535, 'y'));

    char buffer[8];
    VxString borrowed;
    borrowed.initializeWithBuffer(buffer, sizeof buffer);
    ASSERT_EQ(borrowed.concat("1234567"), VX_SUCCESS);
    EXPECT_EQ(borrowed.concat('8'), VX_ERROR);
    EXPECT_EQ(text(borrowed), "1234567");
}

TEST(String, ReplaceDoesNotLoopAndReplacesAGivenStretch) {
    VxString s;
    ASSERT_EQ(s.initialize("a %s1 b %s1"), VX_SUCCESS);
    ASSERT_EQ(s.replaceSubString("%s1", 3, "<%s1>", 5), VX_SUCCESS);
    EXPECT_EQ(text(s), "a <%s1> b <%s1>");

    ASSERT_EQ(s.initialize("select * from t"), VX_SUCCESS);
    VxSubString star(s.getBuffer() + 7, 1);
    ASSERT_EQ(s.replaceSubString(star, "a, b", 4), VX_SUCCESS);
    EXPECT_EQ(text(s), "select a, b from t");
    VxSubString outside("from");
    ASSERT_EQ(s.replaceSubString(outside, "x", 1), VX_SUCCESS);
    EXPECT_EQ(text(s), "select a, b from t");
}

TEST(String, PartsOfItselfSurviveGrowth) {
    VxString s;
    ASSERT_EQ(s.initialize("abc"), VX_SUCCESS);
    ASSERT_EQ(s.concat(VxSubString(s.getBuffer(), 3)), VX_SUCCESS);
    EXPECT_EQ(text(s), "abcabc");
    ASSERT_EQ(s.changeBytes(0, 1, s.getBuffer() + 3, 3), VX_SUCCESS);
    EXPECT_EQ(text(s), "abcbcabc");
    ASSERT_EQ(s.addQuotedBytes(s.getBuffer(), 2, '\''), VX_SUCCESS);
    EXPECT_EQ(text(s), "abcbcabc'ab'");
}

TEST(String, QuotesAreAddedAndRemovedWithDoubling) {
    VxString s;
    ASSERT_EQ(s.initialize("it's"), VX_SUCCESS);
    ASSERT_EQ(s.addQuotes('\''), VX_SUCCESS);
    EXPECT_EQ(text(s), "'it''s'");
    s.removeQuotes();
    EXPECT_EQ(text(s), "it's");
    s.removeQuotes();
    EXPECT_EQ(text(s), "it's");

    ASSERT_EQ(s.initialize("\"a\"\"b\""), VX_SUCCESS);
    s.removeQuotes('\'');
    EXPECT_EQ(text(s), "\"a\"\"b\"");
    s.removeQuotes();
    EXPECT_EQ(text(s), "a\"b");

    ASSERT_EQ(s.initialize("x="), VX_SUCCESS);
    ASSERT_EQ(s.addQuotedBytes("\"q\"", 3, '"'), VX_SUCCESS);
    EXPECT_EQ(text(s), "x=\"\"\"q\"\"\"");

    ASSERT_EQ(s.initialize("'"), VX_SUCCESS);
    s.removeQuotes();
    EXPECT_EQ(text(s), "'");
}

TEST(String, ForceEolCountsPairsAlreadyThere) {
    VxString s;
    ASSERT_EQ(s.initialize("a"), VX_SUCCESS);
    ASSERT_EQ(s.forceEol(2), VX_SUCCESS);
    EXPECT_EQ(text(s), "a\r\n\r\n");
    ASSERT_EQ(s.forceEol(1), VX_SUCCESS);
    EXPECT_EQ(text(s), "a\r\n\r\n");
    ASSERT_EQ(s.initialize("a\n\r\n"), VX_SUCCESS);
    ASSERT_EQ(s.forceEol(2), VX_SUCCESS);
    EXPECT_EQ(text(s), "a\n\r\n\r\n");
}

TEST(String, LineBreaksAvoidQuotedStretches) {
    VxString s;
    ASSERT_EQ(s.initialize("aaa bbb ccc ddd"), VX_SUCCESS);
    ASSERT_EQ(s.insertLineBreaks(8), VX_SUCCESS);
    EXPECT_EQ(text(s), "aaa bbb\r\nccc ddd");

    ASSERT_EQ(s.initialize("x 'a b c d' y"), VX_SUCCESS);
    ASSERT_EQ(s.insertLineBreaks(6, '\''), VX_SUCCESS);
    EXPECT_EQ(text(s), "x\r\n'a b c d'\r\ny");

    ASSERT_EQ(s.initialize("abcdefgh ij"), VX_SUCCESS);
    ASSERT_EQ(s.insertLineBreaks(4), VX_SUCCESS);
    EXPECT_EQ(text(s), "abcdefgh\r\nij");

    ASSERT_EQ(s.initialize("abc\r\nabc def"), VX_SUCCESS);
    ASSERT_EQ(s.insertLineBreaks(7), VX_SUCCESS);
    EXPECT_EQ(text(s), "abc\r\nabc def");

    ASSERT_EQ(s.initialize("a\r\nb\r\n\r\nc '\r\n' d\r\n"), VX_SUCCESS);
    s.removeLineBreaks('\'');
    EXPECT_EQ(text(s), "a b c '\r\n' d");
}

TEST(SubString, SearchesAndSets) {
    VxSubString s("select a from b");
    EXPECT_EQ(s.findChar('a'), 7u);
    EXPECT_EQ(s.findChar('e', 2), 3u);
    EXPECT_EQ(s.findChar('z'), s.length());
    EXPECT_EQ(s.findSubString("from"), 9u);
    EXPECT_EQ(s.findSubString("from", 10), s.length());
    EXPECT_EQ(s.findSubString("b", 100), s.length());
    EXPECT_EQ(s.countChar(' '), 3u);

    const char* const keywords[] = {"SELECT", "select", "from"};
    VxSubString word("Select");
    EXPECT_EQ(word.indexInSet(keywords, 3), 3);
    EXPECT_EQ(word.indexInSetCi(keywords, 3), 0);
    EXPECT_EQ(VxSubString("sel").indexInSetCi(keywords, 3), 3);

    VxSubString padded("ab  ");
    padded.rightBlankTrim();
    EXPECT_EQ(view(padded), "ab");
    VxSubString blanks("   ");
    blanks.rightBlankTrim();
    EXPECT_EQ(blanks.length(), 0u);
}

TEST(SubString, QuotedCopies) {
    char* copy = nullptr;
    ASSERT_EQ(VxSubString("'O''Hara'").getCopyUnquoted(copy), VX_SUCCESS);
    EXPECT_STREQ(copy, "O'Hara");
    ramFree(copy);
    ASSERT_EQ(VxSubString("plain'").getCopyUnquoted(copy), VX_SUCCESS);
    EXPECT_STREQ(copy, "plain'");
    ramFree(copy);
    ASSERT_EQ(VxSubString("O'Hara").getCopyQuoted(copy), VX_SUCCESS);
    EXPECT_STREQ(copy, "'O''Hara'");
    ramFree(copy);

    VxString target;
    ASSERT_EQ(target.initialize("old"), VX_SUCCESS);
    ASSERT_EQ(VxSubString("a\"b").copyQuotedStr(target, '"'), VX_SUCCESS);
    EXPECT_EQ(text(target), "\"a\"\"b\"");
}

TEST(SubString, LinesSplitAtCrLf) {
    VxArray lines;
    ASSERT_EQ(VxSubString("one\r\n\r\ntwo\nstill\r\nlast").getLines(lines), VX_SUCCESS);
    ASSERT_EQ(lines.getCount(), 4);
    EXPECT_EQ(view(*static_cast<VxSubString*>(lines.get(0))), "one");
    EXPECT_EQ(view(*static_cast<VxSubString*>(lines.get(1))), "");
    EXPECT_EQ(view(*static_cast<VxSubString*>(lines.get(2))), "two\nstill");
    EXPECT_EQ(view(*static_cast<VxSubString*>(lines.get(3))), "last");
    lines.deleteContents();
    ASSERT_EQ(VxSubString("end\r\n").getLines(lines), VX_SUCCESS);
    EXPECT_EQ(lines.getCount(), 1);
}

// Expands every "{x}" into a longer text, copying everything else.
VxStatus expandBraces(VxReplaceString& cursor, const char* expansion) {
    while (cursor.length() > 0) {
        std::uint32_t open = cursor.findSubString("{x}");
        cursor.keep(open);
        if (cursor.length() == 0)
            break;
        cursor.skip(3);
        if (cursor.addQuotedBytes(expansion, std::strlen(expansion)) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

TEST(ReplaceString, RewritesTextLongerThanItsGap) {
    VxString s;
    std::string source;
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        source += "ab{x}";
        expected += "ab'it''s a long expansion'";
    }
    ASSERT_EQ(s.initialize(source.c_str()), VX_SUCCESS);
    ASSERT_EQ(s.getCapacity(), source.size() + 1);
    {
        VxReplaceString cursor;
        ASSERT_EQ(cursor.initialize(s), VX_SUCCESS);
        EXPECT_EQ(view(cursor), source);
        ASSERT_EQ(expandBraces(cursor, "it's a long expansion"), VX_SUCCESS);
        ASSERT_EQ(cursor.addBytes(";"), VX_SUCCESS);
    }
    expected += ";";
    EXPECT_EQ(text(s), expected);
    EXPECT_EQ(s.getCapacity(), expected.size() + 1);
}

TEST(ReplaceString, ShrinkingRewriteAndCopyFromTheRest) {
    VxString s;
    ASSERT_EQ(s.initialize("keep DROP tail"), VX_SUCCESS);
    VxReplaceString cursor;
    ASSERT_EQ(cursor.initialize(s), VX_SUCCESS);
    cursor.keep(5);
    cursor.skip(5);
    // Copy the unread "tail" twice: the second copy forces growth while
    // the bytes come from the rest.
    ASSERT_EQ(cursor.addBytes(cursor.data(), 4), VX_SUCCESS);
    ASSERT_EQ(cursor.addBytes(cursor.data(), 4), VX_SUCCESS);
    cursor.finish();
    EXPECT_EQ(text(s), "keep tailtailtail");
    EXPECT_FALSE(cursor.isBound());

    // Quoting bytes of the rest: growth moves them, the copy must follow.
    ASSERT_EQ(s.initialize("x it's"), VX_SUCCESS);
    ASSERT_EQ(cursor.initialize(s), VX_SUCCESS);
    cursor.skip(2);
    ASSERT_EQ(cursor.addQuotedBytes(cursor.data(), 4, '\''), VX_SUCCESS);
    ASSERT_EQ(cursor.addQuotedBytes(cursor.data(), 4, '\''), VX_SUCCESS);
    cursor.finish();
    EXPECT_EQ(text(s), "'it''s''it''s'it's");

    VxErrorList errors(nullptr, 1);
    VxErrorListScope scope(&errors);
    ASSERT_EQ(s.initialize(std::string(65530, 'a').c_str()), VX_SUCCESS);
    ASSERT_EQ(cursor.initialize(s), VX_SUCCESS);
    cursor.keep(10);
    EXPECT_EQ(cursor.addBytes("0123456789"), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2716);
    cursor.finish();
    EXPECT_EQ(text(s), std::string(65530, 'a'));
}

} // namespace
