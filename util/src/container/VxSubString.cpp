#include "util/VxSubString.h"

#include <cstring>

namespace {
unsigned char upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; }
} // namespace

VxSubString::VxSubString(const char* text)
    : ptr_(const_cast<char*>(text)), length_(text ? static_cast<std::uint32_t>(std::strlen(text)) : 0) {}

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
