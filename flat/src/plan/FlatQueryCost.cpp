// Selectivity divisors of filters: how many times fewer rows a condition
// is expected to let through.
#include "flat/FlatQueryCost.h"

#include <cstring>
#include <vector>

#include "flat/FlatOpCode.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatResultSet.h"

namespace {

// Number of values op `p` takes from the stream; -1 for a marker.
long argumentsOf(const unsigned char* p) {
    int count = flatOpArgCount(*p);
    if (count == FLAT_ARGS_FROM_BYTE)
        return p[1];
    if (count == FLAT_ARGS_FROM_LIST) {
        std::uint16_t n = 0;
        std::memcpy(&n, p + 1, 2);
        return n;
    }
    if (count == FLAT_ARGS_MARKER)
        return -1;
    return count;
}

// One value of the postfix walk: its divisor and, for an OR, the divisors
// of its terms (nested ORs flattened).
struct Node {
    std::uint32_t divisor = 1;
    std::vector<std::uint32_t> orTerms;
};

} // namespace

std::uint32_t flatComparisonFactor(std::uint8_t opcode) {
    switch (opcode) {
    case FLAT_OP_GT:
    case FLAT_OP_GE:
    case FLAT_OP_LT:
    case FLAT_OP_LE:
        return 2;
    case FLAT_OP_EQ:
        return 20;
    case FLAT_OP_LIKE:
        return 10;
    case FLAT_OP_BETWEEN:
        return 4;
    default:
        return 1;
    }
}

std::uint32_t flatAndDivisor(std::uint32_t a, std::uint32_t b) {
    std::uint64_t product = static_cast<std::uint64_t>(a ? a : 1) * (b ? b : 1);
    return product > FLAT_MAX_DIVISOR ? FLAT_MAX_DIVISOR : static_cast<std::uint32_t>(product);
}

std::uint32_t flatOrDivisor(const std::uint32_t* divisors, std::size_t count) {
    std::uint32_t r = FLAT_MAX_DIVISOR + 1;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t d = divisors[i];
        if (d == 0)
            d = 1;
        if (d > FLAT_MAX_DIVISOR)
            d = FLAT_MAX_DIVISOR;
        r = FLAT_MAX_DIVISOR / (FLAT_MAX_DIVISOR / d + FLAT_MAX_DIVISOR / r);
        if (r < 2)
            r = 2;
    }
    return r;
}

std::uint32_t flatFilterDivisor(const unsigned char* ops, std::size_t length) {
    std::vector<Node> stack;
    for (const unsigned char* p = ops; p < ops + length; p = getNextOp(p)) {
        if (!flatIsOpCode(*p))
            return 1;
        long args = argumentsOf(p);
        // An outer-join marker in front of a comparison is skipped.
        if (args < 0)
            continue;
        if (stack.size() < static_cast<std::size_t>(args))
            return 1;
        Node node;
        if (*p == FLAT_OP_AND && args == 2) {
            node.divisor = flatAndDivisor(stack[stack.size() - 2].divisor, stack.back().divisor);
        } else if (*p == FLAT_OP_OR && args == 2) {
            for (std::size_t i = stack.size() - 2; i < stack.size(); ++i) {
                if (stack[i].orTerms.empty())
                    node.orTerms.push_back(stack[i].divisor);
                else
                    node.orTerms.insert(node.orTerms.end(), stack[i].orTerms.begin(),
                                        stack[i].orTerms.end());
            }
            node.divisor = flatOrDivisor(node.orTerms.data(), node.orTerms.size());
        } else {
            node.divisor = flatComparisonFactor(*p);
        }
        stack.resize(stack.size() - static_cast<std::size_t>(args));
        stack.push_back(std::move(node));
    }
    if (stack.size() != 1 || stack.back().divisor == 0)
        return 1;
    return stack.back().divisor;
}

std::uint32_t flatConditionListDivisor(const FlatConditionList& list) {
    std::uint32_t divisor = 1;
    for (std::size_t i = 0; i < list.getCount(); ++i) {
        const FlatOpStream* condition = list.get(i);
        divisor =
            flatAndDivisor(divisor, flatFilterDivisor(condition->getOps(), condition->getLength()));
    }
    return divisor;
}

std::uint32_t flatDividedRows(std::uint32_t rows, std::uint32_t divisor) {
    std::uint32_t result = rows / (divisor ? divisor : 1);
    return result ? result : 1;
}

std::uint32_t flatGroupedRows(std::uint32_t rows, std::uint16_t keys) {
    if (rows <= 5)
        return rows;
    std::uint32_t counted = keys > 17 ? 17 : keys;
    std::uint32_t result = rows / (21 - counted);
    return result < 5 ? 5 : result;
}
