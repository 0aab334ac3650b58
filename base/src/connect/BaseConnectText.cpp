#include "connect/BaseConnectText.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseErrors.h"

VxStatus baseInputLength(const SQLCHAR* text, SQLINTEGER length, std::size_t* out) {
    *out = 0;
    if (!text)
        return VX_SUCCESS;
    if (length == SQL_NTS) {
        *out = std::strlen(reinterpret_cast<const char*>(text));
        return VX_SUCCESS;
    }
    if (length < 0) {
        addOdbcError(ODBC_S1090);
        return VX_ERROR;
    }
    *out = static_cast<std::size_t>(length);
    return VX_SUCCESS;
}

void baseCopyOutString(const char* text, std::size_t length, SQLCHAR* out, SQLSMALLINT outMax,
                       SQLSMALLINT* pcbOut) {
    if (pcbOut)
        *pcbOut = static_cast<SQLSMALLINT>(length > 32767 ? 32767 : length);
    if (!out || outMax <= 0)
        return;
    std::size_t room = static_cast<std::size_t>(outMax) - 1;
    std::size_t copied = length > room ? room : length;
    std::memcpy(out, text, copied);
    out[copied] = 0;
    if (copied < length)
        addOdbcWarning(ODBC_01004);
}
