// TxtRecordReader: reads the records of an open text file into per-column
// text buffers.
//
// A record is named by the byte offset of its first character (64-bit);
// reading one gives the offset of the next. Each column keeps at most its
// read width of characters (TxtGuessResult::readWidth); the rest of a
// longer value is dropped, and trailing blanks are trimmed. A delimited
// text column of measured width is the exception: its buffer grows to
// hold a longer value whole, up to TXT_LONGEST_MEASURED_TEXT. Delimited
// lines with fewer values than columns leave the rest empty; values beyond
// the last column are skipped, quoted line feeds included. Fixed columns
// are cut from the line by offset and width, in any order, overlaps
// allowed. An empty text stands for NULL.
//
// The reader does not own the file handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guess/TxtGuessResult.h"
#include "record/TxtByteSource.h"
#include "util/VxStatus.h"

class TxtRecordReader {
public:
    TxtRecordReader() = default;
    TxtRecordReader(const TxtRecordReader&) = delete;
    TxtRecordReader& operator=(const TxtRecordReader&) = delete;
    ~TxtRecordReader();

    // Takes the table type, delimiter and columns of `layout` and reads
    // `handle` from now on.
    VxStatus open(const TxtGuessResult& layout, int handle);

    // The offset of the first record: after a UTF-8 byte-order mark, and
    // with `firstLineNames` after the first line (for delimited tables a
    // line feed inside a quoted value does not end it).
    VxStatus findDataStart(bool firstLineNames, std::int64_t* start);

    // Reads the record at `offset` into the column buffers. *found is false
    // when no record starts there (end of the file, or Ctrl-Z); *next is
    // the offset after the record (`offset` when none was found).
    VxStatus readRecord(std::int64_t offset, bool* found, std::int64_t* next);

    std::uint16_t getColumnCount() const { return columnCount_; }
    // The text of a column of the last record read, NUL-terminated; its
    // length in *length, 0 meaning NULL.
    const char* getColumnText(std::uint16_t column, std::size_t* length) const;
    // The column's buffer (room for its text and a NUL), for callers that
    // convert the text in place; setColumnLength records the new length.
    char* getColumnBuffer(std::uint16_t column) { return columns_[column].text; }
    std::uint16_t getColumnWidth(std::uint16_t column) const { return columns_[column].width; }
    std::size_t getColumnRoom(std::uint16_t column) const { return columns_[column].room; }
    // Whether a value of the last record was longer than its column's read
    // width and lost its end: a delimited value, or in a Fixed table a
    // column of measured width that reaches the end of the part of a
    // longer line the reader keeps (declared Fixed columns end where
    // they are declared to).
    bool wasCut(std::uint16_t column) const { return columns_[column].cut; }
    void setColumnLength(std::uint16_t column, std::size_t length);

    // Forgets buffered bytes (after the file was written through another handle).
    void invalidate() { source_.invalidate(); }

private:
    struct Column {
        char* text;
        std::size_t length;
        std::size_t room; // characters the buffer holds: the width, or more once grown
        char* grown;      // the column's own buffer once grown, else null
        std::uint16_t width;
        std::uint16_t offset;
        bool cut;
        bool measured; // width measured when guessing (TxtGuessField)
        bool grows;    // measured text of a delimited table
    };

    // Makes room for `length` characters (at most TXT_LONGEST_MEASURED_TEXT)
    // in a column that grows; false when it cannot grow (any more).
    bool makeRoom(Column& column, std::size_t length);
    void readDelimited();
    void readFixed();
    void release();

    TxtByteSource source_;
    Column* columns_ = nullptr;
    char* textSpace_ = nullptr;
    char* line_ = nullptr; // Fixed tables: the line, up to the furthest column end
    std::size_t lineCapacity_ = 0;
    std::uint16_t columnCount_ = 0;
    TxtTableType tableType_ = TXT_TABLE_COMMA;
    char delimiter_ = ',';
};
