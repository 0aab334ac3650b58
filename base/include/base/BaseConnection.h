// BaseConnection: the ODBC connection handle, base of every driver's
// connection class.
//
// A connection counts on its environment but is not owned by it; it owns
// its statements (each BaseStatement links itself into the statement list
// when constructed and unlinks itself when destroyed), its buffered
// options and its error list, whose owner it is.
//
// The virtual operations keep a fixed order, shared with the drivers:
// after the two of VxObject come the ten ODBC connection functions, then
// the hooks. Hooks marked "pure" are supplied by every driver; the others
// have the defaults described. A hook that fails by default raises nothing:
// the framework method that called it reports the missing capability.
//
// Flags word (flags_):
//   bit 0 connected               bit 1 a transaction is open
//   bit 2 ModifySql               bit 3/4 user id / password from ODBC.INI
//   bit 5 quiet mode              bit 6 no SQLBrowseConnect in progress
//   bit 7 UseLongQualifiers       bits 8-26 driver capabilities (CONN_*)
//   bit 29 StaticToKeyset         bit 30 busy
//   bit 31 the running call has also marked every statement busy
// WorkArounds: the compatibility mask; bits 12-15 are not workaround bits
// but the share count of a connection shared by the task (see BaseDriver).
//
// Life cycle:
//
//   allocated ──SQLConnect / SQLDriverConnect──> connected
//       │  ^                                        │
//       │  └──────────── SQLDisconnect ─────────────┘
//       └──SQLBrowseConnect (NEED_DATA)──> browsing ──(last step)──> connected
//
// Options set while allocated wait in the buffered list and are applied by
// finishConnect; a failed connect or SQLDisconnect returns every statement
// to the allocated state, destroys them and resets the options.
#pragma once

#include <sql.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/BaseCall.h"
#include "base/BaseErrorList.h"
#include "base/BaseEscapeTypes.h"
#include "base/BaseForward.h"
#include "base/BaseInfoTable.h"
#include "base/BaseSetupInfo.h"
#include "base/BaseStmtOptions.h"
#include "util/VxCharset.h"
#include "util/VxList.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

class BaseEnv;
class BaseStatement;

// One option recorded by SQLSetConnectOption before the connection opens.
// The value of a string option (a pointer) is kept as the connection's own
// copy of the text: `text` owns it and `value` points at it.
struct BaseBufferedOption {
    std::uint16_t option;
    SQLULEN value;
    char* text;
};

// Where getConnectionValue found a value.
enum ConnectionValueSource : int {
    CONNECTION_VALUE_STRING = 0,
    CONNECTION_VALUE_ODBC_INI = 1,
    CONNECTION_VALUE_DEFAULT = 2,
    CONNECTION_VALUE_NONE = 3,
};

// The signature of a translation library's SQLDataSourceToDriver and
// SQLDriverToDataSource.
using BaseTranslateFn = int (*)(SQLUINTEGER option, SQLSMALLINT sqlType, SQLPOINTER input,
                                SQLLEN inputLength, SQLPOINTER output, SQLLEN outputSize,
                                SQLLEN* outputLength, SQLCHAR* message, SQLSMALLINT messageSize,
                                SQLSMALLINT* messageLength);

class VX_EXPORT BaseConnection : public VxObject {
public:
    enum : std::uint32_t {
        CONN_CONNECTED = 1u << 0,
        CONN_IN_TRANSACTION = 1u << 1,
        CONN_MODIFY_SQL = 1u << 2,
        CONN_UID_FROM_INI = 1u << 3,
        CONN_PWD_FROM_INI = 1u << 4,
        CONN_QUIET_MODE = 1u << 5,
        CONN_NO_BROWSE = 1u << 6,
        CONN_LONG_QUALIFIERS = 1u << 7,
        CONN_NATIVE_PARAMS = 1u << 8,
        CONN_DEFAULT_PARAMS = 1u << 9,
        CONN_OUTPUT_PARAMS = 1u << 10,
        CONN_PIECEWISE_LONG_DATA = 1u << 11,
        CONN_FOR_UPDATE = 1u << 12,
        CONN_POSITIONED_UPDATE = 1u << 13,
        CONN_POSITIONED_DELETE = 1u << 14,
        CONN_POSITIONED_NEEDS_MANUAL_COMMIT = 1u << 15,
        CONN_NEGATIVE_SCALE = 1u << 16,
        CONN_HANDLES_CALL_ESCAPE = 1u << 19,
        CONN_RETURN_VALUE_PARAM = 1u << 20,
        CONN_FULL_OUTER_JOINS = 1u << 23,
        CONN_LOGIN_TIMEOUT = 1u << 24,
        CONN_ASYNC_EXECUTION = 1u << 25,
        CONN_QUERY_TIMEOUT = 1u << 26,
        CONN_STATIC_TO_KEYSET = 1u << 29,
        CONN_BUSY = 1u << 30,
        CONN_STATEMENTS_BUSY = 1u << 31,
    };
    // WorkArounds bits 12-15: the share count, in steps of this value.
    static constexpr std::uint32_t SHARE_COUNT_STEP = 4096;
    static constexpr std::uint32_t SHARE_COUNT_MASK = 0xF000;

    explicit BaseConnection(BaseEnv& env);
    ~BaseConnection() override;

    // ODBC connection functions (framework logic).
    virtual SQLRETURN SQLBrowseConnect(SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                       SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                                       SQLSMALLINT* pcbConnStrOut);
    virtual SQLRETURN SQLConnect(SQLCHAR* szDSN, SQLSMALLINT cbDSN, SQLCHAR* szUID,
                                 SQLSMALLINT cbUID, SQLCHAR* szAuthStr, SQLSMALLINT cbAuthStr);
    virtual SQLRETURN SQLDriverConnect(SQLHWND hwnd, SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn,
                                       SQLCHAR* szConnStrOut, SQLSMALLINT cbConnStrOutMax,
                                       SQLSMALLINT* pcbConnStrOut, SQLUSMALLINT fDriverCompletion);
    virtual SQLRETURN SQLDisconnect();
    virtual SQLRETURN SQLGetConnectOption(SQLUSMALLINT fOption, SQLPOINTER pvParam);
    virtual SQLRETURN SQLGetFunctions(SQLUSMALLINT fFunction, SQLUSMALLINT* pfExists);
    virtual SQLRETURN SQLGetInfo(SQLUSMALLINT fInfoType, SQLPOINTER rgbInfoValue,
                                 SQLSMALLINT cbInfoValueMax, SQLSMALLINT* pcbInfoValue);
    virtual SQLRETURN SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                                   SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr);
    virtual SQLRETURN SQLSetConnectOption(SQLUSMALLINT fOption, SQLULEN vParam);
    virtual SQLRETURN SQLTransact(SQLUSMALLINT fType);

    // Pure: the driver library's base file name, cut to outSize - 1 bytes.
    virtual void getDllName(char* out, std::size_t outSize) = 0;
    // Pure: read and check the driver's own connection attributes; a null
    // parser means ODBC.INI and defaults only.
    virtual VxStatus connectInit(VxValueParser* parser) = 0;
    // Pure: open the connection to the data source.
    virtual VxStatus connectLogon() = 0;
    // Pure: close the connection to the data source.
    virtual VxStatus setToAllocatedState() = 0;
    // Pure: complete the connection information for SQLDriverConnect, log on
    // and call finishConnect; unconnected without an error means cancelled.
    virtual VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                             VxValueParser* parser) = 0;
    // Pure: the text of driver message or resource `id` ("" when it has
    // none), cut to outSize - 1 bytes. Resource 20101 is the display name.
    virtual void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) = 0;
    // Default fails: the escape cannot be expanded natively.
    virtual VxStatus expandNativeEscape(VxReplaceString* text, unsigned long position,
                                        EscapeType type, EscapeFunctionType function);
    // Default succeeds doing nothing.
    virtual VxStatus startTransaction();
    // Commit (0) or roll back (1); default fails.
    virtual VxStatus endTransaction(unsigned short type);
    // A driver-specific SQLGetInfo answer; default fails (none).
    virtual VxStatus getAskedForInfo(unsigned short infoType, void** value,
                                     BaseInfoValType* valueType);
    // Writes the stored value of a connection option: integer options as
    // SQLUINTEGER, SQL_QUIET_MODE as a window handle, SQL_TRANSLATE_DLL as
    // the library's path (at most 256 bytes with the terminator). S1C00
    // for an option the framework does not keep (overridable).
    virtual VxStatus getConnectOption(unsigned short option, void* value);
    // Stores a connection option: options 0-14 become the statement default
    // and the value of every statement; 101-111 and 1043 are kept (106
    // loads a translation library). S1C00 for any other (overridable).
    virtual VxStatus setConnectOption(unsigned short option, SQLULEN value);
    // Default false.
    virtual bool isBinaryCTypeHandled(short cType);
    // Default succeeds without setting *supported.
    virtual VxStatus isFunctionSupported(unsigned short api, unsigned short* supported);
    // Called once after construction by SQLAllocConnect; default succeeds.
    virtual VxStatus initialize();
    // Choices offered for an attribute by SQLBrowseConnect; default none.
    virtual VxStatus modifyBrowse(const char* shortKeyword, VxString* choices);
    // One SQLBrowseConnect step; default connectInit then connectLogon.
    virtual VxStatus processBrowse(VxValueParser* parser);

    // Busy check: true when the connection is busy or, for a connection-wide
    // check, when any of its statements is; otherwise marks the connection
    // (and, connection-wide, every statement) busy.
    bool threadCheck(ThreadCheckTypes type);
    void threadDone();
    // True while an ODBC call on this connection is running.
    bool isBusy() const { return hasFlag(CONN_BUSY); }

    VxStatus standardEntrance(unsigned short api);
    SQLRETURN standardExit(SQLRETURN rc);
    // A call the driver does not support: busy check, entrance, IM001, exit.
    SQLRETURN unsupportedCall(unsigned short api, ThreadCheckTypes type = THREAD_CHECK_CONNECTION);

    BaseEnv& getEnv() const { return *env_; }
    BaseErrorList& getErrorList() { return errorList_; }
    BaseStmtOptions& getStmtOptions() { return stmtOptions_; }

    std::uint32_t getWorkArounds() const { return workArounds_.load(); }
    void setWorkArounds(std::uint32_t value) { workArounds_.store(value); }
    unsigned getShareCount() const { return (workArounds_.load() & SHARE_COUNT_MASK) >> 12; }
    // Adds one handle to the share count; false when it is already 15.
    bool addShare();
    // Removes one handle from the share count; false when it was 0.
    bool removeShare();

    bool hasFlag(std::uint32_t flag) const { return (flags_.load() & flag) != 0; }
    void setFlag(std::uint32_t flag, bool on);
    bool isConnected() const { return hasFlag(CONN_CONNECTED); }

    // The answer for `infoType`, without the entrance and exit of a call
    // (used between calls, e.g. by the entry points), as the 4-argument
    // getInfo below answers it. Numbers are stored as SQLUINTEGER when
    // valueMax is at least 4, as SQLUSMALLINT when it is 2 or 3; strings cut
    // to valueMax - 1 bytes. Fails, raising nothing, for an information type
    // it cannot answer.
    VxStatus getInfo(unsigned short infoType, void* value, SQLSMALLINT valueMax);
    // ---- Information (base/src/info) ---------------------------------------
    // The answer for `infoType` from the information tables and the
    // driver's hooks: integers in *value itself (cast through uintptr_t),
    // texts as a pointer. When *owned is set the text was made for this
    // answer and the caller frees it with ramFree. A type nobody answers
    // leaves *valueType INFO_VAL_NOT_FOUND; fails only when memory runs out.
    VxStatus getInfo(unsigned short infoType, void** value, BaseInfoValType* valueType,
                     bool* owned);
    // Installs the driver's information table (not copied), searched
    // before the framework's defaults; null removes it.
    void setInfoTable(const BaseInfoTable* table) { infoTable_ = table; }
    const BaseInfoTable& getInfoTable() const {
        return infoTable_ ? *infoTable_ : baseDefaultInfoTable();
    }
    // The database the connection works in (SQL_DATABASE_NAME when the
    // driver's table has no answer); drivers set it at logon.
    VxStatus setDatabaseName(const char* name);
    const char* getDatabaseName();

    // ---- Statement text (base/src/execute) ---------------------------------
    // What escape processing needs of this connection: its flags and
    // WorkArounds (return values, full joins, first join only).
    BaseEscapeOptions getEscapeOptions() const;
    // Helpers for a driver's expandNativeEscape; see BaseEscapeRewrite.h.
    VxStatus copyEscapeArgument(VxReplaceString* text, unsigned long* remaining,
                                unsigned argument, unsigned flags);
    VxStatus processOuterJoinEscape(VxReplaceString* text, unsigned long length,
                                    BaseOuterJoinTypes style);

    // The DBMS name copied when the connection completed, or null.
    const char* getDbmsName() const { return dbmsName_; }
    // Copies `name` (null clears it).
    VxStatus setDbmsName(const char* name);

    // The statements in allocation order.
    std::uint32_t getStatementCount() const { return statements_.getCount(); }
    BaseStatement* getStatementAtPos(std::uint32_t pos) const;
    // Called by BaseStatement's constructor and destructor.
    void linkStatement(BaseStatement& statement);
    void unlinkStatement(BaseStatement& statement);

    // Buffered options: recorded before the connection opens.
    VxStatus addBufferedOption(std::uint16_t option, SQLULEN value);
    // The first recorded pair for `option`, or null.
    const BaseBufferedOption* getSavedConnectOption(std::uint16_t option) const;
    std::size_t getBufferedOptionCount() const { return bufferedOptionCount_; }
    void deleteBufferedOptions();

    // ---- Connecting ------------------------------------------------------

    // The driver's table of data-source attributes and its password entry,
    // used by SQLBrowseConnect (the table is not copied).
    void setSetupTable(const SetupInfo* table, std::uint16_t count, BasePasswordEntry password);

    // The value of one attribute as a new string (ramFree), null when absent
    // and without default: the connect string (by either keyword, or by the
    // long one alone when there is no short one; quotes removed), else the
    // long keyword in the data source's ODBC.INI section (not read when the
    // connect string has a DRIVER attribute; always read without a parser),
    // else `defaultValue`. `source` may be null. Fails only when memory
    // runs out or both keywords are given.
    VxStatus getConnectionValue(VxValueParser* parser, const char* shortKeyword,
                                const char* longKeyword, const char* defaultValue, char** value,
                                ConnectionValueSource* source);
    // Sets the data-source name: kept when its ODBC.INI section names a
    // driver, else "Default". A null name is "Default".
    VxStatus setDataSourceName(const char* name, std::size_t length);
    // The framework's own attributes (UID, PWD, MS, YLD, AE, WA, FH, the
    // translation library, STK, ULQ), in that order.
    VxStatus readFrameworkAttributes(VxValueParser* parser);
    // Called when logon is complete: isolation and DBMS name from the
    // driver, connected flag, buffered options applied (IM006 for each that
    // fails; the connection stays open).
    VxStatus finishConnect();
    // Closes the connection and returns to the allocated state: statements
    // reset and destroyed, translation library unloaded, names, buffered
    // options and browse state freed, options back to their defaults.
    VxStatus disconnectAndReset();
    // Before a statement executes: with autocommit off and no transaction
    // open, startTransaction and mark the transaction open.
    VxStatus beginTransactionIfNeeded();
    // Applies one connection option now (autocommit and isolation rules,
    // then the setConnectOption hook).
    VxStatus applyConnectOption(unsigned short option, SQLULEN value);

    const char* getDataSourceName() const { return dataSourceName_; }
    const char* getUserId() const { return userId_; }
    const char* getPassword() const { return password_; }
    // Copies `id` / `password` (null clears).
    VxStatus setUserId(const char* id);
    VxStatus setPassword(const char* password);
    std::uint16_t getAsyncMode() const { return asyncMode_; }
    // The level a SQLBrowseConnect in progress has reached (0 before the
    // first completed step).
    std::uint16_t getBrowseLevel() const { return browseLevel_; }
    SQLULEN getAutocommit() const { return autocommit_; }
    SQLULEN getAccessMode() const { return accessMode_; }
    SQLULEN getLoginTimeout() const { return loginTimeout_; }
    SQLULEN getTxnIsolation() const { return txnIsolation_; }

    // Lets the driver wait: runs the yield routine of the asynchronous mode
    // (there is no message loop to pump, so every mode returns at once) and
    // returns true when the application asked for a cancel.
    bool yield();
    using YieldRoutine = void (*)();
    YieldRoutine yieldCallback() const;
    void requestCancel(bool on) { cancelRequested_.store(on); }

    // ---- Character set (base/src/connect) --------------------------------

    // The data source's narrow character set: what the CharSet (CS)
    // attribute names, UTF-8 by default and for the words "ANSI",
    // "WINDOWS", "IBMPC" and "OEM", which leave the text as it is (a
    // translation library may convert it). The Unicode entry points and
    // SQL_C_WCHAR data convert through it.
    const VxCharset& getCharset() const { return charset_; }
    // True when CharSet named a character set rather than one of the words.
    bool isCharsetNamed() const { return charsetNamed_; }
    // Reads CharSet (called by readFrameworkAttributes); an unknown name is
    // S1009 with message 6015.
    VxStatus readCharset(VxValueParser* parser);

    // ---- Translation -----------------------------------------------------

    // Loads `path` (unloading any previous library) and looks up its two
    // entry points; IM009 when the library or either entry point is missing.
    VxStatus loadTranslationLibrary(const char* path);
    void unloadTranslationLibrary();
    bool hasTranslationLibrary() const { return translationLibrary_ != nullptr; }
    // Set by a driver that passes data through the translation library
    // itself, where it reads and writes the data source: the framework then
    // delivers results and takes parameters without translating them again.
    void setDriverTranslates(bool on) { driverTranslates_ = on; }
    // True when the framework translates results and parameters.
    bool frameworkTranslates() const { return translationLibrary_ && !driverTranslates_; }
    // The path of the loaded library, or "".
    const char* getTranslationLibraryPath() const {
        return translationPath_ ? translationPath_ : "";
    }
    SQLULEN getTranslationOption() const { return translationOption_; }
    // In place: the output must keep the input's length (6025 otherwise).
    // Without a library nothing changes.
    VxStatus toDriver(short sqlType, void* buffer, SQLLEN length);
    VxStatus toDataSource(short sqlType, void* buffer, SQLLEN length);
    // Into a separate buffer; without a library the input is copied, cut to
    // the output size with warning 01004. *outLength receives the length.
    VxStatus toDriver(short sqlType, const void* input, SQLLEN inputLength, void* output,
                      SQLLEN outputSize, SQLLEN* outLength);
    VxStatus toDataSource(short sqlType, const void* input, SQLLEN inputLength, void* output,
                          SQLLEN outputSize, SQLLEN* outLength);

private:
    VxStatus readTranslationSettings();
    VxStatus translate(BaseTranslateFn function, short sqlType, const void* input,
                       SQLLEN inputLength, void* output, SQLLEN outputSize, SQLLEN* outLength,
                       bool inPlace);
    VxStatus storeBufferedOption(std::uint16_t option, SQLULEN value);
    VxStatus applyBufferedOptions();
    VxStatus setStatementOptionForAll(unsigned short option, SQLULEN value);
    VxStatus resetStatements();
    void freeBrowseState();
    // SQLBrowseConnect's steps (BaseBrowseConnect.cpp).
    const SetupInfo* findSetupEntry(const VxSubString& key) const;
    std::uint16_t maxBrowseLevel() const;
    void browseReportChanged(const VxValueParser& input, const VxValueParser& accumulated);
    bool browseLevelComplete(const VxValueParser& input, const VxValueParser& accumulated,
                             std::uint16_t level) const;
    VxStatus browseAccumulate(const VxValueParser& input, VxValueParser& accumulated,
                              VxString& out);
    VxStatus browseResult(const VxValueParser& accumulated, VxString& result);
    VxStatus browseSteps(const VxValueParser& input, bool started, VxString& accumulatedText,
                         bool* needData);
    VxStatus browse(SQLCHAR* szConnStrIn, SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut,
                    SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut, bool started,
                    bool* needData);
    VxStatus browseComplete(VxValueParser& accumulated, SQLCHAR* szConnStrOut,
                            SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut);
    // finishConnect without the logon.
    VxStatus completeConnect();
    VxStatus driverConnectString(VxValueParser& parser, VxString& out);

private:
    BaseEnv* env_;
    BaseStmtOptions stmtOptions_;
    std::atomic<std::uint32_t> workArounds_{0};
    BaseErrorList errorList_;
    VxList statements_;
    char* dataSourceName_ = nullptr;
    char* userId_ = nullptr;
    char* password_ = nullptr;
    char* dbmsName_ = nullptr;
    std::uint16_t asyncMode_ = 0;
    SQLULEN accessMode_ = 0;
    SQLULEN autocommit_ = 1;
    SQLULEN loginTimeout_ = 15;
    SQLULEN txnIsolation_ = 0;
    SQLHWND quietModeWindow_ = nullptr;
    void* translationLibrary_ = nullptr;
    BaseTranslateFn dataSourceToDriver_ = nullptr;
    BaseTranslateFn driverToDataSource_ = nullptr;
    char* translationPath_ = nullptr;
    SQLULEN translationOption_ = 0;
    VxCharset charset_;
    bool charsetNamed_ = false;
    bool driverTranslates_ = false;
    std::atomic<std::uint32_t> flags_{CONN_NO_BROWSE};
    BaseBufferedOption* bufferedOptions_ = nullptr;
    std::size_t bufferedOptionCount_ = 0;
    const SetupInfo* setupTable_ = nullptr;
    std::uint16_t setupCount_ = 0;
    BasePasswordEntry passwordEntry_;
    // Browse state, present while a browse is in progress (flag bit 6 clear).
    std::uint16_t browseLevel_ = 0;
    char* browseAttributes_ = nullptr;
    std::atomic<bool> cancelRequested_{false};
    const BaseInfoTable* infoTable_ = nullptr;
    VxString databaseName_;
};

// The character set a connection is about to use, known before it
// connects: CharSet in the connect string `text` (UTF-8, may be null), else
// in the ODBC.INI section of `dsn` (may be null). UTF-8 when neither names
// one the system knows.
VX_EXPORT void baseConnectCharset(const char* text, std::size_t length, const char* dsn,
                                  VxCharset* charset);

// A warning 01S00 (message 6015) for every connect-string attribute whose
// value no one read.
VX_EXPORT void BaseReportUnusedConnectionAttrs(VxValueParser& parser);
