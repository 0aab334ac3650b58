// The length rules and the two kinds of translation.
#include "translate/TrnTranslation.h"

#include "charset/TrnCodePageTables.h"
#include "trace/TrnTraceFile.h"
#include "translator/TrnInterface.h"

#include <sqlext.h>

#include <cstdlib>
#include <cstring>

namespace {

const char TOO_LARGE[] = "Input data too large to translate";
const char NO_MEMORY[] = "Unable to allocate memory";
const char BAD_LENGTH[] = "Invalid input data length";
const char NO_BUFFER[] = "Input or output buffer missing";
const char NO_TABLES[] = "Unable to load the code page conversion tables";

} // namespace

TrnTranslation::TrnTranslation(TrnDirection direction, SQLUINTEGER option, SQLSMALLINT sqlType)
    : direction_(direction), option_(option), sqlType_(sqlType), failureText_(nullptr) {}

bool TrnTranslation::isCharacterType(SQLSMALLINT sqlType) {
    return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR || sqlType == SQL_LONGVARCHAR;
}

VxStatus TrnTranslation::fail(const char* text) {
    failureText_ = text;
    return VX_ERROR;
}

VxStatus TrnTranslation::translate(const void* input, SQLLEN inputLength, void* output,
                                   SQLLEN outputCapacity, SQLLEN* outputLength) {
    std::size_t length = 0;
    if (resolveInputLength(input, inputLength, output, outputCapacity, &length) != VX_SUCCESS) {
        return VX_ERROR;
    }
    if (isCharacterType(sqlType_)) {
        if (translateCharacters(static_cast<const unsigned char*>(input), length,
                                static_cast<unsigned char*>(output),
                                outputCapacity) != VX_SUCCESS) {
            return VX_ERROR;
        }
    } else if (length > 0) {
        std::memmove(output, input, length);
    }
    if (outputLength != nullptr) {
        *outputLength = static_cast<SQLLEN>(length);
    }
    return VX_SUCCESS;
}

VxStatus TrnTranslation::resolveInputLength(const void* input, SQLLEN inputLength,
                                            const void* output, SQLLEN outputCapacity,
                                            std::size_t* length) {
    if (inputLength == SQL_NTS && input != nullptr) {
        // A NUL-terminated input is measured, but never further than the
        // longest input accepted.
        inputLength =
            static_cast<SQLLEN>(strnlen(static_cast<const char*>(input), TRN_MAX_INPUT_LENGTH));
    } else if (inputLength < 0) {
        return fail(BAD_LENGTH);
    }
    if (inputLength > outputCapacity || inputLength >= TRN_MAX_INPUT_LENGTH) {
        return fail(TOO_LARGE);
    }
    if ((input == nullptr && inputLength > 0) || (output == nullptr && outputCapacity > 0)) {
        return fail(NO_BUFFER);
    }
    *length = static_cast<std::size_t>(inputLength);
    return VX_SUCCESS;
}

VxStatus TrnTranslation::translateCharacters(const unsigned char* input, std::size_t length,
                                             unsigned char* output, SQLLEN outputCapacity) {
    const TrnCodePageTables* tables = TrnCodePageTables::get();
    if (tables == nullptr) {
        return fail(NO_TABLES);
    }
    // The input is copied first: the caller may translate in place, or into a
    // buffer that overlaps the input, and the trace shows the original bytes.
    unsigned char* work = static_cast<unsigned char*>(std::malloc(length + 1));
    if (work == nullptr) {
        return fail(NO_MEMORY);
    }
    if (length > 0) {
        std::memcpy(work, input, length);
    }
    if (direction_ == TrnDirection::OEM_TO_ANSI) {
        tables->oemToAnsi(work, length, output);
    } else {
        tables->ansiToOem(work, length, output);
    }
    if (static_cast<SQLLEN>(length) < outputCapacity) {
        output[length] = '\0';
    }
    if (option_ == TRN_TRACE_OPTION) {
        TrnTraceFile::append(work, length, output, length);
    }
    std::free(work);
    return VX_SUCCESS;
}

void TrnTranslation::clearMessage(SQLCHAR* message, SQLSMALLINT capacity, SQLSMALLINT* length) {
    if (length != nullptr) {
        *length = 0;
    }
    if (message != nullptr && capacity > 0) {
        message[0] = '\0';
    }
}

void TrnTranslation::copyMessage(const char* text, SQLCHAR* message, SQLSMALLINT capacity,
                                 SQLSMALLINT* length) {
    if (message == nullptr || capacity <= 0) {
        return;
    }
    std::size_t textLength = std::strlen(text);
    std::size_t room = static_cast<std::size_t>(capacity) - 1;
    bool truncated = textLength > room;
    std::size_t copied = truncated ? room : textLength;
    std::memcpy(message, text, copied);
    message[copied] = '\0';
    if (length != nullptr) {
        *length = truncated ? capacity : static_cast<SQLSMALLINT>(copied);
    }
}
