// FlatDataValue: buffer ownership and copies.
#include "flat/FlatDataValue.h"

#include <cstring>

#include "util/ram.h"

void FlatDataValue::releaseBuffer() {
    if (own_ && buffer_)
        ramFree(const_cast<void*>(buffer_));
    buffer_ = nullptr;
    own_ = false;
}

VxStatus FlatDataValue::setValueCopy(const void* bytes, std::uint32_t length, short storageType) {
    void* target = nullptr;
    std::size_t wanted = length ? length : 1;
    if (own_ && buffer_ && ramSize(buffer_) >= wanted) {
        target = const_cast<void*>(buffer_);
    } else {
        target = ramAlloc(wanted);
        if (!target)
            return VX_ERROR;
        releaseBuffer();
        buffer_ = target;
        own_ = true;
    }
    if (length)
        std::memmove(target, bytes, length);
    length_ = length;
    storageType_ = storageType;
    null_ = false;
    return VX_SUCCESS;
}

void FlatDataValue::clear() {
    releaseBuffer();
    length_ = 0;
    storageType_ = FLAT_STORAGE_UNSET;
    null_ = false;
}
