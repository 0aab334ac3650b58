// TxtCursor: the Text driver's table cursor. It reads the records of one
// text table through its own TxtRecordReader over the file of the table's
// shared description (TxtSharedDesc), and hands column values to the
// engine in storage form:
//
//   VARCHAR   the text (INTERNAL_CHAR), borrowed until the next move
//   NUMERIC   exact decimal digits with the column's scale (INTERNAL_DIGITS);
//             a text that is not a number fails (22005)
//   DATE      DATE_STRUCT (INTERNAL_DATE), read with the column's date
//             mask; a text the mask does not read raises 1262 and 1266
//
// An empty field is NULL. A NUMERIC or DATE value is converted once per
// record: asked for again before the cursor moves, it is served from the
// value kept at the first request (a move, a re-read through a handle, a
// new binding or an insert forgets every kept value).
//
// A record handle is the 8-byte offset of the
// record's first byte in the file; a record read again through its handle
// is read from the file afresh. When the connection has a translation
// library, every column's text passes through it to the driver's character
// set as the record is read.
//
// Records are added at the end of the file (TxtCursorInsert.cpp): the
// values of a new record are kept as text until insertRecord appends them
// as one line. Updating and deleting keep the engine's defaults (driver
// not capable).
#pragma once

#include <cstddef>
#include <cstdint>

#include "flat/FlatFileCursor.h"
#include "record/TxtRecordReader.h"

class TxtConnection;
class TxtSharedDesc;
class TxtSharedField;
struct TxtInsertRow;

class TxtCursor : public FlatFileCursor {
public:
    explicit TxtCursor(TxtConnection* connection);
    ~TxtCursor() override;

    // Binds the cursor to an open description and prepares its reader
    // (also used for the cursor a commit writes through).
    [[nodiscard]] VxStatus bind(TxtSharedDesc* desc);

    // Resolves the table (definition, file, table options), reuses the
    // connection's description of the same file and options or opens a
    // new one, and binds the cursor to it.
    [[nodiscard]] VxStatus openTable(const char* qualifier, const char* owner, const char* table,
                                     FlatResultSetGlobalInfo* info, const char* options) override;
    [[nodiscard]] VxStatus getNewFirstRecord(bool* eof, FlatIndexRange* range) override;
    [[nodiscard]] VxStatus getNextRecord(bool* eof) override;
    [[nodiscard]] VxStatus getRandomRecord(const void* handle, std::uint16_t* status) override;
    [[nodiscard]] VxStatus getRecordHandle(void* out) override;
    [[nodiscard]] VxStatus getFieldData(std::uint16_t field, FlatDataValue* out) override;
    // The number of records when a cursor of the connection has read the
    // file through since it last changed size; else -1.
    [[nodiscard]] VxStatus countRecords(std::int64_t* count) override;
    // Records the file holds, for the planner (TxtCursorEstimate.cpp).
    std::uint32_t estimateRecordCount() override;

    // Inserting: every column starts NULL; updateField stores the text of
    // one value (TxtFieldText.h); insertRecord appends the line under the
    // file's append lock.
    [[nodiscard]] VxStatus prepareForInsert() override;
    [[nodiscard]] VxStatus updateField(std::uint16_t field, FlatDataValue* value) override;
    [[nodiscard]] VxStatus insertRecord() override;

private:
    [[nodiscard]] VxStatus readAt(std::int64_t offset, bool* found);
    [[nodiscard]] VxStatus translateColumns();
    [[nodiscard]] VxStatus numberValue(std::uint16_t field, const TxtSharedField* shared,
                                       const char* text, std::size_t length, FlatDataValue* out);
    [[nodiscard]] VxStatus dateValue(std::uint16_t field, const TxtSharedField* shared,
                                     const char* text, std::size_t length, FlatDataValue* out);
    // The column's shared field: taken from the description bound last
    // while it is still the cursor's, else looked up.
    const TxtSharedField* columnField(std::uint16_t field) const;
    // Keeps the converted value now in the column's slot for the current
    // record, and forgets every kept value.
    void keepValue(std::uint16_t field, std::uint32_t length);
    void forgetValues() { ++record_; }

    TxtRecordReader reader_;
    std::int64_t current_ = -1;               // offset of the current record; -1 before the first
    std::int64_t next_ = 0;                   // offset of the record after it
    bool positioned_ = false;                 // a record is current
    bool scanning_ = false;                   // reading every record from the first, in order
    std::int64_t scanned_ = 0;                // records read so far by that scan
    unsigned char* value_ = nullptr;          // converted NUMERIC and DATE values
    std::size_t* slotAt_ = nullptr;           // each column's slot in value_, and the end
    const TxtSharedField** fields_ = nullptr; // the columns of boundDesc_
    const TxtSharedDesc* boundDesc_ = nullptr;
    std::uint16_t fieldCount_ = 0;
    std::uint64_t record_ = 1;            // numbers the records read, for keptAt_
    std::uint64_t* keptAt_ = nullptr;     // per column: the record its slot's value belongs to
    std::uint32_t* keptLength_ = nullptr; // per column: the kept value's length
    TxtInsertRow* insert_ = nullptr;      // the record being inserted
};
