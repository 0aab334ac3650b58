// One cell of a worksheet, decoded from its BIFF5 record.
//
// Cell records: NUMBER, RK, MULRK (a run of RK cells of one row), LABEL,
// RSTRING (a label with formatting runs), BOOLERR, FORMULA (its cached
// result; a text result follows in the STRING record), STRING, BLANK and
// MULBLANK. Every length inside a record is checked against the record's
// length: a record too short for what it claims is not a cell.
#pragma once

#include <cstddef>
#include <cstdint>

// Cell record numbers (BIFF5).
enum XlsCellRecord : std::uint16_t {
    XLS_REC_FORMULA = 0x0006,
    XLS_REC_MULRK = 0x00BD,
    XLS_REC_MULBLANK = 0x00BE,
    XLS_REC_RSTRING = 0x00D6,
    XLS_REC_BLANK = 0x0201,
    XLS_REC_NUMBER = 0x0203,
    XLS_REC_LABEL = 0x0204,
    XLS_REC_BOOLERR = 0x0205,
    XLS_REC_STRING = 0x0207,
    XLS_REC_RK = 0x027E,
    XLS_REC_FORMULA_OLD = 0x0406,
};

enum XlsCellKind : std::uint8_t {
    XLS_CELL_NONE,    // not a cell record, or a malformed one
    XLS_CELL_EMPTY,   // BLANK, MULBLANK, an empty text result
    XLS_CELL_NUMBER,  // NUMBER, FORMULA with a numeric result
    XLS_CELL_RK,      // RK and each cell of MULRK
    XLS_CELL_TEXT,    // LABEL, RSTRING, STRING
    XLS_CELL_BOOLEAN, // BOOLERR value, FORMULA with a boolean result
    XLS_CELL_ERROR,   // BOOLERR error, FORMULA with an error result
    XLS_CELL_PENDING, // FORMULA with a text result: the STRING record follows
};

struct XlsCell {
    XlsCellKind kind = XLS_CELL_NONE;
    std::uint16_t row = 0;
    std::uint16_t column = 0;
    std::uint16_t xf = 0;
    double number = 0;                  // NUMBER, RK; BOOLEAN as 0 or 1
    const std::uint8_t* text = nullptr; // TEXT: bytes in the record body
    std::size_t textLength = 0;
};

// The value of an RK number: bit 0 divides by 100, bit 1 makes the upper
// 30 bits a signed integer, else they are the upper bits of a double.
double xlsRkValue(std::uint32_t rk);

// Decodes the single cell of record `number` with `body` of `length`
// bytes. MULRK and MULBLANK give their first cell here; xlsMultiCell gives
// each. STRING gives a TEXT cell without row and column.
XlsCell xlsDecodeCell(std::uint16_t number, const std::uint8_t* body, std::size_t length);

// The number of cells of a MULRK or MULBLANK record, bounded by its length.
std::size_t xlsMultiCellCount(std::uint16_t number, std::size_t length);
// Cell `index` (below xlsMultiCellCount) of a MULRK or MULBLANK record.
XlsCell xlsMultiCell(std::uint16_t number, const std::uint8_t* body, std::size_t index);
