// Oci7Types: the Oracle description of a column from its declared type.
//
// Tables are created with Oracle type names, which SQLite keeps as written
// ("VARCHAR2(30)", "NUMBER(7,2)", "LONG VARCHAR" for LONG, "LONG RAW").
// The same description feeds odescr and the dictionary views.
#pragma once

#include <string>

namespace oci7 {

struct ColumnType {
    int oracleType = 1;   // internal type (OCI7_TYPE_*)
    std::string typeName; // dictionary DATA_TYPE ("VARCHAR2", "NUMBER", ...)
    int size = 0;         // odescr dbsize / dictionary DATA_LENGTH
    int displaySize = 0;  // odescr dsize
    int precision = 0;    // NUMBER precision, 0 when none
    int scale = 0;        // NUMBER scale; -127 for floating NUMBER
    bool hasPrecision = false;
    bool hasScale = false;
};

// Describes declared type `decl` (case-insensitive). Unknown names are
// mapped as SQLite would give them affinity.
ColumnType parseDeclaredType(const std::string& decl);

// Types of values with no declared type.
ColumnType varchar2Type(int size);
ColumnType charType(int size);
ColumnType numberType();
ColumnType dateType();
ColumnType rowidType();

} // namespace oci7
