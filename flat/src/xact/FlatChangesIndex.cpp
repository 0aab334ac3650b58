// FlatChangesIndex: keys of the rows a transaction changed, per unique index.
#include "xact/FlatChangesIndex.h"

#include <cstring>

#include "flat/FlatFileIndex.h"
#include "util/VxTree.h"

namespace {

int bytesCompare(const void* a, const void* b, std::uint16_t length) {
    return std::memcmp(a, b, length);
}

} // namespace

FlatChangesIndex::FlatChangesIndex(FlatFileIndex* index, std::uint16_t handleSize)
    : index_(index), handleSize_(handleSize),
      keyLength_(static_cast<std::uint16_t>(index->getKeyLength())) {}

FlatChangesIndex::~FlatChangesIndex() {
    delete keys_;
    delete rows_;
}

VxStatus FlatChangesIndex::initialize() {
    keys_ = new VxTree(keyLength_, handleSize_, bytesCompare);
    rows_ = new VxTree(handleSize_, static_cast<std::uint16_t>(keyLength_ + 1), bytesCompare);
    entry_.assign(keyLength_ + 1u, 0);
    return keys_ && rows_ ? VX_SUCCESS : VX_ERROR;
}

VxStatus FlatChangesIndex::findKey(const unsigned char* key, unsigned char* handle, bool* found) {
    return keys_->getData(key, handle, found);
}

VxStatus FlatChangesIndex::isRowKnown(const unsigned char* handle, bool* known) {
    return rows_->doesExist(handle, known);
}

VxStatus FlatChangesIndex::setRowKey(const unsigned char* handle, const unsigned char* key) {
    bool found = false;
    if (rows_->getData(handle, entry_.data(), &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found && entry_[keyLength_] == 1 &&
        keys_->deleteKeyAndData(entry_.data(), handle, &found) != VX_SUCCESS)
        return VX_ERROR;
    std::memset(entry_.data(), 0, entry_.size());
    if (key) {
        std::memcpy(entry_.data(), key, keyLength_);
        entry_[keyLength_] = 1;
        if (keys_->add(key, handle, &found) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (rows_->changeData(handle, entry_.data(), &found) != VX_SUCCESS)
        return VX_ERROR;
    return found ? VX_SUCCESS : rows_->add(handle, entry_.data(), &found);
}

VxStatus FlatChangesIndex::reset() {
    VxStatus status = VX_SUCCESS;
    if (keys_ && keys_->reset() != VX_SUCCESS)
        status = VX_ERROR;
    if (rows_ && rows_->reset() != VX_SUCCESS)
        status = VX_ERROR;
    return status;
}
