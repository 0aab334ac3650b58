// BaseStatement: the ODBC statement handle, base of every driver's
// statement class.
//
// A statement belongs to its connection (it is a node of the connection's
// statement list) and owns its cursor name, result fields, bindings,
// parameters, saved text, resume stack and error list, whose owner is the
// connection.
//
// The virtual operations keep a fixed order, shared with the drivers:
// after the two of VxObject come the 36 ODBC statement functions, then the
// hooks. Hooks marked "pure" are supplied by every driver; the others have
// the defaults described. A hook that fails by default raises nothing
// unless its description says so.
//
// States (state_):
//
//   0 allocated ──SQLPrepare──> 1 prepared ──execute──> 5 no result set
//     ^  ^                       ^  │                  └─> 6 result set open
//     │  └──── close (direct) ───┼──┼──── close (prepared) ──┘
//     │                          │  └─> 2 needs data ─SQLParamData─> 3 ─SQLPutData─> 4
//     └── SQLExecDirect: 0 ─────────> 5 / 6
//
// Closing a cursor (SQLFreeStmt SQL_CLOSE, SQLCancel) takes a prepared
// statement back to 1 through setToPreparedState and a directly executed
// one back to 0 through setToAllocatedState.
//
// Flags word: bit 12 busy, bit 13 an asynchronous operation is pending;
// the other bits belong to preparation and results.
#pragma once

#include <sql.h>

#include <atomic>
#include <cstdint>

#include "base/BaseCall.h"
#include "base/BaseErrorList.h"
#include "base/BaseForward.h"
#include "base/BaseResumeStack.h"
#include "base/BaseStmtOptions.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class BaseConnection;
class BaseField;
class BaseBinding;
class BaseParam;
class BaseCatalogResult;

class VX_EXPORT BaseStatement : public VxNode {
public:
    enum : std::uint16_t {
        STMT_ALLOCATED = 0,
        STMT_PREPARED = 1,
        STMT_NEED_DATA = 2,
        STMT_PARAM_DATA = 3,
        STMT_PUT_DATA = 4,
        STMT_EXECUTED = 5,
        STMT_CURSOR_OPEN = 6,
    };
    enum : std::uint16_t {
        PREPARE_NONE = 0,
        PREPARE_PREPARED = 1,
        PREPARE_DIRECT = 2,
        PREPARE_CATALOG = 3, // a catalog result (getCatalogResult) is open
    };
    enum : std::uint32_t {
        // Closed by a commit or rollback whose cursor behaviour is delete,
        // while WorkArounds bit 0 keeps the statement prepared.
        STMT_CLOSED_BY_TRANSACTION = 1u << 7,
        STMT_BUSY = 1u << 12,
        STMT_ASYNC_PENDING = 1u << 13,
    };

    explicit BaseStatement(BaseConnection& connection);
    ~BaseStatement() override;

    // ODBC statement functions (framework logic).
    virtual SQLRETURN SQLBindCol(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue,
                                 SQLLEN cbValueMax, SQLLEN* pcbValue);
    virtual SQLRETURN SQLBindParameter(SQLUSMALLINT ipar, SQLSMALLINT fParamType,
                                       SQLSMALLINT fCType, SQLSMALLINT fSqlType, SQLULEN cbColDef,
                                       SQLSMALLINT ibScale, SQLPOINTER rgbValue, SQLLEN cbValueMax,
                                       SQLLEN* pcbValue);
    virtual SQLRETURN SQLCancel();
    virtual SQLRETURN SQLColAttributes(SQLUSMALLINT icol, SQLUSMALLINT fDescType,
                                       SQLPOINTER rgbDesc, SQLSMALLINT cbDescMax,
                                       SQLSMALLINT* pcbDesc, SQLLEN* pfDesc);
    virtual SQLRETURN SQLColumnPrivileges(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                          SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                          SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                          SQLCHAR* szColumnName, SQLSMALLINT cbColumnName);
    virtual SQLRETURN SQLColumns(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                 SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                 SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                 SQLCHAR* szColumnName, SQLSMALLINT cbColumnName);
    virtual SQLRETURN SQLDescribeCol(SQLUSMALLINT icol, SQLCHAR* szColName,
                                     SQLSMALLINT cbColNameMax, SQLSMALLINT* pcbColName,
                                     SQLSMALLINT* pfSqlType, SQLULEN* pcbColDef,
                                     SQLSMALLINT* pibScale, SQLSMALLINT* pfNullable);
    virtual SQLRETURN SQLExecDirect(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr);
    virtual SQLRETURN SQLExecute();
    virtual SQLRETURN SQLExtendedFetch(SQLUSMALLINT fFetchType, SQLLEN irow, SQLULEN* pcrow,
                                       SQLUSMALLINT* rgfRowStatus);
    virtual SQLRETURN SQLFetch();
    virtual SQLRETURN SQLForeignKeys(SQLCHAR* szPkCatalogName, SQLSMALLINT cbPkCatalogName,
                                     SQLCHAR* szPkSchemaName, SQLSMALLINT cbPkSchemaName,
                                     SQLCHAR* szPkTableName, SQLSMALLINT cbPkTableName,
                                     SQLCHAR* szFkCatalogName, SQLSMALLINT cbFkCatalogName,
                                     SQLCHAR* szFkSchemaName, SQLSMALLINT cbFkSchemaName,
                                     SQLCHAR* szFkTableName, SQLSMALLINT cbFkTableName);
    // SQL_DROP destroys the statement: the caller must not use it again.
    virtual SQLRETURN SQLFreeStmt(SQLUSMALLINT fOption);
    virtual SQLRETURN SQLGetData(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue,
                                 SQLLEN cbValueMax, SQLLEN* pcbValue);
    virtual SQLRETURN SQLGetCursorName(SQLCHAR* szCursor, SQLSMALLINT cbCursorMax,
                                       SQLSMALLINT* pcbCursor);
    virtual SQLRETURN SQLGetStmtOption(SQLUSMALLINT fOption, SQLPOINTER pvParam);
    virtual SQLRETURN SQLGetTypeInfo(SQLSMALLINT fSqlType);
    virtual SQLRETURN SQLMoreResults();
    virtual SQLRETURN SQLNumParams(SQLSMALLINT* pcpar);
    virtual SQLRETURN SQLNumResultCols(SQLSMALLINT* pccol);
    virtual SQLRETURN SQLParamData(SQLPOINTER* prgbValue);
    virtual SQLRETURN SQLParamOptions(SQLULEN crow, SQLULEN* pirow);
    virtual SQLRETURN SQLPrepare(SQLCHAR* szSqlStr, SQLINTEGER cbSqlStr);
    virtual SQLRETURN SQLPrimaryKeys(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                     SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                     SQLCHAR* szTableName, SQLSMALLINT cbTableName);
    virtual SQLRETURN SQLProcedureColumns(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                          SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                          SQLCHAR* szProcName, SQLSMALLINT cbProcName,
                                          SQLCHAR* szColumnName, SQLSMALLINT cbColumnName);
    virtual SQLRETURN SQLProcedures(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                    SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                    SQLCHAR* szProcName, SQLSMALLINT cbProcName);
    virtual SQLRETURN SQLPutData(SQLPOINTER rgbValue, SQLLEN cbValue);
    virtual SQLRETURN SQLRowCount(SQLLEN* pcrow);
    virtual SQLRETURN SQLSetCursorName(SQLCHAR* szCursor, SQLSMALLINT cbCursor);
    virtual SQLRETURN SQLSetPos(SQLSETPOSIROW irow, SQLUSMALLINT fOption, SQLUSMALLINT fLock);
    virtual SQLRETURN SQLSetScrollOptions(SQLUSMALLINT fConcurrency, SQLLEN crowKeyset,
                                          SQLUSMALLINT crowRowset);
    virtual SQLRETURN SQLSetStmtOption(SQLUSMALLINT fOption, SQLULEN vParam);
    virtual SQLRETURN SQLSpecialColumns(SQLUSMALLINT fColType, SQLCHAR* szCatalogName,
                                        SQLSMALLINT cbCatalogName, SQLCHAR* szSchemaName,
                                        SQLSMALLINT cbSchemaName, SQLCHAR* szTableName,
                                        SQLSMALLINT cbTableName, SQLUSMALLINT fScope,
                                        SQLUSMALLINT fNullable);
    virtual SQLRETURN SQLStatistics(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                    SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                    SQLCHAR* szTableName, SQLSMALLINT cbTableName,
                                    SQLUSMALLINT fUnique, SQLUSMALLINT fAccuracy);
    virtual SQLRETURN SQLTablePrivileges(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                         SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                         SQLCHAR* szTableName, SQLSMALLINT cbTableName);
    virtual SQLRETURN SQLTables(SQLCHAR* szCatalogName, SQLSMALLINT cbCatalogName,
                                SQLCHAR* szSchemaName, SQLSMALLINT cbSchemaName,
                                SQLCHAR* szTableName, SQLSMALLINT cbTableName, SQLCHAR* szTableType,
                                SQLSMALLINT cbTableType);

    // Pure: compile the statement text.
    virtual VxStatus prepareCompile(BaseSqlString* text) = 0;
    // Pure: execute the compiled statement.
    virtual VxStatus executePreparedStmt() = 0;
    // Default: no more results (*noMore = 1).
    virtual VxStatus moreResults(unsigned short* noMore);
    // Catalog result sets; the defaults fail (executeSpecial: no rows).
    virtual VxStatus executeColumns();
    virtual VxStatus executeSpecial(unsigned short* noRows);
    virtual VxStatus executeStatistics(unsigned short unique);
    virtual VxStatus executeTables(BaseInString* tableTypes);
    virtual VxStatus executeColPriv();
    virtual VxStatus executeForeign();
    virtual VxStatus executePrimary();
    virtual VxStatus executeProcCols();
    virtual VxStatus executeProcedures();
    virtual VxStatus executeTablePriv();
    virtual VxStatus getTypeInfo(short sqlType);
    // Pure: fetch the next row (*noMore = 1 past the last).
    virtual VxStatus fetchRow(unsigned short* noMore) = 0;
    // Default fails.
    virtual VxStatus fetchRandomRow(SQLULEN row, unsigned short* noMore, unsigned short lock);
    // Pure: deliver one column value.
    virtual VxStatus getData(unsigned short column, short cType, BaseOutString* out) = 0;
    // Pure: rows affected by the last execution.
    virtual VxStatus rowCount(SQLLEN* count) = 0;
    // Pure: a new result field (null when memory ran out).
    virtual BaseField* allocFld() = 0;
    // Default raises S1C00 and fails.
    virtual VxStatus nonStdColAttributes(unsigned short column, unsigned short descType,
                                         BaseOutString* out, SQLLEN* value);
    // Defaults succeed.
    virtual VxStatus calcNumResultCols();
    virtual VxStatus bindFld(unsigned short column);
    virtual void unbindFlds();
    // Pure: hand a parameter value to the driver.
    virtual VxStatus bindParam(unsigned short param, const void* data, SQLLEN length,
                               ParamBindChunkType chunk) = 0;
    virtual void unbindParams();
    // Default: a plain BaseParam (null when memory ran out).
    virtual BaseParam* allocParam();
    virtual VxStatus setToPreparedState();
    virtual VxStatus setToAllocatedState(unsigned short keepPrepared);
    // Default: the statement's cursor name.
    virtual const char* getDriverCursorName();
    // Default fails.
    virtual VxStatus cancelAsyncOp();
    // Statement option values (framework logic, overridable). Until the
    // result side is in place they read and write the option block for
    // options 0-12 and refuse the others with S1C00.
    virtual VxStatus getStmtOption(unsigned short option, void* value);
    virtual VxStatus setStmtOption(unsigned short option, SQLULEN value);
    virtual VxStatus getNumRows(SQLULEN* rows);
    // Default succeeds.
    virtual VxStatus abortRowModification();
    // Positioned operations; the defaults raise S1C00 and fail.
    virtual VxStatus deleteRow();
    virtual VxStatus insertRow();
    virtual VxStatus prepareForUpdate();
    virtual VxStatus prepareForInsert();
    virtual VxStatus unlockRandomRow(SQLULEN row);
    virtual VxStatus updateColumn(unsigned short column, const BaseDataValue* value);
    virtual VxStatus updateRow();
    // Called once after construction by SQLAllocStmt; default succeeds.
    virtual VxStatus initialize();

    // Busy check on the statement alone.
    bool threadCheck();
    void threadDone();
    bool isBusy() const { return hasFlag(STMT_BUSY); }

    VxStatus standardEntrance(unsigned short api);
    SQLRETURN standardExit(SQLRETURN rc);
    // A call the driver does not support: busy check, entrance, IM001, exit.
    SQLRETURN unsupportedCall(unsigned short api);

    BaseConnection& getConnection() const { return *connection_; }
    BaseErrorList& getErrorList() { return errorList_; }
    BaseStmtOptions& getOptions() { return options_; }
    BaseResumeStack& getResumeStack() { return resumeStack_; }

    // Asynchronous resumption. A method whose driver hook returned with
    // STMT_ASYNC_PENDING set pushes the values it needs on the resume stack,
    // then calls suspendAsync with its resume point and returns what that
    // returns (SQL_STILL_EXECUTING; SQL_ERROR when memory ran out). When the
    // application calls again, beginAsyncCall says whether the method
    // resumes: it then pops its resume point (popResumePoint) and its
    // values in reverse order, and continues there. Another function while
    // an operation is pending is a function sequence error (S1010).
    SQLRETURN suspendAsync(unsigned short api, std::uintptr_t resumePoint);
    // Fails (S1010 raised) when an operation of another function is pending.
    VxStatus beginAsyncCall(unsigned short api, bool* resuming);
    std::uintptr_t popResumePoint();
    // Ends the pending operation (after completion, failure or cancel).
    void endAsync();

    std::uint16_t getState() const { return state_; }
    void setState(std::uint16_t state) { state_ = state; }
    std::uint16_t getPrepareMode() const { return prepareMode_; }
    void setPrepareMode(std::uint16_t mode) { prepareMode_ = mode; }
    const char* getCursorName() const { return cursorName_; }
    // The open catalog result, or null. setCatalogResult takes ownership
    // and deletes the result it replaces; null just deletes it.
    BaseCatalogResult* getCatalogResult() const { return catalogResult_; }
    void setCatalogResult(BaseCatalogResult* result);

    bool hasFlag(std::uint32_t flag) const { return (flags_.load() & flag) != 0; }
    void setFlag(std::uint32_t flag, bool on);

    // Closes the cursor: back to state 1 (prepared) or 0 (direct).
    VxStatus closeCursor();
    // Back to state 0 whatever the prepare mode: the setToAllocatedState
    // hook, then the result description, parameters and plan are dropped.
    VxStatus returnToAllocatedState();

private:
    SQLRETURN dropStatement();

    BaseConnection* connection_;
    BaseStmtOptions options_;
    BaseErrorList errorList_;
    std::uint16_t prepareMode_ = PREPARE_NONE;
    std::uint16_t state_ = STMT_ALLOCATED;
    char* cursorName_ = nullptr;
    std::uint16_t resultColumnCount_ = 0;
    BaseField** fields_ = nullptr;
    BaseBinding** bindings_ = nullptr;
    std::uint16_t bindingsAllocated_ = 0;
    std::uint16_t highestBoundColumn_ = 0;
    BaseParam** params_ = nullptr;
    std::uint16_t paramsAllocated_ = 0;
    std::uint16_t parameterMarkerCount_ = 0;
    char* savedSql_ = nullptr;
    SQLINTEGER savedSqlLength_ = 0;
    SQLULEN rowsetSize_ = 1;
    SQLULEN currentParamRow_ = 0;
    SQLULEN* rowsProcessed_ = nullptr;
    SQLLEN accumulatedRowCount_ = 0;
    BaseResumeStack resumeStack_;
    BaseStatement* currentOfStatement_ = nullptr;
    BaseCatalogResult* catalogResult_ = nullptr;
    unsigned short pendingApi_ = 0;
    std::atomic<std::uint32_t> flags_{0};
};
