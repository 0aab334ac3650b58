// SQLTables over the table files: the requested types in the order TABLE,
// VIEW, SYSTEM TABLE, ALIAS, SYNONYM, each enumerated through the
// connection (getTable, getView ...); or one of the three list requests.
#include "flat/FlatCatalogDesc.h"
#include "flat/FlatConnection.h"
#include "util/ram.h"

namespace {

enum : std::uint16_t { COL_QUALIFIER = 1, COL_OWNER, COL_NAME, COL_TYPE, COL_REMARKS };

using Enumerator = VxStatus (FlatConnection::*)(char**, const char*, const char*, bool);

struct TypeSource {
    std::uint16_t bit;
    const char* name;
    Enumerator next; // null: the table enumeration of the catalog base
};

const TypeSource TYPES[] = {
    {FlatCatalogRequest::TABLE_TYPES_TABLE, "TABLE", nullptr},
    {FlatCatalogRequest::TABLE_TYPES_VIEW, "VIEW", &FlatConnection::getView},
    {FlatCatalogRequest::TABLE_TYPES_SYSTEM, "SYSTEM TABLE", &FlatConnection::getSystemTable},
    {FlatCatalogRequest::TABLE_TYPES_ALIAS, "ALIAS", &FlatConnection::getAlias},
    {FlatCatalogRequest::TABLE_TYPES_SYNONYM, "SYNONYM", &FlatConnection::getSynonym},
};

} // namespace

FlatTableDesc::FlatTableDesc(FlatStatement* statement)
    : FlatCatalogDesc(statement, CATALOG_TABLES) {}

VxStatus FlatTableDesc::addTableRow(const char* dir, const char* name, const char* type) {
    const bool qualifiers = getConnection()->hasFlatFlag(FlatConnection::FLAT_QUALIFIERS);
    if (addRow() != VX_SUCCESS || (qualifiers && setText(COL_QUALIFIER, dir) != VX_SUCCESS) ||
        setText(COL_NAME, name) != VX_SUCCESS || setText(COL_TYPE, type) != VX_SUCCESS ||
        setText(COL_REMARKS, "") != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatTableDesc::addOtherType(const char* dir, Enumerator next, const char* type) {
    FlatConnection* connection = getConnection();
    bool first = true;
    for (;;) {
        char* name = nullptr;
        if ((connection->*next)(&name, dir, nullptr, first) != VX_SUCCESS)
            return VX_ERROR;
        first = false;
        if (!name)
            return VX_SUCCESS;
        VxStatus status = matchesTable(name) ? addTableRow(dir, name, type) : VX_SUCCESS;
        ramFree(name);
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
}

VxStatus FlatTableDesc::listSpecial() {
    switch (request_.special) {
    case FlatCatalogRequest::SPECIAL_QUALIFIERS: {
        const char* dir = getConnection()->getDataDirectory();
        if (!getConnection()->hasFlatFlag(FlatConnection::FLAT_QUALIFIERS) || !dir)
            return VX_SUCCESS;
        return addRow() == VX_SUCCESS ? setText(COL_QUALIFIER, dir) : VX_ERROR;
    }
    case FlatCatalogRequest::SPECIAL_TYPES:
        return addRow() == VX_SUCCESS ? setText(COL_TYPE, "TABLE") : VX_ERROR;
    default: // the engine's tables have no owners
        return VX_SUCCESS;
    }
}

VxStatus FlatTableDesc::getResultSet() {
    if (request_.special != FlatCatalogRequest::SPECIAL_NONE)
        return listSpecial();
    for (const TypeSource& source : TYPES) {
        if (!(request_.tableTypes & source.bit))
            continue;
        if (!source.next) {
            VxStatus status =
                forEachTable([](FlatCatalogDesc* self, const char* dir, const char* table) {
                    return static_cast<FlatTableDesc*>(self)->addTableRow(dir, table, "TABLE");
                });
            if (status != VX_SUCCESS)
                return VX_ERROR;
            continue;
        }
        if (directory_ && addOtherType(directory_, source.next, source.name) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
