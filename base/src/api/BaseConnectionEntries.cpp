// The ODBC entry points of environments and connections, and ConfigDSN.
//
// These sources are compiled into every driver library (never into the
// framework library): each entry point checks its handle and hands the call
// to the driver's BaseDriver or to the handle object, through the vtable.
#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include "base/BaseConnection.h"
#include "base/BaseDriver.h"
#include "base/BaseWideText.h"
#include "util/VxExport.h"

VX_EXPORT SQLRETURN SQL_API SQLAllocEnv(SQLHENV* phenv) {
    if (!phenv)
        return SQL_ERROR;
    baseNoteEnvCaller(__builtin_return_address(0));
    return baseGetDriver().allocEnv(phenv);
}

VX_EXPORT SQLRETURN SQL_API SQLAllocConnect(SQLHENV henv, SQLHDBC* phdbc) {
    if (!henv)
        return SQL_INVALID_HANDLE;
    if (!phdbc)
        return SQL_ERROR;
    return baseGetDriver().allocConnect(henv, phdbc);
}

VX_EXPORT SQLRETURN SQL_API SQLAllocStmt(SQLHDBC hdbc, SQLHSTMT* phstmt) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    if (!phstmt)
        return SQL_ERROR;
    return baseGetDriver().allocStmt(hdbc, phstmt);
}

VX_EXPORT SQLRETURN SQL_API SQLFreeEnv(SQLHENV henv) {
    if (!henv)
        return SQL_INVALID_HANDLE;
    return baseGetDriver().freeEnv(henv);
}

VX_EXPORT SQLRETURN SQL_API SQLFreeConnect(SQLHDBC hdbc) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return baseGetDriver().freeConnect(hdbc);
}

VX_EXPORT SQLRETURN SQL_API SQLError(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt,
                                     SQLCHAR* szSqlState, SQLINTEGER* pfNativeError,
                                     SQLCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax,
                                     SQLSMALLINT* pcbErrorMsg) {
    return baseGetDriver().error(henv, hdbc, hstmt, szSqlState, pfNativeError, szErrorMsg,
                                 cbErrorMsgMax, pcbErrorMsg);
}

VX_EXPORT SQLRETURN SQL_API SQLBrowseConnect(SQLHDBC hdbc, SQLCHAR* szConnStrIn,
                                             SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut,
                                             SQLSMALLINT cbConnStrOutMax,
                                             SQLSMALLINT* pcbConnStrOut) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLBrowseConnect(
        szConnStrIn, cbConnStrIn, szConnStrOut, cbConnStrOutMax, pcbConnStrOut);
}

VX_EXPORT SQLRETURN SQL_API SQLConnect(SQLHDBC hdbc, SQLCHAR* szDSN, SQLSMALLINT cbDSN,
                                       SQLCHAR* szUID, SQLSMALLINT cbUID, SQLCHAR* szAuthStr,
                                       SQLSMALLINT cbAuthStr) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLConnect(szDSN, cbDSN, szUID, cbUID, szAuthStr,
                                                          cbAuthStr);
}

VX_EXPORT SQLRETURN SQL_API SQLDriverConnect(SQLHDBC hdbc, SQLHWND hwnd, SQLCHAR* szConnStrIn,
                                             SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut,
                                             SQLSMALLINT cbConnStrOutMax,
                                             SQLSMALLINT* pcbConnStrOut,
                                             SQLUSMALLINT fDriverCompletion) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return baseGetDriver().driverConnect(hdbc, hwnd, szConnStrIn, cbConnStrIn, szConnStrOut,
                                         cbConnStrOutMax, pcbConnStrOut, fDriverCompletion);
}

VX_EXPORT SQLRETURN SQL_API SQLDisconnect(SQLHDBC hdbc) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLDisconnect();
}

VX_EXPORT SQLRETURN SQL_API SQLGetConnectOption(SQLHDBC hdbc, SQLUSMALLINT fOption,
                                                SQLPOINTER pvParam) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLGetConnectOption(fOption, pvParam);
}

VX_EXPORT SQLRETURN SQL_API SQLGetFunctions(SQLHDBC hdbc, SQLUSMALLINT fFunction,
                                            SQLUSMALLINT* pfExists) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLGetFunctions(fFunction, pfExists);
}

VX_EXPORT SQLRETURN SQL_API SQLGetInfo(SQLHDBC hdbc, SQLUSMALLINT fInfoType,
                                       SQLPOINTER rgbInfoValue, SQLSMALLINT cbInfoValueMax,
                                       SQLSMALLINT* pcbInfoValue) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLGetInfo(fInfoType, rgbInfoValue, cbInfoValueMax,
                                                          pcbInfoValue);
}

VX_EXPORT SQLRETURN SQL_API SQLNativeSql(SQLHDBC hdbc, SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn,
                                         SQLCHAR* szSqlStr, SQLINTEGER cbSqlStrMax,
                                         SQLINTEGER* pcbSqlStr) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLNativeSql(szSqlStrIn, cbSqlStrIn, szSqlStr,
                                                            cbSqlStrMax, pcbSqlStr);
}

VX_EXPORT SQLRETURN SQL_API SQLSetConnectOption(SQLHDBC hdbc, SQLUSMALLINT fOption,
                                                SQLULEN vParam) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    baseNoteConnectOption(fOption);
    return static_cast<BaseConnection*>(hdbc)->SQLSetConnectOption(fOption, vParam);
}

// The environment handle is not used.
VX_EXPORT SQLRETURN SQL_API SQLTransact(SQLHENV henv, SQLHDBC hdbc, SQLUSMALLINT fType) {
    (void)henv;
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseConnection*>(hdbc)->SQLTransact(fType);
}

VX_EXPORT BOOL INSTAPI ConfigDSN(HWND hwndParent, WORD fRequest, LPCSTR lpszDriver,
                                 LPCSTR lpszAttributes) {
    return baseGetDriver().configDsn(hwndParent, fRequest, lpszDriver, lpszAttributes);
}
