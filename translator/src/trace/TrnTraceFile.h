// The translation trace: with the trace option, each character translation
// appends two lines to a text file,
//     "Input : " <input bytes> "\n"
//     "Output: " <output bytes> "\n"
// The file is named by the environment variable TRN_TRACE_FILE_VARIABLE, else it
// is TRN_TRACE_FILE_NAME in $TMPDIR, else in /tmp. Tracing never fails a
// translation: when the file cannot be opened nothing is written.
#pragma once

#include <cstddef>

class TrnTraceFile {
public:
    // Appends the record of one translation. The two lines go to the file in
    // one write, so records of concurrent translations do not interleave.
    static void append(const unsigned char* input, std::size_t inputLength,
                       const unsigned char* output, std::size_t outputLength);

    // Writes the trace file's path into `path` (NUL-terminated). False when it
    // does not fit in `capacity` bytes.
    static bool resolvePath(char* path, std::size_t capacity);
};
