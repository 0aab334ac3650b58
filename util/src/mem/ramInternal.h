// Inspection of the allocator's arenas, for tests and diagnostics.
//
// Each function takes the allocator's lock for the time of the look.
#pragma once

#include <cstddef>

// Number of arenas in the process's chain.
std::size_t ramArenaCount();
// Total size (header included) of the arena that holds `block`, or 0 when
// the block is not in an arena (a large block, or not a block at all).
std::size_t ramArenaSizeOf(const void* block);
// Size of the block as the arena carves it (header included), or 0 for a
// large block.
std::size_t ramBlockSizeOf(const void* block);
// True for a block that is a separate system allocation.
bool ramIsLargeBlock(const void* block);
