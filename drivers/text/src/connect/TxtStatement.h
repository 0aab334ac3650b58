// TxtStatement: a statement of the Text driver. The engine's statement
// does the work; text tables have no indexes, so CREATE INDEX and DROP
// INDEX are refused with the driver's own messages. SQLGetTypeInfo answers
// the driver's three types, VARCHAR, NUMERIC and DATE.
#pragma once

#include "flat/FlatStatement.h"

class TxtConnection;

class TxtStatement : public FlatStatement {
public:
    explicit TxtStatement(TxtConnection& connection);

    // Raise 1264 "Driver cannot create indexes." / 1265 "Driver cannot
    // drop indexes." (37000) and give no descriptor.
    FlatDescriptor* allocCrIndexDesc() override;
    FlatDescriptor* allocDropIndexDesc() override;
    // The rows of the driver's type table that `sqlType` asks for.
    [[nodiscard]] VxStatus getTypeInfo(short sqlType) override;
};
