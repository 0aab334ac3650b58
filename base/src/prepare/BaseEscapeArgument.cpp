// copyEscapeArgument and findEscapeArgument: the arguments of a function
// escape in the unread rest of a rewriting cursor.
#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "util/VxReplaceString.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isQuote(char c) {
    return c == '\'' || c == '"' || c == '`';
}

// Where argument `argument` lies in the list, offsets into the region.
struct ArgumentSpan {
    std::uint32_t start = 0;  // first non-blank byte
    std::uint32_t end = 0;    // behind the last non-blank byte
    std::uint32_t rawEnd = 0; // the separator behind the argument
    bool closesList = false;  // the separator is ")"
};

VxStatus tooFew() {
    addOdbcError(ODBC_37000, 6040);
    return VX_ERROR;
}

VxStatus noEnd() {
    addOdbcError(ODBC_37000, 6041);
    return VX_ERROR;
}

// Finds the separator ("," or ")") that ends the argument starting at
// `pos`; false when the region ends first.
bool findSeparator(const char* text, std::uint32_t length, std::uint32_t& pos) {
    unsigned depth = 0;
    while (pos < length) {
        char c = text[pos];
        if (isQuote(c)) {
            std::uint32_t close = pos + 1;
            while (close < length && text[close] != c)
                ++close;
            if (close >= length)
                return false;
            pos = close + 1;
            continue;
        }
        if (c == '(' || c == '{') {
            ++depth;
        } else if (c == ')' || c == '}') {
            if (depth == 0)
                return c == ')';
            --depth;
        } else if (c == ',' && depth == 0) {
            return true;
        }
        ++pos;
    }
    return false;
}

void trim(const char* text, ArgumentSpan& span) {
    while (span.start < span.rawEnd && isBlank(text[span.start]))
        ++span.start;
    span.end = span.rawEnd;
    while (span.end > span.start && isBlank(text[span.end - 1]))
        --span.end;
}

bool onlyBlanksFrom(const char* text, std::uint32_t length, std::uint32_t pos) {
    while (pos < length && isBlank(text[pos]))
        ++pos;
    return pos == length;
}

// Locates argument `argument` (0: the list's closing ")") in the region.
VxStatus locate(const char* text, std::uint32_t length, unsigned argument, bool last,
                ArgumentSpan& span) {
    std::uint32_t pos = 0;
    while (pos < length && isBlank(text[pos]))
        ++pos;
    if (pos == length)
        return argument == 0 ? VX_SUCCESS : tooFew();
    if (text[pos] == ')') { // the list is empty or used up
        if (argument != 0)
            return tooFew();
        span.start = span.end = span.rawEnd = pos;
        span.closesList = true;
        return last && !onlyBlanksFrom(text, length, pos + 1) ? noEnd() : VX_SUCCESS;
    }
    if (text[pos] != '(' && text[pos] != ',')
        return noEnd();
    bool first = text[pos] == '(';
    for (unsigned index = 1;; ++index) {
        span.start = ++pos;
        if (!findSeparator(text, length, pos))
            return noEnd();
        span.rawEnd = pos;
        span.closesList = text[pos] == ')';
        trim(text, span);
        // "()" holds no argument at all.
        bool empty = first && index == 1 && span.closesList && span.start == span.end;
        if (argument == 0 || empty || index == argument) {
            if (argument != 0 && empty)
                return tooFew();
            if (argument == 0 && !empty)
                return noEnd();
            break;
        }
        if (span.closesList)
            return tooFew();
    }
    if (last && (!span.closesList || !onlyBlanksFrom(text, length, span.rawEnd + 1)))
        return noEnd();
    return VX_SUCCESS;
}

} // namespace

VxStatus findEscapeArgument(const VxReplaceString* text, unsigned long remaining, unsigned argument,
                            VxSubString& out) {
    std::uint32_t length =
        remaining < text->length() ? static_cast<std::uint32_t>(remaining) : text->length();
    ArgumentSpan span;
    if (argument == 0 || locate(text->data(), length, argument, false, span) != VX_SUCCESS) {
        if (argument == 0)
            return tooFew();
        return VX_ERROR;
    }
    out.set(text->data() + span.start, span.end - span.start);
    return VX_SUCCESS;
}

VxStatus copyEscapeArgument(VxReplaceString* text, unsigned long* remaining, unsigned argument,
                            unsigned flags) {
    std::uint32_t length =
        *remaining < text->length() ? static_cast<std::uint32_t>(*remaining) : text->length();
    bool last = (flags & ESCAPE_ARG_LAST) != 0;
    ArgumentSpan span;
    if (locate(text->data(), length, argument, last, span) != VX_SUCCESS)
        return VX_ERROR;
    bool copy = argument != 0 && (flags & ESCAPE_ARG_NO_COPY) == 0;
    if (((flags & ESCAPE_ARG_COMMA) && text->addBytes(",", 1) != VX_SUCCESS) ||
        ((flags & ESCAPE_ARG_OPEN_PAREN) && text->addBytes("(", 1) != VX_SUCCESS))
        return VX_ERROR;
    if (copy) {
        bool wrap = (flags & ESCAPE_ARG_PARENTHESIZE) != 0;
        // Writing may move the rest: take its address afresh.
        if ((wrap && text->addBytes("(", 1) != VX_SUCCESS) ||
            text->addBytes(text->data() + span.start, span.end - span.start) != VX_SUCCESS ||
            (wrap && text->addBytes(")", 1) != VX_SUCCESS))
            return VX_ERROR;
    }
    if ((flags & ESCAPE_ARG_CLOSE_PAREN) && text->addBytes(")", 1) != VX_SUCCESS)
        return VX_ERROR;
    if (flags & ESCAPE_ARG_KEEP_SOURCE)
        return VX_SUCCESS;
    std::uint32_t consumed = last ? length : (argument == 0 ? 0 : span.rawEnd);
    text->skip(consumed);
    *remaining -= consumed;
    return VX_SUCCESS;
}
