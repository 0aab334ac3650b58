// Connecting as an application does: by data-source name, by a DSN-less
// DRIVER= string, by SQLBrowseConnect steps; connection options,
// transactions and translation. Every test here runs both through the
// driver manager and straight against the driver library.
#include <gtest/gtest.h>

#include <string>

#include "OdbcSession.h"
#include "OdbcTestSupport.h"

namespace {

class OdbcConnect : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv_, &hdbc_));
    }
    void TearDown() override {
        odbc().disconnect(hdbc_);
        EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(hdbc_));
        EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv_));
    }
    OdbcRecord connectionError() { return readError(henv_, hdbc_, nullptr); }
    bool hasStatement() {
        SQLHSTMT hstmt = nullptr;
        if (odbc().allocStmt(hdbc_, &hstmt) != SQL_SUCCESS)
            return false;
        return odbc().freeStmt(hstmt, SQL_DROP) == SQL_SUCCESS;
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
};

TEST_F(OdbcConnect, ByDataSourceNameTakesAttributesFromOdbcIni) {
    std::string out;
    ASSERT_EQ(SQL_SUCCESS, driverConnect(hdbc_, "DSN=tstdsn", &out));
    // The user id comes from the data source's section.
    EXPECT_NE(std::string::npos, out.find("DSN=tstdsn")) << out;
    EXPECT_NE(std::string::npos, out.find("UID=reader")) << out;
    EXPECT_TRUE(hasStatement());
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
}

TEST_F(OdbcConnect, ByDriverStringWithoutDataSource) {
    std::string out;
    ASSERT_EQ(SQL_SUCCESS, driverConnect(hdbc_, driverString("DB=extra;UID=me;PWD='a;b'"), &out));
    EXPECT_NE(std::string::npos, out.find("DB=extra")) << out;
    EXPECT_NE(std::string::npos, out.find("UID=me")) << out;
    EXPECT_NE(std::string::npos, out.find("PWD='a;b'")) << out;
    EXPECT_TRUE(hasStatement());
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
    // Disconnected, the connection takes a new connect.
    EXPECT_EQ(SQL_SUCCESS, driverConnect(hdbc_, driverString("DB=main")));
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
}

TEST_F(OdbcConnect, UnusedAttributesAreReportedAndTheConnectionOpens) {
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO, driverConnect(hdbc_, driverString("DB=main;Bogus=1")));
    OdbcRecord warning = connectionError();
    EXPECT_EQ("01S00", warning.sqlState);
    EXPECT_EQ(PREFIX + "Invalid attribute in connection string: Bogus.", warning.message);
    EXPECT_TRUE(hasStatement());
}

TEST_F(OdbcConnect, FailedLogonLeavesTheConnectionAllocated) {
    EXPECT_EQ(SQL_ERROR, driverConnect(hdbc_, driverString("DB=fail")));
    OdbcRecord failure = connectionError();
    EXPECT_EQ("08001", failure.sqlState);
    EXPECT_EQ(17, failure.native);
    // A message of the data source names it (the driver's name until the
    // connection knows the DBMS).
    EXPECT_EQ(PREFIX + "[Test]Cannot open database fail", failure.message);
    // Without the required database there is no dialog to ask: an error.
    EXPECT_EQ(SQL_ERROR, driverConnect(hdbc_, driverString("")));
    EXPECT_EQ(PREFIX + "Insufficient information to connect to the data source.",
              connectionError().message);
    EXPECT_EQ(SQL_SUCCESS, driverConnect(hdbc_, driverString("DB=main")));
}

TEST_F(OdbcConnect, BrowseConnectGoesLevelByLevel) {
    std::string out;
    ASSERT_EQ(SQL_NEED_DATA, browseConnect(hdbc_, "DSN=tstdsn", &out));
    EXPECT_EQ("DB:Database={main,extra};*TX:Transactions=?;*PWD:Password=?", out);
    ASSERT_EQ(SQL_NEED_DATA, browseConnect(hdbc_, "DB=main", &out));
    EXPECT_EQ("LK:Lock={none,shared}", out);
    ASSERT_EQ(SQL_SUCCESS, browseConnect(hdbc_, "LK=shared", &out));
    EXPECT_NE(std::string::npos, out.find("Database=main")) << out;
    EXPECT_NE(std::string::npos, out.find("Lock=shared")) << out;
    EXPECT_TRUE(hasStatement());
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
}

TEST_F(OdbcConnect, BrowseStepThatFailsAsksAgain) {
    std::string out;
    ASSERT_EQ(SQL_NEED_DATA, browseConnect(hdbc_, "DSN=tstdsn", &out));
    ASSERT_EQ(SQL_NEED_DATA, browseConnect(hdbc_, "DB=fail", &out));
    EXPECT_EQ("DB:Database={main,extra};*TX:Transactions=?;*PWD:Password=?", out);
    EXPECT_EQ("08001", connectionError().sqlState);
    ASSERT_EQ(SQL_SUCCESS, browseConnect(hdbc_, "DB=extra;LK=none", &out));
    EXPECT_TRUE(hasStatement());
}

TEST_F(OdbcConnect, TransactionsFollowAutocommit) {
    ASSERT_EQ(SQL_SUCCESS, driverConnect(hdbc_, driverString("DB=main")));
    ASSERT_EQ(SQL_SUCCESS, odbc().setConnectOption(hdbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    SQLHSTMT hstmt = nullptr;
    ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &hstmt));
    EXPECT_EQ(SQL_SUCCESS, execDirect(hstmt, "succeed"));
    // An open transaction keeps the connection.
    EXPECT_EQ(SQL_ERROR, odbc().disconnect(hdbc_));
    EXPECT_EQ("25000", connectionError().sqlState);
    EXPECT_EQ(SQL_SUCCESS, odbc().transact(henv_, hdbc_, SQL_ROLLBACK));
    EXPECT_EQ(SQL_SUCCESS, execDirect(hstmt, "succeed"));
    // Autocommit back on commits the open transaction, with a warning.
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO,
              odbc().setConnectOption(hdbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON));
    OdbcRecord warning = connectionError();
    EXPECT_EQ("01000", warning.sqlState);
    EXPECT_EQ(PREFIX + "The currently active transaction was committed before changing the "
                       "AutoCommit connection option.",
              warning.message);
    EXPECT_EQ(SQL_ERROR, odbc().transact(henv_, hdbc_, 7));
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
}

TEST_F(OdbcConnect, TranslationLibraryOfTheDataSource) {
    SQLCHAR dsn[] = "trndsn";
    ASSERT_EQ(SQL_SUCCESS, odbc().connect(hdbc_, dsn, SQL_NTS, nullptr, 0, nullptr, 0));
    std::string out;
    // To the data source: ANSI (CP1252) e-acute is OEM (CP437) 0x82.
    ASSERT_EQ(SQL_SUCCESS, nativeSql(hdbc_, "translate caf\xE9", &out));
    EXPECT_EQ("caf\x82", out);
    EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
    SQLCHAR missing[] = "badtrn";
    EXPECT_EQ(SQL_ERROR, odbc().connect(hdbc_, missing, SQL_NTS, nullptr, 0, nullptr, 0));
    OdbcRecord error = connectionError();
    EXPECT_EQ("IM009", error.sqlState);
    // (The driver manager puts its own label before a state it also uses.)
    EXPECT_NE(std::string::npos, error.message.find(PREFIX + "Unable to load translation DLL."))
        << error.message;
}

} // namespace
