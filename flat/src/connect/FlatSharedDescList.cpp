// The connection's list of shared table descriptions: linking, the cache
// of closed tables, opening cursors, and the enumeration of table files.
//
// Every function here that changes the list runs under the connection's
// semaphore (taken here, or by the caller where the name or argument says
// so). The list is singly linked through FlatSharedDesc::getNext, newest
// first; a description handed back is cached at the head.
#include <cstring>
#include <typeinfo>

#include "base/BaseErrors.h"
#include "flat/FlatChangesFile.h"
#include "flat/FlatConnection.h"
#include "flat/FlatCursor.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatStatement.h"
#include "flat/FlatXactCursor.h"
#include "util/VxString.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// Preferred descriptions kept closed beyond FileOpenCache.
constexpr std::uint32_t PREFERRED_CACHE_LIMIT = 3;

bool isCached(const FlatSharedDesc* desc) {
    return desc->getOpenCount() == 0 && !desc->hasFlag(FlatSharedDesc::DESC_PINNED);
}

} // namespace

std::uint32_t FlatConnection::linkSharedDesc(FlatSharedDesc* desc) {
    pushSharedDesc(desc);
    return ++descCounter_;
}

void FlatConnection::pushSharedDesc(FlatSharedDesc* desc) {
    desc->setNext(sharedDescs_);
    sharedDescs_ = desc;
    desc->setLinked(true);
}

bool FlatConnection::unlinkSharedDesc(FlatSharedDesc* desc) {
    FlatSharedDesc* previous = nullptr;
    FlatSharedDesc* at = sharedDescs_;
    while (at && at != desc) {
        previous = at;
        at = at->getNext();
    }
    if (!at)
        return false;
    if (previous)
        previous->setNext(desc->getNext());
    else
        sharedDescs_ = desc->getNext();
    desc->setNext(nullptr);
    desc->setLinked(false);
    return true;
}

std::uint16_t FlatConnection::getSharedDescCount() const {
    std::uint16_t count = 0;
    for (FlatSharedDesc* desc = sharedDescs_; desc; desc = desc->getNext())
        ++count;
    return count;
}

void FlatConnection::destroySharedDesc(FlatSharedDesc* desc) {
    unlinkSharedDesc(desc);
    delete desc;
}

// At disconnect every statement has been reset, so no cursor is bound any
// more; a description that still counts a cursor is left linked rather
// than destroyed under it.
void FlatConnection::releaseAllSharedDescs() {
    lockDescList();
    FlatSharedDesc* desc = sharedDescs_;
    while (desc) {
        FlatSharedDesc* next = desc->getNext();
        if (desc->getOpenCount() == 0)
            destroySharedDesc(desc);
        desc = next;
    }
    unlockDescList();
}

void FlatConnection::removeSharedDesc(FlatSharedDesc* desc, bool force, bool locked) {
    if (!desc)
        return;
    if (!locked)
        lockDescList();
    if (isCached(desc)) {
        unlinkSharedDesc(desc);
        if (force || desc->hasFlag(FlatSharedDesc::DESC_DESTROY_ON_CLOSE)) {
            delete desc;
        } else {
            pushSharedDesc(desc);
            checkOpenCacheLimit();
        }
    }
    if (!locked)
        unlockDescList();
}

void FlatConnection::checkOpenCacheLimit() {
    std::uint32_t preferred = 0;
    std::uint32_t closed = 0;
    FlatSharedDesc* desc = sharedDescs_;
    while (desc) {
        FlatSharedDesc* next = desc->getNext();
        const bool isPreferred = desc->hasFlag(FlatSharedDesc::DESC_PREFER_CACHE);
        if (isPreferred)
            ++preferred;
        if (isCached(desc)) {
            ++closed;
            const bool keep =
                closed <= fileOpenCache_ || (isPreferred && preferred <= PREFERRED_CACHE_LIMIT);
            if (!keep)
                destroySharedDesc(desc);
        }
        desc = next;
    }
}

bool FlatConnection::isFileOpen(const char* path) {
    bool open = false;
    lockDescList();
    for (FlatSharedDesc* desc = sharedDescs_; desc;) {
        if (std::strcmp(desc->getFullPath(), path) != 0) {
            desc = desc->getNext();
            continue;
        }
        if (!isCached(desc)) {
            open = true;
            break;
        }
        destroySharedDesc(desc);
        desc = sharedDescs_;
    }
    unlockDescList();
    return open;
}

void FlatConnection::releaseCursorDesc(FlatFileCursor* cursor) {
    lockDescList();
    FlatSharedDesc* desc = cursor->getSharedDesc();
    cursor->setFile(nullptr);
    removeSharedDesc(desc, false, true);
    unlockDescList();
}

// A table cursor for a statement. On a connection whose tables take part
// in transactions, the driver's cursor is wrapped in a FlatXactCursor,
// which logs changes while the connection is in manual-commit mode and
// passes everything through in autocommit mode; so a prepared statement
// keeps working whichever mode the connection is switched to.
VxStatus FlatConnection::openCursor(FlatCursor** cursor, const char* qualifier, const char* owner,
                                    const char* table, FlatResultSetGlobalInfo* info,
                                    const char* options) {
    *cursor = nullptr;
    FlatCursor* driverCursor = nullptr;
    if (allocCursor(&driverCursor) != VX_SUCCESS || !driverCursor) {
        delete driverCursor;
        return VX_ERROR;
    }
    lockDescList();
    VxStatus status = driverCursor->openTable(qualifier ? qualifier : "", owner ? owner : "", table,
                                              info, options ? options : "");
    unlockDescList();
    if (status != VX_SUCCESS) {
        delete driverCursor;
        return VX_ERROR;
    }
    auto* fileCursor = dynamic_cast<FlatFileCursor*>(driverCursor);
    if (hasFlatFlag(FLAT_NO_TRANSACTIONS) || !fileCursor ||
        !dynamic_cast<FlatChangesFile*>(fileCursor->getSharedDesc())) {
        *cursor = driverCursor;
        return VX_SUCCESS;
    }
    auto* wrapped = new FlatXactCursor(this, fileCursor);
    if (!wrapped) {
        delete driverCursor;
        return VX_ERROR;
    }
    *cursor = wrapped;
    return VX_SUCCESS;
}

VxStatus FlatConnection::patchRowHandles() {
    VxStatus status = VX_SUCCESS;
    for (std::uint32_t i = 0; i < getStatementCount(); ++i) {
        auto* statement = dynamic_cast<FlatStatement*>(getStatementAtPos(i));
        if (statement && statement->getDescriptor() &&
            statement->getDescriptor()->patchRowHandles() != VX_SUCCESS)
            status = VX_ERROR;
    }
    lockDescList();
    for (FlatSharedDesc* desc = sharedDescs_; desc; desc = desc->getNext())
        desc->releaseRecordHandlePatchingInfo();
    unlockDescList();
    return status;
}

void FlatConnection::endTableEnumeration() {
    bosFindClose(&tableSearch_);
    tableSearchRunning_ = false;
    ramFree(tableSearchPattern_);
    tableSearchPattern_ = nullptr;
}

VxStatus FlatConnection::getTable(char** out, const char* dir, const char*, bool first) {
    *out = nullptr;
    if (first) {
        endTableEnumeration();
        char ext[FLAT_NAME_BUFFER] = "";
        getExt(ext, sizeof ext);
        const char* directory = dir && *dir ? dir : (dataDirectory_ ? dataDirectory_ : "");
        VxString pattern;
        if (pattern.initialize(directory) != VX_SUCCESS)
            return VX_ERROR;
        const std::size_t length = std::strlen(directory);
        if (length > 0 && directory[length - 1] != '/' && directory[length - 1] != '\\' &&
            pattern.concat('/') != VX_SUCCESS)
            return VX_ERROR;
        if (pattern.concat("*") != VX_SUCCESS ||
            (*ext && (pattern.concat('.') != VX_SUCCESS || pattern.concat(ext) != VX_SUCCESS)))
            return VX_ERROR;
        tableSearchPattern_ = ramAllocStr(pattern.getText());
        if (!tableSearchPattern_)
            return VX_ERROR;
        tableSearchRunning_ = true;
    }
    if (!tableSearchRunning_)
        return VX_SUCCESS;
    VxString name;
    if (name.initialize(tableSearch_ ? "" : tableSearchPattern_) != VX_SUCCESS ||
        bosFindFiles(&tableSearch_, &name) != VX_SUCCESS) {
        endTableEnumeration();
        return VX_ERROR;
    }
    const char* text = name.getText();
    if (!text || !*text) {
        endTableEnumeration();
        return VX_SUCCESS;
    }
    const char* dot = strFindReverse(text, '.');
    *out = dot ? ramAllocStr(text, static_cast<std::size_t>(dot - text)) : ramAllocStr(text);
    return *out ? VX_SUCCESS : VX_ERROR;
}
