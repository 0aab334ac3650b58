// FlatDropTableDesc: the descriptor of DROP TABLE name. parse reads the
// name and lets canDropTableName check it; the driver's subclass removes
// the table in execute.
#pragma once

#include "flat/FlatDescriptor.h"
#include "util/VxString.h"

class VX_EXPORT FlatDropTableDesc : public FlatDescriptor {
public:
    explicit FlatDropTableDesc(FlatStatement* statement);
    ~FlatDropTableDesc() override;

    [[nodiscard]] VxStatus parse(const char* sql) override;
    // The base refuses a file open on the connection (4035) and a missing
    // one (4036).
    [[nodiscard]] virtual VxStatus canDropTableName(const char* name);

    const char* getTableName() { return tableName_.getText(); }
    void cleanUp() { (void)tableName_.initialize(""); }

protected:
    VxString tableName_;
};
