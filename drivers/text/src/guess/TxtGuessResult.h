// TxtGuessResult: the layout of a text table as a list of columns.
//
// One type carries every layout the driver meets: the result of guessing a
// file (TxtGuess), the table options of a query (TxtTableOptions), and the
// columns of a definition in "VXTXT.INI" (TxtTableDef). The record reader
// and writer take their columns from it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mask/TxtDateMask.h"
#include "record/TxtFormat.h"
#include "util/VxStatus.h"

// One column.
struct TxtGuessField {
    char name[TXT_MAX_COLUMN_NAME + 1] = {}; // empty when not known yet
    char type = TXT_COLUMN_NONE;             // 'V', 'N', 'D' or none yet
    TxtDateMask mask;                        // DATE columns
    std::uint16_t width = 0;                 // most characters kept
    std::uint16_t offset = 0;                // characters from the line start (Fixed)
    std::uint16_t precision = 0;
    std::uint16_t scale = 0;
    // Width, precision and scale were measured on the lines scanned when
    // guessing (not declared): later lines may hold wider values.
    bool measured = false;

    // Sets the name: blanks on both sides trimmed, cut to 32 characters.
    void setName(const char* text, std::size_t length);
};

class TxtGuessResult {
public:
    TxtGuessResult() = default;
    TxtGuessResult(const TxtGuessResult&) = delete;
    TxtGuessResult& operator=(const TxtGuessResult&) = delete;
    ~TxtGuessResult();

    TxtTableType tableType = TXT_TABLE_COMMA;
    bool firstLineNames = false;
    char delimiter = ','; // 0 for Fixed
    TxtCharset charset = TXT_CHARSET_ANSI;
    bool charsetGiven = false; // table options named a character set

    // Appends an empty column; fails with 1209 past TXT_MAX_COLUMNS.
    VxStatus addField(TxtGuessField** field);
    std::uint16_t getFieldCount() const { return count_; }
    TxtGuessField& getField(std::uint16_t index) { return fields_[index]; }
    const TxtGuessField& getField(std::uint16_t index) const { return fields_[index]; }
    void clearFields() { count_ = 0; }
    // Copies everything, columns included.
    VxStatus copyFrom(const TxtGuessResult& other);

    // Sets type and delimiter together (the delimiter as txtTableDelimiter gives).
    void setTableType(TxtTableType type, char characterDelimiter);
    // Names the unnamed columns "FIELD_<n>" and makes every name unique
    // (case-insensitively) by adding 2, 3, ... within 32 characters.
    // Fails only when memory runs out.
    [[nodiscard]] VxStatus completeNames();
    // The characters a column keeps when read: its width, except that in
    // a table that is not Fixed a DATE column keeps 50 and a NUMERIC
    // column at least 256, and that a VARCHAR column of measured width
    // keeps at least TXT_MEASURED_TEXT_WIDTH.
    std::uint16_t readWidth(std::uint16_t index) const;

private:
    TxtGuessField* fields_ = nullptr;
    std::uint16_t count_ = 0;
    std::uint16_t capacity_ = 0;
};
