// Data at execution: SQLParamData and SQLPutData.
//
//   2 needs data ──SQLParamData──> 3 parameter named ──SQLPutData──> 4 data sent
//                                                         ^            │ SQLPutData
//                                                         │            v
//                  SQLParamData: value to the driver, execution goes on:
//                  the next data-at-execution parameter (3 again), or the
//                  end of the execution (5 or 6)
//
// Character and binary values are collected in the parameter's buffer
// (at most 65536 bytes) and handed over whole, unless the driver takes
// long values piecewise; other values go to the driver at once.
#include <sqlext.h>

#include <cstring>

#include "BaseStatementExec.h"
#include "base/BaseConnection.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseParam.h"
#include "base/BaseWideText.h"
#include "util/ram.h"

namespace {

constexpr SQLLEN MAX_COLLECTED = 65536;

// The length of a collected text cut before byte `next`, less the part of a
// character the cut split: a UTF-8 sequence of a UTF-8 data source, or the
// high half of a UTF-16 surrogate pair.
SQLLEN wholeCharacters(BaseStatement& s, const BaseParam& p, unsigned char next) {
    const auto* text = reinterpret_cast<const unsigned char*>(p.data_);
    SQLLEN end = p.dataLength_;
    if (p.cType_ == SQL_C_WCHAR) {
        if (baseWideUnit() == 2 && end >= 2) {
            unsigned long last = baseWideAt(text, end / 2 - 1);
            if (last >= 0xD800 && last <= 0xDBFF)
                end -= 2;
        }
        return end;
    }
    if (p.cType_ != SQL_C_CHAR || !s.getConnection().getCharset().isUtf8() || (next & 0xC0) != 0x80)
        return end;
    while (end > 0 && (text[end - 1] & 0xC0) == 0x80)
        --end;
    if (end > 0 && text[end - 1] >= 0xC0)
        --end;
    return end;
}

bool isPiecewise(BaseStatement& s, const BaseParam& p) {
    return s.getConnection().hasFlag(BaseConnection::CONN_PIECEWISE_LONG_DATA) &&
           baseIsLongSqlType(p.sqlType_);
}

bool collectsBytes(const BaseParam& p) {
    return baseIsCharCType(p.cType_) || p.cType_ == SQL_C_BINARY;
}

// Where the application's buffer for the pending parameter lies.
SQLPOINTER rowValue(const BaseParam& p, SQLULEN row) {
    char* value = static_cast<char*>(p.value_);
    if (value && p.valueMax_ > 0)
        value += row * static_cast<SQLULEN>(p.valueMax_);
    return value;
}

} // namespace

// A failure during data at execution ends the execution: a prepared
// statement keeps its plan, a direct one returns to state 0.
SQLRETURN BaseStatementExec::abortDataAtExec(BaseStatement& s) {
    endExecution(s, true);
    if (s.prepareMode_ == BaseStatement::PREPARE_DIRECT) {
        VxStatus ignored = s.returnToAllocatedState();
        (void)ignored;
    }
    return SQL_ERROR;
}

void BaseStatement::abandonExecution() {
    BaseStatementExec::endExecution(*this, true);
}

SQLRETURN BaseStatement::SQLParamData(SQLPOINTER* prgbValue) {
    BaseStatementCall call(*this, SQL_API_SQLPARAMDATA);
    if (call.isBusy())
        return BASE_BUSY;
    BaseExecState* exec = exec_;
    if ((state_ != STMT_NEED_DATA && state_ != STMT_PUT_DATA) || exec == nullptr ||
        exec->pendingParam == 0) {
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    SQLRETURN rc = SQL_NEED_DATA;
    if (state_ == STMT_PUT_DATA) {
        std::uint16_t n = exec->pendingParam;
        BaseParam& p = *getParam(n);
        VxStatus status = VX_SUCCESS;
        if (p.putState_ == BaseParam::PUT_NULL)
            status =
                BaseStatementExec::deliver(*this, n, nullptr, SQL_NULL_DATA, PARAM_CHUNK_WHOLE);
        else if (isPiecewise(*this, p) && collectsBytes(p))
            status = bindParam(n, nullptr, 0, PARAM_CHUNK_LAST);
        else if (collectsBytes(p))
            status = BaseStatementExec::deliver(*this, n, p.data_ ? p.data_ : "", p.dataLength_,
                                                PARAM_CHUNK_WHOLE);
        p.releaseData();
        exec->pendingParam = 0;
        if (status != VX_SUCCESS)
            return call.finish(BaseStatementExec::abortDataAtExec(*this));
        exec->nextParam = static_cast<std::uint16_t>(n + 1);
        rc = BaseStatementExec::runRows(*this);
        if (rc == SQL_ERROR && prepareMode_ == PREPARE_DIRECT) {
            VxStatus ignored = returnToAllocatedState();
            (void)ignored;
        }
        if (rc == SQL_STILL_EXECUTING) {
            addOdbcError(ODBC_S1000);
            rc = SQL_ERROR;
        }
    }
    if (rc == SQL_NEED_DATA) {
        BaseParam& p = *getParam(exec->pendingParam);
        if (prgbValue)
            *prgbValue = rowValue(p, currentParamRow_);
        state_ = STMT_PARAM_DATA;
    }
    return call.finish(rc);
}

SQLRETURN BaseStatement::SQLPutData(SQLPOINTER rgbValue, SQLLEN cbValue) {
    BaseStatementCall call(*this, SQL_API_SQLPUTDATA);
    if (call.isBusy())
        return BASE_BUSY;
    if ((state_ != STMT_PARAM_DATA && state_ != STMT_PUT_DATA) || exec_ == nullptr ||
        exec_->pendingParam == 0) {
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    std::uint16_t n = exec_->pendingParam;
    BaseParam& p = *getParam(n);
    if (p.putState_ == BaseParam::PUT_NULL ||
        (cbValue == SQL_NULL_DATA && p.putState_ == BaseParam::PUT_DATA)) {
        addOdbcError(ODBC_S1011);
        return call.finish(BaseStatementExec::abortDataAtExec(*this));
    }
    if (cbValue == SQL_NULL_DATA) {
        p.putState_ = BaseParam::PUT_NULL;
        state_ = STMT_PUT_DATA;
        return call.finish(SQL_SUCCESS);
    }
    if (rgbValue == nullptr && cbValue != 0) {
        addOdbcError(ODBC_S1009);
        return call.finish(BaseStatementExec::abortDataAtExec(*this));
    }
    VxStatus status = collectsBytes(p) ? BaseStatementExec::putBytes(*this, n, p, rgbValue, cbValue)
                                       : BaseStatementExec::putFixed(*this, n, p, rgbValue);
    if (status != VX_SUCCESS)
        return call.finish(BaseStatementExec::abortDataAtExec(*this));
    p.putState_ = BaseParam::PUT_DATA;
    state_ = STMT_PUT_DATA;
    return call.finish(SQL_SUCCESS);
}

VxStatus BaseStatementExec::putFixed(BaseStatement& s, std::uint16_t n, BaseParam& p,
                                     const void* value) {
    if (p.putState_ == BaseParam::PUT_DATA) {
        addOdbcError(ODBC_22003);
        return VX_ERROR;
    }
    return deliver(s, n, value, baseCTypeSize(p.cType_), PARAM_CHUNK_WHOLE);
}

VxStatus BaseStatementExec::putBytes(BaseStatement& s, std::uint16_t n, BaseParam& p,
                                     const void* value, SQLLEN length) {
    if (length < 0) {
        if (length != SQL_NTS) {
            addOdbcError(ODBC_S1090, 6001) << static_cast<long>(n);
            return VX_ERROR;
        }
        length = p.cType_ == SQL_C_WCHAR
                     ? static_cast<SQLLEN>(baseWideLength(value) * baseWideUnit())
                     : static_cast<SQLLEN>(std::strlen(static_cast<const char*>(value)));
    }
    SQLLEN maximum = putDataMaximum(p);
    if (maximum <= 0)
        maximum = 4096;
    // A wide value never gets less room than a narrow one of its precision.
    if (p.cType_ == SQL_C_WCHAR && maximum > MAX_COLLECTED &&
        p.precision_ <= static_cast<SQLULEN>(MAX_COLLECTED))
        maximum = MAX_COLLECTED;
    bool piecewise = isPiecewise(s, p);
    SQLLEN already = piecewise ? 0 : p.dataLength_;
    if (!piecewise && p.data_ && p.dataMax_ < maximum)
        maximum = p.dataMax_; // cut before: nothing more is taken
    bool cut = false;
    if (!piecewise && already + length > maximum) {
        if (baseIsLongSqlType(p.sqlType_)) {
            addOdbcError(ODBC_22001);
            return VX_ERROR;
        }
        addOdbcWarning(ODBC_01004);
        length = maximum - already;
        if (p.cType_ == SQL_C_WCHAR) // whole units only
            length -= length % static_cast<SQLLEN>(baseWideUnit());
        cut = true;
    }
    if (piecewise)
        return deliver(s, n, value, length,
                       p.putState_ == BaseParam::PUT_NONE ? PARAM_CHUNK_FIRST : PARAM_CHUNK_NEXT);
    if (p.data_ == nullptr) {
        if (maximum > MAX_COLLECTED) {
            addOdbcError(ODBC_S1001, 6043)
                << static_cast<long>(n) << static_cast<long>(p.precision_);
            return VX_ERROR;
        }
        p.data_ = static_cast<char*>(ramAlloc(static_cast<std::size_t>(maximum) + 1));
        if (p.data_ == nullptr)
            return VX_ERROR;
        p.dataMax_ = maximum;
        p.dataLength_ = 0;
    }
    if (length > 0)
        std::memcpy(p.data_ + p.dataLength_, value, static_cast<std::size_t>(length));
    p.dataLength_ += length;
    if (cut) {
        p.dataLength_ = wholeCharacters(s, p, static_cast<const unsigned char*>(value)[length]);
        p.dataMax_ = p.dataLength_;
    }
    p.data_[p.dataLength_] = 0;
    return VX_SUCCESS;
}
