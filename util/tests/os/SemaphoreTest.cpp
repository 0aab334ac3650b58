// Semaphores, the semaphore pool and the per-task and per-thread tables.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "os/VxSemaphorePool.h"
#include "util/VxSemaphore.h"
#include "util/VxSemaphoreInfo.h"
#include "util/mds.h"

namespace {

// Sets the pool's variables for one test and restores the defaults after.
struct PoolSettings {
    explicit PoolSettings(const char* control) {
        setenv("VX_SEMCONTROL", control, 1);
        vxSemaphoreReloadPool();
    }
    ~PoolSettings() {
        unsetenv("VX_SEMCONTROL");
        vxSemaphoreReloadPool();
    }
};

VxSemaphore* makeSemaphore() {
    auto* semaphore = new VxSemaphore();
    EXPECT_NE(semaphore, nullptr);
    EXPECT_EQ(semaphore->initialize(), VX_SUCCESS);
    return semaphore;
}

TEST(SemaphoreTest, ControlLimitTurnsTheThirdIntoASpinLock) {
    PoolSettings settings("2");
    VxSemaphore* first = makeSemaphore();
    VxSemaphore* second = makeSemaphore();
    VxSemaphore* third = makeSemaphore();
    EXPECT_EQ(first->getKind(), VX_SEMAPHORE_SYSTEM);
    EXPECT_EQ(second->getKind(), VX_SEMAPHORE_SYSTEM);
    EXPECT_EQ(third->getKind(), VX_SEMAPHORE_SPIN);
    delete first;
    VxSemaphore* again = makeSemaphore();
    EXPECT_EQ(again->getKind(), VX_SEMAPHORE_SYSTEM) << "a released semaphore returns its quota";
    delete again;
    delete second;
    delete third;
}

TEST(SemaphoreTest, SpinOnlyBitMakesEverySemaphoreASpinLock) {
    PoolSettings settings("524288");
    VxSemaphore* a = makeSemaphore();
    VxSemaphore* b = makeSemaphore();
    EXPECT_TRUE(a->isSpinLock());
    EXPECT_TRUE(b->isSpinLock());
    delete a;
    delete b;
}

TEST(SemaphoreTest, DefaultsAndRegistration) {
    VxSemaphoreInfo* pool = VxSemaphoreInfo::get();
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(mdsGetPerTaskData(PER_TASK_SEMAPHORE_POOL), pool);
    EXPECT_EQ(pool->getSpinCount(), 25u);
    EXPECT_EQ(pool->getSpinSleep(), 0u);
    EXPECT_EQ(pool->getControl(), 0u);
    std::uint16_t before = pool->getSemaphoreCount();
    VxSemaphore* semaphore = makeSemaphore();
    EXPECT_EQ(semaphore->getKind(), VX_SEMAPHORE_SYSTEM);
    EXPECT_EQ(pool->getSemaphoreCount(), before + 1);
    delete semaphore;
    EXPECT_EQ(pool->getSemaphoreCount(), before);
}

// Both kinds must keep two threads out of each other's way.
void expectExclusion(VxSemaphore* semaphore) {
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            VxSemaphoreGuard guard(semaphore);
            long seen = counter;
            if (i % 64 == 0)
                std::this_thread::yield();
            counter = seen + 1;
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(counter, 40000);
}

TEST(SemaphoreTest, BothKindsExclude) {
    VxSemaphore* system = makeSemaphore();
    expectExclusion(system);
    delete system;
    PoolSettings settings("524288");
    VxSemaphore* spin = makeSemaphore();
    ASSERT_TRUE(spin->isSpinLock());
    expectExclusion(spin);
    delete spin;
}

// A system semaphore with several threads queued behind its holder: each
// exit hands it to exactly one waiter, and none is left asleep.
TEST(SemaphoreTest, SystemSemaphoreHandsOverToEveryWaiter) {
    VxSemaphore* semaphore = makeSemaphore();
    ASSERT_EQ(semaphore->getKind(), VX_SEMAPHORE_SYSTEM);
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 5000; ++i) {
            VxSemaphoreGuard guard(semaphore);
            long seen = counter;
            if (i % 16 == 0)
                std::this_thread::yield();
            counter = seen + 1;
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(work);
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 20000);
    delete semaphore;
}

TEST(SemaphoreTest, GlobalSlotsAreMadeOnceUnderContention) {
    VxSemaphoreSlot slot{VX_SEM_NOT_CREATED};
    long counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 5000; ++i) {
                VxSemaphoreLock lock(&slot);
                long seen = counter;
                counter = seen + 1;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 20000);
    std::uintptr_t value = slot.load();
    ASSERT_GT(value, VX_SEM_DESTROYED);
    delete reinterpret_cast<VxSemaphore*>(value);
    EXPECT_EQ(slot.load(), VX_SEM_DESTROYED);
    // A destroyed slot is made again on its next use.
    vxSemaphoreEnter(&slot);
    EXPECT_GT(slot.load(), VX_SEM_DESTROYED);
    vxSemaphoreExit(&slot);
    delete reinterpret_cast<VxSemaphore*>(slot.load());
}

TEST(SemaphoreTest, MarkedSlotsAreNotLocked) {
    VxSemaphoreSlot slot{VX_SEM_CREATING};
    vxSemaphoreEnter(&slot);
    vxSemaphoreEnter(&slot) /* would wait for ever if it had locked */;
    vxSemaphoreExit(&slot);
    vxSemaphoreExit(&slot);
    EXPECT_EQ(slot.load(), VX_SEM_CREATING);
}

TEST(PerThreadDataTest, SlotsBelongToTheirThread) {
    int mine = 1;
    ASSERT_EQ(mdsSetPerThreadData(1, &mine), VX_SUCCESS);
    void* seenElsewhere = &mine;
    bool knownElsewhere = true;
    void* setElsewhere = nullptr;
    std::thread other([&] {
        seenElsewhere = mdsGetPerThreadData(1);
        knownElsewhere = mdsIsThreadInit();
        int theirs = 2;
        EXPECT_EQ(mdsGetPerThreadDataAddress(1), nullptr);
        EXPECT_EQ(mdsSetPerThreadData(1, &theirs), VX_SUCCESS);
        EXPECT_TRUE(mdsIsThreadInit());
        setElsewhere = mdsGetPerThreadData(1);
        EXPECT_EQ(setElsewhere, &theirs);
    });
    other.join();
    EXPECT_EQ(seenElsewhere, nullptr);
    EXPECT_FALSE(knownElsewhere);
    EXPECT_EQ(mdsGetPerThreadData(1), &mine);
    EXPECT_EQ(mdsSetPerThreadData(PER_THREAD_SLOT_COUNT, &mine), VX_ERROR);
    EXPECT_EQ(mdsGetPerThreadData(-1), nullptr);
    ASSERT_EQ(mdsSetPerThreadData(1, nullptr), VX_SUCCESS);
}

TEST(PerThreadDataTest, ThreadsJoiningAtOnceKeepTheirOwnSlots) {
    constexpr int threadCount = 8;
    std::atomic<int> ready{0};
    std::atomic<int> wrong{0};
    char marks[threadCount][PER_THREAD_SLOT_COUNT];
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < threadCount) {
            }
            // Every thread enters the table for the first time here, together.
            for (int round = 0; round < 2000; ++round)
                for (int slot = 0; slot < PER_THREAD_SLOT_COUNT; ++slot) {
                    if (mdsSetPerThreadData(slot, &marks[t][slot]) != VX_SUCCESS)
                        ++wrong;
                    if (mdsGetPerThreadData(slot) != &marks[t][slot])
                        ++wrong;
                }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(PerThreadDataTest, DiscardingTheTableForgetsEveryThread) {
    void* keptErrorList = mdsGetPerThreadData(PER_THREAD_ERROR_LIST);
    int value = 0;
    mdsPerThreadInit();
    ASSERT_EQ(mdsSetPerThreadData(1, &value), VX_SUCCESS);
    mdsPerThreadTerm();
    EXPECT_FALSE(mdsIsThreadInit());
    EXPECT_EQ(mdsGetPerThreadData(1), nullptr);
    mdsPerThreadInit();
    EXPECT_TRUE(mdsIsThreadInit());
    EXPECT_EQ(mdsGetPerThreadData(1), nullptr) << "a thread joins again with empty slots";
    ASSERT_EQ(mdsSetPerThreadData(PER_THREAD_ERROR_LIST, keptErrorList), VX_SUCCESS);
}

TEST(PerTaskDataTest, TheLastTermClearsTheTable) {
    while (mdsIsTaskInit())
        mdsPerTaskTerm();
    EXPECT_EQ(mdsPerTaskInit(), 1);
    EXPECT_EQ(mdsPerTaskInit(), 1);
    int value = 0;
    mdsSetPerTaskData(PER_TASK_SHARED_DATUM, &value);
    EXPECT_EQ(*mdsGetPerTaskDataAddress(PER_TASK_SHARED_DATUM), &value);
    ASSERT_NE(VxSemaphoreInfo::get(), nullptr);
    mdsPerTaskTerm();
    EXPECT_TRUE(mdsIsTaskInit());
    EXPECT_EQ(mdsGetPerTaskData(PER_TASK_SHARED_DATUM), &value);
    mdsPerThreadInit();
    mdsPerTaskTerm();
    EXPECT_FALSE(mdsIsTaskInit());
    EXPECT_EQ(mdsGetPerTaskData(PER_TASK_SHARED_DATUM), nullptr);
    EXPECT_EQ(mdsGetPerTaskData(PER_TASK_SEMAPHORE_POOL), nullptr);
    EXPECT_FALSE(mdsIsThreadInit()) << "the thread table goes with the last user";
    mdsPerTaskTerm();
    EXPECT_FALSE(mdsIsTaskInit()) << "an extra term does not count below zero";
    EXPECT_EQ(mdsGetPerTaskData(PER_TASK_SLOT_COUNT), nullptr);
    // Locks work again afterwards: the allocator and the pool come back.
    VxSemaphore* semaphore = makeSemaphore();
    EXPECT_NE(mdsGetPerTaskData(PER_TASK_SEMAPHORE_POOL), nullptr);
    delete semaphore;
}

} // namespace
