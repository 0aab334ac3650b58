// The foundation's own raise functions, over its message table. Every
// message the foundation raises comes through these.
#pragma once

#include "util/VxMessageTable.h"

// Foundation messages are read through a 256-byte buffer.
constexpr std::size_t UTL_MESSAGE_BUFFER = 256;

const VxMessageTable& utlMessageTable();

static inline VxError& addError(unsigned short id) {
    return vxRaiseMessage(utlMessageTable(), id, ERROR_TYPE_ERROR, UTL_MESSAGE_BUFFER);
}
static inline VxError& addError(unsigned short id, const char* text) {
    return vxRaiseText(id, text, ERROR_TYPE_ERROR);
}
static inline VxError& addWarning(unsigned short id) {
    return vxRaiseMessage(utlMessageTable(), id, ERROR_TYPE_WARNING, UTL_MESSAGE_BUFFER);
}
static inline VxError& appendErrorText(unsigned short id) {
    return vxAppendMessage(utlMessageTable(), id, UTL_MESSAGE_BUFFER);
}
static inline void appendErrorTextAtPos(unsigned short id, unsigned long pos) {
    vxAppendMessageAtPos(utlMessageTable(), id, pos, UTL_MESSAGE_BUFFER);
}
