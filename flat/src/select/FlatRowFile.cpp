// FlatRowFile: fixed-length records in 64 KiB blocks of a temporary file.
#include "select/FlatRowFile.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "util/bos.h"
#include "util/ram.h"

FlatRowFile::~FlatRowFile() {
    removeFile();
    ramFree(tail_);
    ramFree(cached_);
}

void FlatRowFile::removeFile() {
    if (handle_ != 0) {
        (void)bosFileClose(handle_);
        (void)bosFileDelete(name_.getText());
        handle_ = 0;
    }
}

void FlatRowFile::reset(std::uint32_t size) {
    removeFile();
    size_ = size ? size : 1;
    perBlock_ = BLOCK / size_;
    tailBlock_ = 0;
    tailCount_ = 0;
    cachedBlock_ = ~0ull;
}

VxStatus FlatRowFile::allocate(unsigned char** block) {
    if (!*block && !(*block = static_cast<unsigned char*>(ramAlloc(BLOCK))))
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatRowFile::append(const unsigned char* record) {
    if (allocate(&tail_) != VX_SUCCESS)
        return VX_ERROR;
    if (tailCount_ == perBlock_) {
        if (handle_ == 0 && bosFileOpen("", BOS_OPEN_TEMP, &handle_, &name_) != VX_SUCCESS) {
            handle_ = 0;
            return VX_ERROR;
        }
        std::int64_t offset = static_cast<std::int64_t>(tailBlock_) * BLOCK;
        if (bosFileWrite(handle_, offset, tail_, static_cast<std::size_t>(perBlock_) * size_) !=
            VX_SUCCESS)
            return VX_ERROR;
        ++tailBlock_;
        tailCount_ = 0;
    }
    std::memcpy(tail_ + static_cast<std::size_t>(tailCount_) * size_, record, size_);
    ++tailCount_;
    return VX_SUCCESS;
}

VxStatus FlatRowFile::read(std::uint64_t index, unsigned char* out) {
    std::uint64_t block = index / perBlock_;
    std::size_t at = static_cast<std::size_t>(index % perBlock_) * size_;
    if (block == tailBlock_) {
        std::memcpy(out, tail_ + at, size_);
        return VX_SUCCESS;
    }
    if (block != cachedBlock_) {
        if (allocate(&cached_) != VX_SUCCESS)
            return VX_ERROR;
        cachedBlock_ = ~0ull;
        std::size_t want = static_cast<std::size_t>(perBlock_) * size_;
        auto offset = static_cast<std::int64_t>(block * BLOCK);
        for (std::size_t done = 0; done < want;) {
            std::size_t got = 0;
            if (bosFileReadAt(handle_, offset + static_cast<std::int64_t>(done), cached_ + done,
                              want - done, &got) != VX_SUCCESS)
                return VX_ERROR;
            if (got == 0) {
                // The file is shorter than what was written to it.
                addOdbcError(ODBC_S1000);
                return VX_ERROR;
            }
            done += got;
        }
        cachedBlock_ = block;
    }
    std::memcpy(out, cached_ + at, size_);
    return VX_SUCCESS;
}
