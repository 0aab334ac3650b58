#include "flat/FlatParam.h"

#include <cstdint>

#include "util/ram.h"

FlatParam::~FlatParam() {
    ramFree(buffer_);
}

// Long values arrive piece by piece, each reserving room behind the ones
// before: the buffer grows at least by half its size, so that many small
// pieces are not copied over and over, and what it holds is kept.
VxStatus FlatParam::reserve(std::uint32_t size) {
    if (buffer_ && size_ >= size)
        return VX_SUCCESS;
    std::uint32_t grownSize = size ? size : 1;
    if (buffer_ && size_ / 2 < UINT32_MAX - size_ && grownSize < size_ + size_ / 2)
        grownSize = size_ + size_ / 2;
    void* block = buffer_;
    if (!block) {
        block = ramAllocZ(grownSize);
        if (!block)
            return VX_ERROR;
    } else if (ramResizeZ(&block, grownSize) != VX_SUCCESS) {
        return VX_ERROR;
    }
    buffer_ = static_cast<unsigned char*>(block);
    size_ = grownSize;
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
