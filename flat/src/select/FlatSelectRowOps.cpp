// SQLSetPos on a SELECT of one table: the row of the row set that the
// framework positioned on is the table cursor's current record; SQL_UPDATE
// writes the bound columns that are columns of the table, SQL_DELETE
// removes the record, SQL_ADD inserts a record from the bound columns.
// Inside a manual-commit transaction the table cursor logs the change like
// any other statement's.
#include <sqlext.h>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatCursor.h"
#include "flat/FlatDistinct.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatProjection.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatSelectDesc.h"
#include "flat/FlatTableAccess.h"
#include "flat/FlatUnionAll.h"

namespace {

constexpr unsigned short MSG_READ_ONLY = 3865;

// Whether a row of the result is one record of the table: no grouping,
// DISTINCT or UNION anywhere in the tree.
bool rowsAreRecords(FlatResultSet* node) {
    if (!node)
        return true;
    if (dynamic_cast<FlatGroupBy*>(node) || dynamic_cast<FlatDistinct*>(node) ||
        dynamic_cast<FlatUnionAll*>(node))
        return false;
    for (std::uint16_t n = 0; n < node->getChildCount(); ++n)
        if (!rowsAreRecords(node->getChild(n)))
            return false;
    return true;
}

} // namespace

// The table cursor of a one-table SELECT that may be changed, else null
// with S1C00 (several tables or none, or rows that are not records of the
// table: grouped, DISTINCT, UNION) or 3865 (a read-only table).
FlatCursor* FlatSelectDesc::rowCursor() {
    // A row served from a sort's records: the table stands on it again.
    if (resultInfo_.attachRow() != VX_SUCCESS)
        return nullptr;
    FlatTableAccess* table = getTableCount() == 1 ? getTable(1) : nullptr;
    FlatCursor* cursor = table ? table->getCursor() : nullptr;
    if (!cursor || !projection_ || !rowsAreRecords(root_)) {
        addOdbcError(ODBC_S1C00);
        return nullptr;
    }
    if (cursor->isReadOnly()) {
        addFlatError(MSG_READ_ONLY);
        return nullptr;
    }
    return cursor;
}

VxStatus FlatSelectDesc::lockRow() {
    FlatCursor* cursor = rowCursor();
    return cursor ? cursor->lockCurrentRecord() : VX_ERROR;
}

VxStatus FlatSelectDesc::prepareForUpdate() {
    FlatCursor* cursor = rowCursor();
    if (!cursor || cursor->lockCurrentRecord() != VX_SUCCESS)
        return VX_ERROR;
    rowHandle_.assign(cursor->getRecordHandleSize(), 0);
    if (cursor->getRecordHandle(rowHandle_.data()) != VX_SUCCESS ||
        cursor->prepareForUpdate() != VX_SUCCESS) {
        (void)cursor->unlockRecord(rowHandle_.data());
        rowHandle_.clear();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatSelectDesc::prepareForInsert() {
    FlatCursor* cursor = rowCursor();
    rowHandle_.clear();
    return cursor ? cursor->prepareForInsert() : VX_ERROR;
}

// A bound column that is not a column of the table (an expression) cannot
// be written: S1C00. ROWID is left alone.
VxStatus FlatSelectDesc::updateColumn(unsigned short column, FlatDataValue* value) {
    FlatCursor* cursor = rowCursor();
    if (!cursor)
        return VX_ERROR;
    if (column >= projection_->getColumnCount()) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    FlatResultSetColumn* result = projection_->getColumn(column);
    if (result->isSourceField() && result->getSourceFieldNumber() == FlatCursor::FIELD_ROWID)
        return VX_SUCCESS;
    VxStatus status = VX_ERROR;
    if (!result->isSourceField())
        addOdbcError(ODBC_S1C00);
    else
        status = cursor->updateField(result->getSourceFieldNumber(), value);
    if (status != VX_SUCCESS)
        (void)abortRowModification();
    return status;
}

VxStatus FlatSelectDesc::updateRow() {
    FlatCursor* cursor = rowCursor();
    if (!cursor)
        return VX_ERROR;
    VxStatus status = cursor->updateRecord();
    if (status != VX_SUCCESS)
        cursor->abortRecordModification();
    if (!rowHandle_.empty() && cursor->unlockRecord(rowHandle_.data()) != VX_SUCCESS)
        status = VX_ERROR;
    rowHandle_.clear();
    return status;
}

VxStatus FlatSelectDesc::insertRow() {
    FlatCursor* cursor = rowCursor();
    if (!cursor)
        return VX_ERROR;
    VxStatus status = cursor->insertRecord();
    if (status != VX_SUCCESS)
        cursor->abortRecordModification();
    return status;
}

VxStatus FlatSelectDesc::deleteRow() {
    FlatCursor* cursor = rowCursor();
    return cursor ? cursor->deleteCurrentRecord() : VX_ERROR;
}

VxStatus FlatSelectDesc::abortRowModification() {
    FlatCursor* cursor = getTableCount() == 1 && getTable(1) ? getTable(1)->getCursor() : nullptr;
    if (!cursor)
        return VX_SUCCESS;
    cursor->abortRecordModification();
    if (!rowHandle_.empty())
        (void)cursor->unlockRecord(rowHandle_.data());
    rowHandle_.clear();
    return VX_SUCCESS;
}
