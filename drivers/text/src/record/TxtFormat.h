// Kinds shared by every part of the Text driver's file format: table types,
// column type letters and the fixed limits of names and widths.
#pragma once

#include <cstddef>
#include <cstdint>

// How the lines of a table split into columns. The numbers are stored in
// definitions and connection settings.
enum TxtTableType : std::uint8_t {
    TXT_TABLE_COMMA = 0,     // delimiter ","
    TXT_TABLE_TAB = 1,       // delimiter TAB
    TXT_TABLE_CHARACTER = 2, // a delimiter character of the user's choice
    TXT_TABLE_FIXED = 3,     // columns by offset and width
};

// Column type letters.
constexpr char TXT_COLUMN_NONE = 0;
constexpr char TXT_COLUMN_VARCHAR = 'V';
constexpr char TXT_COLUMN_NUMERIC = 'N';
constexpr char TXT_COLUMN_DATE = 'D';

// Character sets a table may declare.
enum TxtCharset : std::uint8_t {
    TXT_CHARSET_ANSI = 0,
    TXT_CHARSET_IBMPC = 1,
};

constexpr std::size_t TXT_MAX_COLUMN_NAME = 32;
// A DATE column of a table that is not Fixed reads up to this many characters.
constexpr std::uint16_t TXT_DELIMITED_DATE_WIDTH = 50;
// A NUMERIC column of a table that is not Fixed reads at least this many
// characters: a number cut to its column's width would read as another
// number, and a guessed width only knows the lines that were scanned.
constexpr std::uint16_t TXT_DELIMITED_NUMBER_WIDTH = 256;
// A VARCHAR column whose width was measured on the lines scanned when
// guessing reads at least this many characters: a later line may hold a
// longer value, which is then returned whole. A delimited table's reader
// makes room for longer values still, up to TXT_LONGEST_MEASURED_TEXT
// (beyond it, cut with 01004).
constexpr std::uint16_t TXT_MEASURED_TEXT_WIDTH = 1024;
constexpr std::size_t TXT_LONGEST_MEASURED_TEXT = 1024 * 1024;
// Most columns a table may have.
constexpr std::uint16_t TXT_MAX_COLUMNS = 16000;
// Bytes of a record handle: the byte offset of the record's first character.
constexpr std::size_t TXT_RECORD_HANDLE_SIZE = 8;

constexpr unsigned char TXT_CTRL_Z = 26;

// "Comma", "Tab", "Character", "Fixed".
const char* txtTableTypeName(TxtTableType type);
// The type a name stands for, compared case-insensitively; any other text
// is Comma.
TxtTableType txtTableTypeFromName(const char* name);
// The delimiter of a table type: "," for Comma, TAB for Tab, `character`
// for Character and 0 for Fixed.
char txtTableDelimiter(TxtTableType type, char character);
// The column type names "VARCHAR", "NUMERIC", "DATE" (null for others) and back.
const char* txtColumnTypeName(char type);
char txtColumnTypeFromName(const char* name);

// A record handle holds the record's offset in TXT_RECORD_HANDLE_SIZE bytes.
inline void txtPutRecordHandle(std::int64_t offset, unsigned char* handle) {
    for (std::size_t i = 0; i < TXT_RECORD_HANDLE_SIZE; ++i)
        handle[i] = static_cast<unsigned char>(static_cast<std::uint64_t>(offset) >> (8 * i));
}
inline std::int64_t txtGetRecordHandle(const unsigned char* handle) {
    std::uint64_t offset = 0;
    for (std::size_t i = 0; i < TXT_RECORD_HANDLE_SIZE; ++i)
        offset |= static_cast<std::uint64_t>(handle[i]) << (8 * i);
    return static_cast<std::int64_t>(offset);
}
