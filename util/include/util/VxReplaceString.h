// VxReplaceString: a cursor that rewrites a VxString in place while
// reading it.
//
// While the cursor is bound, the string's buffer holds three parts:
//
//     [ output written so far | gap | unread rest ][NUL room]
//     0                        out                 capacity - 1
//
// The cursor itself is a view of the unread rest. keep() moves bytes from
// the rest to the output, skip() drops them, addBytes() and addQuotedBytes()
// write new output. When the gap is too small for a write, the string grows
// by the missing length plus VX_REPLACE_GROWTH bytes (message 2716 past the
// string limit, the text intact) and the rest moves to the new back.
// finish(), or destroying the cursor, joins output and rest into the
// string's text and shrinks its buffer to fit. The string must outlive the
// cursor and must not be used otherwise while the cursor is bound.
#pragma once

#include "util/VxString.h"

constexpr std::uint32_t VX_REPLACE_GROWTH = 512;

class VX_EXPORT VxReplaceString : public VxSubString {
public:
    VxReplaceString() = default;
    VxReplaceString(const VxReplaceString&) = delete;
    VxReplaceString& operator=(const VxReplaceString&) = delete;
    ~VxReplaceString() override;

    // Binds the cursor to `target`: no output yet, the whole text unread.
    // A string on a borrowed buffer can be rewritten within its capacity.
    VxStatus initialize(VxString& target);
    // Joins output and rest, shrinks the buffer and unbinds the cursor.
    void finish();

    bool isBound() const { return target_ != nullptr; }
    std::uint32_t getOutputLength() const { return outLength_; }
    const char* getOutput() const { return target_ ? target_->getBuffer() : nullptr; }

    // Moves the next `count` unread bytes (at most the rest) to the output.
    void keep(std::uint32_t count);
    // Drops the next `count` unread bytes (at most the rest).
    void skip(std::uint32_t count);
    // `text` may be a part of the unread rest.
    VxStatus addBytes(const char* text, std::size_t length);
    VxStatus addBytes(const char* text);
    // Writes `text` enclosed in `quote`, doubling the quotes inside.
    VxStatus addQuotedBytes(const char* text, std::size_t length, char quote = '\'');

private:
    // Makes the gap at least `needed` bytes wide.
    VxStatus makeRoom(std::size_t needed);
    std::uint32_t gap() const {
        return static_cast<std::uint32_t>(ptr_ - target_->getBuffer()) - outLength_;
    }

    VxString* target_ = nullptr;
    std::uint32_t outLength_ = 0;
};
