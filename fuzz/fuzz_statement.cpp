// Whole statements through a driver's entry points: the in-memory test
// driver (the flat engine over seeded tables) runs the input as one
// statement of any kind (SELECT, INSERT, UPDATE, DELETE, CREATE and DROP
// TABLE, escapes included) on a fresh connection, and a result is fetched.
// Every outcome must be a return code with its records.
#include <sql.h>
#include <sqlext.h>

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Rows fetched at most per input.
constexpr int MAX_ROWS = 64;

struct Handles {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    Handles() {
        if (SQLAllocEnv(&env) != SQL_SUCCESS || SQLAllocConnect(env, &dbc) != SQL_SUCCESS)
            __builtin_trap();
    }
};

void drainErrors(SQLHENV env, SQLHDBC dbc, SQLHSTMT stmt) {
    SQLCHAR state[6];
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (int n = 0; n < 16; ++n)
        if (!SQL_SUCCEEDED(
                SQLError(env, dbc, stmt, state, &native, message, sizeof message, &length)))
            break;
}

// Whether a FROM list names more than MAX_TABLES tables (commas and JOINs
// counted roughly, words read as the SQL tokenizer reads them: a number
// ends where its digits do, so "55FROM" is 55 and FROM). The cross product
// of that many seeded tables is as long to run as SQL asks it to be, which
// is no fault: such inputs are left out rather than timed out.
constexpr int MAX_TABLES = 6;

bool isWordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '$';
}

bool namesManyTables(const std::string& text) {
    int tables = 0;
    bool inFrom = false;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            while (at < text.size() &&
                   (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == '.'))
                ++at;
            continue;
        }
        if (isWordCharacter(c)) {
            std::string word;
            for (; at < text.size() && isWordCharacter(text[at]); ++at)
                word += static_cast<char>(std::toupper(static_cast<unsigned char>(text[at])));
            if (word == "FROM") {
                inFrom = true;
                tables = 1;
            } else if (word == "JOIN" && inFrom) {
                ++tables;
            } else if (word == "WHERE" || word == "GROUP" || word == "ORDER" || word == "HAVING" ||
                       word == "UNION") {
                inFrom = false;
            }
        } else {
            if (c == ',' && inFrom)
                ++tables;
            ++at;
        }
        if (tables > MAX_TABLES)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (namesManyTables(text))
        return 0;
    static Handles* h = new Handles;
    static char connect[] = "Database=.";
    if (!SQL_SUCCEEDED(SQLDriverConnect(h->dbc, nullptr, reinterpret_cast<SQLCHAR*>(connect),
                                        SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT)))
        __builtin_trap();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (SQLAllocStmt(h->dbc, &stmt) != SQL_SUCCESS)
        __builtin_trap();
    SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(&text[0]),
                                 static_cast<SQLINTEGER>(text.size()));
    if (SQL_SUCCEEDED(rc)) {
        SQLSMALLINT columns = 0;
        SQLNumResultCols(stmt, &columns);
        for (int row = 0; columns > 0 && row < MAX_ROWS; ++row) {
            if (!SQL_SUCCEEDED(SQLFetch(stmt)))
                break;
            for (SQLSMALLINT c = 1; c <= columns; ++c) {
                char value[64];
                SQLLEN length = 0;
                SQLGetData(stmt, static_cast<SQLUSMALLINT>(c), SQL_C_CHAR, value, sizeof value,
                           &length);
            }
        }
    }
    drainErrors(h->env, h->dbc, stmt);
    SQLFreeStmt(stmt, SQL_DROP);
    SQLDisconnect(h->dbc);
    return 0;
}
