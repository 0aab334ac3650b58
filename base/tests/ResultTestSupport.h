// A statement on the test data source through unixODBC's driver manager,
// for the tests of result columns, fetching and conversions. The test
// driver's commands (base/tests/driver/TstResults.h) build the result
// sets.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <gtest/gtest.h>

#include <string>

inline const std::string RESULT_PREFIX = "[BRELLMONT][ODBC Test driver]";

struct ResultRecord {
    std::string sqlState;
    std::string message;
};

class ResultSession : public ::testing::Test {
protected:
    void SetUp() override { open("tstdsn"); }
    void TearDown() override { close(); }

    void open(const char* dsn) {
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLConnect(hdbc_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(dsn)),
                                     SQL_NTS, nullptr, 0, nullptr, 0)));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    }
    void close() {
        if (!henv_)
            return;
        if (hstmt_) {
            EXPECT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_DROP));
        }
        EXPECT_EQ(SQL_SUCCESS, SQLDisconnect(hdbc_));
        EXPECT_EQ(SQL_SUCCESS, SQLFreeConnect(hdbc_));
        EXPECT_EQ(SQL_SUCCESS, SQLFreeEnv(henv_));
        henv_ = nullptr;
        hstmt_ = nullptr;
    }
    SQLRETURN exec(const std::string& text) { return exec(hstmt_, text); }
    SQLRETURN exec(SQLHSTMT hstmt, const std::string& text) {
        return SQLExecDirect(hstmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                             static_cast<SQLINTEGER>(text.size()));
    }
    // The statement's next record ("" when there is none).
    ResultRecord error(SQLHSTMT hstmt = nullptr) {
        SQLCHAR state[6] = {};
        SQLCHAR text[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        ResultRecord record;
        if (SQLError(henv_, hdbc_, hstmt ? hstmt : hstmt_, state, &native, text, sizeof text,
                     &length) != SQL_SUCCESS)
            return record;
        record.sqlState = reinterpret_cast<char*>(state);
        record.message = reinterpret_cast<char*>(text);
        return record;
    }
    std::string state() { return error().sqlState; }
    // Column `column` of the current row as text through SQLGetData.
    std::string text(SQLUSMALLINT column) {
        char buffer[256] = {};
        SQLLEN length = 0;
        SQLRETURN rc = SQLGetData(hstmt_, column, SQL_C_CHAR, buffer, sizeof buffer, &length);
        if (!SQL_SUCCEEDED(rc))
            return "<error " + state() + ">";
        return length == SQL_NULL_DATA ? "<null>" : std::string(buffer);
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    SQLHSTMT hstmt_ = nullptr;
};
