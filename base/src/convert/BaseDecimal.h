// BaseDecimal: the common form of every number the conversion library
// reads, a sign and at most 256 significant decimal digits with a decimal
// exponent. Zero has no digits. Number text is read with at most 80
// significant digits; exact numeric values (digits with a header) keep
// every digit that a column of the widest precision can hold.
//
//   value = 0.d[0] d[1] ... d[count-1] x 10^exponent
//
// Readers raise 22005 on malformed input (and on more significant digits
// than they take); writers raise 22003 when the value does not fit the
// target.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"

constexpr int BASE_MAX_DIGITS = 256;
// Significant digits that number text may have.
constexpr int BASE_MAX_TEXT_DIGITS = 80;

struct BaseDecimal {
    bool negative = false;
    int count = 0;
    long exponent = 0;
    // Fraction digits shown when written as text; -1 shows as many as the
    // value has (a packed value of scale 2 shows "12.50").
    int shownFraction = -1;
    unsigned char digits[BASE_MAX_DIGITS] = {0};

    bool isZero() const { return count == 0; }
    // Digits after the decimal point that the value has.
    long fractionDigits() const { return count > exponent ? count - exponent : 0; }
};

// Collects the digits of an integer, most significant first, and makes a
// BaseDecimal of it times a power of ten.
class BaseDecimalBuilder {
public:
    // `limit`: the significant digits taken, at most BASE_MAX_DIGITS.
    explicit BaseDecimalBuilder(int limit = BASE_MAX_DIGITS) : limit_(limit) {}
    void addDigit(int digit);
    // False once more than `limit` significant digits were added.
    bool isValid() const { return valid_; }
    void finish(bool negative, long powerOfTen, BaseDecimal* out) const;

private:
    BaseDecimal value_;
    long total_ = 0; // digits from the first non-zero one
    long zeros_ = 0; // trailing zeros not yet stored
    int limit_;
    bool valid_ = true;
};

// Readers.
VxStatus baseDecimalFromText(const char* text, std::size_t length, BaseDecimal* out);
void baseDecimalFromInteger(std::uint64_t magnitude, bool negative, BaseDecimal* out);
// The shortest digits that read back as the same double (or float).
VxStatus baseDecimalFromDouble(double value, bool isFloat, BaseDecimal* out);
VxStatus baseDecimalFromPacked(const unsigned char* bytes, std::size_t length, short scale,
                               BaseDecimal* out);
VxStatus baseDecimalFromDigits(const void* value, std::size_t length, BaseDecimal* out);

// Writers. `cut` is set when fraction digits were dropped.
// The integer part as a magnitude and sign; false when it has more than 20
// digits or exceeds 2^64 - 1.
bool baseDecimalToInteger(const BaseDecimal& value, std::uint64_t* magnitude, bool* cut);
// False when out of the double range (or the float range).
bool baseDecimalToDouble(const BaseDecimal& value, bool isFloat, double* out);
// Plain decimal notation into at most `room` characters; returns false
// when the sign and integer digits do not fit. *written receives the
// characters written, *fullLength those of the complete text.
bool baseDecimalFormat(const BaseDecimal& value, char* out, std::size_t room, std::size_t* written,
                       std::size_t* fullLength, bool* cut);
// Packed decimal of `size` bytes holding the value times 10^scale.
bool baseDecimalToPacked(const BaseDecimal& value, short scale, unsigned char* out,
                         std::size_t size, bool* cut);
// An InternalDigitsHeader and ASCII digits into at most `size` bytes;
// *written receives the bytes used.
bool baseDecimalToDigits(const BaseDecimal& value, short scale, unsigned char* out,
                         std::size_t size, std::size_t* written, bool* cut);
