// FlatOrdinalResultSet: row numbers over stored child handles.
#include "flat/FlatOrdinalResultSet.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "select/FlatRowFile.h"
#include "util/ram.h"

FlatOrdinalResultSet::~FlatOrdinalResultSet() {
    delete file_;
    ramFree(handle_);
}

void FlatOrdinalResultSet::reset() {
    stored_ = 0;
    current_ = 0;
    childAt_ = 0;
    complete_ = false;
    started_ = false;
    ramFree(handle_);
    handle_ = nullptr;
    delete file_;
    file_ = nullptr;
}

VxStatus FlatOrdinalResultSet::open() {
    reset();
    return child_->open();
}

VxStatus FlatOrdinalResultSet::close() {
    reset();
    return child_->close();
}

VxStatus FlatOrdinalResultSet::ensureBuffers() {
    if (!handle_) {
        handleSize_ = storedRecordSize();
        handle_ = static_cast<unsigned char*>(ramAllocZ(handleSize_ ? handleSize_ : 1));
        if (!handle_)
            return VX_ERROR;
        delete file_;
        file_ = new FlatRowFile;
        file_->reset(handleSize_);
    }
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::appendHandle(const unsigned char* handle) {
    if (stored_ == 0xFFFFFFFFu) {
        // Rows are numbered in 32 bits.
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (file_->append(handle) != VX_SUCCESS)
        return VX_ERROR;
    ++stored_;
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::storeCurrent() {
    if (child_->getRowHandle(handle_) != VX_SUCCESS)
        return VX_ERROR;
    return appendHandle(handle_);
}

VxStatus FlatOrdinalResultSet::positionChild(std::uint32_t row, std::uint16_t* status) {
    if (row == childAt_) {
        *status = FLAT_ROW_FOUND;
        return VX_SUCCESS;
    }
    if (file_->read(row - 1u, handle_) != VX_SUCCESS || restoreRow(handle_, status) != VX_SUCCESS)
        return VX_ERROR;
    childAt_ = *status == FLAT_ROW_FOUND ? row : 0;
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::readUpTo(std::uint32_t target) {
    if (ensureBuffers() != VX_SUCCESS)
        return VX_ERROR;
    if (complete_ || stored_ >= target)
        return VX_SUCCESS;
    bool eof = false;
    if (!started_ && materializes()) {
        if (materialize() != VX_SUCCESS) {
            stored_ = 0; // the next fetch sorts again
            return VX_ERROR;
        }
        started_ = true;
        complete_ = true;
        childAt_ = 0;
        return VX_SUCCESS;
    }
    if (!started_) {
        started_ = true;
        if (child_->fetchFirst(&eof) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        if (childAt_ != stored_) {
            std::uint16_t status = FLAT_ROW_FOUND;
            if (positionChild(stored_, &status) != VX_SUCCESS)
                return VX_ERROR;
            if (status != FLAT_ROW_FOUND) {
                // The last stored row is gone: nothing to continue from.
                complete_ = true;
                return VX_SUCCESS;
            }
        }
        if (child_->fetchNext(&eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    while (!eof) {
        if (storeCurrent() != VX_SUCCESS)
            return VX_ERROR;
        childAt_ = stored_;
        if (stored_ >= target)
            return VX_SUCCESS;
        if (child_->fetchNext(&eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    complete_ = true;
    childAt_ = 0;
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::fetchRow(std::uint32_t row, std::uint16_t* status) {
    *status = FLAT_ROW_NONE;
    if (ensureBuffers() != VX_SUCCESS)
        return VX_ERROR;
    if (row == 0) {
        current_ = 0;
        return VX_SUCCESS;
    }
    if (row > stored_ && !complete_ && readUpTo(readTarget(row)) != VX_SUCCESS)
        return VX_ERROR;
    if (row > stored_) {
        current_ = stored_ == 0xFFFFFFFFu ? stored_ : stored_ + 1;
        return VX_SUCCESS;
    }
    if (positionChild(row, status) != VX_SUCCESS)
        return VX_ERROR;
    if (*status == FLAT_ROW_FOUND)
        current_ = row;
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::fetchFirst(bool* eof) {
    std::uint16_t status = FLAT_ROW_NONE;
    if (fetchRow(1, &status) != VX_SUCCESS)
        return VX_ERROR;
    *eof = status != FLAT_ROW_FOUND;
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::fetchNext(bool* eof) {
    std::uint16_t status = FLAT_ROW_NONE;
    if (current_ == 0xFFFFFFFFu) {
        *eof = true;
        return VX_SUCCESS;
    }
    if (fetchRow(current_ + 1, &status) != VX_SUCCESS)
        return VX_ERROR;
    *eof = status != FLAT_ROW_FOUND;
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::getRowHandle(unsigned char* handle) {
    std::memcpy(handle, &current_, 4);
    return VX_SUCCESS;
}

VxStatus FlatOrdinalResultSet::fetchByRowHandle(const unsigned char* handle,
                                                std::uint16_t* status) {
    std::uint32_t row = 0;
    std::memcpy(&row, handle, 4);
    return fetchRow(row, status);
}
