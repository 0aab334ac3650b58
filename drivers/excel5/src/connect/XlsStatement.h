// XlsStatement: a statement of the Excel 5 driver. The engine's statement
// does the work; workbook tables are read only.
#pragma once

#include "flat/FlatStatement.h"

class XlsConnection;

class XlsStatement : public FlatStatement {
public:
    explicit XlsStatement(XlsConnection& connection);
};
