// TxtInsertRow: the column texts of the record a TxtCursor is inserting.
// A column without text is NULL (written empty).
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"

struct TxtInsertRow {
    char** values = nullptr;        // owned texts; null for NULL
    std::size_t* lengths = nullptr; // their lengths
    std::uint16_t count = 0;

    // Makes room for `columns` columns, all NULL.
    [[nodiscard]] VxStatus reset(std::uint16_t columns);
    // Column `field` takes a copy of `length` bytes of `text`.
    [[nodiscard]] VxStatus set(std::uint16_t field, const char* text, std::size_t length);
    void clear();
};

void txtFreeInsertRow(TxtInsertRow* row);
