// The in-memory test driver's cursor: reads, inserts, updates and deletes
// records of a MemTable. Record handles are the record number (4 bytes,
// from 1), so ROWIDs are record numbers.
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "MemDriver.h"
#include "base/BaseConvert.h"
#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatIndex.h"
#include "flat/FlatSharedField.h"

namespace {

constexpr unsigned short MSG_DUPLICATE_KEY = 4042;
constexpr unsigned short MSG_TABLE_MISSING = 4036;
constexpr std::size_t TEXT_LIMIT = 256;

InternalType internalOf(short sqlType) {
    switch (sqlType) {
    case SQL_INTEGER:
        return INTERNAL_SLONG;
    case SQL_DOUBLE:
        return INTERNAL_DOUBLE;
    default:
        return INTERNAL_CHAR;
    }
}

bool isDateTime(InternalType type) {
    return type == INTERNAL_DATE || type == INTERNAL_TIME || type == INTERNAL_TIMESTAMP;
}

} // namespace

MemTextKey::MemTextKey(FlatIndex* owner, std::uint16_t field, std::uint32_t width)
    : FlatIndexKey(owner, field, 0, static_cast<std::uint16_t>(1 + width), SQL_VARCHAR, width, 0),
      width_(width) {}

VxStatus MemTextKey::convertValueToNative(const FlatDataValue* value, unsigned char* out) {
    std::memset(out, 0, length_);
    if (!value || value->isNull())
        return VX_SUCCESS;
    out[0] = 1;
    if (value->getStorageType() != INTERNAL_CHAR)
        return VX_SUCCESS;
    const std::size_t size = std::min<std::size_t>(value->getLength(), width_);
    std::memcpy(out + 1, value->getValueBuffer(), size);
    return VX_SUCCESS;
}

int MemTextKey::compareNativeToNative(const unsigned char* a, const unsigned char* b) {
    const int c = std::memcmp(a, b, length_);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string MemTextKey::prefixOf(const char* pattern, std::size_t length) const {
    std::string prefix;
    for (std::size_t i = 0; i < length && prefix.size() < width_; ++i) {
        char c = pattern[i];
        if (c == '%' || c == '_')
            break;
        if (c == '\\' && i + 1 < length)
            c = pattern[++i];
        prefix.push_back(c);
    }
    // A match may ignore trailing blanks.
    while (!prefix.empty() && prefix.back() == ' ')
        prefix.pop_back();
    return prefix;
}

std::string MemTextKey::prefixOf(const FlatIndexLimit* limit) const {
    const FlatDataValue* value = limit->getValue();
    return prefixOf(static_cast<const char*>(value->getValueBuffer()), value->getLength());
}

bool MemTextKey::isNativeLikePattern(const unsigned char* key, const char* pattern) {
    if (key[0] == 0 || !pattern)
        return false;
    const std::string prefix = prefixOf(pattern, std::strlen(pattern));
    return std::memcmp(key + 1, prefix.data(), prefix.size()) == 0;
}

VxStatus MemTextKey::generateStartKey(unsigned char* out, const FlatIndexLimit* lower,
                                      const FlatIndexLimit*) {
    std::memset(out, 0, length_);
    if (!lower)
        return VX_SUCCESS;
    if (lower->getOp() != FlatLimitOp::LIKE) {
        std::memcpy(out, lower->getNative(), length_);
        return VX_SUCCESS;
    }
    const std::string prefix = prefixOf(lower);
    out[0] = 1;
    std::memcpy(out + 1, prefix.data(), prefix.size());
    return VX_SUCCESS;
}

int MemTextKey::compareToEndKey(const unsigned char* key, const FlatIndexLimit*,
                                const FlatIndexLimit* upper) {
    if (!upper)
        return -1;
    if (upper->getOp() == FlatLimitOp::LIKE) {
        if (key[0] == 0)
            return -1;
        const std::string prefix = prefixOf(upper);
        return std::memcmp(key + 1, prefix.data(), prefix.size()) > 0 ? 1 : -1;
    }
    const int c = compareNativeToNative(key, upper->getNative());
    return c == 0 && upper->getOp() == FlatLimitOp::LESS ? 1 : c;
}

VxStatus MemSharedDesc::releaseRecordLock(const void*, const void*) {
    --table_->locksHeld;
    return VX_SUCCESS;
}

MemTable* MemCursor::table() const {
    auto* desc = static_cast<MemSharedDesc*>(getSharedDesc());
    return desc ? desc->getTable() : nullptr;
}

bool MemCursor::isLive(std::uint32_t record) const {
    MemTable* t = table();
    return t && record >= 1 && record <= t->rows.size() && !t->deleted[record - 1];
}

VxStatus MemCursor::openTable(const char*, const char*, const char* name, FlatResultSetGlobalInfo*,
                              const char*) {
    auto* connection = static_cast<MemConnection*>(connection_);
    MemTable* memTable = connection->store.find(name);
    if (!memTable) {
        addFlatError(MSG_TABLE_MISSING) << name;
        return VX_ERROR;
    }
    for (FlatSharedDesc* desc = connection->getFirstSharedDesc(); desc; desc = desc->getNext())
        if (desc->hasFlag(FlatSharedDesc::DESC_OPENED) &&
            static_cast<MemSharedDesc*>(desc)->getTable() == memTable) {
            setFile(desc);
            return VX_SUCCESS;
        }
    auto* desc = new MemSharedDesc(connection, memTable);
    if (desc->initialize(this) != VX_SUCCESS) {
        delete desc;
        return VX_ERROR;
    }
    desc->setRecordHandleSize(4);
    desc->setLockHandleSize(4);
    std::string path = "/memory/" + memTable->name + ".MEM";
    if (desc->setIdentifiers(path.c_str()) != VX_SUCCESS)
        return VX_ERROR;
    for (const MemColumn& column : memTable->columns) {
        auto* field = new FlatSharedField();
        const char* typeName = column.sqlType == SQL_INTEGER  ? "INTEGER"
                               : column.sqlType == SQL_DOUBLE ? "DOUBLE"
                                                              : "VARCHAR";
        if (field->setName(column.name.c_str()) != VX_SUCCESS ||
            field->setNativeTypeName(typeName) != VX_SUCCESS) {
            delete field;
            return VX_ERROR;
        }
        field->setSqlType(column.sqlType);
        field->setPrecision(column.precision);
        field->setNullable(column.nullable);
        field->setUpdatable(SQL_ATTR_WRITE);
        if (desc->addField(field) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (memTable->uniqueKey) {
        // Column 0 is the table's primary key.
        auto* index = new FlatFileIndex(desc);
        if (!index || index->initialize("PrimaryKey") != VX_SUCCESS ||
            index->addKey(new FlatFileIndexKey(index, 0, memTable->columns[0].sqlType)) !=
                VX_SUCCESS) {
            delete index;
            return VX_ERROR;
        }
        index->setFlags(FlatFileIndex::INDEX_UNIQUE | FlatFileIndex::INDEX_PRIMARY);
        if (desc->addIndex(index) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (memTable->textIndex >= 0) {
        const auto column = static_cast<std::uint16_t>(memTable->textIndex);
        auto* index = new FlatFileIndex(desc);
        if (!index ||
            index->initialize(("By" + memTable->columns[column].name).c_str()) != VX_SUCCESS ||
            index->addKey(new MemTextKey(index, column, memTable->columns[column].precision)) !=
                VX_SUCCESS) {
            delete index;
            return VX_ERROR;
        }
        if (desc->addIndex(index) != VX_SUCCESS)
            return VX_ERROR;
    }
    desc->setFlag(FlatSharedDesc::DESC_OPENED, true);
    return VX_SUCCESS;
}

VxStatus MemCursor::getNewFirstRecord(bool* eof, FlatIndexRange* range) {
    record_ = 0;
    range_ = nullptr;
    FlatSharedDesc* desc = getSharedDesc();
    for (std::uint16_t n = 0; range && desc && n < desc->getIndexCount(); ++n)
        if (range->getIndex() == desc->getIndex(n)) {
            range_ = range;
            return startRange(eof);
        }
    return getNextRecord(eof);
}

// Sorts the keys of the live records (a NULL key lies in no range) and
// seeks the range's start key.
VxStatus MemCursor::startRange(bool* eof) {
    FlatIndex* index = range_->getIndex();
    if ((keysOf_ != table()->changes || sortedBy_ != index) && sortKeys() != VX_SUCCESS)
        return VX_ERROR;
    record_ = 0;
    if (range_->generateStartKey() != VX_SUCCESS)
        return VX_ERROR;
    const unsigned char* start = range_->getStartKey();
    position_ = static_cast<std::size_t>(
        std::lower_bound(keys_.begin(), keys_.end(), start,
                         [index](const std::vector<unsigned char>& key, const unsigned char* s) {
                             return index->compareFullKeys(key.data(), s) < 0;
                         }) -
        keys_.begin());
    return nextInRange(eof);
}

// The keys stay sorted until the table changes.
VxStatus MemCursor::sortKeys() {
    MemTable* t = table();
    FlatIndex* index = range_->getIndex();
    const std::uint32_t length = index->getKeyLength();
    std::vector<std::pair<std::vector<unsigned char>, std::uint32_t>> entries;
    for (std::uint32_t i = 0; i < t->rows.size(); ++i) {
        if (t->deleted[i])
            continue;
        record_ = i + 1;
        std::vector<unsigned char> key(length);
        bool hasNull = false;
        if (index->computeIndexKey(this, key.data(), &hasNull) != VX_SUCCESS)
            return VX_ERROR;
        if (!hasNull)
            entries.emplace_back(std::move(key), record_);
    }
    std::stable_sort(entries.begin(), entries.end(), [index](const auto& a, const auto& b) {
        return index->compareFullKeys(a.first.data(), b.first.data()) < 0;
    });
    keys_.clear();
    order_.clear();
    for (auto& entry : entries) {
        keys_.push_back(std::move(entry.first));
        order_.push_back(entry.second);
    }
    keysOf_ = t->changes;
    sortedBy_ = index;
    return VX_SUCCESS;
}

VxStatus MemCursor::nextInRange(bool* eof) {
    while (position_ < order_.size()) {
        const std::size_t at = position_++;
        bool more = true;
        if (range_->checkKeySatisfiesBounds(keys_[at].data(), &more)) {
            if (!isLive(order_[at]))
                continue;
            record_ = order_[at];
            *eof = false;
            return VX_SUCCESS;
        }
        if (!more)
            break;
    }
    position_ = order_.size();
    record_ = static_cast<std::uint32_t>(table()->rows.size()) + 1;
    *eof = true;
    return VX_SUCCESS;
}

VxStatus MemCursor::getNextRecord(bool* eof) {
    if (range_)
        return nextInRange(eof);
    MemTable* t = table();
    const std::uint32_t count = static_cast<std::uint32_t>(t->rows.size());
    while (record_ < count) {
        ++record_;
        if (!t->deleted[record_ - 1]) {
            *eof = false;
            return VX_SUCCESS;
        }
    }
    record_ = count + 1;
    *eof = true;
    return VX_SUCCESS;
}

VxStatus MemCursor::getFieldData(std::uint16_t field, FlatDataValue* out) {
    MemTable* t = table();
    if (!isLive(record_) || field >= t->columns.size()) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    const MemCell& cell = t->rows[record_ - 1][field];
    out->clear();
    out->setStorageType(internalOf(t->columns[field].sqlType));
    if (cell.null) {
        out->setNull();
        return VX_SUCCESS;
    }
    return out->setValueCopy(cell.bytes.data(), static_cast<std::uint32_t>(cell.bytes.size()),
                             internalOf(t->columns[field].sqlType));
}

VxStatus MemCursor::getRandomRecord(const void* handle, std::uint16_t* status) {
    std::uint32_t record = 0;
    std::memcpy(&record, handle, sizeof record);
    *status = isLive(record) ? 0 : 3;
    if (*status == 0)
        record_ = record;
    return VX_SUCCESS;
}

VxStatus MemCursor::getRecordHandle(void* out) {
    std::memcpy(out, &record_, sizeof record_);
    return VX_SUCCESS;
}

VxStatus MemCursor::lockRecord(void* lockHandle) {
    if (!isLive(record_)) {
        addFlatError(3959);
        return VX_ERROR;
    }
    ++table()->locksHeld;
    std::memcpy(lockHandle, &record_, sizeof record_);
    return VX_SUCCESS;
}

VxStatus MemCursor::deleteRecord() {
    if (!isLive(record_)) {
        addFlatError(3959);
        return VX_ERROR;
    }
    table()->deleted[record_ - 1] = true;
    ++table()->changes;
    return VX_SUCCESS;
}

VxStatus MemCursor::prepareForInsert() {
    row_.assign(table()->columns.size(), MemCell());
    pending_ = Pending::INSERT;
    return VX_SUCCESS;
}

VxStatus MemCursor::prepareForUpdate() {
    if (!isLive(record_)) {
        addFlatError(3959);
        return VX_ERROR;
    }
    row_ = table()->rows[record_ - 1];
    pending_ = Pending::UPDATE;
    return VX_SUCCESS;
}

// The value converted to the column's own form; text longer than the
// column is refused rather than cut.
VxStatus MemCursor::updateField(std::uint16_t field, FlatDataValue* value) {
    MemTable* t = table();
    if (pending_ == Pending::NONE || field >= t->columns.size()) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    MemCell& cell = row_[field];
    if (!value || value->isNull()) {
        cell = MemCell();
        return VX_SUCCESS;
    }
    const MemColumn& column = t->columns[field];
    const InternalType to = internalOf(column.sqlType);
    const auto from = static_cast<InternalType>(value->getStorageType());
    char buffer[TEXT_LIMIT + 1];
    SQLLEN produced = 0;
    VxStatus status;
    if (from == INTERNAL_CHAR && to == INTERNAL_CHAR) {
        produced = static_cast<SQLLEN>(value->getLength());
        status = produced <= static_cast<SQLLEN>(TEXT_LIMIT) ? VX_SUCCESS : VX_ERROR;
        if (status == VX_SUCCESS)
            std::memcpy(buffer, value->getValueBuffer(), static_cast<std::size_t>(produced));
    } else if (isDateTime(from)) {
        status = BaseConvertDateTime(from, value->getValueBuffer(), value->getLength(), to, buffer,
                                     &produced, TEXT_LIMIT, 0, 0);
    } else {
        status = BaseConvertNum(from, value->getValueBuffer(), value->getLength(), to, buffer,
                                &produced, TEXT_LIMIT, 0, 0);
    }
    if (status == VX_SUCCESS && to == INTERNAL_CHAR && produced > SQLLEN(column.precision)) {
        addOdbcError(ODBC_22001);
        status = VX_ERROR;
    }
    if (status != VX_SUCCESS) {
        if (produced > static_cast<SQLLEN>(TEXT_LIMIT))
            addOdbcError(ODBC_22001);
        return VX_ERROR;
    }
    if (to != INTERNAL_CHAR)
        produced = baseInternalTypeSize(to);
    cell.null = false;
    cell.bytes.assign(buffer, static_cast<std::size_t>(produced));
    return VX_SUCCESS;
}

bool MemCursor::repeatsKey(const std::vector<MemCell>& row, std::uint32_t except) const {
    MemTable* t = table();
    if (!t->uniqueKey || row[0].null)
        return false;
    for (std::uint32_t i = 0; i < t->rows.size(); ++i)
        if (i + 1 != except && !t->deleted[i] && !t->rows[i][0].null &&
            t->rows[i][0].bytes == row[0].bytes)
            return true;
    return false;
}

VxStatus MemCursor::checkRow(const std::vector<MemCell>& row, std::uint32_t except) const {
    MemTable* t = table();
    for (std::size_t i = 0; i < row.size(); ++i)
        if (row[i].null && t->columns[i].nullable == SQL_NO_NULLS) {
            const std::string text = "Column " + t->columns[i].name + " does not allow NULL";
            addNativeError(ODBC_23000, 0, text.c_str());
            return VX_ERROR;
        }
    if (repeatsKey(row, except)) {
        addFlatError(MSG_DUPLICATE_KEY);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus MemCursor::insertRecord() {
    if (pending_ != Pending::INSERT) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    pending_ = Pending::NONE;
    if (checkRow(row_, 0) != VX_SUCCESS)
        return VX_ERROR;
    MemTable* t = table();
    t->rows.push_back(row_);
    t->deleted.push_back(false);
    ++t->changes;
    record_ = static_cast<std::uint32_t>(t->rows.size());
    return VX_SUCCESS;
}

VxStatus MemCursor::updateRecord() {
    if (pending_ != Pending::UPDATE || !isLive(record_)) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    pending_ = Pending::NONE;
    if (checkRow(row_, record_) != VX_SUCCESS)
        return VX_ERROR;
    table()->rows[record_ - 1] = row_;
    ++table()->changes;
    return VX_SUCCESS;
}

void MemCursor::abortRecordModification() {
    pending_ = Pending::NONE;
    row_.clear();
}

VxStatus MemCursor::countRecords(std::int64_t* count) {
    MemTable* t = table();
    *count = 0;
    for (bool gone : t->deleted)
        if (!gone)
            ++*count;
    return VX_SUCCESS;
}

VxStatus MemCursor::checkKeyInIndex(const void* key, FlatFileIndex* index, void* handle,
                                    bool* found) {
    *found = false;
    MemTable* t = table();
    FlatIndexKey* part = index->getKey(0);
    unsigned char native[sizeof(double)];
    for (std::uint32_t i = 0; i < t->rows.size(); ++i) {
        const MemCell& cell = t->rows[i][0];
        if (t->deleted[i] || cell.null)
            continue;
        FlatDataValue value;
        if (value.setValueCopy(cell.bytes.data(), static_cast<std::uint32_t>(cell.bytes.size()),
                               internalOf(t->columns[0].sqlType)) != VX_SUCCESS ||
            part->convertValueToNative(&value, native) != VX_SUCCESS)
            return VX_ERROR;
        if (std::memcmp(native, key, sizeof native) == 0) {
            const std::uint32_t record = i + 1;
            std::memcpy(handle, &record, sizeof record);
            *found = true;
            return VX_SUCCESS;
        }
    }
    return VX_SUCCESS;
}
