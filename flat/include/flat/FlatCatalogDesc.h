// FlatCatalogDesc: the descriptors that answer the catalog functions
// (SQLTables, SQLColumns, SQLStatistics, SQLSpecialColumns,
// SQLPrimaryKeys) from the directory of table files and the tables' own
// descriptions, without system tables.
//
// A catalog descriptor takes the caller's arguments (setParameters),
// collects every result row into memory (getResultSet), then serves them:
// getNextRecord steps through the rows, getData converts a column of the
// current row to the application's C type, NULL for an absent value.
//
// Enumeration order shared by every descriptor: for each matching
// qualifier (the connection's data directory when no pattern is given),
// for each table the connection's getTable enumeration returns there
// whose name matches the table pattern. Patterns use "%" and "_" with
// backslash as escape; qualifier, owner and column patterns match without
// case, table-name patterns without case only when the connection says so
// (FLAT_TABLE_NAMES_CI).
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdint>

#include "base/BaseCatalogInfo.h"
#include "flat/FlatDescriptor.h"
#include "util/VxArray.h"

class FlatConnection;
class FlatCursor;
class FlatSharedDesc;
class VxString;

// The arguments of one catalog function. Strings are borrowed for the
// duration of setParameters; null means "not given". Patterns escape "%"
// and "_" with `escape`, the search-pattern escape the engine announces
// (backslash would clash with the directory separator of qualifiers).
struct FlatCatalogRequest {
    char escape = '~';
    const char* qualifier = nullptr;
    const char* owner = nullptr;
    const char* table = nullptr;
    const char* column = nullptr;
    // SQLTables: the requested types (TABLE_TYPES_* bits).
    std::uint16_t tableTypes = TABLE_TYPES_ALL;
    // SQLTables special requests.
    enum Special : std::uint16_t {
        SPECIAL_NONE = 0,
        SPECIAL_QUALIFIERS = 1, // qualifier "%", owner and table ""
        SPECIAL_OWNERS = 2,     // owner "%", qualifier and table ""
        SPECIAL_TYPES = 3,      // table type "%", the rest ""
    };
    Special special = SPECIAL_NONE;
    // SQLStatistics: SQL_INDEX_UNIQUE (0) or SQL_INDEX_ALL (1).
    std::uint16_t unique = SQL_INDEX_ALL;
    // SQLSpecialColumns: SQL_BEST_ROWID (1) or SQL_ROWVER (2), scope,
    // and SQL_NO_NULLS (0) / SQL_NULLABLE (1).
    std::uint16_t columnType = SQL_BEST_ROWID;
    std::uint16_t scope = SQL_SCOPE_CURROW;
    std::uint16_t nullable = SQL_NULLABLE;

    enum : std::uint16_t {
        TABLE_TYPES_TABLE = 1u << 0,
        TABLE_TYPES_VIEW = 1u << 1,
        TABLE_TYPES_SYSTEM = 1u << 2,
        TABLE_TYPES_ALIAS = 1u << 3,
        TABLE_TYPES_SYNONYM = 1u << 4,
        TABLE_TYPES_ALL = 0x1F,
    };
    // The request as the framework's catalog object carries it.
    static void fromFramework(BaseCatalogInfo& info, FlatCatalogRequest* request);
};

// One value of a collected row.
struct FlatCatalogValue {
    enum Kind : std::uint8_t { NUL = 0, TEXT = 1, INTEGER = 2 };
    Kind kind = NUL;
    char* text = nullptr; // owned
    std::int32_t integer = 0;
};

class VX_EXPORT FlatCatalogDesc : public FlatDescriptor {
public:
    // The result columns are the framework's layout of `kind`.
    FlatCatalogDesc(FlatStatement* statement, BaseCatalogKind kind);
    ~FlatCatalogDesc() override;

    // Rows.
    [[nodiscard]] VxStatus getNextRecord(unsigned short* atEnd) override;
    [[nodiscard]] VxStatus getRandomRow(SQLULEN row, unsigned short* atEnd,
                                        unsigned int lock) override;
    [[nodiscard]] VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    [[nodiscard]] VxStatus setToPreparedState() override;
    std::uint16_t getNumResultCols() override { return columnCount_; }
    [[nodiscard]] VxStatus describeColumn(std::uint16_t column, FlatColumnInfo* info) override;

    // ---- Catalog operations (slot order fixed) ----
    // Opens table `file` of directory `dir` through the connection
    // (replacing the previous cursor) and takes its table lock until the
    // next openTable or the end of collection.
    [[nodiscard]] virtual VxStatus openTable(const char* dir, const char* file, const char* ext);
    // Copies the patterns and checks them against the connection's
    // capabilities (a qualifier where none is usable, an owner: S1C00).
    [[nodiscard]] virtual VxStatus setParameters(const FlatCatalogRequest& request);
    // Collects every row.
    [[nodiscard]] virtual VxStatus getResultSet() = 0;

    // ---- Collected rows ----
    std::uint32_t getRowCount() const { return rowCount_; }
    // The value of column `column` (from 1) of row `row` (from 0), or null.
    const FlatCatalogValue* getValue(std::uint32_t row, std::uint16_t column) const;
    // Current position (0 before the first row).
    std::uint32_t getPosition() const { return position_; }
    BaseCatalogKind getKind() const { return kind_; }
    // Hands every collected row to the framework's catalog object (for
    // SQLColumns, a BaseColumnsInfo told that the rows are the answer).
    [[nodiscard]] VxStatus copyRowsTo(BaseCatalogInfo& info) const;

protected:
    // Starts a new row (all NULL); then setText / setInteger fill it.
    [[nodiscard]] VxStatus addRow();
    [[nodiscard]] VxStatus setText(std::uint16_t column, const char* text);
    void setInteger(std::uint16_t column, std::int32_t value);
    // Calls `visit` for every table name of the enumeration order. With
    // `namedTable`, a table pattern without "%" also names the table its
    // characters spell ("_" and escapes taken literally): when the
    // enumeration gives no such name but a query would find that table
    // (FlatConnection::findTable), it is visited last under that name.
    using TableVisitor = VxStatus (*)(FlatCatalogDesc* self, const char* dir, const char* table);
    [[nodiscard]] VxStatus forEachTable(TableVisitor visit, bool namedTable = false);
    // The table named exactly (by the connection's rules) by the request's
    // table argument, as the enumeration of currentDirectory spells it, or
    // as given when the enumeration does not list it but a query would
    // find it (FlatConnection::findTable); *found false when none.
    [[nodiscard]] VxStatus locateTable(VxString* table, bool* found);
    bool matchesTable(const char* name) const;
    bool matchesColumn(const char* name) const;
    // Ends the table access of openTable (unlock and close).
    void closeTable();
    // The directory enumerated: the given qualifier (pattern escapes
    // removed), or the connection's data directory when no qualifier or a
    // pattern that matches it was given. Null when a pattern matches no
    // directory (then no table is enumerated).
    const char* currentDirectory() const { return directory_ ? directory_ : ""; }
    FlatCursor* getCursor() const { return cursor_; }

    char* qualifier_ = nullptr;
    char* owner_ = nullptr;
    char* table_ = nullptr;
    char* column_ = nullptr;
    char* directory_ = nullptr;
    FlatCatalogRequest request_;

private:
    // The names the connection's enumeration gives in `dir` that match the
    // table pattern (TableName objects).
    [[nodiscard]] VxStatus collectTables(const char* dir, VxArray* names);
    // Adds the name a pattern without "%" spells to `names` when none of
    // them is that name and a query would find the table in `dir`.
    [[nodiscard]] VxStatus addNamedTable(const char* dir, VxArray* names);
    bool sameTableName(const char* a, const char* b) const;

    BaseCatalogKind kind_;
    const BaseCatalogColumn* columns_;
    std::uint16_t columnCount_;
    FlatCatalogValue* rows_ = nullptr; // rowCount_ * columnCount_ values
    std::uint32_t rowCount_ = 0;
    std::uint32_t rowCapacity_ = 0;
    std::uint32_t position_ = 0;
    FlatCursor* cursor_ = nullptr;
    FlatSharedDesc* lockedDesc_ = nullptr;
};

// SQLTables.
class VX_EXPORT FlatTableDesc : public FlatCatalogDesc {
public:
    explicit FlatTableDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus getResultSet() override;

    // One row of a table of `type` found in `dir`.
    [[nodiscard]] VxStatus addTableRow(const char* dir, const char* name, const char* type);

private:
    using Enumerator = VxStatus (FlatConnection::*)(char**, const char*, const char*, bool);
    [[nodiscard]] VxStatus addOtherType(const char* dir, Enumerator next, const char* type);
    [[nodiscard]] VxStatus listSpecial();
};

// SQLColumns.
class VX_EXPORT FlatColumnDesc : public FlatCatalogDesc {
public:
    explicit FlatColumnDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus getResultSet() override;

    // The rows of the matching columns of table `table` in `dir`.
    [[nodiscard]] VxStatus addTableColumns(const char* dir, const char* table);
};

// SQLStatistics.
class VX_EXPORT FlatStatisticsDesc : public FlatCatalogDesc {
public:
    explicit FlatStatisticsDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus getResultSet() override;
};

// SQLSpecialColumns.
class VX_EXPORT FlatSpecialDesc : public FlatCatalogDesc {
public:
    explicit FlatSpecialDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus getResultSet() override;

private:
    [[nodiscard]] VxStatus addRowId();
    [[nodiscard]] VxStatus addRowVersions();
};

// SQLPrimaryKeys.
class VX_EXPORT FlatPrimaryDesc : public FlatCatalogDesc {
public:
    explicit FlatPrimaryDesc(FlatStatement* statement);
    [[nodiscard]] VxStatus getResultSet() override;
};
