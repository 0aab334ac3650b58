// BaseEscapeProcessor: the scan for escape clauses and their expansion.
//
// One pass over the text, left to right:
//
//   find "{" or "--*(" outside literals (counting "?" on the way)
//     -> find the matching end, stepping over nested escapes
//     -> read the keyword and the arguments, check literals
//     -> cut the closing delimiter, put one blank in place of the opening
//        delimiter and keyword, let the host rewrite the arguments
//     -> resume behind the expansion (literals) or at its start (others)
#include "base/BaseEscapeProcessor.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseSqlString.h"
#include "util/VxReplaceString.h"
#include "util/VxScanner.h"
#include "util/str.h"

namespace {

constexpr char LONG_OPEN[] = "--*(";
constexpr char LONG_CLOSE[] = ")*--";
constexpr char LONG_CLOSE_ALT[] = "*)--";
constexpr std::uint32_t LONG_LENGTH = 4;
// Deepest nesting of escapes inside one another.
constexpr unsigned MAX_NESTING = 256;
// Expansions of one text; more means a host keeps writing escapes.
constexpr std::uint32_t MAX_EXPANSIONS = 65536;

struct Keyword {
    const char* word;
    EscapeType type;
};

const Keyword KEYWORDS[] = {
    {"d", ESCAPE_DATE},        {"t", ESCAPE_TIME},      {"ts", ESCAPE_TIMESTAMP},
    {"b", ESCAPE_BINARY},      {"l", ESCAPE_BIT},       {"fn", ESCAPE_FUNCTION},
    {"oj", ESCAPE_OUTER_JOIN}, {"escape", ESCAPE_LIKE}, {"call", ESCAPE_CALL},
};

bool startsWith(const char* text, std::uint32_t length, std::uint32_t pos, const char* what) {
    std::size_t n = std::strlen(what);
    return pos + n <= length && std::memcmp(text + pos, what, n) == 0;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool tokenIs(const VxToken& token, const char* word) {
    return strEqualCi(token.data(), token.length(), word, std::strlen(word));
}

bool isLiteral(EscapeType type) {
    return type == ESCAPE_DATE || type == ESCAPE_TIME || type == ESCAPE_TIMESTAMP ||
           type == ESCAPE_BINARY || type == ESCAPE_BIT;
}

// Digits everywhere except at the separator positions.
bool hasShape(const char* text, std::uint32_t length, const std::uint32_t* separators,
              std::uint32_t separatorCount) {
    std::uint32_t next = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        if (next < separatorCount && separators[next] == i) {
            ++next;
            continue;
        }
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

VxStatus checkLiteral(EscapeType type, const char* text, std::uint32_t length) {
    static const std::uint32_t DATE_SEPARATORS[] = {4, 7};
    static const std::uint32_t TIME_SEPARATORS[] = {2, 5};
    static const std::uint32_t STAMP_SEPARATORS[] = {4, 7, 10, 13, 16, 19};
    switch (type) {
    case ESCAPE_DATE:
        if (length == 10 && hasShape(text, length, DATE_SEPARATORS, 2))
            return VX_SUCCESS;
        addOdbcError(ODBC_37000, 6029);
        return VX_ERROR;
    case ESCAPE_TIME:
        if (length == 8 && hasShape(text, length, TIME_SEPARATORS, 2))
            return VX_SUCCESS;
        addOdbcError(ODBC_37000, 6030);
        return VX_ERROR;
    case ESCAPE_TIMESTAMP:
        if ((length == 19 || (length >= 21 && length <= 29)) &&
            hasShape(text, length, STAMP_SEPARATORS, 6))
            return VX_SUCCESS;
        addOdbcError(ODBC_37000, 6031);
        return VX_ERROR;
    default:
        return VX_SUCCESS;
    }
}

// Whether `text` holds "{" or "--*(" outside literals.
bool holdsEscapeOpening(const char* text, std::uint32_t length, const BaseEscapeOptions& options) {
    for (std::uint32_t pos = 0; pos < length; ++pos) {
        char c = text[pos];
        if (options.isQuote(c)) {
            const void* close = std::memchr(text + pos + 1, c, length - pos - 1);
            if (close == nullptr)
                return false;
            pos = static_cast<std::uint32_t>(static_cast<const char*>(close) - text);
        } else if (c == '{' || startsWith(text, length, pos, LONG_OPEN)) {
            return true;
        }
    }
    return false;
}

// The markers "?" outside literals in `text`.
std::uint32_t countMarkers(const char* text, std::uint32_t length,
                           const BaseEscapeOptions& options) {
    std::uint32_t count = 0;
    for (std::uint32_t pos = 0; pos < length; ++pos) {
        char c = text[pos];
        if (options.isQuote(c)) {
            const void* close = std::memchr(text + pos + 1, c, length - pos - 1);
            if (close == nullptr)
                break;
            pos = static_cast<std::uint32_t>(static_cast<const char*>(close) - text);
        } else if (c == '?') {
            ++count;
        }
    }
    return count;
}

VxStatus unrecognised() {
    addOdbcError(ODBC_37000, 6005);
    return VX_ERROR;
}

} // namespace

struct BaseEscapeProcessor::Escape {
    std::uint32_t start = 0;      // first byte of the opening delimiter
    std::uint32_t openEnd = 0;    // behind the opening delimiter
    std::uint32_t closeStart = 0; // first byte of the closing delimiter
    std::uint32_t closeEnd = 0;   // behind the closing delimiter
    std::uint32_t argStart = 0;
    std::uint32_t argEnd = 0;
    bool longForm = false;
    bool isEscape = false;
    bool returnValue = false; // {?=call} taken by the framework
    EscapeType type = ESCAPE_CALL;
    EscapeFunctionType function = ESCAPE_FN_NONE;
};

VxStatus BaseEscapeProcessor::process(BaseSqlString& sql, bool nativeMode) {
    returnValueCall_ = false;
    markerCount_ = 0;
    escapeCount_ = 0;
    std::uint32_t pos = 0;
    Escape escape;
    while (findStart(sql, pos, escape.longForm)) {
        escape.start = pos;
        escape.openEnd = pos + (escape.longForm ? LONG_LENGTH : 1);
        if (findEnd(sql, escape) != VX_SUCCESS || parse(sql, escape, nativeMode) != VX_SUCCESS) {
            sql.resetScan();
            return VX_ERROR;
        }
        if (!escape.isEscape) {
            pos = escape.start + 1;
            continue;
        }
        if (++escapeCount_ > MAX_EXPANSIONS || expand(sql, escape, pos) != VX_SUCCESS) {
            if (escapeCount_ > MAX_EXPANSIONS)
                static_cast<void>(unrecognised());
            sql.resetScan();
            return VX_ERROR;
        }
        // The expansion of a literal is not scanned again: count the
        // markers it holds ({l ?}) here.
        if (isLiteral(escape.type))
            markerCount_ += countMarkers(sql.data() + escape.start, pos - escape.start, options_);
        returnValueCall_ = returnValueCall_ || escape.returnValue;
    }
    sql.resetScan();
    return VX_SUCCESS;
}

bool BaseEscapeProcessor::findStart(const BaseSqlString& sql, std::uint32_t& pos, bool& longForm) {
    const char* text = sql.data();
    std::uint32_t length = sql.length();
    while (pos < length) {
        char c = text[pos];
        if (options_.isQuote(c)) {
            const void* close = std::memchr(text + pos + 1, c, length - pos - 1);
            // An unterminated literal runs to the end: nothing more to find.
            pos = close ? static_cast<std::uint32_t>(static_cast<const char*>(close) - text) + 1
                        : length;
            continue;
        }
        if (c == '?')
            ++markerCount_;
        if (c == '{' || (c == '-' && startsWith(text, length, pos, LONG_OPEN))) {
            longForm = c == '-';
            return true;
        }
        ++pos;
    }
    return false;
}

VxStatus BaseEscapeProcessor::findEnd(const BaseSqlString& sql, Escape& escape) const {
    const char* text = sql.data();
    std::uint32_t length = sql.length();
    bool longForms[MAX_NESTING];
    unsigned depth = 1;
    longForms[0] = escape.longForm;
    std::uint32_t pos = escape.openEnd;
    while (pos < length) {
        char c = text[pos];
        if (options_.isQuote(c)) {
            const void* close = std::memchr(text + pos + 1, c, length - pos - 1);
            if (close == nullptr)
                break;
            pos = static_cast<std::uint32_t>(static_cast<const char*>(close) - text) + 1;
            continue;
        }
        bool openBrace = c == '{';
        bool openLong = !openBrace && startsWith(text, length, pos, LONG_OPEN);
        if (openBrace || openLong) {
            if (depth == MAX_NESTING)
                return unrecognised();
            longForms[depth++] = openLong;
            pos += openLong ? LONG_LENGTH : 1;
            continue;
        }
        std::uint32_t closeLength = 0;
        if (!longForms[depth - 1] && c == '}')
            closeLength = 1;
        else if (longForms[depth - 1] && (startsWith(text, length, pos, LONG_CLOSE) ||
                                          startsWith(text, length, pos, LONG_CLOSE_ALT)))
            closeLength = LONG_LENGTH;
        if (closeLength != 0 && --depth == 0) {
            escape.closeStart = pos;
            escape.closeEnd = pos + closeLength;
            return VX_SUCCESS;
        }
        pos += closeLength ? closeLength : 1;
    }
    addOdbcError(ODBC_37000, 6021);
    return VX_ERROR;
}

VxStatus BaseEscapeProcessor::parse(const BaseSqlString& sql, Escape& escape,
                                    bool nativeMode) const {
    escape.isEscape = false;
    escape.returnValue = false;
    escape.function = ESCAPE_FN_NONE;
    std::uint32_t keywordPos = escape.openEnd;
    if (escape.longForm) {
        static const char* const PREFIX[] = {"vendor",  "(", "Microsoft", ")", ",",
                                             "product", "(", "ODBC",      ")"};
        VxScanner scanner(sql.data() + escape.openEnd, escape.closeStart - escape.openEnd);
        VxToken token;
        for (const char* expected : PREFIX) {
            scanner.getToken(token);
            if (!tokenIs(token, expected)) {
                addOdbcError(ODBC_37000, 6028);
                return VX_ERROR;
            }
        }
        keywordPos = escape.openEnd + token.getEnd();
    }
    return parseKeyword(sql, escape, keywordPos, nativeMode);
}

VxStatus BaseEscapeProcessor::parseKeyword(const BaseSqlString& sql, Escape& escape,
                                           std::uint32_t keywordPos, bool nativeMode) const {
    VxScanner scanner(sql.data() + keywordPos, escape.closeStart - keywordPos);
    scanner.setQuoteChars(options_.quotes[0], options_.quotes[1], options_.quotes[2]);
    VxToken token;
    std::int32_t kind = scanner.getToken(token);
    if (token.isOperator('?')) {
        VxToken equals;
        VxToken call;
        scanner.getToken(equals);
        scanner.getToken(call);
        if (!equals.isOperator('=') || !tokenIs(call, "call"))
            return unrecognised();
        bool driverHandles = nativeMode || options_.driverHandlesReturnValue;
        escape.type = driverHandles ? ESCAPE_CALL_RETURN : ESCAPE_CALL;
        escape.returnValue = !driverHandles;
        escape.argStart = keywordPos + call.getEnd();
        escape.isEscape = true;
        return parseArguments(sql, escape);
    }
    const Keyword* found = nullptr;
    if (kind == VX_TOKEN_WORD) {
        for (const Keyword& keyword : KEYWORDS)
            if (tokenIs(token, keyword.word))
                found = &keyword;
    }
    if (found == nullptr)
        return escape.longForm ? unrecognised() : VX_SUCCESS;
    escape.isEscape = true;
    escape.type = found->type;
    escape.argStart = keywordPos + token.getEnd();
    if (escape.type == ESCAPE_FUNCTION) {
        VxToken name;
        if (scanner.getToken(name) != VX_TOKEN_WORD) {
            addOdbcError(ODBC_37000, 6049);
            return VX_ERROR;
        }
        escape.function = baseFindEscapeFunction(name.data(), name.length());
        if (escape.function == ESCAPE_FN_NONE) {
            addOdbcError(ODBC_37000, 6027) << static_cast<const VxSubString&>(name);
            return VX_ERROR;
        }
        escape.argStart = keywordPos + name.getEnd();
    }
    return parseArguments(sql, escape);
}

VxStatus BaseEscapeProcessor::parseArguments(const BaseSqlString& sql, Escape& escape) const {
    const char* text = sql.data();
    std::uint32_t start = escape.argStart;
    std::uint32_t end = escape.closeStart;
    while (end > start && isBlank(text[end - 1]))
        --end;
    if (escape.type != ESCAPE_FUNCTION) {
        while (start < end && isBlank(text[start]))
            ++start;
        if (start == end)
            return unrecognised();
    }
    // Scanning goes on behind a literal's expansion: an escape inside it
    // would reach the data source unexpanded.
    if (isLiteral(escape.type) && holdsEscapeOpening(text + start, end - start, options_))
        return unrecognised();
    bool quotedLiteral = escape.type == ESCAPE_DATE || escape.type == ESCAPE_TIME ||
                         escape.type == ESCAPE_TIMESTAMP || escape.type == ESCAPE_BINARY;
    if (quotedLiteral && end - start >= 2 && text[start] == '\'' && text[end - 1] == '\'') {
        ++start;
        --end;
    }
    escape.argStart = start;
    escape.argEnd = end;
    return checkLiteral(escape.type, text + start, end - start);
}

VxStatus BaseEscapeProcessor::expand(BaseSqlString& sql, const Escape& escape,
                                     std::uint32_t& resume) {
    if (sql.makeCopy() != VX_SUCCESS)
        return VX_ERROR;
    // Back to front, so the earlier offsets stay valid.
    if (sql.changeBytes(escape.argEnd, escape.closeEnd - escape.argEnd, nullptr, 0) != VX_SUCCESS ||
        sql.changeBytes(escape.start, escape.argStart - escape.start, " ", 1) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t argLength = escape.argEnd - escape.argStart;
    VxReplaceString cursor;
    if (cursor.initialize(sql) != VX_SUCCESS)
        return VX_ERROR;
    cursor.keep(escape.start + 1);
    std::uint32_t before = cursor.length();
    if (host_.expandNativeEscape(&cursor, argLength, escape.type, escape.function) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t consumed = before - cursor.length();
    if (consumed < argLength)
        cursor.keep(argLength - consumed);
    std::uint32_t expansionEnd = cursor.getOutputLength();
    cursor.finish();
    resume = isLiteral(escape.type) ? expansionEnd : escape.start;
    return VX_SUCCESS;
}

VxStatus BaseEscapeProcessor::expandLiteral(EscapeType type, const char* value, std::size_t length,
                                            VxString& out) {
    if (out.initialize(value, length) != VX_SUCCESS)
        return VX_ERROR;
    VxReplaceString cursor;
    if (cursor.initialize(out) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t before = cursor.length();
    if (host_.expandNativeEscape(&cursor, length, type, ESCAPE_FN_NONE) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t consumed = before - cursor.length();
    if (consumed < length)
        cursor.keep(static_cast<std::uint32_t>(length) - consumed);
    cursor.finish();
    return VX_SUCCESS;
}
