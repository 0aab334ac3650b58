// The ODBC functions the end-to-end tests call, as a table: the driver
// manager's own functions in one test program, the test driver's entry
// points found with dlopen in the other. The tests in OdbcCommonTests.cpp
// run through either.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>

struct OdbcApi {
    decltype(&::SQLAllocEnv) allocEnv;
    decltype(&::SQLAllocConnect) allocConnect;
    decltype(&::SQLAllocStmt) allocStmt;
    decltype(&::SQLConnect) connect;
    decltype(&::SQLDisconnect) disconnect;
    decltype(&::SQLFreeStmt) freeStmt;
    decltype(&::SQLFreeConnect) freeConnect;
    decltype(&::SQLFreeEnv) freeEnv;
    decltype(&::SQLError) error;
    decltype(&::SQLExecDirect) execDirect;
    decltype(&::SQLNativeSql) nativeSql;
    decltype(&::SQLTransact) transact;
    decltype(&::SQLPrepare) prepare;
    decltype(&::SQLDriverConnect) driverConnect;
    decltype(&::SQLBrowseConnect) browseConnect;
    decltype(&::SQLSetConnectOption) setConnectOption;
    decltype(&::SQLGetConnectOption) getConnectOption;
};

// Defined by each test program.
const OdbcApi& odbc();
bool odbcThroughDriverManager();

// One record as SQLError returned it.
struct OdbcRecord {
    SQLRETURN rc;
    std::string sqlState;
    SQLINTEGER native;
    std::string message;
    SQLSMALLINT length;
};

OdbcRecord readError(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLSMALLINT bufferSize = 512);
SQLRETURN execDirect(SQLHSTMT hstmt, const std::string& text);
SQLRETURN nativeSql(SQLHDBC hdbc, const std::string& text);
// SQLNativeSql whose output text is returned in *out.
SQLRETURN nativeSql(SQLHDBC hdbc, const std::string& text, std::string* out);
// SQLDriverConnect without a window; *out receives the completed string.
SQLRETURN driverConnect(SQLHDBC hdbc, const std::string& text, std::string* out = nullptr);
// SQLBrowseConnect; *out receives the answer.
SQLRETURN browseConnect(SQLHDBC hdbc, const std::string& text, std::string* out);
// "DRIVER=<test driver library>;" + rest.
std::string driverString(const std::string& rest);
