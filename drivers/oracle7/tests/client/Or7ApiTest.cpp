// The Oracle7 driver through unixODBC's driver manager, over databases of
// the call-interface stand-in: the Oracle text of escape clauses
// (SQLNativeSql), output parameters and return values of stored
// procedures, long values read in pieces, and values that the server cuts
// to their buffer.
//
// OR7_DRIVER_PATH is the driver library, OR7_CLIENT_PATH the call-interface
// library; databases are made in $TMPDIR.
//
// The program defines oexfet and ofen itself (and exports them): the
// driver's calls land here, are recorded, and go on to the library's, so
// that the rows asked for by each array fetch can be seen.
#include <sql.h>
#include <sqlext.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include "oci7.h"

namespace {

std::vector<unsigned> fetchRequests;

template <class Function> Function realCall(const char* name) {
    void* library = dlopen(OR7_CLIENT_PATH, RTLD_NOW | RTLD_NOLOAD);
    return library ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default"))) sword oexfet(Cda_Def* cursor, ub4 nrows,
                                                               sword cancel, sword exact) {
    fetchRequests.push_back(nrows);
    static auto real = realCall<sword (*)(Cda_Def*, ub4, sword, sword)>("oexfet");
    return real(cursor, nrows, cancel, exact);
}

extern "C" __attribute__((visibility("default"))) sword ofen(Cda_Def* cursor, sword nrows) {
    fetchRequests.push_back(static_cast<unsigned>(nrows));
    static auto real = realCall<sword (*)(Cda_Def*, sword)>("ofen");
    return real(cursor, nrows);
}

namespace {

class Or7ApiTest : public ::testing::Test {
protected:
    void SetUp() override { connectTo(""); }
    void connectTo(const char* attributes) {
        const char* tmp = std::getenv("TMPDIR");
        char path[512];
        std::snprintf(path, sizeof path, "%s/or7apiXXXXXX.db", tmp ? tmp : "/tmp");
        int fd = mkstemps(path, 3);
        ASSERT_GE(fd, 0);
        close(fd);
        database_ = path;
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&env_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(env_, &dbc_));
        std::string text = std::string("DRIVER=") + OR7_DRIVER_PATH +
                           ";UID=scott;PWD=tiger;SRVR=" + database_ + ";" + attributes;
        SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, (SQLCHAR*)text.c_str(), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << diagnostic(SQL_NULL_HSTMT);
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
        std::remove(database_.c_str());
    }
    std::string diagnostic(SQLHSTMT stmt) {
        SQLCHAR state[6] = "";
        SQLCHAR message[1024] = "";
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLError(env_, dbc_, stmt, state, &native, message, sizeof message, &length);
        return std::string(reinterpret_cast<char*>(state)) + " " + reinterpret_cast<char*>(message);
    }
    std::string native(const char* sql) {
        SQLCHAR out[2048] = "";
        SQLINTEGER length = 0;
        SQLRETURN rc = SQLNativeSql(dbc_, (SQLCHAR*)sql, SQL_NTS, out, sizeof out, &length);
        if (!SQL_SUCCEEDED(rc))
            return "error " + diagnostic(SQL_NULL_HSTMT);
        return reinterpret_cast<char*>(out);
    }
    void run(const char* sql) {
        ASSERT_TRUE(SQL_SUCCEEDED(SQLExecDirect(stmt_, (SQLCHAR*)sql, SQL_NTS)))
            << sql << ": " << diagnostic(stmt_);
        SQLFreeStmt(stmt_, SQL_CLOSE);
    }

    std::string database_;
    SQLHENV env_ = nullptr;
    SQLHDBC dbc_ = nullptr;
    SQLHSTMT stmt_ = nullptr;
};

TEST_F(Or7ApiTest, EscapesBecomeOracleText) {
    EXPECT_EQ(native("SELECT {fn LOCATE('b', NAME, 2)}, {fn LOCATE('b', NAME)} FROM T"),
              "SELECT  INSTR(NAME,'b',2),  INSTR(NAME,'b') FROM T");
    EXPECT_EQ(native("SELECT {fn INSERT(S, 2, 3, 'x')} FROM T"),
              "SELECT  (SUBSTR(S,1,2-1)||'x'||SUBSTR(S,2+3)) FROM T");
    EXPECT_EQ(native("SELECT {fn REPEAT(S, N + 1)}, {fn RIGHT(S, N + 1)} FROM T"),
              "SELECT  RPAD(S,(N + 1)*LENGTH(S)),  SUBSTR(S,-(N + 1)) FROM T");
    EXPECT_EQ(native("SELECT {fn DAYNAME(D)}, {fn QUARTER(D)}, {fn CURDATE()}, {fn USER()} FROM T"),
              "SELECT  TO_CHAR(D,'FMDay'),  TO_NUMBER(TO_CHAR(D,'Q')),  TRUNC(SYSDATE,'J'),  USER "
              "FROM T");
    EXPECT_EQ(native("SELECT {fn SECONDS_SINCE_MIDNIGHT(D)} FROM T"),
              "SELECT  ((TO_NUMBER(TO_CHAR(D,'HH24'))*60+TO_NUMBER(TO_CHAR(D,'MI')))*60+"
              "TO_NUMBER(TO_CHAR(D,'SS'))) FROM T");
    EXPECT_EQ(native("SELECT {ts '2024-01-02 03:04:05.250'}, {b '0AFF'} FROM T"),
              "SELECT  TO_DATE('2024-01-02 03:04:05','YYYY-MM-DD HH24:MI:SS'),  '0AFF' FROM T");
    EXPECT_EQ(native("SELECT * FROM {oj A LEFT OUTER JOIN B ON A.K = B.K}"),
              "SELECT * FROM  A, B WHERE A.K = B.K (+)");
    EXPECT_EQ(native("{call P(?, ?)}"), " BEGIN P(?, ?); END;");
    EXPECT_EQ(native("SELECT {fn CONVERT(A, SQL_DATE)} FROM T").substr(0, 11), "error 37000");
    EXPECT_EQ(native("SELECT {fn DIFFERENCE(A, B)} FROM T").substr(0, 11), "error 37000");
}

TEST_F(Or7ApiTest, OutputParametersAndReturnValues) {
    SQLDOUBLE a = 2, b = 40, c = 0;
    SQLLEN aLength = 0, bLength = 0, cLength = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLPrepare(stmt_, (SQLCHAR*)"{call TEST_ADD(?, ?, ?)}", SQL_NTS));
    SQLBindParameter(stmt_, 1, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &a, 0, &aLength);
    SQLBindParameter(stmt_, 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &b, 0, &bLength);
    SQLBindParameter(stmt_, 3, SQL_PARAM_OUTPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &c, 0, &cLength);
    ASSERT_EQ(SQL_SUCCESS, SQLExecute(stmt_)) << diagnostic(stmt_);
    EXPECT_EQ(c, 42);
    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);

    char text[64] = "mixed Case";
    SQLLEN textLength = SQL_NTS;
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(stmt_, 1, SQL_PARAM_INPUT_OUTPUT, SQL_C_CHAR,
                                            SQL_VARCHAR, 60, 0, text, sizeof text, &textLength));
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"{call TEST_UPPER(?)}", SQL_NTS))
        << diagnostic(stmt_);
    EXPECT_STREQ(text, "MIXED CASE");
    EXPECT_EQ(textLength, 10);
    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);

    TIMESTAMP_STRUCT day{2024, 2, 28, 23, 59, 58, 0};
    SQLLEN dayLength = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(stmt_, 1, SQL_PARAM_INPUT_OUTPUT, SQL_C_TIMESTAMP,
                                            SQL_TIMESTAMP, 19, 0, &day, 0, &dayLength));
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"{call TEST_NEXT_DAY(?)}", SQL_NTS))
        << diagnostic(stmt_);
    EXPECT_EQ(day.month * 100 + day.day, 229);
    EXPECT_EQ(day.hour * 10000 + day.minute * 100 + day.second, 235958);
    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);

    SQLINTEGER result = 0, x = 21;
    SQLLEN resultLength = 0, xLength = 0;
    SQLBindParameter(stmt_, 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &result, 0,
                     &resultLength);
    SQLBindParameter(stmt_, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &x, 0, &xLength);
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"{?=call TEST_TWICE(?)}", SQL_NTS))
        << diagnostic(stmt_);
    EXPECT_EQ(result, 42);

    // A procedure called for a return value runs as a procedure; the
    // return value is NULL.
    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
    a = 1, b = 2, c = 0;
    SQLBindParameter(stmt_, 1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 10, 0, &result, 0,
                     &resultLength);
    SQLBindParameter(stmt_, 2, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &a, 0, &aLength);
    SQLBindParameter(stmt_, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &b, 0, &bLength);
    SQLBindParameter(stmt_, 4, SQL_PARAM_OUTPUT, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &c, 0, &cLength);
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"{?=call TEST_ADD(?, ?, ?)}", SQL_NTS))
        << diagnostic(stmt_);
    EXPECT_EQ(resultLength, SQL_NULL_DATA);
    EXPECT_EQ(c, 3);

    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
    EXPECT_EQ(SQL_ERROR, SQLExecDirect(stmt_, (SQLCHAR*)"{call TEST_FAIL('boom')}", SQL_NTS));
    SQLCHAR state[6] = "";
    SQLCHAR message[512] = "";
    SQLINTEGER code = 0;
    SQLSMALLINT length = 0;
    SQLError(env_, dbc_, stmt_, state, &code, message, sizeof message, &length);
    EXPECT_EQ(code, 20001);
    EXPECT_NE(std::string(reinterpret_cast<char*>(message)).find("ORA-20001: boom"),
              std::string::npos);
}

TEST_F(Or7ApiTest, LongValuesComeInPiecesAndTruncationWarns) {
    run("CREATE TABLE L (K NUMBER(2), T LONG, V VARCHAR2(30))");
    std::string value;
    for (int i = 0; i < 50000; ++i)
        value.push_back(static_cast<char>('a' + i % 26));
    SQLLEN length = static_cast<SQLLEN>(value.size());
    SQLBindParameter(stmt_, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_LONGVARCHAR, value.size(), 0,
                     &value[0], length, &length);
    run("INSERT INTO L VALUES (1, ?, 'twenty-six characters long')");
    SQLFreeStmt(stmt_, SQL_RESET_PARAMS);
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"SELECT T, V FROM L", SQL_NTS));
    ASSERT_EQ(SQL_SUCCESS, SQLFetch(stmt_));
    std::string read;
    char piece[7001];
    SQLLEN pieceLength = 0;
    SQLRETURN rc;
    while ((rc = SQLGetData(stmt_, 1, SQL_C_CHAR, piece, sizeof piece, &pieceLength)) !=
           SQL_NO_DATA) {
        ASSERT_TRUE(SQL_SUCCEEDED(rc)) << diagnostic(stmt_);
        read += piece;
    }
    EXPECT_EQ(read, value);
    char small[5];
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO,
              SQLGetData(stmt_, 2, SQL_C_CHAR, small, sizeof small, &pieceLength));
    EXPECT_EQ(diagnostic(stmt_).substr(0, 5), "01004");
    EXPECT_STREQ(small, "twen");
}

TEST_F(Or7ApiTest, ValueCutByTheServerWarnsOnItsRow) {
    run("CREATE TABLE C (K NUMBER(2), V VARCHAR2(4))");
    run("INSERT INTO C VALUES (1, 'abcd')");
    run("INSERT INTO C VALUES (2, 'efgh')");
    // Written past the server's checks: longer than the column says.
    sqlite3* db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(database_.c_str(), &db));
    ASSERT_EQ(
        SQLITE_OK,
        sqlite3_exec(db,
                     "PRAGMA ignore_check_constraints = 1; UPDATE C SET V = 'efghijkl' WHERE K = 2",
                     nullptr, nullptr, nullptr));
    sqlite3_close(db);
    ASSERT_EQ(SQL_SUCCESS, SQLExecDirect(stmt_, (SQLCHAR*)"SELECT V FROM C ORDER BY K", SQL_NTS));
    char value[16] = "";
    SQLLEN length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLBindCol(stmt_, 1, SQL_C_CHAR, value, sizeof value, &length));
    EXPECT_EQ(SQL_SUCCESS, SQLFetch(stmt_));
    EXPECT_STREQ(value, "abcd");
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLFetch(stmt_));
    EXPECT_EQ(diagnostic(stmt_).substr(0, 5), "01004");
    EXPECT_STREQ(value, "efgh");
    EXPECT_EQ(SQL_NO_DATA, SQLFetch(stmt_));
}

// Rows fetched in a query's arrays, row by row with SQLFetch.
std::vector<int> fetchAll(SQLHSTMT stmt, const char* sql) {
    std::vector<int> rows;
    fetchRequests.clear();
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt, (SQLCHAR*)sql, SQL_NTS)))
        return {-1};
    SQLINTEGER value = 0;
    SQLLEN length = 0;
    SQLBindCol(stmt, 1, SQL_C_SLONG, &value, 0, &length);
    while (SQL_SUCCEEDED(SQLFetch(stmt)))
        rows.push_back(value);
    SQLFreeStmt(stmt, SQL_CLOSE);
    SQLFreeStmt(stmt, SQL_UNBIND);
    return rows;
}

TEST_F(Or7ApiTest, RowsPerArrayFetchAndTheEndOfData) {
    // NUMBER(5) is fetched as 8 characters, 10 bytes a row with the
    // indicator: ArraySize 50 gives 5 rows an array.
    TearDown();
    env_ = dbc_ = stmt_ = nullptr;
    connectTo("ArraySize=50");
    run("CREATE TABLE F (A NUMBER(5), L LONG)");
    std::vector<int> expected;
    for (int k = 0; k < 10; ++k) {
        std::string insert = "INSERT INTO F VALUES (" + std::to_string(k) + ", 'x')";
        run(insert.c_str());
        expected.push_back(k);
    }
    // Twice the array: two full arrays, then one that finds no more rows.
    EXPECT_EQ(fetchAll(stmt_, "SELECT A FROM F ORDER BY A"), expected);
    EXPECT_EQ(fetchRequests, (std::vector<unsigned>{5, 5, 5}));
    // Seven rows: a full array, then a short one (1403) that ends the data.
    expected.resize(7);
    EXPECT_EQ(fetchAll(stmt_, "SELECT A FROM F WHERE A < 7 ORDER BY A"), expected);
    EXPECT_EQ(fetchRequests, (std::vector<unsigned>{5, 5}));
    // A LONG column makes every array one row.
    expected.resize(3);
    EXPECT_EQ(fetchAll(stmt_, "SELECT A, L FROM F WHERE A < 3 ORDER BY A"), expected);
    EXPECT_EQ(fetchRequests, (std::vector<unsigned>{1, 1, 1, 1}));
}

// The privilege views of the stand-in are empty: the queries must still
// run and give results of the functions' columns.
TEST_F(Or7ApiTest, PrivilegesComeFromTheirViews) {
    run("CREATE TABLE P (A NUMBER(2))");
    SQLSMALLINT columns = 0;
    ASSERT_EQ(SQL_SUCCESS,
              SQLTablePrivileges(stmt_, nullptr, 0, nullptr, 0, (SQLCHAR*)"P", SQL_NTS))
        << diagnostic(stmt_);
    SQLNumResultCols(stmt_, &columns);
    EXPECT_EQ(columns, 7);
    EXPECT_EQ(SQL_NO_DATA, SQLFetch(stmt_));
    SQLFreeStmt(stmt_, SQL_CLOSE);
    ASSERT_EQ(SQL_SUCCESS, SQLColumnPrivileges(stmt_, nullptr, 0, (SQLCHAR*)"SCOTT", SQL_NTS,
                                               (SQLCHAR*)"P", SQL_NTS, nullptr, 0))
        << diagnostic(stmt_);
    SQLNumResultCols(stmt_, &columns);
    EXPECT_EQ(columns, 8);
    EXPECT_EQ(SQL_NO_DATA, SQLFetch(stmt_));
}

} // namespace
