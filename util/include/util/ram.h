// The allocator of every library of the system.
//
// Small and medium blocks come from arenas shared by all threads of the
// process (per-task slot 0) and guarded by the allocator's semaphore; an
// arena goes back to the system as soon as its last block is freed. Large
// blocks (ramAllocHuge, ramAlloc64K) are separate system allocations.
//
// Every block is aligned to 16 bytes. A failing allocation records the
// out-of-memory condition itself (VxErrorKeeper::addMemoryError) and returns
// null, so a caller that gets null just returns VX_ERROR.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"
#include "util/VxStatus.h"

// Requests of this size or more get a block of their own outside the arenas.
constexpr std::size_t RAM_LARGE_BLOCK = 1u << 20;

VX_EXPORT void* ramAlloc(std::size_t size);
VX_EXPORT void* ramAllocZ(std::size_t size);
VX_EXPORT char* ramAllocStr(const char* text);
VX_EXPORT char* ramAllocStr(const char* text, std::size_t length);
VX_EXPORT void ramFree(void* block);
// The size the caller asked for when the block was allocated or resized.
VX_EXPORT std::size_t ramSize(const void* block);
// Grows or shrinks *block, in place when it can; on failure *block is intact.
VX_EXPORT VxStatus ramResize(void** block, std::size_t size);
// As ramResize; bytes beyond the old size are zeroed.
VX_EXPORT VxStatus ramResizeZ(void** block, std::size_t size);

VX_EXPORT void* ramAllocHuge(std::size_t size);
VX_EXPORT VxStatus ramResizeHuge(void** block, std::size_t size);
VX_EXPORT void ramFreeHuge(void* block);
VX_EXPORT void* ramAlloc64K();
VX_EXPORT void ramFree64K(void* block);
// True when the system reports more than 400,000 bytes obtainable.
VX_EXPORT bool ramIsAllocOK();

// Typed convenience over ramResize for arrays of plain values.
template <typename T> [[nodiscard]] VxStatus ramResizeArray(T** block, std::size_t count) {
    void* p = *block;
    VxStatus status = ramResize(&p, count * sizeof(T));
    *block = static_cast<T*>(p);
    return status;
}
