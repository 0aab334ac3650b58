#include "cursor/TxtSharedField.h"

#include <sqlext.h>

#include <algorithm>

VxStatus TxtSharedField::describe(const TxtGuessField& column, std::uint16_t readWidth) {
    type_ = column.type == TXT_COLUMN_NONE ? TXT_COLUMN_VARCHAR : column.type;
    mask_ = column.mask;
    offset_ = column.offset;
    width_ = readWidth;
    measured_ = column.measured;
    if (setName(column.name) != VX_SUCCESS ||
        setNativeTypeName(txtColumnTypeName(type_)) != VX_SUCCESS)
        return VX_ERROR;
    setNullable(SQL_NULLABLE);
    setPadChar(' ');
    switch (type_) {
    case TXT_COLUMN_NUMERIC:
        setSqlType(SQL_NUMERIC);
        setPrecision(column.precision > 0 ? column.precision : column.width);
        setScale(column.scale);
        break;
    case TXT_COLUMN_DATE:
        setSqlType(SQL_DATE);
        setPrecision(DATE_PRECISION);
        setScale(0);
        break;
    default:
        setSqlType(SQL_VARCHAR);
        setAttributes(VARCHAR_ATTRIBUTES);
        // Written values lose their trailing blanks, and an empty field
        // reads as NULL.
        setFlags(getFlags() | FIELD_STRIP_TRAILING_PAD | FIELD_EMPTY_IS_NULL |
                 FIELD_PAD_ONLY_IS_EMPTY);
        // A declared VARCHAR column never gives more characters than it
        // keeps; a measured one reports the longest value seen.
        setPrecision(std::max<std::uint32_t>(column.measured ? column.width : readWidth, 1));
        setScale(0);
        // Its values may be as long as what the column keeps: the engine
        // sizes results computed from it by that, and checks no argument
        // against the estimate.
        if (column.measured)
            setEstimatedWidth(std::max<std::uint32_t>(readWidth, getPrecision()));
        break;
    }
    return VX_SUCCESS;
}
