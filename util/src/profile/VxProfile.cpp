// Profile entries: where each profile file name leads (see VxProfile.h).
#include "util/VxProfile.h"

#include <atomic>
#include <climits>
#include <cstring>

#include "error/utlMessages.h"
#include "profile/VxProfileFile.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

enum FileKind { FILE_ODBC, FILE_KEY_TREE, FILE_WIN_INI, FILE_PRIVATE };

// The names standing for registry branches. The first two belong to the
// ODBC installer; the rest are files of the configuration folder.
const char* const ODBC_NAMES[] = {"ODBC.INI", "ODBCINST.INI"};
const char* const KEY_TREE_NAMES[] = {"CONTROL.INI", "EXCHANGE.INI", "EXCHINST.INI",
                                      "VX7.INI",     "VX6.INI",      "VXLIB.INI"};
const char WIN_INI[] = "WIN.INI";

std::atomic<int (*)(const char*, const char*, const char*, char*, int, const char*)> odbcGetString{
    nullptr};
std::atomic<int (*)(const char*, const char*, const char*, const char*)> odbcWriteString{nullptr};

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

const char* lastComponent(const char* file) {
    const char* start = file;
    for (const char* p = file; *p; ++p)
        if (isSeparator(*p))
            start = p + 1;
    return start;
}

bool sameNameCi(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char ca = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 'a' + 'A') : *a;
        if (ca != *b)
            return false;
    }
    return *a == *b;
}

// Classifies a file name; *canonical is the mapped name in upper case.
FileKind classify(const char* file, const char** canonical) {
    if (!file || !*file) {
        *canonical = WIN_INI;
        return FILE_WIN_INI;
    }
    const char* name = lastComponent(file);
    for (const char* odbcName : ODBC_NAMES)
        if (sameNameCi(name, odbcName)) {
            *canonical = odbcName;
            return FILE_ODBC;
        }
    for (const char* treeName : KEY_TREE_NAMES)
        if (sameNameCi(name, treeName)) {
            *canonical = treeName;
            return FILE_KEY_TREE;
        }
    *canonical = name;
    return sameNameCi(name, WIN_INI) ? FILE_WIN_INI : FILE_PRIVATE;
}

bool hasDirectory(const char* file) {
    return lastComponent(file) != file;
}

// "<folder>/<name>".
VxStatus inConfigFolder(const char* name, VxString* path) {
    if (vxGetConfigFolder(path) != VX_SUCCESS || path->concat('/') != VX_SUCCESS)
        return VX_ERROR;
    return path->concat(name);
}

void raiseNoInstaller() {
    addError(1523) << "odbcinst"
                   << "a missing installer provider";
}

} // namespace

// ---- Configuration folder ----------------------------------------------------

VxStatus vxGetConfigFolder(VxString* folder) {
    char* value = bosGetEnv("VX_CONFIG_DIR");
    const char* tail = "";
    if (!value) {
        value = bosGetEnv("XDG_CONFIG_HOME");
        tail = "/brellmont";
    }
    if (!value) {
        value = bosGetEnv("HOME");
        tail = "/.config/brellmont";
    }
    if (!value) {
        addError(1510) << "~/.config/brellmont";
        return VX_ERROR;
    }
    std::size_t length = std::strlen(value);
    while (length > 1 && isSeparator(value[length - 1]))
        --length;
    VxStatus status = folder->initialize(value, length);
    ramFree(value);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    return folder->concat(tail);
}

// ---- The ODBC installer --------------------------------------------------------

void vxSetOdbcProfileProvider(const VxOdbcProfileProvider* provider) {
    odbcGetString.store(provider ? provider->getString : nullptr);
    odbcWriteString.store(provider ? provider->writeString : nullptr);
}

namespace {

std::size_t readOdbc(const char* section, const char* key, const char* defaultValue, char* out,
                     std::size_t size, const char* file) {
    auto getString = odbcGetString.load();
    if (!getString) {
        raiseNoInstaller();
        return VxProfileFile::copyText(out, size, defaultValue ? defaultValue : "",
                                       defaultValue ? std::strlen(defaultValue) : 0);
    }
    if (!out || size == 0)
        return 0;
    int limited = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    int count = getString(section, key, defaultValue ? defaultValue : "", out, limited, file);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

VxStatus writeOdbc(const char* section, const char* key, const char* value, const char* file) {
    auto writeString = odbcWriteString.load();
    if (!writeString) {
        raiseNoInstaller();
        return VX_ERROR;
    }
    if (value && !*value)
        value = nullptr;
    if (!writeString(section, key, value, file)) {
        addError(1508) << file;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// The path of a file that is not the installer's.
VxStatus profilePath(FileKind kind, const char* file, const char* canonical, VxString* path) {
    if (kind == FILE_KEY_TREE || kind == FILE_WIN_INI || !hasDirectory(file))
        return inConfigFolder(canonical, path);
    return path->initialize(file);
}

// Makes sure the configuration folder exists before a file is written there.
VxStatus prepareFolder(FileKind kind, const char* file) {
    if (kind == FILE_PRIVATE && hasDirectory(file))
        return VX_SUCCESS;
    VxString folder;
    if (vxGetConfigFolder(&folder) != VX_SUCCESS)
        return VX_ERROR;
    return bosMakeDirectories(folder.getText());
}

} // namespace

// ---- Entries -------------------------------------------------------------------

std::size_t ntGetProfileString(const char* section, const char* key, const char* defaultValue,
                               char* out, std::size_t size, const char* file) {
    const char* canonical = nullptr;
    FileKind kind = classify(file, &canonical);
    if (kind == FILE_ODBC)
        return readOdbc(section, key, defaultValue, out, size, canonical);
    if (kind != FILE_KEY_TREE)
        return vxGetPrivateProfileString(section, key, defaultValue, out, size, file);
    VxString path;
    VxErrorList scratch(nullptr, 0);
    VxStatus status;
    {
        VxErrorListScope scope(&scratch);
        status = profilePath(kind, file, canonical, &path);
    }
    if (status != VX_SUCCESS)
        return VxProfileFile::copyText(out, size, defaultValue ? defaultValue : "",
                                       defaultValue ? std::strlen(defaultValue) : 0);
    return VxProfileFile(path.getText(), VxProfileFile::KEY_TREE)
        .read(section, key, defaultValue, out, size);
}

VxStatus ntWriteProfileString(const char* section, const char* key, const char* value,
                              const char* file) {
    const char* canonical = nullptr;
    FileKind kind = classify(file, &canonical);
    if (kind == FILE_ODBC)
        return writeOdbc(section, key, value, canonical);
    if (kind != FILE_KEY_TREE)
        return vxWritePrivateProfileString(section, key, value, file);
    VxString path;
    if (prepareFolder(kind, file) != VX_SUCCESS ||
        profilePath(kind, file, canonical, &path) != VX_SUCCESS)
        return VX_ERROR;
    return VxProfileFile(path.getText(), VxProfileFile::KEY_TREE).write(section, key, value);
}

VxStatus ntDeletePrivateProfileSection(const char* section, const char* file) {
    if (section)
        return ntWriteProfileString(section, nullptr, nullptr, file);
    constexpr std::size_t LIST_SIZE = 4096;
    char* names = static_cast<char*>(ramAlloc(LIST_SIZE));
    if (!names)
        return VX_ERROR;
    std::size_t used = ntGetProfileString(nullptr, nullptr, "", names, LIST_SIZE, file);
    VxStatus status = VX_SUCCESS;
    if (used + 2 >= LIST_SIZE) {
        addError(1500);
        status = VX_ERROR;
    }
    for (const char* name = names; status == VX_SUCCESS && *name; name += std::strlen(name) + 1)
        if (ntWriteProfileString(name, nullptr, nullptr, file) != VX_SUCCESS)
            status = VX_ERROR;
    ramFree(names);
    return status;
}

// ---- Private profile files -------------------------------------------------------

std::size_t vxGetPrivateProfileString(const char* section, const char* key,
                                      const char* defaultValue, char* out, std::size_t size,
                                      const char* file) {
    const char* canonical = nullptr;
    FileKind kind = classify(file, &canonical);
    if (kind != FILE_WIN_INI)
        kind = FILE_PRIVATE;
    VxString path;
    VxErrorList scratch(nullptr, 0);
    VxStatus status;
    {
        VxErrorListScope scope(&scratch);
        status = profilePath(kind, file ? file : "", canonical, &path);
    }
    if (status != VX_SUCCESS)
        return VxProfileFile::copyText(out, size, defaultValue ? defaultValue : "",
                                       defaultValue ? std::strlen(defaultValue) : 0);
    return VxProfileFile(path.getText(), VxProfileFile::PRIVATE, kind == FILE_WIN_INI)
        .read(section, key, defaultValue, out, size);
}

VxStatus vxGetPrivateProfileSection(const char* section, const char* file, char** entries) {
    *entries = nullptr;
    const char* canonical = nullptr;
    FileKind kind = classify(file, &canonical);
    if (kind != FILE_WIN_INI)
        kind = FILE_PRIVATE;
    VxString path;
    VxErrorList scratch(nullptr, 0);
    VxStatus status;
    {
        VxErrorListScope scope(&scratch);
        status = profilePath(kind, file ? file : "", canonical, &path);
    }
    if (status != VX_SUCCESS)
        return VX_SUCCESS;
    return VxProfileFile(path.getText(), VxProfileFile::PRIVATE).readSection(section, entries);
}

VxStatus vxWritePrivateProfileString(const char* section, const char* key, const char* value,
                                     const char* file) {
    const char* canonical = nullptr;
    FileKind kind = classify(file, &canonical);
    if (kind != FILE_WIN_INI)
        kind = FILE_PRIVATE;
    if (!file)
        file = "";
    VxString path;
    if (prepareFolder(kind, file) != VX_SUCCESS ||
        profilePath(kind, file, canonical, &path) != VX_SUCCESS)
        return VX_ERROR;
    return VxProfileFile(path.getText(), VxProfileFile::PRIVATE).write(section, key, value);
}

VxStatus vxWritePrivateProfileEdits(const VxIniEdit* edits, std::size_t count, const char* file) {
    const char* canonical = nullptr;
    FileKind kind = classify(file, &canonical);
    if (kind != FILE_WIN_INI)
        kind = FILE_PRIVATE;
    if (!file)
        file = "";
    VxString path;
    if (prepareFolder(kind, file) != VX_SUCCESS ||
        profilePath(kind, file, canonical, &path) != VX_SUCCESS)
        return VX_ERROR;
    return VxProfileFile(path.getText(), VxProfileFile::PRIVATE).writeAll(edits, count);
}
