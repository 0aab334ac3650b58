// Hash and sequential dictionaries: sizing, probing, key rules.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "util/VxDictionary.h"
#include "util/VxError.h"
#include "util/VxSeqDictionary.h"
#include "util/VxString.h"

namespace {

struct Value : VxObject {
    Value(int v, int* deaths) : v_(v), deaths_(deaths) {}
    ~Value() override { ++*deaths_; }
    int v_;
    int* deaths_;
};

// Number keys that share a home slot in a table of `size` slots.
std::vector<std::uint32_t> collidingKeys(std::uint16_t size, std::size_t wanted) {
    std::vector<std::uint32_t> keys;
    std::uint16_t home = VxSet::homeSlot(1, size);
    for (std::uint32_t k = 1; keys.size() < wanted; ++k) {
        if (VxSet::homeSlot(k, size) == home)
            keys.push_back(k);
    }
    return keys;
}

TEST(Dictionary, SizingAndRebuildAfterTheLoadFactor) {
    VxDictionary dict;
    ASSERT_EQ(dict.initialize(10), VX_SUCCESS);
    EXPECT_EQ(dict.getTableSize(), 14);
    for (std::uint32_t k = 0; k < 10; ++k)
        ASSERT_EQ(dict.addAssoc(k * 7919u, k), VX_SUCCESS);
    EXPECT_EQ(dict.getTableSize(), 14);
    ASSERT_EQ(dict.addAssoc(424242u, 11u), VX_SUCCESS);
    EXPECT_EQ(dict.getTableSize(), 18);
    EXPECT_EQ(dict.getCount(), 11);
    for (std::uint32_t k = 0; k < 10; ++k)
        EXPECT_EQ(dict.getIntForKey(k * 7919u), k);
    EXPECT_EQ(dict.getIntForKey(424242u), 11u);
    EXPECT_EQ(dict.getIntForKey(5u), 0u);
    EXPECT_FALSE(dict.doesExist(5u));

    dict.reset();
    EXPECT_EQ(dict.getTableSize(), 0);
    EXPECT_EQ(dict.getCount(), 0);
    ASSERT_EQ(dict.addAssoc(1u, 2u), VX_SUCCESS);
    EXPECT_EQ(dict.getIntForKey(1u), 2u);
}

TEST(Dictionary, TableLimitFailsWith2722WithoutClamping) {
    VxErrorList errors(nullptr, 1);
    VxErrorListScope scope(&errors);
    VxDictionary dict;
    EXPECT_EQ(dict.initialize(12000), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2722);
    ASSERT_EQ(dict.initialize(11999), VX_SUCCESS);
    EXPECT_EQ(dict.getTableSize(), 15999);
    for (std::uint32_t k = 0; k < 11999; ++k)
        ASSERT_EQ(dict.addAssoc(k, k + 1), VX_SUCCESS);
    EXPECT_EQ(dict.addAssoc(99999u, 1u), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2722);
    EXPECT_EQ(dict.getCount(), 11999);
    EXPECT_FALSE(dict.doesExist(99999u));
    EXPECT_EQ(dict.getIntForKey(11998u), 11999u);
}

TEST(Dictionary, CollidingKeysProbeDownwardsAndSurviveRemoval) {
    VxDictionary dict;
    ASSERT_EQ(dict.initialize(10), VX_SUCCESS);
    std::vector<std::uint32_t> keys = collidingKeys(14, 5);
    for (std::uint32_t k : keys)
        ASSERT_EQ(dict.addAssoc(k, k * 2), VX_SUCCESS);
    std::uint16_t home = VxSet::homeSlot(keys[0], 14);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        std::uint16_t slot = static_cast<std::uint16_t>((home + 14 - i) % 14);
        auto* association = static_cast<VxAssociation*>(dict.getAtSlot(slot));
        ASSERT_NE(association, nullptr) << i;
        EXPECT_EQ(association->getIntKey(), keys[i]);
    }
    // Removing from the middle of the chain must not cut off the rest.
    VxAssociation* removed = dict.removeAssoc(keys[1]);
    ASSERT_NE(removed, nullptr);
    delete removed;
    EXPECT_EQ(dict.removeAssoc(keys[1]), nullptr);
    EXPECT_FALSE(dict.doesExist(keys[1]));
    for (std::size_t i : {0, 2, 3, 4})
        EXPECT_EQ(dict.getIntForKey(keys[i]), keys[i] * 2) << i;
    EXPECT_EQ(dict.getCount(), 4);
}

TEST(Dictionary, TextKeysFollowTheCaseFlag) {
    int deaths = 0;
    VxSubString upper("NAME");
    VxSubString lower("name");
    VxSubString other("Other");
    VxDictionary exact;
    ASSERT_EQ(exact.addAssoc(&upper, new Value(1, &deaths)), VX_SUCCESS);
    EXPECT_TRUE(exact.doesExist(upper));
    EXPECT_FALSE(exact.doesExist(lower));
    ASSERT_EQ(exact.addAssoc(&lower, new Value(2, &deaths)), VX_SUCCESS);
    EXPECT_EQ(static_cast<Value*>(exact.getPtrForKey(lower))->v_, 2);
    EXPECT_EQ(static_cast<Value*>(exact.getPtrForKey(upper))->v_, 1);
    EXPECT_EQ(exact.getPtrForKey(other), nullptr);

    VxDictionary folded(true);
    ASSERT_EQ(folded.addAssoc(&upper, new Value(3, &deaths)), VX_SUCCESS);
    EXPECT_TRUE(folded.doesExist(lower));
    EXPECT_EQ(static_cast<Value*>(folded.getPtrForKey(VxSubString("nAmE")))->v_, 3);
    EXPECT_FALSE(folded.doesExist(VxSubString("NAMES")));
    // A number key never matches a text key, whatever their hashes.
    EXPECT_FALSE(folded.doesExist(static_cast<std::uint32_t>(upper.hash())));

    VxAssociation* removed = exact.removeAssoc(lower);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(exact.getCount(), 1);
    EXPECT_TRUE(exact.doesExist(upper));
    delete removed->getPtrData();
    delete removed;
    delete exact.getPtrForKey(upper);
    delete folded.getPtrForKey(upper);
    EXPECT_EQ(deaths, 3);
}

TEST(Dictionary, DeleteKeyAndDataDeletesEverything) {
    int deaths = 0;
    VxDictionary dict;
    for (int i = 0; i < 30; ++i) {
        auto* key = new VxString;
        ASSERT_EQ(key->initialize("key"), VX_SUCCESS);
        ASSERT_EQ(key->concat(static_cast<long>(i)), VX_SUCCESS);
        ASSERT_EQ(dict.addAssoc(key, new Value(i, &deaths)), VX_SUCCESS);
    }
    ASSERT_EQ(dict.addAssoc(7u, new Value(99, &deaths)), VX_SUCCESS);
    EXPECT_EQ(static_cast<Value*>(dict.getPtrForKey(VxSubString("key17")))->v_, 17);
    EXPECT_EQ(static_cast<Value*>(dict.getPtrForKey(7u))->v_, 99);
    EXPECT_EQ(dict.getHighestCount(), 31);
    dict.deleteKeyAndData();
    EXPECT_EQ(deaths, 31);
    EXPECT_EQ(dict.getCount(), 0);
    EXPECT_FALSE(dict.doesExist(7u));
}

TEST(Dictionary, RandomOperationsAgreeWithStdMap) {
    std::mt19937 random(12345);
    VxDictionary dict;
    std::map<std::uint32_t, std::uint32_t> model;
    for (int step = 0; step < 20000; ++step) {
        std::uint32_t key = random() % 3000;
        switch (random() % 3) {
        case 0:
            if (!dict.doesExist(key)) {
                std::uint32_t value = random();
                ASSERT_EQ(dict.addAssoc(key, value), VX_SUCCESS);
                model[key] = value;
            }
            break;
        case 1: {
            VxAssociation* removed = dict.removeAssoc(key);
            EXPECT_EQ(removed != nullptr, model.erase(key) == 1) << step;
            delete removed;
            break;
        }
        default:
            auto it = model.find(key);
            ASSERT_EQ(dict.doesExist(key), it != model.end()) << step;
            if (it != model.end()) {
                ASSERT_EQ(dict.getIntForKey(key), it->second) << step;
            }
        }
        ASSERT_EQ(dict.getCount(), model.size());
    }
    for (const auto& [key, value] : model)
        EXPECT_EQ(dict.getIntForKey(key), value);
}

TEST(SeqDictionary, InsertionOrderAndTheCaseRule) {
    int deaths = 0;
    VxSeqDictionary seq;
    auto* alpha = new VxString;
    ASSERT_EQ(alpha->initialize("Alpha"), VX_SUCCESS);
    ASSERT_EQ(seq.addAssoc(30u, 300u), VX_SUCCESS);
    ASSERT_EQ(seq.addAssoc(alpha, new Value(1, &deaths)), VX_SUCCESS);
    ASSERT_EQ(seq.addAssoc(10u, new Value(2, &deaths)), VX_SUCCESS);

    EXPECT_EQ(seq.getIntKeyAtIndex(0), 30u);
    EXPECT_EQ(seq.getIntDataAtIndex(0), 300u);
    EXPECT_EQ(seq.getSubKeyAtIndex(1), alpha);
    EXPECT_EQ(seq.getIndexForKey(10u), 2);
    EXPECT_EQ(seq.getIndexForKey(11u), 3);
    EXPECT_EQ(seq.getIndexForKey(VxSubString("ALPHA")), 3);
    seq.setCaseInsensitive(true);
    EXPECT_EQ(seq.getIndexForKey(VxSubString("ALPHA")), 1);

    EXPECT_TRUE(seq.changeData(30u, 301u));
    EXPECT_EQ(seq.getIntForKey(30u), 301u);
    EXPECT_FALSE(seq.changeData(31u, 1u));
    EXPECT_EQ(static_cast<Value*>(seq.getPtrForKey(10u))->v_, 2);

    seq.deleteKeyAndDataAtIndex(1);
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(seq.getCount(), 2);
    EXPECT_EQ(seq.getIndexForKey(10u), 1);
    seq.deleteKeyAndData();
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(seq.getCount(), 0);
}

} // namespace
