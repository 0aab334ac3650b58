// FlatParseTable: the expression compiler's operator and function tables
// and its token settings; one instance per connection.
//
// The tables are constant data (FlatOperators.def, FlatFunctions.def).
// Entries that share a name are overloads, tried in table order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatFunctionTable.h"
#include "util/VxExport.h"

struct FlatOperatorEntry {
    short resultType;
    short leftType;
    short rightType; // 0: the operator takes one operand
    std::uint8_t opcode;
    std::uint8_t opClass;
    const char* name;
};

// Class bits of an operator entry.
constexpr std::uint8_t FLAT_OPCLASS_PRECEDENCE = 0x0F;
// A comparison that may be followed by ANY or ALL (both bits set).
constexpr std::uint8_t FLAT_OPCLASS_QUANTIFIED = 0x50;
// List membership (0x40 without 0x10): compiled as an ANY list, or an ALL
// list with 0x80.
constexpr std::uint8_t FLAT_OPCLASS_LIST = 0x40;
// Outer-join comparison; with 0x10 the right-hand form "=*".
constexpr std::uint8_t FLAT_OPCLASS_OUTER_JOIN = 0x20;
constexpr std::uint8_t FLAT_OPCLASS_RIGHT_FORM = 0x10;
// A name of several words; with 0x10 the negated form (NOT compiled after).
constexpr std::uint8_t FLAT_OPCLASS_MULTI_WORD = 0x80;
constexpr std::uint8_t FLAT_OPCLASS_NEGATED = 0x10;

// Opcode of the unary "+": compiles to nothing.
constexpr std::uint8_t FLAT_OP_UNARY_PLUS = 254;

class VX_EXPORT FlatParseTable {
public:
    // Token modes of buttoken for operators (0) and operands (3).
    unsigned short getOperatorTokenMode() const { return 0; }
    unsigned short getOperandTokenMode() const { return 3; }
    // Number of functions (35), index of the first binary operator (3),
    // number of operators (37).
    unsigned short getFunctionCount() const;
    unsigned short getFirstBinaryOperator() const { return 3; }
    unsigned short getOperatorCount() const;

    const FlatOperatorEntry* getOpEntry() const;
    const FlatFunctionEntry* getFnEntry() const { return flatGetFunction(0); }
};

// Precedence of an entry (smaller binds tighter).
inline unsigned flatOperatorPrecedence(const FlatOperatorEntry& entry) {
    return entry.opClass & FLAT_OPCLASS_PRECEDENCE;
}
// The operator table and its size, for code that has no connection.
VX_EXPORT const FlatOperatorEntry* flatOperatorTable();
VX_EXPORT std::size_t flatOperatorCount();
