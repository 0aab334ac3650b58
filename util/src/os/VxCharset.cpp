// Character-set conversion: UTF-8 by hand, every other set through iconv.
//
// An iconv descriptor keeps shift state and may not be shared between
// threads, so each conversion opens its own; select() only checks the name.
#include "util/VxCharset.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "util/VxUtf8.h"
#include "util/ram.h"

namespace {

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr const char* WIDE_NAME = "UTF-16LE";
#else
constexpr const char* WIDE_NAME = "UTF-16BE";
#endif

bool isUtf8Name(const char* name) {
    if (!name || !*name)
        return true;
    char letters[8];
    std::size_t count = 0;
    for (; *name && count < sizeof letters; ++name)
        if (*name != '-' && *name != '_')
            letters[count++] = static_cast<char>(*name | 0x20);
    return !*name && count == 4 && std::memcmp(letters, "utf8", 4) == 0;
}

bool isHighSurrogate(unsigned long unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(unsigned long unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// A growing output block with room for a terminator of `unit` bytes.
struct Output {
    char* data = nullptr;
    std::size_t used = 0;
    std::size_t size = 0;

    bool reserve(std::size_t extra) {
        if (used + extra <= size)
            return true;
        std::size_t wanted = size * 2 > used + extra ? size * 2 : used + extra + 64;
        void* block = data;
        if (!block) {
            if (!(block = ramAlloc(wanted)))
                return false;
        } else if (ramResize(&block, wanted) != VX_SUCCESS) {
            return false;
        }
        data = static_cast<char*>(block);
        size = wanted;
        return true;
    }
    void append(const void* bytes, std::size_t count) {
        std::memcpy(data + used, bytes, count);
        used += count;
    }
};

// How many input bytes an input the converter refused stands for.
enum class InputKind { NARROW, WIDE };

std::size_t badInputBytes(InputKind kind, const char* in, std::size_t left) {
    if (kind == InputKind::NARROW || left < 2)
        return 1;
    char16_t unit, next;
    std::memcpy(&unit, in, 2);
    if (left >= 4 && isHighSurrogate(unit) && (std::memcpy(&next, in + 2, 2), isLowSurrogate(next)))
        return 4;
    return 2;
}

// Converts all of `in` with iconv, writing `replacement` for each input the
// target cannot take, then `terminator` zero bytes.
VxStatus convertAll(const char* toName, const char* fromName, InputKind kind, const char* in,
                    std::size_t length, const void* replacement, std::size_t replacementSize,
                    std::size_t terminator, char** result, std::size_t* resultLength) {
    iconv_t cd = iconv_open(toName, fromName);
    if (cd == reinterpret_cast<iconv_t>(-1)) { // the name was checked by select()
        *result = nullptr;
        return VX_ERROR;
    }
    Output out;
    bool ok = out.reserve(length * 2 + terminator + 16);
    char* input = const_cast<char*>(in);
    std::size_t inLeft = length;
    while (ok && inLeft > 0) {
        char* target = out.data + out.used;
        std::size_t room = out.size - out.used - terminator;
        std::size_t done = iconv(cd, &input, &inLeft, &target, &room);
        out.used = static_cast<std::size_t>(target - out.data);
        if (done != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            ok = out.reserve(length + 64);
        } else {
            std::size_t skip = badInputBytes(kind, input, inLeft);
            input += skip;
            inLeft -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if ((ok = out.reserve(replacementSize + terminator + 16)))
                out.append(replacement, replacementSize);
        }
    }
    for (std::size_t tries = 0; ok && tries < 4; ++tries) { // the shift back to the initial state
        char* target = out.data + out.used;
        std::size_t room = out.size - out.used - terminator;
        std::size_t done = iconv(cd, nullptr, nullptr, &target, &room);
        out.used = static_cast<std::size_t>(target - out.data);
        if (done != static_cast<std::size_t>(-1))
            break;
        ok = errno == E2BIG && out.reserve(64);
    }
    iconv_close(cd);
    if (!ok) {
        ramFree(out.data);
        *result = nullptr;
        return VX_ERROR;
    }
    std::memset(out.data + out.used, 0, terminator);
    *result = out.data;
    *resultLength = out.used;
    return VX_SUCCESS;
}

VxStatus utf8ToWide(const char* text, std::size_t length, char16_t** wide, std::size_t* units) {
    auto* out = static_cast<char16_t*>(ramAlloc((length + 1) * sizeof(char16_t)));
    if (!out)
        return VX_ERROR;
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < length;) {
        unsigned long code = static_cast<unsigned char>(text[pos]);
        if (code < 0x80)
            ++pos;
        else
            pos += utf8CharBytes(text + pos, length - pos, &code);
        if (code > 0xFFFF) {
            code -= 0x10000;
            out[count++] = static_cast<char16_t>(0xD800 + (code >> 10));
            out[count++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out[count++] = static_cast<char16_t>(code);
        }
    }
    out[count] = 0;
    *wide = out;
    *units = count;
    return VX_SUCCESS;
}

VxStatus wideToUtf8(const char16_t* wide, std::size_t units, char** text, std::size_t* length) {
    char* out = static_cast<char*>(ramAlloc(units * 3 + 1));
    if (!out)
        return VX_ERROR;
    std::size_t pos = 0;
    for (std::size_t i = 0; i < units; ++i) {
        unsigned long code = wide[i];
        if (isHighSurrogate(code) && i + 1 < units && isLowSurrogate(wide[i + 1]))
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[++i] - 0xDC00);
        else if (isHighSurrogate(code) || isLowSurrogate(code))
            code = 0xFFFD;
        utf8Put(code, out, &pos);
    }
    out[pos] = 0;
    *text = out;
    *length = pos;
    return VX_SUCCESS;
}

} // namespace

VxCharset::~VxCharset() {
    ramFree(name_);
}

bool VxCharset::select(const char* name) {
    if (isUtf8Name(name)) {
        ramFree(name_);
        name_ = nullptr;
        return true;
    }
    iconv_t cd = iconv_open(WIDE_NAME, name);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    char* copy = ramAllocStr(name);
    if (!copy)
        return false;
    ramFree(name_);
    name_ = copy;
    asciiAsItself_ = checkAscii();
    return true;
}

bool VxCharset::checkAscii() const {
    char ascii[127];
    for (int i = 0; i < 127; ++i)
        ascii[i] = static_cast<char>(i + 1);
    char16_t* wide = nullptr;
    std::size_t units = 0;
    if (toWide(ascii, sizeof ascii, &wide, &units) != VX_SUCCESS)
        return false;
    bool same = units == sizeof ascii;
    for (std::size_t i = 0; same && i < units; ++i)
        same = wide[i] == static_cast<char16_t>(i + 1);
    ramFree(wide);
    return same;
}

VxStatus VxCharset::toWide(const char* text, std::size_t length, char16_t** wide,
                           std::size_t* units) const {
    if (!name_)
        return utf8ToWide(text, length, wide, units);
    static const char16_t REPLACEMENT = 0xFFFD;
    char* result = nullptr;
    std::size_t bytes = 0;
    if (convertAll(WIDE_NAME, name_, InputKind::NARROW, text, length, &REPLACEMENT,
                   sizeof REPLACEMENT, sizeof(char16_t), &result, &bytes) != VX_SUCCESS)
        return VX_ERROR;
    *wide = reinterpret_cast<char16_t*>(result);
    *units = bytes / sizeof(char16_t);
    return VX_SUCCESS;
}

VxStatus VxCharset::toNarrow(const char16_t* wide, std::size_t units, char** text,
                             std::size_t* length) const {
    if (!name_)
        return wideToUtf8(wide, units, text, length);
    return convertAll(name_, WIDE_NAME, InputKind::WIDE, reinterpret_cast<const char*>(wide),
                      units * sizeof(char16_t), "?", 1, 1, text, length);
}

VxStatus VxCharset::toUtf8(const char* text, std::size_t length, char** utf8,
                           std::size_t* utf8Length) const {
    if (!name_) {
        // Already UTF-8: only bytes that start no character change.
        char* out = static_cast<char*>(ramAlloc(length * 3 + 1));
        if (!out)
            return VX_ERROR;
        std::size_t pos = 0;
        for (std::size_t at = 0; at < length;) {
            unsigned long code;
            std::size_t bytes = utf8CharBytes(text + at, length - at, &code);
            if (code == 0xFFFD && bytes == 1)
                utf8Put(code, out, &pos);
            else
                std::memcpy(out + pos, text + at, bytes), pos += bytes;
            at += bytes;
        }
        out[pos] = 0;
        *utf8 = out;
        *utf8Length = pos;
        return VX_SUCCESS;
    }
    static const char REPLACEMENT[] = "\xEF\xBF\xBD";
    return convertAll("UTF-8", name_, InputKind::NARROW, text, length, REPLACEMENT, 3, 1, utf8,
                      utf8Length);
}
