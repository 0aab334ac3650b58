// Escape processing on random and adversarial texts: braces, long-form
// delimiters, quotes, keywords, function names, commas and parentheses in
// random mixes, very long and deeply nested texts. Nothing may crash; a
// failure leaves an error record with a SQLSTATE; a success leaves a text
// without escapes that processes again to itself.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "PrepareTestSupport.h"
#include "base/BaseDefaultEscapeHost.h"
#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "util/VxReplaceString.h"
#include "util/VxString.h"

namespace {

// clang-format off
const char* const PIECES[] = {
    "{", "}", "--*(", "*)--", ")*--", "vendor(Microsoft),product(ODBC) ", "'", "\"", "`", "''",
    "d ", "t ", "ts ", "b ", "l ", "fn ", "oj ", "escape ", "call ", "?=call ", "? = ", "?", "=",
    "D", "FN", "CALL", "UCASE", "LEFT", "CONCAT", "MOD", "PI", "CONVERT", "IFNULL", "NOSUCH",
    "LOG10", ",", "(", ")", " ", "\t", "\n", "'1995-07-04'", "'10:00:00'",
    "'1995-07-04 10:00:00.5'", "'AB'", "1", "x", "SELECT ", " FROM t ", " WHERE ", "a.x = b.y",
    " LEFT OUTER JOIN ", " RIGHT OUTER JOIN ", " FULL OUTER JOIN ", " ON ", " OR ", " AND ",
    " GROUP BY ", " ORDER BY ", " UNION ", " FOR UPDATE", " LIMIT ", "-", "*", "--", "\\",
};
// clang-format on

std::string randomText(std::mt19937& random, std::size_t maxPieces) {
    std::string text;
    std::size_t count = random() % (maxPieces + 1);
    for (std::size_t i = 0; i < count; ++i)
        text += PIECES[random() % (sizeof PIECES / sizeof PIECES[0])];
    return text;
}

// A clause of random keyword and arguments, closed by its own delimiter
// most of the time; arguments may hold clauses `depth` deep.
std::string randomClause(std::mt19937& random, int depth) {
    // clang-format off
    static const char* const KEYWORDS[] = {
        "d", "t", "ts", "b", "l", "fn", "oj", "escape", "call", "?=call", "? = call", "D", "Fn",
        "x", "",
    };
    static const char* const ARGUMENTS[] = {
        "'1995-07-04'", "'10:00:00'", "'1995-07-04 10:00:00.5'", "'AB'", "1", "UCASE(x)",
        "LEFT(a, 2)", "PI()", "CONCAT(a, b)", "MOD(1)", "NOSUCH(1)", "p(?, ?)", "'#'", "(", ")",
        ",", "'", "?", "", "a LEFT OUTER JOIN b ON a.x = b.y", "'{'", "'}'",
    };
    static const char* const CLOSES[] = {"}", "*)--", ")*--", "", "}}"};
    // clang-format on
    bool longForm = random() % 4 == 0;
    std::string text = longForm ? "--*(vendor(Microsoft),product(ODBC) " : "{";
    text += KEYWORDS[random() % (sizeof KEYWORDS / sizeof *KEYWORDS)];
    text += " ";
    std::size_t count = random() % 4;
    for (std::size_t a = 0; a < count; ++a) {
        if (depth > 0 && random() % 3 == 0)
            text += randomClause(random, depth - 1);
        else
            text += ARGUMENTS[random() % (sizeof ARGUMENTS / sizeof *ARGUMENTS)];
    }
    if (random() % 8 != 0)
        return text + (longForm ? (random() % 2 ? "*)--" : ")*--") : "}");
    return text + CLOSES[random() % (sizeof CLOSES / sizeof *CLOSES)];
}

// A text of valid escapes, nested `depth` deep inside function arguments.
std::string nestedEscape(std::mt19937& random, int depth) {
    if (depth == 0) {
        switch (random() % 4) {
        case 0:
            return "{d '1995-07-04'}";
        case 1:
            return "--*(vendor(Microsoft),product(ODBC) fn PI())*--";
        case 2:
            return "'lit{eral'";
        default:
            return "col";
        }
    }
    std::string inner = nestedEscape(random, depth - 1);
    switch (random() % 3) {
    case 0:
        return "{fn UCASE(" + inner + ")}";
    case 1:
        return "{fn CONCAT(" + inner + ", " + nestedEscape(random, depth - 1) + ")}";
    default:
        return "--*(vendor(Microsoft),product(ODBC) fn LEFT(" + inner + ", 2))*--";
    }
}

// Rewrites functions through the argument helpers with flags taken from
// the function number, so that every combination meets random argument
// lists.
class ArgumentHost : public BaseEscapeHost {
public:
    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override {
        if (type == ESCAPE_OUTER_JOIN)
            return processOuterJoinEscape(text, argLength,
                                          static_cast<BaseOuterJoinTypes>(function % 4), options);
        if (type != ESCAPE_FUNCTION)
            return VX_SUCCESS;
        unsigned long left = argLength;
        unsigned flags = static_cast<unsigned>(function) * 37u % 128u;
        unsigned argument = static_cast<unsigned>(function) % 4u;
        VxSubString found;
        if (function % 5 == 0 && findEscapeArgument(text, left, argument + 1, found) != VX_SUCCESS)
            return VX_ERROR;
        if (text->addBytes(baseEscapeFunctionName(function)) != VX_SUCCESS ||
            copyEscapeArgument(text, &left, argument, flags) != VX_SUCCESS)
            return VX_ERROR;
        if (left > argLength)
            ADD_FAILURE() << "remaining grew from " << argLength << " to " << left;
        return copyEscapeArgument(text, &left, 1, ESCAPE_ARG_LAST | ESCAPE_ARG_CLOSE_PAREN);
    }
    BaseEscapeOptions options;
};

// The "?" outside literals of a text.
std::uint32_t countMarkers(const std::string& text) {
    std::uint32_t count = 0;
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '\'' || c == '"' || c == '`') {
            std::size_t close = text.find(c, pos + 1);
            if (close == std::string::npos)
                break;
            pos = close;
        } else if (c == '?') {
            ++count;
        }
    }
    return count;
}

// Whether a text holds "{" or "--*(" outside literals.
bool holdsOpening(const std::string& text) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '\'' || c == '"' || c == '`') {
            std::size_t close = text.find(c, pos + 1);
            if (close == std::string::npos)
                return false;
            pos = close;
        } else if (c == '{' || text.compare(pos, 4, "--*(") == 0) {
            return true;
        }
    }
    return false;
}

// The start of a text, for messages.
std::string shown(const std::string& text) {
    return text.size() <= 120 ? text
                              : text.substr(0, 120) + "...(" + std::to_string(text.size()) + ")";
}

struct EscapeFuzz : ::testing::Test {
    std::mt19937 random{20261207};

    // Runs `text` and checks the outcome's invariants; returns it.
    EscapeOutcome check(const std::string& text, BaseEscapeHost& host,
                        const BaseEscapeOptions& options, bool nativeMode = false) {
        EscapeOutcome outcome = runEscapes(text.c_str(), host, options, nativeMode);
        if (!outcome.ok) {
            EXPECT_NE(0, outcome.message) << "failure without a record: " << shown(text);
            // Records of the foundation (string limits) carry no SQLSTATE of
            // their own; they are reported as S1000.
            if (outcome.message >= 6000) {
                EXPECT_NE(0, outcome.sqlStateId) << "record without a SQLSTATE: " << shown(text);
            }
        } else {
            EXPECT_EQ(0, outcome.message) << "success with a record: " << shown(text);
        }
        return outcome;
    }
};

TEST_F(EscapeFuzz, RandomPiecesFailWithARecordOrExpandStably) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    for (int i = 0; i < 4000; ++i) {
        std::string text = randomText(random, 24);
        EscapeOutcome first = check(text, host, options, i % 7 == 0);
        if (!first.ok || i % 7 == 0)
            continue;
        // What expanded has no escape left: a second pass changes nothing.
        EscapeOutcome second = check(first.text, host, options);
        EXPECT_TRUE(second.ok) << text << " -> " << first.text;
        EXPECT_EQ(first.text, second.text) << text;
        if (!first.returnValueCall) {
            EXPECT_EQ(countMarkers(first.text), first.markers) << text << " -> " << first.text;
        }
    }
}

TEST_F(EscapeFuzz, GeneratedClausesFailWithARecordOrExpandStably) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    int expanded = 0;
    for (int i = 0; i < 4000; ++i) {
        std::string text = "SELECT ";
        std::size_t count = 1 + random() % 3;
        for (std::size_t c = 0; c < count; ++c)
            text += randomClause(random, 3) + (random() % 2 ? ", " : " FROM t WHERE a = ? ");
        EscapeOutcome first = check(text, host, options, i % 7 == 0);
        if (!first.ok || i % 7 == 0)
            continue;
        expanded += first.text != text;
        if (!first.returnValueCall) {
            EXPECT_EQ(countMarkers(first.text), first.markers) << text << " -> " << first.text;
        }
        // A "{" that opened no escape may, once an escape inside it is
        // expanded, open one: only texts without openings left are stable.
        if (holdsOpening(first.text))
            continue;
        EscapeOutcome second = check(first.text, host, options);
        EXPECT_TRUE(second.ok) << text << " -> " << first.text;
        EXPECT_EQ(first.text, second.text) << text;
    }
    EXPECT_GT(expanded, 200); // enough texts get past the checks
}

TEST_F(EscapeFuzz, OuterJoinStylesAndOptions) {
    for (int i = 0; i < 3000; ++i) {
        BaseEscapeOptions options;
        options.fullOuterJoins = i % 2 != 0;
        options.firstOuterJoinOnly = i % 3 == 0;
        options.driverHandlesReturnValue = i % 5 == 0;
        options.clauseKeywords = i % 4 == 0 ? "LIMIT\0" : nullptr;
        BaseDefaultEscapeHost host(options, i % 4);
        std::string text =
            randomText(random, 8) + "{oj " + randomText(random, 12) + "}" + randomText(random, 8);
        check(text, host, options);
    }
}

TEST_F(EscapeFuzz, ArgumentHelpersOnRandomArgumentLists) {
    ArgumentHost host;
    for (int i = 0; i < 4000; ++i) {
        std::string text = "{fn " +
                           std::string(baseEscapeFunctionName(
                               static_cast<EscapeFunctionType>(1 + random() % ESCAPE_FN_COUNT))) +
                           (random() % 2 ? randomText(random, 10) : randomClause(random, 2)) + "}" +
                           randomText(random, 6);
        check(text, host, host.options);
    }
}

TEST_F(EscapeFuzz, DeepAndLongTexts) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    for (int i = 0; i < 40; ++i) {
        std::string text = nestedEscape(random, 1 + static_cast<int>(random() % 12));
        EscapeOutcome outcome = check(text, host, options);
        EXPECT_TRUE(outcome.ok) << text;
        EXPECT_EQ(std::string::npos, outcome.text.find("fn ")) << text;
    }
    // Openings without ends, at and beyond the nesting limit, in both forms.
    for (int depth : {255, 256, 257, 1000, 5000}) {
        check(std::string(depth, '{'), host, options);
        check(std::string(depth, '{') + std::string(depth, '}'), host, options);
        std::string longForm;
        for (int d = 0; d < depth; ++d)
            longForm += "--*(";
        check(longForm, host, options);
        for (int d = 0; d < depth; ++d)
            longForm += "*)--";
        check(longForm, host, options);
    }
    // Near and beyond the longest text a string can hold.
    for (std::size_t length : {65500u, 65535u, 65536u, 70000u}) {
        std::string text = "{fn PI()}" + std::string(length, 'x');
        check(text, host, options);
        std::string quoted = "'" + std::string(length, '{');
        check(quoted, host, options);
        std::string many;
        while (many.size() < length)
            many += "{d '1995-07-04'}";
        check(many, host, options);
    }
}

// Scanning and rewriting statement texts: marker positions always name a
// "?" of the text, whatever is cut or replaced around them.
TEST_F(EscapeFuzz, SqlStringScansAndRewrites) {
    // clang-format off
    const char* const WORDS[] = {
        "SELECT ", "UPDATE ", "DELETE ", "INSERT ", "FROM t ", "WHERE ", "CURRENT ", "OF ", "FOR ",
        "UPDATE ", "c1 ", "\"c 2\" ", "a = ? ", "?", "??", "'?'", "'", "\"", "`", "(", ")", ",",
        " ", "x",
    };
    // clang-format on
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        std::size_t count = random() % 16;
        for (std::size_t w = 0; w < count; ++w)
            text += WORDS[random() % (sizeof WORDS / sizeof *WORDS)];
        list.deleteNodes();
        BaseSqlString sql(text.c_str(), SQL_NTS);
        auto markersHold = [&](const char* step) {
            for (std::uint16_t m = 0; m < sql.getMarkerCount(); ++m) {
                std::uint32_t at = sql.getMarkerPosition(m);
                if (sql.areParamsStripped()) {
                    ASSERT_LE(at, sql.length()) << step << ": " << text;
                } else {
                    ASSERT_LT(at, sql.length()) << step << ": " << text;
                    EXPECT_EQ('?', sql.data()[at]) << step << ": " << text;
                }
                if (m > 0) {
                    EXPECT_LE(sql.getMarkerPosition(m - 1), at) << step << ": " << text;
                }
            }
        };
        if (sql.scanSql(BASE_SCAN_ALL) != VX_SUCCESS) {
            EXPECT_NE(nullptr, list.getLastError()) << text;
            continue;
        }
        markersHold("scan");
        if (sql.hasCurrentOf()) {
            EXPECT_LE(sql.getCurrentOfPosition() + sql.getCurrentOfLength(), sql.length()) << text;
        }
        if (sql.getForUpdatePosition() != 0) {
            ASSERT_LT(sql.getForUpdatePosition(), sql.length()) << text;
            ASSERT_EQ(VX_SUCCESS, sql.stripForUpdate()) << text;
            markersHold("FOR UPDATE cut");
        }
        if (sql.length() > 2 && random() % 2) {
            std::uint32_t at = static_cast<std::uint32_t>(random() % sql.length());
            std::uint32_t old = static_cast<std::uint32_t>(random() % (sql.length() - at));
            ASSERT_EQ(VX_SUCCESS, sql.replaceSubString(at, old, "zz", 2)) << text;
            markersHold("replaced");
        }
        if (random() % 2) {
            ASSERT_EQ(VX_SUCCESS, sql.stripParams()) << text;
            EXPECT_EQ(sql.length(), sql.paramSubstFmtCnt()) << text;
            markersHold("stripped");
        }
        std::vector<std::string> values(sql.getMarkerCount());
        std::vector<VxSubString> views;
        std::size_t total = sql.paramSubstFmtCnt();
        for (std::size_t v = 0; v < values.size(); ++v) {
            values[v] = std::string(random() % 5, 'v');
            total += values[v].size();
        }
        for (const std::string& value : values)
            views.emplace_back(value.data(), value.size());
        VxString out;
        ASSERT_EQ(VX_SUCCESS,
                  sql.substituteParams(out, views.data(), static_cast<std::uint16_t>(views.size())))
            << text;
        EXPECT_EQ(total, out.length()) << text;
    }
}

// Clauses cut short or closed by the wrong delimiter, under every host.
TEST_F(EscapeFuzz, TruncatedAndMismatchedClauses) {
    // clang-format off
    const char* const CASES[] = {
        "{?=call", "{?=", "{? = call p(?)", "--*(vendor(Microsoft),product(ODBC) d '1995-07-04' }",
        "--*(vendor(Microsoft),product(ODBC)", "--*(vendor(Microsoft),product(ODBC) fn PI() )*-",
        "--*(vendor(Microsoft),product(ODBC) oj a LEFT OUTER JOIN b ON a.x = b.y*)--",
        "{d '1995-07-04'*)--", "{fn LEFT('a,b)}", "{fn LEFT(a, 'b}'}",
        "{fn CONCAT({fn LEFT(a, 1)}, {)}", "{oj a LEFT OUTER JOIN b ON (a.x = b.y}",
        "{oj a LEFT OUTER JOIN b ON a.x = b.y} WHERE (c = 1",
        "{oj a LEFT OUTER JOIN b ON a.x = b.y OR a.z = b.w} WHERE c = 1 ORDER BY 1",
        "{oj a LEFT OUTER JOIN b ON a.x = b.y LEFT OUTER JOIN c ON} ",
        "{oj a RIGHT OUTER JOIN b ON a.x = b.y}", "{oj a FULL OUTER JOIN b ON a.x = b.y}",
        "{oj LEFT OUTER JOIN ON}", "{escape '}", "{b '''}", "{l}",
    };
    // clang-format on
    for (int style = -1; style < 4; ++style) {
        BaseEscapeOptions options;
        options.fullOuterJoins = style == 2;
        BaseDefaultEscapeHost host(options, style);
        ArgumentHost arguments;
        for (const char* text : CASES) {
            check(text, host, options);
            check(text, host, options, true);
            check(text, arguments, arguments.options);
        }
    }
}

// Inputs that once misbehaved.
TEST_F(EscapeFuzz, Regressions) {
    BaseEscapeOptions options;
    BaseDefaultEscapeHost host(options);
    // A marker in a literal clause was not counted: the statement then had
    // one parameter fewer than the text handed to the data source.
    EscapeOutcome bit = check("SELECT a FROM t WHERE b = {l ?} AND c = ?", host, options);
    ASSERT_TRUE(bit.ok);
    EXPECT_EQ("SELECT a FROM t WHERE b =  ? AND c = ?", bit.text);
    EXPECT_EQ(2u, bit.markers);
    EscapeOutcome quoted = check("{b '?'} = ?", host, options);
    ASSERT_TRUE(quoted.ok);
    EXPECT_EQ(1u, quoted.markers);
    // An escape inside a literal clause reached the data source unexpanded.
    const char* const NESTED[] = {
        "SELECT {l {fn PI()}} FROM t",
        "{l --*(vendor(Microsoft),product(ODBC) fn PI())*--}",
        "{b 'AB'{d '1995-07-04'}}",
        "{l {x ?{x ?}'#'}'{'}",
        "{l {escape ){d LEFT(a, 2)1}}'10:00:00''10:00:00'}",
    };
    for (const char* text : NESTED) {
        EscapeOutcome outcome = check(text, host, options);
        EXPECT_FALSE(outcome.ok) << text << " -> " << outcome.text;
        EXPECT_EQ(6005, outcome.message) << text;
    }
    // Braces inside the literal of a literal clause are text.
    EXPECT_EQ(" '{'", check("{l '{'}", host, options).text);
    EXPECT_EQ(" X'{'", check("{b '{'}", host, options).text);
}

} // namespace
