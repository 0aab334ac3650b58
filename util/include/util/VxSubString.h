// VxSubString: a view (pointer, length) into bytes owned elsewhere.
//
// As a container key it orders case-insensitively: compare() is
// strCompareCi over the two views, shorter first on a common prefix, and
// hash() sums the upper-cased values of the first five bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxObject.h"
#include "util/VxStatus.h"

class VxArray;
class VxString;

class VX_EXPORT VxSubString : public VxObject {
public:
    VxSubString() = default;
    VxSubString(const char* text, std::size_t length)
        : ptr_(const_cast<char*>(text)), length_(static_cast<std::uint32_t>(length)) {}
    explicit VxSubString(const char* text);

    const char* data() const { return ptr_; }
    std::uint32_t length() const { return length_; }
    bool isEmpty() const { return length_ == 0; }
    void set(const char* text, std::size_t length) {
        ptr_ = const_cast<char*>(text);
        length_ = static_cast<std::uint32_t>(length);
    }

    short compare(const VxObject& other) const override;
    unsigned long hash() const;

    // Position of the first `c` at or after `from`; the length when absent.
    std::uint32_t findChar(char c, std::uint32_t from = 0) const;
    // Position of the first occurrence of `text` (NUL-terminated, or
    // `textLength` bytes) at or after `from`; the length when absent. An
    // empty text is found at `from`.
    std::uint32_t findSubString(const char* text, std::uint32_t from = 0) const;
    std::uint32_t findSubString(const char* text, std::size_t textLength, std::uint32_t from) const;
    std::uint32_t countChar(char c) const;
    // Position of the first text of `list` equal to this sub-string
    // (byte for byte, or without regard to case); `count` when none is.
    std::uint16_t indexInSet(const char* const* list, std::uint16_t count) const;
    std::uint16_t indexInSetCi(const char* const* list, std::uint16_t count) const;
    // Drops trailing blanks from the view.
    void rightBlankTrim();
    // Whether the view is enclosed in `quote`, or, when `quote` is 0, in
    // apostrophes or double quotes; `quote` then receives the character.
    bool isQuoted(char& quote) const;

    // NUL-terminated copies from ramAlloc, to be freed with ramFree.
    // getCopyUnquoted removes enclosing apostrophes or double quotes and
    // undoubles the inner ones (a view that is not quoted is copied as it
    // is); getCopyQuoted encloses the text in apostrophes, doubling inner
    // ones.
    [[nodiscard]] VxStatus getCopyUnquoted(char*& copy) const;
    [[nodiscard]] VxStatus getCopyQuoted(char*& copy) const;
    // Makes `target` the text enclosed in `quote` with inner quotes doubled.
    [[nodiscard]] VxStatus copyQuotedStr(VxString& target, char quote = '\'') const;
    // Appends to `lines` one new VxSubString per line of the view, split at
    // CR LF (the pair belongs to no line; a last line without one is kept
    // when it is not empty). `lines` must own its elements.
    [[nodiscard]] VxStatus getLines(VxArray& lines) const;

protected:
    char* ptr_ = nullptr;
    std::uint32_t length_ = 0;
};
