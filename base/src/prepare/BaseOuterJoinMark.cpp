// The conditions of an outer join: marking their comparisons for the
// data source's outer-join syntax and moving them into the WHERE clause.
#include <cstring>

#include "prepare/BaseOuterJoinParts.h"
#include "util/VxReplaceString.h"
#include "util/VxScanner.h"
#include "util/VxString.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

struct CondToken {
    std::uint32_t start;
    std::uint32_t end;
    std::int32_t kind;
    bool boundary; // AND, OR, NOT
};

// The tokens of one condition, in an allocated array.
class CondTokens {
public:
    CondTokens() = default;
    CondTokens(const CondTokens&) = delete;
    CondTokens& operator=(const CondTokens&) = delete;
    ~CondTokens() { ramFree(tokens_); }

    VxStatus read(const char* text, std::uint32_t length, const BaseEscapeOptions& options) {
        for (int pass = 0; pass < 2; ++pass) {
            VxScanner scanner(text, length);
            scanner.setQuoteChars(options.quotes[0], options.quotes[1], options.quotes[2]);
            VxToken token;
            std::uint32_t n = 0;
            for (std::int32_t kind; (kind = scanner.getToken(token)) != VX_TOKEN_END; ++n) {
                if (pass == 0)
                    continue;
                bool word = kind == VX_TOKEN_WORD;
                tokens_[n] = {
                    token.getPosition(), token.getEnd(), kind,
                    word && (isWord(token, "AND") || isWord(token, "OR") || isWord(token, "NOT"))};
                hasTopLevelOr_ = hasTopLevelOr_ || (depth_ == 0 && word && isWord(token, "OR"));
                depth_ += token.isOperator('(') ? 1 : 0;
                depth_ -= token.isOperator(')') && depth_ > 0 ? 1 : 0;
            }
            count_ = n;
            if (pass == 0 && n != 0 &&
                (tokens_ = static_cast<CondToken*>(ramAlloc(n * sizeof(CondToken)))) == nullptr)
                return VX_ERROR;
        }
        return VX_SUCCESS;
    }

    std::uint32_t count() const { return count_; }
    const CondToken& operator[](std::uint32_t i) const { return tokens_[i]; }
    bool hasTopLevelOr() const { return hasTopLevelOr_; }

private:
    static bool isWord(const VxToken& token, const char* word) {
        return strEqualCi(token.data(), token.length(), word, std::strlen(word));
    }

    CondToken* tokens_ = nullptr;
    std::uint32_t count_ = 0;
    unsigned depth_ = 0;
    bool hasTopLevelOr_ = false;
};

bool isComparison(std::int32_t kind) {
    return kind == '=' || kind == '<' || kind == '>' || kind == vxOperatorKind('>', '=') ||
           kind == vxOperatorKind('<', '=') || kind == vxOperatorKind('!', '=') ||
           kind == vxOperatorKind('<', '>');
}

bool stopsOperand(const CondToken& token) {
    return token.boundary || isComparison(token.kind);
}

// First token of the operand left of comparison `op`.
std::uint32_t leftStart(const CondTokens& tokens, std::uint32_t op) {
    std::uint32_t i = op;
    unsigned depth = 0;
    while (i > 0) {
        const CondToken& token = tokens[i - 1];
        if (token.kind == ')') {
            ++depth;
        } else if (token.kind == '(') {
            if (depth == 0)
                break;
            --depth;
        } else if (depth == 0 && stopsOperand(token)) {
            break;
        }
        --i;
    }
    return i;
}

// One past the last token of the operand right of comparison `op`.
std::uint32_t rightEnd(const CondTokens& tokens, std::uint32_t op) {
    std::uint32_t i = op + 1;
    unsigned depth = 0;
    for (; i < tokens.count(); ++i) {
        const CondToken& token = tokens[i];
        if (token.kind == '(') {
            ++depth;
        } else if (token.kind == ')') {
            if (depth == 0)
                break;
            --depth;
        } else if (depth == 0 && stopsOperand(token)) {
            break;
        }
    }
    return i;
}

// Whether tokens [from, to) name a column of the table called `inner`.
bool mentions(const char* text, const CondTokens& tokens, std::uint32_t from, std::uint32_t to,
              const VxSubString& inner) {
    for (std::uint32_t i = from; i + 1 < to; ++i) {
        const CondToken& token = tokens[i];
        if ((token.kind == VX_TOKEN_WORD || token.kind == VX_TOKEN_QUOTED) &&
            tokens[i + 1].kind == '.' &&
            strEqualCi(text + token.start, token.end - token.start, inner.data(), inner.length()))
            return true;
    }
    return false;
}

} // namespace

VxStatus baseMarkOuterJoinCondition(const char* text, std::uint32_t length,
                                    const VxSubString& inner, BaseOuterJoinTypes style,
                                    const BaseEscapeOptions& options, VxString& out) {
    CondTokens tokens;
    if (tokens.read(text, length, options) != VX_SUCCESS)
        return VX_ERROR;
    bool wrap = tokens.hasTopLevelOr();
    if (wrap && out.concat('(') != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t copied = 0;
    bool marked = false;
    for (std::uint32_t op = 0; op < tokens.count() && style != OUTER_JOIN_OUTER_KEYWORD; ++op) {
        std::int32_t kind = tokens[op].kind;
        if (!isComparison(kind) || (style == OUTER_JOIN_STAR_EQUAL && kind != '=') ||
            (style == OUTER_JOIN_PLUS_FIRST && marked))
            continue;
        std::uint32_t first = leftStart(tokens, op);
        std::uint32_t last = rightEnd(tokens, op);
        if (first == op || last == op + 1)
            continue; // an operand is missing: leave the comparison alone
        bool leftInner = !mentions(text, tokens, op + 1, last, inner) &&
                         mentions(text, tokens, first, op, inner);
        std::uint32_t at = 0;
        std::uint32_t replaced = 0;
        const char* insert = " (+)";
        if (style == OUTER_JOIN_STAR_EQUAL) {
            at = tokens[op].start;
            replaced = tokens[op].end - at;
            insert = leftInner ? "=*" : "*=";
        } else {
            at = leftInner ? tokens[op - 1].end : tokens[last - 1].end;
        }
        if (out.concat(text + copied, at - copied) != VX_SUCCESS ||
            out.concat(insert) != VX_SUCCESS)
            return VX_ERROR;
        copied = at + replaced;
        marked = true;
    }
    if (out.concat(text + copied, length - copied) != VX_SUCCESS)
        return VX_ERROR;
    return wrap ? out.concat(')') : VX_SUCCESS;
}

namespace {

const char CLAUSE_KEYWORDS[] = "GROUP BY\0HAVING\0UNION\0ORDER BY\0FOR UPDATE\0";

bool isClauseKeyword(VxScanner& scanner, VxToken& token, const BaseEscapeOptions& options) {
    return scanner.isInSetCi(token, CLAUSE_KEYWORDS) ||
           (options.clauseKeywords && scanner.isInSetCi(token, options.clauseKeywords));
}

} // namespace

VxStatus baseMoveOuterJoinCondition(VxReplaceString& text, const VxString& condition,
                                    const BaseEscapeOptions& options) {
    if (condition.isEmpty())
        return VX_SUCCESS;
    VxScanner scanner(text.data(), text.length());
    scanner.setQuoteChars(options.quotes[0], options.quotes[1], options.quotes[2]);
    scanner.setParenGroups(true);
    scanner.setBraceGroups(true);
    bool hasWhere = false;
    std::uint32_t whereStart = 0;
    std::uint32_t whereEnd = 0;
    // End of the last token in front of the clause keyword, unmatched ")"
    // or end that ends the WHERE clause.
    std::uint32_t previousEnd = 0;
    VxToken token;
    while (scanner.getToken(token) != VX_TOKEN_END) {
        if (token.isOperator(')'))
            break;
        if (token.getKind() == VX_TOKEN_WORD) {
            std::uint32_t start = token.getPosition();
            if (isClauseKeyword(scanner, token, options))
                break;
            if (!hasWhere && scanner.isEqualCi(token, "WHERE")) {
                hasWhere = true;
                whereStart = start;
                whereEnd = token.getEnd();
            }
        }
        previousEnd = token.getEnd();
    }
    if (!hasWhere) {
        text.keep(previousEnd);
        return text.addBytes(" WHERE ", 7) != VX_SUCCESS ||
                       text.addBytes(condition.data(), condition.length()) != VX_SUCCESS
                   ? VX_ERROR
                   : VX_SUCCESS;
    }
    // Old condition: from behind WHERE to the stop, without outer blanks.
    std::uint32_t oldStart = whereEnd;
    std::uint32_t oldEnd = previousEnd > whereEnd ? previousEnd : whereEnd;
    text.keep(whereStart);
    if (text.addBytes("WHERE ", 6) != VX_SUCCESS ||
        text.addBytes(condition.data(), condition.length()) != VX_SUCCESS)
        return VX_ERROR;
    if (oldEnd == oldStart) {
        text.skip(whereEnd - whereStart);
        return VX_SUCCESS;
    }
    while (oldStart < oldEnd && (text.data()[oldStart - whereStart] == ' ' ||
                                 text.data()[oldStart - whereStart] == '\t' ||
                                 text.data()[oldStart - whereStart] == '\r' ||
                                 text.data()[oldStart - whereStart] == '\n'))
        ++oldStart;
    if (text.addBytes(" AND (", 6) != VX_SUCCESS)
        return VX_ERROR;
    text.skip(oldStart - whereStart);
    text.keep(oldEnd - oldStart);
    return text.addBytes(")", 1);
}
