#include "Oci7Types.h"

#include <cctype>
#include <cstdlib>

#include "Oci7Sql.h"
#include "oci7.h"

namespace oci7 {

namespace {

ColumnType numberWith(int precision, int scale, bool hasPrecision, bool hasScale) {
    ColumnType t;
    t.oracleType = OCI7_TYPE_NUMBER;
    t.typeName = "NUMBER";
    t.size = 22;
    t.precision = precision;
    t.scale = scale;
    t.hasPrecision = hasPrecision;
    t.hasScale = hasScale;
    t.displaySize = hasPrecision && precision > 0 ? precision + 2 : 40;
    return t;
}

ColumnType floatType(int precision) {
    ColumnType t = numberWith(precision, -127, true, false);
    t.displaySize = 40;
    return t;
}

ColumnType simple(int type, const char* name, int size, int display) {
    ColumnType t;
    t.oracleType = type;
    t.typeName = name;
    t.size = size;
    t.displaySize = display;
    return t;
}

} // namespace

ColumnType varchar2Type(int size) {
    return simple(OCI7_TYPE_VARCHAR2, "VARCHAR2", size, size);
}
ColumnType charType(int size) {
    return simple(OCI7_TYPE_CHAR, "CHAR", size, size);
}
ColumnType numberType() {
    return numberWith(0, 0, false, false);
}
ColumnType dateType() {
    return simple(OCI7_TYPE_DATE, "DATE", 7, 9);
}
ColumnType rowidType() {
    return simple(OCI7_TYPE_ROWID, "ROWID", 18, 18);
}

ColumnType parseDeclaredType(const std::string& declared) {
    std::string decl = upperAscii(declared);
    // Name words, then "(a[,b])".
    size_t paren = decl.find('(');
    std::string name = decl.substr(0, paren);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    while (!name.empty() && name.front() == ' ')
        name.erase(0, 1);
    int a = 0, b = 0;
    bool hasA = false, hasB = false;
    if (paren != std::string::npos) {
        const char* p = decl.c_str() + paren + 1;
        char* end = nullptr;
        a = static_cast<int>(std::strtol(p, &end, 10));
        hasA = end != p;
        while (*end == ' ')
            ++end;
        if (*end == ',') {
            p = end + 1;
            b = static_cast<int>(std::strtol(p, &end, 10));
            hasB = end != p;
        }
    }
    if (name == "VARCHAR2" || name == "VARCHAR" || name == "NVARCHAR2" ||
        name == "CHARACTER VARYING" || name == "CHAR VARYING")
        return varchar2Type(hasA ? a : 2000);
    if (name == "CHAR" || name == "CHARACTER" || name == "NCHAR")
        return charType(hasA ? a : 1);
    if (name == "NUMBER" || name == "NUMERIC" || name == "DECIMAL" || name == "DEC") {
        if (!hasA)
            return name == "NUMBER" ? numberType() : numberWith(38, 0, true, true);
        return numberWith(a, hasB ? b : 0, true, true);
    }
    if (name == "INTEGER" || name == "INT" || name == "SMALLINT")
        return numberWith(38, 0, true, true);
    if (name == "FLOAT")
        return floatType(hasA ? a : 126);
    if (name == "REAL")
        return floatType(63);
    if (name == "DOUBLE PRECISION" || name == "DOUBLE")
        return floatType(126);
    if (name == "DATE")
        return dateType();
    if (name == "LONG" || name == "LONG VARCHAR" || name == "CLOB" || name == "TEXT")
        return simple(OCI7_TYPE_LONG, "LONG", 0, 0);
    if (name == "RAW")
        return simple(OCI7_TYPE_RAW, "RAW", hasA ? a : 2000, 2 * (hasA ? a : 2000));
    if (name == "LONG RAW" || name == "BLOB")
        return simple(OCI7_TYPE_LONG_RAW, "LONG RAW", 0, 0);
    if (name == "ROWID")
        return rowidType();
    // Other names: by SQLite's affinity rules.
    if (name.find("INT") != std::string::npos)
        return numberWith(38, 0, true, true);
    if (name.find("CHAR") != std::string::npos || name.find("CLOB") != std::string::npos ||
        name.find("TEXT") != std::string::npos)
        return varchar2Type(hasA ? a : 2000);
    if (name.find("BLOB") != std::string::npos)
        return simple(OCI7_TYPE_RAW, "RAW", 2000, 4000);
    if (name.find("REAL") != std::string::npos || name.find("FLOA") != std::string::npos ||
        name.find("DOUB") != std::string::npos)
        return floatType(126);
    return numberType();
}

} // namespace oci7
