#include "define/TxtNewTable.h"

#include <cstdio>
#include <cstring>

#include "error/TxtErrors.h"
#include "util/bos.h"
#include "util/str.h"

namespace {

constexpr unsigned COUNTER_LIMIT = 10000;

bool fileExists(const char* directory, const char* name) {
    VxString path;
    if (path.initialize(directory) || path.concat('/') || path.concat(name))
        return true; // cannot tell: do not use the name
    return bosexist(path.getText());
}

} // namespace

VxStatus TxtNewTable::checkTableName(const char* name) {
    if (std::strlen(name) <= MAX_TABLE_NAME)
        return VX_SUCCESS;
    txtAddError(ODBC_37000, TXT_MSG_TABLE_NAME_TOO_LONG);
    return VX_ERROR;
}

VxStatus TxtNewTable::splitTableName(const char* name, const char* databaseDirectory,
                                     VxString* directory, VxString* table) {
    const char* separator = nullptr;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/')
            separator = p;
    VxStatus status = separator ? directory->initialize(name, separator - name)
                                : directory->initialize(databaseDirectory ? databaseDirectory : "");
    if (status || table->initialize(separator ? separator + 1 : name))
        return VX_ERROR;
    std::size_t length = directory->length();
    const char* text = directory->getText();
    while (length > 1 && (text[length - 1] == '/' || text[length - 1] == '\\'))
        --length;
    directory->setLength(length);
    return VX_SUCCESS;
}

VxStatus TxtNewTable::chooseFileName(const char* directory, const char* table, VxString* fileName) {
    std::size_t length = std::strlen(table);
    if (fileName->initialize(table, length < 8 ? length : 8) || fileName->concat(".TXT"))
        return VX_ERROR;
    if (!fileExists(directory, fileName->getText()))
        return VX_SUCCESS;
    for (unsigned counter = 0; counter < COUNTER_LIMIT; ++counter) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%04u.TXT", counter);
        if (fileName->initialize(table, length < 4 ? length : 4) || fileName->concat(suffix))
            return VX_ERROR;
        if (!fileExists(directory, fileName->getText()))
            return VX_SUCCESS;
    }
    txtAddError(ODBC_S0001, TXT_MSG_TABLE_EXISTS);
    return VX_ERROR;
}

VxStatus TxtNewTable::checkColumnName(const char* name, const TxtGuessResult& layout,
                                      std::uint16_t count) {
    if (std::strlen(name) > TXT_MAX_COLUMN_NAME) {
        txtAddError(ODBC_37000, TXT_MSG_COLUMN_NAME_TOO_LONG) << name;
        return VX_ERROR;
    }
    for (std::uint16_t i = 0; i < count && i < layout.getFieldCount(); ++i)
        if (strEqualCi(layout.getField(i).name, name)) {
            txtAddError(ODBC_S0021, TXT_MSG_COLUMN_TWICE) << name;
            return VX_ERROR;
        }
    return VX_SUCCESS;
}

VxStatus TxtNewTable::layOutColumns(TxtGuessResult* layout) {
    std::uint32_t offset = 0;
    for (std::uint16_t i = 0; i < layout->getFieldCount(); ++i) {
        TxtGuessField& field = layout->getField(i);
        std::uint32_t width = field.precision;
        if (field.type == TXT_COLUMN_NUMERIC) {
            width = field.precision + 2u;
        } else if (field.type == TXT_COLUMN_DATE) {
            width = 10;
            field.precision = 10;
            field.scale = 0;
            if (field.mask.compile("yyyy-mm-dd"))
                return VX_ERROR;
        } else {
            field.type = TXT_COLUMN_VARCHAR;
            field.scale = 0;
        }
        if (width == 0 || offset + width > 0xFFFF) {
            txtAddError(ODBC_37000, TXT_MSG_LINE_TOO_LONG);
            return VX_ERROR;
        }
        field.width = static_cast<std::uint16_t>(width);
        field.offset = static_cast<std::uint16_t>(offset);
        offset += width;
    }
    return VX_SUCCESS;
}
