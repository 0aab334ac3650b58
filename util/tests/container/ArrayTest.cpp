// Arrays: growth and its limit, ownership, sorted insertion.
#include <gtest/gtest.h>

#include "util/VxArray.h"
#include "util/VxArrayPVoid.h"
#include "util/VxArrayS32.h"
#include "util/VxArrayU32.h"
#include "util/VxError.h"
#include "util/VxSortedArray.h"
#include "util/VxSortedArrayU32.h"
#include "util/ram.h"

namespace {

// An element that counts its deletions and orders by a key.
struct Item : VxObject {
    Item(int key, int tag, int* deaths) : key_(key), tag_(tag), deaths_(deaths) {}
    ~Item() override {
        if (deaths_)
            ++*deaths_;
    }
    short compare(const VxObject& other) const override {
        int k = static_cast<const Item&>(other).key_;
        return static_cast<short>(key_ < k ? -1 : key_ > k ? 1 : 0);
    }
    int key_;
    int tag_;
    int* deaths_;
};

int tagAt(const VxArray& array, std::uint16_t i) {
    return static_cast<Item*>(array.get(i))->tag_;
}

TEST(Array, GrowthClampsToTheLimitOnceThenFailsWith2722) {
    VxErrorList errors(nullptr, 1);
    VxErrorListScope scope(&errors);
    VxArrayU32 array;
    ASSERT_EQ(array.setInitialSize(15990), VX_SUCCESS);
    for (std::uint32_t i = 0; i < 15990; ++i)
        ASSERT_EQ(array.add(i), VX_SUCCESS);
    EXPECT_EQ(array.getCapacity(), 15990);
    ASSERT_EQ(array.add(15990u), VX_SUCCESS);
    EXPECT_EQ(array.getCapacity(), 16000);
    for (std::uint32_t i = 15991; i < 16000; ++i)
        ASSERT_EQ(array.add(i), VX_SUCCESS);
    EXPECT_EQ(errors.getCount(), 0u);
    EXPECT_EQ(array.add(16000u), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2722);
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(),
                 "Can not increase internal array size past 16000.");
    EXPECT_EQ(array.getCount(), 16000);
    EXPECT_EQ(array.get(15999), 15999u);
    EXPECT_EQ(array.setInitialSize(16001), VX_ERROR);
}

TEST(Array, GrowthStepAndDoublingLeaveNewSlotsNull) {
    VxArray stepped(5, false);
    Item a(1, 1, nullptr);
    ASSERT_EQ(stepped.add(&a), VX_SUCCESS);
    EXPECT_EQ(stepped.getCapacity(), 5);
    VxArray doubling(0, false);
    ASSERT_EQ(doubling.setInitialSize(3), VX_SUCCESS);
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(doubling.add(&a), VX_SUCCESS);
    EXPECT_EQ(doubling.getCapacity(), 6);
    EXPECT_EQ(doubling.get(4), nullptr);
    ASSERT_EQ(doubling.shrink(6), VX_SUCCESS);
    EXPECT_EQ(doubling.get(5), nullptr);
}

TEST(Array, InsertRemoveAndDeleteKeepOrderAndOwnership) {
    int deaths = 0;
    {
        VxArray array;
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(array.add(new Item(i, i, &deaths)), VX_SUCCESS);
        ASSERT_EQ(array.addAtIndex(new Item(9, 9, &deaths), 1), VX_SUCCESS);
        ASSERT_EQ(array.addAtIndex(new Item(7, 7, &deaths), 500), VX_SUCCESS);
        ASSERT_EQ(array.getCount(), 5);
        EXPECT_EQ(tagAt(array, 0), 0);
        EXPECT_EQ(tagAt(array, 1), 9);
        EXPECT_EQ(tagAt(array, 2), 1);
        EXPECT_EQ(tagAt(array, 4), 7);

        VxObject* removed = array.removeAtIndex(1);
        EXPECT_EQ(deaths, 0);
        EXPECT_FALSE(array.doesExist(removed));
        delete removed;
        array.deleteAtIndex(0);
        EXPECT_EQ(deaths, 2);
        EXPECT_EQ(tagAt(array, 0), 1);
        EXPECT_EQ(array.get(3), nullptr);
        EXPECT_EQ(array.removeAtIndex(3), nullptr);

        Item twin(1, 1, nullptr);
        EXPECT_FALSE(array.doesExist(&twin));
        EXPECT_TRUE(array.doesExist(array.get(2)));
    }
    EXPECT_EQ(deaths, 5);

    deaths = 0;
    Item kept(0, 0, &deaths);
    VxArray borrowed(16, false);
    ASSERT_EQ(borrowed.add(&kept), VX_SUCCESS);
    borrowed.deleteContents();
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(borrowed.getCount(), 0);
}

TEST(Array, NumberAndBlockVariants) {
    VxArrayS32 s;
    ASSERT_EQ(s.add(-5), VX_SUCCESS);
    ASSERT_EQ(s.addAtIndex(-2147483647 - 1, 0), VX_SUCCESS);
    EXPECT_EQ(s.get(0), -2147483647 - 1);
    EXPECT_EQ(s.get(1), -5);
    EXPECT_TRUE(s.doesExist(-5));

    VxArrayU32 u;
    ASSERT_EQ(u.add(0xFFFFFFFFu), VX_SUCCESS);
    EXPECT_EQ(u.removeAtIndex(0), 0xFFFFFFFFu);

    // Blocks are freed with ramFree (the sanitizer build checks the pairing).
    VxArrayPVoid blocks;
    ASSERT_EQ(blocks.add(ramAlloc(10)), VX_SUCCESS);
    ASSERT_EQ(blocks.add(ramAlloc(20)), VX_SUCCESS);
    blocks.deleteAtIndex(0);
    EXPECT_EQ(blocks.getCount(), 1);
}

TEST(Array, SpreadArrayCountsFilledSlots) {
    int deaths = 0;
    VxArray table(0, true);
    table.setSpread(true);
    ASSERT_EQ(table.setInitialSize(8), VX_SUCCESS);
    table.set(6, new Item(1, 1, &deaths));
    table.set(2, new Item(2, 2, &deaths));
    EXPECT_EQ(table.getCount(), 2);
    EXPECT_NE(table.get(6), nullptr);
    EXPECT_TRUE(table.doesExist(table.get(6)));
    table.deleteContents();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(table.getCount(), 0);
}

TEST(SortedArray, EqualElementsKeepInsertionOrderAndDuplicatesGo) {
    int deaths = 0;
    VxSortedArray array;
    ASSERT_EQ(array.add(new Item(5, 1, &deaths)), VX_SUCCESS);
    ASSERT_EQ(array.add(new Item(3, 2, &deaths)), VX_SUCCESS);
    ASSERT_EQ(array.add(new Item(5, 3, &deaths)), VX_SUCCESS);
    ASSERT_EQ(array.add(new Item(5, 4, &deaths)), VX_SUCCESS);
    ASSERT_EQ(array.add(new Item(9, 5, &deaths)), VX_SUCCESS);
    ASSERT_EQ(array.getCount(), 5);
    int expected[] = {2, 1, 3, 4, 5};
    for (std::uint16_t i = 0; i < 5; ++i)
        EXPECT_EQ(tagAt(array, i), expected[i]) << i;

    std::uint16_t pos = 0;
    EXPECT_TRUE(array.findIndexOf(Item(5, 0, nullptr), pos));
    EXPECT_EQ(pos, 1);
    EXPECT_FALSE(array.findIndexOf(Item(6, 0, nullptr), pos));
    EXPECT_EQ(pos, 4);
    EXPECT_FALSE(array.findIndexOf(Item(1, 0, nullptr), pos));
    EXPECT_EQ(pos, 0);
    EXPECT_FALSE(array.findIndexOf(Item(10, 0, nullptr), pos));
    EXPECT_EQ(pos, 5);
    EXPECT_TRUE(array.seqFindIndexOf(Item(9, 0, nullptr), pos));
    EXPECT_EQ(pos, 4);

    array.deleteDuplicates();
    ASSERT_EQ(array.getCount(), 3);
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(tagAt(array, 1), 1);
}

TEST(SortedArray, BulkLoadThenStableResort) {
    int deaths = 0;
    Item items[] = {
        {4, 1, &deaths}, {2, 2, &deaths}, {4, 3, &deaths}, {1, 4, &deaths}, {2, 5, &deaths}};
    VxSortedArray array(16, false);
    array.setUnsorted(true);
    for (Item& item : items)
        ASSERT_EQ(array.add(&item), VX_SUCCESS);
    EXPECT_EQ(tagAt(array, 0), 1);
    ASSERT_EQ(array.resort(), VX_SUCCESS);
    EXPECT_FALSE(array.isUnsorted());
    int expected[] = {4, 2, 5, 1, 3};
    for (std::uint16_t i = 0; i < 5; ++i)
        EXPECT_EQ(tagAt(array, i), expected[i]) << i;
    array.removeDuplicates();
    EXPECT_EQ(array.getCount(), 3);
    EXPECT_EQ(tagAt(array, 1), 2);
    EXPECT_EQ(deaths, 0);
}

TEST(SortedArray, NumbersSortUnsigned) {
    VxSortedArrayU32 array;
    for (std::uint32_t v : {7u, 0x80000000u, 3u, 7u, 1u, 0x80000000u})
        ASSERT_EQ(array.add(v), VX_SUCCESS);
    std::uint32_t expected[] = {1, 3, 7, 7, 0x80000000u, 0x80000000u};
    for (std::uint16_t i = 0; i < 6; ++i)
        EXPECT_EQ(array.get(i), expected[i]) << i;
    std::uint16_t pos = 0;
    EXPECT_TRUE(array.findIndexOf(7, pos));
    EXPECT_EQ(pos, 2);
    EXPECT_FALSE(array.findIndexOf(5, pos));
    EXPECT_EQ(pos, 2);
    array.removeDuplicates();
    EXPECT_EQ(array.getCount(), 4);

    VxSortedArrayU32 bulk;
    bulk.setUnsorted(true);
    for (std::uint32_t v : {9u, 2u, 5u})
        ASSERT_EQ(bulk.add(v), VX_SUCCESS);
    ASSERT_EQ(bulk.resort(), VX_SUCCESS);
    EXPECT_EQ(bulk.get(0), 2u);
    EXPECT_EQ(bulk.get(2), 9u);
}

} // namespace
