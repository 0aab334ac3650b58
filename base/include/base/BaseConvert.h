// The conversion library: values move between the framework's internal
// types (InternalType.h) with BaseConvertNum and BaseConvertDateTime.
//
// Both functions take the same arguments and accept any pair of internal
// types; BaseConvertDateTime is the entry for dates, times and timestamps
// and BaseConvertNum the one for everything else, but each hands a pair it
// does not own to the other.
//
//   fromType, from, fromLength  the source; fromLength counts bytes of
//                               character, binary, packed and digits
//                               values and is ignored for fixed-size ones
//   toType, to, toSize          the target; toSize bounds character,
//                               binary, packed and digits targets
//   outLength                   receives the number of bytes produced
//                               (may be null)
//   scale                       digits after the point of a packed value
//                               (either side); for a timestamp written as
//                               text the fraction digits shown
//                               (BASE_SCALE_NATURAL: as many as needed)
//   flags                       BASE_CONVERT_* below
//
// Rules:
//   - Text read as a number: blanks around it, an optional sign, digits
//     with at most one ".", an optional exponent ("E"/"e" and at most four
//     characters), at most 80 significant digits. Anything else is 22005.
//   - Numbers into integer types are range-checked (22003, also for a
//     negative value into an unsigned type); fractional digits are
//     dropped. Into floating point: out of range (decimal exponent outside
//     -306..309, or beyond the float range) is 22003.
//   - Numbers written as text use plain decimal notation; when the room
//     is short, fraction digits are cut first; if the integer digits do
//     not fit, 22003.
//   - Dates are day numbers, times seconds since midnight, timestamps day
//     numbers with the time as a fraction of a day.
//   - Text targets are not terminated unless BASE_CONVERT_TERMINATE is
//     given (toSize then includes the terminator).
//   - Binary written as text gives two hexadecimal characters per byte,
//     whole bytes only; text read as binary takes pairs of hexadecimal
//     digits.
//
// Errors: 22003 with message 6071 "Numeric overflow.", 22005, 22008 and,
// as a warning, 01004 with message 6070 "Data Truncated." when text or
// digits are cut and truncation is reported.
#pragma once

#include <sql.h>

#include "base/InternalType.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

// Flags of BaseConvertNum and BaseConvertDateTime.
// Any bit of the low half asks for cut text, binary or fraction digits to
// be reported with warning 01004.
constexpr unsigned long BASE_CONVERT_REPORT_TRUNCATION = 0x0001;
constexpr unsigned long BASE_CONVERT_REPORT_MASK = 0x00FF;
// Text targets are NUL-terminated.
constexpr unsigned long BASE_CONVERT_TERMINATE = 0x4000;
// Fraction digits dropped from a number are never reported.
constexpr unsigned long BASE_CONVERT_CUT_FRACTION = 0x8000;

// A timestamp written as text shows as many fraction digits as it needs.
constexpr short BASE_SCALE_NATURAL = -32768;

VX_EXPORT VxStatus BaseConvertNum(InternalType fromType, const void* from, SQLLEN fromLength,
                                  InternalType toType, void* to, SQLLEN* outLength, SQLLEN toSize,
                                  short scale, unsigned long flags);
VX_EXPORT VxStatus BaseConvertDateTime(InternalType fromType, const void* from, SQLLEN fromLength,
                                       InternalType toType, void* to, SQLLEN* outLength,
                                       SQLLEN toSize, short scale, unsigned long flags);

// Size of a value of a fixed-size internal type (1 for bit, 16 for a
// timestamp ...); 0 for character, binary, packed and digits values.
VX_EXPORT SQLLEN baseInternalTypeSize(InternalType type);
