// ODBC ids: the framework's numbering of the SQLSTATEs it reports.
//
// Every error record names its SQLSTATE by ODBC id (1-96, id 15 unused);
// 0 means the record has none and is reported as S1000 (S1001 for a
// memory error). The table itself is BaseSqlStates.def.
#pragma once

#include <cstddef>

#include "util/VxExport.h"

enum OdbcId : unsigned short {
    ODBC_NONE = 0,
#define BASE_SQLSTATE(id, name, state, text) name = id,
#include "base/BaseSqlStates.def"
#undef BASE_SQLSTATE
};

constexpr unsigned short ODBC_ID_COUNT = 96;

// The five-character SQLSTATE of `odbcId`, or null for an id outside the
// table.
VX_EXPORT const char* baseGetSqlState(unsigned short odbcId);
// The default message text of `odbcId`, or null for an id outside the table.
VX_EXPORT const char* baseGetSqlStateText(unsigned short odbcId);

// The framework's string table: string N (1-96) is the SQLSTATE of ODBC id N,
// string N + 99 its default text, strings 6000-6077 the framework messages.
// Copies at most size - 1 bytes and terminates; an unknown id gives "".
// Returns the length copied.
VX_EXPORT std::size_t baseLoadString(unsigned short id, char* buffer, std::size_t size);
