// The catalog functions of BaseStatement: SQLTables ... SQLGetTypeInfo.
// Each checks its arguments into its catalog object, calls the driver's
// execute hook and leaves the rows open as the statement's result set
// (see BaseCatalogCall for the steps they share).
#include <sqlext.h>

#include <cstring>

#include "BaseCatalogCall.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseOutString.h"

namespace {

using Kind = BaseCatalogNameKind;

struct NameArg {
    std::uint16_t slot;
    const SQLCHAR* text;
    SQLSMALLINT length;
    Kind kind;
};

template <std::size_t N> VxStatus setNames(BaseCatalogCall& catalog, const NameArg (&names)[N]) {
    for (const NameArg& arg : names)
        if (catalog.setName(arg.slot, arg.text, arg.length, arg.kind) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus invalidArgument() {
    addOdbcError(ODBC_S1009);
    return VX_ERROR;
}

VxStatus notCapable() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

bool isPercent(const BaseCatalogName& name) {
    return name.isGiven() && std::strcmp(name.getPattern(), "%") == 0;
}

// SQLTables' special calls, decided from the checked names and the list.
VxStatus decideTablesRequest(BaseCatalogCall& catalog, BaseTablesInfo& info,
                             const BaseInString& types) {
    BaseConnection& connection = catalog.statement().getConnection();
    const BaseCatalogName& q = info.getQualifier();
    const BaseCatalogName& o = info.getOwner();
    const BaseCatalogName& t = info.getTableName();
    if (isPercent(q) && o.isEmpty() && t.isEmpty()) {
        if (BaseCatalogCall::infoNumber(connection, SQL_MAX_QUALIFIER_NAME_LEN) == 0)
            return notCapable();
        info.setRequest(TABLES_LIST_QUALIFIERS);
    } else if (isPercent(o) && q.isEmpty() && t.isEmpty()) {
        if (BaseCatalogCall::infoNumber(connection, SQL_MAX_OWNER_NAME_LEN) == 0)
            return notCapable();
        info.setRequest(TABLES_LIST_OWNERS);
    } else if (q.isEmpty() && o.isEmpty() && t.isEmpty() && !types.isNull() &&
               types.getLength() == 1 && types.getText()[0] == '%') {
        info.setRequest(TABLES_LIST_TYPES);
    } else if (!types.isNull() && !(types.getLength() == 1 && types.getText()[0] == '%')) {
        info.setTypeBits(baseTableTypeBits(types.getText(), types.getLength()));
    }
    return VX_SUCCESS;
}

VxStatus runTables(BaseCatalogCall& catalog, const NameArg (&names)[3], SQLCHAR* szTableType,
                   SQLSMALLINT cbTableType) {
    BaseStatement& statement = catalog.statement();
    auto* info = new BaseTablesInfo(statement);
    if (catalog.open(info) != VX_SUCCESS || setNames(catalog, names) != VX_SUCCESS)
        return VX_ERROR;
    BaseInString types(reinterpret_cast<const char*>(szTableType), cbTableType);
    if (types.validate() != VX_SUCCESS || decideTablesRequest(catalog, *info, types) != VX_SUCCESS)
        return VX_ERROR;
    return catalog.complete(statement.executeTables(&types));
}

// SQL types an ODBC 3 application may ask SQLGetTypeInfo for: the ODBC 2
// date and time types for the ODBC 3 ones; the ODBC 3 types ODBC 2 has no
// counterpart for (wide characters, GUID, intervals) are out of range, as
// any other unknown code.
enum class TypeAnswer { ASK_DRIVER, OUT_OF_RANGE };

TypeAnswer typeAnswer(SQLSMALLINT* fSqlType) {
    switch (*fSqlType) {
    case SQL_TYPE_DATE:
        *fSqlType = SQL_DATE;
        return TypeAnswer::ASK_DRIVER;
    case SQL_TYPE_TIME:
        *fSqlType = SQL_TIME;
        return TypeAnswer::ASK_DRIVER;
    case SQL_TYPE_TIMESTAMP:
        *fSqlType = SQL_TIMESTAMP;
        return TypeAnswer::ASK_DRIVER;
    default:
        break;
    }
    SQLSMALLINT type = *fSqlType;
    if (type >= SQL_BIT && type <= SQL_VARCHAR)
        return TypeAnswer::ASK_DRIVER;
    return TypeAnswer::OUT_OF_RANGE;
}

} // namespace

SQLRETURN BaseStatement::SQLTables(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                   SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                   SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                   SQLCHAR* szTableType, SQLSMALLINT cbTableType) {
    BaseStatementCall call(*this, SQL_API_SQLTABLES);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE}};
    return call.finish(catalog.result(runTables(catalog, names, szTableType, cbTableType)));
}

SQLRETURN BaseStatement::SQLColumns(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                    SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                    SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                    SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    BaseStatementCall call(*this, SQL_API_SQLCOLUMNS);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE},
                             {CATALOG_COLUMN, szColumnName, cbColumnName, Kind::COLUMN}};
    VxStatus status = catalog.open(new BaseColumnsInfo(*this));
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = baseRunColumns(catalog);
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLStatistics(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                       SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                       SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                       SQLUSMALLINT fUnique, SQLUSMALLINT fAccuracy) {
    BaseStatementCall call(*this, SQL_API_SQLSTATISTICS);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE}};
    VxStatus status = VX_ERROR;
    if (fUnique != SQL_INDEX_UNIQUE && fUnique != SQL_INDEX_ALL) {
        addOdbcError(ODBC_S1100);
    } else if (fAccuracy != SQL_QUICK && fAccuracy != SQL_ENSURE) {
        addOdbcError(ODBC_S1101);
    } else if (!szTableName) {
        (void)invalidArgument();
    } else {
        auto* info = new BaseStatisticsInfo(*this);
        status = catalog.open(info);
        if (status == VX_SUCCESS) {
            info->setOptions(fUnique, fAccuracy);
            status = setNames(catalog, names);
        }
        if (status == VX_SUCCESS)
            status = catalog.complete(executeStatistics(fAccuracy));
    }
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLSpecialColumns(SQLUSMALLINT fColType, SQLCHAR* szCatalogName,
                                           SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName,
                                           SQLSMALLINT cbSchemaName, SQLCHAR* szTableName,
                                           SQLSMALLINT cbTableName, SQLUSMALLINT fScope,
                                           SQLUSMALLINT fNullable) {
    BaseStatementCall call(*this, SQL_API_SQLSPECIALCOLUMNS);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE}};
    VxStatus status = VX_ERROR;
    if (fColType != SQL_BEST_ROWID && fColType != SQL_ROWVER) {
        addOdbcError(ODBC_S1097);
    } else if (fScope > SQL_SCOPE_SESSION) {
        addOdbcError(ODBC_S1098);
    } else if (fNullable != SQL_NO_NULLS && fNullable != SQL_NULLABLE) {
        addOdbcError(ODBC_S1099);
    } else if (!szTableName) {
        (void)invalidArgument();
    } else {
        auto* info = new BaseSpecialColumnsInfo(*this);
        status = catalog.open(info);
        if (status == VX_SUCCESS) {
            info->setOptions(fColType, fScope, fNullable);
            status = setNames(catalog, names);
        }
        if (status == VX_SUCCESS)
            status = baseRunSpecialColumns(catalog);
    }
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLPrimaryKeys(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                        SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                        SQLCHAR* szTableName, SQLSMALLINT cbTableName) {
    BaseStatementCall call(*this, SQL_API_SQLPRIMARYKEYS);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE}};
    VxStatus status =
        szTableName ? catalog.open(new BasePrimaryKeysInfo(*this)) : invalidArgument();
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = catalog.complete(executePrimary());
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLForeignKeys(SQLCHAR* szPkCatalogName, SQLSMALLINT cbPkCatalogName,
                                        SQLCHAR* szPkSchemaName, SQLSMALLINT cbPkSchemaName,
                                        SQLCHAR* szPkTableName, SQLSMALLINT cbPkTableName,
                                        SQLCHAR* szFkCatalogName, SQLSMALLINT cbFkCatalogName,
                                        SQLCHAR* szFkSchemaName, SQLSMALLINT cbFkSchemaName,
                                        SQLCHAR* szFkTableName, SQLSMALLINT cbFkTableName) {
    BaseStatementCall call(*this, SQL_API_SQLFOREIGNKEYS);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {
        {CATALOG_QUALIFIER, szPkCatalogName, cbPkCatalogName, Kind::QUALIFIER},
        {CATALOG_OWNER, szPkSchemaName, cbPkSchemaName, Kind::OWNER},
        {CATALOG_NAME, szPkTableName, cbPkTableName, Kind::TABLE},
        {CATALOG_FK_QUALIFIER, szFkCatalogName, cbFkCatalogName, Kind::QUALIFIER},
        {CATALOG_FK_OWNER, szFkSchemaName, cbFkSchemaName, Kind::OWNER},
        {CATALOG_FK_NAME, szFkTableName, cbFkTableName, Kind::TABLE}};
    VxStatus status = szPkTableName || szFkTableName ? catalog.open(new BaseForeignKeysInfo(*this))
                                                     : invalidArgument();
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = catalog.complete(executeForeign());
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLProcedures(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                       SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                       SQLCHAR* szProcName, SQLSMALLINT cbProcName) {
    BaseStatementCall call(*this, SQL_API_SQLPROCEDURES);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szProcName, cbProcName, Kind::PROCEDURE}};
    VxStatus status = catalog.open(new BaseProceduresInfo(*this));
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = catalog.complete(executeProcedures());
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLProcedureColumns(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                             SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                             SQLCHAR* szProcName, SQLSMALLINT cbProcName,
                                             SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    BaseStatementCall call(*this, SQL_API_SQLPROCEDURECOLUMNS);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szProcName, cbProcName, Kind::PROCEDURE},
                             {CATALOG_COLUMN, szColumnName, cbColumnName, Kind::COLUMN}};
    VxStatus status = catalog.open(new BaseProcedureColumnsInfo(*this));
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = catalog.complete(executeProcCols());
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLTablePrivileges(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                            SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                            SQLCHAR* szTableName, SQLSMALLINT cbTableName) {
    BaseStatementCall call(*this, SQL_API_SQLTABLEPRIVILEGES);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE}};
    VxStatus status = catalog.open(new BaseTablePrivilegesInfo(*this));
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = catalog.complete(executeTablePriv());
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLColumnPrivileges(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                             SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                             SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                             SQLCHAR* szColumnName, SQLSMALLINT cbColumnName) {
    BaseStatementCall call(*this, SQL_API_SQLCOLUMNPRIVILEGES);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    const NameArg names[] = {{CATALOG_QUALIFIER, szCatalogName, cbCatalogName, Kind::QUALIFIER},
                             {CATALOG_OWNER, szSchemaName, cbSchemaName, Kind::OWNER},
                             {CATALOG_NAME, szTableName, cbTableName, Kind::TABLE},
                             {CATALOG_COLUMN, szColumnName, cbColumnName, Kind::COLUMN}};
    VxStatus status = catalog.open(new BaseColumnPrivilegesInfo(*this));
    if (status == VX_SUCCESS)
        status = setNames(catalog, names);
    if (status == VX_SUCCESS)
        status = catalog.complete(executeColPriv());
    return call.finish(catalog.result(status));
}

SQLRETURN BaseStatement::SQLGetTypeInfo(SQLSMALLINT fSqlType) {
    BaseStatementCall call(*this, SQL_API_SQLGETTYPEINFO);
    if (call.isBusy())
        return BASE_BUSY;
    BaseCatalogCall catalog(*this);
    TypeAnswer answer = typeAnswer(&fSqlType);
    VxStatus status = VX_ERROR;
    if (answer == TypeAnswer::OUT_OF_RANGE) {
        addOdbcError(ODBC_S1004);
    } else {
        auto* info = new BaseGetTypesInfo(*this);
        status = catalog.open(info);
        if (status == VX_SUCCESS) {
            info->setSqlType(fSqlType);
            status = catalog.complete(getTypeInfo(fSqlType));
        }
    }
    return call.finish(catalog.result(status));
}
