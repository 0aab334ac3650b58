// The entrance/exit protocol of every ODBC call on a handle, as scope
// objects.
//
//     SQLRETURN BaseStatement::SQLCancel() {
//         BaseStatementCall call(*this, SQL_API_SQLCANCEL);
//         if (call.isBusy())
//             return BASE_BUSY;
//         ...work that raises errors without naming the handle...
//         return call.finish(rc);
//     }
//
// Construction makes the busy check (a busy handle is left untouched,
// error list included) and, when the handle was free, the entrance: the
// handle's list is emptied and installed as the calling thread's current
// list. finish is the exit: SQL_SUCCESS becomes SQL_SUCCESS_WITH_INFO when
// the list holds warnings only, the list is given up and the busy marks are
// cleared. A scope left without finish (which the methods never do) still
// gives up the list and clears the marks.
#pragma once

#include <sql.h>

#include "util/VxExport.h"
#include "util/VxStatus.h"

class BaseEnv;
class BaseConnection;
class BaseStatement;

// Returned at once by every call on a busy handle. Not an ODBC code.
constexpr SQLRETURN BASE_BUSY = 9999;

// The busy check of a connection call: the connection alone, or the
// connection and every one of its statements (SQLTransact and some
// connection options).
enum ThreadCheckTypes : int {
    THREAD_CHECK_CONNECTION = 0,
    THREAD_CHECK_CONNECTION_WIDE = 1,
};

// SQL_SUCCESS for VX_SUCCESS, SQL_ERROR for VX_ERROR.
inline SQLRETURN baseReturnCode(VxStatus status) {
    return status == VX_SUCCESS ? SQL_SUCCESS : SQL_ERROR;
}

class VX_EXPORT BaseEnvCall {
public:
    explicit BaseEnvCall(BaseEnv& env);
    ~BaseEnvCall();
    BaseEnvCall(const BaseEnvCall&) = delete;
    BaseEnvCall& operator=(const BaseEnvCall&) = delete;

    bool isBusy() const { return busy_; }
    SQLRETURN finish(SQLRETURN rc);

private:
    BaseEnv& env_;
    bool busy_;
    bool open_ = false;
    bool entranceFailed_ = false;
};

class VX_EXPORT BaseConnectionCall {
public:
    BaseConnectionCall(BaseConnection& connection, unsigned short api,
                       ThreadCheckTypes type = THREAD_CHECK_CONNECTION);
    ~BaseConnectionCall();
    BaseConnectionCall(const BaseConnectionCall&) = delete;
    BaseConnectionCall& operator=(const BaseConnectionCall&) = delete;

    bool isBusy() const { return busy_; }
    SQLRETURN finish(SQLRETURN rc);

private:
    BaseConnection& connection_;
    bool busy_;
    bool open_ = false;
    bool entranceFailed_ = false;
};

class VX_EXPORT BaseStatementCall {
public:
    BaseStatementCall(BaseStatement& statement, unsigned short api);
    ~BaseStatementCall();
    BaseStatementCall(const BaseStatementCall&) = delete;
    BaseStatementCall& operator=(const BaseStatementCall&) = delete;

    bool isBusy() const { return busy_; }
    SQLRETURN finish(SQLRETURN rc);

private:
    BaseStatement& statement_;
    bool busy_;
    bool open_ = false;
    bool entranceFailed_ = false;
};
