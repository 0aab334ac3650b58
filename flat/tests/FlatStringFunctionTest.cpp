// String operators and functions, and the functions that make text of
// numbers and logical values.
#include <gtest/gtest.h>

#include "FlatTestSupport.h"

namespace {

#define CASES(table) table, sizeof table / sizeof table[0]

TEST(FlatStringFunctions, TrimCaseSlices) {
    static const ExprCase cases[] = {
        {"'ab  ' RTRIM", "S:ab"},
        {"'  ab  ' LTRIM", "S:ab  "},
        {"'    ' RTRIM", "S:"},
        {"'aBc1' UPPER", "S:ABC1"},
        {"'aBc1' LOWER", "S:abc1"},
        {"NULL UPPER", "NULL"},
        {"'abcdef' 3 LEFT", "S:abc"},
        {"'abc' 5 LEFT", "S:abc"},
        {"'abc' 0 LEFT", "S:"},
        {"'abc' -1 LEFT", "S:"},
        {"'abcdef' 2 RIGHT", "S:ef"},
        {"'abc' 5 RIGHT", "S:abc"},
        {"'abc' 0 RIGHT", "S:"},
        {"'abcdef' 2 SUBSTR/2", "S:bcdef"},
        {"'abcdef' 2 3 SUBSTR/3", "S:bcd"},
        {"'abcdef' 5 9 SUBSTR/3", "S:ef"},
        {"'abc' 5 SUBSTR/2", "S:"},
        {"'abcdef' 0 2 SUBSTR/3", "S:a"},
        {"'abcdef' 2 -1 SUBSTR/3", "S:"},
        {"'abc' 2 NULL SUBSTR/3", "NULL"},
        {"'abc  ' LEN", "N:5"},
        {"'' LEN", "N:0"},
    };
    runCases(CASES(cases));
}

TEST(FlatStringFunctions, ConcatSpaceChr) {
    static const ExprCase cases[] = {
        {"'ab' 'cd' ||", "S:abcd"},
        {"'ab  ' 'cd' ||", "S:ab  cd"},
        {"'ab  ' 'cd' -|", "S:abcd  "},
        {"'' 'cd' -|", "S:cd"},
        {"NULL 'x' ||", "NULL"},
        {"'x' NULL ||", "NULL"},
        {"3 SPACE", "S:   "},
        {"0 SPACE", "S:"},
        {"-4 SPACE", "S:"},
        {"1025 SPACE", "E:3945"},
        {"600 SPACE 600 SPACE ||", "E:3945"},
        {"512 SPACE 512 SPACE || LEN", "N:1024"},
        {"65 CHR", "S:A"},
        {"65.9 CHR", "S:A"},
        {"1 CHR LEN", "N:1"},
        {"255 CHR LEN", "N:1"},
        {"0 CHR", "E:3952/S1000"},
        {"256 CHR", "E:3952"},
        {"-1 CHR", "E:3952"},
        {"NULL CHR", "NULL"},
    };
    runCases(CASES(cases));
}

// Empty results as the first thing a statement evaluates, before its
// stack has any room: nothing is copied through a null pointer (the
// sanitizer build stops at that).
TEST(FlatStringFunctions, EmptyTextOnAFreshStack) {
    const ExprCase cases[] = {
        {"'' '' ||", "S:"}, {"'' '' -|", "S:"}, {"0 SPACE", "S:"}, {"'' '' || LEN", "N:0"}};
    for (const ExprCase& c : cases) {
        ExprFixture f;
        EXPECT_EQ(f.run(c.notation).describe(), c.expected) << c.notation;
    }
}

TEST(FlatStringFunctions, TextOfNumbers) {
    static const ExprCase cases[] = {
        {"123.456 6 2 STR/3", "S:123.46"},
        {"1234567 5 STR/2", "S:*****"},
        {"42 STR/1", "S:        42"},
        {"-1.5 6 1 STR/3", "S:  -1.5"},
        {"-0.001 5 2 STR/3", "S: 0.00"},
        {"99999 5 STR/2", "S:99999"},
        {"1 2 2 STR/3", "E:3949"},
        {"1 2 3 STR/3", "E:3949"},
        {"1 5 -1 STR/3", "E:3949"},
        {"1 2000 STR/2", "E:3945"},
        {"NULL 5 STR/2", "NULL"},
        {"'  12.5abc' NUMVAL", "N:12.5"},
        {"'abc' NUMVAL", "N:0"},
        {"'-1e3' NUMVAL", "N:-1000"},
        {"'.5' NUMVAL", "N:0.5"},
        {".T. STRVAL", "S:True"},
        {".F. STRVAL", "S:False"},
        {"12.5 STRVAL", "S:12.5"},
        {"-3 STRVAL", "S:-3"},
        {"1e100 STRVAL", "S:1e+100"},
        {"d'2000-01-31' STRVAL", "S:01/31/00"},
        {"'x ' STRVAL", "S:x "},
    };
    runCases(CASES(cases));
}

TEST(FlatStringFunctions, ResultsKeepVarcharType) {
    // RTRIM of a VARCHAR stays VARCHAR: against another VARCHAR trailing
    // blanks count, so the trimmed value differs from the original.
    static const ExprCase cases[] = {
        {"$v RTRIM $v =", "B:0"},
        {"$v RTRIM 'ab' =", "B:1"},
        {"$v $v || $w =", "B:0"},
        {"$c RTRIM $c =", "B:1"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("v", FakeValue::text("ab ", 12));
        f.rows.define("w", FakeValue::text("ab ab", 12));
        f.rows.define("c", FakeValue::text("ab ", 1));
    });
}

} // namespace
