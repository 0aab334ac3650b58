// FlatXactCursor: the table cursor of a connection whose tables take part
// in transactions. It wraps the driver's cursor (which it owns) and, while
// the connection is in manual-commit mode, writes inserts, updates and
// deletes into the table's changes log (FlatChangesFile) instead of the
// table, and reads the table merged with the log:
//
//   scan:   first the rows inserted in the transaction (up to the log's end
//           as it was at resetCursor, so an INSERT ... SELECT from the same
//           table does not read its own rows), in insert order; then the
//           driver's rows, each in its logged state when the log changed
//           it, skipped when the log deleted it. Read through an index
//           range, only rows whose key (in their logged state) lies in
//           the range come; while the log holds changes the driver's
//           rows are all read and tested, since an update may have moved
//           a key into the range, else the driver reads its range.
//   values: a column the log holds comes from the log; every other column
//           from the driver's cursor.
//
// Record handles are transaction handles (FlatChangesFile.h) in both modes,
// so switching autocommit never changes the size of a statement's handles.
// In autocommit mode every operation goes straight to the driver's cursor;
// a handle of a row inserted in an earlier transaction is first translated
// to the row's handle after its commit. A handle of a row whose insert was
// rolled back answers "no such row" without reaching the driver.
//
// Everything else (metadata, openTable, indexes, locking of table rows) is
// the driver cursor's.
#pragma once

#include <cstdint>
#include <typeinfo>
#include <vector>

#include "flat/FlatChangesFile.h"
#include "flat/FlatFileCursor.h"

class FlatChangesIndex;

class VX_EXPORT FlatXactCursor : public FlatCursor {
public:
    // Takes ownership of `driverCursor`, which openTable has bound.
    FlatXactCursor(FlatConnection* connection, FlatFileCursor* driverCursor);
    ~FlatXactCursor() override;

    FlatFileCursor* getDriverCursor() const { return driver_; }

    [[nodiscard]] VxStatus addTableToList(VxArray* list) override;
    void abortRecordModification() override;
    [[nodiscard]] VxStatus checkFieldValue(std::uint16_t field, FlatDataValue* value) override;
    bool compareTableName(const char* name) override;
    [[nodiscard]] VxStatus deleteCurrentRecord() override;
    [[nodiscard]] VxStatus deleteRecord() override;
    std::uint32_t estimateRecordCount() override;
    std::uint16_t findField(const char* name) override;
    [[nodiscard]] VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) override;
    std::uint16_t getFieldAttributes(std::uint16_t field) override;
    const char* getFieldName(std::uint16_t field) override;
    const char* getFieldNativeTypeName(std::uint16_t field) override;
    bool getFieldNegDecPrec(std::uint16_t field) override;
    short getFieldNullable(std::uint16_t field) override;
    std::uint32_t getFieldPrecision(std::uint16_t field) override;
    bool getFieldRowVerType(std::uint16_t field) override;
    std::uint16_t getFieldScale(std::uint16_t field) override;
    short getFieldSqlType(std::uint16_t field) override;
    short getFieldUpdatable(std::uint16_t field) override;
    FlatSharedDesc* getFileClass() override;
    FlatFileIndex* getIndex(std::uint16_t n) override;
    std::uint16_t getIndexCount() override;
    [[nodiscard]] VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) override;
    [[nodiscard]] VxStatus getNextRecord(bool* eof) override;
    std::uint16_t getNumFields() override;
    const char* getQualifier() override;
    [[nodiscard]] VxStatus getRandomRecord(const void* handle, std::uint16_t* status) override;
    [[nodiscard]] VxStatus getRecordHandle(void* out) override;
    std::uint16_t getRecordHandleSize() override;
    FlatFileIndex* getRowidIndex() override;
    const char* getTableName() override;
    [[nodiscard]] VxStatus insertRecord() override;
    bool isReadOnly() override;
    [[nodiscard]] VxStatus lockCurrentRecord() override;
    [[nodiscard]] VxStatus openTable(const char* qualifier, const char* owner, const char* table,
                                     FlatResultSetGlobalInfo* info, const char* options) override;
    [[nodiscard]] VxStatus prepareForInsert() override;
    [[nodiscard]] VxStatus prepareForUpdate() override;
    [[nodiscard]] VxStatus resetCursor() override;
    [[nodiscard]] VxStatus unlockRecord(const void* handle) override;
    [[nodiscard]] VxStatus updateField(std::uint16_t field, FlatDataValue* value) override;
    [[nodiscard]] VxStatus updateRecord() override;
    [[nodiscard]] VxStatus countRecords(std::int64_t* count) override;
    bool supportsRowId() override;
    std::uint32_t getFieldEstimatedLimit(std::uint16_t field) override;

private:
    enum class Phase { NONE, INSERTED, TABLE };
    enum class Pending { NONE, INSERT, UPDATE };

    FlatChangesFile* changes() const;
    // Whether modifications go to the log: manual commit and a description
    // that takes part in transactions.
    bool logging() const;
    std::uint16_t handleSize() const;
    // The transaction handle of the driver cursor's current row.
    [[nodiscard]] VxStatus driverHandle(unsigned char* out);
    // Makes the driver's current row current here: its logged state when
    // the log has one; *skip when the log deleted it.
    [[nodiscard]] VxStatus takeDriverRow(bool* skip);
    [[nodiscard]] VxStatus nextInserted(bool* eof);
    [[nodiscard]] VxStatus insideRange(bool* inside);
    [[nodiscard]] VxStatus skipReturnedInsert(bool* skip);
    [[nodiscard]] VxStatus nextTableRow(bool* eof, bool first, FlatIndexRange* range);
    void appendEntry(std::uint16_t field, const FlatDataValue* value);
    [[nodiscard]] VxStatus finishChange(std::uint8_t type);
    // The key that the change being built gives the row in `index`
    // (values given to the change, else the current row's); *touched
    // tells whether the change gives any of the index's columns.
    [[nodiscard]] VxStatus pendingKey(FlatFileIndex* index, unsigned char* key, bool* hasNull,
                                      bool* touched);
    // Fails with 4042 when a row other than `self` (null: none) holds
    // `key` among the changed rows (`keys`) or in the table.
    [[nodiscard]] VxStatus checkUnique(FlatChangesIndex* keys, const unsigned char* key,
                                       const unsigned char* self);
    // Checks and then records the keys of a change of row `handle`
    // (keysBefore), or records them after the change was logged.
    [[nodiscard]] VxStatus checkKeys(std::uint8_t type);
    [[nodiscard]] VxStatus recordKeys(std::uint8_t type, const unsigned char* handle);

    FlatFileCursor* driver_;
    // changes() of the description last asked about: the cast is worked
    // out again only when the driver cursor's description (its address or
    // its class) changes.
    mutable FlatSharedDesc* changesDesc_ = nullptr;
    mutable const std::type_info* changesType_ = nullptr;
    mutable FlatChangesFile* changesLog_ = nullptr;
    Phase phase_ = Phase::NONE;
    bool passThrough_ = false;         // the scan runs in autocommit mode
    bool fromLog_ = false;             // the current row's values come from the log
    bool loggedOnly_ = false;          // the current row exists only in the log
    std::uint32_t scanLimit_ = 0;      // inserts up to this counter belong to the scan
    std::uint32_t scanGeneration_ = 0; // the table's transaction count when the scan began
    std::uint32_t firstReturned_ = 0;  // insert counters of the logged rows the scan returned
    std::uint32_t lastReturned_ = 0;
    bool firstInserted_ = true;         // the scan has not yet read an inserted row
    FlatIndexRange* range_ = nullptr;   // the range the driver's rows are read through
    std::vector<unsigned char> handle_; // current transaction handle
    std::vector<unsigned char> pendingHandle_;
    FlatLoggedRow row_; // the current row's logged state
    Pending pending_ = Pending::NONE;
    std::vector<unsigned char> body_;              // value entries of the change being built
    std::vector<FlatLoggedValue> pendingValues_;   // values given to the change being built
    std::vector<std::vector<unsigned char>> keys_; // per changes index: the change's key
    std::vector<std::uint8_t> keyState_;           // per changes index: 0 untouched, 1 key, 2 none
};
