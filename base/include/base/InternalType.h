// The framework's value representations: the currency in which drivers hand
// values to the conversion functions and receive them back.
#ifndef BASE_INTERNALTYPE_H
#define BASE_INTERNALTYPE_H

enum InternalType {
    INTERNAL_NONE = 0,
    INTERNAL_CHAR = 1,       // character text
    INTERNAL_BIT = 2,        // one byte, 0 or 1
    INTERNAL_STINYINT = 3,   // signed 8-bit integer
    INTERNAL_UTINYINT = 4,   // unsigned 8-bit integer
    INTERNAL_SSHORT = 5,     // signed 16-bit integer
    INTERNAL_USHORT = 6,     // unsigned 16-bit integer
    INTERNAL_SLONG = 7,      // signed 32-bit integer
    INTERNAL_ULONG = 8,      // unsigned 32-bit integer
    INTERNAL_SBIGINT = 9,    // signed 64-bit integer
    INTERNAL_UBIGINT = 10,   // unsigned 64-bit integer
    INTERNAL_PACKED = 11,    // packed decimal, last half-byte the sign (D negative)
    INTERNAL_DIGITS = 12,    // decimal digits after an 8-byte header
    INTERNAL_FLOAT = 13,     // 32-bit float
    INTERNAL_DOUBLE = 14,    // 64-bit double
    INTERNAL_DATE = 15,      // DATE_STRUCT
    INTERNAL_TIME = 16,      // TIME_STRUCT
    INTERNAL_TIMESTAMP = 17, // TIMESTAMP_STRUCT, fraction in nanoseconds
    INTERNAL_BINARY = 18     // bytes, shown as two hexadecimal characters each
};

// Layout of INTERNAL_DIGITS: this header, then `digitCount` ASCII digits,
// most significant first. The value is the digits times 10^-scale,
// negative when `negative` is 1.
struct InternalDigitsHeader {
    int digitCount;
    short scale;
    unsigned char negative;
    unsigned char reserved;
};
static_assert(sizeof(InternalDigitsHeader) == 8, "the digits header is 8 bytes");

#endif
