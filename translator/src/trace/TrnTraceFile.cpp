// Appends translation records to the trace file.
#include "trace/TrnTraceFile.h"

#include "translator/TrnInterface.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char INPUT_PREFIX[] = "Input : ";
const char OUTPUT_PREFIX[] = "Output: ";
const std::size_t PREFIX_LENGTH = sizeof(INPUT_PREFIX) - 1;
static_assert(sizeof(INPUT_PREFIX) == sizeof(OUTPUT_PREFIX), "prefixes have one length");
const char DEFAULT_DIRECTORY[] = "/tmp";
const std::size_t MAX_PATH_LENGTH = 4096;

bool isSet(const char* value) {
    return value != nullptr && value[0] != '\0';
}

// Copies the two lines of the record into `record`; returns the record length.
std::size_t formatRecord(char* record, const unsigned char* input, std::size_t inputLength,
                         const unsigned char* output, std::size_t outputLength) {
    char* next = record;
    std::memcpy(next, INPUT_PREFIX, PREFIX_LENGTH);
    next += PREFIX_LENGTH;
    std::memcpy(next, input, inputLength);
    next += inputLength;
    *next++ = '\n';
    std::memcpy(next, OUTPUT_PREFIX, PREFIX_LENGTH);
    next += PREFIX_LENGTH;
    std::memcpy(next, output, outputLength);
    next += outputLength;
    *next++ = '\n';
    return static_cast<std::size_t>(next - record);
}

void writeLine(std::FILE* file, const char* prefix, const unsigned char* text, std::size_t length) {
    std::fwrite(prefix, 1, PREFIX_LENGTH, file);
    std::fwrite(text, 1, length, file);
    std::fputc('\n', file);
}

} // namespace

bool TrnTraceFile::resolvePath(char* path, std::size_t capacity) {
    const char* named = std::getenv(TRN_TRACE_FILE_VARIABLE);
    int written = 0;
    if (isSet(named)) {
        written = std::snprintf(path, capacity, "%s", named);
    } else {
        const char* directory = std::getenv("TMPDIR");
        if (!isSet(directory)) {
            directory = DEFAULT_DIRECTORY;
        }
        std::size_t directoryLength = std::strlen(directory);
        const char* separator = directory[directoryLength - 1] == '/' ? "" : "/";
        written =
            std::snprintf(path, capacity, "%s%s%s", directory, separator, TRN_TRACE_FILE_NAME);
    }
    return written >= 0 && static_cast<std::size_t>(written) < capacity;
}

void TrnTraceFile::append(const unsigned char* input, std::size_t inputLength,
                          const unsigned char* output, std::size_t outputLength) {
    char path[MAX_PATH_LENGTH];
    if (!resolvePath(path, sizeof(path))) {
        return;
    }
    std::FILE* file = std::fopen(path, "ab");
    if (file == nullptr) {
        return;
    }
    // The record goes to the unbuffered file in one write, so that records of
    // concurrent translations do not interleave. Without memory for it, the
    // lines are written piecewise.
    std::setvbuf(file, nullptr, _IONBF, 0);
    std::size_t capacity = 2 * (PREFIX_LENGTH + 1) + inputLength + outputLength;
    char* record = static_cast<char*>(std::malloc(capacity));
    if (record != nullptr) {
        std::fwrite(record, 1, formatRecord(record, input, inputLength, output, outputLength),
                    file);
        std::free(record);
    } else {
        writeLine(file, INPUT_PREFIX, input, inputLength);
        writeLine(file, OUTPUT_PREFIX, output, outputLength);
    }
    std::fclose(file);
}
