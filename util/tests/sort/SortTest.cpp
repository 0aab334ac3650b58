// VxSort: in-memory and external sorts against std::sort, keys, ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "util/VxError.h"
#include "util/VxSort.h"

namespace {

struct SortTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    void SetUp() override { VxErrorKeeper::setErrorList(&list); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }
};

constexpr std::uint32_t REC = 40;

// Records: bytes 0-3 an ascending key (few values, so duplicates), bytes
// 4-7 a descending key, the rest a serial number.
std::vector<std::string> makeRecords(std::uint32_t count, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> records;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string r(REC, '\0');
        std::uint32_t a = rng() % 97;
        std::uint32_t b = rng() % 1000;
        unsigned char ab[8] = {
            static_cast<unsigned char>(a >> 24), static_cast<unsigned char>(a >> 16),
            static_cast<unsigned char>(a >> 8),  static_cast<unsigned char>(a),
            static_cast<unsigned char>(b >> 24), static_cast<unsigned char>(b >> 16),
            static_cast<unsigned char>(b >> 8),  static_cast<unsigned char>(b)};
        std::memcpy(&r[0], ab, 8);
        std::memcpy(&r[8], &i, 4);
        records.push_back(r);
    }
    return records;
}

const void* nextSorted(VxSort& sort) {
    const void* p = nullptr;
    EXPECT_EQ(sort.getSorted(&p), VX_SUCCESS);
    return p;
}

const void* nextWithCompare(VxSort& sort, std::uint16_t* eq) {
    const void* p = nullptr;
    EXPECT_EQ(sort.getSortedWithCompare(&p, eq), VX_SUCCESS);
    return p;
}

const void* nextInRange(VxSort& sort, bool first) {
    const void* p = nullptr;
    EXPECT_EQ(first ? sort.getFirstRecordInRange(&p) : sort.getNextRecordInRange(&p), VX_SUCCESS);
    return p;
}

std::string keysOf(const std::string& r) {
    return r.substr(0, 8);
}

bool expectedOrder(const std::string& x, const std::string& y) {
    int a = std::memcmp(x.data(), y.data(), 4);
    if (a != 0)
        return a < 0;
    return std::memcmp(x.data() + 4, y.data() + 4, 4) > 0;
}

std::vector<std::string> runSort(VxSort& sort, const std::vector<std::string>& records) {
    for (const std::string& r : records)
        EXPECT_EQ(sort.addRecord(r.data()), VX_SUCCESS);
    std::vector<std::string> out;
    const void* p;
    EXPECT_EQ(sort.getFirstRecord(&p), VX_SUCCESS);
    while (p) {
        out.emplace_back(static_cast<const char*>(p), sort.getRecordLength());
        EXPECT_EQ(sort.getNextRecord(&p), VX_SUCCESS);
    }
    return out;
}

void expectSameSort(std::vector<std::string> records, const std::vector<std::string>& got) {
    ASSERT_EQ(got.size(), records.size());
    std::stable_sort(records.begin(), records.end(), expectedOrder);
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(keysOf(got[i]), keysOf(records[i])) << "at " << i;
    std::vector<std::string> a = got;
    std::sort(a.begin(), a.end());
    std::sort(records.begin(), records.end());
    EXPECT_EQ(a, records) << "every record comes out exactly once";
}

void addTwoKeys(VxSort& sort) {
    ASSERT_EQ(sort.addKey(0, 0, 4), VX_SUCCESS);
    ASSERT_EQ(sort.addKey(VX_SORT_DESCENDING, 4, 4), VX_SUCCESS);
}

TEST_F(SortTest, InMemoryAndSpilledSortsGiveTheSameOrder) {
    std::vector<std::string> records = makeRecords(30000, 7);
    VxSort memory(REC);
    addTwoKeys(memory);
    std::vector<std::string> inMemory = runSort(memory, records);
    EXPECT_FALSE(memory.hasSpilled());
    expectSameSort(records, inMemory);

    VxSort external(REC);
    external.setMaxBuffers(2);
    addTwoKeys(external);
    std::vector<std::string> merged = runSort(external, records);
    EXPECT_TRUE(external.hasSpilled());
    EXPECT_GT(external.getRunCount(), 5u);
    expectSameSort(records, merged);
    for (std::size_t i = 0; i < merged.size(); ++i)
        ASSERT_EQ(keysOf(merged[i]), keysOf(inMemory[i]));

    // getFirstRecord restarts the merge from the beginning.
    const void* p;
    ASSERT_EQ(external.getFirstRecord(&p), VX_SUCCESS);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(p), REC), merged[0]);
}

TEST_F(SortTest, RecordsOf65536BytesMergeInSeveralPasses) {
    // One record per buffer and two buffers: every run holds two records and
    // nine records make five runs, more than the two record slots in memory.
    VxSort sort(VX_SORT_MAX_RECORD);
    sort.setMaxBuffers(2);
    ASSERT_EQ(sort.addKey(0, 65530, 4), VX_SUCCESS);
    std::vector<std::uint32_t> keys = {9, 3, 7, 1, 8, 2, 6, 4, 5};
    std::string record(VX_SORT_MAX_RECORD, 'x');
    for (std::uint32_t k : keys) {
        unsigned char be[4] = {0, 0, 0, static_cast<unsigned char>(k)};
        std::memcpy(&record[65530], be, 4);
        record[0] = static_cast<char>('a' + k);
        ASSERT_EQ(sort.addRecord(record.data()), VX_SUCCESS);
    }
    EXPECT_TRUE(sort.hasSpilled());
    const void* p;
    std::vector<int> out;
    for (p = nextSorted(sort); p; p = nextSorted(sort)) {
        const char* r = static_cast<const char*>(p);
        EXPECT_EQ(r[0], 'a' + r[65533]);
        EXPECT_EQ(r[65535], 'x') << "the whole record survives the passes";
        out.push_back(r[65533]);
    }
    EXPECT_EQ(out, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(SortTest, ManyRunsOfLargeRecordsMergeLikeAStableSort) {
    // Few record slots in memory and many runs: the merge needs several
    // passes. Keys ascending and descending with many duplicates; the
    // serial number at the record's end checks that every record survives.
    for (std::uint32_t length : {20000u, 30000u, 65536u / 3u + 1u}) {
        VxSort sort(length);
        sort.setMaxBuffers(2);
        ASSERT_EQ(sort.addKey(0, 0, 2), VX_SUCCESS);
        ASSERT_EQ(sort.addKey(VX_SORT_DESCENDING, static_cast<std::uint16_t>(length - 6), 2),
                  VX_SUCCESS);
        std::mt19937 rng(length);
        std::vector<std::string> records;
        std::string r(length, 'p');
        for (std::uint32_t i = 0; i < 97; ++i) {
            r[0] = static_cast<char>('a' + rng() % 3);
            r[1] = static_cast<char>('a' + rng() % 2);
            r[length - 6] = static_cast<char>('0' + rng() % 4);
            r[length - 5] = '0';
            std::memcpy(&r[length - 4], &i, 4);
            records.push_back(r);
            ASSERT_EQ(sort.addRecord(r.data()), VX_SUCCESS);
        }
        EXPECT_GT(sort.getRunCount(), 10u);
        auto order = [length](const std::string& x, const std::string& y) {
            int a = std::memcmp(x.data(), y.data(), 2);
            if (a != 0)
                return a < 0;
            return std::memcmp(x.data() + length - 6, y.data() + length - 6, 2) > 0;
        };
        std::vector<std::string> expected = records;
        std::stable_sort(expected.begin(), expected.end(), order);
        std::vector<std::string> got;
        for (const void* p = nextSorted(sort); p; p = nextSorted(sort))
            got.emplace_back(static_cast<const char*>(p), length);
        ASSERT_EQ(got.size(), expected.size()) << length;
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_FALSE(order(got[i], expected[i]) || order(expected[i], got[i])) << i;
            ASSERT_EQ(got[i].compare(2, length - 8, r, 2, length - 8), 0) << "bytes intact";
        }
        std::sort(got.begin(), got.end());
        std::sort(records.begin(), records.end());
        EXPECT_EQ(got, records) << "every record exactly once, length " << length;
    }
}

TEST_F(SortTest, KeyLimitAndBufferShortage) {
    VxSort sort(8);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(sort.addKey(0, 0, 1), VX_SUCCESS);
    EXPECT_EQ(sort.addKey(0, 0, 1), VX_ERROR);
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2710);
    EXPECT_STREQ(VxErrorKeeper::getLastError()->getErrorText(), "Too many sort keys.");

    // With a single buffer there is nothing to spill from: the add fails.
    VxSort one(VX_SORT_BUFFER_SIZE / 2);
    one.setMaxBuffers(1);
    ASSERT_EQ(one.addKey(0, 0, 4), VX_SUCCESS);
    std::string r(VX_SORT_BUFFER_SIZE / 2, 'r');
    EXPECT_EQ(one.addRecord(r.data()), VX_SUCCESS);
    EXPECT_EQ(one.addRecord(r.data()), VX_SUCCESS);
    EXPECT_EQ(one.addRecord(r.data()), VX_ERROR);
}

TEST_F(SortTest, AdverseInputsNeverOverflowTheQuicksortStack) {
    const std::uint32_t n = 200000;
    for (int pattern = 0; pattern < 3; ++pattern) {
        VxSort sort(4);
        ASSERT_EQ(sort.addKey(0, 0, 4), VX_SUCCESS);
        for (std::uint32_t i = 0; i < n; ++i) {
            std::uint32_t v = pattern == 0 ? 5 : (pattern == 1 ? i : n - i);
            unsigned char be[4] = {
                static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
                static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
            ASSERT_EQ(sort.addRecord(be), VX_SUCCESS);
        }
        const void* p;
        ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS) << "pattern " << pattern;
        std::uint32_t count = 0;
        std::string prev(4, '\0');
        while (p) {
            std::string cur(static_cast<const char*>(p), 4);
            ASSERT_LE(prev, cur);
            prev = cur;
            ++count;
            ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS);
        }
        EXPECT_EQ(count, n);
    }
}

TEST_F(SortTest, EqualKeyCountsAndKeyLookups) {
    VxSort sort(3);
    ASSERT_EQ(sort.addKey(0, 0, 1), VX_SUCCESS);
    ASSERT_EQ(sort.addKey(0, 1, 1), VX_SUCCESS);
    ASSERT_EQ(sort.addKey(0, 2, 1), VX_SUCCESS);
    for (const char* r : {"bba", "aaa", "abc", "aab", "abc"})
        ASSERT_EQ(sort.addRecord(r), VX_SUCCESS);
    std::vector<std::uint16_t> equal;
    const void* p;
    std::uint16_t eq;
    for (p = nextWithCompare(sort, &eq); p; p = nextWithCompare(sort, &eq))
        equal.push_back(eq);
    // aaa, aab, abc, abc, bba
    EXPECT_EQ(equal, (std::vector<std::uint16_t>{0, 2, 1, 3, 0}));

    ASSERT_EQ(sort.getFirstRecordWithKey("abc", &p), VX_SUCCESS);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(p), 3), "abc");
    ASSERT_EQ(sort.getNextRecord(&p), VX_SUCCESS);
    EXPECT_EQ(std::string(static_cast<const char*>(p), 3), "abc");
    ASSERT_EQ(sort.getNextRecord(&p), VX_SUCCESS);
    EXPECT_EQ(std::string(static_cast<const char*>(p), 3), "bba");
    ASSERT_EQ(sort.getFirstRecordWithKey("abb", &p), VX_SUCCESS);
    EXPECT_EQ(p, nullptr);
}

TEST_F(SortTest, KeyLookupSearchesSpilledRuns) {
    std::vector<std::string> records = makeRecords(12000, 3);
    VxSort sort(REC);
    sort.setMaxBuffers(2);
    addTwoKeys(sort);
    for (const std::string& r : records)
        ASSERT_EQ(sort.addRecord(r.data()), VX_SUCCESS);
    std::string wanted = records[4321];
    std::size_t expected = std::count_if(records.begin(), records.end(), [&](const std::string& r) {
        return keysOf(r) == keysOf(wanted);
    });
    const void* p;
    ASSERT_EQ(sort.getFirstRecordWithKey(wanted.data(), &p), VX_SUCCESS);
    ASSERT_TRUE(sort.hasSpilled());
    std::size_t found = 0;
    while (p && keysOf(std::string(static_cast<const char*>(p), REC)) == keysOf(wanted)) {
        ++found;
        ASSERT_EQ(sort.getNextRecord(&p), VX_SUCCESS);
    }
    EXPECT_EQ(found, expected);
}

TEST_F(SortTest, ResortRangeOrdersAStretchByLaterKeys) {
    // Group key in byte 0, value in byte 1: read group 'b' and re-sort it by
    // the value, as a DISTINCT aggregate does.
    VxSort sort(2);
    ASSERT_EQ(sort.addKey(0, 0, 1), VX_SUCCESS);
    ASSERT_EQ(sort.addKey(VX_SORT_DESCENDING, 1, 1), VX_SUCCESS);
    for (const char* r : {"b1", "a9", "b3", "c0", "b2", "b3"})
        ASSERT_EQ(sort.addRecord(r), VX_SUCCESS);
    const void* p;
    ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS); // a9
    ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS); // first b
    ASSERT_EQ(sort.startResortRange(), VX_SUCCESS);
    ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS);
    ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS);
    ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS); // last b
    sort.endResortRange();
    ASSERT_EQ(sort.getSorted(&p), VX_SUCCESS);
    EXPECT_EQ(std::string(static_cast<const char*>(p), 2), "c0");
    ASSERT_EQ(sort.resortRange(1, true), VX_SUCCESS);
    std::vector<std::string> range;
    for (p = nextInRange(sort, true); p; p = nextInRange(sort, false))
        range.emplace_back(static_cast<const char*>(p), 2);
    EXPECT_EQ(range, (std::vector<std::string>{"b3", "b3", "b2", "b1"}));
}

TEST_F(SortTest, StartKeySortsWithinStretchesAndPointersSort) {
    VxSort sort(2);
    ASSERT_EQ(sort.addKey(0, 0, 1), VX_SUCCESS);
    ASSERT_EQ(sort.addKey(0, 1, 1), VX_SUCCESS);
    char buffer[] = "a3a1b2b0a2";
    sort.setStartKey(1);
    sort.setBuf(5, buffer);
    ASSERT_EQ(sort.sortBuf(), VX_SUCCESS);
    EXPECT_STREQ(buffer, "a1a3b0b2a2") << "stretches stay where they are";

    std::vector<std::string> words = {"pear", "fig", "apple", "kiwi", "date"};
    std::vector<void*> items;
    for (std::string& w : words)
        items.push_back(&w);
    auto byText = [](void*, const void* a, const void* b) -> int {
        const std::string* x = *static_cast<std::string* const*>(a);
        const std::string* y = *static_cast<std::string* const*>(b);
        return x->compare(*y);
    };
    ASSERT_EQ(VxSort::sortPointers(items.data(), static_cast<std::uint32_t>(items.size()), byText,
                                   nullptr),
              VX_SUCCESS);
    std::vector<std::string> sorted;
    for (void* item : items)
        sorted.push_back(*static_cast<std::string*>(item));
    EXPECT_EQ(sorted, (std::vector<std::string>{"apple", "date", "fig", "kiwi", "pear"}));
}

} // namespace
