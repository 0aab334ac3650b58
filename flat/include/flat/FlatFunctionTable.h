// The scalar-function table of the expression compiler (FlatFunctions.def)
// and the facts the compiler needs about each entry.
#pragma once

#include <cstddef>

#include "flat/FlatExprType.h"
#include "flat/FlatOpCode.h"
#include "util/VxExport.h"

constexpr short FLAT_LENGTH_OF_ARG = -1;
constexpr short FLAT_LENGTH_FROM_CONST = -2;
constexpr short FLAT_LENGTH_STR_WIDTH = -3;
constexpr short FLAT_LENGTH_COMMON = -4;

struct FlatFunctionEntry {
    const char* name;
    FlatOpCode opcode; // FLAT_OP_INVALID: compiles to a constant
    short resultType;
    const char* signature;
    short resultLength;
};

// Number of entries (35) and entry `index` (null beyond the end).
VX_EXPORT std::size_t flatFunctionCount();
VX_EXPORT const FlatFunctionEntry* flatGetFunction(std::size_t index);
// The first entry whose name equals `name` regardless of case, or null.
VX_EXPORT const FlatFunctionEntry* flatFindFunction(const char* name, std::size_t length);
// Required and total argument counts of an entry's signature.
VX_EXPORT unsigned flatRequiredArguments(const FlatFunctionEntry& entry);
VX_EXPORT unsigned flatTotalArguments(const FlatFunctionEntry& entry);
// True when an argument of expression type `type` fits `letter`: C a
// string (or string literal), N a number, D a date, time or timestamp, L a
// logical value, A anything; NULL (FLAT_TYPE_ANY) and a parameter whose
// type is not known yet (FLAT_TYPE_PARAM) fit every letter.
VX_EXPORT bool flatTypeFitsLetter(char letter, short type);
// The letter of argument `index` (from 0), or 0 beyond the signature.
VX_EXPORT char flatArgumentLetter(const FlatFunctionEntry& entry, unsigned index);
