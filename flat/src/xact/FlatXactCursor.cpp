// FlatXactCursor: reading a table merged with its transaction log, and
// logging modifications while the connection is in manual-commit mode.
#include "flat/FlatXactCursor.h"

#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "base/BaseConvert.h"
#include "base/BaseErrors.h"
#include "flat/FlatConnection.h"
#include "error/FlatErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatIndex.h"
#include "flat/FlatSharedField.h"
#include "xact/FlatChangesIndex.h"

namespace {

void putU16(std::vector<unsigned char>* out, std::uint16_t value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    out->insert(out->end(), bytes, bytes + 2);
}

void putU32(std::vector<unsigned char>* out, std::uint32_t value) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    out->insert(out->end(), bytes, bytes + 4);
}

constexpr unsigned short MSG_DUPLICATE_KEY = 4042;
// Message of the truncation warning 01004.
constexpr unsigned short MSG_DATA_TRUNCATED = 6070;
constexpr std::size_t NUMBER_TEXT_SIZE = 64;

bool isCharacterType(short sqlType) {
    return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR || sqlType == SQL_LONGVARCHAR;
}

// A value for a character column as the table will keep it: numbers and
// dates as text; a value of pad characters only is empty, trailing pad
// characters dropped, an empty value NULL (as the column's flags say); cut
// to the column's precision in bytes, never inside a UTF-8 sequence, with
// 01004. `out` stays unset when the value is NULL.
VxStatus characterValue(const FlatSharedField* field, const FlatDataValue* value,
                        FlatDataValue* out) {
    out->clear();
    const auto type = static_cast<InternalType>(value->getStorageType());
    const char* text = static_cast<const char*>(value->getValueBuffer());
    std::size_t length = value->getLength();
    char converted[NUMBER_TEXT_SIZE];
    if (type != INTERNAL_CHAR) {
        SQLLEN produced = 0;
        const bool dateTime =
            type == INTERNAL_DATE || type == INTERNAL_TIME || type == INTERNAL_TIMESTAMP;
        const VxStatus status =
            dateTime ? BaseConvertDateTime(type, text, static_cast<SQLLEN>(length), INTERNAL_CHAR,
                                           converted, &produced, sizeof converted - 1,
                                           BASE_SCALE_NATURAL, 0)
                     : BaseConvertNum(type, text, static_cast<SQLLEN>(length), INTERNAL_CHAR,
                                      converted, &produced, sizeof converted - 1, 0, 0);
        if (status != VX_SUCCESS)
            return VX_ERROR;
        text = converted;
        length = static_cast<std::size_t>(produced);
    }
    const std::uint32_t flags = field->getFlags();
    const char pad = static_cast<char>(field->getPadChar());
    std::size_t kept = length;
    while (kept && text[kept - 1] == pad)
        --kept;
    if ((flags & FlatSharedField::FIELD_PAD_ONLY_IS_EMPTY) && kept == 0)
        length = 0;
    if (flags & FlatSharedField::FIELD_STRIP_TRAILING_PAD)
        length = kept;
    const std::size_t limit = field->getPrecision();
    if (limit && length > limit) {
        length = limit;
        while (length && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
        addOdbcWarning(ODBC_01004, MSG_DATA_TRUNCATED);
    }
    if (length == 0 && (flags & FlatSharedField::FIELD_EMPTY_IS_NULL))
        return VX_SUCCESS;
    return out->setValueCopy(text, static_cast<std::uint32_t>(length), INTERNAL_CHAR);
}

} // namespace

FlatXactCursor::FlatXactCursor(FlatConnection* connection, FlatFileCursor* driverCursor)
    : FlatCursor(connection), driver_(driverCursor) {}

FlatXactCursor::~FlatXactCursor() {
    delete driver_;
}

FlatChangesFile* FlatXactCursor::changes() const {
    FlatSharedDesc* desc = driver_->getSharedDesc();
    if (!desc)
        return nullptr;
    const std::type_info* type = &typeid(*desc);
    if (desc != changesDesc_ || type != changesType_) {
        changesLog_ = dynamic_cast<FlatChangesFile*>(desc);
        changesDesc_ = desc;
        changesType_ = type;
    }
    return changesLog_;
}

bool FlatXactCursor::logging() const {
    FlatChangesFile* log = changes();
    return connection_ && connection_->getAutocommit() == 0 && log &&
           log->hasFlag(FlatSharedDesc::DESC_OPENED) &&
           !connection_->hasFlatFlag(FlatConnection::FLAT_NO_TRANSACTIONS);
}

std::uint16_t FlatXactCursor::handleSize() const {
    const std::uint16_t size = driver_->getRecordHandleSize();
    return static_cast<std::uint16_t>((size > 4 ? size : 4) + 1);
}

VxStatus FlatXactCursor::driverHandle(unsigned char* out) {
    std::memset(out, 0, handleSize());
    return driver_->getRecordHandle(out);
}

// ---- Reading ----

VxStatus FlatXactCursor::resetCursor() {
    phase_ = Phase::NONE;
    fromLog_ = false;
    loggedOnly_ = false;
    FlatChangesFile* log = changes();
    scanLimit_ = log ? log->getInsertCounter() : 0;
    return driver_->resetCursor();
}

VxStatus FlatXactCursor::getNewFirstRecord(bool* eof, FlatIndexRange* range) {
    FlatChangesFile* log = changes();
    passThrough_ = !logging() || !log->hasChanges();
    fromLog_ = false;
    loggedOnly_ = false;
    scanLimit_ = log ? log->getInsertCounter() : 0;
    scanGeneration_ = log ? log->getGeneration() : 0;
    firstReturned_ = 0;
    lastReturned_ = 0;
    handle_.assign(handleSize(), 0);
    range_ = range;
    if (passThrough_) {
        phase_ = Phase::TABLE;
        return nextTableRow(eof, true, range);
    }
    phase_ = Phase::INSERTED;
    firstInserted_ = true;
    return nextInserted(eof);
}

VxStatus FlatXactCursor::getNextRecord(bool* eof) {
    switch (phase_) {
    case Phase::INSERTED:
        return nextInserted(eof);
    case Phase::TABLE:
        return nextTableRow(eof, false, nullptr);
    default:
        return getNewFirstRecord(eof, nullptr);
    }
}

VxStatus FlatXactCursor::nextInserted(bool* eof) {
    FlatChangesFile* log = changes();
    const std::uint16_t size = handleSize();
    std::vector<unsigned char> next(size, 0);
    for (;;) {
        std::uint32_t first = 0;
        bool found = false;
        if (log->nextInsertedRow(firstInserted_ ? nullptr : handle_.data(), next.data(), &first,
                                 &found) != VX_SUCCESS)
            return VX_ERROR;
        std::uint32_t counter = 0;
        if (found)
            std::memcpy(&counter, next.data(), 4);
        if (!found || counter > scanLimit_) {
            phase_ = Phase::TABLE;
            loggedOnly_ = false;
            fromLog_ = false;
            // The log may have moved a row's key into the range: the
            // driver's rows are all read and tested here.
            return nextTableRow(eof, true, nullptr);
        }
        firstInserted_ = false;
        handle_ = next;
        if (log->loadRow(first, driver_->getNumFields(), &row_) != VX_SUCCESS)
            return VX_ERROR;
        if (row_.deleted)
            continue;
        loggedOnly_ = true;
        fromLog_ = true;
        bool inside = true;
        if (range_ && range_->getIndex() && insideRange(&inside) != VX_SUCCESS)
            return VX_ERROR;
        if (!inside)
            continue;
        if (firstReturned_ == 0)
            firstReturned_ = counter;
        lastReturned_ = counter;
        *eof = false;
        return VX_SUCCESS;
    }
}

// Whether the current row's key, in its logged state, lies in the range
// being read.
VxStatus FlatXactCursor::insideRange(bool* inside) {
    FlatIndex* index = range_->getIndex();
    std::vector<unsigned char> key(index->getKeyLength());
    if (index->computeIndexKey(this, key.data()) != VX_SUCCESS)
        return VX_ERROR;
    bool more = true;
    *inside = range_->checkKeySatisfiesBounds(key.data(), &more);
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::nextTableRow(bool* eof, bool first, FlatIndexRange* range) {
    for (;;) {
        if ((first ? driver_->getNewFirstRecord(eof, range) : driver_->getNextRecord(eof)) !=
            VX_SUCCESS)
            return VX_ERROR;
        first = false;
        if (*eof)
            return VX_SUCCESS;
        bool skip = false;
        if (takeDriverRow(&skip) != VX_SUCCESS)
            return VX_ERROR;
        if (!skip && range_ && !passThrough_) {
            bool inside = true;
            if (insideRange(&inside) != VX_SUCCESS)
                return VX_ERROR;
            skip = !inside;
        }
        if (!skip)
            return VX_SUCCESS;
    }
}

VxStatus FlatXactCursor::takeDriverRow(bool* skip) {
    *skip = false;
    loggedOnly_ = false;
    fromLog_ = false;
    FlatChangesFile* log = changes();
    if (log && lastReturned_ != 0 && log->getGeneration() != scanGeneration_)
        return skipReturnedInsert(skip);
    if (passThrough_ || !log || !log->hasTableRowChanges() || !logging())
        return VX_SUCCESS;
    std::vector<unsigned char> handle(handleSize(), 0);
    std::uint32_t first = 0;
    bool found = false;
    if (driverHandle(handle.data()) != VX_SUCCESS ||
        log->findRow(handle.data(), &first, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found)
        return VX_SUCCESS;
    if (log->loadRow(first, driver_->getNumFields(), &row_) != VX_SUCCESS)
        return VX_ERROR;
    *skip = row_.deleted;
    fromLog_ = !row_.deleted;
    return VX_SUCCESS;
}

// The transaction ended while this scan read its logged inserts: the rows
// it already returned from the log are in the table now and are not
// returned again.
VxStatus FlatXactCursor::skipReturnedInsert(bool* skip) {
    std::vector<unsigned char> handle(handleSize(), 0);
    std::uint32_t counter = 0;
    bool found = false;
    if (driverHandle(handle.data()) != VX_SUCCESS ||
        changes()->findCommittedInsert(handle.data(), &counter, &found) != VX_SUCCESS)
        return VX_ERROR;
    *skip = found && counter >= firstReturned_ && counter <= lastReturned_;
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::getRandomRecord(const void* handle, std::uint16_t* status) {
    const std::uint16_t size = handleSize();
    const auto* bytes = static_cast<const unsigned char*>(handle);
    FlatChangesFile* log = changes();
    *status = 3;
    fromLog_ = false;
    loggedOnly_ = false;
    std::vector<unsigned char> target(bytes, bytes + size);
    if (bytes[size - 1] == FlatChangesFile::LOGGED_ONLY_MARK) {
        if (!log)
            return VX_SUCCESS;
        std::uint32_t first = 0;
        bool found = false;
        if (logging() && log->findRow(bytes, &first, &found) != VX_SUCCESS)
            return VX_ERROR;
        if (found) {
            if (log->loadRow(first, driver_->getNumFields(), &row_) != VX_SUCCESS)
                return VX_ERROR;
            if (row_.deleted)
                return VX_SUCCESS;
            handle_ = target;
            loggedOnly_ = true;
            fromLog_ = true;
            *status = 0;
            return VX_SUCCESS;
        }
        // Inserted in an earlier transaction: committed under another
        // handle, or rolled back and gone.
        bool known = false;
        if (log->mapCommittedHandle(bytes, target.data(), &known) != VX_SUCCESS)
            return VX_ERROR;
        if (!known)
            return VX_SUCCESS;
    }
    if (driver_->getRandomRecord(target.data(), status) != VX_SUCCESS || *status != 0)
        return *status == 0 ? VX_ERROR : VX_SUCCESS;
    bool skip = false;
    const bool wasPassThrough = passThrough_;
    const std::uint32_t wasReturned = lastReturned_;
    passThrough_ = false;
    lastReturned_ = 0;
    const VxStatus taken = takeDriverRow(&skip);
    passThrough_ = wasPassThrough;
    lastReturned_ = wasReturned;
    if (taken != VX_SUCCESS)
        return VX_ERROR;
    if (skip)
        *status = 3;
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::getRecordHandle(void* out) {
    if (loggedOnly_) {
        std::memcpy(out, handle_.data(), handle_.size());
        return VX_SUCCESS;
    }
    return driverHandle(static_cast<unsigned char*>(out));
}

std::uint16_t FlatXactCursor::getRecordHandleSize() {
    return handleSize();
}

VxStatus FlatXactCursor::getFieldData(std::uint16_t field, FlatDataValue* out) {
    if (!fromLog_ || field >= row_.values.size())
        return driver_->getFieldData(field, out);
    const FlatLoggedValue& value = row_.values[field];
    if (value.state == FlatLoggedValue::FROM_TABLE)
        return driver_->getFieldData(field, out);
    out->clear();
    if (value.storageType != FLAT_STORAGE_UNSET)
        out->setStorageType(value.storageType);
    if (value.state == FlatLoggedValue::IS_NULL) {
        out->setNull();
        return VX_SUCCESS;
    }
    return out->setValueCopy(value.bytes.data(), static_cast<std::uint32_t>(value.bytes.size()),
                             value.storageType);
}

// ---- Modifying ----

VxStatus FlatXactCursor::prepareForInsert() {
    if (!logging()) {
        pending_ = Pending::NONE;
        return driver_->prepareForInsert();
    }
    pending_ = Pending::INSERT;
    body_.clear();
    pendingValues_.assign(driver_->getNumFields(), FlatLoggedValue());
    for (FlatLoggedValue& value : pendingValues_)
        value.state = FlatLoggedValue::IS_NULL;
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::prepareForUpdate() {
    if (!logging()) {
        pending_ = Pending::NONE;
        return driver_->prepareForUpdate();
    }
    pendingHandle_.assign(handleSize(), 0);
    if (getRecordHandle(pendingHandle_.data()) != VX_SUCCESS)
        return VX_ERROR;
    pending_ = Pending::UPDATE;
    body_.clear();
    pendingValues_.assign(driver_->getNumFields(), FlatLoggedValue());
    return VX_SUCCESS;
}

void FlatXactCursor::appendEntry(std::uint16_t field, const FlatDataValue* value) {
    const bool isNull = !value || value->isNull();
    const std::uint32_t length = isNull ? 0 : value->getLength();
    putU16(&body_, field);
    putU16(&body_, 0);
    putU32(&body_, static_cast<std::uint32_t>(
                       static_cast<std::int32_t>(value ? value->getStorageType() : 0)));
    putU32(&body_, length);
    body_.push_back(isNull ? 1 : 0);
    body_.insert(body_.end(), 3, 0);
    if (length) {
        const unsigned char* bytes = value->getBytes();
        body_.insert(body_.end(), bytes, bytes + length);
    }
    if (field < pendingValues_.size()) {
        FlatLoggedValue& pendingValue = pendingValues_[field];
        pendingValue.state = isNull ? FlatLoggedValue::IS_NULL : FlatLoggedValue::HAS_DATA;
        pendingValue.storageType = value ? value->getStorageType() : 0;
        if (length)
            pendingValue.bytes.assign(reinterpret_cast<const char*>(value->getBytes()), length);
        else
            pendingValue.bytes.clear();
    }
}

// The value is checked as the driver would check it and logged in the
// column's own storage form where the engine knows one, so the row reads
// back as the table would give it.
VxStatus FlatXactCursor::updateField(std::uint16_t field, FlatDataValue* value) {
    if (pending_ == Pending::NONE)
        return driver_->updateField(field, value);
    if (field >= driver_->getNumFields()) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (driver_->checkFieldValue(field, value) != VX_SUCCESS)
        return VX_ERROR;
    const FlatSharedField* shared = driver_->getSharedField(field);
    if (!value || value->isNull() || !shared) {
        appendEntry(field, value);
        return VX_SUCCESS;
    }
    FlatDataValue converted;
    if (isCharacterType(shared->getSqlType())) {
        if (characterValue(shared, value, &converted) != VX_SUCCESS)
            return VX_ERROR;
        if (converted.getStorageType() == FLAT_STORAGE_UNSET)
            converted.setNull();
        appendEntry(field, &converted);
        return VX_SUCCESS;
    }
    if (FlatFileCursor::convertForField(shared, value, &converted) != VX_SUCCESS)
        return VX_ERROR;
    const bool useConverted = converted.getStorageType() != FLAT_STORAGE_UNSET;
    appendEntry(field, useConverted ? &converted : value);
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::finishChange(std::uint8_t type) {
    FlatChangesFile* log = changes();
    pending_ = Pending::NONE;
    if (type != FlatChangesFile::CHANGE_DELETE)
        putU16(&body_, FlatChangesFile::ENTRY_TERMINATOR);
    if (log->ensureLog() != VX_SUCCESS || checkKeys(type) != VX_SUCCESS) {
        body_.clear();
        return VX_ERROR;
    }
    if (type == FlatChangesFile::CHANGE_INSERT) {
        pendingHandle_.assign(handleSize(), 0);
        const std::uint32_t counter = log->takeInsertCounter();
        std::memcpy(pendingHandle_.data(), &counter, 4);
        pendingHandle_.back() = FlatChangesFile::LOGGED_ONLY_MARK;
    }
    const VxStatus status = log->logChange(type, pendingHandle_.data(), body_);
    body_.clear();
    if (status != VX_SUCCESS || recordKeys(type, pendingHandle_.data()) != VX_SUCCESS)
        return VX_ERROR;
    // The changed row is current, in its new state.
    std::uint32_t first = 0;
    bool found = false;
    if (log->findRow(pendingHandle_.data(), &first, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found && log->loadRow(first, driver_->getNumFields(), &row_) != VX_SUCCESS)
        return VX_ERROR;
    fromLog_ = found && !row_.deleted;
    if (type == FlatChangesFile::CHANGE_INSERT) {
        handle_ = pendingHandle_;
        loggedOnly_ = true;
    }
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::pendingKey(FlatFileIndex* index, unsigned char* key, bool* hasNull,
                                    bool* touched) {
    *hasNull = false;
    *touched = false;
    for (std::uint16_t n = 0; n < index->getKeyCount(); ++n) {
        FlatIndexKey* part = index->getKey(n);
        const std::uint16_t field = part->getField();
        FlatDataValue value;
        const FlatLoggedValue* given =
            field < pendingValues_.size() ? &pendingValues_[field] : nullptr;
        if (given && given->state != FlatLoggedValue::FROM_TABLE) {
            *touched = true;
            value.setStorageType(given->storageType);
            if (given->state == FlatLoggedValue::IS_NULL)
                value.setNull();
            else if (value.setValueCopy(given->bytes.data(),
                                        static_cast<std::uint32_t>(given->bytes.size()),
                                        given->storageType) != VX_SUCCESS)
                return VX_ERROR;
        } else if (getFieldData(field, &value) != VX_SUCCESS) {
            return VX_ERROR;
        }
        if (value.isNull())
            *hasNull = true;
        if (part->convertValueToNative(&value, key) != VX_SUCCESS)
            return VX_ERROR;
        key += part->getLength();
    }
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::checkUnique(FlatChangesIndex* keys, const unsigned char* key,
                                     const unsigned char* self) {
    const std::uint16_t size = handleSize();
    std::vector<unsigned char> holder(size, 0);
    bool found = false;
    if (keys->findKey(key, holder.data(), &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found && !(self && std::memcmp(self, holder.data(), size) == 0)) {
        addFlatError(MSG_DUPLICATE_KEY);
        return VX_ERROR;
    }
    std::fill(holder.begin(), holder.end(), 0);
    if (driver_->checkKeyInIndex(key, keys->getIndex(), holder.data(), &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found || (self && std::memcmp(self, holder.data(), size) == 0))
        return VX_SUCCESS;
    // The table's row counts unless the transaction changed its key or
    // deleted it.
    bool known = false;
    if (keys->isRowKnown(holder.data(), &known) != VX_SUCCESS)
        return VX_ERROR;
    if (known)
        return VX_SUCCESS;
    FlatChangesFile* log = changes();
    std::uint32_t first = 0;
    if (log->findRow(holder.data(), &first, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found) {
        FlatLoggedRow row;
        if (log->loadRow(first, driver_->getNumFields(), &row) != VX_SUCCESS)
            return VX_ERROR;
        if (row.deleted)
            return VX_SUCCESS;
    }
    addFlatError(MSG_DUPLICATE_KEY);
    return VX_ERROR;
}

VxStatus FlatXactCursor::checkKeys(std::uint8_t type) {
    const std::vector<FlatChangesIndex*>& indexes = changes()->getChangesIndexes();
    keys_.resize(indexes.size());
    keyState_.assign(indexes.size(), 0);
    for (std::size_t n = 0; n < indexes.size(); ++n) {
        if (type == FlatChangesFile::CHANGE_DELETE) {
            keyState_[n] = 2;
            continue;
        }
        FlatFileIndex* index = indexes[n]->getIndex();
        keys_[n].assign(index->getKeyLength(), 0);
        bool hasNull = false;
        bool touched = false;
        if (pendingKey(index, keys_[n].data(), &hasNull, &touched) != VX_SUCCESS)
            return VX_ERROR;
        if (type == FlatChangesFile::CHANGE_UPDATE && !touched)
            continue;
        keyState_[n] = hasNull ? 2 : 1;
        const unsigned char* self =
            type == FlatChangesFile::CHANGE_UPDATE ? pendingHandle_.data() : nullptr;
        if (!hasNull && checkUnique(indexes[n], keys_[n].data(), self) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::recordKeys(std::uint8_t, const unsigned char* handle) {
    const std::vector<FlatChangesIndex*>& indexes = changes()->getChangesIndexes();
    for (std::size_t n = 0; n < indexes.size() && n < keyState_.size(); ++n) {
        if (keyState_[n] == 0)
            continue;
        if (indexes[n]->setRowKey(handle, keyState_[n] == 1 ? keys_[n].data() : nullptr) !=
            VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatXactCursor::insertRecord() {
    if (pending_ == Pending::NONE)
        return driver_->insertRecord();
    if (pending_ != Pending::INSERT) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    return finishChange(FlatChangesFile::CHANGE_INSERT);
}

VxStatus FlatXactCursor::updateRecord() {
    if (pending_ == Pending::NONE)
        return driver_->updateRecord();
    if (pending_ != Pending::UPDATE) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    return finishChange(FlatChangesFile::CHANGE_UPDATE);
}

VxStatus FlatXactCursor::deleteCurrentRecord() {
    if (!logging())
        return driver_->deleteCurrentRecord();
    pendingHandle_.assign(handleSize(), 0);
    if (getRecordHandle(pendingHandle_.data()) != VX_SUCCESS)
        return VX_ERROR;
    body_.clear();
    pendingValues_.clear();
    return finishChange(FlatChangesFile::CHANGE_DELETE);
}

VxStatus FlatXactCursor::deleteRecord() {
    return driver_->deleteRecord();
}

void FlatXactCursor::abortRecordModification() {
    const bool driverPending = pending_ == Pending::NONE;
    pending_ = Pending::NONE;
    body_.clear();
    if (driverPending)
        driver_->abortRecordModification();
}

VxStatus FlatXactCursor::lockCurrentRecord() {
    return loggedOnly_ ? VX_SUCCESS : driver_->lockCurrentRecord();
}

VxStatus FlatXactCursor::unlockRecord(const void* handle) {
    const auto* bytes = static_cast<const unsigned char*>(handle);
    if (bytes[handleSize() - 1] == FlatChangesFile::LOGGED_ONLY_MARK)
        return VX_SUCCESS;
    return driver_->unlockRecord(handle);
}

VxStatus FlatXactCursor::checkFieldValue(std::uint16_t field, FlatDataValue* value) {
    return driver_->checkFieldValue(field, value);
}

// The driver's count holds only while the log adds and removes no rows.
VxStatus FlatXactCursor::countRecords(std::int64_t* count) {
    FlatChangesFile* log = changes();
    if (logging() && log && log->hasChanges()) {
        *count = -1;
        return VX_SUCCESS;
    }
    return driver_->countRecords(count);
}

// ---- The driver cursor's answers ----

VxStatus FlatXactCursor::addTableToList(VxArray* list) {
    return driver_->addTableToList(list);
}
bool FlatXactCursor::compareTableName(const char* name) {
    return driver_->compareTableName(name);
}
std::uint32_t FlatXactCursor::estimateRecordCount() {
    return driver_->estimateRecordCount();
}
std::uint16_t FlatXactCursor::findField(const char* name) {
    return driver_->findField(name);
}
std::uint16_t FlatXactCursor::getFieldAttributes(std::uint16_t field) {
    return driver_->getFieldAttributes(field);
}
const char* FlatXactCursor::getFieldName(std::uint16_t field) {
    return driver_->getFieldName(field);
}
const char* FlatXactCursor::getFieldNativeTypeName(std::uint16_t field) {
    return driver_->getFieldNativeTypeName(field);
}
bool FlatXactCursor::getFieldNegDecPrec(std::uint16_t field) {
    return driver_->getFieldNegDecPrec(field);
}
short FlatXactCursor::getFieldNullable(std::uint16_t field) {
    return driver_->getFieldNullable(field);
}
std::uint32_t FlatXactCursor::getFieldPrecision(std::uint16_t field) {
    return driver_->getFieldPrecision(field);
}
bool FlatXactCursor::getFieldRowVerType(std::uint16_t field) {
    return driver_->getFieldRowVerType(field);
}
std::uint16_t FlatXactCursor::getFieldScale(std::uint16_t field) {
    return driver_->getFieldScale(field);
}
short FlatXactCursor::getFieldSqlType(std::uint16_t field) {
    return driver_->getFieldSqlType(field);
}
short FlatXactCursor::getFieldUpdatable(std::uint16_t field) {
    return driver_->getFieldUpdatable(field);
}
FlatSharedDesc* FlatXactCursor::getFileClass() {
    return driver_->getFileClass();
}
FlatFileIndex* FlatXactCursor::getIndex(std::uint16_t n) {
    return driver_->getIndex(n);
}
std::uint16_t FlatXactCursor::getIndexCount() {
    return driver_->getIndexCount();
}
std::uint16_t FlatXactCursor::getNumFields() {
    return driver_->getNumFields();
}
const char* FlatXactCursor::getQualifier() {
    return driver_->getQualifier();
}
FlatFileIndex* FlatXactCursor::getRowidIndex() {
    return driver_->getRowidIndex();
}
const char* FlatXactCursor::getTableName() {
    return driver_->getTableName();
}
bool FlatXactCursor::isReadOnly() {
    return driver_->isReadOnly();
}
VxStatus FlatXactCursor::openTable(const char* qualifier, const char* owner, const char* table,
                                   FlatResultSetGlobalInfo* info, const char* options) {
    return driver_->openTable(qualifier, owner, table, info, options);
}
bool FlatXactCursor::supportsRowId() {
    return driver_->supportsRowId();
}
std::uint32_t FlatXactCursor::getFieldEstimatedLimit(std::uint16_t field) {
    return driver_->getFieldEstimatedLimit(field);
}
