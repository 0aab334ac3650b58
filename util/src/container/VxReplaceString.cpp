#include "util/VxReplaceString.h"

#include <cstring>

VxReplaceString::~VxReplaceString() {
    finish();
}

VxStatus VxReplaceString::initialize(VxString& target) {
    finish();
    if (target.getBuffer() == nullptr && target.initialize(std::size_t{0}) != VX_SUCCESS)
        return VX_ERROR;
    target_ = &target;
    outLength_ = 0;
    // The text moves to the back of the buffer, the NUL room staying last.
    char* buffer = target.getBuffer();
    std::uint32_t length = target.length();
    char* rest = buffer + target.getCapacity() - 1 - length;
    std::memmove(rest, buffer, length);
    set(rest, length);
    target.setLength(0);
    return VX_SUCCESS;
}

void VxReplaceString::finish() {
    if (target_ == nullptr)
        return;
    char* buffer = target_->getBuffer();
    std::memmove(buffer + outLength_, ptr_, length_);
    target_->setLength(outLength_ + length_);
    // A buffer that stays too large is harmless, so a failed shrink is
    // not passed on.
    static_cast<void>(target_->shrinkToFit());
    target_ = nullptr;
    outLength_ = 0;
    set(nullptr, 0);
}

VxStatus VxReplaceString::makeRoom(std::size_t needed) {
    if (gap() >= needed)
        return VX_SUCCESS;
    std::uint32_t oldCapacity = target_->getCapacity();
    std::size_t restOffset = static_cast<std::size_t>(ptr_ - target_->getBuffer());
    std::size_t extra = needed - gap() + VX_REPLACE_GROWTH;
    // reserve() grows relative to the length: with the length set to the
    // whole old buffer, the capacity grows by exactly `extra`.
    target_->setLength(oldCapacity - 1);
    VxStatus status = target_->reserve(extra);
    target_->setLength(0);
    char* buffer = target_->getBuffer();
    if (status != VX_SUCCESS) {
        set(buffer + restOffset, length_);
        return VX_ERROR;
    }
    char* rest = buffer + target_->getCapacity() - 1 - length_;
    std::memmove(rest, buffer + restOffset, length_);
    set(rest, length_);
    return VX_SUCCESS;
}

void VxReplaceString::keep(std::uint32_t count) {
    if (count > length_)
        count = length_;
    // The gap may be narrower than `count`: memmove copes with the overlap.
    std::memmove(target_->getBuffer() + outLength_, ptr_, count);
    outLength_ += count;
    set(ptr_ + count, length_ - count);
}

void VxReplaceString::skip(std::uint32_t count) {
    if (count > length_)
        count = length_;
    set(ptr_ + count, length_ - count);
}

VxStatus VxReplaceString::addBytes(const char* text) {
    return addBytes(text, text ? std::strlen(text) : 0);
}

VxStatus VxReplaceString::addBytes(const char* text, std::size_t length) {
    if (length == 0)
        return VX_SUCCESS;
    // The bytes may come from the unread rest, which growing moves.
    bool fromRest = text >= ptr_ && text < ptr_ + length_;
    std::size_t offset = fromRest ? static_cast<std::size_t>(text - ptr_) : 0;
    if (makeRoom(length) != VX_SUCCESS)
        return VX_ERROR;
    if (fromRest)
        text = ptr_ + offset;
    std::memmove(target_->getBuffer() + outLength_, text, length);
    outLength_ += static_cast<std::uint32_t>(length);
    return VX_SUCCESS;
}

VxStatus VxReplaceString::addQuotedBytes(const char* text, std::size_t length, char quote) {
    std::size_t needed = length + 2;
    for (std::size_t i = 0; i < length; ++i)
        needed += text[i] == quote;
    // As in addBytes: bytes from the unread rest move when room is made.
    bool fromRest = text >= ptr_ && text < ptr_ + length_;
    std::size_t offset = fromRest ? static_cast<std::size_t>(text - ptr_) : 0;
    if (makeRoom(needed) != VX_SUCCESS)
        return VX_ERROR;
    if (fromRest)
        text = ptr_ + offset;
    char* out = target_->getBuffer() + outLength_;
    *out++ = quote;
    for (std::size_t i = 0; i < length; ++i) {
        *out++ = text[i];
        if (text[i] == quote)
            *out++ = quote;
    }
    *out++ = quote;
    outLength_ = static_cast<std::uint32_t>(out - target_->getBuffer());
    return VX_SUCCESS;
}
