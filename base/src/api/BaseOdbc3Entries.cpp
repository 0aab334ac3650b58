// The ODBC 3 entry points a driver manager needs to treat the driver as an
// ODBC 3 driver, so that it hands Unicode (SQL_C_WCHAR) requests to the
// driver unchanged instead of narrowing them itself. Each maps onto the
// ODBC 2 functions: handles onto SQLAlloc*/SQLFree*, attributes onto
// connection and statement options, SQLFetch's row array and
// SQLFetchScroll onto SQLExtendedFetch, SQLEndTran onto SQLTransact,
// SQLColAttribute onto SQLColAttributes. Descriptors are not offered.
//
// These sources are compiled into every driver library (never into the
// framework library).
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cstring>
#include <string>

#include "base/BaseConnection.h"
#include "base/BaseDriver.h"
#include "base/BaseEnv.h"
#include "base/BaseErrors.h"
#include "BaseOdbc3.h"
#include "base/BaseStatement.h"
#include "base/BaseWideText.h"
#include "util/VxExport.h"

namespace {

BaseStatement& statementOf(SQLHSTMT hstmt) {
    return *static_cast<BaseStatement*>(hstmt);
}

bool isOdbc3(BaseStatement& statement) {
    return statement.getConnection().getEnv().isOdbc3();
}

// A statement call that only raises `odbcId` and fails.
SQLRETURN statementFailure(BaseStatement& statement, unsigned short api, unsigned short odbcId) {
    BaseStatementCall call(statement, api);
    if (call.isBusy())
        return BASE_BUSY;
    addOdbcError(odbcId);
    return call.finish(SQL_ERROR);
}

SQLRETURN statementSuccess(BaseStatement& statement, unsigned short api) {
    BaseStatementCall call(statement, api);
    if (call.isBusy())
        return BASE_BUSY;
    return call.finish(SQL_SUCCESS);
}

// SQLFetch with a row array, and SQLFetchScroll: SQLExtendedFetch over the
// row array, which stands for the row set during the call.
SQLRETURN fetchRowArray(BaseStatement& statement, SQLUSMALLINT orientation, SQLLEN offset) {
    BaseStatement::RowArray& rows = statement.getRowArray();
    BaseStmtOptions& options = statement.getOptions();
    SQLULEN rowsetSize = options.get(SQL_ROWSET_SIZE);
    options.set(SQL_ROWSET_SIZE, rows.size);
    SQLRETURN rc = statement.SQLExtendedFetch(orientation, offset, rows.fetched, rows.status);
    options.set(SQL_ROWSET_SIZE, rowsetSize);
    return rc;
}

bool isStringConnectAttr(SQLINTEGER attribute) {
    return attribute == SQL_ATTR_CURRENT_CATALOG || attribute == SQL_ATTR_TRACEFILE ||
           attribute == SQL_ATTR_TRANSLATE_LIB;
}

// The ODBC 2 connect and statement options take SQLUSMALLINT numbers.
bool isOptionNumber(SQLINTEGER attribute) {
    return attribute >= 0 && attribute <= 65535;
}

// Not a SQLColAttributes number: SQL_DESC_UNNAMED, answered from the name.
constexpr SQLUSMALLINT UNNAMED_FROM_NAME = 0xFFFF;

// SQLColAttribute's ODBC 3 field ids, as SQLColAttributes numbers them.
SQLUSMALLINT columnAttributeOf(SQLUSMALLINT field) {
    switch (field) {
    case SQL_DESC_COUNT:
        return SQL_COLUMN_COUNT;
    case SQL_DESC_TYPE:
        return SQL_COLUMN_TYPE;
    case SQL_DESC_LENGTH:
    case SQL_DESC_OCTET_LENGTH:
        return SQL_COLUMN_LENGTH;
    case SQL_DESC_PRECISION:
        return SQL_COLUMN_PRECISION;
    case SQL_DESC_SCALE:
        return SQL_COLUMN_SCALE;
    case SQL_DESC_NULLABLE:
        return SQL_COLUMN_NULLABLE;
    case SQL_DESC_NAME:
        return SQL_COLUMN_NAME;
    case SQL_DESC_UNNAMED:
        return UNNAMED_FROM_NAME;
    default:
        return field;
    }
}

// The type codes an ODBC 3 application receives for dates and times.
SQLLEN odbc3TypeOf(SQLLEN type) {
    switch (type) {
    case SQL_DATE:
        return SQL_TYPE_DATE;
    case SQL_TIME:
        return SQL_TYPE_TIME;
    case SQL_TIMESTAMP:
        return SQL_TYPE_TIMESTAMP;
    default:
        return type;
    }
}

SQLRETURN colAttribute(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT field, SQLPOINTER text,
                       SQLSMALLINT textMax, SQLSMALLINT* textLength, SQLLEN* number, bool wide) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseStatement& statement = statementOf(hstmt);
    SQLUSMALLINT descType = columnAttributeOf(field);
    if (descType == UNNAMED_FROM_NAME) {
        // Unnamed when the name is empty.
        SQLCHAR name[2] = {0};
        SQLSMALLINT length = 0;
        SQLRETURN rc =
            statement.SQLColAttributes(icol, SQL_COLUMN_NAME, name, sizeof name, &length, nullptr);
        if ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && number)
            *number = length == 0 ? SQL_UNNAMED : SQL_NAMED;
        return rc == SQL_SUCCESS_WITH_INFO ? SQL_SUCCESS : rc;
    }
    SQLRETURN rc =
        wide ? SQLColAttributesW(hstmt, icol, descType, text, textMax, textLength, number)
             : statement.SQLColAttributes(icol, descType, text, textMax, textLength, number);
    if ((rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && number &&
        (field == SQL_DESC_CONCISE_TYPE || field == SQL_DESC_TYPE) && isOdbc3(statement))
        *number = field == SQL_DESC_TYPE && odbc3TypeOf(*number) != *number ? SQL_DATETIME
                                                                            : odbc3TypeOf(*number);
    return rc;
}

SQLRETURN setConnectAttr(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER length,
                         bool wide) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    if (!isOptionNumber(attribute)) {
        BaseConnectionCall call(*connection, SQL_API_SQLSETCONNECTATTR);
        if (call.isBusy())
            return BASE_BUSY;
        addOdbcError(ODBC_S1092);
        return call.finish(SQL_ERROR);
    }
    auto option = static_cast<SQLUSMALLINT>(attribute);
    if (!isStringConnectAttr(attribute) || !value || length == SQL_NTS) {
        auto number = reinterpret_cast<SQLULEN>(value);
        return wide ? SQLSetConnectOptionW(hdbc, option, number)
                    : connection->SQLSetConnectOption(option, number);
    }
    // A string of counted length: the options take it terminated.
    if (length < 0)
        length = 0;
    if (wide) {
        std::string text(static_cast<const char*>(value),
                         static_cast<std::size_t>(length) / baseWideUnit() * baseWideUnit());
        text.append(baseWideUnit(), '\0');
        return SQLSetConnectOptionW(hdbc, option, reinterpret_cast<SQLULEN>(text.c_str()));
    }
    std::string text(static_cast<const char*>(value), static_cast<std::size_t>(length));
    return connection->SQLSetConnectOption(option, reinterpret_cast<SQLULEN>(text.c_str()));
}

// String options come back terminated in a buffer of SQL_MAX_OPTION_STRING_LENGTH
// characters at least; they are copied into the application's buffer of
// `size` bytes, cut with 01004.
SQLRETURN getConnectAttr(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER size,
                         SQLINTEGER* length, bool wide) {
    if (!hdbc)
        return SQL_INVALID_HANDLE;
    auto* connection = static_cast<BaseConnection*>(hdbc);
    if (!isOptionNumber(attribute)) {
        BaseConnectionCall call(*connection, SQL_API_SQLGETCONNECTATTR);
        if (call.isBusy())
            return BASE_BUSY;
        addOdbcError(ODBC_S1092);
        return call.finish(SQL_ERROR);
    }
    auto option = static_cast<SQLUSMALLINT>(attribute);
    if (!isStringConnectAttr(attribute)) {
        SQLULEN number = 0;
        SQLRETURN rc = wide ? SQLGetConnectOptionW(hdbc, option, &number)
                            : connection->SQLGetConnectOption(option, &number);
        if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
            // The 32-bit attributes are SQLUINTEGER; the others pointer-sized.
            if (value && option != SQL_ATTR_QUIET_MODE)
                *static_cast<SQLUINTEGER*>(value) = static_cast<SQLUINTEGER>(number);
            else if (value)
                *static_cast<SQLULEN*>(value) = number;
            if (length)
                *length = option == SQL_ATTR_QUIET_MODE ? sizeof(SQLULEN) : sizeof(SQLUINTEGER);
        }
        return rc;
    }
    constexpr std::size_t UNITS = 4 * SQL_MAX_OPTION_STRING_LENGTH;
    std::size_t unit = wide ? baseWideUnit() : 1;
    std::string buffer(UNITS * unit + unit, '\0');
    SQLRETURN rc = wide ? SQLGetConnectOptionW(hdbc, option, buffer.data())
                        : connection->SQLGetConnectOption(option, buffer.data());
    if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO)
        return rc;
    std::size_t bytes = 0;
    while (bytes + unit <= buffer.size() &&
           std::memcmp(buffer.data() + bytes, "\0\0\0\0", unit) != 0)
        bytes += unit;
    if (length)
        *length = static_cast<SQLINTEGER>(bytes);
    if (!value || size <= 0)
        return rc;
    std::size_t room = static_cast<std::size_t>(size) / unit * unit;
    std::size_t copied = 0;
    if (room >= unit) {
        copied = bytes < room ? bytes : room - unit;
        std::memcpy(value, buffer.data(), copied);
        std::memset(static_cast<char*>(value) + copied, 0, unit);
    }
    if (copied == bytes)
        return rc;
    BaseConnectionCall call(*connection, SQL_API_SQLGETCONNECTATTR);
    if (call.isBusy())
        return BASE_BUSY;
    addOdbcWarning(ODBC_01004);
    return call.finish(SQL_SUCCESS);
}

SQLRETURN setStmtAttr(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseStatement& statement = statementOf(hstmt);
    BaseStatement::RowArray& rows = statement.getRowArray();
    auto number = reinterpret_cast<SQLULEN>(value);
    switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
        if (number == 0)
            return statementFailure(statement, SQL_API_SQLSETSTMTATTR, ODBC_S1009);
        rows.size = number;
        return statementSuccess(statement, SQL_API_SQLSETSTMTATTR);
    case SQL_ATTR_ROW_STATUS_PTR:
        rows.status = static_cast<SQLUSMALLINT*>(value);
        return statementSuccess(statement, SQL_API_SQLSETSTMTATTR);
    case SQL_ATTR_ROWS_FETCHED_PTR:
        rows.fetched = static_cast<SQLULEN*>(value);
        return statementSuccess(statement, SQL_API_SQLSETSTMTATTR);
    case SQL_ATTR_PARAMSET_SIZE:
        return statement.SQLParamOptions(number, statement.getParamsProcessed());
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
        return statement.SQLParamOptions(statement.getParamRows(), static_cast<SQLULEN*>(value));
    case SQL_ATTR_PARAM_BIND_TYPE:
    case SQL_ATTR_PARAM_STATUS_PTR:
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
    case SQL_ATTR_FETCH_BOOKMARK_PTR:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ENABLE_AUTO_IPD:
        // Only the values that change nothing.
        if (number == 0)
            return statementSuccess(statement, SQL_API_SQLSETSTMTATTR);
        return statementFailure(statement, SQL_API_SQLSETSTMTATTR, ODBC_S1C00);
    case SQL_ATTR_CURSOR_SCROLLABLE:
        return statement.SQLSetStmtOption(SQL_CURSOR_TYPE, number == SQL_NONSCROLLABLE
                                                               ? SQL_CURSOR_FORWARD_ONLY
                                                               : SQL_CURSOR_STATIC);
    case SQL_ATTR_CURSOR_SENSITIVITY:
        if (number == SQL_UNSPECIFIED || number == SQL_INSENSITIVE)
            return statementSuccess(statement, SQL_API_SQLSETSTMTATTR);
        return statementFailure(statement, SQL_API_SQLSETSTMTATTR, ODBC_S1C00);
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC:
        return statementFailure(statement, SQL_API_SQLSETSTMTATTR, ODBC_S1C00);
    default:
        if (!isOptionNumber(attribute))
            return statementFailure(statement, SQL_API_SQLSETSTMTATTR, ODBC_S1092);
        return statement.SQLSetStmtOption(static_cast<SQLUSMALLINT>(attribute), number);
    }
}

SQLRETURN getStmtAttr(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value, SQLINTEGER* length) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    BaseStatement& statement = statementOf(hstmt);
    BaseStatement::RowArray& rows = statement.getRowArray();
    SQLULEN number = 0;
    void* pointer = nullptr;
    bool isPointer = false;
    switch (attribute) {
    case SQL_ATTR_ROW_ARRAY_SIZE:
        number = rows.size;
        break;
    case SQL_ATTR_ROW_STATUS_PTR:
        pointer = rows.status;
        isPointer = true;
        break;
    case SQL_ATTR_ROWS_FETCHED_PTR:
        pointer = rows.fetched;
        isPointer = true;
        break;
    case SQL_ATTR_PARAMSET_SIZE:
        number = statement.getParamRows();
        break;
    case SQL_ATTR_PARAMS_PROCESSED_PTR:
        pointer = statement.getParamsProcessed();
        isPointer = true;
        break;
    case SQL_ATTR_PARAM_STATUS_PTR:
    case SQL_ATTR_PARAM_BIND_OFFSET_PTR:
    case SQL_ATTR_ROW_BIND_OFFSET_PTR:
    case SQL_ATTR_FETCH_BOOKMARK_PTR:
        isPointer = true;
        break;
    case SQL_ATTR_PARAM_BIND_TYPE:
    case SQL_ATTR_METADATA_ID:
    case SQL_ATTR_ENABLE_AUTO_IPD:
        break;
    case SQL_ATTR_CURSOR_SENSITIVITY:
        number = SQL_UNSPECIFIED;
        break;
    case SQL_ATTR_CURSOR_SCROLLABLE:
        number = statement.getOptions().get(SQL_CURSOR_TYPE) == SQL_CURSOR_FORWARD_ONLY
                     ? SQL_NONSCROLLABLE
                     : SQL_SCROLLABLE;
        break;
    case SQL_ATTR_APP_ROW_DESC:
    case SQL_ATTR_APP_PARAM_DESC:
    case SQL_ATTR_IMP_ROW_DESC:
    case SQL_ATTR_IMP_PARAM_DESC:
        // iODBC asks an ODBC 3 driver for a statement's four descriptors
        // when it allocates the statement, and fails the allocation without
        // them. It is given four distinct handles that stand for them; no
        // function of the driver takes a descriptor, so none is ever used.
        if (!baseUnderIodbc())
            return statementFailure(statement, SQL_API_SQLGETSTMTATTR, ODBC_S1C00);
        pointer = reinterpret_cast<char*>(&rows) + (attribute - SQL_ATTR_APP_ROW_DESC);
        isPointer = true;
        break;
    default: {
        if (!isOptionNumber(attribute))
            return statementFailure(statement, SQL_API_SQLGETSTMTATTR, ODBC_S1092);
        SQLRETURN rc = statement.SQLGetStmtOption(static_cast<SQLUSMALLINT>(attribute), value);
        if (length && (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO))
            *length = sizeof(SQLULEN);
        return rc;
    }
    }
    if (!value)
        return statementFailure(statement, SQL_API_SQLGETSTMTATTR, ODBC_S1009);
    if (isPointer)
        *static_cast<void**>(value) = pointer;
    else
        *static_cast<SQLULEN*>(value) = number;
    if (length)
        *length = isPointer ? sizeof(void*) : sizeof(SQLULEN);
    return statementSuccess(statement, SQL_API_SQLGETSTMTATTR);
}

SQLRETURN envFailure(BaseEnv& env, unsigned short odbcId) {
    BaseEnvCall call(env);
    if (call.isBusy())
        return BASE_BUSY;
    addOdbcError(odbcId);
    return call.finish(SQL_ERROR);
}

} // namespace

extern "C" {

VX_EXPORT SQLRETURN SQL_API SQLAllocHandle(SQLSMALLINT type, SQLHANDLE input, SQLHANDLE* output) {
    switch (type) {
    case SQL_HANDLE_ENV:
        if (!output)
            return SQL_ERROR;
        baseNoteEnvCaller(__builtin_return_address(0));
        return baseGetDriver().allocEnv(output);
    case SQL_HANDLE_DBC:
        if (!input)
            return SQL_INVALID_HANDLE;
        if (!output)
            return SQL_ERROR;
        return baseGetDriver().allocConnect(input, output);
    case SQL_HANDLE_STMT:
        if (!input)
            return SQL_INVALID_HANDLE;
        if (!output)
            return SQL_ERROR;
        return baseGetDriver().allocStmt(input, output);
    default:
        return SQL_ERROR;
    }
}

VX_EXPORT SQLRETURN SQL_API SQLFreeHandle(SQLSMALLINT type, SQLHANDLE handle) {
    if (!handle)
        return SQL_INVALID_HANDLE;
    switch (type) {
    case SQL_HANDLE_ENV:
        return baseGetDriver().freeEnv(handle);
    case SQL_HANDLE_DBC:
        return baseGetDriver().freeConnect(handle);
    case SQL_HANDLE_STMT:
        return statementOf(handle).SQLFreeStmt(SQL_DROP);
    default:
        return SQL_INVALID_HANDLE;
    }
}

VX_EXPORT SQLRETURN SQL_API SQLSetEnvAttr(SQLHENV henv, SQLINTEGER attribute, SQLPOINTER value,
                                          SQLINTEGER length) {
    (void)length;
    if (!henv)
        return SQL_INVALID_HANDLE;
    auto& env = *static_cast<BaseEnv*>(henv);
    auto number = static_cast<SQLINTEGER>(reinterpret_cast<SQLLEN>(value));
    switch (attribute) {
    case SQL_ATTR_ODBC_VERSION:
        if (number != SQL_OV_ODBC2 && number != SQL_OV_ODBC3 && number != SQL_OV_ODBC3_80)
            return envFailure(env, ODBC_S1009);
        env.setOdbcVersion(number);
        return SQL_SUCCESS;
    case SQL_ATTR_OUTPUT_NTS:
        return number == SQL_TRUE ? SQL_SUCCESS : envFailure(env, ODBC_S1C00);
    default:
        return envFailure(env, ODBC_S1092);
    }
}

VX_EXPORT SQLRETURN SQL_API SQLGetEnvAttr(SQLHENV henv, SQLINTEGER attribute, SQLPOINTER value,
                                          SQLINTEGER size, SQLINTEGER* length) {
    (void)size;
    if (!henv)
        return SQL_INVALID_HANDLE;
    auto& env = *static_cast<BaseEnv*>(henv);
    SQLINTEGER number = 0;
    if (attribute == SQL_ATTR_ODBC_VERSION)
        number = static_cast<SQLINTEGER>(env.getOdbcVersion());
    else if (attribute == SQL_ATTR_OUTPUT_NTS)
        number = SQL_TRUE;
    else
        return envFailure(env, ODBC_S1092);
    if (value)
        *static_cast<SQLINTEGER*>(value) = number;
    if (length)
        *length = sizeof number;
    return SQL_SUCCESS;
}

VX_EXPORT SQLRETURN SQL_API SQLSetConnectAttr(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value,
                                              SQLINTEGER length) {
    return setConnectAttr(hdbc, attribute, value, length, false);
}

VX_EXPORT SQLRETURN SQL_API SQLSetConnectAttrW(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value,
                                               SQLINTEGER length) {
    return setConnectAttr(hdbc, attribute, value, length, true);
}

VX_EXPORT SQLRETURN SQL_API SQLGetConnectAttr(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value,
                                              SQLINTEGER size, SQLINTEGER* length) {
    return getConnectAttr(hdbc, attribute, value, size, length, false);
}

VX_EXPORT SQLRETURN SQL_API SQLGetConnectAttrW(SQLHDBC hdbc, SQLINTEGER attribute, SQLPOINTER value,
                                               SQLINTEGER size, SQLINTEGER* length) {
    return getConnectAttr(hdbc, attribute, value, size, length, true);
}

VX_EXPORT SQLRETURN SQL_API SQLEndTran(SQLSMALLINT type, SQLHANDLE handle, SQLSMALLINT completion) {
    if (!handle)
        return SQL_INVALID_HANDLE;
    if (type == SQL_HANDLE_DBC)
        return static_cast<BaseConnection*>(handle)->SQLTransact(
            static_cast<SQLUSMALLINT>(completion));
    if (type == SQL_HANDLE_ENV)
        return envFailure(*static_cast<BaseEnv*>(handle), ODBC_S1C00);
    return SQL_INVALID_HANDLE;
}

VX_EXPORT SQLRETURN SQL_API SQLSetStmtAttr(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value,
                                           SQLINTEGER length) {
    (void)length;
    return setStmtAttr(hstmt, attribute, value);
}

VX_EXPORT SQLRETURN SQL_API SQLSetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value,
                                            SQLINTEGER length) {
    (void)length;
    return setStmtAttr(hstmt, attribute, value);
}

VX_EXPORT SQLRETURN SQL_API SQLGetStmtAttr(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value,
                                           SQLINTEGER size, SQLINTEGER* length) {
    (void)size;
    return getStmtAttr(hstmt, attribute, value, length);
}

VX_EXPORT SQLRETURN SQL_API SQLGetStmtAttrW(SQLHSTMT hstmt, SQLINTEGER attribute, SQLPOINTER value,
                                            SQLINTEGER size, SQLINTEGER* length) {
    (void)size;
    return getStmtAttr(hstmt, attribute, value, length);
}

VX_EXPORT SQLRETURN SQL_API SQLFetchScroll(SQLHSTMT hstmt, SQLSMALLINT orientation, SQLLEN offset) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return fetchRowArray(statementOf(hstmt), static_cast<SQLUSMALLINT>(orientation), offset);
}

VX_EXPORT SQLRETURN SQL_API SQLCloseCursor(SQLHSTMT hstmt) {
    if (!hstmt)
        return SQL_INVALID_HANDLE;
    return statementOf(hstmt).SQLFreeStmt(SQL_CLOSE);
}

VX_EXPORT SQLRETURN SQL_API SQLColAttribute(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT field,
                                            SQLPOINTER text, SQLSMALLINT textMax,
                                            SQLSMALLINT* textLength, SQLLEN* number) {
    return colAttribute(hstmt, icol, field, text, textMax, textLength, number, false);
}

VX_EXPORT SQLRETURN SQL_API SQLColAttributeW(SQLHSTMT hstmt, SQLUSMALLINT icol, SQLUSMALLINT field,
                                             SQLPOINTER text, SQLSMALLINT textMax,
                                             SQLSMALLINT* textLength, SQLLEN* number) {
    return colAttribute(hstmt, icol, field, text, textMax, textLength, number, true);
}

} // extern "C"

// SQLFetch with the ODBC 3 row array; one row as ODBC 2 fetches it while
// the row array keeps its defaults.
SQLRETURN baseFetch(SQLHSTMT hstmt) {
    BaseStatement& statement = statementOf(hstmt);
    if (statement.getRowArray().isDefault())
        return statement.SQLFetch();
    return fetchRowArray(statement, SQL_FETCH_NEXT, 0);
}

// SQLDescribeCol's type for an ODBC 3 application.
void baseOdbc3DescribeType(SQLHSTMT hstmt, SQLRETURN rc, SQLSMALLINT* type) {
    if (type && (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) && isOdbc3(statementOf(hstmt)))
        *type = static_cast<SQLSMALLINT>(odbc3TypeOf(*type));
}
