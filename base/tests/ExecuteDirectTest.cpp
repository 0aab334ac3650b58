// Statement preparation called directly on the framework classes, where a
// test must reach inside: positioned statements (the cursor's columns are
// marked as identifying their row), {?=call} with its return value,
// parameters generated and re-prepared texts, and pending executions.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include "TstConnection.h"
#include "TstStatement.h"
#include "base/BaseEnv.h"
#include "base/BaseField.h"
#include "base/BaseParam.h"
#include "base/BaseSqlString.h"
#include "util/mds.h"

namespace {

struct Record {
    std::string state;
    std::string message;
};

class ExecuteDirect : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mdsPerTaskInit());
        connect("");
    }
    void TearDown() override {
        EXPECT_EQ(SQL_SUCCESS, connection_.SQLDisconnect());
        mdsPerTaskTerm();
    }
    void connect(const std::string& rest) {
        std::string text = "DRIVER=x;DB=main;" + rest;
        ASSERT_TRUE(SQL_SUCCEEDED(
            connection_.SQLDriverConnect(nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                         nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)));
    }
    // A statement of the connection (destroyed when it disconnects).
    TstStatement* statement() { return new TstStatement(connection_); }
    static SQLRETURN exec(BaseStatement* s, std::string text) {
        return s->SQLExecDirect(reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    }
    static SQLRETURN prepare(BaseStatement* s, std::string text) {
        return s->SQLPrepare(reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS);
    }
    static std::vector<Record> records(BaseStatement* s) {
        std::vector<Record> out;
        SQLCHAR state[6];
        SQLCHAR message[600];
        SQLSMALLINT length = 0;
        const std::string prefix = "[BRELLMONT][ODBC Test driver]";
        while (s->getErrorList().SQLError(state, nullptr, message, sizeof message, &length) !=
               SQL_NO_DATA_FOUND) {
            std::string text = reinterpret_cast<char*>(message);
            if (text.compare(0, prefix.size(), prefix) == 0)
                text.erase(0, prefix.size());
            out.push_back({reinterpret_cast<char*>(state), text});
        }
        return out;
    }
    // A SELECT ... FOR UPDATE named `name` with columns a (INTEGER) and b
    // (VARCHAR) over two rows; the columns whose numbers are in `keys`
    // identify their row.
    TstStatement* openCursor(const char* name, std::vector<std::uint16_t> keys,
                             const char* forUpdate = " FOR UPDATE") {
        TstStatement* cursor = statement();
        SQLCHAR cursorName[32];
        std::strcpy(reinterpret_cast<char*>(cursorName), name);
        EXPECT_EQ(SQL_SUCCESS, cursor->SQLSetCursorName(cursorName, SQL_NTS));
        EXPECT_EQ(SQL_SUCCESS, exec(cursor, std::string("SELECT a, b FROM t") + forUpdate +
                                                ";column a INTEGER;column b VARCHAR 10;"
                                                "row 5|five;row 6|six"));
        SQLSMALLINT count = 0;
        EXPECT_EQ(SQL_SUCCESS, cursor->SQLNumResultCols(&count));
        for (std::uint16_t key : keys)
            cursor->getField(key)->setAttributeFlags(BaseField::FLD_IDENTIFIES_ROW);
        return cursor;
    }

    BaseEnv env_{static_cast<OdbcDriverNumber>(99)};
    TstConnection connection_{env_};
};

TEST_F(ExecuteDirect, PositionedUpdateBecomesASearchOverTheCurrentRow) {
    TstStatement* cursor = openCursor("c1", {1, 2});
    TstStatement* update = statement();
    // Not yet on a row.
    EXPECT_EQ(SQL_ERROR, exec(update, "UPDATE t SET x = 1;params WHERE CURRENT OF c1"));
    std::vector<Record> errors = records(update);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("24000", errors[0].state);
    ASSERT_EQ(SQL_SUCCESS, cursor->SQLFetch());
    ASSERT_EQ(SQL_SUCCESS, cursor->SQLFetch());
    ASSERT_EQ(SQL_SUCCESS,
              prepare(update, "UPDATE t SET x = 1;rowcount 2;params WHERE CURRENT OF c1"));
    // Column names quoted as the data source quotes identifiers.
    char quote[4] = "";
    if (connection_.getInfo(SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote) != VX_SUCCESS ||
        std::string(quote) == " ")
        quote[0] = 0;
    std::string q = quote;
    EXPECT_EQ("UPDATE t SET x = 1;rowcount 2;params WHERE (" + q + "a" + q + " =     ?) AND (" + q +
                  "b" + q + " =     ?)",
              update->compiled_);
    // The application's markers come first; none here.
    EXPECT_EQ(0, update->getNumParams());
    EXPECT_EQ(2, update->getActualNumParams());
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, update->SQLExecute());
    errors = records(update);
    ASSERT_EQ(2u, errors.size());
    EXPECT_EQ("1=6 2=six", errors[0].message);
    EXPECT_EQ("01S04", errors[1].state);
    EXPECT_EQ("More than one row was affected by CURRENT-OF-CURSOR emulation.", errors[1].message);
    // No row affected.
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, exec(update, "DELETE FROM t;rowcount 0 WHERE CURRENT OF c1"));
    errors = records(update);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("01S03", errors[0].state);
}

TEST_F(ExecuteDirect, PositionedStatementsNeedAnUpdatableCursorWithUsableColumns) {
    TstStatement* update = statement();
    EXPECT_EQ(SQL_ERROR, exec(update, "UPDATE t SET x = 1 WHERE CURRENT OF nosuch"));
    std::vector<Record> errors = records(update);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("34000", errors[0].state);
    EXPECT_EQ("Unable to locate SELECT statement with cursor named in this statement's "
              "CURRENT-OF-CURSOR clause.",
              errors[0].message);
    openCursor("plain", {1}, "");
    EXPECT_EQ(SQL_ERROR, exec(update, "UPDATE t SET x = 1 WHERE CURRENT OF plain"));
    EXPECT_EQ("34000", records(update).at(0).state);
    openCursor("nokeys", {});
    EXPECT_EQ(SQL_ERROR, exec(update, "UPDATE t SET x = 1 WHERE CURRENT OF nokeys"));
    errors = records(update);
    ASSERT_EQ(1u, errors.size());
    EXPECT_EQ("Statement with cursor named in this statement's CURRENT-OF-CURSOR does not contain "
              "any columns useable for selecting a unique row.",
              errors[0].message);
}

TEST_F(ExecuteDirect, DroppedCursorIsNotFollowed) {
    TstStatement* cursor = openCursor("c2", {1});
    ASSERT_EQ(SQL_SUCCESS, cursor->SQLFetch());
    TstStatement* update = statement();
    ASSERT_EQ(SQL_SUCCESS, prepare(update, "UPDATE t SET x = 1 WHERE CURRENT OF c2"));
    ASSERT_EQ(SQL_SUCCESS, cursor->SQLFreeStmt(SQL_DROP));
    EXPECT_EQ(SQL_ERROR, update->SQLExecute());
    EXPECT_EQ("34000", records(update).at(0).state);
}

TEST_F(ExecuteDirect, DriversWithPositionedStatementsGetTheirCursorName) {
    connection_.setFlag(BaseConnection::CONN_POSITIONED_UPDATE, true);
    connection_.setFlag(BaseConnection::CONN_FOR_UPDATE, true);
    TstStatement* cursor = openCursor("c3", {1});
    EXPECT_NE(std::string::npos, cursor->compiled_.find("FOR UPDATE"));
    TstStatement* update = statement();
    ASSERT_EQ(SQL_SUCCESS, prepare(update, "UPDATE t SET x = 1 WHERE CURRENT OF \"c3\""));
    EXPECT_EQ("UPDATE t SET x = 1 WHERE CURRENT OF c3", update->compiled_);
    connection_.setFlag(BaseConnection::CONN_FOR_UPDATE, false);
    TstStatement* plain = openCursor("c4", {1});
    EXPECT_EQ(std::string::npos, plain->compiled_.find("FOR UPDATE"));
}

TEST_F(ExecuteDirect, ReturnValueCallTakesParameterOne) {
    connection_.setFlag(BaseConnection::CONN_RETURN_VALUE_PARAM, true);
    TstStatement* call = statement();
    ASSERT_EQ(SQL_SUCCESS, prepare(call, "params {?=call p(?)}"));
    EXPECT_EQ("params  CALL p(?)", call->compiled_);
    EXPECT_EQ(2, call->getNumParams());
    EXPECT_EQ(1, call->getActualNumParams());
    EXPECT_EQ(call->getParam(2), call->getActualParam(1));
    SQLINTEGER result = 99;
    SQLLEN resultIndicator = 0;
    char argument[] = "arg";
    ASSERT_EQ(SQL_SUCCESS, call->SQLBindParameter(1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                                  0, &result, 0, &resultIndicator));
    ASSERT_EQ(SQL_SUCCESS, call->SQLBindParameter(2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0,
                                                  argument, 0, nullptr));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, call->SQLExecute());
    EXPECT_EQ("2=arg", records(call).at(0).message);
    // The return value reads NULL until the driver writes one.
    EXPECT_EQ(SQL_NULL_DATA, resultIndicator);
    // Without an indicator the return value cannot be reported.
    ASSERT_EQ(SQL_SUCCESS, call->SQLBindParameter(1, SQL_PARAM_OUTPUT, SQL_C_SLONG, SQL_INTEGER, 0,
                                                  0, &result, 0, nullptr));
    EXPECT_EQ(SQL_ERROR, call->SQLExecute());
    EXPECT_EQ("22002", records(call).at(0).state);
}

TEST_F(ExecuteDirect, PreparationRulesOfTheConnection) {
    // Double quotes become back quotes under WorkArounds bit 17.
    connection_.setWorkArounds(connection_.getWorkArounds() | (1u << 17));
    TstStatement* s = statement();
    ASSERT_EQ(SQL_SUCCESS, prepare(s, "succeed \"x\""));
    EXPECT_EQ("succeed `x`", s->compiled_);
    // Autocommit off: preparing opens the transaction.
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLSetConnectOption(SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF));
    ASSERT_EQ(SQL_SUCCESS, prepare(s, "succeed"));
    EXPECT_EQ(1, connection_.transactionsStarted_);
    EXPECT_TRUE(connection_.hasFlag(BaseConnection::CONN_IN_TRANSACTION));
    ASSERT_EQ(SQL_SUCCESS, connection_.SQLTransact(SQL_COMMIT));
}

TEST_F(ExecuteDirect, BindingsSurviveReExecutionAndResetParamsDropsThem) {
    TstStatement* s = statement();
    char value[] = "v";
    ASSERT_EQ(SQL_SUCCESS, s->SQLBindParameter(1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0,
                                               value, 0, nullptr));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, exec(s, "params ?"));
    EXPECT_EQ(SQL_SUCCESS, s->SQLFreeStmt(SQL_CLOSE));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, exec(s, "params ?"));
    EXPECT_EQ("1=v", records(s).at(0).message);
    EXPECT_EQ(SQL_SUCCESS, s->SQLFreeStmt(SQL_RESET_PARAMS));
    EXPECT_EQ(SQL_ERROR, exec(s, "params ?"));
    EXPECT_EQ("07001", records(s).at(0).state);
    // More than 16384 parameters.
    EXPECT_EQ(SQL_ERROR, s->SQLBindParameter(16385, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0,
                                             value, 0, nullptr));
    EXPECT_EQ("S1002", records(s).at(0).state);
}

TEST_F(ExecuteDirect, ParameterRowsNeedTheBufferLengthOfCharacterValues) {
    TstStatement* s = statement();
    char names[2][4] = {"a", "b"};
    SQLULEN processed = 0;
    ASSERT_EQ(SQL_SUCCESS, prepare(s, "params ?"));
    // A buffer length of -1 makes an input parameter whatever its type.
    ASSERT_EQ(SQL_SUCCESS, s->SQLBindParameter(1, SQL_PARAM_OUTPUT, SQL_C_CHAR, SQL_CHAR, 3, 0,
                                               names, -1, nullptr));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, s->SQLExecute());
    EXPECT_EQ("1=a", records(s).at(0).message);
    ASSERT_EQ(SQL_SUCCESS, s->SQLParamOptions(2, &processed));
    EXPECT_EQ(SQL_ERROR, s->SQLExecute());
    std::vector<Record> errors = records(s);
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ("07001", errors[0].state);
    EXPECT_EQ("To use SQLParamOptions with this driver, you must also use SQLBindParameter and "
              "specify a valid cbValueMax for parameter 1.",
              errors[0].message);
    EXPECT_EQ(1u, processed);
}

TEST_F(ExecuteDirect, CancelDuringDataAtExecutionReturnsToThePreparedState) {
    TstStatement* s = statement();
    char buffer[8] = "";
    SQLLEN atExec = SQL_DATA_AT_EXEC;
    ASSERT_EQ(SQL_SUCCESS, prepare(s, "params ?"));
    ASSERT_EQ(SQL_SUCCESS, s->SQLBindParameter(1, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 5, 0,
                                               buffer, 0, &atExec));
    ASSERT_EQ(SQL_NEED_DATA, s->SQLExecute());
    SQLPOINTER token = nullptr;
    ASSERT_EQ(SQL_NEED_DATA, s->SQLParamData(&token));
    ASSERT_EQ(SQL_SUCCESS, s->SQLPutData(const_cast<char*>("abc"), 3));
    EXPECT_NE(nullptr, s->getParam(1)->data_);
    EXPECT_EQ(SQL_SUCCESS, s->SQLCancel());
    EXPECT_EQ(BaseStatement::STMT_PREPARED, s->getState());
    EXPECT_EQ(nullptr, s->getParam(1)->data_);
    EXPECT_EQ(SQL_ERROR, s->SQLParamData(&token));
    EXPECT_EQ("S1010", records(s).at(0).state);
    // The next execution starts afresh.
    ASSERT_EQ(SQL_NEED_DATA, s->SQLExecute());
    ASSERT_EQ(SQL_NEED_DATA, s->SQLParamData(&token));
    ASSERT_EQ(SQL_SUCCESS, s->SQLPutData(const_cast<char*>("xy"), SQL_NTS));
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, s->SQLParamData(&token));
    EXPECT_EQ("1=xy", records(s).at(0).message);
}

TEST_F(ExecuteDirect, PendingExecutionResumesWhereItStopped) {
    TstStatement* s = statement();
    EXPECT_EQ(SQL_STILL_EXECUTING, exec(s, "pending warning 8 6067"));
    EXPECT_EQ(SQL_ERROR, s->SQLExecute());
    EXPECT_EQ(SQL_SUCCESS_WITH_INFO, exec(s, "ignored"));
    EXPECT_EQ("01S02", records(s).at(0).state);
    EXPECT_EQ(BaseStatement::STMT_EXECUTED, s->getState());
}

} // namespace
