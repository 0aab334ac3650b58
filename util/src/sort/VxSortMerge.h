// Run bookkeeping of VxSort's external merge.
//
// A run is a stretch of sorted records in the temporary file. While merging,
// each run has a share of the record buffers (whole records inside one
// buffer) that is refilled from its part of the file when used up. The
// active runs are kept ordered by their head record; the smallest head is
// handed out and its run is advanced (at the next read, so the pointer
// handed out stays valid until then) and put back in order by binary search.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"

struct VxSortRun {
    std::int64_t offset;
    std::uint64_t count;
};

struct VxSortMergeRun {
    std::int64_t nextOffset; // file position of the first record not yet loaded
    std::uint64_t leftInFile;
    char* share;
    std::uint32_t shareCapacity; // records
    std::uint32_t loaded;
    std::uint32_t pos;
    std::uint32_t index; // run number, for a stable order among equal heads
};

struct VxSortMerge {
    VxSortMergeRun* runs = nullptr;
    VxSortMergeRun** order = nullptr;
    std::uint32_t count = 0;  // runs taking part
    std::uint32_t active = 0; // runs not yet exhausted, ordered in `order`
    VxSortMergeRun* pending = nullptr;
};

// Reads exactly `bytes` bytes of the sort's file; a short file is an error.
VxStatus vxSortReadFully(int handle, const char* name, std::int64_t offset, char* into,
                         std::size_t bytes);
