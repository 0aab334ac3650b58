// The in-memory test driver, libKWMEM08.so: a flat-engine driver whose
// tables live in the connection's memory, built only for the tests. Its
// cursor can insert, update and delete, takes record locks, gives ROWIDs
// and keeps column 0 of a table with a unique key unique, so that the
// engine's modification paths can be driven through the driver manager
// although the Text driver refuses them. Its tables take part in
// transactions (manual commit logs changes until SQLTransact).
//
// Every connection starts with the same tables (MemStore::seed):
//   STAFF (Id INTEGER NOT NULL, unique; Name VARCHAR(12); Salary DOUBLE)
//     rows (1,'Ann',1000) (2,'Bob',2000) (3,'Cy',3000) (4,'Di',NULL)
//   NOTES (Id INTEGER; Text VARCHAR(20)), empty, no unique key.
//
// The unique key is an index of the table (PrimaryKey); STAFF also has an
// index ByName on Name (duplicates allowed). The cursor reads by a range
// over either, in key order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "flat/FlatChangesFile.h"
#include "flat/FlatConnection.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatIndex.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatStatement.h"

struct MemCell {
    bool null = true;
    std::string bytes; // the value in its column's internal form
};

struct MemColumn {
    std::string name;
    short sqlType;
    std::uint32_t precision;
    short nullable;
};

struct MemTable {
    std::string name;
    std::vector<MemColumn> columns;
    std::vector<std::vector<MemCell>> rows;
    std::vector<bool> deleted;
    bool uniqueKey = false;    // column 0 may not repeat
    int textIndex = -1;        // a VARCHAR column with an index of its own (may repeat)
    int locksHeld = 0;         // record locks taken and not yet released
    std::uint64_t changes = 0; // inserts, updates and deletes so far
};

struct MemStore {
    std::vector<std::unique_ptr<MemTable>> tables;
    void seed();
    MemTable* find(const char* name);
};

class MemConnection : public FlatConnection {
public:
    explicit MemConnection(BaseEnv& env);

    void getDllName(char* out, std::size_t outSize) override;
    [[nodiscard]] VxStatus connectInit(VxValueParser* parser) override;
    [[nodiscard]] VxStatus connectLogon() override;
    [[nodiscard]] VxStatus allocCursor(FlatCursor** cursor) override;
    void getExt(char* out, std::size_t outSize) override;
    // The display name "Memory" of the message prefix.
    void getResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    [[nodiscard]] VxStatus findTable(const char* dir, const char* name, bool* exists) override;
    // The engine's functions and SQLSetPos, which the driver exports.
    [[nodiscard]] VxStatus isFunctionSupported(unsigned short api,
                                               unsigned short* supported) override;
    // A new cursor of the driver bound to `desc`: commits write through it.
    [[nodiscard]] VxStatus prepareToCommit(FlatSharedDesc* desc, FlatFileCursor** cursor) override;

    MemStore store;
};

class MemSharedDesc : public FlatChangesFile {
public:
    MemSharedDesc(MemConnection* connection, MemTable* table)
        : FlatChangesFile(connection), table_(table) {}
    [[nodiscard]] VxStatus releaseRecordLock(const void* handle, const void* lockHandle) override;
    MemTable* getTable() const { return table_; }

private:
    MemTable* table_;
};

// The key part of a VARCHAR column: a byte 0 for NULL or 1, then the text
// cut to the column's width and padded with zero bytes, compared by
// bytes. A LIKE limit is read from its literal prefix, trailing blanks
// left out; keys that start with it count as matching (the query's filter
// decides the rest of the pattern).
class MemTextKey : public FlatIndexKey {
public:
    MemTextKey(FlatIndex* owner, std::uint16_t field, std::uint32_t width);
    [[nodiscard]] VxStatus convertValueToNative(const FlatDataValue* value,
                                                unsigned char* out) override;
    int compareNativeToNative(const unsigned char* a, const unsigned char* b) override;
    bool isNativeLikePattern(const unsigned char* key, const char* pattern) override;
    [[nodiscard]] VxStatus generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                            const FlatIndexLimit* upper) override;
    int compareToEndKey(const unsigned char* key, const FlatIndexLimit* lower,
                        const FlatIndexLimit* upper) override;

private:
    std::string prefixOf(const char* pattern, std::size_t length) const;
    std::string prefixOf(const FlatIndexLimit* limit) const;

    std::uint32_t width_;
};

class MemCursor : public FlatFileCursor {
public:
    explicit MemCursor(MemConnection* connection) : FlatFileCursor(connection) {}

    [[nodiscard]] VxStatus openTable(const char* qualifier, const char* owner, const char* table,
                                     FlatResultSetGlobalInfo* info, const char* options) override;
    [[nodiscard]] VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) override;
    [[nodiscard]] VxStatus getNextRecord(bool* eof) override;
    [[nodiscard]] VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) override;
    [[nodiscard]] VxStatus getRandomRecord(const void* handle, std::uint16_t* status) override;
    [[nodiscard]] VxStatus getRecordHandle(void* out) override;
    [[nodiscard]] VxStatus lockRecord(void* lockHandle) override;
    [[nodiscard]] VxStatus deleteRecord() override;
    [[nodiscard]] VxStatus prepareForInsert() override;
    [[nodiscard]] VxStatus prepareForUpdate() override;
    [[nodiscard]] VxStatus updateField(std::uint16_t field, FlatDataValue* value) override;
    [[nodiscard]] VxStatus insertRecord() override;
    [[nodiscard]] VxStatus updateRecord() override;
    void abortRecordModification() override;
    [[nodiscard]] VxStatus countRecords(std::int64_t* count) override;
    // The live record whose column 0 has `key` in the table's unique index.
    [[nodiscard]] VxStatus checkKeyInIndex(const void* key, FlatFileIndex* index, void* handle,
                                           bool* found) override;

private:
    MemTable* table() const;
    bool isLive(std::uint32_t record) const;
    // Whether column 0 of `row` repeats that of a live record other than
    // `except` (from 1; 0 for none).
    bool repeatsKey(const std::vector<MemCell>& row, std::uint32_t except) const;
    [[nodiscard]] VxStatus checkRow(const std::vector<MemCell>& row, std::uint32_t except) const;

    // Reading by a range: the live records with a key, in key order.
    [[nodiscard]] VxStatus startRange(bool* eof);
    [[nodiscard]] VxStatus sortKeys();
    [[nodiscard]] VxStatus nextInRange(bool* eof);

    std::uint32_t record_ = 0;                     // current record, from 1; 0 before the first
    FlatIndexRange* range_ = nullptr;              // the range being read, if any
    std::vector<std::vector<unsigned char>> keys_; // full keys, in key order
    std::vector<std::uint32_t> order_;             // their records
    std::uint64_t keysOf_ = ~0ull;                 // the table's change count they are of
    FlatIndex* sortedBy_ = nullptr;                // the index they are of
    std::size_t position_ = 0;                     // next entry of order_
    enum class Pending { NONE, INSERT, UPDATE } pending_ = Pending::NONE;
    std::vector<MemCell> row_; // the row being built
};

class MemStatement : public FlatStatement {
public:
    explicit MemStatement(MemConnection& connection) : FlatStatement(connection) {}
};
