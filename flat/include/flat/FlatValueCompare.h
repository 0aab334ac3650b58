// Comparing two values in storage form by the expression rules: numbers
// and dates by value, strings by bytes (or in international order when the
// context asks for it) without trailing blanks unless both are VARCHAR,
// binary values byte by byte, logical values as 0 and 1. The order keys of
// sorting and grouping use it.
#pragma once

#include "flat/FlatDataValue.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

// *result receives -1, 0 or 1. NULL orders before every value and equals
// NULL. Each value is read with its column's SQL type, as a field
// reference reads it; a value that does not read fails as it would there.
[[nodiscard]] VX_EXPORT VxStatus flatCompareValues(FlatOpStreamGlobalInfo* info,
                                                   const FlatDataValue& a, short aSqlType,
                                                   const FlatDataValue& b, short bSqlType,
                                                   int* result);
