// VxProfileFile: reading and writing one profile file on disk, either as a
// private profile file or as a hierarchy of keys standing in for a
// registry branch.
//
// The two kinds differ in what a list query gives back and what a write
// with an empty value means:
//
//                           private file           key hierarchy
//   list that does not fit  returns size - 2       returns size
//   empty or missing list   empty list             the default text
//   section names           every header           first component of each
//   key, empty value        stores "key="          deletes the entry
//   no key                  deletes the section    deletes it and "section\..."
//
// A write holds an exclusive region lock on "<file>.lck" for the whole
// read-edit-write, writes "<file>.tmp" and renames it over the file. A file
// that a delete leaves unchanged is not rewritten (nor created).
#pragma once

#include <cstddef>

#include "util/VxStatus.h"

class VxIniDocument;
struct VxIniEdit;

class VxProfileFile {
public:
    enum Kind { PRIVATE, KEY_TREE };

    // `path` is borrowed. With `builtInWinIni` the built-in US-English
    // "Intl" entries stand in for any the file lacks.
    VxProfileFile(const char* path, Kind kind, bool builtInWinIni = false);

    // Never raises: a file that cannot be read reads as empty.
    std::size_t read(const char* section, const char* key, const char* defaultValue, char* out,
                     std::size_t size) const;
    VxStatus write(const char* section, const char* key, const char* value) const;
    // Applies `count` edits in one rewrite of the file: all of them or,
    // when the file cannot be written, none.
    VxStatus writeAll(const VxIniEdit* edits, std::size_t count) const;
    // The entries of one section as VxIniDocument::copySection gives them;
    // a file that cannot be read reads as empty.
    VxStatus readSection(const char* section, char** entries) const;

    // Copies `text` into `out` as far as it fits, with a NUL; returns the
    // bytes copied before the NUL.
    static std::size_t copyText(char* out, std::size_t size, const char* text, std::size_t length);

private:
    std::size_t readList(const VxIniDocument& document, const char* section,
                         const char* defaultValue, char* out, std::size_t size) const;
    // Applies the edit; *changed tells whether the text is different.
    VxStatus edit(VxIniDocument& document, const char* section, const char* key, const char* value,
                  bool* changed) const;
    VxStatus lock(int* handle) const;
    VxStatus replaceFile(const VxIniDocument& document) const;

    const char* path_;
    Kind kind_;
    bool builtInWinIni_;
};

// The entries of `section` of a private profile file, found as
// vxGetPrivateProfileString finds the file (see readSection).
VxStatus vxGetPrivateProfileSection(const char* section, const char* file, char** entries);

// vxWritePrivateProfileString for several edits of one file at once.
VxStatus vxWritePrivateProfileEdits(const VxIniEdit* edits, std::size_t count, const char* file);

// Creates a directory and any missing parents (operating-system layer).
VxStatus bosMakeDirectories(const char* path);
