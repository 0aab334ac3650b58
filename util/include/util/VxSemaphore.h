// Locks of the system: VxSemaphore and the global semaphore slots.
//
// A global lock lives in a slot that starts out as VX_SEM_NOT_CREATED;
// vxSemaphoreEnter creates the semaphore on first use and then takes it.
// While a slot holds VX_SEM_CREATING or VX_SEM_DESTROYED it is not locked
// (the allocator uses this while its own semaphore is being made and
// after it is gone at shutdown). Semaphores are not re-entrant.
#pragma once

#include <atomic>
#include <cstdint>

#include "util/VxExport.h"

class VxSemaphore;

using VxSemaphoreSlot = std::atomic<std::uintptr_t>;

constexpr std::uintptr_t VX_SEM_NOT_CREATED = 0;
constexpr std::uintptr_t VX_SEM_CREATING = 1;
constexpr std::uintptr_t VX_SEM_DESTROYED = 2;

VX_EXPORT void vxSemaphoreEnter(VxSemaphoreSlot* slot);
VX_EXPORT void vxSemaphoreExit(VxSemaphoreSlot* slot);

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
