// The semaphore pool: choosing the kind of each lock, the process-wide
// quota of system semaphores, and the list of every semaphore.
#include "util/VxSemaphoreInfo.h"

#include <sched.h>
#include <semaphore.h>

#include <cstdio>
#include <cstdlib>

#include "error/utlMessages.h"
#include "os/VxSemaphorePool.h"
#include "util/mds.h"

namespace {

constexpr std::uint32_t DEFAULT_SPIN_COUNT = 25;

// The per-task slot of the pool: null, 1 while a thread makes the pool, or
// the pool.
void** poolSlot() {
    return mdsGetPerTaskDataAddress(PER_TASK_SEMAPHORE_POOL);
}
void* const POOL_CREATING = reinterpret_cast<void*>(1);

std::uint32_t readNumber(const char* name, std::uint32_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    return static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

const char* caption(unsigned id) {
    const char* text = utlMessageTable().find(id);
    return text ? text : "";
}

const char* kindCaption(VxSemaphoreKind kind) {
    return caption(kind == VX_SEMAPHORE_SPIN ? 1530 : 1529);
}

} // namespace

void SemArray::take() {
    while (word_.exchange(1, std::memory_order_acquire) != 0) {
    }
}

VxStatus SemArray::add(VxObject* object) {
    take();
    VxStatus status = VxArray::add(object);
    release();
    return status;
}

VxStatus SemArray::addAtIndex(VxObject* object, std::uint16_t index) {
    take();
    VxStatus status = VxArray::addAtIndex(object, index);
    release();
    return status;
}

void SemArray::remove(const VxObject* object) {
    take();
    for (std::uint16_t i = 0; i < VxArray::getCount(); ++i)
        if (VxArray::get(i) == object) {
            VxArray::removeAtIndex(i);
            break;
        }
    release();
}

VxObject* SemArray::removeAtIndex(std::uint16_t index) {
    take();
    VxObject* object = VxArray::removeAtIndex(index);
    release();
    return object;
}

std::uint16_t SemArray::count() {
    take();
    std::uint16_t result = VxArray::getCount();
    release();
    return result;
}

VxObject* SemArray::get(std::uint16_t index) {
    take();
    VxObject* object = VxArray::get(index);
    release();
    return object;
}

VxSemaphoreInfo* VxSemaphoreInfo::get() {
    void** slot = poolSlot();
    bool allocatorReady = false;
    for (;;) {
        void* pool = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
        if (pool && pool != POOL_CREATING)
            return static_cast<VxSemaphoreInfo*>(pool);
        if (pool == POOL_CREATING) {
            sched_yield();
            continue;
        }
        // The pool is made in allocated memory, and the allocator's own
        // semaphore comes from the pool: the allocator's semaphore is made
        // first (which makes the pool), or the allocation would wait for the
        // pool this thread is making.
        if (!allocatorReady) {
            allocatorReady = true;
            vxSemaphoreEnter(vxAllocatorSemaphoreSlot());
            vxSemaphoreExit(vxAllocatorSemaphoreSlot());
            continue;
        }
        if (!__atomic_compare_exchange_n(slot, &pool, POOL_CREATING, false, __ATOMIC_ACQ_REL,
                                         __ATOMIC_ACQUIRE))
            continue;
        auto* created = new VxSemaphoreInfo();
        if (created)
            created->readSettings();
        __atomic_store_n(slot, created, __ATOMIC_RELEASE);
        return created;
    }
}

VxSemaphoreInfo::VxSemaphoreInfo() = default;

VxSemaphoreInfo::~VxSemaphoreInfo() {
    while (VxObject* object = semaphores_.removeAtIndex(0)) {
        auto* semaphore = static_cast<VxSemaphore*>(object);
        semaphore->info_ = nullptr;
        if (semaphore->getCreatingSlot())
            delete semaphore;
    }
}

void VxSemaphoreInfo::readSettings() {
    spinCount_ = readNumber("VX_SPIN_COUNT", DEFAULT_SPIN_COUNT);
    spinSleep_ = readNumber("VX_SPIN_SLEEP", 0);
    control_ = readNumber("VX_SEMCONTROL", 0);
    quota_.store(static_cast<int>(control_ & VX_SEMCONTROL_LIMIT_MASK));
    initialized_ = true;
    report(1525, nullptr);
}

bool VxSemaphoreInfo::takeQuota() {
    if ((control_ & VX_SEMCONTROL_LIMIT_MASK) == 0)
        return true;
    int left = quota_.load();
    do {
        if (left <= 0)
            return false;
    } while (!quota_.compare_exchange_weak(left, left - 1));
    return true;
}

VxStatus VxSemaphoreInfo::allocate(VxSemaphore* semaphore) {
    semaphore->spinCount_ = spinCount_;
    semaphore->spinSleep_ = spinSleep_;
    bool system = !(control_ & VX_SEMCONTROL_SPIN_ONLY) && takeQuota();
    if (system && sem_init(reinterpret_cast<sem_t*>(semaphore->systemSemaphore_), 0, 0) != 0) {
        if ((control_ & VX_SEMCONTROL_LIMIT_MASK) != 0)
            quota_.fetch_add(1);
        system = false;
    }
    semaphore->kind_ = system ? VX_SEMAPHORE_SYSTEM : VX_SEMAPHORE_SPIN;
    if (semaphores_.add(semaphore) != VX_SUCCESS) {
        if (system)
            sem_destroy(reinterpret_cast<sem_t*>(semaphore->systemSemaphore_));
        semaphore->kind_ = VX_SEMAPHORE_NONE;
        return VX_ERROR;
    }
    semaphore->info_ = this;
    report(1526, semaphore);
    return VX_SUCCESS;
}

void VxSemaphoreInfo::release(VxSemaphore* semaphore) {
    report(1538, semaphore);
    if (semaphore->kind_ == VX_SEMAPHORE_SYSTEM) {
        sem_destroy(reinterpret_cast<sem_t*>(semaphore->systemSemaphore_));
        if ((control_ & VX_SEMCONTROL_LIMIT_MASK) != 0)
            quota_.fetch_add(1);
    }
    semaphores_.remove(semaphore);
    semaphore->info_ = nullptr;
}

// With the diagnostic bit, one line per event on standard error.
void VxSemaphoreInfo::report(unsigned title, const VxSemaphore* semaphore) const {
    if (!(control_ & VX_SEMCONTROL_DIAGNOSTICS))
        return;
    if (!semaphore) {
        bool spinOnly = (control_ & VX_SEMCONTROL_SPIN_ONLY) != 0;
        std::fprintf(stderr, "%s: %s: %s; %s: %u; %s: %u; %s: %u\n", caption(title), caption(1527),
                     caption(spinOnly ? 1530 : 1529), caption(1531),
                     control_ & VX_SEMCONTROL_LIMIT_MASK, caption(1532), spinCount_, caption(1533),
                     spinSleep_);
        return;
    }
    std::fprintf(stderr, "%s: %s: %s\n", caption(title), caption(1528),
                 kindCaption(semaphore->getKind()));
}

void vxSemaphoreDeletePool() {
    void** slot = poolSlot();
    void* pool = __atomic_exchange_n(slot, nullptr, __ATOMIC_ACQ_REL);
    if (pool && pool != POOL_CREATING)
        delete static_cast<VxSemaphoreInfo*>(pool);
}

void vxSemaphoreReloadPool() {
    if (VxSemaphoreInfo* pool = VxSemaphoreInfo::get())
        pool->readSettings();
}
