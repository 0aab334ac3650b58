// TxtByteSource: buffered reading of an open text file, byte by byte, at
// 64-bit offsets.
//
// The source keeps one buffer of the file's bytes and refills it from the
// file whenever reading runs past its end, so a caller sees one unbroken
// stream from the position it seeks to. Bytes already buffered are reused
// when a seek lands inside them. A seek elsewhere reads only a small
// window (WINDOW bytes) at its offset, as one record is usually wanted
// there; each further refill reads twice as much as the one before, up to
// CAPACITY, so a long record costs a few reads and a sequential scan soon
// reads whole blocks again. The end of the file is asked of the file
// again each time it is reached, so a file that grows is read to its new
// end. A failed read leaves its error on the current list, marks the
// source failed and reads as the end of the file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"

class TxtByteSource {
public:
    static constexpr std::size_t CAPACITY = 32768;
    static constexpr std::size_t WINDOW = 256;
    static constexpr int END = -1;

    TxtByteSource() = default;
    TxtByteSource(const TxtByteSource&) = delete;
    TxtByteSource& operator=(const TxtByteSource&) = delete;
    ~TxtByteSource();

    // Reads from `handle` (which the caller keeps open) from now on.
    VxStatus attach(int handle);
    // Forgets the buffered bytes (the file changed).
    void invalidate();
    void seek(std::int64_t offset);
    std::int64_t position() const { return bufferStart_ + static_cast<std::int64_t>(pos_); }

    // The byte at the position (0-255), or END.
    int peek() { return pos_ < fill_ ? static_cast<unsigned char>(buffer_[pos_]) : refill(); }
    // The byte at the position, stepping past it; END does not step.
    int next() {
        int c = peek();
        if (c != END)
            ++pos_;
        return c;
    }
    // The bytes buffered from the position on, refilling when none are
    // left: their count in *count, null at the end of the file. skip()
    // steps over `count` of them (at most the count given).
    const char* span(std::size_t* count) {
        if (pos_ >= fill_ && refill() == END)
            return nullptr;
        *count = fill_ - pos_;
        return buffer_ + pos_;
    }
    void skip(std::size_t count) { pos_ += count; }
    // Whether a read failed since the last seek (its error is on the list).
    bool failed() const { return failed_; }

private:
    int refill();

    int handle_ = 0;
    char* buffer_ = nullptr;
    std::int64_t bufferStart_ = 0;
    std::size_t fill_ = 0;
    std::size_t pos_ = 0;
    std::size_t readSize_ = WINDOW; // bytes the next refill asks for
    bool failed_ = false;
};
