// Arithmetic on numbers and dates: division rules, overflow, the numeric
// functions, date arithmetic and values read from fields and parameters.
#include <gtest/gtest.h>

#include <cstring>

#include "FlatTestSupport.h"

namespace {

#define CASES(table) table, sizeof table / sizeof table[0]

TEST(FlatArithmetic, OperatorsAndEdges) {
    static const ExprCase cases[] = {
        {"1 2 +", "N:3"},
        {"1 2 -", "N:-1"},
        {"6 7 *", "N:42"},
        {"7 2 /", "N:3.5"},
        {"5 0 /", "NULL"},
        {"0 0 /", "NULL"},
        {"5 0 MOD", "NULL"},
        {"7 3 MOD", "N:1"},
        {"-7 3 MOD", "N:-1"},
        {"7.5 2 MOD", "N:1.5"},
        {"2 10 POW", "N:1024"},
        {"2 -1 POW", "N:0.5"},
        {"2 NEG", "N:-2"},
        {"NULL 1 +", "NULL"},
        {"1 NULL *", "NULL"},
        {"NULL NEG", "NULL"},
        {"1e308 10 *", "E:3944/22003"},
        {"-1e308 1e308 -", "E:3944"},
        {"-8 0.5 POW", "E:3944"},
        {"10 400 POW", "E:3944"},
        {"1 2 MIN", "N:1"},
        {"1 2 MAX", "N:2"},
        {"-1 NULL MAX", "NULL"},
    };
    runCases(CASES(cases));
}

TEST(FlatArithmetic, IntAndRound) {
    static const ExprCase cases[] = {
        {"2.7 INT", "N:2"},
        {"-2.7 INT", "N:-2"},
        {"2.5 0 ROUND", "N:3"},
        {"-2.5 0 ROUND", "N:-3"},
        {"2.4 0 ROUND", "N:2"},
        {"1.2345 2 ROUND", "N:1.23"},
        {"1.235 2 ROUND", "N:1.24"},
        {"-1.235 2 ROUND", "N:-1.24"},
        // The digit count is truncated; negative counts round to tens,
        // hundreds and so on.
        {"1.5 0.9 ROUND", "N:2"},
        {"1234 -2 ROUND", "N:1200"},
        {"1250 -2 ROUND", "N:1300"},
        {"1234 -400 ROUND", "N:0"},
        {"1e300 400 ROUND", "N:1e300"},
        {"NULL 2 ROUND", "NULL"},
        {"2 NULL ROUND", "NULL"},
    };
    runCases(CASES(cases));
}

TEST(FlatArithmetic, Dates) {
    static const ExprCase cases[] = {
        {"d'2000-02-28' 1 +", "D:2000-02-29"},
        {"1 d'2000-02-28' +", "D:2000-02-29"},
        {"d'2000-03-01' 1 -", "D:2000-02-29"},
        {"d'1900-03-01' 1 -", "D:1900-02-28"},
        {"d'2000-03-01' d'2000-02-01' -", "N:29"},
        {"d'2000-01-01' d'2000-03-01' -", "N:-60"},
        {"d'1999-12-31' 366 +", "D:2000-12-31"},
        {"ts'2000-01-01 23:00:00' 0.125 +", "TS:2000-01-02 02:00:00"},
        {"ts'2000-01-02 06:00:00' ts'2000-01-01 18:00:00' -", "N:0.5"},
        {"t'10:00:00' t'04:00:00' -", "N:0.25"},
        // The blank date stays blank in date arithmetic (and is stored as
        // NULL); between two dates it counts 0.
        {"d'' 5 +", "NULL"},
        {"d'' 5 + 10 DTOC/2", "S:          "},
        {"d'' d'2000-01-01' -", "N:0"},
        {"d'2000-01-01' d'' -", "N:0"},
        {"$d 1 +", "D:2000-02-01"},
        {"t'10:00:00' 0.5 +", "T:22:00:00"},
        {"d'9999-12-31' 1 +", "E:22008"},
        {"d'0001-01-01' 1 -", "E:22008"},
        {"d'2000-01-01' 1e50 +", "E:22008"},
        {"d'2000-01-01' 1e50 + YEAR", "N:0"},
        {"$ts 0.5 +", "TS:2000-01-01 18:30:15"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("d", FakeValue::date(2000, 1, 31));
        f.rows.define("ts", FakeValue::timestamp(2000, 1, 1, 6, 30, 15));
    });
}

TEST(FlatArithmetic, FieldAndParameterValues) {
    static const ExprCase cases[] = {
        {"$num 2 *", "N:25"},  {"$blank 2 *", "NULL"},       {"$bad 2 *", "E:22005"},
        {"$int 2 /", "N:3.5"}, {"$digits 1 +", "N:-122.25"}, {"?1 1 +", "N:5"},
        {"?2 1 +", "NULL"},    {"?9 1 +", "E:4000/07001"},   {"agg:1 2 *", "N:20"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("num", FakeValue::text("12.5", 2));
        f.rows.define("blank", FakeValue::text("   ", 2));
        f.rows.define("bad", FakeValue::text("12x", 2));
        f.rows.define("int", FakeValue::integer(7));
        FakeValue digits = FakeValue::text("-123.25", 3);
        digits.storage = INTERNAL_DIGITS;
        f.rows.define("digits", digits);
        // The framework's layout: 32-bit digit count, 16-bit scale,
        // negative flag, spare byte, digits.
        std::string header(8, '\0');
        std::int32_t count = 5;
        std::int16_t scale = 3;
        std::memcpy(&header[0], &count, 4);
        std::memcpy(&header[4], &scale, 2);
        header[6] = 1;
        f.rows.define("packed", FakeValue{INTERNAL_DIGITS, header + "12345", 2, false});
        f.rows.define("bin18", FakeValue{FLAT_STORAGE_FRAMEWORK_BINARY, "\x0a", -2, false});
        f.params.values[1] = FakeValue::number(4);
        f.params.values[2] = FakeValue::nullOf(8);
        f.aggregates.values[1] = FakeValue::number(10);
    });
}

// Exact numeric values read from a file become the double nearest to
// their decimal text, the one the same number written as a literal gives,
// whether short (computed directly) or long (through the framework).
TEST(FlatArithmetic, DigitsValuesReadAsTheirNearestDouble) {
    static const ExprCase cases[] = {
        {"$a 0.3 =", "B:1"},
        {"$b 123456789012.345 =", "B:1"},
        {"$c 9007199254740993 =", "B:1"},
        {"$d 0 =", "B:1"},
        {"$e -0.000000000000000000007 =", "B:1"},
        {"$f 1.7976931348623157 =", "B:1"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        // Name, digits, scale, negative, in the framework's layout.
        struct Digits {
            const char* name;
            const char* digits;
            std::int16_t scale;
            char negative;
        };
        const Digits values[] = {
            {"a", "030", 2, 0},
            {"b", "123456789012345", 3, 0},
            {"c", "9007199254740993", 0, 0},
            {"d", "000", 2, 1},
            {"e", "0000000000000000000007", 21, 1},
            {"f", "17976931348623157", 16, 0},
        };
        for (const Digits& v : values) {
            std::string header(8, '\0');
            auto count = static_cast<std::int32_t>(std::strlen(v.digits));
            std::memcpy(&header[0], &count, 4);
            std::memcpy(&header[4], &v.scale, 2);
            header[6] = v.negative;
            f.rows.define(v.name, FakeValue{INTERNAL_DIGITS, header + v.digits, 2, false});
        }
    });
}

} // namespace
