// VxIni: one private profile ("ini") file, read and edited entry by entry.
//
// Sections and keys compare case-insensitively; lines an edit does not
// concern (comments, blank lines, anything else) keep their bytes; lines
// end in LF or CR LF when read, and new lines are written with CR LF. A
// file name without a directory part lies in the configuration folder
// (see VxProfile.h). Every call reads the file afresh, and every edit
// rewrites it under a lock, so several objects (and processes) may share
// one file.
//
// Without an open file the reads add warning 2717 and give the default,
// returning VX_SUCCESS; the edits raise error 2717 and fail.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

// One edit of a profile file: sets `key` of `section` to `value`; a null
// value deletes the entry, a null key the whole section.
struct VxIniEdit {
    const char* section;
    const char* key;
    const char* value;
};

class VX_EXPORT VxIni : public VxObject {
public:
    VxIni() = default;
    VxIni(const VxIni&) = delete;
    VxIni& operator=(const VxIni&) = delete;
    ~VxIni() override;

    // Remembers the file name (closing a previously open one first). The
    // file need not exist: the first write creates it.
    virtual VxStatus open(const char* fileName);
    virtual void close();
    bool isOpen() const { return fileName_ != nullptr; }
    const char* getFileName() const { return fileName_; }

    // The entry's value, or `defaultValue` (null reads as ""), truncated to
    // size - 1 bytes and NUL-terminated.
    VxStatus getEntry(const char* section, const char* key, char* out, std::size_t size,
                      const char* defaultValue);
    // The entry as an unsigned decimal number, truncated to 16 bits; the
    // default when the entry is missing or is not such a number.
    VxStatus getEntry(const char* section, const char* key, std::uint16_t* out,
                      std::uint16_t defaultValue);
    // The names of the sections (or of the keys of one section) as
    // NUL-terminated names followed by one more NUL; *length is the bytes
    // used before the final NUL, or size - 2 when the list did not fit.
    VxStatus getSectionNames(char* out, std::size_t size, std::size_t* length);
    VxStatus getKeyNames(const char* section, char* out, std::size_t size, std::size_t* length);
    // Every entry of a section in one reading of the file: "key=value"
    // texts in file order, each followed by a NUL, and one more NUL after
    // the last, in a new block the caller frees with ramFree; null when
    // the section is missing. Fails only when memory runs out.
    VxStatus getSectionEntries(const char* section, char** entries);

    // Sets an entry; an empty value is stored as empty.
    VxStatus writeEntry(const char* section, const char* key, const char* value);
    // Applies several edits in one rewrite of the file: either all of them
    // are made or, when the file cannot be written (a full disk), none.
    VxStatus writeEntries(const VxIniEdit* edits, std::size_t count);
    // Removes an entry or a whole section; removing what is not there succeeds.
    VxStatus deleteEntry(const char* section, const char* key);
    VxStatus deleteSection(const char* section);

private:
    VxStatus checkOpenForEdit() const;

    char* fileName_ = nullptr;
};
