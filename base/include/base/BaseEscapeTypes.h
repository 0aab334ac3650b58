// The kinds of ODBC escape clauses, the scalar functions of {fn ...}, the
// outer-join rewrite styles and the options that steer escape processing.
//
// These are the values a driver's expandNativeEscape receives: the escape
// type says which clause is being expanded and, for {fn ...}, the function
// type names the function (its name has already been checked against the
// table of BaseEscapeFunctions.def).
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"

enum EscapeType : int {
    ESCAPE_TIME = 0,        // {t 'hh:mm:ss'}
    ESCAPE_DATE = 1,        // {d 'yyyy-mm-dd'}
    ESCAPE_TIMESTAMP = 2,   // {ts 'yyyy-mm-dd hh:mm:ss[.f...]'}
    ESCAPE_FUNCTION = 3,    // {fn name(arguments)}
    ESCAPE_OUTER_JOIN = 4,  // {oj table LEFT OUTER JOIN table ON condition}
    ESCAPE_LIKE = 5,        // {escape 'c'}
    ESCAPE_CALL = 6,        // {call p(...)}, or {?=call p(...)} handled by the framework
    ESCAPE_CALL_RETURN = 7, // {?=call p(...)} whose return value the driver handles
    ESCAPE_BINARY = 8,      // {b 'hex digits'}
    ESCAPE_BIT = 9,         // {l value}
};

enum EscapeFunctionType : int {
    ESCAPE_FN_NONE = 0,
#define BASE_ESCAPE_FUNCTION(number, name) ESCAPE_FN_##name = number,
#include "base/BaseEscapeFunctions.def"
#undef BASE_ESCAPE_FUNCTION
};

constexpr int ESCAPE_FN_COUNT = 65;

// How {oj ...} is rewritten by processOuterJoinEscape. Every style turns
// the join into a comma join and moves the ON condition into the
// statement's WHERE clause.
enum BaseOuterJoinTypes : int {
    OUTER_JOIN_PLUS_ALL = 0,      // " (+)" after the inner operand of every comparison
    OUTER_JOIN_STAR_EQUAL = 1,    // "*=" (outer on the left) or "=*" on each "="
    OUTER_JOIN_OUTER_KEYWORD = 2, // a, OUTER (b); the condition unmarked
    OUTER_JOIN_PLUS_FIRST = 3,    // " (+)" on the first comparison only
};

// Flags of copyEscapeArgument.
enum : unsigned {
    ESCAPE_ARG_OPEN_PAREN = 1u << 0,   // write "(" first
    ESCAPE_ARG_PARENTHESIZE = 1u << 1, // enclose the argument in parentheses
    ESCAPE_ARG_CLOSE_PAREN = 1u << 2,  // write ")" last
    ESCAPE_ARG_LAST = 1u << 3,         // the argument must be the last one
    ESCAPE_ARG_COMMA = 1u << 4,        // write "," first
    ESCAPE_ARG_NO_COPY = 1u << 5,      // write no argument text
    ESCAPE_ARG_KEEP_SOURCE = 1u << 6,  // copy: leave the argument list as it is
};

// What escape processing needs to know of the connection.
struct VX_EXPORT BaseEscapeOptions {
    // Literal delimiters; a NUL entry is unused.
    char quotes[3] = {'\'', '"', '`'};
    // {?=call} goes to the driver as ESCAPE_CALL_RETURN (connection flag
    // bit 19); otherwise the framework takes the return value as
    // parameter 1 and the driver sees ESCAPE_CALL.
    bool driverHandlesReturnValue = false;
    // FULL OUTER JOIN may stand in {oj ...} (connection flag bit 23).
    bool fullOuterJoins = false;
    // Only the first join of a chain is rewritten (WorkArounds bit 18).
    bool firstOuterJoinOnly = false;
    // The driver's own clause keywords in front of which a moved ON
    // condition is placed: NUL-terminated texts ended by an empty one
    // ("LIMIT\0" ...); null when none.
    const char* clauseKeywords = nullptr;

    // Options from the connection's flags word and WorkArounds mask.
    static BaseEscapeOptions fromConnection(std::uint32_t connectionFlags,
                                            std::uint32_t workArounds);
    bool isQuote(char c) const {
        return c != 0 && (c == quotes[0] || c == quotes[1] || c == quotes[2]);
    }
};

// The upper-case name of `function`, or null outside 1-65.
VX_EXPORT const char* baseEscapeFunctionName(EscapeFunctionType function);
// The function whose name equals `length` bytes of `name` without regard
// to case; ESCAPE_FN_NONE when there is none.
VX_EXPORT EscapeFunctionType baseFindEscapeFunction(const char* name, std::size_t length);
