// VxToken: one token found by VxScanner.
//
// A token is a view (pointer, length) into the scanned text, the offset of
// its first byte from the start of that text, and its kind. The kinds 0 to
// 12 are fixed (VxTokenKind); any other kind is an operator: the code of a
// single character, or first * 256 + second for a two-character operator
// (see vxOperatorKind). The NUL operator therefore has kind 0, like an
// empty token, and is told apart by its length of 1.
#pragma once

#include <cstdint>

#include "util/VxSubString.h"

enum VxTokenKind : std::int32_t {
    VX_TOKEN_EMPTY = 0,        // empty delimited value, or a token set by position
    VX_TOKEN_END = 1,          // end of input: empty, positioned at the end
    VX_TOKEN_WORD = 2,         // letter or "_" then letters, digits, "_"
    VX_TOKEN_QUOTED = 3,       // quoted text or group, delimiters included
    VX_TOKEN_UNTERMINATED = 4, // quoted text or group running to the end of input
    VX_TOKEN_NUMBER = 5,       // digits (and a period, unless at the end of input)
    VX_TOKEN_BLANK_WORD = 6,   // blank-delimited word (SEARCH_BLANK_WORDS)
    VX_TOKEN_IDENTIFIER = 7,   // identifier that may contain "#" and "$" (SEARCH_IDENTIFIERS)
    VX_TOKEN_VALUE = 8,        // delimited value (getDelimitedToken)
    VX_TOKEN_DECIMAL = 9,      // number with a period reaching the end of input
    VX_TOKEN_OTHER = 10,       // a character that is not in the operator table
    VX_TOKEN_COMMENT = 11,     // "--" to the end of the line, or "/*" through "*/"
    VX_TOKEN_OUTER_JOIN = 12,  // "(+)"
};

// The kind of the operator `first` or, when `second` is not NUL, of the
// two-character operator `first second`.
constexpr std::int32_t vxOperatorKind(char first, char second = 0) {
    return second ? static_cast<unsigned char>(first) * 256 + static_cast<unsigned char>(second)
                  : static_cast<unsigned char>(first);
}

class VX_EXPORT VxToken : public VxSubString {
public:
    VxToken() = default;

    std::int32_t getKind() const { return kind_; }
    void setKind(std::int32_t kind) { kind_ = kind; }
    // Offset of the first byte from the start of the scanned text.
    std::uint32_t getPosition() const { return position_; }
    void setPosition(std::uint32_t position) { position_ = position; }
    // Offset just past the last byte.
    std::uint32_t getEnd() const { return position_ + length_; }

    // Points the token at `length` bytes at `position` of `text` (the start
    // of the scanned text) with the given kind.
    void setToken(const char* text, std::uint32_t position, std::uint32_t length,
                  std::int32_t kind) {
        set(text + position, length);
        position_ = position;
        kind_ = kind;
    }

    bool isEnd() const { return kind_ == VX_TOKEN_END; }
    // Whether the token is the one-character operator `c` (NUL included).
    bool isOperator(char c) const { return length_ == 1 && ptr_[0] == c; }
    // Whether the token is the two-character operator `first second`.
    bool isOperator(char first, char second) const {
        return length_ == 2 && ptr_[0] == first && ptr_[1] == second;
    }

private:
    std::int32_t kind_ = VX_TOKEN_EMPTY;
    std::uint32_t position_ = 0;
};
