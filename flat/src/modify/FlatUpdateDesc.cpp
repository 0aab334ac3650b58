#include "flat/FlatRowChangeDesc.h"

#include "error/FlatErrors.h"
#include "flat/FlatResultSet.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatSelectDesc.h"
#include "modify/FlatValueFamily.h"
#include "parse/FlatSqlLexer.h"

namespace {

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Whether the word WHERE (any case) stands at `p`.
bool isWhere(const char* start, const char* p) {
    static const char WORD[] = "WHERE";
    if (p > start && isWordChar(p[-1]))
        return false;
    for (int i = 0; i < 5; ++i)
        if ((p[i] & ~0x20) != WORD[i])
            return false;
    return !isWordChar(p[5]);
}

} // namespace

FlatUpdateDesc::FlatUpdateDesc(FlatStatement* statement) : FlatRowChangeDesc(statement) {
    update_ = true;
}

// Appends "," and the expression (a bare marker as "(? + 0)", as INSERT
// does), counting the markers as the parser numbers them.
VxStatus FlatUpdateDesc::addExpression(const char* text, std::size_t length, VxString* query,
                                       std::uint16_t* markers) {
    std::uint16_t count = 0;
    bool bare = false;
    if (FlatSqlLexer::countMarkers(text, length, &count, &bare))
        return VX_ERROR;
    if (bare) {
        bareParams_.push_back(static_cast<std::uint16_t>(*markers + 1u));
        ++*markers;
        return query->concat(",(? + 0)");
    }
    bareParams_.push_back(0);
    *markers = static_cast<std::uint16_t>(*markers + count);
    return query->concat(",(") || query->concat(text, length) || query->concat(')') ? VX_ERROR
                                                                                    : VX_SUCCESS;
}

VxStatus FlatUpdateDesc::parse(const char* sql) {
    release();
    FlatSqlLexer lexer(sql);
    FlatSqlToken token;
    if (lexer.nextKeyword(&token)) // UPDATE
        return VX_ERROR;
    lexer.skipBlanks();
    const char* tableStart = lexer.getCursor();
    if (lexer.next(&token, FLAT_TOKEN_FILE, FLAT_NAME_SIZE))
        return VX_ERROR;
    if (token.isEmpty() || token.is("SET")) {
        addFlatSyntaxError(3850);
        return VX_ERROR;
    }
    // A correlation name may follow the table.
    const char* tableEnd = lexer.getCursor();
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (!token.is("SET")) {
        tableEnd = lexer.getCursor();
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (!token.is("SET")) {
            addFlatSyntaxError(3851);
            return VX_ERROR;
        }
    }
    VxString query;
    if (query.initialize("SELECT "))
        return VX_ERROR;
    std::uint16_t markers = 0;
    const char* p = lexer.getCursor();
    for (;;) {
        // column [ . column ] =
        lexer.setCursor(p);
        lexer.skipBlanks();
        const char* columnStart = lexer.getCursor();
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (token.isEmpty() || token.isChar('=') || token.isChar(',')) {
            addFlatSyntaxError(3852);
            return VX_ERROR;
        }
        std::string column(token.text(), token.length());
        if (lexer.peekChar() == '.') {
            if (lexer.nextKeyword(&token) || lexer.nextKeyword(&token))
                return VX_ERROR;
            column.append(".").append(token.text(), token.length());
        }
        const char* columnEnd = lexer.getCursor();
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (!token.isChar('=')) {
            addFlatSyntaxError(3853) << column.c_str();
            return VX_ERROR;
        }
        if (assignments_ && query.concat(','))
            return VX_ERROR;
        if (query.concat(columnStart, static_cast<std::size_t>(columnEnd - columnStart)))
            return VX_ERROR;
        // The expression runs to a "," or WHERE at depth 0.
        const char* start = lexer.getCursor();
        int depth = 0;
        p = start;
        for (;;) {
            const char c = *p;
            if (c == '\0') {
                if (depth > 0) {
                    addFlatSyntaxError(3854) << column.c_str();
                    return VX_ERROR;
                }
                break;
            }
            if (c == '\'' || c == '"' || c == '`') {
                p = FlatSqlLexer::skipQuoted(p);
                continue;
            }
            if (c == '(' || c == '{')
                ++depth;
            else if ((c == ')' || c == '}') && depth > 0)
                --depth;
            else if (depth == 0 && (c == ',' || isWhere(sql, p)))
                break;
            ++p;
        }
        const char* end = p;
        while (end > start && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' ||
                               end[-1] == '\n' || end[-1] == ';'))
            --end;
        if (end == start) {
            addFlatSyntaxError(3854) << column.c_str();
            return VX_ERROR;
        }
        if (addExpression(start, static_cast<std::size_t>(end - start), &query, &markers))
            return VX_ERROR;
        ++assignments_;
        if (*p != ',')
            break;
        ++p;
    }
    const char* rest = p;
    const char* restEnd = p + std::char_traits<char>::length(p);
    if (takeCurrentOf(rest, &restEnd))
        return VX_ERROR;
    if (query.concat(" FROM ") ||
        query.concat(tableStart, static_cast<std::size_t>(tableEnd - tableStart)) ||
        query.concat(' ') || query.concat(rest, static_cast<std::size_t>(restEnd - rest)))
        return VX_ERROR;
    if (compile(query.getText()) || checkAssignments()) {
        release();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Each odd result column a plain column of the table, named once.
VxStatus FlatUpdateDesc::checkAssignments() {
    if (select_->getNumResultCols() != 2u * assignments_) {
        addFlatSyntaxError(3855);
        return VX_ERROR;
    }
    FlatResultSet* root = select_->getRoot();
    for (std::uint16_t i = 0; i < assignments_; ++i) {
        FlatResultSetColumn* target = root->getColumn(static_cast<std::uint16_t>(2 * i));
        if (!target->isSourceField()) {
            addFlatSyntaxError(3856);
            return VX_ERROR;
        }
        const std::uint16_t field = target->getSourceFieldNumber();
        for (std::uint16_t known : fields_)
            if (known == field) {
                addFlatError(4043) << target->getName();
                return VX_ERROR;
            }
        fields_.push_back(field);
        // A parameter takes the column's type.
        FlatResultSetColumn* value = root->getColumn(static_cast<std::uint16_t>(2 * i + 1));
        if (bareParams_[i] || !value->getExpr().getOpStream().isCompiled())
            continue;
        if (!flatmodify::isCompatible(target->getSqlType(), value->getSqlType())) {
            addFlatSyntaxError(3857);
            return VX_ERROR;
        }
    }
    return VX_SUCCESS;
}
