// The prefix form of an op stream, as the evaluator walks it.
//
// Every node is written as
//
//     +--------+--------+----------------+---------+-----+---------+
//     | length (16-bit) | opcode | operands       | child 1 | ... | child n |
//     +--------+--------+----------------+---------+-----+---------+
//
// where length counts the whole node, its children included, so that a
// child that is not evaluated can be stepped over. Outer-join markers are
// left out (they only guide the planner); a list marker (ANY/ALL) becomes
// a node whose children are the list's values, the right operand of the
// comparison that follows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "flat/FlatOpCode.h"
#include "util/VxStatus.h"

// Limits of the conversion.
constexpr std::size_t FLAT_MAX_OPS = 16384;
constexpr std::size_t FLAT_MAX_TREE_BYTES = 65535;
// Nesting depth of the tree; deeper expressions are refused (3946) so
// that the recursive evaluator stays within a thread's stack.
constexpr std::size_t FLAT_MAX_TREE_DEPTH = 1000;

inline std::uint16_t flatNodeLength(const unsigned char* node) {
    std::uint16_t length = 0;
    std::memcpy(&length, node, 2);
    return length;
}
inline std::uint8_t flatNodeOp(const unsigned char* node) {
    return node[2];
}
inline const unsigned char* flatNodeOperands(const unsigned char* node) {
    return node + 3;
}
inline const unsigned char* flatNodeNext(const unsigned char* node) {
    return node + flatNodeLength(node);
}
// The two numbers a field node (table, field) or an aggregate node (group,
// column) names: a u32 and a u16.
inline void flatNodeFieldRef(const unsigned char* node, std::uint32_t* table,
                             std::uint16_t* field) {
    std::memcpy(table, flatNodeOperands(node), sizeof *table);
    std::memcpy(field, flatNodeOperands(node) + 4, sizeof *field);
}
// The first child (or the end of the node when it has none).
const unsigned char* flatNodeFirstChild(const unsigned char* node);
// Number of children.
unsigned flatNodeChildCount(const unsigned char* node);

// Converts `length` bytes of postfix ops into a prefix tree in a new block
// (ramAlloc) stored in *tree with its size in *treeLength. Raises 3946
// beyond the limits and a general error for a malformed stream.
[[nodiscard]] VxStatus flatBuildPrefixTree(const unsigned char* ops, std::size_t length,
                                           unsigned char** tree, std::size_t* treeLength);
