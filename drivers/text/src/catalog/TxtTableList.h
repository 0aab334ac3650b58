// TxtTableList: the catalogue of one directory's text tables, name by name.
//
// Order: first the tables defined in the directory's "VXTXT.INI" (the
// section names that "Defined Tables" names, in file order, each once);
// then, for each extension of the list in order, every file of the
// directory with that extension ("NONE": files without one) that is not
// itself a defined table. Files are listed by their full file name, so
// that each name can be given back to a query as it is; extensions and
// names compare without case. "VXTXT.INI" itself is never a table.
#pragma once

#include <cstddef>

#include "util/VxStatus.h"
#include "util/VxString.h"

struct BosFindCursor;

class TxtTableList {
public:
    // The extension that stands for files without one.
    static constexpr const char* NO_EXTENSION = "NONE";

    TxtTableList() = default;
    TxtTableList(const TxtTableList&) = delete;
    TxtTableList& operator=(const TxtTableList&) = delete;
    ~TxtTableList();

    // Starts over in `directory` with `extensions` (comma-separated, in
    // order, already free of blanks and duplicates).
    [[nodiscard]] VxStatus restart(const char* directory, const char* extensions);
    // The next name as a new string (ramFree), or null at the end.
    [[nodiscard]] VxStatus next(char** out);
    // Ends the enumeration and frees its state.
    void end();

private:
    [[nodiscard]] VxStatus loadDefinitions();
    [[nodiscard]] VxStatus nextDefined(char** out);
    [[nodiscard]] VxStatus nextFile(char** out);
    [[nodiscard]] VxStatus startExtension();
    bool isDefinedName(const char* name);
    bool wantFile(const char* name);

    VxString directory_;
    VxString extensions_;
    std::size_t extensionAt_ = 0; // position of the next extension in extensions_
    VxString currentExtension_;
    VxString pattern_; // the running search's pattern
    bool firstSearchCall_ = false;
    // NUL-separated lists: the section names to list, the file names that
    // "Defined Tables" names, and every section of the file.
    VxString definedTables_;
    VxString definedFiles_;
    VxString sections_;
    std::size_t definedAt_ = 0;
    BosFindCursor* search_ = nullptr;
    bool searching_ = false;
    bool running_ = false;
};
