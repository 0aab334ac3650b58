// The framework defaults of BaseStatement's hooks.
#include <sqlext.h>

#include "base/BaseErrors.h"
#include "base/BaseParam.h"
#include "base/BaseStatement.h"

namespace {

VxStatus notCapable() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

} // namespace

VxStatus BaseStatement::moreResults(unsigned short* noMore) {
    *noMore = 1;
    return VX_SUCCESS;
}

VxStatus BaseStatement::executeColumns() { return VX_ERROR; }

VxStatus BaseStatement::executeSpecial(unsigned short* noRows) {
    *noRows = 1;
    return VX_SUCCESS;
}

VxStatus BaseStatement::executeStatistics(unsigned short) { return VX_ERROR; }
VxStatus BaseStatement::executeTables(BaseInString*) { return VX_ERROR; }
VxStatus BaseStatement::executeColPriv() { return VX_ERROR; }
VxStatus BaseStatement::executeForeign() { return VX_ERROR; }
VxStatus BaseStatement::executePrimary() { return VX_ERROR; }
VxStatus BaseStatement::executeProcCols() { return VX_ERROR; }
VxStatus BaseStatement::executeProcedures() { return VX_ERROR; }
VxStatus BaseStatement::executeTablePriv() { return VX_ERROR; }
VxStatus BaseStatement::getTypeInfo(short) { return VX_ERROR; }
VxStatus BaseStatement::fetchRandomRow(SQLULEN, unsigned short*, unsigned short) {
    return VX_ERROR;
}

VxStatus BaseStatement::nonStdColAttributes(unsigned short, unsigned short, BaseOutString*,
                                            SQLLEN*) {
    return notCapable();
}

VxStatus BaseStatement::calcNumResultCols() { return VX_SUCCESS; }
VxStatus BaseStatement::bindFld(unsigned short) { return VX_SUCCESS; }
void BaseStatement::unbindFlds() {}
void BaseStatement::unbindParams() {}
BaseParam* BaseStatement::allocParam() { return new BaseParam(); }
VxStatus BaseStatement::setToPreparedState() { return VX_SUCCESS; }
VxStatus BaseStatement::setToAllocatedState(unsigned short) { return VX_SUCCESS; }
const char* BaseStatement::getDriverCursorName() { return cursorName_; }
VxStatus BaseStatement::cancelAsyncOp() { return VX_ERROR; }

VxStatus BaseStatement::abortRowModification() { return VX_SUCCESS; }
VxStatus BaseStatement::deleteRow() { return notCapable(); }
VxStatus BaseStatement::insertRow() { return notCapable(); }
VxStatus BaseStatement::prepareForUpdate() { return notCapable(); }
VxStatus BaseStatement::prepareForInsert() { return notCapable(); }
VxStatus BaseStatement::unlockRandomRow(SQLULEN) { return notCapable(); }
VxStatus BaseStatement::updateColumn(unsigned short, const BaseDataValue*) { return notCapable(); }
VxStatus BaseStatement::updateRow() { return notCapable(); }
VxStatus BaseStatement::initialize() { return VX_SUCCESS; }

void BaseStatement::rowTransfer(bool) {}
