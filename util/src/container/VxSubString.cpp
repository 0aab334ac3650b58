#include "util/VxSubString.h"

#include <cstring>

#include "util/VxArray.h"
#include "util/VxString.h"
#include "util/ram.h"

namespace {
unsigned char upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
}
} // namespace

VxSubString::VxSubString(const char* text)
    : ptr_(const_cast<char*>(text)),
      length_(text ? static_cast<std::uint32_t>(std::strlen(text)) : 0) {}

short VxSubString::compare(const VxObject& other) const {
    const auto& that = static_cast<const VxSubString&>(other);
    std::uint32_t common = length_ < that.length_ ? length_ : that.length_;
    for (std::uint32_t i = 0; i < common; ++i) {
        unsigned char a = upper(static_cast<unsigned char>(ptr_[i]));
        unsigned char b = upper(static_cast<unsigned char>(that.ptr_[i]));
        if (a != b)
            return a < b ? -1 : 1;
    }
    if (length_ == that.length_)
        return 0;
    return length_ < that.length_ ? -1 : 1;
}

unsigned long VxSubString::hash() const {
    unsigned long sum = 0;
    std::uint32_t n = length_ < 5 ? length_ : 5;
    for (std::uint32_t i = 0; i < n; ++i)
        sum += upper(static_cast<unsigned char>(ptr_[i]));
    return sum;
}

std::uint32_t VxSubString::findChar(char c, std::uint32_t from) const {
    for (std::uint32_t i = from; i < length_; ++i) {
        if (ptr_[i] == c)
            return i;
    }
    return length_;
}

std::uint32_t VxSubString::findSubString(const char* text, std::uint32_t from) const {
    return findSubString(text, text ? std::strlen(text) : 0, from);
}

std::uint32_t VxSubString::findSubString(const char* text, std::size_t textLength,
                                         std::uint32_t from) const {
    if (from > length_ || textLength > length_)
        return length_;
    if (textLength == 0)
        return from;
    for (std::uint32_t i = from; i + textLength <= length_; ++i) {
        if (ptr_[i] == text[0] && std::memcmp(ptr_ + i, text, textLength) == 0)
            return i;
    }
    return length_;
}

std::uint32_t VxSubString::countChar(char c) const {
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < length_; ++i) {
        if (ptr_[i] == c)
            ++count;
    }
    return count;
}

std::uint16_t VxSubString::indexInSet(const char* const* list, std::uint16_t count) const {
    for (std::uint16_t i = 0; i < count; ++i) {
        if (std::strlen(list[i]) == length_ &&
            (length_ == 0 || std::memcmp(list[i], ptr_, length_) == 0))
            return i;
    }
    return count;
}

std::uint16_t VxSubString::indexInSetCi(const char* const* list, std::uint16_t count) const {
    for (std::uint16_t i = 0; i < count; ++i) {
        if (compare(VxSubString(list[i])) == 0)
            return i;
    }
    return count;
}

void VxSubString::rightBlankTrim() {
    while (length_ > 0 && ptr_[length_ - 1] == ' ')
        --length_;
}

bool VxSubString::isQuoted(char& quote) const {
    if (length_ < 2)
        return false;
    char first = ptr_[0];
    if (quote == 0 && first != '\'' && first != '"')
        return false;
    if (quote != 0 && first != quote)
        return false;
    if (ptr_[length_ - 1] != first)
        return false;
    quote = first;
    return true;
}

VxStatus VxSubString::getCopyUnquoted(char*& copy) const {
    char quote = 0;
    if (!isQuoted(quote)) {
        copy = ramAllocStr(ptr_ ? ptr_ : "", length_);
        return copy ? VX_SUCCESS : VX_ERROR;
    }
    copy = static_cast<char*>(ramAlloc(length_ - 1));
    if (!copy)
        return VX_ERROR;
    std::uint32_t out = 0;
    for (std::uint32_t i = 1; i + 1 < length_; ++i) {
        copy[out++] = ptr_[i];
        if (ptr_[i] == quote && i + 2 < length_ && ptr_[i + 1] == quote)
            ++i;
    }
    copy[out] = 0;
    return VX_SUCCESS;
}

VxStatus VxSubString::getCopyQuoted(char*& copy) const {
    std::size_t size = length_ + countChar('\'') + 3;
    copy = static_cast<char*>(ramAlloc(size));
    if (!copy)
        return VX_ERROR;
    std::size_t out = 0;
    copy[out++] = '\'';
    for (std::uint32_t i = 0; i < length_; ++i) {
        copy[out++] = ptr_[i];
        if (ptr_[i] == '\'')
            copy[out++] = '\'';
    }
    copy[out++] = '\'';
    copy[out] = 0;
    return VX_SUCCESS;
}

VxStatus VxSubString::copyQuotedStr(VxString& target, char quote) const {
    std::size_t needed = std::size_t{length_} + countChar(quote) + 2;
    if (target.initialize(needed + 1) != VX_SUCCESS)
        return VX_ERROR;
    return target.addQuotedBytes(ptr_, length_, quote);
}

VxStatus VxSubString::getLines(VxArray& lines) const {
    std::uint32_t start = 0;
    while (start < length_) {
        std::uint32_t end = findSubString("\r\n", 2, start);
        auto* line = new VxSubString(ptr_ + start, end - start);
        if (!line)
            return VX_ERROR;
        if (lines.add(line) != VX_SUCCESS) {
            delete line;
            return VX_ERROR;
        }
        start = end + 2;
    }
    return VX_SUCCESS;
}
