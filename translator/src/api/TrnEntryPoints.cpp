// The three exported functions of the translation interface. They only clear
// the message buffer, delegate to TrnTranslation and report its failure.
#include "translate/TrnTranslation.h"
#include "translator/TrnInterface.h"
#include "util/VxExport.h"

#include <odbcinst.h>

namespace {

const BOOL TRN_TRUE = 1;
const BOOL TRN_FALSE = 0;

BOOL runTranslation(TrnDirection direction, SQLUINTEGER option, SQLSMALLINT sqlType,
                    SQLPOINTER input, SQLLEN inputLength, SQLPOINTER output, SQLLEN outputCapacity,
                    SQLLEN* outputLength, SQLCHAR* message, SQLSMALLINT messageCapacity,
                    SQLSMALLINT* messageLength) {
    TrnTranslation::clearMessage(message, messageCapacity, messageLength);
    TrnTranslation translation(direction, option, sqlType);
    if (translation.translate(input, inputLength, output, outputCapacity, outputLength) !=
        VX_SUCCESS) {
        TrnTranslation::copyMessage(translation.getFailureText(), message, messageCapacity,
                                    messageLength);
        return TRN_FALSE;
    }
    return TRN_TRUE;
}

} // namespace

extern "C" {

VX_EXPORT BOOL ConfigTranslator(HWND, DWORD* option) {
    if (option != nullptr) {
        *option = 0;
    }
    return TRN_TRUE;
}

VX_EXPORT BOOL SQLDataSourceToDriver(SQLUINTEGER option, SQLSMALLINT sqlType, SQLPOINTER input,
                                     SQLLEN inputLength, SQLPOINTER output, SQLLEN outputCapacity,
                                     SQLLEN* outputLength, SQLCHAR* message,
                                     SQLSMALLINT messageCapacity, SQLSMALLINT* messageLength) {
    return runTranslation(TrnDirection::OEM_TO_ANSI, option, sqlType, input, inputLength, output,
                          outputCapacity, outputLength, message, messageCapacity, messageLength);
}

VX_EXPORT BOOL SQLDriverToDataSource(SQLUINTEGER option, SQLSMALLINT sqlType, SQLPOINTER input,
                                     SQLLEN inputLength, SQLPOINTER output, SQLLEN outputCapacity,
                                     SQLLEN* outputLength, SQLCHAR* message,
                                     SQLSMALLINT messageCapacity, SQLSMALLINT* messageLength) {
    return runTranslation(TrnDirection::ANSI_TO_OEM, option, sqlType, input, inputLength, output,
                          outputCapacity, outputLength, message, messageCapacity, messageLength);
}

} // extern "C"
