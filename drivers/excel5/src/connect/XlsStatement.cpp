#include "connect/XlsStatement.h"

#include "connect/XlsConnection.h"

XlsStatement::XlsStatement(XlsConnection& connection) : FlatStatement(connection) {}
