// BaseInfoTable: searching a chain of information tables, the framework's
// default table, and the kinds of the information types.
#include "base/BaseInfoTable.h"

#include <algorithm>

namespace {

constexpr BaseInfoEntry DEFAULT_ENTRIES[] = {
#define BASE_INFO_NUMBER(type, kind, value) BaseInfoEntry::ofNumber(type, kind, value),
#define BASE_INFO_TEXT(type, text) BaseInfoEntry::ofText(type, text),
#define BASE_INFO_RESOURCE(type, id) BaseInfoEntry::resource(type, id),
#include "info/BaseInfoDefaults.def"
#undef BASE_INFO_NUMBER
#undef BASE_INFO_TEXT
#undef BASE_INFO_RESOURCE
};

// The types without a default entry, which the driver answers itself:
// their kind is fixed all the same.
struct TypeKind {
    std::uint16_t infoType;
    BaseInfoValType kind;
};

constexpr TypeKind DRIVER_ANSWERED[] = {
    {2, INFO_VAL_STRING},    // SQL_DATA_SOURCE_NAME (the connection's)
    {6, INFO_VAL_STRING},    // SQL_DRIVER_NAME (the library's)
    {16, INFO_VAL_STRING},   // SQL_DATABASE_NAME
    {18, INFO_VAL_STRING},   // SQL_DBMS_VER
    {26, INFO_VAL_U32},      // SQL_DEFAULT_TXN_ISOLATION
    {30, INFO_VAL_U16},      // SQL_MAX_COLUMN_NAME_LEN
    {35, INFO_VAL_U16},      // SQL_MAX_TABLE_NAME_LEN
    {47, INFO_VAL_STRING},   // SQL_USER_NAME
    {49, INFO_VAL_MASK32},   // SQL_NUMERIC_FUNCTIONS
    {50, INFO_VAL_MASK32},   // SQL_STRING_FUNCTIONS
    {51, INFO_VAL_MASK32},   // SQL_SYSTEM_FUNCTIONS
    {52, INFO_VAL_MASK32},   // SQL_TIMEDATE_FUNCTIONS
    {72, INFO_VAL_MASK32},   // SQL_TXN_ISOLATION_OPTION
    {107, INFO_VAL_U16},     // SQL_MAX_USER_NAME_LEN
    {1011, INFO_VAL_STRING}, // answered as SQL_KEYWORDS
    {65002, INFO_VAL_U16},   // answered as SQL_FILE_USAGE
};

bool entriesSorted(const BaseInfoEntry* entries, std::size_t count) {
    for (std::size_t i = 1; i < count; ++i)
        if (entries[i - 1].infoType >= entries[i].infoType)
            return false;
    return true;
}

// ODBC 3 information types and the ODBC 2 type each is answered as.
struct Odbc3Type {
    std::uint16_t odbc3;
    std::uint16_t odbc2;
    bool derived;
};

constexpr std::uint16_t NO_ODBC2_TYPE = 0xFFFF;

constexpr Odbc3Type ODBC3_TYPES[] = {
    {115, 65003, false},  // SQL_OJ_CAPABILITIES
    {10002, 10002, true}, // SQL_DESCRIBE_PARAMETER: SQLDescribeParam supported
    {10003, 10003, true}, // SQL_CATALOG_NAME: qualifiers supported
};

} // namespace

BaseInfoTable::BaseInfoTable(const BaseInfoEntry* entries, std::size_t count)
    : BaseInfoTable(entries, count, &baseDefaultInfoTable()) {}

BaseInfoTable::BaseInfoTable(const BaseInfoEntry* entries, std::size_t count,
                             const BaseInfoTable* next)
    : entries_(entries), count_(entries ? count : 0), next_(next),
      sorted_(entriesSorted(entries, entries ? count : 0)) {}

const BaseInfoEntry* BaseInfoTable::findHere(std::uint16_t infoType) const {
    const BaseInfoEntry* end = entries_ + count_;
    if (!sorted_) {
        const BaseInfoEntry* found = std::find_if(
            entries_, end, [infoType](const BaseInfoEntry& e) { return e.infoType == infoType; });
        return found == end ? nullptr : found;
    }
    const BaseInfoEntry* found =
        std::lower_bound(entries_, end, infoType, [](const BaseInfoEntry& e, std::uint16_t type) {
            return e.infoType < type;
        });
    return found != end && found->infoType == infoType ? found : nullptr;
}

const BaseInfoEntry* BaseInfoTable::find(std::uint16_t infoType,
                                         const BaseInfoTable* stopAt) const {
    for (const BaseInfoTable* table = this; table && table != stopAt; table = table->next_)
        if (const BaseInfoEntry* entry = table->findHere(infoType))
            return entry;
    return nullptr;
}

const BaseInfoTable& baseDefaultInfoTable() {
    static const BaseInfoTable table(DEFAULT_ENTRIES,
                                     sizeof DEFAULT_ENTRIES / sizeof DEFAULT_ENTRIES[0], nullptr);
    return table;
}

VxStatus findInfoType(std::uint16_t infoType, BaseInfoValType* valueType) {
    *valueType = INFO_VAL_NOT_FOUND;
    if (const BaseInfoEntry* entry = baseDefaultInfoTable().findHere(infoType)) {
        // A resource number stands for a text.
        *valueType = entry->valueType == INFO_VAL_RESOURCE ? INFO_VAL_STRING : entry->valueType;
        return VX_SUCCESS;
    }
    for (const TypeKind& known : DRIVER_ANSWERED)
        if (known.infoType == infoType) {
            *valueType = known.kind;
            return VX_SUCCESS;
        }
    return VX_ERROR;
}

bool baseIsOdbc2InfoType(std::uint16_t infoType) {
    return infoType <= 114 || (infoType >= 1011 && infoType <= 1027) || infoType == 65002 ||
           infoType == 65003;
}

std::uint16_t baseOdbc2InfoType(std::uint16_t infoType, bool* derived) {
    *derived = false;
    if (baseIsOdbc2InfoType(infoType))
        return infoType;
    for (const Odbc3Type& type : ODBC3_TYPES)
        if (type.odbc3 == infoType) {
            *derived = type.derived;
            return type.odbc2;
        }
    return NO_ODBC2_TYPE;
}
