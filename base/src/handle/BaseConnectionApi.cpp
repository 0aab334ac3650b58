// The default hooks of BaseConnection, and the connection functions whose
// logic is not yet in place: those answer IM001 "Driver does not support
// this function." after the usual busy check, so that the driver manager
// can load and call every driver. (Connecting, options and transactions
// are in the connect area.)
#include <sqlext.h>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"

VxStatus BaseConnection::expandNativeEscape(VxReplaceString*, unsigned long, EscapeType,
                                            EscapeFunctionType) {
    return VX_ERROR;
}

VxStatus BaseConnection::startTransaction() {
    return VX_SUCCESS;
}

VxStatus BaseConnection::endTransaction(unsigned short) {
    return VX_ERROR;
}

VxStatus BaseConnection::getAskedForInfo(unsigned short, void**, BaseInfoValType*) {
    return VX_ERROR;
}

bool BaseConnection::isBinaryCTypeHandled(short) {
    return false;
}

VxStatus BaseConnection::isFunctionSupported(unsigned short, unsigned short*) {
    return VX_SUCCESS;
}

VxStatus BaseConnection::initialize() {
    return VX_SUCCESS;
}

VxStatus BaseConnection::modifyBrowse(const char*, VxString*) {
    return VX_SUCCESS;
}

VxStatus BaseConnection::processBrowse(VxValueParser* parser) {
    if (connectInit(parser) != VX_SUCCESS)
        return VX_ERROR;
    return connectLogon();
}
