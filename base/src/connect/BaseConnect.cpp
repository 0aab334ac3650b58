// Connecting and disconnecting: SQLConnect, SQLDriverConnect, finishConnect
// and the return to the allocated state.
//
// Every connect path reads the data-source name, the framework's attributes
// and the driver's (connectInit), then logs on; any failure disconnects
// again, so a connection is either fully connected or fully allocated.
#include <sqlext.h>

#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"
#include "base/BaseStatement.h"
#include "connect/BaseConnectText.h"
#include "util/VxString.h"
#include "util/VxValueParser.h"
#include "util/ram.h"

namespace {

// WorkArounds bit 11: the completed connect string says DATABASE= for DB=.
constexpr std::uint32_t WA_DATABASE_KEYWORD = 2048;

// Replaces the first attribute keyword "DB" (any case, outside quotes) by
// "DATABASE".
VxStatus replaceDbKeyword(VxString& text, char separator) {
    const char* chars = text.getText();
    char quote = 0;
    bool atKey = true;
    for (std::size_t i = 0; chars[i]; ++i) {
        char c = chars[i];
        if (quote) {
            quote = c == quote ? 0 : quote;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
        } else if (atKey && (c == 'D' || c == 'd') &&
                   (chars[i + 1] == 'B' || chars[i + 1] == 'b') && chars[i + 2] == '=') {
            return text.changeBytes(i, 2, "DATABASE", 8);
        }
        atKey = c == separator;
    }
    return VX_SUCCESS;
}

} // namespace

SQLRETURN BaseConnection::SQLConnect(SQLCHAR* szDSN, SQLSMALLINT cbDSN, SQLCHAR* szUID,
                                     SQLSMALLINT cbUID, SQLCHAR* szAuthStr, SQLSMALLINT cbAuthStr) {
    BaseConnectionCall call(*this, SQL_API_SQLCONNECT);
    if (call.isBusy())
        return BASE_BUSY;
    if (isConnected()) {
        addOdbcError(ODBC_08002);
        return call.finish(SQL_ERROR);
    }
    std::size_t dsnLength, uidLength, pwdLength;
    if (baseInputLength(szDSN, cbDSN, &dsnLength) != VX_SUCCESS ||
        baseInputLength(szUID, cbUID, &uidLength) != VX_SUCCESS ||
        baseInputLength(szAuthStr, cbAuthStr, &pwdLength) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    VxStatus status = setDataSourceName(reinterpret_cast<char*>(szDSN), dsnLength);
    ramFree(userId_);
    ramFree(password_);
    userId_ = password_ = nullptr;
    if (status == VX_SUCCESS && uidLength > 0 &&
        !(userId_ = ramAllocStr(reinterpret_cast<char*>(szUID), uidLength)))
        status = VX_ERROR;
    if (status == VX_SUCCESS && pwdLength > 0 &&
        !(password_ = ramAllocStr(reinterpret_cast<char*>(szAuthStr), pwdLength)))
        status = VX_ERROR;
    if (status == VX_SUCCESS)
        status = readFrameworkAttributes(nullptr);
    if (status == VX_SUCCESS)
        status = connectInit(nullptr);
    if (status == VX_SUCCESS)
        status = finishConnect();
    if (status != VX_SUCCESS) {
        (void)disconnectAndReset();
        return call.finish(SQL_ERROR);
    }
    return call.finish(SQL_SUCCESS);
}

// The completed connect string: the input's attributes plus the data-source
// name, user id and password the connection ended up with.
VxStatus BaseConnection::driverConnectString(VxValueParser& parser, VxString& out) {
    bool namedSource = parser.isAttributeValue("DSN") ||
                       (dataSourceName_ && std::strcmp(dataSourceName_, "Default") != 0);
    if (namedSource && dataSourceName_ && parser.addAttribute("DSN", dataSourceName_) != VX_SUCCESS)
        return VX_ERROR;
    if (userId_ && parser.addAttribute("UID", userId_, "LogonID") != VX_SUCCESS)
        return VX_ERROR;
    if (password_ && parser.addAttribute("PWD", password_, "Password") != VX_SUCCESS)
        return VX_ERROR;
    if (parser.buildString(out) != VX_SUCCESS)
        return VX_ERROR;
    if (getWorkArounds() & WA_DATABASE_KEYWORD)
        return replaceDbKeyword(out, parser.getSeparator());
    return VX_SUCCESS;
}

// There is no dialog: the driver completes the connection from the connect
// string and ODBC.INI whatever fDriverCompletion asks. A connection left
// unconnected without an error is reported as missing information rather
// than as a silent SQL_NO_DATA_FOUND.
SQLRETURN BaseConnection::SQLDriverConnect(SQLHWND hwnd, SQLCHAR* szConnStrIn,
                                           SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut,
                                           SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
                                           SQLUSMALLINT fDriverCompletion) {
    if (getShareCount() > 0)
        return SQL_SUCCESS;
    BaseConnectionCall call(*this, SQL_API_SQLDRIVERCONNECT);
    if (call.isBusy())
        return BASE_BUSY;
    if (isConnected()) {
        addOdbcError(ODBC_08002);
        return call.finish(SQL_ERROR);
    }
    std::size_t length;
    VxString text;
    if (baseInputLength(szConnStrIn, cbConnStrIn, &length) != VX_SUCCESS ||
        text.initialize(szConnStrIn ? reinterpret_cast<char*>(szConnStrIn) : "", length) !=
            VX_SUCCESS)
        return call.finish(SQL_ERROR);
    VxValueParser parser(VxSubString(text.getText(), length), ';');
    VxStatus status = parser.initialize();
    const VxSubString* dsn = status == VX_SUCCESS ? parser.getAttributeValue("DSN") : nullptr;
    char* name = nullptr;
    if (dsn && dsn->getCopyUnquoted(name) != VX_SUCCESS)
        status = VX_ERROR;
    if (status == VX_SUCCESS)
        status = setDataSourceName(name, name ? std::strlen(name) : 0);
    ramFree(name);
    ramFree(userId_);
    ramFree(password_);
    userId_ = password_ = nullptr;
    if (status == VX_SUCCESS)
        status = readFrameworkAttributes(&parser);
    if (status == VX_SUCCESS)
        status = connectInit(&parser);
    if (status == VX_SUCCESS) {
        (void)parser.getAttributeValue("DRIVER");
        if (parser.getUnusedCount() > 0)
            BaseReportUnusedConnectionAttrs(parser);
        status = connectLogonDialogStart(hwnd, fDriverCompletion, &parser);
    }
    if (status == VX_SUCCESS && !isConnected()) {
        if (!getErrorList().holdsError())
            addOdbcError(ODBC_S1000, 6013);
        status = VX_ERROR;
    }
    VxString out;
    if (status == VX_SUCCESS)
        status = driverConnectString(parser, out);
    if (status != VX_SUCCESS) {
        (void)disconnectAndReset();
        return call.finish(SQL_ERROR);
    }
    baseCopyOutString(out.getText(), out.length(), szConnStrOut, cbConnStrOutMax, pcbConnStrOut);
    return call.finish(SQL_SUCCESS);
}

// The buffered options are applied in the order they were set. Each is
// announced by warning IM006, which goes again when the option applies
// cleanly; when it does not, IM006 stays and the option's own errors stay
// with it as warnings, for the connection is open all the same.
VxStatus BaseConnection::applyBufferedOptions() {
    VxErrorList* list = VxErrorKeeper::getErrorList();
    for (std::size_t i = 0; i < bufferedOptionCount_; ++i) {
        std::uint32_t position = list ? list->getCount() : 0;
        VxError& announced = addOdbcWarning(ODBC_IM006);
        const BaseBufferedOption& option = bufferedOptions_[i];
        if (applyConnectOption(option.option, option.value) == VX_SUCCESS) {
            if (list && !announced.isStatic() && list->getErrorAtPos(position) == &announced) {
                list->unlink(&announced);
                VxError::release(&announced);
            }
        } else if (list) {
            list->setWarningAfterPos(position);
        }
    }
    deleteBufferedOptions();
    return VX_SUCCESS;
}

VxStatus BaseConnection::finishConnect() {
    if (connectLogon() != VX_SUCCESS)
        return VX_ERROR;
    return completeConnect();
}

VxStatus BaseConnection::completeConnect() {
    SQLUINTEGER isolation = 0;
    if (getInfo(SQL_DEFAULT_TXN_ISOLATION, &isolation, sizeof isolation) == VX_SUCCESS)
        txnIsolation_ = isolation;
    setFlag(CONN_CONNECTED, true);
    char dbms[BASE_RESOURCE_BUFFER];
    dbms[0] = 0;
    if (getInfo(SQL_DBMS_NAME, dbms, sizeof dbms) == VX_SUCCESS && dbms[0] &&
        setDbmsName(dbms) != VX_SUCCESS)
        return VX_ERROR;
    return applyBufferedOptions();
}

// Every statement back to the allocated state; stops at the first failure.
VxStatus BaseConnection::resetStatements() {
    for (std::uint32_t pos = 0;; ++pos) {
        BaseStatement* statement = getStatementAtPos(pos);
        if (!statement)
            return VX_SUCCESS;
        if (statement->returnToAllocatedState() != VX_SUCCESS)
            return VX_ERROR;
    }
}

VxStatus BaseConnection::disconnectAndReset() {
    if (resetStatements() != VX_SUCCESS || setToAllocatedState() != VX_SUCCESS)
        return VX_ERROR;
    setFlag(CONN_CONNECTED | CONN_IN_TRANSACTION | CONN_UID_FROM_INI | CONN_PWD_FROM_INI |
                CONN_QUIET_MODE,
            false);
    while (BaseStatement* statement = getStatementAtPos(0))
        delete statement;
    unloadTranslationLibrary();
    ramFree(dataSourceName_);
    ramFree(userId_);
    ramFree(password_);
    dataSourceName_ = userId_ = password_ = nullptr;
    (void)setDbmsName(nullptr);
    deleteBufferedOptions();
    freeBrowseState();
    accessMode_ = 0;
    autocommit_ = 1;
    loginTimeout_ = 15;
    translationOption_ = 0;
    (void)charset_.select(nullptr);
    charsetNamed_ = false;
    driverTranslates_ = false;
    quietModeWindow_ = nullptr;
    workArounds_.store(workArounds_.load() & SHARE_COUNT_MASK);
    return VX_SUCCESS;
}

SQLRETURN BaseConnection::SQLDisconnect() {
    BaseConnectionCall call(*this, SQL_API_SQLDISCONNECT);
    if (call.isBusy())
        return BASE_BUSY;
    if (getShareCount() > 0)
        return call.finish(SQL_SUCCESS);
    if (hasFlag(CONN_IN_TRANSACTION)) {
        addOdbcError(ODBC_25000);
        return call.finish(SQL_ERROR);
    }
    if (!isConnected() && hasFlag(CONN_NO_BROWSE)) {
        addOdbcError(ODBC_08003);
        return call.finish(SQL_ERROR);
    }
    return call.finish(baseReturnCode(disconnectAndReset()));
}
