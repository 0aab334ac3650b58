// VxList: a circular singly linked list of VxNode.
//
// The list keeps its tail (whose successor is the head), a 32-bit count and
// one iteration cursor. A node belongs to at most one list at a time; the
// list owns its nodes only as far as deleteNodes and its destructor go:
// both delete every node still linked.
#pragma once

#include <cstdint>

#include "util/VxObject.h"

class VX_EXPORT VxList : public VxObject {
public:
    VxList() = default;
    VxList(const VxList&) = delete;
    VxList& operator=(const VxList&) = delete;
    ~VxList() override;

    std::uint32_t getCount() const { return count_; }
    bool isEmpty() const { return count_ == 0; }

    void insert(VxNode* node);                         // at the front
    void append(VxNode* node);                         // at the back
    void insertAtPos(VxNode* node, std::uint32_t pos); // 0 = front, count = back
    void unlink(VxNode* node);                         // clears the cursor if on it
    virtual void deleteNodes();                        // deletes every node

    VxNode* getFirstNode(); // also starts the cursor
    VxNode* getNextNode();  // null after the last
    VxNode* getLastNode() const { return tail_; }
    VxNode* getNodeAtPos(std::uint32_t pos) const; // from the front; null past the end
    VxNode* removeFirstNode();                     // null when empty
    VxNode* removeLastNode();                      // null when empty
    void moveLastNodeToPos(std::uint32_t pos);

    VxNode* head() const { return tail_ ? tail_->next_ : nullptr; }

private:
    VxNode* tail_ = nullptr;
    std::uint32_t count_ = 0;
    VxNode* cursor_ = nullptr;
    bool cursorStarted_ = false;
};
