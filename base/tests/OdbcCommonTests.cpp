// Error reporting and handle life cycles as an application sees them. Every
// test here runs both through the driver manager and straight against the
// driver library.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "OdbcTestSupport.h"

#include "OdbcSession.h"

namespace {

// The driver manager may hand records out in its own order, so the records
// are compared as a set here; the order is checked straight against the
// driver.
TEST_F(OdbcSession, RecordsComeBackOnceWithTheirPrefixes) {
    EXPECT_EQ(SQL_ERROR,
              execDirect(hstmt_, "error 13 6012; param 2; warning 2; native 61 77 table locked; "
                                 "resource 1200; param 5; error 61 3800"));
    std::set<std::string> records;
    for (int i = 0; i < 5; ++i) {
        OdbcRecord record = statementError();
        EXPECT_EQ(SQL_SUCCESS, record.rc);
        EXPECT_EQ(static_cast<SQLSMALLINT>(record.message.size()), record.length);
        records.insert(record.sqlState + " " + std::to_string(record.native) + " " +
                       record.message);
    }
    std::set<std::string> expected = {
        "07001 0 " + PREFIX + "Value has not been specified for parameter 2.",
        "01000 0 " + PREFIX + "General warning.",
        // A message of the data source itself names the DBMS.
        "S1000 77 " + PREFIX + "[TestDB]table locked",
        // A driver message: its id is the native code, and no DBMS label.
        "S1000 1200 " + PREFIX + "Test driver message 5.",
        "S1000 0 " + PREFIX + "Engine message.",
    };
    EXPECT_EQ(expected, records);
    expectNoMoreRecords(hstmt_);
    expectNoMoreRecords(hstmt_);
}

TEST_F(OdbcSession, WarningsOnlyGiveSuccessWithInfo) {
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, execDirect(hstmt_, "warning 8 6067"));
    OdbcRecord warning = statementError();
    EXPECT_EQ("01S02", warning.sqlState);
    EXPECT_EQ(0, warning.native);
    EXPECT_EQ(PREFIX + "SQL_MAX_LENGTH has been set to the maximum size of data that can be "
                       "returned by the database.",
              warning.message);
    expectNoMoreRecords(hstmt_);
}

TEST_F(OdbcSession, EachCallEmptiesOnlyItsOwnHandlesList) {
    SQLHSTMT other = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &other));
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt_, "error 32"));
    EXPECT_EQ(SQL_ERROR, execDirect(other, "error 68"));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, execDirect(hstmt_, "warning 4"));
    EXPECT_EQ("01004", statementError().sqlState);
    expectNoMoreRecords(hstmt_);
    OdbcRecord untouched = readError(henv_, hdbc_, other);
    EXPECT_EQ("S1010", untouched.sqlState);
    EXPECT_EQ(PREFIX + "Function sequence error.", untouched.message);
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(other, SQL_DROP));
}

TEST_F(OdbcSession, AppendedTextAndResetSqlStateKeepTheRecordsOwnParts) {
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt_, "error 26 6071; append 6072 4"));
    OdbcRecord appended = statementError();
    EXPECT_EQ("22003", appended.sqlState);
    EXPECT_EQ(PREFIX + "Numeric overflow. Error in column 4.", appended.message);
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt_, "error 61 6012; param 3; reset 32"));
    OdbcRecord reset = statementError();
    EXPECT_EQ("24000", reset.sqlState);
    EXPECT_EQ(PREFIX + "Value has not been specified for parameter 3.", reset.message);
}

TEST_F(OdbcSession, ConnectionCallsReportOnTheConnectionList) {
    EXPECT_EQ(SQL_ERROR, nativeSql(hdbc_, "error 18; text x"));
    OdbcRecord record = readError(henv_, hdbc_, nullptr);
    EXPECT_EQ("08003", record.sqlState);
    EXPECT_EQ(PREFIX + "Connection not open.", record.message);
    EXPECT_EQ(SQL_NO_DATA_FOUND, readError(henv_, hdbc_, nullptr).rc);
}

TEST_F(OdbcSession, PrepareReportsAMalformedEscapeClause) {
    SQLCHAR text[] = "select {fn NOSUCH(1)}";
    EXPECT_EQ(SQL_ERROR, odbc().prepare(hstmt_, text, SQL_NTS));
    OdbcRecord record = statementError();
    EXPECT_EQ("37000", record.sqlState);
    EXPECT_EQ(PREFIX + "Unrecognized function escape: NOSUCH.", record.message);
}

TEST_F(OdbcSession, StatementsAllocateAndFreeInAnyOrder) {
    SQLHSTMT statements[4] = {};
    for (SQLHSTMT& statement : statements)
        ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &statement));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(statements[2], SQL_DROP));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(statements[0], SQL_DROP));
    for (SQLUSMALLINT option : {SQL_CLOSE, SQL_UNBIND, SQL_RESET_PARAMS})
        EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(statements[1], option));
    EXPECT_EQ(SQL_ERROR, execDirect(statements[3], "error 61"));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(statements[3], SQL_DROP));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(statements[1], SQL_DROP));
}

TEST_F(OdbcSession, PendingOperationResumesWithItsSavedValues) {
    const std::string text = "pending warning 8 6067";
    EXPECT_EQ(SQL_STILL_EXECUTING, execDirect(hstmt_, text));
    // Another function meanwhile is refused.
    SQLCHAR other[] = "select 1";
    EXPECT_EQ(SQL_ERROR, odbc().prepare(hstmt_, other, SQL_NTS));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, execDirect(hstmt_, text));
    EXPECT_EQ("01S02", statementError().sqlState);
    expectNoMoreRecords(hstmt_);
    EXPECT_EQ(SQL_SUCCESS, execDirect(hstmt_, ""));
}

} // namespace
