// Shared pieces of the expression compiler's two source files: the
// operand and operator records and the type rules.
#pragma once

#include <cstdint>

#include "parse/FlatExprCompiler.h"
#include "parse/FlatParseStack.h"

struct FlatExprCompiler::Operand {
    short type;
    std::uint32_t length;
    std::uint16_t param; // a bare parameter: its number
    bool isConstant;     // a numeric constant ...
    double constant;     // ... and its value
    bool isColumn;
    FlatColumnRef column;
    std::uint32_t level;
    // Nonzero when `length` is only an estimate (a column whose width the
    // driver guessed, or a result computed from one): the most characters
    // a value can have. Such a length is no limit to check arguments by.
    std::uint32_t limit;
};

struct FlatExprCompiler::Pending {
    enum Kind : unsigned char { PREFIX, BINARY, BETWEEN };
    const FlatOperatorEntry* entry;
    Kind kind;
};

class FlatExprCompiler::Level {
public:
    FlatParseStack<Operand> operands;
    FlatParseStack<Pending> pending;
};

namespace flatexpr {

// The class of an expression type the operator table speaks of: 8 every
// number, 12 every string, 9 every date, time and timestamp, -7 logical,
// -3 binary; 90 and 91 stay.
short typeClass(short type);
// Whether an operand of `type` fits an operator side that asks `wanted`.
bool fitsSide(short type, short wanted);
// Whether two operands may meet in a comparison or IIF.
bool compatible(short a, short b);
// The SQL type a parameter takes from the type it is compared with.
short paramTypeFor(short type);
// A plain operand of a type and length.
FlatExprCompiler::Operand makeOperand(short type, std::uint32_t length);

} // namespace flatexpr
