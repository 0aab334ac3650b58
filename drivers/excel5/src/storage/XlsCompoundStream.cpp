#include "storage/XlsCompoundStream.h"

namespace {
constexpr std::uint32_t MINI_SECTOR_SHIFT = 6;
} // namespace

XlsCompoundStream::XlsCompoundStream(XlsCompoundFile* file, std::uint64_t size, bool inMiniStream,
                                     XlsSectorTable* chain)
    : file_(file), size_(size), inMiniStream_(inMiniStream),
      unitShift_(inMiniStream ? MINI_SECTOR_SHIFT : file->sectorShift_) {
    chain_.takeFrom(chain);
}

std::uint64_t XlsCompoundStream::fileOffsetOf(std::uint64_t offset, std::size_t* available) const {
    std::uint64_t unitSize = std::uint64_t(1) << unitShift_;
    std::uint64_t within = offset & (unitSize - 1);
    std::uint32_t unit = chain_[offset >> unitShift_];
    *available = static_cast<std::size_t>(unitSize - within);
    if (!inMiniStream_)
        return ((std::uint64_t(unit) + 1) << unitShift_) + within;
    // A mini sector lies inside one regular sector of the mini stream.
    std::uint64_t miniOffset = (std::uint64_t(unit) << MINI_SECTOR_SHIFT) + within;
    std::uint32_t shift = file_->sectorShift_;
    std::uint32_t sector = file_->miniStream_[miniOffset >> shift];
    return ((std::uint64_t(sector) + 1) << shift) + (miniOffset & ((1u << shift) - 1));
}

XlsStorageResult XlsCompoundStream::read(std::uint64_t offset, void* buffer, std::size_t length,
                                         std::size_t* count) {
    *count = 0;
    if (offset >= size_ || length == 0)
        return XlsStorageResult::success();
    if (length > size_ - offset)
        length = static_cast<std::size_t>(size_ - offset);
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < length) {
        // One run of adjacent sectors becomes one read.
        std::size_t piece;
        std::uint64_t runStart = fileOffsetOf(offset + done, &piece);
        std::size_t run = piece < length - done ? piece : length - done;
        while (done + run < length) {
            std::size_t next;
            if (fileOffsetOf(offset + done + run, &next) != runStart + run)
                break;
            run += next < length - done - run ? next : length - done - run;
        }
        XlsStorageResult result =
            file_->readFile(runStart, out + done, run, XLS_STORAGE_READ_FAILED);
        if (!result.ok())
            return result;
        done += run;
    }
    *count = done;
    return XlsStorageResult::success();
}
