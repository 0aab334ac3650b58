// The Excel 5 driver's string table and the functions that raise its
// messages.
//
// Every message comes through xlsAddError: one record with the message
// number (also its native error number), the text from the driver's table
// (placeholders "%s1", "%n1" ... filled through the returned record) and
// the SQLSTATE named by its ODBC id (base/BaseOdbcId.h). Failures of the
// workbook storage become their messages through xlsAddStorageError.
#pragma once

#include <cstddef>

#include "base/BaseOdbcId.h"
#include "storage/XlsStorage.h"
#include "util/VxMessageTable.h"

// Driver texts are read through a buffer of this size.
constexpr std::size_t XLS_MESSAGE_BUFFER = 512;

enum XlsMessageId : unsigned short {
    XLS_MSG_NO_WORKBOOK = 1201,
    XLS_MSG_TYPE_SYNTAX = 1202,
    XLS_MSG_CANNOT_OPEN_WORKBOOK = 1203,
    XLS_MSG_CANNOT_OPEN_STREAM = 1204,
    XLS_MSG_STREAM_READ = 1205,
    XLS_MSG_TABLE_NOT_FOUND = 1211,
    XLS_MSG_MISSING_TABLE_NAME = 1212,
    XLS_MSG_SYNTAX = 1220,
    XLS_MSG_CHAR_WIDTH = 1223,
    XLS_MSG_PASSWORD = 1225,
    XLS_MSG_NOT_EXCEL = 1226,
};

const VxMessageTable& xlsMessageTable();

// Raises message `msgId` as an error with the SQLSTATE of `odbcId`.
VxError& xlsAddError(unsigned short odbcId, unsigned short msgId);

// Raises file-level message `msgId` (1225, 1226) with SQLSTATE 37000 and
// the workbook path after its text.
VxError& xlsAddFileError(unsigned short msgId, const char* path);

// Raises the message for a failed storage operation (S1000): 1201 with the
// workbook path, 1203 with the code and the path, 1204 with the stream name
// and the code, 1205 with the code. Codes are shown by their low 16 bits.
// `result` must be a failure.
VxError& xlsAddStorageError(const XlsStorageResult& result, const char* path,
                            const char* streamName);
