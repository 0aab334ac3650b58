// The connection's translation library: loading it by name, unloading it,
// and passing data through its SQLDataSourceToDriver (toDriver) and
// SQLDriverToDataSource (toDataSource).
//
// A translation that fails (the library returns false or leaves a message)
// is an error S1000 with message 6024 and the library's text; an in-place
// translation that changes the length is an error S1000 with message 6025.
#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "util/VxString.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

constexpr SQLSMALLINT MESSAGE_SIZE = 512;

} // namespace

VxStatus BaseConnection::loadTranslationLibrary(const char* path) {
    unloadTranslationLibrary();
    if (!path || !*path) {
        addOdbcError(ODBC_IM009);
        return VX_ERROR;
    }
    void* library = bosLoadLibrary(path, false);
    void* toDriver = library ? bosGetProcAddress(library, "SQLDataSourceToDriver") : nullptr;
    void* toSource = library ? bosGetProcAddress(library, "SQLDriverToDataSource") : nullptr;
    char* copy = toDriver && toSource ? ramAllocStr(path) : nullptr;
    if (!copy) {
        if (library)
            bosFreeLibrary(library);
        if (!toDriver || !toSource)
            addOdbcError(ODBC_IM009);
        return VX_ERROR;
    }
    translationLibrary_ = library;
    dataSourceToDriver_ = reinterpret_cast<BaseTranslateFn>(toDriver);
    driverToDataSource_ = reinterpret_cast<BaseTranslateFn>(toSource);
    translationPath_ = copy;
    return VX_SUCCESS;
}

void BaseConnection::unloadTranslationLibrary() {
    if (translationLibrary_)
        bosFreeLibrary(translationLibrary_);
    translationLibrary_ = nullptr;
    dataSourceToDriver_ = driverToDataSource_ = nullptr;
    ramFree(translationPath_);
    translationPath_ = nullptr;
}

VxStatus BaseConnection::translate(BaseTranslateFn function, short sqlType, const void* input,
                                   SQLLEN inputLength, void* output, SQLLEN outputSize,
                                   SQLLEN* outLength, bool inPlace) {
    SQLCHAR message[MESSAGE_SIZE];
    message[0] = 0;
    SQLSMALLINT messageLength = 0;
    SQLLEN produced = 0;
    bool ok = function(static_cast<SQLUINTEGER>(translationOption_), sqlType,
                       const_cast<void*>(input), inputLength, output, outputSize, &produced,
                       message, MESSAGE_SIZE, &messageLength) != 0;
    message[MESSAGE_SIZE - 1] = 0;
    if (!ok || message[0]) {
        addOdbcError(ODBC_S1000, 6024)
            << (message[0] ? reinterpret_cast<char*>(message) : "The translation failed");
        return VX_ERROR;
    }
    if (inPlace && produced != inputLength) {
        addOdbcError(ODBC_S1000, 6025);
        return VX_ERROR;
    }
    if (outLength)
        *outLength = produced;
    return VX_SUCCESS;
}

VxStatus BaseConnection::toDriver(short sqlType, void* buffer, SQLLEN length) {
    if (!translationLibrary_)
        return VX_SUCCESS;
    return translate(dataSourceToDriver_, sqlType, buffer, length, buffer, length, nullptr, true);
}

VxStatus BaseConnection::toDataSource(short sqlType, void* buffer, SQLLEN length) {
    if (!translationLibrary_)
        return VX_SUCCESS;
    return translate(driverToDataSource_, sqlType, buffer, length, buffer, length, nullptr, true);
}

namespace {

VxStatus copyCut(const void* input, SQLLEN inputLength, void* output, SQLLEN outputSize,
                 SQLLEN* outLength) {
    SQLLEN copied = inputLength > outputSize ? outputSize : inputLength;
    if (copied > 0)
        std::memmove(output, input, static_cast<std::size_t>(copied));
    if (copied < inputLength)
        addOdbcWarning(ODBC_01004);
    if (outLength)
        *outLength = copied;
    return VX_SUCCESS;
}

} // namespace

VxStatus BaseConnection::toDriver(short sqlType, const void* input, SQLLEN inputLength,
                                  void* output, SQLLEN outputSize, SQLLEN* outLength) {
    if (!translationLibrary_)
        return copyCut(input, inputLength, output, outputSize, outLength);
    return translate(dataSourceToDriver_, sqlType, input, inputLength, output, outputSize,
                     outLength, false);
}

VxStatus BaseConnection::toDataSource(short sqlType, const void* input, SQLLEN inputLength,
                                      void* output, SQLLEN outputSize, SQLLEN* outLength) {
    if (!translationLibrary_)
        return copyCut(input, inputLength, output, outputSize, outLength);
    return translate(driverToDataSource_, sqlType, input, inputLength, output, outputSize,
                     outLength, false);
}
