// VxScanner: token kinds, positions, options, delimited values, matching
// and rewriting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/VxArray.h"
#include "util/VxError.h"
#include "util/VxScanner.h"
#include "util/VxString.h"

namespace {

struct Tok {
    std::int32_t kind;
    std::uint32_t position;
    std::string text;
    bool operator==(const Tok& o) const {
        return kind == o.kind && position == o.position && text == o.text;
    }
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
    return os << "{" << t.kind << ", " << t.position << ", \"" << t.text << "\"}";
}

Tok next(VxScanner& scanner, SearchType type = SEARCH_NORMAL) {
    VxToken token;
    std::int32_t kind = scanner.getToken(token, type);
    EXPECT_EQ(kind, token.getKind());
    return {kind, token.getPosition(), std::string(token.data(), token.length())};
}

// All tokens up to and including the end token.
std::vector<Tok> scanAll(VxScanner& scanner, SearchType type = SEARCH_NORMAL) {
    std::vector<Tok> tokens;
    for (int guard = 0; guard < 100; ++guard) {
        tokens.push_back(next(scanner, type));
        if (tokens.back().kind == VX_TOKEN_END)
            break;
    }
    return tokens;
}

std::string text(const VxSubString& s) {
    return std::string(s.data(), s.length());
}

struct ScannerTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    VxErrorListScope scope{&list};
};

TEST_F(ScannerTest, OperatorsOuterJoinAndDoubledQuotes) {
    VxScanner ops("a<>b");
    EXPECT_EQ(scanAll(ops), (std::vector<Tok>{{VX_TOKEN_WORD, 0, "a"},
                                              {15422, 1, "<>"},
                                              {VX_TOKEN_WORD, 3, "b"},
                                              {VX_TOKEN_END, 4, ""}}));
    VxScanner join("x(+)");
    next(join);
    EXPECT_EQ(next(join), (Tok{VX_TOKEN_OUTER_JOIN, 1, "(+)"}));
    VxScanner quoted("'it''s' x");
    EXPECT_EQ(next(quoted), (Tok{VX_TOKEN_QUOTED, 0, "'it''s'"}));
    EXPECT_EQ(next(quoted), (Tok{VX_TOKEN_WORD, 8, "x"}));

    // Two-character operators only where the table has them; "=>" but not "=-".
    VxScanner mixed("=> =- || && */ ! @ [ \\");
    EXPECT_EQ(scanAll(mixed), (std::vector<Tok>{{vxOperatorKind('=', '>'), 0, "=>"},
                                                {'=', 3, "="},
                                                {'-', 4, "-"},
                                                {vxOperatorKind('|', '|'), 6, "||"},
                                                {vxOperatorKind('&', '&'), 9, "&&"},
                                                {'*', 12, "*"},
                                                {'/', 13, "/"},
                                                {'!', 15, "!"},
                                                {'@', 17, "@"},
                                                {VX_TOKEN_OTHER, 19, "["},
                                                {VX_TOKEN_OTHER, 21, "\\"},
                                                {VX_TOKEN_END, 22, ""}}));
}

TEST_F(ScannerTest, WordsNumbersAndTheNulOperator) {
    VxScanner words("_ab1 x_2\t\r\n9lives");
    EXPECT_EQ(scanAll(words), (std::vector<Tok>{{VX_TOKEN_WORD, 0, "_ab1"},
                                                {VX_TOKEN_WORD, 5, "x_2"},
                                                {VX_TOKEN_NUMBER, 11, "9"},
                                                {VX_TOKEN_WORD, 12, "lives"},
                                                {VX_TOKEN_END, 17, ""}}));
    // A NUL inside a counted text is an operator of kind 0 and length 1.
    const char nul[] = {'a', '\0', 'b'};
    VxScanner withNul(nul, sizeof nul);
    EXPECT_EQ(next(withNul), (Tok{VX_TOKEN_WORD, 0, "a"}));
    EXPECT_EQ(next(withNul), (Tok{0, 1, std::string(1, '\0')}));
    EXPECT_EQ(next(withNul), (Tok{VX_TOKEN_WORD, 2, "b"}));
}

TEST_F(ScannerTest, DecimalNumbersKeepTheirKindOnlyAtTheEnd) {
    VxScanner plain("1.5");
    EXPECT_EQ(scanAll(plain), (std::vector<Tok>{{VX_TOKEN_NUMBER, 0, "1"},
                                                {'.', 1, "."},
                                                {VX_TOKEN_NUMBER, 2, "5"},
                                                {VX_TOKEN_END, 3, ""}}));
    VxScanner atEnd("1.5");
    atEnd.setDecimalNumbers(true);
    EXPECT_EQ(next(atEnd), (Tok{VX_TOKEN_DECIMAL, 0, "1.5"}));
    VxScanner inside("1.5 .25+3 .x 7.");
    inside.setDecimalNumbers(true);
    EXPECT_EQ(scanAll(inside), (std::vector<Tok>{{VX_TOKEN_NUMBER, 0, "1.5"},
                                                 {VX_TOKEN_NUMBER, 4, ".25"},
                                                 {'+', 7, "+"},
                                                 {VX_TOKEN_NUMBER, 8, "3"},
                                                 {'.', 10, "."},
                                                 {VX_TOKEN_WORD, 11, "x"},
                                                 {VX_TOKEN_DECIMAL, 13, "7."},
                                                 {VX_TOKEN_END, 15, ""}}));
}

TEST_F(ScannerTest, QuotesAndGroups) {
    VxScanner open("x 'abc");
    next(open);
    EXPECT_EQ(next(open), (Tok{VX_TOKEN_UNTERMINATED, 2, "'abc"}));
    EXPECT_EQ(next(open), (Tok{VX_TOKEN_END, 6, ""}));

    // Without quote characters the apostrophe is an operator of its own.
    VxScanner noQuotes("'a'");
    noQuotes.setQuoteChars('"');
    EXPECT_EQ(next(noQuotes), (Tok{'\'', 0, "'"}));

    const char* statement = "(a, (b), ')') {fn x(1)} [p [q] 'r]'] (";
    VxScanner flat(statement);
    EXPECT_EQ(next(flat), (Tok{'(', 0, "("}));
    VxScanner groups(statement);
    groups.setParenGroups(true);
    groups.setBraceGroups(true);
    groups.setGroupChars('[', ']');
    EXPECT_EQ(scanAll(groups), (std::vector<Tok>{{VX_TOKEN_QUOTED, 0, "(a, (b), ')')"},
                                                 {VX_TOKEN_QUOTED, 14, "{fn x(1)}"},
                                                 {VX_TOKEN_QUOTED, 24, "[p [q] 'r]']"},
                                                 {VX_TOKEN_UNTERMINATED, 37, "("},
                                                 {VX_TOKEN_END, 38, ""}}));
    VxScanner quoteInGroup("(a 'b)");
    quoteInGroup.setParenGroups(true);
    EXPECT_EQ(next(quoteInGroup), (Tok{VX_TOKEN_UNTERMINATED, 0, "(a 'b)"}));
}

TEST_F(ScannerTest, CommentsOnlyWhenEnabled) {
    const char* source = "a -- note\nb /* x */ c /* open";
    VxScanner off(source);
    next(off);
    EXPECT_EQ(next(off), (Tok{vxOperatorKind('-', '-'), 2, "--"}));
    VxScanner on(source);
    on.setComments(true);
    EXPECT_EQ(scanAll(on), (std::vector<Tok>{{VX_TOKEN_WORD, 0, "a"},
                                             {VX_TOKEN_COMMENT, 2, "-- note"},
                                             {VX_TOKEN_WORD, 10, "b"},
                                             {VX_TOKEN_COMMENT, 12, "/* x */"},
                                             {VX_TOKEN_WORD, 20, "c"},
                                             {VX_TOKEN_COMMENT, 22, "/* open"},
                                             {VX_TOKEN_END, 29, ""}}));
}

TEST_F(ScannerTest, SearchTypesAndCharacterSets) {
    VxScanner blank("c:\\dir\\f.txt,x/y (z)");
    EXPECT_EQ(scanAll(blank, SEARCH_BLANK_WORDS),
              (std::vector<Tok>{{VX_TOKEN_BLANK_WORD, 0, "c:\\dir\\f.txt"},
                                {',', 12, ","},
                                {VX_TOKEN_BLANK_WORD, 13, "x"},
                                {'/', 14, "/"},
                                {VX_TOKEN_BLANK_WORD, 15, "y"},
                                {'(', 17, "("},
                                {VX_TOKEN_BLANK_WORD, 18, "z"},
                                {')', 19, ")"},
                                {VX_TOKEN_END, 20, ""}}));
    VxScanner ids("#tmp$1 a#b");
    EXPECT_EQ(scanAll(ids, SEARCH_IDENTIFIERS),
              (std::vector<Tok>{{VX_TOKEN_IDENTIFIER, 0, "#tmp$1"},
                                {VX_TOKEN_IDENTIFIER, 7, "a#b"},
                                {VX_TOKEN_END, 10, ""}}));
    VxScanner normalIds("#tmp");
    EXPECT_EQ(next(normalIds), (Tok{'#', 0, "#"}));

    VxScanner extra("@v-1 x");
    extra.setWordStartChars("@");
    extra.setWordChars("-");
    EXPECT_EQ(next(extra), (Tok{VX_TOKEN_WORD, 0, "@v-1"}));
    VxScanner delimited("a.b-c 9;d");
    delimited.setWordDelimiters(";");
    EXPECT_EQ(scanAll(delimited), (std::vector<Tok>{{VX_TOKEN_WORD, 0, "a.b-c 9"},
                                                    {';', 7, ";"},
                                                    {VX_TOKEN_WORD, 8, "d"},
                                                    {VX_TOKEN_END, 9, ""}}));
}

TEST_F(ScannerTest, DelimitedValuesStopOutsideQuotesAndAreTrimmed) {
    VxScanner scanner("  abc def  ; 'x;y' \"q;\" z ;; ");
    VxToken token;
    EXPECT_EQ(scanner.getDelimitedToken(token, ';'), VX_TOKEN_VALUE);
    EXPECT_EQ(text(token), "abc def");
    EXPECT_EQ(token.getPosition(), 2u);
    EXPECT_EQ(next(scanner), (Tok{';', 11, ";"})) << "the delimiter is left for getToken";
    EXPECT_EQ(scanner.getDelimitedToken(token, ';'), VX_TOKEN_VALUE);
    EXPECT_EQ(text(token), "'x;y' \"q;\" z");
    next(scanner);
    EXPECT_EQ(scanner.getDelimitedToken(token, ';'), VX_TOKEN_EMPTY);
    EXPECT_EQ(token.length(), 0u);
    EXPECT_EQ(token.getPosition(), 27u);
    next(scanner);
    EXPECT_EQ(scanner.getDelimitedToken(token, ';'), VX_TOKEN_END);

    VxScanner open("a='b;c");
    EXPECT_EQ(open.getDelimitedToken(token, ';'), VX_TOKEN_VALUE);
    EXPECT_EQ(text(token), "a='b;c") << "an open quote runs to the end";
}

TEST_F(ScannerTest, UnGetAndTokensByPosition) {
    VxScanner scanner("alpha beta");
    VxToken token;
    scanner.getToken(token);
    scanner.getToken(token);
    scanner.unGetToken(token);
    EXPECT_EQ(next(scanner), (Tok{VX_TOKEN_WORD, 6, "beta"}));
    scanner.getToken(token, 2, 3);
    EXPECT_EQ(text(token), "pha");
    EXPECT_EQ(token.getKind(), VX_TOKEN_EMPTY);
    scanner.getToken(token, 8, 50);
    EXPECT_EQ(text(token), "ta") << "cut to the end of the text";
    EXPECT_TRUE(scanner.atEnd()) << "setting a token by position does not move the scanner";
}

TEST_F(ScannerTest, MultiWordMatchingStretchesOrRestores) {
    VxScanner scanner("ORDER  BY x ORDER x");
    VxToken token;
    scanner.getToken(token);
    EXPECT_FALSE(scanner.isEqual(token, "order by"));
    EXPECT_TRUE(scanner.isEqualCi(token, "order by"));
    EXPECT_EQ(text(token), "ORDER  BY");
    EXPECT_EQ(next(scanner).text, "x");

    scanner.getToken(token);
    EXPECT_FALSE(scanner.isEqualCi(token, "ORDER BY"));
    EXPECT_EQ(text(token), "ORDER");
    EXPECT_EQ(next(scanner).text, "x") << "the position is restored after a failed match";

    VxScanner sets("group by a");
    sets.getToken(token);
    EXPECT_TRUE(sets.isInSetCi(token, "ORDER BY\0GROUP BY\0HAVING\0"));
    EXPECT_EQ(text(token), "group by");
    EXPECT_FALSE(sets.isInSet(token, "ORDER BY\0HAVING\0"));

    VxScanner within("select a from t");
    EXPECT_TRUE(within.isTokenWithinCi("FROM"));
    EXPECT_EQ(next(within).text, "t");
    EXPECT_FALSE(within.isTokenWithin("where"));
    EXPECT_TRUE(within.atEnd());
}

TEST_F(ScannerTest, RewritingKeepsTokensAndPositionInStep) {
    VxString sql;
    ASSERT_EQ(sql.initialize("SELECT a FROM t WHERE b"), VX_SUCCESS);
    VxScanner scanner(sql);
    VxToken select, column, from, table;
    scanner.getToken(select);
    scanner.getToken(column);
    // A long replacement forces the string to move its buffer.
    std::string wide(300, 'c');
    ASSERT_EQ(scanner.changeToken(column, VxSubString(wide.data(), wide.size())), VX_SUCCESS);
    EXPECT_EQ(text(column), wide);
    EXPECT_EQ(column.getPosition(), 7u);
    scanner.getToken(from);
    EXPECT_EQ(text(from), "FROM");
    EXPECT_EQ(from.getPosition(), 308u);

    scanner.getToken(table);
    ASSERT_EQ(scanner.insertToken(table, VxSubString("dbo.", 4)), VX_SUCCESS);
    EXPECT_EQ(text(table), "t");
    EXPECT_EQ(table.getPosition(), 317u);
    EXPECT_EQ(next(scanner).text, "WHERE");
    EXPECT_EQ(std::string(sql.getText()), "SELECT " + wide + " FROM dbo.t WHERE b");

    // Shrinking the token under the position: the position follows the end.
    scanner.unGetToken(table);
    scanner.getToken(table);
    ASSERT_EQ(scanner.changeToken(table, VxSubString("", 0)), VX_SUCCESS);
    EXPECT_EQ(next(scanner), (Tok{VX_TOKEN_WORD, 318, "WHERE"}));

    VxScanner readOnly("a b");
    readOnly.getToken(table);
    EXPECT_EQ(readOnly.changeToken(table, VxSubString("x", 1)), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2716);
}

TEST_F(ScannerTest, ParseListKeepsEmptyValuesAndQuotedDelimiters) {
    VxArray views;
    VxScanner scanner(" a, b ,,'c,d' ,");
    ASSERT_EQ(scanner.parseList(views, ','), VX_SUCCESS);
    ASSERT_EQ(views.getCount(), 4);
    const char* expected[] = {"a", "b", "", "'c,d'"};
    for (std::uint16_t i = 0; i < 4; ++i)
        EXPECT_EQ(text(*static_cast<VxSubString*>(views.get(i))), expected[i]) << i;

    char source[] = "x|yy";
    VxScanner copies(source);
    ASSERT_EQ(copies.parseListVxString(views, '|'), VX_SUCCESS) << "refilling empties the array";
    source[0] = 'Z';
    ASSERT_EQ(views.getCount(), 2);
    EXPECT_EQ(text(*static_cast<VxString*>(views.get(0))), "x") << "copies do not follow the text";
    EXPECT_EQ(text(*static_cast<VxString*>(views.get(1))), "yy");

    VxScanner empty("   ");
    ASSERT_EQ(empty.parseList(views, ','), VX_SUCCESS);
    EXPECT_EQ(views.getCount(), 0);
}

} // namespace
