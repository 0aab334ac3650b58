// The block cache: descriptors on 97 hash chains, a free chain, a usage
// clock for least-recently-used eviction, and 64 KiB chunks of 8 blocks.
#include "util/bvm.h"

#include <cstring>
#include <new>

#include "error/utlMessages.h"
#include "util/VxError.h"
#include "util/VxSemaphore.h"
#include "util/bos.h"
#include "util/mds.h"
#include "util/ram.h"

namespace {

constexpr int HASH_SIZE = 97;
constexpr int NONE = -1;
constexpr std::uint32_t CLOCK_LIMIT = 65534;
constexpr std::uint32_t EVICT_HALVING = 40000;
constexpr std::uint32_t CHUNK_SIZE = BVM_BLOCK_SIZE * BVM_BLOCKS_PER_CHUNK;
constexpr unsigned HASH_MULTIPLIERS[16] = {13, 61, 29, 43, 17, 67, 31, 47,
                                          19, 71, 37, 53, 23, 73, 41, 59};

struct BvmBlock {
    int handle;
    std::int64_t block;
    std::uint32_t valid;
    std::uint32_t stamp;
    int next;
    bool used;
    char* data;
};

VxSemaphoreSlot globalBvmLock{VX_SEM_NOT_CREATED};

} // namespace

struct BvmCache {
    int references;
    VxSemaphoreSlot lock;
    std::uint32_t limit;
    std::uint32_t allocated;
    int freeChain;
    int hash[HASH_SIZE];
    std::uint32_t clock;
    BvmBlock* blocks;
    char** chunks;
};

namespace {

int hashOf(int handle, std::int64_t block) {
    std::uint64_t m = HASH_MULTIPLIERS[handle & 15];
    return static_cast<int>((static_cast<std::uint64_t>(handle) +
                             m * static_cast<std::uint64_t>(block + 1)) %
                            HASH_SIZE);
}

int findBlock(BvmCache* c, int handle, std::int64_t block) {
    for (int i = c->hash[hashOf(handle, block)]; i != NONE; i = c->blocks[i].next)
        if (c->blocks[i].handle == handle && c->blocks[i].block == block)
            return i;
    return NONE;
}

void unlinkBlock(BvmCache* c, int index) {
    BvmBlock& b = c->blocks[index];
    int* link = &c->hash[hashOf(b.handle, b.block)];
    while (*link != index)
        link = &c->blocks[*link].next;
    *link = b.next;
    b.used = false;
    b.next = c->freeChain;
    c->freeChain = index;
}

void stamp(BvmCache* c, BvmBlock& b) {
    if (++c->clock >= CLOCK_LIMIT) {
        for (std::uint32_t i = 0; i < c->allocated; ++i)
            c->blocks[i].stamp /= 2;
        c->clock /= 2;
    }
    b.stamp = c->clock;
}

// A descriptor for a new block, or NONE when the cache may not be disturbed.
int takeDescriptor(BvmCache* c, VmHintType hint) {
    if (c->freeChain == NONE && c->allocated < c->limit) {
        char* chunk = static_cast<char*>(ramAlloc(CHUNK_SIZE));
        if (chunk) {
            c->chunks[c->allocated / BVM_BLOCKS_PER_CHUNK] = chunk;
            for (std::uint32_t k = 0; k < BVM_BLOCKS_PER_CHUNK; ++k) {
                BvmBlock& b = c->blocks[c->allocated];
                b = BvmBlock{0, 0, 0, 0, c->freeChain, false, chunk + k * BVM_BLOCK_SIZE};
                c->freeChain = static_cast<int>(c->allocated++);
            }
        } else {
            VxErrorKeeper::clearLastError();
        }
    }
    if (c->freeChain != NONE) {
        int index = c->freeChain;
        c->freeChain = c->blocks[index].next;
        return index;
    }
    if (hint == VM_HINT_NO_EVICT || c->allocated == 0)
        return NONE;
    int oldest = 0;
    for (std::uint32_t i = 0; i < c->allocated; ++i) {
        if (c->clock > EVICT_HALVING)
            c->blocks[i].stamp /= 2;
        if (c->blocks[i].stamp < c->blocks[oldest].stamp)
            oldest = static_cast<int>(i);
    }
    unlinkBlock(c, oldest);
    c->freeChain = c->blocks[oldest].next;
    return oldest;
}

// Loads a block; *index is NONE when it could not be cached (read directly).
VxStatus loadBlock(BvmCache* c, int handle, std::int64_t block, VmHintType hint, int* index) {
    *index = takeDescriptor(c, hint);
    if (*index == NONE)
        return VX_SUCCESS;
    BvmBlock& b = c->blocks[*index];
    std::size_t got = 0;
    if (bosFileRead(handle, block * BVM_BLOCK_SIZE, b.data, BVM_BLOCK_SIZE, &got) != VX_SUCCESS) {
        b.next = c->freeChain;
        c->freeChain = *index;
        *index = NONE;
        if (VxErrorKeeper::getLastErrorNumber() != 1508)
            return VX_ERROR;
        // A locked region is read past the cache.
        VxErrorKeeper::clearLastError();
        return VX_SUCCESS;
    }
    int h = hashOf(handle, block);
    b = BvmBlock{handle, block, static_cast<std::uint32_t>(got), 0, c->hash[h], true, b.data};
    c->hash[h] = *index;
    return VX_SUCCESS;
}

void freeCache(BvmCache* c) {
    if (c->chunks)
        for (std::uint32_t i = 0; i < c->limit / BVM_BLOCKS_PER_CHUNK; ++i)
            ramFree(c->chunks[i]);
    ramFree(c->chunks);
    ramFree(c->blocks);
    c->~BvmCache();
    ramFree(c);
}

} // namespace

BvmCache* bvmInit(unsigned chunks) {
    VxSemaphoreLock guard(&globalBvmLock);
    auto* cache = static_cast<BvmCache*>(mdsGetPerTaskData(PER_TASK_BLOCK_CACHE));
    if (cache) {
        ++cache->references;
        return cache;
    }
    void* raw = ramAllocZ(sizeof(BvmCache));
    if (!raw)
        return nullptr;
    cache = new (raw) BvmCache();
    cache->references = 1;
    cache->limit = (chunks ? chunks : 1) * BVM_BLOCKS_PER_CHUNK;
    cache->freeChain = NONE;
    for (int& head : cache->hash)
        head = NONE;
    cache->blocks = static_cast<BvmBlock*>(ramAllocZ(cache->limit * sizeof(BvmBlock)));
    cache->chunks = static_cast<char**>(ramAllocZ((chunks ? chunks : 1) * sizeof(char*)));
    if (!cache->blocks || !cache->chunks) {
        freeCache(cache);
        return nullptr;
    }
    mdsSetPerTaskData(PER_TASK_BLOCK_CACHE, cache);
    return cache;
}

void bvmTerm(BvmCache* cache) {
    if (!cache)
        return;
    VxSemaphoreLock guard(&globalBvmLock);
    if (--cache->references > 0)
        return;
    if (mdsGetPerTaskData(PER_TASK_BLOCK_CACHE) == cache)
        mdsSetPerTaskData(PER_TASK_BLOCK_CACHE, nullptr);
    freeCache(cache);
}

VxStatus bvmFileRead(BvmCache* cache, int handle, std::int64_t offset, void* buffer,
                     std::size_t length, std::size_t* count, VmHintType hint) {
    VxSemaphoreLock guard(&cache->lock);
    char* into = static_cast<char*>(buffer);
    *count = 0;
    while (length > 0) {
        std::int64_t block = offset / BVM_BLOCK_SIZE;
        std::uint32_t within = static_cast<std::uint32_t>(offset % BVM_BLOCK_SIZE);
        std::size_t n = BVM_BLOCK_SIZE - within < length ? BVM_BLOCK_SIZE - within : length;
        int index = findBlock(cache, handle, block);
        if (index == NONE && loadBlock(cache, handle, block, hint, &index) != VX_SUCCESS)
            return VX_ERROR;
        std::size_t got = 0;
        if (index != NONE && within + n <= cache->blocks[index].valid) {
            stamp(cache, cache->blocks[index]);
            std::memcpy(into, cache->blocks[index].data + within, n);
            got = n;
        } else if (bosFileRead(handle, offset, into, n, &got) != VX_SUCCESS) {
            return VX_ERROR;
        }
        *count += got;
        if (got < n)
            return VX_SUCCESS;
        into += n;
        offset += static_cast<std::int64_t>(n);
        length -= n;
    }
    return VX_SUCCESS;
}

VxStatus bvmFileWrite(BvmCache* cache, int handle, std::int64_t offset, const void* data,
                      std::size_t length) {
    VxSemaphoreLock guard(&cache->lock);
    if (bosFileWrite(handle, offset, data, length) != VX_SUCCESS)
        return VX_ERROR;
    const char* from = static_cast<const char*>(data);
    while (length > 0) {
        std::int64_t block = offset / BVM_BLOCK_SIZE;
        std::uint32_t within = static_cast<std::uint32_t>(offset % BVM_BLOCK_SIZE);
        std::size_t n = BVM_BLOCK_SIZE - within < length ? BVM_BLOCK_SIZE - within : length;
        int index = findBlock(cache, handle, block);
        if (index != NONE) {
            BvmBlock& b = cache->blocks[index];
            if (within > b.valid) {
                unlinkBlock(cache, index); // a gap the cache never saw
            } else {
                std::memcpy(b.data + within, from, n);
                if (within + n > b.valid)
                    b.valid = static_cast<std::uint32_t>(within + n);
            }
        }
        from += n;
        offset += static_cast<std::int64_t>(n);
        length -= n;
    }
    return VX_SUCCESS;
}

VxStatus bvmFlush(BvmCache* cache, int handle) {
    VxSemaphoreLock guard(&cache->lock);
    for (std::uint32_t i = 0; i < cache->allocated; ++i)
        if (cache->blocks[i].used && cache->blocks[i].handle == handle)
            unlinkBlock(cache, static_cast<int>(i));
    return VX_SUCCESS;
}

VxStatus bvmFileClose(BvmCache* cache, int handle) {
    if (handle == 0)
        return VX_SUCCESS;
    if (cache && bvmFlush(cache, handle) != VX_SUCCESS)
        return VX_ERROR;
    return bosFileClose(handle);
}

std::uint32_t bvmCachedBlocks(BvmCache* cache, int handle) {
    VxSemaphoreLock guard(&cache->lock);
    std::uint32_t n = 0;
    for (std::uint32_t i = 0; i < cache->allocated; ++i)
        if (cache->blocks[i].used && cache->blocks[i].handle == handle)
            ++n;
    return n;
}
