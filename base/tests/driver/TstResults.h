// TstResults: the result sets of a test-driver statement, built by the
// result commands of the command language (TstCommands.h) and served
// through the statement's row hooks.
//
// Result commands:
//   column <name|-> <SQLTYPE> [precision [scale [INTERNAL]]] [unsigned]
//                               adds a result column ("-": no name); the
//                               internal type defaults to the SQL type's
//                               natural one (CHAR for character and
//                               decimal types, SLONG for INTEGER ...)
//   row <v1>|<v2>|...           adds a row: NULL, x:HEX (the internal
//                               value's bytes) or text converted to the
//                               column's internal type
//   rows <n>                    adds n rows: row i holds i in numeric
//                               columns and "row i" in the others
//   failrow <n>                 reading row n fails (S1000, native 99)
//   rowcount <n>                the row count of the execution
//   nextresult                  later columns and rows form the next
//                               result set (SQLMoreResults)
//   info <infotype> <value>     the driver answers SQLGetInfo type
//                               <infotype> with <value> (process-wide;
//                               "info reset" forgets every answer)
#pragma once

#include <sql.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/BaseForward.h"
#include "base/InternalType.h"
#include "util/VxStatus.h"

class BaseStatement;
class BaseInfoTable;

struct TstColumn {
    std::string name;
    short sqlType = SQL_CHAR;
    std::uint32_t precision = 0;
    short scale = 0;
    bool hasScale = false;
    InternalType type = INTERNAL_CHAR;
    bool isUnsigned = false;
};

struct TstValue {
    bool isNull = false;
    std::vector<unsigned char> bytes;
};

struct TstResultSet {
    std::vector<TstColumn> columns;
    std::vector<std::vector<TstValue>> rows;
    std::vector<std::size_t> failingRows;
    SQLLEN rowCount = -1;
};

class TstResults {
public:
    // Forgets every result set (a new execution).
    void clear();
    // Runs one result command; false when the verb is not one of them.
    bool command(const std::string& verb, const std::string& rest);

    // Describes the current result set to the statement.
    VxStatus describe(BaseStatement& statement);
    VxStatus fetchRow(unsigned short* noMore);
    VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore);
    VxStatus getData(BaseStatement& statement, unsigned short column, short cType,
                     BaseOutString* out);
    // Moves to the next result set; *noMore = 1 when there is none.
    VxStatus moreResults(unsigned short* noMore);
    SQLLEN rowCount() const;

private:
    TstResultSet* current();
    VxStatus readRow(std::size_t row, unsigned short* noMore);
    bool addRow(const std::string& text);

    std::vector<TstResultSet> sets_;
    std::size_t currentSet_ = 0;
    std::size_t row_ = 0; // 1-based; 0 before the first row
};

// The results the running commands build (thread-local; null: none).
void tstSetResultTarget(TstResults* results);
// Runs a result command on the current target; false when the verb is
// not a result command.
bool tstResultCommand(const std::string& verb, const std::string& rest);
// The driver's information table: the types the driver answers itself
// (connection answers and the scrolling, bookmark and SQLGetData answers
// of tstResultInfo) are asked of it.
const BaseInfoTable& tstResultInfoTable();
// SQLGetInfo answers set with "info" (and the defaults of the table's
// types); fails for the others.
VxStatus tstResultInfo(unsigned short infoType, void** value, BaseInfoValType* valueType);
