// VxPTree: a positional B-tree. Entries carry only data and are addressed by
// their ordinal position (0 is the first; the count appends); inserting or
// deleting shifts the positions of the entries behind. Every node counts the
// live entries under each of its children, so a position is found in one
// descent. Walks (getFirst, getNext, ...) go in position order with an empty
// key; the keyed operations of VxTree do not apply.
#pragma once

#include "util/VxTree.h"

class VX_EXPORT VxPTree : public VxTree {
public:
    explicit VxPTree(std::uint16_t dataLength);
    ~VxPTree() override;

    // A position past the count appends.
    VxStatus addAtPos(std::uint32_t position, const void* data);
    // Inserts an entry of zero bytes.
    VxStatus addHoleAtPos(std::uint32_t position);
    VxStatus deleteKeyAtPos(std::uint32_t position, bool* found);
    VxStatus getDataAtPos(std::uint32_t position, void* data, bool* found);
    VxStatus changeDataAtPos(std::uint32_t position, const void* data, bool* found);

private:
    VxStatus pathForInsert(std::uint32_t position, VxTreeIterator& path);
    VxStatus pathToEntry(std::uint32_t position, VxTreeIterator& path, bool* found);
};
