#include "TstStatement.h"

#include <sqlext.h>

#include "TstCommands.h"
#include "base/BaseField.h"

SQLRETURN TstStatement::SQLExecDirect(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    BaseStatementCall call(*this, SQL_API_SQLEXECDIRECT);
    if (call.isBusy())
        return BASE_BUSY;
    return call.finish(tstRunCommands(szSqlStr, cbSqlStr));
}

VxStatus TstStatement::prepareCompile(BaseSqlString*) { return VX_SUCCESS; }

VxStatus TstStatement::executePreparedStmt() { return VX_SUCCESS; }

VxStatus TstStatement::fetchRow(unsigned short* noMore) {
    *noMore = 1;
    return VX_SUCCESS;
}

VxStatus TstStatement::getData(unsigned short, short, BaseOutString*) { return VX_ERROR; }

VxStatus TstStatement::rowCount(SQLLEN* count) {
    *count = 0;
    return VX_SUCCESS;
}

BaseField* TstStatement::allocFld() { return new BaseField(); }

VxStatus TstStatement::bindParam(unsigned short, const void*, SQLLEN, ParamBindChunkType) {
    return VX_SUCCESS;
}

VxStatus TstStatement::setToAllocatedState(unsigned short) {
    ++allocatedStateCalls_;
    return VX_SUCCESS;
}
