#include "TstConnection.h"

#include <sqlext.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "TstCatalog.h"
#include "TstCommands.h"
#include "TstResults.h"
#include "base/BaseDefaultEscapeHost.h"
#include "base/BaseErrors.h"
#include "base/BaseInfoValType.h"
#include "util/VxString.h"
#include "util/ram.h"

namespace {

const SetupInfo SETUP_TABLE[] = {
    {"Database", 0, SETUP_EDIT, nullptr, nullptr, 64, "DB", 1, 0},
    {"Transactions", 0, SETUP_CHECK, "1", "1", 0, "TX", 1, 1},
    {"Lock", 0, SETUP_COMBO_LIST, "none,shared", "none", 0, "LK", 2, 0},
};

void copyText(const char* text, char* out, std::size_t outSize) {
    if (outSize == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length > outSize - 1)
        length = outSize - 1;
    std::memcpy(out, text, length);
    out[length] = 0;
}

void* infoNumber(std::uintptr_t value) {
    return reinterpret_cast<void*>(value);
}

} // namespace

const SetupInfo* TstConnection::setupTable(std::uint16_t* count) {
    *count = sizeof SETUP_TABLE / sizeof SETUP_TABLE[0];
    return SETUP_TABLE;
}

TstConnection::TstConnection(BaseEnv& env) : BaseConnection(env) {
    std::uint16_t count = 0;
    const SetupInfo* table = setupTable(&count);
    setSetupTable(table, count, BasePasswordEntry{PASSWORD_OPTIONAL, 1});
    setInfoTable(&tstResultInfoTable());
    setInfoTable(&tstInfoTable());
}

SQLRETURN TstConnection::SQLNativeSql(SQLCHAR* szSqlStrIn, SQLINTEGER cbSqlStrIn, SQLCHAR* szSqlStr,
                                      SQLINTEGER cbSqlStrMax, SQLINTEGER* pcbSqlStr) {
    if (!szSqlStrIn || !tstIsCommandText(szSqlStrIn, cbSqlStrIn))
        return BaseConnection::SQLNativeSql(szSqlStrIn, cbSqlStrIn, szSqlStr, cbSqlStrMax,
                                            pcbSqlStr);
    BaseConnectionCall call(*this, SQL_API_SQLNATIVESQL);
    if (call.isBusy())
        return BASE_BUSY;
    if (pcbSqlStr)
        *pcbSqlStr = 0;
    const char* text = reinterpret_cast<const char*>(szSqlStrIn);
    if (std::strncmp(text, "translate ", 10) == 0) {
        SQLLEN length = 0;
        VxStatus status =
            toDataSource(SQL_CHAR, text + 10, static_cast<SQLLEN>(std::strlen(text + 10)), szSqlStr,
                         cbSqlStrMax, &length);
        if (pcbSqlStr)
            *pcbSqlStr = static_cast<SQLINTEGER>(length);
        return call.finish(baseReturnCode(status));
    }
    return call.finish(tstRunCommands(szSqlStrIn, cbSqlStrIn));
}

void TstConnection::getDllName(char* out, std::size_t outSize) {
    copyText("libKWTST08.so", out, outSize);
}

VxStatus TstConnection::connectInit(VxValueParser* parser) {
    char* database = nullptr;
    char* lock = nullptr;
    char* transactions = nullptr;
    VxStatus status = getConnectionValue(parser, "DB", "Database", nullptr, &database, nullptr);
    if (status == VX_SUCCESS)
        status = getConnectionValue(parser, "LK", "Lock", "none", &lock, nullptr);
    if (status == VX_SUCCESS)
        status = getConnectionValue(parser, "TX", "Transactions", "1", &transactions, nullptr);
    if (status == VX_SUCCESS) {
        database_ = database ? database : "";
        lock_ = lock ? lock : "";
        transactions_ = !transactions || std::strcmp(transactions, "0") != 0;
        if (lock_ != "none" && lock_ != "shared") {
            addOdbcError(ODBC_S1009, 6015) << lock_.c_str();
            status = VX_ERROR;
        }
    }
    ramFree(database);
    ramFree(lock);
    ramFree(transactions);
    return status == VX_SUCCESS ? readTestAttributes(parser) : status;
}

VxStatus TstConnection::readTestAttributes(VxValueParser* parser) {
    char* params = nullptr;
    char* caps = nullptr;
    char* outerJoin = nullptr;
    VxStatus status = getConnectionValue(parser, "PM", "Params", "native", &params, nullptr);
    if (status == VX_SUCCESS)
        status = getConnectionValue(parser, "CP", "Caps", "0", &caps, nullptr);
    if (status == VX_SUCCESS)
        status = getConnectionValue(parser, "OJ", "OuterJoin", "-1", &outerJoin, nullptr);
    if (status == VX_SUCCESS) {
        setFlag(CONN_NATIVE_PARAMS, !params || std::strcmp(params, "text") != 0);
        std::uint32_t bits = static_cast<std::uint32_t>(std::strtoul(caps ? caps : "0", nullptr, 0));
        for (std::uint32_t bit = 9; bit <= 26; ++bit)
            setFlag(1u << bit, (bits & (1u << bit)) != 0);
        outerJoinStyle_ = static_cast<int>(std::strtol(outerJoin ? outerJoin : "-1", nullptr, 0));
    }
    ramFree(params);
    ramFree(caps);
    ramFree(outerJoin);
    return status;
}

VxStatus TstConnection::expandNativeEscape(VxReplaceString* text, unsigned long argLength,
                                           EscapeType type, EscapeFunctionType function) {
    BaseDefaultEscapeHost host(getEscapeOptions(), outerJoinStyle_);
    return host.expandNativeEscape(text, argLength, type, function);
}

VxStatus TstConnection::connectLogon() {
    if (database_.empty()) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    if (database_ != "main" && database_ != "extra") {
        addNativeError(ODBC_08001, 17, ("Cannot open database " + database_).c_str());
        return VX_ERROR;
    }
    loggedOn_ = true;
    if (setDatabaseName(database_.c_str()) != VX_SUCCESS)
        return VX_ERROR;
    setInfoTable(&tstInfoTable(database_ == "extra"));
    return VX_SUCCESS;
}

VxStatus TstConnection::setToAllocatedState() {
    loggedOn_ = false;
    return VX_SUCCESS;
}

// No dialog: the connect string and ODBC.INI must say enough.
VxStatus TstConnection::connectLogonDialogStart(SQLHWND, unsigned short, VxValueParser*) {
    return finishConnect();
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
        copyText(tstResourceText(id), out, outSize);
        break;
    }
}

VxStatus TstConnection::startTransaction() {
    ++transactionsStarted_;
    return VX_SUCCESS;
}

VxStatus TstConnection::endTransaction(unsigned short type) {
    ++(type == SQL_COMMIT ? commits_ : rollbacks_);
    return VX_SUCCESS;
}

VxStatus TstConnection::getAskedForInfo(unsigned short infoType, void** value,
                                        BaseInfoValType* valueType) {
    switch (infoType) {
    case SQL_DBMS_NAME:
        *value = const_cast<char*>("TestDB");
        *valueType = INFO_VAL_STRING;
        return VX_SUCCESS;
    case SQL_ACTIVE_CONNECTIONS:
        *value = infoNumber(1);
        *valueType = INFO_VAL_U16;
        return VX_SUCCESS;
    case SQL_TXN_CAPABLE:
        *value = infoNumber(transactions_ ? SQL_TC_DML : SQL_TC_NONE);
        *valueType = INFO_VAL_U16;
        return VX_SUCCESS;
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        *value = infoNumber(SQL_CB_CLOSE);
        *valueType = INFO_VAL_U16;
        return VX_SUCCESS;
    case SQL_TXN_ISOLATION_OPTION:
        *value = infoNumber(SQL_TXN_READ_COMMITTED | SQL_TXN_SERIALIZABLE);
        *valueType = INFO_VAL_MASK32;
        return VX_SUCCESS;
    default:
        return tstResultInfo(infoType, value, valueType);
    }
}

VxStatus TstConnection::initialize() {
    if (std::getenv("KWTST_FAIL_CONNECTION_INIT")) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TstConnection::modifyBrowse(const char* shortKeyword, VxString* choices) {
    if (shortKeyword && std::strcmp(shortKeyword, "DB") == 0)
        return choices->initialize("{main,extra}");
    return VX_SUCCESS;
}

VxStatus TstConnection::processBrowse(VxValueParser* parser) {
    if (connectInit(parser) != VX_SUCCESS)
        return VX_ERROR;
    if (getBrowseLevel() < 2) {
        if (database_ != "main" && database_ != "extra") {
            addNativeError(ODBC_08001, 17, ("Cannot open database " + database_).c_str());
            return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    return connectLogon();
}
