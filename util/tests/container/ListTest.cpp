// The circular list: positions and the iteration cursor.
#include <gtest/gtest.h>

#include "util/VxList.h"

namespace {

struct Node : VxNode {
    explicit Node(int v) : v_(v) {}
    int v_;
};

int at(const VxList& list, std::uint32_t pos) {
    return static_cast<Node*>(list.getNodeAtPos(pos))->v_;
}

TEST(List, PositionsFromTheFront) {
    VxList list;
    list.append(new Node(2));
    list.insert(new Node(1));
    list.insertAtPos(new Node(4), list.getCount());
    list.insertAtPos(new Node(3), 2);
    list.insertAtPos(new Node(0), 0);
    ASSERT_EQ(list.getCount(), 5u);
    for (std::uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(at(list, i), static_cast<int>(i));
    EXPECT_EQ(list.getNodeAtPos(0), list.head());
    EXPECT_EQ(list.getNodeAtPos(5), nullptr);
    EXPECT_EQ(static_cast<Node*>(list.getLastNode())->v_, 4);

    list.moveLastNodeToPos(1);
    EXPECT_EQ(at(list, 1), 4);
    EXPECT_EQ(static_cast<Node*>(list.getLastNode())->v_, 3);
    delete list.removeLastNode();
    delete list.removeFirstNode();
    EXPECT_EQ(list.getCount(), 3u);
    EXPECT_EQ(at(list, 0), 4);
}

TEST(List, CursorWalksOnceAndSurvivesUnlinking) {
    VxList list;
    for (int i = 0; i < 4; ++i)
        list.append(new Node(i));
    int seen = 0;
    for (VxNode* n = list.getFirstNode(); n; n = list.getNextNode())
        seen += static_cast<Node*>(n)->v_ + 1;
    EXPECT_EQ(seen, 10);
    EXPECT_EQ(list.getNextNode(), nullptr);

    // Removing the node under the cursor while walking must not loop back
    // to the front nor skip the rest.
    int visits = 0;
    for (VxNode* n = list.getFirstNode(); n && visits < 10; ++visits) {
        VxNode* next = list.getNextNode();
        if (static_cast<Node*>(n)->v_ % 2 == 0) {
            list.unlink(n);
            delete n;
        }
        n = next;
    }
    EXPECT_EQ(visits, 4);
    EXPECT_EQ(list.getCount(), 2u);
    EXPECT_EQ(at(list, 0), 1);
    EXPECT_EQ(at(list, 1), 3);

    VxNode* last = list.getLastNode();
    list.getFirstNode();
    list.getNextNode();
    list.unlink(last);
    delete last;
    EXPECT_EQ(list.getCount(), 1u);
    list.deleteNodes();
    EXPECT_EQ(list.getCount(), 0u);
    EXPECT_EQ(list.getFirstNode(), nullptr);
}

} // namespace
