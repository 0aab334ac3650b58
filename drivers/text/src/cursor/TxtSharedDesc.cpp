#include "cursor/TxtSharedDesc.h"

#include <cstring>

#include "base/BaseOdbcId.h"
#include "cursor/TxtSharedField.h"
#include "flat/FlatConnection.h"
#include "flat/FlatFileCursor.h"
#include "util/VxError.h"
#include "util/bos.h"

TxtSharedDesc::TxtSharedDesc(FlatConnection* connection) : FlatChangesFile(connection) {
    setRecordHandleSize(static_cast<std::uint16_t>(TXT_RECORD_HANDLE_SIZE));
}

TxtSharedDesc::~TxtSharedDesc() {
    (void)bosFileClose(handle_);
}

bool TxtSharedDesc::matches(const char* path, const char* options) const {
    if (!hasFlag(DESC_OPENED) || std::strcmp(getFullPath(), path) != 0)
        return false;
    if (!options)
        return !hasOptions_;
    return hasOptions_ && options_.length() == std::strlen(options) &&
           std::memcmp(options_.data(), options, options_.length()) == 0;
}

TxtSharedDesc* TxtSharedDesc::find(FlatConnection* connection, const char* path,
                                   const char* options) {
    for (FlatSharedDesc* desc = connection->getFirstSharedDesc(); desc; desc = desc->getNext()) {
        auto* text = dynamic_cast<TxtSharedDesc*>(desc);
        if (text && text->matches(path, options))
            return text;
    }
    return nullptr;
}

VxStatus TxtSharedDesc::openFile(const char* path, bool readOnly) {
    if (!readOnly && bosFileOpen(path, BOS_OPEN_READWRITE, &handle_) == VX_SUCCESS)
        return VX_SUCCESS;
    if (!readOnly)
        VxErrorKeeper::clearLastError();
    if (bosFileOpen(path, 0, &handle_) == VX_SUCCESS) {
        setFlag(DESC_READ_ONLY, true);
        return VX_SUCCESS;
    }
    // A table whose file is not there is a missing table.
    const int attributes = bosfattr(path);
    if (attributes != 1 && attributes != 5) {
        if (VxError* error = VxErrorKeeper::getLastError())
            error->setSqlStateId(ODBC_S0002);
    }
    return VX_ERROR;
}

VxStatus TxtSharedDesc::addColumns() {
    for (std::uint16_t i = 0; i < layout_.getFieldCount(); ++i) {
        auto* field = new TxtSharedField;
        if (!field)
            return VX_ERROR;
        if (field->describe(layout_.getField(i), layout_.readWidth(i)) != VX_SUCCESS) {
            delete field;
            return VX_ERROR;
        }
        if (addField(field) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TxtSharedDesc::open(TxtTableSource& source, const char* options, bool readOnly,
                             FlatFileCursor* cursor) {
    hasOptions_ = options != nullptr;
    if ((options && options_.initialize(options) != VX_SUCCESS) ||
        openFile(source.getFilePath(), readOnly) != VX_SUCCESS ||
        source.describe(handle_) != VX_SUCCESS ||
        layout_.copyFrom(source.getLayout()) != VX_SUCCESS)
        return VX_ERROR;
    dataStart_ = source.getDataStart();
    if (setIdentifiers(source.getFilePath()) != VX_SUCCESS ||
        setQualifier(source.getDirectory()) != VX_SUCCESS ||
        setTableName(source.getTableName()) != VX_SUCCESS || addColumns() != VX_SUCCESS ||
        initialize(cursor) != VX_SUCCESS)
        return VX_ERROR;
    setFlag(DESC_OPENED, true);
    return VX_SUCCESS;
}
