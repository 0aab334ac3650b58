#include "record/TxtFormat.h"

#include <initializer_list>

#include "util/str.h"

namespace {
const char* const tableTypeNames[] = {"Comma", "Tab", "Character", "Fixed"};
} // namespace

const char* txtTableTypeName(TxtTableType type) {
    return type <= TXT_TABLE_FIXED ? tableTypeNames[type] : tableTypeNames[0];
}

TxtTableType txtTableTypeFromName(const char* name) {
    for (unsigned type = TXT_TABLE_TAB; type <= TXT_TABLE_FIXED; ++type)
        if (strEqualCi(name, tableTypeNames[type]))
            return static_cast<TxtTableType>(type);
    return TXT_TABLE_COMMA;
}

char txtTableDelimiter(TxtTableType type, char character) {
    switch (type) {
    case TXT_TABLE_TAB:
        return '\t';
    case TXT_TABLE_CHARACTER:
        return character;
    case TXT_TABLE_FIXED:
        return 0;
    default:
        return ',';
    }
}

const char* txtColumnTypeName(char type) {
    switch (type) {
    case TXT_COLUMN_VARCHAR:
        return "VARCHAR";
    case TXT_COLUMN_NUMERIC:
        return "NUMERIC";
    case TXT_COLUMN_DATE:
        return "DATE";
    default:
        return nullptr;
    }
}

char txtColumnTypeFromName(const char* name) {
    for (char type : {TXT_COLUMN_VARCHAR, TXT_COLUMN_NUMERIC, TXT_COLUMN_DATE})
        if (strEqualCi(name, txtColumnTypeName(type)))
            return type;
    return TXT_COLUMN_NONE;
}
