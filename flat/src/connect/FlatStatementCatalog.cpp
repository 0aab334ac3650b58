// The catalog functions of a flat statement: the framework has checked
// the application's arguments into its catalog object; the matching
// catalog descriptor collects the rows, which are handed to that object.
#include "base/BaseCatalogInfo.h"
#include "base/BaseErrors.h"
#include "flat/FlatCatalogDesc.h"
#include "flat/FlatStatement.h"

namespace {

const char* patternOf(const BaseCatalogName& name) {
    return name.isGiven() ? name.getPattern() : nullptr;
}

template <class Desc> VxStatus allocDesc(FlatStatement* statement, Desc** desc) {
    *desc = new Desc(statement);
    return *desc ? VX_SUCCESS : VX_ERROR;
}

} // namespace

void FlatCatalogRequest::fromFramework(BaseCatalogInfo& info, FlatCatalogRequest* request) {
    *request = FlatCatalogRequest();
    request->qualifier = patternOf(info.name(CATALOG_QUALIFIER));
    request->owner = patternOf(info.name(CATALOG_OWNER));
    request->table = patternOf(info.name(CATALOG_NAME));
    switch (info.getKind()) {
    case CATALOG_TABLES: {
        auto& tables = static_cast<BaseTablesInfo&>(info);
        request->tableTypes = static_cast<std::uint16_t>(tables.getTypeBits() & TABLE_TYPES_ALL);
        request->special = static_cast<Special>(tables.getRequest());
        break;
    }
    case CATALOG_COLUMNS:
        request->column = patternOf(info.name(CATALOG_COLUMN));
        break;
    case CATALOG_STATISTICS:
        request->unique = static_cast<BaseStatisticsInfo&>(info).getUnique();
        break;
    case CATALOG_SPECIAL_COLUMNS: {
        auto& special = static_cast<BaseSpecialColumnsInfo&>(info);
        request->columnType = special.getColType();
        request->scope = special.getScope();
        request->nullable = special.getNullable();
        break;
    }
    default:
        break;
    }
}

VxStatus FlatStatement::allocStatisticsDesc(FlatStatisticsDesc** desc) {
    return allocDesc(this, desc);
}
VxStatus FlatStatement::allocPrimaryKeysDesc(FlatPrimaryDesc** desc) {
    return allocDesc(this, desc);
}
VxStatus FlatStatement::allocTableDesc(FlatTableDesc** desc) {
    return allocDesc(this, desc);
}
VxStatus FlatStatement::allocColumnDesc(FlatColumnDesc** desc) {
    return allocDesc(this, desc);
}
VxStatus FlatStatement::allocSpecialDesc(FlatSpecialDesc** desc) {
    return allocDesc(this, desc);
}

VxStatus FlatStatement::runCatalog(FlatCatalogDesc* desc, const FlatCatalogRequest& request,
                                   BaseCatalogInfo* info) {
    if (!desc)
        return VX_ERROR;
    if (desc->setParameters(request) != VX_SUCCESS || desc->getResultSet() != VX_SUCCESS ||
        (info && desc->copyRowsTo(*info) != VX_SUCCESS)) {
        delete desc;
        return VX_ERROR;
    }
    fetchedRows_ = 0;
    if (info) {
        delete desc;
        return VX_SUCCESS;
    }
    dropDescriptor();
    descriptor_ = desc;
    kind_ = FLAT_STMT_CATALOG;
    return describeResult();
}

namespace {

// The framework's catalog object of the running function, or an error.
template <class Info> Info* catalogInfo(FlatStatement& statement) {
    Info* info = Info::of(statement);
    if (!info)
        addOdbcError(ODBC_S1010);
    return info;
}

template <class Info, class Desc>
VxStatus runWith(FlatStatement& statement, VxStatus (FlatStatement::*alloc)(Desc**)) {
    Info* info = catalogInfo<Info>(statement);
    if (!info)
        return VX_ERROR;
    Desc* desc = nullptr;
    if ((statement.*alloc)(&desc) != VX_SUCCESS)
        return VX_ERROR;
    FlatCatalogRequest request;
    FlatCatalogRequest::fromFramework(*info, &request);
    return statement.runCatalog(desc, request, info);
}

} // namespace

VxStatus FlatStatement::executeTables(BaseInString*) {
    return runWith<BaseTablesInfo>(*this, &FlatStatement::allocTableDesc);
}

VxStatus FlatStatement::executeColumns() {
    return runWith<BaseColumnsInfo>(*this, &FlatStatement::allocColumnDesc);
}

VxStatus FlatStatement::executeStatistics(unsigned short) {
    return runWith<BaseStatisticsInfo>(*this, &FlatStatement::allocStatisticsDesc);
}

VxStatus FlatStatement::executeSpecial(unsigned short* noRows) {
    BaseSpecialColumnsInfo* info = BaseSpecialColumnsInfo::of(*this);
    VxStatus status = runWith<BaseSpecialColumnsInfo>(*this, &FlatStatement::allocSpecialDesc);
    if (noRows)
        *noRows = status == VX_SUCCESS && info && info->getRowCountKept() == 0 ? 1 : 0;
    return status;
}

VxStatus FlatStatement::executePrimary() {
    return runWith<BasePrimaryKeysInfo>(*this, &FlatStatement::allocPrimaryKeysDesc);
}
