#include "util/VxMessageTable.h"

#include <cstring>

namespace {
// Raise functions read a message through a buffer of at most this size.
constexpr std::size_t MAX_MESSAGE_BUFFER = 1024;
} // namespace

const char* VxMessageTable::find(unsigned id) const {
    std::size_t low = 0;
    std::size_t high = count_;
    while (low < high) {
        std::size_t mid = (low + high) / 2;
        if (messages_[mid].id == id)
            return messages_[mid].text;
        if (messages_[mid].id < id)
            low = mid + 1;
        else
            high = mid;
    }
    return nullptr;
}

std::size_t VxMessageTable::load(unsigned id, char* buffer, std::size_t size) const {
    if (size == 0)
        return 0;
    const char* text = find(id);
    std::size_t length = text ? std::strlen(text) : 0;
    if (length > size - 1)
        length = size - 1;
    std::memcpy(buffer, text ? text : "", length);
    buffer[length] = 0;
    return length;
}

VxError& vxRaiseText(unsigned short id, const char* text, ErrorType type) {
    return VxErrorKeeper::addError(new VxError(id, text, type));
}

VxError& vxRaiseMessage(const VxMessageTable& table, unsigned short id, ErrorType type,
                        std::size_t bufferSize) {
    char buffer[MAX_MESSAGE_BUFFER];
    table.load(id, buffer, bufferSize < MAX_MESSAGE_BUFFER ? bufferSize : MAX_MESSAGE_BUFFER);
    return vxRaiseText(id, buffer, type);
}

VxError& vxAppendMessage(const VxMessageTable& table, unsigned short id, std::size_t bufferSize) {
    char buffer[MAX_MESSAGE_BUFFER];
    table.load(id, buffer, bufferSize < MAX_MESSAGE_BUFFER ? bufferSize : MAX_MESSAGE_BUFFER);
    return VxErrorKeeper::appendTextToLastError(buffer);
}

void vxAppendMessageAtPos(const VxMessageTable& table, unsigned short id, unsigned long pos,
                          std::size_t bufferSize) {
    char buffer[MAX_MESSAGE_BUFFER];
    table.load(id, buffer, bufferSize < MAX_MESSAGE_BUFFER ? bufferSize : MAX_MESSAGE_BUFFER);
    VxErrorList* list = VxErrorKeeper::getErrorList();
    if (!list)
        return;
    if (VxError* error = list->getErrorAtPos(static_cast<std::uint32_t>(pos)))
        error->appendText(buffer);
}
