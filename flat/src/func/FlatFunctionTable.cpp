// The scalar-function table and its lookups.
#include "flat/FlatFunctionTable.h"

#include <cstring>

#include "util/str.h"

namespace {

constexpr FlatFunctionEntry functions[] = {
#define FLAT_FUNCTION(name, opcode, type, signature, length)                                       \
    {name, opcode, type, signature, length},
#include "flat/FlatFunctions.def"
#undef FLAT_FUNCTION
};

constexpr std::size_t FUNCTION_COUNT = sizeof functions / sizeof functions[0];

} // namespace

std::size_t flatFunctionCount() {
    return FUNCTION_COUNT;
}

const FlatFunctionEntry* flatGetFunction(std::size_t index) {
    return index < FUNCTION_COUNT ? &functions[index] : nullptr;
}

const FlatFunctionEntry* flatFindFunction(const char* name, std::size_t length) {
    for (const FlatFunctionEntry& entry : functions) {
        if (strEqualCi(entry.name, std::strlen(entry.name), name, length))
            return &entry;
    }
    return nullptr;
}

unsigned flatRequiredArguments(const FlatFunctionEntry& entry) {
    unsigned count = 0;
    for (const char* p = entry.signature; *p && *p != 'O'; ++p)
        ++count;
    return count;
}

unsigned flatTotalArguments(const FlatFunctionEntry& entry) {
    unsigned count = 0;
    for (const char* p = entry.signature; *p; ++p)
        count += *p != 'O';
    return count;
}

char flatArgumentLetter(const FlatFunctionEntry& entry, unsigned index) {
    for (const char* p = entry.signature; *p; ++p) {
        if (*p == 'O')
            continue;
        if (index-- == 0)
            return *p;
    }
    return 0;
}

bool flatTypeFitsLetter(char letter, short type) {
    if (type == FLAT_TYPE_ANY || type == FLAT_TYPE_PARAM)
        return true;
    switch (letter) {
    case 'C':
        return flatIsStringType(type);
    case 'N':
        return flatIsNumberType(type);
    case 'D':
        return flatIsDateType(type);
    case 'L':
        return type == FLAT_TYPE_BIT;
    case 'A':
        return true;
    default:
        return false;
    }
}
