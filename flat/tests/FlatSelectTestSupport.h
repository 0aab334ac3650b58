// A SELECT over in-memory tables: two tables EMP and DEPT, a descriptor
// without a statement, parameters from a fake source, and helpers that
// report outcomes and rows as text.
#pragma once

#include <string>
#include <vector>

#include "FlatMemoryTable.h"
#include "FlatTestSupport.h"
#include "flat/FlatSelectDesc.h"
#include "util/VxError.h"

class SelectFixture {
public:
    SelectFixture();
    ~SelectFixture();

    // "ok", or "E:<message>/<SQLSTATE>" of the first error.
    std::string parse(const std::string& sql, unsigned mode = 0);
    // Executes and fetches every row, each as "v1|v2|..." ("NULL" for
    // NULL); a failure gives one entry "E:...".
    std::vector<std::string> rows();
    // Current row's values.
    std::string currentRow();
    std::string firstError();

    FlatMemoryTables tables;
    FlatMemoryTable* emp = nullptr;
    FlatMemoryTable* dept = nullptr;
    FakeParamSource params;
    VxErrorList errors{nullptr, 1};
    FlatSelectDesc desc{nullptr};
};

// Adds `count` rows (1, "n1"), (2, "n2") ... to a table of columns ID, NAME.
FlatMemoryTable& addNumberedTable(FlatMemoryTables& tables, const std::string& name, int count);
