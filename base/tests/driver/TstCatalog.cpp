#include "TstCatalog.h"

#include <sqlext.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "TstConnection.h"
#include "TstResults.h"
#include "TstStatement.h"
#include "base/BaseCatalogInfo.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"

namespace {

constexpr int NONE = -1; // a NULL number

struct ColumnDef {
    const char* name;
    short type;
    const char* typeName;
    int precision;
    int length;
    int scale;
    short nullable;
};

struct TableDef {
    const char* database;
    const char* name;
    const char* type;
    const char* remarks;
    const ColumnDef* columns;
    int count;
    bool broken;
};

constexpr ColumnDef DEPT_COLUMNS[] = {
    {"DEPT_ID", SQL_INTEGER, "INTEGER", 10, 4, 0, SQL_NO_NULLS},
    {"DNAME", SQL_VARCHAR, "VARCHAR", 20, 20, NONE, SQL_NULLABLE},
};
constexpr ColumnDef EMP_COLUMNS[] = {
    {"EMP_ID", SQL_INTEGER, "INTEGER", 10, 4, 0, SQL_NO_NULLS},
    {"NAME", SQL_VARCHAR, "VARCHAR", 30, 30, NONE, SQL_NO_NULLS},
    {"DEPT_ID", SQL_INTEGER, "INTEGER", 10, 4, 0, SQL_NULLABLE},
    {"SALARY", SQL_DECIMAL, "DECIMAL", 10, 12, 2, SQL_NULLABLE},
    {"HIRED", SQL_DATE, "DATE", 10, 6, NONE, SQL_NULLABLE},
};
constexpr ColumnDef ITEM_COLUMNS[] = {
    {"ITEM_ID", SQL_INTEGER, "INTEGER", 10, 4, 0, SQL_NO_NULLS},
    {"QTY", SQL_SMALLINT, "SMALLINT", 5, 2, 0, SQL_NULLABLE},
};

constexpr TableDef TABLES[] = {
    {"main", "DEPT", "TABLE", nullptr, DEPT_COLUMNS, 2, false},
    {"main", "EMP", "TABLE", "Employees", EMP_COLUMNS, 5, false},
    {"main", "EMP_VIEW", "VIEW", nullptr, EMP_COLUMNS, 2, false},
    {"extra", "ORDER ITEMS", "TABLE", nullptr, ITEM_COLUMNS, 2, false},
    {"extra", "BROKEN", "TABLE", nullptr, ITEM_COLUMNS, 1, true},
};

constexpr const char* DATABASES[] = {"extra", "main"};
constexpr const char* OWNER = "dbo";

struct IndexColumn {
    const char* table;
    const char* index;
    bool unique;
    int seq;
    const char* column;
};

constexpr IndexColumn INDEXES[] = {
    {"EMP", "EMP_NAME", false, 1, "NAME"},
    {"EMP", "PK_EMP", true, 1, "EMP_ID"},
    {"DEPT", "PK_DEPT", true, 1, "DEPT_ID"},
    {"DEPT", "DEPT_NAME", true, 1, "DNAME"},
};

struct ProcColumn {
    const char* name;
    short columnType;
    short type;
    const char* typeName;
    int precision;
    int scale;
};

constexpr ProcColumn RAISE_PAY_COLUMNS[] = {
    {"RETURN_VALUE", SQL_RETURN_VALUE, SQL_INTEGER, "INTEGER", 10, 0},
    {"EMP_ID", SQL_PARAM_INPUT, SQL_INTEGER, "INTEGER", 10, 0},
    {"PCT", SQL_PARAM_INPUT, SQL_DECIMAL, "DECIMAL", 5, 2},
};

struct Privilege {
    const char* table;
    const char* column;
    const char* privilege;
};

constexpr Privilege PRIVILEGES[] = {
    {"EMP", nullptr, "SELECT"}, {"EMP", nullptr, "INSERT"}, {"DEPT", nullptr, "SELECT"},
    {"EMP", "NAME", "UPDATE"},  {"EMP", "NAME", "SELECT"},  {"EMP", "EMP_ID", "SELECT"},
};

struct TypeDef {
    const char* name;
    short type;
    int precision;
    const char* prefix;
    const char* suffix;
    const char* createParams;
    short caseSensitive;
    short searchable;
    int isUnsigned;
    int minScale;
    int maxScale;
};

// Delivered out of DATA_TYPE order on purpose: the framework sorts.
constexpr TypeDef TYPES[] = {
    {"VARCHAR", SQL_VARCHAR, 254, "'", "'", "max length", 1, SQL_SEARCHABLE, NONE, NONE, NONE},
    {"INTEGER", SQL_INTEGER, 10, nullptr, nullptr, nullptr, 0, SQL_ALL_EXCEPT_LIKE, 0, 0, 0},
    {"CHAR", SQL_CHAR, 254, "'", "'", "length", 1, SQL_SEARCHABLE, NONE, NONE, NONE},
    {"DECIMAL", SQL_DECIMAL, 15, nullptr, nullptr, "precision,scale", 0, SQL_ALL_EXCEPT_LIKE, 0, 0,
     15},
    {"TIMESTAMP", SQL_TIMESTAMP, 19, "{ts '", "'}", nullptr, 0, SQL_ALL_EXCEPT_LIKE, NONE, NONE,
     NONE},
    {"DATE", SQL_DATE, 10, "{d '", "'}", nullptr, 0, SQL_ALL_EXCEPT_LIKE, NONE, NONE, NONE},
    {"SMALLINT", SQL_SMALLINT, 5, nullptr, nullptr, nullptr, 0, SQL_ALL_EXCEPT_LIKE, 0, 0, 0},
};

void setNumber(BaseCatalogRow& row, std::uint16_t column, int value) {
    if (value != NONE)
        row.setNumber(column, value);
}

// Fills a new row from texts (null: NULL) and numbers (NONE: NULL) given
// column by column; a column is a text or a number as `numbers` says.
struct Cell {
    const char* text;
    int number;
};

VxStatus addRow(BaseCatalogInfo& info, std::initializer_list<Cell> cells) {
    BaseCatalogRow* row = info.newRow();
    if (!row)
        return VX_ERROR;
    std::uint16_t column = 1;
    for (const Cell& cell : cells) {
        if (cell.text) {
            if (row->setText(column, cell.text) != VX_SUCCESS) {
                delete row;
                return VX_ERROR;
            }
        } else {
            setNumber(*row, column, cell.number);
        }
        ++column;
    }
    return info.addRow(row);
}

Cell text(const char* value) {
    return {value, NONE};
}
Cell number(int value) {
    return {nullptr, value};
}
constexpr Cell NULL_CELL = {nullptr, NONE};

const char* currentDatabase(TstStatement& statement) {
    return static_cast<TstConnection&>(statement.getConnection()).database_.c_str();
}

// The databases a qualifier argument selects: the current one when it is
// not given.
bool databaseSelected(TstStatement& statement, const BaseCatalogName& qualifier,
                      const char* database) {
    if (!qualifier.isGiven())
        return std::strcmp(database, currentDatabase(statement)) == 0;
    return qualifier.matches(database, true);
}

bool tableSelected(TstStatement& statement, const BaseCatalogInfo& info, const TableDef& table) {
    return databaseSelected(statement, info.name(CATALOG_QUALIFIER), table.database) &&
           info.name(CATALOG_OWNER).matches(OWNER, true) &&
           info.name(CATALOG_NAME).matches(table.name, true);
}

// For the functions whose table argument is an exact name.
bool tableNamed(TstStatement& statement, const BaseCatalogInfo& info, const TableDef& table) {
    return databaseSelected(statement, info.name(CATALOG_QUALIFIER), table.database) &&
           info.name(CATALOG_OWNER).equals(OWNER, true) &&
           info.name(CATALOG_NAME).equals(table.name, true);
}

const TableDef* findTable(const char* database, const char* name) {
    for (const TableDef& table : TABLES)
        if (std::strcmp(table.database, database) == 0 && strcasecmp(table.name, name) == 0)
            return &table;
    return nullptr;
}

VxStatus listTables(TstStatement& statement, BaseTablesInfo& info) {
    switch (info.getRequest()) {
    case TABLES_LIST_QUALIFIERS:
        for (const char* database : DATABASES)
            if (info.addTable(database, nullptr, nullptr, nullptr, nullptr) != VX_SUCCESS)
                return VX_ERROR;
        return VX_SUCCESS;
    case TABLES_LIST_OWNERS:
        return info.addTable(nullptr, OWNER, nullptr, nullptr, nullptr);
    case TABLES_LIST_TYPES:
        if (info.addTable(nullptr, nullptr, nullptr, "VIEW", nullptr) != VX_SUCCESS)
            return VX_ERROR;
        return info.addTable(nullptr, nullptr, nullptr, "TABLE", nullptr);
    default:
        break;
    }
    for (const TableDef& table : TABLES)
        if (tableSelected(statement, info, table) &&
            info.addTable(table.database, OWNER, table.name, table.type, table.remarks) !=
                VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

// Splits "[db.][owner.]table" (parts may be in double quotes) into parts.
bool splitName(const std::string& text, std::vector<std::string>& parts) {
    std::string part;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
                part += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == '.' && !quoted) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return !quoted && parts.size() <= 3;
}

VxStatus describeColumns(TstStatement& statement, const TableDef& table) {
    if (statement.allocArrays(static_cast<std::uint16_t>(table.count)) != VX_SUCCESS)
        return VX_ERROR;
    for (int i = 0; i < table.count; ++i) {
        const ColumnDef& column = table.columns[i];
        BaseField* field = statement.getField(static_cast<std::uint16_t>(i + 1));
        field->describe(column.type, static_cast<std::uint32_t>(column.precision),
                        static_cast<short>(column.scale == NONE ? 0 : column.scale));
        field->setNullable(column.nullable);
        field->setLength(column.length);
        if (field->setName(column.name) != VX_SUCCESS ||
            field->setTypeName(column.typeName) != VX_SUCCESS ||
            field->setTableName(table.name) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

VxStatus tstCatalogPrepare(TstStatement& statement, const std::string& text) {
    static const std::string SELECT = "SELECT * FROM ";
    if (text.compare(0, SELECT.size(), SELECT) != 0)
        return VX_SUCCESS;
    std::vector<std::string> parts;
    std::string name = text.substr(SELECT.size());
    const TableDef* table = nullptr;
    if (splitName(name, parts)) {
        const char* database = parts.size() == 3 ? parts[0].c_str() : currentDatabase(statement);
        bool ownerOk = parts.size() < 2 || strcasecmp(parts[parts.size() - 2].c_str(), OWNER) == 0;
        table = ownerOk ? findTable(database, parts.back().c_str()) : nullptr;
    }
    if (!table) {
        addNativeError(ODBC_S0002, 208, ("Table not found: " + name).c_str());
        return VX_ERROR;
    }
    if (table->broken) {
        addNativeError(ODBC_S1000, 99, ("Table is damaged: " + name).c_str());
        return VX_ERROR;
    }
    return describeColumns(statement, *table);
}

VxStatus TstStatement::executeTables(BaseInString*) {
    return listTables(*this, *BaseTablesInfo::of(*this));
}

VxStatus TstStatement::executeColumns() {
    BaseColumnsInfo& info = *BaseColumnsInfo::of(*this);
    for (const TableDef& table : TABLES) {
        if (!tableSelected(*this, info, table))
            continue;
        for (int i = 0; i < table.count; ++i) {
            const ColumnDef& c = table.columns[i];
            if (!info.getColumnName().matches(c.name, true))
                continue;
            bool numeric = c.type != SQL_VARCHAR && c.type != SQL_DATE;
            if (addRow(info, {text(table.database), text(OWNER), text(table.name), text(c.name),
                              number(c.type), text(c.typeName), number(c.precision),
                              number(c.length), number(c.scale), number(numeric ? 10 : NONE),
                              number(c.nullable), NULL_CELL}) != VX_SUCCESS)
                return VX_ERROR;
        }
    }
    return VX_SUCCESS;
}

VxStatus TstStatement::executeStatistics(unsigned short) {
    BaseStatisticsInfo& info = *BaseStatisticsInfo::of(*this);
    for (const TableDef& table : TABLES) {
        if (!tableNamed(*this, info, table) || table.broken)
            continue;
        int rows = std::strcmp(table.name, "EMP") == 0 ? 3 : 2;
        if (addRow(info, {text(table.database), text(OWNER), text(table.name), NULL_CELL, NULL_CELL,
                          NULL_CELL, number(SQL_TABLE_STAT), NULL_CELL, NULL_CELL, NULL_CELL,
                          number(rows), number(1), NULL_CELL}) != VX_SUCCESS)
            return VX_ERROR;
        for (const IndexColumn& index : INDEXES)
            if (std::strcmp(index.table, table.name) == 0 &&
                addRow(info, {text(table.database), text(OWNER), text(table.name),
                              number(index.unique ? SQL_FALSE : SQL_TRUE), NULL_CELL,
                              text(index.index), number(SQL_INDEX_OTHER), number(index.seq),
                              text(index.column), text("A"), number(rows), number(1), NULL_CELL}) !=
                    VX_SUCCESS)
                return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TstStatement::executePrimary() {
    BasePrimaryKeysInfo& info = *BasePrimaryKeysInfo::of(*this);
    for (const IndexColumn& index : INDEXES) {
        const TableDef* table = findTable("main", index.table);
        if (std::strncmp(index.index, "PK_", 3) != 0 || !tableNamed(*this, info, *table))
            continue;
        if (addRow(info, {text("main"), text(OWNER), text(index.table), text(index.column),
                          number(index.seq), text(index.index)}) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TstStatement::executeForeign() {
    BaseForeignKeysInfo& info = *BaseForeignKeysInfo::of(*this);
    bool pk = databaseSelected(*this, info.getPkQualifier(), "main") &&
              info.getPkTableName().equals("DEPT", true);
    bool fk = databaseSelected(*this, info.getFkQualifier(), "main") &&
              info.getFkTableName().equals("EMP", true);
    if (!pk || !fk)
        return VX_SUCCESS;
    return addRow(info, {text("main"), text(OWNER), text("DEPT"), text("DEPT_ID"), text("main"),
                         text(OWNER), text("EMP"), text("DEPT_ID"), number(1), number(SQL_RESTRICT),
                         number(SQL_RESTRICT), text("FK_EMP_DEPT"), text("PK_DEPT")});
}

VxStatus TstStatement::executeProcedures() {
    BaseProceduresInfo& info = *BaseProceduresInfo::of(*this);
    if (!databaseSelected(*this, info.getQualifier(), "main") ||
        !info.getOwner().matches(OWNER, true))
        return VX_SUCCESS;
    if (info.getProcedureName().matches("RAISE_PAY", true) &&
        addRow(info, {text("main"), text(OWNER), text("RAISE_PAY"), number(2), number(0), number(0),
                      text("Raises a salary"), number(SQL_PT_FUNCTION)}) != VX_SUCCESS)
        return VX_ERROR;
    if (info.getProcedureName().matches("LIST_EMP", true) &&
        addRow(info, {text("main"), text(OWNER), text("LIST_EMP"), number(0), number(0), number(1),
                      NULL_CELL, number(SQL_PT_PROCEDURE)}) != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus TstStatement::executeProcCols() {
    BaseProcedureColumnsInfo& info = *BaseProcedureColumnsInfo::of(*this);
    if (!databaseSelected(*this, info.getQualifier(), "main") ||
        !info.getOwner().matches(OWNER, true) ||
        !info.getProcedureName().matches("RAISE_PAY", true))
        return VX_SUCCESS;
    for (const ProcColumn& c : RAISE_PAY_COLUMNS)
        if (info.getColumnName().matches(c.name, true) &&
            addRow(info, {text("main"), text(OWNER), text("RAISE_PAY"), text(c.name),
                          number(c.columnType), number(c.type), text(c.typeName),
                          number(c.precision), number(c.precision), number(c.scale), number(10),
                          number(SQL_NO_NULLS), NULL_CELL}) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus TstStatement::executeTablePriv() {
    BaseTablePrivilegesInfo& info = *BaseTablePrivilegesInfo::of(*this);
    for (const Privilege& p : PRIVILEGES)
        if (!p.column && tableSelected(*this, info, *findTable("main", p.table)) &&
            addRow(info, {text("main"), text(OWNER), text(p.table), text(OWNER), text("PUBLIC"),
                          text(p.privilege), text("NO")}) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus TstStatement::executeColPriv() {
    BaseColumnPrivilegesInfo& info = *BaseColumnPrivilegesInfo::of(*this);
    for (const Privilege& p : PRIVILEGES)
        if (p.column && tableNamed(*this, info, *findTable("main", p.table)) &&
            info.getColumnName().matches(p.column, true) &&
            addRow(info, {text("main"), text(OWNER), text(p.table), text(p.column), text(OWNER),
                          text("PUBLIC"), text(p.privilege), text("NO")}) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus TstStatement::getTypeInfo(short) {
    BaseGetTypesInfo& info = *BaseGetTypesInfo::of(*this);
    for (const TypeDef& t : TYPES)
        if (addRow(info,
                   {text(t.name), number(t.type), number(t.precision),
                    t.prefix ? text(t.prefix) : NULL_CELL, t.suffix ? text(t.suffix) : NULL_CELL,
                    t.createParams ? text(t.createParams) : NULL_CELL, number(SQL_NULLABLE),
                    number(t.caseSensitive), number(t.searchable), number(t.isUnsigned), number(0),
                    number(t.isUnsigned == NONE ? NONE : 0), NULL_CELL, number(t.minScale),
                    number(t.maxScale)}) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

// ---- Information ------------------------------------------------------------

namespace {

const BaseInfoEntry OWN_ENTRIES[] = {
    BaseInfoEntry::ofText(SQL_DBMS_NAME, "TestDB"),
    BaseInfoEntry::ofText(SQL_DBMS_VER, "01.00.0000"),
    BaseInfoEntry::ofNumber(SQL_DEFAULT_TXN_ISOLATION, INFO_VAL_U32, SQL_TXN_READ_COMMITTED),
    BaseInfoEntry::ofNumber(SQL_MAX_COLUMN_NAME_LEN, INFO_VAL_U16, 30),
    BaseInfoEntry::ofNumber(SQL_MAX_OWNER_NAME_LEN, INFO_VAL_U16, 18),
    BaseInfoEntry::ofNumber(SQL_MAX_PROCEDURE_NAME_LEN, INFO_VAL_U16, 18),
    BaseInfoEntry::ofNumber(SQL_MAX_QUALIFIER_NAME_LEN, INFO_VAL_U16, 18),
    BaseInfoEntry::ofNumber(SQL_MAX_TABLE_NAME_LEN, INFO_VAL_U16, 18),
    BaseInfoEntry::ofNumber(SQL_NUMERIC_FUNCTIONS, INFO_VAL_MASK32, 0),
    BaseInfoEntry::ofNumber(SQL_STRING_FUNCTIONS, INFO_VAL_MASK32, 0),
    BaseInfoEntry::ofNumber(SQL_SYSTEM_FUNCTIONS, INFO_VAL_MASK32, 0),
    BaseInfoEntry::ofNumber(SQL_TIMEDATE_FUNCTIONS, INFO_VAL_MASK32, 0),
};

const BaseInfoEntry QUOTE_ENTRY = BaseInfoEntry::ofText(SQL_IDENTIFIER_QUOTE_CHAR, "\"");

// The driver's own entries, then an ask entry for every other ODBC 2 type,
// in ascending order.
std::vector<BaseInfoEntry> buildEntries(bool quoted) {
    std::vector<BaseInfoEntry> entries;
    for (unsigned type = 0; type <= 65535; ++type) {
        bool own = false;
        if (quoted && type == SQL_IDENTIFIER_QUOTE_CHAR) {
            entries.push_back(QUOTE_ENTRY);
            continue;
        }
        for (const BaseInfoEntry& entry : OWN_ENTRIES)
            if (entry.infoType == type) {
                entries.push_back(entry);
                own = true;
            }
        if (!own && baseIsOdbc2InfoType(static_cast<std::uint16_t>(type)) &&
            type != SQL_DATA_SOURCE_NAME && type != SQL_DRIVER_NAME)
            entries.push_back(BaseInfoEntry::ask(static_cast<std::uint16_t>(type)));
    }
    return entries;
}

} // namespace

const BaseInfoTable& tstInfoTable(bool quotedIdentifiers) {
    static const std::vector<BaseInfoEntry> plain = buildEntries(false);
    static const std::vector<BaseInfoEntry> quoted = buildEntries(true);
    static const BaseInfoTable plainTable(plain.data(), plain.size(), &tstResultInfoTable());
    static const BaseInfoTable quotedTable(quoted.data(), quoted.size(), &tstResultInfoTable());
    return quotedIdentifiers ? quotedTable : plainTable;
}

const char* tstResourceText(unsigned short id) {
    switch (id) {
    case 20102:
        return "owner";
    case 20104:
        return "database";
    case 20105:
        return "procedure";
    case 20106:
        return "table";
    case 20107:
        return "01.00.0000";
    case 20108:
        return "length";
    case 20109:
        return "max length";
    case 20110:
        return "precision";
    default:
        return "";
    }
}

bool tstFunctionSupported(unsigned short api) {
    switch (api) {
    case SQL_API_SQLSETPARAM:
    case SQL_API_SQLDATASOURCES:
    case SQL_API_SQLDESCRIBEPARAM:
    case SQL_API_SQLDRIVERS:
        return false;
    default:
        return (api >= SQL_API_SQLALLOCCONNECT && api <= SQL_API_SQLTRANSACT) ||
               (api >= SQL_API_SQLCOLUMNS && api <= SQL_API_SQLBINDPARAMETER);
    }
}

VxStatus TstConnection::isFunctionSupported(unsigned short api, unsigned short* supported) {
    *supported = tstFunctionSupported(api) ? 1 : 0;
    return VX_SUCCESS;
}
