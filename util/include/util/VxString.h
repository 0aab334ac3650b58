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
    VxStatus initialize(std::size_t capacity);   // empty text, zero-filled buffer
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

    // Makes room for `extra` more bytes of text (plus the NUL).
    VxStatus reserve(std::size_t extra);

protected:
    std::uint32_t capacity_ = 0;
    bool ownsBuffer_ = false;
};
