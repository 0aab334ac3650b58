// BaseConnection::SQLGetFunctions: which ODBC functions the driver
// supports, as its isFunctionSupported hook says.
//
// SQL_API_ALL_FUNCTIONS (0) fills 100 entries (function numbers 0-99);
// any other number from 1 to 99 fills one. An ODBC 3 application's
// SQL_API_ODBC3_ALL_FUNCTIONS (999) gets the same answers as the bit map
// of 250 16-bit words it expects. WorkArounds bit 10 reports
// SQLExtendedFetch as not supported. The ODBC 3 functions the entry points
// map onto ODBC 2 ones (SQLAllocHandle ... SQLFetchScroll) are supported
// whenever those are; descriptors and diagnostic records are not (the
// driver manager answers SQLGetDiagRec through SQLError). A hook failure
// ends the call with SQL_ERROR; other numbers are S1095.
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

namespace {

constexpr std::uint32_t WA_NO_EXTENDED_FETCH = 1u << 10;
constexpr unsigned short FUNCTION_COUNT = 100;
constexpr unsigned short ODBC3_ALL_FUNCTIONS = 999;
constexpr unsigned short ODBC3_BITMAP_WORDS = 250;

VxStatus isSupported(BaseConnection& connection, unsigned short api, SQLUSMALLINT* supported) {
    unsigned short answer = 0;
    if (connection.isFunctionSupported(api, &answer) != VX_SUCCESS)
        return VX_ERROR;
    if (api == SQL_API_SQLEXTENDEDFETCH && (connection.getWorkArounds() & WA_NO_EXTENDED_FETCH))
        answer = 0;
    *supported = answer ? SQL_TRUE : SQL_FALSE;
    return VX_SUCCESS;
}

// The ODBC 2 function an ODBC 3 one is mapped onto; 0 for one the driver
// does not have.
unsigned short odbc2Function(unsigned short api) {
    switch (api) {
    case SQL_API_SQLALLOCHANDLE:
    case SQL_API_SQLFREEHANDLE:
    case SQL_API_SQLGETENVATTR:
    case SQL_API_SQLSETENVATTR:
        return SQL_API_SQLALLOCENV;
    case SQL_API_SQLCLOSECURSOR:
        return SQL_API_SQLFREESTMT;
    case SQL_API_SQLENDTRAN:
        return SQL_API_SQLTRANSACT;
    case SQL_API_SQLGETCONNECTATTR:
        return SQL_API_SQLGETCONNECTOPTION;
    case SQL_API_SQLSETCONNECTATTR:
        return SQL_API_SQLSETCONNECTOPTION;
    case SQL_API_SQLGETSTMTATTR:
        return SQL_API_SQLGETSTMTOPTION;
    case SQL_API_SQLSETSTMTATTR:
        return SQL_API_SQLSETSTMTOPTION;
    case SQL_API_SQLFETCHSCROLL:
        return SQL_API_SQLEXTENDEDFETCH;
    default:
        return 0;
    }
}

VxStatus isSupportedOdbc3(BaseConnection& connection, unsigned short api, SQLUSMALLINT* supported) {
    unsigned short odbc2 = odbc2Function(api);
    if (odbc2 == 0) {
        *supported = SQL_FALSE;
        return VX_SUCCESS;
    }
    return isSupported(connection, odbc2, supported);
}

VxStatus fillAll(BaseConnection& connection, SQLUSMALLINT* exists) {
    for (unsigned short api = 0; api < FUNCTION_COUNT; ++api)
        if (isSupported(connection, api, &exists[api]) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus fillBitmap(BaseConnection& connection, SQLUSMALLINT* words) {
    std::memset(words, 0, ODBC3_BITMAP_WORDS * sizeof *words);
    SQLUSMALLINT answers[FUNCTION_COUNT] = {};
    if (fillAll(connection, answers) != VX_SUCCESS)
        return VX_ERROR;
    for (unsigned short api = 1; api < FUNCTION_COUNT; ++api)
        if (answers[api])
            words[api >> 4] = static_cast<SQLUSMALLINT>(words[api >> 4] | (1u << (api & 15)));
    for (unsigned short api = SQL_API_SQLALLOCHANDLE; api <= SQL_API_SQLFETCHSCROLL; ++api) {
        SQLUSMALLINT answer = SQL_FALSE;
        if (isSupportedOdbc3(connection, api, &answer) != VX_SUCCESS)
            return VX_ERROR;
        if (answer)
            words[api >> 4] = static_cast<SQLUSMALLINT>(words[api >> 4] | (1u << (api & 15)));
    }
    return VX_SUCCESS;
}

} // namespace

SQLRETURN BaseConnection::SQLGetFunctions(SQLUSMALLINT fFunction, SQLUSMALLINT* pfExists) {
    BaseConnectionCall call(*this, SQL_API_SQLGETFUNCTIONS);
    if (call.isBusy())
        return BASE_BUSY;
    VxStatus status = VX_ERROR;
    if (!pfExists) {
        addOdbcError(ODBC_S1009);
    } else if (fFunction == SQL_API_ALL_FUNCTIONS) {
        status = fillAll(*this, pfExists);
    } else if (fFunction == ODBC3_ALL_FUNCTIONS) {
        status = fillBitmap(*this, pfExists);
    } else if (fFunction < FUNCTION_COUNT) {
        status = isSupported(*this, fFunction, pfExists);
    } else if (fFunction >= SQL_API_SQLALLOCHANDLE && fFunction <= SQL_API_SQLFETCHSCROLL) {
        status = isSupportedOdbc3(*this, fFunction, pfExists);
    } else {
        addOdbcError(ODBC_S1095);
    }
    return call.finish(baseReturnCode(status));
}
