// SQLSetPos through the driver manager over the in-memory test driver: the
// answers that announce it, SQL_UPDATE, SQL_DELETE and SQL_ADD of a row of
// a one-table SELECT, a bound expression refused, and SQLSetPos inside a
// manual-commit transaction.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class MemSetPos : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
        std::string text = "DRIVER=" MEM_DRIVER_PATH ";Database=/tmp";
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &rows_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &check_));
        ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtOption(rows_, SQL_CONCURRENCY, SQL_CONCUR_LOCK)));
        ASSERT_TRUE(SQL_SUCCEEDED(SQLSetStmtOption(rows_, SQL_CURSOR_TYPE, SQL_CURSOR_STATIC)));
    }
    void TearDown() override {
        SQLFreeStmt(rows_, SQL_DROP);
        SQLFreeStmt(check_, SQL_DROP);
        SQLDisconnect(hdbc_);
        SQLFreeConnect(hdbc_);
        SQLFreeEnv(henv_);
    }

    SQLRETURN run(SQLHSTMT stmt, const char* sql) {
        SQLFreeStmt(stmt, SQL_CLOSE);
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    }
    std::string state(SQLHSTMT stmt) {
        SQLCHAR sqlState[6] = {};
        SQLCHAR text[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLError(henv_, hdbc_, stmt, sqlState, &native, text, sizeof text, &length);
        return reinterpret_cast<char*>(sqlState);
    }
    // "Id:Name" of every STAFF row, in record order.
    std::vector<std::string> staff() {
        std::vector<std::string> out;
        EXPECT_EQ(SQL_SUCCESS, run(check_, "SELECT Id, Name FROM Staff"));
        while (SQLFetch(check_) == SQL_SUCCESS) {
            char id[16] = {};
            char name[32] = {};
            SQLLEN length = 0;
            SQLGetData(check_, 1, SQL_C_CHAR, id, sizeof id, &length);
            SQLGetData(check_, 2, SQL_C_CHAR, name, sizeof name, &length);
            out.push_back(std::string(id) + ":" + (length == SQL_NULL_DATA ? "NULL" : name));
        }
        SQLFreeStmt(check_, SQL_CLOSE);
        return out;
    }
    // Binds Id and Name of `rows_` and fetches the first row set (one row).
    void fetchFirst(const char* sql) {
        ASSERT_EQ(SQL_SUCCESS, SQLBindCol(rows_, 1, SQL_C_CHAR, id_, sizeof id_, &idLength_));
        ASSERT_EQ(SQL_SUCCESS, SQLBindCol(rows_, 2, SQL_C_CHAR, name_, sizeof name_, &nameLength_));
        ASSERT_EQ(SQL_SUCCESS, run(rows_, sql));
        SQLULEN fetched = 0;
        SQLUSMALLINT status[1] = {};
        ASSERT_TRUE(SQL_SUCCEEDED(SQLExtendedFetch(rows_, SQL_FETCH_NEXT, 0, &fetched, status)));
        ASSERT_EQ(1u, fetched);
    }
    void setRow(const char* id, const char* name) {
        std::strcpy(id_, id);
        std::strcpy(name_, name);
        idLength_ = SQL_NTS;
        nameLength_ = SQL_NTS;
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    SQLHSTMT rows_ = nullptr;
    SQLHSTMT check_ = nullptr;
    char id_[16] = {};
    char name_[32] = {};
    SQLLEN idLength_ = 0;
    SQLLEN nameLength_ = 0;
};

TEST_F(MemSetPos, TheDriverAnnouncesSetPosAndItsOperations) {
    SQLUSMALLINT supported = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetFunctions(hdbc_, SQL_API_SQLSETPOS, &supported));
    EXPECT_EQ(SQL_TRUE, supported);
    SQLUINTEGER operations = 0;
    ASSERT_EQ(SQL_SUCCESS,
              SQLGetInfo(hdbc_, SQL_POS_OPERATIONS, &operations, sizeof operations, nullptr));
    EXPECT_EQ(static_cast<SQLUINTEGER>(SQL_POS_POSITION | SQL_POS_REFRESH | SQL_POS_UPDATE |
                                       SQL_POS_DELETE | SQL_POS_ADD),
              operations);
}

TEST_F(MemSetPos, UpdateDeleteAndAddTheRowOfTheRowSet) {
    fetchFirst("SELECT Id, Name FROM Staff");
    EXPECT_STREQ("Ann", name_);
    setRow("1", "Ann-Marie");
    ASSERT_EQ(SQL_SUCCESS, SQLSetPos(rows_, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE)) << state(rows_);
    SQLULEN fetched = 0;
    SQLUSMALLINT status[1] = {};
    ASSERT_EQ(SQL_SUCCESS, SQLExtendedFetch(rows_, SQL_FETCH_NEXT, 0, &fetched, status));
    ASSERT_EQ(SQL_SUCCESS, SQLSetPos(rows_, 1, SQL_DELETE, SQL_LOCK_NO_CHANGE)) << state(rows_);
    setRow("9", "Nia");
    ASSERT_EQ(SQL_SUCCESS, SQLSetPos(rows_, 1, SQL_ADD, SQL_LOCK_NO_CHANGE)) << state(rows_);
    EXPECT_EQ((std::vector<std::string>{"1:Ann-Marie", "3:Cy", "4:Di", "9:Nia"}), staff());
    // The unique key holds for SQLSetPos too (23000), and the row stays.
    setRow("3", "Twin");
    EXPECT_EQ(SQL_ERROR, SQLSetPos(rows_, 1, SQL_ADD, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("23000", state(rows_));
    EXPECT_EQ(4u, staff().size());
}

TEST_F(MemSetPos, ExpressionsAndRowsThatAreNoRecordsAreRefused) {
    fetchFirst("SELECT Id, Name || '!' FROM Staff");
    setRow("1", "Changed");
    EXPECT_EQ(SQL_ERROR, SQLSetPos(rows_, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("S1C00", state(rows_));
    EXPECT_EQ("1:Ann", staff().front());
    // A row of a DISTINCT or grouped result is no record of the table.
    fetchFirst("SELECT DISTINCT Id, Name FROM Staff");
    EXPECT_EQ(SQL_ERROR, SQLSetPos(rows_, 1, SQL_DELETE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("S1C00", state(rows_));
    fetchFirst("SELECT MIN(Id), MAX(Name) FROM Staff");
    EXPECT_EQ(SQL_ERROR, SQLSetPos(rows_, 1, SQL_DELETE, SQL_LOCK_NO_CHANGE));
    EXPECT_EQ("S1C00", state(rows_));
    EXPECT_EQ(4u, staff().size());
}

TEST_F(MemSetPos, ChangesInsideATransactionWaitForCommit) {
    ASSERT_EQ(SQL_SUCCESS, SQLSetConnectOption(hdbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    fetchFirst("SELECT Id, Name FROM Staff");
    setRow("1", "Temp");
    ASSERT_EQ(SQL_SUCCESS, SQLSetPos(rows_, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE)) << state(rows_);
    EXPECT_EQ("1:Temp", staff().front());
    ASSERT_EQ(SQL_SUCCESS, SQLTransact(henv_, hdbc_, SQL_ROLLBACK));
    EXPECT_EQ("1:Ann", staff().front());
    setRow("1", "Kept");
    ASSERT_EQ(SQL_SUCCESS, SQLSetPos(rows_, 1, SQL_UPDATE, SQL_LOCK_NO_CHANGE)) << state(rows_);
    ASSERT_EQ(SQL_SUCCESS, SQLTransact(henv_, hdbc_, SQL_COMMIT));
    ASSERT_EQ(SQL_SUCCESS, SQLSetConnectOption(hdbc_, SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON));
    EXPECT_EQ("1:Kept", staff().front());
}

} // namespace
