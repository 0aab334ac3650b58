// The connection options the engine keeps itself: access mode,
// autocommit, the current qualifier (the data directory) and option 1044
// (the driver's table-definition dialog). Every other option is the
// framework's.
#include <sqlext.h>

#include <cstring>

#include "flat/FlatConnection.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatStatement.h"
#include "util/str.h"

namespace {

// Room the application gives a string option.
constexpr std::size_t OPTION_STRING_BUFFER = 256;

} // namespace

VxStatus FlatConnection::setAutocommitOnStatements(SQLULEN value) {
    if (hasFlatFlag(FLAT_NO_TRANSACTIONS))
        return VX_SUCCESS;
    for (std::uint32_t i = 0; i < getStatementCount(); ++i) {
        auto* statement = dynamic_cast<FlatStatement*>(getStatementAtPos(i));
        if (!statement || !statement->getDescriptor())
            continue;
        if (statement->getDescriptor()->changeTransactionMode(static_cast<unsigned long>(value)) !=
            VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatConnection::setConnectOption(unsigned short option, SQLULEN value) {
    switch (option) {
    case SQL_ACCESS_MODE:
        setFlatFlag(FLAT_READ_ONLY, value == SQL_MODE_READ_ONLY);
        return BaseConnection::setConnectOption(option, value);
    case SQL_AUTOCOMMIT:
        if (setAutocommitOnStatements(value) != VX_SUCCESS)
            return VX_ERROR;
        if (value == SQL_AUTOCOMMIT_ON)
            setFlatFlag(FLAT_AUTOCOMMIT, true);
        return BaseConnection::setConnectOption(option, value);
    case SQL_CURRENT_QUALIFIER: {
        const char* directory = reinterpret_cast<const char*>(value);
        if (setDataDirectory(directory) != VX_SUCCESS)
            return VX_ERROR;
        return changeDatabase(dataDirectory_ ? dataDirectory_ : "");
    }
    case FLAT_CONN_OPT_SETUP_DIALOG:
        bringSetupDialog(static_cast<unsigned long>(value));
        return VX_SUCCESS;
    default:
        return BaseConnection::setConnectOption(option, value);
    }
}

VxStatus FlatConnection::getConnectOption(unsigned short option, void* value) {
    switch (option) {
    case SQL_CURRENT_QUALIFIER:
        strCopy(static_cast<char*>(value), OPTION_STRING_BUFFER,
                dataDirectory_ ? dataDirectory_ : "");
        return VX_SUCCESS;
    case FLAT_CONN_OPT_SETUP_DIALOG: {
        const SQLUINTEGER none = 0;
        std::memcpy(value, &none, sizeof none);
        return VX_SUCCESS;
    }
    default:
        return BaseConnection::getConnectOption(option, value);
    }
}
