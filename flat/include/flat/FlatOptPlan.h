// FlatOptPlan: the writer of a plan listing of a result-set tree.
//
// A listing shows one operator per block: its title indented to its
// depth, its own parts 3 further, then (in a file listing only) the
// "Query Cost" and "ExeProfile" blocks with the operator's estimates,
// then "ResultSetColumns:" with one line per column, then a rule of 40
// "-", then the children 5 further. Lines end with "\r\n".
//
// Two destinations:
// - a caller's memory buffer of a given size, without costs: the text is
//   cut to size - 1 bytes and always terminated; nothing is written past
//   the buffer;
// - a file, with costs: created (or, when appending, extended at its
//   end) when the listing is closed, and closed again.
//
// The text is gathered in memory and written out by close, so that a
// listing appended to a shared file stays in one piece.
#pragma once

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

class FlatResultSet;

class VX_EXPORT FlatOptPlan {
public:
    // A listing into `buffer` (`size` bytes, not owned) without costs.
    FlatOptPlan(char* buffer, std::size_t size);
    // A listing into the file `path` with costs; `append` keeps what the
    // file holds and adds the listing at its end, otherwise the file is
    // created anew.
    FlatOptPlan(const char* path, bool append);
    // Closes the listing if close was not called.
    ~FlatOptPlan();
    FlatOptPlan(const FlatOptPlan&) = delete;
    FlatOptPlan& operator=(const FlatOptPlan&) = delete;

    // Whether the listing shows the cost and profile blocks.
    bool hasCosts() const { return path_ != nullptr; }
    // The text gathered so far (operators append their parts to it).
    VxString* getText() { return &text_; }

    // Appends `indent` blanks, `text` and "\r\n".
    [[nodiscard]] VxStatus writeLine(unsigned indent, const char* text);
    // Appends the whole tree under `root` at depth 0.
    [[nodiscard]] VxStatus writeTree(FlatResultSet* root);
    // The "Query Cost", "ExeProfile" and "ResultSetColumns:" blocks of
    // `op` at `indent` (the costs only in a file listing).
    [[nodiscard]] VxStatus writeOperatorInfo(FlatResultSet* op, unsigned indent);

    // Hands the listing to its destination: the buffer is filled and
    // terminated, the file written and closed. A file that cannot be
    // opened or written fails with the system's error; the buffer never
    // fails. Later calls do nothing.
    [[nodiscard]] VxStatus close();

private:
    [[nodiscard]] VxStatus writeFile();

    VxString text_;
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    const char* path_ = nullptr;
    bool append_ = false;
    bool closed_ = false;
};

// Appends the plan listing of `root`, headed by the statement text `sql`,
// to the file `path` (created when missing). Failures are swallowed: a
// listing for troubleshooting never fails the statement, and leaves no
// error behind.
VX_EXPORT void flatAppendPlanListing(const char* path, const char* sql, FlatResultSet* root);
