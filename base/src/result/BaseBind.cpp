// SQLBindCol and the statement's bindings.
#include <sqlext.h>

#include <cstring>
#include <new>

#include "BaseResultSide.h"
#include "base/BaseBinding.h"
#include "base/BaseConnection.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "util/ram.h"

namespace {

// Grows the binding array so that it has room for column `column`.
VxStatus growBindings(BaseStatement& statement, std::uint16_t column) {
    BaseBinding**& bindings = BaseResultSide::bindings(statement);
    std::uint16_t& allocated = BaseResultSide::bindingsAllocated(statement);
    if (column < allocated)
        return VX_SUCCESS;
    std::size_t count = static_cast<std::size_t>(column) + 1;
    auto** grown = static_cast<BaseBinding**>(ramAlloc(count * sizeof(BaseBinding*)));
    if (!grown)
        return VX_ERROR;
    std::memset(grown, 0, count * sizeof(BaseBinding*));
    if (bindings && allocated)
        std::memcpy(grown, bindings, allocated * sizeof(BaseBinding*));
    ramFree(bindings);
    bindings = grown;
    allocated = static_cast<std::uint16_t>(count);
    return VX_SUCCESS;
}

void recomputeHighest(BaseStatement& statement) {
    std::uint16_t highest = 0;
    for (std::uint16_t column = 0; column < BaseResultSide::bindingsAllocated(statement); ++column)
        if (BaseResultSide::bindings(statement)[column])
            highest = column;
    BaseResultSide::highestBound(statement) = highest;
}

bool bookmarksSupported(BaseStatement& statement) {
    SQLUINTEGER persistence = 0;
    return statement.getConnection().getInfo(SQL_BOOKMARK_PERSISTENCE, &persistence,
                                             sizeof persistence) == VX_SUCCESS &&
           persistence != 0;
}

VxStatus checkBinding(BaseStatement& statement, SQLUSMALLINT icol, SQLSMALLINT fCType,
                      SQLPOINTER rgbValue, SQLLEN cbValueMax) {
    if (icol == 0 && !bookmarksSupported(statement)) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    if (icol > BASE_MAX_BOUND_COLUMNS) {
        addOdbcError(ODBC_S1002, 6057) << static_cast<unsigned long>(icol)
                                       << static_cast<unsigned long>(BASE_MAX_BOUND_COLUMNS);
        return VX_ERROR;
    }
    if (!rgbValue)
        return VX_SUCCESS;
    if (!baseIsValidCType(fCType)) {
        addOdbcError(ODBC_S1003);
        return VX_ERROR;
    }
    if (cbValueMax < 0 && baseCTypeSize(fCType) == 0) {
        addOdbcError(ODBC_S1090);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

} // namespace

void BaseStatement::deleteBindings() {
    unbindFlds();
    for (std::uint16_t column = 0; bindings_ && column < bindingsAllocated_; ++column) {
        delete bindings_[column];
        bindings_[column] = nullptr;
    }
    highestBoundColumn_ = 0;
    setFlag(STMT_BINDINGS_CHANGED, true);
}

// Fixed-size C types take their own size whatever the application passed
// (applications of ODBC 3 pass 0 for them).
SQLRETURN BaseStatement::SQLBindCol(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue,
                                    SQLLEN cbValueMax, SQLLEN* pcbValue) {
    BaseStatementCall call(*this, SQL_API_SQLBINDCOL);
    if (call.isBusy())
        return BASE_BUSY;
    if (checkBinding(*this, icol, fCType, rgbValue, cbValueMax) != VX_SUCCESS ||
        growBindings(*this, icol) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    delete bindings_[icol];
    bindings_[icol] = nullptr;
    setFlag(STMT_BINDINGS_CHANGED, true);
    if (!rgbValue) {
        unbindFlds();
        recomputeHighest(*this);
        return call.finish(SQL_SUCCESS);
    }
    SQLLEN fixed = baseCTypeSize(fCType);
    bindings_[icol] = new BaseBinding(fCType, rgbValue, fixed > 0 ? fixed : cbValueMax, pcbValue);
    if (!bindings_[icol]) {
        addOdbcError(ODBC_S1001);
        return call.finish(SQL_ERROR);
    }
    if (icol > highestBoundColumn_)
        highestBoundColumn_ = icol;
    if (bindFld(icol) != VX_SUCCESS) {
        delete bindings_[icol];
        bindings_[icol] = nullptr;
        recomputeHighest(*this);
        return call.finish(SQL_ERROR);
    }
    return call.finish(SQL_SUCCESS);
}
