// Statement options of the flat engine: the private row-modification
// options 1040-1050 on the current SELECT result (under the table locks),
// the row identifier (1048) and the descriptor's statistics (1052).
// SQL_QUERY_TIMEOUT and SQL_ASYNC_ENABLE are refused; everything else is
// the framework's.
#include <sqlext.h>

#include <cstring>

#include "base/BaseConvert.h"
#include "base/BaseDataValue.h"
#include "base/BaseErrors.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatDescriptor.h"
#include "flat/FlatStatement.h"
#include "connect/FlatCValue.h"

namespace {

// Room the application gives a string option (SQL_MAX_OPTION_STRING_LENGTH).
constexpr std::size_t OPTION_STRING_BUFFER = 256;

struct CForm {
    short cType;
    short storage;
    std::uint32_t size; // 0: character or binary, length as given
};

const CForm C_FORMS[] = {
    {SQL_C_CHAR, INTERNAL_CHAR, 0},         {SQL_C_LONG, INTERNAL_SLONG, 4},
    {SQL_C_SLONG, INTERNAL_SLONG, 4},       {SQL_C_SHORT, INTERNAL_SSHORT, 2},
    {SQL_C_SSHORT, INTERNAL_SSHORT, 2},     {SQL_C_FLOAT, INTERNAL_FLOAT, 4},
    {SQL_C_DOUBLE, INTERNAL_DOUBLE, 8},     {SQL_C_DATE, INTERNAL_DATE, 6},
    {SQL_C_TIME, INTERNAL_TIME, 6},         {SQL_C_TIMESTAMP, INTERNAL_TIMESTAMP, 16},
    {SQL_C_UTINYINT, INTERNAL_UTINYINT, 1}, {SQL_C_STINYINT, INTERNAL_STINYINT, 1},
    {SQL_C_TINYINT, INTERNAL_STINYINT, 1},  {SQL_C_ULONG, INTERNAL_ULONG, 4},
    {SQL_C_USHORT, INTERNAL_USHORT, 2},     {SQL_C_BIT, INTERNAL_BIT, 1},
    {SQL_C_BINARY, FLAT_STORAGE_BINARY, 0},
};

VxStatus noDescriptor() {
    addOdbcError(ODBC_S1010);
    return VX_ERROR;
}

} // namespace

// An application value of C type `cType` as an engine value borrowing the
// application's bytes; a length of SQL_NTS is the text's length, -1 NULL.
VxStatus flatValueFromC(short cType, const void* data, SQLLEN length, FlatDataValue* value) {
    value->clear();
    if (length == SQL_NULL_DATA || !data) {
        value->setNull();
        return VX_SUCCESS;
    }
    for (const CForm& form : C_FORMS) {
        if (form.cType != cType)
            continue;
        std::uint32_t bytes = form.size;
        if (bytes == 0) {
            if (length == SQL_NTS)
                bytes = static_cast<std::uint32_t>(std::strlen(static_cast<const char*>(data)));
            else if (length >= 0)
                bytes = static_cast<std::uint32_t>(length);
            else {
                addOdbcError(ODBC_S1090);
                return VX_ERROR;
            }
        }
        value->setValueBuffer(data, 0);
        value->setLength(bytes);
        value->setStorageType(form.storage);
        return VX_SUCCESS;
    }
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

// Raises S1002 for a column number beyond the result's columns; a
// descriptor without result columns answers for itself.
bool FlatStatement::columnOutOfRange(unsigned column) {
    std::uint16_t count = descriptor_->getNumResultCols();
    if (count == 0 || column <= count)
        return false;
    addOdbcError(ODBC_S1002);
    return true;
}

VxStatus FlatStatement::updateColumnOption(const FlatColumnUpdate* update) {
    if (!descriptor_)
        return noDescriptor();
    if (!update || update->column == 0) {
        addOdbcError(ODBC_S1009);
        return VX_ERROR;
    }
    if (columnOutOfRange(update->column))
        return VX_ERROR;
    FlatDataValue value;
    if (flatValueFromC(update->cType, update->value, update->length, &value) != VX_SUCCESS)
        return VX_ERROR;
    lockTables();
    VxStatus status =
        descriptor_->updateColumn(static_cast<unsigned short>(update->column - 1), &value);
    unlockTables();
    return status;
}

VxStatus FlatStatement::updateColumn(unsigned short column, const BaseDataValue* data) {
    if (!descriptor_)
        return noDescriptor();
    if (column == 0) {
        addOdbcError(ODBC_S1009);
        return VX_ERROR;
    }
    if (columnOutOfRange(column))
        return VX_ERROR;
    FlatDataValue value;
    if (flatValueFromC(data->getCType(), data->getValue(), data->getLength(), &value) != VX_SUCCESS)
        return VX_ERROR;
    lockTables();
    VxStatus status = descriptor_->updateColumn(static_cast<unsigned short>(column - 1), &value);
    unlockTables();
    return status;
}

VxStatus FlatStatement::rowOption(unsigned short option, SQLULEN value) {
    switch (option) {
    case FLAT_OPT_INSERT_ROW:
        return forward(&FlatDescriptor::insertRow);
    case FLAT_OPT_DELETE_ROW:
        return forward(&FlatDescriptor::deleteRow);
    case FLAT_OPT_PREPARE_ROW: {
        const auto* which = reinterpret_cast<const std::uint16_t*>(value);
        if (!which) {
            addOdbcError(ODBC_S1009);
            return VX_ERROR;
        }
        return forward(*which == FLAT_OPT_INSERT_ROW ? &FlatDescriptor::prepareForInsert
                                                     : &FlatDescriptor::prepareForUpdate);
    }
    case FLAT_OPT_UPDATE_COLUMN:
        return updateColumnOption(reinterpret_cast<const FlatColumnUpdate*>(value));
    case FLAT_OPT_UPDATE_ROW:
        return forward(&FlatDescriptor::updateRow);
    case FLAT_OPT_LOCK_ROW:
        return forward(&FlatDescriptor::lockRow);
    default:
        return forward(&FlatDescriptor::abortRowModification);
    }
}

VxStatus FlatStatement::setStmtOption(unsigned short option, SQLULEN value) {
    switch (option) {
    case SQL_QUERY_TIMEOUT:
    case SQL_ASYNC_ENABLE:
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    case FLAT_OPT_INSERT_ROW:
    case FLAT_OPT_DELETE_ROW:
    case FLAT_OPT_PREPARE_ROW:
    case FLAT_OPT_UPDATE_COLUMN:
    case FLAT_OPT_UPDATE_ROW:
    case FLAT_OPT_LOCK_ROW:
    case FLAT_OPT_ABORT_ROW:
        return rowOption(option, value);
    default:
        return BaseStatement::setStmtOption(option, value);
    }
}

// 1048 is written as an SQLULEN like the framework's integer options (a
// row inserted in an open transaction has an identifier above 2^32); 1052
// writes at most the 256 bytes of an option string.
VxStatus FlatStatement::getStmtOption(unsigned short option, void* value) {
    if (option == FLAT_OPT_ROW_ID) {
        if (!descriptor_)
            return noDescriptor();
        double rowId = 0;
        lockTables();
        VxStatus status = descriptor_->getRowId(&rowId);
        unlockTables();
        if (status != VX_SUCCESS)
            return VX_ERROR;
        std::uint64_t converted = 0;
        if (BaseConvertNum(INTERNAL_DOUBLE, &rowId, sizeof rowId, INTERNAL_UBIGINT, &converted,
                           nullptr, sizeof converted, 0, 0) != VX_SUCCESS)
            return VX_ERROR;
        *static_cast<SQLULEN*>(value) = static_cast<SQLULEN>(converted);
        return VX_SUCCESS;
    }
    if (option == FLAT_OPT_DUMP) {
        char* out = static_cast<char*>(value);
        if (!descriptor_) {
            out[0] = '\0';
            return VX_SUCCESS;
        }
        lockTables();
        descriptor_->dump(out, OPTION_STRING_BUFFER);
        unlockTables();
        return VX_SUCCESS;
    }
    return BaseStatement::getStmtOption(option, value);
}
