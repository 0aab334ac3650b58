// Runs the records of a vxsqltest script through the ODBC driver manager, as
// an application would: one environment, one connection at a time, one
// statement handle per record (freed when the record ends).
//
// The environment declares the ODBC version chosen on the command line (2 by
// default), so the driver manager reports the SQLSTATEs of that version.
#pragma once

#include <string>
#include <vector>

#include <sql.h>
#include <sqlext.h>

#include "VxSqlScript.h"

// One diagnostic record, as SQLGetDiagRec returns it (message never cut).
struct VxSqlDiagnostic {
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
};

class VxSqlExecutor {
public:
    VxSqlExecutor() = default;
    ~VxSqlExecutor();
    VxSqlExecutor(const VxSqlExecutor&) = delete;
    VxSqlExecutor& operator=(const VxSqlExecutor&) = delete;

    // Allocates the environment for ODBC version 2 or 3. On failure, error
    // says why.
    bool open(int odbcVersion, std::string& error);

    // Connects with connectionString, closing any connection first. On
    // failure, report describes it with the diagnostic records.
    bool connect(const std::string& connectionString, std::string& report);

    // Closes the connection, if any.
    void disconnect();

    // Runs one record (not "halt"). Returns true when it met its
    // expectation; otherwise report holds a multi-line description of the
    // failure: first line a summary, then the SQL, expected and actual, and
    // every diagnostic record.
    bool run(const VxSqlRecord& record, const std::string& defaultConnection, std::string& report);

private:
    bool runStatement(const VxSqlRecord& record, std::string& report);
    bool runQuery(const VxSqlRecord& record, std::string& report);
    bool runConnect(const VxSqlRecord& record, const std::string& defaultConnection,
                    std::string& report);
    bool execute(const VxSqlRecord& record, SQLHSTMT& statement, SQLRETURN& rc,
                 std::string& report);
    bool fetchAll(SQLHSTMT statement, SQLSMALLINT columns, std::vector<std::string>& values,
                  std::string& report);
    bool fetchValue(SQLHSTMT statement, SQLUSMALLINT column, std::string& written,
                    std::string& report);

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    bool connected_ = false;
};

// All diagnostic records of a handle, first to last.
std::vector<VxSqlDiagnostic> vxSqlDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle);
