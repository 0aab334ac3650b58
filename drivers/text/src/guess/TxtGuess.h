// TxtGuess: guesses the layout of a text file from its first lines.
//
// Delimited tables: the first line gives the columns (names with
// first-line names, else "FIELD_<n>"); then up to the scan-row count of
// data lines (0: all of them) decide each column's type:
//   - a column whose values all read as dates in one order becomes DATE
//     with the mask of that order ("m/d/yy", "d/m/yyyy", "yyyy/m/d", ...;
//     an order both month-first and day-first follows the "iDate" setting);
//   - one whose values all read as numbers becomes NUMERIC, scale the most
//     digits after a point, width the widest integer part (sign and point
//     included) plus the scale, precision at least the width;
//   - anything else, or nothing at all, VARCHAR as wide as its longest value.
// Empty values change nothing. Fixed tables: the first line is one column
// (as wide as the line plus one), unless table options gave columns; with
// first-line names their names come from the header text at their offsets.
// Columns given by table options then replace the guessed ones position by
// position. Names are trimmed, and made unique within 32 characters.
// A UTF-8 byte-order mark at the start of the file is not part of the data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guess/TxtGuessResult.h"
#include "record/TxtByteSource.h"
#include "util/VxStatus.h"

class TxtGuess {
public:
    TxtGuess() = default;
    TxtGuess(const TxtGuess&) = delete;
    TxtGuess& operator=(const TxtGuess&) = delete;

    // The format to guess with. `options`, when given, supplies the table
    // type, first-line-names flag and delimiter instead, and its columns
    // (if any) replace the guessed ones; it must outlive the guess.
    void setFormat(TxtTableType type, bool firstLineNames, char delimiter, unsigned scanRows);
    void setOptions(const TxtGuessResult* options) { options_ = options; }
    // The "iDate" setting (0 month first, 1 day first, 2 year first);
    // without a call it is read from section "Intl" of "WIN.INI".
    void setDateSetting(unsigned setting) { dateSetting_ = static_cast<int>(setting); }

    // Guesses the file `fileName`, opened read-only for the guess.
    VxStatus guessFile(const char* fileName, TxtGuessResult* result);
    // Guesses the open file `handle` (left open).
    VxStatus guessHandle(int handle, TxtGuessResult* result);

    // After a guess: the bytes of the first line (through its line feed,
    // a byte-order mark included), and where the data starts.
    std::int64_t getHeaderLength() const { return headerLength_; }
    std::int64_t getDataStart() const { return dataStart_; }

private:
    struct ColumnGuess;

    VxStatus readFirstLine(TxtGuessResult* result);
    VxStatus readFixedFirstLine(TxtGuessResult* result);
    VxStatus scanData(TxtGuessResult* result, ColumnGuess* guesses);
    void examine(ColumnGuess& guess, const char* value, std::size_t length, bool complete);
    VxStatus finish(TxtGuessResult* result, ColumnGuess* guesses);
    VxStatus applyOptions(TxtGuessResult* result);
    unsigned dateSetting() const;

    TxtTableType tableType_ = TXT_TABLE_COMMA;
    bool firstLineNames_ = false;
    char delimiter_ = ',';
    unsigned scanRows_ = 25;
    const TxtGuessResult* options_ = nullptr;
    int dateSetting_ = -1;

    TxtByteSource source_;
    char* value_ = nullptr; // one value, up to VALUE_CAPACITY bytes
    std::int64_t headerLength_ = 0;
    std::int64_t dataStart_ = 0;
    std::int64_t firstLineStart_ = 0;
};
