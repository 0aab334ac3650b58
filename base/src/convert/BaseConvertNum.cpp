// Conversions through the common decimal form: every number, packed and
// digits value, text read as a number, and dates and times taken as day
// numbers and seconds.
#include <sql.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BaseConvertIo.h"
#include "BaseDecimal.h"
#include "base/BaseCalendar.h"
#include "base/BaseErrors.h"

namespace {

constexpr double SECONDS_PER_DAY = 86400.0;
constexpr double NANOSECONDS_PER_DAY = 86400.0 * 1e9;

struct IntegerRange {
    std::uint64_t positive; // largest magnitude of a positive value
    std::uint64_t negative; // largest magnitude of a negative value
    int size;
};

bool integerRange(InternalType type, IntegerRange* range) {
    switch (type) {
    case INTERNAL_BIT:
        *range = {1, 0, 1};
        return true;
    case INTERNAL_STINYINT:
        *range = {127, 128, 1};
        return true;
    case INTERNAL_UTINYINT:
        *range = {255, 0, 1};
        return true;
    case INTERNAL_SSHORT:
        *range = {32767, 32768, 2};
        return true;
    case INTERNAL_USHORT:
        *range = {65535, 0, 2};
        return true;
    case INTERNAL_SLONG:
        *range = {2147483647u, 2147483648u, 4};
        return true;
    case INTERNAL_ULONG:
        *range = {4294967295u, 0, 4};
        return true;
    case INTERNAL_SBIGINT:
        *range = {INT64_MAX, 9223372036854775808u, 8};
        return true;
    case INTERNAL_UBIGINT:
        *range = {UINT64_MAX, 0, 8};
        return true;
    default:
        return false;
    }
}

template <typename T> T readAs(const void* from) {
    T value;
    std::memcpy(&value, from, sizeof value);
    return value;
}

VxStatus readSigned(std::int64_t value, BaseDecimal* out) {
    std::uint64_t magnitude = value < 0 ? static_cast<std::uint64_t>(-(value + 1)) + 1
                                        : static_cast<std::uint64_t>(value);
    baseDecimalFromInteger(magnitude, value < 0, out);
    return VX_SUCCESS;
}

VxStatus readTemporal(const BaseConvertIo& io, BaseDecimal* out) {
    if (io.fromType == INTERNAL_DATE) {
        auto date = readAs<DATE_STRUCT>(io.from);
        if (BaseValidateDate(date.year, date.month, date.day) != VX_SUCCESS)
            return VX_ERROR;
        return readSigned(BaseDateToJulian(date.year, date.month, date.day), out);
    }
    if (io.fromType == INTERNAL_TIME) {
        auto time = readAs<TIME_STRUCT>(io.from);
        return readSigned(time.hour * 3600L + time.minute * 60L + time.second, out);
    }
    auto stamp = readAs<TIMESTAMP_STRUCT>(io.from);
    if (BaseValidateDate(stamp.year, stamp.month, stamp.day) != VX_SUCCESS)
        return VX_ERROR;
    double seconds = stamp.hour * 3600.0 + stamp.minute * 60.0 + stamp.second;
    double day = static_cast<double>(BaseDateToJulian(stamp.year, stamp.month, stamp.day)) +
                 seconds / SECONDS_PER_DAY + stamp.fraction / NANOSECONDS_PER_DAY;
    return baseDecimalFromDouble(day, false, out);
}

VxStatus readSource(const BaseConvertIo& io, BaseDecimal* out) {
    switch (io.fromType) {
    case INTERNAL_CHAR: {
        SQLLEN length = baseSourceLength(io);
        return baseDecimalFromText(static_cast<const char*>(io.from),
                                   static_cast<std::size_t>(length), out);
    }
    case INTERNAL_BIT: {
        unsigned char bit = readAs<unsigned char>(io.from);
        if (bit > 1) {
            addOdbcError(ODBC_22005);
            return VX_ERROR;
        }
        return readSigned(bit, out);
    }
    case INTERNAL_STINYINT:
        return readSigned(readAs<signed char>(io.from), out);
    case INTERNAL_UTINYINT:
        return readSigned(readAs<unsigned char>(io.from), out);
    case INTERNAL_SSHORT:
        return readSigned(readAs<std::int16_t>(io.from), out);
    case INTERNAL_USHORT:
        return readSigned(readAs<std::uint16_t>(io.from), out);
    case INTERNAL_SLONG:
        return readSigned(readAs<std::int32_t>(io.from), out);
    case INTERNAL_ULONG:
        return readSigned(readAs<std::uint32_t>(io.from), out);
    case INTERNAL_SBIGINT:
        return readSigned(readAs<std::int64_t>(io.from), out);
    case INTERNAL_UBIGINT:
        baseDecimalFromInteger(readAs<std::uint64_t>(io.from), false, out);
        return VX_SUCCESS;
    case INTERNAL_PACKED:
        return baseDecimalFromPacked(
            static_cast<const unsigned char*>(io.from),
            static_cast<std::size_t>(io.fromLength > 0 ? io.fromLength : 0),
            io.scale == BASE_SCALE_NATURAL ? 0 : io.scale, out);
    case INTERNAL_DIGITS:
        return baseDecimalFromDigits(
            io.from, static_cast<std::size_t>(io.fromLength > 0 ? io.fromLength : 0), out);
    case INTERNAL_FLOAT:
        return baseDecimalFromDouble(readAs<float>(io.from), true, out);
    case INTERNAL_DOUBLE:
        return baseDecimalFromDouble(readAs<double>(io.from), false, out);
    case INTERNAL_DATE:
    case INTERNAL_TIME:
    case INTERNAL_TIMESTAMP:
        return readTemporal(io, out);
    default:
        return baseCannotConvert();
    }
}

// Fraction digits dropped: reported unless the flags cut them silently.
void noteFractionCut(BaseConvertIo& io) {
    io.truncated = true;
    if (!(io.flags & BASE_CONVERT_CUT_FRACTION))
        baseReportTruncation(io);
}

void writeFixed(BaseConvertIo& io, const void* value, int size) {
    if (io.to)
        std::memcpy(io.to, value, static_cast<std::size_t>(size));
    io.produced = io.fullLength = size;
}

VxStatus writeInteger(BaseConvertIo& io, const BaseDecimal& value, const IntegerRange& range) {
    std::uint64_t magnitude;
    bool cut;
    if (!baseDecimalToInteger(value, &magnitude, &cut))
        return baseNumericOverflow();
    bool negative = value.negative && magnitude > 0;
    if (magnitude > (negative ? range.negative : range.positive))
        return baseNumericOverflow();
    if (io.toType == INTERNAL_BIT && value.negative && !value.isZero())
        return baseNumericOverflow(); // a bit is 0 or 1: -0.5 is out of range
    std::uint64_t bits = negative ? ~magnitude + 1 : magnitude; // two's complement
    // Little-endian hosts: the low bytes of the 64-bit pattern are the value.
    unsigned char bytes[8];
    std::memcpy(bytes, &bits, sizeof bytes);
    writeFixed(io, bytes, range.size);
    if (cut)
        noteFractionCut(io);
    return VX_SUCCESS;
}

VxStatus writeText(BaseConvertIo& io, const BaseDecimal& value) {
    std::size_t written = 0, fullLength = 0;
    bool cut = false;
    char scratch[1];
    char* text = io.to ? static_cast<char*>(io.to) : scratch;
    std::size_t room = io.to ? static_cast<std::size_t>(baseTextRoom(io)) : 0;
    if (!baseDecimalFormat(value, text, room, &written, &fullLength, &cut) && io.to)
        return baseNumericOverflow();
    io.produced = static_cast<SQLLEN>(written);
    io.fullLength = static_cast<SQLLEN>(fullLength);
    baseTerminate(io, io.produced);
    if (cut && io.to)
        noteFractionCut(io);
    return VX_SUCCESS;
}

VxStatus writeDateTime(BaseConvertIo& io, const BaseDecimal& value) {
    double number;
    if (!baseDecimalToDouble(value, false, &number))
        return baseNumericOverflow();
    double day = std::floor(number);
    if (day < BASE_JULIAN_FIRST || day > BASE_JULIAN_LAST) {
        addOdbcError(ODBC_22008);
        return VX_ERROR;
    }
    auto nanos = static_cast<std::int64_t>(std::llround((number - day) * NANOSECONDS_PER_DAY));
    if (nanos >= static_cast<std::int64_t>(NANOSECONDS_PER_DAY))
        nanos = static_cast<std::int64_t>(NANOSECONDS_PER_DAY) - 1;
    TIMESTAMP_STRUCT stamp{};
    (void)BaseJulianToDate(static_cast<long>(day), &stamp.year, &stamp.month, &stamp.day);
    std::int64_t seconds = nanos / 1000000000;
    stamp.hour = static_cast<SQLUSMALLINT>(seconds / 3600);
    stamp.minute = static_cast<SQLUSMALLINT>(seconds / 60 % 60);
    stamp.second = static_cast<SQLUSMALLINT>(seconds % 60);
    stamp.fraction = static_cast<SQLUINTEGER>(nanos % 1000000000);
    writeFixed(io, &stamp, sizeof stamp);
    return VX_SUCCESS;
}

VxStatus writeDate(BaseConvertIo& io, const BaseDecimal& value, bool isTime) {
    std::uint64_t magnitude;
    bool cut;
    if (!baseDecimalToInteger(value, &magnitude, &cut) || (value.negative && magnitude > 0) ||
        (isTime ? magnitude >= 86400
                : (magnitude < BASE_JULIAN_FIRST || magnitude > BASE_JULIAN_LAST))) {
        addOdbcError(ODBC_22008);
        return VX_ERROR;
    }
    if (isTime) {
        TIME_STRUCT time{static_cast<SQLUSMALLINT>(magnitude / 3600),
                         static_cast<SQLUSMALLINT>(magnitude / 60 % 60),
                         static_cast<SQLUSMALLINT>(magnitude % 60)};
        writeFixed(io, &time, sizeof time);
    } else {
        DATE_STRUCT date{};
        (void)BaseJulianToDate(static_cast<long>(magnitude), &date.year, &date.month, &date.day);
        writeFixed(io, &date, sizeof date);
    }
    if (cut)
        noteFractionCut(io);
    return VX_SUCCESS;
}

VxStatus writeTarget(BaseConvertIo& io, const BaseDecimal& value) {
    IntegerRange range;
    if (integerRange(io.toType, &range))
        return writeInteger(io, value, range);
    bool cut = false;
    switch (io.toType) {
    case INTERNAL_CHAR:
        return writeText(io, value);
    case INTERNAL_FLOAT:
    case INTERNAL_DOUBLE: {
        double number;
        if (!baseDecimalToDouble(value, io.toType == INTERNAL_FLOAT, &number))
            return baseNumericOverflow();
        if (io.toType == INTERNAL_DOUBLE) {
            writeFixed(io, &number, sizeof number);
        } else {
            auto narrow = static_cast<float>(number);
            writeFixed(io, &narrow, sizeof narrow);
        }
        return VX_SUCCESS;
    }
    case INTERNAL_PACKED: {
        SQLLEN size = io.toSize > 0 ? io.toSize : 0;
        unsigned char scratch[1];
        auto* bytes = io.to ? static_cast<unsigned char*>(io.to) : scratch;
        short scale = io.scale == BASE_SCALE_NATURAL ? 0 : io.scale;
        if (!baseDecimalToPacked(value, scale, bytes, io.to ? size : 1, &cut))
            return baseNumericOverflow();
        io.produced = io.fullLength = io.to ? size : 0;
        break;
    }
    case INTERNAL_DIGITS: {
        std::size_t written = 0;
        if (!io.to || !baseDecimalToDigits(value, io.scale, static_cast<unsigned char*>(io.to),
                                           static_cast<std::size_t>(io.toSize > 0 ? io.toSize : 0),
                                           &written, &cut))
            return baseNumericOverflow();
        io.produced = io.fullLength = static_cast<SQLLEN>(written);
        break;
    }
    case INTERNAL_DATE:
        return writeDate(io, value, false);
    case INTERNAL_TIME:
        return writeDate(io, value, true);
    case INTERNAL_TIMESTAMP:
        return writeDateTime(io, value);
    default:
        return baseCannotConvert();
    }
    if (cut)
        noteFractionCut(io);
    return VX_SUCCESS;
}

// ---- Into a double without the common form ----------------------------------
//
// The values that every expression of a file driver reads go straight into
// a double: integers and doubles as they are, digits values as the double
// nearest to their decimal text (the one the same text written as a
// literal gives), however many digits they have.

constexpr int EXACT_POWERS = 22; // 10^22 is the largest exact power of ten
// Significant digits kept when a digits value is parsed; a dropped digit
// that is not zero is kept as a final 1, which rounds the same way.
constexpr std::size_t PARSED_DIGITS = 780;

const double POWERS_OF_TEN[EXACT_POWERS + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

VxStatus assignmentError() {
    addOdbcError(ODBC_22005);
    return VX_ERROR;
}

VxStatus digitsToDouble(const BaseConvertIo& io, double* out) {
    InternalDigitsHeader header;
    std::size_t length = static_cast<std::size_t>(io.fromLength > 0 ? io.fromLength : 0);
    if (length < sizeof header)
        return assignmentError();
    std::memcpy(&header, io.from, sizeof header);
    if (header.digitCount < 0 ||
        static_cast<std::size_t>(header.digitCount) > length - sizeof header)
        return assignmentError();
    const char* digits = static_cast<const char*>(io.from) + sizeof header;
    const std::size_t count = static_cast<std::size_t>(header.digitCount);
    std::size_t first = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return assignmentError();
        if (first == i && digits[i] == '0')
            ++first;
    }
    const bool negative = header.negative == 1;
    if (first == count) {
        *out = 0.0;
        return VX_SUCCESS;
    }
    const std::size_t significant = count - first;
    // Decimal exponent of the leading digit, as the common form counts it.
    const long exponent = static_cast<long>(significant) - header.scale;
    if (exponent > 309 || exponent < -306)
        return baseNumericOverflow();
    double value = 0;
    if (significant <= 15 && header.scale >= 0 && header.scale <= EXACT_POWERS) {
        // An exact integer divided by an exact power of ten: one rounding.
        for (std::size_t i = first; i < count; ++i)
            value = value * 10 + (digits[i] - '0');
        value /= POWERS_OF_TEN[header.scale];
    } else {
        char text[PARSED_DIGITS + 2 + 24];
        std::size_t kept = significant < PARSED_DIGITS ? significant : PARSED_DIGITS;
        std::memcpy(text, digits + first, kept);
        std::size_t used = kept;
        for (std::size_t i = first + kept; i < count; ++i) {
            if (digits[i] != '0') {
                text[used++] = '1';
                break;
            }
        }
        long power = static_cast<long>(significant - used) - header.scale;
        std::snprintf(text + used, sizeof text - used, "e%ld", power);
        value = std::strtod(text, nullptr);
    }
    if (std::isinf(value))
        return baseNumericOverflow();
    *out = negative ? -value : value;
    return VX_SUCCESS;
}

template <typename T> double integerAsDouble(const void* from) {
    return static_cast<double>(readAs<T>(from));
}

// True when the source was read here; *status is then the outcome.
bool readDoubleDirectly(const BaseConvertIo& io, double* value, VxStatus* status) {
    *status = VX_SUCCESS;
    switch (io.fromType) {
    case INTERNAL_STINYINT:
        *value = integerAsDouble<signed char>(io.from);
        return true;
    case INTERNAL_UTINYINT:
        *value = integerAsDouble<unsigned char>(io.from);
        return true;
    case INTERNAL_SSHORT:
        *value = integerAsDouble<std::int16_t>(io.from);
        return true;
    case INTERNAL_USHORT:
        *value = integerAsDouble<std::uint16_t>(io.from);
        return true;
    case INTERNAL_SLONG:
        *value = integerAsDouble<std::int32_t>(io.from);
        return true;
    case INTERNAL_ULONG:
        *value = integerAsDouble<std::uint32_t>(io.from);
        return true;
    case INTERNAL_SBIGINT:
        *value = integerAsDouble<std::int64_t>(io.from);
        return true;
    case INTERNAL_UBIGINT:
        *value = integerAsDouble<std::uint64_t>(io.from);
        return true;
    case INTERNAL_DOUBLE:
        *value = readAs<double>(io.from);
        if (std::isnan(*value))
            *status = assignmentError();
        else if (std::isinf(*value))
            *status = baseNumericOverflow();
        return true;
    case INTERNAL_DIGITS:
        *status = digitsToDouble(io, value);
        return true;
    default:
        return false;
    }
}

// ---- Digits into text without the common form -------------------------------
//
// An exact numeric value read from a file is written as text the way the
// common form writes it (no leading zeros, "0" before the point, as many
// fraction digits as the scale), straight from its digits. Only values that
// fit whole: anything else (a negative scale, more digits than the common
// form holds, a cut) goes the general way and reports as it does.

bool writeDigitsAsText(BaseConvertIo& io) {
    if (!io.to)
        return false;
    const SQLLEN written = baseDigitsAsText(io.from, io.fromLength, static_cast<char*>(io.to),
                                            baseTextRoom(io));
    if (written < 0)
        return false;
    io.produced = io.fullLength = written;
    baseTerminate(io, io.produced);
    return true;
}

} // namespace

SQLLEN baseDigitsAsText(const void* from, SQLLEN fromLength, char* out, SQLLEN room) {
    InternalDigitsHeader header;
    std::size_t length = static_cast<std::size_t>(fromLength > 0 ? fromLength : 0);
    if (length < sizeof header)
        return -1;
    std::memcpy(&header, from, sizeof header);
    if (header.digitCount < 0 || header.digitCount > BASE_MAX_DIGITS || header.scale < 0 ||
        static_cast<std::size_t>(header.digitCount) > length - sizeof header)
        return -1;
    const char* digits = static_cast<const char*>(from) + sizeof header;
    const long count = header.digitCount;
    const long scale = header.scale;
    long first = 0; // the first digit that is not zero
    while (first < count && digits[first] == '0')
        ++first;
    for (long i = first; i < count; ++i)
        if (digits[i] < '0' || digits[i] > '9')
            return -1;
    const long integerEnd = count - scale; // digits before the point
    const bool negative = header.negative == 1 && first < count;
    const long integers = integerEnd > first ? integerEnd - first : 1;
    const SQLLEN full = (negative ? 1 : 0) + integers + (scale ? 1 + scale : 0);
    if (full > room)
        return -1;
    std::size_t pos = 0;
    if (negative)
        out[pos++] = '-';
    if (integerEnd > first) {
        std::memcpy(out + pos, digits + first, static_cast<std::size_t>(integerEnd - first));
        pos += static_cast<std::size_t>(integerEnd - first);
    } else {
        out[pos++] = '0';
    }
    if (scale) {
        out[pos++] = '.';
        for (long place = integerEnd; place < count; ++place)
            out[pos++] = place < 0 ? '0' : digits[place];
    }
    return static_cast<SQLLEN>(pos);
}

VxStatus baseConvertNumeric(BaseConvertIo& io) {
    if (io.fromType == INTERNAL_DIGITS && io.toType == INTERNAL_CHAR && writeDigitsAsText(io))
        return VX_SUCCESS;
    if (io.toType == INTERNAL_DOUBLE) {
        double number = 0;
        VxStatus status;
        if (readDoubleDirectly(io, &number, &status)) {
            if (status == VX_SUCCESS)
                writeFixed(io, &number, sizeof number);
            return status;
        }
    }
    BaseDecimal value;
    if (readSource(io, &value) != VX_SUCCESS)
        return VX_ERROR;
    return writeTarget(io, value);
}
