// Oci7Sql: reads Oracle SQL and writes the SQLite text that runs it.
//
// The text is split into tokens (words, quoted names, string literals,
// numbers, placeholders, punctuation, blanks and comments). The rewrite
//  - writes unquoted words in upper case, as Oracle stores names;
//  - turns SYSDATE and USER into calls of this library's SQL functions,
//    "<user>.name" into "MAIN.name" (the session's own tables), MINUS into
//    EXCEPT, LONG column types into "LONG VARCHAR" (text affinity);
//  - cuts "FOR UPDATE [OF ...] [NOWAIT]" off a query and reports it;
//  - turns old-style outer joins ("a.x = b.y (+)") into LEFT JOINs;
//  - classifies the statement, and reads COMMENT ON statements and the
//    select list (for describing expressions).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace oci7 {

struct Token {
    enum Type { Word, Quoted, String, Number, Placeholder, Punct, Space };
    Type type;
    std::string text;
    size_t offset; // in the original text
};

// Splits `sql` into tokens. Answers 0, or 1756 for an unterminated quote
// (with *errorOffset set).
int tokenize(const std::string& sql, std::vector<Token>* out, size_t* errorOffset);

std::string upperAscii(std::string s);

enum class StatementKind { Query, Dml, Ddl, Plsql, Commit, Rollback, Comment, NoOp };

struct Rewrite {
    int error = 0; // Oracle code of a statement that cannot be rewritten
    size_t errorOffset = 0;
    StatementKind kind = StatementKind::NoOp;
    int functionType = 0; // OCI7_FT_*
    std::string sql;      // SQLite text to prepare
    std::string preSql;   // SQLite text run first (CREATE OR REPLACE VIEW)
    bool forUpdate = false;
    bool nowait = false;
    bool usesDictionary = false;
    // Query: each top-level select-list item without its alias, as tokens
    // of the rewritten text; and the rewritten text from the FROM on.
    std::vector<std::vector<Token>> selectItems;
    std::string fromClause;
    // COMMENT ON TABLE t / COLUMN t.c IS 'text'
    std::string commentTable, commentColumn, commentText;
    // CREATE [PUBLIC] SYNONYM s FOR [owner.]t / DROP [PUBLIC] SYNONYM s
    bool synonym = false, dropSynonym = false, publicSynonym = false;
    std::string synonymName, synonymTable;
};

// Rewrites `sql` for the session of user `user` (upper case).
Rewrite rewriteSql(const std::string& sql, const std::string& user);

// Whether `name` (upper case) is one of the dictionary views.
bool isDictionaryName(const std::string& name);

} // namespace oci7
