#include "util/VxSharedFile.h"

#include "error/utlMessages.h"
#include "util/VxTmpFile.h"

VxSharedFile::~VxSharedFile() {
    (void)truncate();
}

VxStatus VxSharedFile::growTo(std::uint32_t index) {
    while (chunks_.getCount() <= index) {
        if (chunks_.getCount() >= VX_ARRAY_MAX_CAPACITY) {
            addError(2722);
            return VX_ERROR;
        }
        std::uint32_t offset = 0;
        if (store_->tmpFindSpace(CHUNK_SIZE, &offset) != VX_SUCCESS)
            return VX_ERROR;
        if (chunks_.add(offset) != VX_SUCCESS) {
            (void)store_->tmpFreeSpace(offset, CHUNK_SIZE);
            return VX_ERROR;
        }
    }
    return VX_SUCCESS;
}

VxStatus VxSharedFile::write(std::uint32_t offset, const void* data, std::uint32_t length) {
    const char* bytes = static_cast<const char*>(data);
    while (length > 0) {
        std::uint32_t index = offset / CHUNK_SIZE;
        std::uint32_t within = offset % CHUNK_SIZE;
        std::uint32_t piece = CHUNK_SIZE - within < length ? CHUNK_SIZE - within : length;
        if (growTo(index) != VX_SUCCESS)
            return VX_ERROR;
        std::uint32_t chunk = chunks_.get(static_cast<std::uint16_t>(index));
        if (store_->tmpWrite(chunk + within, bytes, piece) != VX_SUCCESS)
            return VX_ERROR;
        bytes += piece;
        offset += piece;
        length -= piece;
    }
    return VX_SUCCESS;
}

VxStatus VxSharedFile::read(std::uint32_t offset, void* buffer, std::uint32_t length) {
    char* bytes = static_cast<char*>(buffer);
    while (length > 0) {
        std::uint32_t index = offset / CHUNK_SIZE;
        std::uint32_t within = offset % CHUNK_SIZE;
        std::uint32_t piece = CHUNK_SIZE - within < length ? CHUNK_SIZE - within : length;
        if (index >= chunks_.getCount()) {
            addError(30041);
            return VX_ERROR;
        }
        std::uint32_t chunk = chunks_.get(static_cast<std::uint16_t>(index));
        if (store_->tmpRead(chunk + within, bytes, piece) != VX_SUCCESS)
            return VX_ERROR;
        bytes += piece;
        offset += piece;
        length -= piece;
    }
    return VX_SUCCESS;
}

VxStatus VxSharedFile::truncate() {
    VxStatus status = VX_SUCCESS;
    // Last chunk first, so that space at the store's end goes back to the end.
    for (std::uint16_t i = chunks_.getCount(); i > 0; --i)
        if (store_->tmpFreeSpace(chunks_.get(static_cast<std::uint16_t>(i - 1)), CHUNK_SIZE) !=
            VX_SUCCESS)
            status = VX_ERROR;
    chunks_.deleteContents();
    return status;
}
