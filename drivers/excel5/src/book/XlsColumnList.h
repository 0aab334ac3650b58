// Column types of a workbook table and the explicit column list that a
// query may give instead of guessing: a comma-separated list of types, one
// per column in order.
//
// Words (without case): CHAR or CHARACTER with "(" width ")", width 1 to
// 255; NUM, FLOAT, INT, INTEGER, MONEY, NUMBER; DATE and TIMESTAMP (both
// timestamp); LOGICAL; TIME. Errors: 1223 for a width out of range; 1202
// for a width token of 20 characters or more, not a number, or without
// its parentheses; 1220 for another word or an item not followed by ","
// or the end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "book/XlsValueTable.h"
#include "util/VxStatus.h"

enum XlsColumnType : std::uint8_t {
    XLS_TYPE_LOGICAL = 0,
    XLS_TYPE_NUMBER = 1,
    XLS_TYPE_DATE = 2,
    XLS_TYPE_TIME = 3,
    XLS_TYPE_TIMESTAMP = 4,
    XLS_TYPE_CHAR = 5,
    XLS_TYPE_UNKNOWN = 6,
};

struct XlsListedColumn {
    XlsColumnType type;
    std::uint16_t width; // character columns
};

class XlsColumnList {
public:
    // Parses `text`; the list is empty until it succeeds.
    [[nodiscard]] VxStatus parse(const char* text);
    std::size_t size() const { return columns_.size(); }
    const XlsListedColumn& operator[](std::size_t index) const { return columns_[index]; }
    bool sameAs(const XlsColumnList& other) const;

private:
    XlsValueTable<XlsListedColumn> columns_;
};
