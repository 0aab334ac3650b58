#include "error/XlsErrors.h"

namespace {
constexpr VxMessage messages[] = {
#define XLS_MESSAGE(id, text) {id, text},
#include "error/XlsMessages.def"
#undef XLS_MESSAGE
};
constexpr VxMessageTable table(messages, sizeof messages / sizeof messages[0]);
} // namespace

const VxMessageTable& xlsMessageTable() {
    return table;
}

VxError& xlsAddError(unsigned short odbcId, unsigned short msgId) {
    char text[XLS_MESSAGE_BUFFER];
    table.load(msgId, text, sizeof text);
    // The message number is the native error; the record is the driver's own.
    VxError& record =
        VxErrorKeeper::addError(new VxError(msgId, text, ERROR_TYPE_ERROR, odbcId, msgId));
    if (!record.isStatic())
        record.setDriverMessage(true);
    return record;
}

VxError& xlsAddFileError(unsigned short msgId, const char* path) {
    VxError& record = xlsAddError(ODBC_37000, msgId);
    if (!record.isStatic())
        record.appendText(path);
    return record;
}

VxError& xlsAddStorageError(const XlsStorageResult& result, const char* path,
                            const char* streamName) {
    unsigned long code = result.code & 0xFFFFu;
    switch (result.status) {
    case XLS_STORAGE_NO_FILE:
        return xlsAddError(ODBC_S1000, XLS_MSG_NO_WORKBOOK) << path;
    case XLS_STORAGE_NO_STREAM:
        return xlsAddError(ODBC_S1000, XLS_MSG_CANNOT_OPEN_STREAM) << streamName << code;
    case XLS_STORAGE_READ_FAILED:
        return xlsAddError(ODBC_S1000, XLS_MSG_STREAM_READ) << code;
    default:
        return xlsAddError(ODBC_S1000, XLS_MSG_CANNOT_OPEN_WORKBOOK) << code << path;
    }
}
