// Dates, times and timestamps: to and from text and to each other.
//
// Text forms: "yyyy-mm-dd" (10 characters), "hh:mm:ss" (8) and
// "yyyy-mm-dd hh:mm:ss[.f...]" (19, or 20 + scale). Written text needs room
// for the date (10 characters for dates and timestamps) or the time (8);
// less is 22003. A timestamp with less room than its full text is cut,
// keeping its date, with 01004.
#include <sql.h>

#include <cstring>

#include "BaseConvertIo.h"
#include "base/BaseCalendar.h"
#include "base/BaseErrors.h"
#include "util/bos.h"

namespace {

template <typename T> T readAs(const void* from) {
    T value;
    std::memcpy(&value, from, sizeof value);
    return value;
}

VxStatus dateTimeOverflow() {
    addOdbcError(ODBC_22008);
    return VX_ERROR;
}

VxStatus validateTime(unsigned hour, unsigned minute, unsigned second) {
    return (hour > 23 || minute > 59 || second > 59) ? dateTimeOverflow() : VX_SUCCESS;
}

// Every temporal source as a timestamp; `kind` remembers which it was.
VxStatus readTemporal(const BaseConvertIo& io, TIMESTAMP_STRUCT* stamp) {
    *stamp = TIMESTAMP_STRUCT{};
    if (io.fromType == INTERNAL_DATE) {
        auto date = readAs<DATE_STRUCT>(io.from);
        stamp->year = date.year;
        stamp->month = date.month;
        stamp->day = date.day;
    } else if (io.fromType == INTERNAL_TIME) {
        auto time = readAs<TIME_STRUCT>(io.from);
        os_time now;
        bosdate(&now);
        stamp->year = static_cast<SQLSMALLINT>(now.year);
        stamp->month = now.month;
        stamp->day = now.day;
        stamp->hour = time.hour;
        stamp->minute = time.minute;
        stamp->second = time.second;
    } else {
        *stamp = readAs<TIMESTAMP_STRUCT>(io.from);
    }
    if (BaseValidateDate(stamp->year, stamp->month, stamp->day) != VX_SUCCESS ||
        validateTime(stamp->hour, stamp->minute, stamp->second) != VX_SUCCESS)
        return VX_ERROR;
    if (stamp->fraction > 999999999)
        return dateTimeOverflow();
    return VX_SUCCESS;
}

// Text, blanks removed, as a timestamp. `kind` tells what the text held:
// a date (10 characters), a time (8) or a timestamp.
VxStatus readText(const BaseConvertIo& io, TIMESTAMP_STRUCT* stamp, InternalType* kind) {
    const char* text = static_cast<const char*>(io.from);
    SQLLEN begin = 0, end = baseSourceLength(io);
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    text += begin;
    SQLLEN length = end - begin;
    *stamp = TIMESTAMP_STRUCT{};
    if (length == 10 && io.toType != INTERNAL_TIME) {
        DATE_STRUCT date;
        if (BaseStrToDate(text, &date) != VX_SUCCESS)
            return VX_ERROR;
        stamp->year = date.year;
        stamp->month = date.month;
        stamp->day = date.day;
        *kind = INTERNAL_DATE;
        return VX_SUCCESS;
    }
    if (length == 8 && io.toType != INTERNAL_DATE) {
        TIME_STRUCT time;
        if (BaseStrToTime(text, &time) != VX_SUCCESS)
            return VX_ERROR;
        BaseConvertIo timeIo = io;
        timeIo.fromType = INTERNAL_TIME;
        timeIo.from = &time;
        *kind = INTERNAL_TIME;
        return readTemporal(timeIo, stamp);
    }
    *kind = INTERNAL_TIMESTAMP;
    return BaseStrToTimestamp(text, static_cast<std::size_t>(length), stamp);
}

// Writes `value` with at least `width` digits (leading zeros) at `out`;
// returns the end. A negative value gets a sign before its digits.
char* putNumber(char* out, long value, int width) {
    // The usual date and time fields: exactly two or four digits.
    if (width == 2 && value >= 0 && value < 100) {
        out[0] = static_cast<char>('0' + value / 10);
        out[1] = static_cast<char>('0' + value % 10);
        return out + 2;
    }
    if (width == 4 && value >= 0 && value < 10000) {
        out[0] = static_cast<char>('0' + value / 1000);
        out[1] = static_cast<char>('0' + value / 100 % 10);
        out[2] = static_cast<char>('0' + value / 10 % 10);
        out[3] = static_cast<char>('0' + value % 10);
        return out + 4;
    }
    unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value)
                                        : static_cast<unsigned long>(value);
    if (value < 0)
        *out++ = '-';
    char digits[24];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (; width > count; --width)
        *out++ = '0';
    while (count > 0)
        *out++ = digits[--count];
    return out;
}

char* putDate(char* out, const TIMESTAMP_STRUCT& stamp) {
    out = putNumber(out, stamp.year, 4);
    *out++ = '-';
    out = putNumber(out, stamp.month, 2);
    *out++ = '-';
    return putNumber(out, stamp.day, 2);
}

char* putTime(char* out, const TIMESTAMP_STRUCT& stamp) {
    out = putNumber(out, stamp.hour, 2);
    *out++ = ':';
    out = putNumber(out, stamp.minute, 2);
    *out++ = ':';
    return putNumber(out, stamp.second, 2);
}

// The text of a temporal value (at most 47 bytes, when fields are out of
// range); returns its length.
// Timestamps show `scale` fraction digits (19 characters when scale < 1;
// seconds are 0 below -1 and minutes too below -3).
int formatTemporal(InternalType kind, TIMESTAMP_STRUCT stamp, short scale, char* text) {
    if (kind == INTERNAL_DATE)
        return static_cast<int>(putDate(text, stamp) - text);
    if (kind == INTERNAL_TIME)
        return static_cast<int>(putTime(text, stamp) - text);
    int digits = scale > 9 ? 9 : scale;
    if (scale == BASE_SCALE_NATURAL) {
        digits = 9;
        for (SQLUINTEGER f = stamp.fraction; digits > 0 && f % 10 == 0; f /= 10)
            --digits;
        if (stamp.fraction == 0)
            digits = 0;
    } else {
        if (scale < -1)
            stamp.second = 0;
        if (scale < -3)
            stamp.minute = 0;
    }
    char* end = putDate(text, stamp);
    *end++ = ' ';
    end = putTime(end, stamp);
    int length = static_cast<int>(end - text);
    *end++ = '.';
    putNumber(end, static_cast<long>(stamp.fraction), 9);
    return digits >= 1 ? 20 + digits : (length > 19 ? 19 : length);
}

VxStatus writeText(BaseConvertIo& io, InternalType kind, const TIMESTAMP_STRUCT& stamp) {
    char text[64]; // the widest out-of-range fields take 47 bytes
    int length = formatTemporal(kind, stamp, io.scale, text);
    SQLLEN needed = kind == INTERNAL_TIME ? 8 : 10;
    if (io.to && io.toSize < needed)
        return baseNumericOverflow();
    SQLLEN room = baseTextRoom(io);
    SQLLEN copied = length < room ? length : room;
    if (io.to)
        std::memcpy(io.to, text, static_cast<std::size_t>(copied));
    io.produced = copied;
    io.fullLength = length;
    io.sourceUsed = copied;
    baseTerminate(io, copied);
    if (copied < length) {
        io.truncated = true;
        baseReportTruncation(io);
    }
    return VX_SUCCESS;
}

void writeFixed(BaseConvertIo& io, const void* value, int size) {
    if (io.to)
        std::memcpy(io.to, value, static_cast<std::size_t>(size));
    io.produced = io.fullLength = size;
}

VxStatus writeTemporal(BaseConvertIo& io, InternalType kind, const TIMESTAMP_STRUCT& stamp) {
    if (io.toType == INTERNAL_TIMESTAMP) {
        if (kind == INTERNAL_TIMESTAMP || kind == INTERNAL_DATE || kind == INTERNAL_TIME) {
            writeFixed(io, &stamp, sizeof stamp);
            return VX_SUCCESS;
        }
    } else if (io.toType == INTERNAL_DATE && kind != INTERNAL_TIME) {
        DATE_STRUCT date{stamp.year, stamp.month, stamp.day};
        writeFixed(io, &date, sizeof date);
        if (kind == INTERNAL_TIMESTAMP &&
            (stamp.hour || stamp.minute || stamp.second || stamp.fraction)) {
            io.truncated = true;
            baseReportTruncation(io);
        }
        return VX_SUCCESS;
    } else if (io.toType == INTERNAL_TIME && kind != INTERNAL_DATE) {
        TIME_STRUCT time{stamp.hour, stamp.minute, stamp.second};
        writeFixed(io, &time, sizeof time);
        if (kind == INTERNAL_TIMESTAMP && stamp.fraction) {
            io.truncated = true;
            baseReportTruncation(io);
        }
        return VX_SUCCESS;
    }
    return baseCannotConvert();
}

} // namespace

VxStatus baseConvertTemporal(BaseConvertIo& io) {
    TIMESTAMP_STRUCT stamp;
    InternalType kind = io.fromType;
    if (io.fromType == INTERNAL_CHAR) {
        if (readText(io, &stamp, &kind) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        // A time keeps today's date only on its way to a timestamp.
        if (readTemporal(io, &stamp) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (io.toType == INTERNAL_CHAR)
        return writeText(io, kind, stamp);
    return writeTemporal(io, kind, stamp);
}
