// TstConnection: the test driver's connection. It "connects" to nothing:
// SQLConnect only marks the connection connected, so that the driver
// manager lets applications allocate statements. SQLNativeSql runs the
// command language of TstCommands.h as a connection call.
#pragma once

#include "base/BaseConnection.h"

class TstConnection : public BaseConnection {
public:
    explicit TstConnection(BaseEnv& env) : BaseConnection(env) {}

    SQLRETURN SQLConnect(SQLCHAR* szDSN, SQLSMALLINT cbDSN, SQLCHAR* szUID, SQLSMALLINT cbUID,
                         SQLCHAR* szAuthStr, SQLSMALLINT cbAuthStr) override;
    SQLRETURN SQLDisconnect() override;
    SQLRETURN SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                           SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr) override;

    void getDllName(char* out, std::size_t outSize) override;
    VxStatus connectInit(VxValueParser* parser) override;
    VxStatus connectLogon() override;
    VxStatus setToAllocatedState() override;
    VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                     VxValueParser* parser) override;
    void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    // Fails with S1000 / 6013 when KWTST_FAIL_CONNECTION_INIT is set.
    VxStatus initialize() override;
};
