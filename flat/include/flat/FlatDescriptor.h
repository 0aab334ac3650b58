// FlatDescriptor: the compiled form of one statement of the flat engine
// (a SELECT, a data-definition or data-modification statement, a catalog
// request). FlatStatement creates exactly one per prepared text, hands it
// the whole text to parse, asks it for the tables it uses and then
// forwards every later call to it while holding those tables' locks.
//
// Every operation returns VxStatus except the destructor and dump; the
// base versions do nothing and succeed, except the row operations
// (abortRowModification, deleteRow, insertRow, lockRow, prepareForInsert,
// prepareForUpdate, updateColumn, updateRow), which raise S1C00 (driver
// not capable) in a descriptor that does not provide them. The order of
// the virtual operations is part of the interface.
//
// Column and parameter numbers given to a descriptor start at 0 unless
// noted otherwise.
#pragma once

#include <sql.h>

#include <cstddef>
#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

class BaseOutString;
class FlatConnection;
class FlatDataValue;
class FlatStatement;
class VxArray;

// Description of one result column, as the statement copies it into the
// framework's column record.
struct FlatColumnInfo {
    const char* name = "";      // column name ("" for an unnamed expression)
    const char* label = "";     // label ("" means the name)
    const char* tableName = ""; // table of a plain column, else ""
    short sqlType = SQL_VARCHAR;
    std::uint32_t precision = 0;
    short scale = 0;
    SQLLEN displaySize = 0;
    short nullable = SQL_NULLABLE_UNKNOWN;
    std::uint32_t flags = 0; // COLUMN_UPDATABLE ...
    enum : std::uint32_t { COLUMN_UPDATABLE = 1u << 0 };
};

class VX_EXPORT FlatDescriptor : public VxObject {
public:
    explicit FlatDescriptor(FlatStatement* statement);
    ~FlatDescriptor() override;
    FlatDescriptor(const FlatDescriptor&) = delete;
    FlatDescriptor& operator=(const FlatDescriptor&) = delete;

    // Adds the shared descriptions of the tables the statement uses to
    // `list` (ascending description number, each once; FlatCursor's
    // addTableToList does that).
    [[nodiscard]] virtual VxStatus addTablesToList(VxArray* list);
    [[nodiscard]] virtual VxStatus abortRowModification();
    // Autocommit switched (1 on, 0 off) while the statement is prepared.
    [[nodiscard]] virtual VxStatus changeTransactionMode(unsigned long autocommit);
    [[nodiscard]] virtual VxStatus deleteRow();
    // Writes the plan or statistics as text into `out` (at most size - 1
    // bytes, terminated); the base writes "".
    virtual void dump(char* out, std::size_t size);
    [[nodiscard]] virtual VxStatus execute();
    // Makes the next row current; *atEnd = 1 past the last.
    [[nodiscard]] virtual VxStatus getNextRecord(unsigned short* atEnd);
    // Makes row `row` (from 1) current; *atEnd = 1 when there is none.
    [[nodiscard]] virtual VxStatus getRandomRow(SQLULEN row, unsigned short* atEnd,
                                                unsigned int lock);
    // Column `column` (from 1, as SQLGetData numbers it) of the current
    // row converted to `cType` through the framework's conversions.
    [[nodiscard]] virtual VxStatus getData(unsigned short column, short cType, BaseOutString* out);
    [[nodiscard]] virtual VxStatus getRowId(double* rowId);
    [[nodiscard]] virtual VxStatus insertRow();
    [[nodiscard]] virtual VxStatus lockRow();
    // Parses the whole statement text; nothing of a failed parse remains.
    [[nodiscard]] virtual VxStatus parse(const char* sql);
    [[nodiscard]] virtual VxStatus patchRowHandles();
    [[nodiscard]] virtual VxStatus prepareForInsert();
    [[nodiscard]] virtual VxStatus prepareForUpdate();
    // Closes the result (SQLFreeStmt SQL_CLOSE) keeping the compiled form.
    [[nodiscard]] virtual VxStatus setToPreparedState();
    [[nodiscard]] virtual VxStatus unlockRow(SQLULEN row);
    [[nodiscard]] virtual VxStatus updateColumn(unsigned short column, FlatDataValue* value);
    [[nodiscard]] virtual VxStatus updateRow();

    // ---- Added after the operations above ----
    // Number of result columns (0 for statements without a result).
    virtual std::uint16_t getNumResultCols();
    // Description of result column `column` (from 1).
    [[nodiscard]] virtual VxStatus describeColumn(std::uint16_t column, FlatColumnInfo* info);
    // Whether a value may be bound to parameter `number` (from 1): false
    // for a marker where parameters are illegal. The base accepts any.
    virtual bool isParamLegal(std::uint16_t number);

    FlatStatement* getStatement() const { return statement_; }
    FlatConnection* getConnection() const;
    // Rows inserted, updated or deleted by the last execution (SQLRowCount).
    SQLLEN getRowCounter() const { return rowCounter_; }
    void setRowCounter(SQLLEN count) { rowCounter_ = count; }

protected:
    FlatStatement* statement_;
    SQLLEN rowCounter_ = 0;
};
