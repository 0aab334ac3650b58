// Connection options (SQLSetConnectOption, SQLGetConnectOption and their
// overridable hooks), the buffered options, and SQLTransact.
//
// Before the connection opens, options other than the login timeout are
// only recorded (string options as the connection's own copy of the text)
// and applied by finishConnect; once open they are applied at once.
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseStatement.h"
#include "util/ram.h"

namespace {

// Connection option that sets or clears ModifySql.
constexpr unsigned short OPTION_MODIFY_SQL = 1043;
// WorkArounds bit 0: a cursor behaviour of delete only closes statements.
constexpr std::uint32_t WA_KEEP_PREPARED = 1;
constexpr SQLULEN MAX_BIND_TYPE = 4294967295u;

bool isStringOption(unsigned short option) {
    return option == SQL_OPT_TRACEFILE || option == SQL_TRANSLATE_DLL ||
           option == SQL_CURRENT_QUALIFIER;
}

VxStatus notCapable() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

} // namespace

VxStatus BaseConnection::storeBufferedOption(std::uint16_t option, SQLULEN value) {
    char* text = nullptr;
    if (isStringOption(option) && value) {
        if (!(text = ramAllocStr(reinterpret_cast<const char*>(value))))
            return VX_ERROR;
        value = reinterpret_cast<SQLULEN>(text);
    }
    if (addBufferedOption(option, value) != VX_SUCCESS) {
        ramFree(text);
        return VX_ERROR;
    }
    bufferedOptions_[bufferedOptionCount_ - 1].text = text;
    return VX_SUCCESS;
}

SQLRETURN BaseConnection::SQLSetConnectOption(SQLUSMALLINT fOption, SQLULEN vParam) {
    bool wide = fOption == SQL_AUTOCOMMIT || fOption == SQL_TXN_ISOLATION ||
                fOption == SQL_CURRENT_QUALIFIER;
    BaseConnectionCall call(*this, SQL_API_SQLSETCONNECTOPTION,
                            wide ? THREAD_CHECK_CONNECTION_WIDE : THREAD_CHECK_CONNECTION);
    if (call.isBusy())
        return BASE_BUSY;
    VxStatus status = isConnected() || fOption == SQL_LOGIN_TIMEOUT
                          ? applyConnectOption(fOption, vParam)
                          : storeBufferedOption(fOption, vParam);
    return call.finish(baseReturnCode(status));
}

VxStatus BaseConnection::applyConnectOption(unsigned short option, SQLULEN value) {
    if (option == SQL_AUTOCOMMIT) {
        if (value == autocommit_)
            return VX_SUCCESS;
        SQLUSMALLINT capable = 1;
        if (getInfo(SQL_TXN_CAPABLE, &capable, sizeof capable) == VX_SUCCESS && capable == 0)
            return notCapable();
        if (hasFlag(CONN_IN_TRANSACTION)) {
            if (endTransaction(SQL_COMMIT) != VX_SUCCESS)
                return VX_ERROR;
            setFlag(CONN_IN_TRANSACTION, false);
            addOdbcWarning(ODBC_01000, 6048);
        }
    } else if (option == SQL_TXN_ISOLATION) {
        SQLUINTEGER supported = 0;
        if (getInfo(SQL_TXN_ISOLATION_OPTION, &supported, sizeof supported) != VX_SUCCESS ||
            value == 0 || (value & ~static_cast<SQLULEN>(supported)) != 0)
            return notCapable();
        if (hasFlag(CONN_IN_TRANSACTION)) {
            addOdbcError(ODBC_S1011);
            return VX_ERROR;
        }
    }
    return setConnectOption(option, value);
}

// A statement option set for the whole connection: the default of new
// statements and the value of every existing one.
VxStatus BaseConnection::setStatementOptionForAll(unsigned short option, SQLULEN value) {
    bool supported = true;
    switch (option) {
    case SQL_QUERY_TIMEOUT:
        supported = hasFlag(CONN_QUERY_TIMEOUT);
        break;
    case SQL_ASYNC_ENABLE:
        supported = hasFlag(CONN_ASYNC_EXECUTION);
        break;
    case SQL_SIMULATE_CURSOR:
        supported = hasFlag(CONN_POSITIONED_UPDATE) && hasFlag(CONN_POSITIONED_DELETE);
        break;
    case SQL_USE_BOOKMARKS: {
        SQLUINTEGER persistence = 0;
        supported =
            getInfo(SQL_BOOKMARK_PERSISTENCE, &persistence, sizeof persistence) == VX_SUCCESS &&
            persistence != 0;
        break;
    }
    case SQL_GET_BOOKMARK:
    case SQL_ROW_NUMBER:
        supported = false;
        break;
    default:
        break;
    }
    if (!supported)
        return notCapable();
    if (option == SQL_BIND_TYPE && value > MAX_BIND_TYPE) {
        value = MAX_BIND_TYPE;
        addOdbcWarning(ODBC_01S02, 6067);
    }
    stmtOptions_.set(option, value);
    for (std::uint32_t pos = 0;; ++pos) {
        BaseStatement* statement = getStatementAtPos(pos);
        if (!statement)
            return VX_SUCCESS;
        if (statement->setStmtOption(option, value) != VX_SUCCESS)
            return VX_ERROR;
    }
}

VxStatus BaseConnection::setConnectOption(unsigned short option, SQLULEN value) {
    if (option < BaseStmtOptions::COUNT)
        return setStatementOptionForAll(option, value);
    switch (option) {
    case SQL_ACCESS_MODE:
        accessMode_ = value;
        return VX_SUCCESS;
    case SQL_AUTOCOMMIT:
        autocommit_ = value;
        return VX_SUCCESS;
    case SQL_LOGIN_TIMEOUT:
        if (!hasFlag(CONN_LOGIN_TIMEOUT))
            return notCapable();
        loginTimeout_ = value;
        return VX_SUCCESS;
    case SQL_TRANSLATE_DLL:
        return loadTranslationLibrary(reinterpret_cast<const char*>(value));
    case SQL_TRANSLATE_OPTION:
        translationOption_ = value;
        return VX_SUCCESS;
    case SQL_TXN_ISOLATION:
        txnIsolation_ = value;
        return VX_SUCCESS;
    case SQL_QUIET_MODE:
        quietModeWindow_ = reinterpret_cast<SQLHWND>(value);
        setFlag(CONN_QUIET_MODE, value == 0);
        return VX_SUCCESS;
    case OPTION_MODIFY_SQL:
        setFlag(CONN_MODIFY_SQL, value != 0);
        return VX_SUCCESS;
    default:
        return notCapable();
    }
}

SQLRETURN BaseConnection::SQLGetConnectOption(SQLUSMALLINT fOption, SQLPOINTER pvParam) {
    BaseConnectionCall call(*this, SQL_API_SQLGETCONNECTOPTION);
    if (call.isBusy())
        return BASE_BUSY;
    if (!pvParam) {
        addOdbcError(ODBC_S1009);
        return call.finish(SQL_ERROR);
    }
    return call.finish(baseReturnCode(getConnectOption(fOption, pvParam)));
}

// Integer options are returned as 32-bit values (the width applications
// pass for them); the quiet-mode window as a pointer; the translation
// library as its path, at most 256 bytes with the terminator.
VxStatus BaseConnection::getConnectOption(unsigned short option, void* value) {
    SQLULEN number = 0;
    switch (option) {
    case SQL_ACCESS_MODE:
        number = accessMode_;
        break;
    case SQL_AUTOCOMMIT:
        number = autocommit_;
        break;
    case SQL_LOGIN_TIMEOUT:
        if (!hasFlag(CONN_LOGIN_TIMEOUT))
            return notCapable();
        number = loginTimeout_;
        break;
    case SQL_TRANSLATE_OPTION:
        number = translationOption_;
        break;
    case SQL_TXN_ISOLATION:
        number = txnIsolation_;
        break;
    case OPTION_MODIFY_SQL:
        number = hasFlag(CONN_MODIFY_SQL) ? 1 : 0;
        break;
    case SQL_QUIET_MODE:
        *static_cast<SQLHWND*>(value) = quietModeWindow_;
        return VX_SUCCESS;
    case SQL_TRANSLATE_DLL: {
        const char* path = getTranslationLibraryPath();
        std::size_t length = std::strlen(path);
        length =
            length > SQL_MAX_OPTION_STRING_LENGTH - 1 ? SQL_MAX_OPTION_STRING_LENGTH - 1 : length;
        std::memcpy(value, path, length);
        static_cast<char*>(value)[length] = 0;
        return VX_SUCCESS;
    }
    default:
        return notCapable();
    }
    *static_cast<SQLUINTEGER*>(value) = static_cast<SQLUINTEGER>(number);
    return VX_SUCCESS;
}

VxStatus BaseConnection::beginTransactionIfNeeded() {
    if (autocommit_ != 0 || hasFlag(CONN_IN_TRANSACTION))
        return VX_SUCCESS;
    if (startTransaction() != VX_SUCCESS)
        return VX_ERROR;
    setFlag(CONN_IN_TRANSACTION, true);
    return VX_SUCCESS;
}

// Commit or rollback, then each statement as the cursor behaviour asks:
// delete drops its plan (or, with WorkArounds bit 0, only closes it and
// marks it), close closes its cursor, preserve leaves it alone.
SQLRETURN BaseConnection::SQLTransact(SQLUSMALLINT fType) {
    BaseConnectionCall call(*this, SQL_API_SQLTRANSACT, THREAD_CHECK_CONNECTION_WIDE);
    if (call.isBusy())
        return BASE_BUSY;
    if (fType != SQL_COMMIT && fType != SQL_ROLLBACK) {
        addOdbcError(ODBC_S1012);
        return call.finish(SQL_ERROR);
    }
    if (autocommit_ != 0 || !hasFlag(CONN_IN_TRANSACTION))
        return call.finish(SQL_SUCCESS);
    SQLUSMALLINT behaviour = SQL_CB_PRESERVE;
    (void)getInfo(fType == SQL_COMMIT ? SQL_CURSOR_COMMIT_BEHAVIOR : SQL_CURSOR_ROLLBACK_BEHAVIOR,
                  &behaviour, sizeof behaviour);
    if (endTransaction(fType) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    setFlag(CONN_IN_TRANSACTION, false);
    bool failed = false;
    for (std::uint32_t pos = 0; behaviour != SQL_CB_PRESERVE; ++pos) {
        BaseStatement* statement = getStatementAtPos(pos);
        if (!statement)
            break;
        if (statement->getState() == BaseStatement::STMT_ALLOCATED)
            continue;
        VxStatus status;
        if (behaviour == SQL_CB_DELETE && !(getWorkArounds() & WA_KEEP_PREPARED)) {
            status = statement->returnToAllocatedState();
        } else {
            status = statement->closeCursor();
            if (behaviour == SQL_CB_DELETE) {
                statement->setFlag(BaseStatement::STMT_CLOSED_BY_TRANSACTION, true);
                statement->setState(BaseStatement::STMT_PREPARED);
            }
        }
        failed |= status != VX_SUCCESS;
    }
    return call.finish(failed ? SQL_ERROR : SQL_SUCCESS);
}
