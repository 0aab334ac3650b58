// bench_scan: times "SELECT * FROM <table>" (or a whole SELECT statement)
// through the driver manager with every column bound as text, the way a
// reporting tool reads a table, and prints rows, seconds (wall and CPU) and
// rows per second.
//
// Usage: bench_scan <connection string> <table | statement> [label]
// (an argument with a blank in it is taken as the statement). With
// BENCH_GETDATA=1 in the environment the columns are read with SQLGetData
// after each fetch instead of being bound.
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void printDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    SQLCHAR state[6];
    SQLCHAR message[512];
    SQLINTEGER native;
    SQLSMALLINT length;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message,
                                          &length) == SQL_SUCCESS;
         ++i)
        std::fprintf(stderr, "  %s %d %s\n", state, static_cast<int>(native), message);
}

bool check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const char* what) {
    if (SQL_SUCCEEDED(rc))
        return true;
    std::fprintf(stderr, "%s failed (%d)\n", what, static_cast<int>(rc));
    printDiagnostics(type, handle);
    return false;
}

struct Column {
    std::vector<char> buffer;
    SQLLEN indicator = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_scan <connection string> <table | statement> [label]\n");
        return 2;
    }
    const std::string label = argc > 3 ? argv[3] : argv[1];
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    SQLCHAR out[1024];
    SQLSMALLINT outLength;
    if (!check(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)argv[1], SQL_NTS, out, sizeof out,
                                &outLength, SQL_DRIVER_NOPROMPT),
               SQL_HANDLE_DBC, dbc, "connect"))
        return 1;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);

    auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    std::string sql = argv[2];
    if (sql.find(' ') == std::string::npos)
        sql = "SELECT * FROM " + sql;
    if (!check(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_HANDLE_STMT, stmt,
               "execute"))
        return 1;
    const char* getDataMode = std::getenv("BENCH_GETDATA");
    const bool getData = getDataMode && getDataMode[0] == '1';
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt, &count);
    std::vector<Column> columns(count);
    for (SQLSMALLINT i = 0; i < count; ++i) {
        SQLULEN size = 0;
        SQLSMALLINT type, scale, nullable, nameLength;
        SQLCHAR name[256];
        SQLDescribeCol(stmt, i + 1, name, sizeof name, &nameLength, &type, &size, &scale,
                       &nullable);
        // Sized as applications size them: by the display size, which
        // holds any value of the column as text.
        SQLLEN display = 0;
        SQLColAttribute(stmt, i + 1, SQL_DESC_DISPLAY_SIZE, nullptr, 0, nullptr, &display);
        if (display <= 0)
            display = static_cast<SQLLEN>(size) + 2;
        columns[i].buffer.resize(display > 0 && display < 4096 ? display + 1 : 256);
        if (!getData)
            SQLBindCol(stmt, i + 1, SQL_C_CHAR, columns[i].buffer.data(),
                       static_cast<SQLLEN>(columns[i].buffer.size()), &columns[i].indicator);
    }
    long rows = 0;
    unsigned long checksum = 0;
    SQLRETURN rc;
    while ((rc = SQLFetch(stmt)) == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
        ++rows;
        for (SQLSMALLINT i = 0; getData && i < count; ++i)
            SQLGetData(stmt, i + 1, SQL_C_CHAR, columns[i].buffer.data(),
                       static_cast<SQLLEN>(columns[i].buffer.size()), &columns[i].indicator);
        checksum += static_cast<unsigned long>(columns.empty() ? 0 : columns[0].indicator);
    }
    if (rc != SQL_NO_DATA && !check(rc, SQL_HANDLE_STMT, stmt, "fetch"))
        return 1;
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    std::printf("%-12s %ld rows, %d columns, %.3f s, %.3f s CPU, %.0f rows/s (check %lu)\n",
                label.c_str(), rows, static_cast<int>(count), seconds, cpu, rows / seconds,
                checksum);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return 0;
}
