// The raising functions: each builds one record and hands it to the
// calling thread's current list.
#include "base/BaseErrors.h"

#include <cstring>

#include "base/BaseConnection.h"
#include "error/BaseMessages.h"

namespace {

bool isDriverMessage(unsigned short msgId) {
    return (msgId >= 1200 && msgId <= 1499) || (msgId >= 3800 && msgId <= 4099);
}

// Builds and adds a record. `new` returns null when memory runs out (the
// allocator has then recorded the failure) and addError copes with null.
VxError& raise(unsigned short msgId, const char* text, ErrorType type, unsigned short odbcId,
               long nativeCode) {
    return VxErrorKeeper::addError(
        new VxError(msgId, text, type, odbcId, static_cast<std::int32_t>(nativeCode)));
}

VxError& raiseMessage(unsigned short odbcId, unsigned short msgId, ErrorType type) {
    char text[BASE_RESOURCE_BUFFER];
    baseLoadMessage(msgId, text, sizeof text);
    return raise(msgId, text, type, odbcId, 0);
}

VxError& raiseDefault(unsigned short odbcId, ErrorType type) {
    char text[BASE_RESOURCE_BUFFER];
    baseLoadString(static_cast<unsigned short>(odbcId + 99), text, sizeof text);
    return raise(0, text, type, odbcId, 0);
}

VxError& raiseResource(unsigned short odbcId, unsigned short msgId, ErrorType type) {
    char text[BASE_RESOURCE_BUFFER];
    baseLoadMessage(msgId, text, sizeof text);
    VxError& record = raise(msgId, text, type, odbcId, msgId);
    if (!record.isStatic())
        record.setDriverMessage(true);
    return record;
}

} // namespace

std::size_t baseLoadMessage(unsigned short msgId, char* buffer, std::size_t size) {
    if (size == 0)
        return 0;
    if (isDriverMessage(msgId)) {
        buffer[0] = 0;
        auto* owner = static_cast<BaseConnection*>(VxErrorKeeper::getOwnerOfList());
        if (owner)
            owner->getDriverResourceStr(msgId, buffer, size);
        buffer[size - 1] = 0;
        return std::strlen(buffer);
    }
    return baseLoadString(msgId, buffer, size);
}

VxError& addOdbcError(unsigned short odbcId) { return raiseDefault(odbcId, ERROR_TYPE_ERROR); }

VxError& addOdbcError(unsigned short odbcId, unsigned short msgId) {
    return raiseMessage(odbcId, msgId, ERROR_TYPE_ERROR);
}

VxError& addOdbcWarning(unsigned short odbcId) { return raiseDefault(odbcId, ERROR_TYPE_WARNING); }

VxError& addOdbcWarning(unsigned short odbcId, unsigned short msgId) {
    return raiseMessage(odbcId, msgId, ERROR_TYPE_WARNING);
}

VxError& addNativeError(unsigned short odbcId, long nativeCode, const char* text) {
    return raise(0, text, ERROR_TYPE_ERROR, odbcId, nativeCode);
}

VxError& addNativeWarning(unsigned short odbcId, long nativeCode, const char* text) {
    return raise(0, text, ERROR_TYPE_WARNING, odbcId, nativeCode);
}

VxError& addNativeResourceError(unsigned short msgId) {
    return raiseResource(ODBC_S1000, msgId, ERROR_TYPE_ERROR);
}

VxError& addNativeResourceError(unsigned short odbcId, unsigned short msgId) {
    return raiseResource(odbcId, msgId, ERROR_TYPE_ERROR);
}

VxError& addNativeResourceWarning(unsigned short msgId) {
    return raiseResource(ODBC_01000, msgId, ERROR_TYPE_WARNING);
}

VxError& addNativeResourceWarning(unsigned short odbcId, unsigned short msgId) {
    return raiseResource(odbcId, msgId, ERROR_TYPE_WARNING);
}

VxError& appendOdbcErrorText(unsigned short msgId) {
    char text[BASE_RESOURCE_BUFFER];
    baseLoadMessage(msgId, text, sizeof text);
    return VxErrorKeeper::appendTextToLastError(text);
}

void resetLastErrorSqlState(unsigned short odbcId) {
    VxError* last = VxErrorKeeper::getLastError();
    const char* sqlState = baseGetSqlState(odbcId);
    if (last && !last->isStatic() && sqlState)
        last->setSqlState(sqlState);
}
