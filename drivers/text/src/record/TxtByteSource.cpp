#include "record/TxtByteSource.h"

#include "util/bos.h"
#include "util/ram.h"

TxtByteSource::~TxtByteSource() {
    ramFree(buffer_);
}

VxStatus TxtByteSource::attach(int handle) {
    if (!buffer_) {
        buffer_ = static_cast<char*>(ramAlloc(CAPACITY));
        if (!buffer_)
            return VX_ERROR;
    }
    handle_ = handle;
    invalidate();
    return VX_SUCCESS;
}

void TxtByteSource::invalidate() {
    bufferStart_ = 0;
    fill_ = 0;
    pos_ = 0;
    readSize_ = WINDOW;
    failed_ = false;
}

void TxtByteSource::seek(std::int64_t offset) {
    failed_ = false;
    if (offset >= bufferStart_ && offset <= bufferStart_ + static_cast<std::int64_t>(fill_)) {
        pos_ = static_cast<std::size_t>(offset - bufferStart_);
        return;
    }
    bufferStart_ = offset;
    fill_ = 0;
    pos_ = 0;
    readSize_ = WINDOW;
}

int TxtByteSource::refill() {
    if (failed_ || !buffer_)
        return END;
    std::int64_t start = position();
    std::size_t count = 0;
    std::size_t want = readSize_;
    if (readSize_ < CAPACITY)
        readSize_ = readSize_ * 2 < CAPACITY ? readSize_ * 2 : CAPACITY;
    if (bosFileReadAt(handle_, start, buffer_, want, &count)) {
        failed_ = true;
        count = 0;
    }
    bufferStart_ = start;
    fill_ = count;
    pos_ = 0;
    return count ? static_cast<unsigned char>(buffer_[0]) : END;
}
