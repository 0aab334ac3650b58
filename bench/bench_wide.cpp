// bench_wide: times opening, describing and reading one row of tables of
// 1,000, 4,000 and 16,000 columns through the driver manager: a table
// defined in "VXTXT.INI" and a CSV file whose header line is guessed.
// Each figure is the best of five runs of connect, SELECT *, SQLDescribeCol
// and SQLGetData of every column, fetch and disconnect; time per column
// that stays flat as the width grows shows linear work.
//
// Usage: bench_wide <path of libKWTXT08.so> [scratch directory]
#include <sql.h>
#include <sqlext.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int RUNS = 5;

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

std::string valueLine(unsigned count) {
    std::string line;
    for (unsigned i = 1; i <= count; ++i)
        line += (i > 1 ? "," : "") + ("v" + std::to_string(i));
    return line + "\r\n";
}

// A defined table W<count> in wide<count>.txt and a guessed guess<count>.csv.
void writeTables(const std::string& dir, const unsigned* counts, int n) {
    std::string ini = "[Defined Tables]\r\n";
    for (int k = 0; k < n; ++k)
        ini += "wide" + std::to_string(counts[k]) + ".txt=W" + std::to_string(counts[k]) + "\r\n";
    for (int k = 0; k < n; ++k) {
        const unsigned count = counts[k];
        ini += "[W" + std::to_string(count) + "]\r\nFILE=wide" + std::to_string(count) +
               ".txt\r\nFLN=0\r\nTT=Comma\r\nCharset=ANSI\r\n";
        std::string header;
        for (unsigned i = 1; i <= count; ++i) {
            ini += "FIELD" + std::to_string(i) + "=C" + std::to_string(i) + ",VARCHAR,8,0,8,0,\r\n";
            header += (i > 1 ? ",N" : "N") + std::to_string(i);
        }
        std::ofstream(dir + "/wide" + std::to_string(count) + ".txt") << valueLine(count);
        std::ofstream(dir + "/guess" + std::to_string(count) + ".csv") << header << "\r\n"
                                                                       << valueLine(count);
    }
    std::ofstream(dir + "/VXTXT.INI") << ini;
}

// Seconds for one connect, open, describe, read and disconnect; < 0 on failure.
double runOnce(SQLHENV env, const std::string& connection, const std::string& table,
               unsigned columns) {
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    auto start = std::chrono::steady_clock::now();
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!check(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)connection.c_str(), SQL_NTS, nullptr, 0,
                                nullptr, SQL_DRIVER_NOPROMPT),
               SQL_HANDLE_DBC, dbc, "connect"))
        return -1;
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
    const std::string sql = "SELECT * FROM " + table;
    if (!check(SQLExecDirect(stmt, (SQLCHAR*)sql.c_str(), SQL_NTS), SQL_HANDLE_STMT, stmt,
               "select"))
        return -1;
    SQLSMALLINT count = 0;
    SQLNumResultCols(stmt, &count);
    if (static_cast<unsigned>(count) != columns) {
        std::fprintf(stderr, "%s: %d columns, expected %u\n", table.c_str(), count, columns);
        return -1;
    }
    SQLCHAR name[64];
    char value[64];
    SQLSMALLINT nameLength, type, scale, nullable;
    SQLULEN precision;
    SQLLEN length;
    for (SQLUSMALLINT i = 1; i <= count; ++i)
        SQLDescribeCol(stmt, i, name, sizeof name, &nameLength, &type, &precision, &scale,
                       &nullable);
    if (!check(SQLFetch(stmt), SQL_HANDLE_STMT, stmt, "fetch"))
        return -1;
    for (SQLUSMALLINT i = 1; i <= count; ++i)
        SQLGetData(stmt, i, SQL_C_CHAR, value, sizeof value, &length);
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double best(SQLHENV env, const std::string& connection, const std::string& table,
            unsigned columns) {
    double fastest = -1;
    for (int run = 0; run < RUNS; ++run) {
        double seconds = runOnce(env, connection, table, columns);
        if (seconds < 0)
            return -1;
        if (fastest < 0 || seconds < fastest)
            fastest = seconds;
    }
    return fastest;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_wide <path of libKWTXT08.so> [scratch directory]\n");
        return 2;
    }
    std::string dir = argc > 2 ? argv[2] : "/tmp/bench_wide";
    mkdir(dir.c_str(), 0700);
    const unsigned counts[] = {1000, 4000, 16000};
    writeTables(dir, counts, 3);

    SQLHENV env = SQL_NULL_HENV;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    const std::string connection = std::string("DRIVER=") + argv[1] + ";Database=" + dir +
                                   ";FirstLineNames=1;ExtraExtensions=csv";
    std::printf("%8s  %12s %12s  %12s %12s\n", "columns", "defined ms", "us/column", "guessed ms",
                "us/column");
    int status = 0;
    for (unsigned count : counts) {
        double defined = best(env, connection, "W" + std::to_string(count), count);
        double guessed = best(env, connection, "guess" + std::to_string(count) + ".csv", count);
        if (defined < 0 || guessed < 0) {
            status = 1;
            continue;
        }
        std::printf("%8u  %12.1f %12.2f  %12.1f %12.2f\n", count, defined * 1e3,
                    defined * 1e6 / count, guessed * 1e3, guessed * 1e6 / count);
    }
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return status;
}
