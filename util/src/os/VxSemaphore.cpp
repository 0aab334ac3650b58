// VxSemaphore and the global semaphore slots.
#include "util/VxSemaphore.h"

#include <sched.h>
#include <semaphore.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "util/VxSemaphoreInfo.h"

static_assert(sizeof(sem_t) <= 32 && alignof(sem_t) <= 8, "sem_t must fit its storage");

namespace {

VxSemaphoreSlot allocatorSlot{VX_SEM_NOT_CREATED};

// Slots whose semaphore some thread is making right now. A thread that
// finds VX_SEM_CREATING in one of them waits; otherwise the marker means
// "usable without locking".
constexpr int CREATION_CAPACITY = 16;
std::atomic<VxSemaphoreSlot*> creations[CREATION_CAPACITY];

// The slot the calling thread is making a semaphore for.
thread_local VxSemaphoreSlot* creatingHere = nullptr;

int registerCreation(VxSemaphoreSlot* slot) {
    for (int i = 0; i < CREATION_CAPACITY; ++i) {
        VxSemaphoreSlot* empty = nullptr;
        if (creations[i].compare_exchange_strong(empty, slot))
            return i;
    }
    return -1;
}

void unregisterCreation(int index) {
    if (index >= 0)
        creations[index].store(nullptr);
}

bool isBeingCreated(VxSemaphoreSlot* slot) {
    for (auto& entry : creations)
        if (entry.load() == slot)
            return true;
    return false;
}

sem_t* systemOf(unsigned char* storage) {
    return reinterpret_cast<sem_t*>(storage);
}

// The thread id is asked of the kernel once per thread: every semaphore
// entry records its owner, and a system call there would dominate short
// critical sections.
std::uint32_t currentThread() {
    thread_local std::uint32_t id = 0;
    if (id == 0)
        id = static_cast<std::uint32_t>(gettid());
    return id;
}

void pause(std::uint32_t milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    struct timespec wait = {static_cast<time_t>(milliseconds / 1000),
                            static_cast<long>(milliseconds % 1000) * 1000000L};
    nanosleep(&wait, nullptr);
}

// Makes the semaphore of a slot the calling thread has won. On failure the
// slot goes back to `previous` and the caller carries on unlocked (the
// allocator has recorded the failure).
VxSemaphore* createInSlot(VxSemaphoreSlot* slot, std::uintptr_t previous) {
    VxSemaphoreSlot* outer = creatingHere;
    creatingHere = slot;
    auto* semaphore = new VxSemaphore(slot);
    if (semaphore && semaphore->initialize() != VX_SUCCESS) {
        delete semaphore;
        semaphore = nullptr;
    }
    creatingHere = outer;
    slot->store(semaphore ? reinterpret_cast<std::uintptr_t>(semaphore) : previous,
                std::memory_order_release);
    return semaphore;
}

} // namespace

VxSemaphoreSlot* vxAllocatorSemaphoreSlot() {
    return &allocatorSlot;
}

void vxSemaphoreEnter(VxSemaphoreSlot* slot) {
    for (;;) {
        std::uintptr_t value = slot->load(std::memory_order_acquire);
        if (value > VX_SEM_DESTROYED) {
            reinterpret_cast<VxSemaphore*>(value)->enter();
            return;
        }
        if (value == VX_SEM_CREATING) {
            if (creatingHere == slot || !isBeingCreated(slot))
                return;
            sched_yield();
            continue;
        }
        // Every other semaphore needs memory, so the allocator's comes first.
        if (slot != &allocatorSlot) {
            vxSemaphoreEnter(&allocatorSlot);
            vxSemaphoreExit(&allocatorSlot);
        }
        int registration = registerCreation(slot);
        if (!slot->compare_exchange_strong(value, VX_SEM_CREATING, std::memory_order_acq_rel)) {
            unregisterCreation(registration);
            continue;
        }
        VxSemaphore* semaphore = createInSlot(slot, value);
        unregisterCreation(registration);
        if (semaphore)
            semaphore->enter();
        return;
    }
}

void vxSemaphoreExit(VxSemaphoreSlot* slot) {
    std::uintptr_t value = slot->load(std::memory_order_acquire);
    if (value > VX_SEM_DESTROYED)
        reinterpret_cast<VxSemaphore*>(value)->exit();
}

VxSemaphore::VxSemaphore(VxSemaphoreSlot* creatingSlot) : creatingSlot_(creatingSlot) {}

VxSemaphore::~VxSemaphore() {
    if (info_)
        info_->release(this);
    else if (kind_ == VX_SEMAPHORE_SYSTEM)
        sem_destroy(systemOf(systemSemaphore_));
    if (creatingSlot_) {
        std::uintptr_t self = reinterpret_cast<std::uintptr_t>(this);
        creatingSlot_->compare_exchange_strong(
            self, creatingSlot_ == &allocatorSlot ? VX_SEM_CREATING : VX_SEM_DESTROYED);
    }
}

VxStatus VxSemaphore::initialize() {
    VxSemaphoreInfo* pool = VxSemaphoreInfo::get();
    if (!pool)
        return VX_ERROR;
    return pool->allocate(this);
}

void VxSemaphore::enter() {
    if (kind_ == VX_SEMAPHORE_SYSTEM) {
        if (entries_.fetch_add(1, std::memory_order_acquire) > 0)
            while (sem_wait(systemOf(systemSemaphore_)) != 0 && errno == EINTR) {
            }
    } else if (kind_ == VX_SEMAPHORE_SPIN) {
        enterSpin();
    }
    ownerThread_.store(currentThread(), std::memory_order_relaxed);
}

void VxSemaphore::enterSpin() {
    std::uint32_t tries = spinCount_ > 0 ? spinCount_ : 1;
    for (;;) {
        for (std::uint32_t i = 0; i < tries; ++i)
            if (spinWord_.exchange(1, std::memory_order_acquire) == 0)
                return;
        pause(spinSleep_);
    }
}

void VxSemaphore::exit() {
    ownerThread_.store(0, std::memory_order_relaxed);
    if (kind_ == VX_SEMAPHORE_SYSTEM) {
        if (entries_.fetch_sub(1, std::memory_order_release) > 1)
            sem_post(systemOf(systemSemaphore_));
    } else if (kind_ == VX_SEMAPHORE_SPIN)
        spinWord_.store(0, std::memory_order_release);
}
