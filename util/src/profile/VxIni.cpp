#include "util/VxIni.h"

#include <cstring>

#include "error/utlMessages.h"
#include "profile/VxProfileFile.h"
#include "util/VxProfile.h"
#include "util/ram.h"

namespace {

// The text that stands for "no entry" when a number is read.
const char NO_NUMBER[] = "&";
constexpr std::size_t NUMBER_BUFFER = 100;

// An unsigned decimal number, digits only (surrounding blanks allowed).
bool parseUnsigned(const char* text, unsigned long* value) {
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text < '0' || *text > '9')
        return false;
    unsigned long result = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        unsigned long next = result * 10 + static_cast<unsigned long>(*text - '0');
        if (next / 10 != result)
            return false;
        result = next;
    }
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text)
        return false;
    *value = result;
    return true;
}

} // namespace

VxIni::~VxIni() {
    ramFree(fileName_);
}

VxStatus VxIni::open(const char* fileName) {
    close();
    fileName_ = ramAllocStr(fileName ? fileName : "");
    return fileName_ ? VX_SUCCESS : VX_ERROR;
}

void VxIni::close() {
    ramFree(fileName_);
    fileName_ = nullptr;
}

VxStatus VxIni::checkOpenForEdit() const {
    if (fileName_)
        return VX_SUCCESS;
    addError(2717);
    return VX_ERROR;
}

VxStatus VxIni::getEntry(const char* section, const char* key, char* out, std::size_t size,
                         const char* defaultValue) {
    if (!fileName_) {
        addWarning(2717);
        const char* text = defaultValue ? defaultValue : "";
        (void)VxProfileFile::copyText(out, size, text, std::strlen(text));
        return VX_SUCCESS;
    }
    (void)vxGetPrivateProfileString(section, key, defaultValue, out, size, fileName_);
    return VX_SUCCESS;
}

VxStatus VxIni::getEntry(const char* section, const char* key, std::uint16_t* out,
                         std::uint16_t defaultValue) {
    *out = defaultValue;
    if (!fileName_) {
        addWarning(2717);
        return VX_SUCCESS;
    }
    char text[NUMBER_BUFFER];
    (void)vxGetPrivateProfileString(section, key, NO_NUMBER, text, sizeof text, fileName_);
    unsigned long value = 0;
    if (std::strcmp(text, NO_NUMBER) != 0 && parseUnsigned(text, &value))
        *out = static_cast<std::uint16_t>(value);
    return VX_SUCCESS;
}

VxStatus VxIni::getSectionEntries(const char* section, char** entries) {
    *entries = nullptr;
    if (!fileName_) {
        addWarning(2717);
        return VX_SUCCESS;
    }
    return vxGetPrivateProfileSection(section, fileName_, entries);
}

VxStatus VxIni::getSectionNames(char* out, std::size_t size, std::size_t* length) {
    return getKeyNames(nullptr, out, size, length);
}

VxStatus VxIni::getKeyNames(const char* section, char* out, std::size_t size, std::size_t* length) {
    if (!fileName_) {
        addWarning(2717);
        *length = VxProfileFile::copyText(out, size, "", 0);
        if (size >= 2)
            out[1] = '\0';
        return VX_SUCCESS;
    }
    *length = vxGetPrivateProfileString(section, nullptr, "", out, size, fileName_);
    return VX_SUCCESS;
}

VxStatus VxIni::writeEntry(const char* section, const char* key, const char* value) {
    if (checkOpenForEdit() != VX_SUCCESS)
        return VX_ERROR;
    return vxWritePrivateProfileString(section, key, value ? value : "", fileName_);
}

VxStatus VxIni::writeEntries(const VxIniEdit* edits, std::size_t count) {
    if (checkOpenForEdit() != VX_SUCCESS)
        return VX_ERROR;
    return vxWritePrivateProfileEdits(edits, count, fileName_);
}

VxStatus VxIni::deleteEntry(const char* section, const char* key) {
    if (checkOpenForEdit() != VX_SUCCESS)
        return VX_ERROR;
    return vxWritePrivateProfileString(section, key, nullptr, fileName_);
}

VxStatus VxIni::deleteSection(const char* section) {
    if (checkOpenForEdit() != VX_SUCCESS)
        return VX_ERROR;
    return vxWritePrivateProfileString(section, nullptr, nullptr, fileName_);
}
