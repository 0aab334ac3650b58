// Preparation: SQLPrepare, the first half of SQLExecDirect, and the
// parameter records a prepared text needs.
//
// The steps, for either function:
//   1. the text becomes the statement's own copy (WorkArounds bit 17 turns
//      every double quote into a back quote);
//   2. escape clauses are expanded through the connection (unless
//      SQL_NOSCAN is on);
//   3. SELECT, UPDATE and DELETE are scanned for FOR UPDATE and WHERE
//      CURRENT OF; markers are collected when there are any;
//   4. a parameter record exists for every marker (and the return value
//      of a {?=call});
//   5. with autocommit off a transaction is started;
//   6. FOR UPDATE is cut when the driver cannot run it;
//   7. a positioned statement is set up (natively, or as a search);
//   8. prepareCompile; a driver without native parameters also keeps the
//      text as the template values are substituted into.
// A failure leaves the statement in state 0 with no saved text, so that
// the same text is prepared again in full next time.
#include <sqlext.h>

#include <cstring>
#include <new>

#include "BaseStatementExec.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseEscapeProcessor.h"
#include "base/BaseParam.h"
#include "util/ram.h"

namespace {

constexpr std::uint16_t MAX_PARAMS = 16384;
constexpr std::uint32_t WA_DOUBLE_QUOTE_TO_BACK_QUOTE = 1u << 17;

// Resume point of an execution left pending by the driver.
constexpr std::uintptr_t RESUME_EXECUTION = 1;

VxStatus checkText(const SQLCHAR* text, SQLINTEGER length) {
    if (text == nullptr) {
        addOdbcError(ODBC_S1009);
        return VX_ERROR;
    }
    if (length < 0 && length != SQL_NTS) {
        addOdbcError(ODBC_S1090);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

SQLINTEGER textLength(const SQLCHAR* text, SQLINTEGER length) {
    return length == SQL_NTS
               ? static_cast<SQLINTEGER>(std::strlen(reinterpret_cast<const char*>(text)))
               : length;
}

bool inDataAtExecution(std::uint16_t state) {
    return state >= BaseStatement::STMT_NEED_DATA && state <= BaseStatement::STMT_PUT_DATA;
}

} // namespace

BaseExecState::~BaseExecState() {
    clearLiterals();
    clearSearchParams();
}

void BaseExecState::clearLiterals() {
    delete[] literals;
    literals = nullptr;
    literalCount = 0;
}

void BaseExecState::clearSearchParams() {
    for (std::uint16_t i = 0; i < searchParamCount; ++i)
        delete searchParams[i];
    ramFree(searchParams);
    searchParams = nullptr;
    searchParamCount = 0;
}

BaseExecState* BaseStatementExec::state(BaseStatement& s) {
    if (s.exec_ == nullptr) {
        s.exec_ = new (std::nothrow) BaseExecState();
        if (s.exec_ == nullptr)
            addOdbcError(ODBC_S1001);
    }
    return s.exec_;
}

void BaseStatement::dropPreparedState() {
    setFlag(STMT_IS_PREPARED | STMT_FOR_UPDATE | STMT_CURRENT_OF_EMULATED | STMT_RETURN_VALUE_CALL |
                STMT_REPEAT_EXECUTION,
            false);
    currentOfStatement_ = nullptr;
    if (exec_ == nullptr)
        return;
    SQLULEN rows = exec_->paramRows;
    delete exec_;
    exec_ = new (std::nothrow) BaseExecState();
    if (exec_)
        exec_->paramRows = rows;
}

void BaseStatement::deleteExecState() {
    delete exec_;
    exec_ = nullptr;
}

BaseSqlString* BaseStatement::getPreparedText() const {
    return exec_ && exec_->hasPrepared ? &exec_->prepared : nullptr;
}

const VxString* BaseStatement::getSubstitutedText() const {
    return exec_ && exec_->substitutedReady ? &exec_->substituted : nullptr;
}

bool BaseStatement::substitutesParams() const {
    return !connection_->hasFlag(BaseConnection::CONN_NATIVE_PARAMS);
}

unsigned short BaseStatement::getNumParams() const {
    return static_cast<unsigned short>(parameterMarkerCount_ +
                                       (hasFlag(STMT_RETURN_VALUE_CALL) ? 1 : 0));
}

unsigned short BaseStatement::getActualNumParams() const {
    return static_cast<unsigned short>(parameterMarkerCount_ +
                                       (exec_ ? exec_->searchParamCount : 0));
}

BaseParam* BaseStatement::getParam(unsigned short n) const {
    if (n == 0)
        return nullptr;
    unsigned short own = getNumParams();
    if (exec_ && exec_->searchParamCount != 0 && n > own)
        return n - own <= exec_->searchParamCount ? exec_->searchParams[n - own - 1] : nullptr;
    return n <= paramsAllocated_ ? params_[n - 1] : nullptr;
}

BaseParam* BaseStatement::getActualParam(unsigned short n) const {
    if (n == 0)
        return nullptr;
    if (n > parameterMarkerCount_) {
        unsigned short index = static_cast<unsigned short>(n - parameterMarkerCount_);
        if (exec_ && index <= exec_->searchParamCount)
            return exec_->searchParams[index - 1];
        return nullptr;
    }
    return getParam(static_cast<unsigned short>(n + (hasFlag(STMT_RETURN_VALUE_CALL) ? 1 : 0)));
}

// Grows the parameter array to `count` records, each from allocParam.
VxStatus BaseStatementExec::ensureParams(BaseStatement& s, std::uint16_t count) {
    if (count > MAX_PARAMS) {
        addOdbcError(ODBC_S1002, 6058) << static_cast<long>(count) << static_cast<long>(MAX_PARAMS);
        return VX_ERROR;
    }
    if (count > s.paramsAllocated_) {
        auto** grown = static_cast<BaseParam**>(
            ramAllocZ(sizeof(BaseParam*) * static_cast<std::size_t>(count)));
        if (grown == nullptr)
            return VX_ERROR;
        for (std::uint16_t i = 0; i < s.paramsAllocated_; ++i)
            grown[i] = s.params_[i];
        ramFree(s.params_);
        s.params_ = grown;
        s.paramsAllocated_ = count;
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        if (s.params_[i] == nullptr) {
            s.params_[i] = s.allocParam();
            if (s.params_[i] == nullptr) {
                addOdbcError(ODBC_S1001);
                return VX_ERROR;
            }
        }
    }
    return VX_SUCCESS;
}

VxStatus BaseStatementExec::prepare(BaseStatement& s, const char* text, SQLINTEGER length) {
    BaseExecState* exec = state(s);
    if (exec == nullptr)
        return VX_ERROR;
    if (exec->source.initialize(text, static_cast<std::size_t>(length)) != VX_SUCCESS ||
        exec->prepared.setCopy(text, length) != VX_SUCCESS)
        return VX_ERROR;
    exec->hasPrepared = true;
    if (prepareText(s, exec->prepared) != VX_SUCCESS)
        return VX_ERROR;
    s.setFlag(BaseStatement::STMT_IS_PREPARED, true);
    s.state_ = BaseStatement::STMT_PREPARED;
    return VX_SUCCESS;
}

VxStatus BaseStatementExec::prepareText(BaseStatement& s, BaseSqlString& sql) {
    BaseConnection& connection = s.getConnection();
    if (connection.getWorkArounds() & WA_DOUBLE_QUOTE_TO_BACK_QUOTE) {
        char* bytes = sql.getBuffer();
        for (std::uint32_t i = 0; i < sql.length(); ++i)
            if (bytes[i] == '"')
                bytes[i] = '`';
    }
    BaseEscapeOptions options = connection.getEscapeOptions();
    sql.setQuoteChars(options.quotes[0], options.quotes[1], options.quotes[2]);
    bool noScan = s.options_.get(SQL_NOSCAN) == SQL_NOSCAN_ON;
    bool returnValue = false;
    std::uint32_t markers = 0;
    if (!noScan) {
        BaseEscapeHostAdapter<BaseConnection> host(connection);
        BaseEscapeProcessor processor(host, options);
        if (processor.process(sql) != VX_SUCCESS)
            return VX_ERROR;
        returnValue = processor.isReturnValueCall();
        markers = processor.getMarkerCount();
    }
    VxSqlVerb verb = sql.getVerb();
    unsigned flags = 0;
    if (verb == VX_SQL_SELECT || verb == VX_SQL_UPDATE || verb == VX_SQL_DELETE)
        flags |= BASE_SCAN_FOR_UPDATE | BASE_SCAN_CURRENT_OF;
    if (markers != 0 || noScan || returnValue)
        flags |= BASE_SCAN_MARKERS;
    if (sql.scanSql(flags) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t count = sql.getMarkerCount() + (returnValue ? 1u : 0u);
    if (count > MAX_PARAMS) {
        addOdbcError(ODBC_S1002, 6058) << static_cast<long>(count) << static_cast<long>(MAX_PARAMS);
        return VX_ERROR;
    }
    if (ensureParams(s, static_cast<std::uint16_t>(count)) != VX_SUCCESS)
        return VX_ERROR;
    s.parameterMarkerCount_ = sql.getMarkerCount();
    s.setFlag(BaseStatement::STMT_RETURN_VALUE_CALL, returnValue);
    if (connection.beginTransactionIfNeeded() != VX_SUCCESS)
        return VX_ERROR;
    if (sql.getForUpdatePosition() != 0) {
        s.setFlag(BaseStatement::STMT_FOR_UPDATE, true);
        bool autocommit = connection.getAutocommit() != 0;
        if (!connection.hasFlag(BaseConnection::CONN_FOR_UPDATE) ||
            (autocommit &&
             connection.hasFlag(BaseConnection::CONN_POSITIONED_NEEDS_MANUAL_COMMIT))) {
            if (sql.stripForUpdate() != VX_SUCCESS)
                return VX_ERROR;
        }
    }
    bool emulated = false;
    if (sql.hasCurrentOf() && setupCurrentOf(s, sql, &emulated) != VX_SUCCESS)
        return VX_ERROR;
    s.setFlag(BaseStatement::STMT_CURRENT_OF_EMULATED, emulated);
    if (s.prepareCompile(&sql) != VX_SUCCESS)
        return VX_ERROR;
    return setupTemplate(s, sql);
}

// A driver without native parameters gets the values as literals in the
// text: the template is the processed text without its markers.
VxStatus BaseStatementExec::setupTemplate(BaseStatement& s, BaseSqlString& sql) {
    BaseExecState* exec = s.exec_;
    exec->hasTemplate = false;
    exec->clearLiterals();
    if (!s.substitutesParams() || sql.getMarkerCount() == 0)
        return VX_SUCCESS;
    if (exec->templ.setCopy(sql.data(), static_cast<long>(sql.length())) != VX_SUCCESS)
        return VX_ERROR;
    exec->templ.setQuoteChars(sql.getQuoteChar(0), sql.getQuoteChar(1), sql.getQuoteChar(2));
    if (exec->templ.scanSql(BASE_SCAN_MARKERS) != VX_SUCCESS ||
        exec->templ.stripParams() != VX_SUCCESS)
        return VX_ERROR;
    exec->literals = new (std::nothrow) VxString[exec->templ.getMarkerCount()];
    if (exec->literals == nullptr) {
        addOdbcError(ODBC_S1001);
        return VX_ERROR;
    }
    exec->literalCount = exec->templ.getMarkerCount();
    exec->hasTemplate = true;
    return VX_SUCCESS;
}

SQLRETURN BaseStatement::SQLPrepare(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    BaseStatementCall call(*this, SQL_API_SQLPREPARE);
    if (call.isBusy())
        return BASE_BUSY;
    bool resuming = false;
    if (beginAsyncCall(SQL_API_SQLPREPARE, &resuming) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (state_ == STMT_CURSOR_OPEN) {
        addOdbcError(ODBC_24000);
        return call.finish(SQL_ERROR);
    }
    if (inDataAtExecution(state_)) {
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    if (checkText(szSqlStr, cbSqlStr) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    SQLINTEGER length = textLength(szSqlStr, cbSqlStr);
    const char* text = reinterpret_cast<const char*>(szSqlStr);
    // The same text again: the plan of the last successful prepare serves.
    if (prepareMode_ == PREPARE_PREPARED && hasFlag(STMT_IS_PREPARED) &&
        !hasFlag(STMT_CLOSED_BY_TRANSACTION) && savedSql_ && savedSqlLength_ == length &&
        std::memcmp(savedSql_, text, static_cast<std::size_t>(length)) == 0)
        return call.finish(SQL_SUCCESS);
    if ((state_ != STMT_ALLOCATED || prepareMode_ != PREPARE_NONE) &&
        returnToAllocatedState() != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    setFlag(STMT_CLOSED_BY_TRANSACTION, false);
    prepareMode_ = PREPARE_PREPARED;
    savedSql_ = ramAllocStr(text, static_cast<std::size_t>(length));
    if (savedSql_ == nullptr || BaseStatementExec::prepare(*this, text, length) != VX_SUCCESS) {
        VxStatus ignored = returnToAllocatedState();
        (void)ignored;
        return call.finish(SQL_ERROR);
    }
    savedSqlLength_ = length;
    return call.finish(SQL_SUCCESS);
}

SQLRETURN BaseStatement::SQLExecDirect(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    BaseStatementCall call(*this, SQL_API_SQLEXECDIRECT);
    if (call.isBusy())
        return BASE_BUSY;
    bool resuming = false;
    if (beginAsyncCall(SQL_API_SQLEXECDIRECT, &resuming) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    SQLRETURN rc = SQL_ERROR;
    if (resuming) {
        std::uintptr_t length = 0;
        std::uintptr_t text = 0;
        (void)popResumePoint();
        (void)resumeStack_.pop(&length);
        (void)resumeStack_.pop(&text);
        endAsync();
        szSqlStr = reinterpret_cast<SQLCHAR*>(text);
        cbSqlStr = static_cast<SQLINTEGER>(static_cast<std::intptr_t>(length));
        rc = BaseStatementExec::runRows(*this);
    } else {
        if (state_ == STMT_CURSOR_OPEN) {
            addOdbcError(ODBC_24000);
            return call.finish(SQL_ERROR);
        }
        if (inDataAtExecution(state_)) {
            addOdbcError(ODBC_S1010);
            return call.finish(SQL_ERROR);
        }
        if (checkText(szSqlStr, cbSqlStr) != VX_SUCCESS)
            return call.finish(SQL_ERROR);
        if ((state_ != STMT_ALLOCATED || prepareMode_ != PREPARE_NONE) &&
            returnToAllocatedState() != VX_SUCCESS)
            return call.finish(SQL_ERROR);
        prepareMode_ = PREPARE_DIRECT;
        SQLINTEGER length = textLength(szSqlStr, cbSqlStr);
        if (BaseStatementExec::prepare(*this, reinterpret_cast<const char*>(szSqlStr), length) !=
            VX_SUCCESS) {
            VxStatus ignored = returnToAllocatedState();
            (void)ignored;
            return call.finish(SQL_ERROR);
        }
        rc = BaseStatementExec::execute(*this);
    }
    if (rc == SQL_STILL_EXECUTING) {
        if (resumeStack_.pushPointer(szSqlStr) != VX_SUCCESS ||
            resumeStack_.push(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(cbSqlStr))) !=
                VX_SUCCESS) {
            endAsync();
            return call.finish(SQL_ERROR);
        }
        return call.finish(suspendAsync(SQL_API_SQLEXECDIRECT, RESUME_EXECUTION));
    }
    if (rc == SQL_ERROR && prepareMode_ == PREPARE_DIRECT) {
        VxStatus ignored = returnToAllocatedState();
        (void)ignored;
    }
    return call.finish(rc);
}

SQLRETURN BaseStatement::SQLExecute() {
    BaseStatementCall call(*this, SQL_API_SQLEXECUTE);
    if (call.isBusy())
        return BASE_BUSY;
    bool resuming = false;
    if (beginAsyncCall(SQL_API_SQLEXECUTE, &resuming) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    SQLRETURN rc = SQL_ERROR;
    if (resuming) {
        (void)popResumePoint();
        endAsync();
        rc = BaseStatementExec::runRows(*this);
    } else {
        if (state_ == STMT_CURSOR_OPEN) {
            addOdbcError(ODBC_24000);
            return call.finish(SQL_ERROR);
        }
        if (prepareMode_ != PREPARE_PREPARED || !hasFlag(STMT_IS_PREPARED) ||
            inDataAtExecution(state_)) {
            addOdbcError(ODBC_S1010);
            return call.finish(SQL_ERROR);
        }
        rc = BaseStatementExec::execute(*this);
    }
    if (rc == SQL_STILL_EXECUTING)
        return call.finish(suspendAsync(SQL_API_SQLEXECUTE, RESUME_EXECUTION));
    return call.finish(rc);
}
