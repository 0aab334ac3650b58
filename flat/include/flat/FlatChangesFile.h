// FlatChangesFile: the shared description of a table that takes part in
// manual-commit transactions. Besides what FlatSharedDesc keeps it holds the
// log of the open transaction's changes to the table: inserts, updates and
// deletes are written to a temporary store instead of the table, the
// connection's cursors (FlatXactCursor) read the table merged with the log,
// and commit replays the log through a cursor of the driver; rollback only
// throws the log away. A driver derives its description from this class.
//
// Transaction handle (H = max(record-handle size, 4) + 1 bytes):
//   a table row:          the driver's record handle, zero padded, last byte 0
//   a row inserted in a   the insert counter (u32, native order) in the first
//   transaction:          four bytes, zeros, last byte 0x20
// The insert counter of a description never repeats for the life of the
// description, so a handle of a row inserted in a transaction that was
// rolled back can never name a later insert.
//
// Log: change records one after another (offsets are those of the store):
//   +0      1  change type: 0 insert, 1 update, 2 delete
//   +1      4  offset of the next change record of the same row, NO_NEXT for none
//   +5      H  the row's transaction handle as of this change (rewritten at commit)
//   +5+H    H  the row's initial transaction handle (the change-tree key)
//   +5+2H   .. inserts and updates: value entries, then the terminator 0xFFFF
// Value entry: 16 bytes (column u16, 2 zero bytes, storage type i32, data
// length u32, kind u8: 0 data follows, 1 NULL; 3 zero bytes) then the data.
//
// Change tree: transaction handle -> offset of the row's first change record.
// Changes indexes (FlatChangesIndex): per unique index, the keys the rows
// changed in the transaction hold now.
// Patch tree: initial handle of a row inserted (or moved by an update) in a
// committed transaction -> its handle after the commit; statements that
// still hold the old handle reach the row through it.
//
// All of it runs while the statement holds the description's table lock,
// or at commit and rollback, which the framework serialises with every
// other call of the connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "flat/FlatSharedDesc.h"

class FlatChangesIndex;
class FlatDataValue;
class FlatFileCursor;
class VxTmpFile;
class VxTree;

// One column of a row as the log has it.
struct FlatLoggedValue {
    enum State : std::uint8_t { FROM_TABLE, IS_NULL, HAS_DATA };
    State state = FROM_TABLE;
    short storageType = 0;
    std::string bytes;
};

// A row's state after all of its change records.
struct FlatLoggedRow {
    bool deleted = false;
    std::vector<FlatLoggedValue> values;
};

class VX_EXPORT FlatChangesFile : public FlatSharedDesc {
public:
    enum : std::uint8_t { CHANGE_INSERT = 0, CHANGE_UPDATE = 1, CHANGE_DELETE = 2 };
    static constexpr std::uint8_t LOGGED_ONLY_MARK = 0x20;
    static constexpr std::uint32_t NO_NEXT = 0xFFFFFFFFu;
    static constexpr std::uint16_t ENTRY_TERMINATOR = 0xFFFF;
    static constexpr std::uint32_t ENTRY_HEADER_SIZE = 16;

    explicit FlatChangesFile(FlatConnection* connection);
    ~FlatChangesFile() override;

    // H: max(record-handle size, 4) + 1.
    std::uint16_t getTransactionHandleSize() const;
    bool hasChanges() const { return changeCount_ > 0; }
    std::uint32_t getInsertCounter() const { return insertCounter_; }
    // The next insert counter, taken (it is never given again).
    std::uint32_t takeInsertCounter() { return ++insertCounter_; }
    // Whether the log has changes of rows that came from the table (updates
    // and deletes); reads then look every table row up in the change tree.
    bool hasTableRowChanges() const { return tableRowChanges_ > 0; }

    // Appends a change record for the row `handle` (H bytes) with `body`
    // (value entries and terminator; empty for a delete), links it to the
    // row's earlier records or enters the row in the change tree, and pins
    // the description. Store failures propagate.
    [[nodiscard]] VxStatus logChange(std::uint8_t type, const unsigned char* handle,
                                     const std::vector<unsigned char>& body);
    // Offset of the first change record of `handle`; *found false when the
    // row has none.
    [[nodiscard]] VxStatus findRow(const unsigned char* handle, std::uint32_t* first, bool* found);
    // The state of the row whose first change record is at `first`, for a
    // table of `fieldCount` columns.
    [[nodiscard]] VxStatus loadRow(std::uint32_t first, std::uint16_t fieldCount,
                                   FlatLoggedRow* row);
    // The next row inserted in the transaction after the one whose handle
    // is `after` (null: the first), in insert order: its handle and first
    // change record. *found false when there is none.
    [[nodiscard]] VxStatus nextInsertedRow(const unsigned char* after, unsigned char* handle,
                                           std::uint32_t* first, bool* found);
    // The handle that `handle` stands for after the commits so far (the same
    // bytes when no commit moved it); *known false for a handle of a
    // logged-only row that no commit wrote (its transaction was rolled back).
    [[nodiscard]] VxStatus mapCommittedHandle(const unsigned char* handle, unsigned char* out,
                                              bool* known);

    // Whether table row `handle` was written by the commit of a logged
    // insert, and that insert's counter.
    [[nodiscard]] VxStatus findCommittedInsert(const unsigned char* handle, std::uint32_t* counter,
                                               bool* found);
    // Counts the ends of transactions (commit or rollback) of the table.
    std::uint32_t getGeneration() const { return generation_; }

    // Replays the log in log order through `cursor` (a driver cursor bound
    // to this description). The first failing driver call stops the replay
    // with the driver's error.
    [[nodiscard]] VxStatus commitChanges(FlatFileCursor* cursor);
    // The changes indexes: one per unique index of the table other than the
    // ROWID index (created with the log).
    const std::vector<FlatChangesIndex*>& getChangesIndexes() const { return changesIndexes_; }
    // Creates the log, its trees and the changes indexes when they do not
    // exist yet.
    [[nodiscard]] VxStatus ensureLog();

    // Throws the log away: store, change tree, changes indexes, counters;
    // unpins the description. The insert counter and the patch tree stay.
    [[nodiscard]] VxStatus discardChanges();

private:
    [[nodiscard]] VxStatus readHeader(std::uint32_t offset, std::uint8_t* type, std::uint32_t* next,
                                      unsigned char* handle, unsigned char* initial);
    [[nodiscard]] VxStatus readBody(std::uint32_t offset, FlatLoggedRow* row);
    [[nodiscard]] VxStatus replayRecord(FlatFileCursor* cursor, std::uint32_t offset);
    [[nodiscard]] VxStatus applyValues(FlatFileCursor* cursor, std::uint32_t offset);
    [[nodiscard]] VxStatus notePatch(std::uint32_t offset, const unsigned char* initial,
                                     const unsigned char* newHandle);

    VxTmpFile* log_ = nullptr;
    VxTree* changeTree_ = nullptr;
    VxTree* patchTree_ = nullptr;
    VxTree* committedTree_ = nullptr; // handle after commit -> insert counter
    std::vector<FlatChangesIndex*> changesIndexes_;
    std::vector<std::uint32_t> records_; // offsets of the change records, in log order
    std::uint32_t changeCount_ = 0;
    std::uint32_t tableRowChanges_ = 0;
    std::uint32_t insertCounter_ = 0;
    std::uint16_t handleSize_ = 0; // H of the open log (0 before the first change)
    bool indexesMade_ = false;
    std::uint32_t generation_ = 0;
};
