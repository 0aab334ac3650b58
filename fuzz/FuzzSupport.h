// Helpers shared by the fuzz targets: an error list that is current for
// the whole run and emptied before each input, and a file in memory that
// each input is written into, for the readers that take a file handle or
// a file name.
#pragma once

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "util/VxError.h"

// The thread's current error list for the life of the process.
class FuzzErrors {
public:
    FuzzErrors() { VxErrorKeeper::setErrorList(&list_); }
    // Forgets the records of the previous input.
    void reset() { list_.deleteNodes(); }
    VxErrorList& list() { return list_; }

private:
    VxErrorList list_{nullptr, 1};
};

// A file without a directory entry, rewritten for each input; `handle()`
// is a foundation file handle (descriptor plus one), `path()` a name that
// opens the same file.
class FuzzMemoryFile {
public:
    FuzzMemoryFile() {
        fd_ = memfd_create("vxfuzz", 0);
        if (fd_ < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    ~FuzzMemoryFile() { close(fd_); }
    void write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size) ||
            lseek(fd_, 0, SEEK_SET) != 0) {
            std::perror("memory file");
            std::abort();
        }
    }
    int handle() const { return fd_ + 1; }
    const char* path() const { return path_.c_str(); }

private:
    int fd_ = -1;
    std::string path_;
};

// A folder of its own under $TMPDIR (else /tmp) for targets that need a
// named file in a directory, removed at exit.
std::string fuzzMakeFolder();
