// VxTmpFile: a paged temporary store addressed by 32-bit offsets.
//
// The store hands out space (getContiguousSpace, tmpFindSpace), takes it back
// (tmpFreeSpace) and reads and writes bytes at offsets through a small
// write-back cache of 2,048-byte pages. Offset 0 never denotes data.
//
// Cache: cacheSize / 4,096 slots; page p belongs to slot p mod slots and each
// slot holds two pages, replacing the one not used most recently. Pages go
// to a temporary file "vx*" in $TMPDIR at page * 2,048 while the page number
// is at most 16,383; later pages (and every page once a full disk forced a
// second file) go to an overflow file at (page - first overflow page) *
// 2,048. A page never written reads as zeros without touching a file. Both
// files are deleted when the store is truncated or destroyed.
//
// Free space: blocks of 256 bytes or more are kept in offset order and
// reused first fit; smaller ones are abandoned until tmpTruncate; a free
// block reaching the end gives the space back to the end.
//
// Every operation is serialised by the store's own lock. A pointer from
// tmpPointer stays valid only until the next operation on the store.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxExport.h"
#include "util/VxSemaphore.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

constexpr std::uint32_t VX_TMP_PAGE_SIZE = 2048;
constexpr std::uint32_t VX_TMP_ALL = 0xFFFFFFFFu;    // "all the rest" for find and free
constexpr std::uint32_t VX_TMP_MIN_FREE_BLOCK = 256; // smaller free blocks are abandoned
constexpr std::uint32_t VX_TMP_PRIMARY_PAGES = 16384;

// A free block of the store.
struct TmpSpace {
    std::uint32_t offset;
    std::uint32_t length;
};

class VX_EXPORT VxTmpFile {
public:
    // `cacheSize` is rounded to a power-of-two multiple of 4,096.
    explicit VxTmpFile(std::uint32_t cacheSize = 32768);
    virtual ~VxTmpFile();
    VxTmpFile(const VxTmpFile&) = delete;
    VxTmpFile& operator=(const VxTmpFile&) = delete;

    // `size` bytes at the end, at a multiple of 4, never crossing a page when
    // `size` fits in one.
    VxStatus getContiguousSpace(std::uint32_t size, std::uint32_t* offset);
    // First fit from the free blocks, else at the end. VX_TMP_ALL returns
    // the end and takes all space from there.
    VxStatus tmpFindSpace(std::uint32_t size, std::uint32_t* offset);
    VxStatus tmpFreeSpace(std::uint32_t offset, std::uint32_t size);

    VxStatus tmpWrite(std::uint32_t offset, const void* data, std::uint32_t length);
    VxStatus tmpRead(std::uint32_t offset, void* data, std::uint32_t length);
    VxStatus writeHuge(std::uint32_t offset, const void* data, std::size_t length);
    VxStatus readHuge(std::uint32_t offset, void* data, std::size_t length);
    // Reads `length` bytes into `text`, growing it, and sets its length.
    VxStatus read(std::uint32_t offset, VxString& text, std::uint32_t length);
    // A pointer into the cached page holding `offset` and the bytes from
    // there to the end of the page; forWriting makes the page dirty.
    VxStatus tmpPointer(std::uint32_t offset, void** pointer, std::uint32_t* available,
                        bool forWriting);

    // Closes both files; they are reopened by name when next needed.
    VxStatus tmpLoseFocus();
    // Discards everything: pages, free blocks, files, and the cache buffer
    // unless `keepCache`. The end returns to 1.
    VxStatus tmpTruncate(bool keepCache);

    std::uint32_t getEnd() const { return end_; }
    std::uint32_t getFreeBlockCount() const { return spaceCount_; }
    bool hasOverflowFile() const { return overflow_.name.length() != 0; }
    bool hasPrimaryFile() const { return primary_.name.length() != 0; }

private:
    struct BackingFile {
        int handle = 0;
        VxString name;
    };
    struct Slot {
        std::uint32_t page[2];
        bool dirty[2];
        std::uint8_t replaceNext;
    };

    VxStatus ensureCache();
    VxStatus pageAt(std::uint32_t page, bool forWrite, bool wholePage, char** data);
    VxStatus readPage(std::uint32_t page, char* data);
    VxStatus writePage(std::uint32_t page, const char* data);
    VxStatus writeOverflowPage(std::uint32_t page, const char* data, unsigned tempMode);
    VxStatus openFile(BackingFile& file, unsigned tempMode);
    void discardFile(BackingFile& file);
    VxStatus transfer(std::uint32_t offset, char* data, std::size_t length, bool writing);

    VxStatus insertFreeBlock(std::uint32_t offset, std::uint32_t length);
    void removeFreeBlock(std::uint32_t index);
    void giveBackTail();

    VxSemaphoreSlot lock_{VX_SEM_NOT_CREATED};
    std::uint32_t cacheSize_;
    std::uint32_t slotCount_;
    std::uint32_t end_ = 1;
    BackingFile primary_;
    BackingFile overflow_;
    std::uint32_t firstOverflowPage_ = 0;
    std::uint32_t primaryPages_ = 0; // pages the primary file holds
    std::int64_t highestWritten_ = -1;
    char* cache_ = nullptr;
    Slot* slots_ = nullptr;
    TmpSpace* spaces_ = nullptr;
    std::uint32_t spaceCount_ = 0;
    std::uint32_t spaceCapacity_ = 0;
};
