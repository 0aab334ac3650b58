// Directory creation for the profile files' configuration folder.
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

#include "error/utlMessages.h"
#include "os/BosName.h"
#include "profile/VxProfileFile.h"

VxStatus bosMakeDirectories(const char* path) {
    BosName resolved;
    if (!resolved.resolve(path)) {
        addError(1524) << path;
        return VX_ERROR;
    }
    char buffer[BOS_PATH_CAPACITY];
    std::memcpy(buffer, resolved.text(), resolved.length() + 1);
    // Creates each component in turn; one that exists already is fine.
    for (std::size_t i = 1; i <= resolved.length(); ++i) {
        if (buffer[i] != '/' && buffer[i] != '\0')
            continue;
        char saved = buffer[i];
        buffer[i] = '\0';
        struct stat info;
        if (stat(buffer, &info) != 0 && mkdir(buffer, 0777) != 0 && errno != EEXIST) {
            addError(1510) << path;
            return VX_ERROR;
        }
        buffer[i] = saved;
    }
    return VX_SUCCESS;
}
