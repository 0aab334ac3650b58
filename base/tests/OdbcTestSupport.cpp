#include "OdbcTestSupport.h"

#include <cstring>
#include <vector>

OdbcRecord readError(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLSMALLINT bufferSize) {
    SQLCHAR state[6] = {0};
    std::vector<SQLCHAR> message(bufferSize > 0 ? bufferSize : 1, 'X');
    OdbcRecord record;
    record.native = -1;
    record.length = -1;
    record.rc = odbc().error(henv, hdbc, hstmt, state, &record.native, message.data(), bufferSize,
                             &record.length);
    record.sqlState = reinterpret_cast<char*>(state);
    // A busy or failing call writes nothing: take no more than the buffer.
    if (bufferSize > 0 && SQL_SUCCEEDED(record.rc))
        record.message.assign(reinterpret_cast<char*>(message.data()),
                              strnlen(reinterpret_cast<char*>(message.data()), message.size()));
    return record;
}

SQLRETURN execDirect(SQLHSTMT hstmt, const std::string& text) {
    return odbc().execDirect(hstmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                             SQL_NTS);
}

SQLRETURN nativeSql(SQLHDBC hdbc, const std::string& text) {
    SQLCHAR out[16];
    SQLINTEGER length = 0;
    return odbc().nativeSql(hdbc, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                            SQL_NTS, out, sizeof out, &length);
}

SQLRETURN nativeSql(SQLHDBC hdbc, const std::string& text, std::string* out) {
    SQLCHAR buffer[256] = {0};
    SQLINTEGER length = 0;
    SQLRETURN rc =
        odbc().nativeSql(hdbc, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS,
                         buffer, sizeof buffer, &length);
    out->assign(reinterpret_cast<char*>(buffer), length > 0 ? static_cast<std::size_t>(length) : 0);
    return rc;
}

SQLRETURN driverConnect(SQLHDBC hdbc, const std::string& text, std::string* out) {
    SQLCHAR buffer[1024] = {0};
    SQLSMALLINT length = 0;
    SQLRETURN rc = odbc().driverConnect(
        hdbc, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())), SQL_NTS, buffer,
        sizeof buffer, &length, SQL_DRIVER_NOPROMPT);
    if (out)
        *out = reinterpret_cast<char*>(buffer);
    return rc;
}

SQLRETURN browseConnect(SQLHDBC hdbc, const std::string& text, std::string* out) {
    SQLCHAR buffer[1024] = {0};
    SQLSMALLINT length = 0;
    SQLRETURN rc =
        odbc().browseConnect(hdbc, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                             SQL_NTS, buffer, sizeof buffer, &length);
    *out = reinterpret_cast<char*>(buffer);
    return rc;
}

std::string driverString(const std::string& rest) {
    return std::string("DRIVER=") + TST_DRIVER_PATH + ";" + rest;
}
