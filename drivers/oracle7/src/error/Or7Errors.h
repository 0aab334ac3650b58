// The Oracle7 driver's messages and string resources, and how Oracle's
// own errors become ODBC error records.
#pragma once

#include <cstddef>

// Driver messages (raised by number through the connection).
constexpr unsigned short OR7_MSG_EXPONENT_LOW = 1201;
constexpr unsigned short OR7_MSG_EXPONENT_HIGH = 1202;
constexpr unsigned short OR7_MSG_PROCEDURE_ERRORS = 1203;
constexpr unsigned short OR7_MSG_DICTIONARY = 1204;

// The text of driver message or resource `id`, or null when there is none.
const char* or7ResourceText(unsigned short id);

// The SQLSTATE (ODBC id) an Oracle error code is reported with: the
// states applications test for (missing table, duplicate key, bad logon,
// syntax ...), S1000 for every other code.
unsigned short or7SqlStateOf(int code);

// Raises Oracle error `code` with its Oracle text as a native error (a
// warning when `warning`) on the calling thread's current list.
void or7RaiseNative(int code, const char* text, bool warning);
