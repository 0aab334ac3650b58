// Byte primitives over std::memcpy and friends, with the exact results the
// callers expect (-1, 0, 1 for comparisons, the NUL position for copies).
#include "util/but.h"

#include <cstring>

namespace {
int sign(int value) {
    return value < 0 ? -1 : value > 0 ? 1 : 0;
}
} // namespace

void BUTMEMCP(void* dst, const void* src, std::size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    for (std::size_t i = 0; i < n; ++i)
        d[i] = s[i];
}

void BUTMMCPD(void* dst, const void* src, std::size_t n) {
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    while (n > 0) {
        --n;
        d[n] = s[n];
    }
}

int BUTMMCMP(const void* a, const void* b, std::size_t n) {
    return n == 0 ? 0 : sign(std::memcmp(a, b, n));
}

void BUTMMSWP(void* a, void* b, std::size_t n) {
    unsigned char buffer[512];
    auto* x = static_cast<unsigned char*>(a);
    auto* y = static_cast<unsigned char*>(b);
    while (n > 0) {
        std::size_t chunk = n < sizeof buffer ? n : sizeof buffer;
        std::memcpy(buffer, x, chunk);
        std::memcpy(x, y, chunk);
        std::memcpy(y, buffer, chunk);
        x += chunk;
        y += chunk;
        n -= chunk;
    }
}

void BUTU8FIL(void* buffer, unsigned char byte, std::size_t n) {
    if (n > 0)
        std::memset(buffer, byte, n);
}

char* BUTSTCAT(char* dst, const char* src) {
    return BUTSTCPY(dst + std::strlen(dst), src);
}

char* BUTSTCPY(char* dst, const char* src) {
    std::size_t length = std::strlen(src);
    std::memmove(dst, src, length + 1);
    return dst + length;
}

std::size_t BUTSTLEN(const char* text) {
    return std::strlen(text);
}

int BUTSTCMP(const char* a, const char* b) {
    return sign(std::strcmp(a, b));
}

void memCopyHuge(void* dst, const void* src, std::size_t n) {
    if (n > 0)
        std::memmove(dst, src, n);
}

void memFillHuge(void* buffer, unsigned char byte, std::size_t n) {
    BUTU8FIL(buffer, byte, n);
}

int memCompareHuge(const void* a, const void* b, std::size_t n) {
    return BUTMMCMP(a, b, n);
}
