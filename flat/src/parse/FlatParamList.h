// FlatParamList: the parameter markers of one statement text, numbered
// from 1 in the order they are written, and the type each marker's use
// gives it.
//
// Clauses are compiled in an order of their own; a marker is numbered by
// its place in the whole text, so numbers never depend on that order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatExprType.h"
#include "util/VxStatus.h"

class FlatParamList {
public:
    FlatParamList() = default;
    ~FlatParamList();
    FlatParamList(const FlatParamList&) = delete;
    FlatParamList& operator=(const FlatParamList&) = delete;

    // Finds the markers of `text` (quoted texts and brace groups skipped).
    // Types start as FLAT_TYPE_PARAM (not known yet).
    [[nodiscard]] VxStatus scan(const char* text);
    void clear();

    std::uint16_t getCount() const { return count_; }
    // The number of the marker at byte `offset` of the text; 0 for none.
    std::uint16_t numberAt(std::size_t offset) const;
    // Type of parameter `number` (from 1); FLAT_TYPE_PARAM when not known.
    short getType(std::uint16_t number) const;
    void setType(std::uint16_t number, short type);

private:
    std::uint32_t* offsets_ = nullptr;
    short* types_ = nullptr;
    std::uint16_t count_ = 0;
};
