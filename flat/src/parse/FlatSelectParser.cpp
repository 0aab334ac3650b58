// FlatSelectParser: the statement level of a SELECT (head, FROM list,
// clauses) and the tree built from it.
#include "parse/FlatSelectParser.h"

#include <cstring>
#include <memory>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "flat/FlatJoin.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatProjection.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "flat/FlatTableAccess.h"
#include "parse/FlatConjuncts.h"
#include "parse/FlatSelectScope.h"
#include "util/VxArray.h"
#include "util/ram.h"

namespace {

const char* const clauseKeywords[] = {"WHERE", "ORDER", "GROUP", "HAVING", "FOR", "UNION"};
// Words that end a table reference instead of naming its correlation.
const char* const referenceEnds[] = {"WHERE",   "ORDER", "GROUP", "HAVING", "FOR",
                                     "UNION",   "LEFT",  "RIGHT", "INNER",  "CROSS",
                                     "NATURAL", "FULL",  "JOIN",  "ON",     "OUTER"};

bool isOneOf(const FlatSqlToken& token, const char* const* words, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (token.is(words[i]))
            return true;
    return false;
}

bool isClauseKeyword(const FlatSqlToken& token) {
    return isOneOf(token, clauseKeywords, sizeof clauseKeywords / sizeof clauseKeywords[0]);
}

// Words that end an ON condition besides the clause keywords.
const char* const onEnds[] = {"ON", "LEFT", "RIGHT", "INNER", "CROSS", "NATURAL", "FULL"};

// Whether `token` (just read) ends an ON condition: "," or a join word,
// but not LEFT or RIGHT followed by "(" (the string functions).
bool isOnEnd(const FlatSqlToken& token, const FlatSqlLexer& lexer) {
    if (token.isChar(','))
        return true;
    if (!isOneOf(token, onEnds, sizeof onEnds / sizeof onEnds[0]))
        return false;
    return !((token.is("LEFT") || token.is("RIGHT")) && lexer.peekChar() == '(');
}

VxStatus syntaxError(unsigned short id) {
    addFlatSyntaxError(id);
    return VX_ERROR;
}

VxStatus syntaxError(unsigned short id, const char* text) {
    addFlatSyntaxError(id) << text;
    return VX_ERROR;
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ' && c != 0;
}

} // namespace

FlatSelectParser::~FlatSelectParser() {
    delete from_;
}

char* FlatSelectParser::copySpan(const Span& span) const {
    return ramAllocStr(sql_ + span.start, span.end - span.start);
}

VxStatus FlatSelectParser::parse(const char* sql, FlatSelectTree* tree) {
    sql_ = sql;
    if (params_->scan(sql) != VX_SUCCESS)
        return VX_ERROR;
    FlatSqlLexer lexer(sql);
    if (readHead(lexer) != VX_SUCCESS || readSelectList(lexer) != VX_SUCCESS ||
        readFromList(lexer) != VX_SUCCESS || markLastTable() != VX_SUCCESS ||
        readClauses(lexer) != VX_SUCCESS)
        return VX_ERROR;
    return buildTree(tree);
}

VxStatus FlatSelectParser::parseBranch(const char* sql, std::size_t start) {
    sql_ = sql;
    FlatSqlLexer lexer(sql);
    lexer.setCursor(sql + start);
    if (readHead(lexer) != VX_SUCCESS || readSelectList(lexer) != VX_SUCCESS ||
        readFromList(lexer) != VX_SUCCESS || markLastTable() != VX_SUCCESS ||
        readClauses(lexer) != VX_SUCCESS)
        return VX_ERROR;
    return buildBranch();
}

VxStatus FlatSelectParser::markLastTable() {
    lastTable_ = static_cast<std::uint16_t>(tables_->getCount());
    return VX_SUCCESS;
}

namespace {

// The names around a sub-select of a statement whose own expression has
// no scope: none.
class NoNames : public FlatNameScope {
public:
    VxStatus findColumn(const char*, const char*, FlatColumnRef*, bool* found) override {
        *found = false;
        return VX_SUCCESS;
    }
    FlatNameScope* getOuterScope() override { return nullptr; }
};
NoNames noNames;

// The enclosing SELECTs' names as a sub-select sees them, noting whether
// any of them was found: a sub-select that names none of them gives the
// same rows for every row of the enclosing query.
class WatchedNames : public FlatNameScope {
public:
    WatchedNames(FlatNameScope* names, bool* used) : names_(names), used_(used) {}
    VxStatus findColumn(const char* qualifier, const char* name, FlatColumnRef* ref,
                        bool* found) override {
        if (names_->findColumn(qualifier, name, ref, found) != VX_SUCCESS)
            return VX_ERROR;
        if (*found)
            *used_ = true;
        return VX_SUCCESS;
    }
    FlatNameScope* getOuterScope() override {
        FlatNameScope* next = names_->getOuterScope();
        if (!next)
            return nullptr;
        if (!outer_ || outer_->names_ != next)
            outer_ = std::make_unique<WatchedNames>(next, used_);
        return outer_.get();
    }

private:
    FlatNameScope* names_;
    bool* used_;
    std::unique_ptr<WatchedNames> outer_;
};

} // namespace

VxStatus FlatSelectParser::parseSubQuery(std::size_t offset, FlatNameScope* outer, bool anyColumns,
                                         FlatSubQueryResult* out) {
    FlatSelectParser inner(info_, params_, tables_, 0x002 | 0x004);
    inner.userName_ = userName_;
    bool correlated = false;
    WatchedNames watched(outer ? outer : &noNames, &correlated);
    inner.outer_ = &watched;
    inner.firstTable_ = static_cast<std::uint16_t>(tables_->getCount());
    inner.sql_ = sql_;
    FlatSqlLexer lexer(sql_);
    lexer.setCursor(sql_ + offset);
    FlatSelectTree tree;
    if (inner.readHead(lexer) != VX_SUCCESS || inner.readSelectList(lexer) != VX_SUCCESS ||
        inner.readFromList(lexer) != VX_SUCCESS || inner.markLastTable() != VX_SUCCESS ||
        inner.readClauses(lexer) != VX_SUCCESS || inner.buildTree(&tree) != VX_SUCCESS)
        return VX_ERROR;
    FlatResultSetColumn* value = tree.projection->getColumn(0);
    if (!anyColumns && tree.projection->getColumnCount() != 1) {
        delete tree.root;
        return syntaxError(3995);
    }
    out->sqlType = value->getSqlType();
    out->precision = value->getPrecision();
    out->maxTable = lastTable_;
    return info_->addSubQuery(tree.root, value, correlated, &out->number);
}

VxStatus FlatSelectParser::readHead(FlatSqlLexer& lexer) {
    FlatSqlToken token;
    if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
        return VX_ERROR;
    if (token.isChar('(')) {
        outerParen_ = true;
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (!token.is("SELECT"))
        return syntaxError(3800);
    if (lexer.peek(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
        return VX_ERROR;
    if (token.is("ALL") || token.is("DISTINCT")) {
        distinct_ = token.is("DISTINCT");
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::readSelectList(FlatSqlLexer& lexer) {
    lexer.skipBlanks();
    selectList_.start = lexer.getOffset();
    unsigned long depth = 0;
    FlatSqlToken token;
    for (;;) {
        std::size_t before = lexer.getOffset();
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (token.isEmpty() || (depth == 0 && token.isChar(')') && outerParen_))
            return syntaxError(3900, "FROM");
        if (token.isChar('('))
            ++depth;
        else if (token.isChar(')') && depth > 0)
            --depth;
        else if (depth == 0 && token.is("FROM")) {
            selectList_.end = before;
            selectList_.present = true;
            return VX_SUCCESS;
        }
    }
}

VxStatus FlatSelectParser::readFromList(FlatSqlLexer& lexer) {
    bool outer = false;
    for (;;) {
        if (readTableReference(lexer, outer) != VX_SUCCESS)
            return VX_ERROR;
        FlatSqlToken token;
        for (;;) {
            if (lexer.peek(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (!token.is("ON"))
                break;
            if (waitingOn_.isEmpty())
                return syntaxError(3900, "LEFT OUTER JOIN");
            if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS ||
                readOnCondition(lexer) != VX_SUCCESS)
                return VX_ERROR;
        }
        if (token.isChar(',')) {
            outer = false;
        } else if (token.is("LEFT")) {
            if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS ||
                lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (token.is("OUTER") &&
                lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (!token.is("JOIN"))
                return syntaxError(3900, "JOIN");
            outer = true;
            continue;
        } else {
            break;
        }
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (!waitingOn_.isEmpty())
        return syntaxError(3900, "ON");
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::readOnCondition(FlatSqlLexer& lexer) {
    OuterJoin& join = outerJoins_[waitingOn_.pop()];
    lexer.skipBlanks();
    join.on.start = lexer.getOffset();
    if (skipClauseText(lexer, true) != VX_SUCCESS)
        return VX_ERROR;
    join.on.end = lexer.getOffset();
    while (join.on.end > join.on.start && isBlank(sql_[join.on.end - 1]))
        --join.on.end;
    join.on.present = true;
    if (join.on.end == join.on.start)
        return syntaxError(3905);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::readTableName(FlatSqlLexer& lexer, char* directory, char* file) {
    if (readTableWord(lexer, directory, file) != VX_SUCCESS)
        return VX_ERROR;
    // A statement's closing semicolon is not part of the name ("FROM t;").
    std::size_t length = std::strlen(file);
    std::size_t kept = length;
    while (kept > 0 && file[kept - 1] == ';')
        --kept;
    if (kept == length)
        return VX_SUCCESS;
    const char* cursor = lexer.getCursor();
    std::size_t back = length - kept;
    while (back > 0 && cursor > lexer.getText() && cursor[-1] == ';')
        --cursor, --back;
    lexer.setCursor(cursor);
    file[kept] = 0;
    if (kept == 0)
        return syntaxError(3909);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::readTableWord(FlatSqlLexer& lexer, char* directory, char* file) {
    FlatConnection* connection = info_->getConnection();
    if (connection) {
        char owner[FLAT_NAME_BUFFER];
        const char* cursor = lexer.getCursor();
        VxStatus status = connection->parseTableName(&cursor, directory, owner, file);
        lexer.setCursor(cursor);
        return status;
    }
    // Without a connection: the same rules over a blank-delimited word.
    FlatSqlToken token;
    if (lexer.next(&token, FLAT_TOKEN_FILE) != VX_SUCCESS)
        return VX_ERROR;
    const char* text = token.text();
    if (token.isEmpty() || std::strchr(",/()|", text[0]))
        return syntaxError(3909);
    std::size_t n = 0;
    for (const char* p = text; *p && n + 1 < FLAT_NAME_BUFFER; ++p)
        if (*p != '`')
            file[n++] = *p;
    file[n] = 0;
    directory[0] = 0;
    char* slash = std::strrchr(file, '\\');
    if (slash) {
        std::size_t dirLength = static_cast<std::size_t>(slash - file);
        std::memcpy(directory, file, dirLength);
        directory[dirLength] = 0;
        std::memmove(file, slash + 1, std::strlen(slash + 1) + 1);
    }
    if (!file[0])
        return syntaxError(3909);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::readOptions(FlatSqlLexer& lexer, char** options) {
    *options = nullptr;
    if (lexer.peekChar() != '(')
        return VX_SUCCESS;
    lexer.skipBlanks();
    const char* start = lexer.getCursor();
    const char* p = start;
    unsigned long depth = 0;
    char quote = 0;
    for (; *p; ++p) {
        if (quote) {
            if (*p == quote)
                quote = 0;
        } else if (*p == '\'' || *p == '"' || *p == '`') {
            quote = *p;
        } else if (*p == '(') {
            ++depth;
        } else if (*p == ')' && --depth == 0) {
            break;
        }
    }
    if (!*p) {
        std::size_t length = std::strlen(start);
        addFlatSyntaxError(3803) << VxSubString(start, length > 255 ? 255 : length);
        return VX_ERROR;
    }
    *options = ramAllocStr(start + 1, static_cast<std::size_t>(p - start - 1));
    if (!*options)
        return VX_ERROR;
    lexer.setCursor(p + 1);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::readTableReference(FlatSqlLexer& lexer, bool outer) {
    char directory[FLAT_NAME_BUFFER];
    char file[FLAT_NAME_BUFFER];
    if (readTableName(lexer, directory, file) != VX_SUCCESS)
        return VX_ERROR;
    char* options = nullptr;
    if (readOptions(lexer, &options) != VX_SUCCESS)
        return VX_ERROR;
    FlatSqlToken correlation;
    VxStatus status = lexer.peek(&correlation, FLAT_TOKEN_OPERAND);
    bool named = false;
    if (status == VX_SUCCESS && correlation.is("AS")) {
        status = lexer.next(&correlation, FLAT_TOKEN_OPERAND);
        if (status == VX_SUCCESS)
            status = lexer.next(&correlation, FLAT_TOKEN_OPERAND);
        named = true;
        if (status == VX_SUCCESS && !correlation.isName() && correlation.first() != '`')
            status = syntaxError(3909);
    } else if (status == VX_SUCCESS && (correlation.isName() || correlation.first() == '`') &&
               !isOneOf(correlation, referenceEnds,
                        sizeof referenceEnds / sizeof referenceEnds[0])) {
        status = lexer.next(&correlation, FLAT_TOKEN_OPERAND);
        named = true;
    }
    std::uint16_t number = static_cast<std::uint16_t>(tables_->getCount() + 1);
    auto* table = new FlatTableAccess(info_, number);
    if (status == VX_SUCCESS && tables_->add(table) != VX_SUCCESS) {
        delete table;
        ramFree(options);
        return VX_ERROR;
    }
    if (status != VX_SUCCESS) {
        delete table;
        ramFree(options);
        return VX_ERROR;
    }
    // The tree owns the table from here on.
    if (!from_) {
        from_ = table;
    } else {
        auto* join = new FlatJoin(info_, from_, table);
        from_ = join;
        join->setOuter(outer);
        if (joins_.push(join) != VX_SUCCESS ||
            (outer && (outerJoins_.push(OuterJoin{join, number, Span{0, 0, false}}) != VX_SUCCESS ||
                       waitingOn_.push(outerJoins_.size() - 1) != VX_SUCCESS))) {
            ramFree(options);
            return VX_ERROR;
        }
    }
    status = table->openTable(directory, file, options);
    ramFree(options);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    if (named) {
        char name[FLAT_NAME_SIZE];
        const char* text = correlation.text();
        std::size_t length = correlation.length();
        if (correlation.first() == '`' && length >= 2)
            ++text, length -= 2;
        if (length >= sizeof name)
            length = sizeof name - 1;
        std::memcpy(name, text, length);
        name[length] = 0;
        return table->setCorrelationName(name);
    }
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::skipClauseText(FlatSqlLexer& lexer, bool onCondition) {
    unsigned long depth = 0;
    FlatSqlToken token;
    for (;;) {
        const char* before = lexer.getCursor();
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (onCondition && depth == 0 && isOnEnd(token, lexer)) {
            lexer.setCursor(before);
            return VX_SUCCESS;
        }
        bool end = token.isEmpty() || (depth == 0 && isClauseKeyword(token)) ||
                   (depth == 0 && token.isChar(';')) ||
                   (depth == 0 && token.isChar(')') && outerParen_ && !outerClosed_);
        if (end) {
            lexer.setCursor(before);
            return VX_SUCCESS;
        }
        if (token.isChar('('))
            ++depth;
        else if (token.isChar(')') && depth > 0)
            --depth;
    }
}

VxStatus FlatSelectParser::readClause(FlatSqlLexer& lexer, ClauseId id, const char* keyword) {
    if (clauses_[id].present)
        return syntaxError(3804, keyword);
    lexer.skipBlanks();
    Span& span = clauses_[id];
    span.start = lexer.getOffset();
    if (skipClauseText(lexer) != VX_SUCCESS)
        return VX_ERROR;
    span.end = lexer.getOffset();
    while (span.end > span.start && isBlank(sql_[span.end - 1]))
        --span.end;
    span.present = true;
    if (span.end == span.start)
        return syntaxError(3905);
    return VX_SUCCESS;
}

VxStatus FlatSelectParser::checkTrashAtEnd(FlatSqlLexer& lexer) {
    FlatSqlToken token;
    for (;;) {
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (token.isEmpty())
            return VX_SUCCESS;
        if (!token.isChar(';'))
            return syntaxError(3803, token.text());
    }
}

VxStatus FlatSelectParser::readClauses(FlatSqlLexer& lexer) {
    FlatSqlToken token;
    for (;;) {
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (token.isEmpty())
            break;
        if (token.isChar(';')) {
            if (checkTrashAtEnd(lexer) != VX_SUCCESS)
                return VX_ERROR;
            break;
        }
        if (token.isChar(')') && outerParen_ && !outerClosed_) {
            outerClosed_ = true;
            if (outer_)
                break; // a sub-select ends at its ")"
            continue;
        }
        if (token.is("UNION")) {
            // The rest of the text is the next SELECT of the union.
            union_ = true;
            if (lexer.peek(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (token.is("ALL")) {
                unionAll_ = true;
                if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                    return VX_ERROR;
            }
            unionRest_ = lexer.getOffset();
            break;
        }
        if (outerClosed_)
            return syntaxError(3803, token.text());
        VxStatus status = VX_SUCCESS;
        if (token.is("WHERE")) {
            status = readClause(lexer, WHERE, "WHERE");
        } else if (token.is("HAVING")) {
            status = readClause(lexer, HAVING, "HAVING");
        } else if (token.is("GROUP") || token.is("ORDER")) {
            bool group = token.is("GROUP");
            const char* name = group ? "GROUP BY" : "ORDER BY";
            if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (!token.is("BY"))
                return syntaxError(3900, "BY");
            status = readClause(lexer, group ? GROUP_BY : ORDER_BY, name);
        } else if (token.is("FOR")) {
            if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (!token.is("UPDATE"))
                return syntaxError(3900, "UPDATE");
            if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            if (!token.is("OF"))
                return syntaxError(3900, "OF");
            status = readClause(lexer, FOR_UPDATE, "FOR UPDATE OF");
        } else {
            return syntaxError(3902, token.text());
        }
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    if (outerParen_ && !outerClosed_ && !union_)
        return syntaxError(3922);
    return VX_SUCCESS;
}
