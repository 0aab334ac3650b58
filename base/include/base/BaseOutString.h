// BaseOutString: where the framework puts a string or byte result for the
// application (a buffer, its size, and a 16-bit or SQLLEN length pointer);
// BaseInString: a text the application passes in.
//
// Output rules (setValue and its variants):
//   - every length pointer given receives the full length of the value,
//     in bytes (a 16-bit pointer at most 32767);
//   - with no buffer nothing else happens;
//   - when the value and its terminator do not fit, the warning 01004 is
//     raised, as much of the value as fits is copied and then terminated
//     (nothing at all when the size is 0);
//   - otherwise the whole value is copied (and terminated when asked).
// setNull writes SQL_NULL_DATA to the length pointers (22002 when there is
// none) and an empty string when the buffer has room.
//
// In wide mode (SQL_C_WCHAR) text is written as 2-byte characters: UTF-8
// sequences become UTF-16 units (a byte that starts no sequence, U+FFFD), the
// terminator is 2 bytes, lengths count bytes, and a character is never
// split.
//
// After each value the descriptor tells how many source bytes the output
// covers and whether the value was cut, so that piecewise retrieval can
// continue where the last piece ended.
#pragma once

#include <sql.h>

#include "util/VxExport.h"
#include "util/VxStatus.h"

class VX_EXPORT BaseOutString {
public:
    BaseOutString() = default;
    BaseOutString(void* buffer, SQLLEN size, SQLLEN* length)
        : buffer_(buffer), size_(size > 0 ? size : 0), length_(length) {}
    BaseOutString(void* buffer, SQLLEN size, SQLSMALLINT* length)
        : buffer_(buffer), size_(size > 0 ? size : 0), shortLength_(length) {}

    void setBuffer(void* buffer, SQLLEN size);
    void setLengthPointer(SQLLEN* length) { length_ = length; }
    void setShortLengthPointer(SQLSMALLINT* length) { shortLength_ = length; }
    void setWide(bool wide) { wide_ = wide; }
    // Message raised with 01004 (0: the SQLSTATE's default text).
    void setTruncationMessage(unsigned short msgId) { truncationMessage_ = msgId; }

    VxStatus setValue(const void* value, SQLLEN length, bool terminate);
    VxStatus setStrValue(const char* text);
    VxStatus setStrValue(const char* text, SQLLEN length) { return setValue(text, length, true); }
    VxStatus setBufValue(const void* value, SQLLEN length) {
        return setValue(value, length, false);
    }
    // The same for values of any size, copied with the large-memory copy.
    VxStatus setValueHuge(const void* value, SQLLEN length, bool terminate);
    VxStatus setNull();
    // Writes `length` to the length pointers only.
    void setLength(SQLLEN length);

    // Characters that fit before the terminator; -1 without a buffer.
    SQLLEN getCharRoom() const;
    // Completes ASCII text that a conversion wrote at the start of the
    // buffer (`written` characters, at most getCharRoom()): widens it in
    // wide mode, terminates it and stores `fullChars` characters as the
    // length.
    void finishAsciiText(SQLLEN written, SQLLEN fullChars, SQLLEN sourceUsed, bool cut);
    // Completes narrow text of `written` bytes that a caller wrote at the
    // start of the buffer, having checked that it fits with its
    // terminator: terminates it and stores its length and coverage.
    void finishFittingText(SQLLEN written, SQLLEN sourceUsed) {
        static_cast<char*>(buffer_)[written] = 0;
        wide_ = false;
        sourceUsed_ = sourceUsed;
        cut_ = false;
        if (shortLength_)
            setLength(written);
        else if (length_)
            *length_ = written;
    }
    // Records what the last value covered (for values written directly).
    void setCoverage(SQLLEN sourceUsed, bool cut);

    void* getBuffer() const { return buffer_; }
    SQLLEN getSize() const { return size_; }
    SQLLEN* getLengthPointer() const { return length_; }
    SQLSMALLINT* getShortLengthPointer() const { return shortLength_; }
    bool isWide() const { return wide_; }
    bool hasLengthPointer() const { return length_ || shortLength_; }
    SQLLEN getSourceUsed() const { return sourceUsed_; }
    bool wasCut() const { return cut_; }
    void raiseTruncation() const;

private:
    VxStatus setWideValue(const unsigned char* text, SQLLEN length, bool terminate);
    VxStatus setAsciiWideValue(const unsigned char* text, SQLLEN length, bool terminate);
    VxStatus copyValue(const void* value, SQLLEN length, bool terminate, bool huge);

    void* buffer_ = nullptr;
    SQLLEN size_ = 0;
    SQLLEN* length_ = nullptr;
    SQLSMALLINT* shortLength_ = nullptr;
    SQLLEN sourceUsed_ = 0;
    unsigned short truncationMessage_ = 0;
    bool wide_ = false;
    bool cut_ = false;
};

class VX_EXPORT BaseInString {
public:
    BaseInString() = default;
    // `length` may be SQL_NTS for a null-terminated text.
    BaseInString(const char* text, SQLLEN length) : text_(text), length_(length) {}

    const char* getText() const { return text_; }
    // The length in bytes, SQL_NTS resolved; 0 for no text.
    SQLLEN getLength() const;
    bool isNull() const { return text_ == nullptr; }
    bool isEmpty() const { return getLength() == 0; }
    // S1090 for a negative length other than SQL_NTS.
    VxStatus validate() const;

private:
    const char* text_ = nullptr;
    SQLLEN length_ = SQL_NTS;
};
