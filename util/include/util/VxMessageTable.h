// Compiled-in message tables and the raise functions built on them.
//
// Each library keeps its messages in its own table (an X-macro .def file
// of id and text) and wraps these functions in its own small set of
// addError / addWarning / appendErrorText helpers, so that every message a
// library raises comes from that library's table.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxError.h"

struct VxMessage {
    std::uint16_t id;
    const char* text;
};

class VX_EXPORT VxMessageTable {
public:
    // `messages` must be sorted by id and outlive the table.
    constexpr VxMessageTable(const VxMessage* messages, std::size_t count)
        : messages_(messages), count_(count) {}

    // The text of `id`, or null when the table lacks it.
    const char* find(unsigned id) const;
    // Copies the text of `id` into `buffer`: at most size - 1 bytes, always
    // NUL-terminated; an id the table lacks gives "". Returns the length.
    std::size_t load(unsigned id, char* buffer, std::size_t size) const;

private:
    const VxMessage* messages_;
    std::size_t count_;
};

// Loads message `id` through a buffer of `bufferSize` bytes (the text is
// cut to bufferSize - 1 bytes) and adds it to the current list.
VX_EXPORT VxError& vxRaiseMessage(const VxMessageTable& table, unsigned short id, ErrorType type,
                                  std::size_t bufferSize);
// Adds a record with the given number and text.
VX_EXPORT VxError& vxRaiseText(unsigned short id, const char* text, ErrorType type);
// Loads message `id` and appends it to the last record of the current list.
VX_EXPORT VxError& vxAppendMessage(const VxMessageTable& table, unsigned short id,
                                   std::size_t bufferSize);
// Loads message `id` and appends it to the record at `pos` of the current list.
VX_EXPORT void vxAppendMessageAtPos(const VxMessageTable& table, unsigned short id,
                                    unsigned long pos, std::size_t bufferSize);
