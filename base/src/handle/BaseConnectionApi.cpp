// The ODBC connection functions and the default hooks of BaseConnection.
//
// The connection functions whose logic is not yet in place answer with
// IM001 "Driver does not support this function." after the usual busy
// check, so that the driver manager can load and call every driver.
#include <sqlext.h>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

SQLRETURN BaseConnection::SQLBrowseConnect(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                           SQLSMALLINT*) {
    return unsupportedCall(SQL_API_SQLBROWSECONNECT);
}

SQLRETURN BaseConnection::SQLConnect(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                     SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLCONNECT);
}

SQLRETURN BaseConnection::SQLDriverConnect(SQLHWND, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT,
                                           SQLSMALLINT*, SQLUSMALLINT) {
    return unsupportedCall(SQL_API_SQLDRIVERCONNECT);
}

SQLRETURN BaseConnection::SQLDisconnect() { return unsupportedCall(SQL_API_SQLDISCONNECT); }

SQLRETURN BaseConnection::SQLGetConnectOption(SQLUSMALLINT, SQLPOINTER) {
    return unsupportedCall(SQL_API_SQLGETCONNECTOPTION);
}

SQLRETURN BaseConnection::SQLGetFunctions(SQLUSMALLINT, SQLUSMALLINT*) {
    return unsupportedCall(SQL_API_SQLGETFUNCTIONS);
}

SQLRETURN BaseConnection::SQLGetInfo(SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*) {
    return unsupportedCall(SQL_API_SQLGETINFO);
}

SQLRETURN BaseConnection::SQLNativeSql(SQLCHAR*, SQLINTEGER, SQLCHAR*, SQLINTEGER, SQLINTEGER*) {
    return unsupportedCall(SQL_API_SQLNATIVESQL);
}

// Autocommit, isolation and qualifier changes run beside no statement call.
SQLRETURN BaseConnection::SQLSetConnectOption(SQLUSMALLINT fOption, SQLULEN) {
    bool wide = fOption == SQL_AUTOCOMMIT || fOption == SQL_TXN_ISOLATION ||
                fOption == SQL_CURRENT_QUALIFIER;
    return unsupportedCall(SQL_API_SQLSETCONNECTOPTION,
                           wide ? THREAD_CHECK_CONNECTION_WIDE : THREAD_CHECK_CONNECTION);
}

SQLRETURN BaseConnection::SQLTransact(SQLUSMALLINT) {
    return unsupportedCall(SQL_API_SQLTRANSACT, THREAD_CHECK_CONNECTION_WIDE);
}

VxStatus BaseConnection::expandNativeEscape(VxReplaceString*, unsigned long, EscapeType,
                                            EscapeFunctionType) {
    return VX_ERROR;
}

VxStatus BaseConnection::startTransaction() { return VX_SUCCESS; }

VxStatus BaseConnection::endTransaction(unsigned short) { return VX_ERROR; }

VxStatus BaseConnection::getAskedForInfo(unsigned short, void**, BaseInfoValType*) {
    return VX_ERROR;
}

VxStatus BaseConnection::getConnectOption(unsigned short, void*) {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

VxStatus BaseConnection::setConnectOption(unsigned short, SQLULEN) {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

bool BaseConnection::isBinaryCTypeHandled(short) { return false; }

VxStatus BaseConnection::isFunctionSupported(unsigned short, unsigned short*) {
    return VX_SUCCESS;
}

VxStatus BaseConnection::initialize() { return VX_SUCCESS; }

VxStatus BaseConnection::modifyBrowse(const char*, VxString*) { return VX_SUCCESS; }

VxStatus BaseConnection::processBrowse(VxValueParser* parser) {
    if (connectInit(parser) != VX_SUCCESS)
        return VX_ERROR;
    return connectLogon();
}

VxStatus BaseConnection::getInfo(unsigned short, void*, SQLSMALLINT) { return VX_ERROR; }
