// BosSystemCalls: the table of system calls under the operating-system
// layer and the allocator.
//
// Every file operation of the bos functions and every block the allocator
// takes from the system goes through this table, so that a test can put
// its own functions in place of some of them: writes that stop half way,
// a full disk (ENOSPC), refused locks, failing allocations. The functions
// keep the contract of the system call they stand for: a failure returns
// -1 (or null) and sets errno.
//
// The table in force costs one indirect call per system call. It is one
// per process; it must be replaced while no other thread uses the layer.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

#include "util/VxExport.h"

struct BosSystemCalls {
    int (*open)(const char* path, int flags, mode_t mode);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buffer, std::size_t length);
    ssize_t (*write)(int fd, const void* data, std::size_t length);
    off_t (*lseek)(int fd, off_t offset, int whence);
    int (*fstat)(int fd, struct stat* info);
    int (*ftruncate)(int fd, off_t length);
    int (*flock)(int fd, int operation);
    // fcntl with a lock command (F_OFD_SETLK and the like).
    int (*lockRegion)(int fd, int command, struct flock* region);
    int (*unlink)(const char* path);
    int (*rename)(const char* from, const char* to);
    void* (*malloc)(std::size_t size);
    void* (*calloc)(std::size_t count, std::size_t size);
    void* (*realloc)(void* block, std::size_t size);
    // A read at an offset that leaves the file position alone.
    ssize_t (*pread)(int fd, void* buffer, std::size_t length, off_t offset);
};

// The system's own functions.
VX_EXPORT const BosSystemCalls& bosDefaultSystemCalls();
// The table in force.
VX_EXPORT const BosSystemCalls& bosSystemCalls();
// Puts `calls` in force (it must outlive its use); null restores the
// system's own functions.
VX_EXPORT void bosSetSystemCalls(const BosSystemCalls* calls);
