#include "cursor/TxtFieldText.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseConvert.h"
#include "base/BaseErrors.h"
#include "mask/TxtDateMask.h"

namespace {

constexpr std::size_t NUMBER_TEXT_SIZE = 400;
constexpr unsigned short MSG_NUMERIC_OVERFLOW = 6071;
constexpr unsigned short MSG_DATA_TRUNCATED = 6070;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether [text, text + length) is [+-]digits[.digits] with a digit.
bool isPlainNumber(const char* text, std::size_t length) {
    std::size_t i = 0;
    if (i < length && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digit = false;
    bool point = false;
    for (; i < length; ++i) {
        if (isDigit(text[i]))
            digit = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

void trimBlanks(const char** text, std::size_t* length) {
    while (*length && (**text == ' ' || **text == '\t')) {
        ++*text;
        --*length;
    }
    while (*length && ((*text)[*length - 1] == ' ' || (*text)[*length - 1] == '\t'))
        --*length;
}

// The value as plain decimal text in `buffer`.
VxStatus plainNumber(InternalType type, const void* bytes, SQLLEN length, char* buffer,
                     std::size_t* textLength) {
    if (type == INTERNAL_CHAR) {
        const char* text = static_cast<const char*>(bytes);
        std::size_t count = static_cast<std::size_t>(length);
        trimBlanks(&text, &count);
        if (count < NUMBER_TEXT_SIZE && isPlainNumber(text, count)) {
            std::memcpy(buffer, text, count);
            *textLength = count;
            return VX_SUCCESS;
        }
        // Exponents and the like: read as a number first (22005 when not one).
        double value = 0;
        if (BaseConvertNum(INTERNAL_CHAR, bytes, length, INTERNAL_DOUBLE, &value, nullptr,
                           sizeof value, 0, 0))
            return VX_ERROR;
        return plainNumber(INTERNAL_DOUBLE, &value, sizeof value, buffer, textLength);
    }
    SQLLEN produced = 0;
    if (BaseConvertNum(type, bytes, length, INTERNAL_CHAR, buffer, &produced,
                       static_cast<SQLLEN>(NUMBER_TEXT_SIZE - 1), 0, 0))
        return VX_ERROR;
    *textLength = static_cast<std::size_t>(produced);
    const char* text = buffer;
    trimBlanks(&text, textLength);
    std::memmove(buffer, text, *textLength);
    if (!isPlainNumber(buffer, *textLength)) {
        addOdbcError(ODBC_22003, MSG_NUMERIC_OVERFLOW);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

bool hasTwoDigitYear(const TxtDateMask& mask) {
    const std::uint8_t* codes = mask.codes();
    for (std::size_t i = 0; i < mask.length(); ++i) {
        if (codes[i] == TxtDateMask::YEAR2)
            return true;
        if (codes[i] == TxtDateMask::ESCAPED)
            ++i;
        else if (codes[i] == TxtDateMask::QUOTED && i + 1 < mask.length())
            i += 1u + codes[i + 1];
    }
    return false;
}

} // namespace

VxStatus txtNumberText(InternalType type, const void* bytes, SQLLEN length, std::uint16_t precision,
                       std::uint16_t scale, VxString* out) {
    char text[NUMBER_TEXT_SIZE];
    std::size_t textLength = 0;
    if (plainNumber(type, bytes, length, text, &textLength))
        return VX_ERROR;
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    // Digits of the integer part, then exactly `scale` fraction digits.
    char digits[NUMBER_TEXT_SIZE + 260];
    std::size_t count = 0;
    for (; i < textLength && isDigit(text[i]); ++i)
        digits[count++] = text[i];
    const std::size_t integerDigits = count;
    const char* fraction = i < textLength && text[i] == '.' ? text + i + 1 : text + textLength;
    const std::size_t fractionLength = static_cast<std::size_t>(text + textLength - fraction);
    for (std::size_t k = 0; k < scale; ++k)
        digits[count++] = k < fractionLength ? fraction[k] : '0';
    if (fractionLength > scale && fraction[scale] >= '5') {
        std::size_t k = count;
        while (k > 0 && digits[k - 1] == '9')
            digits[--k] = '0';
        if (k == 0) {
            std::memmove(digits + 1, digits, count++);
            digits[0] = '1';
        } else {
            ++digits[k - 1];
        }
    }
    std::size_t integerCount = count - scale;
    std::size_t start = 0;
    while (integerCount - start > 1 && digits[start] == '0')
        ++start;
    (void)integerDigits;
    const std::size_t used = integerCount - start;
    const bool zeroInteger = used == 1 && digits[start] == '0';
    if ((zeroInteger ? 0 : used) > static_cast<std::size_t>(precision - scale)) {
        addOdbcError(ODBC_22003, MSG_NUMERIC_OVERFLOW);
        return VX_ERROR;
    }
    bool zero = true;
    for (std::size_t k = start; k < count; ++k)
        zero = zero && digits[k] == '0';
    if (out->initialize(negative && !zero ? "-" : "") ||
        out->concat(digits + start, integerCount - start))
        return VX_ERROR;
    if (scale && (out->concat('.') || out->concat(digits + integerCount, scale)))
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus txtDateText(InternalType type, const void* bytes, SQLLEN length, const TxtDateMask& mask,
                     std::uint16_t width, VxString* out) {
    DATE_STRUCT date{};
    if (BaseConvertDateTime(type, bytes, length, INTERNAL_DATE, &date, nullptr, sizeof date, 0, 0))
        return VX_ERROR;
    if (date.year < 1 || date.year > 9999 ||
        (hasTwoDigitYear(mask) && (date.year < 1900 || date.year > 1999))) {
        addOdbcError(ODBC_22008);
        return VX_ERROR;
    }
    char text[TXT_DATE_MASK_MAX * 12 + 16];
    const std::size_t room = width < sizeof text - 1 ? width : sizeof text - 1;
    std::size_t textLength = 0;
    TxtDate value{static_cast<short>(date.year), date.month, date.day};
    if (mask.format(value, text, room, &textLength))
        return VX_ERROR;
    return out->initialize(text, textLength);
}

VxStatus txtVarcharText(InternalType type, const void* bytes, SQLLEN length, std::size_t limit,
                        VxString* out) {
    const char* text = static_cast<const char*>(bytes);
    std::size_t textLength = static_cast<std::size_t>(length);
    char converted[NUMBER_TEXT_SIZE];
    if (type != INTERNAL_CHAR) {
        SQLLEN produced = 0;
        const bool dateTime =
            type == INTERNAL_DATE || type == INTERNAL_TIME || type == INTERNAL_TIMESTAMP;
        VxStatus status =
            dateTime ? BaseConvertDateTime(type, bytes, length, INTERNAL_CHAR, converted, &produced,
                                           sizeof converted - 1, BASE_SCALE_NATURAL, 0)
                     : BaseConvertNum(type, bytes, length, INTERNAL_CHAR, converted, &produced,
                                      sizeof converted - 1, 0, 0);
        if (status)
            return VX_ERROR;
        text = converted;
        textLength = static_cast<std::size_t>(produced);
    }
    while (textLength && text[textLength - 1] == ' ')
        --textLength;
    if (textLength > limit) {
        textLength = limit;
        addOdbcWarning(ODBC_01004, MSG_DATA_TRUNCATED);
        while (textLength && text[textLength - 1] == ' ')
            --textLength;
    }
    return out->initialize(text, textLength);
}
