// TxtDropTableDesc: DROP TABLE on the Text driver. A defined table's file
// is its definition's FILE entry; an undefined name must be a file of the
// directory. execute deletes the file and, for a defined table, its
// section and its keys in "Defined Tables". A table that a statement of
// the connection has open is not dropped (4035).
#pragma once

#include "flat/FlatDropTableDesc.h"
#include "util/VxString.h"

class TxtDropTableDesc : public FlatDropTableDesc {
public:
    explicit TxtDropTableDesc(FlatStatement* statement);

    // 1250 (37000) for a name over 128 characters; 1240 (S0002) for a
    // table that does not exist; 4035 for a table open on the connection.
    [[nodiscard]] VxStatus canDropTableName(const char* name) override;
    [[nodiscard]] VxStatus execute() override;

private:
    [[nodiscard]] VxStatus resolve(const char* name);

    VxString directory_;
    VxString section_;  // the definition's section; empty when undefined
    VxString fileName_; // the table's file, without directory
    VxString filePath_; // directory and file
};
