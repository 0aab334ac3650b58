// FlatStatement: preparing (statement kind, descriptor, result
// description) and forwarding every later call to the descriptor under
// the table locks. Parameters are in FlatStatementParams.cpp, options in
// FlatStatementOptions.cpp, catalog functions in FlatStatementCatalog.cpp.
#include "flat/FlatStatement.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseSqlString.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatParam.h"
#include "flat/FlatSharedDesc.h"
#include "util/buttoken.h"

#if __has_include("flat/FlatSelectDesc.h")
#include "flat/FlatInsertDesc.h"
#include "flat/FlatRowChangeDesc.h"
#include "flat/FlatSelectDesc.h"
#include "flat/FlatUseDesc.h"
#define FLAT_HAVE_SELECT_DESC 1
#endif

namespace {

constexpr std::size_t FIRST_WORD_BUFFER = 81;
constexpr std::size_t SECOND_WORD_BUFFER = 257;

// Holds the statement's table locks for the duration of one call.
class TableLocks {
public:
    explicit TableLocks(FlatStatement& statement) : statement_(statement) {
        statement_.lockTables();
    }
    ~TableLocks() { statement_.unlockTables(); }
    TableLocks(const TableLocks&) = delete;
    TableLocks& operator=(const TableLocks&) = delete;

private:
    FlatStatement& statement_;
};

VxStatus noDescriptor() {
    addOdbcError(ODBC_S1010);
    return VX_ERROR;
}

short searchableOf(short sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
        return SQL_SEARCHABLE;
    case SQL_LONGVARCHAR:
    case SQL_LONGVARBINARY:
        return SQL_UNSEARCHABLE;
    default:
        return SQL_ALL_EXCEPT_LIKE;
    }
}

FlatStatementKind kindOfSecondWord(const char* first, const char* second) {
    if (std::strcmp(first, "CREATE") == 0) {
        if (std::strcmp(second, "TABLE") == 0)
            return FLAT_STMT_CREATE_TABLE;
        if (std::strcmp(second, "UNIQUE") == 0 || std::strcmp(second, "INDEX") == 0)
            return FLAT_STMT_CREATE_INDEX;
        return FLAT_STMT_SPECIAL;
    }
    if (std::strcmp(second, "TABLE") == 0)
        return FLAT_STMT_DROP_TABLE;
    if (std::strcmp(second, "INDEX") == 0)
        return FLAT_STMT_DROP_INDEX;
    return FLAT_STMT_SPECIAL;
}

} // namespace

FlatStatement::FlatStatement(FlatConnection& connection) : BaseStatement(connection) {}

FlatStatement::~FlatStatement() {
    dropDescriptor();
}

FlatConnection& FlatStatement::getFlatConnection() const {
    return static_cast<FlatConnection&>(getConnection());
}

VxStatus FlatStatement::classify(const char* sql, FlatStatementKind* kind) {
    *kind = FLAT_STMT_SPECIAL;
    const char* cursor = sql;
    char first[FIRST_WORD_BUFFER];
    if (buttoken(first, &cursor, BUT_TRUNCATE | BUT_MODE_SQL, sizeof first) != VX_SUCCESS)
        return VX_ERROR;
    static const struct {
        const char* word;
        FlatStatementKind kind;
    } SINGLE[] = {{"(", FLAT_STMT_SELECT},      {"SELECT", FLAT_STMT_SELECT},
                  {"INSERT", FLAT_STMT_INSERT}, {"UPDATE", FLAT_STMT_UPDATE},
                  {"DELETE", FLAT_STMT_DELETE}, {"USE", FLAT_STMT_USE}};
    for (const auto& entry : SINGLE)
        if (std::strcmp(first, entry.word) == 0) {
            *kind = entry.kind;
            return VX_SUCCESS;
        }
    if (std::strcmp(first, "CREATE") != 0 && std::strcmp(first, "DROP") != 0)
        return VX_SUCCESS;
    char second[SECOND_WORD_BUFFER];
    if (buttoken(second, &cursor, BUT_TRUNCATE | BUT_MODE_SQL, sizeof second) != VX_SUCCESS)
        return VX_ERROR;
    if (second[0] == '\0') {
        addFlatSyntaxError(3803) << first;
        return VX_ERROR;
    }
    *kind = kindOfSecondWord(first, second);
    return VX_SUCCESS;
}

VxStatus FlatStatement::prepareCompile(BaseSqlString* text) {
    dropDescriptor();
    const char* sql = text->getText();
    if (!sql)
        sql = "";
    FlatStatementKind kind;
    if (classify(sql, &kind) != VX_SUCCESS)
        return VX_ERROR;
    FlatConnection& connection = getFlatConnection();
    if (kind == FLAT_STMT_CREATE_INDEX && connection.hasFlag(BaseConnection::CONN_IN_TRANSACTION) &&
        !connection.hasFlatFlag(FlatConnection::FLAT_INDEX_IN_TRANSACTION)) {
        addFlatError(3836);
        return VX_ERROR;
    }
    return compileDescriptor(sql, kind);
}

FlatDescriptor* FlatStatement::allocDescriptor(const char* sql, FlatStatementKind kind) {
    switch (kind) {
    case FLAT_STMT_SELECT:
        return allocSelectDesc();
    case FLAT_STMT_CREATE_TABLE:
        return allocCreateDesc();
    case FLAT_STMT_CREATE_INDEX:
        return allocCrIndexDesc();
    case FLAT_STMT_DROP_TABLE:
        return allocDropTableDesc();
    case FLAT_STMT_DROP_INDEX:
        return allocDropIndexDesc();
    case FLAT_STMT_INSERT:
    case FLAT_STMT_UPDATE:
    case FLAT_STMT_DELETE:
    case FLAT_STMT_USE:
        return allocModifyDesc(kind);
    default:
        return allocSpecialStmt(sql);
    }
}

VxStatus FlatStatement::compileDescriptor(const char* sql, FlatStatementKind kind) {
    FlatDescriptor* descriptor = allocDescriptor(sql, kind);
    if (!descriptor)
        return VX_ERROR;
    descriptor_ = descriptor;
    kind_ = kind;
    if (descriptor->parse(sql) != VX_SUCCESS ||
        descriptor->addTablesToList(&tables_) != VX_SUCCESS) {
        dropDescriptor();
        return VX_ERROR;
    }
    if (kind == FLAT_STMT_SELECT && describeResult() != VX_SUCCESS) {
        dropDescriptor();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatStatement::describeResult() {
    const std::uint16_t count = descriptor_->getNumResultCols();
    if (allocArrays(count) != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t column = 1; column <= count; ++column) {
        FlatColumnInfo info;
        if (descriptor_->describeColumn(column, &info) != VX_SUCCESS)
            return VX_ERROR;
        BaseField* field = getField(column);
        if (!field || field->setName(info.name) != VX_SUCCESS ||
            field->setTableName(info.tableName) != VX_SUCCESS ||
            field->setLabel(info.label) != VX_SUCCESS)
            return VX_ERROR;
        field->describe(info.sqlType, info.precision, info.scale);
        field->setDisplaySize(info.displaySize);
        field->setNullable(info.nullable);
        field->setUpdatable((info.flags & FlatColumnInfo::COLUMN_UPDATABLE) ? SQL_ATTR_WRITE
                                                                            : SQL_ATTR_READONLY);
        field->setSearchable(searchableOf(info.sqlType));
    }
    return VX_SUCCESS;
}

void FlatStatement::dropDescriptor() {
    delete descriptor_;
    descriptor_ = nullptr;
    (void)tables_.shrink(0);
    kind_ = FLAT_STMT_NONE;
}

void FlatStatement::takeTableLocks() {
    for (std::uint16_t i = 0; i < tables_.getCount(); ++i)
        static_cast<FlatSharedDesc*>(tables_.get(i))->lock();
}

void FlatStatement::releaseTableLocks() {
    for (std::uint16_t i = 0; i < tables_.getCount(); ++i)
        static_cast<FlatSharedDesc*>(tables_.get(i))->unlock();
}

void FlatStatement::rowTransfer(bool starting) {
    if (starting)
        lockTables();
    else
        unlockTables();
}

VxStatus FlatStatement::executePreparedStmt() {
    if (!descriptor_)
        return noDescriptor();
    TableLocks locks(*this);
    fetchedRows_ = 0;
    return descriptor_->execute();
}

VxStatus FlatStatement::fetchRow(unsigned short* noMore) {
    if (!descriptor_)
        return noDescriptor();
    TableLocks locks(*this);
    if (descriptor_->getNextRecord(noMore) != VX_SUCCESS)
        return VX_ERROR;
    if (!*noMore)
        ++fetchedRows_;
    return VX_SUCCESS;
}

VxStatus FlatStatement::fetchRandomRow(SQLULEN row, unsigned short* noMore, unsigned short lock) {
    if (!descriptor_)
        return noDescriptor();
    TableLocks locks(*this);
    return descriptor_->getRandomRow(row, noMore, lock);
}

VxStatus FlatStatement::getData(unsigned short column, short cType, BaseOutString* out) {
    if (!descriptor_)
        return noDescriptor();
    TableLocks locks(*this);
    return descriptor_->getData(column, cType, out);
}

VxStatus FlatStatement::rowCount(SQLLEN* count) {
    *count = descriptor_ ? descriptor_->getRowCounter() : 0;
    return VX_SUCCESS;
}

BaseField* FlatStatement::allocFld() {
    return new BaseField();
}

VxStatus FlatStatement::calcNumResultCols() {
    if (descriptor_ && getNumResultCols() == 0 && descriptor_->getNumResultCols() > 0)
        return describeResult();
    return VX_SUCCESS;
}

VxStatus FlatStatement::setToPreparedState() {
    VxStatus status = VX_SUCCESS;
    if (descriptor_) {
        TableLocks locks(*this);
        status = descriptor_->setToPreparedState();
    }
    for (unsigned short n = 1; n <= getNumParams(); ++n)
        if (auto* param = dynamic_cast<FlatParam*>(getParam(n)))
            param->releaseValue();
    if (BaseStatement::setToPreparedState() != VX_SUCCESS)
        status = VX_ERROR;
    return status;
}

VxStatus FlatStatement::setToAllocatedState(unsigned short keepPrepared) {
    VxStatus status = VX_SUCCESS;
    if (descriptor_) {
        status = setToPreparedState();
        dropDescriptor();
    }
    fetchedRows_ = 0;
    if (BaseStatement::setToAllocatedState(keepPrepared) != VX_SUCCESS)
        status = VX_ERROR;
    return status;
}

// ---- Row modification: forwarded under the table locks ----

VxStatus FlatStatement::forward(VxStatus (FlatDescriptor::*operation)()) {
    if (!descriptor_)
        return noDescriptor();
    TableLocks locks(*this);
    return (descriptor_->*operation)();
}

VxStatus FlatStatement::abortRowModification() {
    return forward(&FlatDescriptor::abortRowModification);
}
VxStatus FlatStatement::deleteRow() {
    return forward(&FlatDescriptor::deleteRow);
}
VxStatus FlatStatement::insertRow() {
    return forward(&FlatDescriptor::insertRow);
}
VxStatus FlatStatement::prepareForUpdate() {
    return forward(&FlatDescriptor::prepareForUpdate);
}
VxStatus FlatStatement::prepareForInsert() {
    return forward(&FlatDescriptor::prepareForInsert);
}
VxStatus FlatStatement::updateRow() {
    return forward(&FlatDescriptor::updateRow);
}

VxStatus FlatStatement::unlockRandomRow(SQLULEN row) {
    if (!descriptor_)
        return noDescriptor();
    TableLocks locks(*this);
    return descriptor_->unlockRow(row);
}

// ---- Descriptor allocation hooks ----

namespace {

FlatDescriptor* notCapable() {
    addOdbcError(ODBC_S1C00);
    return nullptr;
}

} // namespace

FlatDescriptor* FlatStatement::allocDropTableDesc() {
    return notCapable();
}

bool FlatStatement::isOptionList(const char*, unsigned int* length) {
    if (length)
        *length = 0;
    return false;
}

FlatDescriptor* FlatStatement::allocCreateDesc() {
    return notCapable();
}
FlatDescriptor* FlatStatement::allocCrIndexDesc() {
    return notCapable();
}
FlatDescriptor* FlatStatement::allocDropIndexDesc() {
    return notCapable();
}

FlatDescriptor* FlatStatement::allocSpecialStmt(const char*) {
    addFlatSyntaxError(3800);
    return nullptr;
}

FlatDescriptor* FlatStatement::allocSelectDesc() {
#ifdef FLAT_HAVE_SELECT_DESC
    return new FlatSelectDesc(this);
#else
    return notCapable();
#endif
}

// INSERT, UPDATE, DELETE and USE are the engine's.
FlatDescriptor* FlatStatement::allocModifyDesc(FlatStatementKind kind) {
#ifdef FLAT_HAVE_SELECT_DESC
    if (kind == FLAT_STMT_INSERT)
        return new FlatInsertDesc(this);
    if (kind == FLAT_STMT_UPDATE)
        return new FlatUpdateDesc(this);
    if (kind == FLAT_STMT_DELETE)
        return new FlatDeleteDesc(this);
    if (kind == FLAT_STMT_USE)
        return new FlatUseDesc(this);
#else
    (void)kind;
#endif
    return notCapable();
}
