// BaseDriver: the work of the entry points that create, free and report on
// handles, and the task's shared connection.
#include "base/BaseDriver.h"

#include <sqlext.h>

#include "base/BaseConnection.h"
#include "base/BaseDsnInfo.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"
#include "base/BaseStatement.h"
#include "util/mds.h"

namespace {
// WorkArounds bit 2: a source with one active connection is shared by the
// task.
constexpr std::uint32_t SHARE_SINGLE_CONNECTION = 4;
} // namespace

BaseDriver::~BaseDriver() = default;

BaseEnv* BaseDriver::newEnv() {
    return new BaseEnv(getDriverNumber());
}

// No handle exists yet, so failures leave no error record.
SQLRETURN BaseDriver::allocEnv(SQLHENV* phenv) {
    *phenv = nullptr;
    if (!mdsPerTaskInit())
        return SQL_ERROR;
    BaseEnv* env = newEnv();
    if (!env || env->initialize() != VX_SUCCESS) {
        delete env;
        mdsPerTaskTerm();
        return SQL_ERROR;
    }
    *phenv = env;
    return SQL_SUCCESS;
}

SQLRETURN BaseDriver::allocConnect(SQLHENV henv, SQLHDBC* phdbc) {
    BaseEnv& env = *static_cast<BaseEnv*>(henv);
    BaseEnvCall call(env);
    if (call.isBusy())
        return BASE_BUSY;
    // A full share count (15 extra handles) gets a connection of its own.
    BaseConnection* shared = getSharedConnection();
    if (shared && shared->addShare()) {
        *phdbc = shared;
        return call.finish(SQL_SUCCESS);
    }
    BaseConnection* connection = newConnection(env);
    if (!connection || connection->initialize() != VX_SUCCESS) {
        delete connection;
        *phdbc = nullptr;
        return call.finish(SQL_ERROR);
    }
    *phdbc = connection;
    return call.finish(SQL_SUCCESS);
}

// On failure the output handle is left as it was.
SQLRETURN BaseDriver::allocStmt(SQLHDBC hdbc, SQLHSTMT* phstmt) {
    BaseConnection& connection = *static_cast<BaseConnection*>(hdbc);
    BaseConnectionCall call(connection, SQL_API_SQLALLOCSTMT);
    if (call.isBusy())
        return BASE_BUSY;
    BaseStatement* statement = newStatement(connection);
    if (!statement)
        return call.finish(SQL_ERROR);
    if (statement->initialize() != VX_SUCCESS) {
        delete statement;
        return call.finish(SQL_ERROR);
    }
    *phstmt = statement;
    return call.finish(SQL_SUCCESS);
}

// An environment that still has connections is not freed: they count on
// it until they are freed themselves.
SQLRETURN BaseDriver::freeEnv(SQLHENV henv) {
    auto* env = static_cast<BaseEnv*>(henv);
    if (env->getConnectionCount() > 0) {
        BaseEnvCall call(*env);
        if (call.isBusy())
            return BASE_BUSY;
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    delete env;
    mdsPerTaskTerm();
    return SQL_SUCCESS;
}

// A shared connection only loses one handle; otherwise the connection and
// its statements are destroyed (an open connection to the data source is
// not closed: the application disconnects first).
SQLRETURN BaseDriver::freeConnect(SQLHDBC hdbc) {
    auto* connection = static_cast<BaseConnection*>(hdbc);
    if (connection->removeShare())
        return SQL_SUCCESS;
    delete connection;
    return SQL_SUCCESS;
}

// The most specific handle given is read, under its busy mark but without
// the entrance: its list must not be emptied.
namespace {

// An ODBC 3 application receives ODBC 3 SQLSTATEs.
SQLRETURN withOdbc3State(SQLRETURN rc, const BaseEnv& env, SQLCHAR* szSqlState) {
    if (szSqlState && env.isOdbc3() && (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO))
        baseOdbc3SqlState(reinterpret_cast<char*>(szSqlState));
    return rc;
}

} // namespace

SQLRETURN BaseDriver::error(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLCHAR* szSqlState,
                            SQLINTEGER* pfNativeError, SQLCHAR* szErrorMsg,
                            SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg) {
    SQLRETURN rc;
    if (hstmt) {
        auto* statement = static_cast<BaseStatement*>(hstmt);
        if (statement->threadCheck())
            return BASE_BUSY;
        rc = statement->getErrorList().SQLError(szSqlState, pfNativeError, szErrorMsg,
                                                cbErrorMsgMax, pcbErrorMsg);
        statement->threadDone();
        return withOdbc3State(rc, statement->getConnection().getEnv(), szSqlState);
    }
    if (hdbc) {
        auto* connection = static_cast<BaseConnection*>(hdbc);
        if (connection->threadCheck(THREAD_CHECK_CONNECTION))
            return BASE_BUSY;
        rc = connection->getErrorList().SQLError(szSqlState, pfNativeError, szErrorMsg,
                                                 cbErrorMsgMax, pcbErrorMsg);
        connection->threadDone();
        return withOdbc3State(rc, connection->getEnv(), szSqlState);
    }
    if (!henv)
        return SQL_INVALID_HANDLE;
    auto* env = static_cast<BaseEnv*>(henv);
    if (env->threadCheck())
        return BASE_BUSY;
    rc = env->getErrorList().SQLError(szSqlState, pfNativeError, szErrorMsg, cbErrorMsgMax,
                                      pcbErrorMsg);
    env->threadDone();
    return withOdbc3State(rc, *env, szSqlState);
}

SQLRETURN BaseDriver::driverConnect(SQLHDBC hdbc, SQLHWND hwnd, SQLCHAR* szConnStrIn,
                                    SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut,
                                    SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
                                    SQLUSMALLINT fDriverCompletion) {
    auto* connection = static_cast<BaseConnection*>(hdbc);
    SQLRETURN rc = connection->SQLDriverConnect(hwnd, szConnStrIn, cbConnStrIn, szConnStrOut,
                                                cbConnStrOutMax, pcbConnStrOut, fDriverCompletion);
    if (rc != SQL_SUCCESS || !(connection->getWorkArounds() & SHARE_SINGLE_CONNECTION))
        return rc;
    SQLUSMALLINT active = 0;
    if (connection->getInfo(SQL_ACTIVE_CONNECTIONS, &active, sizeof active) == VX_SUCCESS &&
        active == 1)
        recordSharedConnection(*connection);
    return rc;
}

const SetupInfo* BaseDriver::getSetupTable(std::uint16_t* count) const {
    *count = 0;
    return nullptr;
}

int BaseDriver::configDsn(SQLHWND hwndParent, unsigned short request, const char* driver,
                          const char* attributes) {
    std::uint16_t count = 0;
    const SetupInfo* table = getSetupTable(&count);
    DSNInfoStruct info(hwndParent, request, driver && *driver ? driver : getSetupDescription(),
                       attributes, table, count);
    bool needDialog = false;
    return info.config(&needDialog) == VX_SUCCESS ? 1 : 0;
}

BaseConnection* BaseDriver::getSharedConnection() const {
    if (mdsGetPerTaskData(PER_TASK_SHARED_DATUM) != this)
        return nullptr;
    return static_cast<BaseConnection*>(mdsGetPerTaskData(PER_TASK_SHARED_CONNECTION));
}

void BaseDriver::recordSharedConnection(BaseConnection& connection) {
    mdsSetPerTaskData(PER_TASK_SHARED_CONNECTION, &connection);
    mdsSetPerTaskData(PER_TASK_SHARED_DATUM, this);
}

void BaseDriver::forgetSharedConnection(const BaseConnection& connection) {
    if (mdsGetPerTaskData(PER_TASK_SHARED_CONNECTION) != &connection)
        return;
    mdsSetPerTaskData(PER_TASK_SHARED_CONNECTION, nullptr);
    mdsSetPerTaskData(PER_TASK_SHARED_DATUM, nullptr);
}
