// The expression compiler: SQL expression text compiled to an op stream
// and evaluated against a fake row, and the compiler's messages.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "FlatTestSupport.h"
#include "base/BaseOdbcId.h"
#include "parse/FlatExprCompiler.h"
#include "parse/FlatParamList.h"

namespace {

// Names of the fake row, with the types the compiler sees.
class FakeScope : public FlatNameScope {
public:
    explicit FakeScope(ExprFixture& fixture) : fixture_(fixture) {}
    void define(const std::string& name, const FakeValue& value) {
        fields_[name] = {fixture_.rows.define(name, value), value.sqlType};
    }
    VxStatus findColumn(const char*, const char* name, FlatColumnRef* ref, bool* found) override {
        auto it = fields_.find(name);
        *found = it != fields_.end();
        if (*found) {
            ref->tableNumber = 1;
            ref->field = it->second.first;
            ref->sqlType = it->second.second;
            ref->precision = 20;
        }
        return VX_SUCCESS;
    }
    FlatNameScope* getOuterScope() override { return nullptr; }

private:
    ExprFixture& fixture_;
    std::map<std::string, std::pair<std::uint16_t, short>> fields_;
};

struct SqlCase {
    const char* sql;
    const char* expected;
};

// Compiles `sql` (as a WHERE condition when `condition`) and evaluates it.
EvalOutcome compileAndRun(ExprFixture& fixture, FakeScope& scope, const std::string& sql,
                          bool condition = false) {
    FlatParamList params;
    EXPECT_EQ(params.scan(sql.c_str()), VX_SUCCESS);
    FlatExprCompiler compiler(&params, &scope);
    FlatExprOptions options;
    options.condition = condition;
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    fixture.errors.deleteNodes();
    if (compiler.compile(sql.c_str(), options, &builder, &result) != VX_SUCCESS) {
        EvalOutcome out;
        VxError* first = fixture.errors.getErrorAtPos(0);
        out.error = first ? first->getNumber() : 0;
        const char* state = first ? baseGetSqlState(first->getSqlStateId()) : nullptr;
        out.sqlState = state ? state : "";
        return out;
    }
    return fixture.runBuilt(builder);
}

void setUpRow(ExprFixture& fixture, FakeScope& scope) {
    scope.define("x", FakeValue::integer(5));
    scope.define("name", FakeValue::text("Smith"));
    scope.define("fixed", FakeValue::text("ab  ", 1));
    scope.define("n", FakeValue::nullOf(4));
    scope.define("hired", FakeValue::date(2000, 1, 31));
    fixture.params.values[1] = FakeValue::number(5);
}

void runSqlCases(const SqlCase* cases, std::size_t count, bool condition = false) {
    for (std::size_t i = 0; i < count; ++i) {
        ExprFixture fixture;
        FakeScope scope(fixture);
        setUpRow(fixture, scope);
        EvalOutcome outcome = compileAndRun(fixture, scope, cases[i].sql, condition);
        EXPECT_TRUE(outcomeMatches(outcome, cases[i].expected))
            << cases[i].sql << "  gave " << outcome.describe() << ", expected "
            << cases[i].expected;
    }
}

TEST(FlatExprCompile, PrecedenceAndArithmetic) {
    static const SqlCase cases[] = {
        {"1 + 2 * 3", "N:7"},
        {"(1 + 2) * 3", "N:9"},
        {"10 - 4 - 3", "N:3"},   // left-associative
        {"2 ** 3 ** 2", "N:64"}, // (2 ** 3) ** 2
        {"2 ^ 3", "N:8"},
        {"-2 ** 2", "N:4"}, // the sign binds as tightly as the power
        {"- x * 2 + 1", "N:-9"},
        {"+ x", "N:5"},
        {"7 / 2", "N:3.5"},
        {"5 / 0", "NULL"},
        {"1.5E2 + 1", "N:151"},
        {".5 + 2e-1", "N:0.7"},
        {"x + NULL", "NULL"},
        {"MOD(7, 3) + INT(2.7) + ROUND(2.5, 0)", "N:6"},
        {"{01/31/2000} + 1", "D:2000-02-01"},
        {"hired - {01/01/2000}", "N:30"},
        {"1 + hired", "D:2000-02-01"},
    };
    runSqlCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(FlatExprCompile, StringsAndFunctions) {
    static const SqlCase cases[] = {
        {"'ab' + 'cd'", "S:abcd"},
        {"'ab' || \"cd\"", "S:abcd"},
        {"'ab  ' - 'cd'", "S:abcd  "},
        {"'it''s'", "S:it's"},
        {"UPPER(name) + LEFT('xyz', 2)", "S:SMITHxy"},
        {"SUBSTR(name, 2, 3)", "S:mit"},
        {"LEN(RTRIM(fixed))", "N:2"},
        {"IIF(x > 3, 'big', 'small')", "S:big"},
        {"DTOS(hired)", "S:20000131"},
        {"YEAR({12/31/1999 10:20:30})", "N:1999"},
    };
    runSqlCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(FlatExprCompile, DateLiterals) {
    static const SqlCase cases[] = {
        {"{02/29/2000}", "D:2000-02-29"},
        {"{10:20:30}", "T:10:20:30"},
        {"{01/02/2003 04:05:06}", "TS:2003-01-02 04:05:06"},
        {"{d '2000-02-29'}", "D:2000-02-29"}, // an escape that was not rewritten
        {"{ts '2003-01-02 04:05:06'}", "TS:2003-01-02 04:05:06"},
        {"{t '23:59:59'}", "T:23:59:59"},
        {"{02/30/2000}", "E:3942/22008"},
        {"{13/01/2000}", "E:3941/22008"},
        {"{25:00:00}", "E:3943/22008"},
        {"hired = '01/31/2000'", "B:1"}, // a date meets a string literal
    };
    runSqlCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(FlatExprCompile, ConditionsInThreeValuedLogic) {
    static const SqlCase cases[] = {
        {"1 < 2 AND 'a' = 'a'", "B:1"},
        {"NOT 1 = 1", "B:0"},
        {"NOT x + 1 = 6", "B:0"}, // NOT (x + 1 = 6)
        {"n IS NULL", "B:1"},
        {"n IS NOT NULL", "B:0"},
        {"n > 1 OR 1 = 1", "B:1"},
        {"n > 1 AND 1 = 1", "NULL"},
        {"n > 1 AND 1 = 0", "B:0"},
        {"NOT n = 1", "NULL"},
        {"x BETWEEN 1 AND 10", "B:1"},
        {"x NOT BETWEEN 1 AND 4", "B:1"},
        {"x BETWEEN 1 AND 2 + 3 AND 1 = 1", "B:1"},
        {"x IN (1, 5, 7)", "B:1"},
        {"x NOT IN (1, 2)", "B:1"},
        {"x NOT IN (1, 5)", "B:0"},
        {"x = ANY (1, 5)", "B:1"},
        {"x > ALL (1, 2)", "B:1"},
        {"x > ALL (1, 9)", "B:0"},
        {"name LIKE 'Sm%'", "B:1"},
        {"name NOT LIKE 'Sm_th'", "B:0"},
        {"fixed = 'ab'", "B:1"}, // CHAR compares without trailing blanks
        {".T. AND .N.", "B:0"},
        {".y. OR .F.", "B:1"},
        {"? = x", "B:1"},
        {"x # 4 AND x != 4 AND x <> 4 AND x !< 5 AND x !> 5", "B:1"},
    };
    runSqlCases(cases, sizeof cases / sizeof cases[0], true);
}

TEST(FlatExprCompile, Messages) {
    static const SqlCase cases[] = {
        {"1 +", "E:3931/37000"},
        {"", "E:3931/37000"},
        {"(1 + 2", "E:3922/37000"},
        {"FOO(1)", "E:3920/37000"},
        {"LEFT('a')", "E:3927/37000"},
        {"LEFT(1, 2)", "E:3926/37000"},
        {"LEFT('abc', 5)", "E:3921/37000"},
        {"IIF(x > 1, 'a', 2)", "E:3933/37000"},
        {"1 = 'a'", "E:3924/37000"},
        {"x LIKE 'a'", "E:3924/37000"},
        {"NOT x", "E:3924/37000"},
        {"name BETWEEN 1 AND 2", "E:3924/37000"},
        {".X.", "E:3930/37000"},
        {"x BETWEEN 1, 2", "E:3932/37000"},
        {"x IN 1, 2", "E:3934/37000"},
        {"x @ 1", "E:3925/37000"},
        {"x IS 1", "E:3925/37000"},
        {"x NOT 1", "E:3925/37000"},
        {"nosuch + 1", "E:3903/S0022"},
        {"? = ?", "E:4001/37000"},
        {"COUNT(x) > 1", "E:3936/37000"},
        {"x + 1", "E:3901/37000"}, // a condition must be logical
        {"NULL", "E:3901/37000"},
        {"1 = 1, 2", "E:3925/37000"},
    };
    runSqlCases(cases, sizeof cases / sizeof cases[0], true);
}

TEST(FlatExprCompile, ParametersTakeTheTypeTheirUseAsks) {
    ExprFixture fixture;
    FakeScope scope(fixture);
    setUpRow(fixture, scope);
    const char* sql =
        "name LIKE ? AND x BETWEEN ? AND 9 AND ? IN ({01/01/2000}) AND LEFT(?, 1) = 'a'";
    FlatParamList params;
    ASSERT_EQ(params.scan(sql), VX_SUCCESS);
    FlatExprCompiler compiler(&params, &scope);
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    FlatExprOptions options;
    options.condition = true;
    ASSERT_EQ(compiler.compile(sql, options, &builder, &result), VX_SUCCESS);
    ASSERT_EQ(params.getCount(), 4);
    EXPECT_EQ(params.getType(1), FLAT_TYPE_VARCHAR);
    EXPECT_EQ(params.getType(2), FLAT_TYPE_DOUBLE);
    EXPECT_EQ(params.getType(3), FLAT_TYPE_DATE);
    EXPECT_EQ(params.getType(4), FLAT_TYPE_VARCHAR);
    // A marker inside a quoted text is no marker.
    ASSERT_EQ(params.scan("a = '?' AND b = ?"), VX_SUCCESS);
    EXPECT_EQ(params.getCount(), 1);
}

TEST(FlatExprCompile, AliasesEndASelectItem) {
    ExprFixture fixture;
    FakeScope scope(fixture);
    setUpRow(fixture, scope);
    FlatParamList params;
    FlatExprCompiler compiler(&params, &scope);
    FlatExprOptions options;
    options.allowAlias = true;
    for (const char* sql : {"x + 1 AS total", "x + 1 total", "x + 1 AS `the total`"}) {
        FlatOpStreamBuilder builder;
        FlatExprResult result;
        ASSERT_EQ(compiler.compile(sql, options, &builder, &result), VX_SUCCESS) << sql;
        EXPECT_NE(std::string(compiler.getAlias()).find("total"), std::string::npos) << sql;
    }
    FlatOpStreamBuilder builder;
    FlatExprResult result;
    EXPECT_NE(compiler.compile("x + 1 AS total extra", options, &builder, &result), VX_SUCCESS);
    // A bare column is reported as such, for the result's description.
    builder.reset();
    ASSERT_EQ(compiler.compile("name", options, &builder, &result), VX_SUCCESS);
    EXPECT_TRUE(result.isColumn);
    EXPECT_EQ(result.type, FLAT_TYPE_VARCHAR);
}

std::string nested(unsigned depth, const char* inner) {
    return std::string(depth, '(') + inner + std::string(depth, ')');
}

TEST(FlatExprCompile, NestingIsBoundedWithAClearMessage) {
    ExprFixture fixture;
    FakeScope scope(fixture);
    setUpRow(fixture, scope);
    EXPECT_EQ(compileAndRun(fixture, scope, nested(25, "1 = 1"), true).describe(), "B:1");
    EXPECT_EQ(compileAndRun(fixture, scope, nested(26, "1 = 1"), true).error, 3935u);
    // Far deeper than any stack would take: still the message, no crash.
    EXPECT_EQ(compileAndRun(fixture, scope, nested(200000, "1"), true).error, 3935u);
    std::string deepCalls;
    for (int i = 0; i < 100000; ++i)
        deepCalls += "LEN(";
    EXPECT_EQ(compileAndRun(fixture, scope, deepCalls, true).error, 3935u);
}

TEST(FlatExprCompile, LongChainsNeedNoRecursion) {
    ExprFixture fixture;
    FakeScope scope(fixture);
    setUpRow(fixture, scope);
    std::string chain = "x = 5";
    for (int i = 0; i < 1500; ++i)
        chain += i % 2 ? " AND x = 5" : " OR x = 4";
    EXPECT_EQ(compileAndRun(fixture, scope, chain, true).describe(), "B:1");
    std::string nots;
    for (int i = 0; i < 200000; ++i)
        nots += "NOT ";
    nots += "x = 5";
    EvalOutcome many = compileAndRun(fixture, scope, nots, true);
    // Either evaluated or refused with a message; never a crash.
    EXPECT_TRUE(many.ok || many.error != 0);
}

} // namespace
