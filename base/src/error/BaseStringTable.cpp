// The framework's string table: the SQLSTATE table and the framework
// messages, each defined once in its .def file.
#include <cstring>

#include "base/BaseOdbcId.h"
#include "error/BaseMessages.h"

namespace {

struct SqlStateEntry {
    const char* sqlState;
    const char* text;
};

// Indexed by ODBC id; id 0 and the unused id 15 are empty.
constexpr SqlStateEntry buildEntry(unsigned short id) {
    switch (id) {
#define BASE_SQLSTATE(id, name, state, text)                                                       \
    case id:                                                                                       \
        return {state, text};
#include "base/BaseSqlStates.def"
#undef BASE_SQLSTATE
    default:
        return {nullptr, nullptr};
    }
}

struct SqlStateTable {
    SqlStateEntry entries[ODBC_ID_COUNT + 1];
    constexpr SqlStateTable() : entries() {
        for (unsigned short id = 0; id <= ODBC_ID_COUNT; ++id)
            entries[id] = buildEntry(id);
    }
};

constexpr SqlStateTable sqlStates;

constexpr VxMessage messages[] = {
#define BASE_MESSAGE(id, text) {id, text},
#include "error/BaseMessages.def"
#undef BASE_MESSAGE
};
constexpr VxMessageTable messageTable(messages, sizeof messages / sizeof messages[0]);

// Offset between an ODBC id and the string holding its default text.
constexpr unsigned short TEXT_STRING_OFFSET = 99;

std::size_t copyString(const char* text, char* buffer, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > size - 1)
        length = size - 1;
    if (length)
        std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return length;
}

} // namespace

const VxMessageTable& baseMessageTable() { return messageTable; }

const char* baseGetSqlState(unsigned short odbcId) {
    return odbcId <= ODBC_ID_COUNT ? sqlStates.entries[odbcId].sqlState : nullptr;
}

const char* baseGetSqlStateText(unsigned short odbcId) {
    return odbcId <= ODBC_ID_COUNT ? sqlStates.entries[odbcId].text : nullptr;
}

std::size_t baseLoadString(unsigned short id, char* buffer, std::size_t size) {
    if (id >= 1 && id <= ODBC_ID_COUNT)
        return copyString(baseGetSqlState(id), buffer, size);
    if (id > TEXT_STRING_OFFSET && id <= ODBC_ID_COUNT + TEXT_STRING_OFFSET)
        return copyString(baseGetSqlStateText(id - TEXT_STRING_OFFSET), buffer, size);
    return copyString(messageTable.find(id), buffer, size);
}
