// The op-stream format, the builder, compile limits, the evaluator's stack
// and the engine's message and function tables.
#include <gtest/gtest.h>
#include <sql.h>

#include <cstring>
#include <string>

#include "FlatTestSupport.h"
#include "base/BaseOdbcId.h"
#include "error/FlatErrors.h"
#include "flat/FlatFunctionTable.h"
#include "flat/FlatOpCode.h"

namespace {

std::size_t stepOf(const FlatOpStreamBuilder& builder) {
    return static_cast<std::size_t>(getNextOp(builder.getOps()) - builder.getOps());
}

TEST(FlatOpCodes, StepSizes) {
    // Every opcode of the set steps over the bytes its operands take.
    for (unsigned code = 1; code <= FLAT_OP_LAST; ++code) {
        FlatOpStreamBuilder b;
        unsigned char op[16] = {static_cast<unsigned char>(code)};
        std::size_t expected = 1;
        if (code == 1 || code == 2)
            expected = 9;
        else if (code == 3 || code == 4)
            std::memcpy(op + 1, "AB", 3), expected = 4;
        else if (code == 5 || code == 24 || code == 25 || code == 35 || code == 43 || code == 44 ||
                 code == 46)
            expected = 2;
        else if (code == 7 || code == 50)
            expected = 7;
        else if (code >= 51 && code <= 55)
            expected = 3;
        EXPECT_EQ(static_cast<std::size_t>(getNextOp(op) - op), expected) << code;
        EXPECT_TRUE(flatIsOpCode(static_cast<std::uint8_t>(code))) << code;
    }
    EXPECT_FALSE(flatIsOpCode(0));
    EXPECT_FALSE(flatIsOpCode(FLAT_OP_LAST + 1));
    EXPECT_STREQ(flatOpName(FLAT_OP_SUBSTR), "SUBSTR");
}

TEST(FlatOpCodes, BuilderWritesTheFormat) {
    FlatOpStreamBuilder b;
    b.addField(0x01020304, 0x0506);
    ASSERT_EQ(stepOf(b), 7u);
    std::uint32_t table = 0;
    std::uint16_t field = 0;
    std::memcpy(&table, b.getOps() + 1, 4);
    std::memcpy(&field, b.getOps() + 5, 2);
    EXPECT_EQ(table, 0x01020304u);
    EXPECT_EQ(field, 0x0506);
    b.reset();
    b.addString("ab\0cd", 5);
    EXPECT_EQ(b.getLength(), 4u); // the text ends at its zero byte
    b.reset();
    b.addOuterJoinComparison(FLAT_OP_OUTER_LEFT, FLAT_OP_EQ);
    ASSERT_EQ(b.getLength(), 3u);
    EXPECT_EQ(b.getOps()[1], FLAT_OP_EQ);
    EXPECT_EQ(b.getOps()[2], FLAT_OP_EQ);
    EXPECT_EQ(b.getOpCount(), 2u);
    FlatOpStreamBuilder outer;
    outer.addNumber(1);
    outer.addStream(b.getOps(), b.getLength());
    EXPECT_EQ(outer.getOpCount(), 3u);
    EXPECT_EQ(outer.getStatus(), VX_SUCCESS);
}

TEST(FlatOpCodes, SimpleFieldStreams) {
    ExprFixture f;
    f.rows.define("a", FakeValue::text("x"));
    f.rows.define("b", FakeValue::text("y"));
    FlatOpStreamBuilder b;
    ASSERT_TRUE(f.build("$a $b || $a ||", &b));
    EXPECT_TRUE(isSimpleField(b.getOps(), b.getLength()));
    b.reset();
    ASSERT_TRUE(f.build("$a 'x' ||", &b));
    EXPECT_FALSE(isSimpleField(b.getOps(), b.getLength()));
    EXPECT_FALSE(isSimpleField(b.getOps(), 0));
}

TEST(FlatOpStreamCompile, MalformedStreamsFail) {
    ExprFixture f;
    EXPECT_EQ(f.run("1 +").describe(), "E:0/S1000");
    ExprFixture g;
    EXPECT_EQ(g.run("1 2").describe(), "E:0/S1000");
    ExprFixture h;
    FlatOpStream stream(&h.info);
    const unsigned char unknown[] = {200};
    EXPECT_EQ(stream.compile(unknown, 1), VX_ERROR);
    const unsigned char unterminated[] = {FLAT_OP_STR_CONST, 'a'};
    EXPECT_EQ(stream.compile(unterminated, 2), VX_ERROR);
    const unsigned char cut[] = {FLAT_OP_NUM_CONST, 0, 0};
    EXPECT_EQ(stream.compile(cut, 3), VX_ERROR);
    FlatDataValue value;
    EXPECT_EQ(stream.evaluate(&value), VX_ERROR); // never compiled
}

TEST(FlatOpStreamCompile, Limits) {
    std::string deep = ".T.";
    for (int i = 0; i < 999; ++i)
        deep += " NOT";
    ExprFixture ok;
    EXPECT_EQ(ok.run(deep).describe(), "B:0");
    ExprFixture tooDeep;
    EXPECT_EQ(tooDeep.run(deep + " NOT").describe(), "E:3946/S1000");

    std::string chain = "1";
    for (int i = 0; i < 8191; ++i)
        chain += " 1 +"; // 16383 ops, but too deep
    ExprFixture deepChain;
    EXPECT_EQ(deepChain.run(chain).error, 3946);

    FlatOpStreamBuilder many;
    for (int i = 0; i < 16385; ++i)
        many.addNull();
    ExprFixture f;
    FlatOpStream stream(&f.info);
    EXPECT_EQ(stream.compile(many), VX_ERROR);
    EXPECT_EQ(f.errors.getErrorAtPos(0)->getNumber(), 3946);

    std::string longText(70000, 'a');
    FlatOpStreamBuilder big;
    big.addString(longText.data(), longText.size());
    ExprFixture g;
    FlatOpStream bigStream(&g.info);
    EXPECT_EQ(bigStream.compile(big), VX_ERROR);
    EXPECT_EQ(g.errors.getErrorAtPos(0)->getNumber(), 3946);
}

TEST(FlatOpStreamCompile, WideListsAndLongChainsWithinLimits) {
    std::string in = "500";
    for (int i = 1; i <= 1000; ++i)
        in += " " + std::to_string(i);
    in += " any:1000 =";
    ExprFixture f;
    EXPECT_EQ(f.run(in).describe(), "B:1");
    // Long AND/OR chains are not nested evaluation: 2000 terms pass.
    std::string ors = "$x 0 =";
    std::string ands = "$x 0 <>";
    for (int i = 1; i < 2000; ++i) {
        ors += " $x " + std::to_string(i) + " = OR";
        ands += " $x " + std::to_string(i) + " <> AND";
    }
    ExprFixture g;
    g.rows.define("x", FakeValue::number(1999));
    EXPECT_EQ(g.run(ors).describe(), "B:1");
    EXPECT_EQ(g.rows.fetches, 2000);
    g.rows.fetches = 0;
    EXPECT_EQ(g.run(ands).describe(), "B:0");
    EXPECT_EQ(g.rows.fetches, 2000);
    EXPECT_EQ(g.info.getStackTop(), 0u);
    std::string flags = ".F.";
    for (int i = 1; i < 7000; ++i)
        flags += " .F. OR";
    ExprFixture h;
    EXPECT_EQ(h.run(flags + " .T. OR").describe(), "B:1");
    EXPECT_EQ(h.run(flags).describe(), "B:0");
}

TEST(FlatEvaluatorStack, GrowsInStepsAndStopsAtItsLimit) {
    ExprFixture f;
    f.rows.define("wide", FakeValue::text(std::string(5000, 'w')));
    f.rows.define("huge", FakeValue::text(std::string(70000, 'h')));
    EXPECT_EQ(f.run("$wide $wide =").describe(), "B:1");
    EXPECT_EQ(f.info.getStackSize(), 10240u);
    EXPECT_EQ(f.info.getStackTop(), 0u);
    EvalOutcome overflow = f.run("$huge LEN");
    EXPECT_EQ(overflow.describe(), "E:3946/S1000");
    EXPECT_EQ(f.info.getStackTop(), 0u);
    EXPECT_LE(f.info.getStackSize(), FLAT_STACK_LIMIT);
}

TEST(FlatEvaluatorStack, ErrorsLeaveTheStackAsFound) {
    ExprFixture f;
    std::size_t offset = 0;
    ASSERT_EQ(f.info.reserve(100, &offset), VX_SUCCESS);
    EXPECT_EQ(f.run("'abc' 0 CHR ||").error, 3952);
    EXPECT_EQ(f.info.getStackTop(), 100u);
    EXPECT_EQ(f.run("'abc' 'd' ||").describe(), "S:abcd");
    EXPECT_EQ(f.info.getStackTop(), 100u);
}

TEST(FlatOpStreamResults, ConditionsAndDoubles) {
    ExprFixture f;
    FlatOpStreamBuilder b;
    FlatOpStream stream(&f.info);
    bool isTrue = true;
    ASSERT_TRUE(f.build("NULL 1 =", &b));
    ASSERT_EQ(stream.compile(b), VX_SUCCESS);
    ASSERT_EQ(stream.evaluateCondition(&isTrue), VX_SUCCESS);
    EXPECT_FALSE(isTrue);
    b.reset();
    ASSERT_TRUE(f.build("2 1 >", &b));
    ASSERT_EQ(stream.compile(b), VX_SUCCESS);
    ASSERT_EQ(stream.evaluateCondition(&isTrue), VX_SUCCESS);
    EXPECT_TRUE(isTrue);
    b.reset();
    ASSERT_TRUE(f.build("d'2000-01-01' 0.5 +", &b));
    ASSERT_EQ(stream.compile(b), VX_SUCCESS);
    double value = 0;
    bool isNull = true;
    ASSERT_EQ(stream.evaluateDouble(&value, &isNull), VX_SUCCESS);
    EXPECT_FALSE(isNull);
    EXPECT_EQ(value, 2451545.5);
    EXPECT_EQ(stream.getResultType(), 9); // date + number stays a date
}

TEST(FlatMessages, TextsAndStates) {
    char text[512];
    flatLoadString(3946, text, sizeof text);
    EXPECT_STREQ(text, "Stack overflow in expression evaluator.  Query aborted!");
    flatLoadString(3945, text, sizeof text);
    EXPECT_STREQ(text, "String results cannot be greater than 1024 characters.  Query aborted!");
    EXPECT_EQ(flatLoadString(3801, text, sizeof text), 0u);
    EXPECT_EQ(flatMessageOdbcId(3903), ODBC_S0022);
    EXPECT_EQ(flatMessageOdbcId(3920), ODBC_37000);
    EXPECT_EQ(flatMessageOdbcId(4000), ODBC_07001);
    EXPECT_EQ(flatMessageOdbcId(4018), ODBC_S1000);

    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    addFlatSyntaxError(3920) << "FOO";
    addFlatError(3903) << "colx";
    addFlatWarning(4048);
    VxError* first = list.getErrorAtPos(0);
    EXPECT_STREQ(first->getErrorText(), "Unknown Function: FOO");
    EXPECT_EQ(first->getSqlStateId(), ODBC_37000);
    EXPECT_EQ(first->getNativeError(), 3920);
    EXPECT_EQ(list.getErrorAtPos(1)->getSqlStateId(), ODBC_S0022);
    EXPECT_TRUE(list.getErrorAtPos(2)->isWarning());
}

TEST(FlatFunctionTable, EntriesAgreeWithTheirOps) {
    ASSERT_EQ(flatFunctionCount(), 37u);
    EXPECT_STREQ(flatGetFunction(0)->name, "RTRIM");
    EXPECT_EQ(flatGetFunction(37), nullptr);
    const FlatFunctionEntry* substr = flatFindFunction("substr", 6);
    ASSERT_NE(substr, nullptr);
    EXPECT_EQ(flatRequiredArguments(*substr), 2u);
    EXPECT_EQ(flatTotalArguments(*substr), 3u);
    EXPECT_EQ(flatArgumentLetter(*substr, 2), 'N');
    EXPECT_EQ(flatArgumentLetter(*substr, 3), 0);
    EXPECT_EQ(flatFindFunction("SUBST", 5), nullptr);
    EXPECT_EQ(flatFindFunction("today", 5)->opcode, FLAT_OP_INVALID);
    EXPECT_TRUE(flatTypeFitsLetter('C', 92));
    EXPECT_TRUE(flatTypeFitsLetter('C', 1));
    EXPECT_FALSE(flatTypeFitsLetter('C', 8));
    EXPECT_TRUE(flatTypeFitsLetter('N', 91));
    EXPECT_TRUE(flatTypeFitsLetter('D', 11));
    EXPECT_FALSE(flatTypeFitsLetter('D', 8));
    EXPECT_FALSE(flatTypeFitsLetter('L', 8));
    EXPECT_TRUE(flatTypeFitsLetter('A', -3));
    for (std::size_t i = 0; i < flatFunctionCount(); ++i) {
        const FlatFunctionEntry& entry = *flatGetFunction(i);
        if (entry.opcode == FLAT_OP_INVALID) {
            EXPECT_EQ(flatTotalArguments(entry), 0u) << entry.name;
            continue;
        }
        int args = flatOpArgCount(entry.opcode);
        if (args == FLAT_ARGS_FROM_BYTE)
            EXPECT_NE(flatRequiredArguments(entry), flatTotalArguments(entry)) << entry.name;
        else
            EXPECT_EQ(static_cast<unsigned>(args), flatTotalArguments(entry)) << entry.name;
    }
}

TEST(FlatDataValueTest, Ownership) {
    FlatDataValue value;
    EXPECT_FALSE(value.isNull());
    EXPECT_EQ(value.getStorageType(), FLAT_STORAGE_UNSET);
    EXPECT_EQ(value.getValueBuffer(), nullptr);
    ASSERT_EQ(value.setValueCopy("abcdef", 6, INTERNAL_CHAR), VX_SUCCESS);
    const void* owned = value.getValueBuffer();
    EXPECT_TRUE(value.ownsBuffer());
    ASSERT_EQ(value.setValueCopy("xyz", 3, INTERNAL_CHAR), VX_SUCCESS);
    EXPECT_EQ(value.getValueBuffer(), owned); // reused
    EXPECT_EQ(std::memcmp(value.getValueBuffer(), "xyz", 3), 0);
    value.setNull();
    EXPECT_TRUE(value.isNull());
    static const char borrowed[] = "borrowed";
    value.setValueBuffer(borrowed, 0); // frees the owned copy
    EXPECT_FALSE(value.isNull());
    EXPECT_FALSE(value.ownsBuffer());
    ASSERT_EQ(value.setValueCopy("a longer text than before", 25, INTERNAL_CHAR), VX_SUCCESS);
    EXPECT_NE(value.getValueBuffer(), static_cast<const void*>(borrowed));
    value.setValueBuffer(value.getValueBuffer(), 1); // same buffer: kept
    EXPECT_TRUE(value.ownsBuffer());
    EXPECT_EQ(std::memcmp(value.getValueBuffer(), "a longer", 8), 0);
    value.clear();
    EXPECT_EQ(value.getValueBuffer(), nullptr);
    EXPECT_EQ(value.getStorageType(), FLAT_STORAGE_UNSET);
}

} // namespace

// A stream of one field and a field compared with a number read the field
// once and give what the whole evaluation gives: text keeps its bytes and
// type, digits become the nearest double (past 15 significant digits by
// the general conversion), NULL stays NULL, numeric text is parsed.
TEST(FlatOpStreamEvaluate, LoneFieldsAndNumberComparisonsReadTheFieldOnce) {
    auto digits = [](const char* text, short scale, unsigned char negative) {
        InternalDigitsHeader header{static_cast<int>(std::strlen(text)), scale, negative, 0};
        FakeValue value;
        value.storage = INTERNAL_DIGITS;
        value.bytes = std::string(reinterpret_cast<const char*>(&header), sizeof header) + text;
        value.sqlType = SQL_NUMERIC;
        return value;
    };
    const struct {
        FakeValue value;
        const char* alone;
        short type;
        const char* above100;
    } cases[] = {
        {FakeValue::text("ab  "), "S:ab  ", FLAT_TYPE_VARCHAR, "E:22005"},
        {FakeValue::text("ab", SQL_CHAR), "S:ab", FLAT_TYPE_CHAR, "E:22005"},
        {FakeValue::text("250.5", SQL_NUMERIC), "N:250.5", FLAT_TYPE_DOUBLE, "B:1"},
        {FakeValue::nullOf(SQL_NUMERIC), "NULL", FLAT_TYPE_ANY, "NULL"},
        {digits("0012345", 2, 0), "N:123.45", FLAT_TYPE_DOUBLE, "B:1"},
        {digits("0012345", 2, 1), "N:-123.45", FLAT_TYPE_DOUBLE, "B:0"},
        {digits("000", 0, 0), "N:0", FLAT_TYPE_DOUBLE, "B:0"},
        {digits("12345678901234567", 0, 0), "N:1.23456789012346e+16", FLAT_TYPE_DOUBLE, "B:1"},
        {FakeValue::number(99.5), "N:99.5", FLAT_TYPE_DOUBLE, "B:0"},
        {digits("10000", 2, 0), "N:100", FLAT_TYPE_DOUBLE, "B:0"},
    };
    for (const auto& c : cases) {
        ExprFixture f;
        f.rows.define("x", c.value);
        const EvalOutcome alone = f.run("$x");
        EXPECT_TRUE(outcomeMatches(alone, c.alone)) << c.alone << " got " << alone.describe();
        if (alone.ok) {
            EXPECT_EQ(alone.type, c.type) << c.alone;
        }
        EXPECT_EQ(f.rows.fetches, 1) << c.alone;
        f.rows.fetches = 0;
        const EvalOutcome above = f.run("$x 100 >");
        EXPECT_TRUE(outcomeMatches(above, c.above100)) << c.alone << " got " << above.describe();
        EXPECT_EQ(f.rows.fetches, 1) << c.alone;
        EXPECT_EQ(f.info.getStackTop(), 0u) << c.alone;
        // As a condition, each comparison holds where its value is true.
        for (const char* op : {">", ">=", "<", "<=", "=", "<>"}) {
            const std::string notation = std::string("$x 100 ") + op;
            const EvalOutcome value = f.run(notation);
            FlatOpStreamBuilder builder;
            ASSERT_TRUE(f.build(notation, &builder));
            FlatOpStream stream(&f.info);
            ASSERT_EQ(stream.compile(builder), VX_SUCCESS);
            f.rows.fetches = 0;
            bool isTrue = false;
            EXPECT_EQ(stream.evaluateCondition(&isTrue) == VX_SUCCESS, value.ok) << notation;
            EXPECT_EQ(isTrue, value.ok && value.describe() == "B:1")
                << c.alone << " " << op << " " << value.describe();
            EXPECT_EQ(f.rows.fetches, 1) << c.alone << " " << op;
            EXPECT_EQ(f.info.getStackTop(), 0u) << c.alone << " " << op;
        }
    }
}
