// BaseConnection::SQLGetInfo: an information value for the application.
//
//   1. SQL_DRIVER_NAME is the driver library's file name.
//   2. 1011 is answered as SQL_KEYWORDS and 65002 as SQL_FILE_USAGE; the
//      ODBC 3 types an ODBC 3 application asks for are answered as their
//      ODBC 2 counterparts (SQL_OJ_CAPABILITIES 115 as 65003;
//      SQL_DESCRIBE_PARAMETER from SQLDescribeParam's support;
//      SQL_CATALOG_NAME from whether qualifiers exist), or refused with
//      S1096 when there is none.
//   3. getInfo; then WorkArounds bit 0 reports a cursor commit or
//      rollback behaviour of delete as close, and bits 2 and 8 report one
//      active connection as 0 (no limit).
//   4. 16-bit values are written as 2 bytes, 32-bit ones as 4 bytes, texts
//      by the output-string rules (full length, cut with 01004). A buffer
//      length between 1 and the value's size cuts an integer too (01004,
//      full size reported); 0 means the buffer has the value's size.
// An ODBC 2 type nobody answers is S1C00.
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "base/BaseOutString.h"
#include "util/ram.h"

namespace {

constexpr std::uint32_t WA_CURSOR_DELETE_AS_CLOSE = 1u << 0;
constexpr std::uint32_t WA_SHARED_CONNECTION = 1u << 2;
constexpr std::uint32_t WA_ACTIVE_CONNECTIONS = 1u << 8;
constexpr std::uint16_t INFO_KEYWORDS_ALIAS = 1011;
constexpr std::uint16_t INFO_FILE_USAGE_ALIAS = 65002;
constexpr std::uint16_t INFO_DESCRIBE_PARAMETER = 10002;
constexpr std::uint16_t INFO_CATALOG_NAME = 10003;
constexpr std::uint16_t NO_ODBC2_TYPE = 0xFFFF;

// One answer on its way to the application; frees an owned text.
struct InfoAnswer {
    void* value = nullptr;
    BaseInfoValType type = INFO_VAL_NOT_FOUND;
    bool owned = false;
    char text[BASE_RESOURCE_BUFFER] = {};

    InfoAnswer() = default;
    InfoAnswer(const InfoAnswer&) = delete;
    InfoAnswer& operator=(const InfoAnswer&) = delete;
    ~InfoAnswer() {
        if (owned)
            ramFree(value);
    }
    std::uintptr_t number() const { return reinterpret_cast<std::uintptr_t>(value); }
    void setNumber(std::uintptr_t n) { value = reinterpret_cast<void*>(n); }
    void setLocalText(const char* t) {
        std::size_t length = strnlen(t, sizeof text - 1);
        std::memcpy(text, t, length);
        text[length] = 0;
        type = INFO_VAL_STRING;
        value = text;
    }
};

VxStatus writeNumber(std::uintptr_t number, BaseInfoValType type, SQLPOINTER buffer,
                     SQLSMALLINT bufferMax, SQLSMALLINT* length) {
    SQLUSMALLINT small = static_cast<SQLUSMALLINT>(number);
    SQLUINTEGER large = static_cast<SQLUINTEGER>(number);
    const void* bytes = &large;
    SQLSMALLINT size = sizeof large;
    if (type == INFO_VAL_U16) {
        bytes = &small;
        size = sizeof small;
    }
    if (length)
        *length = size;
    if (!buffer)
        return VX_SUCCESS;
    if (bufferMax > 0 && bufferMax < size) {
        std::memcpy(buffer, bytes, static_cast<std::size_t>(bufferMax));
        addOdbcWarning(ODBC_01004);
        return VX_SUCCESS;
    }
    std::memcpy(buffer, bytes, static_cast<std::size_t>(size));
    return VX_SUCCESS;
}

// The answers an ODBC 3 application's types derive from ODBC 2 ones.
VxStatus derivedAnswer(BaseConnection& connection, std::uint16_t infoType, InfoAnswer& answer) {
    bool yes = false;
    if (infoType == INFO_DESCRIBE_PARAMETER) {
        unsigned short supported = 0;
        if (connection.isFunctionSupported(SQL_API_SQLDESCRIBEPARAM, &supported) != VX_SUCCESS)
            return VX_ERROR;
        yes = supported != 0;
    } else {
        SQLUSMALLINT length = 0;
        yes =
            connection.getInfo(SQL_MAX_QUALIFIER_NAME_LEN, &length, sizeof length) == VX_SUCCESS &&
            length != 0;
    }
    answer.setLocalText(yes ? "Y" : "N");
    return VX_SUCCESS;
}

VxStatus findAnswer(BaseConnection& connection, SQLUSMALLINT fInfoType, InfoAnswer& answer) {
    if (fInfoType == SQL_DRIVER_NAME) {
        char name[BASE_RESOURCE_BUFFER] = {};
        connection.getDllName(name, sizeof name);
        answer.setLocalText(name);
        return VX_SUCCESS;
    }
    std::uint16_t infoType = fInfoType;
    if (infoType == INFO_KEYWORDS_ALIAS)
        infoType = SQL_KEYWORDS;
    else if (infoType == INFO_FILE_USAGE_ALIAS)
        infoType = SQL_FILE_USAGE;
    bool derived = false;
    infoType = baseOdbc2InfoType(infoType, &derived);
    if (infoType == NO_ODBC2_TYPE) {
        addOdbcError(ODBC_S1096);
        return VX_ERROR;
    }
    if (derived)
        return derivedAnswer(connection, infoType, answer);
    if (connection.getInfo(infoType, &answer.value, &answer.type, &answer.owned) != VX_SUCCESS)
        return VX_ERROR;
    if (answer.type == INFO_VAL_NOT_FOUND) {
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    std::uint32_t workArounds = connection.getWorkArounds();
    if ((workArounds & WA_CURSOR_DELETE_AS_CLOSE) &&
        (infoType == SQL_CURSOR_COMMIT_BEHAVIOR || infoType == SQL_CURSOR_ROLLBACK_BEHAVIOR) &&
        answer.number() == SQL_CB_DELETE)
        answer.setNumber(SQL_CB_CLOSE);
    if ((workArounds & (WA_SHARED_CONNECTION | WA_ACTIVE_CONNECTIONS)) &&
        infoType == SQL_ACTIVE_CONNECTIONS && answer.number() == 1)
        answer.setNumber(0);
    return VX_SUCCESS;
}

} // namespace

SQLRETURN BaseConnection::SQLGetInfo(SQLUSMALLINT fInfoType, SQLPOINTER rgbInfoValue,
                                     SQLSMALLINT cbInfoValueMax, SQLSMALLINT* pcbInfoValue) {
    BaseConnectionCall call(*this, SQL_API_SQLGETINFO);
    if (call.isBusy())
        return BASE_BUSY;
    if (cbInfoValueMax < 0) {
        addOdbcError(ODBC_S1090);
        return call.finish(SQL_ERROR);
    }
    InfoAnswer answer;
    VxStatus status = findAnswer(*this, fInfoType, answer);
    if (status == VX_SUCCESS) {
        if (answer.type == INFO_VAL_STRING) {
            BaseOutString out(rgbInfoValue, cbInfoValueMax, pcbInfoValue);
            status = out.setStrValue(static_cast<const char*>(answer.value));
        } else {
            status = writeNumber(answer.number(), answer.type, rgbInfoValue, cbInfoValueMax,
                                 pcbInfoValue);
        }
    }
    return call.finish(baseReturnCode(status));
}
