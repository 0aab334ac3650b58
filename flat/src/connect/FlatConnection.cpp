// FlatConnection: construction, disconnect, the engine's default hooks,
// the data directory and table paths. Attributes are read in
// FlatConnectOptions.cpp, options in FlatConnectionOptions.cpp, the list of
// shared descriptions in FlatSharedDescList.cpp, escapes in FlatEscape.cpp.
#include "flat/FlatConnection.h"

#include <cstring>
#include <new>

#include "base/BaseErrors.h"
#include "base/BaseStatement.h"
#include "error/FlatErrors.h"
#include "flat/FlatChangesFile.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatSharedDesc.h"
#include "util/VxString.h"
#include "util/VxTmpFile.h"
#include "util/bos.h"
#include "util/buttoken.h"
#include "util/bvm.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::uint32_t SCRATCH_BUFFER = 32768;

} // namespace

// The engine takes parameters itself (long values piece by piece), and
// its SELECT parser understands FOR UPDATE OF and WHERE CURRENT OF.
FlatConnection::FlatConnection(BaseEnv& env) : BaseConnection(env) {
    setFlag(CONN_NATIVE_PARAMS | CONN_PIECEWISE_LONG_DATA | CONN_FOR_UPDATE |
                CONN_POSITIONED_UPDATE | CONN_POSITIONED_DELETE,
            true);
}

FlatConnection::~FlatConnection() {
    // Statements go first: their cursors hand descriptions back to this
    // connection as they are destroyed.
    while (BaseStatement* statement = getStatementAtPos(0))
        delete statement;
    releaseAllSharedDescs();
    endTableEnumeration();
    if (bufferCache_)
        bvmTerm(bufferCache_);
    delete transactionScratch_;
    delete connectionScratch_;
    ramFree(dataDirectory_);
}

VxStatus FlatConnection::initialize() {
    if (BaseConnection::initialize() != VX_SUCCESS || semaphore_.initialize() != VX_SUCCESS)
        return VX_ERROR;
    transactionScratch_ = new (std::nothrow) VxTmpFile(SCRATCH_BUFFER);
    connectionScratch_ = new (std::nothrow) VxTmpFile(SCRATCH_BUFFER);
    return transactionScratch_ && connectionScratch_ ? VX_SUCCESS : VX_ERROR;
}

VxStatus FlatConnection::setToAllocatedState() {
    releaseAllSharedDescs();
    if (drvrSetToAllocatedState() != VX_SUCCESS)
        return VX_ERROR;
    if (connectionScratch_ && connectionScratch_->tmpTruncate(true) != VX_SUCCESS)
        return VX_ERROR;
    endTableEnumeration();
    if (hasFlatFlag(FLAT_CACHE_INITIALISED)) {
        bvmTerm(bufferCache_);
        bufferCache_ = nullptr;
        setFlatFlag(FLAT_CACHE_INITIALISED, false);
    }
    return VX_SUCCESS;
}

VxStatus FlatConnection::connectLogonDialogStart(SQLHWND, unsigned short, VxValueParser*) {
    return finishConnect();
}

void FlatConnection::getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) {
    if (id >= 3800 && id <= 4099) {
        flatLoadString(id, out, outSize);
        return;
    }
    // A driver without the resource leaves the text empty.
    if (out && outSize > 0)
        out[0] = '\0';
    getResourceStr(id, out, outSize);
}

VxStatus FlatConnection::startTransaction() {
    setFlag(CONN_IN_TRANSACTION, true);
    setFlatFlag(FLAT_AUTOCOMMIT, false);
    return VX_SUCCESS;
}

// Ends the transaction of every description that takes part in
// transactions, in list order. Commit replays each table's log through a
// cursor of the driver (prepareToCommit); after the first table that fails,
// the logs of the remaining tables are thrown away unapplied, so a failed
// commit of several tables leaves the tables before the failing one
// committed, the failing one committed up to the failing change, and the
// rest unchanged. Rollback throws every log away. Either way every
// description releases its record locks and is unpinned, the cache limit
// is applied and the transaction's scratch file emptied. The first failure
// is the result.
VxStatus FlatConnection::endTransaction(unsigned short how) {
    if (how == 0)
        setFlatFlag(FLAT_AUTOCOMMIT, true);
    VxStatus status = VX_SUCCESS;
    lockDescList();
    for (FlatSharedDesc* desc = sharedDescs_; desc; desc = desc->getNext()) {
        if (!desc->hasFlag(FlatSharedDesc::DESC_OPENED))
            continue;
        auto* changes = dynamic_cast<FlatChangesFile*>(desc);
        if (how == 0 && changes && changes->hasChanges() && status == VX_SUCCESS &&
            commitDesc(changes) != VX_SUCCESS)
            status = VX_ERROR;
        if (how == 0 && hasFlatFlag(FLAT_ULTRA_SAFE_COMMIT) && desc->flushChanges() != VX_SUCCESS)
            status = VX_ERROR;
        if (desc->releaseHeldLocks() != VX_SUCCESS)
            status = VX_ERROR;
        if (changes && changes->discardChanges() != VX_SUCCESS)
            status = VX_ERROR;
        desc->setFlag(FlatSharedDesc::DESC_PINNED, false);
    }
    checkOpenCacheLimit();
    unlockDescList();
    if (transactionScratch_ && transactionScratch_->tmpTruncate(true) != VX_SUCCESS)
        status = VX_ERROR;
    setFlatFlag(FLAT_AUTOCOMMIT, false);
    setFlag(CONN_IN_TRANSACTION, false);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    return patchRowHandles();
}

// Replays one table's log through a commit cursor of the driver. The
// cursor is unbound before it is destroyed: the description stays.
VxStatus FlatConnection::commitDesc(FlatChangesFile* changes) {
    FlatFileCursor* commit = nullptr;
    VxStatus status = prepareToCommit(changes, &commit);
    if (status == VX_SUCCESS && commit)
        status = changes->commitChanges(commit);
    else
        status = VX_ERROR;
    if (commit) {
        commit->detachFile();
        delete commit;
    }
    return status;
}

VxStatus FlatConnection::prepareToCommit(FlatSharedDesc*, FlatFileCursor** cursor) {
    *cursor = nullptr;
    return VX_ERROR;
}

void FlatConnection::getResourceStr(unsigned short, char*, std::size_t) {}
VxStatus FlatConnection::drvrSetToAllocatedState() {
    return VX_SUCCESS;
}

VxStatus FlatConnection::allocCursor(FlatCursor** cursor) {
    *cursor = nullptr;
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

void FlatConnection::getExt(char*, std::size_t) {}

VxStatus FlatConnection::getQualifier(char** out, bool wanted) {
    *out = nullptr;
    if (!wanted || !dataDirectory_ || !*dataDirectory_)
        return VX_SUCCESS;
    *out = ramAllocStr(dataDirectory_);
    return *out ? VX_SUCCESS : VX_ERROR;
}

VxStatus FlatConnection::getView(char** out, const char*, const char*, bool) {
    *out = nullptr;
    return VX_SUCCESS;
}

VxStatus FlatConnection::getSystemTable(char** out, const char*, const char*, bool) {
    *out = nullptr;
    return VX_SUCCESS;
}

VxStatus FlatConnection::getAlias(char** out, const char*, const char*, bool) {
    *out = nullptr;
    return VX_SUCCESS;
}

VxStatus FlatConnection::getSynonym(char** out, const char*, const char*, bool) {
    *out = nullptr;
    return VX_SUCCESS;
}

VxStatus FlatConnection::getOwner(char** out, const char*, bool) {
    *out = nullptr;
    return VX_SUCCESS;
}

VxStatus FlatConnection::doesTableExist(const char* name, bool* exists) {
    *exists = false;
    char path[FLAT_PATH_BUFFER];
    if (getTableFullPath(name, path) != VX_SUCCESS)
        return VX_ERROR;
    flatStripEngrave(path);
    *exists = bosexist(path);
    return VX_SUCCESS;
}

VxStatus FlatConnection::findTable(const char* dir, const char* name, bool* exists) {
    *exists = false;
    char ext[FLAT_NAME_BUFFER] = "";
    getExt(ext, sizeof ext);
    char path[FLAT_PATH_BUFFER];
    if (composeTablePath(path, dir, name, ext) != VX_SUCCESS)
        return VX_ERROR;
    flatStripEngrave(path);
    const int attributes = bosfattr(path);
    *exists = attributes == 1 || attributes == 5;
    return VX_SUCCESS;
}

VxStatus FlatConnection::changeDatabase(const char*) {
    return VX_SUCCESS;
}
VxStatus FlatConnection::createAliases(FlatDataTypeParser*) {
    return VX_SUCCESS;
}
void FlatConnection::bringSetupDialog(unsigned long) {}
VxStatus FlatConnection::startAutoCommitTransaction() {
    return VX_SUCCESS;
}

VxStatus FlatConnection::endAutoCommitTransaction(unsigned short) {
    return hasFlatFlag(FLAT_AUTOCOMMIT_PATCH) ? patchRowHandles() : VX_SUCCESS;
}

VxStatus FlatConnection::parseTableName(const char** cursor, char* name, char* owner, char* file) {
    char token[FLAT_NAME_BUFFER];
    const char* start = *cursor;
    if (buttoken(token, cursor, BUT_TRUNCATE | BUT_KEEP_CASE | BUT_MODE_WORDS, sizeof token) !=
        VX_SUCCESS)
        return VX_ERROR;
    owner[0] = '\0';
    name[0] = '\0';
    file[0] = '\0';
    // A delimiter where the name should be ("FROM , t", "FROM (") is no name.
    if (token[0] == '\0' || (token[1] == '\0' && strFind(",/()|", token[0]))) {
        *cursor = start;
        addFlatSyntaxError(3909);
        return VX_ERROR;
    }
    flatStripEngrave(token);
    const char* slash = strFindReverse(token, '\\');
    if (slash) {
        const std::size_t dirLength = static_cast<std::size_t>(slash - token);
        std::memcpy(name, token, dirLength);
        name[dirLength] = '\0';
        strCopy(file, FLAT_NAME_BUFFER, slash + 1);
    } else {
        name[0] = '\0';
        strCopy(file, FLAT_NAME_BUFFER, token);
    }
    return VX_SUCCESS;
}

VxStatus FlatConnection::setDataDirectory(const char* directory) {
    char* copy = nullptr;
    if (directory && *directory) {
        if (std::strlen(directory) >= FLAT_PATH_BUFFER) {
            addFlatError(3827) << directory;
            return VX_ERROR;
        }
        copy = ramAllocStr(directory);
        if (!copy)
            return VX_ERROR;
    }
    ramFree(dataDirectory_);
    dataDirectory_ = copy;
    return VX_SUCCESS;
}

VxStatus FlatConnection::composeTablePath(char* path, const char* dir, const char* file,
                                          const char* ext) {
    const char* directory = dir && *dir ? dir : (dataDirectory_ ? dataDirectory_ : "");
    VxString built;
    if (bospath(&built, directory, file, ext && *ext ? ext : nullptr) != VX_SUCCESS)
        return VX_ERROR;
    const char* text = built.getText();
    if (!text)
        text = "";
    if (std::strlen(text) >= FLAT_PATH_BUFFER) {
        addFlatError(3827) << file;
        return VX_ERROR;
    }
    strCopy(path, FLAT_PATH_BUFFER, text);
    return VX_SUCCESS;
}

VxStatus FlatConnection::getTableFullPath(const char* name, char* path) {
    char ext[FLAT_NAME_BUFFER] = "";
    getExt(ext, sizeof ext);
    return composeTablePath(path, "", name, ext);
}

void FlatConnection::flatStripEngrave(char* name) {
    char* to = name;
    for (const char* from = name; *from; ++from)
        if (*from != '`')
            *to++ = *from;
    *to = '\0';
}
