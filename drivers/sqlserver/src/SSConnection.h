// SSConnection: a connection to SQL Server through DB-Library.
//
// Logon reads the attributes (connect string, then ODBC.INI, then the
// defaults), builds the login record, opens a first DBPROCESS on
// `ServerName` (a freetds.conf name or "host:port"), switches to
// `Database` and reads the server's attributes from sp_server_info. The
// connection keeps a small pool of idle DBPROCESSes (at most
// `CursorCacheSize`), which its statements take when they execute and give
// back when their results are done, and the list of DBPROCESSes that have
// a transaction open while autocommit is off.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "SSDbLib.h"
#include "base/BaseConnection.h"

class SSStatement;

// Literals of the server's date and time formats: 'Mon dd yyyy',
// 'hh:mm:ssAM' and 'Mon dd yyyy hh:mm:ss[:mmm]AM' (a timestamp with
// milliseconds wrapped in convert(datetime, ..., 109) when `convert`).
std::string ssDateLiteral(int year, int month, int day);
std::string ssTimeLiteral(int hour, int minute, int second);
std::string ssTimestampLiteral(int year, int month, int day, int hour, int minute, int second,
                               unsigned long nanoseconds, bool convert);

class SSConnection : public BaseConnection {
public:
    enum : unsigned {
        SS_GATEWAY = 1u << 0,
        SS_TWO_PHASE = 1u << 1,
        SS_NETAPI = 1u << 2,
        SS_DBINIT = 1u << 3,
        SS_NO_TIMESTAMP_CONVERT = 1u << 4,
        SS_ALLOW_LONGS_IN_TX = 1u << 5,
        SS_LOG_LONGS = 1u << 6,
        SS_CASE_SENSITIVE = 1u << 7,
        SS_INITIALISED_LIBRARY = 1u << 8,
        SS_YIELD_NONE = 1u << 9,
    };

    explicit SSConnection(BaseEnv& env);
    ~SSConnection() override;

    void getDllName(char* out, std::size_t outSize) override;
    VxStatus connectInit(VxValueParser* parser) override;
    VxStatus connectLogon() override;
    VxStatus setToAllocatedState() override;
    VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                     VxValueParser* parser) override;
    void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override;
    VxStatus endTransaction(unsigned short type) override;
    VxStatus getAskedForInfo(unsigned short infoType, void** value,
                             BaseInfoValType* valueType) override;
    VxStatus setConnectOption(unsigned short option, SQLULEN value) override;
    // SRVR: "?"; DB: the server's databases, from sp_databases.
    VxStatus modifyBrowse(const char* shortKeyword, VxString* choices) override;
    // The first step logs on; the second switches to the chosen database.
    VxStatus processBrowse(VxValueParser* parser) override;

    static const SetupInfo* setupTable(std::uint16_t* count);

    bool hasSwitch(unsigned bit) const { return (switches_ & bit) != 0; }
    int cancelMode() const { return cancelMode_; }
    long allowLongs() const { return allowLongs_; }
    const std::string& currentDatabase() const { return database_; }
    void setCurrentDatabase(const char* name);

    // A DBPROCESS for `statement`: its own when it still has a live one,
    // else one from the pool, else a new one. `catalog` statements never
    // begin a transaction.
    VxStatus takeProcess(SSStatement& statement, bool catalog, SSDbProc** out);
    // Discards the pending results of `process` and keeps it in the pool,
    // or closes it when the pool is full or the process is dead.
    void giveBackProcess(SSDbProc* process);
    // Closes a process that failed badly.
    void dropProcess(SSDbProc* process);
    // Opens a further DBPROCESS on the saved login.
    SSDbProc* openProcess(int* severity);
    // A process of the pool, else a new one (null, with the error raised,
    // when it cannot be opened).
    SSDbProc* pooledProcess();

    // The value of server attribute `name`, else `alternative`; null when
    // neither was read.
    const char* serverAttribute(const char* name, const char* alternative = nullptr) const;

    // The text of an escape clause as Transact-SQL (SSEscape.cpp).
    VxStatus expandTransactSql(VxReplaceString* text, unsigned long argLength, EscapeType type,
                               EscapeFunctionType function);

    // The first column of the first row of `sql` (null: nothing to run),
    // right-trimmed.
    VxStatus queryText(const char* sql, std::string* out);

private:
    VxStatus readAttributes(VxValueParser* parser);
    VxStatus readServerInfo(SSDbProc& process);
    VxStatus beginOn(SSDbProc& process);
    void closeAll();
    // Whether a statement other than `statement` has an open result.
    bool otherActiveStatement(const SSStatement* statement) const;

    std::string serverName_;
    std::string database_;
    std::string requestedDatabase_;
    std::string applicationName_;
    std::string workstation_;
    std::string language_;
    std::string charConv_;
    unsigned switches_ = 0;
    int cancelMode_ = 0;
    long allowLongs_ = 0;
    unsigned cursorCacheSize_ = 1;
    SSLogin login_;
    int poolSeverity_ = 0;
    std::vector<SSDbProc*> pool_;
    std::vector<SSDbProc*> transactionList_;
    std::map<std::string, std::string> serverInfo_;
    std::string dbmsVersion_;
    std::string userName_;
    bool counted_ = false;
};
