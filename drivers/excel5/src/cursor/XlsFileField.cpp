#include "cursor/XlsFileField.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/BaseCalendar.h"
#include "base/InternalType.h"
#include "flat/FlatDataValue.h"
#include "util/VxError.h"

namespace {

constexpr long OFFSET_1900 = 2415019;
constexpr long OFFSET_1904 = 2416481;
constexpr double SECONDS_PER_DAY = 86400.0;
// Serials beyond any date handled are not split (the day number check
// refuses them).
constexpr double SERIAL_LIMIT = 1.0e7;

// Windows-1252 characters 0x80-0x9F as Unicode (0 where undefined: kept as
// the control character of that number).
const std::uint16_t CP1252_HIGH[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::size_t putUtf8(std::uint32_t code, char* out) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code < 0x800) {
        out[0] = static_cast<char>(0xC0 | code >> 6);
        out[1] = static_cast<char>(0x80 | (code & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | code >> 12);
    out[1] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code & 0x3F));
    return 3;
}

// The serial as whole seconds, rounded, and split into day and second of
// the day.
void splitSerial(double serial, long* day, long* second) {
    const double seconds = std::floor(serial * SECONDS_PER_DAY + 0.5);
    *day = static_cast<long>(std::floor(seconds / SECONDS_PER_DAY));
    *second = static_cast<long>(seconds - static_cast<double>(*day) * SECONDS_PER_DAY);
}

} // namespace

void XlsFileField::set(const XlsCell& cell, XlsColumnType format, std::uint16_t width, bool utf8) {
    kind_ = cell.kind == XLS_CELL_RK ? XLS_CELL_NUMBER : cell.kind;
    format_ = format;
    width_ = width;
    number_ = cell.number;
    if (kind_ == XLS_CELL_TEXT)
        setText(cell.text, cell.textLength, utf8);
}

void XlsFileField::setText(const std::uint8_t* text, std::size_t length, bool utf8) {
    if (length > width_)
        length = width_;
    if (!utf8) {
        std::memcpy(text_, text, length);
        textLength_ = length;
        return;
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < length; ++i) {
        std::uint32_t code = text[i];
        if (code >= 0x80 && code < 0xA0 && CP1252_HIGH[code - 0x80])
            code = CP1252_HIGH[code - 0x80];
        out += putUtf8(code, text_ + out);
    }
    textLength_ = out;
}

bool XlsFileField::isNull() const {
    return kind_ != XLS_CELL_NUMBER && kind_ != XLS_CELL_BOOLEAN && kind_ != XLS_CELL_TEXT;
}

// A number cell read as text: in its date or time format as that value,
// else with two decimals.
void XlsFileField::formatNumber(bool is1904) {
    textLength_ = 0;
    int written = 0;
    if (format_ != XLS_TYPE_NUMBER && number_ >= 0 && number_ < SERIAL_LIMIT) {
        long day = 0, second = 0;
        splitSerial(number_, &day, &second);
        short year = 0;
        unsigned short month = 0, dayOfMonth = 0;
        const long julian = day + (is1904 ? OFFSET_1904 : OFFSET_1900);
        const int hour = static_cast<int>(second / 3600),
                  minute = static_cast<int>(second / 60 % 60), sec = static_cast<int>(second % 60);
        if (format_ == XLS_TYPE_TIME) {
            written = std::snprintf(text_, sizeof text_, "%02d:%02d:%02d", hour, minute, sec);
        } else if (BaseJulianToDate(julian, &year, &month, &dayOfMonth) == VX_SUCCESS) {
            written =
                format_ == XLS_TYPE_DATE
                    ? std::snprintf(text_, sizeof text_, "%04d-%02u-%02u", year, month, dayOfMonth)
                    : std::snprintf(text_, sizeof text_, "%04d-%02u-%02u %02d:%02d:%02d", year,
                                    month, dayOfMonth, hour, minute, sec);
        } else {
            VxErrorKeeper::clearLastError();
        }
    }
    if (written <= 0 && std::isfinite(number_))
        written = std::snprintf(text_, sizeof text_, "%.2f", number_);
    // An over-long number (above 126 characters) is NULL.
    if (written <= 0 || written > 126)
        return;
    textLength_ =
        static_cast<std::size_t>(written) < width_ ? static_cast<std::size_t>(written) : width_;
}

VxStatus XlsFileField::deliver(XlsColumnType type, bool is1904, FlatDataValue* out) {
    static const short STORAGE[] = {INTERNAL_BIT,  INTERNAL_DOUBLE,    INTERNAL_DATE,
                                    INTERNAL_TIME, INTERNAL_TIMESTAMP, INTERNAL_CHAR,
                                    INTERNAL_CHAR};
    out->setStorageType(STORAGE[type]);
    out->setValueBuffer(&out_, 0);
    out->setLength(0);
    bool null = isNull();
    if (!null && type != XLS_TYPE_CHAR && type != XLS_TYPE_UNKNOWN && kind_ == XLS_CELL_TEXT)
        null = true; // a label in a column of another type
    if (null) {
        out->setNull();
        return VX_SUCCESS;
    }
    switch (type) {
    case XLS_TYPE_LOGICAL:
        out_.bit = number_ != 0 ? 1 : 0;
        out->setLength(1);
        return VX_SUCCESS;
    case XLS_TYPE_NUMBER:
        out_.number = number_;
        out->setLength(sizeof(double));
        return VX_SUCCESS;
    case XLS_TYPE_DATE:
    case XLS_TYPE_TIME:
    case XLS_TYPE_TIMESTAMP: {
        if (!(number_ > -SERIAL_LIMIT && number_ < SERIAL_LIMIT)) {
            out->setNull();
            return VX_SUCCESS;
        }
        long day = 0, second = 0;
        splitSerial(number_, &day, &second);
        if (type == XLS_TYPE_TIME) {
            out_.time.hour = static_cast<SQLUSMALLINT>(second / 3600);
            out_.time.minute = static_cast<SQLUSMALLINT>(second / 60 % 60);
            out_.time.second = static_cast<SQLUSMALLINT>(second % 60);
            out->setLength(sizeof(TIME_STRUCT));
            return VX_SUCCESS;
        }
        short year = 0;
        unsigned short month = 0, dayOfMonth = 0;
        if (BaseJulianToDate(day + (is1904 ? OFFSET_1904 : OFFSET_1900), &year, &month,
                             &dayOfMonth) != VX_SUCCESS)
            return VX_ERROR;
        if (type == XLS_TYPE_DATE) {
            out_.date = DATE_STRUCT{year, month, dayOfMonth};
            out->setLength(sizeof(DATE_STRUCT));
        } else {
            out_.timestamp = TIMESTAMP_STRUCT{year,
                                              month,
                                              dayOfMonth,
                                              static_cast<SQLUSMALLINT>(second / 3600),
                                              static_cast<SQLUSMALLINT>(second / 60 % 60),
                                              static_cast<SQLUSMALLINT>(second % 60),
                                              0};
            out->setLength(sizeof(TIMESTAMP_STRUCT));
        }
        return VX_SUCCESS;
    }
    default:
        break;
    }
    if (kind_ == XLS_CELL_BOOLEAN) {
        text_[0] = number_ != 0 ? '1' : '0';
        textLength_ = 1;
    } else if (kind_ == XLS_CELL_NUMBER) {
        formatNumber(is1904);
        if (textLength_ == 0) {
            out->setNull();
            return VX_SUCCESS;
        }
    }
    out->setValueBuffer(text_, 0);
    out->setLength(static_cast<std::uint32_t>(textLength_));
    return VX_SUCCESS;
}
