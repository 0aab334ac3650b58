#include "record/TxtNumberDigits.h"

#include <cstring>

#include "base/InternalType.h"
#include "util/str.h"

bool txtPlainNumberToDigits(const char* text, std::size_t length, std::uint16_t scale,
                            unsigned char* out, std::size_t size, std::size_t* written) {
    // At least one integer digit and the scale's fraction digits.
    if (size < sizeof(InternalDigitsHeader) + 1 + scale)
        return false;
    const std::size_t integerRoom = size - sizeof(InternalDigitsHeader) - scale;
    std::size_t at = 0;
    const bool negative = length > 0 && text[0] == '-';
    if (length > 0 && (text[0] == '-' || text[0] == '+'))
        ++at;
    while (at + 1 < length && text[at] == '0' && text[at + 1] != '.')
        ++at;
    // Digits are copied as they are read; a text that turns out not to be
    // plain leaves them behind unused.
    char* digits = reinterpret_cast<char*>(out + sizeof(InternalDigitsHeader));
    std::size_t count = 0;
    unsigned nonZero = 0;
    for (; at < length && vxIsDigit(text[at]); ++at) {
        if (count == integerRoom)
            return false;
        nonZero |= static_cast<unsigned>(text[at] - '0');
        digits[count++] = text[at];
    }
    const std::size_t integers = count;
    if (!integers)
        digits[count++] = '0';
    std::size_t fraction = 0;
    if (at < length && text[at] == '.') {
        for (++at; at < length && vxIsDigit(text[at]); ++at, ++fraction) {
            if (fraction == scale)
                return false;
            nonZero |= static_cast<unsigned>(text[at] - '0');
            digits[count++] = text[at];
        }
    }
    if (at != length || integers + fraction == 0 || (negative && !nonZero))
        return false;
    for (; fraction < scale; ++fraction)
        digits[count++] = '0';
    InternalDigitsHeader header{};
    header.digitCount = static_cast<int>(count);
    header.scale = static_cast<short>(scale);
    header.negative = negative ? 1 : 0;
    std::memcpy(out, &header, sizeof header);
    *written = sizeof header + count;
    return true;
}
