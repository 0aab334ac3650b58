// Input and output strings of the connection functions.
#pragma once

#include <sql.h>

#include <cstddef>

#include "util/VxStatus.h"

// The length of an input string: `length` itself, the text's length for
// SQL_NTS, 0 for a null text. Any other negative length raises S1090.
VxStatus baseInputLength(const SQLCHAR* text, SQLINTEGER length, std::size_t* out);

// Copies an output string: *pcbOut (when given) receives the full length;
// a text longer than outMax - 1 bytes is cut there, terminated, and warning
// 01004 raised. A null `out` or outMax <= 0 stores nothing.
void baseCopyOutString(const char* text, std::size_t length, SQLCHAR* out, SQLSMALLINT outMax,
                       SQLSMALLINT* pcbOut);
