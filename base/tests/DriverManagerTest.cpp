// The test driver through unixODBC's driver manager, as an application
// uses it: the configuration lives in the build tree (ODBCSYSINI, ODBCINI).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "OdbcSession.h"
#include "OdbcTestSupport.h"

bool odbcThroughDriverManager() {
    return true;
}

const OdbcApi& odbc() {
    static const OdbcApi api = {
        &::SQLAllocEnv,         &::SQLAllocConnect,     &::SQLAllocStmt,
        &::SQLConnect,          &::SQLDisconnect,       &::SQLFreeStmt,
        &::SQLFreeConnect,      &::SQLFreeEnv,          &::SQLError,
        &::SQLExecDirect,       &::SQLNativeSql,        &::SQLTransact,
        &::SQLPrepare,          &::SQLDriverConnect,    &::SQLBrowseConnect,
        &::SQLSetConnectOption, &::SQLGetConnectOption,
    };
    return api;
}

namespace {

TEST(DriverManager, ConnectionsComeAndGoRepeatedly) {
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv));
    SQLHDBC connections[3] = {};
    SQLCHAR dsn[] = "tstdsn";
    for (int round = 0; round < 2; ++round) {
        for (SQLHDBC& hdbc : connections) {
            ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv, &hdbc));
            ASSERT_TRUE(SQL_SUCCEEDED(SQLConnect(hdbc, dsn, SQL_NTS, nullptr, 0, nullptr, 0)));
            SQLHSTMT hstmt = nullptr;
            ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc, &hstmt));
        }
        // Disconnecting frees the statements the application left behind.
        for (SQLHDBC hdbc : {connections[1], connections[0], connections[2]}) {
            EXPECT_EQ(SQL_SUCCESS, SQLDisconnect(hdbc));
            EXPECT_EQ(SQL_SUCCESS, SQLFreeConnect(hdbc));
        }
    }
    EXPECT_EQ(SQL_SUCCESS, SQLFreeEnv(henv));
}

TEST(DriverManager, OdbcThreeApplicationsReadTheSameRecords) {
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &henv));
    ASSERT_EQ(SQL_SUCCESS, SQLSetEnvAttr(henv, SQL_ATTR_ODBC_VERSION,
                                         reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0));
    SQLHDBC hdbc = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_DBC, henv, &hdbc));
    SQLCHAR dsn[] = "tstdsn";
    ASSERT_TRUE(SQL_SUCCEEDED(SQLConnect(hdbc, dsn, SQL_NTS, nullptr, 0, nullptr, 0)));
    SQLHSTMT hstmt = nullptr;
    ASSERT_EQ(SQL_SUCCESS, SQLAllocHandle(SQL_HANDLE_STMT, hdbc, &hstmt));
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt, "error 13 6012; param 1; warning 4"));
    SQLCHAR state[6];
    SQLINTEGER native = -1;
    SQLCHAR message[256];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetDiagRec(SQL_HANDLE_STMT, hstmt, 1, state, &native, message,
                                         sizeof message, &length));
    EXPECT_STREQ("07001", reinterpret_cast<char*>(state));
    EXPECT_STREQ("[BRELLMONT][ODBC Test driver]Value has not been specified for parameter 1.",
                 reinterpret_cast<char*>(message));
    ASSERT_EQ(SQL_SUCCESS, SQLGetDiagRec(SQL_HANDLE_STMT, hstmt, 2, state, &native, message,
                                         sizeof message, &length));
    EXPECT_STREQ("[BRELLMONT][ODBC Test driver]Data truncated.", reinterpret_cast<char*>(message));
    EXPECT_EQ(SQL_NO_DATA, SQLGetDiagRec(SQL_HANDLE_STMT, hstmt, 3, state, &native, message,
                                         sizeof message, &length));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeHandle(SQL_HANDLE_STMT, hstmt));
    EXPECT_EQ(SQL_SUCCESS, SQLDisconnect(hdbc));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeHandle(SQL_HANDLE_DBC, hdbc));
    EXPECT_EQ(SQL_SUCCESS, SQLFreeHandle(SQL_HANDLE_ENV, henv));
}

// The driver manager (Threading = 0) passes a second call on a handle in
// use straight to the driver, which answers 9999 and keeps the records of
// the call in progress.
using ManagedSession = OdbcSession;

TEST_F(ManagedSession, BusyStatementAnswersBusyAndKeepsItsRecords) {
    HeldCall held([this](const std::string& hold) {
        return execDirect(hstmt_, "warning 2; " + hold + "; error 68");
    });
    EXPECT_EQ(9999, execDirect(hstmt_, "error 61"));
    EXPECT_EQ(9999, odbc().transact(henv_, hdbc_, SQL_COMMIT));
    EXPECT_EQ(SQL_ERROR, held.release());
    std::set<std::string> states;
    for (int i = 0; i < 2; ++i)
        states.insert(statementError().sqlState);
    EXPECT_EQ((std::set<std::string>{"01000", "S1010"}), states);
}

// SQLCancel with nothing pending goes through the driver manager without
// harm (the driver manager crashes on a warning from an ODBC 2 driver's
// SQLCancel) and the statement stays usable.
TEST_F(ManagedSession, CancelWithNothingPendingSucceeds) {
    ASSERT_TRUE(SQL_SUCCEEDED(execDirect(hstmt_, "warning 1")));
    EXPECT_EQ(SQL_SUCCESS, SQLCancel(hstmt_));
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt_, "error 61"));
    EXPECT_EQ("S1000", statementError().sqlState);
}

} // namespace
