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
#pragma once

#include <sql.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/BaseCall.h"
#include "base/BaseErrorList.h"
#include "base/BaseForward.h"
#include "base/BaseStmtOptions.h"
#include "util/VxList.h"
#include "util/VxStatus.h"

class BaseEnv;
class BaseStatement;

// One option recorded by SQLSetConnectOption before the connection opens.
struct BaseBufferedOption {
    std::uint16_t option;
    SQLULEN value;
};

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
    // Stored value of a connection option (overridable framework logic).
    virtual VxStatus getConnectOption(unsigned short option, void* value);
    // Stores a connection option (overridable framework logic).
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
    SQLRETURN unsupportedCall(unsigned short api,
                              ThreadCheckTypes type = THREAD_CHECK_CONNECTION);

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

    // The framework's SQLGetInfo answer for `infoType`, without the entrance
    // and exit of a call (used between calls, e.g. by the entry points).
    // Fails, raising nothing, for an information type it cannot answer.
    VxStatus getInfo(unsigned short infoType, void* value, SQLSMALLINT valueMax);

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
    void* dataSourceToDriver_ = nullptr;
    void* driverToDataSource_ = nullptr;
    SQLULEN translationOption_ = 0;
    std::atomic<std::uint32_t> flags_{CONN_NO_BROWSE};
    BaseBufferedOption* bufferedOptions_ = nullptr;
    std::size_t bufferedOptionCount_ = 0;
};
