// TxtNameIndex: the column names of a layout, looked up without case in
// constant time.
//
// The index holds column numbers of one TxtGuessResult and reads their
// names from it, so the layout may grow (and its columns move) while the
// index lives; a column's name must not change once it is added. Names
// compare as strEqualCi does (ASCII letters without case). Memory comes from
// ramAlloc; a failure to grow records the out-of-memory error.
#pragma once

#include <cstdint>

#include "util/VxStatus.h"

class TxtGuessResult;

class TxtNameIndex {
public:
    static constexpr std::uint16_t NONE = 0xFFFF;

    explicit TxtNameIndex(const TxtGuessResult& layout) : layout_(layout) {}
    TxtNameIndex(const TxtNameIndex&) = delete;
    TxtNameIndex& operator=(const TxtNameIndex&) = delete;
    ~TxtNameIndex();

    // The column added under a name equal to `name`, or NONE.
    std::uint16_t find(const char* name) const;
    // Adds column `column` under its current name.
    [[nodiscard]] VxStatus add(std::uint16_t column);

private:
    [[nodiscard]] VxStatus grow();
    void place(std::uint16_t column);

    const TxtGuessResult& layout_;
    std::uint16_t* slots_ = nullptr; // column numbers, NONE when free
    std::uint32_t capacity_ = 0;     // a power of two, or 0
    std::uint32_t count_ = 0;
};
