// The interfaces through which an expression reads what is not in its op
// stream: field values of the current rows, parameter values, aggregate
// values of the current group and the rows of sub-queries. Table cursors,
// the statement and the result-set operators implement them; the
// evaluator only calls them.
//
// Every function fills a FlatDataValue in storage form (an InternalType
// code with its bytes; the null flag for NULL) and reports the SQL type of
// the column or parameter, which decides how the value is read into the
// expression: a character value of a numeric column is read as a number,
// a CHAR value keeps its trailing blanks out of comparisons, and so on.
// The value may borrow a buffer of the implementer's (own = 0): the
// evaluator copies the bytes before it calls any source again.
#pragma once

#include <cstdint>
#include <memory>

#include "flat/FlatDataValue.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

// Field values of the current row(s) of an operator. `tableRef` is the
// 4-byte table reference the compiler wrote (its meaning, such as an outer
// query level and a table number, is the compiler's and the
// implementer's); `field` the field number within that table.
class VX_EXPORT FlatRowSource {
public:
    virtual ~FlatRowSource() = default;
    [[nodiscard]] virtual VxStatus getFieldValue(std::uint32_t tableRef, std::uint16_t field,
                                                 FlatDataValue* value, short* sqlType) = 0;
};

// Values of the statement's parameters, numbered as the compiler numbered
// the markers. A parameter that has no value yet sets *provided to false.
// The reported SQL type is the bind type; where the compiler gave the
// marker a type (FlatOpStreamGlobalInfo::getParamType), the evaluator
// converts the value to that type instead of reading it by the bind type.
class VX_EXPORT FlatParamSource {
public:
    virtual ~FlatParamSource() = default;
    [[nodiscard]] virtual VxStatus getParamValue(std::uint16_t number, FlatDataValue* value,
                                                 short* sqlType, bool* provided) = 0;
};

// Accumulated aggregate columns of the current group (`groupRef` and
// `column` as the compiler wrote them).
class VX_EXPORT FlatAggregateSource {
public:
    virtual ~FlatAggregateSource() = default;
    [[nodiscard]] virtual VxStatus getAggregateValue(std::uint32_t groupRef, std::uint16_t column,
                                                     FlatDataValue* value, short* sqlType) = 0;
};

// What the evaluator gathers from the rows of a sub-query to answer IN and
// NOT IN without reading them all for every outer row. The source keeps it
// while the rows stay the same.
class VX_EXPORT FlatSubQueryValues {
public:
    virtual ~FlatSubQueryValues() = default;
};

// Sub-queries by number: open (or reopen) one for the current outer row,
// step through its rows, and read the single column of its current row.
class VX_EXPORT FlatSubQuerySource {
public:
    virtual ~FlatSubQuerySource() = default;
    // Where the gathered values of sub-query `number` are kept: null when
    // its rows may differ from one outer row to the next (a correlated
    // sub-query). The place is emptied when the rows may change.
    virtual std::unique_ptr<FlatSubQueryValues>* subQueryValues(std::uint16_t) { return nullptr; }
    [[nodiscard]] virtual VxStatus openSubQuery(std::uint16_t number) = 0;
    // Makes the next row current; *atEnd is set when there is none.
    [[nodiscard]] virtual VxStatus fetchSubQueryRow(std::uint16_t number, bool* atEnd) = 0;
    [[nodiscard]] virtual VxStatus getSubQueryValue(std::uint16_t number, FlatDataValue* value,
                                                    short* sqlType) = 0;
};
