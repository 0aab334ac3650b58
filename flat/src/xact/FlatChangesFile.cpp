// FlatChangesFile: the transaction log of one table, its change tree and
// the replay at commit. The layouts are drawn in FlatChangesFile.h.
#include "flat/FlatChangesFile.h"

#include <cstring>
#include <new>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatFileIndex.h"
#include "util/VxError.h"
#include "util/VxTmpFile.h"
#include "util/VxTree.h"
#include "xact/FlatChangesIndex.h"

namespace {

constexpr std::uint32_t LOG_BUFFER = 32768;
constexpr std::uint32_t HEADER_FIXED = 5;
// "The record to be locked has been deleted or changed."
constexpr unsigned short MSG_ROW_CHANGED = 3959;

// Rows inserted in the transaction first, in insert order; then table rows
// by their handle bytes.
int changeKeyCompare(const void* a, const void* b, std::uint16_t keyLength) {
    const auto* left = static_cast<const unsigned char*>(a);
    const auto* right = static_cast<const unsigned char*>(b);
    const bool leftLogged = left[keyLength - 1] == FlatChangesFile::LOGGED_ONLY_MARK;
    const bool rightLogged = right[keyLength - 1] == FlatChangesFile::LOGGED_ONLY_MARK;
    if (leftLogged != rightLogged)
        return leftLogged ? -1 : 1;
    if (leftLogged)
        return treeU32Compare(left, right, 4);
    return std::memcmp(left, right, keyLength);
}

int handleCompare(const void* a, const void* b, std::uint16_t keyLength) {
    return std::memcmp(a, b, keyLength);
}

} // namespace

FlatChangesFile::FlatChangesFile(FlatConnection* connection) : FlatSharedDesc(connection) {}

FlatChangesFile::~FlatChangesFile() {
    for (FlatChangesIndex* index : changesIndexes_)
        delete index;
    delete changeTree_;
    delete patchTree_;
    delete committedTree_;
    delete log_;
}

std::uint16_t FlatChangesFile::getTransactionHandleSize() const {
    const std::uint16_t size = getRecordHandleSize();
    return static_cast<std::uint16_t>((size > 4 ? size : 4) + 1);
}

VxStatus FlatChangesFile::ensureLog() {
    const std::uint16_t size = getTransactionHandleSize();
    if (!log_)
        log_ = new (std::nothrow) VxTmpFile(LOG_BUFFER);
    if (!changeTree_)
        changeTree_ = new VxTree(size, 4, changeKeyCompare);
    if (!patchTree_)
        patchTree_ = new VxTree(size, size, handleCompare);
    if (!committedTree_)
        committedTree_ = new VxTree(size, 4, handleCompare);
    if (!log_ || !changeTree_ || !patchTree_ || !committedTree_) {
        VxErrorKeeper::addMemoryError();
        return VX_ERROR;
    }
    handleSize_ = size;
    if (indexesMade_)
        return VX_SUCCESS;
    for (std::uint16_t n = 0; n < getIndexCount(); ++n) {
        FlatFileIndex* index = getIndex(n);
        if (!index || !index->isUnique() || (index->getFlags() & FlatFileIndex::INDEX_ROWID))
            continue;
        auto* changes = new (std::nothrow) FlatChangesIndex(index, size);
        if (!changes || changes->initialize() != VX_SUCCESS) {
            delete changes;
            VxErrorKeeper::addMemoryError();
            return VX_ERROR;
        }
        changesIndexes_.push_back(changes);
    }
    indexesMade_ = true;
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::logChange(std::uint8_t type, const unsigned char* handle,
                                    const std::vector<unsigned char>& body) {
    if (ensureLog() != VX_SUCCESS)
        return VX_ERROR;
    const std::uint32_t h = handleSize_;
    std::vector<unsigned char> record(HEADER_FIXED + 2 * h + body.size());
    record[0] = type;
    std::memcpy(&record[1], &NO_NEXT, 4);
    std::memcpy(&record[HEADER_FIXED], handle, h);
    std::memcpy(&record[HEADER_FIXED + h], handle, h);
    if (!body.empty())
        std::memcpy(&record[HEADER_FIXED + 2 * h], body.data(), body.size());
    std::uint32_t offset = 0;
    if (log_->tmpFindSpace(static_cast<std::uint32_t>(record.size()), &offset) != VX_SUCCESS ||
        log_->writeHuge(offset, record.data(), record.size()) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t first = 0;
    bool found = false;
    if (changeTree_->getData(handle, &first, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found) {
        // Link behind the row's last change record.
        std::uint32_t last = first;
        for (;;) {
            std::uint32_t next = NO_NEXT;
            if (log_->tmpRead(last + 1, &next, 4) != VX_SUCCESS)
                return VX_ERROR;
            if (next == NO_NEXT)
                break;
            last = next;
        }
        if (log_->tmpWrite(last + 1, &offset, 4) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        bool present = false;
        if (changeTree_->add(handle, &offset, &present) != VX_SUCCESS)
            return VX_ERROR;
        if (handle[h - 1] != LOGGED_ONLY_MARK)
            ++tableRowChanges_;
    }
    records_.push_back(offset);
    ++changeCount_;
    setFlag(DESC_PINNED, true);
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::findRow(const unsigned char* handle, std::uint32_t* first, bool* found) {
    *found = false;
    if (!changeTree_ || changeCount_ == 0)
        return VX_SUCCESS;
    return changeTree_->getData(handle, first, found);
}

VxStatus FlatChangesFile::readHeader(std::uint32_t offset, std::uint8_t* type, std::uint32_t* next,
                                     unsigned char* handle, unsigned char* initial) {
    if (log_->tmpRead(offset, type, 1) != VX_SUCCESS ||
        log_->tmpRead(offset + 1, next, 4) != VX_SUCCESS)
        return VX_ERROR;
    if (handle && log_->tmpRead(offset + HEADER_FIXED, handle, handleSize_) != VX_SUCCESS)
        return VX_ERROR;
    if (initial &&
        log_->tmpRead(offset + HEADER_FIXED + handleSize_, initial, handleSize_) != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

// Reads the value entries of the record at `offset` into `row`, later
// entries overriding earlier ones.
VxStatus FlatChangesFile::readBody(std::uint32_t offset, FlatLoggedRow* row) {
    std::uint32_t at = offset + HEADER_FIXED + 2u * handleSize_;
    for (;;) {
        unsigned char entry[ENTRY_HEADER_SIZE];
        std::uint16_t column = 0;
        if (log_->tmpRead(at, &column, 2) != VX_SUCCESS)
            return VX_ERROR;
        if (column == ENTRY_TERMINATOR)
            return VX_SUCCESS;
        if (log_->tmpRead(at, entry, ENTRY_HEADER_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        std::int32_t storage = 0;
        std::uint32_t length = 0;
        std::memcpy(&storage, entry + 4, 4);
        std::memcpy(&length, entry + 8, 4);
        const std::uint8_t kind = entry[12];
        at += ENTRY_HEADER_SIZE;
        if (column >= row->values.size()) {
            addOdbcError(ODBC_S1000);
            return VX_ERROR;
        }
        FlatLoggedValue& value = row->values[column];
        value.storageType = static_cast<short>(storage);
        if (kind == 1) {
            value.state = FlatLoggedValue::IS_NULL;
            value.bytes.clear();
            continue;
        }
        value.state = FlatLoggedValue::HAS_DATA;
        value.bytes.resize(length);
        if (length && log_->readHuge(at, &value.bytes[0], length) != VX_SUCCESS)
            return VX_ERROR;
        at += length;
    }
}

VxStatus FlatChangesFile::loadRow(std::uint32_t first, std::uint16_t fieldCount,
                                  FlatLoggedRow* row) {
    row->deleted = false;
    row->values.assign(fieldCount, FlatLoggedValue());
    for (std::uint32_t offset = first; offset != NO_NEXT;) {
        std::uint8_t type = 0;
        std::uint32_t next = NO_NEXT;
        if (readHeader(offset, &type, &next, nullptr, nullptr) != VX_SUCCESS)
            return VX_ERROR;
        if (type == CHANGE_DELETE) {
            row->deleted = true;
            return VX_SUCCESS;
        }
        if (type == CHANGE_INSERT)
            for (FlatLoggedValue& value : row->values)
                value.state = FlatLoggedValue::IS_NULL;
        if (readBody(offset, row) != VX_SUCCESS)
            return VX_ERROR;
        offset = next;
    }
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::nextInsertedRow(const unsigned char* after, unsigned char* handle,
                                          std::uint32_t* first, bool* found) {
    *found = false;
    if (!changeTree_ || changeCount_ == 0)
        return VX_SUCCESS;
    VxTreeIterator it;
    it.initialize(changeTree_);
    if (!after) {
        if (changeTree_->getFirst(handle, first, found, &it) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        bool present = false;
        std::uint32_t ignored = 0;
        if (changeTree_->getData(after, &ignored, &present, &it) != VX_SUCCESS)
            return VX_ERROR;
        if (!present)
            return VX_SUCCESS;
        if (changeTree_->getNext(handle, first, found, &it) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (*found && handle[handleSize_ - 1] != LOGGED_ONLY_MARK)
        *found = false;
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::mapCommittedHandle(const unsigned char* handle, unsigned char* out,
                                             bool* known) {
    const std::uint16_t h = getTransactionHandleSize();
    *known = true;
    bool found = false;
    if (patchTree_ && patchTree_->getData(handle, out, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found)
        return VX_SUCCESS;
    std::memcpy(out, handle, h);
    if (handle[h - 1] == LOGGED_ONLY_MARK)
        *known = false;
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::commitChanges(FlatFileCursor* cursor) {
    if (changeCount_ == 0)
        return VX_SUCCESS;
    for (std::uint32_t offset : records_)
        if (replayRecord(cursor, offset) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

// Every value entry of the record at `offset` through updateField.
VxStatus FlatChangesFile::applyValues(FlatFileCursor* cursor, std::uint32_t offset) {
    FlatLoggedRow row;
    row.values.assign(getFieldCount(), FlatLoggedValue());
    if (readBody(offset, &row) != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t column = 0; column < row.values.size(); ++column) {
        const FlatLoggedValue& logged = row.values[column];
        if (logged.state == FlatLoggedValue::FROM_TABLE)
            continue;
        FlatDataValue value;
        value.setStorageType(logged.storageType);
        if (logged.state == FlatLoggedValue::IS_NULL)
            value.setNull();
        else if (value.setValueCopy(logged.bytes.data(),
                                    static_cast<std::uint32_t>(logged.bytes.size()),
                                    logged.storageType) != VX_SUCCESS)
            return VX_ERROR;
        if (cursor->updateField(column, &value) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::replayRecord(FlatFileCursor* cursor, std::uint32_t offset) {
    const std::uint16_t h = handleSize_;
    std::vector<unsigned char> handle(h), initial(h), moved(h, 0);
    std::uint8_t type = 0;
    std::uint32_t next = NO_NEXT;
    if (readHeader(offset, &type, &next, handle.data(), initial.data()) != VX_SUCCESS)
        return VX_ERROR;
    if (type == CHANGE_INSERT) {
        if (cursor->prepareForInsert() != VX_SUCCESS || applyValues(cursor, offset) != VX_SUCCESS ||
            cursor->insertRecord() != VX_SUCCESS) {
            cursor->abortRecordModification();
            return VX_ERROR;
        }
        if (cursor->getRecordHandle(moved.data()) != VX_SUCCESS)
            return VX_ERROR;
        if (next != NO_NEXT && cursor->lockCurrentRecord() != VX_SUCCESS)
            return VX_ERROR;
        return notePatch(offset, initial.data(), moved.data());
    }
    std::uint16_t status = 0;
    if (cursor->getRandomRecord(handle.data(), &status) != VX_SUCCESS)
        return VX_ERROR;
    if (status != 0) {
        addFlatError(MSG_ROW_CHANGED);
        return VX_ERROR;
    }
    if (type == CHANGE_DELETE)
        return cursor->deleteCurrentRecord();
    if (cursor->prepareForUpdate() != VX_SUCCESS || applyValues(cursor, offset) != VX_SUCCESS ||
        cursor->updateRecord() != VX_SUCCESS) {
        cursor->abortRecordModification();
        return VX_ERROR;
    }
    if (cursor->getRecordHandle(moved.data()) != VX_SUCCESS)
        return VX_ERROR;
    if (std::memcmp(moved.data(), handle.data(), h) == 0)
        return VX_SUCCESS;
    return notePatch(offset, initial.data(), moved.data());
}

// The row first logged as `initial` is now `newHandle`: remember it for the
// statements and rewrite the handle of its later change records.
VxStatus FlatChangesFile::notePatch(std::uint32_t offset, const unsigned char* initial,
                                    const unsigned char* newHandle) {
    bool found = false;
    if (patchTree_->changeData(initial, newHandle, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found && patchTree_->add(initial, newHandle, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (initial[handleSize_ - 1] == LOGGED_ONLY_MARK) {
        std::uint32_t counter = 0;
        std::memcpy(&counter, initial, 4);
        if (committedTree_->changeData(newHandle, &counter, &found) != VX_SUCCESS)
            return VX_ERROR;
        if (!found && committedTree_->add(newHandle, &counter, &found) != VX_SUCCESS)
            return VX_ERROR;
    }
    std::uint32_t next = NO_NEXT;
    if (log_->tmpRead(offset + 1, &next, 4) != VX_SUCCESS)
        return VX_ERROR;
    while (next != NO_NEXT) {
        if (log_->tmpWrite(next + HEADER_FIXED, newHandle, handleSize_) != VX_SUCCESS ||
            log_->tmpRead(next + 1, &next, 4) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatChangesFile::discardChanges() {
    VxStatus status = VX_SUCCESS;
    if (log_ && log_->tmpTruncate(true) != VX_SUCCESS)
        status = VX_ERROR;
    if (changeTree_ && changeTree_->reset() != VX_SUCCESS)
        status = VX_ERROR;
    for (FlatChangesIndex* index : changesIndexes_)
        if (index->reset() != VX_SUCCESS)
            status = VX_ERROR;
    records_.clear();
    changeCount_ = 0;
    tableRowChanges_ = 0;
    ++generation_;
    setFlag(DESC_PINNED, false);
    return status;
}

VxStatus FlatChangesFile::findCommittedInsert(const unsigned char* handle, std::uint32_t* counter,
                                              bool* found) {
    *found = false;
    if (!committedTree_)
        return VX_SUCCESS;
    return committedTree_->getData(handle, counter, found);
}
