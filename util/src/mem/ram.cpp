// The arena allocator behind ramAlloc and its family.
//
// Small and medium blocks are carved out of arenas: chunks of system memory
// chained in the per-task allocator slot and shared by every thread. One
// semaphore guards every arena operation.
//
//   arena  +------------------+---------+---------+-----+---------+
//          | arena header, 40 | block   | block   | ... | block   |
//          +------------------+---------+---------+-----+---------+
//   block  | header word, 8 | caller's bytes ...        | slack   |
//   free   | header word, 8 | next free | previous free | ...     |
//
// Header word: bits 0-31 block size (header included); bits 32-47 slack
// (block size minus the size the caller asked for, so ramSize is exact);
// bit 62 the large-block tag; bit 63 set while the block is allocated.
//
// Alignment: arenas come from the system's malloc through the system-call
// table (16-byte aligned); the arena header is 40 bytes and every block
// size is a multiple of 16, so each block starts 8 bytes below a multiple
// of 16 and the pointer handed out, just past the header word, is 16-byte
// aligned.
//
// Constants: block size = requested size + 8 rounded up to a multiple of
// 16, at least 32 (a free block holds its header and two links). A new
// arena has room for max(block size, 4048) bytes of blocks, 4088 bytes in
// all at the least. A free block is split, and a shrinking block's tail is
// cut off, only when the rest makes a whole block (32 bytes or more).
//
// Free blocks of an arena form a doubly linked list; the rover is the free
// block where the next search in that arena starts. Freeing pushes the
// block on the front of the list without merging; adjacent free blocks are
// merged only when a search or a growing resize needs the room. An arena
// goes back to the system as soon as its last block is freed.
//
// Large blocks: requests of RAM_LARGE_BLOCK bytes or more, and every block
// of ramAllocHuge/ramAlloc64K, are separate system allocations laid out as
// [requested size, 8][header word with the large tag, 8][caller's bytes];
// ramFree, ramSize and ramResize recognise them by the tag. They need no
// allocator lock. A request above RAM_MAX_BLOCK never reaches the system:
// it fails as out of memory.
//
// Arena index: two side tables in memory of their own (std::malloc), kept
// under the allocator lock, make each operation independent of the number of
// arenas (a table of 16,000 columns keeps thousands of them alive):
//   - the arenas sorted by address, each with its position in chain order,
//     so that the arena of a block is found by binary search;
//   - a max tree over chain positions holding each arena's free bytes (the
//     sum of its free blocks). An arena with fewer free bytes than a block
//     needs cannot hold it even after merging, so the search asks the tree
//     for the first arena in chain order that may, and the choice stays
//     that of a first fit walking the chain.
// Positions follow the chain (a new arena is appended with the next
// position); a released arena leaves a hole, and when positions run out the
// tree is rebuilt for the arenas alive, renumbered in chain order. A failure
// to grow the tables fails the allocation as out of memory.
//
// Under AddressSanitizer, headers, slack and free space stay poisoned and
// only the bytes a caller asked for are addressable, so overruns inside an
// arena are reported. The allocator reads its own headers through accessors
// that are not instrumented.
#include "util/ram.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include <sanitizer/asan_interface.h>

#include "mem/ramInternal.h"
#include "os/BosSystemCallTable.h"
#include "util/VxError.h"
#include "util/VxSemaphore.h"
#include "util/bos.h"
#include "util/mds.h"

// GCC says it builds with AddressSanitizer by __SANITIZE_ADDRESS__, clang
// by __has_feature; the poisoning macros of asan_interface.h follow either.
#if defined(__SANITIZE_ADDRESS__)
#define RAM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RAM_ASAN 1
#endif
#endif

#if defined(RAM_ASAN)
#define RAM_UNINSTRUMENTED __attribute__((no_sanitize_address))
#else
#define RAM_UNINSTRUMENTED
#endif

namespace {

using Byte = unsigned char;

constexpr std::uint64_t SIZE_MASK = 0xFFFFFFFFu;
constexpr int SLACK_SHIFT = 32;
constexpr std::uint64_t SLACK_MASK = 0xFFFFu;
constexpr std::uint64_t LARGE_BIT = std::uint64_t{1} << 62;
constexpr std::uint64_t ALLOCATED_BIT = std::uint64_t{1} << 63;

constexpr std::size_t HEADER = 8;
constexpr std::size_t ALIGNMENT = 16;
constexpr std::size_t MIN_BLOCK = 32;
constexpr std::size_t ARENA_HEADER = 40;
constexpr std::size_t MIN_ARENA_ROOM = 4048;
constexpr std::size_t LARGE_PREFIX = 16;
// Allocation sizes are 32-bit: a larger request fails like any other
// allocation that cannot be made, without asking the system, whose
// allocator (a sanitizer's among them) may abort on absurd sizes.
constexpr std::size_t RAM_MAX_BLOCK = 0xFFFFFFFFu;

struct Arena {
    std::uint32_t size; // total bytes, header included
    std::uint32_t live; // blocks handed out and not yet freed
    Byte* freeHead;
    Byte* rover;
    Arena* next;
    Arena* prev;
};
static_assert(sizeof(Arena) == ARENA_HEADER, "blocks must start 8 bytes below a multiple of 16");
static_assert(alignof(std::max_align_t) >= ALIGNMENT, "system memory must be 16-byte aligned");
static_assert(RAM_LARGE_BLOCK + ALIGNMENT < SIZE_MASK, "arena block sizes must fit 32 bits");

// The allocator's lock; the semaphore layer gives this slot the special
// treatment that lets the semaphore itself be allocated here.
VxSemaphoreSlot* allocatorLock() {
    return vxAllocatorSemaphoreSlot();
}

void poison(const void* p, std::size_t n) {
    (void)p;
    (void)n;
    ASAN_POISON_MEMORY_REGION(p, n);
}

void unpoison(const void* p, std::size_t n) {
    (void)p;
    (void)n;
    ASAN_UNPOISON_MEMORY_REGION(p, n);
}

// ---- Header and link accessors ---------------------------------------------

RAM_UNINSTRUMENTED std::uint64_t word(const Byte* b) {
    return *reinterpret_cast<const std::uint64_t*>(b);
}
RAM_UNINSTRUMENTED void setWord(Byte* b, std::uint64_t w) {
    *reinterpret_cast<std::uint64_t*>(b) = w;
}
RAM_UNINSTRUMENTED Byte* nextFree(const Byte* b) {
    return *reinterpret_cast<Byte* const*>(b + HEADER);
}
RAM_UNINSTRUMENTED Byte* prevFree(const Byte* b) {
    return *reinterpret_cast<Byte* const*>(b + HEADER + sizeof(Byte*));
}
RAM_UNINSTRUMENTED void setNextFree(Byte* b, Byte* next) {
    *reinterpret_cast<Byte**>(b + HEADER) = next;
}
RAM_UNINSTRUMENTED void setPrevFree(Byte* b, Byte* prev) {
    *reinterpret_cast<Byte**>(b + HEADER + sizeof(Byte*)) = prev;
}

std::size_t blockSize(const Byte* b) {
    return word(b) & SIZE_MASK;
}
bool isAllocated(const Byte* b) {
    return word(b) & ALLOCATED_BIT;
}
std::size_t requestOf(std::uint64_t w) {
    return (w & SIZE_MASK) - ((w >> SLACK_SHIFT) & SLACK_MASK);
}

void setAllocatedHeader(Byte* b, std::size_t size, std::size_t request) {
    setWord(b, size | (std::uint64_t{size - request} << SLACK_SHIFT) | ALLOCATED_BIT);
}

std::size_t blockSizeFor(std::size_t request) {
    std::size_t size = (request + HEADER + ALIGNMENT - 1) & ~(ALIGNMENT - 1);
    return size < MIN_BLOCK ? MIN_BLOCK : size;
}

Byte* toBlock(const void* user) {
    return static_cast<Byte*>(const_cast<void*>(user)) - HEADER;
}

// ---- Free lists -------------------------------------------------------------

Byte* arenaStart(Arena* a) {
    return reinterpret_cast<Byte*>(a) + ARENA_HEADER;
}
Byte* arenaEnd(Arena* a) {
    return reinterpret_cast<Byte*>(a) + a->size;
}

void unlinkFree(Arena* a, Byte* b) {
    Byte* next = nextFree(b);
    Byte* prev = prevFree(b);
    if (prev)
        setNextFree(prev, next);
    else
        a->freeHead = next;
    if (next)
        setPrevFree(next, prev);
}

// Puts a free block of `size` bytes on the front of the list; it becomes
// the rover.
void pushFree(Arena* a, Byte* b, std::size_t size) {
    setWord(b, size);
    setNextFree(b, a->freeHead);
    setPrevFree(b, nullptr);
    if (a->freeHead)
        setPrevFree(a->freeHead, b);
    a->freeHead = b;
    a->rover = b;
}

// `replacement` takes the place of `b` in the free list.
void replaceFree(Arena* a, Byte* b, Byte* replacement) {
    Byte* next = nextFree(b);
    Byte* prev = prevFree(b);
    setNextFree(replacement, next);
    setPrevFree(replacement, prev);
    if (prev)
        setNextFree(prev, replacement);
    else
        a->freeHead = replacement;
    if (next)
        setPrevFree(next, replacement);
}

// ---- Arenas -----------------------------------------------------------------

Arena** chainHead() {
    return reinterpret_cast<Arena**>(mdsGetPerTaskDataAddress(PER_TASK_ALLOCATOR));
}

Arena* newArena(std::size_t need) {
    std::size_t room = need > MIN_ARENA_ROOM ? need : MIN_ARENA_ROOM;
    void* memory = bosCalls().malloc(ARENA_HEADER + room);
    if (!memory)
        return nullptr;
    auto* a = new (memory) Arena{
        static_cast<std::uint32_t>(ARENA_HEADER + room), 0, nullptr, nullptr, nullptr, nullptr};
    Byte* b = arenaStart(a);
    poison(b, room);
    pushFree(a, b, room);
    return a;
}

Arena* unlinkedTail(Arena* a);

void unlinkArena(Arena* a) {
    unlinkedTail(a);
    if (a->prev)
        a->prev->next = a->next;
    else
        *chainHead() = a->next;
    if (a->next)
        a->next->prev = a->prev;
}

void releaseArena(Arena* a) {
    unpoison(a, a->size);
    std::free(a);
}

// ---- Arena index --------------------------------------------------------------

constexpr std::uint32_t NO_POSITION = 0xFFFFFFFFu;
constexpr std::uint32_t MIN_LEAVES = 64;

struct AddressEntry {
    Arena* arena;
    std::uint32_t position;
};

struct ArenaIndex {
    AddressEntry* byAddress = nullptr; // sorted by arena address
    std::uint32_t count = 0;
    std::uint32_t capacity = 0;
    Arena** byPosition = nullptr;  // `leaves` entries, null for a hole
    std::uint32_t* tree = nullptr; // 2 * leaves; leaf p at leaves + p
    std::uint32_t leaves = 0;      // a power of two, or 0
    std::uint32_t nextPosition = 0;
    Arena* tail = nullptr; // last arena of the chain
};

ArenaIndex arenaIndex;

// The entry of the last arena that starts at or below `p`, or count.
std::uint32_t entryBelow(const void* p) {
    std::uint32_t lo = 0, hi = arenaIndex.count;
    while (lo < hi) {
        std::uint32_t mid = lo + (hi - lo) / 2;
        if (reinterpret_cast<const Byte*>(arenaIndex.byAddress[mid].arena) <=
            static_cast<const Byte*>(p))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo == 0 ? arenaIndex.count : lo - 1;
}

void setFreeBytes(std::uint32_t position, std::uint32_t bytes) {
    std::uint32_t* tree = arenaIndex.tree;
    std::uint32_t node = arenaIndex.leaves + position;
    tree[node] = bytes;
    for (node /= 2; node > 0; node /= 2)
        tree[node] = tree[2 * node] > tree[2 * node + 1] ? tree[2 * node] : tree[2 * node + 1];
}

std::uint32_t freeBytes(std::uint32_t position) {
    return arenaIndex.tree[arenaIndex.leaves + position];
}

void addFreeBytes(std::uint32_t position, std::size_t added) {
    setFreeBytes(position, freeBytes(position) + static_cast<std::uint32_t>(added));
}

void takeFreeBytes(std::uint32_t position, std::size_t taken) {
    setFreeBytes(position, freeBytes(position) - static_cast<std::uint32_t>(taken));
}

// The first position from `from` on whose arena has at least `need` free
// bytes, in the subtree `node` covering positions [lo, hi); NO_POSITION when
// there is none.
std::uint32_t firstWithRoom(std::uint32_t node, std::uint32_t lo, std::uint32_t hi,
                            std::uint32_t from, std::size_t need) {
    if (hi <= from || arenaIndex.tree[node] < need)
        return NO_POSITION;
    if (hi - lo == 1)
        return lo;
    std::uint32_t mid = lo + (hi - lo) / 2;
    std::uint32_t found = firstWithRoom(2 * node, lo, mid, from, need);
    return found != NO_POSITION ? found : firstWithRoom(2 * node + 1, mid, hi, from, need);
}

// Renumbers the arenas of the chain from 0 in a tree with room for twice
// as many; false when memory runs out (the old tables stay).
bool rebuildPositions() {
    std::uint32_t leaves = MIN_LEAVES;
    while (leaves < 2 * arenaIndex.count + 1)
        leaves *= 2;
    auto* tree = static_cast<std::uint32_t*>(bosCalls().calloc(2 * leaves, sizeof(std::uint32_t)));
    auto* byPosition = static_cast<Arena**>(bosCalls().calloc(leaves, sizeof(Arena*)));
    if (!tree || !byPosition) {
        std::free(tree);
        std::free(byPosition);
        return false;
    }
    std::uint32_t position = 0;
    for (Arena* a = *chainHead(); a; a = a->next, ++position) {
        AddressEntry& entry = arenaIndex.byAddress[entryBelow(a)];
        tree[leaves + position] = freeBytes(entry.position);
        byPosition[position] = a;
        entry.position = position;
    }
    for (std::uint32_t node = leaves - 1; node > 0; --node)
        tree[node] = tree[2 * node] > tree[2 * node + 1] ? tree[2 * node] : tree[2 * node + 1];
    std::free(arenaIndex.tree);
    std::free(arenaIndex.byPosition);
    arenaIndex.tree = tree;
    arenaIndex.byPosition = byPosition;
    arenaIndex.leaves = leaves;
    arenaIndex.nextPosition = position;
    return true;
}

// Enters a new arena, not yet in the chain, as the last of it; returns its
// position, or NO_POSITION when memory runs out.
std::uint32_t indexArena(Arena* a, std::size_t room) {
    if (arenaIndex.count == arenaIndex.capacity) {
        std::uint32_t capacity = arenaIndex.capacity ? arenaIndex.capacity * 2 : MIN_LEAVES;
        void* grown = bosCalls().realloc(arenaIndex.byAddress, capacity * sizeof(AddressEntry));
        if (!grown)
            return NO_POSITION;
        arenaIndex.byAddress = static_cast<AddressEntry*>(grown);
        arenaIndex.capacity = capacity;
    }
    if (arenaIndex.nextPosition == arenaIndex.leaves && !rebuildPositions())
        return NO_POSITION;
    std::uint32_t at = entryBelow(a);
    at = at == arenaIndex.count ? 0 : at + 1;
    std::memmove(arenaIndex.byAddress + at + 1, arenaIndex.byAddress + at,
                 (arenaIndex.count - at) * sizeof(AddressEntry));
    std::uint32_t position = arenaIndex.nextPosition++;
    arenaIndex.byAddress[at] = AddressEntry{a, position};
    ++arenaIndex.count;
    arenaIndex.byPosition[position] = a;
    setFreeBytes(position, static_cast<std::uint32_t>(room));
    return position;
}

// Keeps the index's tail when `a` leaves the chain.
Arena* unlinkedTail(Arena* a) {
    if (arenaIndex.tail == a)
        arenaIndex.tail = a->prev;
    return arenaIndex.tail;
}

void unindexArena(Arena* a) {
    std::uint32_t at = entryBelow(a);
    std::uint32_t position = arenaIndex.byAddress[at].position;
    setFreeBytes(position, 0);
    arenaIndex.byPosition[position] = nullptr;
    std::memmove(arenaIndex.byAddress + at, arenaIndex.byAddress + at + 1,
                 (arenaIndex.count - at - 1) * sizeof(AddressEntry));
    --arenaIndex.count;
}

// The arena holding `b` and its position, or null.
Arena* arenaOf(const Byte* b, std::uint32_t* position = nullptr) {
    std::uint32_t at = entryBelow(b);
    if (at == arenaIndex.count)
        return nullptr;
    Arena* a = arenaIndex.byAddress[at].arena;
    if (b < arenaStart(a) || b >= arenaEnd(a))
        return nullptr;
    if (position)
        *position = arenaIndex.byAddress[at].position;
    return a;
}

// Walks the arena's free list from the rover, wrapping at the end, for a
// block of at least `need` bytes. A block that is too small first absorbs
// the free blocks that follow it in memory.
Byte* findFit(Arena* a, std::size_t need) {
    Byte* stop = a->rover ? a->rover : a->freeHead;
    if (!stop)
        return nullptr;
    Byte* cur = stop;
    for (;;) {
        std::size_t size = blockSize(cur);
        while (size < need) {
            Byte* follower = cur + size;
            if (follower >= arenaEnd(a) || isAllocated(follower))
                break;
            unlinkFree(a, follower);
            if (a->rover == follower)
                a->rover = cur;
            if (stop == follower)
                stop = cur;
            size += blockSize(follower);
            setWord(cur, size);
        }
        if (size >= need)
            return cur;
        Byte* next = nextFree(cur);
        cur = next ? next : a->freeHead;
        if (cur == stop)
            return nullptr;
    }
}

// Hands out the free block `b`, splitting off its tail when that makes a
// whole block.
void* take(Arena* a, std::uint32_t position, Byte* b, std::size_t need, std::size_t request) {
    std::size_t size = blockSize(b);
    takeFreeBytes(position, size - need >= MIN_BLOCK ? need : size);
    if (size - need >= MIN_BLOCK) {
        Byte* tail = b + need;
        setWord(tail, size - need);
        replaceFree(a, b, tail);
        a->rover = tail;
        size = need;
    } else {
        Byte* next = nextFree(b);
        unlinkFree(a, b);
        a->rover = next ? next : a->freeHead;
    }
    setAllocatedHeader(b, size, request);
    ++a->live;
    Byte* user = b + HEADER;
    unpoison(user, request);
    return user;
}

void* allocateInArenas(std::size_t request) {
    std::size_t need = blockSizeFor(request);
    VxSemaphoreLock lock(allocatorLock());
    for (std::uint32_t from = 0; arenaIndex.leaves > 0;) {
        std::uint32_t position = firstWithRoom(1, 0, arenaIndex.leaves, from, need);
        if (position == NO_POSITION)
            break;
        Arena* a = arenaIndex.byPosition[position];
        if (Byte* b = findFit(a, need))
            return take(a, position, b, need, request);
        from = position + 1;
    }
    Arena* a = newArena(need);
    if (!a)
        return nullptr;
    std::uint32_t position = indexArena(a, a->size - ARENA_HEADER);
    if (position == NO_POSITION) {
        releaseArena(a);
        return nullptr;
    }
    Arena* last = arenaIndex.tail;
    arenaIndex.tail = a;
    a->prev = last;
    if (last)
        last->next = a;
    else
        *chainHead() = a;
    return take(a, position, arenaStart(a), need, request);
}

// Grows `b` over the free blocks that follow it when together they reach
// `need` bytes; returns the new size, or the old one when they do not.
std::size_t absorbFollowers(Arena* a, Byte* b, std::size_t size, std::size_t need) {
    std::size_t total = size;
    while (total < need) {
        Byte* follower = b + total;
        if (follower >= arenaEnd(a) || isAllocated(follower))
            return size;
        total += blockSize(follower);
    }
    for (Byte* follower = b + size; follower < b + total;) {
        std::size_t followerSize = blockSize(follower);
        unlinkFree(a, follower);
        if (a->rover == follower)
            a->rover = a->freeHead;
        follower += followerSize;
    }
    return total;
}

// Resizes an arena block where it lies; false when it must move.
bool resizeInPlace(Byte* b, std::size_t request) {
    std::size_t need = blockSizeFor(request);
    VxSemaphoreLock lock(allocatorLock());
    std::uint32_t position = 0;
    Arena* a = arenaOf(b, &position);
    if (!a)
        return false;
    std::size_t oldSize = blockSize(b);
    std::size_t size = oldSize;
    if (size < need) {
        size = absorbFollowers(a, b, size, need);
        if (size < need)
            return false;
        takeFreeBytes(position, size - oldSize);
    }
    Byte* user = b + HEADER;
    poison(user, oldSize - HEADER);
    if (size - need >= MIN_BLOCK) {
        pushFree(a, b + need, size - need);
        addFreeBytes(position, size - need);
        size = need;
    }
    setAllocatedHeader(b, size, request);
    unpoison(user, request);
    return true;
}

VxStatus moveBlock(void** block, std::size_t request) {
    void* fresh = ramAlloc(request);
    if (!fresh)
        return VX_ERROR;
    std::size_t old = ramSize(*block);
    std::memcpy(fresh, *block, old < request ? old : request);
    ramFree(*block);
    *block = fresh;
    return VX_SUCCESS;
}

// ---- Large blocks -----------------------------------------------------------

void* allocateLarge(std::size_t request) {
    if (request > RAM_MAX_BLOCK)
        return nullptr;
    auto* raw = static_cast<Byte*>(bosCalls().malloc(LARGE_PREFIX + request));
    if (!raw)
        return nullptr;
    *reinterpret_cast<std::uint64_t*>(raw) = request;
    setWord(raw + HEADER, LARGE_BIT | ALLOCATED_BIT);
    return raw + LARGE_PREFIX;
}

Byte* largeRaw(const void* user) {
    return toBlock(user) - HEADER;
}

std::size_t largeSize(const void* user) {
    return *reinterpret_cast<const std::uint64_t*>(largeRaw(user));
}

bool isLarge(const void* user) {
    return word(toBlock(user)) & LARGE_BIT;
}

VxStatus resizeLarge(void** block, std::size_t request) {
    void* fresh = nullptr;
    if (request <= RAM_MAX_BLOCK)
        fresh = bosCalls().realloc(largeRaw(*block), LARGE_PREFIX + request);
    if (!fresh) {
        VxErrorKeeper::addMemoryError();
        return VX_ERROR;
    }
    *static_cast<std::uint64_t*>(fresh) = request;
    *block = static_cast<Byte*>(fresh) + LARGE_PREFIX;
    return VX_SUCCESS;
}

} // namespace

// ---- Public functions -------------------------------------------------------

void* ramAlloc(std::size_t size) {
    void* p = size >= RAM_LARGE_BLOCK ? allocateLarge(size) : allocateInArenas(size);
    if (!p)
        VxErrorKeeper::addMemoryError();
    return p;
}

void* ramAllocZ(std::size_t size) {
    void* p = ramAlloc(size);
    if (p)
        std::memset(p, 0, size);
    return p;
}

char* ramAllocStr(const char* text) {
    return ramAllocStr(text, std::strlen(text));
}

char* ramAllocStr(const char* text, std::size_t length) {
    auto* p = static_cast<char*>(ramAlloc(length + 1));
    if (p) {
        std::memcpy(p, text, length);
        p[length] = 0;
    }
    return p;
}

void ramFree(void* block) {
    if (!block)
        return;
    if (isLarge(block)) {
        std::free(largeRaw(block));
        return;
    }
    Byte* b = toBlock(block);
    Arena* emptied = nullptr;
    {
        VxSemaphoreLock lock(allocatorLock());
        std::uint32_t position = 0;
        Arena* a = arenaOf(b, &position);
        if (!a || !isAllocated(b))
            return;
        if (--a->live == 0) {
            unlinkArena(a);
            unindexArena(a);
            emptied = a;
        } else {
            std::size_t size = blockSize(b);
            poison(block, size - HEADER);
            pushFree(a, b, size);
            addFreeBytes(position, size);
        }
    }
    if (emptied)
        releaseArena(emptied);
}

std::size_t ramSize(const void* block) {
    if (!block)
        return 0;
    if (isLarge(block))
        return largeSize(block);
    return requestOf(word(toBlock(block)));
}

VxStatus ramResize(void** block, std::size_t size) {
    if (!*block) {
        *block = ramAlloc(size);
        return *block ? VX_SUCCESS : VX_ERROR;
    }
    if (isLarge(*block))
        return resizeLarge(block, size);
    if (size < RAM_LARGE_BLOCK && resizeInPlace(toBlock(*block), size))
        return VX_SUCCESS;
    return moveBlock(block, size);
}

VxStatus ramResizeZ(void** block, std::size_t size) {
    std::size_t old = *block ? ramSize(*block) : 0;
    if (ramResize(block, size) != VX_SUCCESS)
        return VX_ERROR;
    if (size > old)
        std::memset(static_cast<char*>(*block) + old, 0, size - old);
    return VX_SUCCESS;
}

void* ramAllocHuge(std::size_t size) {
    void* p = allocateLarge(size);
    if (!p)
        VxErrorKeeper::addMemoryError();
    return p;
}

VxStatus ramResizeHuge(void** block, std::size_t size) {
    if (!*block) {
        *block = ramAllocHuge(size);
        return *block ? VX_SUCCESS : VX_ERROR;
    }
    return ramResize(block, size);
}

void ramFreeHuge(void* block) {
    ramFree(block);
}

void* ramAlloc64K() {
    return ramAllocHuge(65536);
}

void ramFree64K(void* block) {
    ramFree(block);
}

bool ramIsAllocOK() {
    return bosAvailableMemory() > 400000;
}

// ---- Inspection -------------------------------------------------------------

std::size_t ramArenaCount() {
    VxSemaphoreLock lock(allocatorLock());
    std::size_t count = 0;
    for (Arena* a = *chainHead(); a; a = a->next)
        ++count;
    return count;
}

std::size_t ramArenaSizeOf(const void* block) {
    if (!block || isLarge(block))
        return 0;
    VxSemaphoreLock lock(allocatorLock());
    Arena* a = arenaOf(toBlock(block));
    return a ? a->size : 0;
}

std::size_t ramBlockSizeOf(const void* block) {
    if (!block || isLarge(block))
        return 0;
    return blockSize(toBlock(block));
}

bool ramIsLargeBlock(const void* block) {
    return block && isLarge(block);
}
