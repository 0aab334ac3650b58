#include "record/TxtRecordReader.h"

#include <cstring>

#include "record/TxtLineScanner.h"
#include "util/ram.h"

TxtRecordReader::~TxtRecordReader() {
    release();
}

void TxtRecordReader::release() {
    for (std::uint16_t i = 0; i < columnCount_; ++i)
        ramFree(columns_[i].grown);
    ramFree(columns_);
    ramFree(textSpace_);
    ramFree(line_);
    columns_ = nullptr;
    textSpace_ = nullptr;
    line_ = nullptr;
    columnCount_ = 0;
    lineCapacity_ = 0;
}

VxStatus TxtRecordReader::open(const TxtGuessResult& layout, int handle) {
    release();
    tableType_ = layout.tableType;
    delimiter_ = layout.tableType == TXT_TABLE_FIXED ? 0 : layout.delimiter;
    std::uint16_t count = layout.getFieldCount();
    std::size_t space = 0;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::size_t end = static_cast<std::size_t>(layout.getField(i).offset) + layout.readWidth(i);
        space += layout.readWidth(i) + 1u;
        if (end > lineCapacity_)
            lineCapacity_ = end;
    }
    columns_ = static_cast<Column*>(ramAllocZ((count ? count : 1) * sizeof(Column)));
    textSpace_ = static_cast<char*>(ramAllocZ(space ? space : 1));
    if (tableType_ == TXT_TABLE_FIXED)
        line_ = static_cast<char*>(ramAlloc(lineCapacity_ ? lineCapacity_ : 1));
    if (!columns_ || !textSpace_ || (tableType_ == TXT_TABLE_FIXED && !line_)) {
        release();
        return VX_ERROR;
    }
    char* text = textSpace_;
    for (std::uint16_t i = 0; i < count; ++i) {
        const TxtGuessField& field = layout.getField(i);
        columns_[i].text = text;
        columns_[i].width = layout.readWidth(i);
        columns_[i].room = columns_[i].width;
        columns_[i].offset = field.offset;
        columns_[i].measured = field.measured;
        columns_[i].grows = field.measured && tableType_ != TXT_TABLE_FIXED &&
                            (field.type == TXT_COLUMN_VARCHAR || field.type == TXT_COLUMN_NONE);
        text += columns_[i].width + 1u;
    }
    columnCount_ = count;
    return source_.attach(handle);
}

VxStatus TxtRecordReader::findDataStart(bool firstLineNames, std::int64_t* start) {
    std::size_t mark = txtByteOrderMarkLength(source_);
    source_.seek(static_cast<std::int64_t>(mark));
    if (firstLineNames && txtRecordStarts(source_)) {
        if (tableType_ == TXT_TABLE_FIXED)
            txtSkipLine(source_, false);
        else
            txtSkipDelimitedLine(source_, delimiter_);
    }
    if (source_.failed())
        return VX_ERROR;
    *start = source_.position();
    return VX_SUCCESS;
}

VxStatus TxtRecordReader::readRecord(std::int64_t offset, bool* found, std::int64_t* next) {
    for (std::uint16_t i = 0; i < columnCount_; ++i) {
        columns_[i].length = 0;
        columns_[i].text[0] = 0;
        columns_[i].cut = false;
    }
    source_.seek(offset);
    *found = txtRecordStarts(source_);
    if (*found) {
        if (tableType_ == TXT_TABLE_FIXED)
            readFixed();
        else
            readDelimited();
    }
    if (source_.failed()) {
        *found = false;
        return VX_ERROR;
    }
    *next = *found ? source_.position() : offset;
    return VX_SUCCESS;
}

bool TxtRecordReader::makeRoom(Column& column, std::size_t length) {
    if (!column.grows || column.room >= TXT_LONGEST_MEASURED_TEXT)
        return false;
    if (length > TXT_LONGEST_MEASURED_TEXT)
        length = TXT_LONGEST_MEASURED_TEXT;
    // Grown by half again at least, so that a file of ever longer values
    // does not reallocate on every line.
    const std::size_t step = column.room + column.room / 2;
    if (length < step)
        length = step < TXT_LONGEST_MEASURED_TEXT ? step : TXT_LONGEST_MEASURED_TEXT;
    char* buffer = static_cast<char*>(ramAlloc(length + 1));
    if (!buffer)
        return false; // the value is then cut, and says so
    ramFree(column.grown);
    column.grown = column.text = buffer;
    column.room = length;
    return true;
}

void TxtRecordReader::readDelimited() {
    bool endOfLine = false;
    std::uint16_t i = 0;
    // Values that are not quoted and end in the bytes already buffered are
    // taken straight from the buffer; any other value (quoted, ended by a
    // carriage return, Ctrl-Z or the end of the file, or running past the
    // buffer) goes through the value scanner from its first byte.
    for (; i < columnCount_; ++i) {
        std::size_t count = 0;
        const char* bytes = source_.span(&count);
        if (!bytes || bytes[0] == '"')
            break;
        const std::size_t run = txtPlainRun(bytes, count, static_cast<unsigned char>(delimiter_));
        if (run == count)
            break;
        const char stop = bytes[run];
        if (stop != delimiter_ && stop != '\n')
            break;
        Column& column = columns_[i];
        if (run > column.room)
            makeRoom(column, run);
        const std::size_t kept = run < column.room ? run : column.room;
        std::memcpy(column.text, bytes, kept);
        column.cut = run > column.room;
        column.length = txtTrimTrailingBlanks(column.text, kept);
        column.text[column.length] = 0;
        source_.skip(run + 1);
        // A line feed ends the line, unless it is itself the delimiter.
        if (stop != delimiter_) {
            endOfLine = true;
            ++i;
            break;
        }
    }
    for (; i < columnCount_ && !endOfLine; ++i) {
        Column& column = columns_[i];
        std::size_t total;
        const std::int64_t start = source_.position();
        txtScanDelimitedValue(source_, delimiter_, column.text, column.room, &column.length, &total,
                              &endOfLine);
        if (total > column.room && makeRoom(column, total)) {
            // Read again into the larger buffer.
            source_.seek(start);
            txtScanDelimitedValue(source_, delimiter_, column.text, column.room, &column.length,
                                  &total, &endOfLine);
        }
        column.cut = total > column.room;
        column.length = txtTrimTrailingBlanks(column.text, column.length);
        column.text[column.length] = 0;
    }
    if (!endOfLine)
        txtSkipDelimitedLine(source_, delimiter_);
}

void TxtRecordReader::readFixed() {
    std::size_t total;
    std::size_t lineLength = txtReadFixedLine(source_, line_, lineCapacity_, &total);
    for (std::uint16_t i = 0; i < columnCount_; ++i) {
        Column& column = columns_[i];
        if (column.offset >= lineLength)
            continue;
        std::size_t length = lineLength - column.offset;
        if (length > column.width)
            length = column.width;
        // A line longer than the reader keeps loses the end of a measured
        // column that reaches the kept part's end.
        column.cut =
            column.measured && total > lineLength && column.offset + column.width >= lineCapacity_;
        length = txtTrimTrailingBlanks(line_ + column.offset, length);
        std::memcpy(column.text, line_ + column.offset, length);
        column.text[length] = 0;
        column.length = length;
    }
}

const char* TxtRecordReader::getColumnText(std::uint16_t column, std::size_t* length) const {
    *length = columns_[column].length;
    return columns_[column].text;
}

void TxtRecordReader::setColumnLength(std::uint16_t column, std::size_t length) {
    Column& target = columns_[column];
    target.length = length < target.room ? length : target.room;
    target.text[target.length] = 0;
}
