#include "profile/VxProfileFile.h"

#include <cstring>

#include "error/utlMessages.h"
#include "profile/VxIniDocument.h"
#include "util/VxIni.h"
#include "util/VxError.h"
#include "util/VxString.h"
#include "util/bos.h"

namespace {

// The "Intl" settings of a US-English installation, in place of the
// process locale so that results are the same on every machine.
struct BuiltInEntry {
    const char* key;
    const char* value;
};
const char INTL_SECTION[] = "Intl";
const BuiltInEntry INTL_DEFAULTS[] = {
    {"iCountry", "1"},
    {"iCurrDigits", "2"},
    {"iCurrency", "0"},
    {"iDate", "0"},
    {"iDigits", "2"},
    {"iLZero", "1"},
    {"iMeasure", "1"},
    {"iNegCurr", "0"},
    {"iTime", "0"},
    {"iTLZero", "0"},
    {"s1159", "AM"},
    {"s2359", "PM"},
    {"sCountry", "United States"},
    {"sCurrency", "$"},
    {"sDate", "/"},
    {"sDecimal", "."},
    {"sLanguage", "enu"},
    {"sList", ","},
    {"sLongDate", "dddd, MMMM dd, yyyy"},
    {"sShortDate", "M/d/yy"},
    {"sThousand", ","},
    {"sTime", ":"},
};

bool equalAsciiCi(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = (*a >= 'a' && *a <= 'z') ? static_cast<char>(*a - 'a' + 'A') : *a;
        char y = (*b >= 'a' && *b <= 'z') ? static_cast<char>(*b - 'a' + 'A') : *b;
        if (x != y)
            return false;
    }
    return *a == *b;
}

// The built-in "Intl" value of `key`, or null.
const char* builtInValue(const char* section, const char* key) {
    if (!equalAsciiCi(section, INTL_SECTION))
        return nullptr;
    for (const BuiltInEntry& entry : INTL_DEFAULTS)
        if (equalAsciiCi(key, entry.key))
            return entry.value;
    return nullptr;
}

// How long a writer waits for another writer of the same file.
constexpr unsigned LOCK_WAIT_STEP_MS = 5;
constexpr unsigned LOCK_WAIT_STEPS = 2000;

VxStatus withSuffix(const char* path, const char* suffix, VxString* out) {
    if (out->initialize(path) != VX_SUCCESS)
        return VX_ERROR;
    return out->concat(suffix);
}

} // namespace

VxProfileFile::VxProfileFile(const char* path, Kind kind, bool builtInWinIni)
    : path_(path), kind_(kind), builtInWinIni_(builtInWinIni) {}

std::size_t VxProfileFile::copyText(char* out, std::size_t size, const char* text,
                                    std::size_t length) {
    if (!out || size == 0)
        return 0;
    std::size_t count = length < size - 1 ? length : size - 1;
    if (count)
        std::memcpy(out, text, count);
    out[count] = '\0';
    return count;
}

// ---- Reading -----------------------------------------------------------------

std::size_t VxProfileFile::read(const char* section, const char* key, const char* defaultValue,
                                char* out, std::size_t size) const {
    if (!defaultValue)
        defaultValue = "";
    VxIniDocument document;
    {
        // Failures while reading are not reported: the file reads as empty.
        VxErrorList scratch(nullptr, 0);
        VxErrorListScope scope(&scratch);
        bool found = false;
        if (document.load(path_, &found) != VX_SUCCESS)
            (void)document.setText("", 0);
        // A list shows the built-in entries among the file's own; one
        // entry is looked up in the file first and among them after.
        if (builtInWinIni_ && (!section || !key)) {
            VxSubString value;
            for (const BuiltInEntry& entry : INTL_DEFAULTS)
                if (!document.getValue(INTL_SECTION, entry.key, &value))
                    (void)document.setValue(INTL_SECTION, entry.key, entry.value);
        }
    }
    if (!section || !key)
        return readList(document, section, defaultValue, out, size);
    VxSubString value;
    if (document.getValue(section, key, &value))
        return copyText(out, size, value.data(), value.length());
    if (builtInWinIni_)
        if (const char* builtIn = builtInValue(section, key))
            return copyText(out, size, builtIn, std::strlen(builtIn));
    return copyText(out, size, defaultValue, std::strlen(defaultValue));
}

VxStatus VxProfileFile::readSection(const char* section, char** entries) const {
    VxIniDocument document;
    {
        VxErrorList scratch(nullptr, 0);
        VxErrorListScope scope(&scratch);
        bool found = false;
        if (document.load(path_, &found) != VX_SUCCESS)
            (void)document.setText("", 0);
    }
    return document.copySection(section, entries);
}

std::size_t VxProfileFile::readList(const VxIniDocument& document, const char* section,
                                    const char* defaultValue, char* out, std::size_t size) const {
    VxNameList names(out, size);
    bool keyTree = kind_ == KEY_TREE;
    if (section)
        (void)document.listKeys(section, names);
    else
        document.listSections(names, keyTree);
    std::size_t used = names.finish();
    if (keyTree && names.count() == 0) {
        // The default, closed like a list so that it reads as one too.
        std::size_t count = copyText(out, size, defaultValue, std::strlen(defaultValue));
        if (count + 1 < size)
            out[count + 1] = '\0';
        return count;
    }
    if (!names.overflowed())
        return used;
    if (keyTree)
        return size;
    return size >= 2 ? size - 2 : 0;
}

// ---- Writing -----------------------------------------------------------------

VxStatus VxProfileFile::edit(VxIniDocument& document, const char* section, const char* key,
                             const char* value, bool* changed) const {
    *changed = false;
    bool keyTree = kind_ == KEY_TREE;
    if (!key) {
        *changed = document.deleteSection(section, keyTree);
        return VX_SUCCESS;
    }
    if (!value || (keyTree && !*value)) {
        *changed = document.deleteKey(section, key);
        return VX_SUCCESS;
    }
    *changed = true;
    return document.setValue(section, key, value);
}

VxStatus VxProfileFile::lock(int* handle) const {
    VxString lockName;
    if (withSuffix(path_, ".lck", &lockName) != VX_SUCCESS)
        return VX_ERROR;
    if (bosFileOpen(lockName.getText(), BOS_OPEN_CREATE | BOS_OPEN_READWRITE, handle) != VX_SUCCESS)
        return VX_ERROR;
    for (unsigned attempt = 0; attempt < LOCK_WAIT_STEPS; ++attempt) {
        VxErrorList scratch(nullptr, 0);
        VxStatus status;
        {
            VxErrorListScope scope(&scratch);
            status = bosRegionLock(*handle, false, 0, 1);
        }
        if (status == VX_SUCCESS)
            return VX_SUCCESS;
        VxError* refusal = scratch.getLastError();
        if (!refusal || refusal->getNumber() != 1512)
            break;
        bossleep(LOCK_WAIT_STEP_MS);
    }
    (void)bosFileClose(*handle);
    *handle = 0;
    addError(1508) << path_;
    return VX_ERROR;
}

VxStatus VxProfileFile::replaceFile(const VxIniDocument& document) const {
    VxString tempName;
    if (withSuffix(path_, ".tmp", &tempName) != VX_SUCCESS)
        return VX_ERROR;
    if (document.writeFile(tempName.getText()) != VX_SUCCESS) {
        (void)bosFileDelete(tempName.getText());
        return VX_ERROR;
    }
    if (bosrname(tempName.getText(), path_) != VX_SUCCESS) {
        (void)bosFileDelete(tempName.getText());
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxProfileFile::write(const char* section, const char* key, const char* value) const {
    if (!section)
        return VX_SUCCESS;
    VxIniEdit one{section, key, value};
    return writeAll(&one, 1);
}

VxStatus VxProfileFile::writeAll(const VxIniEdit* edits, std::size_t count) const {
    int lockHandle = 0;
    if (lock(&lockHandle) != VX_SUCCESS)
        return VX_ERROR;
    VxIniDocument document;
    bool found = false;
    bool changed = false;
    VxStatus status = document.load(path_, &found);
    for (std::size_t i = 0; status == VX_SUCCESS && i < count; ++i) {
        bool editChanged = false;
        if (edits[i].section)
            status = edit(document, edits[i].section, edits[i].key, edits[i].value, &editChanged);
        changed = changed || editChanged;
    }
    if (status == VX_SUCCESS && changed)
        status = replaceFile(document);
    (void)bosRegionLock(lockHandle, true, 0, 1);
    (void)bosFileClose(lockHandle);
    return status;
}
