// The test driver loaded with dlopen and called straight, without a driver
// manager in between: record order, truncation, busy handles and the
// handle orders a driver manager would not let through.
#include <dlfcn.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "OdbcSession.h"

namespace {

void* driverLibrary() {
    static void* library = dlopen(TST_DRIVER_PATH, RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <typename F> F entry(const char* name) {
    void* symbol = driverLibrary() ? dlsym(driverLibrary(), name) : nullptr;
    if (!symbol) {
        ADD_FAILURE() << "missing entry point " << name;
        std::abort();
    }
    return reinterpret_cast<F>(symbol);
}

} // namespace

bool odbcThroughDriverManager() {
    return false;
}

const OdbcApi& odbc() {
    static const OdbcApi api = {
        entry<decltype(&::SQLAllocEnv)>("SQLAllocEnv"),
        entry<decltype(&::SQLAllocConnect)>("SQLAllocConnect"),
        entry<decltype(&::SQLAllocStmt)>("SQLAllocStmt"),
        entry<decltype(&::SQLConnect)>("SQLConnect"),
        entry<decltype(&::SQLDisconnect)>("SQLDisconnect"),
        entry<decltype(&::SQLFreeStmt)>("SQLFreeStmt"),
        entry<decltype(&::SQLFreeConnect)>("SQLFreeConnect"),
        entry<decltype(&::SQLFreeEnv)>("SQLFreeEnv"),
        entry<decltype(&::SQLError)>("SQLError"),
        entry<decltype(&::SQLExecDirect)>("SQLExecDirect"),
        entry<decltype(&::SQLNativeSql)>("SQLNativeSql"),
        entry<decltype(&::SQLTransact)>("SQLTransact"),
        entry<decltype(&::SQLPrepare)>("SQLPrepare"),
        entry<decltype(&::SQLDriverConnect)>("SQLDriverConnect"),
        entry<decltype(&::SQLBrowseConnect)>("SQLBrowseConnect"),
        entry<decltype(&::SQLSetConnectOption)>("SQLSetConnectOption"),
        entry<decltype(&::SQLGetConnectOption)>("SQLGetConnectOption"),
    };
    return api;
}

namespace {

constexpr SQLRETURN BUSY = 9999;

using DriverSession = OdbcSession;

TEST_F(DriverSession, RecordsComeBackInRaisingOrder) {
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt_, "error 13 6012; param 2; warning 2; error 61"));
    EXPECT_EQ("07001", statementError().sqlState);
    EXPECT_EQ("01000", statementError().sqlState);
    EXPECT_EQ("S1000", statementError().sqlState);
    expectNoMoreRecords(hstmt_);
}

// (The driver manager reads no records after a call that succeeded.)
TEST_F(DriverSession, ErrorsDoNotChangeTheSuccessOfTheMethod) {
    // A method that returns success keeps it even when it raised an error;
    // the record stays retrievable.
    EXPECT_EQ(SQL_SUCCESS, execDirect(hstmt_, "error 61; succeed"));
    OdbcRecord kept = statementError();
    EXPECT_EQ("S1000", kept.sqlState);
    EXPECT_EQ(PREFIX + "General error.", kept.message);

    // Mixed warnings and errors with success stay success as well.
    EXPECT_EQ(SQL_SUCCESS, execDirect(hstmt_, "warning 2; error 61; succeed"));
    EXPECT_EQ(SQL_SUCCESS, execDirect(hstmt_, ""));
    expectNoMoreRecords(hstmt_);
}

TEST_F(DriverSession, CutMessagesReportSuccessWithInfoAndTheBytesStored) {
    EXPECT_EQ(SQL_ERROR, execDirect(hstmt_, "error 61; error 61; error 61; error 61; "
                                            "alone A text that stands alone"));
    OdbcRecord cut = statementError(10);
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, cut.rc);
    EXPECT_EQ("[BRELLMON", cut.message);
    EXPECT_EQ(9, cut.length);
    OdbcRecord nothing = statementError(1);
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, nothing.rc);
    EXPECT_EQ("", nothing.message);
    EXPECT_EQ(0, nothing.length);
    // Without a buffer the SQLSTATE still comes and the record is used up.
    OdbcRecord noBuffer = statementError(0);
    EXPECT_EQ(SQL_SUCCESS, noBuffer.rc);
    EXPECT_EQ("S1000", noBuffer.sqlState);
    OdbcRecord exact = statementError(static_cast<SQLSMALLINT>(PREFIX.size() + 15));
    EXPECT_EQ(SQL_SUCCESS, exact.rc);
    EXPECT_EQ(PREFIX + "General error.", exact.message);
    // A stand-alone text gets no prefix, and a cut one says so too.
    OdbcRecord alone = statementError(7);
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, alone.rc);
    EXPECT_EQ("A text", alone.message);
    EXPECT_EQ(6, alone.length);
    expectNoMoreRecords(hstmt_);
}

TEST_F(DriverSession, BusyStatementAnswersBusyAndKeepsItsRecords) {
    SQLHSTMT other = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &other));
    HeldCall held([this](const std::string& hold) {
        return execDirect(hstmt_, "warning 2; " + hold + "; error 68");
    });
    EXPECT_EQ(BUSY, execDirect(hstmt_, "error 61"));
    EXPECT_EQ(BUSY, statementError().rc);
    EXPECT_EQ(BUSY, odbc().freeStmt(hstmt_, SQL_CLOSE));
    EXPECT_EQ(BUSY, odbc().freeStmt(hstmt_, SQL_DROP));
    // Connection-wide calls wait for no statement.
    EXPECT_EQ(BUSY, odbc().transact(henv_, hdbc_, SQL_COMMIT));
    // Other statements and plain connection calls go on.
    EXPECT_EQ(SQL_ERROR, execDirect(other, "error 61"));
    EXPECT_EQ(SQL_ERROR, nativeSql(hdbc_, "error 61"));
    EXPECT_EQ(SQL_ERROR, held.release());
    EXPECT_EQ("01000", statementError().sqlState);
    EXPECT_EQ("S1010", statementError().sqlState);
    expectNoMoreRecords(hstmt_);
    // Once free, the connection-wide call runs (autocommit: nothing to do).
    EXPECT_EQ(SQL_SUCCESS, odbc().transact(henv_, hdbc_, SQL_COMMIT));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(other, SQL_DROP));
}

TEST_F(DriverSession, BusyConnectionRefusesNewAndDroppedStatements) {
    SQLHSTMT other = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &other));
    HeldCall held(
        [this](const std::string& hold) { return nativeSql(hdbc_, "warning 2; " + hold); });
    SQLHSTMT refused = reinterpret_cast<SQLHSTMT>(0x1234);
    EXPECT_EQ(BUSY, odbc().allocStmt(hdbc_, &refused));
    EXPECT_EQ(reinterpret_cast<SQLHSTMT>(0x1234), refused);
    EXPECT_EQ(BUSY, odbc().freeStmt(other, SQL_DROP));
    EXPECT_EQ(BUSY, readError(henv_, hdbc_, nullptr).rc);
    // Statement calls do not wait for an ordinary connection call.
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(other, SQL_CLOSE));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, held.release());
    EXPECT_EQ("01000", readError(henv_, hdbc_, nullptr).sqlState);
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(other, SQL_DROP));
}

TEST_F(DriverSession, OtherFreeStmtOptionsDoNothing) {
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(hstmt_, 42));
    expectNoMoreRecords(hstmt_);
}

TEST(DriverHandles, ConnectionFreedWithLiveStatementsTakesThemAlong) {
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv));
    SQLHDBC first = nullptr;
    SQLHDBC second = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &first));
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &second));
    EXPECT_NE(first, second);
    SQLHSTMT statements[3] = {};
    for (SQLHSTMT& statement : statements)
        ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(first, &statement));
    EXPECT_EQ(SQL_ERROR, execDirect(statements[1], "error 61"));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(statements[0], SQL_DROP));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(first));
    SQLHSTMT kept = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(second, &kept));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(second));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv));
}

TEST(DriverHandles, EnvironmentWithLiveConnectionsIsNotFreed) {
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv));
    SQLHDBC hdbc = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &hdbc));
    EXPECT_EQ(SQL_ERROR, odbc().freeEnv(henv));
    OdbcRecord record = readError(henv, nullptr, nullptr);
    EXPECT_EQ("S1010", record.sqlState);
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(hdbc));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv));
}

TEST(DriverHandles, FailedConnectionLeavesItsErrorOnTheEnvironment) {
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv));
    setenv("KWTST_FAIL_CONNECTION_INIT", "1", 1);
    SQLHDBC hdbc = reinterpret_cast<SQLHDBC>(0x1234);
    EXPECT_EQ(SQL_ERROR, odbc().allocConnect(henv, &hdbc));
    unsetenv("KWTST_FAIL_CONNECTION_INIT");
    EXPECT_EQ(nullptr, hdbc);
    // The environment's list has no owner: no driver name in the prefix.
    OdbcRecord record = readError(henv, nullptr, nullptr);
    EXPECT_EQ(SQL_SUCCESS, record.rc);
    EXPECT_EQ("S1000", record.sqlState);
    EXPECT_EQ("[BRELLMONT][ODBC ]Insufficient information to connect to the data source.",
              record.message);
    EXPECT_EQ(SQL_NO_DATA_FOUND, readError(henv, nullptr, nullptr).rc);
    EXPECT_EQ(SQL_INVALID_HANDLE, readError(nullptr, nullptr, nullptr).rc);
    EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv));
}

// Options set before connecting are applied when the connection opens; the
// driver manager would apply them itself, so this is seen straight.
TEST(DriverConnect, FailingBufferedOptionGivesIm006AndTheConnectionOpens) {
    SQLHENV henv = nullptr;
    SQLHDBC hdbc = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv));
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &hdbc));
    ASSERT_EQ(SQL_SUCCESS, odbc().setConnectOption(hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    // A data source without transactions cannot turn autocommit off.
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, driverConnect(hdbc, driverString("DB=main;TX=0")));
    OdbcRecord announced = readError(henv, hdbc, nullptr);
    EXPECT_EQ("IM006", announced.sqlState);
    EXPECT_EQ(PREFIX + "Driver's SQLConnectOption failed.", announced.message);
    OdbcRecord reason = readError(henv, hdbc, nullptr);
    EXPECT_EQ("S1C00", reason.sqlState);
    EXPECT_EQ(SQL_NO_DATA_FOUND, readError(henv, hdbc, nullptr).rc);
    SQLUINTEGER autocommit = 7;
    EXPECT_EQ(SQL_SUCCESS, odbc().getConnectOption(hdbc, SQL_AUTOCOMMIT, &autocommit));
    EXPECT_EQ(SQL_AUTOCOMMIT_ON, autocommit);
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc));
    // With transactions the same option applies silently.
    ASSERT_EQ(SQL_SUCCESS, odbc().setConnectOption(hdbc, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    EXPECT_EQ(SQL_SUCCESS, driverConnect(hdbc, driverString("DB=main")));
    EXPECT_EQ(SQL_SUCCESS, odbc().getConnectOption(hdbc, SQL_AUTOCOMMIT, &autocommit));
    EXPECT_EQ(SQL_AUTOCOMMIT_OFF, autocommit);
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(hdbc));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv));
}

TEST(DriverConnect, SharedConnectionIsHandedOutAgainUntilItsLastRelease) {
    SQLHENV henv = nullptr;
    SQLHDBC first = nullptr;
    SQLHDBC second = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv));
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &first));
    ASSERT_EQ(SQL_SUCCESS, driverConnect(first, driverString("DB=main;WA=4")));
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &second));
    EXPECT_EQ(first, second);
    EXPECT_EQ(SQL_SUCCESS, driverConnect(second, driverString("DB=main;WA=4")));
    // The first release neither disconnects nor frees.
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(second));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(second));
    SQLHSTMT hstmt = nullptr;
    EXPECT_EQ(SQL_SUCCESS, odbc().allocStmt(first, &hstmt));
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(first));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(first));
    // A new allocation gets a connection of its own.
    SQLHDBC third = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv, &third));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(third));
    EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv));
}

TEST_F(DriverSession, CommitWaitsForNoStatementAndEndsTheTransaction) {
    ASSERT_EQ(SQL_SUCCESS, odbc().setConnectOption(hdbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    ASSERT_EQ(SQL_SUCCESS, execDirect(hstmt_, "succeed"));
    // While a statement is in a call, the commit waits for no one.
    HeldCall held([this](const std::string& hold) { return execDirect(hstmt_, hold); });
    EXPECT_EQ(BUSY, odbc().transact(henv_, hdbc_, SQL_COMMIT));
    EXPECT_EQ(SQL_SUCCESS, held.release());
    EXPECT_EQ(SQL_SUCCESS, odbc().transact(henv_, hdbc_, SQL_COMMIT));
    // No transaction is open any more: disconnecting is allowed (and takes
    // the statements along).
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
    SQLCHAR dsn[] = "tstdsn";
    EXPECT_EQ(SQL_SUCCESS, odbc().connect(hdbc_, dsn, SQL_NTS, nullptr, 0, nullptr, 0));
    ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &hstmt_));
}

} // namespace
