// XlsSharedField: one column of a workbook table: its name (at most 32
// bytes), type and width, and the SQL description the engine reads.
//
//   logical    BIT        1
//   number     DOUBLE     15
//   date       DATE       10
//   time       TIME       8
//   timestamp  TIMESTAMP  19
//   character  VARCHAR    its width (1 to 255)
#pragma once

#include <cstdint>

#include "book/XlsColumnList.h"
#include "flat/FlatSharedField.h"

class XlsSharedField : public FlatSharedField {
public:
    // Takes name, type and width. Fails only when memory runs out.
    [[nodiscard]] VxStatus describe(const char* name, XlsColumnType type, std::uint16_t width);
    XlsColumnType getType() const { return type_; }
    std::uint16_t getWidth() const { return width_; }

private:
    XlsColumnType type_ = XLS_TYPE_CHAR;
    std::uint16_t width_ = 255;
};
