// BaseErrorList: the error list of an environment, connection or statement
// handle, and the ODBC SQLError over it.
//
// The owner is the connection whose driver names itself in the message
// prefix and supplies the texts of driver messages: a connection's list and
// the lists of its statements have the connection as owner, an
// environment's list has none and uses its name string (null unless set)
// instead. Records are returned oldest first, each once; SQLError does not
// empty the list otherwise. A list keeps every record it is given.
#pragma once

#include <sql.h>

#include <cstddef>

#include "util/VxError.h"

class BaseConnection;

class VX_EXPORT BaseErrorList : public VxErrorList {
public:
    explicit BaseErrorList(BaseConnection* owner);
    ~BaseErrorList() override;

    BaseConnection* getOwnerConnection() const {
        return static_cast<BaseConnection*>(getOwner());
    }
    // The name used in the prefix when the list has no owner; not copied.
    void setName(const char* name) { name_ = name; }
    const char* getName() const { return name_; }

    // Takes the oldest record out: its SQLSTATE, native code and prefixed
    // message. SQL_SUCCESS, SQL_SUCCESS_WITH_INFO when the message was cut
    // to cbErrorMsgMax - 1 bytes, or SQL_NO_DATA_FOUND with "00000" when
    // the list is empty. *pcbErrorMsg receives the bytes stored. Every
    // output pointer may be null.
    SQLRETURN SQLError(SQLCHAR* szSqlState, SQLINTEGER* pfNativeError, SQLCHAR* szErrorMsg,
                       SQLSMALLINT cbErrorMsgMax, SQLSMALLINT* pcbErrorMsg);

    // Takes out every record and joins their messages, separated by line
    // feeds, into `buffer` while room remains. There is no window system:
    // the joined text is what a message box would have shown.
    std::size_t collectMessages(char* buffer, std::size_t size);
    // Empties the list as showing it in a message box owned by `hwnd`
    // would; nothing is shown.
    void displayErrorWin(SQLHWND hwnd);

private:
    std::size_t buildPrefix(VxError& record, char* buffer, std::size_t size) const;
    static const char* recordSqlState(VxError& record);

    const char* name_ = nullptr;
};
