// The ODBC entry points of statements.
//
// These sources are compiled into every driver library (never into the
// framework library): each entry point checks its handle and forwards all
// its arguments to the statement method of the same name, through the
// vtable.
#include <sql.h>
#include <sqlext.h>

#include "BaseOdbc3.h"
#include "base/BaseDriver.h"
#include "base/BaseStatement.h"
#include "util/VxExport.h"

VX_EXPORT SQLRETURN SQL_API SQLBindCol(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLBindCol(icol, fCType, rgbValue, cbValueMax, pcbValue);
}

VX_EXPORT SQLRETURN SQL_API SQLBindParameter(SQLHSTMT hstmt, SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType, SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale, SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLBindParameter(ipar, fParamType, fCType, fSqlType, cbColDef, ibScale, rgbValue, cbValueMax, pcbValue);
}

VX_EXPORT SQLRETURN SQL_API SQLCancel(SQLHSTMT hstmt) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLCancel();
}

VX_EXPORT SQLRETURN SQL_API SQLColAttributes(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT fDescType, SQLPOINTER rgbDesc, SQLSMALLINT cbDescMax, SQLSMALLINT* pcbDesc, SQLLEN* pfDesc) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLColAttributes(icol, fDescType, rgbDesc, cbDescMax, pcbDesc, pfDesc);
}

VX_EXPORT SQLRETURN SQL_API SQLColumnPrivileges(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName, SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLColumnPrivileges(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName, szColumnName, cbColumnName);
}

VX_EXPORT SQLRETURN SQL_API SQLColumns(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName, SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLColumns(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName, szColumnName, cbColumnName);
}

VX_EXPORT SQLRETURN SQL_API SQLDescribeCol(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLCHAR* szColName, SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName, SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef, SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    SQLRETURN rc = static_cast<BaseStatement*>(hstmt)->SQLDescribeCol(
        icol, szColName, cbColNameMax, pcbColName, pfSqlType, pcbColDef, pibScale, pfNullable);
    baseOdbc3DescribeType(hstmt, rc, pfSqlType);
    return rc;
}

VX_EXPORT SQLRETURN SQL_API SQLExecDirect(SQLHSTMT hstmt, SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLExecDirect(szSqlStr, cbSqlStr);
}

VX_EXPORT SQLRETURN SQL_API SQLExecute(SQLHSTMT hstmt) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLExecute();
}

VX_EXPORT SQLRETURN SQL_API SQLExtendedFetch(SQLHSTMT hstmt, SQLUSMALLINT fFetchType, SQLLEN irow, SQLULEN* pcrow, SQLUSMALLINT* rgfRowStatus) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLExtendedFetch(fFetchType, irow, pcrow, rgfRowStatus);
}

VX_EXPORT SQLRETURN SQL_API SQLFetch(SQLHSTMT hstmt) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return baseFetch(hstmt);
}

VX_EXPORT SQLRETURN SQL_API SQLForeignKeys(SQLHSTMT hstmt, SQLCHAR* szPkCatalogName, SQLSMALLINT cbPkCatalogName, SQLCHAR* szPkSchemaName, SQLSMALLINT cbPkSchemaName, SQLCHAR* szPkTableName, SQLSMALLINT cbPkTableName, SQLCHAR* szFkCatalogName, SQLSMALLINT cbFkCatalogName, SQLCHAR* szFkSchemaName, SQLSMALLINT cbFkSchemaName, SQLCHAR* szFkTableName, SQLSMALLINT cbFkTableName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLForeignKeys(szPkCatalogName, cbPkCatalogName, szPkSchemaName, cbPkSchemaName, szPkTableName, cbPkTableName, szFkCatalogName, cbFkCatalogName, szFkSchemaName, cbFkSchemaName, szFkTableName, cbFkTableName);
}

VX_EXPORT SQLRETURN SQL_API SQLFreeStmt(SQLHSTMT hstmt, SQLUSMALLINT fOption) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLFreeStmt(fOption);
}

VX_EXPORT SQLRETURN SQL_API SQLGetData(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLGetData(icol, fCType, rgbValue, cbValueMax, pcbValue);
}

VX_EXPORT SQLRETURN SQL_API SQLGetCursorName(SQLHSTMT hstmt, SQLCHAR* szCursor, SQLSMALLINT cbCursorMax, SQLSMALLINT* pcbCursor) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLGetCursorName(szCursor, cbCursorMax, pcbCursor);
}

VX_EXPORT SQLRETURN SQL_API SQLGetStmtOption(SQLHSTMT hstmt, SQLUSMALLINT fOption, SQLPOINTER pvParam) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLGetStmtOption(fOption, pvParam);
}

VX_EXPORT SQLRETURN SQL_API SQLGetTypeInfo(SQLHSTMT hstmt, SQLSMALLINT fSqlType) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLGetTypeInfo(fSqlType);
}

VX_EXPORT SQLRETURN SQL_API SQLMoreResults(SQLHSTMT hstmt) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLMoreResults();
}

VX_EXPORT SQLRETURN SQL_API SQLNumParams(SQLHSTMT hstmt, SQLSMALLINT* pcpar) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLNumParams(pcpar);
}

VX_EXPORT SQLRETURN SQL_API SQLNumResultCols(SQLHSTMT hstmt, SQLSMALLINT* pccol) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLNumResultCols(pccol);
}

VX_EXPORT SQLRETURN SQL_API SQLParamData(SQLHSTMT hstmt, SQLPOINTER* prgbValue) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLParamData(prgbValue);
}

VX_EXPORT SQLRETURN SQL_API SQLParamOptions(SQLHSTMT hstmt, SQLULEN crow, SQLULEN* pirow) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLParamOptions(crow, pirow);
}

VX_EXPORT SQLRETURN SQL_API SQLPrepare(SQLHSTMT hstmt, SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLPrepare(szSqlStr, cbSqlStr);
}

VX_EXPORT SQLRETURN SQL_API SQLPrimaryKeys(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLPrimaryKeys(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName);
}

VX_EXPORT SQLRETURN SQL_API SQLProcedureColumns(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szProcName, SQLSMALLINT cbProcName, SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLProcedureColumns(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szProcName, cbProcName, szColumnName, cbColumnName);
}

VX_EXPORT SQLRETURN SQL_API SQLProcedures(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szProcName, SQLSMALLINT cbProcName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLProcedures(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szProcName, cbProcName);
}

VX_EXPORT SQLRETURN SQL_API SQLPutData(SQLHSTMT hstmt, SQLPOINTER rgbValue, SQLLEN cbValue) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLPutData(rgbValue, cbValue);
}

VX_EXPORT SQLRETURN SQL_API SQLRowCount(SQLHSTMT hstmt, SQLLEN* pcrow) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLRowCount(pcrow);
}

VX_EXPORT SQLRETURN SQL_API SQLSetCursorName(SQLHSTMT hstmt, SQLCHAR* szCursor, SQLSMALLINT cbCursor) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLSetCursorName(szCursor, cbCursor);
}

VX_EXPORT SQLRETURN SQL_API SQLSetPos(SQLHSTMT hstmt, SQLSETPOSIROW irow, SQLUSMALLINT fOption, SQLUSMALLINT fLock) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLSetPos(irow, fOption, fLock);
}

VX_EXPORT SQLRETURN SQL_API SQLSetScrollOptions(SQLHSTMT hstmt, SQLUSMALLINT fConcurrency, SQLLEN crowKeyset, SQLUSMALLINT crowRowset) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLSetScrollOptions(fConcurrency, crowKeyset, crowRowset);
}

VX_EXPORT SQLRETURN SQL_API SQLSetStmtOption(SQLHSTMT hstmt, SQLUSMALLINT fOption, SQLULEN vParam) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLSetStmtOption(fOption, vParam);
}

VX_EXPORT SQLRETURN SQL_API SQLSpecialColumns(SQLHSTMT hstmt, SQLUSMALLINT fColType, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName, SQLUSMALLINT fScope, SQLUSMALLINT fNullable) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLSpecialColumns(fColType, szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName, fScope, fNullable);
}

VX_EXPORT SQLRETURN SQL_API SQLStatistics(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName, SQLUSMALLINT fUnique, SQLUSMALLINT fAccuracy) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLStatistics(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName, fUnique, fAccuracy);
}

VX_EXPORT SQLRETURN SQL_API SQLTablePrivileges(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLTablePrivileges(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName);
}

VX_EXPORT SQLRETURN SQL_API SQLTables(SQLHSTMT hstmt, SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName, SQLCHAR* szTableName, SQLSMALLINT cbTableName, SQLCHAR* szTableType, SQLSMALLINT cbTableType) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLTables(szCatalogName, cbCatalogName, szSchemaName, cbSchemaName, szTableName, cbTableName, szTableType, cbTableType);
}
