#include "base/BaseCall.h"

#include "base/BaseConnection.h"
#include "base/BaseEnv.h"
#include "base/BaseStatement.h"

BaseEnvCall::BaseEnvCall(BaseEnv& env) : env_(env), busy_(env.threadCheck()) {
    if (busy_)
        return;
    open_ = true;
    entranceFailed_ = env_.standardEntrance() != VX_SUCCESS;
}

BaseEnvCall::~BaseEnvCall() {
    if (open_)
        (void)env_.standardExit(SQL_ERROR);
}

SQLRETURN BaseEnvCall::finish(SQLRETURN rc) {
    open_ = false;
    return env_.standardExit(entranceFailed_ ? SQL_ERROR : rc);
}

BaseConnectionCall::BaseConnectionCall(BaseConnection& connection, unsigned short api,
                                       ThreadCheckTypes type)
    : connection_(connection), busy_(connection.threadCheck(type)) {
    if (busy_)
        return;
    open_ = true;
    entranceFailed_ = connection_.standardEntrance(api) != VX_SUCCESS;
}

BaseConnectionCall::~BaseConnectionCall() {
    if (open_)
        (void)connection_.standardExit(SQL_ERROR);
}

SQLRETURN BaseConnectionCall::finish(SQLRETURN rc) {
    open_ = false;
    return connection_.standardExit(entranceFailed_ ? SQL_ERROR : rc);
}

BaseStatementCall::BaseStatementCall(BaseStatement& statement, unsigned short api)
    : statement_(statement), busy_(statement.threadCheck()) {
    if (busy_)
        return;
    open_ = true;
    entranceFailed_ = statement_.standardEntrance(api) != VX_SUCCESS;
}

BaseStatementCall::~BaseStatementCall() {
    if (open_)
        (void)statement_.standardExit(SQL_ERROR);
}

SQLRETURN BaseStatementCall::finish(SQLRETURN rc) {
    open_ = false;
    return statement_.standardExit(entranceFailed_ ? SQL_ERROR : rc);
}
