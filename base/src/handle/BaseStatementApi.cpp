// The ODBC statement functions whose logic is not yet in place: each
// answers IM001 "Driver does not support this function." after the usual
// busy check and entrance, so that the driver manager can load and call
// every driver.
#include <sqlext.h>

#include "base/BaseStatement.h"

SQLRETURN BaseStatement::SQLBindCol(SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) {
    return unsupportedCall(SQL_API_SQLBINDCOL);
}

SQLRETURN BaseStatement::SQLBindParameter(SQLUSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLSMALLINT, SQLULEN, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) {
    return unsupportedCall(SQL_API_SQLBINDPARAMETER);
}

SQLRETURN BaseStatement::SQLColAttributes(SQLUSMALLINT, SQLUSMALLINT, SQLPOINTER, SQLSMALLINT, SQLSMALLINT*, SQLLEN*) {
    return unsupportedCall(SQL_API_SQLCOLATTRIBUTES);
}

SQLRETURN BaseStatement::SQLColumnPrivileges(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLCOLUMNPRIVILEGES);
}

SQLRETURN BaseStatement::SQLColumns(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLCOLUMNS);
}

SQLRETURN BaseStatement::SQLDescribeCol(SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLSMALLINT*, SQLSMALLINT*, SQLULEN*, SQLSMALLINT*, SQLSMALLINT*) {
    return unsupportedCall(SQL_API_SQLDESCRIBECOL);
}

SQLRETURN BaseStatement::SQLExecDirect(SQLCHAR*, SQLINTEGER) {
    return unsupportedCall(SQL_API_SQLEXECDIRECT);
}

SQLRETURN BaseStatement::SQLExecute() {
    return unsupportedCall(SQL_API_SQLEXECUTE);
}

SQLRETURN BaseStatement::SQLExtendedFetch(SQLUSMALLINT, SQLLEN, SQLULEN*, SQLUSMALLINT*) {
    return unsupportedCall(SQL_API_SQLEXTENDEDFETCH);
}

SQLRETURN BaseStatement::SQLFetch() {
    return unsupportedCall(SQL_API_SQLFETCH);
}

SQLRETURN BaseStatement::SQLForeignKeys(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLFOREIGNKEYS);
}

SQLRETURN BaseStatement::SQLGetData(SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*) {
    return unsupportedCall(SQL_API_SQLGETDATA);
}

SQLRETURN BaseStatement::SQLGetCursorName(SQLCHAR*, SQLSMALLINT, SQLSMALLINT*) {
    return unsupportedCall(SQL_API_SQLGETCURSORNAME);
}

SQLRETURN BaseStatement::SQLGetStmtOption(SQLUSMALLINT, SQLPOINTER) {
    return unsupportedCall(SQL_API_SQLGETSTMTOPTION);
}

SQLRETURN BaseStatement::SQLGetTypeInfo(SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLGETTYPEINFO);
}

SQLRETURN BaseStatement::SQLMoreResults() {
    return unsupportedCall(SQL_API_SQLMORERESULTS);
}

SQLRETURN BaseStatement::SQLNumParams(SQLSMALLINT*) {
    return unsupportedCall(SQL_API_SQLNUMPARAMS);
}

SQLRETURN BaseStatement::SQLNumResultCols(SQLSMALLINT*) {
    return unsupportedCall(SQL_API_SQLNUMRESULTCOLS);
}

SQLRETURN BaseStatement::SQLParamData(SQLPOINTER*) {
    return unsupportedCall(SQL_API_SQLPARAMDATA);
}

SQLRETURN BaseStatement::SQLParamOptions(SQLULEN, SQLULEN*) {
    return unsupportedCall(SQL_API_SQLPARAMOPTIONS);
}

SQLRETURN BaseStatement::SQLPrepare(SQLCHAR*, SQLINTEGER) {
    return unsupportedCall(SQL_API_SQLPREPARE);
}

SQLRETURN BaseStatement::SQLPrimaryKeys(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLPRIMARYKEYS);
}

SQLRETURN BaseStatement::SQLProcedureColumns(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLPROCEDURECOLUMNS);
}

SQLRETURN BaseStatement::SQLProcedures(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLPROCEDURES);
}

SQLRETURN BaseStatement::SQLPutData(SQLPOINTER, SQLLEN) {
    return unsupportedCall(SQL_API_SQLPUTDATA);
}

SQLRETURN BaseStatement::SQLRowCount(SQLLEN*) {
    return unsupportedCall(SQL_API_SQLROWCOUNT);
}

SQLRETURN BaseStatement::SQLSetCursorName(SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLSETCURSORNAME);
}

SQLRETURN BaseStatement::SQLSetPos(SQLSETPOSIROW, SQLUSMALLINT, SQLUSMALLINT) {
    return unsupportedCall(SQL_API_SQLSETPOS);
}

SQLRETURN BaseStatement::SQLSetScrollOptions(SQLUSMALLINT, SQLLEN, SQLUSMALLINT) {
    return unsupportedCall(SQL_API_SQLSETSCROLLOPTIONS);
}

SQLRETURN BaseStatement::SQLSetStmtOption(SQLUSMALLINT, SQLULEN) {
    return unsupportedCall(SQL_API_SQLSETSTMTOPTION);
}

SQLRETURN BaseStatement::SQLSpecialColumns(SQLUSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLUSMALLINT, SQLUSMALLINT) {
    return unsupportedCall(SQL_API_SQLSPECIALCOLUMNS);
}

SQLRETURN BaseStatement::SQLStatistics(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLUSMALLINT, SQLUSMALLINT) {
    return unsupportedCall(SQL_API_SQLSTATISTICS);
}

SQLRETURN BaseStatement::SQLTablePrivileges(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLTABLEPRIVILEGES);
}

SQLRETURN BaseStatement::SQLTables(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT) {
    return unsupportedCall(SQL_API_SQLTABLES);
}
