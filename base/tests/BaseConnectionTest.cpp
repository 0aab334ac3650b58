// The connection side of the framework called directly: where attribute
// values come from, buffered options, translation, the completed connect
// string, the task's shared connection and the resume stack.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "TstConnection.h"
#include "TstStatement.h"
#include "base/BaseDriver.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"
#include "util/VxValueParser.h"
#include "util/mds.h"
#include "util/ram.h"

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mdsPerTaskInit()); }
    void TearDown() override { mdsPerTaskTerm(); }

    // The value and source of one attribute, read with the connection's
    // list current.
    std::string value(VxValueParser* parser, const char* shortKey, const char* longKey,
                      const char* defaultValue, ConnectionValueSource* source) {
        VxErrorListScope scope(&connection_.getErrorList());
        char* text = nullptr;
        EXPECT_EQ(VX_SUCCESS, connection_.getConnectionValue(parser, shortKey, longKey,
                                                             defaultValue, &text, source));
        std::string result = text ? text : "<null>";
        ramFree(text);
        return result;
    }
    std::vector<std::string> records() {
        std::vector<std::string> states;
        SQLCHAR state[6];
        while (connection_.getErrorList().SQLError(state, nullptr, nullptr, 0, nullptr) !=
               SQL_NO_DATA_FOUND)
            states.push_back(reinterpret_cast<char*>(state));
        return states;
    }
    SQLRETURN connectTo(const char* dsn) {
        return connection_.SQLConnect(reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsn)), SQL_NTS,
                                      nullptr, 0, nullptr, 0);
    }

    BaseEnv env_{static_cast<OdbcDriverNumber>(99)};
    TstConnection connection_{env_};
};

TEST_F(ConnectionTest, ValuesComeFromTheStringThenOdbcIniThenTheDefault) {
    {
        VxErrorListScope scope(&connection_.getErrorList());
        ASSERT_EQ(VX_SUCCESS, connection_.setDataSourceName("tstdsn", 6));
    }
    std::string text = "DB='x;y';LogonID=\"me\";TX=";
    VxValueParser parser(VxSubString(text.c_str(), text.size()), ';');
    ASSERT_EQ(VX_SUCCESS, parser.initialize());
    ConnectionValueSource source;
    EXPECT_EQ("x;y", value(&parser, "DB", "Database", "d", &source));
    EXPECT_EQ(CONNECTION_VALUE_STRING, source);
    EXPECT_EQ("me", value(&parser, "UID", "LogonID", nullptr, &source));
    EXPECT_EQ("", value(&parser, "TX", "Transactions", "1", &source));
    EXPECT_EQ(CONNECTION_VALUE_STRING, source);
    EXPECT_EQ("none", value(&parser, "LK", "Lock", "none", &source));
    EXPECT_EQ(CONNECTION_VALUE_DEFAULT, source);
    EXPECT_EQ("<null>", value(&parser, "LK", "Lock", nullptr, &source));
    EXPECT_EQ(CONNECTION_VALUE_NONE, source);
    // Without a parser ODBC.INI is read.
    EXPECT_EQ("main", value(nullptr, "DB", "Database", "d", &source));
    EXPECT_EQ(CONNECTION_VALUE_ODBC_INI, source);
    // A DRIVER attribute skips ODBC.INI.
    std::string driverText = "DRIVER=x";
    VxValueParser driver(VxSubString(driverText.c_str(), driverText.size()), ';');
    ASSERT_EQ(VX_SUCCESS, driver.initialize());
    EXPECT_EQ("d", value(&driver, "DB", "Database", "d", &source));
    EXPECT_EQ(CONNECTION_VALUE_DEFAULT, source);
    // A name without a section is no data source.
    VxErrorListScope scope(&connection_.getErrorList());
    ASSERT_EQ(VX_SUCCESS, connection_.setDataSourceName("nosuch", 6));
    EXPECT_STREQ("Default", connection_.getDataSourceName());
}

TEST_F(ConnectionTest, BufferedStringOptionIsCopiedAndAppliedAtConnect) {
    char path[512];
    std::snprintf(path, sizeof path, "%s", TRN_LIBRARY_PATH);
    ASSERT_EQ(SQL_SUCCESS,
              connection_.SQLSetConnectOption(SQL_TRANSLATE_DLL, reinterpret_cast<SQLULEN>(path)));
    std::memset(path, 'x', sizeof path - 1);
    const BaseBufferedOption* saved = connection_.getSavedConnectOption(SQL_TRANSLATE_DLL);
    ASSERT_NE(nullptr, saved);
    EXPECT_STREQ(TRN_LIBRARY_PATH, reinterpret_cast<const char*>(saved->value));
    ASSERT_EQ(SQL_SUCCESS, connectTo("tstdsn"));
    EXPECT_STREQ(TRN_LIBRARY_PATH, connection_.getTranslationLibraryPath());
    char reported[SQL_MAX_OPTION_STRING_LENGTH];
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLGetConnectOption(SQL_TRANSLATE_DLL, reported));
    EXPECT_STREQ(TRN_LIBRARY_PATH, reported);
    // A value beyond 32 bits survives buffering.
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLDisconnect());
    const SQLULEN wide = (SQLULEN{1} << 40) | 7;
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLSetConnectOption(SQL_QUIET_MODE, wide));
    EXPECT_EQ(wide, connection_.getSavedConnectOption(SQL_QUIET_MODE)->value);
    ASSERT_EQ(SQL_SUCCESS, connectTo("tstdsn"));
    SQLHWND window = nullptr;
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLGetConnectOption(SQL_QUIET_MODE, &window));
    EXPECT_EQ(wide, reinterpret_cast<SQLULEN>(window));
}

TEST_F(ConnectionTest, FailingBufferedOptionWarnsAndTheConnectionOpens) {
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLSetConnectOption(SQL_ACCESS_MODE, SQL_MODE_READ_ONLY));
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLSetConnectOption(SQL_GET_BOOKMARK, 1));
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLSetConnectOption(SQL_AUTOCOMMIT, 0));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, connectTo("tstdsn"));
    EXPECT_TRUE(connection_.isConnected());
    EXPECT_EQ((std::vector<std::string>{"IM006", "S1C00"}), records());
    EXPECT_EQ(SQL_MODE_READ_ONLY, connection_.getAccessMode());
    EXPECT_EQ(0u, connection_.getAutocommit());
    EXPECT_EQ(0u, connection_.getBufferedOptionCount());
    // Disconnecting restores the defaults.
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLDisconnect());
    EXPECT_EQ(1u, connection_.getAutocommit());
    EXPECT_EQ(0u, connection_.getAccessMode());
}

TEST_F(ConnectionTest, TranslationFailuresAreErrors) {
    VxErrorListScope scope(&connection_.getErrorList());
    char small[4];
    SQLLEN length = 0;
    // Without a library the input is copied, cut with a warning.
    EXPECT_EQ(VX_SUCCESS, connection_.toDriver(SQL_CHAR, "abcdef", 6, small, 4, &length));
    EXPECT_EQ(4, length);
    EXPECT_EQ(0, std::memcmp(small, "abcd", 4));
    ASSERT_EQ(VX_SUCCESS, connection_.loadTranslationLibrary(TRN_LIBRARY_PATH));
    std::vector<char> huge(70000, 'a');
    EXPECT_EQ(VX_ERROR, connection_.toDriver(SQL_CHAR, huge.data(), 70000));
    VxError* last = connection_.getErrorList().getLastError();
    ASSERT_NE(nullptr, last);
    EXPECT_EQ(0, std::strncmp("Error using translation DLL.  ", last->getErrorText(), 30))
        << last->getErrorText();
    EXPECT_EQ((std::vector<std::string>{"01004", "S1000"}), records());
    EXPECT_EQ(VX_ERROR, connection_.loadTranslationLibrary("/nonexistent/translator.so"));
    EXPECT_FALSE(connection_.hasTranslationLibrary());
    EXPECT_EQ((std::vector<std::string>{"IM009"}), records());
}

TEST_F(ConnectionTest, CompletedStringSaysDatabaseWhenAsked) {
    std::string in = "DRIVER=x;Other='DB=1';db=main;WA=2048";
    SQLCHAR out[256];
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO,
              connection_.SQLDriverConnect(nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS,
                                           out, sizeof out, &length, SQL_DRIVER_NOPROMPT));
    std::string text = reinterpret_cast<char*>(out);
    EXPECT_NE(std::string::npos, text.find("Other='DB=1';DATABASE=main")) << text;
    EXPECT_EQ(static_cast<SQLSMALLINT>(text.size()), length);
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLDisconnect());
    // A buffer too small cuts the string with 01004 and reports its length.
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO,
              connection_.SQLDriverConnect(nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS,
                                           out, 5, &length, SQL_DRIVER_NOPROMPT));
    EXPECT_STREQ("DRIV", reinterpret_cast<char*>(out));
    EXPECT_EQ(static_cast<SQLSMALLINT>(text.size()), length);
    EXPECT_EQ((std::vector<std::string>{"01S00", "01004"}), records());
}

TEST_F(ConnectionTest, TransactionEndClosesCursorsAsTheDriverSays) {
    ASSERT_EQ(SQL_SUCCESS, connectTo("tstdsn"));
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLSetConnectOption(SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    auto* executed = new TstStatement(connection_);
    auto* idle = new TstStatement(connection_);
    std::string text = "succeed";
    ASSERT_EQ(SQL_SUCCESS,
              executed->SQLExecDirect(reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS));
    EXPECT_EQ(1, connection_.transactionsStarted_);
    EXPECT_TRUE(connection_.hasFlag(BaseConnection::CONN_IN_TRANSACTION));
    EXPECT_EQ(SQL_ERROR, connection_.SQLDisconnect());
    // The test source closes cursors at a rollback: the directly executed
    // statement goes back to the allocated state; the idle one is left be.
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLTransact(SQL_ROLLBACK));
    EXPECT_EQ(1, connection_.rollbacks_);
    EXPECT_EQ(BaseStatement::STMT_ALLOCATED, executed->getState());
    EXPECT_EQ(1, executed->allocatedStateCalls_);
    EXPECT_EQ(0, idle->allocatedStateCalls_);
    // Nothing open: nothing to end.
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLTransact(SQL_COMMIT));
    EXPECT_EQ(0, connection_.commits_);
    // Isolation must be one the source offers, and not inside a transaction.
    EXPECT_EQ(SQL_SUCCESS,
              connection_.SQLSetConnectOption(SQL_TXN_ISOLATION, SQL_TXN_SERIALIZABLE));
    EXPECT_EQ(SQL_ERROR,
              connection_.SQLSetConnectOption(SQL_TXN_ISOLATION, SQL_TXN_REPEATABLE_READ));
    EXPECT_EQ((std::vector<std::string>{"S1C00"}), records());
    ASSERT_EQ(SQL_SUCCESS,
              executed->SQLExecDirect(reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS));
    EXPECT_EQ(SQL_ERROR,
              connection_.SQLSetConnectOption(SQL_TXN_ISOLATION, SQL_TXN_READ_COMMITTED));
    EXPECT_EQ((std::vector<std::string>{"S1011"}), records());
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLTransact(SQL_COMMIT));
    EXPECT_EQ(SQL_SUCCESS, connection_.SQLDisconnect());
    EXPECT_EQ(0u, connection_.getStatementCount());
}

TEST(SharedConnection, OneConnectionServesEveryAllocationOfTheTask) {
    BaseDriver& driver = baseGetDriver();
    SQLHENV henv = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocEnv(&henv));
    SQLHDBC first = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocConnect(henv, &first));
    std::string in = "DRIVER=x;DB=main;WA=4";
    ASSERT_EQ(SQL_SUCCESS,
              driver.driverConnect(first, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS,
                                   nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    SQLHDBC second = nullptr;
    ASSERT_EQ(SQL_SUCCESS, driver.allocConnect(henv, &second));
    EXPECT_EQ(first, second);
    auto* connection = static_cast<BaseConnection*>(first);
    EXPECT_EQ(1u, connection->getShareCount());
    EXPECT_EQ(SQL_SUCCESS,
              driver.driverConnect(second, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS,
                                   nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
    EXPECT_EQ(SQL_SUCCESS, connection->SQLDisconnect());
    EXPECT_TRUE(connection->isConnected());
    EXPECT_EQ(SQL_SUCCESS, driver.freeConnect(second));
    EXPECT_EQ(SQL_SUCCESS, connection->SQLDisconnect());
    EXPECT_FALSE(connection->isConnected());
    EXPECT_EQ(SQL_SUCCESS, driver.freeConnect(first));
    // The record died with the connection.
    EXPECT_EQ(nullptr, driver.getSharedConnection());
    EXPECT_EQ(SQL_SUCCESS, driver.freeEnv(henv));
}

TEST(ResumeStack, KeepsPointersWhole) {
    BaseResumeStack stack;
    int local = 0;
    const std::uintptr_t high = (std::uintptr_t{0xABCD} << 40) | 0x1234;
    ASSERT_EQ(VX_SUCCESS, stack.pushPointer(&local));
    ASSERT_EQ(VX_SUCCESS, stack.push(high));
    std::uintptr_t value = 0;
    ASSERT_TRUE(stack.pop(&value));
    EXPECT_EQ(high, value);
    ASSERT_TRUE(stack.pop(&value));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&local), value);
    EXPECT_FALSE(stack.pop(&value));
}

} // namespace
