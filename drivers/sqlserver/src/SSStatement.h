// SSStatement: a statement on SQL Server. Its text is rewritten for the
// server when prepared (CREATE TABLE null clauses, procedure calls made
// remote procedure calls) and sent through a DBPROCESS of the connection's
// pool when executed; the rows are read from DB-Library's row buffer.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "SSDbLib.h"
#include "base/BaseStatement.h"

class SSConnection;
class BaseParam;

class SSStatement : public BaseStatement {
public:
    explicit SSStatement(SSConnection& connection);
    ~SSStatement() override;

    VxStatus prepareCompile(BaseSqlString* text) override;
    VxStatus executePreparedStmt() override;
    VxStatus calcNumResultCols() override;
    VxStatus fetchRow(unsigned short* noMore) override;
    VxStatus getData(unsigned short column, short cType, BaseOutString* out) override;
    VxStatus rowCount(SQLLEN* count) override;
    VxStatus moreResults(unsigned short* noMore) override;
    BaseField* allocFld() override;
    VxStatus bindParam(unsigned short param, const void* data, SQLLEN length,
                       ParamBindChunkType chunk) override;
    VxStatus setToAllocatedState(unsigned short keepPrepared) override;
    VxStatus setToPreparedState() override;
    VxStatus cancelAsyncOp() override;
    VxStatus executeTables(BaseInString* tableTypes) override;
    VxStatus executeColumns() override;
    VxStatus executeStatistics(unsigned short accuracy) override;
    VxStatus executeSpecial(unsigned short* noRows) override;
    VxStatus executePrimary() override;
    VxStatus executeForeign() override;
    VxStatus executeProcedures() override;
    VxStatus executeProcCols() override;
    VxStatus executeTablePriv() override;
    VxStatus executeColPriv() override;
    VxStatus getTypeInfo(short sqlType) override;

    SSDbProc* process() const { return process_; }
    // Forgets the process without giving it back (it was found dead).
    void forgetProcess() { process_ = nullptr; }
    int* severityCell() { return &severity_; }
    bool hasOpenResults() const { return process_ != nullptr && resultsOpen_; }
    // Gives every DBPROCESS back to the connection.
    void releaseProcesses();
    // Discards the pending results (before a commit or rollback).
    void discardResults();

private:
    SSConnection& ss() const;
    // Sends `sql` (or the remote procedure call) and reads up to the
    // first result.
    VxStatus runBatch(const std::string& sql, bool catalog);
    VxStatus sendRpc();
    VxStatus settleOptions(bool select);
    // Moves to the next result with columns, or to the end (keeping the
    // row count of the last statement).
    VxStatus advanceResult(bool* haveColumns);
    VxStatus describe();
    // The output parameters and return status of a remote procedure call.
    VxStatus readReturns();
    void releaseProcess();
    VxStatus runCatalog(const std::string& batch);
    std::string catalogArguments(const char* const* names, const std::string* values,
                                 std::size_t count);
    // Whether the text qualifies for a remote procedure call.
    void examineCall();
    // The statement text with each parameter marker replaced by the
    // literal of its value.
    VxStatus substitute(std::string* out);
    VxStatus literalOf(const BaseParam& param, std::string* out);

    // A parameter's value as the application gave it (C representation),
    // collected piece by piece for data at execution.
    struct ParamValue {
        bool isNull = true;
        std::string bytes;
    };
    std::map<const BaseParam*, ParamValue> values_;

    SSDbProc* process_ = nullptr;
    std::string text_;
    std::string database_;
    std::string procedure_;
    long rowCount_ = -1;
    int severity_ = 0;
    bool select_ = false;
    bool rpc_ = false;
    bool resultsOpen_ = false;
    bool described_ = false;
    bool nextResultReady_ = false;
    bool returnsRead_ = false;
    bool skipNational_ = false;
    bool asyncSent_ = false;
    std::vector<int> columnTypes_;
};
