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
    return VxErrorKeeper::addError(new VxError(msgId, text, ERROR_TYPE_ERROR, odbcId, 0));
}
