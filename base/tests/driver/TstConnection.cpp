#include "TstConnection.h"

#include <sqlext.h>

#include <cstdlib>
#include <cstring>

#include "TstCommands.h"
#include "base/BaseErrors.h"

namespace {

void copyText(const char* text, char* out, std::size_t outSize) {
    if (outSize == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length > outSize - 1)
        length = outSize - 1;
    std::memcpy(out, text, length);
    out[length] = 0;
}

} // namespace

SQLRETURN TstConnection::SQLConnect(SQLCHAR*, SQLSMALLINT, SQLCHAR*, SQLSMALLINT, SQLCHAR*,
                                    SQLSMALLINT) {
    BaseConnectionCall call(*this, SQL_API_SQLCONNECT);
    if (call.isBusy())
        return BASE_BUSY;
    setFlag(CONN_CONNECTED, true);
    return call.finish(SQL_SUCCESS);
}

SQLRETURN TstConnection::SQLDisconnect() {
    BaseConnectionCall call(*this, SQL_API_SQLDISCONNECT);
    if (call.isBusy())
        return BASE_BUSY;
    setFlag(CONN_CONNECTED, false);
    return call.finish(SQL_SUCCESS);
}

SQLRETURN TstConnection::SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR*,
                                      SQLINTEGER, SQLINTEGER* pcbSqlStr) {
    BaseConnectionCall call(*this, SQL_API_SQLNATIVESQL);
    if (call.isBusy())
        return BASE_BUSY;
    if (pcbSqlStr)
        *pcbSqlStr = 0;
    return call.finish(tstRunCommands(szSqlStrIn, cbSqlStrIn));
}

void TstConnection::getDllName(char* out, std::size_t outSize) {
    copyText("libKWTST08.so", out, outSize);
}

VxStatus TstConnection::connectInit(VxValueParser*) { return VX_SUCCESS; }

VxStatus TstConnection::connectLogon() {
    setFlag(CONN_CONNECTED, true);
    return VX_SUCCESS;
}

VxStatus TstConnection::setToAllocatedState() {
    setFlag(CONN_CONNECTED, false);
    return VX_SUCCESS;
}

VxStatus TstConnection::connectLogonDialogStart(SQLHWND, unsigned short, VxValueParser*) {
    return connectLogon();
}

void TstConnection::getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) {
    switch (id) {
    case BASE_DRIVER_NAME_RESOURCE:
        copyText("Test", out, outSize);
        break;
    case 1200:
        copyText("Test driver message %n1.", out, outSize);
        break;
    case 3800:
        copyText("Engine message.", out, outSize);
        break;
    default:
        copyText("", out, outSize);
        break;
    }
}

VxStatus TstConnection::initialize() {
    if (std::getenv("KWTST_FAIL_CONNECTION_INIT")) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}
