// Oci7Functions: the Oracle SQL functions that SQLite lacks or spells
// differently (SYSDATE, USER, TO_DATE, TO_CHAR, TO_NUMBER, TRUNC, NVL,
// DECODE, SUBSTR, INSTR, CHR, ASCII, INITCAP, LPAD, RPAD, REPLACE, MOD,
// ADD_MONTHS, LAST_DAY, GREATEST, LEAST), registered on a connection.
// Errors are raised with their Oracle text ("ORA-01722: invalid number").
#pragma once

#include <string>

struct sqlite3;

namespace oci7 {

// `user` must outlive the connection (the session's user name).
int registerFunctions(sqlite3* db, const std::string* user);

// The current date and time as "YYYY-MM-DD HH:MM:SS": $VX_ORA7_SYSDATE when
// set (so that tests see a fixed clock), else the local time.
std::string currentDateText();

} // namespace oci7
