// VxTmpFile: space rules, the page cache and its backing files; the block cache.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "util/VxError.h"
#include "util/VxTmpFile.h"
#include "util/bos.h"
#include "util/bvm.h"

namespace {

struct TmpFileTest : ::testing::Test {
    VxErrorList list{nullptr, 1};
    void SetUp() override { VxErrorKeeper::setErrorList(&list); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }
};

TEST_F(TmpFileTest, ContiguousSpaceIsAlignedAndStaysInOnePage) {
    VxTmpFile store;
    std::uint32_t a, b, c;
    ASSERT_EQ(store.getContiguousSpace(10, &a), VX_SUCCESS);
    EXPECT_EQ(a, 4u) << "offset 0 is never data and offsets are multiples of 4";
    ASSERT_EQ(store.getContiguousSpace(1994, &b), VX_SUCCESS);
    EXPECT_EQ(b, 16u);
    // 2,048 - 2,012 rounded = 36 bytes remain: 100 bytes start on the next page.
    ASSERT_EQ(store.getContiguousSpace(100, &c), VX_SUCCESS);
    EXPECT_EQ(c, 2048u);
    EXPECT_EQ(store.getEnd(), 2148u);
}

TEST_F(TmpFileTest, FreeSpaceReuseRules) {
    VxTmpFile store;
    std::uint32_t a, b, c, d, e;
    ASSERT_EQ(store.tmpFindSpace(1000, &a), VX_SUCCESS);
    ASSERT_EQ(store.tmpFindSpace(200, &b), VX_SUCCESS);
    ASSERT_EQ(store.tmpFindSpace(1000, &c), VX_SUCCESS);
    ASSERT_EQ(store.tmpFindSpace(300, &d), VX_SUCCESS);
    ASSERT_EQ(store.tmpFindSpace(1000, &e), VX_SUCCESS);
    std::uint32_t end = store.getEnd();

    ASSERT_EQ(store.tmpFreeSpace(b, 200), VX_SUCCESS);
    EXPECT_EQ(store.getFreeBlockCount(), 0u) << "200 bytes are abandoned";
    ASSERT_EQ(store.tmpFreeSpace(d, 300), VX_SUCCESS);
    EXPECT_EQ(store.getFreeBlockCount(), 1u);
    std::uint32_t again;
    ASSERT_EQ(store.tmpFindSpace(100, &again), VX_SUCCESS);
    EXPECT_EQ(again, d) << "less than 256 bytes would remain: the whole block is taken";
    EXPECT_EQ(store.getFreeBlockCount(), 0u);

    // A large block shrinks from the front.
    ASSERT_EQ(store.tmpFreeSpace(a, 1000), VX_SUCCESS);
    ASSERT_EQ(store.tmpFindSpace(400, &again), VX_SUCCESS);
    EXPECT_EQ(again, a);
    ASSERT_EQ(store.tmpFindSpace(400, &again), VX_SUCCESS);
    EXPECT_EQ(again, a + 400) << "the rest of the block stays free";
    EXPECT_EQ(store.getEnd(), end);

    // Freeing the last block moves the end back, and a free block that then
    // reaches the end goes with it.
    ASSERT_EQ(store.tmpFreeSpace(c, 1000), VX_SUCCESS);
    ASSERT_EQ(store.tmpFreeSpace(e, 1000), VX_SUCCESS);
    EXPECT_EQ(store.getEnd(), e);
    EXPECT_EQ(store.getFreeBlockCount(), 1u);
    ASSERT_EQ(store.tmpFreeSpace(d, 300), VX_SUCCESS);
    EXPECT_EQ(store.getEnd(), c);
    EXPECT_EQ(store.getFreeBlockCount(), 0u);

    ASSERT_EQ(store.tmpFindSpace(VX_TMP_ALL, &again), VX_SUCCESS);
    EXPECT_EQ(again, c);
    ASSERT_EQ(store.tmpFreeSpace(again, VX_TMP_ALL), VX_SUCCESS);
    EXPECT_EQ(store.getEnd(), c);
}

TEST_F(TmpFileTest, RandomFindAndFreeNeverOverlapLiveBlocks) {
    VxTmpFile store(8192);
    std::map<std::uint32_t, std::pair<std::uint32_t, char>> live; // offset -> size, fill
    std::mt19937 rng(99);
    auto check = [&](std::uint32_t offset, std::uint32_t size, char fill) {
        std::string got(size, '\0');
        ASSERT_EQ(store.tmpRead(offset, &got[0], size), VX_SUCCESS);
        ASSERT_EQ(got, std::string(size, fill)) << offset;
    };
    for (int op = 0; op < 6000; ++op) {
        if (live.empty() || rng() % 100 < 55) {
            std::uint32_t size = 1 + rng() % (rng() % 4 == 0 ? 9000 : 700);
            std::uint32_t offset = 0;
            ASSERT_EQ(store.tmpFindSpace(size, &offset), VX_SUCCESS);
            ASSERT_GT(offset, 0u);
            auto next = live.lower_bound(offset);
            if (next != live.end()) {
                ASSERT_LE(offset + size, next->first) << "overlaps the block after";
            }
            if (next != live.begin()) {
                auto before = std::prev(next);
                ASSERT_LE(before->first + before->second.first, offset)
                    << "overlaps the one before";
            }
            char fill = static_cast<char>('A' + op % 50);
            ASSERT_EQ(store.tmpWrite(offset, std::string(size, fill).data(), size), VX_SUCCESS);
            live[offset] = {size, fill};
        } else {
            auto victim = live.begin();
            std::advance(victim, rng() % live.size());
            check(victim->first, victim->second.first, victim->second.second);
            ASSERT_EQ(store.tmpFreeSpace(victim->first, victim->second.first), VX_SUCCESS);
            live.erase(victim);
        }
        if (op % 1000 == 999) {
            for (const auto& [offset, block] : live)
                check(offset, block.first, block.second);
        }
    }
    for (const auto& [offset, block] : live)
        ASSERT_EQ(store.tmpFreeSpace(offset, block.first), VX_SUCCESS);
    // Blocks below 256 bytes were abandoned, so not everything comes back;
    // truncating does.
    ASSERT_EQ(store.tmpTruncate(true), VX_SUCCESS);
    EXPECT_EQ(store.getFreeBlockCount(), 0u);
    EXPECT_EQ(store.getEnd(), 1u);
}

std::string pattern(std::uint32_t page) {
    std::string s(VX_TMP_PAGE_SIZE, '\0');
    for (std::uint32_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char>((page * 31 + i) & 0xFF);
    return s;
}

TEST_F(TmpFileTest, PagesSurviveEvictionLoseFocusAndOverflow) {
    VxTmpFile store(4096); // one slot: every third page evicts
    char buffer[VX_TMP_PAGE_SIZE];
    ASSERT_EQ(store.tmpRead(5 * VX_TMP_PAGE_SIZE, buffer, sizeof buffer), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0'));
    EXPECT_FALSE(store.hasPrimaryFile()) << "a page never written needs no file";

    std::vector<std::uint32_t> pages = {1, 2, 3, 7, 16383, 16384, 20000};
    for (std::uint32_t p : pages)
        ASSERT_EQ(store.tmpWrite(p * VX_TMP_PAGE_SIZE, pattern(p).data(), VX_TMP_PAGE_SIZE),
                  VX_SUCCESS);
    // A write across a page boundary.
    ASSERT_EQ(store.tmpWrite(9 * VX_TMP_PAGE_SIZE - 3, "abcdef", 6), VX_SUCCESS);
    EXPECT_TRUE(store.hasPrimaryFile());
    EXPECT_TRUE(store.hasOverflowFile()) << "pages past 16,383 live in a second file";
    ASSERT_EQ(store.tmpLoseFocus(), VX_SUCCESS);
    for (std::uint32_t p : pages) {
        ASSERT_EQ(store.tmpRead(p * VX_TMP_PAGE_SIZE, buffer, VX_TMP_PAGE_SIZE), VX_SUCCESS);
        EXPECT_EQ(std::string(buffer, VX_TMP_PAGE_SIZE), pattern(p)) << "page " << p;
    }
    VxString text;
    ASSERT_EQ(store.read(9 * VX_TMP_PAGE_SIZE - 3, text, 6), VX_SUCCESS);
    EXPECT_STREQ(text.getText(), "abcdef");

    void* pointer;
    std::uint32_t available;
    ASSERT_EQ(store.tmpPointer(3 * VX_TMP_PAGE_SIZE + 48, &pointer, &available, true), VX_SUCCESS);
    EXPECT_EQ(available, VX_TMP_PAGE_SIZE - 48);
    std::memcpy(pointer, "XY", 2);
    ASSERT_EQ(store.tmpRead(100 * VX_TMP_PAGE_SIZE, buffer, 4), VX_SUCCESS); // evicts
    ASSERT_EQ(store.tmpRead(200 * VX_TMP_PAGE_SIZE, buffer, 4), VX_SUCCESS);
    ASSERT_EQ(store.tmpRead(3 * VX_TMP_PAGE_SIZE + 48, buffer, 2), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, 2), "XY") << "a page dirtied through a pointer is written back";

    std::vector<char> huge(200000);
    for (std::size_t i = 0; i < huge.size(); ++i)
        huge[i] = static_cast<char>(i % 251);
    ASSERT_EQ(store.writeHuge(500000, huge.data(), huge.size()), VX_SUCCESS);
    std::vector<char> back(huge.size());
    ASSERT_EQ(store.readHuge(500000, back.data(), back.size()), VX_SUCCESS);
    EXPECT_EQ(back, huge);

    ASSERT_EQ(store.tmpTruncate(false), VX_SUCCESS);
    EXPECT_FALSE(store.hasPrimaryFile());
    EXPECT_FALSE(store.hasOverflowFile());
    EXPECT_EQ(store.getEnd(), 1u);
    ASSERT_EQ(store.tmpRead(VX_TMP_PAGE_SIZE, buffer, 4), VX_SUCCESS);
    EXPECT_EQ(std::string(buffer, 4), std::string(4, '\0')) << "truncated pages read as zeros";
}

// ---- Block cache ------------------------------------------------------------------

VxStatus makeFile(const std::string& text, int* handle, VxString* name) {
    if (bosFileOpen("", BOS_OPEN_TEMP | BOS_OPEN_READWRITE, handle, name) != VX_SUCCESS)
        return VX_ERROR;
    return bosFileWrite(*handle, 0, text.data(), text.size());
}

TEST_F(TmpFileTest, BlockCacheReadsWritesThroughAndForgetsClosedFiles) {
    BvmCache* cache = bvmInit(1);
    ASSERT_NE(cache, nullptr);
    EXPECT_EQ(bvmInit(5), cache) << "later calls count a reference";
    bvmTerm(cache);

    std::string first(30000, 'a');
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = static_cast<char>('a' + i % 26);
    int handle;
    VxString name1;
    ASSERT_EQ(makeFile(first, &handle, &name1), VX_SUCCESS);
    std::string got(first.size() + 100, '\0');
    std::size_t count;
    ASSERT_EQ(bvmFileRead(cache, handle, 0, &got[0], got.size(), &count), VX_SUCCESS);
    EXPECT_EQ(count, first.size());
    EXPECT_EQ(got.substr(0, count), first);
    EXPECT_EQ(bvmCachedBlocks(cache, handle), 4u);

    ASSERT_EQ(bvmFileWrite(cache, handle, 8190, "0123", 4), VX_SUCCESS);
    ASSERT_EQ(bvmFileRead(cache, handle, 8188, &got[0], 8, &count), VX_SUCCESS);
    EXPECT_EQ(got.substr(0, 8), first.substr(8188, 2) + "0123" + first.substr(8194, 2));

    // Closing forgets the blocks: a new file that gets the same descriptor
    // must not be served the old file's data.
    ASSERT_EQ(bvmFileClose(cache, handle), VX_SUCCESS);
    int other;
    VxString name2;
    ASSERT_EQ(makeFile(std::string(20000, 'z'), &other, &name2), VX_SUCCESS);
    EXPECT_EQ(other, handle) << "the descriptor is reused at once";
    // What was written through the cache is in the file.
    int reopened;
    ASSERT_EQ(bosFileOpen(name1.getText(), 0, &reopened), VX_SUCCESS);
    ASSERT_EQ(bosFileRead(reopened, 8188, &got[0], 8, &count), VX_SUCCESS);
    EXPECT_EQ(got.substr(0, 8), first.substr(8188, 2) + "0123" + first.substr(8194, 2));
    ASSERT_EQ(bosFileClose(reopened), VX_SUCCESS);
    ASSERT_EQ(bvmFileRead(cache, other, 100, &got[0], 10, &count), VX_SUCCESS);
    EXPECT_EQ(got.substr(0, 10), std::string(10, 'z'));

    // A full cache evicts the least recently used block; with the hint it
    // is left alone and the read goes to the file.
    ASSERT_EQ(bvmFileRead(cache, other, 0, &got[0], 20000, &count), VX_SUCCESS);
    EXPECT_EQ(count, 20000u);
    EXPECT_EQ(bvmCachedBlocks(cache, other), 3u);
    EXPECT_EQ(bvmFileClose(cache, 0), VX_SUCCESS);
    ASSERT_EQ(bvmFileClose(cache, other), VX_SUCCESS);
    EXPECT_EQ(bvmCachedBlocks(cache, other), 0u);
    bvmTerm(cache);
    EXPECT_EQ(bosFileDelete(name1.getText()), VX_SUCCESS);
    EXPECT_EQ(bosFileDelete(name2.getText()), VX_SUCCESS);
}

TEST_F(TmpFileTest, BlockCacheIsMadeOnceWhenThreadsAskTogether) {
    constexpr int threadCount = 6;
    std::atomic<int> ready{0};
    BvmCache* seen[threadCount] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < threadCount) {
            }
            seen[t] = bvmInit(2);
        });
    for (auto& thread : threads)
        thread.join();
    ASSERT_NE(seen[0], nullptr);
    for (BvmCache* cache : seen)
        EXPECT_EQ(cache, seen[0]);
    for (BvmCache* cache : seen)
        bvmTerm(cache);
    BvmCache* fresh = bvmInit(1);
    ASSERT_NE(fresh, nullptr) << "the last term freed it; a new one is made";
    bvmTerm(fresh);
}

} // namespace
