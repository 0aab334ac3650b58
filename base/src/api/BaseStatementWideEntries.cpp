// The Unicode (W) entry points of statements.
//
// Compiled into every driver library, like the narrow entry points. Texts
// convert between UTF-16 and the connection's character set at this
// boundary (BaseWideText.h); the work is done by the statement method of
// the narrow function.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <initializer_list>
#include <utility>

#include "BaseOdbc3.h"
#include "base/BaseConnection.h"
#include "base/BaseStatement.h"
#include "base/BaseWideText.h"
#include "util/VxExport.h"

namespace {

const VxCharset& charsetOf(SQLHSTMT hstmt) {
    return static_cast<BaseStatement*>(hstmt)->getConnection().getCharset();
}

VxErrorList& listOf(SQLHSTMT hstmt) {
    return static_cast<BaseStatement*>(hstmt)->getErrorList();
}

// The names a catalog function is given, converted together.
struct CatalogNames {
    BaseWideIn name[6];
    CatalogNames(SQLHSTMT hstmt, std::initializer_list<std::pair<SQLWCHAR*, SQLSMALLINT>> args) {
        int i = 0;
        for (const auto& arg : args)
            name[i++].assign(charsetOf(hstmt), arg.first, arg.second);
    }
    bool failed() const {
        for (const BaseWideIn& one : name)
            if (one.failed())
                return true;
        return false;
    }
    SQLCHAR* text(int i) const { return name[i].text(); }
    SQLSMALLINT length(int i) const { return name[i].shortLength(); }
};

// SQLColAttributes fields whose answer is a string.
bool isStringField(SQLUSMALLINT field) {
    switch (field) {
    case SQL_COLUMN_NAME:
    case SQL_COLUMN_TYPE_NAME:
    case SQL_COLUMN_TABLE_NAME:
    case SQL_COLUMN_OWNER_NAME:
    case SQL_COLUMN_QUALIFIER_NAME:
    case SQL_COLUMN_LABEL:
    case SQL_DESC_BASE_COLUMN_NAME:
    case SQL_DESC_BASE_TABLE_NAME:
    case SQL_DESC_LITERAL_PREFIX:
    case SQL_DESC_LITERAL_SUFFIX:
    case SQL_DESC_LOCAL_TYPE_NAME:
    case SQL_DESC_NAME:
        return true;
    default:
        return false;
    }
}

} // namespace

VX_EXPORT SQLRETURN SQL_API SQLExecDirectW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr,
                                           SQLINTEGER cbSqlStr) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseWideIn sql(charsetOf(hstmt), szSqlStr, cbSqlStr);
    if (sql.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLExecDirect(sql.text(), sql.length());
}

VX_EXPORT SQLRETURN SQL_API SQLPrepareW(SQLHSTMT hstmt, SQLWCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseWideIn sql(charsetOf(hstmt), szSqlStr, cbSqlStr);
    if (sql.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLPrepare(sql.text(), sql.length());
}

VX_EXPORT SQLRETURN SQL_API SQLDescribeColW(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLWCHAR* szColName,
                                            SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName,
                                            SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef,
                                            SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseWideOut name(szColName, cbColNameMax, false);
    if (name.failed())
        return baseWideFailure(listOf(hstmt));
    SQLSMALLINT length = 0;
    SQLRETURN rc = static_cast<BaseStatement*>(hstmt)->SQLDescribeCol(
        icol, name.narrow(), name.narrowSize(), &length, pfSqlType, pcbColDef, pibScale,
        pfNullable);
    baseOdbc3DescribeType(hstmt, rc, pfSqlType);
    return name.finish(rc, charsetOf(hstmt), length, pcbColName, &listOf(hstmt));
}

VX_EXPORT SQLRETURN SQL_API SQLColAttributesW(SQLHSTMT hstmt, SQLUSMALLINT icol,
                                              SQLUSMALLINT fDescType, SQLPOINTER rgbDesc,
                                              SQLSMALLINT cbDescMax, SQLSMALLINT* pcbDesc,
                                              SQLLEN* pfDesc) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    auto* statement = static_cast<BaseStatement*>(hstmt);
    if (!isStringField(fDescType))
        return statement->SQLColAttributes(icol, fDescType, rgbDesc, cbDescMax, pcbDesc, pfDesc);
    BaseWideOut text(rgbDesc, cbDescMax, true);
    if (text.failed())
        return baseWideFailure(listOf(hstmt));
    SQLSMALLINT length = 0;
    SQLRETURN rc = statement->SQLColAttributes(icol, fDescType, text.narrow(), text.narrowSize(),
                                               &length, pfDesc);
    return text.finish(rc, charsetOf(hstmt), length, pcbDesc, &listOf(hstmt));
}

VX_EXPORT SQLRETURN SQL_API SQLGetCursorNameW(SQLHSTMT hstmt, SQLWCHAR* szCursor,
                                              SQLSMALLINT cbCursorMax, SQLSMALLINT* pcbCursor) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseWideOut name(szCursor, cbCursorMax, false);
    if (name.failed())
        return baseWideFailure(listOf(hstmt));
    SQLSMALLINT length = 0;
    SQLRETURN rc = static_cast<BaseStatement*>(hstmt)->SQLGetCursorName(name.narrow(),
                                                                        name.narrowSize(), &length);
    return name.finish(rc, charsetOf(hstmt), length, pcbCursor, &listOf(hstmt));
}

VX_EXPORT SQLRETURN SQL_API SQLSetCursorNameW(SQLHSTMT hstmt, SQLWCHAR* szCursor,
                                              SQLSMALLINT cbCursor) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseWideIn name(charsetOf(hstmt), szCursor, cbCursor);
    if (name.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLSetCursorName(name.text(), name.shortLength());
}

VX_EXPORT SQLRETURN SQL_API SQLGetTypeInfoW(SQLHSTMT hstmt, SQLSMALLINT fSqlType) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return static_cast<BaseStatement*>(hstmt)->SQLGetTypeInfo(fSqlType);
}

VX_EXPORT SQLRETURN SQL_API SQLColumnsW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                        SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                        SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                                        SQLSMALLINT cbTableName, SQLWCHAR* szColumnName,
                                        SQLSMALLINT cbColumnName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(hstmt, {{szCatalogName, cbCatalogName},
                           {szSchemaName, cbSchemaName},
                           {szTableName, cbTableName},
                           {szColumnName, cbColumnName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLColumns(n.text(0), n.length(0), n.text(1),
                                                          n.length(1), n.text(2), n.length(2),
                                                          n.text(3), n.length(3));
}

VX_EXPORT SQLRETURN SQL_API SQLColumnPrivilegesW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                                 SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                                 SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                                                 SQLSMALLINT cbTableName, SQLWCHAR* szColumnName,
                                                 SQLSMALLINT cbColumnName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(hstmt, {{szCatalogName, cbCatalogName},
                           {szSchemaName, cbSchemaName},
                           {szTableName, cbTableName},
                           {szColumnName, cbColumnName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLColumnPrivileges(
        n.text(0), n.length(0), n.text(1), n.length(1), n.text(2), n.length(2), n.text(3),
        n.length(3));
}

VX_EXPORT SQLRETURN SQL_API SQLForeignKeysW(SQLHSTMT hstmt, SQLWCHAR* szPkCatalogName,
                                            SQLSMALLINT cbPkCatalogName, SQLWCHAR* szPkSchemaName,
                                            SQLSMALLINT cbPkSchemaName, SQLWCHAR* szPkTableName,
                                            SQLSMALLINT cbPkTableName, SQLWCHAR* szFkCatalogName,
                                            SQLSMALLINT cbFkCatalogName, SQLWCHAR* szFkSchemaName,
                                            SQLSMALLINT cbFkSchemaName, SQLWCHAR* szFkTableName,
                                            SQLSMALLINT cbFkTableName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(hstmt, {{szPkCatalogName, cbPkCatalogName},
                           {szPkSchemaName, cbPkSchemaName},
                           {szPkTableName, cbPkTableName},
                           {szFkCatalogName, cbFkCatalogName},
                           {szFkSchemaName, cbFkSchemaName},
                           {szFkTableName, cbFkTableName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLForeignKeys(
        n.text(0), n.length(0), n.text(1), n.length(1), n.text(2), n.length(2), n.text(3),
        n.length(3), n.text(4), n.length(4), n.text(5), n.length(5));
}

VX_EXPORT SQLRETURN SQL_API SQLPrimaryKeysW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                            SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                            SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                                            SQLSMALLINT cbTableName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(
        hstmt,
        {{szCatalogName, cbCatalogName}, {szSchemaName, cbSchemaName}, {szTableName, cbTableName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLPrimaryKeys(n.text(0), n.length(0), n.text(1),
                                                              n.length(1), n.text(2), n.length(2));
}

VX_EXPORT SQLRETURN SQL_API SQLProcedureColumnsW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                                 SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                                 SQLSMALLINT cbSchemaName, SQLWCHAR* szProcName,
                                                 SQLSMALLINT cbProcName, SQLWCHAR* szColumnName,
                                                 SQLSMALLINT cbColumnName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(hstmt, {{szCatalogName, cbCatalogName},
                           {szSchemaName, cbSchemaName},
                           {szProcName, cbProcName},
                           {szColumnName, cbColumnName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLProcedureColumns(
        n.text(0), n.length(0), n.text(1), n.length(1), n.text(2), n.length(2), n.text(3),
        n.length(3));
}

VX_EXPORT SQLRETURN SQL_API SQLProceduresW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                           SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                           SQLSMALLINT cbSchemaName, SQLWCHAR* szProcName,
                                           SQLSMALLINT cbProcName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(
        hstmt,
        {{szCatalogName, cbCatalogName}, {szSchemaName, cbSchemaName}, {szProcName, cbProcName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLProcedures(n.text(0), n.length(0), n.text(1),
                                                             n.length(1), n.text(2), n.length(2));
}

VX_EXPORT SQLRETURN SQL_API SQLSpecialColumnsW(SQLHSTMT hstmt, SQLUSMALLINT fColType,
                                               SQLWCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                               SQLWCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                               SQLWCHAR* szTableName, SQLSMALLINT cbTableName,
                                               SQLUSMALLINT fScope, SQLUSMALLINT fNullable) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(
        hstmt,
        {{szCatalogName, cbCatalogName}, {szSchemaName, cbSchemaName}, {szTableName, cbTableName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLSpecialColumns(fColType, n.text(0), n.length(0),
                                                                 n.text(1), n.length(1), n.text(2),
                                                                 n.length(2), fScope, fNullable);
}

VX_EXPORT SQLRETURN SQL_API SQLStatisticsW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                           SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                           SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                                           SQLSMALLINT cbTableName, SQLUSMALLINT fUnique,
                                           SQLUSMALLINT fAccuracy) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(
        hstmt,
        {{szCatalogName, cbCatalogName}, {szSchemaName, cbSchemaName}, {szTableName, cbTableName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLStatistics(
        n.text(0), n.length(0), n.text(1), n.length(1), n.text(2), n.length(2), fUnique, fAccuracy);
}

VX_EXPORT SQLRETURN SQL_API SQLTablePrivilegesW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                                SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                                SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                                                SQLSMALLINT cbTableName) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(
        hstmt,
        {{szCatalogName, cbCatalogName}, {szSchemaName, cbSchemaName}, {szTableName, cbTableName}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLTablePrivileges(
        n.text(0), n.length(0), n.text(1), n.length(1), n.text(2), n.length(2));
}

VX_EXPORT SQLRETURN SQL_API SQLTablesW(SQLHSTMT hstmt, SQLWCHAR* szCatalogName,
                                       SQLSMALLINT cbCatalogName, SQLWCHAR* szSchemaName,
                                       SQLSMALLINT cbSchemaName, SQLWCHAR* szTableName,
                                       SQLSMALLINT cbTableName, SQLWCHAR* szTableType,
                                       SQLSMALLINT cbTableType) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    CatalogNames n(hstmt, {{szCatalogName, cbCatalogName},
                           {szSchemaName, cbSchemaName},
                           {szTableName, cbTableName},
                           {szTableType, cbTableType}});
    if (n.failed())
        return baseWideFailure(listOf(hstmt));
    return static_cast<BaseStatement*>(hstmt)->SQLTables(n.text(0), n.length(0), n.text(1),
                                                         n.length(1), n.text(2), n.length(2),
                                                         n.text(3), n.length(3));
}
