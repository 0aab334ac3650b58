#include "catalog/TxtTableList.h"

#include <cstring>

#include "define/TxtIni.h"
#include "define/TxtTableDef.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// Bytes read of a key or section list, and of one entry.
constexpr std::size_t LIST_SIZE = 65536;
constexpr std::size_t ENTRY_SIZE = 1024;

// Whether the NUL-separated `list` holds `name` (without case).
bool listHolds(VxString& list, const char* name) {
    const char* text = list.getText();
    const std::size_t length = list.length();
    for (std::size_t at = 0; at < length;) {
        const char* item = text + at;
        if (strEqualCi(item, name))
            return true;
        at += std::strlen(item) + 1;
    }
    return false;
}

VxStatus appendItem(VxString& list, const char* name) {
    return list.concat(name, std::strlen(name) + 1);
}

// Calls `visit` for each name of a list as the profile calls give them.
template <typename Visit> VxStatus forEachName(const char* names, std::size_t length, Visit visit) {
    for (std::size_t at = 0; at < length && names[at];) {
        const char* name = names + at;
        if (visit(name) != VX_SUCCESS)
            return VX_ERROR;
        at += std::strlen(name) + 1;
    }
    return VX_SUCCESS;
}

} // namespace

TxtTableList::~TxtTableList() {
    end();
}

void TxtTableList::end() {
    bosFindClose(&search_);
    searching_ = false;
    running_ = false;
}

VxStatus TxtTableList::restart(const char* directory, const char* extensions) {
    end();
    if (directory_.initialize(directory ? directory : "") != VX_SUCCESS ||
        extensions_.initialize(extensions ? extensions : "") != VX_SUCCESS ||
        definedTables_.initialize("") != VX_SUCCESS || definedFiles_.initialize("") != VX_SUCCESS ||
        sections_.initialize("") != VX_SUCCESS)
        return VX_ERROR;
    extensionAt_ = 0;
    definedAt_ = 0;
    if (loadDefinitions() != VX_SUCCESS)
        return VX_ERROR;
    running_ = true;
    return VX_SUCCESS;
}

VxStatus TxtTableList::loadDefinitions() {
    TxtIni ini;
    if (ini.open(directory_.getText()) != VX_SUCCESS)
        return VX_ERROR;
    char* names = static_cast<char*>(ramAlloc(LIST_SIZE));
    if (!names)
        return VX_ERROR;
    std::size_t length = 0;
    VxStatus status = ini.getSectionNames(names, LIST_SIZE, &length);
    if (status == VX_SUCCESS)
        status = forEachName(names, length,
                             [&](const char* name) { return appendItem(sections_, name); });
    if (status == VX_SUCCESS)
        status = ini.getKeyNames(TxtTableDef::DEFINED_TABLES, names, LIST_SIZE, &length);
    if (status == VX_SUCCESS)
        status = forEachName(names, length, [&](const char* file) {
            char section[ENTRY_SIZE];
            if (appendItem(definedFiles_, file) != VX_SUCCESS ||
                ini.getEntry(TxtTableDef::DEFINED_TABLES, file, section, sizeof section, "") !=
                    VX_SUCCESS)
                return VX_ERROR;
            if (!section[0] || listHolds(definedTables_, section))
                return VX_SUCCESS;
            return appendItem(definedTables_, section);
        });
    ramFree(names);
    return status;
}

bool TxtTableList::isDefinedName(const char* name) {
    return listHolds(sections_, name) || listHolds(definedFiles_, name);
}

VxStatus TxtTableList::nextDefined(char** out) {
    const char* text = definedTables_.getText();
    if (definedAt_ >= definedTables_.length())
        return VX_SUCCESS;
    const char* name = text + definedAt_;
    definedAt_ += std::strlen(name) + 1;
    *out = ramAllocStr(name);
    return *out ? VX_SUCCESS : VX_ERROR;
}

VxStatus TxtTableList::startExtension() {
    const char* text = extensions_.getText();
    const std::size_t length = extensions_.length();
    const char* comma = std::strchr(text + extensionAt_, ',');
    const std::size_t end = comma ? static_cast<std::size_t>(comma - text) : length;
    if (currentExtension_.initialize(text + extensionAt_, end - extensionAt_) != VX_SUCCESS)
        return VX_ERROR;
    extensionAt_ = end + 1;
    const char* directory = directory_.getText();
    const std::size_t dirLength = directory_.length();
    const bool noExtension = strEqualCi(currentExtension_.getText(), NO_EXTENSION);
    if (pattern_.initialize(directory) != VX_SUCCESS ||
        (dirLength > 0 && directory[dirLength - 1] != '/' && directory[dirLength - 1] != '\\' &&
         pattern_.concat('/') != VX_SUCCESS) ||
        pattern_.concat(noExtension ? "*" : "*.") != VX_SUCCESS ||
        (!noExtension && pattern_.concat(currentExtension_.getText()) != VX_SUCCESS))
        return VX_ERROR;
    searching_ = true;
    firstSearchCall_ = true;
    return VX_SUCCESS;
}

VxStatus TxtTableList::nextFile(char** out) {
    for (;;) {
        if (!searching_) {
            if (extensionAt_ >= extensions_.length())
                return VX_SUCCESS;
            if (startExtension() != VX_SUCCESS)
                return VX_ERROR;
        }
        VxString name;
        if (name.initialize(firstSearchCall_ ? pattern_.getText() : "") != VX_SUCCESS ||
            bosFindFiles(&search_, &name) != VX_SUCCESS)
            return VX_ERROR;
        firstSearchCall_ = false;
        const char* text = name.getText();
        if (!*text) {
            searching_ = false;
            continue;
        }
        if (!wantFile(text))
            continue;
        *out = ramAllocStr(text);
        return *out ? VX_SUCCESS : VX_ERROR;
    }
}

VxStatus TxtTableList::next(char** out) {
    *out = nullptr;
    if (!running_)
        return VX_SUCCESS;
    if (nextDefined(out) != VX_SUCCESS || (!*out && nextFile(out) != VX_SUCCESS)) {
        end();
        return VX_ERROR;
    }
    if (!*out)
        end();
    return VX_SUCCESS;
}

bool TxtTableList::wantFile(const char* name) {
    if (strEqualCi(name, "VXTXT.INI") || isDefinedName(name))
        return false;
    VxString& extension = currentExtension_;
    if (strEqualCi(extension.getText(), NO_EXTENSION))
        return std::strchr(name, '.') == nullptr;
    // The search matched "*.<ext>"; a name like "a.b.csv" still ends in it.
    const char* dot = strFindReverse(name, '.');
    return dot && strEqualCi(dot + 1, extension.getText());
}
