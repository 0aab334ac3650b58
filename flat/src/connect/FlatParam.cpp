#include "flat/FlatParam.h"

#include "util/ram.h"

FlatParam::~FlatParam() {
    ramFree(buffer_);
}

VxStatus FlatParam::reserve(std::uint32_t size) {
    if (buffer_ && size_ >= size)
        return VX_SUCCESS;
    auto* grown = static_cast<unsigned char*>(ramAllocZ(size ? size : 1));
    if (!grown)
        return VX_ERROR;
    ramFree(buffer_);
    buffer_ = grown;
    size_ = size;
    return VX_SUCCESS;
}

void FlatParam::releaseValue() {
    ramFree(buffer_);
    buffer_ = nullptr;
    size_ = 0;
    length_ = 0;
    null_ = false;
    provided_ = false;
}
