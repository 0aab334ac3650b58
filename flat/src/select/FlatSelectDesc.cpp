// FlatSelectDesc: parsing, executing and fetching a SELECT.
#include "flat/FlatSelectDesc.h"

#include <sqlext.h>

#include <cstdlib>
#include <cstring>

#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "flat/FlatConnection.h"
#include "flat/FlatCursor.h"
#include "flat/FlatOptPlan.h"
#include "flat/FlatProjection.h"
#include "flat/FlatRandomFetch.h"
#include "flat/FlatResultSet.h"
#include "flat/FlatStatement.h"
#include "flat/FlatTableAccess.h"
#include "parse/FlatParamList.h"
#include "parse/FlatSelectParser.h"
#include "util/VxString.h"

namespace {

FlatConnection* connectionOf(FlatStatement* statement) {
    return statement ? &statement->getFlatConnection() : nullptr;
}

VxStatus generalError(unsigned short odbcId) {
    addOdbcError(odbcId);
    return VX_ERROR;
}

// The framework's internal type of a value's storage type.
InternalType internalTypeOf(short storage) {
    if (storage == FLAT_STORAGE_BINARY)
        return INTERNAL_BINARY;
    if (storage == FLAT_STORAGE_UNSET)
        return INTERNAL_CHAR;
    return static_cast<InternalType>(storage);
}

} // namespace

FlatSelectDesc::FlatSelectDesc(FlatStatement* statement)
    : FlatDescriptor(statement), resultInfo_(connectionOf(statement), &exprInfo_) {
    exprInfo_.setRowSource(this);
    exprInfo_.setSubQuerySource(&resultInfo_);
    if (statement)
        exprInfo_.setParamSource(statement);
}

FlatSelectDesc::~FlatSelectDesc() {
    release();
}

void FlatSelectDesc::release() {
    delete root_;
    root_ = nullptr;
    projection_ = nullptr;
    resultInfo_.releaseSubQueries();
    tables_.deleteContents();
    fromTables_ = 0;
    exprInfo_.setParamTypes(nullptr);
    delete params_;
    params_ = nullptr;
    resultInfo_.setRoot(nullptr);
    position_ = 0;
    started_ = false;
    atEnd_ = false;
}

VxStatus FlatSelectDesc::parse(const char* sql) {
    unsigned mode = 0;
    FlatConnection* connection = getConnection();
    if (connection && !connection->hasFlatFlag(FlatConnection::FLAT_DEFER_EVALUATION))
        mode |= FLAT_SELECT_RANDOM;
    if (statement_ && statement_->getOptions().get(SQL_CURSOR_TYPE) != SQL_CURSOR_FORWARD_ONLY)
        mode |= FLAT_SELECT_RANDOM;
    if (parseSelect(sql, mode) != VX_SUCCESS)
        return VX_ERROR;
    // For tuning: the plan of every prepared SELECT, with its costs,
    // appended to the file VX_FLAT_PLAN_FILE names.
    const char* planFile = std::getenv("VX_FLAT_PLAN_FILE");
    if (planFile && *planFile)
        flatAppendPlanListing(planFile, sql, root_);
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::parseSelect(const char* sql, unsigned mode) {
    release();
    FlatConnection* connection = getConnection();
    if (connection) {
        exprInfo_.setIntlSort(connection->hasFlatFlag(FlatConnection::FLAT_INTL_SORT));
        exprInfo_.setUtf8Text(connection->getCharset().isUtf8());
    }
    params_ = new FlatParamList;
    exprInfo_.setParamTypes(params_);
    FlatSelectParser parser(&resultInfo_, params_, &tables_, mode);
    const char* user = connection ? connection->getUserId() : nullptr;
    parser.setUserName(user ? user : "");
    FlatSelectTree tree;
    if (parser.parse(sql, &tree) != VX_SUCCESS) {
        tables_.deleteContents();
        release();
        return VX_ERROR;
    }
    root_ = tree.root;
    projection_ = tree.projection;
    fromTables_ = parser.getFromTableCount();
    resultInfo_.setRoot(root_);
    bool deferred = !connection || connection->hasFlatFlag(FlatConnection::FLAT_DEFER_EVALUATION);
    if (tree.randomFetch && !deferred)
        tree.randomFetch->setReadAll(true);
    return VX_SUCCESS;
}

FlatTableAccess* FlatSelectDesc::getTable(std::uint16_t number) const {
    if (number == 0 || number > tables_.getCount())
        return nullptr;
    return static_cast<FlatTableAccess*>(tables_.get(static_cast<std::uint16_t>(number - 1)));
}

VxStatus FlatSelectDesc::getFieldValue(std::uint32_t tableRef, std::uint16_t field,
                                       FlatDataValue* value, short* sqlType) {
    return readField(tableRef, field, value, sqlType);
}

VxStatus FlatSelectDesc::readField(std::uint32_t tableRef, std::uint16_t field,
                                   FlatDataValue* value, short* sqlType) {
    // Tables are numbered across the whole statement, sub-queries
    // included, so a reference to an enclosing query's table (an outer
    // level in the high half) names its table by number all the same.
    FlatTableAccess* table = getTable(static_cast<std::uint16_t>(tableRef & 0xFFFF));
    if (!table)
        return generalError(ODBC_S1000);
    if (resultInfo_.getDetachedRow() && resultInfo_.attachRow() != VX_SUCCESS)
        return VX_ERROR;
    return table->fieldValue(field, value, sqlType);
}

VxStatus FlatSelectDesc::addTablesToList(VxArray* list) {
    return root_ ? root_->addTablesToList(list) : VX_SUCCESS;
}

void FlatSelectDesc::dump(char* out, std::size_t size) {
    if (!out || size == 0)
        return;
    out[0] = 0;
    FlatOptPlan plan(out, size);
    // A listing cut short by a failure shows what was written.
    (void)plan.writeTree(root_);
    (void)plan.close();
}

VxStatus FlatSelectDesc::execute() {
    if (!root_)
        return generalError(ODBC_S1010);
    position_ = 0;
    started_ = false;
    atEnd_ = false;
    if (resultInfo_.closeSubQueries() != VX_SUCCESS || root_->open() != VX_SUCCESS)
        return VX_ERROR;
    FlatConnection* connection = getConnection();
    bool deferred = !connection || connection->hasFlatFlag(FlatConnection::FLAT_DEFER_EVALUATION);
    if (deferred || !root_->isRandomAccess())
        return VX_SUCCESS;
    // Evaluates the whole result now; fetching starts before row 1.
    bool eof = false;
    std::uint16_t status = FLAT_ROW_NONE;
    if (root_->fetchFirst(&eof) != VX_SUCCESS || root_->fetchRow(0, &status) != VX_SUCCESS)
        return VX_ERROR;
    started_ = true;
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::getNextRecord(unsigned short* atEnd) {
    if (!root_)
        return generalError(ODBC_S1010);
    bool eof = atEnd_;
    if (!started_) {
        started_ = true;
        if (root_->fetchFirst(&eof) != VX_SUCCESS)
            return VX_ERROR;
    } else if (!atEnd_ && root_->fetchNext(&eof) != VX_SUCCESS) {
        return VX_ERROR;
    }
    atEnd_ = eof;
    if (!eof)
        ++position_;
    *atEnd = eof ? 1 : 0;
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::rewind() {
    if (root_->close() != VX_SUCCESS || resultInfo_.closeSubQueries() != VX_SUCCESS ||
        root_->open() != VX_SUCCESS)
        return VX_ERROR;
    position_ = 0;
    started_ = false;
    atEnd_ = false;
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::getRandomRow(SQLULEN row, unsigned short* atEnd, unsigned int) {
    if (!root_)
        return generalError(ODBC_S1010);
    *atEnd = 1;
    if (root_->isRandomAccess()) {
        std::uint16_t status = FLAT_ROW_NONE;
        std::uint32_t number = row > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(row);
        if (root_->fetchRow(number, &status) != VX_SUCCESS)
            return VX_ERROR;
        started_ = true;
        atEnd_ = status != FLAT_ROW_FOUND;
        position_ = atEnd_ ? position_ : row;
        *atEnd = atEnd_ ? 1 : 0;
        return VX_SUCCESS;
    }
    // A forward-only tree: move on, or read again from the start.
    if (row == 0)
        return VX_SUCCESS;
    if (started_ && !atEnd_ && row == position_) {
        *atEnd = 0;
        return VX_SUCCESS;
    }
    if (row < position_ || (atEnd_ && row <= position_)) {
        if (rewind() != VX_SUCCESS)
            return VX_ERROR;
    }
    while (position_ < row) {
        unsigned short end = 0;
        if (getNextRecord(&end) != VX_SUCCESS)
            return VX_ERROR;
        if (end)
            return VX_SUCCESS;
    }
    *atEnd = 0;
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::getColumnValue(std::uint16_t column, FlatDataValue* value,
                                        short* sqlType) {
    if (!projection_ || column == 0 || column > projection_->getColumnCount())
        return generalError(ODBC_S1002);
    return projection_->getColumn(static_cast<std::uint16_t>(column - 1))->evaluate(value, sqlType);
}

VxStatus FlatSelectDesc::getData(unsigned short column, short cType, BaseOutString* out) {
    if (!projection_ || column == 0 || column > projection_->getColumnCount())
        return generalError(ODBC_S1002);
    FlatResultSetColumn* source = projection_->getColumn(static_cast<std::uint16_t>(column - 1));
    FlatDataValue value;
    short sqlType = 0;
    // Most columns are plain fields: read from their table straight away
    // (the value alone: its SQL type is the column's).
    const VxStatus read = source->readsFieldDirectly()
                              ? readField(source->getSourceTable(), source->getSourceFieldNumber(),
                                          &value, nullptr)
                              : source->evaluate(&value, &sqlType);
    if (read != VX_SUCCESS)
        return VX_ERROR;
    InternalType type = internalTypeOf(value.getStorageType());
    SQLLEN length = value.isNull() ? SQL_NULL_DATA : static_cast<SQLLEN>(value.getLength());
    const void* bytes = value.isNull() ? nullptr : value.getValueBuffer();
    // Through the statement, long values go out in pieces across calls and
    // character data through the connection's translation library.
    if (statement_)
        return statement_->convertInternalToC(column, cType, out, bytes, length, type);
    return baseConvertInternalToC(BaseConvertPlace::column(column), cType, *out, bytes, length,
                                  type);
}

VxStatus FlatSelectDesc::getRowId(double* rowId) {
    *rowId = 0;
    if (resultInfo_.attachRow() != VX_SUCCESS)
        return VX_ERROR;
    FlatTableAccess* table = getTable(1);
    if (!table || !started_ || atEnd_ || position_ == 0)
        return generalError(ODBC_S1109);
    FlatDataValue value;
    short sqlType = 0;
    if (table->fieldValue(FlatCursor::FIELD_ROWID, &value, &sqlType) != VX_SUCCESS)
        return VX_ERROR;
    if (!value.isNull())
        std::memcpy(rowId, value.getValueBuffer(), sizeof *rowId);
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::setToPreparedState() {
    position_ = 0;
    started_ = false;
    atEnd_ = false;
    if (resultInfo_.closeSubQueries() != VX_SUCCESS)
        return VX_ERROR;
    return root_ ? root_->close() : VX_SUCCESS;
}

std::uint16_t FlatSelectDesc::getNumResultCols() {
    return projection_ ? projection_->getColumnCount() : 0;
}

VxStatus FlatSelectDesc::describeColumn(std::uint16_t column, FlatColumnInfo* info) {
    if (!projection_ || column == 0 || column > projection_->getColumnCount())
        return generalError(ODBC_S1002);
    FlatResultSetColumn* source = projection_->getColumn(static_cast<std::uint16_t>(column - 1));
    info->name = source->getName();
    info->label = source->getLabel();
    info->tableName = source->getTableName();
    info->sqlType = source->getSqlType();
    info->precision = source->getPrecision();
    info->scale = source->getScale();
    info->displaySize = source->getDisplaySize();
    info->nullable = source->getNullable();
    info->flags = source->isUpdatable() ? std::uint32_t{FlatColumnInfo::COLUMN_UPDATABLE} : 0u;
    return VX_SUCCESS;
}

bool FlatSelectDesc::isParamLegal(std::uint16_t number) {
    return params_ && number >= 1 && number <= params_->getCount() &&
           params_->getType(number) != FLAT_TYPE_PARAM;
}

std::uint16_t FlatSelectDesc::getParamCount() const {
    return params_ ? params_->getCount() : 0;
}

short FlatSelectDesc::getParamType(std::uint16_t number) const {
    return params_ ? params_->getType(number) : FLAT_TYPE_PARAM;
}
