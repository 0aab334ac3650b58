// The arena allocator: exact sizes, alignment, arena lifetime, resizing in
// place and by moving, large blocks, failures, and random and concurrent
// use checked against shadow copies of every block's contents.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "mem/ramInternal.h"
#include "util/VxError.h"
#include "util/ram.h"

namespace {

bool aligned16(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) % 16 == 0;
}

// A block of the test and the bytes it should hold.
struct Tracked {
    unsigned char* block = nullptr;
    std::vector<unsigned char> shadow;
};

void fill(Tracked& t, std::size_t from, std::mt19937& random) {
    auto base = static_cast<unsigned>(random());
    for (std::size_t i = from; i < t.shadow.size(); ++i)
        t.shadow[i] = static_cast<unsigned char>(base + i * 7 + (i >> 8));
    if (from < t.shadow.size())
        std::memcpy(t.block + from, t.shadow.data() + from, t.shadow.size() - from);
}

void expectIntact(const Tracked& t) {
    ASSERT_EQ(ramSize(t.block), t.shadow.size());
    ASSERT_TRUE(aligned16(t.block));
    ASSERT_TRUE(t.shadow.empty() || std::memcmp(t.block, t.shadow.data(), t.shadow.size()) == 0);
}

std::size_t randomSize(std::mt19937& random) {
    unsigned pick = random() % 1000;
    if (pick < 700)
        return random() % 64;
    if (pick < 970)
        return random() % 2000;
    if (pick < 998)
        return random() % 200000;
    return RAM_LARGE_BLOCK + random() % 4096;
}

// One random operation on one slot: allocate, free or resize.
void randomStep(std::vector<Tracked>& slots, std::mt19937& random) {
    Tracked& t = slots[random() % slots.size()];
    if (!t.block) {
        std::size_t size = randomSize(random);
        t.block = static_cast<unsigned char*>(ramAlloc(size));
        ASSERT_NE(t.block, nullptr);
        t.shadow.resize(size);
        fill(t, 0, random);
    } else if (random() % 3 == 0) {
        expectIntact(t);
        ramFree(t.block);
        t.block = nullptr;
        t.shadow.clear();
    } else {
        expectIntact(t);
        std::size_t size = randomSize(random);
        void* p = t.block;
        ASSERT_EQ(ramResize(&p, size), VX_SUCCESS);
        t.block = static_cast<unsigned char*>(p);
        std::size_t old = t.shadow.size();
        t.shadow.resize(size);
        std::size_t kept = old < size ? old : size;
        ASSERT_TRUE(kept == 0 || std::memcmp(t.block, t.shadow.data(), kept) == 0);
        if (size > old)
            fill(t, old, random);
    }
}

void randomRun(unsigned seed, std::size_t slotCount, int steps) {
    std::mt19937 random(seed);
    std::vector<Tracked> slots(slotCount);
    for (int i = 0; i < steps; ++i) {
        randomStep(slots, random);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    for (Tracked& t : slots) {
        if (t.block) {
            expectIntact(t);
            ramFree(t.block);
        }
    }
}

} // namespace

TEST(RamTest, SizeIsWhatWasAskedForAndBlocksAreAligned) {
    for (std::size_t size = 0; size < 300; ++size) {
        void* p = ramAlloc(size);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(ramSize(p), size);
        EXPECT_TRUE(aligned16(p)) << size;
        EXPECT_GE(ramBlockSizeOf(p), size + 8);
        EXPECT_EQ(ramBlockSizeOf(p) % 16, 0u);
        ramFree(p);
    }
    void* p = ramAlloc(13);
    EXPECT_EQ(ramSize(p), 13u);
    EXPECT_EQ(ramBlockSizeOf(p), 32u);
    EXPECT_GE(ramArenaSizeOf(p), 4088u);
    ramFree(p);
}

TEST(RamTest, ArenaGoesBackWhenItsOnlyBlockIsFreed) {
    std::size_t before = ramArenaCount();
    void* p = ramAlloc(200000);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ramArenaCount(), before + 1);
    EXPECT_EQ(ramArenaSizeOf(p), 40u + 200016u);
    ramFree(p);
    EXPECT_EQ(ramArenaCount(), before);
    void* again = ramAlloc(200000);
    EXPECT_EQ(ramArenaCount(), before + 1);
    ramFree(again);
    EXPECT_EQ(ramArenaCount(), before);
}

TEST(RamTest, ResizeInPlaceIntoNeighbourAndByMoving) {
    // A block alone in its arena; shrinking it leaves the rest free after it.
    auto* a = static_cast<char*>(ramAlloc(100000));
    ASSERT_NE(a, nullptr);
    std::memset(a, 'a', 100000);
    void* p = a;
    ASSERT_EQ(ramResize(&p, 1000), VX_SUCCESS);
    EXPECT_EQ(p, a);
    EXPECT_EQ(ramSize(a), 1000u);

    // Growing over the free neighbour keeps the pointer.
    ASSERT_EQ(ramResize(&p, 5000), VX_SUCCESS);
    EXPECT_EQ(p, a);
    ASSERT_EQ(ramResize(&p, 1000), VX_SUCCESS);
    EXPECT_EQ(p, a);

    // The next large request lands right after it.
    auto* b = static_cast<char*>(ramAlloc(90000));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b, a + ramBlockSizeOf(a));
    EXPECT_EQ(ramArenaSizeOf(b), ramArenaSizeOf(a));

    // With an allocated neighbour the block moves and keeps its bytes.
    ASSERT_EQ(ramResize(&p, 5000), VX_SUCCESS);
    EXPECT_NE(p, a);
    EXPECT_TRUE(aligned16(p));
    EXPECT_EQ(ramSize(p), 5000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(static_cast<char*>(p)[i], 'a');
    ramFree(p);
    ramFree(b);
}

TEST(RamTest, ResizeZeroFillsTheGrowth) {
    void* p = ramAllocZ(10);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0x55, 10);
    ASSERT_EQ(ramResizeZ(&p, 3000), VX_SUCCESS);
    auto* bytes = static_cast<unsigned char*>(p);
    EXPECT_EQ(bytes[9], 0x55);
    for (int i = 10; i < 3000; ++i)
        ASSERT_EQ(bytes[i], 0) << i;
    void* fresh = nullptr;
    ASSERT_EQ(ramResizeZ(&fresh, 7), VX_SUCCESS);
    EXPECT_EQ(ramSize(fresh), 7u);
    ramFree(fresh);
    ramFree(p);
}

TEST(RamTest, LargeBlocksLiveOutsideTheArenas) {
    std::size_t before = ramArenaCount();
    auto* big = static_cast<unsigned char*>(ramAlloc(RAM_LARGE_BLOCK + 3));
    ASSERT_NE(big, nullptr);
    EXPECT_TRUE(ramIsLargeBlock(big));
    EXPECT_TRUE(aligned16(big));
    EXPECT_EQ(ramSize(big), RAM_LARGE_BLOCK + 3);
    EXPECT_EQ(ramArenaCount(), before);
    big[RAM_LARGE_BLOCK + 2] = 7;
    void* p = big;
    ASSERT_EQ(ramResize(&p, 3 * RAM_LARGE_BLOCK), VX_SUCCESS);
    EXPECT_EQ(static_cast<unsigned char*>(p)[RAM_LARGE_BLOCK + 2], 7);
    EXPECT_EQ(ramSize(p), 3 * RAM_LARGE_BLOCK);
    ASSERT_EQ(ramResize(&p, 20), VX_SUCCESS);
    EXPECT_EQ(ramSize(p), 20u);
    ramFree(p);

    // An arena block that grows past the threshold becomes a large block.
    auto* small = static_cast<char*>(ramAllocStr("keep me"));
    p = small;
    ASSERT_EQ(ramResize(&p, RAM_LARGE_BLOCK * 2), VX_SUCCESS);
    EXPECT_TRUE(ramIsLargeBlock(p));
    EXPECT_STREQ(static_cast<char*>(p), "keep me");
    ramFree(p);

    void* huge = ramAllocHuge(10);
    EXPECT_TRUE(ramIsLargeBlock(huge));
    ASSERT_EQ(ramResizeHuge(&huge, 100), VX_SUCCESS);
    EXPECT_EQ(ramSize(huge), 100u);
    ramFreeHuge(huge);
    void* page = ramAlloc64K();
    EXPECT_EQ(ramSize(page), 65536u);
    ramFree64K(page);
    EXPECT_EQ(ramArenaCount(), before);
}

TEST(RamTest, FailureRecordsOutOfMemoryAndKeepsTheBlock) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    EXPECT_EQ(ramAlloc(SIZE_MAX - 4), nullptr);
    EXPECT_TRUE(list.hasPendingOutOfMemory());

    VxErrorList second(nullptr, 1);
    VxErrorListScope innerScope(&second);
    char* text = ramAllocStr("intact");
    void* p = text;
    EXPECT_EQ(ramResize(&p, SIZE_MAX - 4), VX_ERROR);
    EXPECT_EQ(p, text);
    EXPECT_STREQ(text, "intact");
    EXPECT_TRUE(second.hasPendingOutOfMemory());
    ramFree(text);
    ramFree(nullptr);
    EXPECT_TRUE(ramIsAllocOK());
}

// Sizes past 32 bits fail as out of memory before reaching the system,
// whose allocator (the sanitizer's among them) may abort on them instead.
TEST(RamTest, SizesBeyondThirtyTwoBitsFailCleanly) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    const std::size_t absurd = std::size_t{1} << 41;
    EXPECT_EQ(ramAlloc(std::size_t{1} << 32), nullptr);
    EXPECT_EQ(ramAllocZ(absurd), nullptr);
    EXPECT_EQ(ramAllocHuge(absurd), nullptr);
    EXPECT_TRUE(list.hasPendingOutOfMemory());
    void* large = ramAlloc(RAM_LARGE_BLOCK);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(ramResize(&large, absurd), VX_ERROR);
    EXPECT_EQ(ramSize(large), RAM_LARGE_BLOCK);
    ramFree(large);
}

// Thousands of arenas: each block is found in its arena, a hole left in an
// early arena is filled before any new arena is made, and freeing
// everything gives every arena back.
TEST(RamTest, ManyArenasFindTheirBlocksAndReuseHoles) {
    const std::size_t before = ramArenaCount();
    std::vector<void*> blocks;
    for (int i = 0; i < 3000; ++i) {
        blocks.push_back(ramAlloc(1000));
        ASSERT_NE(blocks.back(), nullptr);
    }
    const std::size_t arenas = ramArenaCount();
    EXPECT_GT(arenas, before + 500);
    for (void* block : blocks)
        ASSERT_GE(ramArenaSizeOf(block), 4088u);
    ramFree(blocks[10]);
    ramFree(blocks[2000]);
    blocks[10] = ramAlloc(1000);
    blocks[2000] = ramAlloc(1000);
    EXPECT_EQ(ramArenaCount(), arenas);
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        ramFree(blocks[i]);
    for (std::size_t i = 0; i < blocks.size(); i += 2)
        blocks[i] = ramAlloc(500);
    EXPECT_EQ(ramArenaCount(), arenas);
    for (void* block : blocks)
        ramFree(block);
    EXPECT_EQ(ramArenaCount(), before);
}

TEST(RamTest, RandomOperationsKeepEveryBlockIntact) {
    std::size_t before = ramArenaCount();
    randomRun(12345, 400, 40000);
    EXPECT_EQ(ramArenaCount(), before);
}

TEST(RamTest, ConcurrentThreadsShareTheArenas) {
    std::size_t before = ramArenaCount();
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < 4; ++i)
        threads.emplace_back([i] { randomRun(777 + i, 200, 10000); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(ramArenaCount(), before);
}

#if defined(__SANITIZE_ADDRESS__)
TEST(RamDeathTest, OverrunsInsideAnArenaAreReported) {
    auto* p = static_cast<volatile char*>(ramAlloc(13));
    p[12] = 1;
    EXPECT_DEATH(p[13] = 1, "use-after-poison");
    void* freed = ramAlloc(40);
    void* keep = ramAlloc(40);
    ramFree(freed);
    EXPECT_DEATH(static_cast<volatile char*>(freed)[0] = 1, "use-after-poison");
    ramFree(keep);
    ramFree(const_cast<char*>(p));
}
#endif
