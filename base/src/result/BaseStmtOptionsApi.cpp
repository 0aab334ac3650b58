// Statement options: SQLSetStmtOption, SQLGetStmtOption,
// SQLSetScrollOptions and the framework's setStmtOption / getStmtOption.
//
// A concurrency or cursor type the data source does not offer falls back
// along these chains, each change raising 01S02:
//   concurrency  lock -> row version -> values -> read-only
//                row version -> values -> read-only
//                values -> row version -> read-only
//   cursor type  dynamic -> keyset -> static -> forward-only
//                keyset -> static -> forward-only
//                static -> keyset (with StaticToKeyset) -> forward-only
#include <sqlext.h>

#include "BaseResultSide.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

namespace {

constexpr SQLULEN MAX_BIND_TYPE = 4294967295u;

SQLUINTEGER infoMask(BaseStatement& statement, unsigned short infoType) {
    SQLUINTEGER mask = 0;
    if (statement.getConnection().getInfo(infoType, &mask, sizeof mask) != VX_SUCCESS)
        return 0;
    return mask;
}

bool concurrencyOffered(SQLUINTEGER mask, SQLULEN value) {
    return value == SQL_CONCUR_READ_ONLY || (mask & (1u << (value - 1))) != 0;
}

SQLULEN fallBackConcurrency(SQLUINTEGER mask, SQLULEN value) {
    static const SQLULEN LOCK_CHAIN[] = {SQL_CONCUR_ROWVER, SQL_CONCUR_VALUES};
    static const SQLULEN ROWVER_CHAIN[] = {SQL_CONCUR_VALUES};
    static const SQLULEN VALUES_CHAIN[] = {SQL_CONCUR_ROWVER};
    const SQLULEN* chain = nullptr;
    std::size_t length = 0;
    if (value == SQL_CONCUR_LOCK) {
        chain = LOCK_CHAIN;
        length = 2;
    } else if (value == SQL_CONCUR_ROWVER) {
        chain = ROWVER_CHAIN;
        length = 1;
    } else if (value == SQL_CONCUR_VALUES) {
        chain = VALUES_CHAIN;
        length = 1;
    }
    for (std::size_t i = 0; i < length; ++i)
        if (concurrencyOffered(mask, chain[i]))
            return chain[i];
    return SQL_CONCUR_READ_ONLY;
}

SQLUINTEGER cursorBit(SQLULEN type) {
    switch (type) {
    case SQL_CURSOR_KEYSET_DRIVEN:
        return SQL_SO_KEYSET_DRIVEN;
    case SQL_CURSOR_DYNAMIC:
        return SQL_SO_DYNAMIC;
    case SQL_CURSOR_STATIC:
        return SQL_SO_STATIC;
    default:
        return SQL_SO_FORWARD_ONLY;
    }
}

SQLULEN fallBackCursorType(BaseStatement& statement, SQLUINTEGER mask, SQLULEN value) {
    bool keyset = (mask & SQL_SO_KEYSET_DRIVEN) != 0;
    bool isStatic = (mask & SQL_SO_STATIC) != 0;
    if (value == SQL_CURSOR_DYNAMIC)
        return keyset     ? SQL_CURSOR_KEYSET_DRIVEN
               : isStatic ? SQL_CURSOR_STATIC
                          : SQL_CURSOR_FORWARD_ONLY;
    if (value == SQL_CURSOR_KEYSET_DRIVEN)
        return isStatic ? SQL_CURSOR_STATIC : SQL_CURSOR_FORWARD_ONLY;
    if (value == SQL_CURSOR_STATIC && keyset &&
        statement.getConnection().hasFlag(BaseConnection::CONN_STATIC_TO_KEYSET))
        return SQL_CURSOR_KEYSET_DRIVEN;
    return SQL_CURSOR_FORWARD_ONLY;
}

bool optionSupported(BaseStatement& statement, unsigned short option) {
    BaseConnection& connection = statement.getConnection();
    switch (option) {
    case SQL_QUERY_TIMEOUT:
        return connection.hasFlag(BaseConnection::CONN_QUERY_TIMEOUT);
    case SQL_ASYNC_ENABLE:
        return connection.hasFlag(BaseConnection::CONN_ASYNC_EXECUTION);
    case SQL_SIMULATE_CURSOR:
        return connection.hasFlag(BaseConnection::CONN_POSITIONED_UPDATE) &&
               connection.hasFlag(BaseConnection::CONN_POSITIONED_DELETE);
    case SQL_USE_BOOKMARKS:
        return infoMask(statement, SQL_BOOKMARK_PERSISTENCE) != 0;
    default:
        return option < SQL_GET_BOOKMARK;
    }
}

// The value the statement can take for `option`: lowered or fallen back,
// with 01S02.
VxStatus adjustValue(BaseStatement& statement, unsigned short option, SQLULEN* value) {
    SQLULEN wanted = *value;
    if (option == SQL_BIND_TYPE && *value > MAX_BIND_TYPE) {
        *value = MAX_BIND_TYPE;
        addOdbcWarning(ODBC_01S02, 6067);
        return VX_SUCCESS;
    }
    if (option == SQL_CONCURRENCY) {
        if (*value < SQL_CONCUR_READ_ONLY || *value > SQL_CONCUR_VALUES) {
            addOdbcError(ODBC_S1009);
            return VX_ERROR;
        }
        SQLUINTEGER mask = infoMask(statement, SQL_SCROLL_CONCURRENCY);
        if (!concurrencyOffered(mask, *value))
            *value = fallBackConcurrency(mask, *value);
    } else if (option == SQL_CURSOR_TYPE) {
        if (*value > SQL_CURSOR_STATIC) {
            addOdbcError(ODBC_S1009);
            return VX_ERROR;
        }
        SQLUINTEGER mask = infoMask(statement, SQL_SCROLL_OPTIONS);
        if (*value != SQL_CURSOR_FORWARD_ONLY && !(mask & cursorBit(*value)))
            *value = fallBackCursorType(statement, mask, *value);
    } else if (option == SQL_ROWSET_SIZE && *value == 0) {
        addOdbcError(ODBC_S1009);
        return VX_ERROR;
    }
    if (*value != wanted)
        addOdbcWarning(ODBC_01S02);
    return VX_SUCCESS;
}

} // namespace

VxStatus BaseStatement::setStmtOption(unsigned short option, SQLULEN value) {
    if (!optionSupported(*this, option)) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    if (adjustValue(*this, option, &value) != VX_SUCCESS)
        return VX_ERROR;
    options_.set(option, value);
    return VX_SUCCESS;
}

VxStatus BaseStatement::getStmtOption(unsigned short option, void* value) {
    if (option == SQL_ROW_NUMBER || option == SQL_GET_BOOKMARK) {
        if (option == SQL_GET_BOOKMARK && options_.get(SQL_USE_BOOKMARKS) == SQL_UB_OFF) {
            addOdbcError(ODBC_S1C00);
            return VX_ERROR;
        }
        if (BaseResultSide::requireCursor(*this) != VX_SUCCESS)
            return VX_ERROR;
        if (result_.positionRow == 0 || result_.afterEnd) {
            addOdbcError(ODBC_S1109);
            return VX_ERROR;
        }
        *static_cast<SQLULEN*>(value) = result_.positionRow;
        return VX_SUCCESS;
    }
    if (option >= BaseStmtOptions::COUNT) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    *static_cast<SQLULEN*>(value) = options_.get(option);
    return VX_SUCCESS;
}

SQLRETURN BaseStatement::SQLSetStmtOption(SQLUSMALLINT fOption, SQLULEN vParam) {
    BaseStatementCall call(*this, SQL_API_SQLSETSTMTOPTION);
    if (call.isBusy())
        return BASE_BUSY;
    return call.finish(baseReturnCode(setStmtOption(fOption, vParam)));
}

SQLRETURN BaseStatement::SQLGetStmtOption(SQLUSMALLINT fOption, SQLPOINTER pvParam) {
    BaseStatementCall call(*this, SQL_API_SQLGETSTMTOPTION);
    if (call.isBusy())
        return BASE_BUSY;
    if (!pvParam) {
        addOdbcError(ODBC_S1009);
        return call.finish(SQL_ERROR);
    }
    return call.finish(baseReturnCode(getStmtOption(fOption, pvParam)));
}

// The keyset argument: a scroll constant names the cursor type, a
// positive number a keyset-driven cursor with that keyset size (at least
// the row-set size). Forward-only and dynamic cursors are taken only where
// the data source offers them.
SQLRETURN BaseStatement::SQLSetScrollOptions(SQLUSMALLINT fConcurrency, SQLLEN crowKeyset,
                                             SQLUSMALLINT crowRowset) {
    BaseStatementCall call(*this, SQL_API_SQLSETSCROLLOPTIONS);
    if (call.isBusy())
        return BASE_BUSY;
    if (crowRowset == 0 || (crowKeyset > 0 && crowKeyset < crowRowset)) {
        addOdbcError(crowRowset == 0 ? ODBC_S1009 : ODBC_S1107);
        return call.finish(SQL_ERROR);
    }
    SQLULEN cursorType = SQL_CURSOR_KEYSET_DRIVEN;
    if (crowKeyset == SQL_SCROLL_FORWARD_ONLY)
        cursorType = SQL_CURSOR_FORWARD_ONLY;
    else if (crowKeyset == SQL_SCROLL_DYNAMIC)
        cursorType = SQL_CURSOR_DYNAMIC;
    else if (crowKeyset == SQL_SCROLL_STATIC)
        cursorType = SQL_CURSOR_STATIC;
    else if (crowKeyset < 0 && crowKeyset != SQL_SCROLL_KEYSET_DRIVEN) {
        addOdbcError(ODBC_S1107);
        return call.finish(SQL_ERROR);
    }
    SQLUINTEGER mask = infoMask(*this, SQL_SCROLL_OPTIONS);
    if ((crowKeyset == SQL_SCROLL_FORWARD_ONLY || crowKeyset == SQL_SCROLL_DYNAMIC) &&
        !(mask & cursorBit(cursorType))) {
        addOdbcError(ODBC_S1C00);
        return call.finish(SQL_ERROR);
    }
    VxStatus status = setStmtOption(SQL_CONCURRENCY, fConcurrency);
    if (status == VX_SUCCESS)
        status = setStmtOption(SQL_CURSOR_TYPE, cursorType);
    if (status == VX_SUCCESS && crowKeyset > 0)
        status = setStmtOption(SQL_KEYSET_SIZE, static_cast<SQLULEN>(crowKeyset));
    if (status == VX_SUCCESS)
        status = setStmtOption(SQL_ROWSET_SIZE, crowRowset);
    return call.finish(baseReturnCode(status));
}
