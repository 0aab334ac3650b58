// Provisional allocator: system heap blocks with a 16-byte header holding
// the requested size. Replaced by the arena allocator.
#include "util/ram.h"

#include <cstdlib>
#include <cstring>

#include "util/VxError.h"

namespace {
constexpr std::size_t HEADER = 16;

void* fail() {
    VxErrorKeeper::addMemoryError();
    return nullptr;
}
} // namespace

void* ramAlloc(std::size_t size) {
    auto* raw = static_cast<unsigned char*>(std::malloc(size + HEADER));
    if (!raw)
        return fail();
    std::memcpy(raw, &size, sizeof size);
    return raw + HEADER;
}

void* ramAllocZ(std::size_t size) {
    void* p = ramAlloc(size);
    if (p)
        std::memset(p, 0, size);
    return p;
}

char* ramAllocStr(const char* text) { return ramAllocStr(text, std::strlen(text)); }

char* ramAllocStr(const char* text, std::size_t length) {
    auto* p = static_cast<char*>(ramAlloc(length + 1));
    if (p) {
        std::memcpy(p, text, length);
        p[length] = 0;
    }
    return p;
}

void ramFree(void* block) {
    if (block)
        std::free(static_cast<unsigned char*>(block) - HEADER);
}

std::size_t ramSize(const void* block) {
    std::size_t size;
    std::memcpy(&size, static_cast<const unsigned char*>(block) - HEADER, sizeof size);
    return size;
}

VxStatus ramResize(void** block, std::size_t size) {
    if (!*block) {
        *block = ramAlloc(size);
        return *block ? VX_SUCCESS : VX_ERROR;
    }
    void* fresh = ramAlloc(size);
    if (!fresh)
        return VX_ERROR;
    std::size_t old = ramSize(*block);
    std::memcpy(fresh, *block, old < size ? old : size);
    ramFree(*block);
    *block = fresh;
    return VX_SUCCESS;
}

VxStatus ramResizeZ(void** block, std::size_t size) {
    std::size_t old = *block ? ramSize(*block) : 0;
    if (ramResize(block, size) != VX_SUCCESS)
        return VX_ERROR;
    if (size > old)
        std::memset(static_cast<char*>(*block) + old, 0, size - old);
    return VX_SUCCESS;
}

void* ramAllocHuge(std::size_t size) { return ramAlloc(size); }
VxStatus ramResizeHuge(void** block, std::size_t size) { return ramResize(block, size); }
void ramFreeHuge(void* block) { ramFree(block); }
void* ramAlloc64K() { return ramAlloc(65536); }
void ramFree64K(void* block) { ramFree(block); }
bool ramIsAllocOK() { return true; }
