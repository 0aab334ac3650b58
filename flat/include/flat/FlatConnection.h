// FlatConnection: the connection of every flat-file driver (Text, Excel).
// It derives from the framework's BaseConnection and adds what the flat
// engine keeps per connection: the data directory (the current
// qualifier), the engine's connection attributes, two scratch files, the
// buffer cache, and the list of shared table descriptions (one per table
// file open or cached on the connection) with its semaphore.
//
// A driver derives its connection from this class and supplies the hooks
// marked "driver hook" (and the framework's pure getDllName, connectInit,
// connectLogon). Its connectInit calls getConnectOptions first.
//
// Locks: the connection's semaphore guards the list of shared
// descriptions, their open counts and the cache of closed tables. Each
// description has its own table lock; a statement takes the table locks
// of all its tables in ascending description number and may take the
// connection's semaphore inside them, never the other way round.
//
// The order of the virtual operations is part of the interface.
#pragma once

#include <sql.h>

#include <cstddef>
#include <cstdint>

#include "base/BaseConnection.h"
#include "util/VxSemaphore.h"
#include "util/VxStatus.h"

class FlatChangesFile;
class FlatCursor;
class FlatDataTypeParser;
class FlatFileCursor;
class FlatResultSetGlobalInfo;
class FlatSharedDesc;
class VxTmpFile;
struct BosFindCursor;
struct BvmCache;

// Buffer sizes of the path and name arguments below (terminator included).
constexpr std::size_t FLAT_PATH_BUFFER = 256;
constexpr std::size_t FLAT_NAME_BUFFER = 256;

class VX_EXPORT FlatConnection : public BaseConnection {
public:
    // Engine flags word.
    enum : std::uint32_t {
        FLAT_READ_ONLY = 1u << 0,            // SQL_ACCESS_MODE read-only
        FLAT_AUTOCOMMIT = 1u << 1,           // autocommit on (set at construction)
        FLAT_INDEX_IN_TRANSACTION = 1u << 2, // CREATE INDEX allowed in a transaction
        FLAT_INTL_SORT = 1u << 3,            // international sort order
        FLAT_NOT_ENGLISH = 1u << 4,          // the language setting is not English
        FLAT_DEFER_EVALUATION = 1u << 5,     // results are evaluated as they are fetched
        FLAT_ULTRA_SAFE_COMMIT = 1u << 6,    // flush every table at commit
        FLAT_CACHE_INITIALISED = 1u << 7,    // bvmInit ran
        FLAT_STRIP_BACKQUOTES = 1u << 8,     // backquotes are removed from table names
        FLAT_NO_TRANSACTIONS = 1u << 9,      // tables never take part in transactions
        // Settings a driver fixes for its tables:
        FLAT_CASE_INSENSITIVE_IDS = 1u << 10, // column names compare without case
        FLAT_ROWID = 1u << 11,                // the ROWID pseudo-column is offered
        FLAT_COMPARE_FULL_PATH = 1u << 12,    // tables compare by full path, not by name
        FLAT_AUTOCOMMIT_PATCH = 1u << 13,     // row handles are patched after autocommit
        FLAT_QUALIFIERS = 1u << 14,           // qualifiers (directories) are usable
        FLAT_OWNERS = 1u << 15,               // owner names are usable
        FLAT_TABLE_NAMES_CI = 1u << 16,       // table-name patterns match without case
        FLAT_TYPE_TIME = 1u << 17,            // the driver's types include SQL_TIME
        FLAT_TYPE_TIMESTAMP = 1u << 18,       // the driver's types include SQL_TIMESTAMP
    };

    explicit FlatConnection(BaseEnv& env);
    ~FlatConnection() override;

    // Creates the connection's semaphore and scratch files (called once by
    // SQLAllocConnect).
    [[nodiscard]] VxStatus initialize() override;

    // ---- Framework hooks the engine supplies ----
    // Releases every shared description (forced), then the driver's
    // drvrSetToAllocatedState; on its success truncates the connection's
    // scratch file, ends a table enumeration and stops the buffer cache.
    [[nodiscard]] VxStatus setToAllocatedState() override;
    // No dialog: finishConnect.
    [[nodiscard]] VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                                   VxValueParser* parser) override;
    // Messages 3800-4099 from the engine's table, others from getResourceStr.
    void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    // Rewrites date, time and timestamp literals and the scalar functions
    // the engine knows into its own SQL; other escapes stay as they are.
    [[nodiscard]] VxStatus expandNativeEscape(VxReplaceString* text, unsigned long position,
                                              EscapeType type,
                                              EscapeFunctionType function) override;
    // Manual commit begins: the framework's in-transaction bit on,
    // autocommit off.
    [[nodiscard]] VxStatus startTransaction() override;
    // 0 commits (each table's changes log is replayed through the driver),
    // 1 rolls back (the logs are thrown away): every opened description
    // releases its record locks (flushing first at an ultra-safe commit) and
    // is unpinned, the cache limit is applied, the transaction's scratch
    // file emptied, and the statements re-read their row handles. A failed
    // commit fails; see FlatConnection.cpp for what it leaves behind.
    [[nodiscard]] VxStatus endTransaction(unsigned short how) override;
    [[nodiscard]] VxStatus getConnectOption(unsigned short option, void* value) override;
    [[nodiscard]] VxStatus setConnectOption(unsigned short option, SQLULEN value) override;
    // The ODBC functions the engine carries out for every flat driver: not
    // procedures, foreign keys or privileges, and not SQLSetPos, which a
    // driver that exports it reports itself.
    [[nodiscard]] VxStatus isFunctionSupported(unsigned short api,
                                               unsigned short* supported) override;
    // ---- Engine hooks (slot order fixed) ----
    // Driver hook: a cursor of the driver's own bound to `desc`, through
    // which committed changes are written. The base fails.
    [[nodiscard]] virtual VxStatus prepareToCommit(FlatSharedDesc* desc, FlatFileCursor** cursor);
    // Driver hook: the driver's own message or resource `id`; the base
    // leaves the buffer unchanged.
    virtual void getResourceStr(unsigned short id, char* out, std::size_t outSize);
    // Driver hook at disconnect; the base succeeds.
    [[nodiscard]] virtual VxStatus drvrSetToAllocatedState();
    // Driver hook: a new table cursor of the driver (*cursor null on
    // failure). The base fails.
    [[nodiscard]] virtual VxStatus allocCursor(FlatCursor** cursor);
    // Driver hook: the table-file extension without the dot (at most
    // outSize - 1 bytes); the base leaves the buffer unchanged.
    virtual void getExt(char* out, std::size_t outSize);
    // With `wanted` and a data directory: a new copy of it (ramFree); else null.
    [[nodiscard]] virtual VxStatus getQualifier(char** out, bool wanted);
    // Table enumeration for the catalog functions: with `first`, restarts
    // over "*.<ext>" in `dir` (the data directory when null or empty).
    // Each call gives the next name, the extension cut at the last ".", as
    // a new string (ramFree); null when none is left.
    [[nodiscard]] virtual VxStatus getTable(char** out, const char* dir, const char* owner,
                                            bool first);
    // The engine has no views, system tables, aliases, synonyms or owners:
    // each sets *out to null and succeeds.
    [[nodiscard]] virtual VxStatus getView(char** out, const char* dir, const char* owner,
                                           bool first);
    [[nodiscard]] virtual VxStatus getSystemTable(char** out, const char* dir, const char* owner,
                                                  bool first);
    [[nodiscard]] virtual VxStatus getAlias(char** out, const char* dir, const char* owner,
                                            bool first);
    [[nodiscard]] virtual VxStatus getSynonym(char** out, const char* dir, const char* owner,
                                              bool first);
    [[nodiscard]] virtual VxStatus getOwner(char** out, const char* dir, bool first);
    // Whether the table file of `name` exists.
    [[nodiscard]] virtual VxStatus doesTableExist(const char* name, bool* exists);
    // Whether a cursor of this connection has `path` open. A description of
    // that path that is only cached is destroyed on the way.
    virtual bool isFileOpen(const char* path);
    // Driver hook after the data directory changed; the base succeeds.
    [[nodiscard]] virtual VxStatus changeDatabase(const char* directory);
    // Driver hook: adds the driver's own data-type names; the base adds none.
    [[nodiscard]] virtual VxStatus createAliases(FlatDataTypeParser* parser);
    // Driver hook: the driver's table-definition dialog; the base does nothing.
    virtual void bringSetupDialog(unsigned long value);
    [[nodiscard]] virtual VxStatus startAutoCommitTransaction();
    [[nodiscard]] virtual VxStatus endAutoCommitTransaction(unsigned short how);
    // Reads one table name at *cursor (advanced past it). `name` receives
    // the directory part (before the last backslash, else ""), `file` the
    // table part, `owner` is emptied; each buffer holds FLAT_NAME_BUFFER
    // bytes. Backquotes are stripped. An empty name raises 3909.
    [[nodiscard]] virtual VxStatus parseTableName(const char** cursor, char* name, char* owner,
                                                  char* file);
    // Whether a query naming table `name` in directory `dir` (the data
    // directory when null or empty) would find it, whether or not the
    // catalogue enumeration lists it. The catalog functions ask this for a
    // table argument that names one table exactly. The base looks for the
    // table file (the driver's extension added when the name has none).
    [[nodiscard]] virtual VxStatus findTable(const char* dir, const char* name, bool* exists);

    // ---- Engine services ----
    // Reads the engine's connection attributes and installs the engine's
    // information table; every driver's connectInit calls it first.
    [[nodiscard]] VxStatus getConnectOptions(VxValueParser* parser);
    // The engine's SQLGetInfo answers, ahead of the framework's defaults. A
    // driver with answers of its own installs a table chained to this one.
    static const BaseInfoTable& getFlatInfoTable();
    // The full path of table `name`: a relative name is resolved in the
    // data directory and gets the driver's extension when it has none.
    // Raises 3813 when the path would not fit FLAT_PATH_BUFFER bytes.
    [[nodiscard]] VxStatus getTableFullPath(const char* name, char* path);
    // `dir` (the data directory when empty) + separator + `file` + "." +
    // `ext` (none when `ext` is empty or `file` has one) into `path`
    // (FLAT_PATH_BUFFER bytes).
    [[nodiscard]] VxStatus composeTablePath(char* path, const char* dir, const char* file,
                                            const char* ext);
    // Removes every backquote from `name` in place.
    static void flatStripEngrave(char* name);
    // Opens a table for a statement: a driver cursor (allocCursor) on
    // which openTable runs under the connection's semaphore. On failure
    // *cursor is null and nothing stays open. A table that takes part in
    // transactions gets the driver's cursor wrapped in a FlatXactCursor.
    [[nodiscard]] VxStatus openCursor(FlatCursor** cursor, const char* qualifier, const char* owner,
                                      const char* table, FlatResultSetGlobalInfo* info,
                                      const char* options);
    // Hands a description back (force: destroy it; locked: the caller
    // already holds the connection's semaphore). A description a cursor
    // still uses or that is pinned stays. Otherwise it is destroyed when
    // forced or marked DESC_DESTROY_ON_CLOSE, else cached at the head of
    // the list and the cache limit applied.
    void removeSharedDesc(FlatSharedDesc* desc, bool force, bool locked);
    // Evicts closed descriptions beyond the FileOpenCache setting (those
    // preferred for caching stay up to three). Caller holds the semaphore.
    void checkOpenCacheLimit();
    // Lets every statement's descriptor and every description re-read
    // record handles after a commit.
    [[nodiscard]] VxStatus patchRowHandles();
    // Called by ~FlatFileCursor: unbinds `cursor` from `desc` and hands the
    // description back (removeSharedDesc without force) under the semaphore.
    void releaseCursorDesc(FlatFileCursor* cursor);

    // ---- State ----
    const char* getDataDirectory() const { return dataDirectory_; }
    // Replaces the data directory (null or "" clears); fails when memory
    // runs out or the text is longer than FLAT_PATH_BUFFER - 1 bytes.
    [[nodiscard]] VxStatus setDataDirectory(const char* directory);
    std::uint32_t getFlatFlags() const { return flatFlags_; }
    bool hasFlatFlag(std::uint32_t flag) const { return (flatFlags_ & flag) != 0; }
    void setFlatFlag(std::uint32_t flag, bool on) {
        flatFlags_ = on ? (flatFlags_ | flag) : (flatFlags_ & ~flag);
    }
    bool isReadOnly() const { return hasFlatFlag(FLAT_READ_ONLY); }
    std::uint16_t getFileOpenCache() const { return fileOpenCache_; }
    void setFileOpenCache(std::uint16_t count) { fileOpenCache_ = count; }
    unsigned getCacheSize() const { return cacheSize_; }
    BvmCache* getBufferCache() const { return bufferCache_; }
    VxTmpFile* getTransactionScratch() const { return transactionScratch_; }
    VxTmpFile* getConnectionScratch() const { return connectionScratch_; }

    // The list of shared descriptions (under the semaphore).
    void lockDescList() { semaphore_.enter(); }
    void unlockDescList() { semaphore_.exit(); }
    FlatSharedDesc* getFirstSharedDesc() const { return sharedDescs_; }
    // Links `desc` at the head and gives it the next description number
    // (FlatSharedDesc::initialize calls it).
    std::uint32_t linkSharedDesc(FlatSharedDesc* desc);
    // Unlinks `desc` from the list; false when it was not in it.
    bool unlinkSharedDesc(FlatSharedDesc* desc);
    std::uint16_t getSharedDescCount() const;

private:
    [[nodiscard]] VxStatus readDataDirectory(VxValueParser* parser);
    [[nodiscard]] VxStatus readCharsetAndSort(VxValueParser* parser);
    [[nodiscard]] VxStatus readCacheOptions(VxValueParser* parser);
    void destroySharedDesc(FlatSharedDesc* desc);
    void releaseAllSharedDescs();
    [[nodiscard]] VxStatus setAutocommitOnStatements(SQLULEN value);
    [[nodiscard]] VxStatus commitDesc(FlatChangesFile* changes);
    void endTableEnumeration();
    void pushSharedDesc(FlatSharedDesc* desc);

    char* dataDirectory_ = nullptr;
    VxTmpFile* transactionScratch_ = nullptr;
    VxTmpFile* connectionScratch_ = nullptr;
    VxSemaphore semaphore_;
    FlatSharedDesc* sharedDescs_ = nullptr;
    std::uint32_t descCounter_ = 0;
    std::uint16_t fileOpenCache_ = 0;
    unsigned cacheSize_ = 4;
    BosFindCursor* tableSearch_ = nullptr;
    bool tableSearchRunning_ = false;
    char* tableSearchPattern_ = nullptr;
    BvmCache* bufferCache_ = nullptr;
    std::uint32_t flatFlags_ =
        FLAT_AUTOCOMMIT | FLAT_INDEX_IN_TRANSACTION | FLAT_DEFER_EVALUATION | FLAT_QUALIFIERS;
};
