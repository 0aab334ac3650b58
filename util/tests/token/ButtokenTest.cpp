// buttoken: token classes per mode, case, size limits; butxpand.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "util/VxError.h"
#include "util/buttoken.h"
#include "util/ram.h"

namespace {

struct ButtokenTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    VxErrorListScope scope{&list};

    // Every token of `text` in the given flags, until the empty one.
    std::vector<std::string> tokens(const char* text, unsigned short flags) {
        std::vector<std::string> out;
        const char* cursor = text;
        char buffer[256];
        for (int guard = 0; guard < 100; ++guard) {
            EXPECT_EQ(buttoken(buffer, &cursor, flags, sizeof buffer), VX_SUCCESS) << text;
            if (!buffer[0])
                break;
            out.emplace_back(buffer);
        }
        EXPECT_EQ(*cursor, 0) << "the cursor ends at the end of the text";
        return out;
    }
    std::string lastError() {
        VxError* e = VxErrorKeeper::getLastError();
        return e ? e->getErrorText() : "<none>";
    }
};

using Tokens = std::vector<std::string>;

TEST_F(ButtokenTest, SqlModeNamesOperatorsAndCase) {
    EXPECT_EQ(tokens("select a.b", BUT_MODE_SQL), (Tokens{"SELECT", "A", ".", "B"}));
    EXPECT_EQ(tokens("select a.b", BUT_MODE_SQL | BUT_KEEP_CASE),
              (Tokens{"select", "a", ".", "b"}));
    EXPECT_EQ(tokens("|| <> <= >= != !< !> ** *= =* (+) ( + ) == -- ;", BUT_MODE_SQL),
              (Tokens{"||", "<>", "<=", ">=", "!=", "!<", "!>", "**", "*=", "=*", "(+)", "(", "+",
                      ")", "=", "=", "-", "-", ";"}));
    EXPECT_EQ(tokens("#tmp$1 a\\*b c\\x _q9 ?p_1 ? ?9", BUT_MODE_SQL),
              (Tokens{"#TMP$1", "A\\*B", "C", "\\", "X", "_Q9", "?p_1", "?", "?", "9"}));
    // Outside the SQL modes "#" and "$" are single characters.
    EXPECT_EQ(tokens("#a$b", BUT_MODE_PERIOD_NAMES), (Tokens{"#", "A", "$", "B"}));
    EXPECT_EQ(tokens("#a$b", BUT_MODE_SQL_ALT), (Tokens{"#A$B"}));
}

TEST_F(ButtokenTest, NumbersQuotesAndBracesKeepTheirCase) {
    EXPECT_EQ(tokens("12.5.3 .5e 7", BUT_MODE_SQL), (Tokens{"12.5", ".3", ".5", "E", "7"}));
    EXPECT_EQ(tokens("'it''s' \"a\"\"b\" `x y` {d '2001-01-01'}", BUT_MODE_SQL),
              (Tokens{"'it's'", "\"a\"b\"", "`x y`", "{d '2001-01-01'}"}));
    EXPECT_EQ(tokens("  \t\n ", BUT_MODE_SQL), Tokens{});
}

TEST_F(ButtokenTest, UnterminatedQuotedTextAndBracesFail) {
    char out[80];
    const char* cursor = "x = 'abc";
    ASSERT_EQ(buttoken(out, &cursor, BUT_MODE_SQL, sizeof out), VX_SUCCESS);
    ASSERT_EQ(buttoken(out, &cursor, BUT_MODE_SQL, sizeof out), VX_SUCCESS);
    EXPECT_EQ(buttoken(out, &cursor, BUT_MODE_SQL, sizeof out), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2703);
    EXPECT_EQ(lastError(), "Unmatched quote character: 'abc");

    // A doubled quote at the end is an apostrophe inside, not a closing one.
    cursor = "'abc''";
    EXPECT_EQ(buttoken(out, &cursor, BUT_MODE_SQL, sizeof out), VX_ERROR);
    EXPECT_EQ(lastError(), "Unmatched quote character: 'abc''");

    cursor = "{ts '2001-01-01'";
    EXPECT_EQ(buttoken(out, &cursor, BUT_MODE_SQL, sizeof out), VX_ERROR);
    EXPECT_EQ(lastError(), "Unmatched quote character: {ts '2001-01-01'");
    EXPECT_EQ(list.getCount(), 3u) << "one record per failure";
}

TEST_F(ButtokenTest, BlankDelimitedWordsWithBackQuotes) {
    EXPECT_EQ(tokens("c:\\data\\x.txt next", BUT_MODE_WORDS), (Tokens{"C:\\DATA\\X.TXT", "NEXT"}));
    EXPECT_EQ(tokens("`my file`.txt,rest", BUT_TRUNCATE | BUT_MODE_WORDS | BUT_KEEP_CASE),
              (Tokens{"`my file`.txt", ",", "rest"}));
    EXPECT_EQ(tokens("a/b|(c) 'q r'", BUT_MODE_WORDS),
              (Tokens{"A", "/", "B", "|", "(", "C", ")", "'Q", "R'"}));
    // An open back-quote keeps the rest of the text in the word.
    EXPECT_EQ(tokens("`a b,c", BUT_MODE_WORDS), (Tokens{"`A B,C"}));
}

TEST_F(ButtokenTest, PeriodNamesAndHostNames) {
    EXPECT_EQ(tokens(".T. .f. a.b ..x .5 .a.b..c", BUT_MODE_PERIOD_NAMES),
              (Tokens{".T.", ".F.", "A", ".B", ".", ".X", ".5", ".A.B.", ".C"}));
    EXPECT_EQ(tokens(":host.var:x 1abc.d x:y 2", BUT_MODE_HOST_NAMES),
              (Tokens{":HOST.VAR:X", "1ABC.D", "X:Y", "2"}));
    EXPECT_EQ(tokens(":x 1.5", BUT_MODE_SQL), (Tokens{":", "X", "1.5"}));
}

TEST_F(ButtokenTest, TooLongTokenFailsWithoutOverrun) {
    // The output is exactly `size` bytes on the heap, so any overrun shows.
    constexpr std::size_t size = 80;
    std::unique_ptr<char[]> out(new char[size]);
    std::string input(10000, 'w');
    input += " next";
    const char* cursor = input.c_str();
    EXPECT_EQ(buttoken(out.get(), &cursor, BUT_MODE_SQL, size), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2700);
    EXPECT_EQ(lastError(), "Token too big: " + std::string(size - 1, 'w'));
    EXPECT_EQ(std::strlen(out.get()), size - 1);

    // Quoted text too: the doubled quotes count once.
    std::string quoted = "'" + std::string(78, 'q') + "'''";
    cursor = quoted.c_str();
    EXPECT_EQ(buttoken(out.get(), &cursor, BUT_MODE_SQL, size), VX_ERROR);
    std::string fits = "'" + std::string(77, 'q') + "'";
    cursor = fits.c_str();
    EXPECT_EQ(buttoken(out.get(), &cursor, BUT_MODE_SQL, size), VX_SUCCESS);
    EXPECT_EQ(std::string(out.get()), fits);
}

TEST_F(ButtokenTest, TruncationSkipsTheRestOfTheToken) {
    char out[8];
    const char* cursor = "abcdefghijkl mn";
    ASSERT_EQ(buttoken(out, &cursor, BUT_TRUNCATE | BUT_MODE_SQL, sizeof out), VX_SUCCESS);
    EXPECT_STREQ(out, "ABCDEFG");
    ASSERT_EQ(buttoken(out, &cursor, BUT_TRUNCATE | BUT_MODE_SQL, sizeof out), VX_SUCCESS);
    EXPECT_STREQ(out, "MN");
    EXPECT_EQ(list.getCount(), 0u);
}

TEST_F(ButtokenTest, LongTokenMovesToAnAllocatedBuffer) {
    std::string name(600, 'n');
    std::string input = "  " + name + "+x";
    const char* cursor = input.c_str();
    char out[16];
    ASSERT_EQ(buttoken(out, &cursor, BUT_ALLOCATE | BUT_MODE_PERIOD_NAMES, sizeof out), VX_SUCCESS);
    EXPECT_EQ(out[0], 'N');
    EXPECT_EQ(out[1], 0);
    char* moved = buttokenMovedText(out);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(std::string(moved), std::string(600, 'N'));
    EXPECT_GE(ramSize(moved), sizeof out + 3);
    ramFree(moved);
    EXPECT_EQ(std::string(cursor), "+x");

    // The pointer is stored unaligned, whatever the output's alignment.
    alignas(16) char raw[32];
    cursor = input.c_str();
    ASSERT_EQ(buttoken(raw + 1, &cursor, BUT_ALLOCATE | BUT_MODE_SQL, 20), VX_SUCCESS);
    moved = buttokenMovedText(raw + 1);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(std::strlen(moved), 600u);
    ramFree(moved);

    // A one-character token never looks moved, whatever was in the buffer.
    std::memset(out, 0x7f, sizeof out);
    ASSERT_EQ(buttoken(out, &cursor, BUT_ALLOCATE | BUT_MODE_SQL, sizeof out), VX_SUCCESS);
    EXPECT_STREQ(out, "+");
    EXPECT_EQ(buttokenMovedText(out), nullptr);

    // Too small to hold a pointer: the token is refused instead.
    char small[4];
    cursor = "abcdef";
    EXPECT_EQ(buttoken(small, &cursor, BUT_ALLOCATE | BUT_MODE_SQL, sizeof small), VX_ERROR);
    EXPECT_EQ(lastError(), "Token too big: abc");
}

TEST_F(ButtokenTest, ExpandGrowsBySteps) {
    char* buffer = nullptr;
    char* cursor = nullptr;
    std::size_t capacity = 0;
    ASSERT_EQ(butxpand(&buffer, &cursor, &capacity, 100), VX_SUCCESS);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(cursor, buffer);
    EXPECT_EQ(capacity, 512u);

    std::memset(buffer, 'z', 500);
    cursor = buffer + 500;
    ASSERT_EQ(butxpand(&buffer, &cursor, &capacity, 12), VX_SUCCESS);
    EXPECT_EQ(capacity, 512u) << "12 more bytes fit exactly";
    ASSERT_EQ(butxpand(&buffer, &cursor, &capacity, 1030), VX_SUCCESS);
    EXPECT_EQ(capacity, 512u + 1024u + 512u);
    EXPECT_EQ(cursor, buffer + 500);
    EXPECT_EQ(std::string(buffer, 500), std::string(500, 'z'));
    std::memset(cursor, 'y', 1030);
    ramFree(buffer);
}

} // namespace
