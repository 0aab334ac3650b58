// TxtTextBuffer: a growable byte buffer for building lines of any length.
#pragma once

#include <cstddef>

#include "util/VxStatus.h"

class TxtTextBuffer {
public:
    TxtTextBuffer() = default;
    TxtTextBuffer(const TxtTextBuffer&) = delete;
    TxtTextBuffer& operator=(const TxtTextBuffer&) = delete;
    ~TxtTextBuffer();

    VxStatus append(const char* data, std::size_t length);
    VxStatus append(char byte) { return append(&byte, 1); }
    // Appends `count` copies of `byte`.
    VxStatus appendFill(char byte, std::size_t count);
    void clear() { length_ = 0; }
    const char* data() const { return data_; }
    char* data() { return data_; }
    std::size_t length() const { return length_; }

private:
    VxStatus reserve(std::size_t extra);

    char* data_ = nullptr;
    std::size_t length_ = 0;
    std::size_t capacity_ = 0;
};
