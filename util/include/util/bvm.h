// The block cache: a process-wide read cache of 8 KiB file blocks shared by
// all connections (kept in per-task slot 4).
//
// bvmInit creates the cache on its first call, with room for `chunks` * 8
// blocks (64 KiB chunks allocated as needed), and counts a reference on
// later calls; bvmTerm drops a reference and the last one frees the cache.
// Reads fill blocks (the least recently used one is evicted when the cache
// is full); writes go to the file first and then update any cached copy.
// bvmFileClose forgets the file's blocks before it closes the file, so a
// descriptor number reused by the next open never sees stale data; code
// that closes a cached file some other way must call bvmFlush first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"
#include "util/VxStatus.h"

enum VmHintType : int {
    VM_HINT_NONE = 0,
    // A full cache is not disturbed: missing blocks are read straight from the file.
    VM_HINT_NO_EVICT = 1,
};

struct BvmCache;

constexpr std::uint32_t BVM_BLOCK_SIZE = 8192;
constexpr std::uint32_t BVM_BLOCKS_PER_CHUNK = 8;

VX_EXPORT BvmCache* bvmInit(unsigned chunks);
VX_EXPORT void bvmTerm(BvmCache* cache);
VX_EXPORT VxStatus bvmFileRead(BvmCache* cache, int handle, std::int64_t offset, void* buffer,
                               std::size_t length, std::size_t* count,
                               VmHintType hint = VM_HINT_NONE);
VX_EXPORT VxStatus bvmFileWrite(BvmCache* cache, int handle, std::int64_t offset,
                                const void* data, std::size_t length);
// Forgets every cached block of the file.
VX_EXPORT VxStatus bvmFlush(BvmCache* cache, int handle);
// Forgets the file's blocks, then closes it; a zero handle is ignored.
VX_EXPORT VxStatus bvmFileClose(BvmCache* cache, int handle);
// Blocks currently cached for the file (for diagnostics and tests).
VX_EXPORT std::uint32_t bvmCachedBlocks(BvmCache* cache, int handle);
