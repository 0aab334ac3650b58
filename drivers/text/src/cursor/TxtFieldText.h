// The text written for one value of a new record, by column type.
//
//   NUMERIC  plain decimal text with exactly `scale` fraction digits,
//            rounded half away from zero; a value with more integer
//            digits than precision - scale is refused (22003), never cut
//   DATE     the date written with the column's mask within its width
//            (1261 when it does not fit); a date the mask cannot write
//            back as the same date (a two-digit year outside 1900-1999,
//            a year outside 1-9999) is refused (22008)
//   VARCHAR  the value as text, trailing blanks trimmed, at most `limit`
//            characters: a longer value is cut with warning 01004
//
// Values come in the framework's internal types; text is read as a number
// or a date as the framework's conversions read it (22005, 22008).
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/InternalType.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

class TxtDateMask;

VxStatus txtNumberText(InternalType type, const void* bytes, SQLLEN length, std::uint16_t precision,
                       std::uint16_t scale, VxString* out);
VxStatus txtDateText(InternalType type, const void* bytes, SQLLEN length, const TxtDateMask& mask,
                     std::uint16_t width, VxString* out);
VxStatus txtVarcharText(InternalType type, const void* bytes, SQLLEN length, std::size_t limit,
                        VxString* out);
