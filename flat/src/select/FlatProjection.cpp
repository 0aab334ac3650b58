// FlatProjection: the select list's columns.
#include "flat/FlatProjection.h"

#include <cstdio>

#include "select/FlatDump.h"
#include "util/VxString.h"

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

VxStatus FlatProjection::dumpParts(VxString* out, unsigned indent) {
    if (flatDumpLine(out, indent, "ResultSetColumns:") != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t i = 0; i < columns_.getCount(); ++i) {
        FlatResultSetColumn* column = getColumn(i);
        char line[128];
        std::snprintf(line, sizeof line, "COL#%u SqlType:%d Precision:%lu Scale:%d",
                      static_cast<unsigned>(i + 1), column->getSqlType(),
                      static_cast<unsigned long>(column->getPrecision()), column->getScale());
        if (flatDumpLine(out, indent + 3, line) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
