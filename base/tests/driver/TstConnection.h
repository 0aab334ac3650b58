// TstConnection: the test driver's connection to its in-memory data source.
//
// The data source knows the databases "main" and "extra"; the attributes
// are Database (DB, required), Lock (LK: none or shared, asked at the second
// browse step), Transactions (TX: "0" makes the source incapable of
// transactions) and an optional password. Logging on to the database
// "fail" fails as a data source would (08001, native code 17).
// SQLNativeSql runs the command language of TstCommands.h as a connection
// call; a text beginning "translate " is instead passed through the
// translation library (toDataSource) into the output buffer.
#pragma once

#include <string>

#include "base/BaseConnection.h"

class TstConnection : public BaseConnection {
public:
    explicit TstConnection(BaseEnv& env);

    SQLRETURN SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                           SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr) override;

    void getDllName(char* out, std::size_t outSize) override;
    VxStatus connectInit(VxValueParser* parser) override;
    VxStatus connectLogon() override;
    VxStatus setToAllocatedState() override;
    VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                     VxValueParser* parser) override;
    void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    VxStatus startTransaction() override;
    VxStatus endTransaction(unsigned short type) override;
    VxStatus getAskedForInfo(unsigned short infoType, void** value,
                             BaseInfoValType* valueType) override;
    // Fails with S1000 / 6013 when KWTST_FAIL_CONNECTION_INIT is set.
    VxStatus initialize() override;
    VxStatus modifyBrowse(const char* shortKeyword, VxString* choices) override;
    // Checks the database at the first step; logs on at the second.
    VxStatus processBrowse(VxValueParser* parser) override;

    // The driver's table of data-source attributes.
    static const SetupInfo* setupTable(std::uint16_t* count);

    std::string database_;
    std::string lock_;
    bool transactions_ = true;
    bool loggedOn_ = false;
    int transactionsStarted_ = 0;
    int commits_ = 0;
    int rollbacks_ = 0;
};
