// VxObject, root of every element the containers hold, and VxNode, the
// element of a VxList.
//
// Objects of these classes live in memory from ramAlloc: `new` returns null
// when memory runs out (the allocator has then recorded the error), and a
// container that owns its elements deletes them through the virtual
// destructor.
#pragma once

#include <cstddef>

#include "util/VxExport.h"

class VX_EXPORT VxObject {
public:
    VxObject() = default;
    VxObject(const VxObject&) = default;
    VxObject& operator=(const VxObject&) = default;
    virtual ~VxObject();

    // Signed order of this object against another; the root says "equal".
    virtual short compare(const VxObject& other) const;

    static void* operator new(std::size_t size) noexcept;
    static void* operator new(std::size_t size, void* where) noexcept { return (void)size, where; }
    static void operator delete(void* block) noexcept;
    static void operator delete(void* block, void* where) noexcept { (void)block, (void)where; }
};

class VX_EXPORT VxNode : public VxObject {
public:
    VxNode() = default;
    VxNode(const VxNode&) = delete;
    VxNode& operator=(const VxNode&) = delete;
    ~VxNode() override;

    VxNode* next() const { return next_; }

private:
    friend class VxList;
    VxNode* next_ = nullptr;
};
