#include "cursor/TxtInsertRow.h"

#include <cstring>

#include "util/ram.h"

void TxtInsertRow::clear() {
    for (std::uint16_t i = 0; i < count; ++i) {
        ramFree(values[i]);
        values[i] = nullptr;
        lengths[i] = 0;
    }
}

VxStatus TxtInsertRow::reset(std::uint16_t columns) {
    clear();
    if (columns == count && values)
        return VX_SUCCESS;
    ramFree(values);
    ramFree(lengths);
    count = 0;
    values = static_cast<char**>(ramAllocZ((columns + 1u) * sizeof(char*)));
    lengths = static_cast<std::size_t*>(ramAllocZ((columns + 1u) * sizeof(std::size_t)));
    if (!values || !lengths)
        return VX_ERROR;
    count = columns;
    return VX_SUCCESS;
}

VxStatus TxtInsertRow::set(std::uint16_t field, const char* text, std::size_t length) {
    char* copy = static_cast<char*>(ramAlloc(length + 1));
    if (!copy)
        return VX_ERROR;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    ramFree(values[field]);
    values[field] = copy;
    lengths[field] = length;
    return VX_SUCCESS;
}

void txtFreeInsertRow(TxtInsertRow* row) {
    if (!row)
        return;
    row->clear();
    ramFree(row->values);
    ramFree(row->lengths);
    delete row;
}
