// Captions with keyboard accelerators.
#include "util/dialogText.h"

#include <cstring>

#include "error/utlMessages.h"
#include "util/str.h"

namespace {

constexpr unsigned short ACCELERATOR_MESSAGE = 21800;

// Appends at most the room left in [out, out + size - 1).
struct BoundedWriter {
    char* out;
    std::size_t size;
    std::size_t length = 0;

    void put(const char* text, std::size_t count) {
        std::size_t room = size - 1 - length;
        if (count > room)
            count = room;
        std::memcpy(out + length, text, count);
        length += count;
        out[length] = 0;
    }
};

void format(BoundedWriter& writer, const char* caption, const char* pattern) {
    if (!pattern) {
        writer.put(caption, std::strlen(caption));
        return;
    }
    bool substituted = false;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == '%') {
            writer.put("%", 1);
            ++p;
        } else if (p[0] == '%' && p[1] == 's' && !substituted) {
            writer.put(caption, std::strlen(caption));
            substituted = true;
            ++p;
        } else {
            writer.put(p, 1);
        }
    }
}

} // namespace

bool VxAcceleratorKeys::isUsed(unsigned char key) const {
    unsigned char c = vxToUpper(key);
    return bits_[c >> 3] & (1u << (c & 7));
}

void VxAcceleratorKeys::markUsed(unsigned char key) {
    unsigned char c = vxToUpper(key);
    bits_[c >> 3] = static_cast<std::uint8_t>(bits_[c >> 3] | (1u << (c & 7)));
}

const char* getMenuAccelerator() {
    const char* marker = utlMessageTable().find(ACCELERATOR_MESSAGE);
    return marker ? marker : "&";
}

std::size_t makeDialogText(char* out, std::size_t size, const char* caption, const char* pattern,
                           const VxAcceleratorKeys& used) {
    BoundedWriter writer{out, size};
    out[0] = 0;
    format(writer, caption, pattern);
    const char* marker = getMenuAccelerator();
    std::size_t markerLength = std::strlen(marker);
    if (std::strstr(out, marker) || writer.length + markerLength > size - 1)
        return writer.length;
    for (std::size_t i = 0; i < writer.length; ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (vxIsWhiteSpace(c) || used.isUsed(c))
            continue;
        std::memmove(out + i + markerLength, out + i, writer.length - i + 1);
        std::memcpy(out + i, marker, markerLength);
        return writer.length + markerLength;
    }
    return writer.length;
}

void setAcceleratorKey(const char* text, VxAcceleratorKeys& used) {
    const char* marker = getMenuAccelerator();
    const char* at = std::strstr(text, marker);
    if (at && at[std::strlen(marker)])
        used.markUsed(static_cast<unsigned char>(at[std::strlen(marker)]));
}
