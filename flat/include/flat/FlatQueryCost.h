// FlatQueryCost and FlatQueryExeProfile: the planner's estimates for one
// result-set operator, and the selectivity divisors of filters.
//
// A cost record is computed on first request and cached (NumRows 0: not
// computed yet). A profile tells how often the operator's parent will
// execute it, read it to its end and reposition it by a row handle; the
// total cost of an operator weighs its costs with its profile.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxObject.h"

class FlatConditionList;
class FlatIndexRange;

struct FlatQueryCost {
    std::uint32_t numRows = 0; // estimated result rows; 0: not computed
    float execution = 0;       // work before the first row
    float fetchAll = 0;        // reading every row once
    float reposition = 0;      // returning to one row by its handle
};

struct FlatQueryExeProfile {
    std::uint32_t numExecution = 1;
    std::uint32_t numFetchAll = 1;
    std::uint32_t numReposition = 0;
};

// Largest divisor a filter or a set of index ranges can have.
constexpr std::uint32_t FLAT_MAX_DIVISOR = 10000000;

// Selectivity factor of one comparison op code: 2 for >, >=, <, <=; 20 for
// =; 10 for LIKE; 4 for BETWEEN; 1 otherwise.
VX_EXPORT std::uint32_t flatComparisonFactor(std::uint8_t opcode);
// Divisor of a compiled condition (postfix op stream): a comparison gives
// its factor, an AND the product of its terms' divisors, an OR combines
// its terms like parallel resistances. At least 1.
VX_EXPORT std::uint32_t flatFilterDivisor(const unsigned char* ops, std::size_t length);
// Divisor of a condition list (the AND of its conditions); 1 when empty.
VX_EXPORT std::uint32_t flatConditionListDivisor(const FlatConditionList& list);
// Product of two divisors, capped; a divisor of 0 counts as 1.
VX_EXPORT std::uint32_t flatAndDivisor(std::uint32_t a, std::uint32_t b);
// The OR of terms of the given divisors: starting from FLAT_MAX_DIVISOR + 1,
// r = MAX / (MAX / d + MAX / r) per term, r at least 2 after each step.
VX_EXPORT std::uint32_t flatOrDivisor(const std::uint32_t* divisors, std::size_t count);
// Rows left of `rows` by `divisor`: max(rows / divisor, 1).
VX_EXPORT std::uint32_t flatDividedRows(std::uint32_t rows, std::uint32_t divisor);
// Rows of grouping or duplicate removal of `rows` input rows on `keys`
// expressions: rows / (21 - min(keys, 17)), at least 5, when rows > 5.
VX_EXPORT std::uint32_t flatGroupedRows(std::uint32_t rows, std::uint16_t keys);
// FetchAll cost of reading a table of `rows` rows: through an index
// lookup over `range`, rows / the range's divisor; by a scan (null range),
// rows x 0.6. At least 1.
VX_EXPORT float flatTableFetchAllCost(std::uint32_t rows, const FlatIndexRange* range);
