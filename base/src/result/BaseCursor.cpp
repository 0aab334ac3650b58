// Opening and closing result sets: enterExecutedState, SQLRowCount,
// SQLMoreResults, and cursor names (SQLSetCursorName, SQLGetCursorName,
// generated names).
#include <sqlext.h>

#include <cstdio>
#include <cstring>
#include <strings.h>

#include <utility>

#include "handle/BaseHandleLock.h"
#include "BaseResultSide.h"
#include "base/BaseCatalogResult.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseOutString.h"
#include "util/ram.h"

namespace {

// WorkArounds bit 3: an unknown row count is reported as 1.
constexpr std::uint32_t WA_UNKNOWN_ROW_COUNT_IS_ONE = 8;
constexpr std::size_t MAX_CURSOR_NAME = 18;

// True when another statement of the connection has the name. The caller
// holds the cursor-name mutex: statements of one connection may run calls on
// several threads at once, and each reads the names of the others.
bool nameTaken(BaseStatement& statement, const char* name, std::size_t length) {
    BaseConnection& connection = statement.getConnection();
    for (std::uint32_t pos = 0;; ++pos) {
        BaseStatement* other = connection.getStatementAtPos(pos);
        if (!other)
            return false;
        const char* otherName = other->getCursorName();
        if (other != &statement && otherName && std::strlen(otherName) == length &&
            strncasecmp(otherName, name, length) == 0)
            return true;
    }
}

} // namespace

VxStatus BaseStatement::enterExecutedState() {
    std::uint16_t count = 0;
    if (BaseResultSide::servesCatalog(*this)) {
        if (BaseResultSide::ensureCatalogFields(*this) != VX_SUCCESS)
            return VX_ERROR;
    } else if (calcNumResultCols() != VX_SUCCESS) {
        return VX_ERROR;
    }
    count = resultColumnCount_;
    result_.reset();
    if (count == 0) {
        state_ = STMT_EXECUTED;
        return VX_SUCCESS;
    }
    state_ = STMT_CURSOR_OPEN;
    return generateCursorName();
}

// "SQL_CUR" and the four low bytes of the handle, lowest first, in
// hexadecimal; a name another statement of the connection already has is
// stepped on until it is free.
VxStatus BaseStatement::generateCursorName() {
    std::lock_guard<std::mutex> lock(baseCursorNameMutex());
    if (cursorName_)
        return VX_SUCCESS;
    auto bits = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this));
    char name[MAX_CURSOR_NAME + 1];
    for (std::uint32_t step = 0;; ++step) {
        std::uint32_t value = bits + step;
        std::snprintf(name, sizeof name, "SQL_CUR%02X%02X%02X%02X", value & 0xFFu,
                      (value >> 8) & 0xFFu, (value >> 16) & 0xFFu, (value >> 24) & 0xFFu);
        if (!nameTaken(*this, name, std::strlen(name)))
            break;
    }
    if (!(cursorName_ = ramAllocStr(name)))
        return VX_ERROR;
    return VX_SUCCESS;
}

SQLRETURN BaseStatement::SQLSetCursorName(SQLCHAR* szCursor, SQLSMALLINT cbCursor) {
    BaseStatementCall call(*this, SQL_API_SQLSETCURSORNAME);
    if (call.isBusy())
        return BASE_BUSY;
    if (!szCursor) {
        addOdbcError(ODBC_S1009);
        return call.finish(SQL_ERROR);
    }
    if (cbCursor <= 0 && cbCursor != SQL_NTS) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    const char* text = reinterpret_cast<const char*>(szCursor);
    std::size_t length =
        cbCursor == SQL_NTS ? std::strlen(text) : static_cast<std::size_t>(cbCursor);
    if (length == 0) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    if (length > MAX_CURSOR_NAME) {
        addOdbcError(ODBC_34000);
        return call.finish(SQL_ERROR);
    }
    char* copy = ramAllocStr(text, length);
    if (!copy)
        return call.finish(SQL_ERROR);
    bool taken;
    {
        std::lock_guard<std::mutex> lock(baseCursorNameMutex());
        taken = nameTaken(*this, text, length);
        if (!taken)
            std::swap(copy, cursorName_);
    }
    ramFree(copy);
    if (taken) {
        addOdbcError(ODBC_3C000);
        return call.finish(SQL_ERROR);
    }
    return call.finish(SQL_SUCCESS);
}

SQLRETURN BaseStatement::SQLGetCursorName(SQLCHAR* szCursor, SQLSMALLINT cbCursorMax,
                                          SQLSMALLINT* pcbCursor) {
    BaseStatementCall call(*this, SQL_API_SQLGETCURSORNAME);
    if (call.isBusy())
        return BASE_BUSY;
    if (!cursorName_) {
        addOdbcError(ODBC_S1015);
        return call.finish(SQL_ERROR);
    }
    if (cbCursorMax < 0) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    BaseOutString out(szCursor, cbCursorMax, pcbCursor);
    return call.finish(baseReturnCode(out.setStrValue(cursorName_)));
}

SQLRETURN BaseStatement::SQLRowCount(SQLLEN* pcrow) {
    BaseStatementCall call(*this, SQL_API_SQLROWCOUNT);
    if (call.isBusy())
        return BASE_BUSY;
    SQLLEN count = -1;
    if (BaseResultSide::servesCatalog(*this)) {
        count = catalogResult_->getRowCount();
    } else if (state_ == STMT_CURSOR_OPEN) {
        count = -1;
    } else if (state_ == STMT_EXECUTED) {
        count = accumulatedRowCount_;
        if (count == -1 && (connection_->getWorkArounds() & WA_UNKNOWN_ROW_COUNT_IS_ONE))
            count = 1;
    } else {
        addOdbcError(ODBC_S1010);
        return call.finish(SQL_ERROR);
    }
    if (pcrow)
        *pcrow = count;
    return call.finish(SQL_SUCCESS);
}

SQLRETURN BaseStatement::SQLMoreResults() {
    BaseStatementCall call(*this, SQL_API_SQLMORERESULTS);
    if (call.isBusy())
        return BASE_BUSY;
    if (state_ != STMT_EXECUTED && state_ != STMT_CURSOR_OPEN)
        return call.finish(SQL_NO_DATA_FOUND);
    unsigned short noMore = 1;
    if (!BaseResultSide::servesCatalog(*this) && moreResults(&noMore) != VX_SUCCESS)
        return call.finish(SQL_ERROR);
    if (noMore) {
        if (closeCursor() != VX_SUCCESS)
            return call.finish(SQL_ERROR);
        return call.finish(SQL_NO_DATA_FOUND);
    }
    return call.finish(baseReturnCode(enterExecutedState()));
}
