// The Text driver through unixODBC's driver manager, as a C application
// calls it: long parameters sent in pieces at execution time, and the
// private row-modification options on a SELECT result.
//
// TXT_DRIVER_PATH is the driver library (KWTXT08_PATH in the environment
// names another), TXT_DATA_DIR the folder with names.csv ("name,city"
// header; Al/Rome, Bea/Oslo).
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

class TextStatementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&env_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(env_, &dbc_));
        const char* driver = std::getenv("KWTXT08_PATH");
        std::string text = std::string("DRIVER=") + (driver ? driver : TXT_DRIVER_PATH) +
                           ";Database=" + TXT_DATA_DIR + ";FirstLineNames=1";
        SQLCHAR out[1024];
        SQLSMALLINT outLength = 0;
        SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, out,
                                        sizeof out, &outLength, SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << state(SQL_NULL_HSTMT);
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(dbc_, &stmt_));
    }
    void TearDown() override {
        if (stmt_)
            SQLFreeStmt(stmt_, SQL_DROP);
        if (dbc_) {
            SQLDisconnect(dbc_);
            SQLFreeConnect(dbc_);
        }
        if (env_)
            SQLFreeEnv(env_);
    }

    std::string state(SQLHSTMT stmt) {
        SQLCHAR sqlState[6] = "";
        SQLCHAR message[512] = "";
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLError(env_, dbc_, stmt, sqlState, &native, message, sizeof message, &length);
        return std::string(reinterpret_cast<char*>(sqlState)) + " " +
               reinterpret_cast<char*>(message);
    }

    // Names of every row of the open result.
    std::vector<std::string> fetchNames() {
        std::vector<std::string> names;
        for (;;) {
            SQLRETURN rc = SQLFetch(stmt_);
            if (rc == SQL_NO_DATA_FOUND)
                break;
            EXPECT_EQ(SQL_SUCCESS, rc) << state(stmt_);
            if (rc != SQL_SUCCESS)
                break;
            char name[64] = "";
            SQLLEN length = 0;
            EXPECT_EQ(SQL_SUCCESS, SQLGetData(stmt_, 1, SQL_C_CHAR, name, sizeof name, &length));
            names.emplace_back(name);
        }
        SQLFreeStmt(stmt_, SQL_CLOSE);
        return names;
    }

    // Runs `sql` with parameter 1 a SQL_LONGVARCHAR sent at execution time
    // in `pieces`, and returns the names it selects.
    std::vector<std::string> selectWithPieces(const char* sql,
                                              const std::vector<std::string>& pieces) {
        EXPECT_EQ(SQL_SUCCESS, SQLPrepare(stmt_, (SQLCHAR*)sql, SQL_NTS)) << state(stmt_);
        SQLLEN atExec = SQL_LEN_DATA_AT_EXEC(0);
        static int token = 1;
        EXPECT_EQ(SQL_SUCCESS, SQLBindParameter(stmt_, 1, SQL_PARAM_INPUT, SQL_C_CHAR,
                                                SQL_LONGVARCHAR, 1000, 0, &token, 0, &atExec));
        EXPECT_EQ(SQL_NEED_DATA, SQLExecute(stmt_)) << state(stmt_);
        SQLPOINTER which = nullptr;
        EXPECT_EQ(SQL_NEED_DATA, SQLParamData(stmt_, &which));
        EXPECT_EQ(&token, which);
        for (const std::string& piece : pieces)
            EXPECT_EQ(SQL_SUCCESS, SQLPutData(stmt_, (SQLPOINTER)piece.data(),
                                              static_cast<SQLLEN>(piece.size())))
                << state(stmt_);
        EXPECT_EQ(SQL_SUCCESS, SQLParamData(stmt_, &which)) << state(stmt_);
        return fetchNames();
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

TEST_F(TextStatementTest, LongParameterPiecesAreJoined) {
    const char* sql = "SELECT name FROM names.csv WHERE name = ?";
    EXPECT_EQ(std::vector<std::string>{"Bea"}, selectWithPieces(sql, {"B", "ea"}));
    EXPECT_EQ(std::vector<std::string>{"Al"}, selectWithPieces(sql, {"A", "", "l"}));
    // Many pieces, the buffer growing many times: the value is whole, from
    // its first piece to its length.
    std::vector<std::string> pieces(300, "xy");
    EXPECT_TRUE(selectWithPieces(sql, pieces).empty());
    const std::vector<std::string> all{"Al", "Bea"};
    EXPECT_EQ(all, selectWithPieces("SELECT name FROM names.csv WHERE LEN(?) = 600", pieces));
    EXPECT_EQ(all,
              selectWithPieces("SELECT name FROM names.csv WHERE LEFT(?, 4) = 'xyxy'", pieces));
}

// Text files take new rows but never change one in place: the private row
// options that update or delete the current row of a SELECT are refused as
// not capable instead of reporting success while doing nothing, and adding
// a row without preparing it first is a sequence error.
TEST_F(TextStatementTest, RowOptionsThatChangeARowAreNotCapable) {
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"SELECT name FROM names.csv", SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(stmt_));
    const struct {
        SQLUSMALLINT option;
        SQLULEN value;
        const char* state;
    } options[] = {
        {1041, 0, "S1C00"},
        {1044, 0, "S1C00"},
        {1040, 0, "S1010"},
    };
    for (const auto& option : options) {
        EXPECT_EQ(SQL_ERROR, SQLSetStmtOption(stmt_, option.option, option.value))
            << "option " << option.option;
        EXPECT_EQ(option.state, state(stmt_).substr(0, 5)) << "option " << option.option;
    }
    char name[16] = "";
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetData(stmt_, 1, SQL_C_CHAR, name, sizeof name, &length));
    EXPECT_STREQ("Al", name);
}

} // namespace
