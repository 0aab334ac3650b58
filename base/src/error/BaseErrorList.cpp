#include "base/BaseErrorList.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

namespace {

constexpr const char* VENDOR_PREFIX = "[BRELLMONT][ODBC ";

// Copies pieces into a bounded buffer, remembering whether anything was
// cut. The buffer always stays terminated.
class MessageWriter {
public:
    MessageWriter(char* buffer, std::size_t room) : buffer_(buffer), room_(room) {
        buffer_[0] = 0;
    }
    void add(const char* text) {
        std::size_t length = std::strlen(text);
        std::size_t fits = room_ - used_ < length ? room_ - used_ : length;
        std::memcpy(buffer_ + used_, text, fits);
        used_ += fits;
        buffer_[used_] = 0;
        if (fits < length)
            cut_ = true;
    }
    std::size_t used() const { return used_; }
    bool wasCut() const { return cut_; }

private:
    char* buffer_;
    std::size_t room_;
    std::size_t used_ = 0;
    bool cut_ = false;
};

void copySqlState(SQLCHAR* out, const char* sqlState) {
    if (out)
        std::memcpy(out, sqlState, 6);
}

} // namespace

BaseErrorList::BaseErrorList(BaseConnection* owner) : VxErrorList(owner, 1) {}

BaseErrorList::~BaseErrorList() = default;

const char* BaseErrorList::recordSqlState(VxError& record) {
    if (record.getSqlState()[0])
        return record.getSqlState();
    if (const char* sqlState = baseGetSqlState(record.getSqlStateId()))
        if (record.getSqlStateId() != ODBC_NONE)
            return sqlState;
    return baseGetSqlState(record.isOutOfMemory() ? ODBC_S1001 : ODBC_S1000);
}

// "[BRELLMONT][ODBC <display name> driver]" and, for a message of the data
// source itself, "[<DBMS name>]"; "[BRELLMONT][ODBC <name>]" without owner.
std::size_t BaseErrorList::buildPrefix(VxError& record, char* buffer, std::size_t size) const {
    MessageWriter prefix(buffer, size - 1);
    prefix.add(VENDOR_PREFIX);
    BaseConnection* owner = getOwnerConnection();
    if (!owner) {
        prefix.add(name_ ? name_ : "");
        prefix.add("]");
        return prefix.used();
    }
    char displayName[BASE_RESOURCE_BUFFER];
    displayName[0] = 0;
    owner->getDriverResourceStr(BASE_DRIVER_NAME_RESOURCE, displayName, sizeof displayName);
    displayName[sizeof displayName - 1] = 0;
    prefix.add(displayName);
    prefix.add(" driver]");
    if (record.getNativeError() != 0 && !record.isDriverMessage()) {
        prefix.add("[");
        prefix.add(owner->getDbmsName() ? owner->getDbmsName() : displayName);
        prefix.add("]");
    }
    return prefix.used();
}

SQLRETURN BaseErrorList::SQLError(SQLCHAR* szSqlState, SQLINTEGER* pfNativeError,
                                  SQLCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax,
                                  SQLSMALLINT* pcbErrorMsg) {
    VxError* record = removeFirstError();
    if (!record) {
        copySqlState(szSqlState, baseGetSqlState(ODBC_00000));
        if (pfNativeError)
            *pfNativeError = 0;
        if (pcbErrorMsg)
            *pcbErrorMsg = 0;
        if (szErrorMsg && cbErrorMsgMax > 0)
            szErrorMsg[0] = 0;
        return SQL_NO_DATA_FOUND;
    }
    copySqlState(szSqlState, recordSqlState(*record));
    if (pfNativeError) {
        std::int32_t native = record->getNativeError();
        if (native == 0 && record->getSqlStateId() == ODBC_NONE && !record->getSqlState()[0])
            native = record->getNumber();
        *pfNativeError = native;
    }
    SQLRETURN rc = SQL_SUCCESS;
    std::size_t stored = 0;
    if (szErrorMsg && cbErrorMsgMax > 0) {
        const char* text = record->isOutOfMemory() ? baseGetSqlStateText(ODBC_S1001)
                                                   : record->getErrorText();
        MessageWriter message(reinterpret_cast<char*>(szErrorMsg),
                              static_cast<std::size_t>(cbErrorMsgMax) - 1);
        if (record->isRawText()) {
            message.add(text);
        } else if (text[0]) {
            char prefix[2 * BASE_RESOURCE_BUFFER + 64];
            buildPrefix(*record, prefix, sizeof prefix);
            message.add(prefix);
            message.add(text);
        }
        // A cut message says so, whether it stood alone or had a prefix.
        if (message.wasCut())
            rc = SQL_SUCCESS_WITH_INFO;
        stored = message.used();
    }
    if (pcbErrorMsg)
        *pcbErrorMsg = static_cast<SQLSMALLINT>(stored);
    VxError::release(record);
    return rc;
}

std::size_t BaseErrorList::collectMessages(char* buffer, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t used = 0;
    buffer[0] = 0;
    while (size - used > 1) {
        if (used > 0) {
            buffer[used++] = '\n';
            buffer[used] = 0;
            if (size - used <= 1)
                break;
        }
        SQLSMALLINT length = 0;
        SQLSMALLINT room = static_cast<SQLSMALLINT>(size - used > 32767 ? 32767 : size - used);
        SQLRETURN rc = SQLError(nullptr, nullptr, reinterpret_cast<SQLCHAR*>(buffer + used), room,
                                &length);
        if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) {
            if (used > 0)
                buffer[--used] = 0;
            break;
        }
        used += static_cast<std::size_t>(length);
    }
    return used;
}

void BaseErrorList::displayErrorWin(SQLHWND hwnd) {
    (void)hwnd;
    char buffer[1024];
    collectMessages(buffer, sizeof buffer);
    deleteNodes();
}
