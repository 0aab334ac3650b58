// A small compound-file writer for the tests: streams at the top level of
// the root storage, in the mini stream when shorter than 4096 bytes and in
// regular sectors otherwise, with 512- or 4096-byte sectors and as many FAT
// sectors as the file needs (past 109 of them, through DIFAT sectors).
//
// Layout, in sector order: the regular streams, the mini stream, the mini
// FAT, the directory, the FAT, the DIFAT. The tests find the parts through
// the accessors and patch the bytes to make broken files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CompoundWriter {
public:
    explicit CompoundWriter(unsigned sectorShift = 9) : shift_(sectorShift) {}

    void addStream(const std::string& name, std::vector<std::uint8_t> data);
    // Builds the file; valid until the next build.
    const std::vector<std::uint8_t>& build();

    std::vector<std::uint8_t>& bytes() { return file_; }
    std::size_t sectorSize() const { return std::size_t(1) << shift_; }
    std::size_t sectorOffset(std::uint32_t sector) const {
        return (std::size_t(sector) + 1) << shift_;
    }
    // The first sector of stream `index` (a mini sector for a small stream).
    std::uint32_t streamStart(std::size_t index) const { return starts_[index]; }
    std::uint32_t fatSectorCount() const { return fatCount_; }
    std::uint32_t difatSectorCount() const { return difatCount_; }
    // Rewrites the FAT entry of `sector`, or the mini FAT entry of mini sector `sector`.
    void setFatEntry(std::uint32_t sector, std::uint32_t value);
    void setMiniFatEntry(std::uint32_t sector, std::uint32_t value);
    // Offset of directory entry `index` in the file.
    std::size_t entryOffset(std::size_t index) const;

    static void put16(std::uint8_t* p, std::uint16_t v);
    static void put32(std::uint8_t* p, std::uint32_t v);

private:
    struct Stream {
        std::string name;
        std::vector<std::uint8_t> data;
    };
    std::uint32_t appendSectors(const std::uint8_t* data, std::size_t length);

    unsigned shift_;
    std::vector<Stream> streams_;
    std::vector<std::uint32_t> starts_;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> fatSectors_;
    std::vector<std::uint8_t> body_; // the sectors after the header
    std::vector<std::uint8_t> file_;
    std::uint32_t fatCount_ = 0, difatCount_ = 0;
    std::uint32_t miniFatStart_ = 0, directoryStart_ = 0;
};

// Writes `bytes` to a new file under the tests' temporary folder and returns its path.
std::string writeTestFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
