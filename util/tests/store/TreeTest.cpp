// VxTree and VxPTree against standard-library models: random inserts,
// duplicates, deletes and walks over tens of thousands of entries, node
// splits, keys at their size limit, and positional trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <strings.h>
#include <utility>
#include <vector>

#include "util/VxError.h"
#include "util/VxPTree.h"
#include "util/VxTree.h"

namespace {

struct TreeTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    void SetUp() override { VxErrorKeeper::setErrorList(&list); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }
};

using Model = std::multimap<std::uint32_t, std::uint32_t>;
using Pairs = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

Pairs walkForward(VxTree& tree) {
    Pairs out;
    std::uint32_t key = 0;
    std::uint32_t data = 0;
    bool found = false;
    VxTreeIterator it;
    it.initialize(&tree);
    EXPECT_EQ(tree.getFirst(&key, &data, &found, &it), VX_SUCCESS);
    while (found) {
        out.emplace_back(key, data);
        EXPECT_EQ(tree.getNext(&key, &data, &found, &it), VX_SUCCESS);
    }
    return out;
}

Pairs walkBackward(VxTree& tree) {
    Pairs out;
    std::uint32_t key = 0;
    std::uint32_t data = 0;
    bool found = false;
    EXPECT_EQ(tree.getLast(&key, &data, &found), VX_SUCCESS);
    while (found) {
        out.emplace_back(key, data);
        EXPECT_EQ(tree.getPrevious(&key, &data, &found), VX_SUCCESS);
    }
    std::reverse(out.begin(), out.end());
    return out;
}

// From the first entry of `key` (found with getData), `steps` entries forward
// and `steps` backward, compared with the model.
void checkRangeAround(VxTree& tree, const Model& model, std::uint32_t key, int steps) {
    VxTreeIterator it;
    it.initialize(&tree);
    bool found = false;
    std::uint32_t data = 0;
    ASSERT_EQ(tree.getData(&key, &data, &found, &it), VX_SUCCESS);
    auto pos = model.lower_bound(key);
    ASSERT_EQ(found, pos != model.end() && pos->first == key) << key;
    if (!found)
        return;
    ASSERT_EQ(data, pos->second);
    VxTreeIterator back = it;
    auto m = pos;
    for (int i = 0; i < steps; ++i) {
        std::uint32_t k = 0;
        std::uint32_t d = 0;
        ASSERT_EQ(tree.getNext(&k, &d, &found, &it), VX_SUCCESS);
        ++m;
        ASSERT_EQ(found, m != model.end());
        if (!found)
            break;
        ASSERT_EQ(std::make_pair(k, d), std::make_pair(m->first, m->second));
    }
    m = pos;
    for (int i = 0; i < steps; ++i) {
        std::uint32_t k = 0;
        std::uint32_t d = 0;
        ASSERT_EQ(tree.getPrevious(&k, &d, &found, &back), VX_SUCCESS);
        ASSERT_EQ(found, m != model.begin());
        if (!found)
            break;
        --m;
        ASSERT_EQ(std::make_pair(k, d), std::make_pair(m->first, m->second));
    }
}

// Random adds and deletes in a tree that takes repeated keys; few distinct
// keys make long runs of duplicates across many nodes.
void randomDuplicateRun(std::uint32_t keyRange, int operations, unsigned seed) {
    VxTree tree(4, 4, treeU32Compare, VX_TREE_DUPLICATES);
    Model model;
    std::mt19937 rng(seed);
    std::uint32_t serial = 0;
    for (int op = 0; op < operations; ++op) {
        bool found = false;
        if (model.empty() || rng() % 100 < 65) {
            std::uint32_t key = rng() % keyRange;
            bool present = model.count(key) > 0;
            ASSERT_EQ(tree.add(&key, &serial, &found), VX_SUCCESS);
            ASSERT_EQ(found, present);
            model.emplace(key, serial++);
        } else {
            auto victim = model.begin();
            std::advance(victim, rng() % model.size());
            std::uint32_t key = victim->first;
            ASSERT_EQ(tree.deleteKeyAndData(&key, &victim->second, &found), VX_SUCCESS);
            ASSERT_TRUE(found);
            model.erase(victim);
            std::uint32_t missing = serial + 1;
            ASSERT_EQ(tree.deleteKeyAndData(&key, &missing, &found), VX_SUCCESS);
            EXPECT_FALSE(found) << "data that no entry holds deletes nothing";
        }
        ASSERT_EQ(tree.getCount(), model.size());
        if (op % 5000 == 4999) {
            ASSERT_EQ(walkForward(tree), Pairs(model.begin(), model.end())) << op;
            for (int probe = 0; probe < 20; ++probe)
                checkRangeAround(tree, model, rng() % keyRange, 60);
        }
    }
    ASSERT_EQ(walkForward(tree), Pairs(model.begin(), model.end()));
    ASSERT_EQ(walkBackward(tree), Pairs(model.begin(), model.end()));
}

TEST_F(TreeTest, RandomDuplicatesMatchMultimap) {
    randomDuplicateRun(50000, 60000, 7);
    randomDuplicateRun(40, 30000, 11);
    EXPECT_EQ(list.getCount(), 0u);
}

TEST_F(TreeTest, UniqueKeysAddLookupChangeAndDelete) {
    VxTree tree(4, 4, treeU32Compare);
    std::map<std::uint32_t, std::uint32_t> model;
    const std::uint32_t n = 30000;
    bool found = false;
    // Descending then ascending halves, so splits happen at both edges.
    for (std::uint32_t i = 0; i < n; ++i) {
        std::uint32_t key = i < n / 2 ? (n - 1 - i) * 2 : (i - n / 2) * 2;
        std::uint32_t data = key * 3;
        ASSERT_EQ(tree.add(&key, &data, &found), VX_SUCCESS);
        ASSERT_FALSE(found);
        model[key] = data;
    }
    ASSERT_EQ(tree.getCount(), n);
    std::uint32_t key = 500;
    std::uint32_t other = 1;
    ASSERT_EQ(tree.add(&key, &other, &found), VX_SUCCESS);
    EXPECT_TRUE(found);
    EXPECT_EQ(tree.getCount(), n) << "a present key is only reported";
    std::uint32_t data = 0;
    ASSERT_EQ(tree.getData(&key, &data, &found), VX_SUCCESS);
    EXPECT_EQ(data, 1500u);
    key = 501;
    ASSERT_EQ(tree.doesExist(&key, &found), VX_SUCCESS);
    EXPECT_FALSE(found);

    // getData positions the tree's own iterator: getNext continues after it.
    key = 1000;
    ASSERT_EQ(tree.getData(&key, nullptr, &found), VX_SUCCESS);
    ASSERT_TRUE(found);
    ASSERT_EQ(tree.getNext(&key, nullptr, &found), VX_SUCCESS);
    EXPECT_EQ(key, 1002u);

    key = 40;
    data = 77;
    ASSERT_EQ(tree.changeData(&key, &data, &found), VX_SUCCESS);
    EXPECT_TRUE(found);
    model[40] = 77;
    std::uint32_t newKey = 41;
    ASSERT_EQ(tree.changeKey(&key, &newKey, &found), VX_SUCCESS);
    EXPECT_TRUE(found);
    model.erase(40);
    model[41] = 77;
    // Renaming onto a key that another entry has would lose that entry.
    key = 41;
    newKey = 42;
    bool taken = false;
    ASSERT_EQ(tree.changeKey(&key, &newKey, &found, &taken), VX_SUCCESS);
    EXPECT_TRUE(found);
    EXPECT_TRUE(taken);
    ASSERT_EQ(tree.getData(&key, &data, &found), VX_SUCCESS);
    EXPECT_TRUE(found);
    EXPECT_EQ(data, 77u);
    ASSERT_EQ(tree.getData(&newKey, &data, &found), VX_SUCCESS);
    EXPECT_EQ(data, 126u);

    // Delete every third key, then add half of them back (marked slots are
    // reused), and compare both walks.
    for (std::uint32_t k = 0; k < 2 * n; k += 6) {
        ASSERT_EQ(tree.deleteKeyAndData(&k, nullptr, &found), VX_SUCCESS);
        ASSERT_EQ(found, model.erase(k) == 1) << k;
    }
    for (std::uint32_t k = 0; k < 2 * n; k += 12) {
        data = k + 1;
        ASSERT_EQ(tree.add(&k, &data, &found), VX_SUCCESS);
        ASSERT_FALSE(found);
        model[k] = data;
    }
    Pairs expected(model.begin(), model.end());
    EXPECT_EQ(walkForward(tree), expected);
    EXPECT_EQ(walkBackward(tree), expected);
    EXPECT_EQ(tree.getCount(), model.size());
    EXPECT_EQ(list.getCount(), 0u);
}

TEST_F(TreeTest, DeletingEverythingLeavesAnEmptyReusableTree) {
    VxTree tree(4, 4, treeU32Compare);
    bool found = false;
    std::vector<std::uint32_t> keys(20000);
    for (std::uint32_t i = 0; i < keys.size(); ++i)
        keys[i] = i * 7919u % 20011u;
    for (std::uint32_t k : keys)
        ASSERT_EQ(tree.add(&k, &k, &found), VX_SUCCESS);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(3));
    for (std::uint32_t k : keys) {
        ASSERT_EQ(tree.deleteKeyAndData(&k, nullptr, &found), VX_SUCCESS);
        ASSERT_TRUE(found);
    }
    EXPECT_EQ(tree.getCount(), 0u);
    std::uint32_t k = 0;
    ASSERT_EQ(tree.getFirst(&k, nullptr, &found), VX_SUCCESS);
    EXPECT_FALSE(found) << "walks skip marked entries";
    ASSERT_EQ(tree.getLast(&k, nullptr, &found), VX_SUCCESS);
    EXPECT_FALSE(found);
    for (std::uint32_t i = 0; i < 1000; ++i) {
        k = 5000 - i;
        ASSERT_EQ(tree.add(&k, &i, &found), VX_SUCCESS);
        ASSERT_FALSE(found);
    }
    Pairs walked = walkForward(tree);
    ASSERT_EQ(walked.size(), 1000u);
    EXPECT_EQ(walked.front(), std::make_pair(4001u, 999u));
    EXPECT_EQ(walked.back(), std::make_pair(5000u, 0u));

    ASSERT_EQ(tree.reset(), VX_SUCCESS);
    EXPECT_EQ(tree.getCount(), 0u);
    ASSERT_EQ(tree.getFirst(&k, nullptr, &found), VX_SUCCESS);
    EXPECT_FALSE(found);
    k = 9;
    ASSERT_EQ(tree.add(&k, &k, &found), VX_SUCCESS);
    EXPECT_EQ(walkForward(tree), Pairs({{9u, 9u}}));
}

TEST_F(TreeTest, IteratorsWalkIndependently) {
    VxTree tree(4, 4, treeU32Compare);
    bool found = true;
    std::uint32_t k = 0;
    ASSERT_EQ(tree.getNext(&k, nullptr, &found), VX_SUCCESS);
    EXPECT_FALSE(found) << "an empty tree reports not found";
    for (std::uint32_t i = 1; i <= 3000; ++i)
        ASSERT_EQ(tree.add(&i, &i, &found), VX_SUCCESS);
    VxTreeIterator up;
    VxTreeIterator down;
    up.initialize(&tree);
    down.initialize(&tree);
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    for (std::uint32_t i = 1; i <= 3000; ++i) {
        ASSERT_EQ(tree.getNext(&a, nullptr, &found, &up), VX_SUCCESS);
        ASSERT_TRUE(found);
        ASSERT_EQ(tree.getPrevious(&b, nullptr, &found, &down), VX_SUCCESS);
        ASSERT_TRUE(found);
        ASSERT_EQ(a, i) << "an unpositioned iterator starts at the first entry";
        ASSERT_EQ(b, 3001 - i);
    }
    ASSERT_EQ(tree.getNext(&a, nullptr, &found, &up), VX_SUCCESS);
    EXPECT_FALSE(found);
    // Turning round in the middle.
    k = 1500;
    ASSERT_EQ(tree.getData(&k, nullptr, &found, &up), VX_SUCCESS);
    ASSERT_EQ(tree.getNext(&a, nullptr, &found, &up), VX_SUCCESS);
    ASSERT_EQ(tree.getPrevious(&b, nullptr, &found, &up), VX_SUCCESS);
    EXPECT_EQ(a, 1501u);
    EXPECT_EQ(b, 1500u);
}

int compareBytes(const void* a, const void* b, std::uint16_t length) {
    return std::memcmp(a, b, length);
}

TEST_F(TreeTest, KeysAtTheSizeLimit) {
    // 1,000 + 12 + 4 = 1,016 bytes: two entries fill a page.
    VxTree big(1000, 12, compareBytes);
    EXPECT_EQ(big.getEntrySize(), 1016u);
    EXPECT_EQ(big.getMaxEntries(), 2u);
    VxTree small(4, 4, treeU32Compare, VX_TREE_EXTRA_BYTE);
    EXPECT_EQ(small.getEntrySize(), 16u);
    EXPECT_EQ(small.getMaxEntries(), 49u);
    VxTree mid(100, 20, compareBytes, VX_TREE_EXTRA_BYTE);
    EXPECT_EQ(mid.getEntrySize(), 128u);
    EXPECT_EQ(mid.getMaxEntries(), 15u);

    std::mt19937 rng(5);
    std::map<std::string, std::string> model;
    bool found = false;
    for (int i = 0; i < 3000; ++i) {
        std::string key(1000, '\0');
        // Keys share long prefixes and differ near the end, with bytes 0 and 0xFF.
        key[0] = static_cast<char>(rng() % 2 ? 0xFF : 0x00);
        for (int j = 990; j < 1000; ++j)
            key[j] = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng() % 256);
        std::string data(12, static_cast<char>(i));
        ASSERT_EQ(big.add(key.data(), data.data(), &found), VX_SUCCESS);
        ASSERT_EQ(found, model.count(key) > 0);
        model.emplace(key, data);
    }
    std::string key(1000, '\0');
    std::string data(12, 0);
    auto m = model.begin();
    ASSERT_EQ(big.getFirst(&key[0], &data[0], &found), VX_SUCCESS);
    for (; found; ++m) {
        ASSERT_NE(m, model.end());
        ASSERT_EQ(key, m->first);
        ASSERT_EQ(data, m->second);
        ASSERT_EQ(big.getNext(&key[0], &data[0], &found), VX_SUCCESS);
    }
    EXPECT_EQ(m, model.end());

    // One byte more and no node holds two entries: adding is refused.
    VxTree tooBig(1000, 13, compareBytes);
    EXPECT_EQ(tooBig.add(key.data(), data.data(), &found), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 1503u);
}

TEST_F(TreeTest, ReAddingAMarkedKeyStoresTheNewKeyBytes) {
    // Keys compare without regard to case; the entry keeps the bytes added last.
    auto ci = [](const void* a, const void* b, std::uint16_t n) {
        return strncasecmp(static_cast<const char*>(a), static_cast<const char*>(b), n);
    };
    VxTree tree(4, 4, ci);
    bool found = false;
    std::uint32_t data = 1;
    ASSERT_EQ(tree.add("abcd", &data, &found), VX_SUCCESS);
    ASSERT_EQ(tree.add("efgh", &data, &found), VX_SUCCESS);
    ASSERT_EQ(tree.deleteKeyAndData("ABCD", nullptr, &found), VX_SUCCESS);
    ASSERT_TRUE(found);
    data = 2;
    ASSERT_EQ(tree.add("ABCD", &data, &found), VX_SUCCESS);
    EXPECT_FALSE(found);
    char key[5] = {};
    ASSERT_EQ(tree.getFirst(key, &data, &found), VX_SUCCESS);
    EXPECT_STREQ(key, "ABCD");
    EXPECT_EQ(data, 2u);
}

TEST_F(TreeTest, PositionalTreeMatchesVector) {
    VxPTree tree(8);
    std::vector<std::uint64_t> model;
    std::mt19937 rng(21);
    bool found = false;
    for (int op = 0; op < 40000; ++op) {
        std::uint32_t r = rng() % 100;
        if (model.empty() || r < 55) {
            std::uint32_t pos = rng() % (model.size() + 2);
            std::uint64_t value = (static_cast<std::uint64_t>(op) << 20) | r;
            ASSERT_EQ(tree.addAtPos(pos, &value), VX_SUCCESS);
            model.insert(model.begin() + std::min<std::size_t>(pos, model.size()), value);
        } else if (r < 60) {
            std::uint32_t pos = rng() % (model.size() + 1);
            ASSERT_EQ(tree.addHoleAtPos(pos), VX_SUCCESS);
            model.insert(model.begin() + pos, 0);
        } else if (r < 90) {
            std::uint32_t pos = rng() % (model.size() + 1);
            ASSERT_EQ(tree.deleteKeyAtPos(pos, &found), VX_SUCCESS);
            ASSERT_EQ(found, pos < model.size());
            if (found)
                model.erase(model.begin() + pos);
        } else {
            std::uint32_t pos = rng() % model.size();
            std::uint64_t value = 0;
            ASSERT_EQ(tree.getDataAtPos(pos, &value, &found), VX_SUCCESS);
            ASSERT_TRUE(found);
            ASSERT_EQ(value, model[pos]) << op;
            value = ~value;
            ASSERT_EQ(tree.changeDataAtPos(pos, &value, &found), VX_SUCCESS);
            model[pos] = value;
        }
        ASSERT_EQ(tree.getCount(), model.size());
    }
    std::uint64_t value = 0;
    ASSERT_EQ(tree.getDataAtPos(static_cast<std::uint32_t>(model.size()), &value, &found),
              VX_SUCCESS);
    EXPECT_FALSE(found);
    std::vector<std::uint64_t> walked;
    ASSERT_EQ(tree.getFirst(nullptr, &value, &found), VX_SUCCESS);
    while (found) {
        walked.push_back(value);
        ASSERT_EQ(tree.getNext(nullptr, &value, &found), VX_SUCCESS);
    }
    EXPECT_EQ(walked, model);
    EXPECT_EQ(list.getCount(), 0u);
}

} // namespace
