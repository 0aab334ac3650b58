// The op-stream instruction set and the walkers over compiled streams.
//
// An op stream is postfix byte code: each op is one opcode byte followed by
// fixed operands (FlatOpCodes.def), and follows the ops of its operands.
// Multi-byte operands are stored in the machine's byte order: doubles as
// 8 bytes, table and group references as 4 bytes, field, aggregate-column,
// sub-query, parameter and list counts as 2 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"

// Operand size of an op whose operand is a zero-terminated text.
constexpr int FLAT_OPERAND_TEXT = -1;
// Operand-count codes of FlatOpCodes.def.
constexpr int FLAT_ARGS_FROM_BYTE = -1;
constexpr int FLAT_ARGS_FROM_LIST = -2;
constexpr int FLAT_ARGS_MARKER = -3;

enum FlatOpCode : std::uint8_t {
    FLAT_OP_INVALID = 0,
#define FLAT_OP(code, name, text, operandBytes, args) name = code,
#include "flat/FlatOpCodes.def"
#undef FLAT_OP
};

// Highest opcode of the set.
constexpr std::uint8_t FLAT_OP_LAST = FLAT_OP_IFNULL;

// True for the opcodes of the set.
VX_EXPORT bool flatIsOpCode(std::uint8_t opcode);
// The op's name in listings ("?" for an unknown opcode).
VX_EXPORT const char* flatOpName(std::uint8_t opcode);
// Operand bytes after the opcode: FLAT_OPERAND_TEXT for text operands,
// 0 for an unknown opcode.
VX_EXPORT int flatOpOperandBytes(std::uint8_t opcode);
// Operand-value count of FlatOpCodes.def (or one of the FLAT_ARGS codes).
VX_EXPORT int flatOpArgCount(std::uint8_t opcode);

// The op after the one at `op`: 9 bytes for the constants 1 and 2, past
// the terminator for 3 and 4, 2 bytes for 5, 24, 25, 35, 43, 44 and 46,
// 7 bytes for 7 and 50, 3 bytes for 51 to 55, 1 byte for every other op.
VX_EXPORT const unsigned char* getNextOp(const unsigned char* op);
// True when the stream of `length` bytes holds only field references and
// string "+": the form of an index key that concatenates fields. An empty
// stream is not simple.
VX_EXPORT bool isSimpleField(const unsigned char* ops, std::size_t length);
