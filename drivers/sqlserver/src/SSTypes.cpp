#include "SSTypes.h"

#include <sqlext.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "SSField.h"
#include "base/BaseErrors.h"

namespace {

// Days since 1900-01-01 and milliseconds of the day as a TIMESTAMP_STRUCT.
void crackDate(long days, long milliseconds, TIMESTAMP_STRUCT* out) {
    // Civil date from days since 1970-01-01 (days_from_civil inverted).
    long z = days - 25567 + 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long y = yoe + era * 400;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    long d = doy - (153 * mp + 2) / 5 + 1;
    long m = mp < 10 ? mp + 3 : mp - 9;
    out->year = static_cast<SQLSMALLINT>(y + (m <= 2 ? 1 : 0));
    out->month = static_cast<SQLUSMALLINT>(m);
    out->day = static_cast<SQLUSMALLINT>(d);
    out->hour = static_cast<SQLUSMALLINT>(milliseconds / 3600000);
    out->minute = static_cast<SQLUSMALLINT>(milliseconds / 60000 % 60);
    out->second = static_cast<SQLUSMALLINT>(milliseconds / 1000 % 60);
    out->fraction = static_cast<SQLUINTEGER>(milliseconds % 1000) * 1000000u;
}

// Days since 1900-01-01 of a civil date.
long daysOf(long y, long m, long d) {
    y -= m <= 2 ? 1 : 0;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25567;
}

// `magnitude` as the framework's digits value (header, then ASCII digits)
// in `buffer`, worth magnitude x 10^-scale; returns its length.
SQLLEN digitsValue(unsigned long long magnitude, bool negative, short scale,
                   unsigned char* buffer) {
    char* digits = reinterpret_cast<char*>(buffer) + sizeof(InternalDigitsHeader);
    std::to_chars_result end = std::to_chars(digits, digits + 24, magnitude);
    InternalDigitsHeader header{static_cast<int>(end.ptr - digits), scale,
                                static_cast<unsigned char>(negative ? 1 : 0), 0};
    std::memcpy(buffer, &header, sizeof header);
    return static_cast<SQLLEN>(sizeof header) + header.digitCount;
}

// Money (units of 1/10000) as digits with four decimals.
SQLLEN moneyDigits(long long value, unsigned char* buffer) {
    bool negative = value < 0;
    unsigned long long magnitude = negative ? 0ull - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    return digitsValue(magnitude, negative, 4, buffer);
}

std::int32_t read32(const unsigned char* data) {
    std::int32_t value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

std::uint16_t read16(const unsigned char* data) {
    std::uint16_t value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

} // namespace

VxStatus ssDescribeColumn(SSDbProc& process, int column, SSField& field) {
    int type = process.columnType(column);
    long length = process.columnLength(column);
    bool variable = process.columnVariable(column);
    int userType = process.columnUserType(column);
    short nullable = SQL_NULLABLE_UNKNOWN;
    switch (type) {
    case SS_TYPE_INTN:
        type = length == 4   ? SS_TYPE_INT4
               : length == 2 ? SS_TYPE_INT2
               : length == 8 ? SS_TYPE_INT8
                             : SS_TYPE_INT1;
        nullable = SQL_NULLABLE;
        break;
    case SS_TYPE_FLTN:
        type = length == 8 ? SS_TYPE_FLT8 : SS_TYPE_REAL;
        nullable = SQL_NULLABLE;
        break;
    case SS_TYPE_MONEYN:
        type = length == 8 ? SS_TYPE_MONEY : SS_TYPE_MONEY4;
        nullable = SQL_NULLABLE;
        break;
    case SS_TYPE_DATETIMN:
        type = length == 8 ? SS_TYPE_DATETIME : SS_TYPE_DATETIME4;
        nullable = SQL_NULLABLE;
        break;
    case SS_TYPE_VARCHAR:
        type = SS_TYPE_CHAR;
        variable = true;
        break;
    case SS_TYPE_VARBINARY:
        type = SS_TYPE_BINARY;
        variable = true;
        break;
    default:
        break;
    }
    // User types 1 and 3 are char and binary, 2 and 4 their variable forms.
    if (type == SS_TYPE_CHAR || type == SS_TYPE_BINARY) {
        if (userType == 1 || userType == 3) {
            if (variable)
                nullable = SQL_NULLABLE;
            variable = false;
        } else if (userType == 2 || userType == 4) {
            variable = true;
        }
    }
    field.serverType_ = type;
    field.userType_ = userType;
    field.serverLength_ = length;
    field.setNullable(nullable);
    const char* typeName = "";
    std::uint32_t precision = 0;
    short scale = 0;
    short sqlType = SQL_CHAR;
    switch (type) {
    case SS_TYPE_IMAGE:
        typeName = "image";
        sqlType = SQL_LONGVARBINARY;
        precision = 2147483647u;
        field.setSearchable(SQL_UNSEARCHABLE);
        field.rowSearchable_ = false;
        break;
    case SS_TYPE_TEXT:
        typeName = "text";
        sqlType = SQL_LONGVARCHAR;
        precision = 2147483647u;
        field.setSearchable(SQL_LIKE_ONLY);
        field.rowSearchable_ = false;
        break;
    case SS_TYPE_BINARY:
        typeName = userType == 80 ? "timestamp" : variable ? "varbinary" : "binary";
        sqlType = variable ? SQL_VARBINARY : SQL_BINARY;
        precision = static_cast<std::uint32_t>(length);
        break;
    case SS_TYPE_CHAR: {
        typeName = variable ? "varchar" : "char";
        sqlType = variable ? SQL_VARCHAR : SQL_CHAR;
        // The declared length in characters, not the bytes DB-Library
        // keeps for them once converted.
        int width = process.characterWidth();
        precision = static_cast<std::uint32_t>(length >= width ? length / width : length);
        break;
    }
    case SS_TYPE_INT1:
        typeName = "tinyint";
        sqlType = SQL_TINYINT;
        precision = 3;
        field.setUnsigned(true);
        break;
    case SS_TYPE_BIT:
        typeName = "bit";
        sqlType = SQL_BIT;
        precision = 1;
        field.setNullable(SQL_NO_NULLS);
        break;
    case SS_TYPE_INT2:
        typeName = "smallint";
        sqlType = SQL_SMALLINT;
        precision = 5;
        break;
    case SS_TYPE_INT4:
        typeName = "int";
        sqlType = SQL_INTEGER;
        precision = 10;
        break;
    case SS_TYPE_INT8:
        typeName = "bigint";
        sqlType = SQL_BIGINT;
        precision = 19;
        break;
    case SS_TYPE_DATETIME4:
        typeName = "smalldatetime";
        sqlType = SQL_TIMESTAMP;
        precision = 16;
        break;
    case SS_TYPE_REAL:
        typeName = "real";
        sqlType = SQL_REAL;
        precision = 7;
        break;
    case SS_TYPE_MONEY:
        typeName = "money";
        sqlType = SQL_DECIMAL;
        precision = 19;
        scale = 4;
        field.setMoney(true);
        break;
    case SS_TYPE_DATETIME:
        typeName = "datetime";
        sqlType = SQL_TIMESTAMP;
        precision = 23;
        scale = 3;
        break;
    case SS_TYPE_FLT8:
        typeName = "float";
        sqlType = SQL_FLOAT;
        precision = 15;
        break;
    case SS_TYPE_MONEY4:
        typeName = "smallmoney";
        sqlType = SQL_DECIMAL;
        precision = 10;
        scale = 4;
        field.setMoney(true);
        break;
    case SS_TYPE_DECIMAL:
    case SS_TYPE_NUMERIC:
        typeName = type == SS_TYPE_DECIMAL ? "decimal" : "numeric";
        sqlType = type == SS_TYPE_DECIMAL ? SQL_DECIMAL : SQL_NUMERIC;
        precision = static_cast<std::uint32_t>(process.columnPrecision(column));
        scale = static_cast<short>(process.columnScale(column));
        break;
    default:
        // Types of later servers (dates, times, unique identifiers ...)
        // are delivered as their text.
        typeName = "varchar";
        sqlType = SQL_VARCHAR;
        precision = length > 0 ? static_cast<std::uint32_t>(length) : 255;
        break;
    }
    field.describe(sqlType, precision, scale);
    if (field.setTypeName(typeName) != VX_SUCCESS)
        return VX_ERROR;
    return field.setName(process.columnName(column));
}

void ssInternalValue(int type, const unsigned char* data, long length, unsigned char* buffer,
                     InternalType* outType, const void** out, SQLLEN* outLength) {
    *out = data;
    *outLength = length;
    switch (type) {
    case SS_TYPE_INT1:
        *outType = INTERNAL_UTINYINT;
        return;
    case SS_TYPE_BIT:
        *outType = INTERNAL_BIT;
        return;
    case SS_TYPE_INT2:
        *outType = INTERNAL_SSHORT;
        return;
    case SS_TYPE_INT4:
        *outType = INTERNAL_SLONG;
        return;
    case SS_TYPE_INT8:
        *outType = INTERNAL_SBIGINT;
        return;
    case SS_TYPE_REAL:
        *outType = INTERNAL_FLOAT;
        return;
    case SS_TYPE_FLT8:
        *outType = INTERNAL_DOUBLE;
        return;
    case SS_TYPE_BINARY:
    case SS_TYPE_VARBINARY:
    case SS_TYPE_IMAGE:
        *outType = INTERNAL_BINARY;
        return;
    case SS_TYPE_CHAR:
    case SS_TYPE_VARCHAR:
    case SS_TYPE_TEXT:
        *outType = INTERNAL_CHAR;
        return;
    case SS_TYPE_MONEY: {
        // High 32 bits first, then the low 32 bits.
        long long high = read32(data);
        auto low = static_cast<std::uint32_t>(read32(data + 4));
        long long value =
            static_cast<long long>((static_cast<unsigned long long>(high) << 32) | low);
        *outType = INTERNAL_DIGITS;
        *outLength = moneyDigits(value, buffer);
        *out = buffer;
        return;
    }
    case SS_TYPE_MONEY4:
        *outType = INTERNAL_DIGITS;
        *outLength = moneyDigits(read32(data), buffer);
        *out = buffer;
        return;
    case SS_TYPE_DATETIME: {
        // Days since 1900-01-01, then 1/300 seconds since midnight.
        long days = read32(data);
        long long ticks = read32(data + 4);
        long ms = static_cast<long>((ticks * 10 + 1) / 3);
        auto* stamp = reinterpret_cast<TIMESTAMP_STRUCT*>(buffer);
        crackDate(days, ms, stamp);
        *outType = INTERNAL_TIMESTAMP;
        *out = stamp;
        *outLength = sizeof *stamp;
        return;
    }
    case SS_TYPE_DATETIME4: {
        auto* stamp = reinterpret_cast<TIMESTAMP_STRUCT*>(buffer);
        crackDate(read16(data), static_cast<long>(read16(data + 2)) * 60000, stamp);
        *outType = INTERNAL_TIMESTAMP;
        *out = stamp;
        *outLength = sizeof *stamp;
        return;
    }
    default:
        *outType = INTERNAL_CHAR;
        *outLength = ssValueText(type, data, length, reinterpret_cast<char*>(buffer), 63);
        *out = buffer;
        return;
    }
}

namespace {

// The shortest digits that read back as a float or real value, and its
// decimal exponent ("d.ddd" times 10^exponent); false for other types and
// for values that are not finite.
bool shortestDigits(int type, const unsigned char* data, char* digits, int* count, int* exponent,
                    bool* negative) {
    char text[40];
    std::to_chars_result end{};
    if (type == SS_TYPE_FLT8) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        if (!std::isfinite(value))
            return false;
        *negative = value < 0;
        end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    } else if (type == SS_TYPE_REAL) {
        float value = 0;
        std::memcpy(&value, data, sizeof value);
        if (!std::isfinite(value))
            return false;
        *negative = value < 0;
        end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    } else {
        return false;
    }
    if (end.ec != std::errc())
        return false;
    *count = 0;
    const char* p = text;
    for (; p < end.ptr && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits[(*count)++] = *p;
    *exponent = 0;
    if (p < end.ptr)
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end.ptr, *exponent);
    // A zero has no sign in the framework's numbers.
    if (*count == 1 && digits[0] == '0')
        *negative = false;
    return true;
}

long put(char* text, long at, long size, const char* from, long length) {
    if (at + length > size)
        return size + 1;
    std::memcpy(text + at, from, static_cast<std::size_t>(length));
    return at + length;
}

long putZeros(char* text, long at, long size, long count) {
    if (at + count > size)
        return size + 1;
    std::memset(text + at, '0', static_cast<std::size_t>(count));
    return at + count;
}

long putNumber(char* text, long at, long size, long long value, int width) {
    char digits[24];
    std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    long length = static_cast<long>(end.ptr - digits);
    if (length < width)
        at = putZeros(text, at, size, width - length);
    return put(text, at, size, digits, length);
}

// "yyyy-mm-dd hh:mm:ss[.fff]", the fraction without trailing zeros.
long timestampText(const TIMESTAMP_STRUCT& stamp, char* text, long size) {
    long at = putNumber(text, 0, size, stamp.year, 4);
    at = put(text, at, size, "-", 1);
    at = putNumber(text, at, size, stamp.month, 2);
    at = put(text, at, size, "-", 1);
    at = putNumber(text, at, size, stamp.day, 2);
    at = put(text, at, size, " ", 1);
    at = putNumber(text, at, size, stamp.hour, 2);
    at = put(text, at, size, ":", 1);
    at = putNumber(text, at, size, stamp.minute, 2);
    at = put(text, at, size, ":", 1);
    at = putNumber(text, at, size, stamp.second, 2);
    if (stamp.fraction) {
        unsigned long fraction = stamp.fraction;
        int width = 9;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --width;
        }
        at = put(text, at, size, ".", 1);
        at = putNumber(text, at, size, static_cast<long long>(fraction), width);
    }
    return at;
}

} // namespace

long ssValueText(int type, const unsigned char* data, char* text, long size) {
    long long value = 0;
    long at = 0;
    switch (type) {
    case SS_TYPE_INT1:
    case SS_TYPE_BIT:
        value = data[0];
        break;
    case SS_TYPE_INT2: {
        std::int16_t v;
        std::memcpy(&v, data, sizeof v);
        value = v;
        break;
    }
    case SS_TYPE_INT4:
        value = read32(data);
        break;
    case SS_TYPE_INT8: {
        std::int64_t v;
        std::memcpy(&v, data, sizeof v);
        value = v;
        break;
    }
    case SS_TYPE_MONEY:
    case SS_TYPE_MONEY4: {
        long long money = read32(data);
        if (type == SS_TYPE_MONEY)
            money = static_cast<long long>((static_cast<unsigned long long>(money) << 32) |
                                           static_cast<std::uint32_t>(read32(data + 4)));
        unsigned long long magnitude = money < 0 ? 0ull - static_cast<unsigned long long>(money)
                                                 : static_cast<unsigned long long>(money);
        if (money < 0)
            at = put(text, at, size, "-", 1);
        char digits[24];
        std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, magnitude / 10000);
        at = put(text, at, size, digits, static_cast<long>(end.ptr - digits));
        at = put(text, at, size, ".", 1);
        at = putNumber(text, at, size, static_cast<long long>(magnitude % 10000), 4);
        return at > size ? 0 : at;
    }
    case SS_TYPE_FLT8:
    case SS_TYPE_REAL: {
        char digits[24];
        int count = 0;
        int exponent = 0;
        bool negative = false;
        if (!shortestDigits(type, data, digits, &count, &exponent, &negative))
            return 0;
        if (negative)
            at = put(text, at, size, "-", 1);
        if (exponent >= count - 1) {
            at = put(text, at, size, digits, count);
            at = putZeros(text, at, size, exponent - (count - 1));
        } else if (exponent >= 0) {
            at = put(text, at, size, digits, exponent + 1);
            at = put(text, at, size, ".", 1);
            at = put(text, at, size, digits + exponent + 1, count - exponent - 1);
        } else {
            at = put(text, at, size, "0.", 2);
            at = putZeros(text, at, size, -exponent - 1);
            at = put(text, at, size, digits, count);
        }
        return at > size ? 0 : at;
    }
    case SS_TYPE_DATETIME:
    case SS_TYPE_DATETIME4: {
        unsigned char buffer[64];
        InternalType internal = INTERNAL_NONE;
        const void* stamp = nullptr;
        SQLLEN length = 0;
        ssInternalValue(type, data, type == SS_TYPE_DATETIME ? 8 : 4, buffer, &internal, &stamp,
                        &length);
        at = timestampText(*static_cast<const TIMESTAMP_STRUCT*>(stamp), text, size);
        return at > size ? 0 : at;
    }
    default:
        return 0;
    }
    std::to_chars_result end = std::to_chars(text, text + size, value);
    return end.ec == std::errc() ? static_cast<long>(end.ptr - text) : 0;
}

bool ssFloatDigits(int type, const unsigned char* data, unsigned char* buffer, SQLLEN* outLength) {
    double value = 0;
    char text[40];
    std::to_chars_result end{};
    if (type == SS_TYPE_FLT8) {
        std::memcpy(&value, data, sizeof value);
        if (!std::isfinite(value))
            return false;
        end = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    } else if (type == SS_TYPE_REAL) {
        float single = 0;
        std::memcpy(&single, data, sizeof single);
        if (!std::isfinite(single))
            return false;
        value = single;
        end = std::to_chars(text, text + sizeof text, single, std::chars_format::scientific);
    } else {
        return false;
    }
    if (end.ec != std::errc())
        return false;
    // "-d.ddde+xx": the shortest digits that read back as the value.
    unsigned long long mantissa = 0;
    int digits = 0;
    const char* p = text;
    for (; p < end.ptr && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++digits;
        }
    }
    int exponent = 0;
    if (p < end.ptr)
        std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end.ptr, exponent);
    *outLength =
        digitsValue(mantissa, value < 0, static_cast<short>(digits - 1 - exponent), buffer);
    return true;
}

VxStatus ssRpcValue(short cType, short sqlType, const void* value, SQLLEN length,
                    unsigned char* buffer, int* type, long* outLength, const void** out) {
    *out = value;
    *outLength = static_cast<long>(length);
    switch (cType) {
    case SQL_C_CHAR:
        *type = sqlType == SQL_LONGVARCHAR ? SS_TYPE_TEXT : SS_TYPE_VARCHAR;
        return VX_SUCCESS;
    case SQL_C_BINARY:
        *type = sqlType == SQL_LONGVARBINARY ? SS_TYPE_IMAGE : SS_TYPE_VARBINARY;
        return VX_SUCCESS;
    case SQL_C_BIT:
        *type = SS_TYPE_BIT;
        *outLength = 1;
        return VX_SUCCESS;
    case SQL_C_TINYINT:
    case SQL_C_STINYINT:
    case SQL_C_UTINYINT:
        *type = SS_TYPE_INT1;
        *outLength = 1;
        return VX_SUCCESS;
    case SQL_C_SHORT:
    case SQL_C_SSHORT:
    case SQL_C_USHORT:
        *type = SS_TYPE_INT2;
        *outLength = 2;
        return VX_SUCCESS;
    case SQL_C_LONG:
    case SQL_C_SLONG:
    case SQL_C_ULONG:
        *type = SS_TYPE_INT4;
        *outLength = 4;
        return VX_SUCCESS;
    case SQL_C_SBIGINT:
    case SQL_C_UBIGINT:
        *type = SS_TYPE_INT8;
        *outLength = 8;
        return VX_SUCCESS;
    case SQL_C_FLOAT:
        *type = SS_TYPE_REAL;
        *outLength = 4;
        return VX_SUCCESS;
    case SQL_C_DOUBLE:
        *type = SS_TYPE_FLT8;
        *outLength = 8;
        return VX_SUCCESS;
    case SQL_C_DATE:
    case SQL_C_TIMESTAMP:
    case SQL_C_TYPE_DATE:
    case SQL_C_TYPE_TIMESTAMP: {
        long y = 0, m = 0, d = 0, ms = 0;
        if (cType == SQL_C_DATE || cType == SQL_C_TYPE_DATE) {
            const auto* date = static_cast<const DATE_STRUCT*>(value);
            y = date->year;
            m = date->month;
            d = date->day;
        } else {
            const auto* stamp = static_cast<const TIMESTAMP_STRUCT*>(value);
            y = stamp->year;
            m = stamp->month;
            d = stamp->day;
            ms = ((stamp->hour * 60L + stamp->minute) * 60L + stamp->second) * 1000L +
                 static_cast<long>(stamp->fraction / 1000000u);
        }
        auto days = static_cast<std::int32_t>(y ? daysOf(y, m, d) : 0);
        auto ticks = static_cast<std::int32_t>((ms * 3 + 5) / 10);
        std::memcpy(buffer, &days, 4);
        std::memcpy(buffer + 4, &ticks, 4);
        *type = SS_TYPE_DATETIME;
        *outLength = 8;
        *out = buffer;
        return VX_SUCCESS;
    }
    default:
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
}
