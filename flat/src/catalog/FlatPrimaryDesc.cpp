// SQLPrimaryKeys: the key columns of the indexes marked as primary keys.
// The engine's table descriptions carry no such index, so the result is
// empty; the table is still located so that a later index layer only adds
// its rows here.
#include "flat/FlatCatalogDesc.h"
#include "util/VxString.h"

FlatPrimaryDesc::FlatPrimaryDesc(FlatStatement* statement)
    : FlatCatalogDesc(statement, CATALOG_PRIMARY_KEYS) {}

VxStatus FlatPrimaryDesc::getResultSet() {
    VxString table;
    bool found = false;
    return locateTable(&table, &found);
}
