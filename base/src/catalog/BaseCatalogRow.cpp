// BaseCatalogRow: the cells of one catalog row and the row classes' orders.
#include "base/BaseCatalogRow.h"

#include <sqlext.h>

#include <cstring>

#include "util/ram.h"
#include "util/str.h"

BaseCatalogRow::BaseCatalogRow(std::uint16_t columnCount)
    : columnCount_(columnCount > BASE_CATALOG_MAX_COLUMNS ? BASE_CATALOG_MAX_COLUMNS
                                                          : columnCount) {}

BaseCatalogRow::~BaseCatalogRow() {
    for (Cell& c : cells_)
        ramFree(c.text);
}

const BaseCatalogRow::Cell* BaseCatalogRow::cell(std::uint16_t column) const {
    return column >= 1 && column <= columnCount_ ? &cells_[column - 1] : nullptr;
}

BaseCatalogRow::Cell* BaseCatalogRow::cell(std::uint16_t column) {
    return column >= 1 && column <= columnCount_ ? &cells_[column - 1] : nullptr;
}

VxStatus BaseCatalogRow::setText(std::uint16_t column, const char* text, SQLLEN length) {
    Cell* c = cell(column);
    if (!c)
        return VX_SUCCESS;
    ramFree(c->text);
    *c = Cell{};
    if (!text)
        return VX_SUCCESS;
    std::size_t bytes =
        length == SQL_NTS || length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
    c->text = ramAllocStr(text, bytes);
    if (!c->text)
        return VX_ERROR;
    c->null = false;
    c->isText = true;
    return VX_SUCCESS;
}

void BaseCatalogRow::setNumber(std::uint16_t column, std::int32_t number) {
    Cell* c = cell(column);
    if (!c)
        return;
    ramFree(c->text);
    *c = Cell{};
    c->number = number;
    c->null = false;
}

void BaseCatalogRow::setNull(std::uint16_t column) {
    Cell* c = cell(column);
    if (!c)
        return;
    ramFree(c->text);
    *c = Cell{};
}

bool BaseCatalogRow::isNull(std::uint16_t column) const {
    const Cell* c = cell(column);
    return !c || c->null;
}

const char* BaseCatalogRow::getText(std::uint16_t column) const {
    const Cell* c = cell(column);
    return c && !c->null && c->isText ? c->text : nullptr;
}

std::int32_t BaseCatalogRow::getNumber(std::uint16_t column) const {
    const Cell* c = cell(column);
    return c && !c->null && !c->isText ? c->number : 0;
}

bool BaseCatalogRow::isNumber(std::uint16_t column) const {
    const Cell* c = cell(column);
    return c && !c->null && !c->isText;
}

VxStatus BaseCatalogRow::copyCells(const BaseCatalogRow& other) {
    for (std::uint16_t column = 1; column <= columnCount_; ++column) {
        if (other.isNull(column))
            setNull(column);
        else if (other.isNumber(column))
            setNumber(column, other.getNumber(column));
        else if (setText(column, other.getText(column)) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

int BaseCatalogRow::compareName(const BaseCatalogRow& other, std::uint16_t column) const {
    const char* a = getText(column);
    const char* b = other.getText(column);
    if (!a || !b)
        return (a ? 1 : 0) - (b ? 1 : 0);
    return strCompareIntl(a, b);
}

int BaseCatalogRow::compareBytes(const BaseCatalogRow& other, std::uint16_t column) const {
    const char* a = getText(column);
    const char* b = other.getText(column);
    if (!a || !b)
        return (a ? 1 : 0) - (b ? 1 : 0);
    return std::strcmp(a, b);
}

int BaseCatalogRow::compareNumber(const BaseCatalogRow& other, std::uint16_t column) const {
    bool aNull = isNull(column);
    bool bNull = other.isNull(column);
    if (aNull || bNull)
        return (aNull ? 0 : 1) - (bNull ? 0 : 1);
    std::int32_t a = getNumber(column);
    std::int32_t b = other.getNumber(column);
    return a < b ? -1 : a > b ? 1 : 0;
}

int BaseCatalogRow::compareSequence(const BaseCatalogRow& other) const {
    return sequence_ < other.sequence_ ? -1 : sequence_ > other.sequence_ ? 1 : 0;
}

int BaseCatalogRow::compareNames(const BaseCatalogRow& other, std::uint16_t first,
                                 std::uint16_t last) const {
    for (std::uint16_t column = first; column <= last; ++column)
        if (int result = compareName(other, column))
            return result;
    return 0;
}

// ---- Row orders -------------------------------------------------------------

namespace {

const BaseCatalogRow& asRow(const VxObject& other) {
    return static_cast<const BaseCatalogRow&>(other);
}

} // namespace

short TablesRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    if (int result = compareBytes(row, 4))
        return sign(result);
    return sign(compareNames(row, 1, 3));
}

short PerColumnInfo::compare(const VxObject& other) const {
    return sign(compareSequence(asRow(other)));
}

// The table-statistics row (TYPE SQL_TABLE_STAT, 0) comes first.
short StatRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    bool mine = getNumber(7) == SQL_TABLE_STAT;
    bool theirs = row.getNumber(7) == SQL_TABLE_STAT;
    if (mine != theirs)
        return mine ? -1 : 1;
    if (int result = compareNumber(row, 4))
        return sign(result);
    if (int result = compareNumber(row, 7))
        return sign(result);
    if (int result = compareNames(row, 5, 6))
        return sign(result);
    return sign(compareNumber(row, 8));
}

short SpecialRowInfo::compare(const VxObject& other) const {
    return sign(compareNumber(asRow(other), 1));
}

short PrimaryRowInfo::compare(const VxObject& other) const {
    return sign(compareNumber(asRow(other), 5));
}

short ForeignRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    if (int result = compareNames(row, 1, 3))
        return sign(result);
    if (int result = compareNames(row, 5, 7))
        return sign(result);
    return sign(compareNumber(row, 9));
}

short ProcsRowInfo::compare(const VxObject& other) const {
    return sign(compareNames(asRow(other), 1, 3));
}

short ProcColsRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    if (int result = compareNames(row, 1, 3))
        return sign(result);
    return sign(compareSequence(row));
}

short TablePrivsRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    if (int result = compareNames(row, 1, 3))
        return sign(result);
    return sign(compareName(row, 6));
}

short ColPrivsRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    if (int result = compareName(row, 4))
        return sign(result);
    return sign(compareName(row, 7));
}

short GetTypeRowInfo::compare(const VxObject& other) const {
    const BaseCatalogRow& row = asRow(other);
    if (int result = compareNumber(row, 2))
        return sign(result);
    return sign(compareSequence(row));
}
