// Decimal and hexadecimal conversion between numbers and text.
//
// Text to number: leading white space and "+" signs are skipped, digits are
// read, trailing white space is allowed. A text without digits converts to
// 0. Values are checked against 32-bit ranges (and narrower for the narrow
// forms): too large raises 2701 "Number too large: %s1", any other
// character raises 2702 "Number contains an invalid character: %s1". On
// failure the output is unchanged.
//
// Number to text writes a NUL-terminated text and returns its length; the
// buffer needs 21 bytes for any long.
#pragma once

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"

// ---- Number to text ---------------------------------------------------------

// Decimal digits without a sign; 0 gives "0".
VX_EXPORT std::size_t convert(char* buffer, unsigned long value);
// "-" and the magnitude's digits for a negative value.
VX_EXPORT std::size_t convert(char* buffer, long value);
inline std::size_t convert(char* buffer, unsigned value) {
    return convert(buffer, static_cast<unsigned long>(value));
}
inline std::size_t convert(char* buffer, int value) {
    return convert(buffer, static_cast<long>(value));
}

// Fixed width: `width` characters, blank-filled and NUL-terminated (the
// buffer needs width + 1 bytes). At most 10 digit positions are used: the
// last 10 of the field when right-justified, the first 10 when
// left-justified. Leading zeros are blanks when right-justified and are
// skipped when left-justified, so 0 gives an all-blank field. A value
// that does not fit fills the digit positions with "*" and returns 0;
// otherwise returns the number of digits written.
VX_EXPORT std::size_t convert(char* buffer, std::size_t width, unsigned long value,
                              bool leftJustify);

// ---- Text to number ---------------------------------------------------------

// 0 to 4,294,967,295.
VX_EXPORT VxStatus convert(const char* text, unsigned long* value);
// An optional "-" after leading white space; -2,147,483,648 to 2,147,483,647.
VX_EXPORT VxStatus convert(const char* text, long* value);
VX_EXPORT VxStatus convert(const char* text, unsigned short* value);
VX_EXPORT VxStatus convert(const char* text, short* value);
VX_EXPORT VxStatus convert(const char* text, unsigned char* value);
VX_EXPORT VxStatus convert(const char* text, signed char* value);
// Counted texts (a NUL, if any, ends the text early).
VX_EXPORT VxStatus convert(const char* text, std::size_t length, unsigned long* value);
VX_EXPORT VxStatus convert(const char* text, std::size_t length, unsigned short* value);

// ---- Hexadecimal ------------------------------------------------------------

// The value in upper-case hexadecimal, at least minDigits (and at least 1)
// digits, NUL-terminated; returns the digit count.
VX_EXPORT std::size_t hexify(char* buffer, unsigned long value, std::size_t minDigits);
// Each byte of src as two upper-case digits, high nibble first; no NUL is
// written. dst may be src itself. Returns 2 * length.
VX_EXPORT std::size_t hexify(char* dst, const void* src, std::size_t length);
VX_EXPORT std::size_t hexifyHuge(char* dst, const void* src, std::size_t length);
// Pairs of digits (0-9, A-F, a-f) to bytes; an odd last digit becomes the
// high nibble of a last byte. dst may be src itself; it receives
// (length + 1) / 2 bytes. Any other character raises 2708.
VX_EXPORT VxStatus dehexify(void* dst, const char* src, std::size_t length);
VX_EXPORT VxStatus dehexifyHuge(void* dst, const char* src, std::size_t length);
// True when every byte is a hexadecimal digit (also for length 0).
VX_EXPORT bool isHexString(const char* text, std::size_t length);
