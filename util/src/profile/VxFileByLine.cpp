#include "util/VxFileByLine.h"

#include <cstring>

#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

VxFileByLine::~VxFileByLine() {
    (void)closeFile();
}

VxStatus VxFileByLine::openFile(const char* name, std::size_t bufferSize) {
    if (closeFile() != VX_SUCCESS)
        return VX_ERROR;
    if (bufferSize < MIN_BUFFER)
        bufferSize = MIN_BUFFER;
    name_ = ramAllocStr(name);
    buffer_ = static_cast<char*>(ramAlloc(bufferSize));
    if (!name_ || !buffer_ || bosFileOpen(name, 0, &handle_) != VX_SUCCESS) {
        (void)closeFile();
        return VX_ERROR;
    }
    bufferSize_ = bufferSize;
    return VX_SUCCESS;
}

VxStatus VxFileByLine::closeFile() {
    VxStatus status = bosFileClose(handle_);
    handle_ = 0;
    ramFree(name_);
    ramFree(buffer_);
    name_ = nullptr;
    buffer_ = nullptr;
    bufferSize_ = bufferLength_ = 0;
    bufferOffset_ = position_ = lastLine_ = 0;
    atEnd_ = false;
    line_.unInitialize();
    return status;
}

VxStatus VxFileByLine::fill() {
    bufferOffset_ = position_;
    bufferLength_ = 0;
    while (bufferLength_ < bufferSize_) {
        std::size_t count = 0;
        if (bosFileRead(handle_, bufferOffset_ + static_cast<std::int64_t>(bufferLength_),
                        buffer_ + bufferLength_, bufferSize_ - bufferLength_, &count) != VX_SUCCESS)
            return VX_ERROR;
        if (count == 0)
            break;
        bufferLength_ += count;
    }
    return VX_SUCCESS;
}

VxStatus VxFileByLine::getNextLine(VxSubString* line) {
    line->set("", 0);
    if (!handle_ || atEnd_)
        return VX_SUCCESS;
    std::int64_t bufferEnd = bufferOffset_ + static_cast<std::int64_t>(bufferLength_);
    std::size_t start = static_cast<std::size_t>(position_ - bufferOffset_);
    const char* newline = nullptr;
    if (position_ >= bufferOffset_ && position_ < bufferEnd)
        newline =
            static_cast<const char*>(std::memchr(buffer_ + start, '\n', bufferLength_ - start));
    // Without a whole line in the buffer, read again from the line's start.
    if (!newline && (position_ != bufferOffset_ || bufferLength_ < bufferSize_)) {
        if (fill() != VX_SUCCESS)
            return VX_ERROR;
        start = 0;
        newline = static_cast<const char*>(std::memchr(buffer_, '\n', bufferLength_));
    }
    if (bufferLength_ == start) {
        atEnd_ = true;
        return VX_SUCCESS;
    }
    std::size_t lineLength;
    std::size_t contentLength;
    if (newline) {
        lineLength = static_cast<std::size_t>(newline - (buffer_ + start)) + 1;
        contentLength = lineLength - 1;
        if (contentLength > 0 && buffer_[start + contentLength - 1] == '\r')
            --contentLength;
    } else if (bufferLength_ == bufferSize_) {
        lineLength = contentLength = bufferSize_ - 4;
    } else {
        lineLength = contentLength = bufferLength_ - start;
    }
    lastLine_ = position_;
    position_ += static_cast<std::int64_t>(lineLength);
    if (method_ != 0)
        return descramble(buffer_ + start, contentLength, lineLength, line);
    line->set(buffer_ + start, keepCrLf_ ? lineLength : contentLength);
    return VX_SUCCESS;
}

VxStatus VxFileByLine::descramble(const char* text, std::size_t contentLength,
                                  std::size_t lineLength, VxSubString* line) {
    std::size_t length = keepCrLf_ ? lineLength : contentLength;
    if (line_.initialize(text, length) != VX_SUCCESS)
        return VX_ERROR;
    decrypt(line_.getBuffer(), contentLength, method_, nullptr);
    line->set(line_.getBuffer(), length);
    return VX_SUCCESS;
}

VxStatus VxFileByLine::getNextNonBlankLine(VxSubString* line) {
    for (;;) {
        if (getNextLine(line) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd_)
            return VX_SUCCESS;
        for (std::size_t i = 0; i < line->length(); ++i) {
            char c = line->data()[i];
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
                return VX_SUCCESS;
        }
    }
}

void VxFileByLine::ungetLine() {
    position_ = lastLine_;
    atEnd_ = false;
}
