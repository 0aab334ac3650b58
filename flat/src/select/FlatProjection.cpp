// FlatProjection: the select list's columns.
#include "flat/FlatProjection.h"

VxStatus FlatProjection::addColumn(FlatResultSetColumn* column) {
    if (columns_.add(column) != VX_SUCCESS) {
        delete column;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

FlatResultSetColumn* FlatProjection::getColumn(std::uint16_t n) const {
    return static_cast<FlatResultSetColumn*>(columns_.get(n));
}
