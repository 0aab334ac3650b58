// The null clauses of CREATE TABLE and ALTER TABLE ... ADD (...) for a
// gateway.
#pragma once

#include <string>
#include <vector>

// Rewrites `text` when it is a CREATE TABLE or an ALTER TABLE ... ADD with
// a parenthesised column list: each plain column definition without a null
// clause gets " NULL" after its type, a bit column " NOT NULL"; constraint
// definitions (UNIQUE, PRIMARY, FOREIGN, CHECK, CONSTRAINT) are kept. The
// parentheses of ALTER TABLE ... ADD are removed. *sawNull: a definition
// gave NULL explicitly; *forcedBit: a bit column was made NOT NULL. False
// (and *out untouched) for any other statement.
bool ssRewriteCreateTable(const std::string& text, std::string* out, bool* sawNull,
                          bool* forcedBit);
