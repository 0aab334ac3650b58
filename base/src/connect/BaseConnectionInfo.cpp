// BaseConnection::getInfo: the information values the connection side of
// the framework needs (transaction capability and isolation, cursor
// behaviour, DBMS name, active connections, bookmarks), asked of the
// driver first and otherwise answered with the framework's defaults.
#include <sqlext.h>

#include <cstdint>
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseInfoValType.h"

namespace {

struct DefaultInfo {
    unsigned short infoType;
    BaseInfoValType type;
    std::uintptr_t value;
};

constexpr DefaultInfo DEFAULTS[] = {
    {SQL_ACTIVE_CONNECTIONS, INFO_VAL_U16, 0},
    {SQL_DBMS_NAME, INFO_VAL_RESOURCE, BASE_DRIVER_NAME_RESOURCE},
    {SQL_CURSOR_COMMIT_BEHAVIOR, INFO_VAL_U16, SQL_CB_PRESERVE},
    {SQL_CURSOR_ROLLBACK_BEHAVIOR, INFO_VAL_U16, SQL_CB_PRESERVE},
    {SQL_DEFAULT_TXN_ISOLATION, INFO_VAL_U32, SQL_TXN_READ_COMMITTED},
    {SQL_TXN_CAPABLE, INFO_VAL_U16, SQL_TC_DML},
    {SQL_TXN_ISOLATION_OPTION, INFO_VAL_MASK32, SQL_TXN_READ_COMMITTED},
    {SQL_BOOKMARK_PERSISTENCE, INFO_VAL_MASK32, 0},
};

void copyText(const char* text, void* out, SQLSMALLINT outMax) {
    if (outMax <= 0)
        return;
    std::size_t length = std::strlen(text);
    std::size_t room = static_cast<std::size_t>(outMax) - 1;
    length = length > room ? room : length;
    std::memcpy(out, text, length);
    static_cast<char*>(out)[length] = 0;
}

} // namespace

VxStatus BaseConnection::getInfo(unsigned short infoType, void* value, SQLSMALLINT valueMax) {
    void* answer = nullptr;
    BaseInfoValType type = INFO_VAL_NOT_FOUND;
    if (getAskedForInfo(infoType, &answer, &type) != VX_SUCCESS) {
        type = INFO_VAL_NOT_FOUND;
        for (const DefaultInfo& entry : DEFAULTS)
            if (entry.infoType == infoType) {
                type = entry.type;
                answer = reinterpret_cast<void*>(entry.value);
            }
    }
    auto number = reinterpret_cast<std::uintptr_t>(answer);
    switch (type) {
    case INFO_VAL_U16:
        *static_cast<SQLUSMALLINT*>(value) = static_cast<SQLUSMALLINT>(number);
        return VX_SUCCESS;
    case INFO_VAL_MASK32:
    case INFO_VAL_U32:
        *static_cast<SQLUINTEGER*>(value) = static_cast<SQLUINTEGER>(number);
        return VX_SUCCESS;
    case INFO_VAL_STRING:
        copyText(answer ? static_cast<const char*>(answer) : "", value, valueMax);
        return VX_SUCCESS;
    case INFO_VAL_RESOURCE: {
        char text[BASE_RESOURCE_BUFFER];
        text[0] = 0;
        getDriverResourceStr(static_cast<unsigned short>(number), text, sizeof text);
        text[sizeof text - 1] = 0;
        copyText(text, value, valueMax);
        return VX_SUCCESS;
    }
    default:
        return VX_ERROR;
    }
}
