// The environment, shared libraries, time, process identity and memory.
#include "util/VxTime.h"
#include "util/bos.h"
#include "util/mds.h"
#include "util/ram.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

char* bosGetEnv(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value)
        return nullptr;
    return ramAllocStr(value);
}

namespace {

// The folder (with its trailing '/') this library was loaded from.
bool ownFolder(VxString* folder) {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&bosLoadLibrary), &info) == 0 || !info.dli_fname)
        return false;
    const char* slash = std::strrchr(info.dli_fname, '/');
    if (!slash)
        return folder->initialize("./") == VX_SUCCESS;
    return folder->initialize(info.dli_fname,
                              static_cast<std::size_t>(slash - info.dli_fname) + 1) == VX_SUCCESS;
}

void noteFailure(VxString* failure, const char* reason) {
    if (failure)
        (void)failure->initialize(reason ? reason : "");
}

} // namespace

void* bosLoadLibrary(const char* name, bool ownDirectory, VxString* failure) {
    VxString fileName;
    if (ownDirectory) {
        if (!ownFolder(&fileName) || fileName.concat("lib") != VX_SUCCESS ||
            fileName.concat(name) != VX_SUCCESS || fileName.concat(".so") != VX_SUCCESS) {
            noteFailure(failure, "no file name");
            return nullptr;
        }
        struct stat info;
        if (stat(fileName.getText(), &info) != 0) {
            noteFailure(failure, "no such file");
            return nullptr;
        }
        name = fileName.getText();
    }
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        noteFailure(failure, dlerror());
    return library;
}

void* bosGetProcAddress(void* library, const char* symbol) {
    return library ? dlsym(library, symbol) : nullptr;
}

void bosFreeLibrary(void* library) {
    if (library)
        dlclose(library);
}

void bossleep(unsigned long milliseconds) {
    struct timespec wait;
    wait.tv_sec = static_cast<time_t>(milliseconds / 1000);
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&wait, &wait) != 0) {
    }
}

unsigned long bostskid() {
    return static_cast<unsigned long>(getpid());
}

void bosdate(os_time* time) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    struct tm parts;
    gmtime_r(&now.tv_sec, &parts);
    time->day = static_cast<std::uint16_t>(parts.tm_mday);
    time->month = static_cast<std::uint16_t>(parts.tm_mon + 1);
    time->year = static_cast<std::uint16_t>(parts.tm_year + 1900);
    time->hour = static_cast<std::uint16_t>(parts.tm_hour);
    time->minute = static_cast<std::uint16_t>(parts.tm_min);
    time->second = static_cast<std::uint16_t>(parts.tm_sec);
    time->millisecond = static_cast<std::uint16_t>(now.tv_nsec / 1000000);
}

int VxTime::getCurrentTimeStamp(char* buffer) {
    os_time now;
    bosdate(&now);
    const unsigned fields[4] = {now.hour, now.minute, now.second, now.millisecond / 10u};
    const char separators[3] = {':', ':', '.'};
    for (int i = 0; i < 4; ++i) {
        buffer[i * 3] = static_cast<char>('0' + fields[i] / 10 % 10);
        buffer[i * 3 + 1] = static_cast<char>('0' + fields[i] % 10);
        if (i < 3)
            buffer[i * 3 + 2] = separators[i];
    }
    return 11;
}

int countDBLibInits(bool increment) {
    static std::mutex countLock;
    std::lock_guard<std::mutex> guard(countLock);
    void** slot = mdsGetPerTaskDataAddress(PER_TASK_DBLIB_INITS);
    auto count = reinterpret_cast<std::intptr_t>(*slot);
    std::intptr_t before = count;
    count += increment ? 1 : -1;
    *slot = reinterpret_cast<void*>(count);
    return static_cast<int>(increment ? before : count);
}

bool bosabort() {
    return false;
}

void bosflush() {}

std::uint64_t bosAvailableMemory() {
    struct sysinfo info;
    if (sysinfo(&info) != 0)
        return 0;
    return (static_cast<std::uint64_t>(info.freeram) + info.bufferram + info.freeswap) *
           info.mem_unit;
}

void bosgetbl(const char* buffer, std::size_t* position, char* line, std::size_t capacity,
              long* length) {
    const char* p = buffer + *position;
    if (capacity > 0)
        line[0] = '\0';
    if (*p == '\0' || *p == '\x1a') {
        *length = BOS_LINE_END_OF_INPUT;
        return;
    }
    bool comment = *p == ';';
    char quote = 0;
    std::size_t used = 0;
    bool tooLong = false;
    for (; *p && *p != '\x1a'; ++p) {
        if (*p == '\n' && !quote) {
            ++p;
            break;
        }
        if (*p == '\r' && p[1] == '\n' && !quote)
            continue;
        if (!comment && (*p == '\'' || *p == '"'))
            quote = quote == *p ? 0 : quote ? quote : *p;
        if (comment && used == 1)
            continue;
        if (used + 1 >= capacity)
            tooLong = true;
        else
            line[used++] = *p;
    }
    *position = static_cast<std::size_t>(p - buffer);
    if (capacity > 0)
        line[used < capacity ? used : capacity - 1] = '\0';
    *length = tooLong ? BOS_LINE_TOO_LONG : static_cast<long>(used);
}
