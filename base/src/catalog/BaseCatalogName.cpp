// BaseCatalogName: one name argument of a catalog function, as a pattern
// and as an exact name, and matching values against it.
#include <cctype>
#include <cstring>

#include "base/BaseCatalogInfo.h"
#include "base/BaseErrors.h"
#include "util/ram.h"

namespace {

bool sameChar(char a, char b, bool ignoreCase) {
    if (!ignoreCase)
        return a == b;
    return std::toupper(static_cast<unsigned char>(a)) ==
           std::toupper(static_cast<unsigned char>(b));
}

// LIKE matching: "%" any run of characters, "_" any one, the escape
// character taking the next one literally. Greedy, going back only to the
// last "%", so the time is bounded by the product of the lengths.
bool likeMatch(const char* pattern, const char* value, char escape, bool ignoreCase) {
    const char* starPattern = nullptr;
    const char* starValue = nullptr;
    while (*value) {
        if (*pattern == '%') {
            while (*pattern == '%')
                ++pattern;
            if (!*pattern)
                return true;
            starPattern = pattern;
            starValue = value;
            continue;
        }
        bool same = false;
        const char* next = pattern;
        if (*pattern == '_') {
            same = true;
            next = pattern + 1;
        } else if (*pattern) {
            char c = *pattern;
            next = pattern + 1;
            if (escape && c == escape && pattern[1]) {
                c = pattern[1];
                next = pattern + 2;
            }
            same = sameChar(c, *value, ignoreCase);
        }
        if (same) {
            pattern = next;
            ++value;
            continue;
        }
        if (!starPattern)
            return false;
        pattern = starPattern;
        value = ++starValue;
    }
    while (*pattern == '%')
        ++pattern;
    return *pattern == 0;
}

} // namespace

BaseCatalogName::~BaseCatalogName() {
    ramFree(pattern_);
    ramFree(name_);
}

// Quoted parts lose their enclosing quote characters (a doubled quote
// inside stands for one); the exact name also loses the escape characters.
VxStatus BaseCatalogName::set(const SQLCHAR* text, SQLSMALLINT length, char quote, char escape) {
    ramFree(pattern_);
    ramFree(name_);
    pattern_ = name_ = nullptr;
    given_ = false;
    exact_ = false;
    escape_ = escape;
    if (!text)
        return VX_SUCCESS;
    if (length < 0 && length != SQL_NTS) {
        addOdbcError(ODBC_S1090);
        return VX_ERROR;
    }
    const char* source = reinterpret_cast<const char*>(text);
    std::size_t size = length == SQL_NTS ? std::strlen(source) : static_cast<std::size_t>(length);
    pattern_ = static_cast<char*>(ramAlloc(size + 1));
    name_ = static_cast<char*>(ramAlloc(size + 1));
    if (!pattern_ || !name_)
        return VX_ERROR;
    bool quoting = quote != 0 && quote != ' ';
    bool inQuotes = false;
    std::size_t out = 0;
    for (std::size_t i = 0; i < size; ++i) {
        char c = source[i];
        if (quoting && c == quote) {
            if (inQuotes && i + 1 < size && source[i + 1] == quote) {
                pattern_[out++] = quote;
                ++i;
            } else {
                inQuotes = !inQuotes;
            }
            continue;
        }
        pattern_[out++] = c;
    }
    pattern_[out] = 0;
    std::size_t exact = 0;
    for (std::size_t i = 0; i < out; ++i) {
        if (escape && pattern_[i] == escape && i + 1 < out)
            ++i;
        name_[exact++] = pattern_[i];
    }
    name_[exact] = 0;
    given_ = true;
    return VX_SUCCESS;
}

VxStatus BaseCatalogName::copyFrom(const BaseCatalogName& other) {
    ramFree(pattern_);
    ramFree(name_);
    pattern_ = name_ = nullptr;
    given_ = false;
    escape_ = other.escape_;
    exact_ = other.exact_;
    if (!other.given_)
        return VX_SUCCESS;
    pattern_ = ramAllocStr(other.pattern_);
    name_ = ramAllocStr(other.name_);
    if (!pattern_ || !name_)
        return VX_ERROR;
    given_ = true;
    return VX_SUCCESS;
}

VxStatus BaseCatalogName::setExact(const char* text) {
    ramFree(pattern_);
    ramFree(name_);
    pattern_ = name_ = nullptr;
    escape_ = 0;
    given_ = false;
    exact_ = true;
    if (!text)
        return VX_SUCCESS;
    pattern_ = ramAllocStr(text);
    name_ = ramAllocStr(text);
    if (!pattern_ || !name_)
        return VX_ERROR;
    given_ = true;
    return VX_SUCCESS;
}

bool BaseCatalogName::hasWildcards() const {
    if (!given_ || exact_)
        return false;
    for (const char* p = pattern_; *p; ++p) {
        if (escape_ && *p == escape_ && p[1]) {
            ++p;
            continue;
        }
        if (*p == '%' || *p == '_')
            return true;
    }
    return false;
}

bool BaseCatalogName::matches(const char* value, bool ignoreCase) const {
    if (exact_)
        return equals(value, ignoreCase);
    if (isAny())
        return true;
    return likeMatch(pattern_, value ? value : "", escape_, ignoreCase);
}

bool BaseCatalogName::equals(const char* value, bool ignoreCase) const {
    if (!given_)
        return true;
    const char* a = name_;
    const char* b = value ? value : "";
    for (; *a && *b; ++a, ++b)
        if (!sameChar(*a, *b, ignoreCase))
            return false;
    return *a == *b;
}
