// TxtTableDef: table definitions in "VXTXT.INI".
//
// Layout of the file:
//
//   [Defined Tables]
//   <file name>=<table name>          one key per defined file
//
//   [<table name>]
//   FILE=<file name>
//   FLN=1 | 0                         first line holds column names
//   TT=Comma | Tab | Character | Fixed (anything else reads as Comma)
//   DC=<delimiter>                    Character tables only
//   Charset=ANSI | IBMPC
//   FIELD1=<name>,<type>,<precision>,<scale>,<width>,<offset>,<mask>
//   FIELD2=...                        consecutive; the first gap ends the list
//
// A column entry splits at its first six commas; the rest of it is the
// date mask, which may itself hold commas. Types are VARCHAR, NUMERIC and
// DATE; the mask is empty for the other types and may be left out with its
// comma. Entries the driver does not know, comments and other sections are
// kept as they are when definitions are written or removed.
#pragma once

#include "define/TxtIni.h"
#include "guess/TxtGuessResult.h"
#include "util/VxString.h"

struct TxtTableDefinition {
    VxString tableName; // the section name
    VxString fileName;
    TxtGuessResult layout; // table type, delimiter, first-line names, columns
};

class TxtTableDef {
public:
    static constexpr const char* DEFINED_TABLES = "Defined Tables";
    // What an absent entry reads as.
    static constexpr const char* NO_VALUE = "NO VALUE FOUND";

    // Whether `name` designates a defined table: the file has a section of
    // that name (the section is the name), or "Defined Tables" has a key of
    // that name (the section is its value).
    static VxStatus lookup(TxtIni& ini, const char* name, bool* defined, VxString* section);

    // Reads the definition in `section`. Raises 1247 without a FILE entry,
    // the column-entry errors of parseColumnEntry, and 1252 (S0021) for a
    // column name given twice.
    static VxStatus read(TxtIni& ini, const char* section, TxtTableDefinition* definition);

    // Writes a new definition: the key in "Defined Tables" and the table's
    // section, in one rewrite of the file, so that a write that fails (a
    // full disk) leaves no part of the definition. Fails with 1251 (S0001)
    // when the section already exists.
    static VxStatus write(TxtIni& ini, TxtTableDefinition& definition);

    // Removes a table's section and its keys in "Defined Tables" (the key
    // `fileName`, and every key naming the section).
    static VxStatus remove(TxtIni& ini, const char* section, const char* fileName);

    // Reads one column entry. Errors (SQLSTATE 37000): 1241 no name or
    // nothing after it, 1244 nothing after the type, 1245 after the
    // precision, 1243 after the scale, 1242 after the width, 1263 a DATE
    // column without mask; a number part that is not a number raises the
    // message of that part; 1267 an unknown type; 1253 a name over 32
    // characters; 1255-1260 a mask that does not compile.
    static VxStatus parseColumnEntry(const char* entry, TxtGuessField* field);
    // Appends the column entry of `field`.
    static VxStatus formatColumnEntry(const TxtGuessField& field, VxString* out);

private:
    // The definition from a section's entries (VxIni::getSectionEntries).
    static VxStatus readEntries(const char* entries, TxtTableDefinition* definition);
    static VxStatus readColumns(const char* entries, TxtGuessResult* layout);
};
