// UTF-8 measuring and cutting, and the conversions between UTF-16 and a
// narrow character set (UTF-8, and one single-byte set through iconv).
// The first byte picks the set; the rest is taken as narrow text and, in
// pairs of bytes, as UTF-16.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "util/VxCharset.h"
#include "util/VxUtf8.h"
#include "util/ram.h"

namespace {

void checkUtf8(const char* text, std::size_t length) {
    std::size_t count = utf8CharCount(text, length);
    // utf8CharOffset walks from the start: asking it at a few characters
    // keeps an input's checks linear in its length.
    const std::size_t probes[] = {1, count / 3, count / 2, count - (count > 0 ? 1 : 0)};
    std::size_t pos = 0;
    std::size_t chars = 0;
    while (pos < length) {
        unsigned long code = 0;
        std::size_t bytes = utf8CharBytes(text + pos, length - pos, &code);
        if (bytes == 0 || bytes > 4 || bytes > length - pos || code > 0x10FFFF)
            __builtin_trap();
        for (std::size_t probe : probes)
            if (chars == probe && utf8CharOffset(text, length, chars) != pos)
                __builtin_trap();
        // A well-formed character encodes back to its own bytes.
        if (code != 0xFFFD) {
            char out[4];
            std::size_t put = 0;
            utf8Put(code, out, &put);
            if (put != bytes || std::memcmp(out, text + pos, bytes) != 0)
                __builtin_trap();
        }
        pos += bytes;
        ++chars;
    }
    if (chars != count || utf8CharOffset(text, length, count) != length)
        __builtin_trap();
    for (std::size_t cut : {std::size_t(0), length / 3, length / 2, length}) {
        std::size_t at = utf8CutPoint(text, length, cut);
        if (at > cut || at > length)
            __builtin_trap();
    }
    if (utf8CompleteLength(text, length) > length)
        __builtin_trap();
}

// Whether every character is a well-formed sequence (U+FFFD written out
// counts as one).
bool isValidUtf8(const char* text, std::size_t length) {
    for (std::size_t pos = 0; pos < length;) {
        unsigned long code = 0;
        std::size_t bytes = utf8CharBytes(text + pos, length - pos, &code);
        if (code == 0xFFFD && (bytes != 3 || std::memcmp(text + pos, "\xEF\xBF\xBD", 3) != 0))
            return false;
        pos += bytes;
    }
    return true;
}

void checkCharset(const VxCharset& charset, const char* text, std::size_t length) {
    char16_t* wide = nullptr;
    std::size_t units = 0;
    if (charset.toWide(text, length, &wide, &units) != VX_SUCCESS)
        return;
    if (wide[units] != 0)
        __builtin_trap();
    char* narrow = nullptr;
    std::size_t narrowLength = 0;
    if (charset.toNarrow(wide, units, &narrow, &narrowLength) == VX_SUCCESS) {
        // Valid UTF-8 comes back byte for byte.
        if (charset.isUtf8() && isValidUtf8(text, length) &&
            (narrowLength != length || std::memcmp(narrow, text, length) != 0))
            __builtin_trap();
        ramFree(narrow);
    }
    ramFree(wide);
    char* utf8 = nullptr;
    std::size_t utf8Length = 0;
    if (charset.toUtf8(text, length, &utf8, &utf8Length) == VX_SUCCESS)
        ramFree(utf8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzErrors* errors = new FuzzErrors;
    static VxCharset* utf8 = new VxCharset;
    static VxCharset* cp1252 = [] {
        auto* made = new VxCharset;
        if (!made->select("CP1252"))
            __builtin_trap();
        return made;
    }();
    if (size < 1)
        return 0;
    errors->reset();
    const char* text = reinterpret_cast<const char*>(data + 1);
    std::size_t length = size - 1;
    checkUtf8(text, length);
    const VxCharset& charset = (data[0] & 1) ? *cp1252 : *utf8;
    checkCharset(charset, text, length);
    // The same bytes as UTF-16 units, unpaired surrogates and all.
    std::size_t units = length / 2;
    char16_t* wide = static_cast<char16_t*>(ramAlloc((units + 1) * sizeof(char16_t)));
    if (wide) {
        std::memcpy(wide, text, units * sizeof(char16_t));
        char* narrow = nullptr;
        std::size_t narrowLength = 0;
        if (charset.toNarrow(wide, units, &narrow, &narrowLength) == VX_SUCCESS) {
            if (narrow[narrowLength] != 0)
                __builtin_trap();
            char16_t* back = nullptr;
            std::size_t backUnits = 0;
            if (charset.toWide(narrow, narrowLength, &back, &backUnits) == VX_SUCCESS)
                ramFree(back);
            ramFree(narrow);
        }
        ramFree(wide);
    }
    errors->reset();
    return 0;
}
