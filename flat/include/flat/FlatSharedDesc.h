// FlatSharedDesc: the description of one table file that every cursor of
// a connection opened on that file shares: identifiers (full path,
// directory, table name), the fields, the indexes, the table lock and the
// tree of record locks. File drivers derive their own description class
// from it (through the engine's changes file when the table takes part in
// transactions).
//
// Life: a driver's openTable, running under the connection's semaphore,
// either finds a description of the connection for its table (the
// connection's list, getFirstSharedDesc / getNext) or creates one, calls
// initialize with the cursor that opened it (the description then gets its
// number, sits at the head of the connection's list and the cursor is
// bound), fills identifiers and fields and finally sets DESC_OPENED. The
// connection destroys it when it is evicted from the cache of closed
// tables, explicitly removed, or the connection disconnects.
//
// Record locks: a tree keyed by record handle (record-handle size bytes)
// whose data is a 4-byte lock count followed by the driver's lock handle
// (lock-handle size bytes). A record locked twice through the description
// reaches the driver's lockRecord once and its releaseRecordLock once,
// after the second unlock. The tree is touched only while the statement
// holds the description's table lock.
#pragma once

#include <cstdint>

#include "util/VxArray.h"
#include "util/VxObject.h"
#include "util/VxSemaphore.h"
#include "util/VxStatus.h"

class FlatConnection;
class FlatFileCursor;
class FlatFileIndex;
class FlatSharedField;
class VxTree;

class VX_EXPORT FlatSharedDesc : public VxObject {
public:
    // Flags word.
    enum : std::uint32_t {
        DESC_DESTROY_ON_CLOSE = 0x02,    // destroyed when the last cursor closes, never cached
        DESC_PINNED = 0x04,              // changes of an open transaction pending: never evicted
        DESC_PREFER_CACHE = 0x08,        // kept closed in the cache (up to 3 such)
        DESC_READ_ONLY = 0x10,           // the file is opened read-only
        DESC_OPENED = 0x20,              // the driver completed opening; takes part in transactions
        DESC_DRIVER_0x40 = 0x40,         // left to the driver
        DESC_RELEASE_ALL_AT_ONCE = 0x80, // locks are released by one releaseAllLocks call
    };
    static constexpr std::uint16_t FIELD_NOT_FOUND = 0xFFFF;
    static constexpr std::uint16_t FIELD_ROWID = 0xFFFE;

    // Binds the description to its connection; nothing else happens until
    // initialize.
    explicit FlatSharedDesc(FlatConnection* connection);
    // Frees identifiers, fields, indexes, the lock tree and its buffers. A
    // description still linked in its connection's list is unlinked (the
    // caller holds the connection's semaphore); cursors still bound to it
    // are the caller's fault.
    ~FlatSharedDesc() override;
    FlatSharedDesc(const FlatSharedDesc&) = delete;
    FlatSharedDesc& operator=(const FlatSharedDesc&) = delete;

    // Creates the table lock, takes the connection's next description
    // number (the first description of a connection is 1), links the
    // description at the head of the connection's list and binds
    // `firstCursor` (may be null). Call under the connection's semaphore.
    // Fails when the lock cannot be created; the description is then not
    // linked.
    [[nodiscard]] VxStatus initialize(FlatFileCursor* firstCursor);

    // ---- Driver operations (slot order fixed) ----
    // Writes buffered changes to the file; default succeeds.
    [[nodiscard]] virtual VxStatus flushChanges();
    // Releases every physical lock of the table at once; default succeeds.
    [[nodiscard]] virtual VxStatus releaseAllLocks();
    // Forgets the old-to-new record-handle map of the last commit.
    virtual void releaseRecordHandlePatchingInfo();
    // Releases one physical record lock; default succeeds.
    [[nodiscard]] virtual VxStatus releaseRecordLock(const void* handle, const void* lockHandle);

    // ---- Identity and list ----
    FlatConnection* getConnection() const { return connection_; }
    FlatSharedDesc* getNext() const { return next_; }
    void setNext(FlatSharedDesc* next) { next_ = next; }
    // Whether the description is in its connection's list (the connection
    // keeps the mark as it links and unlinks it).
    bool isLinked() const { return linked_; }
    void setLinked(bool linked) { linked_ = linked; }
    // Ascending in creation order; orders the table locks of a statement.
    std::uint32_t getDescNumber() const { return descNumber_; }
    // Number of cursors bound (FlatFileCursor::setFile keeps it).
    std::uint16_t getOpenCount() const { return openCount_; }
    void addOpen() { ++openCount_; }
    void removeOpen() {
        if (openCount_ > 0)
            --openCount_;
    }

    // Keeps a copy of `fullPath` and derives the table name (the file name
    // without directory and extension) and the qualifier (the directory,
    // one trailing separator removed). Fails only when memory runs out.
    [[nodiscard]] VxStatus setIdentifiers(const char* fullPath);
    // Stores `dir` as the qualifier, one trailing separator removed.
    [[nodiscard]] VxStatus setQualifier(const char* dir);
    // Replaces the table name (a driver whose table name is not its file name).
    [[nodiscard]] VxStatus setTableName(const char* name);
    const char* getFullPath() const { return fullPath_ ? fullPath_ : ""; }
    const char* getQualifier() const { return qualifier_ ? qualifier_ : ""; }
    const char* getTableName() const { return tableName_ ? tableName_ : ""; }

    // ---- Table lock ----
    void lock() { semaphore_.enter(); }
    void unlock() { semaphore_.exit(); }

    // ---- Fields ----
    // Appends a field; the description owns it (also when adding fails).
    [[nodiscard]] VxStatus addField(FlatSharedField* field);
    std::uint16_t getFieldCount() const { return fields_.getCount(); }
    // Field `n` from 0, null past the end.
    FlatSharedField* getField(std::uint16_t n) const;
    // Column number of `name` from 0, compared without case when the
    // connection's identifiers are case-insensitive (or there is no
    // connection), exactly otherwise; a name that matches no
    // field gives FIELD_ROWID for "ROWID" (any case) when the connection
    // offers ROWIDs, else FIELD_NOT_FOUND. A real column named ROWID wins.
    std::uint16_t findField(const char* name) const;

    // ---- Indexes ----
    // (FlatFileIndex derives from VxObject alone; the description deletes
    // its indexes through VxObject's virtual destructor.)
    // Appends an index; the description owns it.
    [[nodiscard]] VxStatus addIndex(FlatFileIndex* index);
    std::uint16_t getIndexCount() const { return indexes_.getCount(); }
    FlatFileIndex* getIndex(std::uint16_t n) const;
    FlatFileIndex* getRowidIndex() const { return rowidIndex_; }
    // Takes ownership of the ROWID index (the previous one is deleted).
    void setRowidIndex(FlatFileIndex* index);

    // ---- Sizes and flags ----
    std::uint16_t getRecordHandleSize() const { return recordHandleSize_; }
    void setRecordHandleSize(std::uint16_t size) { recordHandleSize_ = size; }
    std::uint16_t getLockHandleSize() const { return lockHandleSize_; }
    void setLockHandleSize(std::uint16_t size) { lockHandleSize_ = size; }
    std::uint32_t getFlags() const { return flags_; }
    bool hasFlag(std::uint32_t flag) const { return (flags_ & flag) != 0; }
    void setFlag(std::uint32_t flag, bool on) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }

    // ---- Record locks ----
    // One more reference to a lock held on `handle`: *found tells whether
    // the tree held it.
    [[nodiscard]] VxStatus addLockReference(const void* handle, bool* found);
    // Enters a new lock (count 1) with the driver's lock handle; creates
    // the tree on first use.
    [[nodiscard]] VxStatus addLock(const void* handle, const void* lockHandle);
    // Drops the entry of `handle` without calling the driver (the record
    // was deleted).
    [[nodiscard]] VxStatus removeLock(const void* handle);
    // One reference less; the last one releases the driver's lock
    // (releaseRecordLock) and drops the entry. An unknown handle succeeds.
    [[nodiscard]] VxStatus unlockRecord(const void* handle);
    // Releases every held lock (releaseAllLocks once with
    // DESC_RELEASE_ALL_AT_ONCE, else releaseRecordLock per entry) and
    // empties the tree.
    [[nodiscard]] VxStatus releaseHeldLocks();
    // Copies the stored lock handle of `handle`; *found false without one.
    [[nodiscard]] VxStatus getLockHandle(const void* handle, void* out, bool* found);
    // Replaces the stored lock handle of a held lock.
    [[nodiscard]] VxStatus changeLockHandle(const void* handle, const void* newLockHandle);
    // Number of held locks (0 without a tree), and the count of one.
    std::uint32_t getLockCount() const;
    [[nodiscard]] VxStatus getLockReferences(const void* handle, std::uint32_t* count);

private:
    [[nodiscard]] VxStatus ensureLockTree();
    void freeLockTree();

    FlatSharedDesc* next_ = nullptr;
    VxArray indexes_;
    FlatFileIndex* rowidIndex_ = nullptr;
    FlatConnection* connection_;
    std::uint32_t descNumber_ = 0;
    std::uint16_t openCount_ = 0;
    char* fullPath_ = nullptr;
    char* qualifier_ = nullptr;
    char* tableName_ = nullptr;
    VxSemaphore semaphore_;
    VxArray fields_;
    std::uint16_t recordHandleSize_ = 4;
    VxTree* lockTree_ = nullptr;
    unsigned char* lockKey_ = nullptr;
    unsigned char* lockData_ = nullptr;
    std::uint16_t lockHandleSize_ = 0;
    std::uint32_t flags_ = DESC_RELEASE_ALL_AT_ONCE;
    bool linked_ = false;
};
