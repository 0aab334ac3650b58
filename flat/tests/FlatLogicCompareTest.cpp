// Three-valued logic, comparisons across types, quantified lists, BETWEEN,
// LIKE and IS NULL.
#include <gtest/gtest.h>

#include "FlatTestSupport.h"

namespace {

#define CASES(table) table, sizeof table / sizeof table[0]

TEST(FlatLogic, ThreeValuedTruthTables) {
    static const ExprCase cases[] = {
        {".T. .T. AND", "B:1"},
        {".T. .F. AND", "B:0"},
        {".F. .T. AND", "B:0"},
        {".T. NULL AND", "NULL"},
        {"NULL .T. AND", "NULL"},
        {".F. NULL AND", "B:0"},
        {"NULL .F. AND", "B:0"},
        {"NULL NULL AND", "NULL"},
        {".F. .F. OR", "B:0"},
        {".T. NULL OR", "B:1"},
        {"NULL .T. OR", "B:1"},
        {".F. NULL OR", "NULL"},
        {"NULL .F. OR", "NULL"},
        {"NULL NULL OR", "NULL"},
        {".T. NOT", "B:0"},
        {".F. NOT", "B:1"},
        {"NULL NOT", "NULL"},
        {"NULL ISNULL", "B:1"},
        {"NULL ISNULL NOT", "B:0"},
        {"'' ISNULL", "B:0"},
        {"0 ISNULL", "B:0"},
        {"1 0 / ISNULL", "B:1"},
        // Chains of one operator.
        {".F. .F. OR NULL OR .T. OR", "B:1"},
        {".F. NULL OR .F. OR", "NULL"},
        {".F. .F. OR .F. OR", "B:0"},
        {".T. NULL AND .F. AND", "B:0"},
        {".T. .T. AND .T. AND", "B:1"},
        {".T. .T. AND NULL AND", "NULL"},
        {".T. .F. AND 0 CHR 'a' = AND", "B:0"},
        {".F. .T. OR 0 CHR 'a' = OR", "B:1"},
        {".F. .F. OR 0 CHR 'a' = OR", "E:3952"},
        {".T. .F. OR .F. AND", "B:0"},
        {".F. .T. AND .T. OR", "B:1"},
    };
    runCases(CASES(cases));
}

TEST(FlatLogic, DecidedOperandStopsEvaluation) {
    // CHR(0) raises 3952: it is reached only when the left side does not
    // decide.
    static const ExprCase cases[] = {
        {".F. 0 CHR 'a' = AND", "B:0"},    {".T. 0 CHR 'a' = OR", "B:1"},
        {".T. 0 CHR 'a' = AND", "E:3952"}, {".F. 'a' 0 CHR IIF", "E:3952"},
        {".F. 0 CHR 'b' IIF", "S:b"},      {".T. 'a' 0 CHR IIF", "S:a"},
        {"NULL 1 2 IIF", "NULL"},          {"1 2 > 'yes' 'no' IIF", "S:no"},
    };
    runCases(CASES(cases));
}

TEST(FlatLogic, BlankStringsAsNull) {
    static const ExprCase cases[] = {
        {"'   ' ISNULL", "B:1"}, {"'' ISNULL", "B:1"}, {"' x ' ISNULL", "B:0"},
        {"$c ISNULL", "B:1"},    {"$v ISNULL", "B:1"}, {"0 ISNULL", "B:0"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.info.setBlankIsNull(true);
        f.rows.define("c", FakeValue::text("  ", 1));
        f.rows.define("v", FakeValue::text("", 12));
    });
}

TEST(FlatCompare, AcrossTypes) {
    static const ExprCase cases[] = {
        {"1 2 <", "B:1"},
        {"2 2 >=", "B:1"},
        {"2 2 >", "B:0"},
        {"2 3 <>", "B:1"},
        {"NULL 1 =", "NULL"},
        {"1 NULL <>", "NULL"},
        // Constants and CHAR values lose trailing blanks; two VARCHARs keep them.
        {"'ab' 'ab ' =", "B:1"},
        {"$c1 $c2 =", "B:1"},
        {"$v1 $v2 =", "B:0"},
        {"$v1 $v2 <", "B:1"},
        {"$v1 $c2 =", "B:1"},
        {"'a' 'B' <", "B:0"},
        // A logical value against a number: any non-zero number counts as 1.
        {".T. 5 =", "B:1"},
        {"5 .T. =", "B:1"},
        {".F. 0 =", "B:1"},
        {".T. 0 =", "B:0"},
        {".T. .F. >", "B:1"},
        {"x'0102' x'0103' <", "B:1"},
        {"x'01' x'0100' <", "B:1"},
        {"x'0A' x'0a' =", "B:1"},
        {"d'2000-01-01' d'1999-12-31' >", "B:1"},
        {"ts'2000-01-01 00:00:01' d'2000-01-01' >", "B:1"},
        {"$d d'2000-01-31' =", "B:1"},
        {"$d '2000-01-31' =", "B:1"},
        {"$d '01/31/2000' =", "B:1"},
        {"$d 'soon' =", "E:3940"},
        {"?1 42 =", "B:1"},
        {"?2 42 =", "E:22005"},
        {"$n 12.5 =", "B:1"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("c1", FakeValue::text("ab", 1));
        f.rows.define("c2", FakeValue::text("ab ", 1));
        f.rows.define("v1", FakeValue::text("ab", 12));
        f.rows.define("v2", FakeValue::text("ab ", 12));
        f.rows.define("d", FakeValue::date(2000, 1, 31));
        f.rows.define("n", FakeValue::text(" 12.5", 2));
        f.params.values[1] = FakeValue::text("42", 1);
        f.params.values[2] = FakeValue::text("forty", 1);
    });
}

// A number constant on the right is compared in place: every operator, a
// NULL field, and fields that are not numbers, which take the general way.
TEST(FlatCompare, FieldAgainstNumberConstant) {
    static const ExprCase cases[] = {
        {"$a 500 >", "B:1"},     {"$a 500.25 >", "B:0"},
        {"$a 500.25 >=", "B:1"}, {"$a 500.25 =", "B:1"},
        {"$a 500.25 <>", "B:0"}, {"$a 501 <", "B:1"},
        {"$a 500.25 <=", "B:1"}, {"$m -2 >", "B:1"},
        {"$m -1.5 =", "B:1"},    {"$z 1 =", "NULL"},
        {"$z 1 <>", "NULL"},     {"$n 12.5 >", "B:0"},
        {"$n 12 >", "B:1"},      {"$t 1 =", "E:22005"},
        {".T. 2 =", "B:1"},      {"$a 500 > $a 1000 < AND", "B:1"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("a", FakeValue::number(500.25));
        f.rows.define("m", FakeValue::number(-1.5));
        f.rows.define("z", FakeValue::nullOf(8));
        f.rows.define("n", FakeValue::text(" 12.5", 2));
        f.rows.define("t", FakeValue::text("abc", 12));
    });
}

TEST(FlatCompare, InternationalOrder) {
    static const ExprCase cases[] = {
        {"'a' 'B' <", "B:1"},
        {"'apple' 'Banana' <", "B:1"},
        {"'abc' 'Abc' <", "B:1"},
        {"'ab ' 'ab' =", "B:1"},
    };
    runCases(CASES(cases), [](ExprFixture& f) { f.info.setIntlSort(true); });
}

TEST(FlatCompare, QuantifiedLists) {
    static const ExprCase cases[] = {
        {"2 1 2 3 any:3 =", "B:1"}, // IN
        {"5 1 2 3 any:3 =", "B:0"},
        {"5 1 NULL 3 any:3 =", "NULL"},
        {"2 1 NULL 2 any:3 =", "B:1"},
        {"NULL 1 2 any:2 =", "NULL"},
        {"5 1 2 all:2 <>", "B:1"}, // NOT IN
        {"5 1 NULL all:2 <>", "NULL"},
        {"1 1 NULL all:2 <>", "B:0"},
        {"5 1 2 3 all:3 >", "B:1"},
        {"2 1 2 3 all:3 >", "B:0"},
        {"2 3 4 any:2 <", "B:1"},
        {"'b' 'a' 'b' any:2 =", "B:1"},
        // ANY stops at the first true comparison, ALL at the first false one.
        {"1 1 0 CHR any:2 =", "B:1"},
        {"1 1 0 CHR all:2 <>", "B:0"},
        {"1 2 0 CHR any:2 =", "E:3952"},
    };
    runCases(CASES(cases));
}

TEST(FlatCompare, BetweenLikeContains) {
    static const ExprCase cases[] = {
        {"5 1 10 BETWEEN", "B:1"},
        {"1 1 10 BETWEEN", "B:1"},
        {"10 1 10 BETWEEN", "B:1"},
        {"5 6 10 BETWEEN", "B:0"},
        {"5 NULL 4 BETWEEN", "B:0"},
        {"5 NULL 10 BETWEEN", "NULL"},
        {"NULL 1 2 BETWEEN", "NULL"},
        {"'b' 'a' 'c' BETWEEN", "B:1"},
        {"d'2000-02-29' d'2000-02-01' d'2000-03-01' BETWEEN", "B:1"},
        {"'abc' 'a%' LIKE", "B:1"},
        {"'abc' 'A%' LIKE", "B:0"},
        {"'abc' 'a_c' LIKE", "B:1"},
        {"'abc' 'a_' LIKE", "B:0"},
        {"'a%c' 'a\\%c' LIKE", "B:1"},
        {"'abc' 'a\\%c' LIKE", "B:0"},
        {"'a_c' 'a\\_c' LIKE", "B:1"},
        {"'abc  ' 'abc' LIKE", "B:1"},
        {"$v 'abc' LIKE", "B:1"},
        {"$v $p LIKE", "B:0"},
        {"NULL 'a%' LIKE", "NULL"},
        {"'abc' 'a%' LIKE NOT", "B:0"},
        {"'hello' 'ell' CONTAINS", "B:1"},
        {"'hello' 'xyz' CONTAINS", "B:0"},
        {"'hello' '' CONTAINS", "B:1"},
        {"$v 1 *=:=", "E:22005"},
        {"1 1 *=:=", "B:1"},
        {"1 2 =*:=", "B:0"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("v", FakeValue::text("abc  ", 12));
        f.rows.define("p", FakeValue::text("abc", 12));
    });
}

} // namespace
