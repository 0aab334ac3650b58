// TxtCreateDesc: CREATE TABLE on the Text driver.
//
// The engine reads the column list against the driver's type table
// (VARCHAR, NUMERIC, DATE); this class checks the names and writes the
// table: a new file named after the table (TxtNewTable: its first 8
// characters and ".TXT", or its first 4 characters and a four-digit
// counter while that name is taken), a header line of the column names
// when the connection's first-line-names default is on, and the table's
// definition in the directory's "VXTXT.INI" with the connection's default
// table type and delimiter. A definition that cannot be written removes
// the new file again.
#pragma once

#include "flat/FlatCreateDesc.h"
#include "util/VxString.h"

class TxtConnection;
struct TxtTableDefinition;

class TxtCreateDesc : public FlatCreateDesc {
public:
    explicit TxtCreateDesc(FlatStatement* statement);

    // 1250 (37000) for a name over 128 characters; 1251 (S0001) for a name
    // already defined in its directory's "VXTXT.INI".
    [[nodiscard]] VxStatus canCreateTableName(const char* name) override;
    // 1253 (37000) for a name over 32 characters; 1252 (S0021) for a name
    // equal, without regard to case, to an earlier column's.
    [[nodiscard]] VxStatus canCreateColumnName(const char* name) override;
    [[nodiscard]] VxStatus execute() override;
    const BaseTypeInfo* getTypeTable(std::uint16_t* count) override;

private:
    TxtConnection* getTxtConnection() const;
    [[nodiscard]] VxStatus buildDefinition(TxtTableDefinition* definition);
    [[nodiscard]] VxStatus writeFile(const char* path, TxtTableDefinition& definition);
};
