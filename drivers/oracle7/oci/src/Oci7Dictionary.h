// Oci7Dictionary: Oracle's data dictionary views for a SQLite file.
//
// The views are tables of an in-memory database attached under the name
// SYS, so "SYS.ALL_TABLES" and "ALL_TABLES" both find them and their
// columns have declared Oracle types. They are filled from sqlite_master
// and the table, index and foreign-key pragmas of the main database
// whenever a statement that reads them runs and the schema (or a comment)
// changed since the last fill. Every table of the file belongs to the
// session's user; the procedures of the registry are listed too. The
// DBA_* views do not exist. DUAL is SYS.DUAL.
//
// Provided: ALL_USERS, ALL_CATALOG, ALL_TABLES, ALL_VIEWS, ALL_TAB_COLUMNS,
// ALL_TAB_COMMENTS, ALL_COL_COMMENTS, ALL_OBJECTS, ALL_SYNONYMS,
// ALL_INDEXES, ALL_IND_COLUMNS, ALL_CONSTRAINTS, ALL_CONS_COLUMNS,
// ALL_DB_LINKS (empty), ALL_ARGUMENTS, ALL_TAB_PRIVS and ALL_COL_PRIVS
// (empty), TABLE_PRIVILEGES and COLUMN_PRIVILEGES (empty), and USER_*
// views of the session's own rows.
//
// Comments (COMMENT ON) are kept in the main database's table
// ORA$COMMENTS (TABLE_NAME, COLUMN_NAME, COMMENTS); tables whose names
// begin with "ORA$" or "sqlite_" are not listed.
#pragma once

#include <string>

#include "Oci7Errors.h"

struct sqlite3;

namespace oci7 {

// Attaches and creates the dictionary on a new connection.
Error createDictionary(sqlite3* db);

// Fills the dictionary for user `user`.
Error fillDictionary(sqlite3* db, const std::string& user);

// Synonyms are views over their table, listed in ORA$SYNONYMS (OWNER,
// SYNONYM_NAME, TABLE_OWNER, TABLE_NAME) of the main database; the
// dictionary shows them as synonyms (owner PUBLIC for public ones).
Error createSynonym(sqlite3* db, const std::string& user, bool isPublic, const std::string& name,
                    const std::string& table);
Error dropSynonym(sqlite3* db, bool isPublic, const std::string& name);

// Records a comment; creates ORA$COMMENTS when needed.
Error storeComment(sqlite3* db, const std::string& table, const std::string& column,
                   const std::string& text);

} // namespace oci7
