// VxTmpFile: the page cache, the backing files and the free-space list.
#include "util/VxTmpFile.h"

#include <cstring>
#include <initializer_list>

#include "error/utlMessages.h"
#include "util/VxError.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

constexpr std::uint32_t NO_PAGE = 0xFFFFFFFFu;
constexpr std::uint32_t SLOT_BYTES = 2 * VX_TMP_PAGE_SIZE;
constexpr std::size_t HUGE_PIECE = 65536;

std::uint64_t roundUp4(std::uint64_t value) { return (value + 3) & ~std::uint64_t{3}; }

std::uint32_t normaliseCacheSize(std::uint32_t size) {
    std::uint32_t result = SLOT_BYTES;
    while (result < size && result < (1u << 30))
        result <<= 1;
    return result;
}

} // namespace

VxTmpFile::VxTmpFile(std::uint32_t cacheSize)
    : cacheSize_(normaliseCacheSize(cacheSize)), slotCount_(cacheSize_ / SLOT_BYTES) {}

VxTmpFile::~VxTmpFile() {
    // The store's lock, once created, lives in the pool of semaphores and
    // points back at lock_: destroy it with the store.
    const std::uintptr_t lock = lock_.load(std::memory_order_acquire);
    if (lock > VX_SEM_DESTROYED)
        delete reinterpret_cast<VxSemaphore*>(lock);
    discardFile(primary_);
    discardFile(overflow_);
    ramFree(cache_);
    ramFree(slots_);
    ramFree(spaces_);
}

// ---- Cache and pages ----------------------------------------------------------

VxStatus VxTmpFile::ensureCache() {
    if (cache_)
        return VX_SUCCESS;
    if (!slots_) {
        slots_ = static_cast<Slot*>(ramAlloc(slotCount_ * sizeof(Slot)));
        if (!slots_)
            return VX_ERROR;
        for (std::uint32_t i = 0; i < slotCount_; ++i)
            slots_[i] = Slot{{NO_PAGE, NO_PAGE}, {false, false}, 0};
    }
    cache_ = static_cast<char*>(ramAlloc(cacheSize_));
    return cache_ ? VX_SUCCESS : VX_ERROR;
}

VxStatus VxTmpFile::pageAt(std::uint32_t page, bool forWrite, bool wholePage, char** data) {
    if (ensureCache() != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t index = page % slotCount_;
    Slot& slot = slots_[index];
    char* base = cache_ + static_cast<std::size_t>(index) * SLOT_BYTES;
    for (std::uint8_t half = 0; half < 2; ++half)
        if (slot.page[half] == page) {
            slot.replaceNext = 1 - half;
            slot.dirty[half] = slot.dirty[half] || forWrite;
            *data = base + half * VX_TMP_PAGE_SIZE;
            return VX_SUCCESS;
        }
    std::uint8_t half = slot.replaceNext;
    char* buffer = base + half * VX_TMP_PAGE_SIZE;
    if (slot.dirty[half] && slot.page[half] != NO_PAGE) {
        if (writePage(slot.page[half], buffer) != VX_SUCCESS)
            return VX_ERROR;
        slot.dirty[half] = false;
    }
    slot.page[half] = NO_PAGE;
    if (wholePage) {
        // The caller overwrites the whole page: nothing to fetch.
    } else if (static_cast<std::int64_t>(page) <= highestWritten_) {
        if (readPage(page, buffer) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        std::memset(buffer, 0, VX_TMP_PAGE_SIZE);
    }
    slot.page[half] = page;
    slot.dirty[half] = forWrite;
    slot.replaceNext = 1 - half;
    *data = buffer;
    return VX_SUCCESS;
}

VxStatus VxTmpFile::openFile(BackingFile& file, unsigned tempMode) {
    if (file.handle != 0)
        return VX_SUCCESS;
    if (file.name.length() != 0)
        return bosFileOpen(file.name.getText(), BOS_OPEN_READWRITE, &file.handle);
    return bosFileOpen("", tempMode | BOS_OPEN_READWRITE, &file.handle, &file.name);
}

void VxTmpFile::discardFile(BackingFile& file) {
    if (file.handle != 0)
        (void)bosFileClose(file.handle);
    if (file.name.length() != 0)
        (void)bosFileDelete(file.name.getText());
    file.handle = 0;
    file.name.unInitialize();
}

VxStatus VxTmpFile::readPage(std::uint32_t page, char* data) {
    bool inOverflow = hasOverflowFile() && page >= firstOverflowPage_;
    BackingFile& file = inOverflow ? overflow_ : primary_;
    std::int64_t at =
        static_cast<std::int64_t>(inOverflow ? page - firstOverflowPage_ : page) * VX_TMP_PAGE_SIZE;
    std::size_t got = 0;
    if (file.name.length() == 0) {
        got = 0;
    } else if (openFile(file, BOS_OPEN_TEMP) != VX_SUCCESS ||
               bosFileRead(file.handle, at, data, VX_TMP_PAGE_SIZE, &got) != VX_SUCCESS) {
        return VX_ERROR;
    }
    // A hole the file never held reads as zeros.
    std::memset(data + got, 0, VX_TMP_PAGE_SIZE - got);
    return VX_SUCCESS;
}

VxStatus VxTmpFile::writeOverflowPage(std::uint32_t page, const char* data, unsigned tempMode) {
    if (!hasOverflowFile()) {
        if (openFile(overflow_, tempMode) != VX_SUCCESS)
            return VX_ERROR;
        firstOverflowPage_ = primaryPages_;
    } else if (openFile(overflow_, tempMode) != VX_SUCCESS) {
        return VX_ERROR;
    }
    std::int64_t at = static_cast<std::int64_t>(page - firstOverflowPage_) * VX_TMP_PAGE_SIZE;
    return bosFileWrite(overflow_.handle, at, data, VX_TMP_PAGE_SIZE);
}

VxStatus VxTmpFile::writePage(std::uint32_t page, const char* data) {
    bool toPrimary = page < VX_TMP_PRIMARY_PAGES && (!hasOverflowFile() || page < firstOverflowPage_);
    VxStatus status;
    if (!toPrimary) {
        status = writeOverflowPage(page, data, BOS_OPEN_TEMP);
    } else if (openFile(primary_, BOS_OPEN_TEMP) != VX_SUCCESS) {
        return VX_ERROR;
    } else {
        std::int64_t at = static_cast<std::int64_t>(page) * VX_TMP_PAGE_SIZE;
        status = bosFileWrite(primary_.handle, at, data, VX_TMP_PAGE_SIZE);
        if (status == VX_SUCCESS) {
            if (page >= primaryPages_)
                primaryPages_ = page + 1;
        } else if (page >= primaryPages_ && !hasOverflowFile()) {
            // A new page did not fit (a full disk): continue in a file elsewhere.
            VxErrorKeeper::clearLastError();
            status = writeOverflowPage(page, data, BOS_OPEN_TEMP_OTHER);
        }
    }
    if (status == VX_SUCCESS && static_cast<std::int64_t>(page) > highestWritten_)
        highestWritten_ = page;
    return status;
}

// ---- Reading and writing bytes ------------------------------------------------

VxStatus VxTmpFile::transfer(std::uint32_t offset, char* data, std::size_t length,
                             bool writing) {
    std::uint64_t at = offset;
    while (length > 0) {
        std::uint32_t page = static_cast<std::uint32_t>(at / VX_TMP_PAGE_SIZE);
        std::uint32_t within = static_cast<std::uint32_t>(at % VX_TMP_PAGE_SIZE);
        std::size_t n = VX_TMP_PAGE_SIZE - within;
        if (n > length)
            n = length;
        char* cached;
        if (pageAt(page, writing, writing && n == VX_TMP_PAGE_SIZE, &cached) != VX_SUCCESS)
            return VX_ERROR;
        if (writing)
            std::memcpy(cached + within, data, n);
        else
            std::memcpy(data, cached + within, n);
        data += n;
        at += n;
        length -= n;
    }
    return VX_SUCCESS;
}

VxStatus VxTmpFile::tmpWrite(std::uint32_t offset, const void* data, std::uint32_t length) {
    VxSemaphoreLock guard(&lock_);
    return transfer(offset, static_cast<char*>(const_cast<void*>(data)), length, true);
}

VxStatus VxTmpFile::tmpRead(std::uint32_t offset, void* data, std::uint32_t length) {
    VxSemaphoreLock guard(&lock_);
    return transfer(offset, static_cast<char*>(data), length, false);
}

VxStatus VxTmpFile::writeHuge(std::uint32_t offset, const void* data, std::size_t length) {
    const char* from = static_cast<const char*>(data);
    for (std::size_t done = 0; done < length; done += HUGE_PIECE) {
        std::size_t n = length - done < HUGE_PIECE ? length - done : HUGE_PIECE;
        if (tmpWrite(static_cast<std::uint32_t>(offset + done), from + done,
                     static_cast<std::uint32_t>(n)) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxTmpFile::readHuge(std::uint32_t offset, void* data, std::size_t length) {
    char* into = static_cast<char*>(data);
    for (std::size_t done = 0; done < length; done += HUGE_PIECE) {
        std::size_t n = length - done < HUGE_PIECE ? length - done : HUGE_PIECE;
        if (tmpRead(static_cast<std::uint32_t>(offset + done), into + done,
                    static_cast<std::uint32_t>(n)) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxTmpFile::read(std::uint32_t offset, VxString& text, std::uint32_t length) {
    text.setLength(0);
    if (text.reserve(length) != VX_SUCCESS || tmpRead(offset, text.getBuffer(), length) != VX_SUCCESS)
        return VX_ERROR;
    text.setLength(length);
    return VX_SUCCESS;
}

VxStatus VxTmpFile::tmpPointer(std::uint32_t offset, void** pointer, std::uint32_t* available,
                               bool forWriting) {
    VxSemaphoreLock guard(&lock_);
    *pointer = nullptr;
    *available = 0;
    char* cached;
    if (pageAt(offset / VX_TMP_PAGE_SIZE, forWriting, false, &cached) != VX_SUCCESS)
        return VX_ERROR;
    std::uint32_t within = offset % VX_TMP_PAGE_SIZE;
    *pointer = cached + within;
    *available = VX_TMP_PAGE_SIZE - within;
    return VX_SUCCESS;
}

VxStatus VxTmpFile::tmpLoseFocus() {
    VxSemaphoreLock guard(&lock_);
    VxStatus status = VX_SUCCESS;
    for (BackingFile* file : {&primary_, &overflow_})
        if (file->handle != 0) {
            if (bosFileClose(file->handle) != VX_SUCCESS)
                status = VX_ERROR;
            file->handle = 0;
        }
    return status;
}

VxStatus VxTmpFile::tmpTruncate(bool keepCache) {
    VxSemaphoreLock guard(&lock_);
    if (slots_)
        for (std::uint32_t i = 0; i < slotCount_; ++i)
            slots_[i] = Slot{{NO_PAGE, NO_PAGE}, {false, false}, 0};
    spaceCount_ = 0;
    discardFile(primary_);
    discardFile(overflow_);
    firstOverflowPage_ = 0;
    primaryPages_ = 0;
    highestWritten_ = -1;
    if (!keepCache) {
        ramFree(cache_);
        cache_ = nullptr;
    }
    end_ = 1;
    return VX_SUCCESS;
}

// ---- Space ----------------------------------------------------------------------

VxStatus VxTmpFile::getContiguousSpace(std::uint32_t size, std::uint32_t* offset) {
    VxSemaphoreLock guard(&lock_);
    std::uint64_t at = roundUp4(end_);
    std::uint64_t rest = VX_TMP_PAGE_SIZE - at % VX_TMP_PAGE_SIZE;
    if (rest < size)
        at += rest;
    if (at + size >= VX_TMP_ALL) {
        addError(1506);
        return VX_ERROR;
    }
    *offset = static_cast<std::uint32_t>(at);
    end_ = static_cast<std::uint32_t>(at + size);
    return VX_SUCCESS;
}

VxStatus VxTmpFile::tmpFindSpace(std::uint32_t size, std::uint32_t* offset) {
    VxSemaphoreLock guard(&lock_);
    if (size == VX_TMP_ALL) {
        *offset = end_;
        end_ = VX_TMP_ALL;
        return VX_SUCCESS;
    }
    std::uint64_t wanted = roundUp4(size);
    for (std::uint32_t i = 0; i < spaceCount_; ++i) {
        TmpSpace& block = spaces_[i];
        if (block.length < wanted)
            continue;
        *offset = block.offset;
        if (block.length - wanted < VX_TMP_MIN_FREE_BLOCK) {
            removeFreeBlock(i);
        } else {
            block.offset += static_cast<std::uint32_t>(wanted);
            block.length -= static_cast<std::uint32_t>(wanted);
        }
        return VX_SUCCESS;
    }
    std::uint64_t at = roundUp4(end_);
    if (at + wanted >= VX_TMP_ALL) {
        addError(1506);
        return VX_ERROR;
    }
    *offset = static_cast<std::uint32_t>(at);
    end_ = static_cast<std::uint32_t>(at + wanted);
    return VX_SUCCESS;
}

VxStatus VxTmpFile::tmpFreeSpace(std::uint32_t offset, std::uint32_t size) {
    VxSemaphoreLock guard(&lock_);
    if (offset == 0 || offset >= end_)
        return VX_SUCCESS;
    std::uint64_t length = size == VX_TMP_ALL ? VX_TMP_ALL : roundUp4(size);
    if (size == VX_TMP_ALL || offset + length >= end_) {
        end_ = offset;
        giveBackTail();
        return VX_SUCCESS;
    }
    if (length < VX_TMP_MIN_FREE_BLOCK)
        return VX_SUCCESS;
    if (insertFreeBlock(offset, static_cast<std::uint32_t>(length)) != VX_SUCCESS)
        return VX_ERROR;
    giveBackTail();
    return VX_SUCCESS;
}

void VxTmpFile::removeFreeBlock(std::uint32_t index) {
    std::memmove(spaces_ + index, spaces_ + index + 1, (spaceCount_ - index - 1) * sizeof(TmpSpace));
    --spaceCount_;
}

// Inserts a block in offset order and merges it with the blocks it touches.
VxStatus VxTmpFile::insertFreeBlock(std::uint32_t offset, std::uint32_t length) {
    if (spaceCount_ == spaceCapacity_) {
        std::uint32_t capacity = spaceCapacity_ ? spaceCapacity_ * 2 : 16;
        if (ramResizeArray(&spaces_, capacity) != VX_SUCCESS)
            return VX_ERROR;
        spaceCapacity_ = capacity;
    }
    std::uint32_t i = 0;
    while (i < spaceCount_ && spaces_[i].offset < offset)
        ++i;
    std::memmove(spaces_ + i + 1, spaces_ + i, (spaceCount_ - i) * sizeof(TmpSpace));
    spaces_[i] = TmpSpace{offset, length};
    ++spaceCount_;
    if (i + 1 < spaceCount_ && spaces_[i].offset + spaces_[i].length >= spaces_[i + 1].offset) {
        std::uint32_t stop = spaces_[i + 1].offset + spaces_[i + 1].length;
        if (stop > spaces_[i].offset + spaces_[i].length)
            spaces_[i].length = stop - spaces_[i].offset;
        removeFreeBlock(i + 1);
    }
    if (i > 0 && spaces_[i - 1].offset + spaces_[i - 1].length >= spaces_[i].offset) {
        std::uint32_t stop = spaces_[i].offset + spaces_[i].length;
        if (stop > spaces_[i - 1].offset + spaces_[i - 1].length)
            spaces_[i - 1].length = stop - spaces_[i - 1].offset;
        removeFreeBlock(i);
    }
    return VX_SUCCESS;
}

void VxTmpFile::giveBackTail() {
    while (spaceCount_ > 0) {
        const TmpSpace& last = spaces_[spaceCount_ - 1];
        if (static_cast<std::uint64_t>(last.offset) + last.length < end_)
            return;
        if (last.offset < end_)
            end_ = last.offset;
        --spaceCount_;
    }
}
