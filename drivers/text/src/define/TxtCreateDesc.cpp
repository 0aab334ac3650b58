#include "define/TxtCreateDesc.h"

#include <sqlext.h>

#include <cstring>

#include "connect/TxtConnection.h"
#include "connect/TxtStatement.h"
#include "define/TxtIni.h"
#include "define/TxtNewTable.h"
#include "define/TxtTableDef.h"
#include "error/TxtErrors.h"
#include "record/TxtRecordWriter.h"
#include "util/bos.h"
#include "util/str.h"

TxtCreateDesc::TxtCreateDesc(FlatStatement* statement) : FlatCreateDesc(statement) {}

TxtConnection* TxtCreateDesc::getTxtConnection() const {
    return static_cast<TxtConnection*>(getConnection());
}

const BaseTypeInfo* TxtCreateDesc::getTypeTable(std::uint16_t* count) {
    return TxtStatement::getTypeTable(count);
}

VxStatus TxtCreateDesc::canCreateTableName(const char* name) {
    if (TxtNewTable::checkTableName(name))
        return VX_ERROR;
    VxString directory;
    VxString table;
    if (TxtNewTable::splitTableName(name, getConnection()->getDataDirectory(), &directory, &table))
        return VX_ERROR;
    TxtIni ini;
    bool defined = false;
    VxString section;
    VxStatus status = ini.open(directory.getText());
    if (status == VX_SUCCESS)
        status = TxtTableDef::lookup(ini, table.getText(), &defined, &section);
    ini.close();
    if (status)
        return VX_ERROR;
    if (defined) {
        txtAddError(ODBC_S0001, TXT_MSG_TABLE_EXISTS);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TxtCreateDesc::canCreateColumnName(const char* name) {
    if (std::strlen(name) > TXT_MAX_COLUMN_NAME) {
        txtAddError(ODBC_37000, TXT_MSG_COLUMN_NAME_TOO_LONG) << name;
        return VX_ERROR;
    }
    for (std::uint16_t i = 0; i < getColumnCount(); ++i)
        if (strEqualCi(getColumn(i).name, name)) {
            txtAddError(ODBC_S0021, TXT_MSG_COLUMN_TWICE) << name;
            return VX_ERROR;
        }
    return VX_SUCCESS;
}

// The definition of the new table: the connection's default format and the
// parsed columns, laid out one after the other.
VxStatus TxtCreateDesc::buildDefinition(TxtTableDefinition* definition) {
    const TxtTableSource::Defaults& defaults = getTxtConnection()->getTableDefaults();
    TxtGuessResult& layout = definition->layout;
    layout.setTableType(defaults.tableType, defaults.delimiter);
    layout.firstLineNames = defaults.firstLineNames;
    layout.charset = TXT_CHARSET_ANSI;
    for (std::uint16_t i = 0; i < getColumnCount(); ++i) {
        const FlatColumnDef& column = getColumn(i);
        TxtGuessField* field = nullptr;
        if (layout.addField(&field))
            return VX_ERROR;
        field->setName(column.name, std::strlen(column.name));
        switch (getColumnType(i).dataType) {
        case SQL_NUMERIC:
            field->type = TXT_COLUMN_NUMERIC;
            break;
        case SQL_DATE:
            field->type = TXT_COLUMN_DATE;
            break;
        default:
            field->type = TXT_COLUMN_VARCHAR;
            break;
        }
        field->precision = column.precision;
        field->scale = column.scale;
    }
    return TxtNewTable::layOutColumns(&layout);
}

// Creates the file, with its header line when the table has one.
VxStatus TxtCreateDesc::writeFile(const char* path, TxtTableDefinition& definition) {
    int handle = 0;
    if (bosFileOpen(path, BOS_OPEN_CREATE | BOS_OPEN_READWRITE, &handle))
        return VX_ERROR;
    VxStatus status = VX_SUCCESS;
    if (definition.layout.firstLineNames) {
        TxtTextBuffer line;
        status = TxtRecordWriter::formatHeader(definition.layout, &line);
        if (status == VX_SUCCESS)
            status = bosFileWrite(handle, 0, line.data(), line.length());
    }
    if (bosFileClose(handle))
        status = VX_ERROR;
    // No file of a table that was not made (a full disk).
    if (status)
        (void)bosFileDelete(path);
    return status;
}

VxStatus TxtCreateDesc::execute() {
    VxString directory;
    TxtTableDefinition definition;
    if (TxtNewTable::splitTableName(getTableName(), getConnection()->getDataDirectory(), &directory,
                                    &definition.tableName) ||
        TxtNewTable::chooseFileName(directory.getText(), definition.tableName.getText(),
                                    &definition.fileName) ||
        buildDefinition(&definition))
        return VX_ERROR;
    VxString path;
    if (path.initialize(directory.getText()) || path.concat('/') ||
        path.concat(definition.fileName.getText()))
        return VX_ERROR;
    if (writeFile(path.getText(), definition))
        return VX_ERROR;
    TxtIni ini;
    VxStatus status = ini.open(directory.getText());
    if (status == VX_SUCCESS)
        status = TxtTableDef::write(ini, definition);
    ini.close();
    if (status) {
        // No table without its definition.
        (void)bosFileDelete(path.getText());
        return VX_ERROR;
    }
    return VX_SUCCESS;
}
