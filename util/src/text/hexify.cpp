// Hexadecimal conversion of numbers and byte strings.
#include "util/convert.h"

#include "error/utlMessages.h"

namespace {

constexpr char HEX_DIGITS[] = "0123456789ABCDEF";

// The value of a hexadecimal digit, or -1.
int digitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::size_t hexify(char* buffer, unsigned long value, std::size_t minDigits) {
    std::size_t count = 1;
    for (unsigned long rest = value >> 4; rest != 0; rest >>= 4)
        ++count;
    if (count < minDigits)
        count = minDigits;
    for (std::size_t i = count; i > 0; --i) {
        buffer[i - 1] = HEX_DIGITS[value & 0xF];
        value >>= 4;
    }
    buffer[count] = 0;
    return count;
}

std::size_t hexify(char* dst, const void* src, std::size_t length) {
    // From the end, so that dst may be src itself.
    const auto* bytes = static_cast<const unsigned char*>(src);
    for (std::size_t i = length; i > 0; --i) {
        unsigned char byte = bytes[i - 1];
        dst[2 * i - 1] = HEX_DIGITS[byte & 0xF];
        dst[2 * i - 2] = HEX_DIGITS[byte >> 4];
    }
    return 2 * length;
}

std::size_t hexifyHuge(char* dst, const void* src, std::size_t length) {
    return hexify(dst, src, length);
}

VxStatus dehexify(void* dst, const char* src, std::size_t length) {
    if (!isHexString(src, length)) {
        addError(2708);
        return VX_ERROR;
    }
    auto* bytes = static_cast<unsigned char*>(dst);
    for (std::size_t i = 0; i < length; i += 2) {
        unsigned high = static_cast<unsigned>(digitValue(src[i]));
        unsigned low = i + 1 < length ? static_cast<unsigned>(digitValue(src[i + 1])) : 0;
        bytes[i / 2] = static_cast<unsigned char>(high << 4 | low);
    }
    return VX_SUCCESS;
}

VxStatus dehexifyHuge(void* dst, const char* src, std::size_t length) {
    return dehexify(dst, src, length);
}

bool isHexString(const char* text, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        if (digitValue(text[i]) < 0)
            return false;
    }
    return true;
}
