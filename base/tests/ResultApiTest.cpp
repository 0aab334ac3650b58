// Result columns through the driver manager: describing, binding,
// fetching, extended fetch, piecewise SQLGetData, cursor names, further
// result sets, closing and statement options.
#include <cstring>
#include <set>
#include <vector>

#include "ResultTestSupport.h"

namespace {

const char* const THREE_ROWS = "column id INTEGER 10; column name VARCHAR 20; "
                               "row 1|one; row 2|two; row 3|three";

TEST_F(ResultSession, ColumnsAreDescribedFromTheirFields) {
    ASSERT_EQ(SQL_SUCCESS, exec("column amount DECIMAL 7 2; column - VARCHAR 30; "
                                "column stamp TIMESTAMP 16 -2; column n INTEGER 10 0 unsigned; "
                                "column raw VARBINARY 1073741824"));
    SQLSMALLINT count = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt_, &count));
    EXPECT_EQ(5, count);
    SQLCHAR name[32];
    SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = 0;
    SQLULEN precision = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt_, 1, name, sizeof name, &nameLength, &type,
                                          &precision, &scale, &nullable));
    EXPECT_STREQ("amount", reinterpret_cast<char*>(name));
    EXPECT_EQ(SQL_DECIMAL, type);
    EXPECT_EQ(7u, precision);
    EXPECT_EQ(2, scale);
    // A timestamp kept to the minute reports scale 0.
    ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt_, 3, name, sizeof name, &nameLength, &type,
                                          &precision, &scale, &nullable));
    EXPECT_EQ(0, scale);
    ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt_, 2, name, sizeof name, &nameLength, nullptr,
                                          nullptr, nullptr, nullptr));
    EXPECT_EQ(0, nameLength);
    EXPECT_EQ(SQL_ERROR, SQLDescribeCol(hstmt_, 6, name, sizeof name, &nameLength, nullptr, nullptr,
                                        nullptr, nullptr));
    EXPECT_EQ("S1002", state());
    struct Case {
        SQLUSMALLINT column, desc;
        SQLLEN expected;
    } cases[] = {
        {1, SQL_COLUMN_LENGTH, 9},
        {1, SQL_COLUMN_DISPLAY_SIZE, 9},
        {1, SQL_COLUMN_UNSIGNED, 0},
        {2, SQL_COLUMN_UNSIGNED, 1},
        {2, SQL_COLUMN_DISPLAY_SIZE, 30},
        {3, SQL_COLUMN_LENGTH, 16},
        {3, SQL_COLUMN_DISPLAY_SIZE, 19},
        {3, SQL_COLUMN_SCALE, 0},
        {4, SQL_COLUMN_DISPLAY_SIZE, 10},
        {4, SQL_COLUMN_LENGTH, 4},
        {5, SQL_COLUMN_DISPLAY_SIZE, 2147483647},
        {1, SQL_COLUMN_COUNT, 5},
        {2, SQL_COLUMN_UPDATABLE, 0},
        {1, SQL_COLUMN_NULLABLE, SQL_NULLABLE},
    };
    for (const Case& c : cases) {
        SQLLEN value = -99;
        EXPECT_EQ(SQL_SUCCESS,
                  SQLColAttributes(hstmt_, c.column, c.desc, nullptr, 0, nullptr, &value))
            << c.column << "/" << c.desc;
        EXPECT_EQ(c.expected, value) << c.column << "/" << c.desc;
    }
    SQLCHAR label[4];
    SQLSMALLINT labelLength = 0;
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLColAttributes(hstmt_, 1, SQL_COLUMN_LABEL, label,
                                                      sizeof label, &labelLength, nullptr));
    EXPECT_STREQ("amo", reinterpret_cast<char*>(label));
    EXPECT_EQ(6, labelLength);
    EXPECT_EQ(SQL_ERROR, SQLColAttributes(hstmt_, 1, 1002, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ("S1C00", state());
    EXPECT_EQ(SQL_ERROR, SQLColAttributes(hstmt_, 1, 777, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ("S1C00", state());
}

TEST_F(ResultSession, UnnamedColumnsGetGeneratedNamesUnderWorkAroundsBit6) {
    close();
    ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
    SQLCHAR in[] = "DSN=tstdsn;WA=64";
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLDriverConnect(hdbc_, nullptr, in, SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    ASSERT_EQ(SQL_SUCCESS, exec("column a INTEGER; column b INTEGER; column - CHAR 5"));
    SQLCHAR name[16];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt_, 3, name, sizeof name, &length, nullptr, nullptr,
                                          nullptr, nullptr));
    EXPECT_STREQ("C3", reinterpret_cast<char*>(name));
    ASSERT_EQ(SQL_SUCCESS,
              SQLColAttributes(hstmt_, 3, SQL_COLUMN_NAME, name, sizeof name, &length, nullptr));
    EXPECT_STREQ("C3", reinterpret_cast<char*>(name));
}

TEST_F(ResultSession, DescribingWithoutAResultSetIsAnInvalidCursorState) {
    ASSERT_EQ(SQL_SUCCESS, exec("rowcount 3"));
    SQLSMALLINT count = -1;
    ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt_, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(SQL_ERROR,
              SQLDescribeCol(hstmt_, 1, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ("24000", state());
    EXPECT_EQ(SQL_ERROR, SQLFetch(hstmt_));
    EXPECT_EQ("24000", state());
}

TEST_F(ResultSession, BoundColumnsArriveRowByRowUntilNoData) {
    SQLINTEGER id = 0;
    char name[8] = {};
    SQLLEN idLength = 0, nameLength = 0;
    // Fixed-size types take their own size whatever the length says.
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 1, SQL_C_LONG, &id, 0, &idLength));
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 2, SQL_C_CHAR, name, 4, &nameLength));
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ(1, id);
    EXPECT_STREQ("one", name);
    EXPECT_EQ(4, idLength);
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO, SQLFetch(hstmt_));
    EXPECT_EQ(3, id);
    EXPECT_STREQ("thr", name);
    EXPECT_EQ(5, nameLength);
    ResultRecord cut = error();
    EXPECT_EQ("01004", cut.sqlState);
    EXPECT_EQ(RESULT_PREFIX + "Data Truncated. Error in column 2.", cut.message);
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt_));
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt_));
    // Bindings survive closing and a new execution, until SQL_UNBIND.
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ(1, id);
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_UNBIND));
    id = 77;
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ(77, id);
    EXPECT_EQ("2", text(1));
}

TEST_F(ResultSession, BindingChecksColumnNumbersAndTypes) {
    SQLINTEGER value = 0;
    EXPECT_EQ(SQL_ERROR, SQLBindCol(hstmt_, 16385, SQL_C_LONG, &value, 0, nullptr));
    ResultRecord record = error();
    EXPECT_EQ("S1002", record.sqlState);
    EXPECT_EQ(RESULT_PREFIX + "16385 is greater that the number of bound columns allowed, 16384.",
              record.message);
    EXPECT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 16384, SQL_C_LONG, &value, 0, nullptr));
    // Bookmarks need a data source that keeps them.
    EXPECT_EQ(SQL_ERROR, SQLBindCol(hstmt_, 0, SQL_C_LONG, &value, 0, nullptr));
    EXPECT_EQ("S1C00", state());
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_UNBIND));
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 1, SQL_C_DATE, &value, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    EXPECT_EQ(SQL_ERROR, SQLFetch(hstmt_));
    record = error();
    EXPECT_EQ("07006", record.sqlState);
    EXPECT_NE(std::string::npos, record.message.find("Unable to convert column 1."));
}

TEST_F(ResultSession, GetDataDeliversLongValuesInPiecesThenNoData) {
    std::string value(250, ' ');
    for (std::size_t i = 0; i < value.size(); ++i)
        value[i] = static_cast<char>('a' + i % 26);
    ASSERT_EQ(SQL_SUCCESS, exec("column t LONGVARCHAR 1000; row " + value));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    std::string collected;
    char piece[100];
    SQLLEN length = 0;
    std::vector<SQLLEN> lengths;
    SQLRETURN rc;
    while ((rc = SQLGetData(hstmt_, 1, SQL_C_CHAR, piece, sizeof piece, &length)) ==
           SQL_SUCCESS_WITH_INFO) {
        EXPECT_EQ("01004", state());
        collected += piece;
        lengths.push_back(length);
    }
    ASSERT_EQ(SQL_SUCCESS, rc);
    collected += piece;
    lengths.push_back(length);
    EXPECT_EQ(value, collected);
    EXPECT_EQ((std::vector<SQLLEN>{250, 151, 52}), lengths);
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLGetData(hstmt_, 1, SQL_C_CHAR, piece, sizeof piece, &length));
}

TEST_F(ResultSession, BinaryAsHexNeverSplitsAByteAcrossPieces) {
    ASSERT_EQ(SQL_SUCCESS, exec("column b VARBINARY 10; row x:0A1B2C3D4E"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    std::string collected;
    char piece[6];
    SQLLEN length = 0;
    std::vector<SQLLEN> lengths;
    SQLRETURN rc;
    while ((rc = SQLGetData(hstmt_, 1, SQL_C_CHAR, piece, sizeof piece, &length)) !=
           SQL_NO_DATA_FOUND) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc));
        EXPECT_EQ(0u, std::strlen(piece) % 2);
        collected += piece;
        lengths.push_back(length);
    }
    EXPECT_EQ("0A1B2C3D4E", collected);
    EXPECT_EQ((std::vector<SQLLEN>{10, 6, 2}), lengths);
}

TEST_F(ResultSession, GetDataFollowsTheOrderAndTypeRules) {
    ASSERT_EQ(SQL_SUCCESS, exec("column a VARCHAR 20; column b INTEGER; row hello world|42"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    char buffer[4];
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO,
              SQLGetData(hstmt_, 1, SQL_C_CHAR, buffer, sizeof buffer, &length));
    // A started column keeps its C type.
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 1, SQL_C_BINARY, buffer, sizeof buffer, &length));
    EXPECT_EQ("S1003", state());
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 2, SQL_C_DATE, buffer, sizeof buffer, &length));
    EXPECT_EQ("07006", state());
    SQLINTEGER number = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 2, SQL_C_DEFAULT, &number, 0, &length));
    EXPECT_EQ(42, number);
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 3, SQL_C_CHAR, buffer, sizeof buffer, &length));
    EXPECT_EQ("S1002", state());
    // Without SQL_GD_ANY_ORDER an earlier column is out of reach.
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
    ASSERT_EQ(SQL_SUCCESS, exec("info 81 0"));
    ASSERT_EQ(SQL_SUCCESS, exec("column a VARCHAR 20; column b INTEGER; row x|1"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 2, SQL_C_LONG, &number, 0, &length));
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 1, SQL_C_CHAR, buffer, sizeof buffer, &length));
    EXPECT_EQ("S1002", state());
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
    ASSERT_EQ(SQL_SUCCESS, exec("info reset"));
}

// The C type is checked on every call, also on later rows of a column
// that converted before and after the column changes its SQL type.
TEST_F(ResultSession, GetDataChecksTheTypeOnEveryRow) {
    ASSERT_EQ(SQL_SUCCESS,
              exec("column a VARCHAR 20; column b INTEGER; row x|1; row y|2; row z|3"));
    SQLINTEGER number = 0;
    SQL_DATE_STRUCT date{};
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 2, SQL_C_LONG, &number, 0, &length));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 2, SQL_C_DATE, &date, 0, &length));
    EXPECT_EQ("07006", state());
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 2, 9999, &number, 0, &length));
    EXPECT_EQ("S1003", state());
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 2, SQL_C_LONG, &number, 0, &length));
    EXPECT_EQ(2, number);
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 2, SQL_C_LONG, &number, 0, &length));
    EXPECT_EQ(3, number);
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
    ASSERT_EQ(SQL_SUCCESS, exec("column a VARCHAR 20; column b VARCHAR 20; row x|1995-07-04"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 2, SQL_C_DATE, &date, 0, &length));
    EXPECT_EQ(1995, date.year);
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
    ASSERT_EQ(SQL_SUCCESS, exec("column a VARCHAR 20; column b INTEGER; row x|7"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 2, SQL_C_DATE, &date, 0, &length));
    EXPECT_EQ("07006", state());
}

TEST_F(ResultSession, ForwardOnlyExtendedFetchMovesOnlyForward) {
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    SQLULEN rows = 0;
    SQLUSMALLINT status[1];
    EXPECT_EQ(SQL_ERROR, SQLExtendedFetch(hstmt_, SQL_FETCH_PRIOR, 0, &rows, status));
    ResultRecord record = error();
    EXPECT_EQ("S1106", record.sqlState);
    EXPECT_EQ(RESULT_PREFIX + "In SQLExtendedFetch, only SQL_FETCH_NEXT is supported for "
                              "SQL_SCROLL_FORWARD_ONLY cursors.",
              record.message);
    // A null row-count pointer is accepted.
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, nullptr, status));
    EXPECT_EQ("1", text(1));
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, &rows, status));
    EXPECT_EQ(1u, rows);
    EXPECT_EQ("two", text(2));
}

TEST_F(ResultSession, ScrollableRowSetsBindColumnWiseAndReportMissingRows) {
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_CURSOR_TYPE, SQL_CURSOR_STATIC));
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_ROWSET_SIZE, 2));
    SQLINTEGER ids[2] = {};
    SQLLEN idLengths[2] = {};
    char names[2][8] = {};
    SQLLEN nameLengths[2] = {};
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 1, SQL_C_LONG, ids, 0, idLengths));
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 2, SQL_C_CHAR, names, 8, nameLengths));
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    SQLULEN rows = 0;
    SQLUSMALLINT status[2] = {9, 9};
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_LAST, 0, &rows, status));
    EXPECT_EQ(2u, rows);
    EXPECT_EQ(2, ids[0]);
    EXPECT_EQ(3, ids[1]);
    EXPECT_STREQ("three", names[1]);
    EXPECT_EQ(5, nameLengths[1]);
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_ABSOLUTE, 3, &rows, status));
    EXPECT_EQ(1u, rows);
    EXPECT_EQ(SQL_ROW_SUCCESS, status[0]);
    EXPECT_EQ(SQL_ROW_NOROW, status[1]);
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO,
              SQLExtendedFetch(hstmt_, SQL_FETCH_RELATIVE, -3, &rows, status));
    EXPECT_EQ("01S06", state());
    EXPECT_EQ(1, ids[0]);
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLExtendedFetch(hstmt_, SQL_FETCH_PRIOR, 0, &rows, status));
    EXPECT_EQ(0u, rows);
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, &rows, status));
    EXPECT_EQ(1, ids[0]);
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, &rows, status));
    EXPECT_EQ(3, ids[0]);
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, &rows, status));
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_PRIOR, 0, &rows, status));
    EXPECT_EQ(2, ids[0]);
    // SQLGetData reads the first row of the row set, or the one SQLSetPos
    // positioned on.
    EXPECT_EQ("two", text(2));
    ASSERT_EQ(SQL_SUCCESS, SQLSetPos(hstmt_, 2, SQL_POSITION, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("three", text(2));
    SQLULEN rowNumber = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetStmtOption(hstmt_, SQL_ROW_NUMBER, &rowNumber));
    EXPECT_EQ(3u, rowNumber);
    EXPECT_EQ(SQL_ERROR, SQLSetPos(hstmt_, 3, SQL_POSITION, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("S1107", state());
    EXPECT_EQ(SQL_ERROR, SQLSetPos(hstmt_, 1, SQL_DELETE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("S1009", state());
}

TEST_F(ResultSession, RowWiseBindingFillsOneStructurePerRow) {
    struct Row {
        SQLINTEGER id;
        SQLLEN idLength;
        SQLWCHAR name[8];
        SQLLEN nameLength;
    } rowset[3] = {};
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_BIND_TYPE, sizeof(Row)));
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_ROWSET_SIZE, 3));
    ASSERT_EQ(SQL_SUCCESS,
              SQLBindCol(hstmt_, 1, SQL_C_LONG, &rowset[0].id, 0, &rowset[0].idLength));
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 2, SQL_C_WCHAR, rowset[0].name, sizeof rowset[0].name,
                                      &rowset[0].nameLength));
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    SQLULEN rows = 0;
    SQLUSMALLINT status[3];
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, &rows, status));
    EXPECT_EQ(3u, rows);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i + 1, rowset[i].id);
    EXPECT_EQ(10, rowset[2].nameLength);
    const SQLWCHAR three[] = {'t', 'h', 'r', 'e', 'e', 0};
    EXPECT_EQ(0, std::memcmp(three, rowset[2].name, sizeof three));
    // A forward-only cursor cannot go back to the first row of the set.
    char buffer[8];
    SQLLEN length = 0;
    EXPECT_EQ(SQL_ERROR, SQLGetData(hstmt_, 2, SQL_C_CHAR, buffer, sizeof buffer, &length));
    EXPECT_EQ("S1109", state());
}

TEST_F(ResultSession, FailedRowsAreMarkedAndTheFetchGoesOn) {
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_ROWSET_SIZE, 3));
    SQLINTEGER ids[3] = {};
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(hstmt_, 1, SQL_C_LONG, ids, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, exec(std::string(THREE_ROWS) + "; failrow 2"));
    SQLULEN rows = 0;
    SQLUSMALLINT status[3];
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO, SQLExtendedFetch(hstmt_, SQL_FETCH_NEXT, 0, &rows, status));
    EXPECT_EQ(3u, rows);
    EXPECT_EQ(SQL_ROW_SUCCESS, status[0]);
    EXPECT_EQ(SQL_ROW_ERROR, status[1]);
    EXPECT_EQ(SQL_ROW_SUCCESS, status[2]);
    EXPECT_EQ(3, ids[2]);
    std::set<std::string> states;
    for (ResultRecord record = error(); !record.sqlState.empty(); record = error())
        states.insert(record.sqlState);
    EXPECT_EQ((std::set<std::string>{"S1000", "01S01"}), states);
}

TEST_F(ResultSession, FurtherResultSetsFollowUntilNoData) {
    ASSERT_EQ(SQL_SUCCESS, exec("column a INTEGER; row 1; nextresult; rowcount 4; nextresult; "
                                "column b CHAR 3; column c CHAR 3; row x|y"));
    EXPECT_EQ("1", (SQLFetch(hstmt_), text(1)));
    SQLLEN count = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLRowCount(hstmt_, &count));
    EXPECT_EQ(-1, count);
    ASSERT_EQ(SQL_SUCCESS, SQLMoreResults(hstmt_));
    SQLSMALLINT columns = -1;
    ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt_, &columns));
    EXPECT_EQ(0, columns);
    ASSERT_EQ(SQL_SUCCESS, SQLMoreResults(hstmt_));
    ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt_, &columns));
    EXPECT_EQ(2, columns);
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ("y", text(2));
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLMoreResults(hstmt_));
    EXPECT_EQ(SQL_ERROR, SQLFetch(hstmt_));
}

TEST_F(ResultSession, RowCountsComeFromTheExecutionAndUnknownMayReadAsOne) {
    ASSERT_EQ(SQL_SUCCESS, exec("rowcount 4"));
    SQLLEN count = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLRowCount(hstmt_, &count));
    EXPECT_EQ(4, count);
    ASSERT_EQ(SQL_SUCCESS, exec("rowcount -1"));
    ASSERT_EQ(SQL_SUCCESS, SQLRowCount(hstmt_, &count));
    EXPECT_EQ(-1, count);
    close();
    ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
    SQLCHAR in[] = "DSN=tstdsn;WA=8";
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLDriverConnect(hdbc_, nullptr, in, SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    ASSERT_EQ(SQL_SUCCESS, exec("rowcount -1"));
    ASSERT_EQ(SQL_SUCCESS, SQLRowCount(hstmt_, &count));
    EXPECT_EQ(1, count);
}

TEST_F(ResultSession, CursorNamesAreGeneratedUniqueAndChecked) {
    char name[32];
    SQLSMALLINT length = 0;
    EXPECT_EQ(SQL_ERROR,
              SQLGetCursorName(hstmt_, reinterpret_cast<SQLCHAR*>(name), sizeof name, &length));
    EXPECT_EQ("S1015", state());
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    ASSERT_EQ(SQL_SUCCESS,
              SQLGetCursorName(hstmt_, reinterpret_cast<SQLCHAR*>(name), sizeof name, &length));
    EXPECT_EQ(15, length);
    EXPECT_EQ(0, std::strncmp(name, "SQL_CUR", 7));
    std::string generated = name;
    // Another statement taking that name first makes the next one differ.
    SQLHSTMT other = nullptr, third = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &other));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &third));
    EXPECT_EQ(SQL_ERROR, SQLSetCursorName(other, reinterpret_cast<SQLCHAR*>(name), SQL_NTS));
    EXPECT_EQ("3C000", error(other).sqlState);
    SQLCHAR longName[] = "abcdefghijklmnopqrs";
    EXPECT_EQ(SQL_ERROR, SQLSetCursorName(other, longName, SQL_NTS));
    EXPECT_EQ("34000", error(other).sqlState);
    EXPECT_EQ(SQL_ERROR, SQLSetCursorName(other, longName, 0));
    EXPECT_EQ("S1090", error(other).sqlState);
    ASSERT_EQ(SQL_SUCCESS, SQLSetCursorName(other, longName, 18));
    ASSERT_EQ(SQL_SUCCESS, exec(third, THREE_ROWS));
    ASSERT_EQ(SQL_SUCCESS,
              SQLGetCursorName(third, reinterpret_cast<SQLCHAR*>(name), sizeof name, &length));
    EXPECT_NE(generated, std::string(name));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeStmt(other, SQL_DROP));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeStmt(third, SQL_DROP));
}

TEST_F(ResultSession, StatementOptionsFallBackWithOptionValueChanged) {
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO,
              SQLSetStmtOption(hstmt_, SQL_CURSOR_TYPE, SQL_CURSOR_KEYSET_DRIVEN));
    EXPECT_EQ("01S02", state());
    SQLULEN value = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetStmtOption(hstmt_, SQL_CURSOR_TYPE, &value));
    EXPECT_EQ(static_cast<SQLULEN>(SQL_CURSOR_STATIC), value);
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLSetStmtOption(hstmt_, SQL_CONCURRENCY, SQL_CONCUR_LOCK));
    ASSERT_EQ(SQL_SUCCESS, SQLGetStmtOption(hstmt_, SQL_CONCURRENCY, &value));
    EXPECT_EQ(static_cast<SQLULEN>(SQL_CONCUR_VALUES), value);
    EXPECT_EQ(SQL_ERROR, SQLSetStmtOption(hstmt_, SQL_QUERY_TIMEOUT, 5));
    EXPECT_EQ("S1C00", state());
    EXPECT_EQ(SQL_ERROR, SQLGetStmtOption(hstmt_, SQL_ROW_NUMBER, &value));
    EXPECT_EQ("24000", state());
    ASSERT_EQ(SQL_SUCCESS, SQLSetScrollOptions(hstmt_, SQL_CONCUR_READ_ONLY, SQL_SCROLL_STATIC, 4));
    ASSERT_EQ(SQL_SUCCESS, SQLGetStmtOption(hstmt_, SQL_ROWSET_SIZE, &value));
    EXPECT_EQ(4u, value);
    EXPECT_EQ(SQL_ERROR, SQLSetScrollOptions(hstmt_, SQL_CONCUR_READ_ONLY, SQL_SCROLL_DYNAMIC, 1));
    EXPECT_EQ("S1C00", state());
}

TEST_F(ResultSession, MaxLengthLimitsCharacterData) {
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_MAX_LENGTH, 4));
    ASSERT_EQ(SQL_SUCCESS, exec("column a VARCHAR 20; row abcdefgh"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ("abcd", text(1));
}

TEST_F(ResultSession, MaxRowsEndsTheResultSetEarly) {
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_MAX_ROWS, 2));
    ASSERT_EQ(SQL_SUCCESS, exec(THREE_ROWS));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLFetch(hstmt_));
}

TEST_F(ResultSession, NullValuesNeedAnIndicator) {
    ASSERT_EQ(SQL_SUCCESS, exec("column a INTEGER; row NULL"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    SQLINTEGER value = 0;
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 1, SQL_C_LONG, &value, 0, &length));
    EXPECT_EQ(SQL_NULL_DATA, length);
    EXPECT_EQ(SQL_NO_DATA_FOUND, SQLGetData(hstmt_, 1, SQL_C_LONG, &value, 0, &length));
}

class TranslatedSession : public ResultSession {
protected:
    void SetUp() override { open("trndsn"); }
};

TEST_F(TranslatedSession, OemDataArrivesAsAnsi) {
    ASSERT_EQ(SQL_SUCCESS, exec("column a CHAR 3; row x:418242"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(hstmt_));
    unsigned char buffer[8] = {};
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(hstmt_, 1, SQL_C_CHAR, buffer, sizeof buffer, &length));
    EXPECT_EQ(3, length);
    EXPECT_EQ(0x41, buffer[0]);
    EXPECT_EQ(0xE9, buffer[1]);
    EXPECT_EQ(0x42, buffer[2]);
}

} // namespace
