// Tables derived from FlatOpCodes.def and the walkers over op streams.
#include "flat/FlatOpCode.h"

#include <cstring>

namespace {

struct OpInfo {
    const char* name;
    int operandBytes;
    int args;
};

constexpr OpInfo buildInfo(std::uint8_t opcode) {
    switch (opcode) {
#define FLAT_OP(code, name, text, operandBytes, args)                                              \
    case code:                                                                                     \
        return {text, operandBytes, args};
#include "flat/FlatOpCodes.def"
#undef FLAT_OP
    default:
        return {nullptr, 0, 0};
    }
}

struct OpTable {
    OpInfo entries[256];
    constexpr OpTable() : entries() {
        for (unsigned code = 0; code < 256; ++code)
            entries[code] = buildInfo(static_cast<std::uint8_t>(code));
    }
};

constexpr OpTable opTable;

} // namespace

bool flatIsOpCode(std::uint8_t opcode) {
    return opTable.entries[opcode].name != nullptr;
}

const char* flatOpName(std::uint8_t opcode) {
    const char* name = opTable.entries[opcode].name;
    return name ? name : "?";
}

int flatOpOperandBytes(std::uint8_t opcode) {
    return opTable.entries[opcode].operandBytes;
}

int flatOpArgCount(std::uint8_t opcode) {
    return opTable.entries[opcode].args;
}

const unsigned char* getNextOp(const unsigned char* op) {
    int operandBytes = flatOpOperandBytes(*op);
    if (operandBytes == FLAT_OPERAND_TEXT)
        return op + 1 + std::strlen(reinterpret_cast<const char*>(op + 1)) + 1;
    return op + 1 + operandBytes;
}

bool isSimpleField(const unsigned char* ops, std::size_t length) {
    const unsigned char* end = ops + length;
    if (length == 0)
        return false;
    for (const unsigned char* op = ops; op < end; op = getNextOp(op)) {
        if (*op != FLAT_OP_FIELD && *op != FLAT_OP_CONCAT)
            return false;
    }
    return true;
}
