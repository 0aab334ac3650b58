// Byte classes shared by the tokenisers.
//
// Text is bytes with ASCII case mapping. Bytes of 0x80 and above count as
// letters, so that identifiers in UTF-8 or an 8-bit code page stay whole.
#pragma once

#include <cstddef>

namespace vxtoken {

inline bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

inline bool isLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

inline bool isWhite(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

inline char toUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool equalBytes(const char* a, std::size_t aLength, const char* b, std::size_t bLength,
                       bool ignoreCase) {
    if (aLength != bLength)
        return false;
    for (std::size_t i = 0; i < aLength; ++i) {
        char x = ignoreCase ? toUpper(a[i]) : a[i];
        char y = ignoreCase ? toUpper(b[i]) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

} // namespace vxtoken
