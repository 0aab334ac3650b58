// Text conversions at the boundary of the Unicode entry points.
#include "base/BaseWideText.h"

#include <dlfcn.h>

#include <atomic>
#include <climits>
#include <cstring>

#include "base/BaseErrors.h"
#include "util/VxCharset.h"
#include "util/VxError.h"
#include "util/ram.h"

namespace {

std::atomic<std::size_t> wideUnit{2};
std::atomic<bool> underIodbc{false};
// The environment came from a driver manager's library, which settles the
// width: iODBC's or unixODBC's.
std::atomic<bool> managerLibrary{false};

bool isHighSurrogate(unsigned long unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(unsigned long unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::size_t baseWideUnit() {
    return wideUnit.load(std::memory_order_relaxed);
}

void baseSetWideUnit(std::size_t bytes) {
    wideUnit.store(bytes == 4 ? 4 : 2, std::memory_order_relaxed);
}

void baseNoteEnvCaller(const void* caller) {
    Dl_info info{};
    const char* name = nullptr;
    if (caller && dladdr(caller, &info) && info.dli_fname) {
        name = std::strrchr(info.dli_fname, '/');
        name = name ? name + 1 : info.dli_fname;
    }
    bool iodbc = name && std::strncmp(name, "libiodbc", 8) == 0;
    managerLibrary.store(iodbc || (name && std::strncmp(name, "libodbc", 7) == 0),
                         std::memory_order_relaxed);
    underIodbc.store(iodbc, std::memory_order_relaxed);
    baseSetWideUnit(iodbc ? 4 : 2);
}

void baseNoteConnectOption(unsigned short option) {
    constexpr unsigned short IODBC_APPLICATION_NAME = 1051;
    if (option == IODBC_APPLICATION_NAME && !managerLibrary.load(std::memory_order_relaxed) &&
        !baseUnderIodbc()) {
        underIodbc.store(true, std::memory_order_relaxed);
        baseSetWideUnit(4);
    }
}

bool baseUnderIodbc() {
    return underIodbc.load(std::memory_order_relaxed);
}

unsigned long baseWideAt(const void* text, SQLLEN index) {
    const char* at = static_cast<const char*>(text);
    if (baseWideUnit() == 4) {
        char32_t unit;
        std::memcpy(&unit, at + 4 * index, sizeof unit);
        return unit;
    }
    char16_t unit;
    std::memcpy(&unit, at + 2 * index, sizeof unit);
    return unit;
}

void basePutWide(void* text, SQLLEN index, unsigned long unit) {
    char* at = static_cast<char*>(text);
    if (baseWideUnit() == 4) {
        auto value = static_cast<char32_t>(unit);
        std::memcpy(at + 4 * index, &value, sizeof value);
    } else {
        auto value = static_cast<char16_t>(unit);
        std::memcpy(at + 2 * index, &value, sizeof value);
    }
}

int basePutWideChar(void* text, SQLLEN index, unsigned long code) {
    if (code > 0xFFFF && baseWideUnit() == 2) {
        code -= 0x10000;
        basePutWide(text, index, 0xD800 + (code >> 10));
        basePutWide(text, index + 1, 0xDC00 + (code & 0x3FF));
        return 2;
    }
    basePutWide(text, index, code);
    return 1;
}

std::size_t baseWideLength(const void* text) {
    std::size_t units = 0;
    while (baseWideAt(text, static_cast<SQLLEN>(units)) != 0)
        ++units;
    return units;
}

char16_t* baseWideToUtf16(const void* text, std::size_t units, std::size_t* units16) {
    bool ucs4 = baseWideUnit() == 4;
    auto* wide = static_cast<char16_t*>(ramAlloc((ucs4 ? 2 * units : units) * 2 + 2));
    if (!wide)
        return nullptr;
    if (!ucs4) {
        if (units)
            std::memcpy(wide, text, units * 2);
        wide[units] = 0;
        *units16 = units;
        return wide;
    }
    std::size_t out = 0;
    for (std::size_t i = 0; i < units; ++i) {
        unsigned long code = baseWideAt(text, static_cast<SQLLEN>(i));
        if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            code = 0xFFFD;
        if (code > 0xFFFF) {
            code -= 0x10000;
            wide[out++] = static_cast<char16_t>(0xD800 + (code >> 10));
            wide[out++] = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            wide[out++] = static_cast<char16_t>(code);
        }
    }
    wide[out] = 0;
    *units16 = out;
    return wide;
}

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
    std::size_t units = !text ? 0 : length == SQL_NTS ? baseWideLength(text) : std::size_t(length);
    std::size_t bytes = 0, units16 = 0;
    char16_t* wide = baseWideToUtf16(text, units, &units16);
    if (!wide || charset.toNarrow(wide, units16, &text_, &bytes) != VX_SUCCESS) {
        ramFree(wide);
        failed_ = true;
        return;
    }
    ramFree(wide);
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
    // A wide unit takes at most 4 bytes of UTF-8 or of the widest legacy
    // sets.
    std::size_t units = static_cast<std::size_t>(bytes ? size_ / baseWideUnit() : size_);
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
    std::size_t unit = baseWideUnit();
    if (!buffer || size < static_cast<SQLLEN>(unit))
        return 0;
    std::size_t room = static_cast<std::size_t>(size) / unit - 1;
    if (unit == 2) {
        std::size_t copied = units < room ? units : room;
        if (copied < units && copied > 0 && isHighSurrogate(wide[copied - 1]))
            --copied;
        std::memcpy(buffer, wide, copied * 2);
        std::memset(static_cast<char*>(buffer) + copied * 2, 0, 2);
        return copied;
    }
    std::size_t used = 0, written = 0;
    while (used < units && written < room) {
        unsigned long code = wide[used++];
        if (isHighSurrogate(code) && used < units && isLowSurrogate(wide[used]))
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[used++] - 0xDC00);
        basePutWide(buffer, static_cast<SQLLEN>(written++), code);
    }
    basePutWide(buffer, static_cast<SQLLEN>(written), 0);
    return used;
}

std::size_t baseWideCount(const char16_t* wide, std::size_t units) {
    if (baseWideUnit() == 2)
        return units;
    std::size_t count = 0;
    for (std::size_t i = 0; i < units; ++i, ++count)
        if (isHighSurrogate(wide[i]) && i + 1 < units && isLowSurrogate(wide[i + 1]))
            ++i;
    return count;
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
    std::size_t unit = baseWideUnit();
    if (full) {
        std::size_t count = baseWideCount(wide, units);
        *full = static_cast<SQLLEN>(bytes_ ? count * unit : count);
    }
    std::size_t copied =
        baseCopyWide(wide, units, buffer_, bytes_ ? size_ : size_ * static_cast<SQLLEN>(unit));
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
    std::size_t units = 0;
    if (length == SQL_NTS)
        units = baseWideLength(value);
    else if (length > 0)
        units = static_cast<std::size_t>(length) / baseWideUnit();
    std::size_t units16 = 0;
    char16_t* wide = baseWideToUtf16(value, units, &units16);
    if (!wide)
        return VX_ERROR;
    std::size_t produced = 0;
    VxStatus status = charset.toNarrow(wide, units16, narrow, &produced);
    ramFree(wide);
    *narrowLength = static_cast<SQLLEN>(produced);
    return status;
}

SQLRETURN baseWideFailure(VxErrorList& list) {
    VxErrorListScope scope(&list);
    addOdbcError(ODBC_S1001);
    return SQL_ERROR;
}
