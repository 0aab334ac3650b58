#include "statement/Or7Field.h"

#include <sqlext.h>

#include <algorithm>
#include <new>

#include "base/BaseErrors.h"

namespace {

// Characters of a NUMBER(precision, scale) written as text: the digits,
// the zeros a negative scale adds or a scale above the precision puts
// after the point, sign, point and leading zero.
int numberTextWidth(int precision, int scale) {
    int digits = std::max(precision, scale);
    if (scale < 0)
        digits += -scale;
    return digits + 3;
}

// A NUMBER without precision holds up to 40 digits and an exponent; its
// text form never needs more.
constexpr int FLOAT_TEXT_WIDTH = 64;

} // namespace

VxStatus Or7Field::describeFrom(const Or7Describe& item) {
    oracleType_ = item.oracleType;
    if (setName(item.name) != VX_SUCCESS)
        return VX_ERROR;
    setNullable(item.nullable ? SQL_NULLABLE : SQL_NO_NULLS);
    std::uint32_t flags = FLD_IDENTIFIES_ROW;
    const char* typeName = nullptr;
    std::int32_t size = item.size;
    switch (oracleType_) {
    case OR7_TYPE_VARCHAR2:
        if (size <= 0)
            size = 128;
        describe(SQL_VARCHAR, static_cast<std::uint32_t>(size), 0);
        typeName = "VARCHAR2";
        externalType_ = OR7_EXT_VARCHAR2;
        bufferLength_ = size;
        setCaseSensitive(true);
        break;
    case OR7_TYPE_CHAR:
        describe(SQL_CHAR, static_cast<std::uint32_t>(size), 0);
        typeName = "CHAR";
        externalType_ = OR7_EXT_VARCHAR2;
        bufferLength_ = std::max(size, 1);
        setCaseSensitive(true);
        break;
    case OR7_TYPE_NUMBER:
        typeName = "NUMBER";
        externalType_ = OR7_EXT_VARCHAR2;
        if (item.precision == 0 || item.scale == -127) {
            describe(SQL_DOUBLE, 15, 0);
            bufferLength_ = FLOAT_TEXT_WIDTH;
            flags = 0;
        } else {
            describe(SQL_DECIMAL, static_cast<std::uint32_t>(item.precision), item.scale);
            bufferLength_ = numberTextWidth(item.precision, item.scale);
        }
        break;
    case OR7_TYPE_LONG:
        describe(SQL_LONGVARCHAR, 2147483647u, 0);
        typeName = "LONG";
        externalType_ = OR7_EXT_LONG;
        setCaseSensitive(true);
        setSearchable(SQL_UNSEARCHABLE);
        flags = 0;
        break;
    case OR7_TYPE_ROWID:
        describe(SQL_VARCHAR, 18, 0);
        typeName = "ROWID";
        externalType_ = OR7_EXT_VARCHAR2;
        bufferLength_ = 18;
        break;
    case OR7_TYPE_DATE:
        describe(SQL_TIMESTAMP, 19, 0);
        typeName = "DATE";
        externalType_ = OR7_EXT_DATE;
        bufferLength_ = 7;
        break;
    case OR7_TYPE_RAW:
        describe(SQL_VARBINARY, static_cast<std::uint32_t>(size), 0);
        typeName = "RAW";
        externalType_ = OR7_EXT_RAW;
        bufferLength_ = std::max(size, 1);
        break;
    case OR7_TYPE_LONG_RAW:
        describe(SQL_LONGVARBINARY, 2147483647u, 0);
        typeName = "LONG RAW";
        externalType_ = OR7_EXT_LONG_RAW;
        setSearchable(SQL_UNSEARCHABLE);
        flags = 0;
        break;
    default:
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    setAttributeFlags(flags);
    setDisplaySize(item.displaySize);
    return setTypeName(typeName);
}

VxStatus Or7Field::allocate(unsigned rows) {
    std::size_t count = rows == 0 ? 1 : rows;
    buffer_.assign(count * static_cast<std::size_t>(bufferLength_), 0);
    indicators_.assign(count, 0);
    lengths_.assign(count, 0);
    codes_.assign(count, 0);
    longValue_.clear();
    longFetch_ = 0;
    return VX_SUCCESS;
}

unsigned or7RowsPerFetch(std::int32_t arraySize, Or7Field* const* fields, std::size_t count) {
    constexpr std::uint64_t MAX_ROWS = 32767;
    std::uint64_t rowBytes = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (fields[i]->isLong())
            return 1;
        rowBytes += static_cast<std::uint64_t>(fields[i]->getBufferLength()) + 2;
    }
    std::uint64_t bytes = arraySize > 0 ? static_cast<std::uint64_t>(arraySize) : 0;
    std::uint64_t rows = rowBytes ? bytes / rowBytes : 1;
    return static_cast<unsigned>(std::clamp<std::uint64_t>(rows, 1, MAX_ROWS));
}
