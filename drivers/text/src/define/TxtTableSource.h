// TxtTableSource: where a table's rows come from and how its lines split,
// for a table named in a query.
//
// resolve() settles the names: the directory (the qualifier, or the
// database directory, made absolute without a trailing separator), then
// the table's definition in that directory's "VXTXT.INI". A defined
// table's name is its section name in upper case and its file the FILE
// entry; an undefined table's file is the name as given (or, when no file
// has that name and it has no period, the name with ".txt") and its table
// name the name cut at its first period. Table options of the query are
// parsed at this point, starting from the definition's format for a
// defined table and from the connection's defaults otherwise.
//
// describe() then gives the layout from the open file: the definition as
// written, adjusted by table options (their format settings apply, and
// columns they give replace the defined ones position by position), or,
// for an undefined table, a guess; and the offset of the first record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "define/TxtTableDef.h"
#include "guess/TxtGuessResult.h"
#include "util/VxString.h"

class TxtTableSource {
public:
    // The connection's settings for undefined tables.
    struct Defaults {
        TxtTableType tableType = TXT_TABLE_COMMA;
        char delimiter = ',';
        bool firstLineNames = false;
        unsigned scanRows = 25;
    };

    // `options` is the text between the parentheses after the table name
    // (null when there were none). Errors: those of TxtTableDef::read and
    // TxtTableOptions::parse.
    VxStatus resolve(const char* directory, const char* table, const char* options,
                     std::size_t optionsLength, const Defaults& defaults);
    // Reads the layout for the open file `handle` (see above).
    VxStatus describe(int handle);

    bool isDefined() const { return defined_; }
    bool hasOptions() const { return hasOptions_; }
    const char* getDirectory() { return directory_.getText(); }
    const char* getTableName() { return tableName_.getText(); }
    const char* getFileName() { return definition_.fileName.getText(); }
    // Directory and file name together.
    const char* getFilePath() { return filePath_.getText(); }
    const TxtGuessResult& getLayout() const { return layout_; }
    const TxtGuessResult& getOptions() const { return options_; }
    std::int64_t getDataStart() const { return dataStart_; }

private:
    VxStatus setDirectory(const char* directory);
    VxStatus setUndefinedNames(const char* table);
    VxStatus adjustDefinition();

    VxString directory_;
    VxString tableName_;
    VxString filePath_;
    TxtTableDefinition definition_;
    TxtGuessResult options_;
    TxtGuessResult layout_;
    unsigned scanRows_ = 25;
    bool defined_ = false;
    bool hasOptions_ = false;
    std::int64_t dataStart_ = 0;
};
