// Reading numbers of every form into a BaseDecimal and writing them out.
#include "BaseDecimal.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/InternalType.h"

namespace {

VxStatus assignmentError() {
    addOdbcError(ODBC_22005);
    return VX_ERROR;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digit of place value 10^place.
int digitAt(const BaseDecimal& value, long place) {
    long index = value.exponent - 1 - place;
    return (index >= 0 && index < value.count) ? value.digits[index] : 0;
}

// The exponent after "E": an optional sign and digits, 1 to 4 characters.
bool readExponent(const char* text, std::size_t length, long* exponent) {
    if (length == 0 || length > 4)
        return false;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == length)
        return false;
    long result = 0;
    for (; i < length; ++i) {
        if (!isDigit(text[i]))
            return false;
        result = result * 10 + (text[i] - '0');
    }
    *exponent = negative ? -result : result;
    return true;
}

} // namespace

void BaseDecimalBuilder::addDigit(int digit) {
    if (total_ == 0 && digit == 0)
        return; // leading zero
    ++total_;
    if (digit == 0) {
        ++zeros_;
        return;
    }
    if (value_.count + zeros_ + 1 > limit_) {
        valid_ = false;
        return;
    }
    for (; zeros_ > 0; --zeros_)
        value_.digits[value_.count++] = 0;
    value_.digits[value_.count++] = static_cast<unsigned char>(digit);
}

void BaseDecimalBuilder::finish(bool negative, long powerOfTen, BaseDecimal* out) const {
    *out = value_;
    if (out->count == 0) {
        out->negative = false;
        out->exponent = 0;
        return;
    }
    out->negative = negative;
    out->exponent = total_ + powerOfTen;
}

VxStatus baseDecimalFromText(const char* text, std::size_t length, BaseDecimal* out) {
    std::size_t begin = 0, end = length;
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    bool negative = false;
    if (begin < end && (text[begin] == '+' || text[begin] == '-')) {
        negative = text[begin] == '-';
        ++begin;
    }
    BaseDecimalBuilder builder(BASE_MAX_TEXT_DIGITS);
    bool sawDigit = false, sawPoint = false;
    long fraction = 0, exponent = 0;
    for (std::size_t i = begin; i < end; ++i) {
        char c = text[i];
        if (isDigit(c)) {
            sawDigit = true;
            builder.addDigit(c - '0');
            if (sawPoint)
                ++fraction;
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
        } else if ((c == 'e' || c == 'E') && sawDigit) {
            if (!readExponent(text + i + 1, end - i - 1, &exponent))
                return assignmentError();
            break;
        } else {
            return assignmentError();
        }
    }
    if (!sawDigit || !builder.isValid())
        return assignmentError();
    builder.finish(negative, exponent - fraction, out);
    return VX_SUCCESS;
}

void baseDecimalFromInteger(std::uint64_t magnitude, bool negative, BaseDecimal* out) {
    int digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<int>(magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    BaseDecimalBuilder builder;
    while (count > 0)
        builder.addDigit(digits[--count]);
    builder.finish(negative, 0, out);
}

VxStatus baseDecimalFromDouble(double value, bool isFloat, BaseDecimal* out) {
    if (std::isnan(value))
        return assignmentError();
    if (std::isinf(value)) {
        addOdbcError(ODBC_22003, 6071);
        return VX_ERROR;
    }
    // A whole number of no more digits than the shortest form tried first
    // is that form's digits: no need to print and read it back.
    const double magnitude = std::fabs(value);
    if (magnitude < (isFloat ? 1e6 : 1e15) && magnitude == std::floor(magnitude)) {
        baseDecimalFromInteger(static_cast<std::uint64_t>(magnitude), value < 0, out);
        return VX_SUCCESS;
    }
    // The fewest significant digits from 15 (6 for a float) that read back
    // as the value: printed and read back correctly rounded, in any locale.
    char text[40];
    int first = isFloat ? 6 : 15, last = isFloat ? 9 : 17;
    for (int precision = first; precision <= last; ++precision) {
        const std::to_chars_result printed = std::to_chars(
            text, text + sizeof text - 1, value, std::chars_format::scientific, precision - 1);
        *printed.ptr = 0;
        double back = 0;
        std::from_chars(text, printed.ptr, back);
        if (isFloat ? static_cast<float>(back) == static_cast<float>(value) : back == value)
            break;
    }
    // "-d.ddde+xx".
    BaseDecimalBuilder builder;
    const char* p = text;
    int digits = 0;
    for (; *p && *p != 'e' && *p != 'E'; ++p) {
        if (isDigit(*p)) {
            builder.addDigit(*p - '0');
            ++digits;
        }
    }
    long exponent = (*p) ? std::strtol(p + 1, nullptr, 10) : 0;
    builder.finish(value < 0, exponent - (digits - 1), out);
    return VX_SUCCESS;
}

VxStatus baseDecimalFromPacked(const unsigned char* bytes, std::size_t length, short scale,
                               BaseDecimal* out) {
    if (length == 0)
        return assignmentError();
    BaseDecimalBuilder builder;
    for (std::size_t i = 0; i < length * 2 - 1; ++i) {
        int nibble = (i % 2 == 0) ? bytes[i / 2] >> 4 : bytes[i / 2] & 0x0F;
        if (nibble > 9)
            return assignmentError();
        builder.addDigit(nibble);
    }
    if (!builder.isValid())
        return assignmentError();
    bool negative = (bytes[length - 1] & 0x0F) == 0x0D;
    builder.finish(negative, -static_cast<long>(scale), out);
    if (scale > 0)
        out->shownFraction = scale;
    return VX_SUCCESS;
}

VxStatus baseDecimalFromDigits(const void* value, std::size_t length, BaseDecimal* out) {
    InternalDigitsHeader header;
    if (length < sizeof header)
        return assignmentError();
    std::memcpy(&header, value, sizeof header);
    if (header.digitCount < 0 ||
        static_cast<std::size_t>(header.digitCount) > length - sizeof header)
        return assignmentError();
    const char* text = static_cast<const char*>(value) + sizeof header;
    BaseDecimalBuilder builder;
    for (int i = 0; i < header.digitCount; ++i) {
        if (!isDigit(text[i]))
            return assignmentError();
        builder.addDigit(text[i] - '0');
    }
    if (!builder.isValid())
        return assignmentError();
    builder.finish(header.negative == 1, -static_cast<long>(header.scale), out);
    if (header.scale > 0)
        out->shownFraction = header.scale;
    return VX_SUCCESS;
}

bool baseDecimalToInteger(const BaseDecimal& value, std::uint64_t* magnitude, bool* cut) {
    *magnitude = 0;
    *cut = value.fractionDigits() > 0;
    if (value.isZero() || value.exponent <= 0)
        return true;
    if (value.exponent > 20)
        return false;
    std::uint64_t result = 0;
    for (long place = value.exponent - 1; place >= 0; --place) {
        if (__builtin_mul_overflow(result, 10u, &result) ||
            __builtin_add_overflow(result, static_cast<unsigned>(digitAt(value, place)), &result))
            return false;
    }
    *magnitude = result;
    return true;
}

bool baseDecimalToDouble(const BaseDecimal& value, bool isFloat, double* out) {
    if (value.isZero()) {
        *out = 0.0;
        return true;
    }
    if (value.exponent > 309 || value.exponent < -306)
        return false;
    char text[BASE_MAX_DIGITS + 16];
    int length = 0;
    for (int i = 0; i < value.count; ++i)
        text[length++] = static_cast<char>('0' + value.digits[i]);
    std::snprintf(text + length, sizeof text - length, "e%ld", value.exponent - value.count);
    double result = std::strtod(text, nullptr);
    if (std::isinf(result))
        return false;
    if (isFloat) {
        float narrow = static_cast<float>(result);
        if (std::isinf(narrow) || (result != 0.0 && std::fabs(result) < FLT_MIN))
            return false;
        result = narrow;
    }
    *out = value.negative ? -result : result;
    return true;
}

bool baseDecimalFormat(const BaseDecimal& value, char* out, std::size_t room, std::size_t* written,
                       std::size_t* fullLength, bool* cut) {
    std::size_t sign = value.negative ? 1 : 0;
    std::size_t integers = value.exponent > 0 ? static_cast<std::size_t>(value.exponent) : 1;
    long natural = value.fractionDigits();
    std::size_t fraction =
        static_cast<std::size_t>(value.shownFraction > natural ? value.shownFraction : natural);
    *fullLength = sign + integers + (fraction ? 1 + fraction : 0);
    *written = 0;
    *cut = false;
    if (sign + integers > room)
        return false;
    std::size_t pos = 0;
    if (sign)
        out[pos++] = '-';
    for (std::size_t i = 0; i < integers; ++i)
        out[pos++] = static_cast<char>('0' + digitAt(value, static_cast<long>(integers - 1 - i)));
    std::size_t shown = 0;
    if (fraction && room - pos >= 2) {
        shown = room - pos - 1 < fraction ? room - pos - 1 : fraction;
        out[pos++] = '.';
        for (std::size_t f = 1; f <= shown; ++f)
            out[pos++] = static_cast<char>('0' + digitAt(value, -static_cast<long>(f)));
    }
    *cut = shown < fraction;
    *written = pos;
    return true;
}

bool baseDecimalToPacked(const BaseDecimal& value, short scale, unsigned char* out,
                         std::size_t size, bool* cut) {
    if (size == 0)
        return false;
    long nibbles = static_cast<long>(size) * 2 - 1;
    *cut = value.fractionDigits() > (scale > 0 ? scale : 0);
    if (!value.isZero() && value.exponent + scale > nibbles)
        return false;
    std::memset(out, 0, size);
    for (long i = 0; i < nibbles; ++i) {
        int digit = digitAt(value, nibbles - 1 - i - scale);
        out[i / 2] |= static_cast<unsigned char>((i % 2 == 0) ? digit << 4 : digit);
    }
    out[size - 1] |= value.negative ? 0x0D : 0x0C;
    return true;
}

bool baseDecimalToDigits(const BaseDecimal& value, short scale, unsigned char* out,
                         std::size_t size, std::size_t* written, bool* cut) {
    InternalDigitsHeader header{};
    long integers = value.exponent > 0 ? value.exponent : 1;
    long wanted = scale >= 0 ? scale : value.fractionDigits();
    if (size < sizeof header || static_cast<long>(size - sizeof header) < integers)
        return false;
    long fraction = static_cast<long>(size - sizeof header) - integers;
    if (fraction > wanted)
        fraction = wanted;
    *cut = fraction < value.fractionDigits();
    header.digitCount = static_cast<int>(integers + fraction);
    header.scale = static_cast<short>(fraction);
    header.negative = value.negative ? 1 : 0;
    std::memcpy(out, &header, sizeof header);
    char* text = reinterpret_cast<char*>(out + sizeof header);
    for (long i = 0; i < integers + fraction; ++i)
        text[i] = static_cast<char>('0' + digitAt(value, integers - 1 - i));
    *written = sizeof header + static_cast<std::size_t>(integers + fraction);
    return true;
}
