#include "record/XlsCellBuffer.h"

#include "error/XlsErrors.h"
#include "util/ram.h"

namespace {
constexpr std::size_t WINDOW_SIZE = 32768;

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
} // namespace

XlsCellBuffer::XlsCellBuffer(XlsStream* stream, const char* path) : stream_(stream), path_(path) {}

XlsCellBuffer::~XlsCellBuffer() {
    ramFree(window_);
}

VxStatus XlsCellBuffer::notWorkbook() {
    xlsAddFileError(XLS_MSG_NOT_EXCEL, path_);
    return VX_ERROR;
}

VxStatus XlsCellBuffer::fill(std::uint64_t offset, std::size_t length) {
    if (offset >= windowStart_ && offset - windowStart_ + length <= windowFill_)
        return VX_SUCCESS;
    if (!window_ && !(window_ = static_cast<std::uint8_t*>(ramAlloc(WINDOW_SIZE))))
        return VX_ERROR;
    std::size_t count = 0;
    XlsStorageResult result = stream_->read(offset, window_, WINDOW_SIZE, &count);
    if (!result.ok()) {
        windowFill_ = 0;
        xlsAddStorageError(result, path_, "Book");
        return VX_ERROR;
    }
    windowStart_ = offset;
    windowFill_ = count;
    // Short of `length` only where the stream ends.
    return count >= length ? VX_SUCCESS : notWorkbook();
}

VxStatus XlsCellBuffer::readRecord(std::uint64_t offset, bool* atEnd) {
    *atEnd = offset >= stream_->getSize();
    number_ = length_ = 0;
    body_ = nullptr;
    offset_ = offset;
    if (*atEnd)
        return VX_SUCCESS;
    if (fill(offset, 4) != VX_SUCCESS)
        return VX_ERROR;
    const std::uint8_t* header = window_ + (offset - windowStart_);
    std::uint16_t number = get16(header), length = get16(header + 2);
    if (length > XLS_MAX_RECORD_BODY)
        return notWorkbook();
    if (fill(offset, 4 + std::size_t(length)) != VX_SUCCESS)
        return VX_ERROR;
    number_ = number;
    length_ = length;
    body_ = window_ + (offset - windowStart_) + 4;
    return VX_SUCCESS;
}

VxStatus XlsCellBuffer::readBof(std::uint64_t offset) {
    bool atEnd = false;
    if (readRecord(offset, &atEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (atEnd || number_ != XLS_REC_BOF || length_ < 4 || get16(body_) != XLS_BIFF5_VERSION)
        return notWorkbook();
    return VX_SUCCESS;
}
