#include "cursor/XlsSharedDesc.h"

#include <cstdio>
#include <cstring>

#include "base/BaseOdbcId.h"
#include "connect/XlsConnection.h"
#include "cursor/XlsSharedField.h"
#include "error/XlsErrors.h"
#include "flat/FlatFileCursor.h"
#include "record/XlsCell.h"
#include "record/XlsCellBuffer.h"
#include "util/ram.h"

namespace {

constexpr std::uint16_t NUMBER_WIDTH = 12; // 10 plus the numeric scale 2
constexpr std::uint16_t TEXT_WIDTH = 255;
constexpr std::uint16_t LENGTH_MARGIN = 10;

} // namespace

XlsSharedDesc::XlsSharedDesc(XlsConnection* connection)
    : FlatSharedDesc(connection), xls_(connection) {
    setRecordHandleSize(RECORD_HANDLE_SIZE);
    setFlag(DESC_READ_ONLY, true);
}

XlsSharedDesc* XlsSharedDesc::find(XlsConnection* connection, const char* key, XlsGuessMode mode,
                                   const XlsColumnList& columns) {
    for (FlatSharedDesc* desc = connection->getFirstSharedDesc(); desc; desc = desc->getNext()) {
        auto* xls = dynamic_cast<XlsSharedDesc*>(desc);
        if (xls && xls->hasFlag(DESC_OPENED) && xls->mode_ == mode &&
            std::strcmp(xls->key_.getText(), key) == 0 &&
            (mode != XLS_GUESS_EXPLICIT || xls->columns_.sameAs(columns)))
            return xls;
    }
    return nullptr;
}

XlsColumnType XlsSharedDesc::formatType(std::uint16_t xf) const {
    if (xf >= book_->getXfCount())
        return XLS_TYPE_NUMBER;
    const std::uint16_t format = book_->getXfFormat(xf);
    if (format >= 14 && format <= 17)
        return XLS_TYPE_DATE;
    if ((format >= 18 && format <= 21) || (format >= 45 && format <= 47))
        return XLS_TYPE_TIME;
    if (format == 22)
        return XLS_TYPE_TIMESTAMP;
    return XLS_TYPE_NUMBER;
}

void XlsSharedDesc::guess(Column* column, const XlsCell& cell) const {
    switch (cell.kind) {
    case XLS_CELL_NUMBER:
    case XLS_CELL_RK: {
        const XlsColumnType format = formatType(cell.xf);
        if (column->type == XLS_TYPE_LOGICAL || column->type == XLS_TYPE_UNKNOWN)
            column->type = format;
        else if ((column->type == XLS_TYPE_DATE || column->type == XLS_TYPE_TIME) &&
                 format == XLS_TYPE_TIMESTAMP)
            column->type = XLS_TYPE_TIMESTAMP;
        else if (column->type == XLS_TYPE_CHAR && column->width < NUMBER_WIDTH)
            column->width = NUMBER_WIDTH;
        break;
    }
    case XLS_CELL_TEXT:
        if (!xls_->guessesLengths()) {
            column->width = TEXT_WIDTH;
        } else {
            std::size_t wanted = cell.textLength + LENGTH_MARGIN;
            if (column->type != XLS_TYPE_CHAR)
                column->width = 0;
            if (wanted > TEXT_WIDTH)
                wanted = TEXT_WIDTH;
            if (wanted > column->width)
                column->width = static_cast<std::uint16_t>(wanted);
        }
        column->type = XLS_TYPE_CHAR;
        break;
    case XLS_CELL_BOOLEAN:
    case XLS_CELL_ERROR:
        if (column->type == XLS_TYPE_UNKNOWN)
            column->type = XLS_TYPE_LOGICAL;
        break;
    default:
        break;
    }
}

VxStatus XlsSharedDesc::scan(Column* out) {
    const bool explicitList = mode_ == XLS_GUESS_EXPLICIT;
    const std::uint32_t scanRows = xls_->getScanRows();
    XlsCellBuffer buffer(book_->getBookStream(), book_->getPath());
    const std::uint32_t sheet = book_->getSheetOffset(range_.sheet);
    if (buffer.readBof(sheet) != VX_SUCCESS)
        return VX_ERROR;
    std::uint64_t offset = buffer.getNextOffset();
    XlsCell pending; // a formula waiting for its text result
    for (;;) {
        bool atEnd = false;
        if (buffer.readRecord(offset, &atEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd || buffer.getNumber() == XLS_REC_EOF)
            return VX_SUCCESS;
        const std::uint16_t number = buffer.getNumber();
        const std::uint8_t* body = buffer.getBody();
        const std::size_t length = buffer.getLength();
        std::size_t count = 1;
        if (number == XLS_REC_MULRK || number == XLS_REC_MULBLANK)
            count = xlsMultiCellCount(number, length);
        for (std::size_t i = 0; i < count; ++i) {
            XlsCell cell = count > 1 || number == XLS_REC_MULRK || number == XLS_REC_MULBLANK
                               ? xlsMultiCell(number, body, i)
                               : xlsDecodeCell(number, body, length);
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
            // Rows come in order: nothing below the range is read.
            if (cell.row > range_.lastRow)
                return VX_SUCCESS;
            if (cell.row < range_.firstRow || cell.column < range_.firstColumn ||
                cell.column > range_.lastColumn)
                continue;
            Column* column = out + (cell.column - range_.firstColumn);
            if (cell.row == range_.firstRow) {
                if (cell.kind == XLS_CELL_TEXT) {
                    std::size_t kept =
                        cell.textLength < XLS_MAX_NAME ? cell.textLength : XLS_MAX_NAME;
                    std::memcpy(column->name, cell.text, kept);
                    column->name[kept] = '\0';
                }
                continue;
            }
            if (dataStart_ == 0)
                dataStart_ = static_cast<std::uint32_t>(offset);
            if (explicitList ||
                (scanRows != 0 && std::uint32_t(cell.row - range_.firstRow) > scanRows))
                return VX_SUCCESS;
            guess(column, cell);
        }
        offset = buffer.getNextOffset();
    }
}

VxStatus XlsSharedDesc::addColumns(Column* out) {
    const std::size_t count = range_.lastColumn - range_.firstColumn + 1u;
    const bool guessing = xls_->guessesFields();
    for (std::size_t i = 0; i < count; ++i) {
        Column& column = out[i];
        if (mode_ == XLS_GUESS_EXPLICIT) {
            if (i < columns_.size()) {
                column.type = columns_[i].type;
                column.width = columns_[i].width;
            }
        }
        if (column.name[0] == '\0')
            std::snprintf(column.name, sizeof column.name, "FIELD%u", static_cast<unsigned>(i + 1));
        if (column.type == XLS_TYPE_UNKNOWN) {
            column.type = XLS_TYPE_CHAR;
            column.width = TEXT_WIDTH;
        }
        if (mode_ == XLS_GUESS_EXPLICIT || guessing) {
            static const std::uint16_t WIDTHS[] = {1, 15, 10, 8, 19};
            if (column.type != XLS_TYPE_CHAR)
                column.width = WIDTHS[column.type];
        } else {
            static const std::uint16_t WIDTHS[] = {4, NUMBER_WIDTH, 22, 22, 22};
            if (column.type != XLS_TYPE_CHAR)
                column.width = WIDTHS[column.type];
            column.type = XLS_TYPE_CHAR;
        }
        if (column.width == 0)
            column.width = TEXT_WIDTH;
        auto* field = new XlsSharedField;
        if (!field)
            return VX_ERROR;
        if (field->describe(column.name, column.type, column.width) != VX_SUCCESS) {
            delete field;
            return VX_ERROR;
        }
        if (addField(field) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus XlsSharedDesc::open(XlsBookDesc* book, const XlsNameDesc& name, const char* key,
                             XlsGuessMode mode, const char* options, FlatFileCursor* cursor) {
    book_ = book;
    range_ = name;
    mode_ = mode;
    if (key_.initialize(key) != VX_SUCCESS || (options && columns_.parse(options) != VX_SUCCESS))
        return VX_ERROR;
    if (range_.sheet >= book->getSheetCount() || range_.lastColumn < range_.firstColumn ||
        range_.lastRow < range_.firstRow) {
        xlsAddFileError(XLS_MSG_NOT_EXCEL, book->getPath());
        return VX_ERROR;
    }
    const std::size_t count = range_.lastColumn - range_.firstColumn + 1u;
    auto* columns = static_cast<Column*>(ramAlloc(sizeof(Column) * count));
    if (!columns)
        return VX_ERROR;
    for (std::size_t i = 0; i < count; ++i)
        columns[i] = Column{{}, XLS_TYPE_UNKNOWN, 0};
    VxStatus status = scan(columns);
    if (status == VX_SUCCESS)
        status = addColumns(columns);
    ramFree(columns);
    if (status != VX_SUCCESS || setIdentifiers(book->getPath()) != VX_SUCCESS ||
        setQualifier(book->getPath()) != VX_SUCCESS || setTableName(range_.name) != VX_SUCCESS ||
        initialize(cursor) != VX_SUCCESS)
        return VX_ERROR;
    setFlag(DESC_OPENED, true);
    return VX_SUCCESS;
}
