// Comparisons of texts and of doubles by bit pattern.
//
// Case folding is ASCII only, so every order here is the same on every
// machine whatever the process locale.
#include "util/str.h"

#include <cstring>

namespace {

int sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}

int byteOrder(unsigned char a, unsigned char b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

int lengthOrder(std::size_t a, std::size_t b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

// Compares under a byte mapping; on a common prefix the shorter is less.
template <typename Map>
int compareMapped(const char* a, std::size_t aLength, const char* b, std::size_t bLength, Map map) {
    std::size_t common = aLength < bLength ? aLength : bLength;
    for (std::size_t i = 0; i < common; ++i) {
        int order =
            byteOrder(map(static_cast<unsigned char>(a[i])), map(static_cast<unsigned char>(b[i])));
        if (order != 0)
            return order;
    }
    return lengthOrder(aLength, bLength);
}

unsigned char identity(unsigned char c) {
    return c;
}

// Case tie-break of the international order: lower case before upper case,
// other bytes by value.
unsigned char caseRank(unsigned char c) {
    if (c >= 'a' && c <= 'z')
        return 0;
    if (c >= 'A' && c <= 'Z')
        return 1;
    return c;
}

} // namespace

bool strEqualCi(const char* a, const char* b) {
    return strEqualCi(a, std::strlen(a), b, std::strlen(b));
}

bool strEqualCi(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    return aLength == bLength && compareMapped(a, aLength, b, bLength, vxToUpper) == 0;
}

int strCompare(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    return compareMapped(a, aLength, b, bLength, identity);
}

int strCompareCi(const char* a, const char* b) {
    return strCompareCi(a, std::strlen(a), b, std::strlen(b));
}

int strCompareCi(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    return compareMapped(a, aLength, b, bLength, vxToUpper);
}

int strCompareIntl(const char* a, const char* b) {
    return strCompareIntl(a, std::strlen(a), b, std::strlen(b));
}

int strCompareIntl(const char* a, std::size_t aLength, const char* b, std::size_t bLength) {
    int order = compareMapped(a, aLength, b, bLength, vxToLower);
    if (order != 0)
        return order;
    return compareMapped(a, aLength, b, bLength, caseRank);
}

int strComparePad(const char* a, const char* b) {
    const auto* x = reinterpret_cast<const unsigned char*>(a);
    const auto* y = reinterpret_cast<const unsigned char*>(b);
    for (; *x && *y; ++x, ++y) {
        if (*x != *y)
            return byteOrder(*x, *y);
    }
    for (; *x; ++x) {
        if (*x != ' ')
            return 1;
    }
    for (; *y; ++y) {
        if (*y != ' ')
            return -1;
    }
    return 0;
}

int strCompareWithMaxLength(const char* a, const char* b, std::size_t max) {
    return sign(std::strncmp(a, b, max));
}

int floatCompare(const void* a, const void* b) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    bool xNegative = x[7] & 0x80;
    bool yNegative = y[7] & 0x80;
    if (xNegative != yNegative)
        return xNegative ? -1 : 1;
    for (int i = 7; i >= 0; --i) {
        if (x[i] != y[i]) {
            int order = byteOrder(x[i], y[i]);
            return xNegative ? -order : order;
        }
    }
    return 0;
}
