// VxString: a growable byte string of at most 65,535 bytes of text.
//
// The buffer always has room for a terminating NUL, written when the text
// is asked for (getText). A string made with initializeWithBuffer uses the
// caller's buffer, does not own it and cannot grow. Growth makes the
// capacity exactly what is needed; a capacity above VX_STRING_MAX_CAPACITY,
// or growing a borrowed buffer, fails with message 2716 and keeps the text.
#pragma once

#include "util/VxStatus.h"
#include "util/VxSubString.h"

constexpr std::uint32_t VX_STRING_MAX_CAPACITY = 65536;

class VX_EXPORT VxString : public VxSubString {
public:
    VxString() = default;
    VxString(const VxString&) = delete;
    VxString& operator=(const VxString&) = delete;
    ~VxString() override;

    // Each initialize frees the old text first.
    VxStatus initialize(const char* text);
    VxStatus initialize(const char* text, std::size_t length);
    VxStatus initialize(std::size_t capacity); // empty text, zero-filled buffer
    void initializeWithBuffer(char* buffer, std::size_t capacity, std::size_t length = 0);
    void unInitialize();

    // NUL-terminated text; "" for a string never initialised.
    const char* getText();
    char* getBuffer() { return ptr_; }
    std::uint32_t getCapacity() const { return capacity_; }
    bool ownsBuffer() const { return ownsBuffer_; }
    // Sets the length after the caller wrote into getBuffer(); must be below the capacity.
    void setLength(std::size_t length) { length_ = static_cast<std::uint32_t>(length); }

    VxStatus concat(char byte);
    VxStatus concat(const char* text);
    VxStatus concat(const char* text, std::size_t length);
    VxStatus concat(const VxSubString& text) { return concat(text.data(), text.length()); }
    VxStatus concat(unsigned long value);
    VxStatus concat(long value);

    // Replaces `oldLength` bytes at `pos` by `newLength` bytes of `text`
    // (a null text deletes).
    VxStatus changeBytes(std::size_t pos, std::size_t oldLength, const char* text,
                         std::size_t newLength);
    // Replaces every occurrence of `target` by `value`, left to right,
    // resuming after each inserted value so it is never searched again.
    VxStatus replaceSubString(const char* target, std::size_t targetLength, const char* value,
                              std::size_t valueLength);

    // Replaces one stretch of this string, given as a view into its text,
    // by `value`; a view that does not lie inside the text changes nothing.
    VxStatus replaceSubString(const VxSubString& part, const char* value, std::size_t valueLength);

    // Encloses the whole text in `quote`, doubling the quotes inside.
    VxStatus addQuotes(char quote = '\'');
    // Undoes addQuotes: when the text is enclosed in `quote` (0: an
    // apostrophe or a double quote), removes the enclosing pair and
    // undoubles the inner quotes. Anything else is left alone.
    void removeQuotes(char quote = 0);
    // Appends `text` enclosed in `quote`, doubling the quotes inside.
    VxStatus addQuotedBytes(const char* text, std::size_t length, char quote = '\'');
    // Appends CR LF pairs until the text ends with `count` of them; pairs
    // already at the end count.
    VxStatus forceEol(std::uint16_t count);
    // Breaks every line longer than `width` with CR LF in place of its last
    // blank within the width (or, when there is none, its first blank
    // after it). Blanks inside a stretch quoted by q1, q2 or q3 (0: unused)
    // never break.
    VxStatus insertLineBreaks(std::uint16_t width, char q1 = 0, char q2 = 0, char q3 = 0);
    // Removes every CR LF outside a stretch quoted by q1, q2 or q3 (0:
    // unused), putting a blank in its place when text follows that does not
    // itself start with CR LF.
    void removeLineBreaks(char q1 = 0, char q2 = 0, char q3 = 0);

    // Makes room for `extra` more bytes of text (plus the NUL).
    VxStatus reserve(std::size_t extra);
    // Shrinks an owned buffer to the text plus its NUL.
    VxStatus shrinkToFit();

protected:
    // Whether `text` points into this string's buffer.
    bool isInBuffer(const char* text) const;

    std::uint32_t capacity_ = 0;
    bool ownsBuffer_ = false;
};
