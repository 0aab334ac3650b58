// Copies, quoting, search, character-set tests and trimming of texts.
#include "util/str.h"

#include <cstring>

// ---- Copies -----------------------------------------------------------------

char* strCopy(char* dst, std::size_t size, const char* src) {
    if (size == 0)
        return dst;
    std::size_t length = 0;
    while (length + 1 < size && src[length])
        ++length;
    std::memmove(dst, src, length);
    dst[length] = 0;
    return dst + length;
}

char* strCopy(char* dst, const char* src, std::size_t length) {
    if (length > 0)
        std::memmove(dst, src, length);
    dst[length] = 0;
    return dst + length;
}

char* strCopyQuoted(char* dst, const char* src, char quote) {
    return strCopyQuoted(dst, src, std::strlen(src), quote);
}

char* strCopyQuoted(char* dst, const char* src, std::size_t length, char quote) {
    *dst++ = quote;
    for (std::size_t i = 0; i < length; ++i) {
        if (src[i] == quote)
            *dst++ = quote;
        *dst++ = src[i];
    }
    *dst++ = quote;
    *dst = 0;
    return dst;
}

char* strCatQuoted(char* dst, const char* src, char quote) {
    return strCopyQuoted(dst + std::strlen(dst), src, quote);
}

char* strCopyUnquoted(char* dst, const char* src) {
    return strCopyUnquoted(dst, src, std::strlen(src));
}

char* strCopyUnquoted(char* dst, const char* src, std::size_t length) {
    if (length >= 2) {
        char quote = src[0];
        std::size_t last = length - 1;
        for (std::size_t i = 1; i < last; ++i) {
            *dst++ = src[i];
            if (src[i] == quote && i + 1 < last && src[i + 1] == quote)
                ++i;
        }
    }
    *dst = 0;
    return dst;
}

std::size_t strRemoveQuotes(char* text, char quote) {
    return strRemoveQuotes(text, std::strlen(text), quote);
}

std::size_t strRemoveQuotes(char* text, std::size_t length, char quote) {
    if (length < 2 || text[0] != quote || text[length - 1] != quote)
        return length;
    std::size_t last = length - 1;
    for (std::size_t i = 1; i < last; ++i) {
        if (text[i] != quote)
            continue;
        if (i + 1 >= last || text[i + 1] != quote)
            return length;
        ++i;
    }
    std::size_t out = 0;
    for (std::size_t i = 1; i < last; ++i) {
        text[out++] = text[i];
        if (text[i] == quote)
            ++i;
    }
    text[out] = 0;
    return out;
}

// ---- Search -----------------------------------------------------------------

const char* strFind(const char* text, char c) {
    return std::strchr(text, c);
}

const char* strFindReverse(const char* text, char c) {
    return std::strrchr(text, c);
}

const char* strFind(const char* text, const char* sub) {
    return strFind(text, std::strlen(text), sub, std::strlen(sub));
}

const char* strFind(const char* text, std::size_t length, const char* sub, std::size_t subLength) {
    if (subLength == 0 || subLength > length)
        return nullptr;
    for (std::size_t i = 0; i + subLength <= length; ++i) {
        if (text[i] == sub[0] && std::memcmp(text + i, sub, subLength) == 0)
            return text + i;
    }
    return nullptr;
}

const char* strFind(const char* text, char target, char quote1, char quote2, char quote3) {
    char open = 0;
    for (const char* p = text; *p; ++p) {
        if (open) {
            if (*p == open)
                open = 0;
        } else if (*p == target) {
            return p;
        } else if (*p == quote1 || *p == quote2 || *p == quote3) {
            open = *p;
        }
    }
    return nullptr;
}

// ---- Character sets ---------------------------------------------------------

namespace {
bool inClasses(unsigned char c, const char* set, unsigned classes) {
    if ((classes & STR_CLASS_LOWER) && c >= 'a' && c <= 'z')
        return true;
    if ((classes & STR_CLASS_UPPER) && c >= 'A' && c <= 'Z')
        return true;
    if ((classes & STR_CLASS_DIGIT) && vxIsDigit(c))
        return true;
    return set && c != 0 && std::strchr(set, c);
}
} // namespace

bool strContains(const char* text, std::size_t length, const char* set, unsigned classes) {
    for (std::size_t i = 0; i < length; ++i) {
        if (!inClasses(static_cast<unsigned char>(text[i]), set, classes))
            return false;
    }
    return true;
}

bool strDoesNotContain(const char* text, std::size_t length, const char* set, unsigned classes) {
    for (std::size_t i = 0; i < length; ++i) {
        if (inClasses(static_cast<unsigned char>(text[i]), set, classes))
            return false;
    }
    return true;
}

// ---- Trimming ---------------------------------------------------------------

std::size_t strRightTrim(char* text) {
    std::size_t length = strRightTrim(text, std::strlen(text));
    text[length] = 0;
    return length;
}

std::size_t strRightTrim(const char* text, std::size_t length) {
    while (length > 0 && vxIsWhiteSpace(static_cast<unsigned char>(text[length - 1])))
        --length;
    return length;
}

std::size_t strRightTrimBlanks(char* text) {
    std::size_t length = strRightTrimBlanks(text, std::strlen(text));
    text[length] = 0;
    return length;
}

std::size_t strRightTrimBlanks(const char* text, std::size_t length) {
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return length;
}

// ---- Flags and scrambling ---------------------------------------------------

bool isTrueStr(const char* text) {
    unsigned char first = vxToUpper(static_cast<unsigned char>(text[0]));
    if (first == '1' || first == 'T')
        return true;
    return first == 'O' && vxToUpper(static_cast<unsigned char>(text[1])) == 'N';
}

void encrypt(void* buffer, std::size_t length, int method, const char* key) {
    (void)key;
    auto* bytes = static_cast<unsigned char*>(buffer);
    if (method == 1) {
        for (std::size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<unsigned char>(~bytes[i]);
    } else if (method == 2) {
        for (std::size_t i = 0; i < length; ++i) {
            if (bytes[i] != '\r' && bytes[i] != '\n')
                bytes[i] = static_cast<unsigned char>(~bytes[i]);
        }
    }
}

void decrypt(void* buffer, std::size_t length, int method, const char* key) {
    encrypt(buffer, length, method, key);
}
