// The catalog descriptor base: arguments, the enumeration of tables,
// opening a table for its description, and the collected rows with their
// delivery to the application or to the framework's catalog object.
#include "flat/FlatCatalogDesc.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "flat/FlatConnection.h"
#include "flat/FlatCursor.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatStatement.h"
#include "util/VxArray.h"
#include "util/VxString.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::uint32_t ROW_GROWTH = 16; // rows of the first allocation

VxStatus copyPattern(char** slot, const char* text) {
    ramFree(*slot);
    *slot = nullptr;
    if (!text)
        return VX_SUCCESS;
    *slot = ramAllocStr(text);
    return *slot ? VX_SUCCESS : VX_ERROR;
}

void freeValue(FlatCatalogValue& value) {
    ramFree(value.text);
    value = FlatCatalogValue();
}

// A table name kept for a later visit.
class TableName : public VxObject {
public:
    explicit TableName(char* name) : name_(name) {}
    ~TableName() override { ramFree(name_); }
    const char* get() const { return name_; }

private:
    char* name_;
};

// The connection's table enumeration is one state shared by the
// statements of the connection: one enumeration runs at a time, from its
// first name to its end, under the connection's semaphore. No table is
// opened meanwhile (opening takes that semaphore too).
class TableListLock {
public:
    explicit TableListLock(FlatConnection* connection) : connection_(connection) {
        connection_->lockDescList();
    }
    TableListLock(const TableListLock&) = delete;
    TableListLock& operator=(const TableListLock&) = delete;
    ~TableListLock() { release(); }
    void release() {
        if (connection_)
            connection_->unlockDescList();
        connection_ = nullptr;
    }

private:
    FlatConnection* connection_;
};

} // namespace

FlatCatalogDesc::FlatCatalogDesc(FlatStatement* statement, BaseCatalogKind kind)
    : FlatDescriptor(statement), kind_(kind) {
    columns_ = baseCatalogColumns(kind, &columnCount_);
}

FlatCatalogDesc::~FlatCatalogDesc() {
    closeTable();
    for (std::uint32_t i = 0; i < rowCount_ * columnCount_; ++i)
        freeValue(rows_[i]);
    ramFree(rows_);
    ramFree(qualifier_);
    ramFree(owner_);
    ramFree(table_);
    ramFree(column_);
    ramFree(directory_);
}

namespace {

// The directory to enumerate: a given qualifier (its pattern escapes
// removed) or the connection's data directory.
bool hasWildcards(const char* pattern, char escape) {
    for (const char* p = pattern; *p; ++p) {
        if (*p == escape && p[1])
            ++p;
        else if (*p == '%' || *p == '_')
            return true;
    }
    return false;
}

// The directory to enumerate for a qualifier argument: the data directory
// when none is given, or when a pattern matches it (directories are not
// enumerated: a pattern that does not match the data directory names
// none, *none set); otherwise the name with its escapes removed.
VxStatus directoryOf(FlatConnection* connection, const char* qualifier, char escape, VxString* dir,
                     bool* none) {
    *none = false;
    const char* dataDirectory =
        connection->getDataDirectory() ? connection->getDataDirectory() : "";
    if (!qualifier || !*qualifier)
        return dir->initialize(dataDirectory);
    if (hasWildcards(qualifier, escape)) {
        *none = !strLike(dataDirectory, qualifier, '%', '_', escape, false, false);
        return dir->initialize(dataDirectory);
    }
    if (dir->initialize(std::strlen(qualifier) + 1) != VX_SUCCESS)
        return VX_ERROR;
    for (const char* p = qualifier; *p; ++p) {
        if (*p == escape && p[1])
            ++p;
        if (dir->concat(*p) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

// ---- Arguments ----

VxStatus FlatCatalogDesc::setParameters(const FlatCatalogRequest& request) {
    FlatConnection* connection = getConnection();
    const bool qualifiers = connection->hasFlatFlag(FlatConnection::FLAT_QUALIFIERS);
    const bool owners = connection->hasFlatFlag(FlatConnection::FLAT_OWNERS);
    const bool listsOwners = request.special == FlatCatalogRequest::SPECIAL_OWNERS;
    if ((request.qualifier && *request.qualifier && !qualifiers) ||
        (request.owner && *request.owner && !owners && !listsOwners)) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    request_ = request;
    if (copyPattern(&qualifier_, request.qualifier) != VX_SUCCESS ||
        copyPattern(&owner_, request.owner) != VX_SUCCESS ||
        copyPattern(&table_, request.table) != VX_SUCCESS ||
        copyPattern(&column_, request.column) != VX_SUCCESS)
        return VX_ERROR;
    request_.qualifier = qualifier_;
    request_.owner = owner_;
    request_.table = table_;
    request_.column = column_;
    VxString dir;
    bool none = false;
    if (directoryOf(connection, qualifier_, request_.escape, &dir, &none) != VX_SUCCESS)
        return VX_ERROR;
    return copyPattern(&directory_, none ? nullptr : (dir.getText() ? dir.getText() : ""));
}

bool FlatCatalogDesc::matchesTable(const char* name) const {
    if (!table_)
        return true;
    const bool caseless = getConnection()->hasFlatFlag(FlatConnection::FLAT_TABLE_NAMES_CI);
    return strLike(name, table_, '%', '_', request_.escape, !caseless, false);
}

bool FlatCatalogDesc::matchesColumn(const char* name) const {
    return !column_ || strLike(name, column_, '%', '_', request_.escape, false, false);
}

// ---- Enumeration ----

VxStatus FlatCatalogDesc::collectTables(const char* dir, VxArray* names) {
    FlatConnection* connection = getConnection();
    TableListLock lock(connection);
    bool first = true;
    for (;;) {
        char* name = nullptr;
        if (connection->getTable(&name, dir, nullptr, first) != VX_SUCCESS)
            return VX_ERROR;
        first = false;
        if (!name)
            return VX_SUCCESS;
        if (!matchesTable(name)) {
            ramFree(name);
            continue;
        }
        auto* kept = new TableName(name);
        if (!kept) {
            ramFree(name);
            return VX_ERROR;
        }
        if (names->add(kept) != VX_SUCCESS) {
            delete kept;
            return VX_ERROR;
        }
    }
}

bool FlatCatalogDesc::sameTableName(const char* a, const char* b) const {
    return getConnection()->hasFlatFlag(FlatConnection::FLAT_TABLE_NAMES_CI)
               ? strEqualCi(a, b)
               : std::strcmp(a, b) == 0;
}

VxStatus FlatCatalogDesc::addNamedTable(const char* dir, VxArray* names) {
    if (!table_ || !*table_)
        return VX_SUCCESS;
    // The literal name: escapes removed; a "%" makes it no name at all.
    VxString literal;
    if (literal.initialize(std::strlen(table_) + 1) != VX_SUCCESS)
        return VX_ERROR;
    for (const char* p = table_; *p; ++p) {
        if (*p == request_.escape && p[1])
            ++p;
        else if (*p == '%')
            return VX_SUCCESS;
        if (literal.concat(*p) != VX_SUCCESS)
            return VX_ERROR;
    }
    for (std::uint16_t i = 0; i < names->getCount(); ++i)
        if (sameTableName(static_cast<TableName*>(names->get(i))->get(), literal.getText()))
            return VX_SUCCESS;
    bool exists = false;
    if (getConnection()->findTable(dir, literal.getText(), &exists) != VX_SUCCESS)
        return VX_ERROR;
    if (!exists)
        return VX_SUCCESS;
    char* name = ramAllocStr(literal.getText());
    if (!name)
        return VX_ERROR;
    auto* kept = new TableName(name);
    if (!kept) {
        ramFree(name);
        return VX_ERROR;
    }
    if (names->add(kept) != VX_SUCCESS) {
        delete kept;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::forEachTable(TableVisitor visit, bool namedTable) {
    if (!directory_)
        return VX_SUCCESS;
    VxArray names(16, true);
    const char* directory = currentDirectory();
    if (collectTables(directory, &names) != VX_SUCCESS ||
        (namedTable && addNamedTable(directory, &names) != VX_SUCCESS))
        return VX_ERROR;
    for (std::uint16_t i = 0; i < names.getCount(); ++i)
        if (visit(this, directory, static_cast<TableName*>(names.get(i))->get()) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::locateTable(VxString* table, bool* found) {
    *found = false;
    if (!table_ || !*table_ || !directory_)
        return VX_SUCCESS;
    FlatConnection* connection = getConnection();
    // The enumeration runs to its end so that none stays open.
    TableListLock lock(connection);
    bool first = true;
    for (;;) {
        char* name = nullptr;
        if (connection->getTable(&name, currentDirectory(), nullptr, first) != VX_SUCCESS)
            return VX_ERROR;
        first = false;
        if (!name)
            break;
        const bool same = sameTableName(name, table_);
        VxStatus status = VX_SUCCESS;
        if (same && !*found) {
            status = table->initialize(name);
            *found = status == VX_SUCCESS;
        }
        ramFree(name);
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    lock.release();
    if (*found)
        return VX_SUCCESS;
    // A table the catalogue does not list, found as a query would.
    bool exists = false;
    if (connection->findTable(currentDirectory(), table_, &exists) != VX_SUCCESS)
        return VX_ERROR;
    if (exists) {
        if (table->initialize(table_) != VX_SUCCESS)
            return VX_ERROR;
        *found = true;
    }
    return VX_SUCCESS;
}

// ---- Table access ----

VxStatus FlatCatalogDesc::openTable(const char* dir, const char* file, const char* ext) {
    closeTable();
    VxString name;
    if (name.initialize(file) != VX_SUCCESS)
        return VX_ERROR;
    if (ext && *ext && (name.concat('.') != VX_SUCCESS || name.concat(ext) != VX_SUCCESS))
        return VX_ERROR;
    if (getConnection()->openCursor(&cursor_, dir, "", name.getText(), nullptr, nullptr) !=
        VX_SUCCESS)
        return VX_ERROR;
    if (FlatSharedDesc* desc = cursor_->getFileClass()) {
        desc->lock();
        lockedDesc_ = desc;
    }
    return VX_SUCCESS;
}

void FlatCatalogDesc::closeTable() {
    if (lockedDesc_)
        lockedDesc_->unlock();
    lockedDesc_ = nullptr;
    delete cursor_;
    cursor_ = nullptr;
}

// ---- Rows ----

VxStatus FlatCatalogDesc::addRow() {
    if (rowCount_ == rowCapacity_) {
        // Doubling keeps a catalogue of many rows (the columns of a wide
        // table) from being copied once per few rows.
        const std::uint32_t capacity = rowCapacity_ ? rowCapacity_ * 2 : ROW_GROWTH;
        void* grown = rows_;
        if (ramResizeZ(&grown, sizeof(FlatCatalogValue) * capacity * columnCount_) != VX_SUCCESS)
            return VX_ERROR;
        rows_ = static_cast<FlatCatalogValue*>(grown);
        for (std::uint32_t i = rowCapacity_ * columnCount_; i < capacity * columnCount_; ++i)
            rows_[i] = FlatCatalogValue();
        rowCapacity_ = capacity;
    }
    ++rowCount_;
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::setText(std::uint16_t column, const char* text) {
    if (rowCount_ == 0 || column == 0 || column > columnCount_)
        return VX_SUCCESS;
    FlatCatalogValue& value = rows_[(rowCount_ - 1) * columnCount_ + (column - 1)];
    freeValue(value);
    if (!text)
        return VX_SUCCESS;
    value.text = ramAllocStr(text);
    if (!value.text)
        return VX_ERROR;
    value.kind = FlatCatalogValue::TEXT;
    return VX_SUCCESS;
}

void FlatCatalogDesc::setInteger(std::uint16_t column, std::int32_t number) {
    if (rowCount_ == 0 || column == 0 || column > columnCount_)
        return;
    FlatCatalogValue& value = rows_[(rowCount_ - 1) * columnCount_ + (column - 1)];
    freeValue(value);
    value.kind = FlatCatalogValue::INTEGER;
    value.integer = number;
}

const FlatCatalogValue* FlatCatalogDesc::getValue(std::uint32_t row, std::uint16_t column) const {
    if (row >= rowCount_ || column == 0 || column > columnCount_)
        return nullptr;
    return &rows_[row * columnCount_ + (column - 1)];
}

VxStatus FlatCatalogDesc::getNextRecord(unsigned short* atEnd) {
    if (position_ <= rowCount_)
        ++position_;
    *atEnd = position_ > rowCount_ ? 1 : 0;
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::getRandomRow(SQLULEN row, unsigned short* atEnd, unsigned int) {
    if (row == 0 || row > rowCount_) {
        *atEnd = 1;
        return VX_SUCCESS;
    }
    position_ = static_cast<std::uint32_t>(row);
    *atEnd = 0;
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::setToPreparedState() {
    position_ = 0;
    closeTable();
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::getData(unsigned short column, short cType, BaseOutString* out) {
    if (position_ == 0 || position_ > rowCount_) {
        addOdbcError(ODBC_S1109);
        return VX_ERROR;
    }
    const FlatCatalogValue* value = getValue(position_ - 1, column);
    if (!value) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    switch (value->kind) {
    case FlatCatalogValue::TEXT:
        return statement_->convertInternalToC(column, cType, out, value->text,
                                              static_cast<SQLLEN>(std::strlen(value->text)),
                                              INTERNAL_CHAR);
    case FlatCatalogValue::INTEGER:
        return statement_->convertInternalToC(column, cType, out, &value->integer,
                                              sizeof value->integer, INTERNAL_SLONG);
    default:
        return statement_->convertInternalToC(column, cType, out, nullptr, SQL_NULL_DATA,
                                              INTERNAL_CHAR);
    }
}

VxStatus FlatCatalogDesc::describeColumn(std::uint16_t column, FlatColumnInfo* info) {
    *info = FlatColumnInfo();
    if (column == 0 || column > columnCount_)
        return VX_SUCCESS;
    const BaseCatalogColumn& described = columns_[column - 1];
    info->name = described.name;
    info->sqlType = described.sqlType;
    info->precision = described.precision                ? described.precision
                      : described.sqlType == SQL_INTEGER ? 10
                                                         : 5;
    info->displaySize = described.sqlType == SQL_INTEGER    ? 11
                        : described.sqlType == SQL_SMALLINT ? 6
                                                            : static_cast<SQLLEN>(info->precision);
    info->nullable = described.nullable;
    return VX_SUCCESS;
}

VxStatus FlatCatalogDesc::copyRowsTo(BaseCatalogInfo& info) const {
    for (std::uint32_t row = 0; row < rowCount_; ++row) {
        BaseCatalogRow* target = info.newRow();
        if (!target)
            return VX_ERROR;
        for (std::uint16_t column = 1; column <= columnCount_; ++column) {
            const FlatCatalogValue* value = getValue(row, column);
            if (value->kind == FlatCatalogValue::TEXT &&
                target->setText(column, value->text) != VX_SUCCESS) {
                delete target;
                return VX_ERROR;
            }
            if (value->kind == FlatCatalogValue::INTEGER)
                target->setNumber(column, value->integer);
        }
        if (info.addRow(target) != VX_SUCCESS)
            return VX_ERROR;
    }
    // The engine's SQLColumns matched the table pattern over its own
    // enumeration and described each table: nothing is left to derive.
    if (kind_ == CATALOG_COLUMNS)
        static_cast<BaseColumnsInfo&>(info).setDriverAnswersPatterns(true);
    return VX_SUCCESS;
}
