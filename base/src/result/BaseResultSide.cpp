// The row source of the result functions and the transfer of bound
// columns.
#include "BaseResultSide.h"

#include <sqlext.h>

#include <cstring>
#include <new>

#include "base/BaseBinding.h"
#include "base/BaseCatalogResult.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "util/ram.h"

bool BaseResultSide::servesCatalog(const BaseStatement& statement) {
    return statement.getPrepareMode() == BaseStatement::PREPARE_CATALOG &&
           statement.getCatalogResult() != nullptr;
}

// Catalog results describe their columns into plain fields.
VxStatus BaseResultSide::ensureCatalogFields(BaseStatement& statement) {
    BaseCatalogResult* result = statement.getCatalogResult();
    std::uint16_t count = result->getNumCols();
    if (statement.getNumResultCols() == count)
        return VX_SUCCESS;
    statement.deleteFields();
    if (count == 0)
        return VX_SUCCESS;
    auto** array = static_cast<BaseField**>(ramAlloc(count * sizeof(BaseField*)));
    if (!array)
        return VX_ERROR;
    std::memset(array, 0, count * sizeof(BaseField*));
    setFields(statement, array);
    setColumnCount(statement, count);
    for (std::uint16_t i = 0; i < count; ++i) {
        array[i] = new BaseField();
        if (!array[i]) {
            addOdbcError(ODBC_S1001);
        } else if (result->describeCol(static_cast<std::uint16_t>(i + 1), *array[i]) ==
                   VX_SUCCESS) {
            continue;
        }
        statement.deleteFields();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus BaseResultSide::fetchNext(BaseStatement& statement, unsigned short* noMore) {
    *noMore = 0;
    if (servesCatalog(statement))
        return statement.getCatalogResult()->fetchRow(noMore);
    return statement.fetchRow(noMore);
}

bool BaseResultSide::beyondMaxRows(BaseStatement& statement, SQLULEN row) {
    SQLULEN maxRows = statement.getOptions().get(SQL_MAX_ROWS);
    return maxRows > 0 && row > maxRows;
}

VxStatus BaseResultSide::fetchRandom(BaseStatement& statement, SQLULEN row, unsigned short* noMore,
                                     unsigned short lock) {
    *noMore = 0;
    if (beyondMaxRows(statement, row)) {
        *noMore = 1;
        return VX_SUCCESS;
    }
    if (servesCatalog(statement))
        return statement.getCatalogResult()->fetchRandomRow(row, noMore);
    VxStatus status = statement.fetchRandomRow(row, noMore, lock);
    if (status != VX_SUCCESS && errors(statement).isEmpty())
        addOdbcError(ODBC_S1C00);
    return status;
}

VxStatus BaseResultSide::getData(BaseStatement& statement, unsigned short column, short cType,
                                 BaseOutString* out) {
    if (servesCatalog(statement))
        return statement.getCatalogResult()->getData(column, cType, out);
    return statement.getData(column, cType, out);
}

VxStatus BaseResultSide::numRows(BaseStatement& statement, SQLULEN* rows) {
    if (servesCatalog(statement)) {
        SQLLEN count = statement.getCatalogResult()->getRowCount();
        *rows = count > 0 ? static_cast<SQLULEN>(count) : 0;
        return VX_SUCCESS;
    }
    return statement.getNumRows(rows);
}

VxStatus BaseResultSide::requireCursor(BaseStatement& statement) {
    std::uint16_t state = statement.getState();
    if (state == BaseStatement::STMT_CURSOR_OPEN)
        return VX_SUCCESS;
    addOdbcError(state >= BaseStatement::STMT_NEED_DATA && state <= BaseStatement::STMT_PUT_DATA
                     ? ODBC_S1010
                     : ODBC_24000);
    return VX_ERROR;
}

VxStatus BaseResultSide::columnCount(BaseStatement& statement, std::uint16_t* count) {
    *count = 0;
    if (servesCatalog(statement)) {
        if (ensureCatalogFields(statement) != VX_SUCCESS)
            return VX_ERROR;
        *count = statement.getNumResultCols();
        return VX_SUCCESS;
    }
    std::uint16_t state = statement.getState();
    if (state != BaseStatement::STMT_CURSOR_OPEN && state != BaseStatement::STMT_PREPARED)
        return VX_SUCCESS;
    if (statement.getNumResultCols() == 0 && statement.calcNumResultCols() != VX_SUCCESS)
        return VX_ERROR;
    *count = statement.getNumResultCols();
    return VX_SUCCESS;
}

void BaseResultSide::demoteErrors(BaseStatement& statement, std::uint32_t mark) {
    BaseErrorList& list = errors(statement);
    for (std::uint32_t pos = mark; pos < list.getCount(); ++pos)
        list.getErrorAtPos(pos)->setWarning(true);
}

bool BaseResultSide::isScrollable(const BaseStatement& statement) {
    return const_cast<BaseStatement&>(statement).getOptions().get(SQL_CURSOR_TYPE) !=
           SQL_CURSOR_FORWARD_ONLY;
}

namespace {

// Where row `rowIndex` of a binding lives: column-wise arrays step by the
// buffer length (indicators by one), row-wise structures by the bind type.
void bindingAddresses(const BaseBinding& binding, SQLULEN bindType, SQLULEN rowIndex, void** value,
                      SQLLEN** indicator) {
    auto* base = static_cast<char*>(binding.getValue());
    auto* ind = reinterpret_cast<char*>(binding.getIndicator());
    if (bindType == SQL_BIND_BY_COLUMN) {
        *value = base + rowIndex * static_cast<SQLULEN>(binding.getBufferLength());
        *indicator = binding.getIndicator() ? binding.getIndicator() + rowIndex : nullptr;
    } else {
        *value = base + rowIndex * bindType;
        *indicator = ind ? reinterpret_cast<SQLLEN*>(ind + rowIndex * bindType) : nullptr;
    }
}

} // namespace

VxStatus BaseResultSide::transferRow(BaseStatement& statement, SQLULEN rowIndex) {
    BaseResultState& cursor = state(statement);
    cursor.pieceActive = false;
    SQLULEN bindType = statement.getOptions().get(SQL_BIND_TYPE);
    std::uint16_t count = statement.getNumResultCols();
    VxStatus result = VX_SUCCESS;
    statement.rowTransfer(true);
    for (std::uint16_t column = 0; column <= statement.getHighestBoundColumn(); ++column) {
        BaseBinding* binding = statement.getBinding(column);
        if (!binding || column > count)
            continue;
        void* value = nullptr;
        SQLLEN* indicator = nullptr;
        bindingAddresses(*binding, bindType, rowIndex, &value, &indicator);
        BaseOutString out(value, binding->getBufferLength(), indicator);
        VxStatus status;
        if (column == 0) {
            auto bookmark = static_cast<SQLUINTEGER>(cursor.currentRow);
            status = statement.convertInternalToC(0, binding->getCType(), &out, &bookmark,
                                                  sizeof bookmark, INTERNAL_ULONG);
        } else {
            short sqlType = statement.getField(column)->getSqlType();
            status = VX_SUCCESS;
            if (!binding->isCheckedFor(sqlType) &&
                (status = baseCheckColumnConversion(column, sqlType, binding->getCType())) ==
                    VX_SUCCESS)
                binding->setCheckedFor(sqlType);
            if (status == VX_SUCCESS)
                status = getData(statement, column, binding->getCType(), &out);
        }
        if (status != VX_SUCCESS)
            result = VX_ERROR;
    }
    statement.rowTransfer(false);
    return result;
}
