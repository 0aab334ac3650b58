// VxCharset: conversion of text between UTF-16 and a narrow character set.
//
// The narrow set is UTF-8 until select() names another one the system's
// converter (iconv) knows: "CP1252", "ISO-8859-1", "CP437" ... UTF-16 text
// is in 16-bit units of the host's byte order.
//
// Conversions never give up on data and never cut it short:
//   - narrow to UTF-16: a byte (or an incomplete sequence at the end) that
//     is not valid in the narrow set becomes U+FFFD, and conversion goes on
//     with the next byte;
//   - UTF-16 to narrow: a character the narrow set lacks becomes '?', an
//     unpaired surrogate becomes U+FFFD in UTF-8 ('?' in other sets).
// Results are new blocks from ramAlloc, owned by the caller (ramFree) and
// followed by a zero terminator that the counts do not include. The only
// failure is running out of memory, recorded by the allocator. A selected
// set may be used by several threads at once.
#pragma once

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"

class VX_EXPORT VxCharset {
public:
    VxCharset() = default;
    VxCharset(const VxCharset&) = delete;
    VxCharset& operator=(const VxCharset&) = delete;
    ~VxCharset();

    // Selects the narrow set: null, "" or any spelling of UTF-8 select
    // UTF-8. False, leaving the selection as it was, when the converter
    // does not know the name (or memory ran out, which is recorded).
    bool select(const char* name);
    bool isUtf8() const { return name_ == nullptr; }
    // Whether the bytes 1-127 are the ASCII characters in this set, as in
    // UTF-8 and the usual code pages.
    bool readsAsciiAsItself() const { return name_ == nullptr || asciiAsItself_; }
    // The selected set's name as given ("UTF-8" by default).
    const char* getName() const { return name_ ? name_ : "UTF-8"; }

    VxStatus toWide(const char* text, std::size_t length, char16_t** wide,
                    std::size_t* units) const;
    VxStatus toNarrow(const char16_t* wide, std::size_t units, char** text,
                      std::size_t* length) const;
    // Narrow text of this set as UTF-8 (invalid bytes become U+FFFD).
    VxStatus toUtf8(const char* text, std::size_t length, char** utf8,
                    std::size_t* utf8Length) const;

private:
    bool checkAscii() const;

    char* name_ = nullptr;
    bool asciiAsItself_ = false;
};
