#include "storage/XlsCompoundFile.h"

#include <cstring>
#include <initializer_list>
#include <new>

#include "storage/XlsCompoundStream.h"
#include "util/VxError.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

constexpr std::uint8_t SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::size_t HEADER_SIZE = 512;
constexpr std::size_t HEADER_FAT_SECTORS = 109;
constexpr std::size_t ENTRY_SIZE = 128;
constexpr std::uint32_t MINI_SECTOR_SHIFT = 6;
constexpr std::uint32_t MAX_REGULAR_SECTOR = 0xFFFFFFFAu;
constexpr std::uint32_t END_OF_CHAIN = 0xFFFFFFFEu;
constexpr std::uint32_t NO_ENTRY = 0xFFFFFFFFu;
constexpr std::uint8_t TYPE_STREAM = 2;
constexpr std::uint8_t TYPE_ROOT = 5;

// Error numbers of the foundation's file functions.
constexpr std::uint16_t UTL_FILE_NOT_FOUND = 1509;
constexpr std::uint16_t UTL_ACCESS_DENIED = 1508;
constexpr std::uint16_t UTL_OUT_OF_MEMORY = 1503;
constexpr std::uint16_t UTL_LOCKED = 1512;
constexpr std::uint16_t UTL_TOO_MANY_FILES = 30045;

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

XlsStorageResult corrupt() {
    return XlsStorageResult::failure(XLS_STORAGE_OPEN_FAILED, XLS_STG_E_DOCFILECORRUPT);
}

XlsStorageResult noMemory(XlsStorageStatus status) {
    return XlsStorageResult::failure(status, XLS_STG_E_INSUFFICIENTMEMORY);
}

// The storage code for the error record the foundation raised.
std::uint32_t codeOfFileError(VxErrorList& list) {
    const VxError* error = list.getLastError();
    switch (error ? error->getNumber() : 0) {
    case UTL_FILE_NOT_FOUND:
        return XLS_STG_E_FILENOTFOUND;
    case UTL_ACCESS_DENIED:
        return XLS_STG_E_ACCESSDENIED;
    case UTL_OUT_OF_MEMORY:
        return XLS_STG_E_INSUFFICIENTMEMORY;
    case UTL_LOCKED:
        return XLS_STG_E_LOCKVIOLATION;
    case UTL_TOO_MANY_FILES:
        return XLS_STG_E_TOOMANYOPENFILES;
    default:
        return XLS_STG_E_READFAULT;
    }
}

// A name given in UTF-8 as UTF-16 units; false when it does not fit the 31
// units of a directory entry or is not valid UTF-8.
bool toUtf16(const char* text, std::uint16_t* units, std::size_t* length) {
    std::size_t n = 0;
    const auto* p = reinterpret_cast<const std::uint8_t*>(text);
    while (*p) {
        std::uint32_t c = *p++;
        int more = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
        if (more < 0)
            return false;
        if (more)
            c &= 0x3Fu >> more;
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80)
                return false;
            c = c << 6 | (*p & 0x3F);
        }
        if (c >= 0x10000) {
            if (n + 2 > 31 || c > 0x10FFFF)
                return false;
            c -= 0x10000;
            units[n++] = static_cast<std::uint16_t>(0xD800 | c >> 10);
            units[n++] = static_cast<std::uint16_t>(0xDC00 | (c & 0x3FF));
        } else {
            if (n + 1 > 31)
                return false;
            units[n++] = static_cast<std::uint16_t>(c);
        }
    }
    *length = n;
    return true;
}

std::uint16_t upperUnit(std::uint16_t unit) {
    return unit >= 'a' && unit <= 'z' ? static_cast<std::uint16_t>(unit - 32) : unit;
}

// A bit per sector, to find a sector met twice.
class SeenSet {
public:
    ~SeenSet() { ramFree(bits_); }
    bool allocate(std::size_t count) {
        bits_ = static_cast<std::uint8_t*>(ramAllocZ(count / 8 + 1));
        return bits_ != nullptr;
    }
    // True when `index` was seen before; marks it seen.
    bool testAndSet(std::size_t index) {
        std::uint8_t mask = static_cast<std::uint8_t>(1u << (index & 7));
        bool seen = bits_[index >> 3] & mask;
        bits_[index >> 3] |= mask;
        return seen;
    }

private:
    std::uint8_t* bits_ = nullptr;
};

} // namespace

// ---- XlsSectorTable -----------------------------------------------------------

XlsSectorTable::~XlsSectorTable() {
    ramFree(entries_);
}

bool XlsSectorTable::allocate(std::size_t count) {
    ramFree(entries_);
    count_ = 0;
    entries_ = static_cast<std::uint32_t*>(ramAlloc((count ? count : 1) * sizeof(std::uint32_t)));
    return entries_ != nullptr;
}

void XlsSectorTable::takeFrom(XlsSectorTable* other) {
    ramFree(entries_);
    entries_ = other->entries_;
    count_ = other->count_;
    other->entries_ = nullptr;
    other->count_ = 0;
}

// ---- Opening --------------------------------------------------------------------

XlsCompoundFile::~XlsCompoundFile() {
    close();
}

void XlsCompoundFile::close() {
    if (handle_) {
        VxErrorList scratch(nullptr, 0);
        VxErrorListScope scope(&scratch);
        (void)bosFileClose(handle_);
        handle_ = 0;
    }
    ramFree(entries_);
    entries_ = nullptr;
    entryCount_ = 0;
    fat_.setSize(0);
    miniFat_.setSize(0);
    miniStream_.setSize(0);
    miniStreamSize_ = 0;
}

XlsStorageResult XlsCompoundFile::open(const char* path) {
    close();
    {
        VxErrorList scratch(nullptr, 0);
        VxErrorListScope scope(&scratch);
        int attributes = bosfattr(path);
        if (attributes == 0)
            return XlsStorageResult::failure(XLS_STORAGE_NO_FILE, XLS_STG_E_FILENOTFOUND);
        if (attributes == 2)
            return XlsStorageResult::failure(XLS_STORAGE_OPEN_FAILED, XLS_STG_E_ACCESSDENIED);
        if (bosFileOpen(path, 0, &handle_) != VX_SUCCESS) {
            handle_ = 0;
            std::uint32_t code = codeOfFileError(scratch);
            return XlsStorageResult::failure(
                code == XLS_STG_E_FILENOTFOUND ? XLS_STORAGE_NO_FILE : XLS_STORAGE_OPEN_FAILED,
                code);
        }
        std::int64_t size = 0;
        if (bosFileSize(handle_, &size) != VX_SUCCESS) {
            std::uint32_t code = codeOfFileError(scratch);
            close();
            return XlsStorageResult::failure(XLS_STORAGE_OPEN_FAILED, code);
        }
        fileSize_ = static_cast<std::uint64_t>(size);
    }
    std::uint8_t header[HEADER_SIZE];
    XlsStorageResult result =
        fileSize_ < HEADER_SIZE
            ? XlsStorageResult::failure(XLS_STORAGE_OPEN_FAILED, XLS_STG_E_INVALIDHEADER)
            : readFile(0, header, sizeof header, XLS_STORAGE_OPEN_FAILED);
    if (result.ok())
        result = readHeader(header);
    if (result.ok())
        result = readFat(header);
    if (result.ok())
        result = readDirectory();
    if (result.ok())
        result = readMiniFat();
    if (!result.ok())
        close();
    return result;
}

XlsStorageResult XlsCompoundFile::readHeader(const std::uint8_t* header) {
    const auto invalid =
        XlsStorageResult::failure(XLS_STORAGE_OPEN_FAILED, XLS_STG_E_INVALIDHEADER);
    if (std::memcmp(header, SIGNATURE, sizeof SIGNATURE) != 0 || get16(header + 28) != 0xFFFE)
        return invalid;
    std::uint16_t major = get16(header + 26);
    sectorShift_ = get16(header + 30);
    if (!((major == 3 && sectorShift_ == 9) || (major == 4 && sectorShift_ == 12)) ||
        get16(header + 32) != MINI_SECTOR_SHIFT)
        return invalid;
    sectorSize_ = 1u << sectorShift_;
    miniCutoff_ = get32(header + 56);
    if (fileSize_ < sectorSize_)
        return invalid;
    // Sectors that start inside the file; the last may be cut short, which
    // a read of it finds.
    std::uint64_t sectors = (fileSize_ - sectorSize_ + sectorSize_ - 1) >> sectorShift_;
    fileSectors_ = static_cast<std::uint32_t>(sectors > MAX_REGULAR_SECTOR + std::uint64_t(1)
                                                  ? MAX_REGULAR_SECTOR + std::uint64_t(1)
                                                  : sectors);
    return XlsStorageResult::success();
}

XlsStorageResult XlsCompoundFile::readFat(const std::uint8_t* header) {
    std::uint32_t fatSectorCount = get32(header + 44);
    // Each FAT sector is a sector of the file.
    if (fatSectorCount == 0 || fatSectorCount > fileSectors_)
        return corrupt();
    XlsSectorTable fatSectors;
    if (!fatSectors.allocate(fatSectorCount))
        return noMemory(XLS_STORAGE_OPEN_FAILED);
    for (std::size_t i = 0; i < HEADER_FAT_SECTORS && fatSectors.size() < fatSectorCount; ++i)
        fatSectors.append(get32(header + 76 + 4 * i));

    // The DIFAT chain holds the rest: at most its declared count of
    // sectors, none of them twice.
    std::uint32_t difatCount = get32(header + 72);
    std::uint32_t next = get32(header + 68);
    std::size_t perSector = sectorSize_ / 4 - 1;
    SeenSet seen;
    std::uint8_t* sector = nullptr;
    if (fatSectors.size() < fatSectorCount) {
        if (!seen.allocate(fileSectors_) ||
            !(sector = static_cast<std::uint8_t*>(ramAlloc(sectorSize_))))
            return noMemory(XLS_STORAGE_OPEN_FAILED);
    }
    XlsStorageResult result = XlsStorageResult::success();
    for (std::uint32_t read = 0; result.ok() && fatSectors.size() < fatSectorCount; ++read) {
        if (read >= difatCount || next >= fileSectors_ || seen.testAndSet(next)) {
            result = corrupt();
            break;
        }
        result = readFile((std::uint64_t(next) + 1) << sectorShift_, sector, sectorSize_,
                          XLS_STORAGE_OPEN_FAILED);
        for (std::size_t i = 0; result.ok() && i < perSector && fatSectors.size() < fatSectorCount;
             ++i)
            fatSectors.append(get32(sector + 4 * i));
        next = get32(sector + 4 * perSector);
    }
    ramFree(sector);
    if (!result.ok())
        return result;

    for (std::size_t i = 0; i < fatSectors.size(); ++i)
        if (fatSectors[i] >= fileSectors_)
            return corrupt();
    std::size_t entriesPerSector = sectorSize_ / 4;
    if (!fat_.allocate(fatSectors.size() * entriesPerSector))
        return noMemory(XLS_STORAGE_OPEN_FAILED);
    result = readChain(fatSectors, reinterpret_cast<std::uint8_t*>(fat_.data()));
    if (!result.ok())
        return result;
    fat_.setSize(fatSectors.size() * entriesPerSector);
    // The table was read as bytes: put each entry in host order.
    std::uint32_t* entries = fat_.data();
    for (std::size_t i = 0; i < fat_.size(); ++i)
        entries[i] = get32(reinterpret_cast<const std::uint8_t*>(entries + i));
    return XlsStorageResult::success();
}

bool XlsCompoundFile::followChain(const XlsSectorTable& fat, std::size_t limit, std::uint32_t start,
                                  std::size_t needed, XlsSectorTable* chain) {
    if (limit > fat.size())
        limit = fat.size();
    if (needed != SIZE_MAX && needed > limit)
        return false;
    if (!chain->allocate(needed != SIZE_MAX ? needed : limit))
        return false;
    if (needed == 0)
        return true;
    SeenSet seen;
    if (!seen.allocate(limit))
        return false;
    std::uint32_t sector = start;
    while (chain->size() < needed) {
        if (sector == END_OF_CHAIN && needed == SIZE_MAX)
            return true;
        // Out of range, or met before: a broken or cyclic chain.
        if (sector >= limit || seen.testAndSet(sector))
            return false;
        chain->append(sector);
        sector = fat[sector];
    }
    return true;
}

XlsStorageResult XlsCompoundFile::readFile(std::uint64_t offset, void* buffer, std::size_t length,
                                           XlsStorageStatus failure) {
    if (offset > fileSize_ || length > fileSize_ - offset)
        return XlsStorageResult::failure(failure, failure == XLS_STORAGE_OPEN_FAILED
                                                      ? XLS_STG_E_DOCFILECORRUPT
                                                      : XLS_STG_E_READFAULT);
    VxErrorList scratch(nullptr, 0);
    VxErrorListScope scope(&scratch);
    std::lock_guard<std::mutex> guard(readLock_);
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (length > 0) {
        std::size_t count = 0;
        if (bosFileRead(handle_, static_cast<std::int64_t>(offset), out, length, &count) !=
            VX_SUCCESS)
            return XlsStorageResult::failure(failure, codeOfFileError(scratch));
        if (count == 0) // the file shrank under us
            return XlsStorageResult::failure(failure, XLS_STG_E_READFAULT);
        out += count;
        offset += count;
        length -= count;
    }
    return XlsStorageResult::success();
}

XlsStorageResult XlsCompoundFile::readChain(const XlsSectorTable& chain, std::uint8_t* buffer) {
    std::size_t i = 0;
    while (i < chain.size()) {
        std::size_t run = 1;
        while (i + run < chain.size() && chain[i + run] == chain[i] + run)
            ++run;
        XlsStorageResult result =
            readFile((std::uint64_t(chain[i]) + 1) << sectorShift_, buffer + (i << sectorShift_),
                     run << sectorShift_, XLS_STORAGE_OPEN_FAILED);
        if (!result.ok())
            return result;
        i += run;
    }
    return XlsStorageResult::success();
}

XlsStorageResult XlsCompoundFile::readDirectory() {
    XlsSectorTable chain;
    std::size_t limit = fat_.size() < fileSectors_ ? fat_.size() : fileSectors_;
    // header + 48: the first directory sector.
    std::uint8_t start[4];
    XlsStorageResult result = readFile(48, start, sizeof start, XLS_STORAGE_OPEN_FAILED);
    if (!result.ok())
        return result;
    if (!followChain(fat_, limit, get32(start), SIZE_MAX, &chain) || chain.size() == 0)
        return corrupt();
    auto* bytes = static_cast<std::uint8_t*>(ramAlloc(chain.size() << sectorShift_));
    if (!bytes)
        return noMemory(XLS_STORAGE_OPEN_FAILED);
    result = readChain(chain, bytes);
    std::size_t count = (chain.size() << sectorShift_) / ENTRY_SIZE;
    if (result.ok()) {
        entries_ = static_cast<Entry*>(ramAlloc(count * sizeof(Entry)));
        if (!entries_)
            result = noMemory(XLS_STORAGE_OPEN_FAILED);
    }
    for (std::size_t i = 0; result.ok() && i < count; ++i) {
        const std::uint8_t* raw = bytes + i * ENTRY_SIZE;
        Entry& entry = entries_[i];
        std::uint16_t nameBytes = get16(raw + 64);
        entry.type = raw[66];
        // A name that does not fit its field makes the entry unusable.
        if (nameBytes < 2 || nameBytes > 64 || (nameBytes & 1))
            entry.type = 0;
        entry.nameLength = nameBytes >= 2 && nameBytes <= 64 ? (nameBytes - 2) / 2 : 0;
        for (std::size_t c = 0; c < entry.nameLength; ++c)
            entry.name[c] = get16(raw + 2 * c);
        entry.left = get32(raw + 68);
        entry.right = get32(raw + 72);
        entry.child = get32(raw + 76);
        entry.start = get32(raw + 116);
        entry.size = std::uint64_t(get32(raw + 120));
        // With 512-byte sectors the high half is undefined.
        if (sectorShift_ != 9)
            entry.size |= std::uint64_t(get32(raw + 124)) << 32;
    }
    ramFree(bytes);
    if (!result.ok())
        return result;
    entryCount_ = count;
    if (entries_[0].type != TYPE_ROOT)
        return corrupt();
    return XlsStorageResult::success();
}

XlsStorageResult XlsCompoundFile::readMiniFat() {
    std::uint8_t fields[8];
    XlsStorageResult result = readFile(60, fields, sizeof fields, XLS_STORAGE_OPEN_FAILED);
    if (!result.ok())
        return result;
    std::uint32_t first = get32(fields);
    std::uint32_t count = get32(fields + 4);
    std::size_t limit = fat_.size() < fileSectors_ ? fat_.size() : fileSectors_;

    // The mini stream is the root entry's chain.
    miniStreamSize_ = entries_[0].size;
    std::uint64_t sectors = (miniStreamSize_ + sectorSize_ - 1) >> sectorShift_;
    if (sectors > limit || !followChain(fat_, limit, entries_[0].start,
                                        static_cast<std::size_t>(sectors), &miniStream_))
        return corrupt();

    if (count == 0 || first == END_OF_CHAIN) {
        miniFat_.setSize(0);
        return XlsStorageResult::success();
    }
    XlsSectorTable chain;
    if (count > limit || !followChain(fat_, limit, first, count, &chain))
        return corrupt();
    std::size_t perSector = sectorSize_ / 4;
    if (!miniFat_.allocate(count * perSector))
        return noMemory(XLS_STORAGE_OPEN_FAILED);
    result = readChain(chain, reinterpret_cast<std::uint8_t*>(miniFat_.data()));
    if (!result.ok())
        return result;
    miniFat_.setSize(count * perSector);
    std::uint32_t* entries = miniFat_.data();
    for (std::size_t i = 0; i < miniFat_.size(); ++i)
        entries[i] = get32(reinterpret_cast<const std::uint8_t*>(entries + i));
    return XlsStorageResult::success();
}

// ---- Streams ----------------------------------------------------------------------

const XlsCompoundFile::Entry* XlsCompoundFile::findTopLevel(const std::uint16_t* name,
                                                            std::size_t length) const {
    // The root's children form a tree through the sibling links; it is
    // walked whole (each entry once) rather than trusted to be ordered.
    SeenSet seen;
    XlsSectorTable pending;
    if (!seen.allocate(entryCount_) || !pending.allocate(entryCount_))
        return nullptr;
    // An entry is stacked when first met, so the stack never holds more
    // than the entry count and a looping tree ends.
    std::uint32_t first = entries_[0].child;
    if (first != 0 && first < entryCount_) {
        (void)seen.testAndSet(first);
        pending.append(first);
    }
    while (pending.size() > 0) {
        const Entry& entry = entries_[pending[pending.size() - 1]];
        pending.setSize(pending.size() - 1);
        if (entry.type != 0 && entry.nameLength == length) {
            std::size_t c = 0;
            while (c < length && upperUnit(entry.name[c]) == upperUnit(name[c]))
                ++c;
            if (c == length)
                return &entry;
        }
        for (std::uint32_t link : {entry.left, entry.right})
            if (link != 0 && link < entryCount_ && !seen.testAndSet(link))
                pending.append(link);
    }
    return nullptr;
}

XlsStorageResult XlsCompoundFile::openStream(const char* name, XlsStream** stream) {
    *stream = nullptr;
    const auto missing = XlsStorageResult::failure(XLS_STORAGE_NO_STREAM, XLS_STG_E_FILENOTFOUND);
    std::uint16_t units[32];
    std::size_t length = 0;
    if (!isOpen())
        return missing;
    if (!toUtf16(name, units, &length) || length == 0)
        return XlsStorageResult::failure(XLS_STORAGE_NO_STREAM, XLS_STG_E_INVALIDNAME);
    const Entry* entry = findTopLevel(units, length);
    if (!entry || entry->type != TYPE_STREAM)
        return missing;

    const auto broken = XlsStorageResult::failure(XLS_STORAGE_NO_STREAM, XLS_STG_E_DOCFILECORRUPT);
    bool inMini = entry->size < miniCutoff_;
    XlsSectorTable chain;
    if (inMini) {
        std::uint64_t units64 = (entry->size + 63) >> MINI_SECTOR_SHIFT;
        std::size_t limit = static_cast<std::size_t>((miniStreamSize_ + 63) >> MINI_SECTOR_SHIFT);
        if (units64 > limit ||
            !followChain(miniFat_, limit, entry->start, static_cast<std::size_t>(units64), &chain))
            return broken;
    } else {
        std::uint64_t sectors = (entry->size + sectorSize_ - 1) >> sectorShift_;
        std::size_t limit = fat_.size() < fileSectors_ ? fat_.size() : fileSectors_;
        if (sectors > limit ||
            !followChain(fat_, limit, entry->start, static_cast<std::size_t>(sectors), &chain))
            return broken;
    }
    *stream = new (std::nothrow) XlsCompoundStream(this, entry->size, inMini, &chain);
    if (!*stream)
        return noMemory(XLS_STORAGE_NO_STREAM);
    return XlsStorageResult::success();
}
