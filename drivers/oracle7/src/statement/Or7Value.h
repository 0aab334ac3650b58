// Oracle's 7-byte DATE form and ODBC's timestamp structure.
//
// The seven bytes: century + 100, year of the century + 100, month, day,
// hour + 1, minute + 1, second + 1.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>

// Oracle numbers have decimal exponents from -130 to 125.
constexpr int OR7_MIN_EXPONENT = -130;
constexpr int OR7_MAX_EXPONENT = 125;

// The decimal exponent of the number written in `text` (plain or with an
// exponent part): 2 for "123.4", -3 for "0.00123". False for zero or a
// text without digits.
bool or7DecimalExponent(const char* text, std::size_t length, int* exponent);

void or7DateToTimestamp(const unsigned char* date, TIMESTAMP_STRUCT* out);
void or7TimestampToDate(const TIMESTAMP_STRUCT& value, unsigned char* date);
