// TxtRecordWriter: appends records to a text file.
//
// Line formats:
//   Fixed      every value at its column's offset, padded with blanks to
//              its width; a value longer than its width is refused (1268,
//              SQLSTATE 22001) rather than cut; then CR LF.
//   delimited  VARCHAR and DATE values between double quotes with each
//              double quote inside doubled, NUMERIC values bare (quoted
//              too when they hold the delimiter), the delimiter between
//              values; then CR LF.
// An empty value (length 0 or null) is NULL.
//
// Appends are serialised between processes and handles by a write lock on
// the byte at 0x7FFFFFFF, waited for while another handle holds it. A file
// whose last line lacks its line feed gets one first, and a trailing Ctrl-Z
// is overwritten, so the new record is never joined to or hidden behind
// what is already there.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guess/TxtGuessResult.h"
#include "record/TxtTextBuffer.h"
#include "util/VxStatus.h"

class TxtRecordWriter {
public:
    // Offset of the append lock and how long to wait for it.
    static constexpr std::int64_t LOCK_OFFSET = 0x7FFFFFFF;
    static constexpr unsigned LOCK_WAIT_MILLISECONDS = 60000;

    // Builds the line of one record (CR LF included) in `line`.
    static VxStatus formatRecord(const TxtGuessResult& layout, const char* const* values,
                                 const std::size_t* lengths, TxtTextBuffer* line);

    // Builds the header line of column names (CR LF included): Fixed,
    // each name at its column's offset, cut to and padded to its width;
    // delimited, each name between double quotes (quotes inside doubled)
    // with the delimiter between.
    static VxStatus formatHeader(const TxtGuessResult& layout, TxtTextBuffer* line);

    // Appends one record to the file `handle`; its offset (the record
    // handle) in *recordOffset when that is not null.
    static VxStatus appendRecord(int handle, const TxtGuessResult& layout,
                                 const char* const* values, const std::size_t* lengths,
                                 std::int64_t* recordOffset);

    // Appends a finished line under the append lock. A write that fails
    // part way (a full disk) is taken back: the file keeps the size and
    // the bytes it had, so no part of a line is left behind.
    static VxStatus appendLine(int handle, const char* line, std::size_t length,
                               std::int64_t* recordOffset);

private:
    static VxStatus lockForAppend(int handle, bool* locked);
    static VxStatus findAppendOffset(int handle, std::int64_t* offset, bool* needsLineEnd);
    static void takeBackAppend(int handle, std::int64_t start, bool endedWithCtrlZ);
};
