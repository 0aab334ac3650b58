// The compiler's operator table.
#include "flat/FlatParseTable.h"

namespace {

constexpr FlatOperatorEntry operators[] = {
#define FLAT_OPERATOR(result, left, right, opcode, opClass, name)                                  \
    {result, left, right, opcode, opClass, name},
#include "flat/FlatOperators.def"
#undef FLAT_OPERATOR
};

constexpr std::size_t OPERATOR_COUNT = sizeof operators / sizeof operators[0];

} // namespace

const FlatOperatorEntry* flatOperatorTable() {
    return operators;
}

std::size_t flatOperatorCount() {
    return OPERATOR_COUNT;
}

unsigned short FlatParseTable::getFunctionCount() const {
    return static_cast<unsigned short>(flatFunctionCount());
}

unsigned short FlatParseTable::getOperatorCount() const {
    return static_cast<unsigned short>(OPERATOR_COUNT);
}

const FlatOperatorEntry* FlatParseTable::getOpEntry() const {
    return operators;
}
