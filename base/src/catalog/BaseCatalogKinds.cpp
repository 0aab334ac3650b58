// The catalog objects' lookups on a statement and the row rules of
// SQLStatistics and SQLGetTypeInfo.
#include <sqlext.h>

#include "base/BaseCatalogInfo.h"
#include "base/BaseStatement.h"

#define BASE_CATALOG_OF(Class)                                                                     \
    Class* Class::of(BaseStatement& statement) {                                                   \
        return dynamic_cast<Class*>(statement.getCatalogResult());                                 \
    }

BASE_CATALOG_OF(BaseColumnsInfo)
BASE_CATALOG_OF(BaseStatisticsInfo)
BASE_CATALOG_OF(BaseSpecialColumnsInfo)
BASE_CATALOG_OF(BasePrimaryKeysInfo)
BASE_CATALOG_OF(BaseForeignKeysInfo)
BASE_CATALOG_OF(BaseProceduresInfo)
BASE_CATALOG_OF(BaseProcedureColumnsInfo)
BASE_CATALOG_OF(BaseTablePrivilegesInfo)
BASE_CATALOG_OF(BaseColumnPrivilegesInfo)
BASE_CATALOG_OF(BaseGetTypesInfo)

#undef BASE_CATALOG_OF

namespace {

constexpr std::uint16_t STAT_NON_UNIQUE = 4;
constexpr std::uint16_t STAT_TYPE = 7;
constexpr std::uint16_t TYPE_DATA_TYPE = 2;

} // namespace

VxStatus BaseStatisticsInfo::addRow(BaseCatalogRow* row) {
    if (row && unique_ == SQL_INDEX_UNIQUE && row->getNumber(STAT_TYPE) != SQL_TABLE_STAT &&
        row->getNumber(STAT_NON_UNIQUE) != SQL_FALSE) {
        delete row;
        return VX_SUCCESS;
    }
    return keepRow(row);
}

VxStatus BaseGetTypesInfo::addRow(BaseCatalogRow* row) {
    if (row && sqlType_ != SQL_ALL_TYPES && row->getNumber(TYPE_DATA_TYPE) != sqlType_) {
        delete row;
        return VX_SUCCESS;
    }
    return keepRow(row);
}
