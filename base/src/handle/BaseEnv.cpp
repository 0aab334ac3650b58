#include "base/BaseEnv.h"

#include <mutex>

#include "handle/BaseHandleLock.h"

BaseEnv::BaseEnv(OdbcDriverNumber driverNumber)
    : errorList_(nullptr), driverNumber_(driverNumber) {}

BaseEnv::~BaseEnv() = default;

VxStatus BaseEnv::initialize() { return VX_SUCCESS; }

bool BaseEnv::threadCheck() {
    std::lock_guard<std::mutex> lock(baseHandleMutex());
    if (flags_.load() & ENV_BUSY)
        return true;
    flags_.fetch_or(ENV_BUSY);
    return false;
}

void BaseEnv::threadDone() { flags_.fetch_and(~static_cast<std::uint32_t>(ENV_BUSY)); }

VxStatus BaseEnv::standardEntrance() {
    errorList_.deleteNodes();
    VxErrorKeeper::setErrorList(&errorList_);
    return VX_SUCCESS;
}

SQLRETURN BaseEnv::standardExit(SQLRETURN rc) {
    if (rc == SQL_SUCCESS && errorList_.getErrorsMix() == ERRORS_MIX_WARNINGS)
        rc = SQL_SUCCESS_WITH_INFO;
    VxErrorKeeper::giveUpErrorList();
    threadDone();
    return rc;
}
