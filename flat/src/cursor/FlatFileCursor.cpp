// The file cursor's share of a table cursor: everything answered from the
// bound shared description, the ordered table list, value checks and
// record locks through the description's lock tree.
#include "flat/FlatFileCursor.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseConvert.h"
#include "flat/FlatConnection.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatSharedField.h"
#include "util/VxArray.h"
#include "util/VxString.h"
#include "util/bos.h"
#include "util/ram.h"

FlatFileCursor::~FlatFileCursor() {
    if (desc_) {
        if (connection_)
            connection_->releaseCursorDesc(this);
        else
            setFile(nullptr);
    }
    ramFree(handleBuffer_);
}

void FlatFileCursor::setFile(FlatSharedDesc* desc) {
    if (desc)
        desc->addOpen();
    if (desc_)
        desc_->removeOpen();
    desc_ = desc;
}

VxStatus FlatFileCursor::addTableToList(VxArray* list) {
    if (!desc_)
        return VX_SUCCESS;
    const std::uint32_t number = desc_->getDescNumber();
    std::uint16_t at = list->getCount();
    for (std::uint16_t i = 0; i < list->getCount(); ++i) {
        auto* entry = static_cast<FlatSharedDesc*>(list->get(i));
        if (entry->getDescNumber() == number)
            return VX_SUCCESS;
        if (entry->getDescNumber() > number) {
            at = i;
            break;
        }
    }
    return list->addAtIndex(desc_, at);
}

namespace {

// The conversion target that checks a value of `sqlType`.
bool checkTarget(short sqlType, std::uint16_t attributes, InternalType* target) {
    const bool isUnsigned = (attributes & FlatSharedField::ATTR_UNSIGNED) != 0;
    switch (sqlType) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_BIGINT:
        *target = INTERNAL_DIGITS;
        return true;
    case SQL_INTEGER:
        *target = isUnsigned ? INTERNAL_ULONG : INTERNAL_SLONG;
        return true;
    case SQL_SMALLINT:
        *target = isUnsigned ? INTERNAL_USHORT : INTERNAL_SSHORT;
        return true;
    case SQL_DATE:
        *target = INTERNAL_DATE;
        return true;
    case SQL_TIME:
        *target = INTERNAL_TIME;
        return true;
    case SQL_TIMESTAMP:
        *target = INTERNAL_TIMESTAMP;
        return true;
    default:
        return false;
    }
}

} // namespace

VxStatus FlatFileCursor::checkFieldValue(std::uint16_t field, FlatDataValue* value) {
    FlatDataValue converted;
    return convertForField(getSharedField(field), value, &converted);
}

VxStatus FlatFileCursor::convertForField(const FlatSharedField* shared, const FlatDataValue* value,
                                         FlatDataValue* out) {
    out->clear();
    if (!shared || !value || value->isNull())
        return VX_SUCCESS;
    InternalType target;
    if (!checkTarget(shared->getSqlType(), shared->getAttributes(), &target))
        return VX_SUCCESS;
    short from = value->getStorageType();
    if (from == FLAT_STORAGE_BINARY)
        from = FLAT_STORAGE_FRAMEWORK_BINARY;
    // Room for a decimal of the column's precision; 32 bytes hold any
    // fixed-size target.
    const std::uint32_t precision = shared->getPrecision() > 0 ? shared->getPrecision() : 1;
    const SQLLEN size = target == INTERNAL_DIGITS
                            ? static_cast<SQLLEN>(sizeof(InternalDigitsHeader) + precision)
                            : 32;
    void* buffer = ramAlloc(static_cast<std::size_t>(size));
    if (!buffer)
        return VX_ERROR;
    SQLLEN produced = 0;
    const InternalType fromType = static_cast<InternalType>(from);
    const short scale = static_cast<short>(shared->getScale());
    VxStatus status =
        (target == INTERNAL_DATE || target == INTERNAL_TIME || target == INTERNAL_TIMESTAMP)
            ? BaseConvertDateTime(fromType, value->getValueBuffer(), value->getLength(), target,
                                  buffer, &produced, size, scale, BASE_CONVERT_CUT_FRACTION)
            : BaseConvertNum(fromType, value->getValueBuffer(), value->getLength(), target, buffer,
                             &produced, size, scale, BASE_CONVERT_CUT_FRACTION);
    if (status == VX_SUCCESS && produced > 0 && produced <= size)
        status = out->setValueCopy(buffer, static_cast<std::uint32_t>(produced), target);
    ramFree(buffer);
    return status;
}

bool FlatFileCursor::compareTableName(const char* name) {
    if (!desc_ || !name)
        return false;
    if (connection_ && connection_->hasFlatFlag(FlatConnection::FLAT_COMPARE_FULL_PATH)) {
        char ext[FLAT_NAME_BUFFER] = "";
        connection_->getExt(ext, sizeof ext);
        VxString path;
        if (bospath(&path, desc_->getQualifier(), name, ext) != VX_SUCCESS)
            return false;
        return std::strcmp(path.data() ? path.data() : "", desc_->getFullPath()) == 0;
    }
    return std::strcmp(name, desc_->getTableName()) == 0;
}

VxStatus FlatFileCursor::deleteCurrentRecord() {
    if (!desc_ || ensureHandleBuffer() != VX_SUCCESS)
        return VX_ERROR;
    if (getRecordHandle(handleBuffer_) != VX_SUCCESS || deleteRecord() != VX_SUCCESS)
        return VX_ERROR;
    return desc_->removeLock(handleBuffer_);
}

std::uint16_t FlatFileCursor::findField(const char* name) {
    return desc_ ? desc_->findField(name) : FIELD_NOT_FOUND;
}

FlatSharedField* FlatFileCursor::getSharedField(std::uint16_t field) const {
    return desc_ ? desc_->getField(field) : nullptr;
}

std::uint16_t FlatFileCursor::getFieldAttributes(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getAttributes() : 0;
}

const char* FlatFileCursor::getFieldName(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getName() : "";
}

const char* FlatFileCursor::getFieldNativeTypeName(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getNativeTypeName() : "";
}

bool FlatFileCursor::getFieldNegDecPrec(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f && f->hasFlag(FlatSharedField::FIELD_NEG_DEC_PRECISION);
}

short FlatFileCursor::getFieldNullable(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getNullable() : SQL_NULLABLE_UNKNOWN;
}

std::uint32_t FlatFileCursor::getFieldPrecision(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getPrecision() : 0;
}

bool FlatFileCursor::getFieldRowVerType(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f && f->hasFlag(FlatSharedField::FIELD_ROW_VERSION);
}

std::uint16_t FlatFileCursor::getFieldScale(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getScale() : 0;
}

short FlatFileCursor::getFieldSqlType(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f ? f->getSqlType() : 0;
}

std::uint32_t FlatFileCursor::getFieldEstimatedLimit(std::uint16_t field) {
    FlatSharedField* f = getSharedField(field);
    return f && f->hasFlag(FlatSharedField::FIELD_WIDTH_ESTIMATED) ? f->getReadLimit() : 0;
}

short FlatFileCursor::getFieldUpdatable(std::uint16_t field) {
    if (connection_ && connection_->isReadOnly())
        return SQL_ATTR_READONLY;
    FlatSharedField* f = getSharedField(field);
    return f ? f->getUpdatable() : SQL_ATTR_READONLY;
}

FlatFileIndex* FlatFileCursor::getIndex(std::uint16_t n) {
    return desc_ ? desc_->getIndex(n) : nullptr;
}

std::uint16_t FlatFileCursor::getIndexCount() {
    return desc_ ? desc_->getIndexCount() : 0;
}
std::uint16_t FlatFileCursor::getNumFields() {
    return desc_ ? desc_->getFieldCount() : 0;
}
const char* FlatFileCursor::getQualifier() {
    return desc_ ? desc_->getQualifier() : nullptr;
}

std::uint16_t FlatFileCursor::getRecordHandleSize() {
    return desc_ ? desc_->getRecordHandleSize() : 4;
}

FlatFileIndex* FlatFileCursor::getRowidIndex() {
    return desc_ ? desc_->getRowidIndex() : nullptr;
}
const char* FlatFileCursor::getTableName() {
    return desc_ ? desc_->getTableName() : "";
}

bool FlatFileCursor::isReadOnly() {
    return (desc_ && desc_->hasFlag(FlatSharedDesc::DESC_READ_ONLY)) ||
           (connection_ && connection_->isReadOnly());
}

VxStatus FlatFileCursor::ensureHandleBuffer() {
    if (handleBuffer_)
        return VX_SUCCESS;
    const std::size_t size =
        static_cast<std::size_t>(getRecordHandleSize()) + (desc_ ? desc_->getLockHandleSize() : 0);
    handleBuffer_ = static_cast<unsigned char*>(ramAllocZ(size ? size : 1));
    return handleBuffer_ ? VX_SUCCESS : VX_ERROR;
}

VxStatus FlatFileCursor::lockCurrentRecord() {
    if (!desc_ || ensureHandleBuffer() != VX_SUCCESS)
        return VX_ERROR;
    if (getRecordHandle(handleBuffer_) != VX_SUCCESS)
        return VX_ERROR;
    bool held = false;
    if (desc_->addLockReference(handleBuffer_, &held) != VX_SUCCESS)
        return VX_ERROR;
    if (held)
        return VX_SUCCESS;
    unsigned char* lockHandle = handleBuffer_ + getRecordHandleSize();
    if (lockRecord(lockHandle) != VX_SUCCESS)
        return VX_ERROR;
    return desc_->addLock(handleBuffer_, lockHandle);
}

VxStatus FlatFileCursor::unlockRecord(const void* handle) {
    return desc_ ? desc_->unlockRecord(handle) : VX_SUCCESS;
}
