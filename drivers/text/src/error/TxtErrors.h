// The Text driver's string table and the functions that raise its messages.
//
// Every message the driver's file-format code raises comes through
// txtAddError: one record with the message number (also its native error
// number), the text from the driver's table (placeholders "%s1", "%n1" ...
// filled through the returned record) and the SQLSTATE named by its ODBC
// id (base/BaseOdbcId.h). The
// record has the shape the framework gives driver messages, so the driver's
// connection can answer its string-table hook from txtMessageTable().
#pragma once

#include <cstddef>

#include "base/BaseOdbcId.h"
#include "util/VxMessageTable.h"

// Driver texts are read through a buffer of this size.
constexpr std::size_t TXT_MESSAGE_BUFFER = 512;

// Message numbers raised by the file-format code.
enum TxtMessageId : unsigned short {
    TXT_MSG_BAD_DELIMITER = 1207,
    TXT_MSG_LINE_TOO_LONG = 1209,
    TXT_MSG_MISSING_COMMA_OR_PAREN = 1224,
    TXT_MSG_NUMBER_WIDTH = 1228,
    TXT_MSG_CHAR_WIDTH = 1229,
    TXT_MSG_INVALID_DATE_MASK_TEXT = 1230,
    TXT_MSG_UNKNOWN_OPTION = 1231,
    TXT_MSG_MISSING_OPEN_PAREN = 1232,
    TXT_MSG_MISSING_EQUALS = 1233,
    TXT_MSG_HEADERLINE_VALUE = 1234,
    TXT_MSG_CHARSET_VALUE = 1235,
    TXT_MSG_PARSE_NOT_QUOTED = 1236,
    TXT_MSG_PARSE_NESTED_START = 1237,
    TXT_MSG_PARSE_NESTED_END = 1238,
    TXT_MSG_PARSE_NO_END = 1239,
    TXT_MSG_TABLE_NOT_FOUND = 1240,
    TXT_MSG_INI_MISSING_TYPE = 1241,
    TXT_MSG_INI_MISSING_OFFSET = 1242,
    TXT_MSG_INI_MISSING_LENGTH = 1243,
    TXT_MSG_INI_MISSING_PRECISION = 1244,
    TXT_MSG_INI_MISSING_SCALE = 1245,
    TXT_MSG_INI_NO_FILE_NAME = 1247,
    TXT_MSG_TABLE_NAME_TOO_LONG = 1250,
    TXT_MSG_TABLE_EXISTS = 1251,
    TXT_MSG_COLUMN_TWICE = 1252,
    TXT_MSG_COLUMN_NAME_TOO_LONG = 1253,
    TXT_MSG_MASK_MONTH_ABBREV = 1255,
    TXT_MSG_MASK_MONTH_NAME = 1256,
    TXT_MSG_MASK_DAY_ABBREV = 1257,
    TXT_MSG_MASK_DAY_NAME = 1258,
    TXT_MSG_MASK_NO_END_QUOTE = 1259,
    TXT_MSG_MASK_INVALID = 1260,
    TXT_MSG_DATE_TOO_WIDE = 1261,
    TXT_MSG_DATE_NOT_CONVERTED = 1262,
    TXT_MSG_INI_NO_MASK = 1263,
    TXT_MSG_NO_CREATE_INDEX = 1264,
    TXT_MSG_NO_DROP_INDEX = 1265,
    TXT_MSG_INVALID_DATE_VALUE = 1266,
    TXT_MSG_INI_UNKNOWN_TYPE = 1267,
    TXT_MSG_VALUE_TOO_WIDE = 1268,
    TXT_MSG_NO_ROW_CHANGES = 1269,
};

// Driver strings used by the file-format code.
enum TxtStringId : unsigned short {
    TXT_STR_DRIVER_NAME = 20101,
    TXT_STR_MONTH_ABBREVS = 20116,
    TXT_STR_FIRST_MONTH_NAME = 20125,
    TXT_STR_FIRST_DAY_NAME = 20137,
    TXT_STR_DAY_ABBREVS = 20144,
};

const VxMessageTable& txtMessageTable();

// The text of `id` from the driver's table ("" when it has none).
const char* txtGetString(unsigned short id);

// Raises message `msgId` as an error with the SQLSTATE of `odbcId`.
VxError& txtAddError(unsigned short odbcId, unsigned short msgId);
