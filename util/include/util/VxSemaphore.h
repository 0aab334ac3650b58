// Locks of the system: VxSemaphore and the global semaphore slots.
//
// A VxSemaphore is either a system semaphore or a spin lock, as the
// semaphore pool (VxSemaphoreInfo) decides when it is initialised. Neither
// kind is re-entrant: a thread entering a semaphore it holds waits for ever.
//
// A global lock lives in a slot that starts out as VX_SEM_NOT_CREATED;
// vxSemaphoreEnter creates the semaphore on first use (and again after
// shutdown left VX_SEM_DESTROYED) and then takes it. Creation is race-free:
// one thread wins the slot (which holds VX_SEM_CREATING meanwhile) and the
// others wait for the semaphore. A slot holding VX_SEM_CREATING is not
// locked by the creating thread itself (creating a semaphore allocates
// memory, which enters the allocator's slot), nor by anyone once no
// creation is under way: the allocator's slot holds it while the semaphores
// are torn down at shutdown, so memory can still be freed.
#pragma once

#include <atomic>
#include <cstdint>

#include "util/VxExport.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class VxSemaphoreInfo;

using VxSemaphoreSlot = std::atomic<std::uintptr_t>;

constexpr std::uintptr_t VX_SEM_NOT_CREATED = 0;
constexpr std::uintptr_t VX_SEM_CREATING = 1;
constexpr std::uintptr_t VX_SEM_DESTROYED = 2;

VX_EXPORT void vxSemaphoreEnter(VxSemaphoreSlot* slot);
// Does nothing for a slot holding one of the three markers.
VX_EXPORT void vxSemaphoreExit(VxSemaphoreSlot* slot);
// The allocator's global slot. Its semaphore, when destroyed, leaves
// VX_SEM_CREATING behind instead of VX_SEM_DESTROYED (see above).
VX_EXPORT VxSemaphoreSlot* vxAllocatorSemaphoreSlot();

enum VxSemaphoreKind : int {
    VX_SEMAPHORE_NONE = 0,
    VX_SEMAPHORE_SYSTEM = 1,
    VX_SEMAPHORE_SPIN = 2,
};

class VX_EXPORT VxSemaphore : public VxObject {
public:
    // `creatingSlot` is the global slot the semaphore is made for, or null
    // for a semaphore that an object owns.
    explicit VxSemaphore(VxSemaphoreSlot* creatingSlot = nullptr);
    VxSemaphore(const VxSemaphore&) = delete;
    VxSemaphore& operator=(const VxSemaphore&) = delete;
    // Frees the lock and leaves VX_SEM_DESTROYED in the creating slot
    // (VX_SEM_CREATING for the allocator's slot).
    ~VxSemaphore() override;

    // Allocates the lock of the kind the pool chooses and registers it.
    VxStatus initialize();
    void enter();
    void exit();

    VxSemaphoreKind getKind() const { return kind_; }
    bool isSpinLock() const { return kind_ == VX_SEMAPHORE_SPIN; }
    // The thread that entered last (informational).
    std::uint32_t getOwnerThread() const { return ownerThread_.load(std::memory_order_relaxed); }
    VxSemaphoreSlot* getCreatingSlot() const { return creatingSlot_; }

private:
    friend class VxSemaphoreInfo;

    void enterSpin();

    std::atomic<std::uint32_t> ownerThread_{0};
    VxSemaphoreKind kind_ = VX_SEMAPHORE_NONE;
    // A system semaphore is entered through `entries_` (the holder plus the
    // threads waiting): the first to enter takes it with one atomic step,
    // the others sleep on the system semaphore, which starts at zero and is
    // posted once for each of them by the exits that find a waiter.
    std::atomic<std::int32_t> entries_{0};
    alignas(8) unsigned char systemSemaphore_[32] = {};
    std::atomic<std::uint32_t> spinWord_{0};
    std::uint32_t spinCount_ = 1;
    std::uint32_t spinSleep_ = 0;
    VxSemaphoreSlot* creatingSlot_;
    VxSemaphoreInfo* info_ = nullptr;
};

// Scope object over a global slot.
class VxSemaphoreLock {
public:
    explicit VxSemaphoreLock(VxSemaphoreSlot* slot) : slot_(slot) { vxSemaphoreEnter(slot_); }
    ~VxSemaphoreLock() { vxSemaphoreExit(slot_); }
    VxSemaphoreLock(const VxSemaphoreLock&) = delete;
    VxSemaphoreLock& operator=(const VxSemaphoreLock&) = delete;

private:
    VxSemaphoreSlot* slot_;
};

// Scope object over a semaphore an object owns.
class VxSemaphoreGuard {
public:
    explicit VxSemaphoreGuard(VxSemaphore* semaphore) : semaphore_(semaphore) {
        semaphore_->enter();
    }
    ~VxSemaphoreGuard() { semaphore_->exit(); }
    VxSemaphoreGuard(const VxSemaphoreGuard&) = delete;
    VxSemaphoreGuard& operator=(const VxSemaphoreGuard&) = delete;

private:
    VxSemaphore* semaphore_;
};
