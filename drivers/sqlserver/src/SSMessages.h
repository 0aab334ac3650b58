// The SQL Server driver's string table and its message numbers.
#pragma once

#include <cstddef>

enum SSMessageId : unsigned short {
    SS_MSG_ONE_ACTIVE = 1203,
    SS_MSG_LOGON_STEP = 1204,
    SS_MSG_WARNING = 1205,
    SS_MSG_BINARY_TYPE = 1206,
    SS_MSG_BINARY_DECIMAL = 1207,
    SS_MSG_BINARY_TIMESTAMP = 1208,
    SS_MSG_NULL_KEYWORD = 1210,
    SS_MSG_BIT_NOT_NULL = 1211,
    SS_MSG_SERVER_INFO = 1212,
    SS_MSG_RETURN_STATUS = 1213,
    SS_MSG_NO_ROW_CONDITION = 1214,
    SS_MSG_LONG_WRITE = 1215,
};

// Step numbers of message 1204.
enum SSLogonStep : long {
    SS_STEP_INIT = 206,
    SS_STEP_LOGIN = 304,
    SS_STEP_PACKET = 310,
    SS_STEP_USER = 319,
    SS_STEP_APPLICATION = 328,
    SS_STEP_WORKSTATION = 358,
};

// The text of message or resource `id`, or "" when there is none.
const char* ssMessageText(unsigned short id);

// The SQLSTATE (ODBC id) of server message `number`; *alwaysWarning is
// set for the messages that are warnings whatever their severity.
unsigned short ssServerMessageState(long number, bool* alwaysWarning);
