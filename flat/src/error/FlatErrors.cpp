// The engine's message table and the functions that raise its messages.
#include "error/FlatErrors.h"

#include <cstring>

#include "base/BaseOdbcId.h"

namespace {

struct FlatMessageEntry {
    unsigned short id;
    unsigned short odbcId;
};

constexpr VxMessage messages[] = {
#define FLAT_MESSAGE(id, odbcId, text) {id, text},
#include "error/FlatMessages.def"
#undef FLAT_MESSAGE
};

constexpr FlatMessageEntry states[] = {
#define FLAT_MESSAGE(id, odbcId, text) {id, odbcId},
#include "error/FlatMessages.def"
#undef FLAT_MESSAGE
};

constexpr VxMessageTable messageTable(messages, sizeof messages / sizeof messages[0]);

// Texts are read through a buffer of this size, as the framework does.
constexpr std::size_t MESSAGE_BUFFER = 512;

VxError& raise(unsigned short odbcId, unsigned short id, ErrorType type) {
    char text[MESSAGE_BUFFER];
    flatLoadString(id, text, sizeof text);
    VxError& record = VxErrorKeeper::addError(new VxError(id, text, type, odbcId, id));
    if (!record.isStatic())
        record.setDriverMessage(true);
    return record;
}

} // namespace

const VxMessageTable& flatMessageTable() {
    return messageTable;
}

std::size_t flatLoadString(unsigned short id, char* buffer, std::size_t size) {
    return messageTable.load(id, buffer, size);
}

unsigned short flatMessageOdbcId(unsigned short id) {
    std::size_t low = 0;
    std::size_t high = sizeof states / sizeof states[0];
    while (low < high) {
        std::size_t middle = (low + high) / 2;
        if (states[middle].id == id)
            return states[middle].odbcId;
        if (states[middle].id < id)
            low = middle + 1;
        else
            high = middle;
    }
    return ODBC_S1000;
}

VxError& addFlatError(unsigned short id) {
    return raise(flatMessageOdbcId(id), id, ERROR_TYPE_ERROR);
}

VxError& addFlatError(unsigned short odbcId, unsigned short id) {
    return raise(odbcId, id, ERROR_TYPE_ERROR);
}

VxError& addFlatSyntaxError(unsigned short id) {
    return raise(ODBC_37000, id, ERROR_TYPE_ERROR);
}

VxError& addFlatWarning(unsigned short id) {
    return raise(flatMessageOdbcId(id), id, ERROR_TYPE_WARNING);
}
