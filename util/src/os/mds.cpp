// Per-task (per-process) and per-thread data.
//
// The per-task slots are plain process globals; the usage count is atomic.
// The thread table is kept as one record per thread in thread-local storage
// plus a process-wide generation number: a thread is in the table when its
// record carries the current generation, and discarding the table (for all
// threads at once) just moves the generation on. A lookup therefore never
// locks, never allocates and never fails.
#include "util/mds.h"

#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "os/VxSemaphorePool.h"
#include "util/VxSemaphore.h"

namespace {

void* taskSlots[PER_TASK_SLOT_COUNT];
std::atomic<int> taskUsers{0};

std::atomic<std::uint64_t> threadTableGeneration{1};

struct ThreadRecord {
    std::uint64_t generation;
    std::uint32_t threadId;
    std::uint16_t usage;
    void* slots[PER_THREAD_SLOT_COUNT];
};

thread_local ThreadRecord thisThread;

bool validTaskSlot(int slot) {
    return slot >= 0 && slot < PER_TASK_SLOT_COUNT;
}
bool validThreadSlot(int slot) {
    return slot >= 0 && slot < PER_THREAD_SLOT_COUNT;
}

bool threadKnown() {
    return thisThread.generation == threadTableGeneration.load(std::memory_order_acquire);
}

void addThread() {
    thisThread.generation = threadTableGeneration.load(std::memory_order_acquire);
    thisThread.threadId = static_cast<std::uint32_t>(gettid());
    thisThread.usage = 1;
    for (void*& value : thisThread.slots)
        value = nullptr;
}

void discardThreadTable() {
    threadTableGeneration.fetch_add(1, std::memory_order_acq_rel);
}

} // namespace

int mdsPerTaskInit() {
    taskUsers.fetch_add(1, std::memory_order_acq_rel);
    return 1;
}

void mdsPerTaskTerm() {
    int users = taskUsers.load(std::memory_order_acquire);
    do {
        if (users <= 0)
            return;
    } while (!taskUsers.compare_exchange_weak(users, users - 1, std::memory_order_acq_rel));
    if (users != 1)
        return;
    discardThreadTable();
    vxSemaphoreDeletePool();
    std::uintptr_t creating = VX_SEM_CREATING;
    vxAllocatorSemaphoreSlot()->compare_exchange_strong(creating, VX_SEM_DESTROYED);
    // The allocator's arena chain stays: blocks still in use live in it.
    for (int slot = 0; slot < PER_TASK_SLOT_COUNT; ++slot)
        if (slot != PER_TASK_ALLOCATOR)
            __atomic_store_n(&taskSlots[slot], nullptr, __ATOMIC_RELEASE);
}

bool mdsIsTaskInit() {
    return taskUsers.load(std::memory_order_acquire) != 0;
}

void* mdsGetPerTaskData(int slot) {
    return validTaskSlot(slot) ? __atomic_load_n(&taskSlots[slot], __ATOMIC_ACQUIRE) : nullptr;
}

void mdsSetPerTaskData(int slot, void* value) {
    if (validTaskSlot(slot))
        __atomic_store_n(&taskSlots[slot], value, __ATOMIC_RELEASE);
}

void** mdsGetPerTaskDataAddress(int slot) {
    return validTaskSlot(slot) ? &taskSlots[slot] : nullptr;
}

void mdsPerThreadInit() {
    if (threadKnown())
        ++thisThread.usage;
    else
        addThread();
}

void mdsPerThreadTerm() {
    discardThreadTable();
}

bool mdsIsThreadInit() {
    return threadKnown();
}

void* mdsGetPerThreadData(int slot) {
    return validThreadSlot(slot) && threadKnown() ? thisThread.slots[slot] : nullptr;
}

void** mdsGetPerThreadDataAddress(int slot) {
    return validThreadSlot(slot) && threadKnown() ? &thisThread.slots[slot] : nullptr;
}

VxStatus mdsSetPerThreadData(int slot, void* value) {
    if (!validThreadSlot(slot))
        return VX_ERROR;
    if (!threadKnown())
        addThread();
    thisThread.slots[slot] = value;
    return VX_SUCCESS;
}
