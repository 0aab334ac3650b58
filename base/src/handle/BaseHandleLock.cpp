#include "handle/BaseHandleLock.h"

std::mutex& baseHandleMutex() {
    static std::mutex mutex;
    return mutex;
}

std::mutex& baseCursorNameMutex() {
    static std::mutex mutex;
    return mutex;
}
