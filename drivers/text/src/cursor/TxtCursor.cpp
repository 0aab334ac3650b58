#include "cursor/TxtCursor.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseConvert.h"
#include "base/BaseErrors.h"
#include "connect/TxtConnection.h"
#include "cursor/TxtSharedDesc.h"
#include "cursor/TxtSharedField.h"
#include "cursor/TxtInsertRow.h"
#include "error/TxtErrors.h"
#include "record/TxtNumberDigits.h"
#include "flat/FlatDataValue.h"
#include "util/VxError.h"
#include "util/VxUtf8.h"
#include "util/bos.h"
#include "util/ram.h"

namespace {

// Room for one converted value of a column: a DATE_STRUCT, or the digits
// header and every digit that the column's text can give (each character
// of the text at most one digit, and the scale's digits added after the
// point), rounded up to keep the slots aligned.
std::size_t valueSlotSize(const TxtGuessResult& layout, std::uint16_t column) {
    std::size_t size = sizeof(DATE_STRUCT);
    const TxtGuessField& field = layout.getField(column);
    if (field.type == TXT_COLUMN_NUMERIC) {
        const std::size_t digits =
            static_cast<std::size_t>(layout.readWidth(column)) + field.scale + 1;
        if (sizeof(InternalDigitsHeader) + digits > size)
            size = sizeof(InternalDigitsHeader) + digits;
    }
    return (size + 7) & ~static_cast<std::size_t>(7);
}

// The option text without blanks around it; null when nothing is left.
const char* trimOptions(const char* text, std::size_t* length) {
    if (!text)
        return nullptr;
    while (*text == ' ' || *text == '\t' || *text == '\r' || *text == '\n')
        ++text;
    std::size_t size = std::strlen(text);
    while (size > 0 && (text[size - 1] == ' ' || text[size - 1] == '\t' || text[size - 1] == '\r' ||
                        text[size - 1] == '\n'))
        --size;
    *length = size;
    return size ? text : nullptr;
}

// Digits after the decimal point of a number's text, trailing zeros not
// counted.
std::size_t fractionDigits(const char* text, std::size_t length) {
    const char* point = static_cast<const char*>(std::memchr(text, '.', length));
    if (!point)
        return 0;
    std::size_t count = 0;
    std::size_t significant = 0;
    for (const char* p = point + 1; p < text + length && *p >= '0' && *p <= '9'; ++p) {
        ++count;
        if (*p != '0')
            significant = count;
    }
    return significant;
}

} // namespace

TxtCursor::TxtCursor(TxtConnection* connection) : FlatFileCursor(connection) {}

TxtCursor::~TxtCursor() {
    txtFreeInsertRow(insert_);
    ramFree(value_);
    ramFree(slotAt_);
    ramFree(fields_);
    ramFree(keptAt_);
    ramFree(keptLength_);
}

VxStatus TxtCursor::bind(TxtSharedDesc* desc) {
    if (getSharedDesc() != desc)
        setFile(desc);
    const TxtGuessResult& layout = desc->getLayout();
    const std::uint16_t count = layout.getFieldCount();
    ramFree(value_);
    ramFree(slotAt_);
    ramFree(fields_);
    ramFree(keptAt_);
    ramFree(keptLength_);
    forgetValues();
    keptAt_ = nullptr;
    keptLength_ = nullptr;
    value_ = nullptr;
    boundDesc_ = nullptr;
    fieldCount_ = 0;
    slotAt_ = static_cast<std::size_t*>(ramAlloc(sizeof(std::size_t) * (count + 1u)));
    fields_ = static_cast<const TxtSharedField**>(
        ramAlloc(sizeof(const TxtSharedField*) * (count ? count : 1u)));
    keptAt_ = static_cast<std::uint64_t*>(ramAlloc(sizeof(std::uint64_t) * (count ? count : 1u)));
    keptLength_ =
        static_cast<std::uint32_t*>(ramAlloc(sizeof(std::uint32_t) * (count ? count : 1u)));
    if (!slotAt_ || !fields_ || !keptAt_ || !keptLength_)
        return VX_ERROR;
    for (std::uint16_t i = 0; i < count; ++i)
        keptAt_[i] = 0;
    for (std::uint16_t i = 0; i < count; ++i)
        fields_[i] = static_cast<const TxtSharedField*>(getSharedField(i));
    boundDesc_ = desc;
    fieldCount_ = count;
    slotAt_[0] = 0;
    for (std::uint16_t i = 0; i < count; ++i)
        slotAt_[i + 1] = slotAt_[i] + valueSlotSize(layout, i);
    value_ = static_cast<unsigned char*>(ramAlloc(count ? slotAt_[count] : 8u));
    if (!value_)
        return VX_ERROR;
    positioned_ = false;
    current_ = -1;
    next_ = desc->getDataStart();
    return reader_.open(desc->getLayout(), desc->getHandle());
}

VxStatus TxtCursor::openTable(const char* qualifier, const char*, const char* table,
                              FlatResultSetGlobalInfo*, const char* options) {
    auto* connection = static_cast<TxtConnection*>(connection_);
    std::size_t optionsLength = 0;
    const char* optionText = trimOptions(options, &optionsLength);
    VxString optionCopy;
    if (optionText && optionCopy.initialize(optionText, optionsLength) != VX_SUCCESS)
        return VX_ERROR;
    // A directory named with the table lies in the database directory
    // unless it is absolute.
    VxString directory;
    if (connection->tableDirectory(qualifier, &directory) != VX_SUCCESS)
        return VX_ERROR;
    TxtTableSource source;
    if (source.resolve(directory.getText(), table, optionText, optionsLength,
                       connection->getTableDefaults()) != VX_SUCCESS)
        return VX_ERROR;
    const char* key = optionText ? optionCopy.getText() : nullptr;
    TxtSharedDesc* desc = TxtSharedDesc::find(connection, source.getFilePath(), key);
    if (!desc) {
        desc = new TxtSharedDesc(connection);
        if (!desc)
            return VX_ERROR;
        if (desc->open(source, key, connection->isReadOnly(), this) != VX_SUCCESS) {
            delete desc;
            return VX_ERROR;
        }
    }
    return bind(desc);
}

VxStatus TxtCursor::translateColumns() {
    for (std::uint16_t i = 0; i < reader_.getColumnCount(); ++i) {
        std::size_t length = 0;
        reader_.getColumnText(i, &length);
        if (length > 0 && connection_->toDriver(SQL_CHAR, reader_.getColumnBuffer(i),
                                                static_cast<SQLLEN>(length)) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus TxtCursor::readAt(std::int64_t offset, bool* found) {
    positioned_ = false;
    forgetValues();
    std::int64_t next = offset;
    if (reader_.readRecord(offset, found, &next) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found)
        return VX_SUCCESS;
    current_ = offset;
    next_ = next;
    positioned_ = true;
    return connection_->hasTranslationLibrary() ? translateColumns() : VX_SUCCESS;
}

VxStatus TxtCursor::getNewFirstRecord(bool* eof, FlatIndexRange*) {
    auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
    if (!desc) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    next_ = desc->getDataStart();
    scanning_ = !desc->hasTableOptions();
    scanned_ = 0;
    return getNextRecord(eof);
}

VxStatus TxtCursor::getNextRecord(bool* eof) {
    bool found = false;
    if (readAt(next_, &found) != VX_SUCCESS) {
        scanning_ = false;
        return VX_ERROR;
    }
    *eof = !found;
    if (scanning_ && found)
        ++scanned_;
    if (scanning_ && !found) {
        scanning_ = false;
        auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
        std::int64_t size = 0;
        if (bosFileSize(desc->getHandle(), &size) == VX_SUCCESS)
            static_cast<TxtConnection*>(connection_)
                ->rememberRecordCount(desc->getFullPath(), size, scanned_);
        else
            VxErrorKeeper::clearLastError();
    }
    return VX_SUCCESS;
}

VxStatus TxtCursor::countRecords(std::int64_t* count) {
    *count = -1;
    auto* desc = static_cast<TxtSharedDesc*>(getSharedDesc());
    std::int64_t size = 0;
    if (!desc || desc->hasTableOptions())
        return VX_SUCCESS;
    if (bosFileSize(desc->getHandle(), &size) != VX_SUCCESS) {
        VxErrorKeeper::clearLastError();
        return VX_SUCCESS;
    }
    *count = static_cast<TxtConnection*>(connection_)->knownRecordCount(desc->getFullPath(), size);
    return VX_SUCCESS;
}

VxStatus TxtCursor::getRandomRecord(const void* handle, std::uint16_t* status) {
    scanning_ = false;
    bool found = false;
    if (readAt(txtGetRecordHandle(static_cast<const unsigned char*>(handle)), &found) != VX_SUCCESS)
        return VX_ERROR;
    *status = found ? 0 : 3;
    return VX_SUCCESS;
}

VxStatus TxtCursor::getRecordHandle(void* out) {
    txtPutRecordHandle(current_, static_cast<unsigned char*>(out));
    return VX_SUCCESS;
}

const TxtSharedField* TxtCursor::columnField(std::uint16_t field) const {
    if (getSharedDesc() == boundDesc_ && field < fieldCount_)
        return fields_[field];
    return static_cast<const TxtSharedField*>(getSharedField(field));
}

VxStatus TxtCursor::numberValue(std::uint16_t field, const TxtSharedField* shared, const char* text,
                                std::size_t length, FlatDataValue* out) {
    if (shared->getPrecision() < shared->getScale()) {
        addOdbcError(ODBC_S1000, 3949);
        return VX_ERROR;
    }
    // A measured scale only knows the lines scanned: a value with more
    // fraction digits is read with them all, at its own scale, never cut
    // (the slot holds as many digits as the text has).
    std::uint16_t scale = shared->getScale();
    if (shared->isMeasured()) {
        const std::size_t fraction = fractionDigits(text, length);
        if (fraction > scale)
            scale = static_cast<std::uint16_t>(fraction);
    }
    unsigned char* slot = value_ + slotAt_[field];
    const std::size_t slotSize = slotAt_[field + 1] - slotAt_[field];
    std::size_t written = 0;
    SQLLEN produced = 0;
    const bool plain = txtPlainNumberToDigits(text, length, scale, slot, slotSize, &written);
    if (plain)
        produced = static_cast<SQLLEN>(written);
    else if (BaseConvertNum(INTERNAL_CHAR, text, static_cast<SQLLEN>(length), INTERNAL_DIGITS, slot,
                            &produced, static_cast<SQLLEN>(slotSize), static_cast<short>(scale),
                            BASE_CONVERT_CUT_FRACTION) != VX_SUCCESS)
        return VX_ERROR;
    // A number that lost digits to its column's width would read as
    // another number.
    if (reader_.wasCut(field)) {
        addOdbcError(ODBC_22003, 6071);
        return VX_ERROR;
    }
    // Only the plain reading is kept: the general conversion may warn,
    // and a warning is given on every request.
    if (plain)
        keepValue(field, static_cast<std::uint32_t>(produced));
    out->setValueBuffer(slot, 0);
    out->setLength(static_cast<std::uint32_t>(produced));
    out->setStorageType(INTERNAL_DIGITS);
    return VX_SUCCESS;
}

VxStatus TxtCursor::dateValue(std::uint16_t field, const TxtSharedField* shared, const char* text,
                              std::size_t length, FlatDataValue* out) {
    TxtDate date{};
    if (shared->getMask().parse(text, length, &date) != VX_SUCCESS) {
        txtAddError(ODBC_37000, TXT_MSG_INVALID_DATE_VALUE) << text;
        return VX_ERROR;
    }
    DATE_STRUCT value;
    value.year = date.year;
    value.month = date.month;
    value.day = date.day;
    unsigned char* slot = value_ + slotAt_[field];
    std::memcpy(slot, &value, sizeof value);
    keepValue(field, sizeof value);
    out->setValueBuffer(slot, 0);
    out->setLength(sizeof value);
    out->setStorageType(INTERNAL_DATE);
    return VX_SUCCESS;
}

void TxtCursor::keepValue(std::uint16_t field, std::uint32_t length) {
    if (getSharedDesc() != boundDesc_ || field >= fieldCount_)
        return;
    keptAt_[field] = record_;
    keptLength_[field] = length;
}

VxStatus TxtCursor::getFieldData(std::uint16_t field, FlatDataValue* out) {
    if (!positioned_) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    if (field < fieldCount_ && keptAt_[field] == record_ && getSharedDesc() == boundDesc_) {
        const TxtSharedField* kept = fields_[field];
        out->setValueBuffer(value_ + slotAt_[field], 0);
        out->setLength(keptLength_[field]);
        out->setStorageType(kept->getTypeLetter() == TXT_COLUMN_DATE ? INTERNAL_DATE
                                                                     : INTERNAL_DIGITS);
        return VX_SUCCESS;
    }
    const TxtSharedField* shared = columnField(field);
    if (!shared || field >= reader_.getColumnCount()) {
        addOdbcError(ODBC_S1002);
        return VX_ERROR;
    }
    std::size_t length = 0;
    const char* text = reader_.getColumnText(field, &length);
    const char type = shared->getTypeLetter();
    if (length == 0) {
        out->setValueBuffer(text, 0);
        out->setLength(0);
        out->setStorageType(type == TXT_COLUMN_NUMERIC ? INTERNAL_DIGITS
                            : type == TXT_COLUMN_DATE  ? INTERNAL_DATE
                                                       : INTERNAL_CHAR);
        out->setNull();
        return VX_SUCCESS;
    }
    if (type == TXT_COLUMN_NUMERIC)
        return numberValue(field, shared, text, length, out);
    if (type == TXT_COLUMN_DATE)
        return dateValue(field, shared, text, length, out);
    // A measured column keeps more than its reported width; a value longer
    // still is returned cut, and says so; in UTF-8 text never in the middle
    // of a character.
    if (shared->isMeasured() && reader_.wasCut(field)) {
        addOdbcWarning(ODBC_01004, 6070);
        if (connection_->getCharset().isUtf8())
            length = utf8CompleteLength(text, length);
    }
    out->setValueBuffer(text, 0);
    out->setLength(static_cast<std::uint32_t>(length));
    out->setStorageType(INTERNAL_CHAR);
    return VX_SUCCESS;
}
