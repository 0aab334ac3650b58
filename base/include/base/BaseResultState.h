// BaseResultState: where a statement's cursor stands in its result set,
// kept by the result functions (fetching, SQLSetPos, SQLGetData).
//
// Cursor positions:
//
//   before the first row ──fetch──> on a row set ──fetch past the end──> after the end
//        ^                               │  (rowsetStart .. +rowsInRowset-1,
//        └── execution, closing ─────────┘   current row inside it)
//
// Rows are numbered from 1. The current row is the row the driver's
// getData hook delivers: the last row fetched, or the row SQLSetPos
// positioned on.
#pragma once

#include <sql.h>

#include <cstdint>

struct BaseResultState {
    // First row of the current row set (0: before the first row).
    SQLULEN rowsetStart = 0;
    // Rows the current row set holds (fetched rows, not row-set size).
    SQLULEN rowsInRowset = 0;
    // The row the driver stands on (0: none).
    SQLULEN currentRow = 0;
    // The row SQLGetData and SQLSetPos work on: the first row of the row
    // set, or the row SQLSetPos positioned on.
    SQLULEN positionRow = 0;
    // Forward-only cursors: rows fetched so far.
    SQLULEN rowsFetched = 0;
    bool afterEnd = false;
    // The driver stands on a row whose values can be read.
    bool onRow = false;
    // SQLGetData: the column read last, its C type, the source bytes
    // delivered so far and whether it was delivered completely.
    std::uint16_t getDataColumn = 0;
    short getDataCType = 0;
    SQLLEN getDataOffset = 0;
    bool getDataComplete = false;
    // SQL_GETDATA_EXTENSIONS as the connection answered it for this result
    // set, asked at its first SQLGetData.
    SQLUINTEGER getDataExtensions = 0;
    bool getDataExtensionsKnown = false;
    // True while the framework asks the driver for a piece of a value:
    // the statement's convertInternalToC then starts character and binary
    // values at getDataOffset.
    bool pieceActive = false;
    // Set by the conversion of a piece: the value was character or binary
    // data, which a further piece can continue.
    bool lastPieceable = false;
    // The row status array of the last SQLExtendedFetch (may be null);
    // SQLSetPos marks the rows it changes there.
    SQLUSMALLINT* rowStatus = nullptr;

    // Back to "before the first row", forgetting SQLGetData's progress.
    void reset() { *this = BaseResultState(); }
    void forgetGetData() {
        getDataColumn = 0;
        getDataCType = 0;
        getDataOffset = 0;
        getDataComplete = false;
    }
};
