// XlsStatement: a statement of the Excel 5 driver. The engine's statement
// does the work; workbook tables are read only. SQLGetTypeInfo answers the
// driver's six column types.
#pragma once

#include "flat/FlatStatement.h"

class XlsConnection;

class XlsStatement : public FlatStatement {
public:
    explicit XlsStatement(XlsConnection& connection);

    // The rows of the driver's type table that `sqlType` asks for.
    [[nodiscard]] VxStatus getTypeInfo(short sqlType) override;
};
