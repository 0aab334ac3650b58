// SQLNativeSql and the escape helpers a connection offers its driver's
// expandNativeEscape.
//
// SQLNativeSql expands the escape clauses of a text exactly as preparation
// would, but in native mode: {?=call} goes to the driver as a call with
// return value, and nothing else (markers, FOR UPDATE, parameters) is
// looked at. The result follows the output-string rules: the full length
// is returned, a short buffer gets the text cut with 01004.
#include <sqlext.h>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseEscapeProcessor.h"
#include "base/BaseEscapeRewrite.h"
#include "base/BaseOutString.h"
#include "base/BaseSqlString.h"

BaseEscapeOptions BaseConnection::getEscapeOptions() const {
    return BaseEscapeOptions::fromConnection(flags_.load(), workArounds_.load());
}

VxStatus BaseConnection::copyEscapeArgument(VxReplaceString* text, unsigned long* remaining,
                                            unsigned argument, unsigned flags) {
    return ::copyEscapeArgument(text, remaining, argument, flags);
}

VxStatus BaseConnection::processOuterJoinEscape(VxReplaceString* text, unsigned long length,
                                                BaseOuterJoinTypes style) {
    return ::processOuterJoinEscape(text, length, style, getEscapeOptions());
}

SQLRETURN BaseConnection::SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn,
                                       SQLCHAR* szSqlStr, SQLINTEGER cbSqlStrMax,
                                       SQLINTEGER* pcbSqlStr) {
    BaseConnectionCall call(*this, SQL_API_SQLNATIVESQL);
    if (call.isBusy())
        return BASE_BUSY;
    if (szSqlStrIn == nullptr) {
        addOdbcError(ODBC_S1009);
        return call.finish(SQL_ERROR);
    }
    if ((cbSqlStrIn < 0 && cbSqlStrIn != SQL_NTS) || cbSqlStrMax < 0) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    if (!isConnected()) {
        addOdbcError(ODBC_08003);
        return call.finish(SQL_ERROR);
    }
    BaseSqlString sql;
    if (sql.setText(reinterpret_cast<const char*>(szSqlStrIn), cbSqlStrIn) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    BaseEscapeOptions options = getEscapeOptions();
    sql.setQuoteChars(options.quotes[0], options.quotes[1], options.quotes[2]);
    BaseEscapeHostAdapter<BaseConnection> host(*this);
    BaseEscapeProcessor processor(host, options);
    if (processor.process(sql, true) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    SQLLEN length = 0;
    BaseOutString out(szSqlStr, cbSqlStrMax, &length);
    VxStatus status = out.setStrValue(sql.data() ? sql.data() : "", sql.length());
    if (pcbSqlStr)
        *pcbSqlStr = static_cast<SQLINTEGER>(length);
    return call.finish(baseReturnCode(status));
}
