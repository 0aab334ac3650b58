// Decimal conversion between numbers and text.
//
// Text is parsed as a counted range, so a counted text of any length is
// read in place; a NUL inside it ends it, as it would a NUL-terminated
// text.
#include "util/convert.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/VxSubString.h"
#include "util/str.h"

namespace {

constexpr unsigned long MAX_U32 = 4294967295UL;
constexpr long MIN_S32 = -2147483647L - 1;
constexpr long MAX_S32 = 2147483647L;

std::size_t boundedLength(const char* text, std::size_t length) {
    const void* nul = std::memchr(text, 0, length);
    return nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : length;
}

// Parses [text, text + length) as an unsigned 32-bit number.
VxStatus parseUnsigned(const char* text, std::size_t length, unsigned long* value) {
    std::size_t i = 0;
    while (i < length && (vxIsWhiteSpace(static_cast<unsigned char>(text[i])) || text[i] == '+'))
        ++i;
    VxSubString rest(text + i, length - i);
    unsigned long result = 0;
    for (; i < length && vxIsDigit(static_cast<unsigned char>(text[i])); ++i) {
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (result > 429496728UL && !(result == 429496729UL && digit <= 5)) {
            addError(2701) << rest;
            return VX_ERROR;
        }
        result = result * 10 + digit;
    }
    while (i < length && vxIsWhiteSpace(static_cast<unsigned char>(text[i])))
        ++i;
    if (i < length) {
        addError(2702) << rest;
        return VX_ERROR;
    }
    *value = result;
    return VX_SUCCESS;
}

VxStatus parseSigned(const char* text, std::size_t length, long* value) {
    std::size_t i = 0;
    while (i < length && vxIsWhiteSpace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = i < length && text[i] == '-';
    std::size_t digitsAt = negative ? i + 1 : i;
    unsigned long magnitude = 0;
    if (parseUnsigned(text + digitsAt, length - digitsAt, &magnitude) != VX_SUCCESS)
        return VX_ERROR;
    if (magnitude > (negative ? 2147483648UL : static_cast<unsigned long>(MAX_S32))) {
        addError(2701) << VxSubString(text + i, length - i);
        return VX_ERROR;
    }
    *value = negative ? -static_cast<long>(magnitude) : static_cast<long>(magnitude);
    return VX_SUCCESS;
}

template <typename T>
VxStatus narrowUnsigned(const char* text, std::size_t length, unsigned long max, T* value) {
    unsigned long wide = 0;
    if (parseUnsigned(text, length, &wide) != VX_SUCCESS)
        return VX_ERROR;
    if (wide > max) {
        addError(2701) << VxSubString(text, length);
        return VX_ERROR;
    }
    *value = static_cast<T>(wide);
    return VX_SUCCESS;
}

template <typename T> VxStatus narrowSigned(const char* text, long min, long max, T* value) {
    long wide = 0;
    if (parseSigned(text, std::strlen(text), &wide) != VX_SUCCESS)
        return VX_ERROR;
    if (wide < min || wide > max) {
        addError(2701) << text;
        return VX_ERROR;
    }
    *value = static_cast<T>(wide);
    return VX_SUCCESS;
}

} // namespace

// ---- Number to text ---------------------------------------------------------

std::size_t convert(char* buffer, unsigned long value) {
    char digits[24];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (std::size_t i = 0; i < count; ++i)
        buffer[i] = digits[count - 1 - i];
    buffer[count] = 0;
    return count;
}

std::size_t convert(char* buffer, long value) {
    if (value >= 0)
        return convert(buffer, static_cast<unsigned long>(value));
    buffer[0] = '-';
    return 1 + convert(buffer + 1, 0UL - static_cast<unsigned long>(value));
}

std::size_t convert(char* buffer, std::size_t width, unsigned long value, bool leftJustify) {
    std::memset(buffer, ' ', width);
    buffer[width] = 0;
    std::size_t positions = width < 10 ? width : 10;
    char* field = leftJustify ? buffer : buffer + width - positions;
    unsigned long divisor = 1;
    for (std::size_t i = 1; i < positions; ++i)
        divisor *= 10;
    char* out = field;
    std::size_t written = 0;
    for (std::size_t i = 0; i < positions; ++i, divisor /= 10) {
        unsigned long digit = value / divisor;
        if (digit > 9) {
            std::memset(out, '*', static_cast<std::size_t>(field + positions - out));
            return 0;
        }
        value %= divisor;
        if (digit == 0 && written == 0) {
            if (!leftJustify)
                ++out;
            continue;
        }
        *out++ = static_cast<char>('0' + digit);
        ++written;
    }
    return written;
}

// ---- Text to number ---------------------------------------------------------

VxStatus convert(const char* text, unsigned long* value) {
    return parseUnsigned(text, std::strlen(text), value);
}

VxStatus convert(const char* text, long* value) {
    return parseSigned(text, std::strlen(text), value);
}

VxStatus convert(const char* text, unsigned short* value) {
    return narrowUnsigned(text, std::strlen(text), 65535, value);
}

VxStatus convert(const char* text, short* value) {
    return narrowSigned(text, -32768, 32767, value);
}

VxStatus convert(const char* text, unsigned char* value) {
    return narrowUnsigned(text, std::strlen(text), 255, value);
}

VxStatus convert(const char* text, signed char* value) {
    return narrowSigned(text, -128, 127, value);
}

VxStatus convert(const char* text, std::size_t length, unsigned long* value) {
    return parseUnsigned(text, boundedLength(text, length), value);
}

VxStatus convert(const char* text, std::size_t length, unsigned short* value) {
    return narrowUnsigned(text, boundedLength(text, length), 65535, value);
}
