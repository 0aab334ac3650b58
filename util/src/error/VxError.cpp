#include "util/VxError.h"

#include <cstring>

namespace {
constexpr std::uint16_t OUT_OF_MEMORY_NUMBER = 30190;
constexpr const char* OUT_OF_MEMORY_TEXT = "Out Of Memory";
} // namespace

VxError::VxError(unsigned short number, const char* text, ErrorType type, unsigned short sqlStateId,
                 std::int32_t nativeError)
    : nativeError_(nativeError), number_(number), sqlStateId_(sqlStateId) {
    (void)text_.initialize(text ? text : "");
    if (type == ERROR_TYPE_WARNING)
        flags_ |= FLAG_WARNING;
}

VxError::VxError(StaticTag, std::uint16_t number, std::uint8_t flags)
    : number_(number), flags_(flags) {}

VxError::~VxError() = default;

VxError& VxError::outOfMemoryError() {
    static VxError record(StaticTag{}, OUT_OF_MEMORY_NUMBER, FLAG_STATIC | FLAG_OUT_OF_MEMORY);
    return record;
}

VxError& VxError::sinkError() {
    static VxError record(StaticTag{}, 0, FLAG_STATIC | FLAG_SINK);
    return record;
}

void VxError::release(VxError* error) {
    if (error && !error->isStatic())
        delete error;
}

const char* VxError::getErrorText() {
    if (isOutOfMemory())
        return OUT_OF_MEMORY_TEXT;
    return text_.getText();
}

void VxError::appendText(const char* text) {
    if (!isStatic())
        text_.append(text);
}

VxError& VxError::operator<<(const char* text) {
    if (isStatic())
        return *this;
    text_.setParam(text);
    return text_.hasFailed() ? sinkError() : *this;
}

VxError& VxError::operator<<(const VxSubString& text) {
    if (isStatic())
        return *this;
    text_.setParam(text.data(), text.length());
    return text_.hasFailed() ? sinkError() : *this;
}

VxError& VxError::operator<<(unsigned long value) {
    if (isStatic())
        return *this;
    text_.setParam(value);
    return text_.hasFailed() ? sinkError() : *this;
}

VxError& VxError::operator<<(long value) {
    if (isStatic())
        return *this;
    text_.setParam(value);
    return text_.hasFailed() ? sinkError() : *this;
}

VxError& VxError::setQuotedParam(const char* text, char quote) {
    if (isStatic())
        return *this;
    text_.setQuotedParam(text, quote);
    return text_.hasFailed() ? sinkError() : *this;
}

void VxError::setSqlState(const char* sqlState) {
    std::size_t n = 0;
    while (sqlState && n < sizeof sqlState_ - 1 && sqlState[n]) {
        sqlState_[n] = sqlState[n];
        ++n;
    }
    sqlState_[n] = 0;
}
