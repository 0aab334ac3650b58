// Internal values to the application's C types and back.
#include <cstring>

#include "BaseConvertIo.h"
#include "base/BaseCalendar.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseOutString.h"
#include "base/BaseWideText.h"
#include "util/VxError.h"
#include "util/VxParamString.h"
#include "util/VxUtf8.h"
#include "util/but.h"
#include "util/ram.h"

namespace {

// Appends " Error in column n." or " Error in parameter n." to every record
// raised on the current list while the marker lives.
class PlaceMarker {
public:
    // The current list is looked up once: a conversion never changes it.
    explicit PlaceMarker(BaseConvertPlace place)
        : place_(place), list_(VxErrorKeeper::getErrorList()) {
        mark_ = list_ ? list_->getCount() : 0;
    }
    ~PlaceMarker() {
        VxErrorList* list = list_;
        if (place_.kind == BaseConvertPlace::NONE || !list || list->getCount() <= mark_)
            return;
        char message[BASE_RESOURCE_BUFFER];
        baseLoadMessage(place_.kind == BaseConvertPlace::COLUMN ? 6072 : 6073, message,
                        sizeof message);
        VxParamString text;
        if (text.initialize(message) != VX_SUCCESS)
            return;
        text.setParam(static_cast<unsigned long>(place_.number));
        if (!text.hasFailed())
            list->appendTextStartingAtPos(text.getText(), mark_);
    }
    PlaceMarker(const PlaceMarker&) = delete;
    PlaceMarker& operator=(const PlaceMarker&) = delete;

private:
    BaseConvertPlace place_;
    VxErrorList* list_;
    std::uint32_t mark_ = 0;
};

// Restores the output's truncation message when the conversion ends.
class TruncationMessage {
public:
    TruncationMessage(BaseOutString& out, unsigned short msgId) : out_(out) {
        out_.setTruncationMessage(msgId);
    }
    ~TruncationMessage() { out_.setTruncationMessage(0); }
    TruncationMessage(const TruncationMessage&) = delete;
    TruncationMessage& operator=(const TruncationMessage&) = delete;

private:
    BaseOutString& out_;
};

SQLLEN valueLength(InternalType type, const void* value, SQLLEN length) {
    SQLLEN fixed = baseInternalTypeSize(type);
    if (fixed > 0)
        return fixed;
    if (type == INTERNAL_CHAR && length == SQL_NTS && value)
        return static_cast<SQLLEN>(std::strlen(static_cast<const char*>(value)));
    return length > 0 ? length : 0;
}

VxStatus deliverText(BaseOutString& out, const void* value, SQLLEN length, InternalType type,
                     short scale, bool huge) {
    if (type == INTERNAL_CHAR)
        return huge ? out.setValueHuge(value, length, true) : out.setValue(value, length, true);
    BaseConvertIo io;
    io.fromType = type;
    io.from = value;
    io.fromLength = length;
    io.toType = INTERNAL_CHAR;
    io.to = out.getBuffer();
    SQLLEN room = out.getCharRoom();
    io.toSize = room >= 0 ? room + 1 : 0;
    io.scale = scale;
    io.flags = BASE_CONVERT_TERMINATE | (io.to ? BASE_CONVERT_REPORT_TRUNCATION : 0ul);
    if (baseConvertValue(io) != VX_SUCCESS)
        return VX_ERROR;
    out.finishAsciiText(io.produced, io.fullLength, io.sourceUsed, io.truncated);
    return VX_SUCCESS;
}

VxStatus deliverBinary(BaseOutString& out, const void* value, SQLLEN length, InternalType type,
                       bool huge) {
    if (type == INTERNAL_CHAR || type == INTERNAL_BINARY)
        return huge ? out.setValueHuge(value, length, false) : out.setBufValue(value, length);
    if (out.getBuffer() && out.getSize() < length)
        return baseNumericOverflow();
    if (out.getBuffer() && length > 0)
        std::memcpy(out.getBuffer(), value, static_cast<std::size_t>(length));
    out.setLength(length);
    out.setCoverage(length, false);
    return VX_SUCCESS;
}

VxStatus deliverFixed(BaseOutString& out, short cType, const void* value, SQLLEN length,
                      InternalType type, short scale) {
    BaseConvertIo io;
    io.fromType = type;
    io.from = value;
    io.fromLength = length;
    io.toType = baseCTypeInternal(cType);
    io.to = out.getBuffer();
    io.toSize = baseCTypeSize(cType);
    io.scale = scale;
    io.flags = BASE_CONVERT_REPORT_TRUNCATION;
    if (baseConvertValue(io) != VX_SUCCESS)
        return VX_ERROR;
    out.setLength(io.toSize);
    out.setCoverage(valueLength(type, value, length), false);
    return VX_SUCCESS;
}

VxStatus toC(BaseConvertPlace place, short cType, BaseOutString& out, const void* value,
             SQLLEN length, InternalType type, short scale, bool huge) {
    PlaceMarker marker(place);
    out.setWide(false);
    if (!value && length == SQL_NULL_DATA)
        return out.setNull();
    if (cType == SQL_C_DEFAULT)
        cType = baseDefaultCTypeOfInternal(type);
    if (!baseIsValidCType(cType)) {
        addOdbcError(ODBC_S1003);
        return VX_ERROR;
    }
    length = valueLength(type, value, length);
    TruncationMessage message(out, 6070);
    if (cType == SQL_C_CHAR || cType == SQL_C_WCHAR) {
        out.setWide(cType == SQL_C_WCHAR);
        return deliverText(out, value, length, type, scale, huge);
    }
    if (cType == SQL_C_BINARY)
        return deliverBinary(out, value, length, type, huge);
    return deliverFixed(out, cType, value, length, type, scale);
}

// The application's wide characters as UTF-8 text in memory from ramAlloc;
// null when memory ran out (recorded by the allocator).
char* wideToUtf8(const void* value, SQLLEN length, SQLLEN* textLength) {
    SQLLEN units = length == SQL_NTS ? static_cast<SQLLEN>(baseWideLength(value))
                                     : length / static_cast<SQLLEN>(baseWideUnit());
    char* text = static_cast<char*>(ramAlloc(static_cast<std::size_t>(units * 4 + 1)));
    if (!text)
        return nullptr;
    SQLLEN pos = 0;
    for (SQLLEN i = 0; i < units; ++i) {
        unsigned long code = baseWideAt(value, i);
        unsigned long low = 0;
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units &&
            (low = baseWideAt(value, i + 1), low >= 0xDC00 && low <= 0xDFFF)) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            code = 0xFFFD; // half a pair, or no character
        }
        std::size_t at = static_cast<std::size_t>(pos);
        utf8Put(code, text, &at);
        pos = static_cast<SQLLEN>(at);
    }
    text[pos] = 0;
    *textLength = pos;
    return text;
}

// SQL_C_BINARY parameters: raw bytes, of exactly the size of a fixed-size
// internal type.
VxStatus binaryToInternal(const void* value, SQLLEN length, InternalType type, void* buffer,
                          SQLLEN size, SQLLEN* outLength) {
    SQLLEN fixed = baseInternalTypeSize(type);
    if (type == INTERNAL_CHAR || type == INTERNAL_BINARY) {
        BaseConvertIo io;
        io.fromType = io.toType = INTERNAL_BINARY;
        io.from = value;
        io.fromLength = length;
        io.to = buffer;
        io.toSize = size;
        io.flags = BASE_CONVERT_REPORT_TRUNCATION;
        if (baseConvertValue(io) != VX_SUCCESS)
            return VX_ERROR;
        if (outLength)
            *outLength = io.produced;
        return VX_SUCCESS;
    }
    SQLLEN expected = fixed > 0 ? fixed : size;
    if (length != expected || size < length) {
        addOdbcError(ODBC_22003, 6050) << static_cast<long>(expected) << static_cast<long>(length);
        return VX_ERROR;
    }
    if (buffer && length > 0)
        memCopyHuge(buffer, value, static_cast<std::size_t>(length));
    if (outLength)
        *outLength = length;
    return VX_SUCCESS;
}

} // namespace

bool baseDeliverPlainText(BaseOutString& out, const void* value, SQLLEN length,
                          InternalType type) {
    auto* text = static_cast<char*>(out.getBuffer());
    const SQLLEN room = out.getSize() - 1; // before the terminator
    if (!text || !value || room < 0)
        return false;
    SQLLEN written = 0;
    SQLLEN covered = 0; // what piecewise retrieval counts as read
    switch (type) {
    case INTERNAL_CHAR:
        if (length < 0 || length > room)
            return false;
        std::memcpy(text, value, static_cast<std::size_t>(length));
        written = covered = length;
        break;
    case INTERNAL_DIGITS:
        if ((written = baseDigitsAsText(value, length, text, room)) < 0)
            return false;
        break;
    case INTERNAL_DATE: {
        DATE_STRUCT date;
        std::memcpy(&date, value, sizeof date);
        if (room < 10 || !BaseIsValidDate(date.year, date.month, date.day))
            return false;
        const unsigned year = static_cast<unsigned>(date.year);
        const char digits[10] = {static_cast<char>('0' + year / 1000),
                                 static_cast<char>('0' + year / 100 % 10),
                                 static_cast<char>('0' + year / 10 % 10),
                                 static_cast<char>('0' + year % 10),
                                 '-',
                                 static_cast<char>('0' + date.month / 10),
                                 static_cast<char>('0' + date.month % 10),
                                 '-',
                                 static_cast<char>('0' + date.day / 10),
                                 static_cast<char>('0' + date.day % 10)};
        std::memcpy(text, digits, sizeof digits);
        written = covered = 10;
        break;
    }
    default:
        return false;
    }
    out.finishFittingText(written, covered);
    return true;
}

bool baseDeliverAsciiAsWide(BaseOutString& out, const void* value, SQLLEN length) {
    const auto unit = static_cast<SQLLEN>(baseWideUnit());
    if (!out.getBuffer() || !value || length < 0 || length + 1 > out.getSize() / unit)
        return false;
    const auto* text = static_cast<const unsigned char*>(value);
    unsigned char any = 0;
    for (SQLLEN i = 0; i < length; ++i)
        any |= text[i];
    if (any >= 0x80)
        return false;
    out.setWide(true);
    return out.setValue(value, length, true) == VX_SUCCESS;
}

VxStatus baseConvertInternalToC(BaseConvertPlace place, short cType, BaseOutString& out,
                                const void* value, SQLLEN length, InternalType type, short scale) {
    return toC(place, cType, out, value, length, type, scale, false);
}

VxStatus baseConvertInternalToCHuge(BaseConvertPlace place, short cType, BaseOutString& out,
                                    const void* value, SQLLEN length, InternalType type,
                                    short scale) {
    return toC(place, cType, out, value, length, type, scale, true);
}

VxStatus baseConvertCToInternal(BaseConvertPlace place, short cType, const void* value,
                                SQLLEN length, InternalType type, void* buffer, SQLLEN size,
                                SQLLEN* outLength, short scale) {
    if (length < 0 && length != SQL_NTS) {
        addOdbcError(ODBC_S1090, 6001) << place.number;
        return VX_ERROR;
    }
    PlaceMarker marker(place);
    if (cType == SQL_C_DEFAULT)
        cType = baseDefaultCTypeOfInternal(type);
    InternalType fromType = baseCTypeInternal(cType);
    if (fromType == INTERNAL_NONE) {
        addOdbcError(ODBC_S1003);
        return VX_ERROR;
    }
    if (!value) {
        addOdbcError(ODBC_S1009);
        return VX_ERROR;
    }
    if (cType == SQL_C_BINARY)
        return binaryToInternal(value, length == SQL_NTS ? 0 : length, type, buffer, size,
                                outLength);
    char* wide = nullptr;
    if (cType == SQL_C_WCHAR) {
        wide = wideToUtf8(value, length, &length);
        if (!wide)
            return VX_ERROR;
        value = wide;
    } else if (fromType != INTERNAL_CHAR) {
        length = baseCTypeSize(cType);
    }
    BaseConvertIo io;
    io.fromType = fromType;
    io.from = value;
    io.fromLength = length;
    io.toType = type;
    io.to = buffer;
    io.toSize = size;
    io.scale = scale;
    io.flags = BASE_CONVERT_REPORT_TRUNCATION;
    VxStatus status = baseConvertValue(io);
    if (wide)
        ramFree(wide);
    if (status == VX_SUCCESS && outLength)
        *outLength = io.produced;
    return status;
}
