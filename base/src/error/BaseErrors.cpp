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

void baseOdbc3SqlState(char* state) {
    static const char* const MAP[][2] = {
        {"01S03", "01001"}, {"01S04", "01001"}, {"22005", "22018"}, {"37000", "42000"},
        {"70100", "HY018"}, {"S0001", "42S01"}, {"S0002", "42S02"}, {"S0011", "42S11"},
        {"S0012", "42S12"}, {"S0021", "42S21"}, {"S0022", "42S22"}, {"S0023", "42S23"},
        {"S1000", "HY000"}, {"S1001", "HY001"}, {"S1002", "07009"}, {"S1003", "HY003"},
        {"S1004", "HY004"}, {"S1007", "HY007"}, {"S1008", "HY008"}, {"S1009", "HY009"},
        {"S1010", "HY010"}, {"S1011", "HY011"}, {"S1012", "HY012"}, {"S1090", "HY090"},
        {"S1091", "HY091"}, {"S1092", "HY092"}, {"S1093", "07009"}, {"S1096", "HY096"},
        {"S1097", "HY097"}, {"S1098", "HY098"}, {"S1099", "HY099"}, {"S1100", "HY100"},
        {"S1101", "HY101"}, {"S1103", "HY103"}, {"S1104", "HY104"}, {"S1105", "HY105"},
        {"S1106", "HY106"}, {"S1107", "HY107"}, {"S1108", "HY108"}, {"S1109", "HY109"},
        {"S1110", "HY110"}, {"S1111", "HY111"}, {"S1C00", "HYC00"}, {"S1T00", "HYT00"},
    };
    for (const auto& entry : MAP)
        if (std::memcmp(state, entry[0], 5) == 0) {
            std::memcpy(state, entry[1], 5);
            return;
        }
}
