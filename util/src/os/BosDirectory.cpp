// Directory searches: files matching a pattern, subdirectories, file systems.
#include "util/bos.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cstring>

#include "os/BosName.h"
#include "util/ram.h"

struct BosFindCursor {
    DIR* dir;
    bool directories; // subdirectories instead of matching files
    char directory[BOS_PATH_CAPACITY];
    char pattern[256];
};

namespace {

bool isKind(const BosFindCursor* cursor, const char* name) {
    char full[BOS_PATH_CAPACITY + 256];
    std::size_t length = std::strlen(cursor->directory);
    std::memcpy(full, cursor->directory, length);
    full[length] = '/';
    std::strcpy(full + length + 1, name);
    struct stat info;
    if (stat(full, &info) != 0)
        return false;
    return cursor->directories ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode);
}

VxStatus startSearch(BosFindCursor** cursor, const char* directory, const char* pattern,
                     bool directories) {
    auto* state = static_cast<BosFindCursor*>(ramAlloc(sizeof(BosFindCursor)));
    if (!state)
        return VX_ERROR;
    state->directories = directories;
    BosName resolved;
    if (!resolved.resolve(directory) || std::strlen(pattern) >= sizeof state->pattern) {
        state->dir = nullptr;
    } else {
        std::strcpy(state->directory, resolved.text());
        std::strcpy(state->pattern, std::strcmp(pattern, "*.*") == 0 ? "*" : pattern);
        state->dir = opendir(state->directory);
    }
    *cursor = state;
    return VX_SUCCESS;
}

// Stores the next entry in `name`, or ends the search.
VxStatus nextEntry(BosFindCursor** cursor, VxString* name) {
    BosFindCursor* state = *cursor;
    while (state->dir) {
        struct dirent* entry = readdir(state->dir);
        if (!entry)
            break;
        const char* found = entry->d_name;
        if (std::strcmp(found, ".") == 0)
            continue;
        if (!state->directories && fnmatch(state->pattern, found, FNM_CASEFOLD) != 0)
            continue;
        if (isKind(state, found))
            return name->initialize(found);
    }
    bosFindClose(cursor);
    return name->initialize("");
}

} // namespace

VxStatus bosFindFiles(BosFindCursor** cursor, VxString* name) {
    if (!*cursor) {
        const char* text = name->getText();
        std::size_t length = name->length();
        std::size_t start = length;
        while (start > 0 && !bosIsSeparator(text[start - 1]))
            --start;
        char directory[BOS_PATH_CAPACITY];
        if (start >= sizeof directory)
            start = 0;
        if (start == 0)
            std::strcpy(directory, ".");
        else {
            std::memcpy(directory, text, start);
            directory[start] = '\0';
        }
        if (startSearch(cursor, directory, text + start, false) != VX_SUCCESS)
            return VX_ERROR;
    }
    return nextEntry(cursor, name);
}

VxStatus bosGetDirectoryNames(BosFindCursor** cursor, VxString* name) {
    if (!*cursor && startSearch(cursor, ".", "*", true) != VX_SUCCESS)
        return VX_ERROR;
    return nextEntry(cursor, name);
}

void bosFindClose(BosFindCursor** cursor) {
    if (!*cursor)
        return;
    if ((*cursor)->dir)
        closedir((*cursor)->dir);
    ramFree(*cursor);
    *cursor = nullptr;
}

VxStatus bosGetFileSystems(int* cursor, VxString* name) {
    return name->initialize((*cursor)++ == 0 ? "/" : "");
}
