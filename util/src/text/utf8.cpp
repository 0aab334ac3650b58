// UTF-8 character boundaries.
#include "util/VxUtf8.h"

std::size_t utf8CharBytes(const char* text, std::size_t length, unsigned long* code) {
    if (length == 0)
        return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    unsigned char lead = bytes[0];
    std::size_t count = lead < 0x80             ? 1
                        : (lead & 0xE0) == 0xC0 ? 2
                        : (lead & 0xF0) == 0xE0 ? 3
                        : (lead & 0xF8) == 0xF0 ? 4
                                                : 0;
    unsigned long value = count == 1 ? lead : lead & (0x7F >> count);
    bool valid = count >= 1 && count <= length;
    for (std::size_t i = 1; valid && i < count; ++i) {
        valid = (bytes[i] & 0xC0) == 0x80;
        value = (value << 6) | (bytes[i] & 0x3F);
    }
    static const unsigned long MINIMUM[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (valid &&
        (value < MINIMUM[count] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)))
        valid = false;
    if (code)
        *code = valid ? value : 0xFFFD;
    return valid ? count : 1;
}

std::size_t utf8CharCount(const char* text, std::size_t length) {
    std::size_t chars = 0;
    for (std::size_t pos = 0; pos < length; ++chars) {
        if (static_cast<unsigned char>(text[pos]) < 0x80)
            ++pos;
        else
            pos += utf8CharBytes(text + pos, length - pos);
    }
    return chars;
}

std::size_t utf8CharOffset(const char* text, std::size_t length, std::size_t chars) {
    std::size_t pos = 0;
    for (; chars > 0 && pos < length; --chars)
        pos += utf8CharBytes(text + pos, length - pos);
    return pos;
}

std::size_t utf8CutPoint(const char* text, std::size_t length, std::size_t maxBytes) {
    if (maxBytes >= length)
        return length;
    std::size_t pos = 0;
    while (pos < maxBytes) {
        std::size_t bytes = utf8CharBytes(text + pos, length - pos);
        if (pos + bytes > maxBytes)
            break;
        pos += bytes;
    }
    return pos;
}

std::size_t utf8CompleteLength(const char* text, std::size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    // The last lead byte within the final three bytes, if any.
    for (std::size_t back = 1; back <= 3 && back <= length; ++back) {
        unsigned char byte = bytes[length - back];
        if ((byte & 0xC0) == 0x80)
            continue;
        std::size_t need = (byte & 0xE0) == 0xC0   ? 2
                           : (byte & 0xF0) == 0xE0 ? 3
                           : (byte & 0xF8) == 0xF0 ? 4
                                                   : 1;
        return need > back ? length - back : length;
    }
    return length;
}

void utf8Put(unsigned long code, char* out, std::size_t* pos) {
    if (code < 0x80) {
        out[(*pos)++] = static_cast<char>(code);
    } else if (code < 0x800) {
        out[(*pos)++] = static_cast<char>(0xC0 | (code >> 6));
        out[(*pos)++] = static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out[(*pos)++] = static_cast<char>(0xE0 | (code >> 12));
        out[(*pos)++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[(*pos)++] = static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out[(*pos)++] = static_cast<char>(0xF0 | (code >> 18));
        out[(*pos)++] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out[(*pos)++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out[(*pos)++] = static_cast<char>(0x80 | (code & 0x3F));
    }
}
