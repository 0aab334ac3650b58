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
#include "base/BaseConvert.h"
#include "base/BaseErrorList.h"
#include "base/BaseForward.h"
#include "base/BaseResumeStack.h"
#include "base/BaseResultState.h"
#include "base/BaseStmtOptions.h"
#include "base/InternalType.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class BaseConnection;
class BaseField;
class BaseBinding;
class BaseParam;
class BaseCatalogResult;
struct BaseExecState;

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
        // The bindings changed since the driver last looked at them.
        STMT_BINDINGS_CHANGED = 1u << 5,
        STMT_CLOSED_BY_TRANSACTION = 1u << 7,
        // Preparation and parameters (base/src/execute).
        STMT_PARAMS_CHANGED = 1u << 1,     // parameters bound or changed
        STMT_IS_PREPARED = 1u << 2,        // a plan exists
        STMT_FOR_UPDATE = 1u << 3,         // a SELECT ... FOR UPDATE
        STMT_CURRENT_OF_EMULATED = 1u << 4, // positioned statement run as a search
        STMT_RETURN_VALUE_CALL = 1u << 9,  // {?=call}: parameter 1 is the return value
        STMT_INOUT_AS_INPUT = 1u << 10,    // some input/output parameter is sent as input
        STMT_REPEAT_EXECUTION = 1u << 11,  // set by a driver: prepare and execute again
        // Set by a driver whose plan depends on the parameter types: a
        // later execution refuses changed types (S1000, 6000).
        STMT_CHECK_PARAM_TYPES = 1u << 16,
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
    virtual VxStatus executeStatistics(unsigned short accuracy);
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
    // Statement option values (framework logic, overridable): values are
    // SQLULEN; unsupported options are S1C00; a concurrency or cursor type
    // the source does not offer falls back with 01S02; SQL_ROW_NUMBER
    // needs a positioned cursor (24000, S1109).
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
    // Brackets the work of one row (true before, false after): SQLFetch's
    // fetch of the row and the transfer of its bound columns, or the
    // transfer alone elsewhere; brackets may nest. A driver can do per-row
    // work once; default does nothing.
    virtual void rowTransfer(bool starting);

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
    // Gives up the open catalog result without deleting it (the caller
    // owns it then).
    BaseCatalogResult* takeCatalogResult() {
        BaseCatalogResult* result = catalogResult_;
        catalogResult_ = nullptr;
        return result;
    }

    bool hasFlag(std::uint32_t flag) const { return (flags_.load() & flag) != 0; }
    void setFlag(std::uint32_t flag, bool on);

    // Closes the cursor: back to state 1 (prepared) or 0 (direct).
    VxStatus closeCursor();
    // Back to state 0 whatever the prepare mode: the setToAllocatedState
    // hook, then the result description, parameters and plan are dropped.
    VxStatus returnToAllocatedState();

    // ---- Result side (base/src/result) -------------------------------------

    // The result description. allocArrays replaces it with `count` new
    // fields from the allocFld hook (drivers call it when they know their
    // result columns); deleteFields drops it.
    [[nodiscard]] VxStatus allocArrays(std::uint16_t count);
    void deleteFields();
    std::uint16_t getNumResultCols() const { return resultColumnCount_; }
    // Field of result column `column` (1-based), or null.
    BaseField* getField(std::uint16_t column) const {
        return column >= 1 && column <= resultColumnCount_ && fields_ ? fields_[column - 1]
                                                                      : nullptr;
    }
    // Called when an execution completed: asks calcNumResultCols, then
    // opens the cursor (state 6, cursor before the first row, a cursor
    // name generated when none is set) when there are result columns,
    // else state 5.
    [[nodiscard]] VxStatus enterExecutedState();
    // Gives the statement a generated name "SQL_CUR" + 8 hexadecimal
    // digits unless it has one.
    [[nodiscard]] VxStatus generateCursorName();
    // The binding of column `column` (0: bookmark), or null.
    BaseBinding* getBinding(std::uint16_t column) const {
        return bindings_ && column < bindingsAllocated_ ? bindings_[column] : nullptr;
    }
    std::uint16_t getHighestBoundColumn() const { return highestBoundColumn_; }
    const BaseResultState& getResultState() const { return result_; }
    // Destroys every binding (after the unbindFlds hook).
    void deleteBindings();

    // Conversions for the driver's getData hook and for parameters. While
    // SQLGetData asks for a further piece, convertInternalToC and
    // convertInternalToCHuge start character and binary values at the
    // bytes already delivered, limit them to SQL_MAX_LENGTH, and pass
    // character data through the connection's translation library.
    [[nodiscard]] VxStatus convertInternalToC(unsigned short column, short cType,
                                              BaseOutString* out, const void* value,
                                              SQLLEN length, InternalType type,
                                              short scale = BASE_SCALE_NATURAL);
    [[nodiscard]] VxStatus convertInternalToCHuge(unsigned short column, short cType,
                                                  BaseOutString* out, const void* value,
                                                  SQLLEN length, InternalType type,
                                                  short scale = BASE_SCALE_NATURAL);
    [[nodiscard]] VxStatus convertCToInternal(unsigned short param, short cType,
                                              const void* value, SQLLEN length,
                                              InternalType type, void* buffer, SQLLEN size,
                                              SQLLEN* outLength, short scale = 0);

    // ---- Preparation and parameters (base/src/execute) --------------------

    // Parameter `n` as the application numbers them (from 1; parameter 1
    // of a {?=call} is the return value), or null.
    BaseParam* getParam(unsigned short n) const;
    // The parameter of the n-th marker of the text the driver compiles.
    BaseParam* getActualParam(unsigned short n) const;
    // Markers, plus one for the return value of a {?=call}.
    unsigned short getNumParams() const;
    // Markers of the text the driver compiles.
    unsigned short getActualNumParams() const;
    // Substitution (drivers without native parameters): puts the literal
    // of `length` bytes of `value` (the parameter's C type) in place of
    // marker `n` (from 1) of the template. Called by the framework for
    // such drivers; getSubstitutedText then holds the text to run.
    [[nodiscard]] VxStatus textualBindParam(unsigned short n, const void* value, SQLLEN length);
    // The text handed to prepareCompile at the last preparation, or null.
    BaseSqlString* getPreparedText() const;
    // During executePreparedStmt of a statement whose parameters are
    // substituted: the template with the values in place; else null.
    const VxString* getSubstitutedText() const;
    // Whether values are substituted into the text (no native parameters).
    bool substitutesParams() const;
    // The rows affected, summed over the parameter rows of the last
    // execution (-1 unknown).
    SQLLEN getAccumulatedRowCount() const { return accumulatedRowCount_; }
    // Frees what preparation and data at execution keep (the plan's texts,
    // collected data); called when the statement returns to state 0.
    void dropPreparedState();
    // Frees everything the execute area keeps (destruction).
    void deleteExecState();
    // SQL_RESET_PARAMS: every parameter loses its value and length
    // pointers (it reads as unbound).
    void resetParams();
    // Gives up an execution waiting for data at execution (closing the
    // cursor, SQLCancel): the collected values are freed.
    void abandonExecution();

    // ---- ODBC 3 statement attributes (base/src/api) -----------------------

    // The row array of SQLFetch and SQLFetchScroll (SQL_ATTR_ROW_ARRAY_SIZE,
    // SQL_ATTR_ROW_STATUS_PTR, SQL_ATTR_ROWS_FETCHED_PTR), apart from the
    // row set of SQLExtendedFetch (SQL_ROWSET_SIZE). While all three keep
    // their defaults, SQLFetch fetches one row as an ODBC 2 fetch does.
    struct RowArray {
        SQLULEN size = 1;
        SQLUSMALLINT* status = nullptr;
        SQLULEN* fetched = nullptr;
        bool isDefault() const { return size == 1 && !status && !fetched; }
    };
    RowArray& getRowArray() { return rowArray_; }
    // The parameter rows of SQLParamOptions: their count and where the
    // number of the row processed goes.
    SQLULEN getParamRows() const;
    SQLULEN* getParamsProcessed() const { return rowsProcessed_; }

private:
    friend class BaseResultSide;
    friend class BaseStatementExec;
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
    RowArray rowArray_;
    SQLLEN accumulatedRowCount_ = 0;
    BaseResumeStack resumeStack_;
    BaseStatement* currentOfStatement_ = nullptr;
    BaseCatalogResult* catalogResult_ = nullptr;
    BaseResultState result_;
    BaseExecState* exec_ = nullptr;
    unsigned short pendingApi_ = 0;
    std::atomic<std::uint32_t> flags_{0};
};
