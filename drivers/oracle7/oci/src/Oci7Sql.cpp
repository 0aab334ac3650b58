#include "Oci7Sql.h"

#include <cctype>
#include <cstring>

#include "oci7.h"

namespace oci7 {

namespace {

bool isWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

const char* const kDictionary[] = {
    "ALL_USERS",         "ALL_CATALOG",       "ALL_TABLES",        "ALL_VIEWS",
    "ALL_TAB_COLUMNS",   "ALL_TAB_COMMENTS",  "ALL_COL_COMMENTS",  "ALL_OBJECTS",
    "ALL_SYNONYMS",      "ALL_INDEXES",       "ALL_IND_COLUMNS",   "ALL_CONSTRAINTS",
    "ALL_CONS_COLUMNS",  "ALL_DB_LINKS",      "ALL_ARGUMENTS",     "ALL_TAB_PRIVS",
    "ALL_COL_PRIVS",     "TABLE_PRIVILEGES",  "COLUMN_PRIVILEGES", "USER_USERS",
    "USER_CATALOG",      "USER_TABLES",       "USER_VIEWS",        "USER_TAB_COLUMNS",
    "USER_TAB_COMMENTS", "USER_COL_COMMENTS", "USER_OBJECTS",      "USER_SYNONYMS",
    "USER_INDEXES",      "USER_IND_COLUMNS",  "USER_CONSTRAINTS",  "USER_CONS_COLUMNS",
    "USER_ARGUMENTS",    "USER_TAB_PRIVS",    "USER_COL_PRIVS"};

// Significant-token view of a token list: indexes of the non-blank tokens.
std::vector<size_t> significant(const std::vector<Token>& tokens) {
    std::vector<size_t> out;
    for (size_t i = 0; i < tokens.size(); ++i)
        if (tokens[i].type != Token::Space)
            out.push_back(i);
    return out;
}

bool isWord(const Token& t, const char* word) {
    return t.type == Token::Word && t.text == word;
}
bool isPunct(const Token& t, const char* p) {
    return t.type == Token::Punct && t.text == p;
}

std::string joinTokens(const std::vector<Token>& tokens, size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to && i < tokens.size(); ++i)
        out += tokens[i].text;
    return out;
}

struct Classified {
    StatementKind kind;
    int functionType;
};

// The kind of a statement from its first words; false when unknown.
bool classify(const std::vector<Token>& t, const std::vector<size_t>& sig, Classified* out) {
    if (sig.empty())
        return false;
    const Token& first = t[sig[0]];
    std::string second = sig.size() > 1 ? t[sig[1]].text : std::string();
    std::string w = first.type == Token::Word ? first.text : std::string();
    if (isPunct(first, "("))
        w = "SELECT"; // a parenthesised query
    if (w == "SELECT" || w == "WITH")
        *out = {StatementKind::Query, OCI7_FT_SELECT};
    else if (w == "INSERT")
        *out = {StatementKind::Dml, OCI7_FT_INSERT};
    else if (w == "UPDATE")
        *out = {StatementKind::Dml, OCI7_FT_UPDATE};
    else if (w == "DELETE")
        *out = {StatementKind::Dml, OCI7_FT_DELETE};
    else if (w == "SAVEPOINT")
        *out = {StatementKind::Dml, OCI7_FT_OTHER_DDL};
    else if (w == "CREATE")
        *out = {StatementKind::Ddl, second == "TABLE"  ? OCI7_FT_CREATE_TABLE
                                    : second == "VIEW" ? OCI7_FT_CREATE_VIEW
                                                       : OCI7_FT_OTHER_DDL};
    else if (w == "DROP")
        *out = {StatementKind::Ddl, second == "TABLE" ? OCI7_FT_DROP_TABLE : OCI7_FT_OTHER_DDL};
    else if (w == "ALTER" || w == "TRUNCATE" || w == "RENAME")
        *out = {StatementKind::Ddl, OCI7_FT_OTHER_DDL};
    else if (w == "COMMENT")
        *out = {StatementKind::Comment, OCI7_FT_OTHER_DDL};
    else if (w == "BEGIN" || w == "DECLARE")
        *out = {StatementKind::Plsql, OCI7_FT_PLSQL};
    else if (w == "COMMIT")
        *out = {StatementKind::Commit, OCI7_FT_COMMIT};
    else if (w == "ROLLBACK")
        *out = {second == "TO" ? StatementKind::Dml : StatementKind::Rollback, OCI7_FT_COMMIT};
    else if (w == "LOCK" || w == "SET" || w == "GRANT" || w == "REVOKE" || w == "ANALYZE" ||
             w == "AUDIT" || w == "NOAUDIT")
        *out = {StatementKind::NoOp, OCI7_FT_OTHER_DDL};
    else
        return false;
    return true;
}

// COMMENT ON TABLE t IS '...' / COMMENT ON COLUMN t.c IS '...'
int readComment(const std::vector<Token>& t, const std::vector<size_t>& sig, Rewrite* r) {
    size_t n = sig.size();
    auto at = [&](size_t k) -> const Token& { return t[sig[k]]; };
    if (n < 6 || !isWord(at(1), "ON"))
        return 900;
    size_t k = 3;
    auto name = [&](const Token& tok) {
        return tok.type == Token::Quoted ? tok.text.substr(1, tok.text.size() - 2) : tok.text;
    };
    std::vector<std::string> parts{name(at(k))};
    while (k + 2 < n && isPunct(at(k + 1), ".")) {
        parts.push_back(name(at(k + 2)));
        k += 2;
    }
    ++k;
    if (k + 1 >= n || !isWord(at(k), "IS") || at(k + 1).type != Token::String || k + 2 != n)
        return 933;
    std::string lit = at(k + 1).text.substr(1, at(k + 1).text.size() - 2);
    std::string text;
    for (size_t i = 0; i < lit.size(); ++i) {
        text += lit[i];
        if (lit[i] == '\'' && i + 1 < lit.size() && lit[i + 1] == '\'')
            ++i;
    }
    r->commentText = text;
    if (isWord(at(2), "TABLE")) {
        r->commentTable = parts.back();
    } else if (isWord(at(2), "COLUMN") && parts.size() >= 2) {
        r->commentColumn = parts.back();
        r->commentTable = parts[parts.size() - 2];
    } else {
        return 900;
    }
    return 0;
}

// The select list of the first top-level SELECT, and the text from FROM on.
void readSelectList(const std::vector<Token>& t, Rewrite* r) {
    std::vector<size_t> sig = significant(t);
    size_t k = 0;
    while (k < sig.size() && isPunct(t[sig[k]], "("))
        ++k;
    if (k >= sig.size() || !isWord(t[sig[k]], "SELECT"))
        return;
    ++k;
    if (k < sig.size() &&
        (isWord(t[sig[k]], "DISTINCT") || isWord(t[sig[k]], "ALL") || isWord(t[sig[k]], "UNIQUE")))
        ++k;
    int depth = 0;
    std::vector<Token> item;
    for (; k < sig.size(); ++k) {
        const Token& tok = t[sig[k]];
        if (isPunct(tok, "("))
            ++depth;
        else if (isPunct(tok, ")"))
            --depth;
        if (depth == 0 && (isWord(tok, "FROM") || isWord(tok, "UNION") || isWord(tok, "EXCEPT") ||
                           isWord(tok, "INTERSECT"))) {
            if (isWord(tok, "FROM"))
                r->fromClause = joinTokens(t, sig[k], t.size());
            break;
        }
        if (depth == 0 && isPunct(tok, ",")) {
            r->selectItems.push_back(item);
            item.clear();
            continue;
        }
        item.push_back(tok);
    }
    r->selectItems.push_back(item);
    // Strip the aliases: "expr [AS] name" where name follows an operand.
    for (std::vector<Token>& it : r->selectItems) {
        size_t n = it.size();
        if (n < 2)
            continue;
        const Token& last = it[n - 1];
        const Token& before = it[n - 2];
        if (last.type != Token::Word && last.type != Token::Quoted)
            continue;
        if (isWord(before, "AS")) {
            it.resize(n - 2);
            continue;
        }
        bool operand = before.type == Token::Word || before.type == Token::Quoted ||
                       before.type == Token::String || before.type == Token::Number ||
                       isPunct(before, ")") || isPunct(before, "*");
        if (operand && !(isPunct(before, "*") && n > 2))
            it.resize(n - 1);
    }
}

// Removes "FOR UPDATE [OF ...] [NOWAIT]" from the end of a query.
void cutForUpdate(std::vector<Token>* t, Rewrite* r) {
    std::vector<size_t> sig = significant(*t);
    int depth = 0;
    for (size_t k = 0; k + 1 < sig.size(); ++k) {
        const Token& tok = (*t)[sig[k]];
        if (isPunct(tok, "("))
            ++depth;
        else if (isPunct(tok, ")"))
            --depth;
        if (depth == 0 && isWord(tok, "FOR") && isWord((*t)[sig[k + 1]], "UPDATE")) {
            r->forUpdate = true;
            for (size_t j = k + 2; j < sig.size(); ++j)
                if (isWord((*t)[sig[j]], "NOWAIT"))
                    r->nowait = true;
            t->resize(sig[k]);
            return;
        }
    }
}

struct FromItem {
    size_t begin, end; // token range
    std::string key;   // alias, else table name
};

// Rewrites "FROM a, b WHERE a.x = b.y (+)" as "FROM a LEFT JOIN b ON a.x = b.y"
// in one query block. Blocks of other shapes are left as they are.
void convertBlockOuterJoins(std::vector<Token>* tokens) {
    std::vector<Token>& t = *tokens;
    std::vector<size_t> sig = significant(t);
    bool any = false;
    for (size_t k = 0; k + 2 < sig.size(); ++k)
        if (isPunct(t[sig[k]], "(") && isPunct(t[sig[k + 1]], "+") && isPunct(t[sig[k + 2]], ")"))
            any = true;
    if (!any)
        return;
    size_t from = 0, where = 0, whereEnd = sig.size();
    int depth = 0;
    for (size_t k = 0; k < sig.size(); ++k) {
        const Token& tok = t[sig[k]];
        if (isPunct(tok, "("))
            ++depth;
        else if (isPunct(tok, ")"))
            --depth;
        else if (depth == 0 && isWord(tok, "FROM") && from == 0)
            from = k;
        else if (depth == 0 && isWord(tok, "WHERE") && from != 0 && where == 0)
            where = k;
        else if (depth == 0 && where != 0 && whereEnd == sig.size() &&
                 (isWord(tok, "GROUP") || isWord(tok, "ORDER") || isWord(tok, "HAVING") ||
                  isWord(tok, "UNION") || isWord(tok, "MINUS") || isWord(tok, "EXCEPT") ||
                  isWord(tok, "INTERSECT")))
            whereEnd = k;
    }
    if (from == 0 || where == 0)
        return;
    // FROM items.
    std::vector<FromItem> items;
    size_t start = from + 1;
    depth = 0;
    for (size_t k = from + 1; k <= where; ++k) {
        if (k < where && isPunct(t[sig[k]], "("))
            ++depth;
        else if (k < where && isPunct(t[sig[k]], ")"))
            --depth;
        if (k == where || (depth == 0 && isPunct(t[sig[k]], ","))) {
            if (k == start)
                return;
            FromItem item{sig[start], sig[k - 1] + 1, t[sig[k - 1]].text};
            items.push_back(item);
            start = k + 1;
        }
    }
    // WHERE conjuncts (only AND at the top level).
    std::vector<std::pair<size_t, size_t>> conjuncts; // sig index ranges
    start = where + 1;
    depth = 0;
    for (size_t k = where + 1; k <= whereEnd; ++k) {
        if (k < whereEnd && isPunct(t[sig[k]], "("))
            ++depth;
        else if (k < whereEnd && isPunct(t[sig[k]], ")"))
            --depth;
        else if (k < whereEnd && depth == 0 && isWord(t[sig[k]], "OR"))
            return;
        if (k == whereEnd || (depth == 0 && isWord(t[sig[k]], "AND"))) {
            if (k == start)
                return;
            conjuncts.push_back({start, k});
            start = k + 1;
        }
    }
    // Each conjunct with "(+)" goes to the ON clause of the table named
    // before its marker.
    std::vector<std::string> onText(items.size());
    std::vector<std::string> keep;
    for (auto& c : conjuncts) {
        std::string text;
        std::string qualifier;
        bool marked = false;
        for (size_t k = c.first; k < c.second; ++k) {
            if (k + 2 < c.second && isPunct(t[sig[k]], "(") && isPunct(t[sig[k + 1]], "+") &&
                isPunct(t[sig[k + 2]], ")")) {
                if (k >= c.first + 3 && isPunct(t[sig[k - 2]], "."))
                    qualifier = t[sig[k - 3]].text;
                marked = true;
                k += 2;
                continue;
            }
            text += joinTokens(t, sig[k], k + 1 < c.second ? sig[k + 1] : sig[k] + 1);
        }
        if (!marked) {
            keep.push_back(text);
            continue;
        }
        size_t target = items.size();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].key == qualifier)
                target = i;
        if (target == items.size())
            return;
        onText[target] += onText[target].empty() ? text : " AND " + text;
    }
    std::string fromText = " ";
    bool firstPlain = true;
    for (size_t i = 0; i < items.size(); ++i) {
        if (!onText[i].empty())
            continue;
        fromText += (firstPlain ? "" : ", ") + joinTokens(t, items[i].begin, items[i].end);
        firstPlain = false;
    }
    if (firstPlain)
        return;
    for (size_t i = 0; i < items.size(); ++i)
        if (!onText[i].empty())
            fromText +=
                " LEFT JOIN " + joinTokens(t, items[i].begin, items[i].end) + " ON " + onText[i];
    std::string whereText;
    for (const std::string& k : keep)
        whereText += (whereText.empty() ? " WHERE " : " AND ") + k;
    std::string rebuilt = joinTokens(t, 0, sig[from] + 1) + fromText + whereText + " " +
                          joinTokens(t, whereEnd < sig.size() ? sig[whereEnd] : t.size(), t.size());
    Token whole{Token::Space, rebuilt, 0};
    t.assign(1, whole);
}

// Concatenation. Oracle's "||" treats NULL as an empty string, SQLite's
// gives NULL: every chain "a || b || c" becomes ORA_CONCAT(a, b, c). In
// SQLite "||" binds tighter than any other operator, so its operands are
// primaries: literals, placeholders, names, calls and parenthesised
// expressions.
class ConcatRewriter {
public:
    explicit ConcatRewriter(const std::vector<Token>& t) : t_(t) {}
    std::string transform(size_t a, size_t b) {
        std::string out;
        size_t i = a;
        while (i < b) {
            if (t_[i].type == Token::Space) {
                out += t_[i++].text;
                continue;
            }
            size_t e = primaryEnd(i, b);
            if (e == i) {
                out += t_[i++].text;
                continue;
            }
            std::vector<std::pair<size_t, size_t>> chain{{i, e}};
            for (size_t j = nextSignificant(e, b); j < b && isPunct(t_[j], "||");) {
                size_t k = nextSignificant(j + 1, b);
                size_t e2 = primaryEnd(k, b);
                if (e2 == k)
                    break;
                chain.push_back({k, e2});
                j = nextSignificant(e2, b);
            }
            if (chain.size() == 1) {
                out += render(i, e);
            } else {
                out += "ORA_CONCAT(";
                for (size_t c = 0; c < chain.size(); ++c)
                    out += (c == 0 ? "" : ", ") + render(chain[c].first, chain[c].second);
                out += ")";
            }
            i = chain.back().second;
        }
        return out;
    }

private:
    size_t nextSignificant(size_t i, size_t b) const {
        while (i < b && t_[i].type == Token::Space)
            ++i;
        return i;
    }
    // The index after the ")" matching the "(" at i, or i when unbalanced.
    size_t closeOf(size_t i, size_t b) const {
        int depth = 0;
        for (size_t k = i; k < b; ++k) {
            if (isPunct(t_[k], "("))
                ++depth;
            else if (isPunct(t_[k], ")") && --depth == 0)
                return k + 1;
        }
        return i;
    }
    size_t primaryEnd(size_t i, size_t b) const {
        if (i >= b)
            return i;
        const Token& tok = t_[i];
        if (tok.type == Token::String || tok.type == Token::Number ||
            tok.type == Token::Placeholder)
            return i + 1;
        if (isPunct(tok, "("))
            return closeOf(i, b);
        if (tok.type != Token::Word && tok.type != Token::Quoted)
            return i;
        if (tok.type == Token::Word && (tok.text == "END" || tok.text == "SELECT"))
            return i;
        size_t e = i + 1;
        for (;;) {
            size_t dot = nextSignificant(e, b);
            if (dot < b && isPunct(t_[dot], ".")) {
                size_t name = nextSignificant(dot + 1, b);
                if (name < b && (t_[name].type == Token::Word || t_[name].type == Token::Quoted ||
                                 isPunct(t_[name], "*"))) {
                    e = name + 1;
                    continue;
                }
            }
            break;
        }
        size_t open = nextSignificant(e, b);
        if (open < b && isPunct(t_[open], "(")) {
            size_t close = closeOf(open, b);
            if (close != open)
                return close;
        }
        return e;
    }
    // A primary with the chains inside its parentheses rewritten too.
    std::string render(size_t a, size_t e) {
        std::string out;
        for (size_t k = a; k < e; ++k) {
            if (isPunct(t_[k], "(")) {
                size_t close = closeOf(k, e);
                return out + "(" + transform(k + 1, close - 1) + ")" + joinTokens(t_, close, e);
            }
            out += t_[k].text;
        }
        return out;
    }

    const std::vector<Token>& t_;
};

// CREATE TABLE: Oracle refuses a value longer than its VARCHAR2, CHAR or RAW
// column (ORA-01401); SQLite keeps it. Each such column gets a CHECK on
// its length in bytes, which the error mapping knows by its text.
void addLengthChecks(std::vector<Token>* tokens) {
    std::vector<Token>& t = *tokens;
    std::vector<size_t> sig = significant(t);
    if (sig.size() < 4 || !isWord(t[sig[0]], "CREATE") || !isWord(t[sig[1]], "TABLE"))
        return;
    size_t k = 2;
    while (k + 1 < sig.size() && !isPunct(t[sig[k]], "("))
        ++k;
    std::vector<std::pair<size_t, std::string>> inserts; // after token index, text
    bool elementStart = true;
    int depth = 0;
    for (++k; k < sig.size(); ++k) {
        const Token& tok = t[sig[k]];
        if (isPunct(tok, "(")) {
            ++depth;
        } else if (isPunct(tok, ")")) {
            if (depth-- == 0)
                break;
        } else if (depth == 0 && isPunct(tok, ",")) {
            elementStart = true;
            continue;
        }
        if (!elementStart)
            continue;
        elementStart = false;
        if (tok.type != Token::Word && tok.type != Token::Quoted)
            continue;
        if (tok.type == Token::Word &&
            (tok.text == "CONSTRAINT" || tok.text == "PRIMARY" || tok.text == "UNIQUE" ||
             tok.text == "FOREIGN" || tok.text == "CHECK"))
            continue;
        if (k + 4 >= sig.size())
            continue;
        const Token& type = t[sig[k + 1]];
        bool sized = isWord(type, "VARCHAR2") || isWord(type, "VARCHAR") || isWord(type, "CHAR") ||
                     isWord(type, "NCHAR") || isWord(type, "RAW") || isWord(type, "NVARCHAR2");
        if (!sized || !isPunct(t[sig[k + 2]], "(") || t[sig[k + 3]].type != Token::Number ||
            !isPunct(t[sig[k + 4]], ")"))
            continue;
        inserts.push_back({sig[k + 4], " CHECK (LENGTH(CAST(" + tok.text +
                                           " AS BLOB)) <= " + t[sig[k + 3]].text + ")"});
    }
    for (auto it = inserts.rbegin(); it != inserts.rend(); ++it)
        t.insert(t.begin() + static_cast<long>(it->first) + 1, Token{Token::Space, it->second, 0});
}

// CREATE [OR REPLACE] [PUBLIC] SYNONYM s FOR [owner.]t, DROP [PUBLIC] SYNONYM s.
bool readSynonym(const std::vector<Token>& t, const std::vector<size_t>& sig, Rewrite* r) {
    size_t k = 1;
    bool drop = isWord(t[sig[0]], "DROP");
    if (!drop && k + 1 < sig.size() && isWord(t[sig[k]], "OR") && isWord(t[sig[k + 1]], "REPLACE"))
        k += 2;
    bool isPublic = k < sig.size() && isWord(t[sig[k]], "PUBLIC");
    if (isPublic)
        ++k;
    if (k >= sig.size() || !isWord(t[sig[k]], "SYNONYM"))
        return false;
    r->synonym = true;
    r->dropSynonym = drop;
    r->publicSynonym = isPublic;
    auto name = [&](size_t i) {
        const Token& tok = t[sig[i]];
        return tok.type == Token::Quoted ? tok.text.substr(1, tok.text.size() - 2) : tok.text;
    };
    if (++k >= sig.size()) {
        r->error = 936;
        return true;
    }
    r->synonymName = name(k++);
    if (drop) {
        if (k != sig.size())
            r->error = 933;
        return true;
    }
    if (k + 1 >= sig.size() || !isWord(t[sig[k]], "FOR")) {
        r->error = 905; // missing keyword
        return true;
    }
    ++k;
    if (k + 2 < sig.size() && isPunct(t[sig[k + 1]], "."))
        k += 2; // the owner: every table belongs to the session's user
    r->synonymTable = name(k++);
    if (k != sig.size())
        r->error = 933;
    return true;
}

// Converts the outer joins of each block of a compound query.
void convertOuterJoins(std::vector<Token>* tokens) {
    std::vector<Token>& t = *tokens;
    std::vector<Token> out, block;
    int depth = 0;
    for (size_t i = 0; i <= t.size(); ++i) {
        bool end = i == t.size();
        if (!end && isPunct(t[i], "("))
            ++depth;
        else if (!end && isPunct(t[i], ")"))
            --depth;
        bool setOperator = !end && depth == 0 &&
                           (isWord(t[i], "UNION") || isWord(t[i], "EXCEPT") ||
                            isWord(t[i], "INTERSECT") || isWord(t[i], "MINUS"));
        if (end || setOperator) {
            convertBlockOuterJoins(&block);
            out.insert(out.end(), block.begin(), block.end());
            block.clear();
            if (setOperator)
                out.push_back(t[i]);
            continue;
        }
        block.push_back(t[i]);
    }
    t.swap(out);
}

} // namespace

std::string upperAscii(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool isDictionaryName(const std::string& name) {
    for (const char* d : kDictionary)
        if (name == d)
            return true;
    return false;
}

int tokenize(const std::string& sql, std::vector<Token>* out, size_t* errorOffset) {
    out->clear();
    size_t i = 0, n = sql.size();
    while (i < n) {
        char c = sql[i];
        size_t start = i;
        Token::Type type;
        if (std::isspace(static_cast<unsigned char>(c))) {
            while (i < n && std::isspace(static_cast<unsigned char>(sql[i])))
                ++i;
            type = Token::Space;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n')
                ++i;
            type = Token::Space;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            size_t end = sql.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
            type = Token::Space;
        } else if (c == '\'' || c == '"') {
            ++i;
            for (;;) {
                if (i >= n) {
                    *errorOffset = start;
                    return c == '\'' ? 1756 : 1740;
                }
                if (sql[i] == c) {
                    if (c == '\'' && i + 1 < n && sql[i + 1] == '\'') {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            type = c == '\'' ? Token::String : Token::Quoted;
        } else if (isWordStart(c)) {
            while (i < n && isWordChar(sql[i]))
                ++i;
            type = Token::Word;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < n &&
                    std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            while (i < n && (std::isdigit(static_cast<unsigned char>(sql[i])) || sql[i] == '.'))
                ++i;
            if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
                size_t j = i + 1;
                if (j < n && (sql[j] == '+' || sql[j] == '-'))
                    ++j;
                if (j < n && std::isdigit(static_cast<unsigned char>(sql[j]))) {
                    i = j;
                    while (i < n && std::isdigit(static_cast<unsigned char>(sql[i])))
                        ++i;
                }
            }
            type = Token::Number;
        } else if (c == ':' && i + 1 < n && isWordChar(sql[i + 1])) {
            ++i;
            while (i < n && isWordChar(sql[i]))
                ++i;
            type = Token::Placeholder;
        } else {
            ++i;
            bool two = i < n && ((c == '|' && sql[i] == '|') || (c == '<' && sql[i] == '>') ||
                                 (c == '!' && sql[i] == '=') || (c == '<' && sql[i] == '=') ||
                                 (c == '>' && sql[i] == '=') || (c == ':' && sql[i] == '='));
            if (two)
                ++i;
            type = Token::Punct;
        }
        out->push_back(Token{type, sql.substr(start, i - start), start});
    }
    return 0;
}

Rewrite rewriteSql(const std::string& sql, const std::string& user) {
    Rewrite r;
    std::vector<Token> t;
    int rc = tokenize(sql, &t, &r.errorOffset);
    if (rc != 0) {
        r.error = rc;
        return r;
    }
    for (Token& tok : t)
        if (tok.type == Token::Word || tok.type == Token::Placeholder)
            tok.text = upperAscii(tok.text);
    std::vector<size_t> sig = significant(t);
    Classified c;
    if (!classify(t, sig, &c)) {
        r.error = sig.empty() ? 900 : 900;
        r.errorOffset = sig.empty() ? 0 : t[sig[0]].offset;
        return r;
    }
    r.kind = c.kind;
    r.functionType = c.functionType;
    if (r.kind == StatementKind::Plsql) {
        r.sql = sql;
        return r;
    }
    // A statement ends at its text: Oracle takes no terminator.
    for (size_t k : sig) {
        if (isPunct(t[k], ";")) {
            r.error = 911;
            r.errorOffset = t[k].offset;
            return r;
        }
    }
    // "name@link": this database has no links.
    for (size_t k = 0; k < sig.size(); ++k) {
        if (!isPunct(t[sig[k]], "@"))
            continue;
        bool named = k + 1 < sig.size() && t[sig[k + 1]].type == Token::Word;
        r.error = named ? 2019 : 1729;
        r.errorOffset = t[sig[k]].offset;
        return r;
    }
    if (r.kind == StatementKind::Comment) {
        r.error = readComment(t, sig, &r);
        return r;
    }
    bool ddl = r.kind == StatementKind::Ddl;
    for (size_t k = 0; k < sig.size(); ++k) {
        Token& tok = t[sig[k]];
        const Token* prev = k > 0 ? &t[sig[k - 1]] : nullptr;
        const Token* next = k + 1 < sig.size() ? &t[sig[k + 1]] : nullptr;
        bool qualified = prev != nullptr && isPunct(*prev, ".");
        bool call = next != nullptr && isPunct(*next, "(");
        if (tok.type == Token::String && tok.text == "''") {
            tok.text = "NULL"; // Oracle keeps no empty strings
            continue;
        }
        if (tok.type == Token::Word && isDictionaryName(tok.text))
            r.usesDictionary = true;
        if (tok.type != Token::Word || qualified)
            continue;
        if (tok.text == "SYSDATE" && !call)
            tok.text = "SYSDATE()";
        else if (tok.text == "USER" && !call)
            tok.text = "ORA_USER()";
        else if (tok.text == "MINUS")
            tok.text = "EXCEPT";
        else if (tok.text == user && next != nullptr && isPunct(*next, ".") && k + 2 < sig.size() &&
                 (t[sig[k + 2]].type == Token::Word || t[sig[k + 2]].type == Token::Quoted))
            tok.text = "MAIN";
        else if (ddl && tok.text == "LONG" && !(next != nullptr && isWord(*next, "RAW")))
            tok.text = "LONG VARCHAR";
    }
    bool concatenates = false;
    for (const Token& tok : t)
        concatenates = concatenates || isPunct(tok, "||");
    if (concatenates) {
        std::string text = ConcatRewriter(t).transform(0, t.size());
        size_t e = 0;
        tokenize(text, &t, &e);
    }
    if (r.kind == StatementKind::Query) {
        cutForUpdate(&t, &r);
        convertOuterJoins(&t);
        std::vector<Token> copy;
        size_t e = 0;
        tokenize(joinTokens(t, 0, t.size()), &copy, &e);
        readSelectList(copy, &r);
    }
    addLengthChecks(&t);
    sig = significant(t);
    // TRUNCATE TABLE x -> DELETE FROM x; RENAME a TO b -> ALTER TABLE a RENAME TO b;
    // CREATE OR REPLACE VIEW v -> DROP VIEW IF EXISTS v; CREATE VIEW v.
    if (ddl && readSynonym(t, sig, &r))
        return r;
    if (ddl && isWord(t[sig[0]], "TRUNCATE") && sig.size() >= 3) {
        r.sql = "DELETE FROM " + joinTokens(t, sig[2], t.size());
        return r;
    }
    if (ddl && isWord(t[sig[0]], "RENAME") && sig.size() == 4 && isWord(t[sig[2]], "TO")) {
        r.sql = "ALTER TABLE " + t[sig[1]].text + " RENAME TO " + t[sig[3]].text;
        return r;
    }
    if (ddl && sig.size() > 4 && isWord(t[sig[0]], "CREATE") && isWord(t[sig[1]], "OR") &&
        isWord(t[sig[2]], "REPLACE") && isWord(t[sig[3]], "VIEW")) {
        r.preSql = "DROP VIEW IF EXISTS " + t[sig[4]].text;
        r.sql = "CREATE VIEW " + joinTokens(t, sig[4], t.size());
        return r;
    }
    r.sql = joinTokens(t, 0, t.size());
    return r;
}

} // namespace oci7
