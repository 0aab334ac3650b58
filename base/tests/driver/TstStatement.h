// TstStatement: the test driver's statement. Executing runs the text as
// the command language of TstCommands.h (parameters arrive through
// bindParam, TstParams.h, or substituted into the text) and leaves the
// statement executed, with the result sets
// the commands built (TstResults.h) open; the row hooks serve them.
#pragma once

#include <string>

#include "TstParams.h"
#include "TstResults.h"
#include "base/BaseStatement.h"

class TstStatement : public BaseStatement {
public:
    explicit TstStatement(BaseConnection& connection) : BaseStatement(connection) {}

    VxStatus prepareCompile(BaseSqlString* text) override;
    VxStatus executePreparedStmt() override;
    VxStatus fetchRow(unsigned short* noMore) override;
    VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore, unsigned short lock) override;
    VxStatus moreResults(unsigned short* noMore) override;
    VxStatus calcNumResultCols() override;
    VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    VxStatus rowCount(SQLLEN* count) override;
    BaseField* allocFld() override;
    VxStatus bindParam(unsigned short param, const void* data, SQLLEN length,
                       ParamBindChunkType chunk) override;
    VxStatus setToAllocatedState(unsigned short keepPrepared) override;
    // Catalog functions over the in-memory data source (TstCatalog.h).
    VxStatus executeTables(BaseInString* tableTypes) override;
    VxStatus executeColumns() override;
    VxStatus executeStatistics(unsigned short accuracy) override;
    VxStatus executePrimary() override;
    VxStatus executeForeign() override;
    VxStatus executeProcedures() override;
    VxStatus executeProcCols() override;
    VxStatus executeTablePriv() override;
    VxStatus executeColPriv() override;
    VxStatus getTypeInfo(short sqlType) override;

    // How often the hooks that close a cursor ran.
    int allocatedStateCalls_ = 0;
    // The result sets of the last execution.
    TstResults results_;
    // The text prepareCompile received, and the parameter values received.
    std::string compiled_;
    TstParams params_;
    bool resumed_ = false;
};
