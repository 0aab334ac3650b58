// Text functions: character classes, bounded and quoting copies, search,
// comparisons, trimming, LIKE pattern matching and a few flag helpers.
//
// Text is bytes. Every byte is a character of its own (there are no
// double-byte characters), and case mapping is ASCII only, so results never
// depend on the process locale. Counted forms take a pointer and a length
// and do not need a NUL; the other forms take NUL-terminated texts.
// Comparisons return -1, 0 or 1. All functions are reentrant.
#pragma once

#include <cstddef>

#include "util/VxExport.h"

// ---- Character classes ------------------------------------------------------

// Letters: A-Z and a-z.
inline bool vxIsAlpha(unsigned char c) {
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
}
inline bool vxIsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
// White space: blank, tab, line feed, vertical tab, form feed, carriage return.
inline bool vxIsWhiteSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline unsigned char vxToUpper(unsigned char c) {
    return c >= 'a' && c <= 'z' ? c - 0x20 : c;
}
inline unsigned char vxToLower(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? c + 0x20 : c;
}

// ---- Copies -----------------------------------------------------------------

// Copies at most size - 1 bytes of src and always a NUL (nothing when size
// is 0); returns the position of the NUL in dst.
VX_EXPORT char* strCopy(char* dst, std::size_t size, const char* src);
// Copies exactly `length` bytes and a NUL; returns the position of the NUL.
VX_EXPORT char* strCopy(char* dst, const char* src, std::size_t length);
// Writes quote, the text with every quote character doubled, quote and a
// NUL; returns the position of the NUL. dst needs 2 * length + 3 bytes.
VX_EXPORT char* strCopyQuoted(char* dst, const char* src, char quote);
VX_EXPORT char* strCopyQuoted(char* dst, const char* src, std::size_t length, char quote);
// strCopyQuoted at the end of dst's text.
VX_EXPORT char* strCatQuoted(char* dst, const char* src, char quote);
// src's first byte is its quote character: copies the bytes between the
// first and the last one, a doubled quote character becoming one, and a NUL.
// Returns the position of the NUL.
VX_EXPORT char* strCopyUnquoted(char* dst, const char* src);
VX_EXPORT char* strCopyUnquoted(char* dst, const char* src, std::size_t length);
// Removes the enclosing quotes in place when the text is at least 2 bytes,
// starts and ends with `quote`, and every quote character inside is doubled
// (a doubled pair may not use the closing quote); halves the doubled ones
// and writes a NUL after the result. Otherwise the text is left unchanged.
// Returns the new length.
VX_EXPORT std::size_t strRemoveQuotes(char* text, char quote);
VX_EXPORT std::size_t strRemoveQuotes(char* text, std::size_t length, char quote);

// ---- Search -----------------------------------------------------------------

// First or last occurrence of c, or null.
VX_EXPORT const char* strFind(const char* text, char c);
VX_EXPORT const char* strFindReverse(const char* text, char c);
// First occurrence of sub, or null; an empty sub, or one longer than the
// text, is never found.
VX_EXPORT const char* strFind(const char* text, const char* sub);
VX_EXPORT const char* strFind(const char* text, std::size_t length, const char* sub,
                              std::size_t subLength);
// First `target` outside quoted stretches, or null. A stretch opens at any
// of the three quote characters (0 stands for none) and closes at the next
// occurrence of the same one.
VX_EXPORT const char* strFind(const char* text, char target, char quote1, char quote2, char quote3);

inline char* strFind(char* text, char c) {
    return const_cast<char*>(strFind(static_cast<const char*>(text), c));
}
inline char* strFindReverse(char* text, char c) {
    return const_cast<char*>(strFindReverse(static_cast<const char*>(text), c));
}
inline char* strFind(char* text, const char* sub) {
    return const_cast<char*>(strFind(static_cast<const char*>(text), sub));
}

// Classes of strContains and strDoesNotContain.
constexpr unsigned STR_CLASS_LOWER = 0x1;
constexpr unsigned STR_CLASS_UPPER = 0x2;
constexpr unsigned STR_CLASS_DIGIT = 0x4;

// True when every character is in `set` (may be null) or in a selected class.
VX_EXPORT bool strContains(const char* text, std::size_t length, const char* set, unsigned classes);
// True when no character is in `set` (may be null) or in a selected class.
VX_EXPORT bool strDoesNotContain(const char* text, std::size_t length, const char* set,
                                 unsigned classes);

// ---- Comparison -------------------------------------------------------------

// Equality ignoring case; different lengths are unequal.
VX_EXPORT bool strEqualCi(const char* a, const char* b);
VX_EXPORT bool strEqualCi(const char* a, std::size_t aLength, const char* b, std::size_t bLength);
// Unsigned byte order; on a common prefix the shorter text is less.
VX_EXPORT int strCompare(const char* a, std::size_t aLength, const char* b, std::size_t bLength);
// Order of the upper-cased bytes; on a common prefix the shorter is less.
VX_EXPORT int strCompareCi(const char* a, const char* b);
VX_EXPORT int strCompareCi(const char* a, std::size_t aLength, const char* b, std::size_t bLength);
// International order, the same on every machine: texts compare by their
// lower-cased bytes first (so punctuation sorts before letters and "apple"
// before "Banana"); texts equal but for case then compare byte by byte with
// lower case first ("abc" < "Abc" < "ABC"); on a common prefix the shorter
// is less.
VX_EXPORT int strCompareIntl(const char* a, const char* b);
VX_EXPORT int strCompareIntl(const char* a, std::size_t aLength, const char* b,
                             std::size_t bLength);
// Compares as if the shorter text were padded with blanks.
VX_EXPORT int strComparePad(const char* a, const char* b);
// Unsigned comparison of at most `max` bytes, stopping at a NUL.
VX_EXPORT int strCompareWithMaxLength(const char* a, const char* b, std::size_t max);
// Compares two 8-byte IEEE doubles given as little-endian bytes by their
// bit patterns: a negative sign is less (-0 < +0), then the magnitude bytes
// from the most significant. NaN patterns are ordered like any others.
VX_EXPORT int floatCompare(const void* a, const void* b);

// ---- Trimming ---------------------------------------------------------------

// Removes trailing white space in place; returns the new length.
VX_EXPORT std::size_t strRightTrim(char* text);
// The length without trailing white space.
VX_EXPORT std::size_t strRightTrim(const char* text, std::size_t length);
// The same for blanks (0x20) only.
VX_EXPORT std::size_t strRightTrimBlanks(char* text);
VX_EXPORT std::size_t strRightTrimBlanks(const char* text, std::size_t length);

// ---- Pattern match and flags ------------------------------------------------

// Matches text against a LIKE pattern: `anyMany` matches any run of
// characters, `anyOne` one character, and `escape` (0: none) makes the
// next pattern character literal. With exactCase clear letters match
// regardless of case; unless keepTrailing is set, trailing white space of
// text and pattern is ignored.
VX_EXPORT bool strLike(const char* text, const char* pattern, char anyMany, char anyOne,
                       char escape, bool exactCase, bool keepTrailing);
VX_EXPORT bool strLike(const char* text, std::size_t textLength, const char* pattern,
                       std::size_t patternLength, char anyMany, char anyOne, char escape,
                       bool exactCase, bool keepTrailing);

// True when the text starts with "1", "T" or "t", or with "ON" in any case.
VX_EXPORT bool isTrueStr(const char* text);

// ---- Scrambling -------------------------------------------------------------

// Scrambles in place. Method 1 complements every byte; method 2 every byte
// but carriage return and line feed; other methods change nothing. The key
// is not used. Applying the same method twice restores the text, except
// that method 2 turns the bytes 0xF2 and 0xF5 into carriage return and line
// feed for good: the format keeps line ends readable at that price.
VX_EXPORT void encrypt(void* buffer, std::size_t length, int method, const char* key);
VX_EXPORT void decrypt(void* buffer, std::size_t length, int method, const char* key);
