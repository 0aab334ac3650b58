// UPDATE and DELETE through the driver manager over the in-memory test
// driver: SQLRowCount, and positioned statements (WHERE CURRENT OF) on the
// row a SELECT ... FOR UPDATE cursor stands on; USE.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace {

class MemPositioned : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
        std::string text = "DRIVER=" MEM_DRIVER_PATH ";Database=/tmp";
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &cursor_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &change_));
    }
    void TearDown() override {
        SQLFreeStmt(cursor_, SQL_DROP);
        SQLFreeStmt(change_, SQL_DROP);
        SQLDisconnect(hdbc_);
        SQLFreeConnect(hdbc_);
        SQLFreeEnv(henv_);
    }

    SQLRETURN run(SQLHSTMT stmt, const char* sql) {
        SQLFreeStmt(stmt, SQL_CLOSE);
        return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    }
    SQLLEN rowCount(SQLHSTMT stmt) {
        SQLLEN count = -99;
        EXPECT_EQ(SQL_SUCCESS, SQLRowCount(stmt, &count));
        return count;
    }
    std::string state(SQLHSTMT stmt, std::string* message = nullptr) {
        SQLCHAR sqlState[6] = {};
        SQLCHAR text[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLError(henv_, hdbc_, stmt, sqlState, &native, text, sizeof text, &length);
        if (message)
            *message = reinterpret_cast<char*>(text);
        return reinterpret_cast<char*>(sqlState);
    }
    // The names of STAFF in record order.
    std::vector<std::string> names() {
        std::vector<std::string> out;
        EXPECT_EQ(SQL_SUCCESS, run(change_, "SELECT Name FROM Staff"));
        while (SQLFetch(change_) == SQL_SUCCESS) {
            char name[32] = {};
            SQLLEN length = 0;
            SQLGetData(change_, 1, SQL_C_CHAR, name, sizeof name, &length);
            out.push_back(length == SQL_NULL_DATA ? "NULL" : name);
        }
        SQLFreeStmt(change_, SQL_CLOSE);
        return out;
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    SQLHSTMT cursor_ = nullptr;
    SQLHSTMT change_ = nullptr;
};

TEST_F(MemPositioned, RowCountsOfUpdateDeleteAndInsert) {
    ASSERT_EQ(SQL_SUCCESS, run(change_, "UPDATE Staff SET Salary = 1 WHERE Id > 1"));
    EXPECT_EQ(3, rowCount(change_));
    ASSERT_EQ(SQL_SUCCESS, run(change_, "UPDATE Staff SET Salary = 1 WHERE Id > 100"));
    EXPECT_EQ(0, rowCount(change_));
    ASSERT_EQ(SQL_SUCCESS, run(change_, "DELETE FROM Staff WHERE Id IN (1, 3)"));
    EXPECT_EQ(2, rowCount(change_));
    ASSERT_EQ(SQL_SUCCESS, run(change_, "INSERT INTO Notes SELECT Id, Name FROM Staff"));
    EXPECT_EQ(2, rowCount(change_));
    // A failed statement counts nothing, and changes nothing.
    EXPECT_EQ(SQL_ERROR, run(change_, "UPDATE Staff SET Id = 2"));
    EXPECT_EQ("23000", state(change_));
    EXPECT_EQ((std::vector<std::string>{"Bob", "Di"}), names());
}

TEST_F(MemPositioned, UpdateAndDeleteWhereCurrentOf) {
    ASSERT_EQ(
        SQL_SUCCESS,
        SQLSetCursorName(cursor_, reinterpret_cast<SQLCHAR*>(const_cast<char*>("C1")), SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS, run(cursor_, "SELECT Id, Name FROM Staff FOR UPDATE OF Name"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(cursor_));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(cursor_)); // Bob
    ASSERT_EQ(SQL_SUCCESS, run(change_, "UPDATE Staff SET Name = Name + '!' WHERE CURRENT OF C1"));
    EXPECT_EQ(1, rowCount(change_));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(cursor_)); // Cy
    ASSERT_EQ(SQL_SUCCESS, run(change_, "DELETE FROM Staff WHERE CURRENT OF c1"));
    EXPECT_EQ(1, rowCount(change_));
    // The row is gone: changing it again fails and changes nothing.
    EXPECT_EQ(SQL_ERROR, run(change_, "DELETE FROM Staff WHERE CURRENT OF C1"));
    std::string message;
    EXPECT_EQ("S1000", state(change_, &message));
    EXPECT_NE(std::string::npos, message.find("has been deleted or changed")) << message;
    SQLFreeStmt(cursor_, SQL_CLOSE);
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bob!", "Di"}), names());
}

TEST_F(MemPositioned, CurrentOfASortedCursorChangesTheRowItShows) {
    // The sorted rows are served from the sort's own records; the row a
    // positioned change reaches is still the one fetched, not the last
    // one the sort read.
    ASSERT_EQ(
        SQL_SUCCESS,
        SQLSetCursorName(cursor_, reinterpret_cast<SQLCHAR*>(const_cast<char*>("C3")), SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS,
              run(cursor_, "SELECT Id, Name FROM Staff ORDER BY Name DESC FOR UPDATE OF Name"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(cursor_)); // Di
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(cursor_)); // Cy
    ASSERT_EQ(SQL_SUCCESS, run(change_, "UPDATE Staff SET Name = Name + '!' WHERE CURRENT OF C3"))
        << state(change_);
    EXPECT_EQ(1, rowCount(change_));
    // The next rows are read again and show the change made meanwhile.
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(cursor_)); // Bob
    ASSERT_EQ(SQL_SUCCESS, run(change_, "UPDATE Staff SET Name = Name + '?' WHERE CURRENT OF C3"));
    SQLFreeStmt(cursor_, SQL_CLOSE);
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bob?", "Cy!", "Di"}), names());
}

TEST_F(MemPositioned, CurrentOfAnotherTableOrNoRowIsRefused) {
    ASSERT_EQ(
        SQL_SUCCESS,
        SQLSetCursorName(cursor_, reinterpret_cast<SQLCHAR*>(const_cast<char*>("C2")), SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS, run(cursor_, "SELECT Id FROM Notes FOR UPDATE OF Id"));
    std::string message;
    EXPECT_EQ(SQL_ERROR, run(change_, "DELETE FROM Staff WHERE CURRENT OF C2"));
    EXPECT_EQ("37000", state(change_, &message));
    EXPECT_NE(std::string::npos, message.find("cannot be used in a CURRENT OF")) << message;
    ASSERT_EQ(SQL_SUCCESS, run(cursor_, "SELECT Id FROM Staff FOR UPDATE OF Id"));
    EXPECT_EQ(SQL_ERROR, run(change_, "DELETE FROM Staff WHERE CURRENT OF C2"));
    EXPECT_EQ("24000", state(change_));
    EXPECT_EQ(4u, names().size());
}

// Markers of SET and of WHERE are numbered as written; a bare marker takes
// its column's type.
TEST_F(MemPositioned, UpdateWithParameters) {
    char name[] = "Zoe";
    SQLINTEGER id = 3;
    SQLINTEGER raise = 5;
    SQLLEN nts = SQL_NTS;
    SQLLEN four = 4;
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(change_, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR,
                                            12, 0, name, 0, &nts));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(change_, 2, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0,
                                            0, &raise, 0, &four));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(change_, 3, SQL_PARAM_INPUT, SQL_C_LONG, SQL_INTEGER, 0,
                                            0, &id, 0, &four));
    ASSERT_EQ(SQL_SUCCESS,
              run(change_, "UPDATE Staff SET Name = ?, Salary = Salary + ? WHERE Id = ?"));
    EXPECT_EQ(1, rowCount(change_));
    SQLFreeStmt(change_, SQL_RESET_PARAMS);
    EXPECT_EQ((std::vector<std::string>{"Ann", "Bob", "Zoe", "Di"}), names());
    ASSERT_EQ(SQL_SUCCESS, run(change_, "SELECT Salary FROM Staff WHERE Id = 3"));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(change_));
    double salary = 0;
    SQLGetData(change_, 1, SQL_C_DOUBLE, &salary, 0, nullptr);
    EXPECT_EQ(3005.0, salary);
}

// USE sets the data directory as SQL_CURRENT_QUALIFIER does.
TEST_F(MemPositioned, UseSetsTheDataDirectory) {
    ASSERT_EQ(SQL_SUCCESS, run(change_, "USE '/var/tmp'"));
    EXPECT_EQ(0, rowCount(change_));
    char directory[300] = {};
    ASSERT_EQ(SQL_SUCCESS, SQLGetConnectOption(hdbc_, SQL_CURRENT_QUALIFIER, directory));
    EXPECT_STREQ("/var/tmp", directory);
    EXPECT_EQ(SQL_ERROR, run(change_, "USE"));
    EXPECT_EQ("37000", state(change_));
    EXPECT_EQ(SQL_ERROR, run(change_, "USE /tmp extra"));
    EXPECT_EQ("37000", state(change_));
    ASSERT_EQ(SQL_SUCCESS, SQLGetConnectOption(hdbc_, SQL_CURRENT_QUALIFIER, directory));
    EXPECT_STREQ("/var/tmp", directory);
}

} // namespace
