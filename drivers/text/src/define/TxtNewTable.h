// TxtNewTable: the names, file and column layout of a table being created,
// and the checks on the name of a table being created or dropped.
//
// A table name may carry a directory: it splits at its last separator
// ("\" or "/") into directory and name; without one the directory is the
// database directory. The new file is named after the table: its first 8
// characters and ".TXT", or, while that file exists, its first 4
// characters, a four-digit counter from 0000 and ".TXT". Column layout of
// a new table: NUMERIC columns are precision + 2 wide (sign and point),
// DATE columns 10 wide with the mask "yyyy-mm-dd", VARCHAR columns as wide
// as their length; offsets follow one another from 0.
#pragma once

#include "guess/TxtGuessResult.h"
#include "util/VxString.h"

class TxtNewTable {
public:
    // Most characters of a table name.
    static constexpr std::size_t MAX_TABLE_NAME = 128;

    // 1250 (37000) for a name over 128 characters.
    static VxStatus checkTableName(const char* name);
    // Splits `name` into directory (no trailing separator) and table name.
    static VxStatus splitTableName(const char* name, const char* databaseDirectory,
                                   VxString* directory, VxString* table);
    // The name of a file that does not exist yet in `directory`, for `table`.
    // Fails with 1251 (S0001) when every candidate exists.
    static VxStatus chooseFileName(const char* directory, const char* table, VxString* fileName);
    // 1253 (37000) for a name over 32 characters, 1252 (S0021) for a name
    // equal (case-insensitively) to one of the first `count` columns.
    static VxStatus checkColumnName(const char* name, const TxtGuessResult& layout,
                                    std::uint16_t count);
    // Gives every column its width, offset, scale and (DATE) mask as above.
    static VxStatus layOutColumns(TxtGuessResult* layout);
};
