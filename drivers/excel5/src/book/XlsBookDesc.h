// One open workbook: its storage, its "Book" stream and what the
// workbook-globals records at the start of the stream say about it.
//
// Globals read (records from offset 0 to the first EOF): BOF, which must be
// of version 0x0500; NAME, the named ranges that can be tables; DATEMODE,
// the 1904 date system; FILEPASS, which refuses the workbook (its contents
// are encrypted and stay unread); BOUNDSHEET, the stream offset of each
// sheet in workbook order; XF, the number format of each cell format in
// order, so that a cell's XF index finds its format.
//
// A NAME record is a table when its option flags are zero or hold the
// built-in flag with the built-in code 4 ("Database"), its 16-bit field at
// offset 6 is zero, and its definition is a 3-D area on a single sheet whose
// first and last rows are below 0x4000. Every length inside a record is
// checked against the record's length.
#pragma once

#include <cstddef>
#include <cstdint>

#include "book/XlsNameDesc.h"
#include "book/XlsValueTable.h"
#include "storage/XlsCompoundFile.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

class XlsBookDesc {
public:
    XlsBookDesc() = default;
    ~XlsBookDesc();
    XlsBookDesc(const XlsBookDesc&) = delete;
    XlsBookDesc& operator=(const XlsBookDesc&) = delete;

    // Opens the workbook at `path` (made absolute) and reads its globals.
    // Raises 1201 (no such workbook), 1203 (not a readable compound file),
    // 1204 (no "Book" stream), 1205 (a failed read), 1225 (password
    // protected) or 1226 (not an Excel 5 workbook, or records out of bounds).
    VxStatus open(const char* path);

    // The absolute path.
    const char* getPath() { return path_.getText(); }
    // The "Book" stream; owned by the workbook.
    XlsStream* getBookStream() const { return book_; }
    bool is1904() const { return is1904_; }

    std::size_t getNameCount() const { return names_.size(); }
    const XlsNameDesc& getName(std::size_t index) const { return names_[index]; }
    // The range called `name` (compared without case), or null.
    const XlsNameDesc* findName(const char* name) const;

    std::size_t getSheetCount() const { return sheets_.size(); }
    std::uint32_t getSheetOffset(std::size_t index) const { return sheets_[index]; }
    std::size_t getXfCount() const { return formats_.size(); }
    // The number format of cell format `xf`.
    std::uint16_t getXfFormat(std::size_t xf) const { return formats_[xf]; }

private:
    VxStatus readGlobals();
    VxStatus addName(const std::uint8_t* body, std::size_t length);

    VxString path_;
    XlsCompoundFile storage_;
    XlsStream* book_ = nullptr;
    bool is1904_ = false;
    XlsValueTable<XlsNameDesc> names_;
    XlsValueTable<std::uint32_t> sheets_;
    XlsValueTable<std::uint16_t> formats_;
};
