// The ODBC translation interface of the OEM/ANSI translator (libkwtrn08.so).
//
// A data source names the library as its translator; the driver loads it with
// dlopen, looks the three functions up by name and passes every character value
// through them: SQLDataSourceToDriver on the way from the data source (OEM code
// page, CP437) to the application (ANSI code page, CP1252), SQLDriverToDataSource
// the other way. The library keeps no state between calls.
//
// Both translation functions return 1 on success and 0 on failure. On failure
// the reason is copied into the message buffer (truncated to its capacity minus
// one byte and NUL-terminated) and the message length receives the number of
// bytes written, the full capacity when the text was truncated. The output is
// undefined after a failure.
//
// Length rules, with N the input length and M the output capacity:
//   - N must be at most M and below TRN_MAX_INPUT_LENGTH; SQL_NTS stands for the
//     length of a NUL-terminated input; any other negative length is refused.
//   - Character types (SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR) are converted
//     byte for byte: the output length is N, embedded zero bytes included, and
//     a terminating NUL follows when N < M.
//   - Every other SQL type is copied unchanged, the output length is N.
//   - Input and output may be the same buffer, or overlap.
#pragma once

#include <sqltypes.h>

// Translation option that appends each character translation to the trace file.
#define TRN_TRACE_OPTION 210

// Environment variable naming the trace file. When unset or empty the trace goes
// to "brellmnt.txt" in $TMPDIR, else in /tmp.
#define TRN_TRACE_FILE_VARIABLE "VX_TRANSLATOR_TRACE"
#define TRN_TRACE_FILE_NAME "brellmnt.txt"

// Inputs of this many bytes or more are refused.
#define TRN_MAX_INPUT_LENGTH 65535

#ifdef __cplusplus
extern "C" {
#endif

// The setup entry point: there is no dialog and no option; sets *option to 0.
typedef BOOL (*TrnConfigTranslatorFn)(HWND parentWindow, DWORD* option);

// Signature of SQLDataSourceToDriver and SQLDriverToDataSource.
typedef BOOL (*TrnTranslateFn)(SQLUINTEGER option, SQLSMALLINT sqlType, SQLPOINTER input,
                               SQLLEN inputLength, SQLPOINTER output, SQLLEN outputCapacity,
                               SQLLEN* outputLength, SQLCHAR* message, SQLSMALLINT messageCapacity,
                               SQLSMALLINT* messageLength);

BOOL SQLDataSourceToDriver(SQLUINTEGER option, SQLSMALLINT sqlType, SQLPOINTER input,
                           SQLLEN inputLength, SQLPOINTER output, SQLLEN outputCapacity,
                           SQLLEN* outputLength, SQLCHAR* message, SQLSMALLINT messageCapacity,
                           SQLSMALLINT* messageLength);

BOOL SQLDriverToDataSource(SQLUINTEGER option, SQLSMALLINT sqlType, SQLPOINTER input,
                           SQLLEN inputLength, SQLPOINTER output, SQLLEN outputCapacity,
                           SQLLEN* outputLength, SQLCHAR* message, SQLSMALLINT messageCapacity,
                           SQLSMALLINT* messageLength);

#ifdef __cplusplus
}
#endif
