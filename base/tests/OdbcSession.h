// A connected session on the test data source, for the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "OdbcTestSupport.h"

inline const std::string PREFIX = "[BRELLMONT][ODBC Test driver]";

class OdbcSession : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQL_SUCCESS, odbc().allocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, odbc().allocConnect(henv_, &hdbc_));
        SQLCHAR dsn[] = "tstdsn";
        ASSERT_EQ(SQL_SUCCESS, odbc().connect(hdbc_, dsn, SQL_NTS, nullptr, 0, nullptr, 0));
        ASSERT_EQ(SQL_SUCCESS, odbc().allocStmt(hdbc_, &hstmt_));
    }
    void TearDown() override {
        if (hstmt_) {
            EXPECT_EQ(SQL_SUCCESS, odbc().freeStmt(hstmt_, SQL_DROP));
        }
        EXPECT_EQ(SQL_SUCCESS, odbc().disconnect(hdbc_));
        EXPECT_EQ(SQL_SUCCESS, odbc().freeConnect(hdbc_));
        EXPECT_EQ(SQL_SUCCESS, odbc().freeEnv(henv_));
    }
    OdbcRecord statementError(SQLSMALLINT size = 512) {
        return readError(henv_, hdbc_, hstmt_, size);
    }
    void expectNoMoreRecords(SQLHSTMT hstmt) {
        OdbcRecord end = readError(henv_, hdbc_, hstmt);
        EXPECT_EQ(SQL_NO_DATA_FOUND, end.rc);
        EXPECT_EQ("00000", end.sqlState);
        // The driver manager answers the end of the list itself.
        if (odbcThroughDriverManager())
            return;
        EXPECT_EQ(0, end.native);
        EXPECT_EQ("", end.message);
        EXPECT_EQ(0, end.length);
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    SQLHSTMT hstmt_ = nullptr;
};

// Runs "hold" in a call on another thread: the call stays inside the
// driver until release().
class HeldCall {
public:
    template <typename Call> explicit HeldCall(Call call) {
        std::string command = "hold " + std::to_string(reinterpret_cast<std::uintptr_t>(&flag_));
        thread_ = std::thread([this, call, command] { rc_ = call(command); });
        while (flag_.load() != 1)
            std::this_thread::yield();
    }
    SQLRETURN release() {
        flag_.store(2);
        thread_.join();
        return rc_;
    }

private:
    std::atomic<int> flag_{0};
    SQLRETURN rc_ = SQL_ERROR;
    std::thread thread_;
};
