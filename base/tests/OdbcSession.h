// A connected session on the test data source, for the end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

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

