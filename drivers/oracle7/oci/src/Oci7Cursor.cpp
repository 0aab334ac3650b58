#include "Oci7Cursor.h"

#include <cstring>

#include "Oci7Dictionary.h"
#include "Oci7Session.h"
#include "Oci7Value.h"

namespace oci7 {

namespace {

bool isLongType(int oracleType) {
    return oracleType == OCI7_TYPE_LONG || oracleType == OCI7_TYPE_LONG_RAW;
}

bool isRowidName(const char* name) {
    std::string n = upperAscii(name);
    return n == "ROWID" || n == "_ROWID_" || n == "OID";
}

std::vector<Token> withoutBlanks(const std::vector<Token>& tokens) {
    std::vector<Token> out;
    for (const Token& t : tokens)
        if (t.type != Token::Space)
            out.push_back(t);
    return out;
}

std::string tokenText(const std::vector<Token>& tokens) {
    std::string s;
    for (const Token& t : tokens)
        s += (s.empty() ? "" : " ") + t.text;
    return s;
}

// Splits the arguments between tokens[open] == "(" and the matching ")"
// at tokens.size() - 1.
std::vector<std::vector<Token>> splitArguments(const std::vector<Token>& t, size_t open) {
    std::vector<std::vector<Token>> args(1);
    int depth = 0;
    for (size_t k = open + 1; k + 1 < t.size(); ++k) {
        if (t[k].text == "(")
            ++depth;
        else if (t[k].text == ")")
            --depth;
        if (depth == 0 && t[k].text == ",") {
            args.emplace_back();
            continue;
        }
        args.back().push_back(t[k]);
    }
    return args;
}

// Whether the "(" at `open` closes at the last token.
bool closesAtEnd(const std::vector<Token>& t, size_t open) {
    int depth = 0;
    for (size_t k = open; k < t.size(); ++k) {
        if (t[k].text == "(")
            ++depth;
        else if (t[k].text == ")" && --depth == 0)
            return k + 1 == t.size();
    }
    return false;
}

bool inList(const std::string& word, std::initializer_list<const char*> list) {
    for (const char* w : list)
        if (word == w)
            return true;
    return false;
}

std::string describedName(std::string name) {
    for (auto& [from, to] : {std::pair<const char*, const char*>{"SYSDATE()", "SYSDATE"},
                             std::pair<const char*, const char*>{"ORA_USER()", "USER"}}) {
        for (size_t f; (f = name.find(from)) != std::string::npos;)
            name.replace(f, std::strlen(from), to);
    }
    return name;
}

} // namespace

Cursor::Cursor(Session* session) : session_(session) {
    session_->attach(this);
}

Cursor::~Cursor() {
    reset();
    if (session_ != nullptr)
        session_->detach(this);
}

void Cursor::orphan() {
    reset();
    session_ = nullptr;
}

void Cursor::reset() {
    if (stmt_ != nullptr)
        sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    rewrite_ = Rewrite();
    plsql_ = PlsqlCall();
    pending_ = Error();
    plsqlError_ = Error();
    parsed_ = ddlRan_ = executed_ = exhausted_ = false;
    errorOffset_ = 0;
    rpc_ = 0;
    columns_.clear();
    defines_.clear();
    binds_.clear();
    lastLongs_.clear();
}

int Cursor::fail(const Error& e) {
    if (session_ != nullptr)
        session_->setLastError(e);
    return e.code;
}

int Cursor::parse(const std::string& sql, bool deferred) {
    if (session_ == nullptr)
        return 1012;
    reset();
    parsed_ = true;
    rewrite_ = rewriteSql(sql, session_->user());
    Error e;
    if (rewrite_.error != 0) {
        errorOffset_ = rewrite_.errorOffset;
        e = makeError(rewrite_.error);
    } else {
        switch (rewrite_.kind) {
        case StatementKind::Plsql:
            // A block is compiled when it runs: its errors come from oexec.
            plsqlError_ = compilePlsql(sql, &plsql_);
            break;
        case StatementKind::Query:
        case StatementKind::Dml:
            if (sqlite3_prepare_v2(session_->db(), rewrite_.sql.c_str(), -1, &stmt_, nullptr) !=
                SQLITE_OK) {
                e = errorFromSqlite(sqlite3_extended_errcode(session_->db()),
                                    sqlite3_errmsg(session_->db()), session_->user());
                stmt_ = nullptr;
            } else if (stmt_ == nullptr) {
                e = makeError(900);
            } else if (rewrite_.kind == StatementKind::Query) {
                describeColumns();
            }
            break;
        case StatementKind::Ddl:
        case StatementKind::Comment:
            if (!deferred) {
                int rc = runDdl();
                if (rc != 0) {
                    parsed_ = false;
                    return rc;
                }
                ddlRan_ = true;
            }
            break;
        default:
            break;
        }
    }
    if (e.code != 0) {
        if (deferred) {
            pending_ = e;
            return 0;
        }
        parsed_ = false;
        return fail(e);
    }
    return 0;
}

ColumnType Cursor::columnRefType(const std::vector<Token>& item, bool* known) {
    *known = false;
    if (rewrite_.fromClause.empty())
        return varchar2Type(2000);
    std::string sql = "SELECT " + tokenText(item) + " " + rewrite_.fromClause;
    sqlite3_stmt* probe = nullptr;
    ColumnType type = varchar2Type(2000);
    if (sqlite3_prepare_v2(session_->db(), sql.c_str(), -1, &probe, nullptr) == SQLITE_OK &&
        probe != nullptr && sqlite3_column_count(probe) == 1) {
        const char* decl = sqlite3_column_decltype(probe, 0);
        if (decl != nullptr) {
            type = parseDeclaredType(decl);
            *known = true;
        }
    }
    sqlite3_finalize(probe);
    return type;
}

ColumnType Cursor::expressionType(const std::vector<Token>& raw, bool* known) {
    std::vector<Token> t = withoutBlanks(raw);
    *known = true;
    if (t.empty()) {
        *known = false;
        return varchar2Type(2000);
    }
    if (t.size() == 1) {
        const Token& only = t[0];
        if (only.type == Token::String) {
            int n = 0;
            for (size_t i = 1; i + 1 < only.text.size(); ++i, ++n)
                if (only.text[i] == '\'')
                    ++i;
            return charType(n);
        }
        if (only.type == Token::Number)
            return numberType();
        if (only.type == Token::Word && only.text == "ROWID")
            return rowidType();
        if (only.type == Token::Word && only.text == "NULL")
            return varchar2Type(0);
        if (only.type == Token::Placeholder)
            return varchar2Type(2000);
        return columnRefType(t, known);
    }
    if (t.size() == 3 && t[1].text == "." && t[2].type != Token::Punct) {
        if (t[2].text == "ROWID")
            return rowidType();
        return columnRefType(t, known);
    }
    if (t[0].text == "(" && closesAtEnd(t, 0))
        return expressionType(std::vector<Token>(t.begin() + 1, t.end() - 1), known);
    if (t[0].type == Token::Word && t[1].text == "(" && closesAtEnd(t, 1)) {
        const std::string& fn = t[0].text;
        std::vector<std::vector<Token>> args = splitArguments(t, 1);
        bool argKnown = false;
        if (inList(fn, {"SYSDATE", "TO_DATE", "ADD_MONTHS", "LAST_DAY", "NEXT_DAY"}))
            return dateType();
        if (fn == "TRUNC" || fn == "ROUND") {
            std::vector<Token> unit = withoutBlanks(args.size() > 1 ? args[1] : args[0]);
            if (args.size() == 2 && unit.size() == 1 && unit[0].type == Token::String)
                return dateType();
            ColumnType first = expressionType(args[0], &argKnown);
            if (argKnown && first.oracleType == OCI7_TYPE_DATE)
                return dateType();
            return numberType();
        }
        if (inList(fn, {"COUNT", "SUM",   "AVG",    "ABS",      "CEIL",          "FLOOR",
                        "MOD",   "POWER", "SIGN",   "SQRT",     "EXP",           "LN",
                        "LOG",   "SIN",   "COS",    "TAN",      "TO_NUMBER",     "LENGTH",
                        "INSTR", "ASCII", "STDDEV", "VARIANCE", "MONTHS_BETWEEN"}))
            return numberType();
        if (fn == "TO_CHAR")
            return varchar2Type(75);
        if (fn == "CHR")
            return varchar2Type(1);
        if (fn == "SOUNDEX")
            return varchar2Type(4);
        if (fn == "ORA_USER")
            return varchar2Type(30);
        if (fn == "LPAD" || fn == "RPAD") {
            std::vector<Token> width = args.size() > 1 ? withoutBlanks(args[1]) : args[0];
            if (width.size() == 1 && width[0].type == Token::Number)
                return varchar2Type(std::atoi(width[0].text.c_str()));
            return varchar2Type(2000);
        }
        if (fn == "ORA_CONCAT")
            return varchar2Type(2000);
        if (inList(fn, {"SUBSTR", "UPPER", "LOWER", "LTRIM", "RTRIM", "INITCAP", "REPLACE",
                        "TRANSLATE"})) {
            ColumnType first = expressionType(args[0], &argKnown);
            if (argKnown &&
                (first.oracleType == OCI7_TYPE_VARCHAR2 || first.oracleType == OCI7_TYPE_CHAR) &&
                first.size > 0)
                return varchar2Type(first.size);
            return varchar2Type(2000);
        }
        if (inList(fn, {"NVL", "GREATEST", "LEAST", "MIN", "MAX"}))
            return expressionType(args[0], known);
        if (fn == "DECODE" && args.size() >= 3)
            return expressionType(args[2], known);
        *known = false;
        return varchar2Type(2000);
    }
    int depth = 0;
    bool concat = false, arithmetic = false;
    for (const Token& tok : t) {
        if (tok.text == "(")
            ++depth;
        else if (tok.text == ")")
            --depth;
        else if (depth == 0 && tok.text == "||")
            concat = true;
        else if (depth == 0 && tok.type == Token::Punct &&
                 (tok.text == "+" || tok.text == "-" || tok.text == "*" || tok.text == "/"))
            arithmetic = true;
    }
    if (concat)
        return varchar2Type(2000);
    if (arithmetic)
        return numberType();
    *known = false;
    return varchar2Type(2000);
}

void Cursor::describeColumns() {
    int n = sqlite3_column_count(stmt_);
    // The select-list item of each column: "*" and "t.*" cover the columns
    // that the other items leave over.
    const std::vector<std::vector<Token>>& items = rewrite_.selectItems;
    std::vector<const std::vector<Token>*> itemOf;
    size_t stars = 0;
    for (const std::vector<Token>& item : items) {
        std::vector<Token> t = withoutBlanks(item);
        if (!t.empty() && t.back().text == "*" && (t.size() == 1 || t[t.size() - 2].text == "."))
            ++stars;
    }
    if (stars <= 1 && items.size() - stars <= static_cast<size_t>(n)) {
        size_t spread = static_cast<size_t>(n) - (items.size() - stars);
        for (const std::vector<Token>& item : items) {
            std::vector<Token> t = withoutBlanks(item);
            bool star = !t.empty() && t.back().text == "*" &&
                        (t.size() == 1 || t[t.size() - 2].text == ".");
            for (size_t k = 0; k < (star ? spread : 1); ++k)
                itemOf.push_back(star ? nullptr : &item);
        }
    }
    bool haveItems = itemOf.size() == static_cast<size_t>(n);
    for (int i = 0; i < n; ++i) {
        Describe d;
        d.name = describedName(sqlite3_column_name(stmt_, i));
        const char* decl = sqlite3_column_decltype(stmt_, i);
        const char* origin = sqlite3_column_origin_name(stmt_, i);
        const char* table = sqlite3_column_table_name(stmt_, i);
        const char* database = sqlite3_column_database_name(stmt_, i);
        if (origin != nullptr && isRowidName(origin) &&
            (decl == nullptr || upperAscii(decl) == "INTEGER")) {
            d.type = rowidType();
            d.nullable = false;
            if (isRowidName(d.name.c_str()))
                d.name = "ROWID";
        } else if (decl != nullptr) {
            d.type = parseDeclaredType(decl);
            int notNull = 0, primaryKey = 0, autoinc = 0;
            if (origin != nullptr && table != nullptr &&
                sqlite3_table_column_metadata(session_->db(), database, table, origin, nullptr,
                                              nullptr, &notNull, &primaryKey,
                                              &autoinc) == SQLITE_OK)
                d.nullable = notNull == 0 && primaryKey == 0;
        } else {
            bool known = false;
            const std::vector<Token>* item = haveItems ? itemOf[static_cast<size_t>(i)] : nullptr;
            d.type = item != nullptr ? expressionType(*item, &known) : varchar2Type(2000);
        }
        columns_.push_back(d);
    }
    defines_.assign(columns_.size(), Define());
    lastLongs_.assign(columns_.size(), Value());
}

int Cursor::describe(int position, Describe* out) {
    if (session_ == nullptr)
        return 1012;
    if (!parsed_)
        return fail(1003);
    if (pending_.code != 0)
        return fail(pending_);
    if (position < 1 || static_cast<size_t>(position) > columns_.size())
        return fail(1007);
    *out = columns_[static_cast<size_t>(position) - 1];
    return 0;
}

int Cursor::define(int position, ub1* buf, sword bufl, sword ftype, sb2* indp, ub2* rlen,
                   ub2* rcode) {
    if (session_ == nullptr)
        return 1012;
    if (!parsed_)
        return fail(1003);
    if (pending_.code != 0)
        return fail(pending_);
    if (position < 1 || static_cast<size_t>(position) > columns_.size())
        return fail(1007);
    switch (ftype) {
    case OCI7_EXT_VARCHAR2:
    case OCI7_EXT_NUMBER:
    case OCI7_EXT_INTEGER:
    case OCI7_EXT_FLOAT:
    case OCI7_EXT_STRING:
    case OCI7_EXT_LONG:
    case OCI7_EXT_DATE:
    case OCI7_EXT_RAW:
    case OCI7_EXT_LONG_RAW:
    case OCI7_EXT_UNSIGNED:
    case OCI7_EXT_CHAR:
    case OCI7_EXT_CHARZ:
        break;
    default:
        return fail(932);
    }
    if (bufl < 0 || (buf == nullptr && bufl > 0))
        return fail(1009);
    Define& d = defines_[static_cast<size_t>(position) - 1];
    d = Define{buf, bufl, ftype, indp, rlen, rcode, true};
    return 0;
}

int Cursor::bind(const std::string& rawName, ub1* progv, sword progvl, sword ftype, sb2* indp,
                 ub2* alen, ub2* arcode) {
    if (session_ == nullptr)
        return 1012;
    if (!parsed_)
        return fail(1003);
    std::string name = upperAscii(rawName);
    if (name.empty() || name[0] != ':')
        name = ":" + name;
    if (pending_.code == 0 && plsqlError_.code == 0) {
        bool known = false;
        if (stmt_ != nullptr)
            known = sqlite3_bind_parameter_index(stmt_, name.c_str()) != 0;
        for (const PlsqlArg& a : plsql_.args)
            known = known || (a.placeholder && a.name == name);
        known = known || plsql_.resultPlaceholder == name;
        if (!known)
            return fail(1036);
    }
    Bind b{name, progv, progvl, ftype, indp, alen, arcode};
    for (Bind& old : binds_) {
        if (old.name == name) {
            old = b;
            return 0;
        }
    }
    binds_.push_back(b);
    return 0;
}

const Cursor::Bind* Cursor::findBind(const std::string& name) const {
    for (const Bind& b : binds_)
        if (b.name == name)
            return &b;
    return nullptr;
}

int Cursor::readBind(const Bind& b, Value* out) {
    if ((b.indp != nullptr && *b.indp < 0) || b.progv == nullptr) {
        *out = Value::null();
        return 0;
    }
    long len = b.progvl < 0 ? 0 : b.progvl;
    if (b.ftype == OCI7_EXT_STRING && b.progvl < 0)
        len = -1;
    // With a length array the value's length is there and progvl is the
    // room (IN OUT arguments).
    bool counted = b.ftype == OCI7_EXT_VARCHAR2 || b.ftype == OCI7_EXT_LONG ||
                   b.ftype == OCI7_EXT_RAW || b.ftype == OCI7_EXT_LONG_RAW ||
                   b.ftype == OCI7_EXT_CHAR;
    if (counted && b.alen != nullptr && *b.alen < len)
        len = *b.alen;
    int rc = readExternal(b.ftype, b.progv, len, out);
    if (rc != 0)
        return rc;
    // Oracle keeps no empty strings: a value of no characters is NULL.
    if ((out->kind == Value::Text || out->kind == Value::Blob) && out->bytes.empty())
        *out = Value::null();
    return 0;
}

int Cursor::writeBind(const Bind& b, const Value& v) {
    if (v.kind == Value::Null) {
        if (b.indp != nullptr)
            *b.indp = -1;
        if (b.alen != nullptr)
            *b.alen = 0;
        if (b.arcode != nullptr)
            *b.arcode = 1405;
        return 0;
    }
    long written = 0, full = 0;
    bool truncated = false;
    int rc = writeExternal(v, b.ftype, b.progv, b.progvl, &written, &full, &truncated);
    if (rc != 0)
        return rc;
    if (b.indp != nullptr)
        *b.indp = static_cast<sb2>(truncated ? (full > 32767 ? -2 : full) : 0);
    if (b.alen != nullptr)
        *b.alen = static_cast<ub2>(written > 65535 ? 65535 : written);
    if (b.arcode != nullptr)
        *b.arcode = truncated ? 1406 : 0;
    return 0;
}

int Cursor::bindAll() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    int n = sqlite3_bind_parameter_count(stmt_);
    for (int i = 1; i <= n; ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt_, i);
        const Bind* b = name == nullptr ? nullptr : findBind(name);
        if (b == nullptr)
            return fail(1008);
        Value v;
        int rc = readBind(*b, &v);
        if (rc != 0)
            return fail(rc);
        bindValue(stmt_, i, v);
    }
    return 0;
}

int Cursor::runDdl() {
    Error e = session_->beforeDdl();
    if (e.code == 0 && rewrite_.synonym) {
        e = rewrite_.dropSynonym
                ? dropSynonym(session_->db(), rewrite_.publicSynonym, rewrite_.synonymName)
                : createSynonym(session_->db(), session_->user(), rewrite_.publicSynonym,
                                rewrite_.synonymName, rewrite_.synonymTable);
    } else if (e.code == 0 && rewrite_.kind == StatementKind::Comment) {
        e = storeComment(session_->db(), rewrite_.commentTable, rewrite_.commentColumn,
                         rewrite_.commentText);
    } else if (e.code == 0) {
        sqlite3* db = session_->db();
        for (const std::string* sql : {&rewrite_.preSql, &rewrite_.sql}) {
            if (sql->empty())
                continue;
            if (sqlite3_exec(db, sql->c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                e = errorFromSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db),
                                    session_->user());
                break;
            }
        }
    }
    session_->dictionaryChanged();
    return e.code == 0 ? 0 : fail(e);
}

int Cursor::executePlsql() {
    if (plsqlError_.code != 0)
        return fail(plsqlError_);
    if (plsql_.nullBlock) {
        rpc_ = 1;
        return 0;
    }
    const Procedure& proc = *plsql_.procedure;
    std::vector<Value> values(proc.args.size());
    for (size_t i = 0; i < proc.args.size(); ++i) {
        const PlsqlArg& a = plsql_.args[i];
        if (!a.placeholder) {
            values[i] = a.literal;
            continue;
        }
        const Bind* b = findBind(a.name);
        if (b == nullptr)
            return fail(1008);
        if (proc.args[i].mode != ArgMode::Out) {
            int rc = readBind(*b, &values[i]);
            if (rc != 0)
                return fail(rc);
        }
    }
    const Bind* resultBind = nullptr;
    if (!plsql_.resultPlaceholder.empty()) {
        resultBind = findBind(plsql_.resultPlaceholder);
        if (resultBind == nullptr)
            return fail(1008);
    }
    Value result;
    Error e = proc.run(&values, &result);
    if (e.code != 0) {
        if (e.code >= 20000 && e.code <= 20999)
            e.text += "\nORA-06512: at line 1";
        return fail(e);
    }
    for (size_t i = 0; i < proc.args.size(); ++i) {
        if (proc.args[i].mode == ArgMode::In)
            continue;
        int rc = writeBind(*findBind(plsql_.args[i].name), values[i]);
        if (rc != 0)
            return fail(makeError(6502));
    }
    if (resultBind != nullptr && writeBind(*resultBind, result) != 0)
        return fail(makeError(6502));
    rpc_ = 1;
    return 0;
}

int Cursor::execute() {
    if (session_ == nullptr)
        return 1012;
    if (!parsed_)
        return fail(1003);
    if (pending_.code != 0)
        return fail(pending_);
    executed_ = exhausted_ = false;
    rpc_ = 0;
    Error e;
    switch (rewrite_.kind) {
    case StatementKind::Query: {
        if (rewrite_.usesDictionary)
            e = session_->refreshDictionary();
        if (e.code == 0 && rewrite_.forUpdate)
            e = session_->beginWork(true, rewrite_.nowait);
        if (e.code != 0)
            return fail(e);
        int rc = bindAll();
        if (rc != 0)
            return rc;
        executed_ = true;
        return 0;
    }
    case StatementKind::Dml: {
        e = session_->beginWork(false, false);
        if (e.code != 0)
            return fail(e);
        int rc = bindAll();
        if (rc != 0)
            return rc;
        int step;
        while ((step = sqlite3_step(stmt_)) == SQLITE_ROW) {
        }
        if (step != SQLITE_DONE) {
            sqlite3* db = session_->db();
            e = errorFromSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db), session_->user());
            sqlite3_reset(stmt_);
            return fail(e);
        }
        rpc_ = static_cast<ub4>(sqlite3_changes(session_->db()));
        sqlite3_reset(stmt_);
        return 0;
    }
    case StatementKind::Ddl:
    case StatementKind::Comment:
        if (ddlRan_) {
            ddlRan_ = false;
            return 0;
        }
        return runDdl();
    case StatementKind::Commit:
        e = session_->commit();
        break;
    case StatementKind::Rollback:
        e = session_->rollback();
        break;
    case StatementKind::Plsql:
        return executePlsql();
    case StatementKind::NoOp:
        break;
    }
    return e.code == 0 ? 0 : fail(e);
}

int Cursor::storeRow(ub4 row, bool* truncated) {
    for (size_t c = 0; c < columns_.size(); ++c) {
        const ColumnType& type = columns_[c].type;
        Value v = columnValue(stmt_, static_cast<int>(c), type.oracleType);
        if (type.oracleType == OCI7_TYPE_CHAR && v.kind == Value::Text &&
            v.bytes.size() < static_cast<size_t>(type.size))
            v.bytes.resize(static_cast<size_t>(type.size), ' ');
        if (isLongType(type.oracleType))
            lastLongs_[c] = v;
        const Define& d = defines_[c];
        if (!d.set)
            continue;
        if (v.kind == Value::Null) {
            if (d.indp == nullptr)
                return fail(1405);
            d.indp[row] = -1;
            if (d.rlen != nullptr)
                d.rlen[row] = 0;
            if (d.rcode != nullptr)
                d.rcode[row] = 1405;
            continue;
        }
        long written = 0, full = 0;
        bool cut = false;
        ub1* target = d.buf == nullptr ? nullptr : d.buf + static_cast<size_t>(row) * d.bufl;
        int rc = 0;
        if (target != nullptr || d.ftype == OCI7_EXT_VARCHAR2 || d.ftype == OCI7_EXT_LONG ||
            d.ftype == OCI7_EXT_RAW || d.ftype == OCI7_EXT_LONG_RAW)
            rc = writeExternal(v, d.ftype, target, d.bufl, &written, &full, &cut);
        if (rc != 0)
            return fail(rc);
        if (d.indp != nullptr)
            d.indp[row] = static_cast<sb2>(cut ? (full > 32767 ? -2 : full) : 0);
        if (d.rlen != nullptr)
            d.rlen[row] = static_cast<ub2>(written > 65535 ? 65535 : written);
        if (d.rcode != nullptr)
            d.rcode[row] = cut ? 1406 : 0;
        if (cut)
            *truncated = true;
    }
    return 0;
}

int Cursor::fetch(ub4 rows) {
    if (session_ == nullptr)
        return 1012;
    if (!parsed_)
        return fail(1003);
    if (pending_.code != 0)
        return fail(pending_);
    if (rewrite_.kind != StatementKind::Query || !executed_)
        return fail(1002);
    if (exhausted_)
        return 1403;
    ub4 got = 0;
    bool truncated = false;
    while (got < rows) {
        int step = sqlite3_step(stmt_);
        if (step == SQLITE_ROW) {
            int rc = storeRow(got, &truncated);
            if (rc != 0) {
                rpc_ += got;
                return rc;
            }
            ++got;
        } else if (step == SQLITE_DONE) {
            exhausted_ = true;
            sqlite3_reset(stmt_);
            break;
        } else {
            sqlite3* db = session_->db();
            Error e =
                errorFromSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db), session_->user());
            sqlite3_reset(stmt_);
            exhausted_ = true;
            rpc_ += got;
            return fail(e);
        }
    }
    rpc_ += got;
    if (got < rows)
        return 1403;
    return truncated ? 1406 : 0;
}

int Cursor::fetchLong(int position, ub1* buf, sb4 bufl, sword dtype, ub4* retl, sb4 offset) {
    if (session_ == nullptr)
        return 1012;
    if (!parsed_)
        return fail(1003);
    if (position < 1 || static_cast<size_t>(position) > columns_.size())
        return fail(1007);
    size_t c = static_cast<size_t>(position) - 1;
    if (!isLongType(columns_[c].type.oracleType))
        return fail(932);
    if (rpc_ == 0)
        return fail(1002);
    if (retl != nullptr)
        *retl = 0;
    const Value& v = lastLongs_[c];
    if (v.kind == Value::Null || offset < 0 || bufl <= 0 || buf == nullptr)
        return 0;
    bool terminated = dtype == OCI7_EXT_STRING;
    size_t room = static_cast<size_t>(terminated ? bufl - 1 : bufl);
    size_t start = static_cast<size_t>(offset);
    size_t n = start >= v.bytes.size() ? 0 : std::min(room, v.bytes.size() - start);
    if (n > 0)
        std::memcpy(buf, v.bytes.data() + start, n);
    if (terminated)
        buf[n] = 0;
    if (retl != nullptr)
        *retl = static_cast<ub4>(n);
    return 0;
}

} // namespace oci7
