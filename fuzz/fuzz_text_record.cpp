// The Text driver's format guesser and record reader on arbitrary file
// contents: the first byte chooses the table type, the first-line-names
// flag, the scan-row count and the date order, the second byte is the
// delimiter of a Character table; the rest is the file. The guessed layout
// is then read record by record to the end.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "guess/TxtGuess.h"
#include "guess/TxtGuessResult.h"
#include "record/TxtRecordReader.h"

namespace {

// Records read at most per input; a file of the largest size the fuzzer
// makes has fewer.
constexpr int MAX_RECORDS = 5000;

void readAll(const TxtGuessResult& layout, int handle) {
    TxtRecordReader reader;
    if (reader.open(layout, handle) != VX_SUCCESS)
        return;
    std::int64_t offset = 0;
    if (reader.findDataStart(layout.firstLineNames, &offset) != VX_SUCCESS)
        return;
    for (int n = 0; n < MAX_RECORDS; ++n) {
        bool found = false;
        std::int64_t next = offset;
        if (reader.readRecord(offset, &found, &next) != VX_SUCCESS || !found)
            break;
        if (next <= offset)
            __builtin_trap(); // a record that does not advance would loop for ever
        for (std::uint16_t c = 0; c < reader.getColumnCount(); ++c) {
            std::size_t length = 0;
            const char* text = reader.getColumnText(c, &length);
            if (length > reader.getColumnRoom(c) || text[length] != 0)
                __builtin_trap();
        }
        offset = next;
    }
    // Read again out of order: a record read by its offset comes the same
    // way whatever was read before.
    bool found = false;
    std::int64_t next = 0;
    (void)reader.readRecord(offset / 2, &found, &next);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzErrors* errors = new FuzzErrors;
    static FuzzMemoryFile* file = new FuzzMemoryFile;
    if (size < 2)
        return 0;
    errors->reset();
    unsigned flags = data[0];
    auto type = static_cast<TxtTableType>(flags & 3);
    bool firstLineNames = (flags & 4) != 0;
    unsigned scanRows = (flags >> 3) & 7; // 0 scans every line
    char delimiter = static_cast<char>(data[1]);
    file->write(data + 2, size - 2);

    TxtGuess guess;
    guess.setFormat(type, firstLineNames, delimiter, scanRows);
    guess.setDateSetting((flags >> 6) % 3);
    TxtGuessResult layout;
    if (guess.guessHandle(file->handle(), &layout) == VX_SUCCESS)
        readAll(layout, file->handle());
    errors->reset();
    return 0;
}
