#include "record/XlsCell.h"

#include <cstring>

namespace {

std::uint16_t get16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t get32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

double getDouble(const std::uint8_t* p) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Row, column and XF index, the first six bytes of every cell record.
XlsCell cellAt(const std::uint8_t* body, XlsCellKind kind) {
    XlsCell cell;
    cell.kind = kind;
    cell.row = get16(body);
    cell.column = get16(body + 2);
    cell.xf = get16(body + 4);
    return cell;
}

// A text of a 16-bit length at `offset`, which must lie in the record.
XlsCell textCell(const std::uint8_t* body, std::size_t length, std::size_t offset) {
    if (length < offset + 2)
        return XlsCell{};
    std::size_t textLength = get16(body + offset);
    if (offset + 2 + textLength > length)
        return XlsCell{};
    XlsCell cell = offset >= 6 ? cellAt(body, XLS_CELL_TEXT) : XlsCell{};
    cell.kind = XLS_CELL_TEXT;
    cell.text = body + offset + 2;
    cell.textLength = textLength;
    return cell;
}

XlsCell formulaCell(const std::uint8_t* body, std::size_t length) {
    if (length < 14)
        return XlsCell{};
    XlsCell cell = cellAt(body, XLS_CELL_NUMBER);
    const std::uint8_t* result = body + 6;
    if (result[6] != 0xFF || result[7] != 0xFF) {
        cell.number = getDouble(result);
        return cell;
    }
    switch (result[0]) {
    case 0:
        cell.kind = XLS_CELL_PENDING;
        break;
    case 1:
        cell.kind = XLS_CELL_BOOLEAN;
        cell.number = result[2] ? 1 : 0;
        break;
    case 2:
        cell.kind = XLS_CELL_ERROR;
        break;
    default:
        cell.kind = XLS_CELL_EMPTY;
        break;
    }
    return cell;
}

} // namespace

double xlsRkValue(std::uint32_t rk) {
    double value;
    if (rk & 2) {
        // An arithmetic shift of the signed 30-bit integer.
        auto integer = static_cast<std::int32_t>(rk & 0xFFFFFFFCu);
        value = static_cast<double>(integer / 4);
    } else {
        std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return (rk & 1) ? value / 100 : value;
}

XlsCell xlsDecodeCell(std::uint16_t number, const std::uint8_t* body, std::size_t length) {
    switch (number) {
    case XLS_REC_NUMBER:
        if (length >= 14) {
            XlsCell cell = cellAt(body, XLS_CELL_NUMBER);
            cell.number = getDouble(body + 6);
            return cell;
        }
        break;
    case XLS_REC_RK:
        if (length >= 10) {
            XlsCell cell = cellAt(body, XLS_CELL_RK);
            cell.number = xlsRkValue(get32(body + 6));
            return cell;
        }
        break;
    case XLS_REC_LABEL:
    case XLS_REC_RSTRING:
        return textCell(body, length, 6);
    case XLS_REC_STRING:
        return textCell(body, length, 0);
    case XLS_REC_BOOLERR:
        if (length >= 8) {
            XlsCell cell = cellAt(body, body[7] ? XLS_CELL_ERROR : XLS_CELL_BOOLEAN);
            cell.number = body[6] ? 1 : 0;
            return cell;
        }
        break;
    case XLS_REC_FORMULA:
    case XLS_REC_FORMULA_OLD:
        return formulaCell(body, length);
    case XLS_REC_BLANK:
        if (length >= 6)
            return cellAt(body, XLS_CELL_EMPTY);
        break;
    case XLS_REC_MULRK:
    case XLS_REC_MULBLANK:
        if (xlsMultiCellCount(number, length) > 0)
            return xlsMultiCell(number, body, 0);
        break;
    default:
        break;
    }
    return XlsCell{};
}

// MULRK: row, first column, then (XF, RK) of 6 bytes per cell, then the
// last column. MULBLANK: the same with an XF of 2 bytes per cell.
std::size_t xlsMultiCellCount(std::uint16_t number, std::size_t length) {
    if (length < 6)
        return 0;
    return number == XLS_REC_MULRK ? (length - 6) / 6 : (length - 6) / 2;
}

XlsCell xlsMultiCell(std::uint16_t number, const std::uint8_t* body, std::size_t index) {
    XlsCell cell;
    cell.row = get16(body);
    cell.column = static_cast<std::uint16_t>(get16(body + 2) + index);
    if (number == XLS_REC_MULRK) {
        const std::uint8_t* item = body + 4 + index * 6;
        cell.kind = XLS_CELL_RK;
        cell.xf = get16(item);
        cell.number = xlsRkValue(get32(item + 2));
    } else {
        cell.kind = XLS_CELL_EMPTY;
        cell.xf = get16(body + 4 + index * 2);
    }
    return cell;
}
