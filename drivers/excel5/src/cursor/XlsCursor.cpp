#include "cursor/XlsCursor.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "connect/XlsConnection.h"
#include "cursor/XlsFileField.h"
#include "cursor/XlsSharedDesc.h"
#include "cursor/XlsSharedField.h"
#include "error/XlsErrors.h"
#include "flat/FlatDataValue.h"
#include "record/XlsCell.h"
#include "record/XlsCellBuffer.h"
#include "util/VxError.h"

namespace {

// Blanks around the column list; null when nothing is left.
const char* trimOptions(const char* text, VxString* copy) {
    if (!text)
        return nullptr;
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    std::size_t length = std::strlen(text);
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' ||
                          text[length - 1] == '\r' || text[length - 1] == '\n'))
        --length;
    if (length == 0 || copy->initialize(text, length) != VX_SUCCESS)
        return nullptr;
    return copy->getText();
}

void putHandle(std::uint32_t offset, void* out) {
    auto* bytes = static_cast<unsigned char*>(out);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(offset >> (8 * i));
}

std::uint32_t getHandle(const void* handle) {
    const auto* bytes = static_cast<const unsigned char*>(handle);
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

} // namespace

XlsCursor::XlsCursor(XlsConnection* connection) : FlatFileCursor(connection) {}

XlsCursor::~XlsCursor() {
    delete buffer_;
    delete[] fields_;
}

VxStatus XlsCursor::openTable(const char* qualifier, const char*, const char* table,
                              FlatResultSetGlobalInfo*, const char* options) {
    auto* connection = static_cast<XlsConnection*>(connection_);
    VxString optionCopy;
    const char* list = trimOptions(options, &optionCopy);
    XlsColumnList columns;
    if (list && columns.parse(list) != VX_SUCCESS)
        return VX_ERROR;
    const XlsGuessMode mode = list                          ? XLS_GUESS_EXPLICIT
                              : connection->guessesFields() ? XLS_GUESS_ON
                                                            : XLS_GUESS_OFF;
    XlsBookDesc* book = nullptr;
    if (connection->openBook(qualifier, &book) != VX_SUCCESS)
        return VX_ERROR;
    const XlsNameDesc* name = book->findName(table);
    if (!name) {
        xlsAddError(ODBC_S0002, XLS_MSG_TABLE_NOT_FOUND) << table << book->getPath();
        return VX_ERROR;
    }
    VxString key;
    if (key.initialize(book->getPath()) != VX_SUCCESS || key.concat('\\') != VX_SUCCESS ||
        key.concat(name->name) != VX_SUCCESS)
        return VX_ERROR;
    XlsSharedDesc* desc = XlsSharedDesc::find(connection, key.getText(), mode, columns);
    if (!desc) {
        desc = new XlsSharedDesc(connection);
        if (!desc)
            return VX_ERROR;
        if (desc->open(book, *name, key.getText(), mode, list, this) != VX_SUCCESS) {
            delete desc;
            return VX_ERROR;
        }
    }
    return bind(desc);
}

VxStatus XlsCursor::bind(XlsSharedDesc* desc) {
    if (getSharedDesc() != desc)
        setFile(desc);
    delete buffer_;
    delete[] fields_;
    fields_ = nullptr;
    fieldCount_ = desc->getFieldCount();
    buffer_ = new XlsCellBuffer(desc->getBook()->getBookStream(), desc->getBook()->getPath());
    fields_ = new XlsFileField[fieldCount_ ? fieldCount_ : 1];
    utf8_ = connection_->getCharset().isUtf8();
    positioned_ = false;
    current_ = 0;
    next_ = desc->getDataStart();
    return buffer_ && fields_ ? VX_SUCCESS : VX_ERROR;
}

std::uint32_t XlsCursor::estimateRecordCount() {
    auto* desc = static_cast<XlsSharedDesc*>(getSharedDesc());
    if (!desc)
        return 0;
    return static_cast<std::uint16_t>(desc->getRange().lastRow - desc->getRange().firstRow);
}

VxStatus XlsCursor::readRow(std::uint32_t offset, bool* found) {
    *found = false;
    positioned_ = false;
    next_ = 0;
    for (std::uint16_t i = 0; i < fieldCount_; ++i)
        fields_[i].clear();
    if (offset == 0)
        return VX_SUCCESS;
    auto* desc = static_cast<XlsSharedDesc*>(getSharedDesc());
    const XlsNameDesc& range = desc->getRange();
    bool inRow = false;
    std::uint16_t row = 0;
    XlsCell pending;
    std::uint64_t at = offset;
    for (;;) {
        bool atEnd = false;
        if (buffer_->readRecord(at, &atEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd || buffer_->getNumber() == XLS_REC_EOF)
            break;
        const std::uint16_t number = buffer_->getNumber();
        const std::uint8_t* body = buffer_->getBody();
        const std::size_t length = buffer_->getLength();
        const bool multi = number == XLS_REC_MULRK || number == XLS_REC_MULBLANK;
        const std::size_t count = multi ? xlsMultiCellCount(number, length) : 1;
        for (std::size_t i = 0; i < count; ++i) {
            XlsCell cell =
                multi ? xlsMultiCell(number, body, i) : xlsDecodeCell(number, body, length);
            if (number == XLS_REC_STRING) {
                if (pending.kind != XLS_CELL_PENDING)
                    break;
                cell.row = pending.row;
                cell.column = pending.column;
                cell.xf = pending.xf;
            }
            if (cell.kind == XLS_CELL_NONE)
                break;
            pending = cell;
            if (cell.row > range.lastRow) {
                // Below the range (rows come in order): the table ends.
                positioned_ = inRow;
                *found = inRow;
                return VX_SUCCESS;
            }
            if (cell.row <= range.firstRow || cell.column < range.firstColumn ||
                cell.column > range.lastColumn)
                continue;
            if (!inRow) {
                inRow = true;
                row = cell.row;
                current_ = static_cast<std::uint32_t>(at);
            } else if (cell.row != row) {
                next_ = static_cast<std::uint32_t>(at);
                positioned_ = true;
                *found = true;
                return VX_SUCCESS;
            }
            const std::uint16_t index = static_cast<std::uint16_t>(cell.column - range.firstColumn);
            if (index >= fieldCount_)
                continue;
            const auto* field = static_cast<const XlsSharedField*>(getSharedField(index));
            fields_[index].set(cell, desc->formatType(cell.xf), field->getWidth(), utf8_);
        }
        at = buffer_->getNextOffset();
    }
    positioned_ = inRow;
    *found = inRow;
    return VX_SUCCESS;
}

VxStatus XlsCursor::getNewFirstRecord(bool* eof, FlatIndexRange*) {
    auto* desc = static_cast<XlsSharedDesc*>(getSharedDesc());
    if (!desc) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    next_ = desc->getDataStart();
    return getNextRecord(eof);
}

VxStatus XlsCursor::getNextRecord(bool* eof) {
    bool found = false;
    if (readRow(next_, &found) != VX_SUCCESS)
        return VX_ERROR;
    *eof = !found;
    return VX_SUCCESS;
}

VxStatus XlsCursor::getRandomRecord(const void* handle, std::uint16_t* status) {
    bool found = false;
    if (readRow(getHandle(handle), &found) != VX_SUCCESS)
        return VX_ERROR;
    *status = found ? 0 : 3;
    return VX_SUCCESS;
}

VxStatus XlsCursor::getRecordHandle(void* out) {
    putHandle(positioned_ ? current_ : 0, out);
    return VX_SUCCESS;
}

VxStatus XlsCursor::getFieldData(std::uint16_t field, FlatDataValue* out) {
    if (!positioned_) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    if (field >= fieldCount_) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    const auto* shared = static_cast<const XlsSharedField*>(getSharedField(field));
    auto* desc = static_cast<XlsSharedDesc*>(getSharedDesc());
    return fields_[field].deliver(shared->getType(), desc->getBook()->is1904(), out);
}
