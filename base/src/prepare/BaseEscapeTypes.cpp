#include "base/BaseEscapeTypes.h"

#include <cstring>

#include "util/str.h"

namespace {

const char* const FUNCTION_NAMES[ESCAPE_FN_COUNT + 1] = {
    nullptr,
#define BASE_ESCAPE_FUNCTION(number, name) #name,
#include "base/BaseEscapeFunctions.def"
#undef BASE_ESCAPE_FUNCTION
};

constexpr std::uint32_t CONN_HANDLES_CALL_ESCAPE = 1u << 19;
constexpr std::uint32_t CONN_FULL_OUTER_JOINS = 1u << 23;
constexpr std::uint32_t WA_FIRST_OUTER_JOIN_ONLY = 1u << 18;

} // namespace

BaseEscapeOptions BaseEscapeOptions::fromConnection(std::uint32_t connectionFlags,
                                                    std::uint32_t workArounds) {
    BaseEscapeOptions options;
    options.driverHandlesReturnValue = (connectionFlags & CONN_HANDLES_CALL_ESCAPE) != 0;
    options.fullOuterJoins = (connectionFlags & CONN_FULL_OUTER_JOINS) != 0;
    options.firstOuterJoinOnly = (workArounds & WA_FIRST_OUTER_JOIN_ONLY) != 0;
    return options;
}

const char* baseEscapeFunctionName(EscapeFunctionType function) {
    if (function < 1 || function > ESCAPE_FN_COUNT)
        return nullptr;
    return FUNCTION_NAMES[function];
}

EscapeFunctionType baseFindEscapeFunction(const char* name, std::size_t length) {
    for (int number = 1; number <= ESCAPE_FN_COUNT; ++number) {
        const char* candidate = FUNCTION_NAMES[number];
        if (strEqualCi(candidate, std::strlen(candidate), name, length))
            return static_cast<EscapeFunctionType>(number);
    }
    return ESCAPE_FN_NONE;
}
