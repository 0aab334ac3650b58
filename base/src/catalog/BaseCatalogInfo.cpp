// BaseCatalogInfo: the rows of a catalog function, kept in order and
// served as the statement's result set.
#include "base/BaseCatalogInfo.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "base/BaseStatement.h"

namespace {

constexpr BaseCatalogColumn COLUMNS[] = {
#define BASE_CATALOG_COLUMN(kind, name, type, nullable, precision)                                 \
    {kind, name, type, nullable, precision},
#include "catalog/BaseCatalogColumns.def"
#undef BASE_CATALOG_COLUMN
};

constexpr std::uint32_t LONG_QUALIFIER_PRECISION = 255;
// Text values read from a driver's result set are cut to this size.
constexpr SQLLEN DRIVER_TEXT_BUFFER = 1024;

const char* typeName(short sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
        return "CHAR";
    case SQL_SMALLINT:
        return "SMALLINT";
    case SQL_INTEGER:
        return "INTEGER";
    default:
        return "VARCHAR";
    }
}

bool isTextType(short sqlType) {
    return sqlType == SQL_CHAR || sqlType == SQL_VARCHAR;
}

} // namespace

const BaseCatalogColumn* baseCatalogColumns(BaseCatalogKind kind, std::uint16_t* count) {
    const BaseCatalogColumn* first = nullptr;
    *count = 0;
    for (const BaseCatalogColumn& column : COLUMNS) {
        if (column.kind != kind)
            continue;
        if (!first)
            first = &column;
        ++*count;
    }
    return first;
}

BaseCatalogInfo::BaseCatalogInfo(BaseStatement& statement, BaseCatalogKind kind)
    : statement_(statement), kind_(kind), rows_(0, true) {
    columns_ = baseCatalogColumns(kind, &columnCount_);
    longQualifiers_ = statement.getConnection().hasFlag(BaseConnection::CONN_LONG_QUALIFIERS);
}

BaseCatalogInfo::~BaseCatalogInfo() = default;

BaseCatalogInfo* BaseCatalogInfo::of(BaseStatement& statement) {
    return dynamic_cast<BaseCatalogInfo*>(statement.getCatalogResult());
}

BaseCatalogRow* BaseCatalogInfo::newRow() const {
    switch (kind_) {
    case CATALOG_TABLES:
        return new TablesRowInfo(columnCount_);
    case CATALOG_COLUMNS:
        return new PerColumnInfo(columnCount_);
    case CATALOG_STATISTICS:
        return new StatRowInfo(columnCount_);
    case CATALOG_SPECIAL_COLUMNS:
        return new SpecialRowInfo(columnCount_);
    case CATALOG_PRIMARY_KEYS:
        return new PrimaryRowInfo(columnCount_);
    case CATALOG_FOREIGN_KEYS:
        return new ForeignRowInfo(columnCount_);
    case CATALOG_PROCEDURES:
        return new ProcsRowInfo(columnCount_);
    case CATALOG_PROCEDURE_COLUMNS:
        return new ProcColsRowInfo(columnCount_);
    case CATALOG_TABLE_PRIVILEGES:
        return new TablePrivsRowInfo(columnCount_);
    case CATALOG_COLUMN_PRIVILEGES:
        return new ColPrivsRowInfo(columnCount_);
    default:
        return new GetTypeRowInfo(columnCount_);
    }
}

VxStatus BaseCatalogInfo::addRow(BaseCatalogRow* row) {
    return keepRow(row);
}

VxStatus BaseCatalogInfo::keepRow(BaseCatalogRow* row) {
    if (!row)
        return VX_ERROR;
    row->setSequence(nextSequence_++);
    if (rows_.add(row) != VX_SUCCESS) {
        delete row;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

const BaseCatalogRow* BaseCatalogInfo::getRow(std::uint16_t index) const {
    return static_cast<const BaseCatalogRow*>(rows_.get(index));
}

VxStatus BaseCatalogInfo::finish() {
    current_ = 0;
    return readDriverResult();
}

// The driver left a result set of this function's columns open: each of
// its rows becomes a row of this object (and passes addRow's checks).
VxStatus BaseCatalogInfo::readDriverResult() {
    if (!readDriverRows_)
        return VX_SUCCESS;
    readDriverRows_ = false;
    for (;;) {
        unsigned short noMore = 0;
        if (statement_.fetchRow(&noMore) != VX_SUCCESS)
            return VX_ERROR;
        if (noMore)
            return VX_SUCCESS;
        BaseCatalogRow* row = newRow();
        if (!row)
            return VX_ERROR;
        if (readDriverRow(*row) != VX_SUCCESS) {
            delete row;
            return VX_ERROR;
        }
        if (addRow(row) != VX_SUCCESS)
            return VX_ERROR;
    }
}

VxStatus BaseCatalogInfo::readDriverRow(BaseCatalogRow& row) {
    char text[DRIVER_TEXT_BUFFER];
    for (std::uint16_t column = 1; column <= columnCount_; ++column) {
        SQLLEN length = 0;
        if (isTextType(columns_[column - 1].sqlType)) {
            BaseOutString out(text, sizeof text, &length);
            if (statement_.getData(column, SQL_C_CHAR, &out) != VX_SUCCESS)
                return VX_ERROR;
            if (length == SQL_NULL_DATA)
                continue;
            text[sizeof text - 1] = 0;
            if (row.setText(column, text) != VX_SUCCESS)
                return VX_ERROR;
            continue;
        }
        SQLINTEGER number = 0;
        BaseOutString out(&number, sizeof number, &length);
        if (statement_.getData(column, SQL_C_SLONG, &out) != VX_SUCCESS)
            return VX_ERROR;
        if (length != SQL_NULL_DATA)
            row.setNumber(column, number);
    }
    return VX_SUCCESS;
}

VxStatus BaseCatalogInfo::describeCol(std::uint16_t column, BaseField& field) {
    if (column < 1 || column > columnCount_) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    const BaseCatalogColumn& desc = columns_[column - 1];
    std::uint32_t precision = desc.precision;
    if (column == 1 && longQualifiers_ && std::strstr(desc.name, "QUALIFIER"))
        precision = LONG_QUALIFIER_PRECISION;
    field.describe(desc.sqlType, precision, 0);
    field.setNullable(desc.nullable);
    if (field.setName(desc.name) != VX_SUCCESS ||
        field.setTypeName(typeName(desc.sqlType)) != VX_SUCCESS)
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus BaseCatalogInfo::fetchRow(unsigned short* noMore) {
    std::uint16_t count = rows_.getCount();
    if (current_ < count) {
        ++current_;
        *noMore = 0;
        return VX_SUCCESS;
    }
    current_ = static_cast<std::uint16_t>(count + 1);
    *noMore = 1;
    return VX_SUCCESS;
}

VxStatus BaseCatalogInfo::fetchRandomRow(SQLULEN row, unsigned short* noMore) {
    std::uint16_t count = rows_.getCount();
    if (row >= 1 && row <= count) {
        current_ = static_cast<std::uint16_t>(row);
        *noMore = 0;
        return VX_SUCCESS;
    }
    current_ = row < 1 ? 0 : static_cast<std::uint16_t>(count + 1);
    *noMore = 1;
    return VX_SUCCESS;
}

VxStatus BaseCatalogInfo::getData(unsigned short column, short cType, BaseOutString* out) {
    if (column < 1 || column > columnCount_) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    const BaseCatalogRow* row =
        current_ >= 1 ? getRow(static_cast<std::uint16_t>(current_ - 1)) : nullptr;
    if (!row) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    short sqlType = columns_[column - 1].sqlType;
    if (row->isNull(column)) {
        InternalType type = isTextType(sqlType) ? INTERNAL_CHAR : INTERNAL_SLONG;
        return statement_.convertInternalToC(column, cType, out, nullptr, SQL_NULL_DATA, type);
    }
    if (isTextType(sqlType)) {
        const char* text = row->getText(column);
        if (!text)
            text = "";
        return statement_.convertInternalToC(column, cType, out, text,
                                             static_cast<SQLLEN>(std::strlen(text)), INTERNAL_CHAR);
    }
    if (sqlType == SQL_SMALLINT) {
        auto small = static_cast<SQLSMALLINT>(row->getNumber(column));
        return statement_.convertInternalToC(column, cType, out, &small, sizeof small,
                                             INTERNAL_SSHORT);
    }
    SQLINTEGER number = row->getNumber(column);
    return statement_.convertInternalToC(column, cType, out, &number, sizeof number,
                                         INTERNAL_SLONG);
}
