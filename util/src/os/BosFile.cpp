// Files: open, close, read, write, seek, size, truncate, delete, rename,
// region locks and attributes.
//
// A handle is the descriptor plus one. Opens share the file with a shared
// flock; BOS_OPEN_DENY_ALL takes an exclusive one instead, so either kind
// of open is refused while the other is in force. Region locks are
// open-file-description locks, which a second handle of this same process
// runs into as well.
#include "util/bos.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "error/utlMessages.h"
#include "os/BosName.h"
#include "os/BosSystemCallTable.h"

namespace {

// Raises the record for a failed operation of the runtime.
void raiseFileError(int error, const char* name) {
    const char* text = name ? name : "";
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        addError(1509) << text;
        break;
    case EBADF:
        addError(1507);
        break;
    case ENOMEM:
        addError(1503);
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        addError(1508) << text;
        break;
    case EMFILE:
    case ENFILE:
        addError(30045);
        break;
    case EAGAIN:
    case EDEADLK:
        addError(1512);
        break;
    default:
        addError(30041);
        break;
    }
}

int descriptorOf(int handle) {
    return handle - 1;
}

// "$TMPDIR/vxXXXXXX", else under /tmp.
bool makeTempTemplate(char* buffer, std::size_t capacity) {
    const char* directory = std::getenv("TMPDIR");
    if (!directory || !*directory)
        directory = "/tmp";
    std::size_t length = std::strlen(directory);
    while (length > 1 && directory[length - 1] == '/')
        --length;
    static const char suffix[] = "/vxXXXXXX";
    if (length + sizeof suffix > capacity)
        return false;
    std::memcpy(buffer, directory, length);
    std::memcpy(buffer + length, suffix, sizeof suffix);
    return true;
}

int openTemp(BosName* name) {
    char pattern[BOS_PATH_CAPACITY];
    if (!makeTempTemplate(pattern, sizeof pattern)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd = mkostemp(pattern, O_CLOEXEC);
    if (fd >= 0)
        (void)name->copy(pattern);
    return fd;
}

bool hasDirectory(const char* name) {
    for (; *name; ++name)
        if (bosIsSeparator(*name))
            return true;
    return false;
}

int openNamed(BosName* name, const char* given, int flags) {
    if (!name->resolve(given)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return bosCalls().open(name->text(), flags | O_CLOEXEC, 0666);
}

// Tries each directory of PATH for a name without a directory part.
int openAlongPath(BosName* name, const char* given, int flags) {
    const char* path = std::getenv("PATH");
    int savedError = errno;
    if (!path || hasDirectory(given))
        return -1;
    char candidate[BOS_PATH_CAPACITY];
    std::size_t givenLength = std::strlen(given);
    while (*path) {
        const char* end = std::strchr(path, ':');
        std::size_t length = end ? static_cast<std::size_t>(end - path) : std::strlen(path);
        if (length > 0 && length + givenLength + 2 <= sizeof candidate) {
            std::memcpy(candidate, path, length);
            candidate[length] = '/';
            std::memcpy(candidate + length + 1, given, givenLength + 1);
            int fd = openNamed(name, candidate, flags);
            if (fd >= 0)
                return fd;
        }
        if (!end)
            break;
        path = end + 1;
    }
    errno = savedError;
    return -1;
}

// Takes the share lock of an open; a create truncates only once it holds it.
bool shareFile(int fd, unsigned mode) {
    int operation = (mode & BOS_OPEN_DENY_ALL) ? LOCK_EX : LOCK_SH;
    if (bosCalls().flock(fd, operation | LOCK_NB) != 0)
        return false;
    return !(mode & BOS_OPEN_CREATE) || bosCalls().ftruncate(fd, 0) == 0;
}

} // namespace

VxStatus bosFileOpen(const char* name, unsigned mode, int* handle, VxString* tempName) {
    *handle = 0;
    BosName resolved;
    bool temporary = (mode & (BOS_OPEN_TEMP | BOS_OPEN_TEMP_OTHER)) != 0;
    bool creating = temporary || (mode & BOS_OPEN_CREATE);
    int flags = (mode & BOS_OPEN_CREATE)      ? O_RDWR | O_CREAT
                : (mode & BOS_OPEN_READWRITE) ? O_RDWR
                                              : O_RDONLY;
    int fd;
    if (temporary)
        fd = openTemp(&resolved);
    else {
        fd = openNamed(&resolved, name, flags);
        if (fd < 0 && errno == ENOENT && (mode & BOS_OPEN_SEARCH_PATH))
            fd = openAlongPath(&resolved, name, flags);
    }
    if (fd >= 0 && !shareFile(fd, mode)) {
        int error = errno;
        bosCalls().close(fd);
        errno = error;
        fd = -1;
    }
    const char* shownName = temporary ? resolved.text() : (name ? name : "");
    if (fd < 0) {
        addError(creating ? 1501 : 30040) << shownName;
        return VX_ERROR;
    }
    if (temporary && tempName && tempName->initialize(resolved.text()) != VX_SUCCESS) {
        close(fd);
        unlink(resolved.text());
        return VX_ERROR;
    }
    *handle = fd + 1;
    return VX_SUCCESS;
}

VxStatus bosFileClose(int handle) {
    if (handle == 0)
        return VX_SUCCESS;
    if (bosCalls().close(descriptorOf(handle)) != 0 && errno != EINTR) {
        raiseFileError(errno, nullptr);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

namespace {

bool seekTo(int fd, std::int64_t offset) {
    return offset == BOS_NO_SEEK || bosCalls().lseek(fd, offset, SEEK_SET) >= 0;
}

// At most this many bytes go to one read or write call.
constexpr std::size_t IO_PIECE = std::size_t(1) << 30;

} // namespace

VxStatus bosFileRead(int handle, std::int64_t offset, void* buffer, std::size_t length,
                     std::size_t* count) {
    *count = 0;
    int fd = descriptorOf(handle);
    if (!seekTo(fd, offset)) {
        raiseFileError(errno, nullptr);
        return VX_ERROR;
    }
    char* target = static_cast<char*>(buffer);
    while (*count < length) {
        std::size_t piece = length - *count < IO_PIECE ? length - *count : IO_PIECE;
        ssize_t got = bosCalls().read(fd, target + *count, piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            raiseFileError(errno, nullptr);
            return VX_ERROR;
        }
        if (got == 0)
            break;
        *count += static_cast<std::size_t>(got);
    }
    return VX_SUCCESS;
}

VxStatus bosFileReadAt(int handle, std::int64_t offset, void* buffer, std::size_t length,
                       std::size_t* count) {
    *count = 0;
    int fd = descriptorOf(handle);
    char* target = static_cast<char*>(buffer);
    while (*count < length) {
        std::size_t piece = length - *count < IO_PIECE ? length - *count : IO_PIECE;
        ssize_t got =
            bosCalls().pread(fd, target + *count, piece, offset + static_cast<off_t>(*count));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            raiseFileError(errno, nullptr);
            return VX_ERROR;
        }
        if (got == 0)
            break;
        *count += static_cast<std::size_t>(got);
    }
    return VX_SUCCESS;
}

VxStatus bosFileWrite(int handle, std::int64_t offset, const void* data, std::size_t length) {
    int fd = descriptorOf(handle);
    if (!seekTo(fd, offset)) {
        raiseFileError(errno, nullptr);
        return VX_ERROR;
    }
    const char* source = static_cast<const char*>(data);
    std::size_t written = 0;
    while (written < length) {
        std::size_t piece = length - written < IO_PIECE ? length - written : IO_PIECE;
        ssize_t put = bosCalls().write(fd, source + written, piece);
        if (put < 0 && errno == EINTR)
            continue;
        if (put > 0) {
            written += static_cast<std::size_t>(put);
            continue;
        }
        // The file system took nothing more: out of space or over a size
        // limit counts as running short, anything else is mapped.
        if (put < 0 && errno != ENOSPC && errno != EDQUOT && errno != EFBIG) {
            raiseFileError(errno, nullptr);
            return VX_ERROR;
        }
        addError(written == 0 ? 1506 : 30041);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus bosFileSeek(int handle, std::int64_t offset, int origin, std::int64_t* position) {
    int whence = origin == BOS_SEEK_CUR ? SEEK_CUR : origin == BOS_SEEK_END ? SEEK_END : SEEK_SET;
    off_t result = bosCalls().lseek(descriptorOf(handle), offset, whence);
    if (result < 0) {
        raiseFileError(errno, nullptr);
        return VX_ERROR;
    }
    if (position)
        *position = result;
    return VX_SUCCESS;
}

VxStatus bosFileSize(int handle, std::int64_t* size) {
    struct stat info;
    if (bosCalls().fstat(descriptorOf(handle), &info) != 0) {
        raiseFileError(errno, nullptr);
        return VX_ERROR;
    }
    *size = info.st_size;
    return VX_SUCCESS;
}

VxStatus bosFileTruncate(int handle, std::int64_t size) {
    if (bosCalls().ftruncate(descriptorOf(handle), size) != 0) {
        raiseFileError(errno, nullptr);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus bosFileDelete(const char* name) {
    BosName resolved;
    if (resolved.resolve(name) && (bosCalls().unlink(resolved.text()) == 0 || errno == ENOENT))
        return VX_SUCCESS;
    addError(1502) << name;
    return VX_ERROR;
}

VxStatus bosrname(const char* oldName, const char* newName) {
    BosName from;
    BosName to;
    if (from.resolve(oldName) && to.resolve(newName) &&
        bosCalls().rename(from.text(), to.text()) == 0)
        return VX_SUCCESS;
    addError(30042) << oldName << newName;
    return VX_ERROR;
}

VxStatus bosRegionLock(int handle, bool unlock, std::int64_t offset, std::int64_t length) {
    if (handle == 0 || length <= 0)
        return VX_SUCCESS;
    struct flock region;
    std::memset(&region, 0, sizeof region);
    region.l_type = unlock ? F_UNLCK : F_WRLCK;
    region.l_whence = SEEK_SET;
    region.l_start = offset;
    region.l_len = length;
    if (bosCalls().lockRegion(descriptorOf(handle), F_OFD_SETLK, &region) != 0) {
        // A lock refused for access reasons is a lock violation too.
        raiseFileError(errno == EACCES ? EAGAIN : errno, nullptr);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

int bosfattr(const char* name) {
    if (std::strcmp(name, "..") == 0)
        return 2;
    BosName resolved;
    struct stat info;
    if (!resolved.resolve(name) || stat(resolved.text(), &info) != 0)
        return 0;
    if (S_ISDIR(info.st_mode))
        return 2;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) ? 1 : 5;
}

bool bosexist(const char* name) {
    return bosfattr(name) != 0;
}
