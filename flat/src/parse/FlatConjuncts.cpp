// Splitting a condition's op stream at its top-level ANDs.
#include "parse/FlatConjuncts.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "flat/FlatOpCode.h"

namespace {

struct Node {
    std::size_t start; // first byte of the node's subtree
    std::size_t end;   // byte after its op
    std::size_t left;  // for AND: the children's node indexes
    std::size_t right;
    bool isAnd;
};

VxStatus malformed() {
    addOdbcError(ODBC_S1000);
    return VX_ERROR;
}

void tablesOf(const unsigned char* ops, std::size_t from, std::size_t to, std::uint16_t* minTable,
              std::uint16_t* maxTable) {
    *minTable = 0;
    *maxTable = 0;
    for (const unsigned char* p = ops + from; p < ops + to; p = getNextOp(p)) {
        if (*p != FLAT_OP_FIELD)
            continue;
        std::uint32_t ref = 0;
        std::memcpy(&ref, p + 1, 4);
        std::uint16_t table = static_cast<std::uint16_t>(ref & 0xFFFF);
        if ((ref >> 16) != 0)
            continue;
        if (table > *maxTable)
            *maxTable = table;
        if (*minTable == 0 || table < *minTable)
            *minTable = table;
    }
}

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

} // namespace

VxStatus flatSplitConjuncts(const unsigned char* ops, std::size_t length,
                            FlatParseStack<FlatConjunct>* terms) {
    FlatParseStack<Node> nodes;
    FlatParseStack<std::size_t> stack;
    for (const unsigned char* p = ops; p < ops + length; p = getNextOp(p)) {
        if (!flatIsOpCode(*p))
            return malformed();
        long args = argumentsOf(p);
        if (args < 0)
            continue;
        if (stack.size() < static_cast<std::size_t>(args))
            return malformed();
        Node node{static_cast<std::size_t>(p - ops), static_cast<std::size_t>(getNextOp(p) - ops),
                  0, 0, *p == FLAT_OP_AND};
        for (long i = 0; i < args; ++i) {
            std::size_t child = stack.pop();
            if (nodes[child].start < node.start)
                node.start = nodes[child].start;
            if (i == 0)
                node.right = child;
            else
                node.left = child;
        }
        if (nodes.push(node) != VX_SUCCESS || stack.push(nodes.size() - 1) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (stack.size() != 1)
        return malformed();
    FlatParseStack<std::size_t> work;
    if (work.push(stack.top()) != VX_SUCCESS)
        return VX_ERROR;
    while (!work.isEmpty()) {
        const Node node = nodes[work.pop()];
        if (node.isAnd) {
            if (work.push(node.right) != VX_SUCCESS || work.push(node.left) != VX_SUCCESS)
                return VX_ERROR;
            continue;
        }
        FlatConjunct term{node.start, node.end - node.start, 0, 0};
        tablesOf(ops, node.start, node.end, &term.minTable, &term.maxTable);
        if (terms->push(term) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
