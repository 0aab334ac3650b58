#include "util/VxList.h"

VxList::~VxList() {
    deleteNodes();
}

void VxList::insert(VxNode* node) {
    if (!tail_) {
        node->next_ = node;
        tail_ = node;
    } else {
        node->next_ = tail_->next_;
        tail_->next_ = node;
    }
    ++count_;
}

void VxList::append(VxNode* node) {
    insert(node);
    tail_ = node;
}

void VxList::insertAtPos(VxNode* node, std::uint32_t pos) {
    if (pos == 0 || !tail_) {
        insert(node);
        return;
    }
    if (pos >= count_) {
        append(node);
        return;
    }
    VxNode* before = getNodeAtPos(pos - 1);
    node->next_ = before->next_;
    before->next_ = node;
    ++count_;
}

void VxList::unlink(VxNode* node) {
    if (!tail_)
        return;
    VxNode* prev = tail_;
    for (std::uint32_t i = 0; i < count_; ++i) {
        VxNode* cur = prev->next_;
        if (cur == node) {
            if (count_ == 1) {
                tail_ = nullptr;
            } else {
                prev->next_ = cur->next_;
                if (tail_ == cur)
                    tail_ = prev;
            }
            cur->next_ = nullptr;
            --count_;
            if (cursor_ == cur) {
                cursor_ = nullptr;
                cursorStarted_ = false;
            }
            return;
        }
        prev = cur;
    }
}

void VxList::deleteNodes() {
    while (VxNode* node = removeFirstNode())
        delete node;
    cursor_ = nullptr;
    cursorStarted_ = false;
}

VxNode* VxList::getFirstNode() {
    cursor_ = head();
    cursorStarted_ = true;
    return cursor_;
}

VxNode* VxList::getNextNode() {
    if (!cursorStarted_)
        return getFirstNode();
    if (!cursor_ || cursor_ == tail_) {
        cursor_ = nullptr;
        return nullptr;
    }
    cursor_ = cursor_->next_;
    return cursor_;
}

VxNode* VxList::getNodeAtPos(std::uint32_t pos) const {
    if (pos >= count_)
        return nullptr;
    VxNode* node = head();
    while (pos--)
        node = node->next_;
    return node;
}

VxNode* VxList::removeFirstNode() {
    VxNode* first = head();
    if (first)
        unlink(first);
    return first;
}

VxNode* VxList::removeLastNode() {
    VxNode* last = tail_;
    if (last)
        unlink(last);
    return last;
}

void VxList::moveLastNodeToPos(std::uint32_t pos) {
    if (count_ < 2 || pos >= count_ - 1)
        return;
    VxNode* last = removeLastNode();
    insertAtPos(last, pos);
}
