// TxtCursor's insert path: a new record is kept as the text of each column
// and appended as one line.
#include <sqlext.h>

#include "base/BaseErrors.h"
#include "cursor/TxtCursor.h"
#include "cursor/TxtFieldText.h"
#include "cursor/TxtInsertRow.h"
#include "cursor/TxtSharedDesc.h"
#include "flat/FlatConnection.h"
#include "flat/FlatDataValue.h"
#include "record/TxtRecordWriter.h"

namespace {

InternalType internalTypeOf(short storage) {
    if (storage == FLAT_STORAGE_BINARY)
        return INTERNAL_BINARY;
    if (storage == FLAT_STORAGE_UNSET)
        return INTERNAL_CHAR;
    return static_cast<InternalType>(storage);
}

} // namespace

VxStatus TxtCursor::prepareForInsert() {
    auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
    if (!desc) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    if (!insert_)
        insert_ = new TxtInsertRow();
    return insert_->reset(desc->getLayout().getFieldCount());
}

VxStatus TxtCursor::updateField(std::uint16_t field, FlatDataValue* value) {
    auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
    if (!insert_ || !desc || field >= insert_->count) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    if (!value || value->isNull())
        return insert_->set(field, "", 0);
    const TxtGuessField& column = desc->getLayout().getField(field);
    const InternalType type = internalTypeOf(value->getStorageType());
    const void* bytes = value->getValueBuffer();
    const SQLLEN length = static_cast<SQLLEN>(value->getLength());
    VxString text;
    VxStatus status = VX_SUCCESS;
    if (column.type == TXT_COLUMN_NUMERIC) {
        status = txtNumberText(type, bytes, length, column.precision, column.scale, &text);
    } else if (column.type == TXT_COLUMN_DATE) {
        status = txtDateText(type, bytes, length, column.mask, column.width, &text);
    } else {
        std::size_t limit = column.width;
        if (column.precision && column.precision < limit)
            limit = column.precision;
        status = txtVarcharText(type, bytes, length, limit, &text);
    }
    if (status || insert_->set(field, text.getText(), text.length()) != VX_SUCCESS)
        return VX_ERROR;
    // The file holds the data source's characters, as reading translates
    // them back.
    if (!connection_->hasTranslationLibrary() || text.length() == 0)
        return VX_SUCCESS;
    return connection_->toDataSource(SQL_CHAR, insert_->values[field],
                                     static_cast<SQLLEN>(insert_->lengths[field]));
}

VxStatus TxtCursor::insertRecord() {
    auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
    if (!insert_ || !desc) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    std::int64_t offset = -1;
    VxStatus status = TxtRecordWriter::appendRecord(desc->getHandle(), desc->getLayout(),
                                                    insert_->values, insert_->lengths, &offset);
    insert_->clear();
    if (status != VX_SUCCESS)
        return VX_ERROR;
    // The new record's handle is its offset (a commit maps the handles of
    // logged rows to it); its values are read when it is next positioned.
    current_ = offset;
    positioned_ = false;
    forgetValues();
    scanning_ = false;
    return VX_SUCCESS;
}
