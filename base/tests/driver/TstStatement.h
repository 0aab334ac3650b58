// TstStatement: the test driver's statement. SQLExecDirect opens a
// transaction when autocommit is off, runs the command language of
// TstCommands.h and leaves the statement executed; the hooks do the least
// they can.
#pragma once

#include "base/BaseStatement.h"

class TstStatement : public BaseStatement {
public:
    explicit TstStatement(BaseConnection& connection) : BaseStatement(connection) {}

    SQLRETURN SQLExecDirect(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr) override;

    VxStatus prepareCompile(BaseSqlString* text) override;
    VxStatus executePreparedStmt() override;
    VxStatus fetchRow(unsigned short* noMore) override;
    VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    VxStatus rowCount(SQLLEN* count) override;
    BaseField* allocFld() override;
    VxStatus bindParam(unsigned short param, const void* data, SQLLEN length,
                       ParamBindChunkType chunk) override;
    VxStatus setToAllocatedState(unsigned short keepPrepared) override;

    // How often the hooks that close a cursor ran.
    int allocatedStateCalls_ = 0;
};
