#include "record/TxtTextBuffer.h"

#include <cstring>

#include "util/ram.h"

TxtTextBuffer::~TxtTextBuffer() {
    ramFree(data_);
}

VxStatus TxtTextBuffer::reserve(std::size_t extra) {
    if (length_ + extra <= capacity_)
        return VX_SUCCESS;
    std::size_t capacity = capacity_ ? capacity_ : 256;
    while (capacity < length_ + extra)
        capacity *= 2;
    void* block = data_;
    if (ramResize(&block, capacity))
        return VX_ERROR;
    data_ = static_cast<char*>(block);
    capacity_ = capacity;
    return VX_SUCCESS;
}

VxStatus TxtTextBuffer::append(const char* data, std::size_t length) {
    if (reserve(length))
        return VX_ERROR;
    if (length)
        std::memcpy(data_ + length_, data, length);
    length_ += length;
    return VX_SUCCESS;
}

VxStatus TxtTextBuffer::appendFill(char byte, std::size_t count) {
    if (reserve(count))
        return VX_ERROR;
    std::memset(data_ + length_, byte, count);
    length_ += count;
    return VX_SUCCESS;
}
