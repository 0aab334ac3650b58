// Case-insensitive file name lookup.
#include "os/BosName.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>

namespace {

bool exists(const char* path) {
    struct stat info;
    return lstat(path, &info) == 0;
}

} // namespace

bool BosName::copy(const char* name) {
    std::size_t length = std::strlen(name);
    if (length >= BOS_PATH_CAPACITY)
        return false;
    for (std::size_t i = 0; i < length; ++i)
        text_[i] = name[i] == '\\' ? '/' : name[i];
    text_[length] = '\0';
    length_ = length;
    return true;
}

bool BosName::resolve(const char* name) {
    if (!copy(name))
        return false;
    if (length_ == 0 || exists(text_))
        return true;
    // Walk the components left to right; each prefix up to a component is
    // an existing path (or already given up on).
    std::size_t start = 0;
    while (start < length_) {
        while (start < length_ && text_[start] == '/')
            ++start;
        std::size_t end = start;
        while (end < length_ && text_[end] != '/')
            ++end;
        if (end == start)
            break;
        char saved = text_[end];
        text_[end] = '\0';
        bool found = exists(text_);
        text_[end] = saved;
        if (!found && !resolveComponent(start == 0 ? 0 : start - 1, start, end))
            return true;
        start = end;
    }
    return true;
}

// Replaces text_[start, end) by the unique entry of its directory (the text
// before dirEnd, or "." / "/") that matches it case-insensitively.
bool BosName::resolveComponent(std::size_t dirEnd, std::size_t start, std::size_t end) {
    char directory[BOS_PATH_CAPACITY];
    if (start == 0)
        std::strcpy(directory, ".");
    else if (dirEnd == 0)
        std::strcpy(directory, "/");
    else {
        std::memcpy(directory, text_, dirEnd);
        directory[dirEnd] = '\0';
    }
    DIR* dir = opendir(directory);
    if (!dir)
        return false;
    std::size_t componentLength = end - start;
    char match[256] = {};
    int matches = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (std::strlen(entry->d_name) == componentLength &&
            strncasecmp(entry->d_name, text_ + start, componentLength) == 0) {
            if (++matches == 1)
                std::strcpy(match, entry->d_name);
        }
    }
    closedir(dir);
    if (matches != 1)
        return false;
    // Same length, so the match replaces the component in place.
    std::memcpy(text_ + start, match, componentLength);
    return true;
}
