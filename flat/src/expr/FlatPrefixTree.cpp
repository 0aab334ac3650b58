// Conversion of postfix op streams into prefix trees.
//
// One pass over the ops builds a node record per op (its children are the
// nodes it pops from a node stack, in order); sizes and depths follow
// because children always precede their parent. A second pass writes the
// nodes in prefix order from a work list.
#include "expr/FlatPrefixTree.h"

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "util/ram.h"

namespace {

struct Node {
    std::uint32_t opOffset;
    std::uint32_t opBytes;    // opcode and operands
    std::uint32_t firstChild; // index into the child list
    std::uint32_t childCount;
    std::uint32_t size;
    std::uint32_t depth;
};

struct Work {
    Node* nodes = nullptr;
    std::uint32_t* children = nullptr;
    std::uint32_t* stack = nullptr;
    ~Work() {
        ramFree(nodes);
        ramFree(children);
        ramFree(stack);
    }
};

VxStatus malformed() {
    addOdbcError(ODBC_S1000);
    return VX_ERROR;
}

// Number of ops, checking that every op is known and ends inside the stream.
VxStatus countOps(const unsigned char* ops, std::size_t length, std::size_t* count) {
    std::size_t n = 0;
    std::size_t pos = 0;
    while (pos < length) {
        std::uint8_t opcode = ops[pos];
        if (!flatIsOpCode(opcode))
            return malformed();
        int operandBytes = flatOpOperandBytes(opcode);
        std::size_t next = pos + 1 + static_cast<std::size_t>(operandBytes > 0 ? operandBytes : 0);
        if (operandBytes == FLAT_OPERAND_TEXT) {
            const void* zero = std::memchr(ops + pos + 1, 0, length - pos - 1);
            if (!zero)
                return malformed();
            next = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - ops) + 1;
        }
        if (next > length)
            return malformed();
        pos = next;
        if (++n > FLAT_MAX_OPS) {
            addFlatError(FLAT_MSG_STACK_OVERFLOW);
            return VX_ERROR;
        }
    }
    *count = n;
    return n ? VX_SUCCESS : malformed();
}

std::uint32_t argumentCount(const unsigned char* op) {
    int args = flatOpArgCount(op[0]);
    if (args == FLAT_ARGS_FROM_BYTE)
        return op[1];
    if (args == FLAT_ARGS_FROM_LIST) {
        std::uint16_t count = 0;
        std::memcpy(&count, op + 1, 2);
        return count;
    }
    return static_cast<std::uint32_t>(args);
}

// Writes the tree below `root` into `out`. Every node's place follows from
// its parent's place and its elder siblings' sizes, so nodes are written
// from a work list in any order, without recursion.
VxStatus writeTree(const Work& work, const unsigned char* ops, std::uint32_t root,
                   std::uint32_t nodeCount, unsigned char* out) {
    struct Pending {
        std::uint32_t node;
        std::uint32_t offset;
    };
    Pending* pending = static_cast<Pending*>(ramAlloc(nodeCount * sizeof(Pending)));
    if (!pending)
        return VX_ERROR;
    std::uint32_t count = 0;
    pending[count++] = {root, 0};
    while (count > 0) {
        Pending item = pending[--count];
        const Node& node = work.nodes[item.node];
        unsigned char* at = out + item.offset;
        std::uint16_t size = static_cast<std::uint16_t>(node.size);
        std::memcpy(at, &size, 2);
        std::memcpy(at + 2, ops + node.opOffset, node.opBytes);
        std::uint32_t offset = item.offset + 2 + node.opBytes;
        for (std::uint32_t i = 0; i < node.childCount; ++i) {
            std::uint32_t child = work.children[node.firstChild + i];
            pending[count++] = {child, offset};
            offset += work.nodes[child].size;
        }
    }
    ramFree(pending);
    return VX_SUCCESS;
}

} // namespace

const unsigned char* flatNodeFirstChild(const unsigned char* node) {
    const unsigned char* op = node + 2;
    return getNextOp(op);
}

unsigned flatNodeChildCount(const unsigned char* node) {
    return argumentCount(node + 2);
}

VxStatus flatBuildPrefixTree(const unsigned char* ops, std::size_t length, unsigned char** tree,
                             std::size_t* treeLength) {
    std::size_t count = 0;
    if (countOps(ops, length, &count) != VX_SUCCESS)
        return VX_ERROR;
    Work work;
    work.nodes = static_cast<Node*>(ramAlloc(count * sizeof(Node)));
    work.children = static_cast<std::uint32_t*>(ramAlloc(count * sizeof(std::uint32_t)));
    work.stack = static_cast<std::uint32_t*>(ramAlloc(count * sizeof(std::uint32_t)));
    if (!work.nodes || !work.children || !work.stack)
        return VX_ERROR;
    std::uint32_t nodeCount = 0;
    std::uint32_t childCount = 0;
    std::uint32_t depth = 0; // entries on the node stack
    for (const unsigned char* op = ops; op < ops + length; op = getNextOp(op)) {
        if (flatOpArgCount(op[0]) == FLAT_ARGS_MARKER)
            continue;
        std::uint32_t args = argumentCount(op);
        if (args > depth)
            return malformed();
        Node& node = work.nodes[nodeCount];
        node.opOffset = static_cast<std::uint32_t>(op - ops);
        node.opBytes = static_cast<std::uint32_t>(getNextOp(op) - op);
        node.firstChild = childCount;
        node.childCount = args;
        node.size = 2 + node.opBytes;
        node.depth = 1;
        // The left operand of an AND or OR that continues a chain of the
        // same operator is evaluated without recursion.
        bool chain = false;
        if ((op[0] == FLAT_OP_AND || op[0] == FLAT_OP_OR) && args == 2)
            chain = ops[work.nodes[work.stack[depth - 2]].opOffset] == op[0];
        for (std::uint32_t i = depth - args; i < depth; ++i) {
            const Node& child = work.nodes[work.stack[i]];
            work.children[childCount++] = work.stack[i];
            node.size += child.size;
            std::uint32_t childDepth = child.depth + (chain && i == depth - 2 ? 0 : 1);
            if (childDepth > node.depth)
                node.depth = childDepth;
        }
        depth -= args;
        if (node.size > FLAT_MAX_TREE_BYTES || node.depth > FLAT_MAX_TREE_DEPTH) {
            addFlatError(FLAT_MSG_STACK_OVERFLOW);
            return VX_ERROR;
        }
        work.stack[depth++] = nodeCount++;
    }
    if (depth != 1)
        return malformed();
    std::uint32_t root = work.stack[0];
    unsigned char* out = static_cast<unsigned char*>(ramAlloc(work.nodes[root].size));
    if (!out)
        return VX_ERROR;
    if (writeTree(work, ops, root, nodeCount, out) != VX_SUCCESS) {
        ramFree(out);
        return VX_ERROR;
    }
    *tree = out;
    *treeLength = work.nodes[root].size;
    return VX_SUCCESS;
}
