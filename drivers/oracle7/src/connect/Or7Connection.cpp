#include "connect/Or7Connection.h"

#include <sqlext.h>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "base/BaseInfoValType.h"
#include "error/Or7Errors.h"
#include "util/VxValueParser.h"
#include "util/ram.h"

namespace {

const SetupInfo SETUP_TABLE[] = {
    {"Description", 0, SETUP_EDIT, nullptr, nullptr, 255, nullptr, 0, 0},
    {"ServerName", 0, SETUP_COMBO, nullptr, nullptr, 128, "SRVR", 1, 0},
    {"LogonID", 0, SETUP_EDIT, nullptr, nullptr, 64, "UID", 1, 0},
    {"LockTimeOut", 0, SETUP_COMBO_LIST, "0 - NoWait,-1 - Wait", "-1", 0, "LTO", 1, 1},
    {"ArraySize", 0, SETUP_EDIT, nullptr, "60000", 10, "AS", 1, 1},
    {"CatalogComments", 0, SETUP_CHECK, "1", "0", 0, "CC", 1, 1},
};

const BaseInfoEntry INFO[] = {
    BaseInfoEntry::ofText(SQL_DBMS_VER, "07.00.0000"),
    BaseInfoEntry::ofNumber(SQL_CURSOR_COMMIT_BEHAVIOR, INFO_VAL_U16, SQL_CB_CLOSE),
    BaseInfoEntry::ofNumber(SQL_CURSOR_ROLLBACK_BEHAVIOR, INFO_VAL_U16, SQL_CB_CLOSE),
    BaseInfoEntry::ofText(SQL_IDENTIFIER_QUOTE_CHAR, "\""),
    BaseInfoEntry::ofNumber(SQL_TXN_CAPABLE, INFO_VAL_U16, SQL_TC_DML),
    BaseInfoEntry::ofNumber(SQL_DEFAULT_TXN_ISOLATION, INFO_VAL_MASK32, SQL_TXN_READ_COMMITTED),
    BaseInfoEntry::ofNumber(SQL_TXN_ISOLATION_OPTION, INFO_VAL_MASK32,
                            SQL_TXN_READ_COMMITTED | SQL_TXN_SERIALIZABLE),
    BaseInfoEntry::ofText(SQL_OWNER_TERM, "Owner"),
    BaseInfoEntry::ofText(SQL_PROCEDURE_TERM, "Procedure"),
    BaseInfoEntry::ofText(SQL_QUALIFIER_TERM, "Database Link"),
    BaseInfoEntry::ofText(SQL_QUALIFIER_NAME_SEPARATOR, "@"),
    BaseInfoEntry::ofNumber(SQL_QUALIFIER_LOCATION, INFO_VAL_U16, SQL_QL_END),
    BaseInfoEntry::ofNumber(SQL_GETDATA_EXTENSIONS, INFO_VAL_MASK32,
                            SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND),
    BaseInfoEntry::ofNumber(SQL_MAX_CHAR_LITERAL_LEN, INFO_VAL_U32, 2000),
    BaseInfoEntry::ofNumber(SQL_MAX_BINARY_LITERAL_LEN, INFO_VAL_U32, 4000),
    BaseInfoEntry::ofNumber(SQL_MAX_COLUMN_NAME_LEN, INFO_VAL_U16, 30),
    BaseInfoEntry::ofNumber(SQL_MAX_TABLE_NAME_LEN, INFO_VAL_U16, 30),
    BaseInfoEntry::ofNumber(SQL_MAX_OWNER_NAME_LEN, INFO_VAL_U16, 30),
    BaseInfoEntry::ofNumber(SQL_MAX_PROCEDURE_NAME_LEN, INFO_VAL_U16, 30),
    BaseInfoEntry::ofNumber(SQL_MAX_QUALIFIER_NAME_LEN, INFO_VAL_U16, 128),
    BaseInfoEntry::ofText(SQL_PROCEDURES, "Y"),
    BaseInfoEntry::ofText(SQL_OUTER_JOINS, "Y"),
    BaseInfoEntry::ofText(SQL_EXPRESSIONS_IN_ORDERBY, "Y"),
    BaseInfoEntry::ofText(SQL_LIKE_ESCAPE_CLAUSE, "Y"),
};

const BaseInfoTable& infoTable() {
    static const BaseInfoTable table(INFO, sizeof INFO / sizeof INFO[0]);
    return table;
}

void copyText(const char* text, char* out, std::size_t outSize) {
    if (outSize == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length > outSize - 1)
        length = outSize - 1;
    std::memcpy(out, text, length);
    out[length] = 0;
}

// Reads one attribute into `value`; false when it failed.
bool readValue(BaseConnection& connection, VxValueParser* parser, const char* shortKeyword,
               const char* longKeyword, const char* defaultValue, std::string* value,
               ConnectionValueSource* source = nullptr) {
    char* text = nullptr;
    if (connection.getConnectionValue(parser, shortKeyword, longKeyword, defaultValue, &text,
                                      source) != VX_SUCCESS)
        return false;
    value->assign(text ? text : "");
    ramFree(text);
    return true;
}

} // namespace

const SetupInfo* Or7Connection::setupTable(std::uint16_t* count) {
    *count = sizeof SETUP_TABLE / sizeof SETUP_TABLE[0];
    return SETUP_TABLE;
}

Or7Connection::Or7Connection(BaseEnv& env) : BaseConnection(env) {
    std::uint16_t count = 0;
    const SetupInfo* table = setupTable(&count);
    setSetupTable(table, count, BasePasswordEntry{PASSWORD_OPTIONAL, 1});
    setInfoTable(&infoTable());
    setFlag(CONN_NATIVE_PARAMS | CONN_OUTPUT_PARAMS | CONN_PIECEWISE_LONG_DATA |
                CONN_RETURN_VALUE_PARAM | CONN_FOR_UPDATE | CONN_NEGATIVE_SCALE,
            true);
}

Or7Connection::~Or7Connection() = default;

void Or7Connection::getDllName(char* out, std::size_t outSize) {
    copyText("libKWOR708.so", out, outSize);
}

VxStatus Or7Connection::connectInit(VxValueParser* parser) {
    std::string arraySize;
    std::string lockTimeOut;
    std::string comments;
    std::string ocon;
    ConnectionValueSource serverSource = CONNECTION_VALUE_NONE;
    if (!readValue(*this, parser, "SRVR", "ServerName", nullptr, &serverName_, &serverSource) ||
        !readValue(*this, parser, "AS", "ArraySize", "60000", &arraySize) ||
        !readValue(*this, parser, "LTO", "LockTimeOut", "-1", &lockTimeOut) ||
        !readValue(*this, parser, "CC", "CatalogComments", "1", &comments) ||
        !readValue(*this, nullptr, nullptr, "OCON", "1", &ocon))
        return VX_ERROR;
    setOr7Flag(OR7_SERVER_FROM_INI, serverSource == CONNECTION_VALUE_ODBC_INI);
    char* end = nullptr;
    long bytes = std::strtol(arraySize.c_str(), &end, 10);
    if (end == arraySize.c_str() || *end != 0 || bytes <= 0) {
        addOdbcError(ODBC_S1009, 6015) << ("ArraySize=" + arraySize).c_str();
        return VX_ERROR;
    }
    arraySize_ = bytes > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(bytes);
    long timeOut = std::strtol(lockTimeOut.c_str(), &end, 10);
    if (end == lockTimeOut.c_str() || (timeOut != 0 && timeOut != -1)) {
        addOdbcError(ODBC_S1009, 6015) << ("LockTimeOut=" + lockTimeOut).c_str();
        return VX_ERROR;
    }
    lockTimeOut_ = static_cast<short>(timeOut);
    setOr7Flag(OR7_NO_COMMENTS, comments == "0");
    autocommitAtLogon_ = ocon != "0";
    return VX_SUCCESS;
}

VxStatus Or7Connection::connectLogon() {
    const char* user = getUserId() ? getUserId() : "";
    logonUser_.clear();
    for (const char* c = user; *c; ++c)
        logonUser_.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(*c))));
    std::string connect = logonUser_;
    if (!serverName_.empty() && connect.compare(0, 1, "/") != 0)
        connect += "@" + serverName_;
    if (!connect.empty() &&
        toDataSource(SQL_CHAR, &connect[0], static_cast<SQLLEN>(connect.size())) != VX_SUCCESS)
        return VX_ERROR;
    std::string password = getPassword() ? getPassword() : "";
    if (!password.empty() &&
        toDataSource(SQL_CHAR, &password[0], static_cast<SQLLEN>(password.size())) != VX_SUCCESS)
        return VX_ERROR;
    int rc = session_.logon(connect.c_str(), password.empty() ? nullptr : password.c_str());
    if (rc != OR7_OK)
        return session_.raise(rc);
    setOr7Flag(OR7_LOGGED_ON, true);
    setOr7Flag(OR7_VIEWS_CHECKED | OR7_DBA_VIEWS, false);
    if (autocommitAtLogon_) {
        rc = session_.autocommitOn();
        if (rc != OR7_OK)
            return session_.raise(rc);
    }
    return setDatabaseName(serverName_.c_str());
}

VxStatus Or7Connection::setToAllocatedState() {
    if (!session_.isLoggedOn())
        return VX_SUCCESS;
    setOr7Flag(OR7_LOGGED_ON, false);
    int rc = session_.logoff();
    if (rc != OR7_OK)
        return session_.raise(rc);
    return VX_SUCCESS;
}

// There is no dialog: the connect string and ODBC.INI must name the user.
// The completed connect string names the server as SRVR.
VxStatus Or7Connection::connectLogonDialogStart(SQLHWND, unsigned short, VxValueParser* parser) {
    if (!getUserId() || !*getUserId()) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    if (parser && !serverName_.empty() &&
        parser->addAttribute("SRVR", serverName_.c_str(), "ServerName") != VX_SUCCESS)
        return VX_ERROR;
    return finishConnect();
}

void Or7Connection::getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) {
    const char* text = or7ResourceText(id);
    copyText(text ? text : "", out, outSize);
}

VxStatus Or7Connection::endTransaction(unsigned short type) {
    int rc = type == SQL_COMMIT ? session_.commit() : session_.rollback();
    if (rc != OR7_OK)
        return session_.raise(rc);
    return VX_SUCCESS;
}

VxStatus Or7Connection::setConnectOption(unsigned short option, SQLULEN value) {
    if (option == SQL_AUTOCOMMIT && session_.isLoggedOn()) {
        int rc = value == SQL_AUTOCOMMIT_OFF ? session_.autocommitOff() : session_.autocommitOn();
        if (rc != OR7_OK)
            return session_.raise(rc);
    }
    return BaseConnection::setConnectOption(option, value);
}

VxStatus Or7Connection::initialize() {
    return cursorLock_.initialize();
}

VxStatus Or7Connection::openCursor(Or7Cursor& cursor) {
    VxSemaphoreGuard guard(&cursorLock_);
    int rc = cursor.open(session_);
    if (rc != OR7_OK)
        return cursor.raise(rc);
    return VX_SUCCESS;
}
