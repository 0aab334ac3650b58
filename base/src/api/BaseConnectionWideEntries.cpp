// The Unicode (W) entry points of environments and connections.
//
// Compiled into every driver library, like the narrow entry points. Each
// converts its texts from UTF-16 into the data source's character set,
// calls the narrow entry of the same name and converts the texts it
// answers back (BaseWideText.h). Before a connection exists, its character
// set comes from the connect string or the data source's entry.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseDriver.h"
#include "base/BaseEnv.h"
#include "base/BaseStatement.h"
#include "base/BaseWideText.h"
#include "util/VxCharset.h"
#include "util/VxExport.h"

namespace {

// The characters a string connection option may have (ODBC's
// SQL_MAX_OPTION_STRING_LENGTH, plus the terminator).
constexpr SQLLEN OPTION_STRING_CHARS = 257;

bool isStringOption(SQLUSMALLINT option) {
    return option == SQL_OPT_TRACEFILE || option == SQL_TRANSLATE_DLL ||
           option == SQL_CURRENT_QUALIFIER;
}

// SQLGetInfo types whose answer is a string.
bool isStringInfo(SQLUSMALLINT type) {
    static const SQLUSMALLINT TYPES[] = {SQL_DATA_SOURCE_NAME,
                                         SQL_DRIVER_NAME,
                                         SQL_DRIVER_VER,
                                         SQL_ODBC_VER,
                                         SQL_ROW_UPDATES,
                                         SQL_SERVER_NAME,
                                         SQL_SEARCH_PATTERN_ESCAPE,
                                         SQL_DATABASE_NAME,
                                         SQL_DBMS_NAME,
                                         SQL_DBMS_VER,
                                         SQL_ACCESSIBLE_TABLES,
                                         SQL_ACCESSIBLE_PROCEDURES,
                                         SQL_PROCEDURES,
                                         SQL_DATA_SOURCE_READ_ONLY,
                                         SQL_EXPRESSIONS_IN_ORDERBY,
                                         SQL_IDENTIFIER_QUOTE_CHAR,
                                         SQL_MULT_RESULT_SETS,
                                         SQL_MULTIPLE_ACTIVE_TXN,
                                         SQL_OUTER_JOINS,
                                         SQL_OWNER_TERM,
                                         SQL_PROCEDURE_TERM,
                                         SQL_QUALIFIER_NAME_SEPARATOR,
                                         SQL_QUALIFIER_TERM,
                                         SQL_TABLE_TERM,
                                         SQL_USER_NAME,
                                         SQL_ODBC_SQL_OPT_IEF,
                                         SQL_DRIVER_ODBC_VER,
                                         SQL_COLUMN_ALIAS,
                                         SQL_KEYWORDS,
                                         SQL_ORDER_BY_COLUMNS_IN_SELECT,
                                         SQL_SPECIAL_CHARACTERS,
                                         SQL_MAX_ROW_SIZE_INCLUDES_LONG,
                                         SQL_NEED_LONG_DATA_LEN,
                                         SQL_LIKE_ESCAPE_CLAUSE,
                                         SQL_XOPEN_CLI_YEAR,
                                         SQL_DESCRIBE_PARAMETER,
                                         SQL_CATALOG_NAME,
                                         SQL_COLLATION_SEQ};
    for (SQLUSMALLINT known : TYPES)
        if (known == type)
            return true;
    return false;
}

// The character set of the handle an error is asked of: its connection's,
// else UTF-8.
const VxCharset& errorCharset(SQLHDBC hdbc, SQLHSTMT hstmt) {
    static const VxCharset UTF8;
    if (hstmt)
        return static_cast<BaseStatement*>(hstmt)->getConnection().getCharset();
    if (hdbc)
        return static_cast<BaseConnection*>(hdbc)->getCharset();
    return UTF8;
}

// A wide connect string in the character set it selects itself.
struct WideConnectString {
    VxCharset charset;
    BaseWideIn text;

    WideConnectString(const SQLWCHAR* wide, SQLSMALLINT length) {
        text.assign(charset, wide, length);
        if (text.failed() || !text.text() || text.length() <= 0)
            return;
        baseConnectCharset(reinterpret_cast<const char*>(text.text()),
                           static_cast<std::size_t>(text.length()), nullptr, &charset);
        if (!charset.isUtf8())
            text.assign(charset, wide, length);
    }
    bool failed() const { return text.failed(); }
};

void copyWideState(const SQLCHAR* state, SQLWCHAR* szSqlState) {
    for (int i = 0; i < 6; ++i)
        basePutWide(szSqlState, i, state[i]);
}

// SQLErrorW without memory for converting the message (the record to
// report may well be that memory ran out): the message goes to a buffer on
// the stack and its bytes are widened one by one, a byte that is not ASCII
// becoming U+FFFD.
SQLRETURN errorWithoutMemory(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLWCHAR* szSqlState,
                             SQLINTEGER* pfNativeError, SQLWCHAR* szErrorMsg,
                             SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg) {
    SQLCHAR state[6] = {0};
    SQLCHAR text[SQL_MAX_MESSAGE_LENGTH] = {0};
    SQLSMALLINT length = 0;
    SQLRETURN rc =
        baseGetDriver().error(henv, hdbc, hstmt, state, pfNativeError, text, sizeof text, &length);
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
        return rc;
    if (szSqlState)
        copyWideState(state, szSqlState);
    if (szErrorMsg && cbErrorMsgMax > 0) {
        SQLSMALLINT stored = 0;
        for (; stored < cbErrorMsgMax - 1 && text[stored]; ++stored)
            basePutWide(szErrorMsg, stored, text[stored] < 0x80 ? text[stored] : 0xFFFD);
        basePutWide(szErrorMsg, stored, 0);
        if (stored < length)
            rc = SQL_SUCCESS_WITH_INFO;
    }
    if (pcbErrorMsg)
        *pcbErrorMsg = length;
    return rc;
}

} // namespace

VX_EXPORT SQLRETURN SQL_API SQLErrorW(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt,
                                      SQLWCHAR* szSqlState, SQLINTEGER* pfNativeError,
                                      SQLWCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax,
                                      SQLSMALLINT* pcbErrorMsg) {
    BaseWideOut message(szErrorMsg, cbErrorMsgMax, false);
    if (message.failed())
        return errorWithoutMemory(henv, hdbc, hstmt, szSqlState, pfNativeError, szErrorMsg,
                                  cbErrorMsgMax, pcbErrorMsg);
    SQLCHAR state[6] = {0};
    SQLSMALLINT length = 0;
    SQLRETURN rc = baseGetDriver().error(henv, hdbc, hstmt, state, pfNativeError, message.narrow(),
                                         message.narrowSize(), &length);
    if (szSqlState && (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO))
        copyWideState(state, szSqlState);
    return message.finish(rc, errorCharset(hdbc, hstmt), length, pcbErrorMsg, nullptr);
}

VX_EXPORT SQLRETURN SQL_API SQLConnectW(SQLHDBC hdbc, SQLWCHAR* szDSN, SQLSMALLINT cbDSN,
                                        SQLWCHAR* szUID, SQLSMALLINT cbUID, SQLWCHAR* szAuthStr,
                                        SQLSMALLINT cbAuthStr) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    VxCharset charset;
    {
        BaseWideIn name(charset, szDSN, cbDSN);
        if (name.failed())
            return baseWideFailure(connection->getErrorList());
        if (name.text() && name.length() >= 0)
            baseConnectCharset(nullptr, 0, reinterpret_cast<const char*>(name.text()), &charset);
    }
    BaseWideIn dsn(charset, szDSN, cbDSN), uid(charset, szUID, cbUID),
        pwd(charset, szAuthStr, cbAuthStr);
    if (dsn.failed() || uid.failed() || pwd.failed())
        return baseWideFailure(connection->getErrorList());
    return connection->SQLConnect(dsn.text(), dsn.shortLength(), uid.text(), uid.shortLength(),
                                  pwd.text(), pwd.shortLength());
}

VX_EXPORT SQLRETURN SQL_API SQLDriverConnectW(SQLHDBC hdbc, SQLHWND hwnd, SQLWCHAR* szConnStrIn,
                                              SQLSMALLINT cbConnStrIn, SQLWCHAR* szConnStrOut,
                                              SQLSMALLINT cbConnStrOutMax,
                                              SQLSMALLINT* pcbConnStrOut,
                                              SQLUSMALLINT fDriverCompletion) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    WideConnectString in(szConnStrIn, cbConnStrIn);
    BaseWideOut out(szConnStrOut, cbConnStrOutMax, false);
    if (in.failed() || out.failed())
        return baseWideFailure(connection->getErrorList());
    SQLSMALLINT length = 0;
    SQLRETURN rc =
        baseGetDriver().driverConnect(hdbc, hwnd, in.text.text(), in.text.shortLength(),
                                      out.narrow(), out.narrowSize(), &length, fDriverCompletion);
    return out.finish(rc, connection->getCharset(), length, pcbConnStrOut,
                      &connection->getErrorList());
}

VX_EXPORT SQLRETURN SQL_API SQLBrowseConnectW(SQLHDBC hdbc, SQLWCHAR* szConnStrIn,
                                              SQLSMALLINT cbConnStrIn, SQLWCHAR* szConnStrOut,
                                              SQLSMALLINT cbConnStrOutMax,
                                              SQLSMALLINT* pcbConnStrOut) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    WideConnectString in(szConnStrIn, cbConnStrIn);
    BaseWideOut out(szConnStrOut, cbConnStrOutMax, false);
    if (in.failed() || out.failed())
        return baseWideFailure(connection->getErrorList());
    SQLSMALLINT length = 0;
    SQLRETURN rc = connection->SQLBrowseConnect(in.text.text(), in.text.shortLength(), out.narrow(),
                                                out.narrowSize(), &length);
    return out.finish(rc, in.charset, length, pcbConnStrOut, &connection->getErrorList());
}

VX_EXPORT SQLRETURN SQL_API SQLGetConnectOptionW(SQLHDBC hdbc, SQLUSMALLINT fOption,
                                                 SQLPOINTER pvParam) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    if (!isStringOption(fOption))
        return connection->SQLGetConnectOption(fOption, pvParam);
    BaseWideOut out(pvParam, OPTION_STRING_CHARS, false);
    if (out.failed())
        return baseWideFailure(connection->getErrorList());
    SQLRETURN rc = connection->SQLGetConnectOption(fOption, out.narrow());
    SQLLEN length = static_cast<SQLLEN>(std::strlen(reinterpret_cast<char*>(out.narrow())));
    return out.finish(rc, connection->getCharset(), length, static_cast<SQLLEN*>(nullptr),
                      &connection->getErrorList());
}

VX_EXPORT SQLRETURN SQL_API SQLSetConnectOptionW(SQLHDBC hdbc, SQLUSMALLINT fOption,
                                                 SQLULEN vParam) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    baseNoteConnectOption(fOption);
    if (!isStringOption(fOption))
        return connection->SQLSetConnectOption(fOption, vParam);
    BaseWideIn value(connection->getCharset(), reinterpret_cast<const SQLWCHAR*>(vParam), SQL_NTS);
    if (value.failed())
        return baseWideFailure(connection->getErrorList());
    return connection->SQLSetConnectOption(fOption, reinterpret_cast<SQLULEN>(value.text()));
}

VX_EXPORT SQLRETURN SQL_API SQLGetInfoW(SQLHDBC hdbc, SQLUSMALLINT fInfoType,
                                        SQLPOINTER rgbInfoValue, SQLSMALLINT cbInfoValueMax,
                                        SQLSMALLINT* pcbInfoValue) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    if (!isStringInfo(fInfoType))
        return connection->SQLGetInfo(fInfoType, rgbInfoValue, cbInfoValueMax, pcbInfoValue);
    BaseWideOut out(rgbInfoValue, cbInfoValueMax, true);
    if (out.failed())
        return baseWideFailure(connection->getErrorList());
    SQLSMALLINT length = 0;
    SQLRETURN rc = connection->SQLGetInfo(fInfoType, out.narrow(), out.narrowSize(), &length);
    return out.finish(rc, connection->getCharset(), length, pcbInfoValue,
                      &connection->getErrorList());
}

VX_EXPORT SQLRETURN SQL_API SQLNativeSqlW(SQLHDBC hdbc, SQLWCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn,
                                          SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStrMax,
                                          SQLINTEGER* pcbSqlStr) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    BaseWideIn in(connection->getCharset(), szSqlStrIn, cbSqlStrIn);
    std::size_t room = in.length() > 0 ? static_cast<std::size_t>(in.length()) * 2 + 4096 : 4096;
    BaseWideOut out(szSqlStr, cbSqlStrMax, false, room);
    if (in.failed() || out.failed())
        return baseWideFailure(connection->getErrorList());
    SQLINTEGER length = 0;
    SQLRETURN rc = connection->SQLNativeSql(in.text(), in.length(), out.narrow(),
                                            out.narrowSizeLong(), &length);
    SQLLEN full = -1;
    rc = out.finish(rc, connection->getCharset(), length, &full, &connection->getErrorList());
    if (pcbSqlStr && full >= 0)
        *pcbSqlStr = static_cast<SQLINTEGER>(full);
    return rc;
}
