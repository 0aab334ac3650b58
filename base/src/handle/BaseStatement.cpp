// BaseStatement: construction, destruction, busy marks, the entrance and
// exit of statement calls, closing the cursor, SQLFreeStmt and SQLCancel.
#include "base/BaseStatement.h"

#include <sqlext.h>

#include <mutex>

#include "base/BaseBinding.h"
#include "base/BaseCatalogResult.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseParam.h"
#include "handle/BaseHandleLock.h"
#include "util/ram.h"

namespace {

template <typename T> void deleteArray(T**& array, std::size_t count) {
    for (std::size_t i = 0; array && i < count; ++i)
        delete array[i];
    ramFree(array);
    array = nullptr;
}

} // namespace

BaseStatement::BaseStatement(BaseConnection& connection)
    : connection_(&connection), options_(connection.getStmtOptions()), errorList_(&connection) {
    connection_->linkStatement(*this);
}

BaseStatement::~BaseStatement() {
    connection_->unlinkStatement(*this);
    ramFree(cursorName_);
    deleteArray(bindings_, bindingsAllocated_);
    deleteArray(params_, paramsAllocated_);
    deleteArray(fields_, resultColumnCount_);
    ramFree(savedSql_);
    delete catalogResult_;
    deleteExecState();
}

void BaseStatement::setCatalogResult(BaseCatalogResult* result) {
    if (catalogResult_ != result)
        delete catalogResult_;
    catalogResult_ = result;
}

void BaseStatement::setFlag(std::uint32_t flag, bool on) {
    if (on)
        flags_.fetch_or(flag);
    else
        flags_.fetch_and(~flag);
}

// The busy mark is taken by one atomic test-and-set, without the handle
// mutex: whoever sets it first (this call, another thread's call, or a
// connection call that marks all its statements) owns the statement.
bool BaseStatement::threadCheck() {
    return (flags_.fetch_or(STMT_BUSY) & STMT_BUSY) != 0;
}

void BaseStatement::threadDone() {
    setFlag(STMT_BUSY, false);
}

VxStatus BaseStatement::standardEntrance(unsigned short api) {
    (void)api;
    errorList_.deleteNodes();
    VxErrorKeeper::setErrorList(&errorList_);
    return VX_SUCCESS;
}

SQLRETURN BaseStatement::standardExit(SQLRETURN rc) {
    if (rc == SQL_SUCCESS && errorList_.getErrorsMix() == ERRORS_MIX_WARNINGS)
        rc = SQL_SUCCESS_WITH_INFO;
    VxErrorKeeper::giveUpErrorList();
    threadDone();
    return rc;
}

SQLRETURN BaseStatement::unsupportedCall(unsigned short api) {
    BaseStatementCall call(*this, api);
    if (call.isBusy())
        return BASE_BUSY;
    addOdbcError(ODBC_IM001);
    return call.finish(SQL_ERROR);
}

// A prepared statement keeps its plan and returns to state 1; a directly
// executed one returns to state 0 and drops its result description and
// parameters.
VxStatus BaseStatement::closeCursor() {
    if (state_ < STMT_NEED_DATA)
        return VX_SUCCESS;
    if (state_ <= STMT_PUT_DATA)
        abandonExecution();
    result_.reset();
    if (prepareMode_ == PREPARE_PREPARED) {
        if (setToPreparedState() != VX_SUCCESS)
            return VX_ERROR;
        state_ = STMT_PREPARED;
        return VX_SUCCESS;
    }
    return returnToAllocatedState();
}

VxStatus BaseStatement::returnToAllocatedState() {
    if (setToAllocatedState(0) != VX_SUCCESS)
        return VX_ERROR;
    deleteArray(fields_, resultColumnCount_);
    resultColumnCount_ = 0;
    // The application's parameter bindings stay (SQL_RESET_PARAMS drops
    // them); the statement's markers and plan go.
    parameterMarkerCount_ = 0;
    dropPreparedState();
    ramFree(savedSql_);
    savedSql_ = nullptr;
    savedSqlLength_ = 0;
    setCatalogResult(nullptr);
    prepareMode_ = PREPARE_NONE;
    state_ = STMT_ALLOCATED;
    return VX_SUCCESS;
}

SQLRETURN BaseStatement::SQLFreeStmt(SQLUSMALLINT fOption) {
    if (fOption == SQL_DROP)
        return dropStatement();
    BaseStatementCall call(*this, SQL_API_SQLFREESTMT);
    if (call.isBusy())
        return BASE_BUSY;
    VxStatus status = VX_SUCCESS;
    switch (fOption) {
    case SQL_CLOSE:
        status = closeCursor();
        break;
    case SQL_UNBIND:
        deleteBindings();
        break;
    case SQL_RESET_PARAMS:
        unbindParams();
        resetParams();
        break;
    default:
        // Other options succeed doing nothing.
        break;
    }
    return call.finish(baseReturnCode(status));
}

// Dropping waits for no one: a statement that is in a call, or whose
// connection is in a call, answers busy; otherwise it is destroyed at once
// (the driver's destructor releases what the driver holds).
SQLRETURN BaseStatement::dropStatement() {
    {
        std::lock_guard<std::mutex> lock(baseHandleMutex());
        if (connection_->isBusy() || threadCheck())
            return BASE_BUSY;
    }
    delete this;
    return SQL_SUCCESS;
}

SQLRETURN BaseStatement::SQLCancel() {
    BaseStatementCall call(*this, SQL_API_SQLCANCEL);
    if (call.isBusy())
        return BASE_BUSY;
    VxStatus status = VX_SUCCESS;
    if (hasFlag(STMT_ASYNC_PENDING)) {
        status = cancelAsyncOp();
        if (status == VX_SUCCESS) {
            endAsync();
        } else if (errorList_.isEmpty()) {
            addOdbcError(ODBC_S1C00);
        }
        return call.finish(baseReturnCode(status));
    }
    status = closeCursor();
    if (status != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    // The 01S05 record stays on the list for SQLError, but the call reports
    // plain success: unixODBC answers a warning from SQLCancel by calling
    // SQLGetDiagField, which an ODBC 2 driver does not have, and crashes.
    addOdbcWarning(ODBC_01S05);
    SQLRETURN rc = call.finish(SQL_SUCCESS);
    return rc == SQL_SUCCESS_WITH_INFO ? SQL_SUCCESS : rc;
}

SQLRETURN BaseStatement::suspendAsync(unsigned short api, std::uintptr_t resumePoint) {
    if (resumeStack_.push(resumePoint) != VX_SUCCESS) {
        endAsync();
        return SQL_ERROR;
    }
    pendingApi_ = api;
    setFlag(STMT_ASYNC_PENDING, true);
    return SQL_STILL_EXECUTING;
}

VxStatus BaseStatement::beginAsyncCall(unsigned short api, bool* resuming) {
    *resuming = false;
    if (!hasFlag(STMT_ASYNC_PENDING))
        return VX_SUCCESS;
    if (api != pendingApi_) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    *resuming = true;
    return VX_SUCCESS;
}

std::uintptr_t BaseStatement::popResumePoint() {
    std::uintptr_t point = 0;
    (void)resumeStack_.pop(&point);
    return point;
}

void BaseStatement::endAsync() {
    setFlag(STMT_ASYNC_PENDING, false);
    resumeStack_.clear();
    pendingApi_ = 0;
}
