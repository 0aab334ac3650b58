// TxtTableOptions: the table options a query gives in parentheses after a
// table name, parsed into a TxtGuessResult.
//
// Grammar (keywords in any letter case; items separated by commas, empty
// items allowed, a trailing comma is not):
//
//   HeaderLine = 1 | 0
//   Delimiter  = TAB | '<c>' | "<c>"       ',' gives Comma, others Character
//   Parse      = "<template>"              Fixed; each [..] a VARCHAR column
//   CharSet    = IBMPC | ANSI              (quoted or not)
//   CHAR ( <width> )                       VARCHAR, width 1-9999
//   NUMBER | NUM ( <precision> [, <scale>] )   NUMERIC, precision 1-254
//   DATE ( '<mask>' | "<mask>" )           DATE of width 10
//
// Column items follow one another: each starts where the previous one
// ends (offset plus width). A template column's offset is the number of
// template characters before it, brackets not counted, its width the
// characters between its brackets. In a table that is not Fixed a NUMERIC
// column reads precision + 2 characters, so that a sign and a decimal
// point fit. Every error carries SQLSTATE 37000.
#pragma once

#include <cstddef>

#include "guess/TxtGuessResult.h"
#include "util/VxStatus.h"

class TxtTableOptions {
public:
    // Parses `length` bytes of option text (without the parentheses) into
    // `result`, which holds the connection's defaults on entry; columns are
    // appended to it.
    static VxStatus parse(const char* text, std::size_t length, TxtGuessResult* result);
};
