// BaseConnection: construction, destruction, busy marks, the entrance and
// exit of connection calls, the statement list and the buffered options.
#include "base/BaseConnection.h"

#include <mutex>

#include "base/BaseDriver.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"
#include "base/BaseStatement.h"
#include "handle/BaseHandleLock.h"
#include "util/ram.h"

BaseConnection::BaseConnection(BaseEnv& env) : env_(&env), errorList_(this) {
    env_->addConnection();
}

void BaseConnection::setSetupTable(const SetupInfo* table, std::uint16_t count,
                                   BasePasswordEntry password) {
    setupTable_ = table;
    setupCount_ = count;
    passwordEntry_ = password;
}

bool BaseConnection::yield() {
    return cancelRequested_.load();
}

namespace {
// Every asynchronous mode's routine: there is no message loop to pump.
void yieldNothing() {}
} // namespace

BaseConnection::YieldRoutine BaseConnection::yieldCallback() const {
    return &yieldNothing;
}

// Statements unlink themselves as they die, so they are deleted one at a
// time from the front rather than by the list.
BaseConnection::~BaseConnection() {
    BaseDriver::forgetSharedConnection(*this);
    env_->removeConnection();
    deleteBufferedOptions();
    while (BaseStatement* statement = getStatementAtPos(0))
        delete statement;
    unloadTranslationLibrary();
    freeBrowseState();
    ramFree(dataSourceName_);
    ramFree(userId_);
    ramFree(password_);
    ramFree(dbmsName_);
}

void BaseConnection::setFlag(std::uint32_t flag, bool on) {
    if (on)
        flags_.fetch_or(flag);
    else
        flags_.fetch_and(~flag);
}

bool BaseConnection::threadCheck(ThreadCheckTypes type) {
    std::lock_guard<std::mutex> lock(baseHandleMutex());
    if (hasFlag(CONN_BUSY))
        return true;
    bool wide = type == THREAD_CHECK_CONNECTION_WIDE;
    VxNode* node = statements_.head();
    for (std::uint32_t i = 0; wide && i < statements_.getCount(); ++i, node = node->next())
        if (static_cast<BaseStatement*>(node)->isBusy())
            return true;
    // A statement call takes its busy mark without the handle mutex, so one
    // may start between the look above and the marking: the marks are
    // taken one by one and given back when a statement got there first.
    std::uint32_t marked = 0;
    node = statements_.head();
    for (; wide && marked < statements_.getCount(); ++marked, node = node->next())
        if (static_cast<BaseStatement*>(node)->threadCheck())
            break;
    if (wide && marked < statements_.getCount()) {
        node = statements_.head();
        for (std::uint32_t i = 0; i < marked; ++i, node = node->next())
            static_cast<BaseStatement*>(node)->threadDone();
        return true;
    }
    setFlag(CONN_BUSY, true);
    setFlag(CONN_STATEMENTS_BUSY, wide);
    return false;
}

void BaseConnection::threadDone() {
    std::lock_guard<std::mutex> lock(baseHandleMutex());
    if (hasFlag(CONN_STATEMENTS_BUSY)) {
        VxNode* node = statements_.head();
        for (std::uint32_t i = 0; i < statements_.getCount(); ++i, node = node->next())
            static_cast<BaseStatement*>(node)->setFlag(BaseStatement::STMT_BUSY, false);
        setFlag(CONN_STATEMENTS_BUSY, false);
    }
    setFlag(CONN_BUSY, false);
}

VxStatus BaseConnection::standardEntrance(unsigned short api) {
    (void)api;
    errorList_.deleteNodes();
    VxErrorKeeper::setErrorList(&errorList_);
    return VX_SUCCESS;
}

SQLRETURN BaseConnection::standardExit(SQLRETURN rc) {
    if (rc == SQL_SUCCESS && errorList_.getErrorsMix() == ERRORS_MIX_WARNINGS)
        rc = SQL_SUCCESS_WITH_INFO;
    VxErrorKeeper::giveUpErrorList();
    threadDone();
    return rc;
}

SQLRETURN BaseConnection::unsupportedCall(unsigned short api, ThreadCheckTypes type) {
    BaseConnectionCall call(*this, api, type);
    if (call.isBusy())
        return BASE_BUSY;
    addOdbcError(ODBC_IM001);
    return call.finish(SQL_ERROR);
}

bool BaseConnection::addShare() {
    std::uint32_t value = workArounds_.load();
    do {
        if ((value & SHARE_COUNT_MASK) == SHARE_COUNT_MASK)
            return false;
    } while (!workArounds_.compare_exchange_weak(value, value + SHARE_COUNT_STEP));
    return true;
}

bool BaseConnection::removeShare() {
    std::uint32_t value = workArounds_.load();
    do {
        if ((value & SHARE_COUNT_MASK) == 0)
            return false;
    } while (!workArounds_.compare_exchange_weak(value, value - SHARE_COUNT_STEP));
    return true;
}

VxStatus BaseConnection::setDbmsName(const char* name) {
    char* copy = nullptr;
    if (name && !(copy = ramAllocStr(name)))
        return VX_ERROR;
    ramFree(dbmsName_);
    dbmsName_ = copy;
    return VX_SUCCESS;
}

BaseStatement* BaseConnection::getStatementAtPos(std::uint32_t pos) const {
    std::lock_guard<std::mutex> lock(baseHandleMutex());
    return static_cast<BaseStatement*>(statements_.getNodeAtPos(pos));
}

void BaseConnection::linkStatement(BaseStatement& statement) {
    std::lock_guard<std::mutex> lock(baseHandleMutex());
    statements_.append(&statement);
}

void BaseConnection::unlinkStatement(BaseStatement& statement) {
    std::lock_guard<std::mutex> lock(baseHandleMutex());
    statements_.unlink(&statement);
}

VxStatus BaseConnection::addBufferedOption(std::uint16_t option, SQLULEN value) {
    if (ramResizeArray(&bufferedOptions_, bufferedOptionCount_ + 1) != VX_SUCCESS)
        return VX_ERROR;
    bufferedOptions_[bufferedOptionCount_++] = BaseBufferedOption{option, value, nullptr};
    return VX_SUCCESS;
}

const BaseBufferedOption* BaseConnection::getSavedConnectOption(std::uint16_t option) const {
    for (std::size_t i = 0; i < bufferedOptionCount_; ++i)
        if (bufferedOptions_[i].option == option)
            return &bufferedOptions_[i];
    return nullptr;
}

void BaseConnection::deleteBufferedOptions() {
    for (std::size_t i = 0; i < bufferedOptionCount_; ++i)
        ramFree(bufferedOptions_[i].text);
    ramFree(bufferedOptions_);
    bufferedOptions_ = nullptr;
    bufferedOptionCount_ = 0;
}
