// The boundary of the Unicode entry points: texts of the application in
// its wide characters become texts of the data source's character set for
// the narrow code paths, and their results come back as wide characters.
//
// The application's wide characters are those of the driver manager that
// loaded the driver: 2-byte UTF-16 units (unixODBC's SQLWCHAR), or 4-byte
// wchar_t code points (UCS-4) under iODBC. Inside, wide text is UTF-16
// (char16_t); only the application's buffers are in its own width.
//
// Lengths follow the ODBC rules of the W functions: a text argument's
// length counts characters (SQLWCHAR units, SQL_NTS for a terminated
// text); an output buffer's size counts characters for names and strings,
// bytes where the function says so (SQLGetInfoW, SQLColAttributesW, data).
//
// Conversions raise nothing themselves: when memory runs out, the entry
// point reports S1001 on its handle with baseWideFailure.
#pragma once

#include <sql.h>

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"

class VxCharset;
class VxErrorList;

// The size in bytes of one of the application's wide characters: 2 or 4.
VX_EXPORT std::size_t baseWideUnit();
VX_EXPORT void baseSetWideUnit(std::size_t bytes);
// Notes which library allocates an environment: `caller` is a return
// address inside it. iODBC's library sets the width to 4; any other caller
// (unixODBC, an application linked to the driver) to 2.
VX_EXPORT void baseNoteEnvCaller(const void* caller);
// Notes a connection option set before any other call: iODBC alone sets
// its option 1051 (the application's name) on every connection of an
// application that names itself, before connecting; a program linked to
// iODBC statically is recognised by that, unless the environment came
// from a driver manager's library.
VX_EXPORT void baseNoteConnectOption(unsigned short option);
// True when iODBC was recognised as the caller.
VX_EXPORT bool baseUnderIodbc();

// Unit `index` of an application's wide text (unaligned allowed), and the
// same written.
VX_EXPORT unsigned long baseWideAt(const void* text, SQLLEN index);
VX_EXPORT void basePutWide(void* text, SQLLEN index, unsigned long unit);
// The units a code point takes in the application's text: 2 for a
// surrogate pair of UTF-16, else 1.
inline int baseWideUnitsOf(unsigned long code) {
    return code > 0xFFFF && baseWideUnit() == 2 ? 2 : 1;
}
// Writes code point `code` at unit `index` (a surrogate pair in UTF-16);
// returns the units written.
VX_EXPORT int basePutWideChar(void* text, SQLLEN index, unsigned long code);
// Units of a text that ends in a zero unit.
VX_EXPORT std::size_t baseWideLength(const void* text);
// `units` units of the application's wide text as UTF-16 in a new block
// (ramFree) with room for a terminator, *units16 its length; code points
// that are no characters become U+FFFD. Null when memory ran out.
VX_EXPORT char16_t* baseWideToUtf16(const void* text, std::size_t units, std::size_t* units16);

// One input text: null stays null; a negative length other than SQL_NTS
// is passed on unchanged, for the narrow path to refuse.
class VX_EXPORT BaseWideIn {
public:
    BaseWideIn() = default;
    BaseWideIn(const VxCharset& charset, const SQLWCHAR* text, SQLINTEGER length) {
        assign(charset, text, length);
    }
    ~BaseWideIn();
    // Converts `text`, replacing what was converted before.
    void assign(const VxCharset& charset, const SQLWCHAR* text, SQLINTEGER length);
    BaseWideIn(const BaseWideIn&) = delete;
    BaseWideIn& operator=(const BaseWideIn&) = delete;

    bool failed() const { return failed_; }
    SQLCHAR* text() const { return reinterpret_cast<SQLCHAR*>(text_); }
    // The narrow length in bytes (or the refused length), as the narrow
    // functions take it.
    SQLINTEGER length() const { return length_; }
    SQLSMALLINT shortLength() const;

private:
    char* text_ = nullptr;
    SQLINTEGER length_ = SQL_NTS;
    bool failed_ = false;
};

// One output text: a narrow buffer large enough for the whole answer of a
// buffer of `size`, which finish() converts into the application's buffer.
class VX_EXPORT BaseWideOut {
public:
    // `size` counts characters, or bytes when `bytes` is set; the narrow
    // buffer has room for at least `atLeast` bytes.
    BaseWideOut(void* buffer, SQLLEN size, bool bytes, std::size_t atLeast = 4096);
    ~BaseWideOut();
    BaseWideOut(const BaseWideOut&) = delete;
    BaseWideOut& operator=(const BaseWideOut&) = delete;

    bool failed() const { return !narrow_; }
    // What the narrow function is given: its buffer and size.
    SQLCHAR* narrow() const { return reinterpret_cast<SQLCHAR*>(narrow_); }
    SQLSMALLINT narrowSize() const;
    SQLINTEGER narrowSizeLong() const;
    // Converts the narrow answer of `length` bytes (cut to what the narrow
    // buffer holds) into the application's buffer, never splitting a
    // surrogate pair; *full receives the whole answer's length in the
    // unit of `size`. A cut answer turns SQL_SUCCESS into
    // SQL_SUCCESS_WITH_INFO, with warning 01004 in `list` when one is given
    // (SQLErrorW reads a list and adds nothing to it). Only successful
    // answers and SQL_NEED_DATA are converted; others are returned as they
    // are.
    SQLRETURN finish(SQLRETURN rc, const VxCharset& charset, SQLLEN length, SQLLEN* full,
                     VxErrorList* list);
    // The same with a 16-bit length pointer (may be null).
    SQLRETURN finish(SQLRETURN rc, const VxCharset& charset, SQLLEN length, SQLSMALLINT* full,
                     VxErrorList* list);

private:
    void* buffer_;
    SQLLEN size_;
    bool bytes_;
    char* narrow_ = nullptr;
    std::size_t narrowSize_ = 0;
};

// Wide data of an application (units that need not be aligned; `length`
// in bytes, or SQL_NTS for a text ending in a zero unit) as text of
// `charset` in a new block (ramFree), *narrowLength its bytes.
VX_EXPORT VxStatus baseWideToNarrow(const VxCharset& charset, const void* value, SQLLEN length,
                                    char** narrow, SQLLEN* narrowLength);

// Reports S1001 in `list` for a conversion that ran out of memory.
VX_EXPORT SQLRETURN baseWideFailure(VxErrorList& list);

// Copies `units` UTF-16 units into `buffer` of `size` bytes (unaligned
// allowed) as the application's wide characters, cut so that the
// terminator fits and no surrogate pair is split; returns the UTF-16 units
// copied (terminator not counted).
VX_EXPORT std::size_t baseCopyWide(const char16_t* wide, std::size_t units, void* buffer,
                                   SQLLEN size);
// The application's units that `units` UTF-16 units make.
VX_EXPORT std::size_t baseWideCount(const char16_t* wide, std::size_t units);
