// A fast path for the commonest NUMERIC field: plain decimal text read
// into the framework's decimal-digits form (InternalType.h,
// INTERNAL_DIGITS).
#pragma once

#include <cstddef>
#include <cstdint>

// Writes a plain decimal text ([+-]digits[.digits]) as decimal digits with
// `scale` digits after the point, as the framework's conversion writes
// them: the integer digits without leading zeros (at least one), the
// fraction padded with zeros; into `out` (`size` bytes), its length in
// *written. Returns false, writing nothing, for any other text, for a
// fraction longer than `scale`, for a negative zero and when `size` is too
// small; the framework's conversion (BaseConvertNum) handles those.
bool txtPlainNumberToDigits(const char* text, std::size_t length, std::uint16_t scale,
                            unsigned char* out, std::size_t size, std::size_t* written);
