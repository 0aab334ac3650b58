#include "util/VxObject.h"

#include "util/ram.h"

VxObject::~VxObject() = default;

short VxObject::compare(const VxObject&) const {
    return 0;
}

void* VxObject::operator new(std::size_t size) noexcept {
    return ramAlloc(size);
}

void VxObject::operator delete(void* block) noexcept {
    ramFree(block);
}

VxNode::~VxNode() = default;
