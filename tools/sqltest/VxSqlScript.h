// Test scripts for vxsqltest: the script format, its records and the parser
// that reads them.
//
// Script format
// -------------
// A script is a text file of records separated by one or more blank lines
// (lines that are empty or hold only spaces, tabs or a carriage return).
// A line whose first character is '#' is a comment and is ignored wherever it
// appears, except inside the result block of a query (after "----"), where
// every non-blank line is a value. Every line ending may be "\n" or "\r\n".
//
// Before a record is interpreted, each "${NAME}" in its lines (NAME made of
// letters, digits and '_', not starting with a digit) is replaced by the
// variable's value: first from "--set NAME=VALUE" on the command line, then
// the built-in SCRIPT_DIR (the directory holding the script), then the
// environment. An unknown name is a syntax error. A '$' not followed by '{'
// is kept as it is.
//
// Records (the first line names the kind, the following lines up to the next
// blank line hold the SQL, joined with "\n"):
//
//   statement ok
//       The SQL must execute with SQL_SUCCESS (or SQL_NO_DATA, returned by
//       searched UPDATE/DELETE statements that touch no row). A warning
//       (SQL_SUCCESS_WITH_INFO) fails the record: declare it with
//       "statement warning". A result set the statement opens is discarded.
//
//   statement error <SQLSTATE> [message]
//       The SQL must fail with SQL_ERROR, and the first diagnostic record must
//       carry <SQLSTATE>. When a message is given (the rest of the line after
//       one space), it must equal the first record's message text exactly,
//       byte for byte, including its "[vendor][component]" prefixes.
//
//   statement warning <SQLSTATE> [message]
//       As "statement error", but the SQL must return SQL_SUCCESS_WITH_INFO.
//
//   query <types> [nosort|rowsort|valuesort]
//   <SQL lines>
//   ----
//   <one value per line>
//       The SQL must execute with SQL_SUCCESS and open a result set with one
//       column per letter of <types>: T text, I integer, R real or decimal,
//       D date, time or timestamp. Every value is fetched with SQLGetData as
//       SQL_C_CHAR, whole (long values are read in pieces), and compared as
//       the driver's text; the letters document the column and fix the
//       column count, they do not change the comparison. Values are listed
//       row by row, left to right, one per line, and written as follows:
//         NULL        the SQL NULL value (SQL_NULL_DATA);
//         (empty)     the empty string;
//         \\          a backslash;
//         \xHH        a byte below 0x20, the byte 0x7F, or a space that ends
//                     the value (so "ab " is written "ab\x20");
//         any other byte as itself.
//       The sort mode sorts both the expected and the returned values before
//       they are compared: "nosort" (the default) keeps the order, "rowsort"
//       sorts whole rows (column by column, bytewise on the written form),
//       "valuesort" sorts all values regardless of rows. A query returning
//       no row has "----" followed by nothing, or no "----" at all.
//
//   connect [<connection string>]
//       Disconnects and connects again with the given string, or with the
//       command-line string when none is given. The string may instead follow
//       on the next lines, which are joined without separator.
//
//   connect error <SQLSTATE> [message]
//   <connection string lines>
//       The connection must fail with SQL_ERROR and the first diagnostic
//       record must match as in "statement error". The script is left
//       without a connection until the next "connect".
//
//   halt
//       Ends the script here: the records after it are not run.
//
// A script is parsed whole before it runs; a syntax error fails the script
// without running any of it.
#pragma once

#include <map>
#include <string>
#include <vector>

enum class VxSqlRecordKind { StatementOk, StatementError, StatementWarning, Query, Connect, Halt };

enum class VxSqlSortMode { NoSort, RowSort, ValueSort };

// One record of a script, with every variable already substituted.
struct VxSqlRecord {
    VxSqlRecordKind kind = VxSqlRecordKind::StatementOk;
    int line = 0;                    // line of the record's first line, from 1
    std::string sql;                 // SQL, or the connection string of a "connect"
    bool expectFailure = false;      // "connect error"
    std::string expectedState;       // error and warning records
    bool hasExpectedMessage = false; // a message was given after the SQLSTATE
    std::string expectedMessage;
    std::string types; // query: one letter per column
    VxSqlSortMode sortMode = VxSqlSortMode::NoSort;
    std::vector<std::string> expectedValues; // query: written form, as in the script
};

// Variables known to a run: those given with --set, then the environment.
class VxSqlVariables {
public:
    void set(const std::string& name, const std::string& value) { values_[name] = value; }
    bool has(const std::string& name) const { return values_.count(name) != 0; }

    // Replaces each ${NAME} of text into out. Returns false and describes the
    // fault in error when a name is unknown or a "${" is not closed.
    bool substitute(const std::string& text, std::string& out, std::string& error) const;

private:
    bool lookup(const std::string& name, std::string& value) const;

    std::map<std::string, std::string> values_;
};

// One non-comment line of a record, variables substituted.
struct VxSqlLine {
    int number;
    std::string text;
};

// Reads a script into records. On failure, errors holds one line per fault,
// each "file:line: message".
class VxSqlScript {
public:
    // Reads the file at path. SCRIPT_DIR is set to its directory unless the
    // given variables already name it. Returns false when the file cannot be
    // read or holds syntax errors.
    bool load(const std::string& path, const VxSqlVariables& variables);

    const std::string& path() const { return path_; }
    const std::vector<VxSqlRecord>& records() const { return records_; }
    const std::vector<std::string>& errors() const { return errors_; }
    // The variables the script was read with, SCRIPT_DIR included.
    const VxSqlVariables& variables() const { return variables_; }

private:
    bool parseRecord(const std::vector<VxSqlLine>& lines);
    bool parseHeader(const std::string& header, VxSqlRecord& record, int line);
    bool parseExpectation(const std::vector<std::string>& words, size_t first,
                          const std::string& header, VxSqlRecord& record, int line);
    bool parseQueryHeader(const std::vector<std::string>& words, VxSqlRecord& record, int line);
    bool parseBody(const std::vector<std::string>& lines, VxSqlRecord& record, int firstLine);
    void addError(int line, const std::string& message);

    std::string path_;
    VxSqlVariables variables_;
    std::vector<VxSqlRecord> records_;
    std::vector<std::string> errors_;
};

// Writes a fetched value in the script's written form (see above).
std::string vxSqlWriteValue(const std::string& value, bool isNull);
