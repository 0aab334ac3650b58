// Preparation, execution and parameters through the driver manager, as an
// ODBC 2 application drives them: escape clauses through SQLNativeSql (the
// case table EscapeCases.def), prepare and execute state rules, parameters
// native and substituted into the text, data at execution, parameter
// arrays and the translation library on parameter values.
//
// The test driver's "params" command reports the values it received
// ("1=abc 2=12") as the text of a warning; "echo <text>" reports <text>,
// which shows the literals a substituting driver received.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string PREFIX = "[BRELLMONT][ODBC Test driver]";

struct Record {
    std::string state;
    std::string message;
};

class Execute : public ::testing::Test {
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
    void connect(const std::string& rest = "") {
        std::string text = "DRIVER=" TST_DRIVER_PATH ";DB=main;" + rest;
        ASSERT_TRUE(
            SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                           SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
        ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    }
    std::vector<Record> records(SQLHSTMT hstmt = nullptr, SQLHDBC hdbc = nullptr) {
        std::vector<Record> out;
        SQLCHAR state[6];
        SQLCHAR message[600];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        while (SQL_SUCCEEDED(SQLError(henv_, hdbc ? hdbc : (hstmt ? nullptr : hdbc_),
                                      hstmt ? hstmt : (hdbc ? nullptr : hstmt_), state, &native,
                                      message, sizeof message, &length))) {
            std::string text = reinterpret_cast<char*>(message);
            if (text.compare(0, PREFIX.size(), PREFIX) == 0)
                text.erase(0, PREFIX.size());
            out.push_back({reinterpret_cast<char*>(state), text});
        }
        return out;
    }
    // The text of the first record (the params / echo report).
    std::string report() {
        std::vector<Record> all = records();
        return all.empty() ? "<none>" : all.front().message;
    }
    // The messages through SQLErrorW, as UTF-16 units, without the prefix.
    std::vector<std::u16string> wideReports() {
        std::vector<std::u16string> all;
        SQLWCHAR state[6];
        SQLWCHAR message[600];
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const std::u16string prefix = u"[BRELLMONT][ODBC Test driver]";
        while (
            SQL_SUCCEEDED(SQLErrorW(henv_, hdbc_, hstmt_, state, &native, message, 600, &length))) {
            std::u16string text(message, message + length);
            all.push_back(text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size())
                                                                      : text);
        }
        return all;
    }
    std::u16string wideReport() {
        std::vector<std::u16string> all = wideReports();
        return all.empty() ? u"<none>" : all.front();
    }
    std::string firstState() {
        std::vector<Record> all = records();
        return all.empty() ? "<none>" : all.front().state;
    }
    SQLRETURN prepare(const std::string& text) {
        return SQLPrepare(hstmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                          SQL_NTS);
    }
    SQLRETURN execDirect(const std::string& text) {
        return SQLExecDirect(hstmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                             SQL_NTS);
    }
    SQLRETURN bindText(SQLUSMALLINT n, char* text, SQLSMALLINT sqlType = SQL_VARCHAR,
                       SQLULEN precision = 20, SQLLEN* indicator = nullptr) {
        return SQLBindParameter(hstmt_, n, SQL_PARAM_INPUT, SQL_C_CHAR, sqlType, precision, 0, text,
                                0, indicator);
    }

    SQLHENV henv_ = nullptr;
    SQLHDBC hdbc_ = nullptr;
    SQLHSTMT hstmt_ = nullptr;
};

struct EscapeCase {
    const char* input;
    const char* expected;
    unsigned markers;
    unsigned short message;
};

const EscapeCase ESCAPE_CASES[] = {
#define ESCAPE_OK(input, expected, markers) {input, expected, markers, 0},
#define ESCAPE_FAIL(input, message) {input, nullptr, 0, message},
#include "prepare/EscapeCases.def"
#undef ESCAPE_OK
#undef ESCAPE_FAIL
};

// The texts of the messages the case table names.
std::string messageText(unsigned short id) {
    switch (id) {
    case 6005:
        return "Unrecognizable ODBC SQL escape sequence.";
    case 6021:
        return "Escape clause beginning with --*( or { was not properly ended with *)-- or }.";
    case 6027:
        return "Unrecognized function escape: ";
    case 6028:
        return "Escape sequence malformed.  --*( was not followed by "
               "vendor(Microsoft),product(ODBC).";
    case 6029:
        return "Invalid date escape.  Correct syntax is {d 'yyyy-mm-dd'}.";
    case 6030:
        return "Invalid time escape.  Correct syntax is {t 'hh:mm:ss'}.";
    case 6031:
        return "Invalid timestamp escape.  Correct syntax is {ts 'yyyy-mm-dd hh:mm:ss.ffffff'}.";
    case 6049:
        return "Invalid escape sequence.  Missing function name after 'FN'.";
    default:
        return "?";
    }
}

TEST_F(Execute, EscapeClausesThroughNativeSqlFollowTheCaseTable) {
    connect();
    for (const EscapeCase& c : ESCAPE_CASES) {
        SQLCHAR out[512];
        SQLINTEGER length = -7;
        SQLRETURN rc = SQLNativeSql(hdbc_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(c.input)),
                                    SQL_NTS, out, sizeof out, &length);
        std::vector<Record> errors = records(nullptr, hdbc_);
        if (c.message == 0) {
            EXPECT_EQ(SQL_SUCCESS, rc) << c.input;
            EXPECT_EQ(std::string(c.expected), reinterpret_cast<char*>(out)) << c.input;
            EXPECT_EQ(static_cast<SQLINTEGER>(std::strlen(c.expected)), length) << c.input;
        } else {
            EXPECT_EQ(SQL_ERROR, rc) << c.input;
            ASSERT_EQ(1u, errors.size()) << c.input;
            EXPECT_EQ("37000", errors[0].state) << c.input;
            EXPECT_EQ(0u, errors[0].message.find(messageText(c.message))) << errors[0].message;
        }
    }
}

TEST_F(Execute, NativeSqlCutsLongTextAndPassesReturnValueCallsToTheDriver) {
    connect();
    SQLCHAR in[] = "{?=call p(?)} {fn UCASE('x')}";
    SQLCHAR out[8];
    SQLINTEGER length = 0;
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLNativeSql(hdbc_, in, SQL_NTS, out, sizeof out, &length));
    EXPECT_STREQ(" ? = CA", reinterpret_cast<char*>(out));
    EXPECT_EQ(static_cast<SQLINTEGER>(std::strlen(" ? = CALL p(?)  UCASE('x')")), length);
    EXPECT_EQ("01004", records(nullptr, hdbc_).at(0).state);
}

TEST_F(Execute, OuterJoinsAreRewrittenInTheDriversStyle) {
    connect("OuterJoin=1");
    SQLCHAR in[] = "SELECT * FROM {oj a LEFT OUTER JOIN b ON a.x = b.y} WHERE a.z = 1";
    SQLCHAR out[200];
    SQLINTEGER length = 0;
    ASSERT_EQ(SQL_SUCCESS, SQLNativeSql(hdbc_, in, SQL_NTS, out, sizeof out, &length));
    EXPECT_STREQ("SELECT * FROM  a, b WHERE a.x *= b.y AND (a.z = 1)",
                 reinterpret_cast<char*>(out));
    SQLCHAR full[] = "SELECT * FROM {oj a FULL OUTER JOIN b ON a.x = b.y}";
    EXPECT_EQ(SQL_ERROR, SQLNativeSql(hdbc_, full, SQL_NTS, out, sizeof out, &length));
    EXPECT_EQ("37000", records(nullptr, hdbc_).at(0).state);
}

TEST_F(Execute, PrepareAndExecuteFollowTheStateRules) {
    connect();
    // Nothing prepared.
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    EXPECT_EQ("S1010", firstState());
    // A failed prepare leaves nothing to execute and nothing to skip.
    EXPECT_EQ(SQL_ERROR, prepare("echo {d '95-7-4'}"));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    EXPECT_EQ("S1010", firstState());
    EXPECT_EQ(SQL_ERROR, prepare("echo {d '95-7-4'}"));
    EXPECT_EQ("37000", firstState());
    ASSERT_EQ(SQL_SUCCESS, prepare("echo {d '1995-07-04'} {fn UCASE(x)}"));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(" '1995-07-04'  UCASE(x)", report());
    // Executing again needs no new prepare; the same text again is kept.
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(SQL_SUCCESS, prepare("echo {d '1995-07-04'} {fn UCASE(x)}"));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    // An execution error keeps the plan of a prepared statement.
    ASSERT_EQ(SQL_SUCCESS, prepare("error 61"));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    EXPECT_EQ("S1000", firstState());
    // SQL_NOSCAN leaves escapes alone.
    ASSERT_EQ(SQL_SUCCESS, SQLSetStmtOption(hstmt_, SQL_NOSCAN, SQL_NOSCAN_ON));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, execDirect("echo {d '95'}"));
    EXPECT_EQ("{d '95'}", report());
}

TEST_F(Execute, NativeParametersReachTheDriverConverted) {
    connect();
    char name[] = "abc";
    SQLINTEGER number = -12;
    SQLLEN numberLength = 0;
    char date[] = "1995-07-04";
    SQLLEN nullIndicator = SQL_NULL_DATA;
    ASSERT_EQ(SQL_SUCCESS, prepare("params"));
    SQLSMALLINT count = -1;
    EXPECT_EQ(SQL_SUCCESS, SQLNumParams(hstmt_, &count));
    EXPECT_EQ(0, count);
    ASSERT_EQ(SQL_SUCCESS, prepare("params ? ? ? ? '?'"));
    EXPECT_EQ(SQL_SUCCESS, SQLNumParams(hstmt_, &count));
    EXPECT_EQ(4, count);
    // A marker left unbound.
    ASSERT_EQ(SQL_SUCCESS, bindText(1, name));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    std::vector<Record> errors = records();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("07001", errors[0].state);
    EXPECT_EQ("Value has not been specified for parameter 2.", errors[0].message);
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                            0, &number, 0, &numberLength));
    ASSERT_EQ(SQL_SUCCESS, bindText(3, date, SQL_DATE, 10));
    ASSERT_EQ(SQL_SUCCESS, bindText(4, nullptr, SQL_VARCHAR, 5, &nullIndicator));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ("1=abc 2=-12 3=1995-07-04 4=NULL", report());
    // A value that does not convert names its parameter.
    char bad[] = "12a";
    ASSERT_EQ(SQL_SUCCESS, bindText(1, bad, SQL_INTEGER, 10));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    errors = records();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("22005", errors[0].state);
    EXPECT_NE(std::string::npos, errors[0].message.find(" Error in parameter 1."))
        << errors[0].message;
    // C type and SQL type that do not convert.
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 1, SQL_PARAM_INPUT, SQL_C_DATE, SQL_INTEGER, 0,
                                            0, date, 0, nullptr));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    errors = records();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("07006", errors[0].state);
    EXPECT_EQ("Unable to convert parameter 1.  Cannot convert from C type 9 to SQL type 4.",
              errors[0].message);
}

TEST_F(Execute, ParameterValidationChecksPrecisionAndScale) {
    connect();
    ASSERT_EQ(SQL_SUCCESS, prepare("params ?"));
    char stamp[] = "1995-07-04 10:30:45";
    // Precision 16: to the minute.
    ASSERT_EQ(SQL_SUCCESS, bindText(1, stamp, SQL_TIMESTAMP, 16));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ("1=1995-07-04 10:30:00", report());
    ASSERT_EQ(SQL_SUCCESS, bindText(1, stamp, SQL_TIMESTAMP, 20));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    std::vector<Record> errors = records();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("S1104", errors[0].state);
    EXPECT_EQ("Timestamp parameters with zero scale must have a precision of 13, 16, or 19.  "
              "Parameter number: 1, precision: 20.",
              errors[0].message);
    ASSERT_EQ(SQL_SUCCESS, bindText(1, stamp, SQL_VARCHAR, 0));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    EXPECT_EQ("S1104", firstState());
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 5,
                                            -1, stamp, 0, nullptr));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    EXPECT_EQ("S1094", firstState());
    // Output parameters need a driver that has them.
    EXPECT_EQ(SQL_ERROR, SQLBindParameter(hstmt_, 2, SQL_PARAM_OUTPUT, SQL_C_CHAR, SQL_VARCHAR, 5,
                                          0, stamp, 5, nullptr));
    EXPECT_EQ("S1105", firstState());
}

TEST_F(Execute, DataAtExecutionCollectsPiecesInOrder) {
    connect();
    SQLLEN atExec = SQL_DATA_AT_EXEC;
    SQLLEN longAtExec = SQL_LEN_DATA_AT_EXEC(0);
    SQLINTEGER number = 7;
    char token1[] = "first";
    char token2[] = "second";
    ASSERT_EQ(SQL_SUCCESS, prepare("params ? ? ?"));
    ASSERT_EQ(SQL_SUCCESS, bindText(1, token1, SQL_VARCHAR, 6, &atExec));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                            0, &number, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, bindText(3, token2, SQL_LONGVARCHAR, 100, &longAtExec));
    // SQLPutData before SQLParamData names a parameter.
    EXPECT_EQ(SQL_NEED_DATA, SQLExecute(hstmt_));
    EXPECT_EQ(SQL_ERROR, SQLPutData(hstmt_, token1, 2));
    EXPECT_EQ("S1010", firstState());
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(token1, token);
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, const_cast<char*>("abc"), 3));
    // Beyond the VARCHAR precision: cut with 01004.
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLPutData(hstmt_, const_cast<char*>("defgh"), SQL_NTS));
    EXPECT_EQ("01004", firstState());
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(token2, token);
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, const_cast<char*>("long "), SQL_NTS));
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, const_cast<char*>("value"), SQL_NTS));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLParamData(hstmt_, &token));
    EXPECT_EQ("1=abcdef 2=7 3=long value", report());
    // Beyond a LONGVARCHAR precision: 22001.
    ASSERT_EQ(SQL_SUCCESS, bindText(3, token2, SQL_LONGVARCHAR, 4, &longAtExec));
    ASSERT_EQ(SQL_NEED_DATA, SQLExecute(hstmt_));
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, nullptr, SQL_NULL_DATA));
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(SQL_ERROR, SQLPutData(hstmt_, const_cast<char*>("12345"), 5));
    EXPECT_EQ("22001", firstState());
    // An error ends the execution; the statement stays prepared.
    ASSERT_EQ(SQL_NEED_DATA, SQLExecute(hstmt_));
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, nullptr, SQL_NULL_DATA));
    // Data after NULL.
    EXPECT_EQ(SQL_ERROR, SQLPutData(hstmt_, const_cast<char*>("x"), 1));
    EXPECT_EQ("S1011", firstState());
    ASSERT_EQ(SQL_NEED_DATA, SQLExecute(hstmt_));
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, nullptr, SQL_NULL_DATA));
    ASSERT_EQ(SQL_NEED_DATA, SQLParamData(hstmt_, &token));
    EXPECT_EQ(SQL_SUCCESS, SQLPutData(hstmt_, const_cast<char*>("1234"), 4));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLParamData(hstmt_, &token));
    EXPECT_EQ("1=NULL 2=7 3=1234", report());
}

TEST_F(Execute, ParameterArraysRunEveryRow) {
    connect();
    SQLINTEGER numbers[3] = {10, 20, 30};
    char names[3][4] = {"a", "bb", "ccc"};
    SQLLEN nameLengths[3] = {SQL_NTS, 2, SQL_NULL_DATA};
    SQLULEN processed = 0;
    ASSERT_EQ(SQL_SUCCESS, prepare("params ? ?"));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 1, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                            0, numbers, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_CHAR, 3, 0,
                                            names, 4, nameLengths));
    ASSERT_EQ(SQL_SUCCESS, SQLParamOptions(hstmt_, 3, &processed));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(3u, processed);
    std::vector<Record> all = records();
    ASSERT_EQ(3u, all.size());
    EXPECT_EQ("1=10 2=a", all[0].message);
    EXPECT_EQ("1=20 2=bb", all[1].message);
    EXPECT_EQ("1=30 2=NULL", all[2].message);
}

TEST_F(Execute, DefaultParameterValuesNeedADriverThatHasThem) {
    connect();
    SQLLEN useDefault = SQL_DEFAULT_PARAM;
    ASSERT_EQ(SQL_SUCCESS, prepare("params ?"));
    ASSERT_EQ(SQL_SUCCESS, bindText(1, nullptr, SQL_VARCHAR, 5, &useDefault));
    EXPECT_EQ(SQL_ERROR, SQLExecute(hstmt_));
    std::vector<Record> errors = records();
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("S1C00", errors[0].state);
    EXPECT_EQ("Default parameters values are not suppported by this database.", errors[0].message);
    SQLFreeStmt(hstmt_, SQL_DROP);
    hstmt_ = nullptr;
    SQLDisconnect(hdbc_);
    connect("Caps=0x200");
    ASSERT_EQ(SQL_SUCCESS, prepare("params ?"));
    ASSERT_EQ(SQL_SUCCESS, bindText(1, nullptr, SQL_VARCHAR, 5, &useDefault));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ("1=DEFAULT", report());
}

TEST_F(Execute, SubstitutionWritesTheExactLiterals) {
    connect("Params=text");
    char quoted[] = "it's";
    SQLINTEGER number = 42;
    double real = 3.14159265358;
    DATE_STRUCT date = {1995, 7, 4};
    TIMESTAMP_STRUCT stamp = {1995, 7, 4, 10, 30, 45, 500000000};
    unsigned char bytes[] = {0xAB, 0x01};
    unsigned char bit = 1;
    SQLLEN nullIndicator = SQL_NULL_DATA;
    SQLLEN byteCount = 2;
    char escaped[] = "{d '2001-02-03'}";
    ASSERT_EQ(SQL_SUCCESS, prepare("echo ?|?|?|?|?|?|?|?|?|'?'"));
    ASSERT_EQ(SQL_SUCCESS, bindText(1, quoted, SQL_VARCHAR, 3));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 2, SQL_PARAM_INPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                            0, &number, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 3, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0,
                                            0, &real, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 4, SQL_PARAM_INPUT, SQL_C_DATE, SQL_DATE, 10, 0,
                                            &date, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 5, SQL_PARAM_INPUT, SQL_C_TIMESTAMP,
                                            SQL_TIMESTAMP, 21, 1, &stamp, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 6, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_BINARY, 2,
                                            0, bytes, 2, &byteCount));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 7, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0,
                                            &bit, 0, nullptr));
    ASSERT_EQ(SQL_SUCCESS, bindText(8, nullptr, SQL_INTEGER, 10, &nullIndicator));
    ASSERT_EQ(SQL_SUCCESS, bindText(9, escaped, SQL_DATE, 10));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    std::vector<Record> all = records();
    ASSERT_EQ(2u, all.size());
    // The value cut to its precision warns first.
    EXPECT_EQ("01004", all[0].state);
    // Cut to three characters, then quoted; numbers stand between blanks;
    // dates, bits and binaries are the driver's literals; a text with an
    // escape clause is expanded.
    EXPECT_EQ("'it'''| 42 | 3.14159265358E0 |'1995-07-04'|'1995-07-04 10:30:45.5'|X'AB01'|1|"
              "NULL| '2001-02-03'|'?'",
              all[1].message);
}

// The application's "café" (CP1252) reaches the data source as CP437
// (é is 0x82 there). The driver echoes the bytes it got in its message,
// which the connection reads as CP437 for a Unicode caller: é again, where
// an untranslated 0xE9 would be CP437's Greek theta.
TEST_F(Execute, TranslationLibrarySendsParametersInTheDataSourceCharacterSet) {
    std::string text = "DSN=trndsn;CharSet=CP437";
    ASSERT_TRUE(
        SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    char value[] = "caf\xE9";
    ASSERT_EQ(SQL_SUCCESS, prepare("params ?"));
    ASSERT_EQ(SQL_SUCCESS, bindText(1, value));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(u"1=caf\u00e9", wideReport());
    // Substituted into the text, likewise.
    SQLFreeStmt(hstmt_, SQL_DROP);
    hstmt_ = nullptr;
    SQLDisconnect(hdbc_);
    text = "DSN=trndsn;Params=text;CharSet=CP437";
    ASSERT_TRUE(
        SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    ASSERT_EQ(SQL_SUCCESS, prepare("echo ?"));
    ASSERT_EQ(SQL_SUCCESS, bindText(1, value));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(u"'caf\u00e9'", wideReport());
}

// Wide text substituted into the statement: in the connection's character
// set, and cut to the precision in whole characters.
TEST_F(Execute, WideParametersAreSubstitutedInTheConnectionsCharacterSet) {
    std::string text = "DSN=tstdsn;Params=text;CharSet=CP1252";
    ASSERT_TRUE(
        SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    std::u16string value = u"€uro";
    ASSERT_EQ(SQL_SUCCESS, prepare("echo ?"));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_VARCHAR,
                                            20, 0, value.data(), 0, nullptr));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(u"'€uro'", wideReport()); // 0x80 in CP1252
    SQLFreeStmt(hstmt_, SQL_DROP);
    hstmt_ = nullptr;
    SQLDisconnect(hdbc_);
    text = "DSN=tstdsn;Params=text";
    ASSERT_TRUE(
        SQL_SUCCEEDED(SQLDriverConnect(hdbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    ASSERT_EQ(SQL_SUCCESS, SQLAllocStmt(hdbc_, &hstmt_));
    std::u16string cjk = u"日本語";
    ASSERT_EQ(SQL_SUCCESS, prepare("echo ?"));
    ASSERT_EQ(SQL_SUCCESS, SQLBindParameter(hstmt_, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_VARCHAR, 2,
                                            0, cjk.data(), 0, nullptr));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, SQLExecute(hstmt_));
    EXPECT_EQ(wideReports(),
              (std::vector<std::u16string>{u"Data truncated, parameter 1.", u"'日本'"}));
}

} // namespace
