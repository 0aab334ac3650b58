// Oci7Session: one logon, i.e. one SQLite connection to the database file
// that the logon string names, with Oracle's transaction rules on top.
//
// Transactions: with autocommit off (the state after logon) the first
// change opens a SQLite transaction that lasts until commit or rollback;
// DDL commits what is pending before it runs. With autocommit on every
// statement commits by itself. Locks wait up to 10 seconds; a query with
// FOR UPDATE NOWAIT does not wait (ORA-00054).
#pragma once

#include <set>
#include <string>

#include "Oci7Errors.h"

struct sqlite3;

namespace oci7 {

class Cursor;

class Session {
public:
    // Logs on with `uid` ("user[/password][@database]") and, when not
    // null, `password` on its own. Answers the session or the error.
    static Error logon(const std::string& uid, const std::string* password, Session** out);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    sqlite3* db() const { return db_; }
    const std::string& user() const { return user_; }
    bool autocommit() const { return autocommit_; }

    Error setAutocommit(bool on);
    Error commit();
    Error rollback();
    // Opens the transaction of autocommit-off mode before a change;
    // `immediate` takes the write lock now (FOR UPDATE), without waiting
    // when `nowait`.
    Error beginWork(bool immediate, bool nowait);
    // Commits what is pending before DDL.
    Error beforeDdl();
    // Fills the dictionary views when the schema changed since last time.
    Error refreshDictionary();
    void dictionaryChanged() { dictionaryVersion_ = -1; }

    // The last error of the session, whose text oerhms gives.
    void setLastError(const Error& e) { lastError_ = e; }
    const Error& lastError() const { return lastError_; }

    void attach(Cursor* c) { cursors_.insert(c); }
    void detach(Cursor* c) { cursors_.erase(c); }

private:
    Session() = default;
    Error exec(const char* sql);

    sqlite3* db_ = nullptr;
    std::string user_;
    bool autocommit_ = false;
    long long dictionaryVersion_ = -1;
    Error lastError_;
    std::set<Cursor*> cursors_;
};

} // namespace oci7
