#include "record/TxtNumberDigits.h"

#include <cstring>

#include "base/InternalType.h"

bool txtPlainNumberToDigits(const char* text, std::size_t length, std::uint16_t scale,
                            unsigned char* out, std::size_t size, std::size_t* written) {
    std::size_t at = 0;
    const bool negative = length > 0 && text[0] == '-';
    if (length > 0 && (text[0] == '-' || text[0] == '+'))
        ++at;
    while (at + 1 < length && text[at] == '0' && text[at + 1] != '.')
        ++at;
    const std::size_t integerStart = at;
    while (at < length && text[at] >= '0' && text[at] <= '9')
        ++at;
    const std::size_t integers = at - integerStart;
    std::size_t fraction = 0;
    if (at < length && text[at] == '.') {
        ++at;
        for (; at < length && text[at] >= '0' && text[at] <= '9'; ++at)
            ++fraction;
    }
    if (at != length || integers + fraction == 0 || fraction > scale)
        return false;
    const std::size_t integerDigits = integers ? integers : 1;
    if (sizeof(InternalDigitsHeader) + integerDigits + scale > size)
        return false;
    char* digits = reinterpret_cast<char*>(out + sizeof(InternalDigitsHeader));
    bool zero = true;
    std::size_t count = 0;
    if (!integers)
        digits[count++] = '0';
    for (std::size_t i = 0; i < integers; ++i)
        zero = zero && text[integerStart + i] == '0', digits[count++] = text[integerStart + i];
    const char* fractionText = text + integerStart + integers + 1;
    for (std::size_t i = 0; i < scale; ++i) {
        const char digit = i < fraction ? fractionText[i] : '0';
        zero = zero && digit == '0';
        digits[count++] = digit;
    }
    if (negative && zero)
        return false;
    InternalDigitsHeader header{};
    header.digitCount = static_cast<int>(count);
    header.scale = static_cast<short>(scale);
    header.negative = negative ? 1 : 0;
    std::memcpy(out, &header, sizeof header);
    *written = sizeof header + count;
    return true;
}
