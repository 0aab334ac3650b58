// BaseCatalogInfo: the catalog object of a statement while one of the
// catalog functions (SQLTables ... SQLGetTypeInfo) has its result open,
// and one subclass per function.
//
// The framework creates the object, checks the application's arguments
// into it and installs it as the statement's catalog result; then it calls
// the driver's execute hook (executeTables, executeColumns ...). The hook
// finds the object with the subclass's `of(statement)`, reads the checked
// arguments and either adds rows:
//
//     BaseTablesInfo* info = BaseTablesInfo::of(*this);
//     if (info->getTableName().matches("EMP"))
//         if (info->addTable(nullptr, "SCOTT", "EMP", "TABLE", nullptr) != VX_SUCCESS)
//             return VX_ERROR;
//
// or, with useDriverResultSet(), leaves a result set of the function's
// columns open on the statement, which the framework then reads through the
// fetchRow and getData hooks. Rows are kept in the order of their row class
// (BaseCatalogRow.h) and served through the statement's result functions.
//
// Name arguments (BaseCatalogName): a null pointer means "not given", "%"
// means any; otherwise the text with the identifier quote character
// removed from around quoted parts. The pattern keeps the search-pattern
// escape characters; the exact name has them removed.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <cstdint>

#include "base/BaseCatalogResult.h"
#include "base/BaseCatalogRow.h"
#include "base/BaseTypeInfo.h"
#include "util/VxSortedArray.h"

class BaseConnection;
class BaseStatement;

// Which catalog function an object answers.
enum BaseCatalogKind : int {
    CATALOG_TABLES = 0,
    CATALOG_COLUMNS,
    CATALOG_STATISTICS,
    CATALOG_SPECIAL_COLUMNS,
    CATALOG_PRIMARY_KEYS,
    CATALOG_FOREIGN_KEYS,
    CATALOG_PROCEDURES,
    CATALOG_PROCEDURE_COLUMNS,
    CATALOG_TABLE_PRIVILEGES,
    CATALOG_COLUMN_PRIVILEGES,
    CATALOG_TYPES,
    CATALOG_KIND_COUNT
};

// One fixed result column of a catalog function.
struct BaseCatalogColumn {
    BaseCatalogKind kind;
    const char* name;
    short sqlType;
    short nullable;
    std::uint32_t precision;
};

// The result columns of `kind` and their count.
VX_EXPORT const BaseCatalogColumn* baseCatalogColumns(BaseCatalogKind kind, std::uint16_t* count);

class VX_EXPORT BaseCatalogName {
public:
    BaseCatalogName() = default;
    ~BaseCatalogName();
    BaseCatalogName(const BaseCatalogName&) = delete;
    BaseCatalogName& operator=(const BaseCatalogName&) = delete;

    // Takes the argument: `quote` is the identifier quote character (0 or
    // blank: none), `escape` the search-pattern escape character (0: none).
    [[nodiscard]] VxStatus set(const SQLCHAR* text, SQLSMALLINT length, char quote, char escape);
    // Copies another argument as it is.
    [[nodiscard]] VxStatus copyFrom(const BaseCatalogName& other);
    // Sets an exact name, matched without pattern characters (for the
    // framework's own searches); null: not given.
    [[nodiscard]] VxStatus setExact(const char* text);

    bool isGiven() const { return given_; }
    // Not given, or "%".
    bool isAny() const { return !given_ || (pattern_[0] == '%' && pattern_[1] == 0); }
    // Given and empty.
    bool isEmpty() const { return given_ && pattern_[0] == 0; }
    // The pattern ("" when not given) and the exact name.
    const char* getPattern() const { return given_ ? pattern_ : ""; }
    const char* getName() const { return given_ ? name_ : ""; }
    // Whether the pattern holds "%" or "_" outside escapes.
    bool hasWildcards() const;
    // Whether `value` matches: any value when isAny(); otherwise the
    // pattern, "%" any run of characters, "_" one, the escape character
    // taking the next one literally. Case is ignored on request.
    bool matches(const char* value, bool ignoreCase = false) const;
    // Whether `value` equals the exact name (true when not given).
    bool equals(const char* value, bool ignoreCase = false) const;

private:
    char* pattern_ = nullptr;
    char* name_ = nullptr;
    char escape_ = 0;
    bool given_ = false;
    bool exact_ = false;
};

class VX_EXPORT BaseCatalogInfo : public BaseCatalogResult {
public:
    BaseCatalogInfo(BaseStatement& statement, BaseCatalogKind kind);
    ~BaseCatalogInfo() override;

    BaseCatalogKind getKind() const { return kind_; }
    BaseStatement& getStatement() const { return statement_; }
    // The statement's catalog object, or null when none is open.
    static BaseCatalogInfo* of(BaseStatement& statement);

    // ---- For the driver's hook ----------------------------------------------

    // A new row of this function's row class, all cells NULL (null when
    // memory ran out). Fill it and hand it to addRow.
    BaseCatalogRow* newRow() const;
    // Takes the row (also when it fails) and keeps it in order.
    [[nodiscard]] virtual VxStatus addRow(BaseCatalogRow* row);
    // The hook left a result set of this function's columns open instead of
    // adding rows: the framework reads it after the hook.
    void useDriverResultSet() { readDriverRows_ = true; }
    bool usesDriverResultSet() const { return readDriverRows_; }
    // Reads the driver's result set now (when the hook asked for it).
    [[nodiscard]] VxStatus readDriverResult();

    std::uint16_t getRowCountKept() const { return rows_.getCount(); }
    // Drops every row kept so far.
    void clearRows() { rows_.deleteContents(); }
    const BaseCatalogRow* getRow(std::uint16_t index) const;

    // ---- For the framework ---------------------------------------------------

    // Name argument `slot` (0-5, see the subclasses).
    BaseCatalogName& name(std::uint16_t slot) { return names_[slot]; }
    const BaseCatalogName& name(std::uint16_t slot) const { return names_[slot]; }
    // After the hook: reads the driver's result set when asked to and lets
    // the subclass complete its rows. The cursor is before the first row.
    [[nodiscard]] virtual VxStatus finish();

    // ---- BaseCatalogResult ---------------------------------------------------
    std::uint16_t getNumCols() const override { return columnCount_; }
    [[nodiscard]] VxStatus describeCol(std::uint16_t column, BaseField& field) override;
    [[nodiscard]] VxStatus fetchRow(unsigned short* noMore) override;
    [[nodiscard]] VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore) override;
    [[nodiscard]] VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    SQLLEN getRowCount() const override { return rows_.getCount(); }

protected:
    // Adds a row to the kept rows without the subclass's checks.
    [[nodiscard]] VxStatus keepRow(BaseCatalogRow* row);
    VxSortedArray& rows() { return rows_; }

private:
    VxStatus readDriverRow(BaseCatalogRow& row);

    BaseStatement& statement_;
    BaseCatalogKind kind_;
    const BaseCatalogColumn* columns_;
    std::uint16_t columnCount_ = 0;
    bool longQualifiers_ = false;
    bool readDriverRows_ = false;
    VxSortedArray rows_;
    std::uint32_t nextSequence_ = 0;
    std::uint16_t current_ = 0; // 1-based; 0 before the first row
    BaseCatalogName names_[6];
};

// Name slots shared by the subclasses.
enum : std::uint16_t {
    CATALOG_QUALIFIER = 0,
    CATALOG_OWNER = 1,
    CATALOG_NAME = 2, // table or procedure
    CATALOG_COLUMN = 3,
    // SQLForeignKeys: the foreign-key table's names.
    CATALOG_FK_QUALIFIER = 3,
    CATALOG_FK_OWNER = 4,
    CATALOG_FK_NAME = 5,
};

// SQLTables' request, decided from its arguments.
enum BaseTablesRequest : int {
    TABLES_SEARCH = 0,          // an ordinary search
    TABLES_LIST_QUALIFIERS = 1, // qualifier "%", owner and table ""
    TABLES_LIST_OWNERS = 2,     // owner "%", qualifier and table ""
    TABLES_LIST_TYPES = 3,      // qualifier, owner, table "" and type "%"
};

// Table-type bits of SQLTables' type list.
enum : std::uint16_t {
    TABLE_TYPE_TABLE = 1,
    TABLE_TYPE_VIEW = 2,
    TABLE_TYPE_SYSTEM_TABLE = 4,
    TABLE_TYPE_ALIAS = 8,
    TABLE_TYPE_SYNONYM = 16,
    TABLE_TYPE_GLOBAL_TEMPORARY = 32,
    TABLE_TYPE_LOCAL_TEMPORARY = 64,
    TABLE_TYPE_ALL = 127,
};

// The bit of a table-type name ("TABLE" ...), 0 for an unknown name.
VX_EXPORT std::uint16_t baseTableTypeBit(const char* name, std::size_t length);
// The bits of a type list: names separated by commas, each may be in
// single quotes; unknown names are ignored; no list means all.
VX_EXPORT std::uint16_t baseTableTypeBits(const char* list, SQLLEN length);

class VX_EXPORT BaseTablesInfo : public BaseCatalogInfo {
public:
    explicit BaseTablesInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_TABLES) {}
    static BaseTablesInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
    BaseTablesRequest getRequest() const { return request_; }
    void setRequest(BaseTablesRequest request) { request_ = request; }
    // The selected table types (TABLE_TYPE_*).
    std::uint16_t getTypeBits() const { return typeBits_; }
    void setTypeBits(std::uint16_t bits) { typeBits_ = bits; }
    // Whether a table of type `type` is selected: a known type when its bit
    // is set, any other type only when every type is selected.
    bool selectsType(const char* type) const;

    // A row; a table whose type is not selected is left out.
    [[nodiscard]] VxStatus addTable(const char* qualifier, const char* owner, const char* name,
                                    const char* type, const char* remarks);
    [[nodiscard]] VxStatus addRow(BaseCatalogRow* row) override;

private:
    BaseTablesRequest request_ = TABLES_SEARCH;
    std::uint16_t typeBits_ = TABLE_TYPE_ALL;
};

// SQLColumns: rows are gathered per table (qualifier, owner, name) and
// served table by table, each table's columns in the order delivered.
class VX_EXPORT BaseColumnsInfo : public BaseCatalogInfo {
public:
    explicit BaseColumnsInfo(BaseStatement& statement);
    ~BaseColumnsInfo() override;
    static BaseColumnsInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
    const BaseCatalogName& getColumnName() const { return name(CATALOG_COLUMN); }

    // A row: columns 1-3 name the table.
    [[nodiscard]] VxStatus addRow(BaseCatalogRow* row) override;
    // The number of tables gathered so far.
    std::uint16_t getTableCount() const { return tables_.getCount(); }
    // Drops the gathered tables (before a second way of finding them).
    void clearTables() { tables_.deleteContents(); }
    [[nodiscard]] VxStatus finish() override;
    // Set by a driver whose executeColumns matched table patterns itself
    // and described every table it found: its rows are the whole answer,
    // whatever the arguments, and no table is described a second time.
    void setDriverAnswersPatterns(bool on) { driverAnswersPatterns_ = on; }
    bool driverAnswersPatterns() const { return driverAnswersPatterns_; }

private:
    VxSortedArray tables_;
    bool driverAnswersPatterns_ = false;
};

class VX_EXPORT BaseStatisticsInfo : public BaseCatalogInfo {
public:
    explicit BaseStatisticsInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_STATISTICS) {}
    static BaseStatisticsInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
    // SQL_INDEX_UNIQUE or SQL_INDEX_ALL; SQL_QUICK or SQL_ENSURE.
    unsigned short getUnique() const { return unique_; }
    unsigned short getAccuracy() const { return accuracy_; }
    void setOptions(unsigned short unique, unsigned short accuracy) {
        unique_ = unique;
        accuracy_ = accuracy;
    }
    // A row; with SQL_INDEX_UNIQUE the rows of non-unique indexes are left
    // out.
    [[nodiscard]] VxStatus addRow(BaseCatalogRow* row) override;

private:
    unsigned short unique_ = SQL_INDEX_ALL;
    unsigned short accuracy_ = SQL_QUICK;
};

class VX_EXPORT BaseSpecialColumnsInfo : public BaseCatalogInfo {
public:
    explicit BaseSpecialColumnsInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_SPECIAL_COLUMNS) {}
    static BaseSpecialColumnsInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
    // SQL_BEST_ROWID or SQL_ROWVER; SQL_SCOPE_*; SQL_NO_NULLS or SQL_NULLABLE.
    unsigned short getColType() const { return colType_; }
    unsigned short getScope() const { return scope_; }
    unsigned short getNullable() const { return nullable_; }
    void setOptions(unsigned short colType, unsigned short scope, unsigned short nullable) {
        colType_ = colType;
        scope_ = scope;
        nullable_ = nullable;
    }

private:
    unsigned short colType_ = 1;
    unsigned short scope_ = 0;
    unsigned short nullable_ = 1;
};

class VX_EXPORT BasePrimaryKeysInfo : public BaseCatalogInfo {
public:
    explicit BasePrimaryKeysInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_PRIMARY_KEYS) {}
    static BasePrimaryKeysInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
};

class VX_EXPORT BaseForeignKeysInfo : public BaseCatalogInfo {
public:
    explicit BaseForeignKeysInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_FOREIGN_KEYS) {}
    static BaseForeignKeysInfo* of(BaseStatement& statement);

    const BaseCatalogName& getPkQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getPkOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getPkTableName() const { return name(CATALOG_NAME); }
    const BaseCatalogName& getFkQualifier() const { return name(CATALOG_FK_QUALIFIER); }
    const BaseCatalogName& getFkOwner() const { return name(CATALOG_FK_OWNER); }
    const BaseCatalogName& getFkTableName() const { return name(CATALOG_FK_NAME); }
};

class VX_EXPORT BaseProceduresInfo : public BaseCatalogInfo {
public:
    explicit BaseProceduresInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_PROCEDURES) {}
    static BaseProceduresInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getProcedureName() const { return name(CATALOG_NAME); }
};

class VX_EXPORT BaseProcedureColumnsInfo : public BaseCatalogInfo {
public:
    explicit BaseProcedureColumnsInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_PROCEDURE_COLUMNS) {}
    static BaseProcedureColumnsInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getProcedureName() const { return name(CATALOG_NAME); }
    const BaseCatalogName& getColumnName() const { return name(CATALOG_COLUMN); }
};

class VX_EXPORT BaseTablePrivilegesInfo : public BaseCatalogInfo {
public:
    explicit BaseTablePrivilegesInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_TABLE_PRIVILEGES) {}
    static BaseTablePrivilegesInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
};

class VX_EXPORT BaseColumnPrivilegesInfo : public BaseCatalogInfo {
public:
    explicit BaseColumnPrivilegesInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_COLUMN_PRIVILEGES) {}
    static BaseColumnPrivilegesInfo* of(BaseStatement& statement);

    const BaseCatalogName& getQualifier() const { return name(CATALOG_QUALIFIER); }
    const BaseCatalogName& getOwner() const { return name(CATALOG_OWNER); }
    const BaseCatalogName& getTableName() const { return name(CATALOG_NAME); }
    const BaseCatalogName& getColumnName() const { return name(CATALOG_COLUMN); }
};

class VX_EXPORT BaseGetTypesInfo : public BaseCatalogInfo {
public:
    explicit BaseGetTypesInfo(BaseStatement& statement)
        : BaseCatalogInfo(statement, CATALOG_TYPES) {}
    static BaseGetTypesInfo* of(BaseStatement& statement);

    // SQL_ALL_TYPES or the one SQL type asked for (ODBC 2 numbering).
    short getSqlType() const { return sqlType_; }
    void setSqlType(short type) { sqlType_ = type; }
    // A row; with one type asked for, rows of other types are left out.
    [[nodiscard]] VxStatus addRow(BaseCatalogRow* row) override;
    // One row per entry of a driver's type table (BaseTypeInfo.h), the
    // creation parameters read from the driver's string resources.
    [[nodiscard]] VxStatus addTypes(const BaseTypeInfo* types, std::size_t count);

private:
    short sqlType_ = SQL_ALL_TYPES;
};
