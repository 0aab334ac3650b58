// In-memory tables and their cursors.
#include "FlatMemoryTable.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "error/FlatErrors.h"
#include "flat/FlatSharedField.h"

namespace {

std::string upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

} // namespace

FlatMemoryTable::FlatMemoryTable(const std::string& tableName,
                                 const std::vector<MemoryColumn>& columns)
    : name(tableName), desc_(new FlatSharedDesc(nullptr)) {
    (void)desc_->setTableName(tableName.c_str());
    for (const MemoryColumn& column : columns) {
        auto* field = new FlatSharedField;
        (void)field->setName(column.name.c_str());
        field->setSqlType(column.sqlType);
        field->setPrecision(column.precision);
        field->setScale(column.scale);
        field->setNullable(column.nullable);
        field->setUpdatable(SQL_ATTR_WRITE);
        (void)desc_->addField(field);
    }
}

FlatMemoryTable::~FlatMemoryTable() = default;

FlatMemoryCursor::FlatMemoryCursor(FlatMemoryTable* table)
    : FlatFileCursor(nullptr), table_(table) {
    setFile(&table->desc());
}

FlatMemoryCursor::~FlatMemoryCursor() = default;

std::uint16_t FlatMemoryCursor::findField(const char* name) {
    for (std::uint16_t i = 0; i < getNumFields(); ++i)
        if (upper(getFieldName(i)) == upper(name))
            return i;
    return upper(name) == "ROWID" ? FIELD_ROWID : FIELD_NOT_FOUND;
}

VxStatus FlatMemoryCursor::getFieldData(std::uint16_t field, FlatDataValue* out) {
    if (record_ == 0 || record_ > table_->rows.size() || field >= table_->rows[0].size()) {
        addFlatError(4014);
        return VX_ERROR;
    }
    const FakeValue& value = table_->rows[record_ - 1][field];
    out->setValueBuffer(value.bytes.data(), 0);
    out->setLength(static_cast<std::uint32_t>(value.bytes.size()));
    out->setStorageType(value.storage);
    if (value.null)
        out->setNull();
    return VX_SUCCESS;
}

VxStatus FlatMemoryCursor::getNewFirstRecord(bool* eof, FlatIndexRange*) {
    ++table_->scans;
    record_ = 0;
    return getNextRecord(eof);
}

VxStatus FlatMemoryCursor::getNextRecord(bool* eof) {
    do {
        ++record_;
    } while (record_ <= table_->rows.size() &&
             std::count(table_->deleted.begin(), table_->deleted.end(), record_));
    *eof = record_ > table_->rows.size();
    return VX_SUCCESS;
}

VxStatus FlatMemoryCursor::getRandomRecord(const void* handle, std::uint16_t* status) {
    ++table_->randomReads;
    std::uint32_t record = 0;
    std::memcpy(&record, handle, 4);
    bool gone = record == 0 || record > table_->rows.size() ||
                std::count(table_->deleted.begin(), table_->deleted.end(), record);
    *status = gone ? 3 : 0;
    if (!gone)
        record_ = record;
    return VX_SUCCESS;
}

VxStatus FlatMemoryCursor::getRecordHandle(void* out) {
    std::memcpy(out, &record_, 4);
    return VX_SUCCESS;
}

VxStatus FlatMemoryCursor::openTable(const char*, const char*, const char*,
                                     FlatResultSetGlobalInfo*, const char* optionText) {
    options = optionText ? optionText : "";
    return VX_SUCCESS;
}

FlatMemoryTable& FlatMemoryTables::add(const std::string& name,
                                       const std::vector<MemoryColumn>& columns) {
    auto& slot = tables_[upper(name)];
    slot.reset(new FlatMemoryTable(name, columns));
    return *slot;
}

VxStatus FlatMemoryTables::openTable(FlatCursor** cursor, const char* qualifier, const char* table,
                                     const char* options) {
    auto found = tables_.find(upper(table));
    if (found == tables_.end()) {
        addFlatError(4036) << table;
        return VX_ERROR;
    }
    auto* memory = new FlatMemoryCursor(found->second.get());
    if (memory->openTable(qualifier, "", table, nullptr, options) != VX_SUCCESS) {
        delete memory;
        return VX_ERROR;
    }
    opened.push_back(memory);
    qualifiers.push_back(qualifier ? qualifier : "");
    *cursor = memory;
    return VX_SUCCESS;
}
