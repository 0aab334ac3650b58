// Operands read at run time: field values of every storage type, results
// in storage form, sub-queries (scalar, EXISTS, lists) and evaluation
// nested inside a source.
#include <gtest/gtest.h>

#include <cstring>
#include <sqltypes.h>

#include "FlatTestSupport.h"
#include "flat/FlatSelectExpr.h"
#include "flat/FlatValueCompare.h"

namespace {

#define CASES(table) table, sizeof table / sizeof table[0]

template <typename T> FakeValue stored(short storage, T value, short sqlType) {
    return {storage, std::string(reinterpret_cast<const char*>(&value), sizeof value), sqlType,
            false};
}

TEST(FlatFieldValues, EveryStorageType) {
    static const ExprCase cases[] = {
        {"$s8", "N:-5"},
        {"$u8", "N:250"},
        {"$s16", "N:-300"},
        {"$u16", "N:65000"},
        {"$s32", "N:-70000"},
        {"$u32", "N:4000000000"},
        {"$s64", "N:-5000000000"},
        {"$u64", "N:10000000000"},
        {"$f", "N:1.5"},
        {"$bit", "B:1"},
        {"$bitAsInt", "B:0"},
        {"$date", "D:1999-12-31"},
        {"$time", "T:13:14:15"},
        {"$stamp", "TS:2001-02-03 04:05:06"},
        {"$zeroDate", "NULL"},
        {"$zeroDate 10 DTOC/2", "S:          "},
        {"$badDate", "E:22008"},
        {"$bin", "X:0102FF"},
        {"$binText 'ab' =", "B:1"},
        {"$textDate 1 +", "D:2000-01-01"},
        {"$textStamp", "TS:2000-01-01 10:20:30"},
        {"$textTime", "T:10:20:30"},
        {"$null", "NULL"},
        {"$null ISNULL", "B:1"},
        {"$text", "S:plain"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.rows.define("s8", stored<signed char>(INTERNAL_STINYINT, -5, -6));
        f.rows.define("u8", stored<unsigned char>(INTERNAL_UTINYINT, 250, -6));
        f.rows.define("s16", stored<short>(INTERNAL_SSHORT, -300, 5));
        f.rows.define("u16", stored<unsigned short>(INTERNAL_USHORT, 65000, 5));
        f.rows.define("s32", stored<int>(INTERNAL_SLONG, -70000, 4));
        f.rows.define("u32", stored<unsigned>(INTERNAL_ULONG, 4000000000u, 4));
        f.rows.define("s64", stored<long long>(INTERNAL_SBIGINT, -5000000000LL, -5));
        f.rows.define("u64", stored<unsigned long long>(INTERNAL_UBIGINT, 10000000000ULL, -5));
        f.rows.define("f", stored<float>(INTERNAL_FLOAT, 1.5f, 7));
        f.rows.define("bit", stored<unsigned char>(INTERNAL_BIT, 1, -7));
        f.rows.define("bitAsInt", stored<int>(INTERNAL_SLONG, 0, -7));
        f.rows.define("date", FakeValue::date(1999, 12, 31));
        f.rows.define("time", stored<TIME_STRUCT>(INTERNAL_TIME, TIME_STRUCT{13, 14, 15}, 10));
        f.rows.define("stamp", FakeValue::timestamp(2001, 2, 3, 4, 5, 6));
        f.rows.define("zeroDate", FakeValue::date(0, 0, 0));
        f.rows.define("badDate", FakeValue::date(2001, 2, 29));
        f.rows.define("bin", FakeValue{FLAT_STORAGE_BINARY, "\x01\x02\xff", -3, false});
        f.rows.define("binText", FakeValue{FLAT_STORAGE_BINARY, "ab", 1, false});
        f.rows.define("textDate", FakeValue::text("1999-12-31", 9));
        f.rows.define("textStamp", FakeValue::text("2000-01-01 10:20:30.000", 11));
        f.rows.define("textTime", FakeValue::text("10:20:30", 10));
        f.rows.define("null", FakeValue::nullOf(4));
        f.rows.define("text", FakeValue::text("plain", 1));
    });
}

TEST(FlatFieldValues, ResultsInStorageForm) {
    ExprFixture f;
    EXPECT_EQ(f.run("1 2 +").storage, INTERNAL_DOUBLE);
    EXPECT_EQ(f.run("1 2 <").storage, INTERNAL_BIT);
    EXPECT_EQ(f.run("'a' 'b' ||").storage, INTERNAL_CHAR);
    EXPECT_EQ(f.run("x'01'").storage, FLAT_STORAGE_BINARY);
    EXPECT_EQ(f.run("d'2000-01-01'").storage, INTERNAL_DATE);
    EXPECT_EQ(f.run("t'01:02:03'").storage, INTERNAL_TIME);
    EXPECT_EQ(f.run("ts'2000-01-01 01:02:03' 0 +").storage, INTERNAL_TIMESTAMP);
    // The row source is asked once per field reference.
    f.rows.define("a", FakeValue::number(3));
    f.rows.fetches = 0;
    EXPECT_EQ(f.run("$a $a *").describe(), "N:9");
    EXPECT_EQ(f.rows.fetches, 2);
}

TEST(FlatSubQueries, ScalarExistsAndLists) {
    static const ExprCase cases[] = {
        {"sub:1 1 +", "N:11"},
        {"sub:2", "NULL"},
        {"sub:3", "E:3996/S1000"},
        {"exists:1", "B:1"},
        {"exists:2", "B:0"},
        {"2 sub:3 any:1 =", "B:1"},
        {"4 sub:3 any:1 =", "B:0"},
        {"4 sub:2 any:1 =", "B:0"},
        {"4 sub:2 all:1 <>", "B:1"},
        {"4 sub:4 all:1 <>", "NULL"},
        {"1 sub:4 all:1 <>", "B:0"},
        {"4 7 sub:3 any:2 =", "B:0"},
        {"7 3 sub:3 7 any:3 =", "B:1"},
    };
    runCases(CASES(cases), [](ExprFixture& f) {
        f.subQueries.rows[1] = {FakeValue::number(10)};
        f.subQueries.rows[2] = {};
        f.subQueries.rows[3] = {FakeValue::number(1), FakeValue::number(2), FakeValue::number(3)};
        f.subQueries.rows[4] = {FakeValue::number(1), FakeValue::nullOf(8)};
    });
}

TEST(FlatSubQueries, AnyStopsAtTheFirstMatchingRow) {
    ExprFixture f;
    f.subQueries.rows[3] = {FakeValue::number(1), FakeValue::number(2), FakeValue::number(3)};
    EXPECT_EQ(f.run("2 sub:3 any:1 =").describe(), "B:1");
    EXPECT_EQ(f.subQueries.fetched[3], 2);
    EXPECT_EQ(f.run("2 sub:3 any:1 =").describe(), "B:1");
    EXPECT_EQ(f.subQueries.opens[3], 2); // reopened for each evaluation
}

// x IN and x NOT IN over an uncorrelated sub-query: its rows are read once
// and looked up afterwards, with the answers of the row-by-row comparison
// (NULL rows, NULL on the left, trailing blanks, kinds it does not gather).
TEST(FlatSubQueries, GatheredValuesAnswerAsEachRowWould) {
    const char* const expressions[] = {
        "2 sub:3 any:1 =",    "5 sub:3 any:1 =",    "5 sub:3 all:1 <>",   "3 sub:3 all:1 <>",
        "NULL sub:3 any:1 =", "NULL sub:5 any:1 =", "'a' sub:4 any:1 =",  "'b' sub:4 any:1 =",
        "'b' sub:4 all:1 <>", "'a' sub:4 all:1 <>", "'x' sub:3 any:1 =",  "2 sub:6 any:1 =",
    };
    std::vector<std::string> loop;
    std::vector<std::string> gathered;
    for (bool keeps : {false, true}) {
        ExprFixture f;
        f.subQueries.keepsValues = keeps;
        f.subQueries.rows[3] = {FakeValue::number(1), FakeValue::number(2), FakeValue::number(3)};
        f.subQueries.rows[4] = {FakeValue::text("a "), FakeValue::nullOf(12)};
        f.subQueries.rows[6] = {FakeValue::date(2000, 1, 2), FakeValue::number(2)};
        for (const char* expression : expressions)
            (keeps ? gathered : loop).push_back(f.run(expression).describe());
        if (keeps) {
            // Once to gather the numbers, once more for the text compared
            // with them row by row.
            EXPECT_EQ(f.subQueries.opens[3], 2);
        }
    }
    EXPECT_EQ(gathered, loop);
    EXPECT_EQ(gathered[0], "B:1");
    EXPECT_EQ(gathered[1], "B:0");
    EXPECT_EQ(gathered[2], "B:1");
    EXPECT_EQ(gathered[3], "B:0");
    EXPECT_EQ(gathered[5], "B:0") << "NULL IN an empty sub-query";
    EXPECT_EQ(gathered[4], "NULL");
    EXPECT_EQ(gathered[6], "B:1") << "a literal matches without trailing blanks";
    EXPECT_EQ(gathered[7], "NULL") << "no match beside a NULL row";
    EXPECT_EQ(gathered[8], "NULL");
    EXPECT_EQ(gathered[9], "B:0");
    EXPECT_EQ(gathered[11], "B:1") << "a date among the rows: compared row by row";
}

// A sub-query whose value is itself computed by an expression of the same
// statement, as a correlated sub-query's projection is.
class NestedSubQuery : public FlatSubQuerySource {
public:
    explicit NestedSubQuery(ExprFixture& fixture) : fixture_(fixture), inner_(&fixture.info) {}
    VxStatus openSubQuery(std::uint16_t) override {
        done_ = false;
        FlatOpStreamBuilder b;
        fixture_.build("'inner' 'value' ||", &b);
        return inner_.compile(b);
    }
    VxStatus fetchSubQueryRow(std::uint16_t, bool* atEnd) override {
        *atEnd = done_;
        done_ = true;
        return VX_SUCCESS;
    }
    VxStatus getSubQueryValue(std::uint16_t, FlatDataValue* value, short* sqlType) override {
        *sqlType = 12;
        return inner_.evaluate(value);
    }

private:
    ExprFixture& fixture_;
    FlatOpStream inner_;
    bool done_ = false;
};

TEST(FlatSubQueries, NestedEvaluationKeepsTheOuterStack) {
    ExprFixture f;
    NestedSubQuery nested(f);
    f.info.setSubQuerySource(&nested);
    EXPECT_EQ(f.run("'outer ' sub:1 || 'x' ||").describe(), "S:outer innervaluex");
    EXPECT_EQ(f.info.getStackTop(), 0u);
}

TEST(FlatSources, MissingSourcesFailCleanly) {
    ExprFixture f;
    f.info.setRowSource(nullptr);
    f.info.setParamSource(nullptr);
    f.info.setSubQuerySource(nullptr);
    f.info.setAggregateSource(nullptr);
    EXPECT_EQ(f.run("$x").describe(), "E:0/S1000");
    EXPECT_EQ(f.run("?1").error, 4000);
    EXPECT_EQ(f.run("exists:1").describe(), "E:0/S1000");
    EXPECT_EQ(f.run("agg:1").describe(), "E:0/S1000");
}

} // namespace

namespace {

void fillValue(const FakeValue& from, FlatDataValue* value) {
    value->setValueBuffer(from.bytes.data(), 0);
    value->setLength(static_cast<std::uint32_t>(from.bytes.size()));
    value->setStorageType(from.storage);
    if (from.null)
        value->setNull();
}

int compareFake(ExprFixture& f, const FakeValue& a, const FakeValue& b) {
    FlatDataValue left;
    FlatDataValue right;
    fillValue(a, &left);
    fillValue(b, &right);
    int result = 99;
    EXPECT_EQ(flatCompareValues(&f.info, left, a.sqlType, right, b.sqlType, &result), VX_SUCCESS);
    EXPECT_EQ(f.info.getStackTop(), 0u);
    return result;
}

TEST(FlatValueCompareTest, OrdersStoredValuesByTheExpressionRules) {
    ExprFixture f;
    EXPECT_EQ(compareFake(f, FakeValue::text("ab", 1), FakeValue::text("ab ", 1)), 0);
    EXPECT_EQ(compareFake(f, FakeValue::text("ab", 12), FakeValue::text("ab ", 12)), -1);
    EXPECT_EQ(compareFake(f, FakeValue::nullOf(4), FakeValue::integer(-5)), -1);
    EXPECT_EQ(compareFake(f, FakeValue::integer(-5), FakeValue::nullOf(4)), 1);
    EXPECT_EQ(compareFake(f, FakeValue::nullOf(4), FakeValue::nullOf(12)), 0);
    EXPECT_EQ(compareFake(f, FakeValue::integer(5), FakeValue::number(5.0)), 0);
    // Numbers kept as text in numeric columns order by value, not by bytes.
    EXPECT_EQ(compareFake(f, FakeValue::text("10", 2), FakeValue::text("9", 2)), 1);
    EXPECT_EQ(compareFake(f, FakeValue::date(2000, 1, 2), FakeValue::date(1999, 12, 31)), 1);
    EXPECT_EQ(compareFake(f, FakeValue::text("B", 1), FakeValue::text("a", 1)), -1);
    f.info.setIntlSort(true);
    EXPECT_EQ(compareFake(f, FakeValue::text("B", 1), FakeValue::text("a", 1)), 1);
}

class FixedSubResult : public FlatSubResult {
public:
    VxStatus evaluate(FlatDataValue* value) override {
        return value->setValueCopy("sub", 3, INTERNAL_CHAR);
    }
};

TEST(FlatSelectExprTest, StreamParameterOrSubResult) {
    ExprFixture f;
    f.params.values[1] = FakeValue::integer(77);
    f.params.values[2] = FakeValue::nullOf(4);
    FlatSelectExpr column(&f.info);
    FlatOpStreamBuilder b;
    ASSERT_TRUE(f.build("1 2 +", &b));
    ASSERT_EQ(column.getOpStream().compile(b), VX_SUCCESS);
    FlatDataValue value;
    ASSERT_EQ(column.evaluate(&value), VX_SUCCESS);
    EXPECT_EQ(value.getStorageType(), INTERNAL_DOUBLE);

    // A bare parameter passes its value through in its own storage form.
    column.setBareParam(1);
    ASSERT_EQ(column.evaluate(&value), VX_SUCCESS);
    ASSERT_EQ(value.getStorageType(), INTERNAL_SLONG);
    std::int32_t number = 0;
    std::memcpy(&number, value.getValueBuffer(), 4);
    EXPECT_EQ(number, 77);
    column.setBareParam(2);
    ASSERT_EQ(column.evaluate(&value), VX_SUCCESS);
    EXPECT_TRUE(value.isNull());
    column.setBareParam(3);
    EXPECT_EQ(column.evaluate(&value), VX_ERROR);
    EXPECT_EQ(f.errors.getErrorAtPos(0)->getNumber(), 4000);

    FixedSubResult sub;
    column.setSubResult(&sub);
    ASSERT_EQ(column.evaluate(&value), VX_SUCCESS);
    EXPECT_EQ(std::string(static_cast<const char*>(value.getValueBuffer()), value.getLength()),
              "sub");
}

} // namespace
