// processOuterJoinEscape: {oj ...} as a comma join with its conditions in
// the WHERE clause.
//
//   argument  "t0 LEFT OUTER JOIN t1 ON c1 LEFT OUTER JOIN t2 ON c2"
//   output    "t0, t1, t2" and, in the statement's WHERE clause,
//             "c1' AND c2'" (c' = c marked for the style)
#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "prepare/BaseOuterJoinParts.h"
#include "util/VxReplaceString.h"
#include "util/VxScanner.h"
#include "util/VxString.h"

namespace {

constexpr unsigned MAX_JOINS = 64;

enum JoinKind { JOIN_LEFT, JOIN_RIGHT, JOIN_FULL };

struct Join {
    JoinKind kind = JOIN_LEFT;
    std::uint32_t keywordStart = 0;
    std::uint32_t keywordEnd = 0;
    std::uint32_t onStart = 0; // 0 when the join has no ON
    std::uint32_t onEnd = 0;
};

// One outer join argument taken apart; offsets into the argument.
struct JoinChain {
    const char* text = nullptr;
    std::uint32_t length = 0;
    Join joins[MAX_JOINS];
    unsigned count = 0;
    // The table part of join i (i = 0: the first table).
    void table(unsigned i, std::uint32_t& start, std::uint32_t& end) const {
        start = i == 0 ? 0 : joins[i - 1].keywordEnd;
        end = i == 0 ? joins[0].keywordStart : joins[i - 1].onStart;
    }
    void condition(unsigned i, std::uint32_t& start, std::uint32_t& end) const {
        start = joins[i].onEnd;
        end = i + 1 < count ? joins[i + 1].keywordStart : length;
    }
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void trim(const char* text, std::uint32_t& start, std::uint32_t& end) {
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
}

VxStatus raise(unsigned short message) {
    addOdbcError(ODBC_37000, message);
    return VX_ERROR;
}

void prepareScanner(VxScanner& scanner, const BaseEscapeOptions& options, bool groups) {
    scanner.setQuoteChars(options.quotes[0], options.quotes[1], options.quotes[2]);
    scanner.setParenGroups(groups);
    scanner.setBraceGroups(groups);
}

VxStatus findJoins(JoinChain& chain, const BaseEscapeOptions& options) {
    VxScanner scanner(chain.text, chain.length);
    prepareScanner(scanner, options, true);
    VxToken token;
    while (scanner.getToken(token) != VX_TOKEN_END) {
        if (token.getKind() != VX_TOKEN_WORD)
            continue;
        std::uint32_t start = token.getPosition();
        JoinKind kind = JOIN_LEFT;
        if (scanner.isEqualCi(token, "LEFT OUTER JOIN"))
            kind = JOIN_LEFT;
        else if (scanner.isEqualCi(token, "RIGHT OUTER JOIN"))
            kind = JOIN_RIGHT;
        else if (scanner.isEqualCi(token, "FULL OUTER JOIN"))
            kind = JOIN_FULL;
        else if (chain.count != 0 && chain.joins[chain.count - 1].onStart == 0 &&
                 scanner.isEqualCi(token, "ON")) {
            chain.joins[chain.count - 1].onStart = start;
            chain.joins[chain.count - 1].onEnd = token.getEnd();
            continue;
        } else {
            continue;
        }
        if (chain.count == MAX_JOINS)
            return raise(6022);
        Join& join = chain.joins[chain.count++];
        join.kind = kind;
        join.keywordStart = start;
        join.keywordEnd = token.getEnd();
    }
    return VX_SUCCESS;
}

// The name the inner table goes by: the last word (or quoted name) of its
// reference.
VxSubString innerName(const char* text, std::uint32_t start, std::uint32_t end) {
    VxScanner scanner(text + start, end - start);
    VxToken token;
    VxSubString name;
    for (std::int32_t kind; (kind = scanner.getToken(token)) != VX_TOKEN_END;)
        if (kind == VX_TOKEN_WORD || kind == VX_TOKEN_QUOTED)
            name.set(token.data(), token.length());
    return name;
}

VxStatus appendRange(VxString& out, const char* text, std::uint32_t start, std::uint32_t end) {
    trim(text, start, end);
    return out.concat(text + start, end - start);
}

// The comma join and the combined conditions of the first `used` joins.
VxStatus rewriteChain(const JoinChain& chain, unsigned used, BaseOuterJoinTypes style,
                      const BaseEscapeOptions& options, VxString& tables, VxString& conditions) {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    chain.table(0, start, end);
    if (appendRange(tables, chain.text, start, end) != VX_SUCCESS)
        return VX_ERROR;
    for (unsigned i = 0; i < used; ++i) {
        chain.table(i + 1, start, end);
        if (style == OUTER_JOIN_OUTER_KEYWORD && chain.joins[i].kind == JOIN_RIGHT) {
            // The part so far becomes the outer one, behind the join.
            VxString left;
            if (left.concat(tables) != VX_SUCCESS)
                return VX_ERROR;
            tables.setLength(0);
            if (appendRange(tables, chain.text, start, end) != VX_SUCCESS ||
                tables.concat(", OUTER (") != VX_SUCCESS || tables.concat(left) != VX_SUCCESS ||
                tables.concat(")") != VX_SUCCESS)
                return VX_ERROR;
        } else if (style == OUTER_JOIN_OUTER_KEYWORD) {
            if (tables.concat(", OUTER (") != VX_SUCCESS ||
                appendRange(tables, chain.text, start, end) != VX_SUCCESS ||
                tables.concat(")") != VX_SUCCESS)
                return VX_ERROR;
        } else if (tables.concat(", ") != VX_SUCCESS ||
                   appendRange(tables, chain.text, start, end) != VX_SUCCESS) {
            return VX_ERROR;
        }
        VxSubString inner = innerName(chain.text, start, end);
        chain.condition(i, start, end);
        trim(chain.text, start, end);
        if ((i != 0 && conditions.concat(" AND ") != VX_SUCCESS) ||
            baseMarkOuterJoinCondition(chain.text + start, end - start, inner, style, options,
                                       conditions) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (used < chain.count) {
        start = chain.joins[used].keywordStart;
        end = chain.length;
        if (tables.concat(" ") != VX_SUCCESS ||
            appendRange(tables, chain.text, start, end) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

VxStatus processOuterJoinEscape(VxReplaceString* text, unsigned long length,
                                BaseOuterJoinTypes style, const BaseEscapeOptions& options) {
    if (style != OUTER_JOIN_STAR_EQUAL && style != OUTER_JOIN_OUTER_KEYWORD &&
        style != OUTER_JOIN_PLUS_FIRST)
        style = OUTER_JOIN_PLUS_ALL;
    JoinChain chain;
    chain.text = text->data();
    chain.length = length < text->length() ? static_cast<std::uint32_t>(length) : text->length();
    if (findJoins(chain, options) != VX_SUCCESS)
        return VX_ERROR;
    bool left = false;
    for (unsigned i = 0; i < chain.count; ++i) {
        JoinKind kind = chain.joins[i].kind;
        if (kind == JOIN_FULL)
            return options.fullOuterJoins ? VX_SUCCESS : raise(6022);
        if (kind == JOIN_RIGHT && style != OUTER_JOIN_OUTER_KEYWORD)
            return raise(6046);
        left = left || kind == JOIN_LEFT;
    }
    if (chain.count == 0 || (!left && style != OUTER_JOIN_OUTER_KEYWORD))
        return raise(6046);
    unsigned used = options.firstOuterJoinOnly ? 1 : chain.count;
    for (unsigned i = 0; i < used; ++i)
        if (chain.joins[i].onStart == 0)
            return raise(6047);
    VxString tables;
    VxString conditions;
    if (rewriteChain(chain, used, style, options, tables, conditions) != VX_SUCCESS ||
        text->addBytes(tables.data(), tables.length()) != VX_SUCCESS)
        return VX_ERROR;
    text->skip(chain.length);
    return baseMoveOuterJoinCondition(*text, conditions, options);
}
