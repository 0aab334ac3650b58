#include "util/VxString.h"

#include <cstdio>
#include <cstring>

#include "error/utlMessages.h"
#include "util/ram.h"

VxString::~VxString() { unInitialize(); }

void VxString::unInitialize() {
    if (ownsBuffer_)
        ramFree(ptr_);
    ptr_ = nullptr;
    length_ = 0;
    capacity_ = 0;
    ownsBuffer_ = false;
}

VxStatus VxString::initialize(const char* text) {
    return initialize(text, text ? std::strlen(text) : 0);
}

VxStatus VxString::initialize(const char* text, std::size_t length) {
    if (length + 1 > VX_STRING_MAX_CAPACITY) {
        unInitialize();
        addError(2716);
        return VX_ERROR;
    }
    if (initialize(length + 1) != VX_SUCCESS)
        return VX_ERROR;
    if (length)
        std::memcpy(ptr_, text, length);
    length_ = static_cast<std::uint32_t>(length);
    return VX_SUCCESS;
}

VxStatus VxString::initialize(std::size_t capacity) {
    unInitialize();
    if (capacity == 0)
        capacity = 1;
    if (capacity > VX_STRING_MAX_CAPACITY) {
        addError(2716);
        return VX_ERROR;
    }
    ptr_ = static_cast<char*>(ramAllocZ(capacity));
    if (!ptr_)
        return VX_ERROR;
    capacity_ = static_cast<std::uint32_t>(capacity);
    ownsBuffer_ = true;
    return VX_SUCCESS;
}

void VxString::initializeWithBuffer(char* buffer, std::size_t capacity, std::size_t length) {
    unInitialize();
    ptr_ = buffer;
    capacity_ = static_cast<std::uint32_t>(capacity);
    length_ = static_cast<std::uint32_t>(length);
    ownsBuffer_ = false;
}

const char* VxString::getText() {
    if (!ptr_ || capacity_ == 0)
        return "";
    ptr_[length_] = 0;
    return ptr_;
}

VxStatus VxString::reserve(std::size_t extra) {
    std::size_t needed = static_cast<std::size_t>(length_) + extra + 1;
    if (ptr_ && needed <= capacity_)
        return VX_SUCCESS;
    if (needed > VX_STRING_MAX_CAPACITY || (ptr_ && !ownsBuffer_)) {
        addError(2716);
        return VX_ERROR;
    }
    void* block = ptr_;
    if (ramResize(&block, needed) != VX_SUCCESS)
        return VX_ERROR;
    ptr_ = static_cast<char*>(block);
    capacity_ = static_cast<std::uint32_t>(needed);
    ownsBuffer_ = true;
    return VX_SUCCESS;
}

VxStatus VxString::concat(char byte) { return concat(&byte, 1); }

VxStatus VxString::concat(const char* text) { return concat(text, text ? std::strlen(text) : 0); }

VxStatus VxString::concat(const char* text, std::size_t length) {
    if (reserve(length) != VX_SUCCESS)
        return VX_ERROR;
    if (length)
        std::memmove(ptr_ + length_, text, length);
    length_ += static_cast<std::uint32_t>(length);
    return VX_SUCCESS;
}

VxStatus VxString::concat(unsigned long value) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%lu", value);
    return concat(digits, static_cast<std::size_t>(n));
}

VxStatus VxString::concat(long value) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%ld", value);
    return concat(digits, static_cast<std::size_t>(n));
}

VxStatus VxString::changeBytes(std::size_t pos, std::size_t oldLength, const char* text,
                               std::size_t newLength) {
    if (!text)
        newLength = 0;
    if (pos > length_)
        pos = length_;
    if (oldLength > length_ - pos)
        oldLength = length_ - pos;
    if (newLength > oldLength && reserve(newLength - oldLength) != VX_SUCCESS)
        return VX_ERROR;
    std::size_t tail = length_ - pos - oldLength;
    if (tail)
        std::memmove(ptr_ + pos + newLength, ptr_ + pos + oldLength, tail);
    if (newLength)
        std::memcpy(ptr_ + pos, text, newLength);
    length_ = static_cast<std::uint32_t>(pos + newLength + tail);
    return VX_SUCCESS;
}

VxStatus VxString::replaceSubString(const char* target, std::size_t targetLength,
                                    const char* value, std::size_t valueLength) {
    if (targetLength == 0)
        return VX_SUCCESS;
    std::size_t pos = 0;
    while (pos + targetLength <= length_) {
        if (std::memcmp(ptr_ + pos, target, targetLength) != 0) {
            ++pos;
            continue;
        }
        if (changeBytes(pos, targetLength, value, valueLength) != VX_SUCCESS)
            return VX_ERROR;
        pos += valueLength;
    }
    return VX_SUCCESS;
}
