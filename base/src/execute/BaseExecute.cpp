// Execution: the checks before it, the walk over parameter rows and
// parameters (see BaseStatementExec.h), handing values to the driver, and
// what follows the driver's executePreparedStmt.
#include <sqlext.h>

#include <climits>
#include <cstring>

#include "BaseStatementExec.h"
#include "base/BaseConnection.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseParam.h"
#include "base/BaseWideText.h"
#include "util/ram.h"

namespace {

bool isOutputOnly(const BaseParam& p) {
    return p.paramType_ == SQL_PARAM_OUTPUT;
}

bool isReturnedValue(const BaseParam& p) {
    return p.paramType_ == SQL_PARAM_OUTPUT ||
           (p.paramType_ == SQL_PARAM_INPUT_OUTPUT && !p.hasFlag(BaseParam::FLAG_INOUT_AS_INPUT));
}

// Bytes of a null-terminated text of the application's wide characters.
SQLLEN wideLength(const char* value) {
    return static_cast<SQLLEN>(baseWideLength(value) * baseWideUnit());
}

// A generated search parameter (column_ set) holds one value for every
// parameter row.
SQLULEN rowOf(const BaseParam& p, SQLULEN row) {
    return p.column_ != 0 ? 0 : row;
}

SQLLEN* indicatorOf(const BaseParam& p, SQLULEN row) {
    return p.length_ ? p.length_ + rowOf(p, row) : nullptr;
}

} // namespace

bool baseIsCharCType(short cType) {
    return cType == SQL_C_CHAR || cType == SQL_C_WCHAR;
}

bool baseIsLongSqlType(short sqlType) {
    return sqlType == SQL_LONGVARCHAR || sqlType == SQL_LONGVARBINARY ||
           sqlType == SQL_WLONGVARCHAR;
}

bool baseIsCharSqlType(short sqlType) {
    return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR || sqlType == SQL_LONGVARCHAR ||
           sqlType == SQL_WCHAR || sqlType == SQL_WVARCHAR || sqlType == SQL_WLONGVARCHAR;
}

bool baseIsBinarySqlType(short sqlType) {
    return sqlType == SQL_BINARY || sqlType == SQL_VARBINARY || sqlType == SQL_LONGVARBINARY;
}

SQLRETURN BaseStatementExec::execute(BaseStatement& s) {
    if (checkBeforeExecution(s) != VX_SUCCESS) {
        endExecution(s, true);
        return SQL_ERROR;
    }
    return runRows(s);
}

VxStatus BaseStatementExec::checkBeforeExecution(BaseStatement& s) {
    BaseConnection& connection = s.getConnection();
    BaseExecState* exec = state(s);
    if (exec == nullptr)
        return VX_ERROR;
    unsigned short count = s.getNumParams();
    if (count > 0 && !s.hasFlag(BaseStatement::STMT_RETURN_VALUE_CALL) &&
        !connection.hasFlag(BaseConnection::CONN_OUTPUT_PARAMS)) {
        BaseParam* first = s.getParam(1);
        if (first && first->isBound() && isOutputOnly(*first)) {
            addOdbcError(ODBC_S1105);
            return VX_ERROR;
        }
    }
    for (unsigned short n = 1; n <= count; ++n) {
        BaseParam* p = s.getParam(n);
        if (p == nullptr || !p->isBound()) {
            addOdbcError(ODBC_07001, 6012) << static_cast<long>(n);
            return VX_ERROR;
        }
    }
    if (s.hasFlag(BaseStatement::STMT_CURRENT_OF_EMULATED) && fillSearchParams(s) != VX_SUCCESS)
        return VX_ERROR;
    if (connection.beginTransactionIfNeeded() != VX_SUCCESS)
        return VX_ERROR;
    s.accumulatedRowCount_ = 0;
    s.currentParamRow_ = 0;
    exec->nextParam = 1;
    exec->pendingParam = 0;
    exec->executing = true;
    for (unsigned short n = 1; n <= count; ++n) {
        if (BaseParam* p = s.getParam(n))
            p->releaseData();
    }
    // A parameter array under autocommit runs as one transaction when the
    // data source would lose its cursors at each commit.
    SQLUSMALLINT behaviour = SQL_CB_PRESERVE;
    if (exec->paramRows > 1 && connection.getAutocommit() != 0 && s.getNumResultCols() == 0 &&
        connection.getInfo(SQL_CURSOR_COMMIT_BEHAVIOR, &behaviour, sizeof behaviour) ==
            VX_SUCCESS &&
        behaviour == SQL_CB_DELETE) {
        if (connection.setConnectOption(SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_OFF) != VX_SUCCESS ||
            connection.beginTransactionIfNeeded() != VX_SUCCESS)
            return VX_ERROR;
        exec->autocommitSuspended = true;
    }
    return VX_SUCCESS;
}

// Runs the remaining parameter rows from where the walk stands.
SQLRETURN BaseStatementExec::runRows(BaseStatement& s) {
    BaseExecState* exec = s.exec_;
    while (s.currentParamRow_ < exec->paramRows) {
        if (s.rowsProcessed_)
            *s.rowsProcessed_ = s.currentParamRow_ + 1;
        SQLRETURN rc = sendParams(s, s.currentParamRow_);
        if (rc != SQL_SUCCESS)
            return rc;
        if (s.substitutesParams() && exec->hasTemplate && buildSubstituted(s) != VX_SUCCESS) {
            endExecution(s, true);
            return SQL_ERROR;
        }
        VxStatus status = s.executePreparedStmt();
        exec->substitutedReady = false;
        if (status == VX_SUCCESS && s.hasFlag(BaseStatement::STMT_ASYNC_PENDING))
            return SQL_STILL_EXECUTING;
        if (status == VX_SUCCESS && s.hasFlag(BaseStatement::STMT_REPEAT_EXECUTION)) {
            s.setFlag(BaseStatement::STMT_REPEAT_EXECUTION, false);
            status = exec->prepared.setCopy(exec->source.data(),
                                            static_cast<long>(exec->source.length()));
            if (status == VX_SUCCESS)
                status = prepareText(s, exec->prepared);
            if (status == VX_SUCCESS)
                status = s.executePreparedStmt();
        }
        if (status != VX_SUCCESS || finishRow(s) != VX_SUCCESS) {
            endExecution(s, true);
            return SQL_ERROR;
        }
        exec->nextParam = 1;
        ++s.currentParamRow_;
    }
    VxStatus status = finishExecution(s);
    endExecution(s, status != VX_SUCCESS);
    return baseReturnCode(status);
}

// Sends the parameters of `row` from the first not yet sent. SQL_NEED_DATA
// leaves the statement in state 2 waiting for the value of
// exec->pendingParam.
SQLRETURN BaseStatementExec::sendParams(BaseStatement& s, SQLULEN row) {
    BaseExecState* exec = s.exec_;
    unsigned short total = static_cast<unsigned short>(s.getNumParams() + exec->searchParamCount);
    while (exec->nextParam <= total) {
        std::uint16_t n = exec->nextParam;
        BaseParam* p = s.getParam(n);
        SQLLEN* indicator = indicatorOf(*p, row);
        if (!isOutputOnly(*p) && isDataAtExec(*p, indicator ? *indicator : 0)) {
            if (!p->hasFlag(BaseParam::FLAG_VALIDATED) && validate(s, n, *p) != VX_SUCCESS) {
                endExecution(s, true);
                return SQL_ERROR;
            }
            p->releaseData();
            exec->pendingParam = n;
            s.state_ = BaseStatement::STMT_NEED_DATA;
            return SQL_NEED_DATA;
        }
        if (sendParam(s, n, row) != VX_SUCCESS) {
            endExecution(s, true);
            return SQL_ERROR;
        }
        exec->nextParam = static_cast<std::uint16_t>(n + 1);
    }
    // Returned values: the indicators exist and read NULL until the driver
    // writes a value.
    for (unsigned short n = 1; n <= s.getNumParams(); ++n) {
        BaseParam* p = s.getParam(n);
        bool returned =
            isReturnedValue(*p) || (n == 1 && s.hasFlag(BaseStatement::STMT_RETURN_VALUE_CALL));
        if (!returned)
            continue;
        SQLLEN* indicator = indicatorOf(*p, row);
        if (indicator == nullptr) {
            addOdbcError(ODBC_22002);
            endExecution(s, true);
            return SQL_ERROR;
        }
        *indicator = SQL_NULL_DATA;
    }
    return SQL_SUCCESS;
}

VxStatus BaseStatementExec::sendParam(BaseStatement& s, std::uint16_t n, SQLULEN row) {
    BaseParam& p = *s.getParam(n);
    BaseConnection& connection = s.getConnection();
    if (isOutputOnly(p) || (n == 1 && s.hasFlag(BaseStatement::STMT_RETURN_VALUE_CALL)))
        return VX_SUCCESS;
    if (!p.hasFlag(BaseParam::FLAG_VALIDATED) && validate(s, n, p) != VX_SUCCESS)
        return VX_ERROR;
    SQLLEN* indicator = indicatorOf(p, row);
    SQLLEN length = indicator ? *indicator : SQL_NTS;
    if (length == SQL_DEFAULT_PARAM && !connection.hasFlag(BaseConnection::CONN_DEFAULT_PARAMS)) {
        addOdbcError(ODBC_S1C00, 6074);
        return VX_ERROR;
    }
    if (s.exec_->paramRows > 1 && p.value_ && p.valueMax_ == -1) {
        addOdbcError(ODBC_07001, 6075) << static_cast<long>(n);
        return VX_ERROR;
    }
    if (p.firstSeen_ && s.hasFlag(BaseStatement::STMT_CHECK_PARAM_TYPES) &&
        (p.firstCType_ != p.cType_ || p.firstSqlType_ != p.sqlType_ || p.firstScale_ != p.scale_ ||
         (!baseIsLongSqlType(p.sqlType_) && p.firstPrecision_ != p.precision_))) {
        addOdbcError(ODBC_S1000, 6000) << static_cast<long>(n);
        return VX_ERROR;
    }
    const char* value = static_cast<const char*>(p.value_);
    if (value && p.valueMax_ > 0)
        value += rowOf(p, row) * static_cast<SQLULEN>(p.valueMax_);
    if (value == nullptr && length != SQL_NULL_DATA && length != SQL_DEFAULT_PARAM) {
        addOdbcError(ODBC_07001, 6012) << static_cast<long>(n);
        return VX_ERROR;
    }
    if (length == SQL_NULL_DATA || length == SQL_DEFAULT_PARAM) {
        value = nullptr;
    } else if (baseIsCharCType(p.cType_) || p.cType_ == SQL_C_BINARY) {
        if (length < 0 && length != SQL_NTS) {
            addOdbcError(ODBC_S1090, 6001) << static_cast<long>(n);
            return VX_ERROR;
        }
        if (length == SQL_NTS)
            length = p.cType_ == SQL_C_WCHAR ? wideLength(value)
                                             : static_cast<SQLLEN>(std::strlen(value));
    } else {
        length = baseCTypeSize(p.cType_);
    }
    if (deliver(s, n, value, length, PARAM_CHUNK_WHOLE) != VX_SUCCESS)
        return VX_ERROR;
    if (!p.firstSeen_) {
        p.firstSeen_ = true;
        p.firstCType_ = p.cType_;
        p.firstSqlType_ = p.sqlType_;
        p.firstPrecision_ = p.precision_;
        p.firstScale_ = p.scale_;
    }
    return VX_SUCCESS;
}

VxStatus BaseStatementExec::deliver(BaseStatement& s, std::uint16_t n, const void* value,
                                    SQLLEN length, ParamBindChunkType chunk) {
    BaseParam& p = *s.getParam(n);
    BaseConnection& connection = s.getConnection();
    char* translated = nullptr;
    if (value && length > 0 && p.cType_ == SQL_C_CHAR && connection.frameworkTranslates()) {
        translated = static_cast<char*>(ramAlloc(static_cast<std::size_t>(length) + 1));
        SQLLEN produced = 0;
        if (translated == nullptr || connection.toDataSource(p.sqlType_, value, length, translated,
                                                             length + 1, &produced) != VX_SUCCESS) {
            ramFree(translated);
            return VX_ERROR;
        }
        translated[produced < length ? produced : length] = 0;
        value = translated;
        length = produced;
    }
    VxStatus status;
    if (s.substitutesParams()) {
        status = s.textualBindParam(n, value, length);
    } else {
        status = s.bindParam(n, value, length, chunk);
        if (status != VX_SUCCESS && s.getErrorList().getErrorsMix() != ERRORS_MIX_NONE)
            appendOdbcErrorText(6044) << static_cast<long>(n);
    }
    ramFree(translated);
    return status;
}

VxStatus BaseStatementExec::finishRow(BaseStatement& s) {
    SQLLEN rows = -1;
    if (s.rowCount(&rows) != VX_SUCCESS)
        return VX_ERROR;
    if (rows < 0 || s.accumulatedRowCount_ < 0) {
        s.accumulatedRowCount_ = -1;
    } else {
        SQLLEN sum = s.accumulatedRowCount_ + rows;
        s.accumulatedRowCount_ = sum > INT_MAX ? INT_MAX : sum;
    }
    return VX_SUCCESS;
}

VxStatus BaseStatementExec::finishExecution(BaseStatement& s) {
    if (s.hasFlag(BaseStatement::STMT_CURRENT_OF_EMULATED))
        reportPositionedRows(s);
    return s.enterExecutedState();
}

// Ends the walk: autocommit back on (which commits) when a parameter array
// suspended it, collected data freed, and after a failure the statement
// back where it was before (a prepared one keeps its plan).
void BaseStatementExec::endExecution(BaseStatement& s, bool failed) {
    BaseExecState* exec = s.exec_;
    if (exec == nullptr)
        return;
    BaseConnection& connection = s.getConnection();
    if (exec->autocommitSuspended) {
        exec->autocommitSuspended = false;
        if (connection.hasFlag(BaseConnection::CONN_IN_TRANSACTION) &&
            connection.endTransaction(SQL_COMMIT) == VX_SUCCESS)
            connection.setFlag(BaseConnection::CONN_IN_TRANSACTION, false);
        VxStatus ignored = connection.setConnectOption(SQL_AUTOCOMMIT, SQL_AUTOCOMMIT_ON);
        (void)ignored;
    }
    exec->executing = false;
    exec->pendingParam = 0;
    exec->substitutedReady = false;
    for (unsigned short n = 1; n <= s.getNumParams(); ++n) {
        if (BaseParam* p = s.getParam(n))
            p->releaseData();
    }
    if (failed && s.prepareMode_ == BaseStatement::PREPARE_PREPARED)
        s.state_ = BaseStatement::STMT_PREPARED;
}
