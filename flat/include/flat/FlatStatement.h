// FlatStatement: the statement of every flat-file driver. It derives from
// the framework's BaseStatement and fills its hooks with the engine:
// prepareCompile picks the statement kind from the first word of the text
// and lets the matching descriptor (FlatDescriptor) parse it; every later
// call is forwarded to that descriptor while the statement holds the table
// locks of all tables the descriptor uses, taken in ascending description
// number and released in the same order (also on failure).
//
// Statement kinds (first words compared without case):
//   1  SELECT, or text starting with "("     the SELECT descriptor
//   51 CREATE TABLE                          allocCreateDesc
//   52 CREATE UNIQUE / CREATE INDEX          allocCrIndexDesc
//   53 INSERT   54 UPDATE   55 DELETE        data-modification descriptors
//   56 DROP TABLE                            allocDropTableDesc
//   57 DROP INDEX                            allocDropIndexDesc
//   59 anything else                         allocSpecialStmt
//   60 USE                                   the USE descriptor
//
// The catalog hooks (executeTables ... executePrimary) create a catalog
// descriptor through the alloc*Desc hooks, let it collect its rows and
// serve them as the statement's result.
//
// Parameters are FlatParam records: bindParam converts each value to the
// storage form its SQL type asks for; the statement is the expression
// evaluator's FlatParamSource.
//
// The order of the virtual operations is part of the interface.
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/BaseStatement.h"
#include "flat/FlatRowSource.h"
#include "util/VxArray.h"
#include "util/VxStatus.h"

class FlatColumnDesc;
class FlatConnection;
class FlatDescriptor;
class FlatPrimaryDesc;
class FlatSpecialDesc;
class FlatStatisticsDesc;
class FlatTableDesc;
class FlatCatalogDesc;
class BaseCatalogInfo;
struct FlatCatalogRequest;

enum FlatStatementKind : unsigned short {
    FLAT_STMT_NONE = 0,
    FLAT_STMT_SELECT = 1,
    FLAT_STMT_CREATE_TABLE = 51,
    FLAT_STMT_CREATE_INDEX = 52,
    FLAT_STMT_INSERT = 53,
    FLAT_STMT_UPDATE = 54,
    FLAT_STMT_DELETE = 55,
    FLAT_STMT_DROP_TABLE = 56,
    FLAT_STMT_DROP_INDEX = 57,
    FLAT_STMT_SPECIAL = 59,
    FLAT_STMT_USE = 60,
    FLAT_STMT_CATALOG = 61, // a catalog function's rows
};

// Private statement options.
enum FlatStmtOption : unsigned short {
    FLAT_OPT_INSERT_ROW = 1040,
    FLAT_OPT_DELETE_ROW = 1041,
    FLAT_OPT_PREPARE_ROW = 1042,
    FLAT_OPT_UPDATE_COLUMN = 1043,
    FLAT_OPT_UPDATE_ROW = 1044,
    FLAT_OPT_LOCK_ROW = 1045,
    FLAT_OPT_ROW_ID = 1048,
    FLAT_OPT_ABORT_ROW = 1050,
    FLAT_OPT_DUMP = 1052,
};
// Connection option 1044: the driver's table-definition dialog.
constexpr unsigned short FLAT_CONN_OPT_SETUP_DIALOG = 1044;

// The record option 1043 points at.
struct FlatColumnUpdate {
    short cType;           // C type of the value
    const void* value;     // the value
    SQLINTEGER length;     // bytes, SQL_NTS, or -1 (SQL_NULL_DATA) for NULL
    unsigned short column; // column number from 1
};

class VX_EXPORT FlatStatement : public BaseStatement, public FlatParamSource {
public:
    explicit FlatStatement(FlatConnection& connection);
    ~FlatStatement() override;

    // ---- Framework hooks ----
    [[nodiscard]] VxStatus prepareCompile(BaseSqlString* text) override;
    [[nodiscard]] VxStatus executePreparedStmt() override;
    [[nodiscard]] VxStatus executeColumns() override;
    [[nodiscard]] VxStatus executeSpecial(unsigned short* noRows) override;
    [[nodiscard]] VxStatus executeStatistics(unsigned short unique) override;
    [[nodiscard]] VxStatus executeTables(BaseInString* tableTypes) override;
    [[nodiscard]] VxStatus executePrimary() override;
    [[nodiscard]] VxStatus fetchRow(unsigned short* noMore) override;
    [[nodiscard]] VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore,
                                          unsigned short lock) override;
    [[nodiscard]] VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    [[nodiscard]] VxStatus rowCount(SQLLEN* count) override;
    BaseField* allocFld() override;
    [[nodiscard]] VxStatus calcNumResultCols() override;
    [[nodiscard]] VxStatus bindParam(unsigned short param, const void* data, SQLLEN length,
                                     ParamBindChunkType chunk) override;
    BaseParam* allocParam() override;
    [[nodiscard]] VxStatus setToPreparedState() override;
    [[nodiscard]] VxStatus setToAllocatedState(unsigned short keepPrepared) override;
    [[nodiscard]] VxStatus getStmtOption(unsigned short option, void* value) override;
    [[nodiscard]] VxStatus setStmtOption(unsigned short option, SQLULEN value) override;
    [[nodiscard]] VxStatus abortRowModification() override;
    [[nodiscard]] VxStatus deleteRow() override;
    [[nodiscard]] VxStatus insertRow() override;
    [[nodiscard]] VxStatus prepareForUpdate() override;
    [[nodiscard]] VxStatus prepareForInsert() override;
    [[nodiscard]] VxStatus unlockRandomRow(SQLULEN row) override;
    [[nodiscard]] VxStatus updateColumn(unsigned short column, const BaseDataValue* value) override;
    [[nodiscard]] VxStatus updateRow() override;

    // ---- Engine hooks (slot order fixed) ----
    // Catalog descriptors; the base creates the engine's own.
    [[nodiscard]] virtual VxStatus allocStatisticsDesc(FlatStatisticsDesc** desc);
    [[nodiscard]] virtual VxStatus allocPrimaryKeysDesc(FlatPrimaryDesc** desc);
    [[nodiscard]] virtual VxStatus allocTableDesc(FlatTableDesc** desc);
    [[nodiscard]] virtual VxStatus allocColumnDesc(FlatColumnDesc** desc);
    [[nodiscard]] virtual VxStatus allocSpecialDesc(FlatSpecialDesc** desc);
    // Driver hooks for data definition: a new descriptor of the driver's
    // subclass, or null. The base raises driver-not-capable (S1C00).
    virtual FlatDescriptor* allocDropTableDesc();
    // Whether `word` starts a driver option list after a table name in
    // INSERT or UPDATE; the base knows none.
    virtual bool isOptionList(const char* word, unsigned int* length);
    virtual FlatDescriptor* allocCreateDesc();
    virtual FlatDescriptor* allocCrIndexDesc();
    virtual FlatDescriptor* allocDropIndexDesc();
    // Driver hook for statements of its own; the base raises 3800 and
    // returns null.
    virtual FlatDescriptor* allocSpecialStmt(const char* sql);
    // The SELECT descriptor (kind 1) and the descriptors of USE, INSERT,
    // UPDATE and DELETE; null when they cannot be created (error raised).
    virtual FlatDescriptor* allocSelectDesc();
    virtual FlatDescriptor* allocModifyDesc(FlatStatementKind kind);

    // ---- FlatParamSource ----
    // Parameter `number` (from 1) in the storage form bindParam made.
    [[nodiscard]] VxStatus getParamValue(std::uint16_t number, FlatDataValue* value, short* sqlType,
                                         bool* provided) override;

    // ---- State ----
    FlatConnection& getFlatConnection() const;
    FlatDescriptor* getDescriptor() const { return descriptor_; }
    FlatStatementKind getKind() const { return kind_; }
    // The shared descriptions the descriptor uses, ascending.
    const VxArray& getTables() const { return tables_; }
    // Rows fetched since the last execution.
    SQLULEN getFetchedRowCount() const { return fetchedRows_; }

    // Kind of a statement text from its first words (also used by tests);
    // raises 3803 for CREATE or DROP without a second word.
    [[nodiscard]] static VxStatus classify(const char* sql, FlatStatementKind* kind);

    // Runs catalog descriptor `desc` (taken over) with `request`. With the
    // framework's catalog object `info` the rows are handed to it and the
    // descriptor is destroyed; without, the descriptor becomes the
    // statement's and serves the rows through fetchRow and getData.
    [[nodiscard]] VxStatus runCatalog(FlatCatalogDesc* desc, const FlatCatalogRequest& request,
                                      BaseCatalogInfo* info);

    // Takes every table lock of the statement (ascending) / releases them.
    // Nested pairs only count: the outermost pair takes and releases.
    void lockTables() {
        if (lockDepth_++ == 0)
            takeTableLocks();
    }
    void unlockTables() {
        if (lockDepth_ > 0 && --lockDepth_ == 0)
            releaseTableLocks();
    }
    // The table locks are held across the transfer of a row's bound
    // columns, not taken again per column.
    void rowTransfer(bool starting) override;

private:
    void takeTableLocks();
    void releaseTableLocks();
    [[nodiscard]] VxStatus compileDescriptor(const char* sql, FlatStatementKind kind);
    FlatDescriptor* allocDescriptor(const char* sql, FlatStatementKind kind);
    [[nodiscard]] VxStatus describeResult();
    [[nodiscard]] VxStatus updateColumnOption(const FlatColumnUpdate* update);
    bool columnOutOfRange(unsigned column);
    [[nodiscard]] VxStatus rowOption(unsigned short option, SQLULEN value);
    void dropDescriptor();
    // Runs a descriptor operation under the table locks.
    [[nodiscard]] VxStatus forward(VxStatus (FlatDescriptor::*operation)());

    FlatDescriptor* descriptor_ = nullptr;
    FlatStatementKind kind_ = FLAT_STMT_NONE;
    VxArray tables_{4, false};
    SQLULEN fetchedRows_ = 0;
    std::uint32_t lockDepth_ = 0; // nested lockTables calls
};
