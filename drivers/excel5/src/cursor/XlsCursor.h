// XlsCursor: the Excel 5 driver's table cursor. It reads the rows of one
// named range through its own record reader over the workbook's "Book"
// stream, and hands column values to the engine in storage form (BIT,
// DOUBLE, DATE, TIME, TIMESTAMP or text; XlsFileField).
//
// A row is the run of cell records of one sheet row: the first cell record
// inside the range's rows and columns fixes the row; a cell of a later row,
// a row below the range, or the sheet's EOF ends it. A row handle is the
// 4-byte stream offset of the row's first cell record; 0 is the end.
// Tables are read only.
#pragma once

#include <cstdint>

#include "flat/FlatFileCursor.h"

class XlsCellBuffer;
class XlsConnection;
class XlsFileField;
class XlsSharedDesc;

class XlsCursor : public FlatFileCursor {
public:
    explicit XlsCursor(XlsConnection* connection);
    ~XlsCursor() override;

    // Opens range `table` of the workbook `qualifier` (the connection's
    // when empty), with `options` as its explicit column list.
    [[nodiscard]] VxStatus openTable(const char* qualifier, const char* owner, const char* table,
                                     FlatResultSetGlobalInfo* info, const char* options) override;
    std::uint32_t estimateRecordCount() override;
    [[nodiscard]] VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) override;
    [[nodiscard]] VxStatus getNextRecord(bool* eof) override;
    [[nodiscard]] VxStatus getRandomRecord(const void* handle, std::uint16_t* status) override;
    [[nodiscard]] VxStatus getRecordHandle(void* out) override;
    [[nodiscard]] VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) override;

private:
    [[nodiscard]] VxStatus bind(XlsSharedDesc* desc);
    [[nodiscard]] VxStatus readRow(std::uint32_t offset, bool* found);

    XlsCellBuffer* buffer_ = nullptr;
    XlsFileField* fields_ = nullptr;
    std::uint16_t fieldCount_ = 0;
    std::uint32_t current_ = 0;
    std::uint32_t next_ = 0;
    bool positioned_ = false;
    bool utf8_ = false;
};
