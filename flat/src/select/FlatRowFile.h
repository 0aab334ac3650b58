// FlatRowFile: the fixed-length records of an ordinal result set (a row
// handle, and what a sort keeps with it), addressed by row number. Records
// are appended in blocks of 64 KiB: the last block stays in memory, full
// blocks go to a temporary file in one write each, and a record is read
// back with its whole block, so reading the rows in order costs one file
// read per block rather than one per row.
#pragma once

#include <cstdint>

#include "util/VxStatus.h"
#include "util/VxString.h"

class FlatRowFile {
public:
    FlatRowFile() = default;
    ~FlatRowFile();
    FlatRowFile(const FlatRowFile&) = delete;
    FlatRowFile& operator=(const FlatRowFile&) = delete;

    // Starts empty with records of `size` bytes (1 to 65535); the file,
    // if any, is deleted.
    void reset(std::uint32_t size);
    // Appends one record; fails on a file error or when memory runs out.
    [[nodiscard]] VxStatus append(const unsigned char* record);
    // Copies record `index` (from 0, below the count appended) into `out`.
    [[nodiscard]] VxStatus read(std::uint64_t index, unsigned char* out);

private:
    static constexpr std::uint32_t BLOCK = 65536;

    void removeFile();
    [[nodiscard]] VxStatus allocate(unsigned char** block);

    std::uint32_t size_ = 1;
    std::uint32_t perBlock_ = BLOCK;
    unsigned char* tail_ = nullptr;   // the block being filled
    std::uint64_t tailBlock_ = 0;     // its number
    std::uint32_t tailCount_ = 0;     // records in it
    unsigned char* cached_ = nullptr; // a full block read back
    std::uint64_t cachedBlock_ = ~0ull;
    int handle_ = 0;
    VxString name_;
};
