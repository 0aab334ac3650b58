// The semaphore pool of the process (per-task slot 11).
//
// The pool reads three environment variables once, as decimal numbers:
// "VX_SPIN_COUNT" (exchanges a spin lock tries before it pauses, default
// 25), "VX_SPIN_SLEEP" (the pause in milliseconds, default 0: yield the
// processor) and "VX_SEMCONTROL" (default 0). The low 8 bits of the control
// value limit the number of system semaphores (0: no limit); past the limit
// semaphores are spin locks. Bit 19 makes every semaphore a spin lock. Bit
// 16 writes a diagnostic line for the pool and for every semaphore made or
// released to standard error.
//
// SemArray lists every semaphore of the pool. It guards itself with its own
// busy-waiting word, so registering a semaphore never needs a semaphore.
#pragma once

#include <atomic>
#include <cstdint>

#include "util/VxArray.h"
#include "util/VxSemaphore.h"

constexpr std::uint32_t VX_SEMCONTROL_LIMIT_MASK = 0xFF;
constexpr std::uint32_t VX_SEMCONTROL_DIAGNOSTICS = 1u << 16;
constexpr std::uint32_t VX_SEMCONTROL_SPIN_ONLY = 1u << 19;

class VX_EXPORT SemArray : private VxArray {
public:
    SemArray() : VxArray(VX_ARRAY_DEFAULT_GROWTH, false) {}

    VxStatus add(VxObject* object);
    VxStatus addAtIndex(VxObject* object, std::uint16_t index);
    // Removes `object` when present.
    void remove(const VxObject* object);
    // Removes and returns the element at `index` (null past the count).
    VxObject* removeAtIndex(std::uint16_t index);
    std::uint16_t count();
    VxObject* get(std::uint16_t index);

private:
    void take();
    void release() { word_.store(0, std::memory_order_release); }

    std::atomic<std::uint32_t> word_{0};
};

class VX_EXPORT VxSemaphoreInfo : public VxObject {
public:
    // The pool of the process, made on first use; null when it cannot be
    // made (the allocator has recorded why).
    static VxSemaphoreInfo* get();

    VxSemaphoreInfo();
    VxSemaphoreInfo(const VxSemaphoreInfo&) = delete;
    VxSemaphoreInfo& operator=(const VxSemaphoreInfo&) = delete;
    // Deletes the semaphores of global slots and detaches the others.
    ~VxSemaphoreInfo() override;

    // Reads the environment variables; the quota starts at the limit.
    void readSettings();
    // Chooses the kind of `semaphore`, makes its lock and registers it.
    VxStatus allocate(VxSemaphore* semaphore);
    // Frees the lock of `semaphore`, returns its quota and unregisters it.
    void release(VxSemaphore* semaphore);

    std::uint32_t getSpinCount() const { return spinCount_; }
    std::uint32_t getSpinSleep() const { return spinSleep_; }
    std::uint32_t getControl() const { return control_; }
    int getRemainingQuota() const { return quota_.load(std::memory_order_relaxed); }
    std::uint16_t getSemaphoreCount() { return semaphores_.count(); }

private:
    bool takeQuota();
    void report(unsigned title, const VxSemaphore* semaphore) const;

    std::uint32_t spinSleep_ = 0;
    std::uint32_t spinCount_ = 25;
    std::atomic<int> quota_{0};
    std::uint32_t control_ = 0;
    bool initialized_ = false;
    SemArray semaphores_;
};
