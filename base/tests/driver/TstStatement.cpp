#include "TstStatement.h"

#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "TstCommands.h"
#include "base/BaseConnection.h"
#include "base/BaseField.h"

// A text beginning "pending " leaves the first call pending: the text
// pointer and length go on the resume stack and the call answers
// SQL_STILL_EXECUTING; the next call resumes with those saved values,
// whatever it passes itself.
SQLRETURN TstStatement::SQLExecDirect(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) {
    BaseStatementCall call(*this, SQL_API_SQLEXECDIRECT);
    if (call.isBusy())
        return BASE_BUSY;
    bool resuming = false;
    if (beginAsyncCall(SQL_API_SQLEXECDIRECT, &resuming) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (resuming) {
        std::uintptr_t length = 0;
        std::uintptr_t text = 0;
        (void)popResumePoint();
        (void)getResumeStack().pop(&length);
        (void)getResumeStack().pop(&text);
        endAsync();
        szSqlStr = reinterpret_cast<SQLCHAR*>(text) + 8;
        cbSqlStr = static_cast<SQLINTEGER>(static_cast<std::intptr_t>(length));
    } else if (std::strncmp(reinterpret_cast<char*>(szSqlStr), "pending ", 8) == 0) {
        if (getResumeStack().pushPointer(szSqlStr) != VX_SUCCESS ||
            getResumeStack().push(static_cast<std::uintptr_t>(static_cast<std::intptr_t>(
                cbSqlStr == SQL_NTS ? SQL_NTS : cbSqlStr - 8))) != VX_SUCCESS)
            return call.finish(SQL_ERROR);
        return call.finish(suspendAsync(SQL_API_SQLEXECDIRECT, 1));
    }
    if (getConnection().beginTransactionIfNeeded() != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    SQLRETURN rc = tstRunCommands(szSqlStr, cbSqlStr);
    if (SQL_SUCCEEDED(rc))
        setState(STMT_EXECUTED);
    return call.finish(rc);
}

VxStatus TstStatement::prepareCompile(BaseSqlString*) {
    return VX_SUCCESS;
}

VxStatus TstStatement::executePreparedStmt() {
    return VX_SUCCESS;
}

VxStatus TstStatement::fetchRow(unsigned short* noMore) {
    *noMore = 1;
    return VX_SUCCESS;
}

VxStatus TstStatement::getData(unsigned short, short, BaseOutString*) {
    return VX_ERROR;
}

VxStatus TstStatement::rowCount(SQLLEN* count) {
    *count = 0;
    return VX_SUCCESS;
}

BaseField* TstStatement::allocFld() {
    return new BaseField();
}

VxStatus TstStatement::bindParam(unsigned short, const void*, SQLLEN, ParamBindChunkType) {
    return VX_SUCCESS;
}

VxStatus TstStatement::setToAllocatedState(unsigned short) {
    ++allocatedStateCalls_;
    return VX_SUCCESS;
}
