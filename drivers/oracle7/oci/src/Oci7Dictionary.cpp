#include "Oci7Dictionary.h"

#include <sqlite3.h>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "Oci7Functions.h"
#include "Oci7Plsql.h"
#include "Oci7Sql.h"
#include "Oci7Types.h"
#include "Oci7Value.h"

namespace oci7 {

namespace {

const char kSchema[] = R"(
CREATE TABLE SYS.DUAL (DUMMY VARCHAR2(1));
INSERT INTO SYS.DUAL VALUES ('X');
CREATE TABLE SYS.ALL_USERS (USERNAME VARCHAR2(30) NOT NULL, USER_ID NUMBER NOT NULL,
  CREATED DATE NOT NULL);
CREATE TABLE SYS.ALL_CATALOG (OWNER VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  TABLE_TYPE VARCHAR2(11));
CREATE TABLE SYS.ALL_TABLES (OWNER VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  TABLESPACE_NAME VARCHAR2(30), CLUSTER_NAME VARCHAR2(30), PCT_FREE NUMBER, NUM_ROWS NUMBER,
  BLOCKS NUMBER, AVG_ROW_LEN NUMBER);
CREATE TABLE SYS.ALL_VIEWS (OWNER VARCHAR2(30) NOT NULL, VIEW_NAME VARCHAR2(30) NOT NULL,
  TEXT_LENGTH NUMBER, TEXT LONG VARCHAR);
CREATE TABLE SYS.ALL_TAB_COLUMNS (OWNER VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  COLUMN_NAME VARCHAR2(30) NOT NULL, DATA_TYPE VARCHAR2(9), DATA_LENGTH NUMBER NOT NULL,
  DATA_PRECISION NUMBER, DATA_SCALE NUMBER, NULLABLE VARCHAR2(1), COLUMN_ID NUMBER NOT NULL,
  DEFAULT_LENGTH NUMBER, DATA_DEFAULT LONG VARCHAR);
CREATE TABLE SYS.ALL_TAB_COMMENTS (OWNER VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  TABLE_TYPE VARCHAR2(11), COMMENTS VARCHAR2(2000));
CREATE TABLE SYS.ALL_COL_COMMENTS (OWNER VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  COLUMN_NAME VARCHAR2(30) NOT NULL, COMMENTS VARCHAR2(2000));
CREATE TABLE SYS.ALL_OBJECTS (OWNER VARCHAR2(30) NOT NULL, OBJECT_NAME VARCHAR2(30) NOT NULL,
  OBJECT_ID NUMBER NOT NULL, OBJECT_TYPE VARCHAR2(13), CREATED DATE NOT NULL,
  LAST_DDL_TIME DATE NOT NULL, TIMESTAMP VARCHAR2(75), STATUS VARCHAR2(7));
CREATE TABLE SYS.ALL_SYNONYMS (OWNER VARCHAR2(30) NOT NULL, SYNONYM_NAME VARCHAR2(30) NOT NULL,
  TABLE_OWNER VARCHAR2(30), TABLE_NAME VARCHAR2(30) NOT NULL, DB_LINK VARCHAR2(128));
CREATE TABLE SYS.ALL_INDEXES (OWNER VARCHAR2(30) NOT NULL, INDEX_NAME VARCHAR2(30) NOT NULL,
  TABLE_OWNER VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL, TABLE_TYPE VARCHAR2(11),
  UNIQUENESS VARCHAR2(9), TABLESPACE_NAME VARCHAR2(30), BLEVEL NUMBER, LEAF_BLOCKS NUMBER,
  DISTINCT_KEYS NUMBER, CLUSTERING_FACTOR NUMBER, STATUS VARCHAR2(8));
CREATE TABLE SYS.ALL_IND_COLUMNS (INDEX_OWNER VARCHAR2(30) NOT NULL,
  INDEX_NAME VARCHAR2(30) NOT NULL, TABLE_OWNER VARCHAR2(30) NOT NULL,
  TABLE_NAME VARCHAR2(30) NOT NULL, COLUMN_NAME VARCHAR2(30) NOT NULL,
  COLUMN_POSITION NUMBER NOT NULL, COLUMN_LENGTH NUMBER NOT NULL);
CREATE TABLE SYS.ALL_CONSTRAINTS (OWNER VARCHAR2(30) NOT NULL,
  CONSTRAINT_NAME VARCHAR2(30) NOT NULL, CONSTRAINT_TYPE VARCHAR2(1),
  TABLE_NAME VARCHAR2(30) NOT NULL, SEARCH_CONDITION LONG VARCHAR, R_OWNER VARCHAR2(30),
  R_CONSTRAINT_NAME VARCHAR2(30), DELETE_RULE VARCHAR2(9), STATUS VARCHAR2(8));
CREATE TABLE SYS.ALL_CONS_COLUMNS (OWNER VARCHAR2(30) NOT NULL,
  CONSTRAINT_NAME VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  COLUMN_NAME VARCHAR2(30), POSITION NUMBER);
CREATE TABLE SYS.ALL_DB_LINKS (OWNER VARCHAR2(30) NOT NULL, DB_LINK VARCHAR2(128) NOT NULL,
  USERNAME VARCHAR2(30), HOST VARCHAR2(2000), CREATED DATE NOT NULL);
CREATE TABLE SYS.ALL_ARGUMENTS (OWNER VARCHAR2(30) NOT NULL, OBJECT_NAME VARCHAR2(30),
  PACKAGE_NAME VARCHAR2(30), OBJECT_ID NUMBER NOT NULL, OVERLOAD VARCHAR2(40),
  ARGUMENT_NAME VARCHAR2(30), POSITION NUMBER NOT NULL, SEQUENCE NUMBER NOT NULL,
  DATA_LEVEL NUMBER NOT NULL, DATA_TYPE VARCHAR2(14), DEFAULT_VALUE LONG VARCHAR,
  DEFAULT_LENGTH NUMBER, IN_OUT VARCHAR2(9), DATA_LENGTH NUMBER, DATA_PRECISION NUMBER,
  DATA_SCALE NUMBER, RADIX NUMBER);
CREATE TABLE SYS.ALL_TAB_PRIVS (GRANTOR VARCHAR2(30) NOT NULL, GRANTEE VARCHAR2(30) NOT NULL,
  TABLE_SCHEMA VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  PRIVILEGE VARCHAR2(40) NOT NULL, GRANTABLE VARCHAR2(3));
CREATE TABLE SYS.ALL_COL_PRIVS (GRANTOR VARCHAR2(30) NOT NULL, GRANTEE VARCHAR2(30) NOT NULL,
  TABLE_SCHEMA VARCHAR2(30) NOT NULL, TABLE_NAME VARCHAR2(30) NOT NULL,
  COLUMN_NAME VARCHAR2(30) NOT NULL, PRIVILEGE VARCHAR2(40) NOT NULL, GRANTABLE VARCHAR2(3));
CREATE VIEW SYS.TABLE_PRIVILEGES AS SELECT * FROM SYS.ALL_TAB_PRIVS;
CREATE VIEW SYS.COLUMN_PRIVILEGES AS SELECT * FROM SYS.ALL_COL_PRIVS;
CREATE VIEW SYS.USER_USERS AS SELECT * FROM SYS.ALL_USERS WHERE USERNAME = ORA_USER();
CREATE VIEW SYS.USER_CATALOG AS SELECT TABLE_NAME, TABLE_TYPE FROM SYS.ALL_CATALOG
  WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_TABLES AS SELECT TABLE_NAME, TABLESPACE_NAME, CLUSTER_NAME, PCT_FREE,
  NUM_ROWS, BLOCKS, AVG_ROW_LEN FROM SYS.ALL_TABLES WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_VIEWS AS SELECT VIEW_NAME, TEXT_LENGTH, TEXT FROM SYS.ALL_VIEWS
  WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_TAB_COLUMNS AS SELECT TABLE_NAME, COLUMN_NAME, DATA_TYPE, DATA_LENGTH,
  DATA_PRECISION, DATA_SCALE, NULLABLE, COLUMN_ID, DEFAULT_LENGTH, DATA_DEFAULT
  FROM SYS.ALL_TAB_COLUMNS WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_TAB_COMMENTS AS SELECT TABLE_NAME, TABLE_TYPE, COMMENTS
  FROM SYS.ALL_TAB_COMMENTS WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_COL_COMMENTS AS SELECT TABLE_NAME, COLUMN_NAME, COMMENTS
  FROM SYS.ALL_COL_COMMENTS WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_OBJECTS AS SELECT OBJECT_NAME, OBJECT_ID, OBJECT_TYPE, CREATED,
  LAST_DDL_TIME, TIMESTAMP, STATUS FROM SYS.ALL_OBJECTS WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_SYNONYMS AS SELECT SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK
  FROM SYS.ALL_SYNONYMS WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_INDEXES AS SELECT INDEX_NAME, TABLE_OWNER, TABLE_NAME, TABLE_TYPE,
  UNIQUENESS, TABLESPACE_NAME, BLEVEL, LEAF_BLOCKS, DISTINCT_KEYS, CLUSTERING_FACTOR, STATUS
  FROM SYS.ALL_INDEXES WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_IND_COLUMNS AS SELECT INDEX_NAME, TABLE_NAME, COLUMN_NAME,
  COLUMN_POSITION, COLUMN_LENGTH FROM SYS.ALL_IND_COLUMNS WHERE INDEX_OWNER = ORA_USER();
CREATE VIEW SYS.USER_CONSTRAINTS AS SELECT * FROM SYS.ALL_CONSTRAINTS WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_CONS_COLUMNS AS SELECT * FROM SYS.ALL_CONS_COLUMNS
  WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_ARGUMENTS AS SELECT OBJECT_NAME, PACKAGE_NAME, OBJECT_ID, OVERLOAD,
  ARGUMENT_NAME, POSITION, SEQUENCE, DATA_LEVEL, DATA_TYPE, DEFAULT_VALUE, DEFAULT_LENGTH,
  IN_OUT, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, RADIX FROM SYS.ALL_ARGUMENTS
  WHERE OWNER = ORA_USER();
CREATE VIEW SYS.USER_TAB_PRIVS AS SELECT * FROM SYS.ALL_TAB_PRIVS;
CREATE VIEW SYS.USER_COL_PRIVS AS SELECT * FROM SYS.ALL_COL_PRIVS;
)";

// Tables filled from the main database (the others stay as created).
const char* const kFilled[] = {
    "ALL_USERS",        "ALL_CATALOG",      "ALL_TABLES",   "ALL_VIEWS",   "ALL_TAB_COLUMNS",
    "ALL_TAB_COMMENTS", "ALL_COL_COMMENTS", "ALL_OBJECTS",  "ALL_INDEXES", "ALL_IND_COLUMNS",
    "ALL_CONSTRAINTS",  "ALL_CONS_COLUMNS", "ALL_ARGUMENTS"};

Error sqliteError(sqlite3* db) {
    return errorFromSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db), "SYS");
}

// A prepared statement that runs once per row of values.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK)
            stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_; }
    // Runs with `values` bound (empty strings bind NULL).
    bool insert(const std::vector<Value>& values) {
        sqlite3_reset(stmt_);
        for (size_t i = 0; i < values.size(); ++i)
            bindValue(stmt_, static_cast<int>(i) + 1, values[i]);
        return sqlite3_step(stmt_) == SQLITE_DONE;
    }
    bool row() { return sqlite3_step(stmt_) == SQLITE_ROW; }
    std::string text(int col) const {
        const unsigned char* p = sqlite3_column_text(stmt_, col);
        return p == nullptr ? std::string() : reinterpret_cast<const char*>(p);
    }
    int integer(int col) const { return sqlite3_column_int(stmt_, col); }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

Value text(const std::string& s) {
    return s.empty() ? Value::null() : Value::ofText(s);
}
Value number(long v) {
    return Value::ofInteger(v);
}

std::string quoteName(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        q += c;
        if (c == '"')
            q += '"';
    }
    return q + "\"";
}

// Constraint names written in a CREATE TABLE statement, in order of kind.
struct DeclaredNames {
    std::string primary;
    std::vector<std::string> unique, foreign;
};

DeclaredNames declaredConstraintNames(const std::string& createSql) {
    DeclaredNames names;
    std::vector<Token> all, t;
    size_t off = 0;
    if (tokenize(createSql, &all, &off) != 0)
        return names;
    for (const Token& tok : all)
        if (tok.type != Token::Space)
            t.push_back(tok);
    for (size_t k = 0; k + 2 < t.size(); ++k) {
        if (upperAscii(t[k].text) != "CONSTRAINT")
            continue;
        std::string name = t[k + 1].type == Token::Quoted
                               ? t[k + 1].text.substr(1, t[k + 1].text.size() - 2)
                               : upperAscii(t[k + 1].text);
        std::string kind = upperAscii(t[k + 2].text);
        if (kind == "PRIMARY")
            names.primary = name;
        else if (kind == "UNIQUE")
            names.unique.push_back(name);
        else if (kind == "FOREIGN" || kind == "REFERENCES")
            names.foreign.push_back(name);
    }
    return names;
}

struct TableInfo {
    std::string name, type, sql;
    std::vector<std::string> pkColumns;
    std::string pkName;
};

class Filler {
public:
    Filler(sqlite3* db, const std::string& user) : db_(db), user_(user) {}
    Error run();

private:
    std::string nextSystemName() {
        char buf[32];
        std::snprintf(buf, sizeof buf, "SYS_C%07d", ++systemNames_);
        return buf;
    }
    Error fillTable(TableInfo& table);
    Error fillColumns(const TableInfo& table, const std::string& owner, const char* schema);
    Error fillIndexes(TableInfo& table, const DeclaredNames& names);
    Error fillForeignKeys(const TableInfo& table, const DeclaredNames& names);
    Error fillProcedures();
    bool add(const char* table, const std::vector<Value>& values);

    sqlite3* db_;
    const std::string& user_;
    std::string now_ = currentDateText();
    int systemNames_ = 0;
    long objectId_ = 1000;
    std::map<std::string, std::string> comments_; // "T" or "T.C" -> text
    std::map<std::string, std::unique_ptr<Statement>> inserts_;
    std::vector<TableInfo> tables_;
};

bool Filler::add(const char* table, const std::vector<Value>& values) {
    std::unique_ptr<Statement>& s = inserts_[table];
    if (!s) {
        std::string sql = std::string("INSERT INTO SYS.") + table + " VALUES (";
        for (size_t i = 0; i < values.size(); ++i)
            sql += i == 0 ? "?" : ",?";
        s.reset(new Statement(db_, sql + ")"));
    }
    return s->ok() && s->insert(values);
}

Error Filler::fillColumns(const TableInfo& table, const std::string& owner, const char* schema) {
    Statement info(db_,
                   std::string("PRAGMA ") + schema + ".table_info(" + quoteName(table.name) + ")");
    if (!info.ok())
        return sqliteError(db_);
    while (info.row()) {
        std::string column = info.text(1);
        ColumnType ct = parseDeclaredType(info.text(2));
        bool notNull = info.integer(3) != 0 || info.integer(5) != 0;
        std::string dflt = info.text(4);
        Value precision = ct.hasPrecision ? number(ct.precision) : Value::null();
        Value scale = ct.hasScale ? number(ct.scale) : Value::null();
        add("ALL_TAB_COLUMNS",
            {text(owner), text(table.name), text(column), text(ct.typeName), number(ct.size),
             precision, scale, text(notNull ? "N" : "Y"), number(info.integer(0) + 1),
             dflt.empty() ? Value::null() : number(static_cast<long>(dflt.size())), text(dflt)});
        auto c = comments_.find(table.name + "." + column);
        add("ALL_COL_COMMENTS", {text(owner), text(table.name), text(column),
                                 c == comments_.end() ? Value::null() : text(c->second)});
    }
    return Error();
}

Error Filler::fillIndexes(TableInfo& table, const DeclaredNames& names) {
    // The primary key: the "pk" columns of table_info, in key order.
    Statement info(db_, "PRAGMA main.table_info(" + quoteName(table.name) + ")");
    std::map<int, std::string> pk;
    std::vector<std::string> notNull;
    while (info.ok() && info.row()) {
        if (info.integer(5) > 0)
            pk[info.integer(5)] = info.text(1);
        if (info.integer(3) != 0)
            notNull.push_back(info.text(1));
    }
    for (auto& p : pk)
        table.pkColumns.push_back(p.second);
    if (!pk.empty()) {
        table.pkName = names.primary.empty() ? nextSystemName() : names.primary;
        add("ALL_CONSTRAINTS",
            {text(user_), text(table.pkName), text("P"), text(table.name), Value::null(),
             Value::null(), Value::null(), Value::null(), text("ENABLED")});
        for (size_t i = 0; i < table.pkColumns.size(); ++i)
            add("ALL_CONS_COLUMNS", {text(user_), text(table.pkName), text(table.name),
                                     text(table.pkColumns[i]), number(static_cast<long>(i) + 1)});
    }
    for (const std::string& column : notNull) {
        std::string name = nextSystemName();
        add("ALL_CONSTRAINTS", {text(user_), text(name), text("C"), text(table.name),
                                text("\"" + column + "\" IS NOT NULL"), Value::null(),
                                Value::null(), Value::null(), text("ENABLED")});
        add("ALL_CONS_COLUMNS",
            {text(user_), text(name), text(table.name), text(column), Value::null()});
    }
    // Indexes: named ones as they are; those of PRIMARY KEY and UNIQUE
    // constraints under the constraint's name.
    Statement list(db_, "PRAGMA main.index_list(" + quoteName(table.name) + ")");
    size_t uniqueSeen = 0;
    std::vector<std::vector<std::string>> rows;
    while (list.ok() && list.row())
        rows.push_back({list.text(1), list.text(2), list.text(3)});
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const std::string& sqliteName = (*it)[0];
        bool unique = (*it)[1] == "1";
        const std::string& origin = (*it)[2];
        std::string name = sqliteName;
        if (origin == "pk") {
            name = table.pkName;
        } else if (origin == "u") {
            name = uniqueSeen < names.unique.size() ? names.unique[uniqueSeen] : nextSystemName();
            ++uniqueSeen;
        }
        add("ALL_INDEXES", {text(user_), text(name), text(user_), text(table.name), text("TABLE"),
                            text(unique ? "UNIQUE" : "NONUNIQUE"), text("USERS"), number(0),
                            number(1), Value::null(), Value::null(), text("VALID")});
        add("ALL_OBJECTS", {text(user_), text(name), number(++objectId_), text("INDEX"), text(now_),
                            text(now_), text(now_), text("VALID")});
        Statement cols(db_, "PRAGMA main.index_info(" + quoteName(sqliteName) + ")");
        std::vector<std::string> columns;
        while (cols.ok() && cols.row()) {
            columns.push_back(cols.text(2));
            add("ALL_IND_COLUMNS", {text(user_), text(name), text(user_), text(table.name),
                                    text(cols.text(2)), number(cols.integer(0) + 1), number(22)});
        }
        if (origin == "u") {
            add("ALL_CONSTRAINTS",
                {text(user_), text(name), text("U"), text(table.name), Value::null(), Value::null(),
                 Value::null(), Value::null(), text("ENABLED")});
            for (size_t i = 0; i < columns.size(); ++i)
                add("ALL_CONS_COLUMNS", {text(user_), text(name), text(table.name),
                                         text(columns[i]), number(static_cast<long>(i) + 1)});
        }
    }
    return Error();
}

Error Filler::fillForeignKeys(const TableInfo& table, const DeclaredNames& names) {
    Statement list(db_, "PRAGMA main.foreign_key_list(" + quoteName(table.name) + ")");
    // id, seq, table, from, to, on_update, on_delete
    std::map<int, std::vector<std::vector<std::string>>> keys;
    while (list.ok() && list.row())
        keys[list.integer(0)].push_back({list.text(2), list.text(3), list.text(4), list.text(6)});
    size_t declared = 0;
    for (auto it = keys.rbegin(); it != keys.rend(); ++it, ++declared) {
        std::string name =
            declared < names.foreign.size() ? names.foreign[declared] : nextSystemName();
        std::string parent = upperAscii(it->second[0][0]);
        std::string parentKey;
        for (const TableInfo& t : tables_)
            if (upperAscii(t.name) == parent)
                parentKey = t.pkName;
        std::string rule = it->second[0][3] == "CASCADE" ? "CASCADE" : "NO ACTION";
        add("ALL_CONSTRAINTS", {text(user_), text(name), text("R"), text(table.name), Value::null(),
                                text(user_), text(parentKey), text(rule), text("ENABLED")});
        for (size_t i = 0; i < it->second.size(); ++i)
            add("ALL_CONS_COLUMNS", {text(user_), text(name), text(table.name),
                                     text(it->second[i][1]), number(static_cast<long>(i) + 1)});
    }
    return Error();
}

Error Filler::fillProcedures() {
    for (const Procedure& p : procedureRegistry()) {
        long id = ++objectId_;
        bool function = p.returnType != nullptr;
        add("ALL_OBJECTS",
            {text(user_), text(p.name), number(id), text(function ? "FUNCTION" : "PROCEDURE"),
             text(now_), text(now_), text(now_), text("VALID")});
        long sequence = 0;
        auto argument = [&](const char* name, long position, const char* type, const char* mode) {
            ColumnType ct = parseDeclaredType(type);
            add("ALL_ARGUMENTS",
                {text(user_), text(p.name), Value::null(), number(id), Value::null(),
                 name == nullptr ? Value::null() : text(name), number(position), number(++sequence),
                 number(0), text(type), Value::null(), Value::null(), text(mode),
                 ct.oracleType == 2 ? number(22) : Value::null(), Value::null(), Value::null(),
                 ct.oracleType == 2 ? number(10) : Value::null()});
        };
        if (function)
            argument(nullptr, 0, p.returnType, "OUT");
        long position = 0;
        for (const ProcArg& a : p.args)
            argument(a.name, ++position, a.dataType,
                     a.mode == ArgMode::In    ? "IN"
                     : a.mode == ArgMode::Out ? "OUT"
                                              : "IN/OUT");
    }
    return Error();
}

Error Filler::run() {
    for (const char* t : kFilled) {
        std::string sql = std::string("DELETE FROM SYS.") + t;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            return sqliteError(db_);
    }
    // Users: SYS, SYSTEM, those of ORA$USERS and the session's own.
    std::vector<std::string> users{"SYS", "SYSTEM"};
    {
        Statement list(db_, "SELECT UPPER(USERNAME) FROM MAIN.\"ORA$USERS\"");
        while (list.ok() && list.row())
            users.push_back(list.text(0));
    }
    users.push_back(user_);
    std::map<std::string, bool> seenUser;
    long userId = 0;
    for (const std::string& u : users) {
        if (u.empty() || seenUser[u])
            continue;
        seenUser[u] = true;
        add("ALL_USERS", {text(u), number(userId++), text(now_)});
    }
    {
        Statement list(db_, "SELECT TABLE_NAME, COALESCE(COLUMN_NAME, ''), COMMENTS "
                            "FROM MAIN.\"ORA$COMMENTS\"");
        while (list.ok() && list.row()) {
            std::string key = list.text(0);
            if (!list.text(1).empty())
                key += "." + list.text(1);
            comments_[key] = list.text(2);
        }
    }
    std::map<std::string, std::vector<std::string>> synonyms; // name -> owner, table owner, table
    {
        Statement list(db_, "SELECT SYNONYM_NAME, OWNER, TABLE_OWNER, TABLE_NAME "
                            "FROM MAIN.\"ORA$SYNONYMS\"");
        while (list.ok() && list.row())
            synonyms[list.text(0)] = {list.text(1), list.text(2), list.text(3)};
    }
    for (auto& [name, s] : synonyms) {
        add("ALL_SYNONYMS", {text(s[0]), text(name), text(s[1]), text(s[2]), Value::null()});
        add("ALL_CATALOG", {text(s[0]), text(name), text("SYNONYM")});
        add("ALL_TAB_COMMENTS", {text(s[0]), text(name), text("SYNONYM"), Value::null()});
        add("ALL_OBJECTS", {text(s[0]), text(name), number(++objectId_), text("SYNONYM"),
                            text(now_), text(now_), text(now_), text("VALID")});
    }
    {
        Statement list(db_, "SELECT name, type, COALESCE(sql, '') FROM main.sqlite_master "
                            "WHERE type IN ('table','view') AND name NOT LIKE 'sqlite\\_%' "
                            "ESCAPE '\\' AND name NOT LIKE 'ORA$%' ORDER BY name");
        if (!list.ok())
            return sqliteError(db_);
        while (list.row())
            if (synonyms.count(list.text(0)) == 0)
                tables_.push_back(TableInfo{list.text(0), list.text(1), list.text(2), {}, {}});
    }
    for (TableInfo& table : tables_) {
        bool view = table.type == "view";
        const char* kind = view ? "VIEW" : "TABLE";
        add("ALL_CATALOG", {text(user_), text(table.name), text(kind)});
        auto c = comments_.find(table.name);
        add("ALL_TAB_COMMENTS", {text(user_), text(table.name), text(kind),
                                 c == comments_.end() ? Value::null() : text(c->second)});
        add("ALL_OBJECTS", {text(user_), text(table.name), number(++objectId_), text(kind),
                            text(now_), text(now_), text(now_), text("VALID")});
        if (view) {
            add("ALL_VIEWS", {text(user_), text(table.name),
                              number(static_cast<long>(table.sql.size())), text(table.sql)});
        } else {
            add("ALL_TABLES", {text(user_), text(table.name), text("USERS"), Value::null(),
                               number(10), Value::null(), Value::null(), Value::null()});
        }
        Error e = fillColumns(table, user_, "main");
        if (e.code != 0)
            return e;
        if (!view) {
            e = fillIndexes(table, declaredConstraintNames(table.sql));
            if (e.code != 0)
                return e;
        }
    }
    for (const TableInfo& table : tables_)
        if (table.type == "table")
            fillForeignKeys(table, declaredConstraintNames(table.sql));
    // The dictionary's own views, owned by SYS.
    Statement sys(db_, "SELECT name, type FROM sys.sqlite_master WHERE type IN ('table','view') "
                       "ORDER BY name");
    std::vector<TableInfo> own;
    while (sys.ok() && sys.row())
        own.push_back(TableInfo{sys.text(0), sys.text(1), std::string(), {}, {}});
    for (const TableInfo& table : own) {
        const char* kind = table.name == "DUAL" ? "TABLE" : "VIEW";
        add("ALL_CATALOG", {text("SYS"), text(table.name), text(kind)});
        add("ALL_TAB_COMMENTS", {text("SYS"), text(table.name), text(kind), Value::null()});
        add("ALL_OBJECTS", {text("SYS"), text(table.name), number(++objectId_), text(kind),
                            text(now_), text(now_), text(now_), text("VALID")});
        if (table.name == "DUAL")
            add("ALL_TABLES", {text("SYS"), text(table.name), text("SYSTEM"), Value::null(),
                               number(10), number(1), number(1), number(2)});
        Error e = fillColumns(table, "SYS", "sys");
        if (e.code != 0)
            return e;
    }
    return fillProcedures();
}

} // namespace

Error createDictionary(sqlite3* db) {
    if (sqlite3_exec(db, "ATTACH DATABASE ':memory:' AS SYS", nullptr, nullptr, nullptr) !=
            SQLITE_OK ||
        sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteError(db);
    return Error();
}

Error fillDictionary(sqlite3* db, const std::string& user) {
    Filler filler(db, user);
    return filler.run();
}

Error createSynonym(sqlite3* db, const std::string& user, bool isPublic, const std::string& name,
                    const std::string& table) {
    if (sqlite3_exec(db,
                     "CREATE TABLE IF NOT EXISTS MAIN.\"ORA$SYNONYMS\" (OWNER VARCHAR2(30) NOT "
                     "NULL, SYNONYM_NAME VARCHAR2(30) NOT NULL, TABLE_OWNER VARCHAR2(30), "
                     "TABLE_NAME VARCHAR2(30) NOT NULL)",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteError(db);
    std::string sql =
        "CREATE VIEW MAIN." + quoteName(name) + " AS SELECT * FROM MAIN." + quoteName(table);
    Statement ins(db, "INSERT INTO MAIN.\"ORA$SYNONYMS\" VALUES (?, ?, ?, ?)");
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return errorFromSqlite(sqlite3_extended_errcode(db), sqlite3_errmsg(db), user);
    if (!ins.insert({text(isPublic ? "PUBLIC" : user), text(name), text(user), text(table)}))
        return sqliteError(db);
    return Error();
}

Error dropSynonym(sqlite3* db, bool isPublic, const std::string& name) {
    Statement find(db, "SELECT 1 FROM MAIN.\"ORA$SYNONYMS\" WHERE SYNONYM_NAME = ? AND "
                       "(OWNER = 'PUBLIC') = ?");
    if (!find.ok())
        return makeError(isPublic ? 1432 : 1434);
    bindValue(find.get(), 1, Value::ofText(name));
    bindValue(find.get(), 2, Value::ofInteger(isPublic ? 1 : 0));
    if (!find.row())
        return makeError(isPublic ? 1432 : 1434);
    std::string sql = "DROP VIEW MAIN." + quoteName(name);
    Statement del(db, "DELETE FROM MAIN.\"ORA$SYNONYMS\" WHERE SYNONYM_NAME = ?");
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK ||
        !del.insert({Value::ofText(name)}))
        return sqliteError(db);
    return Error();
}

Error storeComment(sqlite3* db, const std::string& table, const std::string& column,
                   const std::string& comment) {
    if (sqlite3_exec(db,
                     "CREATE TABLE IF NOT EXISTS MAIN.\"ORA$COMMENTS\" (TABLE_NAME VARCHAR2(30) "
                     "NOT NULL, COLUMN_NAME VARCHAR2(30), COMMENTS VARCHAR2(2000))",
                     nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteError(db);
    // The table (and column) must exist; names are matched as Oracle
    // stores them, in upper case unless quoted.
    Statement check(db, "SELECT name FROM main.sqlite_master WHERE type IN ('table','view') "
                        "AND UPPER(name) = UPPER(?)");
    bindValue(check.get(), 1, Value::ofText(table));
    if (!check.row())
        return makeError(942);
    std::string stored = check.text(0);
    std::string storedColumn;
    if (!column.empty()) {
        Statement info(db, "SELECT name FROM pragma_table_info(?) WHERE UPPER(name) = UPPER(?)");
        bindValue(info.get(), 1, Value::ofText(stored));
        bindValue(info.get(), 2, Value::ofText(column));
        if (!info.ok() || !info.row())
            return makeError(904);
        storedColumn = info.text(0);
    }
    Statement del(db, "DELETE FROM MAIN.\"ORA$COMMENTS\" WHERE TABLE_NAME = ? AND "
                      "COALESCE(COLUMN_NAME, '') = ?");
    Statement ins(db, "INSERT INTO MAIN.\"ORA$COMMENTS\" VALUES (?, ?, ?)");
    if (!del.insert({Value::ofText(stored), Value::ofText(storedColumn)}) ||
        !ins.insert({Value::ofText(stored),
                     storedColumn.empty() ? Value::null() : Value::ofText(storedColumn),
                     comment.empty() ? Value::null() : Value::ofText(comment)}))
        return sqliteError(db);
    return Error();
}

} // namespace oci7
