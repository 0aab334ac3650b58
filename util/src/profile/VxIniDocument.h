// VxIniDocument: the text of one profile ("ini") file, held in memory and
// edited in place so that every line the edit does not concern keeps its
// bytes.
//
// Line grammar (a line ends at LF; a CR just before the LF belongs to the
// terminator, so files with CR LF and with plain LF read alike):
//
//     [ section name ]      section header; the name is trimmed
//     key = value           entry; key and value are trimmed, and one pair
//                           of matching quotes around the value is dropped
//     ; comment, # comment  kept, never interpreted
//     anything else         kept, never interpreted (blank lines, lines
//                           without '=', lines before the first header)
//
// Section and key names compare case-insensitively (ASCII). Lookups use
// the first section of a name and the first entry of a key in it. Lines the
// document writes end with CR LF.
#pragma once

#include <cstddef>

#include "util/VxStatus.h"
#include "util/VxSubString.h"

// Collects names into a caller's buffer as a list of NUL-terminated texts
// followed by one more NUL. A name that does not fit whole (with its NUL
// and the final NUL) is left out and marks the list as overflowed.
class VxNameList {
public:
    VxNameList(char* out, std::size_t size);

    // False when the name no longer fits; names already in the list
    // (compared case-insensitively) are skipped and count as added.
    bool add(const char* name, std::size_t length);
    bool overflowed() const { return overflowed_; }
    std::size_t count() const { return count_; }
    // Writes the final NUL and returns the bytes used before it.
    std::size_t finish();

private:
    bool contains(const char* name, std::size_t length) const;

    char* out_;
    std::size_t size_;
    std::size_t used_ = 0;
    std::size_t count_ = 0;
    bool overflowed_ = false;
};

class VxIniDocument {
public:
    VxIniDocument() = default;
    ~VxIniDocument();
    VxIniDocument(const VxIniDocument&) = delete;
    VxIniDocument& operator=(const VxIniDocument&) = delete;

    // Reads the whole file. A file that does not exist leaves the document
    // empty and sets *found to false; any other failure raises an error.
    VxStatus load(const char* path, bool* found);
    // Replaces the document by a copy of `text`.
    VxStatus setText(const char* text, std::size_t length);
    // Writes the document to a new file (created or truncated).
    VxStatus writeFile(const char* path) const;

    const char* text() const { return text_ ? text_ : ""; }
    std::size_t length() const { return length_; }

    bool hasSection(const char* section) const;
    // True when the entry exists; *value views its (trimmed, unquoted) text.
    bool getValue(const char* section, const char* key, VxSubString* value) const;
    // Adds the name of every section. With `firstComponentOnly` a name
    // "a\b" adds "a", as a key of a hierarchy adds its top level.
    void listSections(VxNameList& names, bool firstComponentOnly) const;
    // Adds the keys of the first section of that name; false when no such
    // section exists.
    bool listKeys(const char* section, VxNameList& names) const;
    // The entries of the first section of that name, in file order, as
    // "key=value" texts (trimmed and unquoted as getValue gives them), each
    // followed by a NUL, with one more NUL after the last: a new block the
    // caller frees with ramFree. A missing section gives null and success.
    VxStatus copySection(const char* section, char** entries) const;

    // Sets an entry, adding the section at the end of the document and the
    // key after the last entry of the section when they are new.
    VxStatus setValue(const char* section, const char* key, const char* value);
    // Both return whether anything was removed. A removed section takes
    // every line up to the next header with it. With `withSubSections` the
    // sections "section\..." go too.
    bool deleteKey(const char* section, const char* key);
    bool deleteSection(const char* section, bool withSubSections);

private:
    enum LineKind { LINE_OTHER, LINE_SECTION, LINE_ENTRY };
    struct Line {
        std::size_t start = 0;      // first byte
        std::size_t contentEnd = 0; // end of the text before the terminator
        std::size_t next = 0;       // first byte of the next line
        LineKind kind = LINE_OTHER;
        std::size_t nameStart = 0, nameLength = 0;
        std::size_t valueStart = 0, valueLength = 0;
        std::size_t equals = 0; // position of '=' in an entry
    };

    // Parses the line starting at `offset`; false at the end of the text.
    bool lineAt(std::size_t offset, Line* line) const;
    void classify(Line* line) const;
    bool nameIs(const Line& line, const char* name) const;
    // Finds the header of the first section named `section`.
    bool findSection(const char* section, Line* header) const;
    // Finds the entry `key` within the section whose header is given;
    // *insertAt is set to the end of the section's last entry (or header).
    bool findKey(const Line& header, const char* key, Line* entry, std::size_t* insertAt) const;
    // End of the section that starts with `header`: the next header or the end.
    std::size_t sectionEnd(const Line& header) const;
    VxStatus splice(std::size_t pos, std::size_t oldLength, const char* data, std::size_t length);
    // Ensures the text ends with a line terminator before something is appended.
    VxStatus terminateLastLine();

    char* text_ = nullptr;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;
};
