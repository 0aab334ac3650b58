// Binding parameters (SQLBindParameter, SQLNumParams, SQLParamOptions)
// and validating a binding once before its first use.
#include <sqlext.h>

#include "BaseStatementExec.h"
#include "base/BaseConnection.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseParam.h"
#include "base/BaseWideText.h"

namespace {

constexpr unsigned short MAX_PARAMS = 16384;

// ODBC 3 applications may name the date and time types by their ODBC 3
// codes; the framework works with the ODBC 2 ones.
short odbc2Type(short type) {
    switch (type) {
    case SQL_TYPE_DATE:
        return SQL_DATE;
    case SQL_TYPE_TIME:
        return SQL_TIME;
    case SQL_TYPE_TIMESTAMP:
        return SQL_TIMESTAMP;
    default:
        return type;
    }
}

VxStatus precisionError(unsigned short n) {
    addOdbcError(ODBC_S1104, 6053) << static_cast<long>(n);
    return VX_ERROR;
}

VxStatus fixedPrecision(BaseParam& p, SQLULEN precision) {
    p.precision_ = precision;
    p.scale_ = 0;
    return VX_SUCCESS;
}

VxStatus validateTimestamp(unsigned short n, BaseParam& p) {
    if (p.scale_ < 0) {
        addOdbcError(ODBC_S1094);
        return VX_ERROR;
    }
    if (p.scale_ == 0) {
        switch (p.precision_) {
        case 13:
            p.scale_ = -4;
            return VX_SUCCESS;
        case 16:
            p.scale_ = -2;
            return VX_SUCCESS;
        case 19:
            return VX_SUCCESS;
        default:
            if (p.precision_ >= 21 && p.precision_ <= 29) {
                p.scale_ = static_cast<short>(p.precision_ - 20);
                return VX_SUCCESS;
            }
            addOdbcError(ODBC_S1104, 6054)
                << static_cast<long>(n) << static_cast<long>(p.precision_);
            return VX_ERROR;
        }
    }
    if (p.scale_ > 9 || p.precision_ != static_cast<SQLULEN>(20 + p.scale_)) {
        addOdbcError(ODBC_S1094, 6055) << static_cast<long>(n) << static_cast<long>(p.precision_)
                                       << static_cast<long>(p.scale_);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Long values substituted into the text are limited by the literal length
// the data source accepts.
VxStatus limitLiteralLength(BaseStatement& s, unsigned short n, BaseParam& p) {
    if (s.getConnection().hasFlag(BaseConnection::CONN_NATIVE_PARAMS))
        return VX_SUCCESS;
    unsigned short info =
        p.sqlType_ == SQL_LONGVARBINARY ? SQL_MAX_BINARY_LITERAL_LEN : SQL_MAX_CHAR_LITERAL_LEN;
    SQLUINTEGER maximum = 0;
    if (s.getConnection().getInfo(info, &maximum, sizeof maximum) != VX_SUCCESS || maximum == 0 ||
        p.precision_ <= maximum)
        return VX_SUCCESS;
    p.precision_ = maximum;
    addOdbcWarning(ODBC_01000, 6076) << static_cast<long>(n);
    return VX_SUCCESS;
}

} // namespace

bool BaseStatementExec::isDataAtExec(const BaseParam& p, SQLLEN indicator) {
    (void)p;
    return indicator == SQL_DATA_AT_EXEC || indicator <= SQL_LEN_DATA_AT_EXEC_OFFSET;
}

VxStatus BaseStatementExec::validate(BaseStatement& s, std::uint16_t n, BaseParam& p) {
    if (p.cType_ == SQL_C_DEFAULT)
        p.cType_ = baseDefaultCType(p.sqlType_);
    else if (baseCheckParamConversion(n, p.cType_, p.sqlType_) != VX_SUCCESS)
        return VX_ERROR;
    bool isNull = p.length_ && *p.length_ == SQL_NULL_DATA;
    VxStatus status = VX_SUCCESS;
    switch (p.sqlType_) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_BINARY:
    case SQL_VARBINARY:
        if (p.precision_ == 0 && !isNull)
            status = precisionError(n);
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        if (p.scale_ < 0 && !s.getConnection().hasFlag(BaseConnection::CONN_NEGATIVE_SCALE)) {
            addOdbcError(ODBC_S1094, 6056) << static_cast<long>(n);
            status = VX_ERROR;
        } else if (p.precision_ == 0) {
            status = precisionError(n);
        }
        break;
    case SQL_INTEGER:
        status = fixedPrecision(p, 10);
        break;
    case SQL_SMALLINT:
        status = fixedPrecision(p, 5);
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        status = fixedPrecision(p, 15);
        break;
    case SQL_REAL:
        status = fixedPrecision(p, 7);
        break;
    case SQL_BIT:
        status = fixedPrecision(p, 1);
        break;
    case SQL_TINYINT:
        status = fixedPrecision(p, 3);
        break;
    case SQL_BIGINT:
        status = fixedPrecision(p, 20);
        break;
    case SQL_TIMESTAMP:
        status = validateTimestamp(n, p);
        break;
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY:
        status = limitLiteralLength(s, n, p);
        break;
    default:
        break;
    }
    if (status != VX_SUCCESS)
        return VX_ERROR;
    SQLLEN fixed = baseCTypeSize(p.cType_);
    if (fixed > 0)
        p.valueMax_ = fixed;
    p.setFlag(BaseParam::FLAG_VALIDATED, true);
    return VX_SUCCESS;
}

// The most bytes SQLPutData collects for a character or binary value; wide
// text counts the precision in the application's wide characters.
SQLLEN BaseStatementExec::putDataMaximum(const BaseParam& p) {
    if (baseIsBinarySqlType(p.sqlType_))
        return static_cast<SQLLEN>(p.cType_ == SQL_C_BINARY ? p.precision_ : 2 * p.precision_);
    if (baseIsCharSqlType(p.sqlType_))
        return static_cast<SQLLEN>(p.cType_ == SQL_C_WCHAR ? p.precision_ * baseWideUnit()
                                                           : p.precision_);
    return 4096;
}

SQLRETURN BaseStatement::SQLBindParameter(SQLUSMALLINT ipar, SQLSMALLINT fParamType,
                                          SQLSMALLINT fCType, SQLSMALLINT fSqlType,
                                          SQLULEN cbColDef, SQLSMALLINT ibScale,
                                          SQLPOINTER rgbValue, SQLLEN cbValueMax,
                                          SQLLEN* pcbValue) {
    BaseStatementCall call(*this, SQL_API_SQLBINDPARAMETER);
    if (call.isBusy())
        return BASE_BUSY;
    if (state_ >= STMT_NEED_DATA && state_ <= STMT_PUT_DATA) {
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    if (ipar == 0) {
        addOdbcError(ODBC_S1093);
        return call.finish(SQL_ERROR);
    }
    if (ipar > MAX_PARAMS) {
        addOdbcError(ODBC_S1002, 6058) << static_cast<long>(ipar) << static_cast<long>(MAX_PARAMS);
        return call.finish(SQL_ERROR);
    }
    short cType = odbc2Type(fCType);
    short sqlType = odbc2Type(fSqlType);
    if (cType != SQL_C_DEFAULT && !baseIsValidCType(cType)) {
        addOdbcError(ODBC_S1003);
        return call.finish(SQL_ERROR);
    }
    if (!baseIsValidSqlType(sqlType)) {
        addOdbcError(ODBC_S1004);
        return call.finish(SQL_ERROR);
    }
    if (fParamType != SQL_PARAM_INPUT && fParamType != SQL_PARAM_INPUT_OUTPUT &&
        fParamType != SQL_PARAM_OUTPUT) {
        addOdbcError(ODBC_S1105);
        return call.finish(SQL_ERROR);
    }
    std::uint16_t paramType = cbValueMax == -1 ? SQL_PARAM_INPUT : fParamType;
    bool inoutAsInput = false;
    if (paramType != SQL_PARAM_INPUT && !connection_->hasFlag(BaseConnection::CONN_OUTPUT_PARAMS)) {
        if (paramType == SQL_PARAM_INPUT_OUTPUT) {
            inoutAsInput = true;
        } else if (ipar != 1 || !connection_->hasFlag(BaseConnection::CONN_RETURN_VALUE_PARAM)) {
            addOdbcError(ODBC_S1105);
            return call.finish(SQL_ERROR);
        }
    }
    if (BaseStatementExec::ensureParams(*this, ipar) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    BaseParam& p = *params_[ipar - 1];
    p.cType_ = cType;
    p.sqlType_ = sqlType;
    p.precision_ = cbColDef;
    p.scale_ = ibScale;
    p.value_ = rgbValue;
    p.length_ = pcbValue;
    p.valueMax_ = cbValueMax;
    p.paramType_ = paramType;
    p.bound_ = rgbValue != nullptr || pcbValue != nullptr;
    p.setFlag(BaseParam::FLAG_VALIDATED, false);
    p.setFlag(BaseParam::FLAG_INOUT_AS_INPUT, inoutAsInput);
    if (inoutAsInput)
        setFlag(STMT_INOUT_AS_INPUT, true);
    setFlag(STMT_PARAMS_CHANGED, true);
    if (paramType != SQL_PARAM_INPUT && BaseStatementExec::validate(*this, ipar, p) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    return call.finish(SQL_SUCCESS);
}

void BaseStatement::resetParams() {
    for (std::uint16_t i = 0; i < paramsAllocated_; ++i) {
        if (BaseParam* p = params_[i]) {
            p->value_ = nullptr;
            p->length_ = nullptr;
            p->bound_ = false;
            p->setFlag(BaseParam::FLAG_VALIDATED, false);
        }
    }
}

SQLRETURN BaseStatement::SQLNumParams(SQLSMALLINT* pcpar) {
    BaseStatementCall call(*this, SQL_API_SQLNUMPARAMS);
    if (call.isBusy())
        return BASE_BUSY;
    if (prepareMode_ == PREPARE_NONE || !hasFlag(STMT_IS_PREPARED)) {
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    if (pcpar)
        *pcpar = static_cast<SQLSMALLINT>(getNumParams());
    return call.finish(SQL_SUCCESS);
}

SQLRETURN BaseStatement::SQLParamOptions(SQLULEN crow, SQLULEN* pirow) {
    BaseStatementCall call(*this, SQL_API_SQLPARAMOPTIONS);
    if (call.isBusy())
        return BASE_BUSY;
    if (crow == 0) {
        addOdbcError(ODBC_S1107);
        return call.finish(SQL_ERROR);
    }
    BaseExecState* exec = BaseStatementExec::state(*this);
    if (exec == nullptr)
        return call.finish(SQL_ERROR);
    exec->paramRows = crow;
    rowsProcessed_ = pirow;
    return call.finish(SQL_SUCCESS);
}

SQLULEN BaseStatement::getParamRows() const {
    return exec_ ? exec_->paramRows : 1;
}
