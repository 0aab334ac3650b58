// A read-only reader of compound files (structured storage), the container
// that Excel 5 workbooks come in.
//
// Layout of a compound file (all numbers little-endian):
//
//   offset 0      header, 512 bytes (a whole 4096-byte sector with 4096-byte
//                 sectors): signature D0 CF 11 E0 A1 B1 1A E1, major version
//                 3 (512-byte sectors) or 4 (4096), sector shift at 30, mini
//                 sector shift at 32 (6), FAT sector count at 44, first
//                 directory sector at 48, mini stream cutoff at 56 (4096),
//                 first mini FAT sector at 60 and its count at 64, first
//                 DIFAT sector at 68 and its count at 72, and the first 109
//                 FAT sector numbers at 76.
//   sector n      at (n + 1) << sector shift.
//   FAT           one 32-bit entry per sector: the next sector of its chain,
//                 or ENDOFCHAIN, FREESECT, FATSECT, DIFSECT.
//   DIFAT         the FAT sector numbers past the first 109: a chain of
//                 sectors, each holding (sector size / 4 - 1) numbers and the
//                 number of the next DIFAT sector last.
//   directory     a chain of 128-byte entries: UTF-16LE name (64 bytes) and
//                 its byte length with the terminator at 64, type at 66 (1
//                 storage, 2 stream, 5 root), left and right siblings and
//                 child at 68, 72, 76, first sector at 116, size at 120 (64
//                 bits; only the low 32 count with 512-byte sectors).
//                 Entry 0 is the root; its chain is the mini stream.
//   mini stream   streams shorter than the cutoff, in 64-byte mini sectors
//                 chained through the mini FAT (itself a chain of sectors).
//
// Everything read from the file is checked before it is used: sector numbers
// must lie inside the file and the tables, every chain is followed at most
// as many steps as it has room for and a sector met twice is a cycle, and
// no read goes past the end of the file. A file that breaks any of this fails
// to open (XLS_STG_E_INVALIDHEADER, XLS_STG_E_DOCFILECORRUPT), or a stream
// whose own chain is broken fails to open; nothing hangs and nothing is read
// out of bounds.
//
// File access goes through the foundation's file functions; their error
// records are kept out of the caller's list and become the result's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "storage/XlsStorage.h"

class XlsCompoundStream;

// A table of 32-bit sector numbers allocated from the system allocator.
class XlsSectorTable {
public:
    XlsSectorTable() = default;
    ~XlsSectorTable();
    XlsSectorTable(const XlsSectorTable&) = delete;
    XlsSectorTable& operator=(const XlsSectorTable&) = delete;

    // Makes room for `count` entries (contents undefined); false when out of memory.
    bool allocate(std::size_t count);
    void append(std::uint32_t value) { entries_[count_++] = value; }
    std::uint32_t operator[](std::size_t index) const { return entries_[index]; }
    std::uint32_t* data() { return entries_; }
    std::size_t size() const { return count_; }
    void setSize(std::size_t count) { count_ = count; }
    // Takes over the entries of `other`, which is left empty.
    void takeFrom(XlsSectorTable* other);

private:
    std::uint32_t* entries_ = nullptr;
    std::size_t count_ = 0;
};

class XlsCompoundFile final : public XlsStorage {
public:
    XlsCompoundFile() = default;
    ~XlsCompoundFile() override;
    XlsCompoundFile(const XlsCompoundFile&) = delete;
    XlsCompoundFile& operator=(const XlsCompoundFile&) = delete;

    // Opens the file at `path` read-only and reads its header, FAT, mini
    // FAT and directory. Fails with XLS_STORAGE_NO_FILE when the file or a
    // directory of its path is missing, XLS_STORAGE_OPEN_FAILED otherwise.
    // A failed open leaves the object closed.
    XlsStorageResult open(const char* path);
    void close();
    bool isOpen() const { return handle_ != 0; }

    XlsStorageResult openStream(const char* name, XlsStream** stream) override;

    std::uint32_t getSectorSize() const { return sectorSize_; }

private:
    friend class XlsCompoundStream;

    struct Entry {
        std::uint16_t name[32]; // UTF-16 units, without the terminator
        std::uint16_t nameLength;
        std::uint8_t type;
        std::uint32_t left, right, child;
        std::uint32_t start;
        std::uint64_t size;
    };

    XlsStorageResult readHeader(const std::uint8_t* header);
    XlsStorageResult readFat(const std::uint8_t* header);
    XlsStorageResult readDirectory();
    XlsStorageResult readMiniFat();
    // Follows the chain from `start` through `fat` (a table of `limit`
    // sectors, regular or mini) and stores its sectors in `chain`: exactly
    // `needed` of them, or the whole chain up to ENDOFCHAIN when `needed`
    // is SIZE_MAX. Fails with DOCFILECORRUPT on a sector out of range, a
    // cycle, or a chain shorter than needed.
    static bool followChain(const XlsSectorTable& fat, std::size_t limit, std::uint32_t start,
                            std::size_t needed, XlsSectorTable* chain);
    // Reads exactly `length` bytes at file offset `offset`; a failed or
    // short read fails with `failure`.
    XlsStorageResult readFile(std::uint64_t offset, void* buffer, std::size_t length,
                              XlsStorageStatus failure);
    // Reads whole sectors of `chain` into `buffer`, merging adjacent ones.
    XlsStorageResult readChain(const XlsSectorTable& chain, std::uint8_t* buffer);
    const Entry* findTopLevel(const std::uint16_t* name, std::size_t length) const;

    int handle_ = 0;
    // Reads seek and read the one handle: the streams of a workbook may be
    // read by cursors of several threads.
    std::mutex readLock_;
    std::uint64_t fileSize_ = 0;
    std::uint32_t sectorShift_ = 9;
    std::uint32_t sectorSize_ = 512;
    std::uint32_t miniCutoff_ = 4096;
    std::uint32_t fileSectors_ = 0; // sectors that start inside the file
    XlsSectorTable fat_;
    XlsSectorTable miniFat_;
    XlsSectorTable miniStream_; // the regular sectors of the mini stream
    std::uint64_t miniStreamSize_ = 0;
    Entry* entries_ = nullptr;
    std::size_t entryCount_ = 0;
};
