// The catalog functions and SQLGetInfo through the driver manager, as an
// ODBC 2 application calls them: the shape of every catalog result set
// (names, SQL types, nullability, precision, in order) as data, the rows
// the test driver's data source gives and their order, SQLTables' special
// calls and type lists, the argument checks, and information values.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string PREFIX = "[BRELLMONT][ODBC Test driver]";

struct ColumnShape {
    const char* name;
    SQLSMALLINT type;
    SQLSMALLINT nullable;
    SQLULEN precision;
};

using Shape = std::vector<ColumnShape>;

// ---- The result columns of each catalog function ---------------------------

const Shape TABLES_SHAPE = {{"TABLE_QUALIFIER", SQL_VARCHAR, 1, 128},
                            {"TABLE_OWNER", SQL_VARCHAR, 1, 128},
                            {"TABLE_NAME", SQL_VARCHAR, 1, 128},
                            {"TABLE_TYPE", SQL_VARCHAR, 1, 128},
                            {"REMARKS", SQL_VARCHAR, 1, 254}};
const Shape COLUMNS_SHAPE = {{"TABLE_QUALIFIER", SQL_VARCHAR, 1, 128},
                             {"TABLE_OWNER", SQL_VARCHAR, 1, 128},
                             {"TABLE_NAME", SQL_VARCHAR, 0, 128},
                             {"COLUMN_NAME", SQL_VARCHAR, 0, 128},
                             {"DATA_TYPE", SQL_SMALLINT, 0, 0},
                             {"TYPE_NAME", SQL_VARCHAR, 0, 128},
                             {"PRECISION", SQL_INTEGER, 1, 0},
                             {"LENGTH", SQL_INTEGER, 1, 0},
                             {"SCALE", SQL_SMALLINT, 1, 0},
                             {"RADIX", SQL_SMALLINT, 1, 0},
                             {"NULLABLE", SQL_SMALLINT, 0, 0},
                             {"REMARKS", SQL_VARCHAR, 1, 254}};
const Shape STATISTICS_SHAPE = {{"TABLE_QUALIFIER", SQL_VARCHAR, 1, 128},
                                {"TABLE_OWNER", SQL_VARCHAR, 1, 128},
                                {"TABLE_NAME", SQL_VARCHAR, 0, 128},
                                {"NON_UNIQUE", SQL_SMALLINT, 1, 0},
                                {"INDEX_QUALIFIER", SQL_VARCHAR, 1, 128},
                                {"INDEX_NAME", SQL_VARCHAR, 1, 128},
                                {"TYPE", SQL_SMALLINT, 0, 0},
                                {"SEQ_IN_INDEX", SQL_SMALLINT, 1, 0},
                                {"COLUMN_NAME", SQL_VARCHAR, 1, 128},
                                {"COLLATION", SQL_CHAR, 1, 1},
                                {"CARDINALITY", SQL_INTEGER, 1, 0},
                                {"PAGES", SQL_INTEGER, 1, 0},
                                {"FILTER_CONDITION", SQL_VARCHAR, 1, 128}};
const Shape SPECIAL_SHAPE = {
    {"SCOPE", SQL_SMALLINT, 1, 0},     {"COLUMN_NAME", SQL_VARCHAR, 0, 128},
    {"DATA_TYPE", SQL_SMALLINT, 0, 0}, {"TYPE_NAME", SQL_VARCHAR, 0, 128},
    {"PRECISION", SQL_INTEGER, 1, 0},  {"LENGTH", SQL_INTEGER, 1, 0},
    {"SCALE", SQL_SMALLINT, 1, 0},     {"PSEUDO_COLUMN", SQL_SMALLINT, 1, 0}};
const Shape PRIMARY_SHAPE = {
    {"TABLE_QUALIFIER", SQL_VARCHAR, 1, 128}, {"TABLE_OWNER", SQL_VARCHAR, 1, 128},
    {"TABLE_NAME", SQL_VARCHAR, 0, 128},      {"COLUMN_NAME", SQL_VARCHAR, 0, 128},
    {"KEY_SEQ", SQL_SMALLINT, 0, 0},          {"PK_NAME", SQL_VARCHAR, 1, 128}};
const Shape FOREIGN_SHAPE = {{"PKTABLE_QUALIFIER", SQL_VARCHAR, 1, 128},
                             {"PKTABLE_OWNER", SQL_VARCHAR, 1, 128},
                             {"PKTABLE_NAME", SQL_VARCHAR, 0, 128},
                             {"PKCOLUMN_NAME", SQL_VARCHAR, 0, 128},
                             {"FKTABLE_QUALIFIER", SQL_VARCHAR, 1, 128},
                             {"FKTABLE_OWNER", SQL_VARCHAR, 1, 128},
                             {"FKTABLE_NAME", SQL_VARCHAR, 0, 128},
                             {"FKCOLUMN_NAME", SQL_VARCHAR, 0, 128},
                             {"KEY_SEQ", SQL_SMALLINT, 0, 0},
                             {"UPDATE_RULE", SQL_SMALLINT, 1, 0},
                             {"DELETE_RULE", SQL_SMALLINT, 1, 0},
                             {"FK_NAME", SQL_VARCHAR, 1, 128},
                             {"PK_NAME", SQL_VARCHAR, 1, 128}};
const Shape PROCEDURES_SHAPE = {{"PROCEDURE_QUALIFIER", SQL_VARCHAR, 1, 128},
                                {"PROCEDURE_OWNER", SQL_VARCHAR, 1, 128},
                                {"PROCEDURE_NAME", SQL_VARCHAR, 0, 128},
                                {"NUM_INPUT_PARAMS", SQL_INTEGER, 0, 0},
                                {"NUM_OUTPUT_PARAMS", SQL_INTEGER, 0, 0},
                                {"NUM_RESULT_SETS", SQL_INTEGER, 0, 0},
                                {"REMARKS", SQL_VARCHAR, 1, 254},
                                {"PROCEDURE_TYPE", SQL_SMALLINT, 1, 0}};
const Shape PROCEDURE_COLUMNS_SHAPE = {{"PROCEDURE_QUALIFIER", SQL_VARCHAR, 1, 128},
                                       {"PROCEDURE_OWNER", SQL_VARCHAR, 1, 128},
                                       {"PROCEDURE_NAME", SQL_VARCHAR, 0, 128},
                                       {"COLUMN_NAME", SQL_VARCHAR, 0, 128},
                                       {"COLUMN_TYPE", SQL_SMALLINT, 0, 0},
                                       {"DATA_TYPE", SQL_SMALLINT, 0, 0},
                                       {"TYPE_NAME", SQL_VARCHAR, 0, 128},
                                       {"PRECISION", SQL_INTEGER, 1, 0},
                                       {"LENGTH", SQL_INTEGER, 1, 0},
                                       {"SCALE", SQL_SMALLINT, 1, 0},
                                       {"RADIX", SQL_SMALLINT, 1, 0},
                                       {"NULLABLE", SQL_SMALLINT, 0, 0},
                                       {"REMARKS", SQL_VARCHAR, 1, 254}};
const Shape TABLE_PRIVILEGES_SHAPE = {
    {"TABLE_QUALIFIER", SQL_VARCHAR, 1, 128}, {"TABLE_OWNER", SQL_VARCHAR, 1, 128},
    {"TABLE_NAME", SQL_VARCHAR, 0, 128},      {"GRANTOR", SQL_VARCHAR, 1, 128},
    {"GRANTEE", SQL_VARCHAR, 0, 128},         {"PRIVILEGE", SQL_VARCHAR, 0, 128},
    {"IS_GRANTABLE", SQL_VARCHAR, 1, 3}};
const Shape COLUMN_PRIVILEGES_SHAPE = {
    {"TABLE_QUALIFIER", SQL_VARCHAR, 1, 128}, {"TABLE_OWNER", SQL_VARCHAR, 1, 128},
    {"TABLE_NAME", SQL_VARCHAR, 0, 128},      {"COLUMN_NAME", SQL_VARCHAR, 0, 128},
    {"GRANTOR", SQL_VARCHAR, 1, 128},         {"GRANTEE", SQL_VARCHAR, 0, 128},
    {"PRIVILEGE", SQL_VARCHAR, 0, 128},       {"IS_GRANTABLE", SQL_VARCHAR, 1, 3}};
const Shape TYPES_SHAPE = {{"TYPE_NAME", SQL_VARCHAR, 0, 128},
                           {"DATA_TYPE", SQL_SMALLINT, 0, 0},
                           {"PRECISION", SQL_INTEGER, 1, 0},
                           {"LITERAL_PREFIX", SQL_VARCHAR, 1, 128},
                           {"LITERAL_SUFFIX", SQL_VARCHAR, 1, 128},
                           {"CREATE_PARAMS", SQL_VARCHAR, 1, 128},
                           {"NULLABLE", SQL_SMALLINT, 0, 0},
                           {"CASE_SENSITIVE", SQL_SMALLINT, 0, 0},
                           {"SEARCHABLE", SQL_SMALLINT, 0, 0},
                           {"UNSIGNED_ATTRIBUTE", SQL_SMALLINT, 1, 0},
                           {"MONEY", SQL_SMALLINT, 0, 0},
                           {"AUTO_INCREMENT", SQL_SMALLINT, 1, 0},
                           {"LOCAL_TYPE_NAME", SQL_VARCHAR, 1, 128},
                           {"MINIMUM_SCALE", SQL_SMALLINT, 1, 0},
                           {"MAXIMUM_SCALE", SQL_SMALLINT, 1, 0}};

SQLCHAR* text(const char* value) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(value));
}

// One catalog call with the rows it should give (cells joined by '|',
// NULL as "-"); `columns` limits the cells compared to the first ones.
struct CatalogCase {
    const char* title;
    std::function<SQLRETURN(SQLHSTMT)> call;
    const Shape* shape;
    std::vector<std::string> rows;
    SQLSMALLINT columns;
};

std::vector<CatalogCase> catalogCases() {
    return {
        {"tables",
         [](SQLHSTMT s) { return SQLTables(s, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0); },
         &TABLES_SHAPE,
         {"main|dbo|DEPT|TABLE|-", "main|dbo|EMP|TABLE|Employees", "main|dbo|EMP_VIEW|VIEW|-"},
         5},
        {"columns",
         [](SQLHSTMT s) {
             return SQLColumns(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS, nullptr, 0);
         },
         &COLUMNS_SHAPE,
         {"main|dbo|EMP|EMP_ID|4|INTEGER|10|4|0|10|0|-",
          "main|dbo|EMP|NAME|12|VARCHAR|30|30|-|-|0|-",
          "main|dbo|EMP|DEPT_ID|4|INTEGER|10|4|0|10|1|-",
          "main|dbo|EMP|SALARY|3|DECIMAL|10|12|2|10|1|-", "main|dbo|EMP|HIRED|9|DATE|10|6|-|-|1|-"},
         12},
        {"statistics",
         [](SQLHSTMT s) {
             return SQLStatistics(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS, SQL_INDEX_ALL,
                                  SQL_QUICK);
         },
         &STATISTICS_SHAPE,
         {"main|dbo|EMP|-|-|-|0|-|-|-|3|1|-", "main|dbo|EMP|0|-|PK_EMP|3|1|EMP_ID|A|3|1|-",
          "main|dbo|EMP|1|-|EMP_NAME|3|1|NAME|A|3|1|-"},
         13},
        {"special columns",
         [](SQLHSTMT s) {
             return SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("EMP"),
                                      SQL_NTS, SQL_SCOPE_CURROW, SQL_NULLABLE);
         },
         &SPECIAL_SHAPE,
         {"0|EMP_ID|4|INTEGER|10|4|0|1"},
         8},
        {"primary keys",
         [](SQLHSTMT s) { return SQLPrimaryKeys(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS); },
         &PRIMARY_SHAPE,
         {"main|dbo|EMP|EMP_ID|1|PK_EMP"},
         6},
        {"foreign keys",
         [](SQLHSTMT s) {
             return SQLForeignKeys(s, nullptr, 0, nullptr, 0, text("DEPT"), SQL_NTS, nullptr, 0,
                                   nullptr, 0, nullptr, 0);
         },
         &FOREIGN_SHAPE,
         {"main|dbo|DEPT|DEPT_ID|main|dbo|EMP|DEPT_ID|1|1|1|FK_EMP_DEPT|PK_DEPT"},
         13},
        {"procedures",
         [](SQLHSTMT s) { return SQLProcedures(s, nullptr, 0, nullptr, 0, nullptr, 0); },
         &PROCEDURES_SHAPE,
         {"main|dbo|LIST_EMP|0|0|1|-|1", "main|dbo|RAISE_PAY|2|0|0|Raises a salary|2"},
         8},
        {"procedure columns",
         [](SQLHSTMT s) {
             return SQLProcedureColumns(s, nullptr, 0, nullptr, 0, text("RAISE%"), SQL_NTS, nullptr,
                                        0);
         },
         &PROCEDURE_COLUMNS_SHAPE,
         {"main|dbo|RAISE_PAY|RETURN_VALUE|5|4", "main|dbo|RAISE_PAY|EMP_ID|1|4",
          "main|dbo|RAISE_PAY|PCT|1|3"},
         6},
        {"table privileges",
         [](SQLHSTMT s) {
             return SQLTablePrivileges(s, nullptr, 0, nullptr, 0, text("%"), SQL_NTS);
         },
         &TABLE_PRIVILEGES_SHAPE,
         {"main|dbo|DEPT|dbo|PUBLIC|SELECT|NO", "main|dbo|EMP|dbo|PUBLIC|INSERT|NO",
          "main|dbo|EMP|dbo|PUBLIC|SELECT|NO"},
         7},
        {"column privileges",
         [](SQLHSTMT s) {
             return SQLColumnPrivileges(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS, nullptr,
                                        0);
         },
         &COLUMN_PRIVILEGES_SHAPE,
         {"main|dbo|EMP|EMP_ID|dbo|PUBLIC|SELECT|NO", "main|dbo|EMP|NAME|dbo|PUBLIC|SELECT|NO",
          "main|dbo|EMP|NAME|dbo|PUBLIC|UPDATE|NO"},
         8},
        {"type info",
         [](SQLHSTMT s) { return SQLGetTypeInfo(s, SQL_ALL_TYPES); },
         &TYPES_SHAPE,
         {"CHAR|1", "DECIMAL|3", "INTEGER|4", "SMALLINT|5", "DATE|9", "TIMESTAMP|11", "VARCHAR|12"},
         2},
    };
}

struct Record {
    std::string state;
    std::string message;
};

class CatalogApi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQL_SUCCESS, SQLAllocEnv(&henv_));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocConnect(henv_, &hdbc_));
    }
    void TearDown() override {
        if (hstmt_)
            SQLFreeStmt(hstmt_, SQL_DROP);
        SQLDisconnect(hdbc_);
        SQLFreeConnect(hdbc_);
        SQLFreeEnv(henv_);
    }
    void connect(const std::string& rest = "DB=main") {
        std::string conn = "DRIVER=" TST_DRIVER_PATH ";" + rest;
        ASSERT_TRUE(SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, text(conn.c_str()), SQL_NTS,
                                                   nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    }
    std::vector<Record> records(SQLHSTMT hstmt) {
        std::vector<Record> out;
        SQLCHAR state[6];
        SQLCHAR message[600];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        while (SQL_SUCCEEDED(SQLError(henv_, hstmt ? nullptr : hdbc_, hstmt, state, &native,
                                      message, sizeof message, &length))) {
            std::string body = reinterpret_cast<char*>(message);
            if (body.compare(0, PREFIX.size(), PREFIX) == 0)
                body.erase(0, PREFIX.size());
            out.push_back({reinterpret_cast<char*>(state), body});
        }
        return out;
    }
    // The rows of the open result: the first `columns` cells of each.
    std::vector<std::string> fetchAll(SQLSMALLINT columns) {
        std::vector<std::string> rows;
        SQLRETURN rc;
        while ((rc = SQLFetch(hstmt_)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
            std::string row;
            for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
                char cell[300] = {};
                SQLLEN length = 0;
                EXPECT_TRUE(
                    SQL_SUCCEEDED(SQLGetData(hstmt_, c, SQL_C_CHAR, cell, sizeof cell, &length)));
                row += (c > 1 ? "|" : "") + std::string(length == SQL_NULL_DATA ? "-" : cell);
            }
            rows.push_back(row);
        }
        EXPECT_EQ(SQL_NO_DATA_FOUND, rc);
        EXPECT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
        return rows;
    }
    std::vector<std::string> tables(const char* q, const char* o, const char* t,
                                    const char* types) {
        SQLRETURN rc =
            SQLTables(hstmt_, q ? text(q) : nullptr, SQL_NTS, o ? text(o) : nullptr, SQL_NTS,
                      t ? text(t) : nullptr, SQL_NTS, types ? text(types) : nullptr, SQL_NTS);
        EXPECT_EQ(SQL_SUCCESS, rc);
        return fetchAll(5);
    }
    std::string infoText(SQLUSMALLINT type) {
        char value[256] = {};
        SQLSMALLINT length = 0;
        EXPECT_EQ(SQL_SUCCESS, SQLGetInfo(hdbc_, type, value, sizeof value, &length));
        return value;
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    SQLHSTMT hstmt_ = nullptr;
};

TEST_F(CatalogApi, EveryFunctionHasItsShapeAndRowsInOrder) {
    connect();
    for (const CatalogCase& c : catalogCases()) {
        SCOPED_TRACE(c.title);
        ASSERT_EQ(SQL_SUCCESS, c.call(hstmt_));
        SQLSMALLINT count = 0;
        ASSERT_EQ(SQL_SUCCESS, SQLNumResultCols(hstmt_, &count));
        ASSERT_EQ(static_cast<SQLSMALLINT>(c.shape->size()), count);
        for (SQLUSMALLINT i = 1; i <= count; ++i) {
            const ColumnShape& want = (*c.shape)[i - 1];
            SQLCHAR name[64] = {};
            SQLSMALLINT nameLength = 0, type = 0, scale = 0, nullable = 0;
            SQLULEN precision = 0;
            ASSERT_EQ(SQL_SUCCESS, SQLDescribeCol(hstmt_, i, name, sizeof name, &nameLength, &type,
                                                  &precision, &scale, &nullable));
            EXPECT_STREQ(want.name, reinterpret_cast<char*>(name)) << "column " << i;
            EXPECT_EQ(want.type, type) << want.name;
            EXPECT_EQ(want.nullable, nullable) << want.name;
            EXPECT_EQ(want.precision, precision) << want.name;
        }
        EXPECT_EQ(c.rows, fetchAll(c.columns));
    }
}

TEST_F(CatalogApi, LongQualifiersWidenTheQualifierColumn) {
    connect("DB=main;ULQ=1");
    ASSERT_EQ(SQL_SUCCESS, SQLTables(hstmt_, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
    SQLULEN precision = 0;
    SQLSMALLINT type = 0;
    ASSERT_EQ(SQL_SUCCESS,
              SQLDescribeCol(hstmt_, 1, nullptr, 0, nullptr, &type, &precision, nullptr, nullptr));
    EXPECT_EQ(255u, precision);
    ASSERT_EQ(SQL_SUCCESS,
              SQLDescribeCol(hstmt_, 2, nullptr, 0, nullptr, &type, &precision, nullptr, nullptr));
    EXPECT_EQ(128u, precision);
    SQLUSMALLINT length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetInfo(hdbc_, SQL_MAX_QUALIFIER_NAME_LEN, &length, 2, nullptr));
    EXPECT_EQ(249, length);
}

TEST_F(CatalogApi, TablesSpecialCallsAndTypeLists) {
    connect();
    EXPECT_EQ((std::vector<std::string>{"extra|-|-|-|-", "main|-|-|-|-"}),
              tables("%", "", "", nullptr));
    EXPECT_EQ((std::vector<std::string>{"-|dbo|-|-|-"}), tables("", "%", "", nullptr));
    EXPECT_EQ((std::vector<std::string>{"-|-|-|TABLE|-", "-|-|-|VIEW|-"}), tables("", "", "", "%"));
    EXPECT_EQ((std::vector<std::string>{"main|dbo|DEPT|TABLE|-", "main|dbo|EMP|TABLE|Employees",
                                        "main|dbo|EMP_VIEW|VIEW|-"}),
              tables(nullptr, nullptr, nullptr, "'TABLE','VIEW'"));
    EXPECT_EQ((std::vector<std::string>{"main|dbo|DEPT|TABLE|-", "main|dbo|EMP|TABLE|Employees"}),
              tables(nullptr, nullptr, nullptr, "TABLE, FOO"));
    EXPECT_EQ((std::vector<std::string>{"main|dbo|EMP_VIEW|VIEW|-"}),
              tables(nullptr, nullptr, "EMP%", "VIEW"));
    EXPECT_TRUE(tables(nullptr, nullptr, nullptr, "FOO").empty());
    // Patterns: "_" is any one character; the escape makes it literal.
    EXPECT_EQ((std::vector<std::string>{"main|dbo|EMP_VIEW|VIEW|-"}),
              tables(nullptr, nullptr, "EMP\\_V%", nullptr));
    EXPECT_TRUE(tables(nullptr, nullptr, "EMP\\_", nullptr).empty());
    // Without an identifier quote character quotes are part of the name.
    EXPECT_TRUE(tables("%", nullptr, "\"ORDER ITEMS\"", nullptr).empty());
}

TEST_F(CatalogApi, ListingQualifiersNeedsQualifiers) {
    // WorkArounds bit 1: the driver has no qualifiers.
    connect("DB=main;WA=2");
    EXPECT_EQ(SQL_ERROR, SQLTables(hstmt_, text("%"), SQL_NTS, text(""), SQL_NTS, text(""), SQL_NTS,
                                   nullptr, 0));
    std::vector<Record> errors = records(hstmt_);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("S1C00", errors[0].state);
    // Qualifier-related information follows.
    EXPECT_EQ("", infoText(SQL_QUALIFIER_NAME_SEPARATOR));
    EXPECT_EQ("", infoText(SQL_QUALIFIER_TERM));
    SQLUINTEGER usage = 99;
    ASSERT_EQ(SQL_SUCCESS, SQLGetInfo(hdbc_, SQL_QUALIFIER_USAGE, &usage, sizeof usage, nullptr));
    EXPECT_EQ(0u, usage);
}

TEST_F(CatalogApi, NamesLongerThanTheLimitsAreRefused) {
    connect();
    struct Case {
        std::function<SQLRETURN(SQLHSTMT)> call;
        const char* message;
    };
    const Case cases[] = {
        {[](SQLHSTMT s) {
             return SQLTables(s, nullptr, 0, nullptr, 0, text("ABCDEFGHIJKLMNOPQRS"), SQL_NTS,
                              nullptr, 0);
         },
         "The table name 'ABCDEFGHIJKLMNOPQRS' was larger than SQL_MAX_TABLE_NAME_LEN from "
         "SQLGetInfo (18)."},
        {[](SQLHSTMT s) {
             return SQLColumns(s, nullptr, 0, text("OWNER_NAME_TOO_LONG"), SQL_NTS, nullptr, 0,
                               nullptr, 0);
         },
         "The owner 'OWNER_NAME_TOO_LONG' was larger than SQL_MAX_OWNER_NAME_LEN from "
         "SQLGetInfo (18)."},
        {[](SQLHSTMT s) {
             return SQLColumns(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS,
                               text("A_COLUMN_NAME_OF_THIRTY_ONE_CHS"), SQL_NTS);
         },
         "The column name 'A_COLUMN_NAME_OF_THIRTY_ONE_CHS' was larger than "
         "SQL_MAX_COLUMN_NAME_LEN from SQLGetInfo (30)."},
        {[](SQLHSTMT s) {
             return SQLProcedures(s, text("QUALIFIER_TOO_LONG!"), SQL_NTS, nullptr, 0, nullptr, 0);
         },
         "The qualifier 'QUALIFIER_TOO_LONG!' was larger than SQL_MAX_QUALIFIER_LEN from "
         "SQLGetInfo (18)."},
        {[](SQLHSTMT s) {
             return SQLProcedureColumns(s, nullptr, 0, nullptr, 0, text("PROCEDURE_NAME_LONG"),
                                        SQL_NTS, nullptr, 0);
         },
         "The procedure name 'PROCEDURE_NAME_LONG' was larger than SQL_MAX_PROCEDURE_NAME_LEN "
         "from SQLGetInfo (18)."},
    };
    for (const Case& c : cases) {
        SQLRETURN rc = c.call(hstmt_);
        std::vector<Record> errors = records(hstmt_);
        EXPECT_EQ(SQL_ERROR, rc) << c.message;
        ASSERT_EQ(1u, errors.size()) << c.message;
        EXPECT_EQ("S1090", errors[0].state);
        EXPECT_EQ(c.message, errors[0].message);
    }
    // Exactly at the limit is accepted.
    EXPECT_EQ(SQL_SUCCESS, SQLTables(hstmt_, nullptr, 0, nullptr, 0, text("ABCDEFGHIJKLMNOPQR"),
                                     SQL_NTS, nullptr, 0));
}

TEST_F(CatalogApi, ArgumentChecksAndStates) {
    connect();
    struct Case {
        std::function<SQLRETURN(SQLHSTMT)> call;
        const char* state;
    };
    const Case cases[] = {
        {[](SQLHSTMT s) {
             return SQLStatistics(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS, 7, SQL_QUICK);
         },
         "S1100"},
        {[](SQLHSTMT s) {
             return SQLStatistics(s, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS, SQL_INDEX_ALL,
                                  7);
         },
         "S1101"},
        {[](SQLHSTMT s) {
             return SQLStatistics(s, nullptr, 0, nullptr, 0, nullptr, 0, SQL_INDEX_ALL, SQL_QUICK);
         },
         "S1009"},
        {[](SQLHSTMT s) {
             return SQLSpecialColumns(s, 9, nullptr, 0, nullptr, 0, text("EMP"), SQL_NTS, 0, 1);
         },
         "S1097"},
        {[](SQLHSTMT s) {
             return SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("EMP"),
                                      SQL_NTS, 9, 1);
         },
         "S1098"},
        {[](SQLHSTMT s) {
             return SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, text("EMP"),
                                      SQL_NTS, 0, 9);
         },
         "S1099"},
        {[](SQLHSTMT s) {
             return SQLSpecialColumns(s, SQL_BEST_ROWID, nullptr, 0, nullptr, 0, nullptr, 0, 0, 1);
         },
         "S1009"},
        {[](SQLHSTMT s) {
             return SQLForeignKeys(s, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0,
                                   nullptr, 0);
         },
         "S1009"},
        {[](SQLHSTMT s) { return SQLGetTypeInfo(s, 1234); }, "S1004"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        EXPECT_EQ(SQL_ERROR, c.call(hstmt_));
        std::vector<Record> errors = records(hstmt_);
        ASSERT_EQ(1u, errors.size());
        EXPECT_EQ(c.state, errors[0].state);
    }
    // An open cursor refuses another catalog call; closing it allows one.
    ASSERT_EQ(SQL_SUCCESS, SQLGetTypeInfo(hstmt_, SQL_ALL_TYPES));
    EXPECT_EQ(SQL_ERROR, SQLTables(hstmt_, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
    EXPECT_EQ("24000", records(hstmt_).at(0).state);
    ASSERT_EQ(SQL_SUCCESS, SQLFreeStmt(hstmt_, SQL_CLOSE));
    EXPECT_EQ(SQL_SUCCESS, SQLTables(hstmt_, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
}

TEST_F(CatalogApi, TypeInfoForOneTypeAndForOdbc3Types) {
    connect();
    ASSERT_EQ(SQL_SUCCESS, SQLGetTypeInfo(hstmt_, SQL_INTEGER));
    EXPECT_EQ((std::vector<std::string>{"INTEGER|4"}), fetchAll(2));
    // The ODBC 3 date and time codes ask for the ODBC 2 types.
    ASSERT_EQ(SQL_SUCCESS, SQLGetTypeInfo(hstmt_, SQL_TYPE_TIMESTAMP));
    EXPECT_EQ((std::vector<std::string>{"TIMESTAMP|11"}), fetchAll(2));
    ASSERT_EQ(SQL_SUCCESS, SQLGetTypeInfo(hstmt_, SQL_TYPE_DATE));
    EXPECT_EQ((std::vector<std::string>{"DATE|9"}), fetchAll(2));
    // An ODBC 3 type without an ODBC 2 counterpart is out of range.
    EXPECT_EQ(SQL_ERROR, SQLGetTypeInfo(hstmt_, SQL_WVARCHAR));
    EXPECT_EQ("S1004", records(hstmt_).at(0).state);
    // A type the source does not have: no rows.
    ASSERT_EQ(SQL_SUCCESS, SQLGetTypeInfo(hstmt_, SQL_LONGVARBINARY));
    EXPECT_TRUE(fetchAll(2).empty());
}

TEST_F(CatalogApi, DerivedColumnsQuoteNamesAndReportTablesThatFail) {
    connect("DB=extra");
    EXPECT_EQ("\"", infoText(SQL_IDENTIFIER_QUOTE_CHAR));
    // Quoted names lose their quotes; "%" searches every database.
    EXPECT_EQ((std::vector<std::string>{"extra|dbo|ORDER ITEMS|TABLE|-"}),
              tables("%", nullptr, "\"ORDER ITEMS\"", nullptr));
    // A pattern makes the framework derive the columns: it prepares a
    // query on each table, the name with blanks in quotes.
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO,
              SQLColumns(hstmt_, nullptr, 0, nullptr, 0, text("%"), SQL_NTS, nullptr, 0));
    std::vector<Record> warnings = records(hstmt_);
    ASSERT_EQ(1u, warnings.size());
    EXPECT_EQ("S1000", warnings[0].state);
    EXPECT_NE(std::string::npos, warnings[0].message.find("Table is damaged"));
    EXPECT_NE(std::string::npos, warnings[0].message.find("BROKEN"));
    EXPECT_EQ((std::vector<std::string>{"extra|dbo|ORDER ITEMS|ITEM_ID|4|INTEGER|10|4|0|10|0|-",
                                        "extra|dbo|ORDER ITEMS|QTY|5|SMALLINT|5|2|0|10|1|-"}),
              fetchAll(12));
    // The column argument filters the derived columns too.
    ASSERT_EQ(SQL_SUCCESS, SQLColumns(hstmt_, nullptr, 0, nullptr, 0, text("ORDER%"), SQL_NTS,
                                      text("Q%"), SQL_NTS));
    EXPECT_EQ((std::vector<std::string>{"extra|dbo|ORDER ITEMS|QTY"}), fetchAll(4));
}

TEST_F(CatalogApi, InformationValues) {
    connect();
    EXPECT_EQ("TestDB", infoText(SQL_DBMS_NAME));
    EXPECT_EQ("libKWTST08.so", infoText(SQL_DRIVER_NAME));
    EXPECT_EQ("02.10", infoText(SQL_DRIVER_ODBC_VER));
    EXPECT_EQ("01.00.0000", infoText(SQL_DRIVER_VER));
    EXPECT_EQ(" ", infoText(SQL_IDENTIFIER_QUOTE_CHAR));
    EXPECT_EQ("main", infoText(SQL_DATABASE_NAME));
    EXPECT_EQ("table", infoText(SQL_TABLE_TERM));
    EXPECT_EQ("N", infoText(SQL_ROW_UPDATES));
    EXPECT_EQ("FOR UPDATE OF", infoText(1023));
    SQLUSMALLINT small = 0;
    SQLSMALLINT length = 0;
    ASSERT_EQ(SQL_SUCCESS,
              SQLGetInfo(hdbc_, SQL_MAX_TABLE_NAME_LEN, &small, sizeof small, &length));
    EXPECT_EQ(18, small);
    EXPECT_EQ(2, length);
    SQLUINTEGER mask = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLGetInfo(hdbc_, SQL_OJ_CAPABILITIES, &mask, sizeof mask, &length));
    EXPECT_EQ(41u, mask);
    EXPECT_EQ(4, length);
    // A text cut to the buffer: full length and 01004.
    char cut[4] = {};
    ASSERT_EQ(SQL_SUCCESS_WITH_INFO, SQLGetInfo(hdbc_, SQL_DBMS_NAME, cut, sizeof cut, &length));
    EXPECT_STREQ("Tes", cut);
    EXPECT_EQ(6, length);
    EXPECT_EQ("01004", records(nullptr).at(0).state);
    // A type nobody answers.
    EXPECT_EQ(SQL_ERROR, SQLGetInfo(hdbc_, 1017, cut, sizeof cut, &length));
    EXPECT_EQ("S1C00", records(nullptr).at(0).state);
}

} // namespace
