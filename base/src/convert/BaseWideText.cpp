// Text conversions at the boundary of the Unicode entry points.
#include "base/BaseWideText.h"

#include <climits>
#include <cstring>

#include "base/BaseErrors.h"
#include "util/VxCharset.h"
#include "util/VxError.h"
#include "util/ram.h"

namespace {

std::size_t wideLength(const SQLWCHAR* text) {
    std::size_t units = 0;
    while (text[units])
        ++units;
    return units;
}

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

void BaseWideIn::assign(const VxCharset& charset, const SQLWCHAR* text, SQLINTEGER length) {
    ramFree(text_);
    text_ = nullptr;
    length_ = SQL_NTS;
    failed_ = false;
    if (!text) {
        length_ = length;
        return;
    }
    if (length < 0 && length != SQL_NTS) {
        length_ = length;
        text = nullptr;
    }
    std::size_t units = !text ? 0 : length == SQL_NTS ? wideLength(text) : std::size_t(length);
    std::size_t bytes = 0;
    static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "SQLWCHAR holds UTF-16 units");
    static const char16_t EMPTY[1] = {0};
    const char16_t* units16 = text ? reinterpret_cast<const char16_t*>(text) : EMPTY;
    if (charset.toNarrow(units16, units, &text_, &bytes) != VX_SUCCESS) {
        failed_ = true;
        return;
    }
    if (text)
        length_ = bytes > INT_MAX ? INT_MAX : static_cast<SQLINTEGER>(bytes);
}

BaseWideIn::~BaseWideIn() {
    ramFree(text_);
}

SQLSMALLINT BaseWideIn::shortLength() const {
    if (length_ > SHRT_MAX) // too long to count in 16 bits: the copy is terminated
        return text_ ? static_cast<SQLSMALLINT>(SQL_NTS) : SHRT_MAX;
    return static_cast<SQLSMALLINT>(length_ < SHRT_MIN ? SQL_NTS : length_);
}

BaseWideOut::BaseWideOut(void* buffer, SQLLEN size, bool bytes, std::size_t atLeast)
    : buffer_(buffer), size_(size > 0 ? size : 0), bytes_(bytes) {
    // A UTF-16 unit takes at most 3 bytes of UTF-8, 4 in the widest
    // legacy sets.
    std::size_t units = static_cast<std::size_t>(bytes ? size_ / 2 : size_);
    narrowSize_ = units * 4 + 8;
    if (narrowSize_ < atLeast)
        narrowSize_ = atLeast;
    if (narrowSize_ > SHRT_MAX && atLeast <= SHRT_MAX)
        narrowSize_ = SHRT_MAX;
    narrow_ = static_cast<char*>(ramAllocZ(narrowSize_));
}

BaseWideOut::~BaseWideOut() {
    ramFree(narrow_);
}

SQLSMALLINT BaseWideOut::narrowSize() const {
    return static_cast<SQLSMALLINT>(narrowSize_ > SHRT_MAX ? SHRT_MAX : narrowSize_);
}

SQLINTEGER BaseWideOut::narrowSizeLong() const {
    return static_cast<SQLINTEGER>(narrowSize_ > INT_MAX ? INT_MAX : narrowSize_);
}

std::size_t baseCopyWide(const char16_t* wide, std::size_t units, void* buffer, SQLLEN size) {
    if (!buffer || size < 2)
        return 0;
    std::size_t room = static_cast<std::size_t>(size / 2 - 1);
    std::size_t copied = units < room ? units : room;
    if (copied < units && copied > 0 && isHighSurrogate(wide[copied - 1]))
        --copied;
    std::memcpy(buffer, wide, copied * 2);
    std::memset(static_cast<char*>(buffer) + copied * 2, 0, 2);
    return copied;
}

SQLRETURN BaseWideOut::finish(SQLRETURN rc, const VxCharset& charset, SQLLEN length, SQLLEN* full,
                              VxErrorList* list) {
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO && rc != SQL_NEED_DATA)
        return rc;
    std::size_t have = length < 0 ? 0 : static_cast<std::size_t>(length);
    bool narrowCut = have >= narrowSize_; // the narrow function cut it, and said so
    if (narrowCut)
        have = strnlen(narrow_, narrowSize_);
    char16_t* wide = nullptr;
    std::size_t units = 0;
    if (charset.toWide(narrow_, have, &wide, &units) != VX_SUCCESS)
        return list ? baseWideFailure(*list) : SQL_ERROR;
    if (full)
        *full = static_cast<SQLLEN>(bytes_ ? units * 2 : units);
    std::size_t copied = baseCopyWide(wide, units, buffer_, bytes_ ? size_ : size_ * 2);
    ramFree(wide);
    bool cut = buffer_ && copied < units; // without a buffer only the length is asked for
    if (cut && !narrowCut && list) {
        VxErrorListScope scope(list);
        addOdbcWarning(ODBC_01004);
    }
    if (cut && rc == SQL_SUCCESS)
        rc = SQL_SUCCESS_WITH_INFO;
    return rc;
}

SQLRETURN BaseWideOut::finish(SQLRETURN rc, const VxCharset& charset, SQLLEN length,
                              SQLSMALLINT* full, VxErrorList* list) {
    SQLLEN whole = -1;
    rc = finish(rc, charset, length, &whole, list);
    if (full && whole >= 0)
        *full = static_cast<SQLSMALLINT>(whole > SHRT_MAX ? SHRT_MAX : whole);
    return rc;
}

VxStatus baseWideToNarrow(const VxCharset& charset, const void* value, SQLLEN length, char** narrow,
                          SQLLEN* narrowLength) {
    const auto* bytes = static_cast<const unsigned char*>(value);
    std::size_t units = 0;
    if (length == SQL_NTS) {
        while (bytes[2 * units] != 0 || bytes[2 * units + 1] != 0)
            ++units;
    } else if (length > 0) {
        units = static_cast<std::size_t>(length / 2);
    }
    auto* wide = static_cast<char16_t*>(ramAlloc(units * 2 + 2));
    if (!wide)
        return VX_ERROR;
    std::memcpy(wide, bytes, units * 2);
    std::size_t produced = 0;
    VxStatus status = charset.toNarrow(wide, units, narrow, &produced);
    ramFree(wide);
    *narrowLength = static_cast<SQLLEN>(produced);
    return status;
}

SQLRETURN baseWideFailure(VxErrorList& list) {
    VxErrorListScope scope(&list);
    addOdbcError(ODBC_S1001);
    return SQL_ERROR;
}
