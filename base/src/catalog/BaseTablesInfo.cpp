// BaseTablesInfo: SQLTables' rows and the table types of its type list.
#include <cctype>
#include <cstring>

#include "base/BaseCatalogInfo.h"
#include "base/BaseStatement.h"

namespace {

struct TypeName {
    const char* name;
    std::uint16_t bit;
};

constexpr TypeName TYPE_NAMES[] = {
    {"TABLE", TABLE_TYPE_TABLE},
    {"VIEW", TABLE_TYPE_VIEW},
    {"SYSTEM TABLE", TABLE_TYPE_SYSTEM_TABLE},
    {"ALIAS", TABLE_TYPE_ALIAS},
    {"SYNONYM", TABLE_TYPE_SYNONYM},
    {"GLOBAL TEMPORARY", TABLE_TYPE_GLOBAL_TEMPORARY},
    {"LOCAL TEMPORARY", TABLE_TYPE_LOCAL_TEMPORARY},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::uint16_t baseTableTypeBit(const char* name, std::size_t length) {
    for (const TypeName& type : TYPE_NAMES)
        if (std::strlen(type.name) == length && std::strncmp(type.name, name, length) == 0)
            return type.bit;
    return 0;
}

std::uint16_t baseTableTypeBits(const char* list, SQLLEN length) {
    if (!list)
        return TABLE_TYPE_ALL;
    std::size_t size =
        length == SQL_NTS || length < 0 ? std::strlen(list) : static_cast<std::size_t>(length);
    std::uint16_t bits = 0;
    std::size_t pos = 0;
    while (pos <= size) {
        std::size_t end = pos;
        while (end < size && list[end] != ',')
            ++end;
        std::size_t first = pos;
        std::size_t last = end;
        while (first < last && isBlank(list[first]))
            ++first;
        while (last > first && isBlank(list[last - 1]))
            --last;
        if (last - first >= 2 && list[first] == '\'' && list[last - 1] == '\'') {
            ++first;
            --last;
        }
        bits = static_cast<std::uint16_t>(bits | baseTableTypeBit(list + first, last - first));
        pos = end + 1;
    }
    return bits;
}

BaseTablesInfo* BaseTablesInfo::of(BaseStatement& statement) {
    return dynamic_cast<BaseTablesInfo*>(statement.getCatalogResult());
}

bool BaseTablesInfo::selectsType(const char* type) const {
    if (typeBits_ == TABLE_TYPE_ALL)
        return true;
    std::uint16_t bit = type ? baseTableTypeBit(type, std::strlen(type)) : 0;
    return (bit & typeBits_) != 0;
}

VxStatus BaseTablesInfo::addTable(const char* qualifier, const char* owner, const char* name,
                                  const char* type, const char* remarks) {
    BaseCatalogRow* row = newRow();
    if (!row)
        return VX_ERROR;
    if (row->setText(1, qualifier) != VX_SUCCESS || row->setText(2, owner) != VX_SUCCESS ||
        row->setText(3, name) != VX_SUCCESS || row->setText(4, type) != VX_SUCCESS ||
        row->setText(5, remarks) != VX_SUCCESS) {
        delete row;
        return VX_ERROR;
    }
    return addRow(row);
}

VxStatus BaseTablesInfo::addRow(BaseCatalogRow* row) {
    if (row && request_ == TABLES_SEARCH && !selectsType(row->getText(4))) {
        delete row;
        return VX_SUCCESS;
    }
    return keepRow(row);
}
