// FlatCursor: a cursor over one table, the only way the engine reads and
// changes a table. Operators, the planner, the data-modification
// statements and the transaction layer speak only these operations; each
// file driver supplies a concrete cursor (through FlatFileCursor) that
// knows its file format.
//
// Calling order:
//   reading:   openTable, getNewFirstRecord, getNextRecord ... until *eof;
//              getFieldData between moves; getRecordHandle remembers the
//              current record, getRandomRecord returns to it.
//   inserting: prepareForInsert, updateField per given column, insertRecord.
//   updating:  position, prepareForUpdate, updateField ..., updateRecord.
//   deleting:  position, deleteCurrentRecord.
//
// Record handle: getRecordHandleSize opaque bytes naming one record; the
// engine copies and compares them as bytes only.
//
// Operations marked "driver" are pure. An operation that "fails S1C00"
// raises driver-not-capable (S1C00) and fails. Column numbers start at 0.
// The order of the virtual operations is part of the interface.
#pragma once

#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

class FlatConnection;
class FlatDataValue;
class FlatDbaseJoinInfo;
class FlatFileIndex;
class FlatIndexRange;
class FlatResultSetGlobalInfo;
class FlatSharedDesc;
class VxArray;

class VX_EXPORT FlatCursor : public VxObject {
public:
    static constexpr std::uint16_t FIELD_NOT_FOUND = 0xFFFF;
    static constexpr std::uint16_t FIELD_ROWID = 0xFFFE;
    // estimateRecordCount of a cursor that knows nothing better.
    static constexpr std::uint32_t DEFAULT_RECORD_ESTIMATE = 1001;

    explicit FlatCursor(FlatConnection* connection) : connection_(connection) {}
    ~FlatCursor() override;
    FlatCursor(const FlatCursor&) = delete;
    FlatCursor& operator=(const FlatCursor&) = delete;

    FlatConnection* getConnection() const { return connection_; }

    // Driver: adds this cursor's description to `list` (descriptions kept
    // in ascending description number, each once).
    [[nodiscard]] virtual VxStatus addTableToList(VxArray* list) = 0;
    virtual void abortRecordModification();
    // Whether `value` fits column `field`; default accepts.
    [[nodiscard]] virtual VxStatus checkFieldValue(std::uint16_t field, FlatDataValue* value);
    // Default: *found = false.
    [[nodiscard]] virtual VxStatus checkKeyInIndex(const void* key, FlatFileIndex* index,
                                                   void* handle, bool* found);
    // Driver: true when `name` designates this cursor's table.
    virtual bool compareTableName(const char* name) = 0;
    // Defaults fail S1C00.
    [[nodiscard]] virtual VxStatus deleteCurrentRecord();
    [[nodiscard]] virtual VxStatus deleteRecord();
    // Default DEFAULT_RECORD_ESTIMATE.
    virtual std::uint32_t estimateRecordCount();
    // Driver: column number, FIELD_ROWID or FIELD_NOT_FOUND.
    virtual std::uint16_t findField(const char* name) = 0;
    // Driver: value of column `field` of the current record. The value may
    // borrow the cursor's buffer until the next move.
    [[nodiscard]] virtual VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) = 0;
    // Driver: column metadata.
    virtual std::uint16_t getFieldAttributes(std::uint16_t field) = 0;
    virtual const char* getFieldName(std::uint16_t field) = 0;
    virtual const char* getFieldNativeTypeName(std::uint16_t field) = 0;
    virtual bool getFieldNegDecPrec(std::uint16_t field) = 0;
    virtual short getFieldNullable(std::uint16_t field) = 0;
    virtual std::uint32_t getFieldPrecision(std::uint16_t field) = 0;
    virtual bool getFieldRowVerType(std::uint16_t field) = 0;
    virtual std::uint16_t getFieldScale(std::uint16_t field) = 0;
    virtual short getFieldSqlType(std::uint16_t field) = 0;
    virtual short getFieldUpdatable(std::uint16_t field) = 0;
    // Driver: the bound shared description (null before openTable).
    virtual FlatSharedDesc* getFileClass() = 0;
    // Driver: index `n` of the table.
    virtual FlatFileIndex* getIndex(std::uint16_t n) = 0;
    // Default 0.
    virtual std::uint16_t getIndexCount();
    // Default 0xFFFFFFFF (unknown).
    [[nodiscard]] virtual VxStatus getMaxPages(std::uint32_t* pages);
    // Driver: positions before the first record (of `range` where the
    // driver supports ranges; null reads the whole table) and reads it;
    // *eof when there is none.
    [[nodiscard]] virtual VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) = 0;
    // Driver: reads the next record; *eof when there is none.
    [[nodiscard]] virtual VxStatus getNextRecord(bool* eof) = 0;
    virtual std::uint16_t getNumFields() = 0;
    // Defaults null.
    virtual const char* getQualifier();
    virtual const char* getOwner();
    // Driver: makes the record of `handle` current; *status 0 when found,
    // 3 when there is no such record.
    [[nodiscard]] virtual VxStatus getRandomRecord(const void* handle, std::uint16_t* status) = 0;
    // Driver: copies the current record's handle (getRecordHandleSize bytes).
    [[nodiscard]] virtual VxStatus getRecordHandle(void* out) = 0;
    virtual std::uint16_t getRecordHandleSize() = 0;
    virtual FlatFileIndex* getRowidIndex() = 0;
    virtual const char* getTableName() = 0;
    // Transaction information of the current record; default writes nothing.
    [[nodiscard]] virtual VxStatus getTransactionInfo(unsigned char* out);
    // Index in use; default null.
    virtual FlatFileIndex* getUseIndex();
    // Default fails S1C00.
    [[nodiscard]] virtual VxStatus insertRecord();
    virtual bool isReadOnly() = 0;
    // Default false.
    virtual bool isRecordHandlePatchingNeeded();
    // Defaults succeed.
    [[nodiscard]] virtual VxStatus lockCurrentRecord();
    [[nodiscard]] virtual VxStatus lockRecord(void* lockHandle);
    // Driver: binds the cursor to the table's shared description, creating
    // the description when the connection has none for the table. Runs
    // under the connection's semaphore. `options` is the option text written
    // after the table name in FROM (null or "" when none).
    [[nodiscard]] virtual VxStatus openTable(const char* qualifier, const char* owner,
                                             const char* table, FlatResultSetGlobalInfo* info,
                                             const char* options) = 0;
    // Default: no join optimisation.
    [[nodiscard]] virtual VxStatus optimizeDbaseJoins(FlatDbaseJoinInfo* info);
    // Defaults succeed.
    [[nodiscard]] virtual VxStatus patchRecordHandles();
    [[nodiscard]] virtual VxStatus prepareForInsert();
    [[nodiscard]] virtual VxStatus prepareForUpdate();
    [[nodiscard]] virtual VxStatus releaseDbaseJoinLock();
    [[nodiscard]] virtual VxStatus resetCursor();
    [[nodiscard]] virtual VxStatus setTransactionInfo(const unsigned char* info);
    // Default *changed = false.
    [[nodiscard]] virtual VxStatus transformRecordHandle(void* handle, bool* changed);
    // Default succeeds.
    [[nodiscard]] virtual VxStatus unlockRecord(const void* handle);
    // Defaults fail S1C00.
    [[nodiscard]] virtual VxStatus updateField(std::uint16_t field, FlatDataValue* value);
    [[nodiscard]] virtual VxStatus updateRecord();

    // ---- Added after the operations above ----
    // Exact number of records, or -1 when the cursor cannot count them
    // cheaply (the default). Catalog statistics report it.
    [[nodiscard]] virtual VxStatus countRecords(std::int64_t* count);
    // Whether the cursor gives records a ROWID (default: the connection's
    // setting).
    virtual bool supportsRowId();
    // 0 when the precision of column `field` is a declared limit (the
    // default); otherwise the precision is an estimate and this is the most
    // characters a value of the column can have.
    virtual std::uint32_t getFieldEstimatedLimit(std::uint16_t field);

protected:
    FlatConnection* connection_;
};
