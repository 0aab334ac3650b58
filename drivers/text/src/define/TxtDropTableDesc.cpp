#include "define/TxtDropTableDesc.h"

#include "connect/TxtConnection.h"
#include "define/TxtIni.h"
#include "define/TxtNewTable.h"
#include "define/TxtTableDef.h"
#include "define/TxtTableSource.h"
#include "error/TxtErrors.h"
#include "base/BaseErrors.h"
#include "util/bos.h"

TxtDropTableDesc::TxtDropTableDesc(FlatStatement* statement) : FlatDropTableDesc(statement) {}

// Settles the table's directory, definition section and file as opening
// the table would.
VxStatus TxtDropTableDesc::resolve(const char* name) {
    VxString table;
    TxtTableSource source;
    auto* connection = static_cast<TxtConnection*>(getConnection());
    if (TxtNewTable::splitTableName(name, connection->getDataDirectory(), &directory_, &table) ||
        source.resolve(directory_.getText(), table.getText(), nullptr, 0,
                       connection->getTableDefaults()))
        return VX_ERROR;
    if (directory_.initialize(source.getDirectory()) ||
        fileName_.initialize(source.getFileName()) || filePath_.initialize(source.getFilePath()) ||
        section_.initialize(""))
        return VX_ERROR;
    if (!source.isDefined())
        return VX_SUCCESS;
    TxtIni ini;
    bool defined = false;
    VxStatus status = ini.open(directory_.getText());
    if (status == VX_SUCCESS)
        status = TxtTableDef::lookup(ini, table.getText(), &defined, &section_);
    ini.close();
    return status;
}

VxStatus TxtDropTableDesc::canDropTableName(const char* name) {
    if (TxtNewTable::checkTableName(name) || resolve(name))
        return VX_ERROR;
    // A definition whose file is gone still names a table (CREATE TABLE
    // refuses the name): dropping it removes the definition.
    const int attributes = bosfattr(filePath_.getText());
    if (attributes != 1 && attributes != 5 && section_.length() == 0) {
        txtAddError(ODBC_S0002, TXT_MSG_TABLE_NOT_FOUND) << name;
        return VX_ERROR;
    }
    if (getConnection()->isFileOpen(filePath_.getText())) {
        addOdbcError(ODBC_S1000, 4035) << filePath_.getText();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TxtDropTableDesc::execute() {
    // The table may have been opened since the statement was prepared.
    if (getConnection()->isFileOpen(filePath_.getText())) {
        addOdbcError(ODBC_S1000, 4035) << filePath_.getText();
        return VX_ERROR;
    }
    const bool fileExists = bosfattr(filePath_.getText()) != 0;
    if (!fileExists && section_.length() == 0) {
        txtAddError(ODBC_S0002, TXT_MSG_TABLE_NOT_FOUND) << getTableName();
        return VX_ERROR;
    }
    if (fileExists && bosFileDelete(filePath_.getText()))
        return VX_ERROR;
    if (section_.length() == 0)
        return VX_SUCCESS;
    TxtIni ini;
    VxStatus status = ini.open(directory_.getText());
    if (status == VX_SUCCESS)
        status = TxtTableDef::remove(ini, section_.getText(), fileName_.getText());
    ini.close();
    return status;
}
