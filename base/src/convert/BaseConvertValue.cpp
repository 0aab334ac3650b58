// The entry points of the conversion library, the shared helpers, and the
// conversions that only copy: text to text, binary to and from text.
#include <cstring>

#include "BaseConvertIo.h"
#include "base/BaseErrors.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Text to text and binary to binary: a copy cut to the room.
VxStatus copyBytes(BaseConvertIo& io, SQLLEN room) {
    SQLLEN length = baseSourceLength(io);
    SQLLEN copied = length < room ? length : room;
    if (io.to && copied > 0)
        std::memcpy(io.to, io.from, static_cast<std::size_t>(copied));
    io.produced = copied;
    io.fullLength = length;
    io.sourceUsed = copied;
    if (io.toType == INTERNAL_CHAR)
        baseTerminate(io, copied);
    if (copied < length) {
        io.truncated = true;
        baseReportTruncation(io);
    }
    return VX_SUCCESS;
}

// Two upper-case hexadecimal characters per byte; a byte is never split,
// so an odd room holds one character less.
VxStatus binaryToHex(BaseConvertIo& io) {
    static const char DIGITS[] = "0123456789ABCDEF";
    const auto* bytes = static_cast<const unsigned char*>(io.from);
    SQLLEN length = io.fromLength > 0 ? io.fromLength : 0;
    SQLLEN fit = baseTextRoom(io) / 2;
    if (fit > length)
        fit = length;
    auto* text = static_cast<char*>(io.to);
    for (SQLLEN i = 0; text && i < fit; ++i) {
        text[2 * i] = DIGITS[bytes[i] >> 4];
        text[2 * i + 1] = DIGITS[bytes[i] & 0x0F];
    }
    io.produced = 2 * fit;
    io.fullLength = 2 * length;
    io.sourceUsed = fit;
    baseTerminate(io, io.produced);
    if (fit < length) {
        io.truncated = true;
        baseReportTruncation(io);
    }
    return VX_SUCCESS;
}

// Pairs of hexadecimal digits; blanks around the text are ignored.
VxStatus hexToBinary(BaseConvertIo& io) {
    const char* text = static_cast<const char*>(io.from);
    SQLLEN begin = 0, end = baseSourceLength(io);
    while (begin < end && text[begin] == ' ')
        ++begin;
    while (end > begin && text[end - 1] == ' ')
        --end;
    if ((end - begin) % 2 != 0) {
        addOdbcError(ODBC_22005);
        return VX_ERROR;
    }
    SQLLEN length = (end - begin) / 2;
    for (SQLLEN i = begin; i < end; ++i) {
        if (hexValue(text[i]) < 0) {
            addOdbcError(ODBC_22005);
            return VX_ERROR;
        }
    }
    SQLLEN fit = length < io.toSize ? length : (io.toSize > 0 ? io.toSize : 0);
    auto* bytes = static_cast<unsigned char*>(io.to);
    for (SQLLEN i = 0; bytes && i < fit; ++i)
        bytes[i] = static_cast<unsigned char>(hexValue(text[begin + 2 * i]) << 4 |
                                              hexValue(text[begin + 2 * i + 1]));
    io.produced = fit;
    io.fullLength = length;
    io.sourceUsed = begin + 2 * fit;
    if (fit < length) {
        io.truncated = true;
        baseReportTruncation(io);
    }
    return VX_SUCCESS;
}

VxStatus convertBinary(BaseConvertIo& io) {
    if (io.fromType == INTERNAL_BINARY && io.toType == INTERNAL_BINARY)
        return copyBytes(io, io.toSize > 0 ? io.toSize : 0);
    if (io.fromType == INTERNAL_BINARY && io.toType == INTERNAL_CHAR)
        return binaryToHex(io);
    if (io.fromType == INTERNAL_CHAR && io.toType == INTERNAL_BINARY)
        return hexToBinary(io);
    return baseCannotConvert();
}

VxStatus runConversion(InternalType fromType, const void* from, SQLLEN fromLength,
                       InternalType toType, void* to, SQLLEN* outLength, SQLLEN toSize, short scale,
                       unsigned long flags) {
    BaseConvertIo io;
    io.fromType = fromType;
    io.from = from;
    io.fromLength = fromLength;
    io.toType = toType;
    io.to = to;
    io.toSize = toSize;
    io.scale = scale;
    io.flags = flags;
    VxStatus status = baseConvertValue(io);
    if (status == VX_SUCCESS && outLength)
        *outLength = io.produced;
    return status;
}

} // namespace

bool baseIsTemporal(InternalType type) {
    return type == INTERNAL_DATE || type == INTERNAL_TIME || type == INTERNAL_TIMESTAMP;
}

void baseReportTruncation(const BaseConvertIo& io) {
    if (io.flags & BASE_CONVERT_REPORT_MASK)
        addOdbcWarning(ODBC_01004, 6070);
}

VxStatus baseNumericOverflow() {
    addOdbcError(ODBC_22003, 6071);
    return VX_ERROR;
}

VxStatus baseCannotConvert() {
    addOdbcError(ODBC_07006);
    return VX_ERROR;
}

SQLLEN baseTextRoom(const BaseConvertIo& io) {
    SQLLEN room = io.toSize - ((io.flags & BASE_CONVERT_TERMINATE) ? 1 : 0);
    return room > 0 ? room : 0;
}

void baseTerminate(BaseConvertIo& io, SQLLEN length) {
    if ((io.flags & BASE_CONVERT_TERMINATE) && io.to && length < io.toSize)
        static_cast<char*>(io.to)[length] = 0;
}

SQLLEN baseSourceLength(const BaseConvertIo& io) {
    if (!io.from)
        return 0;
    if (io.fromLength == SQL_NTS && (io.fromType == INTERNAL_CHAR))
        return static_cast<SQLLEN>(std::strlen(static_cast<const char*>(io.from)));
    return io.fromLength > 0 ? io.fromLength : 0;
}

VxStatus baseConvertValue(BaseConvertIo& io) {
    if (!io.from && (baseInternalTypeSize(io.fromType) > 0 || io.fromLength > 0)) {
        addOdbcError(ODBC_S1009);
        return VX_ERROR;
    }
    if (io.fromType == INTERNAL_BINARY || io.toType == INTERNAL_BINARY)
        return convertBinary(io);
    if (io.fromType == INTERNAL_CHAR && io.toType == INTERNAL_CHAR)
        return copyBytes(io, baseTextRoom(io));
    bool temporalFrom = baseIsTemporal(io.fromType), temporalTo = baseIsTemporal(io.toType);
    if ((temporalFrom && (temporalTo || io.toType == INTERNAL_CHAR)) ||
        (temporalTo && io.fromType == INTERNAL_CHAR))
        return baseConvertTemporal(io);
    return baseConvertNumeric(io);
}

SQLLEN baseInternalTypeSize(InternalType type) {
    switch (type) {
    case INTERNAL_BIT:
    case INTERNAL_STINYINT:
    case INTERNAL_UTINYINT:
        return 1;
    case INTERNAL_SSHORT:
    case INTERNAL_USHORT:
        return 2;
    case INTERNAL_SLONG:
    case INTERNAL_ULONG:
    case INTERNAL_FLOAT:
        return 4;
    case INTERNAL_SBIGINT:
    case INTERNAL_UBIGINT:
    case INTERNAL_DOUBLE:
        return 8;
    case INTERNAL_DATE:
    case INTERNAL_TIME:
        return 6;
    case INTERNAL_TIMESTAMP:
        return 16;
    default:
        return 0;
    }
}

VxStatus BaseConvertNum(InternalType fromType, const void* from, SQLLEN fromLength,
                        InternalType toType, void* to, SQLLEN* outLength, SQLLEN toSize,
                        short scale, unsigned long flags) {
    return runConversion(fromType, from, fromLength, toType, to, outLength, toSize, scale, flags);
}

VxStatus BaseConvertDateTime(InternalType fromType, const void* from, SQLLEN fromLength,
                             InternalType toType, void* to, SQLLEN* outLength, SQLLEN toSize,
                             short scale, unsigned long flags) {
    return runConversion(fromType, from, fromLength, toType, to, outLength, toSize, scale, flags);
}
