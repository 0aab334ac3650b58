// FlatSortKeys: evaluating and comparing the keys of a sort record.
#include "flat/FlatSortKeys.h"

#include <sql.h>
#include <sqlext.h>

#include <cstring>

#include "flat/FlatExprType.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatValueCompare.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// Value bytes of a non-string key: a double, or a date, time or
// timestamp structure.
constexpr std::uint32_t FIXED_WIDTH = 16;
// Value bytes of a long string key: longer values are compared by their
// first bytes.
constexpr std::uint32_t LONG_WIDTH = 512;
// Null byte of a slot whose value is held outside it.
constexpr unsigned char HELD_OUTSIDE = 2;
// Value bytes a key that may overflow needs at least: room for the pointer.
constexpr std::uint32_t POINTER_WIDTH = sizeof(void*);

bool mayOverflow(short exprType) {
    return (flatIsStringType(exprType) || flatIsBinaryType(exprType) ||
            exprType == FLAT_TYPE_LITERAL) &&
           exprType != FLAT_TYPE_LONGVARCHAR && exprType != FLAT_TYPE_LONGVARBINARY;
}

} // namespace

FlatSortKeys::~FlatSortKeys() {
    releaseOutside();
    for (std::uint16_t i = 0; i < count_; ++i)
        delete keys_[i].stream;
    ramFree(keys_);
}

void FlatSortKeys::releaseOutside() {
    while (outside_) {
        Outside* next = outside_->next;
        ramFree(outside_);
        outside_ = next;
    }
}

short FlatSortKeys::compareTypeOf(short exprType) {
    if (exprType == FLAT_TYPE_BIT)
        return SQL_BIT;
    if (flatIsNumberType(exprType))
        return SQL_DOUBLE;
    if (flatIsDateType(exprType))
        return exprType;
    if (flatIsBinaryType(exprType))
        return SQL_VARBINARY;
    if (exprType == FLAT_TYPE_CHAR)
        return SQL_CHAR;
    return SQL_VARCHAR;
}

std::uint32_t FlatSortKeys::widthOf(short exprType, std::uint32_t length) {
    if (flatIsStringType(exprType) || flatIsBinaryType(exprType) || exprType == FLAT_TYPE_LITERAL ||
        exprType == FLAT_TYPE_LONGVARCHAR) {
        if (length > LONG_WIDTH &&
            (exprType == FLAT_TYPE_LONGVARCHAR || exprType == FLAT_TYPE_LONGVARBINARY))
            return LONG_WIDTH;
        return length ? length : 1;
    }
    return FIXED_WIDTH;
}

VxStatus FlatSortKeys::grow() {
    if (count_ < capacity_)
        return VX_SUCCESS;
    std::uint16_t capacity = capacity_ ? static_cast<std::uint16_t>(capacity_ * 2) : 4;
    auto* keys = static_cast<Key*>(ramAlloc(sizeof(Key) * capacity));
    if (!keys)
        return VX_ERROR;
    if (count_)
        std::memcpy(keys, keys_, sizeof(Key) * count_);
    ramFree(keys_);
    keys_ = keys;
    capacity_ = capacity;
    return VX_SUCCESS;
}

VxStatus FlatSortKeys::addColumn(FlatResultSetColumn* column, bool descending) {
    if (grow() != VX_SUCCESS)
        return VX_ERROR;
    short type = column->getSqlType();
    std::uint32_t width = widthOf(type, column->getPrecision());
    // A number may come as text: room for its digits, sign and point.
    if (!flatIsStringType(type) && !flatIsBinaryType(type) && width < column->getPrecision() + 2)
        width = column->getPrecision() + 2;
    Key& key = keys_[count_++];
    key.stream = nullptr;
    key.column = column;
    key.offset = bytes_;
    key.mayOverflow = mayOverflow(type);
    key.width = key.mayOverflow && width < POINTER_WIDTH ? POINTER_WIDTH : width;
    key.compareType = compareTypeOf(type);
    key.descending = descending;
    bytes_ += FLAT_SORT_KEY_HEADER + key.width;
    return VX_SUCCESS;
}

VxStatus FlatSortKeys::add(FlatOpStream* stream, short exprType, std::uint32_t length,
                           bool descending) {
    if (grow() != VX_SUCCESS) {
        delete stream;
        return VX_ERROR;
    }
    Key& key = keys_[count_++];
    key.stream = stream;
    key.column = nullptr;
    key.offset = bytes_;
    key.width = widthOf(exprType, length);
    key.mayOverflow = mayOverflow(exprType);
    if (key.mayOverflow && key.width < POINTER_WIDTH)
        key.width = POINTER_WIDTH;
    key.compareType = compareTypeOf(exprType);
    key.descending = descending;
    bytes_ += FLAT_SORT_KEY_HEADER + key.width;
    return VX_SUCCESS;
}

short FlatSortKeys::slotSqlType(const unsigned char* slot) {
    short sqlType = 0;
    std::memcpy(&sqlType, slot + 3, 2);
    return sqlType;
}

void FlatSortKeys::writeSlot(const FlatDataValue& value, short sqlType, std::uint32_t width,
                             unsigned char* slot) {
    if (value.isNull()) {
        std::memset(slot, 0, FLAT_SORT_KEY_HEADER);
        return;
    }
    short storage = value.getStorageType();
    std::uint32_t length = value.getLength();
    if (length > width)
        length = width;
    slot[0] = 1;
    std::memcpy(slot + 1, &storage, 2);
    std::memcpy(slot + 3, &sqlType, 2);
    std::memcpy(slot + 5, &length, 4);
    if (length)
        std::memcpy(slot + FLAT_SORT_KEY_HEADER, value.getValueBuffer(), length);
}

const unsigned char* FlatSortKeys::slotBytes(const unsigned char* slot) {
    if (slot[0] != HELD_OUTSIDE)
        return slot + FLAT_SORT_KEY_HEADER;
    const unsigned char* bytes = nullptr;
    std::memcpy(&bytes, slot + FLAT_SORT_KEY_HEADER, sizeof bytes);
    return bytes;
}

void FlatSortKeys::readSlot(const unsigned char* slot, FlatDataValue* value) {
    short storage = 0;
    std::uint32_t length = 0;
    std::memcpy(&storage, slot + 1, 2);
    std::memcpy(&length, slot + 5, 4);
    value->setValueBuffer(const_cast<unsigned char*>(slotBytes(slot)), 0);
    value->setLength(length);
    value->setStorageType(storage);
    if (slot[0] == 0)
        value->setNull();
}

VxStatus FlatSortKeys::evaluateKey(std::uint16_t n, unsigned char* slot) {
    const Key& key = keys_[n];
    short sqlType = key.compareType;
    if (key.column) {
        if (key.column->evaluate(&value_, &sqlType) != VX_SUCCESS)
            return VX_ERROR;
    } else if (key.stream->evaluate(&value_) != VX_SUCCESS) {
        return VX_ERROR;
    }
    if (key.mayOverflow && !value_.isNull() && value_.getLength() > key.width) {
        // Too long for the slot: the whole value goes outside it.
        std::uint32_t length = value_.getLength();
        auto* held = static_cast<Outside*>(ramAlloc(sizeof(Outside) + length));
        if (!held)
            return VX_ERROR;
        held->next = outside_;
        outside_ = held;
        unsigned char* bytes = reinterpret_cast<unsigned char*>(held + 1);
        std::memcpy(bytes, value_.getValueBuffer(), length);
        short storage = value_.getStorageType();
        slot[0] = HELD_OUTSIDE;
        std::memcpy(slot + 1, &storage, 2);
        std::memcpy(slot + 3, &sqlType, 2);
        std::memcpy(slot + 5, &length, 4);
        std::memcpy(slot + FLAT_SORT_KEY_HEADER, &bytes, sizeof bytes);
        return VX_SUCCESS;
    }
    writeSlot(value_, sqlType, key.width, slot);
    return VX_SUCCESS;
}

VxStatus FlatSortKeys::evaluate(unsigned char* record) {
    for (std::uint16_t i = 0; i < count_; ++i)
        if (evaluateKey(i, record + keys_[i].offset) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

int FlatSortKeys::compareSlots(FlatOpStreamGlobalInfo* info, const unsigned char* a,
                               const unsigned char* b) {
    if (a[0] == 0 || b[0] == 0)
        return a[0] == b[0] ? 0 : (a[0] == 0 ? -1 : 1);
    short storageA = 0;
    short storageB = 0;
    std::memcpy(&storageA, a + 1, 2);
    std::memcpy(&storageB, b + 1, 2);
    if (storageA == INTERNAL_DOUBLE && storageB == INTERNAL_DOUBLE) {
        double x = 0;
        double y = 0;
        std::memcpy(&x, a + FLAT_SORT_KEY_HEADER, sizeof x);
        std::memcpy(&y, b + FLAT_SORT_KEY_HEADER, sizeof y);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    short typeA = slotSqlType(a);
    short typeB = slotSqlType(b);
    if (storageA == INTERNAL_CHAR && storageB == INTERNAL_CHAR && !info->isIntlSort() &&
        (typeA == SQL_CHAR || typeA == SQL_VARCHAR) &&
        (typeB == SQL_CHAR || typeB == SQL_VARCHAR)) {
        // Text as the evaluator compares it: without trailing blanks
        // unless both are VARCHAR, then byte by byte.
        std::uint32_t lengthA = 0;
        std::uint32_t lengthB = 0;
        std::memcpy(&lengthA, a + 5, 4);
        std::memcpy(&lengthB, b + 5, 4);
        const char* textA = reinterpret_cast<const char*>(slotBytes(a));
        const char* textB = reinterpret_cast<const char*>(slotBytes(b));
        std::size_t sizeA = lengthA;
        std::size_t sizeB = lengthB;
        if (typeA != SQL_VARCHAR || typeB != SQL_VARCHAR) {
            sizeA = strRightTrimBlanks(textA, sizeA);
            sizeB = strRightTrimBlanks(textB, sizeB);
        }
        int c = strCompare(textA, sizeA, textB, sizeB);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    FlatDataValue left;
    FlatDataValue right;
    readSlot(a, &left);
    readSlot(b, &right);
    int result = 0;
    if (flatCompareValues(info, left, slotSqlType(a), right, slotSqlType(b), &result) != VX_SUCCESS)
        return 2; // not a comparison result: the caller records the failure
    return result;
}

int FlatSortKeys::compare(const unsigned char* a, const unsigned char* b, std::uint16_t from,
                          std::uint16_t to) {
    for (std::uint16_t i = from; i < to && i < count_; ++i) {
        const Key& key = keys_[i];
        int c = compareSlots(info_, a + key.offset, b + key.offset);
        if (c == 2) {
            failed_ = true;
            c = 0;
        }
        if (c != 0)
            return key.descending ? -c : c;
    }
    return 0;
}
