// Output and input string descriptors.
#include "base/BaseOutString.h"

#include <climits>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseWideText.h"
#include "util/VxUtf8.h"
#include "util/but.h"

namespace {

// One character of UTF-8 text: its code point and byte count. A byte that
// does not start a valid sequence is U+FFFD.
unsigned long decodeChar(const unsigned char* text, SQLLEN length, int* bytes) {
    unsigned long code = text[0];
    if (code < 0x80) {
        *bytes = 1;
        return code;
    }
    *bytes = static_cast<int>(utf8CharBytes(reinterpret_cast<const char*>(text),
                                            static_cast<std::size_t>(length), &code));
    return code;
}

// The application's buffer need not be aligned for its wide characters.
void putUnit(void* buffer, SQLLEN index, unsigned long unit) {
    basePutWide(buffer, index, unit);
}

SQLLEN charBytes(bool wide) {
    return wide ? static_cast<SQLLEN>(baseWideUnit()) : 1;
}

bool isAscii(const unsigned char* text, SQLLEN length) {
    unsigned char any = 0;
    for (SQLLEN i = 0; i < length; ++i)
        any |= text[i];
    return any < 0x80;
}

} // namespace

void BaseOutString::setBuffer(void* buffer, SQLLEN size) {
    buffer_ = buffer;
    size_ = size > 0 ? size : 0;
}

void BaseOutString::setLength(SQLLEN length) {
    if (length_)
        *length_ = length;
    if (shortLength_)
        *shortLength_ = static_cast<SQLSMALLINT>(length > SHRT_MAX ? SHRT_MAX : length);
}

void BaseOutString::raiseTruncation() const {
    if (truncationMessage_)
        addOdbcWarning(ODBC_01004, truncationMessage_);
    else
        addOdbcWarning(ODBC_01004);
}

void BaseOutString::setCoverage(SQLLEN sourceUsed, bool cut) {
    sourceUsed_ = sourceUsed;
    cut_ = cut;
}

SQLLEN BaseOutString::getCharRoom() const {
    if (!buffer_)
        return -1;
    SQLLEN room = size_ / charBytes(wide_) - 1;
    return room > 0 ? room : 0;
}

VxStatus BaseOutString::setStrValue(const char* text) {
    return setValue(text, text ? static_cast<SQLLEN>(std::strlen(text)) : 0, true);
}

VxStatus BaseOutString::setValue(const void* value, SQLLEN length, bool terminate) {
    return copyValue(value, length, terminate, false);
}

VxStatus BaseOutString::setValueHuge(const void* value, SQLLEN length, bool terminate) {
    return copyValue(value, length, terminate, true);
}

VxStatus BaseOutString::copyValue(const void* value, SQLLEN length, bool terminate, bool huge) {
    if (length < 0 || !value)
        length = 0;
    if (wide_)
        return setWideValue(static_cast<const unsigned char*>(value), length, terminate);
    setLength(length);
    sourceUsed_ = length;
    cut_ = false;
    if (!buffer_)
        return VX_SUCCESS;
    SQLLEN terminator = terminate ? 1 : 0;
    SQLLEN copied = length;
    if (size_ < length + terminator) {
        raiseTruncation();
        cut_ = true;
        copied = size_ > terminator ? size_ - terminator : 0;
    }
    if (copied > 0) {
        if (huge)
            memCopyHuge(buffer_, value, static_cast<std::size_t>(copied));
        else
            std::memcpy(buffer_, value, static_cast<std::size_t>(copied));
    }
    if (terminate && size_ > 0)
        static_cast<char*>(buffer_)[copied] = 0;
    sourceUsed_ = copied;
    return VX_SUCCESS;
}

VxStatus BaseOutString::setWideValue(const unsigned char* text, SQLLEN length, bool terminate) {
    if (isAscii(text, length))
        return setAsciiWideValue(text, length, terminate);
    SQLLEN units = 0;
    for (SQLLEN pos = 0; pos < length;) {
        int bytes;
        units += baseWideUnitsOf(decodeChar(text + pos, length - pos, &bytes));
        pos += bytes;
    }
    SQLLEN unit = charBytes(true);
    setLength(units * unit);
    sourceUsed_ = length;
    cut_ = false;
    if (!buffer_)
        return VX_SUCCESS;
    SQLLEN room = size_ / unit - (terminate ? 1 : 0);
    SQLLEN written = 0, pos = 0;
    while (pos < length) {
        int bytes;
        unsigned long code = decodeChar(text + pos, length - pos, &bytes);
        if (written + baseWideUnitsOf(code) > room)
            break;
        written += basePutWideChar(buffer_, written, code);
        pos += bytes;
    }
    if (pos < length) {
        raiseTruncation();
        cut_ = true;
    }
    if (terminate && size_ >= unit)
        putUnit(buffer_, written, 0);
    sourceUsed_ = pos;
    return VX_SUCCESS;
}

// Text of one byte per character: one wide unit each.
VxStatus BaseOutString::setAsciiWideValue(const unsigned char* text, SQLLEN length,
                                          bool terminate) {
    SQLLEN unit = charBytes(true);
    setLength(length * unit);
    sourceUsed_ = length;
    cut_ = false;
    if (!buffer_)
        return VX_SUCCESS;
    SQLLEN room = size_ / unit - (terminate ? 1 : 0);
    SQLLEN count = length < room ? length : (room > 0 ? room : 0);
    char* at = static_cast<char*>(buffer_);
    if (unit == 2) {
        for (SQLLEN i = 0; i < count; ++i) {
            char16_t value = text[i];
            std::memcpy(at + 2 * i, &value, 2);
        }
    } else {
        for (SQLLEN i = 0; i < count; ++i)
            putUnit(buffer_, i, text[i]);
    }
    if (count < length) {
        raiseTruncation();
        cut_ = true;
    }
    if (terminate && size_ >= unit)
        putUnit(buffer_, count, 0);
    sourceUsed_ = count;
    return VX_SUCCESS;
}

void BaseOutString::finishAsciiText(SQLLEN written, SQLLEN fullChars, SQLLEN sourceUsed, bool cut) {
    setLength(fullChars * charBytes(wide_));
    sourceUsed_ = sourceUsed;
    cut_ = cut;
    if (!buffer_ || size_ == 0)
        return;
    if (!wide_) {
        if (written < size_)
            static_cast<char*>(buffer_)[written] = 0;
        return;
    }
    if (size_ < charBytes(true))
        return;
    const auto* narrow = static_cast<const unsigned char*>(buffer_);
    for (SQLLEN i = written; i-- > 0;) // from the end: the wide text overlaps the narrow
        putUnit(buffer_, i, narrow[i]);
    putUnit(buffer_, written, 0);
}

VxStatus BaseOutString::setNull() {
    if (!hasLengthPointer()) {
        addOdbcError(ODBC_22002);
        return VX_ERROR;
    }
    setLength(SQL_NULL_DATA);
    sourceUsed_ = 0;
    cut_ = false;
    if (buffer_ && size_ >= charBytes(wide_))
        std::memset(buffer_, 0, static_cast<std::size_t>(charBytes(wide_)));
    return VX_SUCCESS;
}

SQLLEN BaseInString::getLength() const {
    if (!text_)
        return 0;
    if (length_ == SQL_NTS)
        return static_cast<SQLLEN>(std::strlen(text_));
    return length_ > 0 ? length_ : 0;
}

VxStatus BaseInString::validate() const {
    if (length_ < 0 && length_ != SQL_NTS) {
        addOdbcError(ODBC_S1090);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}
