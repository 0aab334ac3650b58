// A growable array of plain values from the system allocator, for the
// tables a workbook's globals fill (sheets, cell formats, names).
#pragma once

#include <cstddef>

#include "util/ram.h"

template <typename T> class XlsValueTable {
public:
    XlsValueTable() = default;
    ~XlsValueTable() { ramFree(values_); }
    XlsValueTable(const XlsValueTable&) = delete;
    XlsValueTable& operator=(const XlsValueTable&) = delete;

    // Appends `value`; fails (out of memory raised) without changing the table.
    [[nodiscard]] VxStatus add(const T& value) {
        if (count_ == capacity_) {
            std::size_t capacity = capacity_ ? capacity_ * 2 : 16;
            if (ramResizeArray(&values_, capacity) != VX_SUCCESS)
                return VX_ERROR;
            capacity_ = capacity;
        }
        values_[count_++] = value;
        return VX_SUCCESS;
    }
    std::size_t size() const { return count_; }
    const T& operator[](std::size_t index) const { return values_[index]; }
    void clear() { count_ = 0; }

private:
    T* values_ = nullptr;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;
};
