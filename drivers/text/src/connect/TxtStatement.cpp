#include "connect/TxtStatement.h"

#include "connect/TxtConnection.h"
#include "error/TxtErrors.h"

TxtStatement::TxtStatement(TxtConnection& connection) : FlatStatement(connection) {}

FlatDescriptor* TxtStatement::allocCrIndexDesc() {
    txtAddError(ODBC_37000, TXT_MSG_NO_CREATE_INDEX);
    return nullptr;
}

FlatDescriptor* TxtStatement::allocDropIndexDesc() {
    txtAddError(ODBC_37000, TXT_MSG_NO_DROP_INDEX);
    return nullptr;
}
