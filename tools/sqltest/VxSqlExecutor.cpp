// Runs vxsqltest records through ODBC; see VxSqlExecutor.h.
#include "VxSqlExecutor.h"

#include <algorithm>
#include <cstring>

namespace {

// Longest value read from one column, a guard against a driver that never
// stops returning data.
const size_t kMaxValueBytes = 64u << 20;

SQLCHAR* sqlText(const std::string& text) {
    return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str()));
}

std::string returnCodeName(SQLRETURN rc) {
    switch (rc) {
    case SQL_SUCCESS:
        return "SQL_SUCCESS";
    case SQL_SUCCESS_WITH_INFO:
        return "SQL_SUCCESS_WITH_INFO";
    case SQL_ERROR:
        return "SQL_ERROR";
    case SQL_INVALID_HANDLE:
        return "SQL_INVALID_HANDLE";
    case SQL_NO_DATA:
        return "SQL_NO_DATA";
    case SQL_NEED_DATA:
        return "SQL_NEED_DATA";
    case SQL_STILL_EXECUTING:
        return "SQL_STILL_EXECUTING";
    default:
        return "return code " + std::to_string(rc);
    }
}

void appendIndented(std::string& report, const std::string& title, const std::string& text) {
    report += "  " + title + ":\n";
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        report += "      " + text.substr(pos, end - pos) + "\n";
        pos = end + 1;
    }
}

void appendDiagnostics(std::string& report, const std::vector<VxSqlDiagnostic>& diagnostics) {
    if (diagnostics.empty()) {
        report += "  diagnostics: none\n";
        return;
    }
    report += "  diagnostics:\n";
    for (size_t i = 0; i < diagnostics.size(); ++i) {
        const VxSqlDiagnostic& d = diagnostics[i];
        report += "      [" + std::to_string(i + 1) + "] SQLSTATE " + d.state + ", native " +
                  std::to_string(d.native) + ": " + d.message + "\n";
    }
}

// Checks a return code and the first diagnostic record against what the
// record expects. On a mismatch, summary says what differs.
bool meetsExpectation(SQLRETURN expected, const VxSqlRecord& record, SQLRETURN rc,
                      const std::vector<VxSqlDiagnostic>& diagnostics, std::string& summary) {
    if (expected == SQL_SUCCESS) {
        if (rc == SQL_SUCCESS || rc == SQL_NO_DATA) {
            return true;
        }
        summary = "expected success, got " + returnCodeName(rc);
        if (rc == SQL_SUCCESS_WITH_INFO) {
            summary += " (declare an expected warning with \"statement warning\")";
        }
        return false;
    }
    std::string wanted = returnCodeName(expected) + " with SQLSTATE " + record.expectedState;
    if (rc != expected) {
        summary = "expected " + wanted + ", got " + returnCodeName(rc);
        return false;
    }
    if (diagnostics.empty()) {
        summary = "expected " + wanted + ", got no diagnostic record";
        return false;
    }
    const VxSqlDiagnostic& first = diagnostics[0];
    if (first.state != record.expectedState) {
        summary = "expected " + wanted + ", got SQLSTATE " + first.state;
        return false;
    }
    if (record.hasExpectedMessage && first.message != record.expectedMessage) {
        summary = "SQLSTATE " + first.state + " as expected, but the message differs\n" +
                  "  expected message: " + record.expectedMessage + "\n" +
                  "  actual message:   " + first.message;
        return false;
    }
    return true;
}

SQLRETURN expectedReturn(const VxSqlRecord& record) {
    switch (record.kind) {
    case VxSqlRecordKind::StatementError:
        return SQL_ERROR;
    case VxSqlRecordKind::StatementWarning:
        return SQL_SUCCESS_WITH_INFO;
    case VxSqlRecordKind::Connect:
        return record.expectFailure ? SQL_ERROR : SQL_SUCCESS;
    default:
        return SQL_SUCCESS;
    }
}

using VxSqlRow = std::vector<std::string>;

// Sorts written values as the record's sort mode asks.
void sortValues(std::vector<std::string>& values, const VxSqlRecord& record) {
    if (record.sortMode == VxSqlSortMode::ValueSort) {
        std::sort(values.begin(), values.end());
        return;
    }
    if (record.sortMode != VxSqlSortMode::RowSort) {
        return;
    }
    size_t width = record.types.size();
    std::vector<VxSqlRow> rows;
    for (size_t i = 0; i + width <= values.size(); i += width) {
        rows.emplace_back(values.begin() + i, values.begin() + i + width);
    }
    std::sort(rows.begin(), rows.end());
    values.clear();
    for (const VxSqlRow& row : rows) {
        values.insert(values.end(), row.begin(), row.end());
    }
}

// Lists values one per line, marking with '!' those that differ from other.
void appendValues(std::string& report, const std::string& title,
                  const std::vector<std::string>& values, const std::vector<std::string>& other) {
    const size_t kShown = 200;
    report += "  " + title + " (" + std::to_string(values.size()) + " values):\n";
    for (size_t i = 0; i < values.size() && i < kShown; ++i) {
        bool same = i < other.size() && other[i] == values[i];
        report += (same ? "      " : "    ! ") + values[i] + "\n";
    }
    if (values.size() > kShown) {
        report += "      ... " + std::to_string(values.size() - kShown) + " more\n";
    }
}

} // namespace

std::vector<VxSqlDiagnostic> vxSqlDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::vector<VxSqlDiagnostic> diagnostics;
    for (SQLSMALLINT number = 1; number < 1000; ++number) {
        VxSqlDiagnostic d;
        SQLCHAR state[6] = {0};
        std::vector<SQLCHAR> text(512);
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRec(handleType, handle, number, state, &d.native, text.data(),
                                     static_cast<SQLSMALLINT>(text.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(text.size())) {
            text.resize(static_cast<size_t>(length) + 1);
            rc = SQLGetDiagRec(handleType, handle, number, state, &d.native, text.data(),
                               static_cast<SQLSMALLINT>(text.size()), &length);
        }
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            break;
        }
        d.state.assign(reinterpret_cast<char*>(state), strnlen(reinterpret_cast<char*>(state), 5));
        size_t used =
            std::min(static_cast<size_t>(std::max<SQLSMALLINT>(length, 0)), text.size() - 1);
        d.message.assign(reinterpret_cast<char*>(text.data()), used);
        diagnostics.push_back(d);
    }
    return diagnostics;
}

VxSqlExecutor::~VxSqlExecutor() {
    disconnect();
    if (env_ != SQL_NULL_HENV) {
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
}

bool VxSqlExecutor::open(int odbcVersion, std::string& error) {
    if (SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_) != SQL_SUCCESS) {
        error = "cannot allocate an ODBC environment";
        return false;
    }
    SQLULEN version = odbcVersion == 3 ? SQL_OV_ODBC3 : SQL_OV_ODBC2;
    SQLRETURN rc =
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(version), 0);
    if (rc != SQL_SUCCESS) {
        error = "cannot declare ODBC version " + std::to_string(odbcVersion);
        return false;
    }
    return true;
}

void VxSqlExecutor::disconnect() {
    if (dbc_ == SQL_NULL_HDBC) {
        return;
    }
    if (connected_) {
        SQLDisconnect(dbc_);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = SQL_NULL_HDBC;
    connected_ = false;
}

bool VxSqlExecutor::connect(const std::string& connectionString, std::string& report) {
    VxSqlRecord record;
    record.kind = VxSqlRecordKind::Connect;
    record.sql = connectionString;
    return runConnect(record, connectionString, report);
}

bool VxSqlExecutor::runConnect(const VxSqlRecord& record, const std::string& defaultConnection,
                               std::string& report) {
    disconnect();
    const std::string& text = record.sql.empty() ? defaultConnection : record.sql;
    if (SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_) != SQL_SUCCESS) {
        dbc_ = SQL_NULL_HDBC;
        report = "cannot allocate a connection handle\n";
        return false;
    }
    SQLCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, sqlText(text), SQL_NTS, out, sizeof out,
                                    &outLength, SQL_DRIVER_NOPROMPT);
    std::vector<VxSqlDiagnostic> diagnostics = vxSqlDiagnostics(SQL_HANDLE_DBC, dbc_);
    connected_ = rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
    if (!connected_) {
        disconnect();
    }
    // A connection may well succeed with informational messages.
    SQLRETURN seen = rc == SQL_SUCCESS_WITH_INFO ? SQL_SUCCESS : rc;
    std::string summary;
    if (meetsExpectation(expectedReturn(record), record, seen, diagnostics, summary)) {
        return true;
    }
    report = "connect: " + summary + "\n";
    appendIndented(report, "connection string", text);
    appendDiagnostics(report, diagnostics);
    return false;
}

bool VxSqlExecutor::run(const VxSqlRecord& record, const std::string& defaultConnection,
                        std::string& report) {
    switch (record.kind) {
    case VxSqlRecordKind::Connect:
        return runConnect(record, defaultConnection, report);
    case VxSqlRecordKind::Query:
        return runQuery(record, report);
    case VxSqlRecordKind::Halt:
        return true;
    default:
        return runStatement(record, report);
    }
}

bool VxSqlExecutor::execute(const VxSqlRecord& record, SQLHSTMT& statement, SQLRETURN& rc,
                            std::string& report) {
    if (!connected_) {
        report = "no connection: the last connect failed\n";
        appendIndented(report, "SQL", record.sql);
        return false;
    }
    rc = SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement);
    if (rc != SQL_SUCCESS) {
        report = "cannot allocate a statement handle: " + returnCodeName(rc) + "\n";
        appendDiagnostics(report, vxSqlDiagnostics(SQL_HANDLE_DBC, dbc_));
        return false;
    }
    rc = SQLExecDirect(statement, sqlText(record.sql), static_cast<SQLINTEGER>(record.sql.size()));
    return true;
}

bool VxSqlExecutor::runStatement(const VxSqlRecord& record, std::string& report) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLRETURN rc = SQL_SUCCESS;
    if (!execute(record, statement, rc, report)) {
        return false;
    }
    std::vector<VxSqlDiagnostic> diagnostics = vxSqlDiagnostics(SQL_HANDLE_STMT, statement);
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    std::string summary;
    if (meetsExpectation(expectedReturn(record), record, rc, diagnostics, summary)) {
        return true;
    }
    report = "statement: " + summary + "\n";
    appendIndented(report, "SQL", record.sql);
    appendDiagnostics(report, diagnostics);
    return false;
}

bool VxSqlExecutor::runQuery(const VxSqlRecord& record, std::string& report) {
    SQLHSTMT statement = SQL_NULL_HSTMT;
    SQLRETURN rc = SQL_SUCCESS;
    if (!execute(record, statement, rc, report)) {
        return false;
    }
    std::vector<std::string> actual;
    SQLSMALLINT columns = 0;
    if (rc != SQL_SUCCESS) {
        report = "query: expected success, got " + returnCodeName(rc) + "\n";
        appendDiagnostics(report, vxSqlDiagnostics(SQL_HANDLE_STMT, statement));
    } else if (SQLNumResultCols(statement, &columns) != SQL_SUCCESS) {
        report = "query: SQLNumResultCols failed\n";
        appendDiagnostics(report, vxSqlDiagnostics(SQL_HANDLE_STMT, statement));
    } else if (static_cast<size_t>(columns) != record.types.size()) {
        report = "query: expected " + std::to_string(record.types.size()) +
                 " columns, the result has " + std::to_string(columns) + "\n";
    } else {
        fetchAll(statement, columns, actual, report);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    if (!report.empty()) {
        std::string head = report.substr(0, report.find('\n') + 1);
        std::string rest = report.substr(head.size());
        report = head;
        appendIndented(report, "SQL", record.sql);
        report += rest;
        return false;
    }
    std::vector<std::string> expected = record.expectedValues;
    sortValues(expected, record);
    sortValues(actual, record);
    if (actual == expected) {
        return true;
    }
    report = "query: the result differs\n";
    appendIndented(report, "SQL", record.sql);
    appendValues(report, "expected", expected, actual);
    appendValues(report, "actual", actual, expected);
    return false;
}

bool VxSqlExecutor::fetchAll(SQLHSTMT statement, SQLSMALLINT columns,
                             std::vector<std::string>& values, std::string& report) {
    size_t row = 0;
    while (true) {
        SQLRETURN rc = SQLFetch(statement);
        if (rc == SQL_NO_DATA) {
            return true;
        }
        ++row;
        if (rc != SQL_SUCCESS) {
            report = "query: SQLFetch of row " + std::to_string(row) + " returned " +
                     returnCodeName(rc) + "\n";
            appendDiagnostics(report, vxSqlDiagnostics(SQL_HANDLE_STMT, statement));
            return false;
        }
        for (SQLSMALLINT column = 1; column <= columns; ++column) {
            std::string written;
            if (!fetchValue(statement, static_cast<SQLUSMALLINT>(column), written, report)) {
                report = "query: row " + std::to_string(row) + ", " + report;
                return false;
            }
            values.push_back(written);
        }
    }
}

bool VxSqlExecutor::fetchValue(SQLHSTMT statement, SQLUSMALLINT column, std::string& written,
                               std::string& report) {
    std::string value;
    char buffer[256];
    const SQLLEN capacity = sizeof buffer;
    while (value.size() <= kMaxValueBytes) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, buffer, capacity, &indicator);
        if (rc == SQL_NO_DATA && !value.empty()) {
            break;
        }
        bool piece = false;
        if (rc == SQL_SUCCESS_WITH_INFO) {
            std::vector<VxSqlDiagnostic> d = vxSqlDiagnostics(SQL_HANDLE_STMT, statement);
            piece = !d.empty() && d[0].state == "01004";
        }
        if (rc != SQL_SUCCESS && !piece) {
            report = "column " + std::to_string(column) + ": SQLGetData returned " +
                     returnCodeName(rc) + "\n";
            appendDiagnostics(report, vxSqlDiagnostics(SQL_HANDLE_STMT, statement));
            return false;
        }
        if (indicator == SQL_NULL_DATA) {
            written = vxSqlWriteValue("", true);
            return true;
        }
        if (piece) {
            value.append(buffer, static_cast<size_t>(capacity - 1));
            continue;
        }
        size_t length = indicator >= 0 && indicator < capacity
                            ? static_cast<size_t>(indicator)
                            : strnlen(buffer, static_cast<size_t>(capacity - 1));
        value.append(buffer, length);
        break;
    }
    if (value.size() > kMaxValueBytes) {
        report = "column " + std::to_string(column) + ": value longer than " +
                 std::to_string(kMaxValueBytes) + " bytes\n";
        return false;
    }
    written = vxSqlWriteValue(value, false);
    return true;
}
