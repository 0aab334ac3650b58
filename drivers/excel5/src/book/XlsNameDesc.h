// One table of a workbook: a named range on a single sheet.
#pragma once

#include <cstddef>
#include <cstdint>

// The longest table name kept, in bytes.
constexpr std::size_t XLS_MAX_NAME = 32;

struct XlsNameDesc {
    char name[XLS_MAX_NAME + 1];
    std::uint16_t sheet; // index into the workbook's sheets
    std::uint16_t firstRow, lastRow;
    std::uint16_t firstColumn, lastColumn;
};
