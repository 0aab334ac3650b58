// SQLSetPos: positioning on a row of the row set, refreshing it, and
// updating, deleting or adding rows through the driver's row-modification
// hooks. With irow 0 the operation applies to every row of the row set; a
// row that fails is marked SQL_ROW_ERROR, its errors become warnings with
// 01S01, and the operation goes on with the next row.
#include <sqlext.h>

#include "BaseResultSide.h"
#include "base/BaseBinding.h"
#include "base/BaseDataValue.h"
#include "base/BaseErrors.h"

namespace {

VxStatus fail(unsigned short odbcId) {
    addOdbcError(odbcId);
    return VX_ERROR;
}

VxStatus checkSetPos(BaseStatement& statement, SQLSETPOSIROW irow, SQLUSMALLINT option,
                     SQLUSMALLINT lock) {
    if (BaseResultSide::requireCursor(statement) != VX_SUCCESS)
        return VX_ERROR;
    if (option > SQL_ADD || lock > SQL_LOCK_UNLOCK)
        return fail(ODBC_S1009);
    const BaseResultState& cursor = statement.getResultState();
    if (cursor.rowsetStart == 0 || cursor.afterEnd || cursor.rowsInRowset == 0)
        return fail(ODBC_S1109);
    if (irow > cursor.rowsInRowset || (irow == 0 && option == SQL_POSITION))
        return fail(ODBC_S1107);
    bool writes = option == SQL_UPDATE || option == SQL_DELETE || option == SQL_ADD;
    if (writes && statement.getOptions().get(SQL_CONCURRENCY) == SQL_CONCUR_READ_ONLY)
        return fail(ODBC_S1009);
    if ((option == SQL_UPDATE || option == SQL_ADD) && statement.getHighestBoundColumn() == 0 &&
        !statement.getBinding(0))
        return fail(ODBC_21S02);
    return VX_SUCCESS;
}

// Moves the driver onto row `index` (0-based) of the row set.
VxStatus positionOn(BaseStatement& statement, SQLULEN index) {
    BaseResultState& cursor = BaseResultSide::state(statement);
    SQLULEN row = cursor.rowsetStart + index;
    if (cursor.onRow && cursor.currentRow == row)
        return VX_SUCCESS;
    if (!BaseResultSide::isScrollable(statement))
        return fail(ODBC_S1109);
    unsigned short noRow = 0;
    if (BaseResultSide::fetchRandom(statement, row, &noRow, 0) != VX_SUCCESS)
        return VX_ERROR;
    if (noRow)
        return fail(ODBC_S1109);
    cursor.currentRow = row;
    cursor.onRow = true;
    return VX_SUCCESS;
}

// Hands every bound column of row `index` of the bound buffers to the
// driver's updateColumn hook.
VxStatus sendColumns(BaseStatement& statement, SQLULEN index) {
    SQLULEN bindType = statement.getOptions().get(SQL_BIND_TYPE);
    for (std::uint16_t column = 1; column <= statement.getHighestBoundColumn(); ++column) {
        BaseBinding* binding = statement.getBinding(column);
        if (!binding)
            continue;
        SQLULEN step = bindType == SQL_BIND_BY_COLUMN
                           ? static_cast<SQLULEN>(binding->getBufferLength())
                           : bindType;
        const char* value = static_cast<const char*>(binding->getValue()) + index * step;
        SQLLEN length = binding->getBufferLength();
        if (SQLLEN* indicator = binding->getIndicator()) {
            auto* at = bindType == SQL_BIND_BY_COLUMN
                           ? indicator + index
                           : reinterpret_cast<SQLLEN*>(reinterpret_cast<char*>(indicator) +
                                                       index * bindType);
            length = *at;
        }
        BaseDataValue data(binding->getCType(), value, length, binding->getBufferLength());
        if (statement.updateColumn(column, &data) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus modifyRow(BaseStatement& statement, SQLUSMALLINT option, SQLULEN index,
                   SQLUSMALLINT* status) {
    switch (option) {
    case SQL_POSITION:
        if (positionOn(statement, index) != VX_SUCCESS)
            return VX_ERROR;
        BaseResultSide::state(statement).positionRow = statement.getResultState().currentRow;
        return VX_SUCCESS;
    case SQL_REFRESH:
        BaseResultSide::state(statement).onRow = false;
        if (positionOn(statement, index) != VX_SUCCESS)
            return VX_ERROR;
        *status = SQL_ROW_SUCCESS;
        return BaseResultSide::transferRow(statement, index);
    case SQL_UPDATE:
        *status = SQL_ROW_UPDATED;
        return positionOn(statement, index) == VX_SUCCESS &&
                       statement.prepareForUpdate() == VX_SUCCESS &&
                       sendColumns(statement, index) == VX_SUCCESS
                   ? statement.updateRow()
                   : VX_ERROR;
    case SQL_DELETE:
        *status = SQL_ROW_DELETED;
        return positionOn(statement, index) == VX_SUCCESS ? statement.deleteRow() : VX_ERROR;
    default:
        *status = SQL_ROW_ADDED;
        return statement.prepareForInsert() == VX_SUCCESS &&
                       sendColumns(statement, index) == VX_SUCCESS
                   ? statement.insertRow()
                   : VX_ERROR;
    }
}

} // namespace

SQLRETURN BaseStatement::SQLSetPos(SQLSETPOSIROW irow, SQLUSMALLINT fOption, SQLUSMALLINT fLock) {
    BaseStatementCall call(*this, SQL_API_SQLSETPOS);
    if (call.isBusy())
        return BASE_BUSY;
    if (checkSetPos(*this, irow, fOption, fLock) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    result_.forgetGetData();
    SQLULEN first = irow == 0 ? 0 : irow - 1;
    SQLULEN last = irow == 0 ? result_.rowsInRowset : irow;
    bool single = irow != 0 || result_.rowsInRowset == 1;
    bool anyFailed = false;
    for (SQLULEN index = first; index < last; ++index) {
        std::uint32_t mark = errorList_.getCount();
        SQLUSMALLINT status = SQL_ROW_SUCCESS;
        VxStatus outcome = modifyRow(*this, fOption, index, &status);
        if (outcome == VX_SUCCESS && fLock == SQL_LOCK_UNLOCK && fOption != SQL_ADD)
            outcome = unlockRandomRow(result_.rowsetStart + index);
        if (outcome == VX_SUCCESS) {
            if (result_.rowStatus && fOption != SQL_POSITION && fOption != SQL_ADD)
                result_.rowStatus[index] = status;
            continue;
        }
        if (fOption != SQL_POSITION && fOption != SQL_REFRESH)
            (void)abortRowModification();
        if (single && fOption != SQL_UPDATE && fOption != SQL_DELETE && fOption != SQL_ADD)
            return call.finish(SQL_ERROR);
        anyFailed = true;
        if (errorList_.getCount() == mark)
            addOdbcError(ODBC_S1000);
        if (single)
            continue;
        BaseResultSide::demoteErrors(*this, mark);
        addOdbcWarning(ODBC_01S01);
        if (result_.rowStatus)
            result_.rowStatus[index] = SQL_ROW_ERROR;
    }
    if (anyFailed && single) {
        if (result_.rowStatus)
            result_.rowStatus[first] = SQL_ROW_ERROR;
        return call.finish(SQL_ERROR);
    }
    return call.finish(SQL_SUCCESS);
}
