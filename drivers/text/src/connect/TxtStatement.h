// TxtStatement: a statement of the Text driver. The engine's statement
// does the work; text tables have no indexes, so CREATE INDEX and DROP
// INDEX are refused with the driver's own messages; CREATE TABLE and DROP
// TABLE write and remove text files and their definitions. SQLGetTypeInfo answers
// the driver's three types, VARCHAR, NUMERIC and DATE.
#pragma once

#include <cstdint>

#include "base/BaseTypeInfo.h"
#include "flat/FlatStatement.h"

class TxtConnection;

class TxtStatement : public FlatStatement {
public:
    explicit TxtStatement(TxtConnection& connection);

    // Raise 1264 "Driver cannot create indexes." / 1265 "Driver cannot
    // drop indexes." (37000) and give no descriptor.
    FlatDescriptor* allocCrIndexDesc() override;
    FlatDescriptor* allocDropIndexDesc() override;
    // UPDATE and DELETE raise 1269 "Driver cannot update or delete rows of
    // text files." (S1C00) and give no descriptor, before any row is read;
    // INSERT and USE are the engine's.
    FlatDescriptor* allocModifyDesc(FlatStatementKind kind) override;
    // CREATE TABLE and DROP TABLE of text tables.
    FlatDescriptor* allocCreateDesc() override;
    FlatDescriptor* allocDropTableDesc() override;
    // The rows of the driver's type table that `sqlType` asks for.
    [[nodiscard]] VxStatus getTypeInfo(short sqlType) override;

    // The driver's type table, which CREATE TABLE matches type names against.
    static const BaseTypeInfo* getTypeTable(std::uint16_t* count);
};
