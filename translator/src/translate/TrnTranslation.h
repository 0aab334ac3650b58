// One call of a translation entry point: checks the lengths, converts character
// values between the OEM and ANSI code pages byte for byte, copies values of
// every other SQL type unchanged, and writes the trace record when asked to.
//
// A failing step records its message (getFailureText) and returns VX_ERROR; the
// entry point copies the message into the caller's message buffer.
#pragma once

#include "util/VxStatus.h"

#include <sqltypes.h>

#include <cstddef>

enum class TrnDirection {
    OEM_TO_ANSI, // data source to driver
    ANSI_TO_OEM, // driver to data source
};

class TrnTranslation {
public:
    TrnTranslation(TrnDirection direction, SQLUINTEGER option, SQLSMALLINT sqlType);

    // Translates `inputLength` bytes of `input` into `output`, which holds
    // `outputCapacity` bytes, and stores the number of bytes written (without
    // the terminating NUL) in *outputLength when it is given. The two buffers
    // may overlap. The output is undefined after a failure.
    VxStatus translate(const void* input, SQLLEN inputLength, void* output, SQLLEN outputCapacity,
                       SQLLEN* outputLength);

    // The reason of the last failure; null while nothing failed.
    const char* getFailureText() const { return failureText_; }

    // Clears the message length and the first byte of the message buffer,
    // whichever is given.
    static void clearMessage(SQLCHAR* message, SQLSMALLINT capacity, SQLSMALLINT* length);

    // Copies `text` into the message buffer, truncated to capacity - 1 bytes and
    // NUL-terminated; *length receives the bytes written, the full capacity when
    // the text was truncated. Nothing is written to a missing or empty buffer.
    static void copyMessage(const char* text, SQLCHAR* message, SQLSMALLINT capacity,
                            SQLSMALLINT* length);

    static bool isCharacterType(SQLSMALLINT sqlType);

private:
    // Checks the lengths and buffers and yields the input length in bytes.
    VxStatus resolveInputLength(const void* input, SQLLEN inputLength, const void* output,
                                SQLLEN outputCapacity, std::size_t* length);
    VxStatus translateCharacters(const unsigned char* input, std::size_t length,
                                 unsigned char* output, SQLLEN outputCapacity);
    VxStatus fail(const char* text);

    TrnDirection direction_;
    SQLUINTEGER option_;
    SQLSMALLINT sqlType_;
    const char* failureText_;
};
