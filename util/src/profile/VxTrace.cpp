#include "util/VxTrace.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/bos.h"

namespace {

constexpr std::size_t HEX_ROW = 16;
// A line that would grow past this is sent to the file in pieces.
constexpr std::size_t LINE_FLUSH = 8192;

const char HEX_DIGITS[] = "0123456789abcdef";

// Formats one dump row: offset, hex bytes (padded), printable bytes, LF.
std::size_t formatRow(char* row, std::size_t offset, const unsigned char* bytes,
                      std::size_t count) {
    std::size_t pos = 0;
    for (int shift = 28; shift >= 0; shift -= 4)
        row[pos++] = HEX_DIGITS[(offset >> shift) & 0xf];
    row[pos++] = ' ';
    for (std::size_t i = 0; i < HEX_ROW; ++i) {
        row[pos++] = ' ';
        row[pos++] = i < count ? HEX_DIGITS[bytes[i] >> 4] : ' ';
        row[pos++] = i < count ? HEX_DIGITS[bytes[i] & 0xf] : ' ';
    }
    row[pos++] = ' ';
    row[pos++] = ' ';
    for (std::size_t i = 0; i < count; ++i)
        row[pos++] = (bytes[i] >= 0x20 && bytes[i] < 0x7f) ? static_cast<char>(bytes[i]) : '.';
    row[pos++] = '\n';
    return pos;
}

} // namespace

VxTrace::~VxTrace() {
    (void)resetTrace();
}

VxStatus VxTrace::refuseWindow() {
    addError(2719);
    return VX_ERROR;
}

VxStatus VxTrace::initialize(void* instance, bool toWindow, const char* fileName) {
    if (resetTrace() != VX_SUCCESS)
        return VX_ERROR;
    instance_ = instance;
    if (line_.initialize(LINE_RESERVE) != VX_SUCCESS)
        return VX_ERROR;
    if (fileName && *fileName &&
        bosFileOpen(fileName, BOS_OPEN_CREATE | BOS_OPEN_READWRITE, &fileHandle_) != VX_SUCCESS)
        return VX_ERROR;
    return toWindow ? refuseWindow() : VX_SUCCESS;
}

VxStatus VxTrace::setTraceToWindow(bool toWindow) {
    return toWindow ? refuseWindow() : VX_SUCCESS;
}

VxStatus VxTrace::writeToFile(const char* data, std::size_t length) {
    if (!fileHandle_ || length == 0)
        return VX_SUCCESS;
    std::int64_t end = 0;
    if (bosFileSeek(fileHandle_, 0, BOS_SEEK_END, &end) != VX_SUCCESS)
        return VX_ERROR;
    return bosFileWrite(fileHandle_, end, data, length);
}

VxStatus VxTrace::writeString(const char* text) {
    return writeString(text, text ? std::strlen(text) : 0);
}

VxStatus VxTrace::writeString(const char* text, std::size_t length) {
    if (hexMode_)
        return writeHexString(text, length);
    if (line_.length() + length > LINE_FLUSH) {
        // Too long to collect: what there is goes out now, unterminated.
        if (writeToFile(line_.data(), line_.length()) != VX_SUCCESS)
            return VX_ERROR;
        line_.setLength(0);
        if (length > LINE_FLUSH)
            return writeToFile(text, length);
    }
    return line_.concat(text, length);
}

VxStatus VxTrace::writeHexString(const void* data, std::size_t length) {
    // The dump starts on a line of its own.
    if (line_.length() > 0 && writeEol() != VX_SUCCESS)
        return VX_ERROR;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    char row[8 + 3 * HEX_ROW + 4 + HEX_ROW];
    for (std::size_t offset = 0; offset < length; offset += HEX_ROW) {
        std::size_t count = length - offset < HEX_ROW ? length - offset : HEX_ROW;
        std::size_t rowLength = formatRow(row, offset, bytes + offset, count);
        if (writeToFile(row, rowLength) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxTrace::writeEol() {
    if (line_.concat('\n') != VX_SUCCESS)
        return VX_ERROR;
    VxStatus status = writeToFile(line_.data(), line_.length());
    line_.setLength(0);
    return status;
}

VxStatus VxTrace::writeLine(const char* text) {
    if (writeString(text) != VX_SUCCESS)
        return VX_ERROR;
    return writeEol();
}

VxStatus VxTrace::resetTrace() {
    VxStatus status = bosFileClose(fileHandle_);
    fileHandle_ = 0;
    line_.setLength(0);
    return status;
}
