#include "error/TxtErrors.h"

namespace {
constexpr VxMessage messages[] = {
#define TXT_MESSAGE(id, text) {id, text},
#include "error/TxtMessages.def"
#undef TXT_MESSAGE
};
constexpr VxMessageTable table(messages, sizeof messages / sizeof messages[0]);
} // namespace

const VxMessageTable& txtMessageTable() {
    return table;
}

const char* txtGetString(unsigned short id) {
    const char* text = table.find(id);
    return text ? text : "";
}

VxError& txtAddError(unsigned short odbcId, unsigned short msgId) {
    char text[TXT_MESSAGE_BUFFER];
    table.load(msgId, text, sizeof text);
    // The message number is the native error, as for the engine's
    // messages; the record is the driver's own (no data-source label).
    VxError& record =
        VxErrorKeeper::addError(new VxError(msgId, text, ERROR_TYPE_ERROR, odbcId, msgId));
    if (!record.isStatic())
        record.setDriverMessage(true);
    return record;
}
