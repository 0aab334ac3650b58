// Escape processing: the case tables (EscapeCases.def, OuterJoinCases.def),
// what a host receives, argument copying and the {?=call} modes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PrepareTestSupport.h"
#include "base/BaseDefaultEscapeHost.h"
#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "util/VxReplaceString.h"

namespace {

struct EscapeCase {
    const char* input;
    const char* expected;
    std::uint32_t markers;
    unsigned short message;
};

const EscapeCase ESCAPE_CASES[] = {
#define ESCAPE_OK(input, expected, markers) {input, expected, markers, 0},
#define ESCAPE_FAIL(input, message) {input, nullptr, 0, message},
#include "EscapeCases.def"
#undef ESCAPE_OK
#undef ESCAPE_FAIL
};

TEST(BaseEscapeProcessor, CaseTable) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    for (const EscapeCase& c : ESCAPE_CASES) {
        EscapeOutcome outcome = runEscapes(c.input, host, options);
        if (c.message == 0) {
            EXPECT_TRUE(outcome.ok) << c.input << " -> message " << outcome.message;
            EXPECT_EQ(c.expected, outcome.text) << c.input;
            EXPECT_EQ(c.markers, outcome.markers) << c.input;
            EXPECT_EQ(0, outcome.message) << c.input;
        } else {
            EXPECT_FALSE(outcome.ok) << c.input;
            EXPECT_EQ(c.message, outcome.message) << c.input;
            EXPECT_EQ(ODBC_37000, outcome.sqlStateId) << c.input;
        }
    }
}

TEST(BaseEscapeProcessor, MessagesNameWhatIsWrong) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    EXPECT_EQ("Unrecognized function escape: NoSuch.",
              runEscapes("{fn NoSuch(1)}", host, options).messageText);
    EXPECT_EQ("Invalid date escape.  Correct syntax is {d 'yyyy-mm-dd'}.",
              runEscapes("{d '95-7-4'}", host, options).messageText);
    EXPECT_EQ("Escape clause beginning with --*( or { was not properly ended with *)-- or }.",
              runEscapes("{d '1995-07-04'", host, options).messageText);
}

enum { OJ_FULL = 1, OJ_FIRST = 2, OJ_LIMIT = 4 };

struct OuterJoinCase {
    int style;
    int options;
    const char* input;
    const char* expected;
    unsigned short message;
};

const OuterJoinCase OUTER_JOIN_CASES[] = {
#define OUTER_JOIN(style, options, input, expected, message)                                       \
    {style, options, input, expected, message},
#include "OuterJoinCases.def"
#undef OUTER_JOIN
};

TEST(BaseOuterJoinEscape, CaseTable) {
    for (const OuterJoinCase& c : OUTER_JOIN_CASES) {
        BaseEscapeOptions options;
        options.fullOuterJoins = (c.options & OJ_FULL) != 0;
        options.firstOuterJoinOnly = (c.options & OJ_FIRST) != 0;
        options.clauseKeywords = (c.options & OJ_LIMIT) ? "LIMIT\0" : nullptr;
        BaseDefaultEscapeHost host(options, c.style);
        EscapeOutcome outcome = runEscapes(c.input, host, options);
        if (c.message == 0) {
            EXPECT_TRUE(outcome.ok) << c.input << " -> message " << outcome.message;
            EXPECT_EQ(c.expected, outcome.text) << "style " << c.style << ": " << c.input;
        } else {
            EXPECT_FALSE(outcome.ok) << c.input;
            EXPECT_EQ(c.message, outcome.message) << c.input;
            EXPECT_EQ(ODBC_37000, outcome.sqlStateId) << c.input;
        }
    }
}

// Records what the framework hands over, and keeps the arguments.
class RecordingHost : public BaseEscapeHost {
public:
    struct Call {
        EscapeType type;
        EscapeFunctionType function;
        std::string arguments;
        std::string output; // what the output held before the host wrote
    };
    std::vector<Call> calls;
    bool fail = false;

    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override {
        calls.push_back({type, function, std::string(text->data(), argLength),
                         std::string(text->getOutput(), text->getOutputLength())});
        if (!fail)
            return VX_SUCCESS;
        addOdbcError(ODBC_37000, 6022);
        return VX_ERROR;
    }
};

TEST(BaseEscapeProcessor, HostReceivesArgumentsBehindABlank) {
    BaseEscapeOptions options;
    RecordingHost host;
    EscapeOutcome outcome = runEscapes(
        "SELECT {fn LEFT (a, 2) }, {ts '1995-07-04 10:00:00.5' }, {b ''}, {oj a LEFT OUTER JOIN "
        "b ON a.x=b.y}, --*(vendor(Microsoft),product(ODBC) call p(?))*--",
        host, options);
    ASSERT_TRUE(outcome.ok);
    ASSERT_EQ(5u, host.calls.size());
    EXPECT_EQ(ESCAPE_FUNCTION, host.calls[0].type);
    EXPECT_EQ(ESCAPE_FN_LEFT, host.calls[0].function);
    EXPECT_EQ(" (a, 2)", host.calls[0].arguments);
    EXPECT_EQ("SELECT  ", host.calls[0].output);
    EXPECT_EQ(ESCAPE_TIMESTAMP, host.calls[1].type);
    EXPECT_EQ("1995-07-04 10:00:00.5", host.calls[1].arguments);
    EXPECT_EQ(ESCAPE_BINARY, host.calls[2].type);
    EXPECT_EQ("", host.calls[2].arguments);
    EXPECT_EQ(ESCAPE_OUTER_JOIN, host.calls[3].type);
    EXPECT_EQ("a LEFT OUTER JOIN b ON a.x=b.y", host.calls[3].arguments);
    EXPECT_EQ(ESCAPE_CALL, host.calls[4].type);
    EXPECT_EQ("p(?)", host.calls[4].arguments);
    // A host that reads nothing leaves the arguments as written.
    EXPECT_EQ("SELECT   (a, 2),  1995-07-04 10:00:00.5,  ,  a LEFT OUTER JOIN b ON a.x=b.y,  "
              "p(?)",
              outcome.text);
    EXPECT_EQ(1u, outcome.markers);
}

TEST(BaseEscapeProcessor, ReturnValueCallModes) {
    BaseEscapeOptions options;
    RecordingHost host;
    EscapeOutcome framework = runEscapes("{?=call p(?)}", host, options);
    ASSERT_TRUE(framework.ok);
    EXPECT_TRUE(framework.returnValueCall);
    EXPECT_EQ(ESCAPE_CALL, host.calls.back().type);
    EXPECT_EQ("p(?)", host.calls.back().arguments);
    EXPECT_EQ(1u, framework.markers); // the return value is not a marker

    EscapeOutcome native = runEscapes("{ ? = call p(?)}", host, options, true);
    ASSERT_TRUE(native.ok);
    EXPECT_FALSE(native.returnValueCall);
    EXPECT_EQ(ESCAPE_CALL_RETURN, host.calls.back().type);

    options.driverHandlesReturnValue = true;
    BaseDefaultEscapeHost canonical(options);
    EscapeOutcome driver = runEscapes("{?=CALL p(?)}", canonical, options);
    ASSERT_TRUE(driver.ok);
    EXPECT_FALSE(driver.returnValueCall);
    EXPECT_EQ(" ? = CALL p(?)", driver.text);
    EXPECT_EQ(2u, driver.markers);
}

TEST(BaseEscapeProcessor, HostFailureFailsTheText) {
    BaseEscapeOptions options;
    RecordingHost host;
    host.fail = true;
    EscapeOutcome outcome = runEscapes("SELECT {fn PI()} FROM t", host, options);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(6022, outcome.message);
}

TEST(BaseEscapeProcessor, BorrowedTextIsCopiedOnlyWhenRewritten) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    const char plain[] = "SELECT a FROM t WHERE b = '{d x}'";
    BaseSqlString sql(plain, SQL_NTS);
    BaseEscapeProcessor processor(host, options);
    ASSERT_EQ(VX_SUCCESS, processor.process(sql));
    EXPECT_FALSE(sql.isOwned());
    EXPECT_EQ(plain, sql.data());

    char buffer[] = "SELECT {fn PI()} FROM t";
    ASSERT_EQ(VX_SUCCESS, sql.setText(buffer, 16)); // "SELECT {fn PI()}"
    ASSERT_EQ(VX_SUCCESS, processor.process(sql));
    EXPECT_TRUE(sql.isOwned());
    EXPECT_EQ("SELECT  PI()", std::string(sql.data(), sql.length()));
    EXPECT_STREQ("SELECT {fn PI()} FROM t", buffer);
}

TEST(BaseEscapeProcessor, LiteralsForSubstitutedValues) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost canonical(options);
    BaseEscapeProcessor processor(canonical, options);
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    VxString out;
    ASSERT_EQ(VX_SUCCESS, processor.expandLiteral(ESCAPE_DATE, "1995-07-04", 10, out));
    EXPECT_STREQ("'1995-07-04'", out.getText());
    ASSERT_EQ(VX_SUCCESS, processor.expandLiteral(ESCAPE_BINARY, "0AFF", 4, out));
    EXPECT_STREQ("X'0AFF'", out.getText());
    ASSERT_EQ(VX_SUCCESS, processor.expandLiteral(ESCAPE_BIT, "1", 1, out));
    EXPECT_STREQ("1", out.getText());

    RecordingHost recording;
    BaseEscapeHostAdapter<RecordingHost> adapter(recording);
    BaseEscapeProcessor through(adapter, options);
    ASSERT_EQ(VX_SUCCESS, through.expandLiteral(ESCAPE_TIME, "10:00:00", 8, out));
    EXPECT_STREQ("10:00:00", out.getText());
    ASSERT_EQ(1u, recording.calls.size());
    EXPECT_EQ(ESCAPE_TIME, recording.calls[0].type);
    recording.fail = true;
    EXPECT_EQ(VX_ERROR, through.expandLiteral(ESCAPE_TIME, "10:00:00", 8, out));
    EXPECT_EQ(6022, list.getLastError()->getNumber());
}

TEST(BaseEscapeProcessor, DeepNestingFailsCleanly) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    std::string deep(300, '{');
    deep += "fn PI()";
    deep += std::string(300, '}');
    EscapeOutcome outcome = runEscapes(deep.c_str(), host, options);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(6005, outcome.message);

    std::string nested = "{fn PI()}";
    for (int i = 0; i < 100; ++i)
        nested = "{fn ABS(" + nested + ")}";
    outcome = runEscapes(nested.c_str(), host, options);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(std::string::npos, outcome.text.find('{'));
}

// A host that rewrites functions the way a server dialect needs,
// through copyEscapeArgument.
class FunctionHost : public BaseEscapeHost {
public:
    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override {
        unsigned long left = argLength;
        if (type != ESCAPE_FUNCTION)
            return VX_SUCCESS;
        switch (function) {
        case ESCAPE_FN_LEFT: // SUBSTRING(s,1,n)
            return text->addBytes("SUBSTRING") != VX_SUCCESS ||
                           copyEscapeArgument(text, &left, 1, ESCAPE_ARG_OPEN_PAREN) ||
                           text->addBytes(",1") ||
                           copyEscapeArgument(text, &left, 1,
                                              ESCAPE_ARG_COMMA | ESCAPE_ARG_CLOSE_PAREN |
                                                  ESCAPE_ARG_LAST) ||
                           left != 0
                       ? VX_ERROR
                       : VX_SUCCESS;
        case ESCAPE_FN_CONCAT: // (a)+(b)
            return copyEscapeArgument(text, &left, 1, ESCAPE_ARG_PARENTHESIZE) ||
                           text->addBytes("+") ||
                           copyEscapeArgument(text, &left, 1,
                                              ESCAPE_ARG_PARENTHESIZE | ESCAPE_ARG_LAST)
                       ? VX_ERROR
                       : VX_SUCCESS;
        case ESCAPE_FN_MOD: // a%b
            return copyEscapeArgument(text, &left, 1, 0) || text->addBytes("%") ||
                           copyEscapeArgument(text, &left, 1, ESCAPE_ARG_LAST)
                       ? VX_ERROR
                       : VX_SUCCESS;
        case ESCAPE_FN_PI: // PI(), no argument allowed
            return text->addBytes("PI()") || copyEscapeArgument(text, &left, 0, ESCAPE_ARG_LAST)
                       ? VX_ERROR
                       : VX_SUCCESS;
        case ESCAPE_FN_CONVERT: // CONVERT(type,value)
            return text->addBytes("CONVERT") ||
                           copyEscapeArgument(text, &left, 2,
                                              ESCAPE_ARG_OPEN_PAREN | ESCAPE_ARG_KEEP_SOURCE) ||
                           copyEscapeArgument(text, &left, 1,
                                              ESCAPE_ARG_COMMA | ESCAPE_ARG_CLOSE_PAREN) ||
                           copyEscapeArgument(text, &left, 1, ESCAPE_ARG_NO_COPY | ESCAPE_ARG_LAST)
                       ? VX_ERROR
                       : VX_SUCCESS;
        case ESCAPE_FN_IFNULL: { // IIF(a IS NOT NULL,a,b)
            VxSubString second;
            if (findEscapeArgument(text, left, 2, second) != VX_SUCCESS)
                return VX_ERROR;
            std::string b(second.data(), second.length());
            return text->addBytes("IIF") ||
                           copyEscapeArgument(text, &left, 1,
                                              ESCAPE_ARG_OPEN_PAREN | ESCAPE_ARG_KEEP_SOURCE) ||
                           text->addBytes(" IS NOT NULL") ||
                           copyEscapeArgument(text, &left, 1, ESCAPE_ARG_COMMA) ||
                           text->addBytes(",") || text->addBytes(b.c_str()) ||
                           copyEscapeArgument(text, &left, 1,
                                              ESCAPE_ARG_NO_COPY | ESCAPE_ARG_CLOSE_PAREN |
                                                  ESCAPE_ARG_LAST)
                       ? VX_ERROR
                       : VX_SUCCESS;
        }
        default:
            return text->addBytes(baseEscapeFunctionName(function));
        }
    }
};

struct ArgumentCase {
    const char* input;
    const char* expected; // null: fails with `message`
    unsigned short message;
};

const ArgumentCase ARGUMENT_CASES[] = {
    {"{fn LEFT(name, 3)}", " SUBSTRING(name,1,3)", 0},
    {"{fn LEFT( f(a, b) , 2 )}", " SUBSTRING(f(a, b),1,2)", 0},
    {"{fn LEFT('a,b', 2)}", " SUBSTRING('a,b',1,2)", 0},
    {"{fn CONCAT(a, {fn UCASE(b)})}", " (a)+( UCASE(b))", 0},
    {"{fn CONCAT({fn LEFT(a, 1)}, b)}", " ( SUBSTRING(a,1,1))+(b)", 0},
    {"{fn MOD(7, 3)}", " 7%3", 0},
    {"{fn PI()}", " PI()", 0},
    {"{fn PI( ) }", " PI()", 0},
    {"{fn CONVERT(x, SQL_CHAR)}", " CONVERT(SQL_CHAR,x)", 0},
    {"{fn IFNULL(a, 'x,y')}", " IIF(a IS NOT NULL,a,'x,y')", 0},
    {"{fn LEFT(name)}", nullptr, 6040},
    {"{fn LEFT()}", nullptr, 6040},
    {"{fn LEFT}", nullptr, 6040},
    {"{fn MOD(7)}", nullptr, 6040},
    {"{fn LEFT(name, 3, 4)}", nullptr, 6041},
    {"{fn LEFT(name, 3) x}", nullptr, 6041},
    {"{fn LEFT((s, 1)}", nullptr, 6041},
    {"{fn PI(1)}", nullptr, 6041},
    {"{fn LEFT name, 3}", nullptr, 6041},
};

TEST(BaseEscapeArgument, CopiesAndMovesArguments) {
    BaseEscapeOptions options;
    FunctionHost host;
    for (const ArgumentCase& c : ARGUMENT_CASES) {
        EscapeOutcome outcome = runEscapes(c.input, host, options);
        if (c.expected) {
            EXPECT_TRUE(outcome.ok) << c.input << " -> message " << outcome.message;
            EXPECT_EQ(c.expected, outcome.text) << c.input;
        } else {
            EXPECT_FALSE(outcome.ok) << c.input;
            EXPECT_EQ(c.message, outcome.message) << c.input;
            EXPECT_EQ(ODBC_37000, outcome.sqlStateId) << c.input;
        }
    }
}

TEST(BaseEscapeTypes, FunctionTable) {
    EXPECT_STREQ("ASCII", baseEscapeFunctionName(ESCAPE_FN_ASCII));
    EXPECT_EQ(1, ESCAPE_FN_ASCII);
    EXPECT_EQ(42, ESCAPE_FN_TRUNCATE);
    EXPECT_EQ(65, ESCAPE_FN_JULIAN_DAY);
    EXPECT_EQ(nullptr, baseEscapeFunctionName(ESCAPE_FN_NONE));
    EXPECT_EQ(nullptr, baseEscapeFunctionName(static_cast<EscapeFunctionType>(66)));
    for (int n = 1; n <= ESCAPE_FN_COUNT; ++n) {
        const char* name = baseEscapeFunctionName(static_cast<EscapeFunctionType>(n));
        ASSERT_NE(nullptr, name);
        EXPECT_EQ(n, baseFindEscapeFunction(name, std::strlen(name))) << name;
    }
    EXPECT_EQ(ESCAPE_FN_LOG10, baseFindEscapeFunction("log10", 5));
    EXPECT_EQ(ESCAPE_FN_LOG, baseFindEscapeFunction("LOG10", 3));
    EXPECT_EQ(ESCAPE_FN_NONE, baseFindEscapeFunction("LOG1", 4));
}

TEST(BaseEscapeTypes, OptionsFromConnection) {
    BaseEscapeOptions none = BaseEscapeOptions::fromConnection(0, 0);
    EXPECT_FALSE(none.driverHandlesReturnValue || none.fullOuterJoins || none.firstOuterJoinOnly);
    BaseEscapeOptions all = BaseEscapeOptions::fromConnection(1u << 19 | 1u << 23, 1u << 18);
    EXPECT_TRUE(all.driverHandlesReturnValue && all.fullOuterJoins && all.firstOuterJoinOnly);
}

} // namespace
