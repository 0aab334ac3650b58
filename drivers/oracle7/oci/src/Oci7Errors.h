// Oci7Errors: Oracle message texts and the Oracle code of a SQLite error.
#pragma once

#include <string>

namespace oci7 {

// An Oracle error: its code and full text ("ORA-00942: table or view does
// not exist"). Code 0 is no error.
struct Error {
    int code = 0;
    std::string text;
};

// The standard text of `code` ("ORA-nnnnn: ..."), or a generic text for a
// code this library does not know.
std::string messageText(int code);
Error makeError(int code);
// `code` with a detail placed in its message ("unique constraint (%s)").
Error makeError(int code, const std::string& detail);

// The Oracle error for SQLite result `sqliteCode` with message `message`
// (from sqlite3_errmsg). `owner` names the owner in constraint texts.
Error errorFromSqlite(int sqliteCode, const std::string& message, const std::string& owner);

} // namespace oci7
