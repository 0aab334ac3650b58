#include "util/VxString.h"

#include <cstdio>
#include <cstring>

#include "error/utlMessages.h"
#include "util/ram.h"

VxString::~VxString() {
    unInitialize();
}

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

VxStatus VxString::concat(char byte) {
    return concat(&byte, 1);
}

VxStatus VxString::concat(const char* text) {
    return concat(text, text ? std::strlen(text) : 0);
}

bool VxString::isInBuffer(const char* text) const {
    return ptr_ != nullptr && text >= ptr_ && text < ptr_ + capacity_;
}

VxStatus VxString::concat(const char* text, std::size_t length) {
    // The text may be a part of this string, which growing can move.
    bool inside = isInBuffer(text);
    std::size_t offset = inside ? static_cast<std::size_t>(text - ptr_) : 0;
    if (reserve(length) != VX_SUCCESS)
        return VX_ERROR;
    if (inside)
        text = ptr_ + offset;
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
    if (newLength && isInBuffer(text)) {
        // The new bytes come from this very string: moving the tail or
        // growing would overwrite or free them, so work from a copy.
        char* copy = ramAllocStr(text, newLength);
        if (!copy)
            return VX_ERROR;
        VxStatus status = changeBytes(pos, oldLength, copy, newLength);
        ramFree(copy);
        return status;
    }
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

VxStatus VxString::replaceSubString(const char* target, std::size_t targetLength, const char* value,
                                    std::size_t valueLength) {
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

VxStatus VxString::shrinkToFit() {
    if (!ownsBuffer_ || !ptr_ || capacity_ <= length_ + 1)
        return VX_SUCCESS;
    void* block = ptr_;
    if (ramResize(&block, length_ + 1) != VX_SUCCESS)
        return VX_ERROR;
    ptr_ = static_cast<char*>(block);
    capacity_ = length_ + 1;
    return VX_SUCCESS;
}

VxStatus VxString::replaceSubString(const VxSubString& part, const char* value,
                                    std::size_t valueLength) {
    if (!ptr_ || part.data() < ptr_ || part.data() + part.length() > ptr_ + length_)
        return VX_SUCCESS;
    return changeBytes(static_cast<std::size_t>(part.data() - ptr_), part.length(), value,
                       valueLength);
}

VxStatus VxString::addQuotes(char quote) {
    std::uint32_t inner = countChar(quote);
    if (reserve(inner + 2) != VX_SUCCESS)
        return VX_ERROR;
    // Fill from the back so every byte moves only once.
    std::size_t from = length_;
    std::size_t to = length_ + inner + 2;
    ptr_[--to] = quote;
    while (from > 0) {
        char c = ptr_[--from];
        ptr_[--to] = c;
        if (c == quote)
            ptr_[--to] = quote;
    }
    ptr_[0] = quote;
    length_ += inner + 2;
    return VX_SUCCESS;
}

void VxString::removeQuotes(char quote) {
    if (!isQuoted(quote))
        return;
    std::uint32_t out = 0;
    for (std::uint32_t i = 1; i + 1 < length_; ++i) {
        ptr_[out++] = ptr_[i];
        if (ptr_[i] == quote && i + 2 < length_ && ptr_[i + 1] == quote)
            ++i;
    }
    length_ = out;
}

VxStatus VxString::addQuotedBytes(const char* text, std::size_t length, char quote) {
    std::size_t inner = 0;
    for (std::size_t i = 0; i < length; ++i)
        inner += text[i] == quote;
    bool inside = isInBuffer(text);
    std::size_t offset = inside ? static_cast<std::size_t>(text - ptr_) : 0;
    if (reserve(length + inner + 2) != VX_SUCCESS)
        return VX_ERROR;
    if (inside)
        text = ptr_ + offset;
    // Writing behind the text never overwrites a part of it being read.
    char* out = ptr_ + length_;
    *out++ = quote;
    for (std::size_t i = 0; i < length; ++i) {
        *out++ = text[i];
        if (text[i] == quote)
            *out++ = quote;
    }
    *out++ = quote;
    length_ = static_cast<std::uint32_t>(out - ptr_);
    return VX_SUCCESS;
}

VxStatus VxString::forceEol(std::uint16_t count) {
    std::uint32_t present = 0;
    std::uint32_t end = length_;
    while (present < count && end >= 2 && ptr_[end - 2] == '\r' && ptr_[end - 1] == '\n') {
        ++present;
        end -= 2;
    }
    for (; present < count; ++present) {
        if (concat("\r\n", 2) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

namespace {
// The quote character that opens a quoted stretch, or 0.
char openingQuote(char c, char q1, char q2, char q3) {
    if (c != 0 && (c == q1 || c == q2 || c == q3))
        return c;
    return 0;
}
} // namespace

VxStatus VxString::insertLineBreaks(std::uint16_t width, char q1, char q2, char q3) {
    constexpr std::uint32_t none = 0xFFFFFFFFu;
    std::uint32_t lineStart = 0;
    std::uint32_t lastBlank = none;
    char inQuote = 0;
    for (std::uint32_t i = 0; i < length_; ++i) {
        char c = ptr_[i];
        if (inQuote != 0) {
            if (c == inQuote)
                inQuote = 0;
        } else if (openingQuote(c, q1, q2, q3) != 0) {
            inQuote = c;
        } else if (c == '\r' && i + 1 < length_ && ptr_[i + 1] == '\n') {
            lineStart = ++i + 1;
            lastBlank = none;
            continue;
        } else if (c == ' ') {
            lastBlank = i;
            continue;
        }
        // A non-blank byte past the width breaks the line at its last blank.
        if (i - lineStart + 1 > width && lastBlank != none) {
            if (changeBytes(lastBlank, 1, "\r\n", 2) != VX_SUCCESS)
                return VX_ERROR;
            ++i;
            lineStart = lastBlank + 2;
            lastBlank = none;
        }
    }
    return VX_SUCCESS;
}

void VxString::removeLineBreaks(char q1, char q2, char q3) {
    std::uint32_t out = 0;
    char inQuote = 0;
    for (std::uint32_t i = 0; i < length_; ++i) {
        char c = ptr_[i];
        if (inQuote != 0) {
            if (c == inQuote)
                inQuote = 0;
        } else if (c == '\r' && i + 1 < length_ && ptr_[i + 1] == '\n') {
            ++i;
            bool more = i + 1 < length_;
            bool nextIsBreak = i + 2 < length_ && ptr_[i + 1] == '\r' && ptr_[i + 2] == '\n';
            if (more && !nextIsBreak)
                ptr_[out++] = ' ';
            continue;
        } else {
            inQuote = openingQuote(c, q1, q2, q3);
        }
        ptr_[out++] = c;
    }
    length_ = out;
}
