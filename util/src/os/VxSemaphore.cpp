// Provisional global locks: one recursive mutex for every slot.
#include "util/VxSemaphore.h"

#include <mutex>

namespace {
std::recursive_mutex& globalLock() {
    static std::recursive_mutex lock;
    return lock;
}
} // namespace

void vxSemaphoreEnter(VxSemaphoreSlot*) { globalLock().lock(); }
void vxSemaphoreExit(VxSemaphoreSlot*) { globalLock().unlock(); }
