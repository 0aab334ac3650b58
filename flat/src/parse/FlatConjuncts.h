// Splitting a compiled condition into its top-level AND terms, so that
// each term can be placed on the lowest operator that sees every table
// the term uses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "parse/FlatParseStack.h"
#include "util/VxStatus.h"

struct FlatConjunct {
    std::size_t offset;     // first byte of the term in the stream
    std::size_t length;     // its bytes (a complete postfix stream)
    std::uint16_t minTable; // lowest and highest table number of the
    std::uint16_t maxTable; // current scope it reads, 0 for none
};

// Appends the terms of the postfix stream `ops` (`length` bytes), in the
// order written. A stream whose top op is not AND is one term. Works
// without recursion, so long AND chains are fine. A malformed stream
// raises a general error.
[[nodiscard]] VxStatus flatSplitConjuncts(const unsigned char* ops, std::size_t length,
                                          FlatParseStack<FlatConjunct>* terms);
