#include "FlatFakeTable.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseOutString.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatSharedField.h"
#include "util/ram.h"
#include "util/str.h"

const char* const FAKE_NULL = "\x01NULL";

// ---- FakeTableDesc ----

FakeTableDesc::FakeTableDesc(FakeFlatConnection* connection, FakeDriverCalls* calls)
    : FlatSharedDesc(connection), calls_(calls) {
    ++calls_->descsCreated;
}

FakeTableDesc::~FakeTableDesc() {
    ++calls_->descsDestroyed;
}

VxStatus FakeTableDesc::releaseAllLocks() {
    ++calls_->releaseAllLocks;
    return VX_SUCCESS;
}

VxStatus FakeTableDesc::releaseRecordLock(const void*, const void* lockHandle) {
    ++calls_->releaseRecordLock;
    lastReleasedLockHandle.assign(static_cast<const char*>(lockHandle), getLockHandleSize());
    return VX_SUCCESS;
}

// ---- FakeTableCursor ----

FakeTableCursor::FakeTableCursor(FakeFlatConnection* connection, FakeDriverCalls* calls)
    : FlatFileCursor(connection), calls_(calls) {}

FakeTableDef* FakeTableCursor::def() const {
    auto* desc = static_cast<FakeTableDesc*>(getSharedDesc());
    return desc ? desc->def : nullptr;
}

VxStatus FakeTableCursor::openTable(const char* qualifier, const char*, const char* table,
                                    FlatResultSetGlobalInfo*, const char*) {
    auto* connection = static_cast<FakeFlatConnection*>(connection_);
    FakeTableDef* tableDef = connection->find(table);
    if (!tableDef) {
        addOdbcError(ODBC_S0002);
        return VX_ERROR;
    }
    for (FlatSharedDesc* desc = connection->getFirstSharedDesc(); desc; desc = desc->getNext())
        if (desc->hasFlag(FlatSharedDesc::DESC_OPENED) && strEqualCi(desc->getTableName(), table)) {
            setFile(desc);
            return VX_SUCCESS;
        }
    auto* desc = new FakeTableDesc(connection, calls_);
    if (desc->initialize(this) != VX_SUCCESS) {
        delete desc;
        return VX_ERROR;
    }
    desc->def = tableDef;
    std::string path =
        std::string(qualifier && *qualifier ? qualifier : "/fake") + "/" + table + ".TXT";
    if (desc->setIdentifiers(path.c_str()) != VX_SUCCESS)
        return VX_ERROR;
    for (const FakeColumnDef& column : tableDef->columns) {
        auto* field = new FlatSharedField();
        if (field->setName(column.name.c_str()) != VX_SUCCESS ||
            field->setNativeTypeName(column.nativeType.c_str()) != VX_SUCCESS) {
            delete field;
            return VX_ERROR;
        }
        field->setSqlType(column.sqlType);
        field->setPrecision(column.precision);
        field->setScale(column.scale);
        field->setNullable(column.nullable);
        field->setUpdatable(1);
        if (column.rowVersion)
            field->setFlags(FlatSharedField::FIELD_ROW_VERSION);
        if (desc->addField(field) != VX_SUCCESS)
            return VX_ERROR;
    }
    desc->setFlag(tableDef->descFlags, true);
    desc->setFlag(FlatSharedDesc::DESC_OPENED, true);
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::getNewFirstRecord(bool* eof, FlatIndexRange*) {
    position_ = 0;
    *eof = def()->rows.empty();
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::getNextRecord(bool* eof) {
    ++position_;
    *eof = position_ >= def()->rows.size();
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::getFieldData(std::uint16_t field, FlatDataValue* out) {
    const std::string& text = def()->rows.at(position_).at(field);
    out->clear();
    if (text == FAKE_NULL) {
        out->setNull();
        return VX_SUCCESS;
    }
    return out->setValueCopy(text.data(), static_cast<std::uint32_t>(text.size()), INTERNAL_CHAR);
}

VxStatus FakeTableCursor::getRandomRecord(const void* handle, std::uint16_t* status) {
    std::uint32_t n;
    std::memcpy(&n, handle, 4);
    *status = n < def()->rows.size() ? 0 : 3;
    if (*status == 0)
        position_ = n;
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::getRecordHandle(void* out) {
    std::memcpy(out, &position_, 4);
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::lockRecord(void* lockHandle) {
    ++calls_->lockRecord;
    ++lockSerial_;
    const std::uint16_t size = getSharedDesc()->getLockHandleSize();
    std::memset(lockHandle, 'A' + lockSerial_, size);
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::deleteRecord() {
    ++calls_->deleteRecord;
    return VX_SUCCESS;
}

VxStatus FakeTableCursor::countRecords(std::int64_t* count) {
    *count = def() ? def()->countable : -1;
    return VX_SUCCESS;
}

// ---- FakeFlatConnection ----

void FakeFlatConnection::getDllName(char* out, std::size_t outSize) {
    strCopy(out, outSize, "fakeflat");
}

VxStatus FakeFlatConnection::allocCursor(FlatCursor** cursor) {
    *cursor = new FakeTableCursor(this, &calls);
    return *cursor ? VX_SUCCESS : VX_ERROR;
}

void FakeFlatConnection::getExt(char* out, std::size_t outSize) {
    strCopy(out, outSize, "TXT");
}

VxStatus FakeFlatConnection::getTable(char** out, const char* dir, const char* owner, bool first) {
    if (useFileEnumeration)
        return FlatConnection::getTable(out, dir, owner, first);
    if (first)
        enumeration_ = 0;
    *out = nullptr;
    if (enumeration_ >= order.size())
        return VX_SUCCESS;
    *out = ramAllocStr(order[enumeration_++].c_str());
    return *out ? VX_SUCCESS : VX_ERROR;
}

FakeTableDef& FakeFlatConnection::define(const std::string& name,
                                         std::vector<FakeColumnDef> columns,
                                         std::vector<std::vector<std::string>> rows) {
    order.push_back(name);
    FakeTableDef& def = tables[name];
    def.columns = std::move(columns);
    def.rows = std::move(rows);
    return def;
}

FakeTableDef* FakeFlatConnection::find(const std::string& name) {
    for (auto& entry : tables)
        if (strEqualCi(entry.first.c_str(), name.c_str()))
            return &entry.second;
    return nullptr;
}

// ---- FakeSelectStatement ----

namespace {

// Opens every table named after the first word ("?" markers aside); rows
// come from the first.
class FakeSelectDesc : public FlatDescriptor {
public:
    explicit FakeSelectDesc(FlatStatement* statement) : FlatDescriptor(statement) {}
    ~FakeSelectDesc() override {
        for (FlatCursor* cursor : cursors_)
            delete cursor;
    }

    VxStatus parse(const char* sql) override {
        std::string text(sql);
        std::size_t at = text.find(' ');
        while (at != std::string::npos) {
            std::size_t next = text.find(' ', at + 1);
            std::string name =
                text.substr(at + 1, next == std::string::npos ? next : next - at - 1);
            at = next;
            if (name.empty() || name == "?")
                continue;
            FlatCursor* cursor = nullptr;
            if (getConnection()->openCursor(&cursor, "", "", name.c_str(), nullptr, nullptr) !=
                VX_SUCCESS)
                return VX_ERROR;
            cursors_.push_back(cursor);
        }
        return VX_SUCCESS;
    }
    VxStatus addTablesToList(VxArray* list) override {
        for (FlatCursor* cursor : cursors_)
            if (cursor->addTableToList(list) != VX_SUCCESS)
                return VX_ERROR;
        return VX_SUCCESS;
    }
    VxStatus execute() override {
        started_ = false;
        return VX_SUCCESS;
    }
    VxStatus getNextRecord(unsigned short* atEnd) override {
        bool eof = false;
        VxStatus status = started_ ? cursors_.at(0)->getNextRecord(&eof)
                                   : cursors_.at(0)->getNewFirstRecord(&eof, nullptr);
        started_ = true;
        *atEnd = eof ? 1 : 0;
        return status;
    }
    // The steps of a positioned insert, as a descriptor that has them.
    VxStatus prepareForInsert() override { return VX_SUCCESS; }
    VxStatus updateColumn(unsigned short, FlatDataValue*) override { return VX_SUCCESS; }
    std::uint16_t getNumResultCols() override {
        return cursors_.empty() ? 0 : cursors_[0]->getNumFields();
    }
    VxStatus describeColumn(std::uint16_t column, FlatColumnInfo* info) override {
        *info = FlatColumnInfo();
        info->name = cursors_[0]->getFieldName(static_cast<std::uint16_t>(column - 1));
        info->sqlType = cursors_[0]->getFieldSqlType(static_cast<std::uint16_t>(column - 1));
        info->precision = cursors_[0]->getFieldPrecision(static_cast<std::uint16_t>(column - 1));
        return VX_SUCCESS;
    }

private:
    std::vector<FlatCursor*> cursors_;
    bool started_ = false;
};

} // namespace

FlatDescriptor* FakeSelectStatement::allocSelectDesc() {
    return new FakeSelectDesc(this);
}
