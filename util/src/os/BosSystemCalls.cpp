// The system-call table: the system's own functions, and the pointer to
// the table in force.
#include "util/BosSystemCalls.h"

#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "os/BosSystemCallTable.h"

namespace {

int systemOpen(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

int systemLockRegion(int fd, int command, struct flock* region) {
    return ::fcntl(fd, command, region);
}

int systemRename(const char* from, const char* to) {
    return std::rename(from, to);
}

void* systemMalloc(std::size_t size) {
    return std::malloc(size);
}

void* systemCalloc(std::size_t count, std::size_t size) {
    return std::calloc(count, size);
}

void* systemRealloc(void* block, std::size_t size) {
    return std::realloc(block, size);
}

// In the order of the table's members.
const BosSystemCalls SYSTEM_CALLS = {
    systemOpen, ::close,          ::read,   ::write,      ::lseek,      ::fstat,      ::ftruncate,
    ::flock,    systemLockRegion, ::unlink, systemRename, systemMalloc, systemCalloc, systemRealloc,
    ::pread,
};

} // namespace

const BosSystemCalls* bosCallsInForce = &SYSTEM_CALLS;

const BosSystemCalls& bosDefaultSystemCalls() {
    return SYSTEM_CALLS;
}

const BosSystemCalls& bosSystemCalls() {
    return *bosCallsInForce;
}

void bosSetSystemCalls(const BosSystemCalls* calls) {
    bosCallsInForce = calls ? calls : &SYSTEM_CALLS;
}
