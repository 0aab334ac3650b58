// XlsSharedDesc: one open table of a workbook, shared by every cursor of
// the connection that reads it: the workbook (owned by the connection),
// the range, the columns, and the stream offset of the first data row.
//
// The key is the workbook path, "\" and the range name, together with how
// the columns were made: guessing off (0), guessing on (1) or an explicit
// column list (2, the same list).
//
// Opening scans the range's sheet: LABEL cells of the range's first row
// name its columns; cells of the following rows, up to ScanRows rows
// below the first, guess the column types; the offset of the first record
// of a data row is kept. A column without a name is FIELD and its number.
#pragma once

#include <cstddef>
#include <cstdint>

#include "book/XlsBookDesc.h"
#include "book/XlsColumnList.h"
#include "flat/FlatSharedDesc.h"
#include "util/VxString.h"

class XlsConnection;
class FlatFileCursor;

enum XlsGuessMode : std::uint8_t {
    XLS_GUESS_OFF = 0,
    XLS_GUESS_ON = 1,
    XLS_GUESS_EXPLICIT = 2,
};

class XlsSharedDesc : public FlatSharedDesc {
public:
    static constexpr std::uint16_t RECORD_HANDLE_SIZE = 4;

    explicit XlsSharedDesc(XlsConnection* connection);

    // The complete description of `key` made the same way, or null. Caller
    // holds the connection's semaphore.
    static XlsSharedDesc* find(XlsConnection* connection, const char* key, XlsGuessMode mode,
                               const XlsColumnList& columns);

    // Scans range `name` of `book` and links the description into its
    // connection's list bound to `cursor`. `options` is the explicit column
    // list (already checked) or null.
    [[nodiscard]] VxStatus open(XlsBookDesc* book, const XlsNameDesc& name, const char* key,
                                XlsGuessMode mode, const char* options, FlatFileCursor* cursor);

    XlsBookDesc* getBook() const { return book_; }
    const XlsNameDesc& getRange() const { return range_; }
    std::uint32_t getDataStart() const { return dataStart_; }
    // The type the number format of cell format `xf` implies.
    XlsColumnType formatType(std::uint16_t xf) const;

private:
    struct Column {
        char name[XLS_MAX_NAME + 1];
        XlsColumnType type;
        std::uint16_t width;
    };

    [[nodiscard]] VxStatus scan(Column* out);
    void guess(Column* column, const struct XlsCell& cell) const;
    [[nodiscard]] VxStatus addColumns(Column* out);

    XlsConnection* xls_;
    XlsBookDesc* book_ = nullptr;
    XlsNameDesc range_{};
    VxString key_;
    XlsGuessMode mode_ = XLS_GUESS_ON;
    XlsColumnList columns_;
    std::uint32_t dataStart_ = 0;
};
