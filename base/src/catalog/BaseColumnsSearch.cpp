// SQLColumns: the driver's own answer, or columns derived from the tables
// the driver's SQLTables search finds.
//
//   1. executeColumns adds rows (gathered per table).
//   2. They are the answer when there are some and the table argument is
//      an exact name (no "%" or "_"; with owners, the owner argument too),
//      or whenever the driver says it matched the patterns itself.
//   3. Otherwise the tables are found with the driver's executeTables and
//      each is described by preparing, not executing,
//        SELECT * FROM [qualifier sep][owner.]table[sep qualifier]
//      with the owner and the table in the identifier quote character
//      (when not blank) and the qualifier where SQL_QUALIFIER_LOCATION
//      puts it. Each described column matching the column argument
//      becomes a row. A table that cannot be described is left out, its
//      errors kept as warnings naming the table.
#include <sqlext.h>

#include <cstring>

#include "BaseCatalogCall.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "base/BaseSqlString.h"
#include "util/VxString.h"

namespace {

enum : std::uint16_t {
    COL_DATA_TYPE = 5,
    COL_TYPE_NAME = 6,
    COL_PRECISION = 7,
    COL_LENGTH = 8,
    COL_SCALE = 9,
    COL_RADIX = 10,
    COL_NULLABLE = 11,
};

bool isNumericType(short sqlType) {
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return true;
    default:
        return false;
    }
}

bool hasScale(short sqlType) {
    return isNumericType(sqlType) && sqlType != SQL_FLOAT && sqlType != SQL_REAL &&
           sqlType != SQL_DOUBLE;
}

// Appends `name` in `quote` (doubling the quotes inside); a blank or no
// quote character appends it as it is.
VxStatus appendQuoted(VxString& text, const char* name, char quote) {
    if (quote == 0 || quote == ' ')
        return text.concat(name);
    return text.addQuotedBytes(name, std::strlen(name), quote);
}

struct TableText {
    char quote;
    char separator[8];
    std::uint32_t location;
};

VxStatus buildSelect(const BaseCatalogRow& table, const TableText& how, VxString& text) {
    const char* qualifier = table.getText(1);
    const char* owner = table.getText(2);
    const char* name = table.getText(3);
    bool hasQualifier = qualifier && *qualifier;
    if (text.initialize("SELECT * FROM ") != VX_SUCCESS)
        return VX_ERROR;
    if (hasQualifier && how.location == SQL_QL_START &&
        (text.concat(qualifier) != VX_SUCCESS || text.concat(how.separator) != VX_SUCCESS))
        return VX_ERROR;
    if (owner && *owner &&
        (appendQuoted(text, owner, how.quote) != VX_SUCCESS || text.concat('.') != VX_SUCCESS))
        return VX_ERROR;
    if (appendQuoted(text, name ? name : "", how.quote) != VX_SUCCESS)
        return VX_ERROR;
    if (hasQualifier && how.location == SQL_QL_END &&
        (text.concat(how.separator) != VX_SUCCESS || text.concat(qualifier) != VX_SUCCESS))
        return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus addDescribedColumn(BaseColumnsInfo& columns, const BaseCatalogRow& table,
                            const BaseField& field) {
    BaseCatalogRow* row = columns.newRow();
    if (!row)
        return VX_ERROR;
    short sqlType = field.getSqlType();
    VxStatus status = VX_SUCCESS;
    for (std::uint16_t c = 1; c <= 3 && status == VX_SUCCESS; ++c)
        status = row->setText(c, table.getText(c));
    if (status == VX_SUCCESS)
        status = row->setText(4, field.getName());
    if (status == VX_SUCCESS)
        status = row->setText(COL_TYPE_NAME, field.getTypeName());
    if (status != VX_SUCCESS) {
        delete row;
        return VX_ERROR;
    }
    row->setNumber(COL_DATA_TYPE, sqlType);
    row->setNumber(COL_PRECISION, static_cast<std::int32_t>(field.getPrecision()));
    if (field.getLength() >= 0)
        row->setNumber(COL_LENGTH, static_cast<std::int32_t>(field.getLength()));
    if (hasScale(sqlType))
        row->setNumber(COL_SCALE, field.getScale());
    if (isNumericType(sqlType))
        row->setNumber(COL_RADIX, 10);
    row->setNumber(COL_NULLABLE, field.getNullable());
    return columns.addRow(row);
}

// Prepares the table's SELECT on the statement and turns its description
// into rows; the statement is back in state 0 afterwards. A table that
// cannot be described leaves its errors as warnings.
VxStatus describeTable(BaseStatement& statement, BaseColumnsInfo& columns,
                       const BaseCatalogRow& table, const TableText& how) {
    VxString text;
    if (buildSelect(table, how, text) != VX_SUCCESS)
        return VX_ERROR;
    BaseErrorList& errors = statement.getErrorList();
    std::uint32_t mark = errors.getCount();
    BaseSqlString sql(text.getText(), static_cast<long>(text.length()));
    VxStatus status = statement.prepareCompile(&sql);
    if (status == VX_SUCCESS)
        status = statement.calcNumResultCols();
    for (std::uint16_t i = 1; status == VX_SUCCESS && i <= statement.getNumResultCols(); ++i) {
        const BaseField* field = statement.getField(i);
        if (field && columns.getColumnName().matches(field->getName()))
            status = addDescribedColumn(columns, table, *field);
    }
    bool described = status == VX_SUCCESS;
    (void)statement.setToAllocatedState(0);
    statement.deleteFields();
    if (described)
        return VX_SUCCESS;
    if (errors.getCount() == mark)
        addOdbcError(ODBC_S1000);
    errors.appendTextStartingAtPos(" (columns of table ", mark);
    errors.appendTextStartingAtPos(table.getText(3) ? table.getText(3) : "", mark);
    errors.appendTextStartingAtPos(" not described)", mark);
    for (std::uint32_t pos = mark; pos < errors.getCount(); ++pos)
        if (VxError* record = errors.getErrorAtPos(pos))
            record->setWarning(true);
    return VX_SUCCESS;
}

// The tables of the driver's own SQLTables search with the same names.
VxStatus findTables(BaseStatement& statement, BaseColumnsInfo& columns, BaseTablesInfo** found) {
    *found = nullptr;
    auto* tables = new BaseTablesInfo(statement);
    if (!tables)
        return VX_ERROR;
    for (std::uint16_t slot = CATALOG_QUALIFIER; slot <= CATALOG_NAME; ++slot)
        if (tables->name(slot).copyFrom(columns.name(slot)) != VX_SUCCESS) {
            delete tables;
            return VX_ERROR;
        }
    statement.setCatalogResult(tables);
    BaseInString noTypes;
    VxStatus status = statement.executeTables(&noTypes);
    if (status == VX_SUCCESS)
        status = tables->finish();
    else if (!BaseCatalogCall::errorRaised(statement))
        addOdbcError(ODBC_S1C00);
    statement.takeCatalogResult();
    if (status != VX_SUCCESS) {
        delete tables;
        return VX_ERROR;
    }
    *found = tables;
    return VX_SUCCESS;
}

VxStatus deriveColumns(BaseStatement& statement, BaseColumnsInfo& columns) {
    BaseConnection& connection = statement.getConnection();
    TableText how{};
    how.quote = BaseCatalogCall::infoChar(connection, SQL_IDENTIFIER_QUOTE_CHAR);
    if (connection.getInfo(SQL_QUALIFIER_NAME_SEPARATOR, how.separator, sizeof how.separator) !=
        VX_SUCCESS)
        how.separator[0] = 0;
    how.location = BaseCatalogCall::infoNumber(connection, SQL_QUALIFIER_LOCATION);
    columns.clearTables();
    statement.takeCatalogResult();
    BaseTablesInfo* tables = nullptr;
    VxStatus status = findTables(statement, columns, &tables);
    for (std::uint16_t i = 0; status == VX_SUCCESS && i < tables->getRowCountKept(); ++i)
        status = describeTable(statement, columns, *tables->getRow(i), how);
    delete tables;
    statement.setCatalogResult(&columns);
    statement.setPrepareMode(BaseStatement::PREPARE_CATALOG);
    return status;
}

// Whether the driver's rows answer the call as they are.
bool driverAnswers(BaseStatement& statement, const BaseColumnsInfo& columns) {
    if (columns.driverAnswersPatterns())
        return true;
    if (columns.getTableCount() == 0)
        return false;
    const BaseCatalogName& table = columns.getTableName();
    if (!table.isGiven() || table.hasWildcards())
        return false;
    const BaseCatalogName& owner = columns.getOwner();
    bool owners =
        BaseCatalogCall::infoNumber(statement.getConnection(), SQL_MAX_OWNER_NAME_LEN) != 0;
    return !(owners && owner.hasWildcards());
}

} // namespace

VxStatus baseGatherColumns(BaseStatement& statement, BaseColumnsInfo& columns) {
    VxStatus hook = statement.executeColumns();
    if (hook != VX_SUCCESS && BaseCatalogCall::errorRaised(statement))
        return VX_ERROR;
    if (hook == VX_SUCCESS && columns.readDriverResult() != VX_SUCCESS)
        return VX_ERROR;
    if (hook == VX_SUCCESS && driverAnswers(statement, columns))
        return VX_SUCCESS;
    return deriveColumns(statement, columns);
}

VxStatus baseRunColumns(BaseCatalogCall& catalog) {
    auto* columns = static_cast<BaseColumnsInfo*>(catalog.info());
    if (baseGatherColumns(catalog.statement(), *columns) != VX_SUCCESS)
        return VX_ERROR;
    return catalog.complete(VX_SUCCESS);
}
