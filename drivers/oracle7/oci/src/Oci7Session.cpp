#include "Oci7Session.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cstdlib>

#include "Oci7Cursor.h"
#include "Oci7Dictionary.h"
#include "Oci7Functions.h"
#include "Oci7Sql.h"

namespace oci7 {

namespace {

constexpr int kLockWaitMs = 10000;

// The file of database `name` (see README.md).
std::string databasePath(std::string name) {
    if (name.empty()) {
        const char* dflt = std::getenv("VX_ORA7_DEFAULT");
        name = dflt != nullptr && *dflt != '\0' ? dflt : "default";
    }
    bool isPath = name.find('/') != std::string::npos ||
                  (name.size() > 3 && name.compare(name.size() - 3, 3, ".db") == 0);
    if (isPath)
        return name;
    const char* dir = std::getenv("VX_ORA7_DATA");
    std::string folder = dir != nullptr && *dir != '\0' ? dir : ".";
    return folder + "/" + name + ".db";
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Splits the logon string. With a separate password the string is
// "user[@database]"; otherwise "user[/password][@database]".
void splitLogon(const std::string& uid, bool separatePassword, std::string* user,
                std::string* password, std::string* database) {
    size_t at, slash = std::string::npos;
    if (separatePassword) {
        at = uid.find('@');
    } else {
        slash = uid.find('/');
        at = uid.find('@', slash == std::string::npos ? 0 : slash);
        if (slash != std::string::npos && at != std::string::npos && at < slash)
            slash = std::string::npos;
    }
    size_t userEnd = std::min(slash, at);
    *user = uid.substr(0, userEnd);
    if (slash != std::string::npos)
        *password =
            uid.substr(slash + 1, at == std::string::npos ? std::string::npos : at - slash - 1);
    if (at != std::string::npos)
        *database = uid.substr(at + 1);
}

// Checks the password against ORA$USERS when the database has that table.
Error checkUser(sqlite3* db, const std::string& user, const std::string& password) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT PASSWORD FROM \"ORA$USERS\" WHERE UPPER(USERNAME) = ?", -1,
                           &stmt, nullptr) != SQLITE_OK) {
        return Error(); // no user table: everybody is welcome
    }
    sqlite3_bind_text(stmt, 1, user.c_str(), -1, SQLITE_TRANSIENT);
    bool ok = false;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        const unsigned char* stored = sqlite3_column_text(stmt, 0);
        ok = stored != nullptr &&
             upperAscii(reinterpret_cast<const char*>(stored)) == upperAscii(password);
    }
    sqlite3_finalize(stmt);
    return ok ? Error() : makeError(1017);
}

} // namespace

Error Session::logon(const std::string& uid, const std::string* password, Session** out) {
    std::string user, pass, database;
    splitLogon(uid, password != nullptr, &user, &pass, &database);
    if (password != nullptr)
        pass = *password;
    // "/" logs on as the operating-system user, OPS$<login name>.
    if (user.empty() && !uid.empty() && uid[0] == '/' && pass.empty()) {
        const char* login = std::getenv("USER");
        if (login != nullptr && *login != '\0')
            user = std::string("OPS$") + login;
    }
    if (user.empty())
        return makeError(1017);
    std::string path = databasePath(database);
    if (!isRegularFile(path))
        return makeError(12154);
    Session* s = new Session();
    s->user_ = upperAscii(user);
    if (sqlite3_open_v2(path.c_str(), &s->db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        delete s;
        return makeError(12154);
    }
    sqlite3_busy_timeout(s->db_, kLockWaitMs);
    sqlite3_extended_result_codes(s->db_, 1);
    Error e = checkUser(s->db_, s->user_, pass);
    if (e.code == 0 && registerFunctions(s->db_, &s->user_) != SQLITE_OK)
        e = makeError(12154);
    if (e.code == 0)
        e = s->exec("PRAGMA journal_mode=WAL");
    if (e.code == 0)
        e = s->exec("PRAGMA case_sensitive_like=ON");
    if (e.code == 0)
        e = s->exec("PRAGMA foreign_keys=ON");
    if (e.code == 0)
        e = createDictionary(s->db_);
    if (e.code != 0) {
        delete s;
        return e;
    }
    *out = s;
    return Error();
}

Session::~Session() {
    for (Cursor* c : cursors_)
        c->orphan();
    if (db_ != nullptr) {
        if (!sqlite3_get_autocommit(db_))
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close_v2(db_);
    }
}

Error Session::exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return errorFromSqlite(sqlite3_extended_errcode(db_), sqlite3_errmsg(db_), user_);
    return Error();
}

Error Session::setAutocommit(bool on) {
    if (on && !autocommit_) {
        Error e = commit();
        if (e.code != 0)
            return e;
    }
    autocommit_ = on;
    return Error();
}

Error Session::commit() {
    if (sqlite3_get_autocommit(db_))
        return Error();
    return exec("COMMIT");
}

Error Session::rollback() {
    dictionaryChanged();
    if (sqlite3_get_autocommit(db_))
        return Error();
    return exec("ROLLBACK");
}

Error Session::beginWork(bool immediate, bool nowait) {
    if (!sqlite3_get_autocommit(db_) || (autocommit_ && !immediate))
        return Error();
    if (!immediate)
        return exec("BEGIN");
    // FOR UPDATE: take the write lock now. With autocommit on it is let go
    // at once, as the statement's implicit commit would.
    if (nowait)
        sqlite3_busy_timeout(db_, 0);
    Error e = exec("BEGIN IMMEDIATE");
    if (nowait)
        sqlite3_busy_timeout(db_, kLockWaitMs);
    if (e.code == 0 && autocommit_)
        e = exec("COMMIT");
    return e;
}

Error Session::beforeDdl() {
    return commit();
}

Error Session::refreshDictionary() {
    sqlite3_stmt* stmt = nullptr;
    long long version = 0;
    if (sqlite3_prepare_v2(db_, "PRAGMA main.schema_version", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    if (version == dictionaryVersion_)
        return Error();
    Error e = fillDictionary(db_, user_);
    if (e.code == 0)
        dictionaryVersion_ = version;
    return e;
}

} // namespace oci7
