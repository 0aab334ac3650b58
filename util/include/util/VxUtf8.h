// UTF-8 text measured in characters: where sequences start and end, so that
// text is counted and cut in whole characters.
//
// A character is one well-formed UTF-8 sequence (shortest form, at most
// U+10FFFF, no surrogates). Any byte that does not start a well-formed
// sequence within the given length counts as one character of its own, so
// every function accepts any bytes and never reads past `length`.
#pragma once

#include <cstddef>

#include "util/VxExport.h"

// The byte count of the character at `text` (1 to 4; 0 when length is 0);
// *code receives its code point, or 0xFFFD for a byte that starts no
// well-formed sequence. `code` may be null.
VX_EXPORT std::size_t utf8CharBytes(const char* text, std::size_t length,
                                    unsigned long* code = nullptr);
// The number of characters in `length` bytes.
VX_EXPORT std::size_t utf8CharCount(const char* text, std::size_t length);
// The byte offset of character `chars` (0-based), or `length` when the text
// has no more characters than that.
VX_EXPORT std::size_t utf8CharOffset(const char* text, std::size_t length, std::size_t chars);
// The longest prefix of at most `maxBytes` bytes that ends on a character
// boundary.
VX_EXPORT std::size_t utf8CutPoint(const char* text, std::size_t length, std::size_t maxBytes);
// `length` less an incomplete sequence at the very end (the start of a
// character that was cut), so that cut text ends on a whole character.
VX_EXPORT std::size_t utf8CompleteLength(const char* text, std::size_t length);
// Appends the UTF-8 form of `code` at out[*pos] (room for 4 bytes needed).
VX_EXPORT void utf8Put(unsigned long code, char* out, std::size_t* pos);
