// The defaults of a table cursor: what a driver that does not override an
// operation gets.
#include "flat/FlatCursor.h"

#include "base/BaseErrors.h"
#include "flat/FlatConnection.h"

namespace {

VxStatus notCapable() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

} // namespace

FlatCursor::~FlatCursor() = default;

void FlatCursor::abortRecordModification() {}

VxStatus FlatCursor::checkFieldValue(std::uint16_t, FlatDataValue*) {
    return VX_SUCCESS;
}

VxStatus FlatCursor::checkKeyInIndex(const void*, FlatFileIndex*, void*, bool* found) {
    *found = false;
    return VX_SUCCESS;
}

VxStatus FlatCursor::deleteCurrentRecord() {
    return notCapable();
}
VxStatus FlatCursor::deleteRecord() {
    return notCapable();
}
std::uint32_t FlatCursor::estimateRecordCount() {
    return DEFAULT_RECORD_ESTIMATE;
}
std::uint16_t FlatCursor::getIndexCount() {
    return 0;
}

VxStatus FlatCursor::getMaxPages(std::uint32_t* pages) {
    *pages = 0xFFFFFFFFu;
    return VX_SUCCESS;
}

const char* FlatCursor::getQualifier() {
    return nullptr;
}
const char* FlatCursor::getOwner() {
    return nullptr;
}
VxStatus FlatCursor::getTransactionInfo(unsigned char*) {
    return VX_SUCCESS;
}
FlatFileIndex* FlatCursor::getUseIndex() {
    return nullptr;
}
VxStatus FlatCursor::insertRecord() {
    return notCapable();
}
bool FlatCursor::isRecordHandlePatchingNeeded() {
    return false;
}
VxStatus FlatCursor::lockCurrentRecord() {
    return VX_SUCCESS;
}
VxStatus FlatCursor::lockRecord(void*) {
    return VX_SUCCESS;
}
VxStatus FlatCursor::optimizeDbaseJoins(FlatDbaseJoinInfo*) {
    return VX_SUCCESS;
}
VxStatus FlatCursor::patchRecordHandles() {
    return VX_SUCCESS;
}
VxStatus FlatCursor::prepareForInsert() {
    return VX_SUCCESS;
}
VxStatus FlatCursor::prepareForUpdate() {
    return VX_SUCCESS;
}
VxStatus FlatCursor::releaseDbaseJoinLock() {
    return VX_SUCCESS;
}
VxStatus FlatCursor::resetCursor() {
    return VX_SUCCESS;
}
VxStatus FlatCursor::setTransactionInfo(const unsigned char*) {
    return VX_SUCCESS;
}

VxStatus FlatCursor::transformRecordHandle(void*, bool* changed) {
    *changed = false;
    return VX_SUCCESS;
}

VxStatus FlatCursor::unlockRecord(const void*) {
    return VX_SUCCESS;
}
VxStatus FlatCursor::updateField(std::uint16_t, FlatDataValue*) {
    return notCapable();
}
VxStatus FlatCursor::updateRecord() {
    return notCapable();
}

VxStatus FlatCursor::countRecords(std::int64_t* count) {
    *count = -1;
    return VX_SUCCESS;
}

std::uint32_t FlatCursor::getFieldEstimatedLimit(std::uint16_t) {
    return 0;
}

bool FlatCursor::supportsRowId() {
    return connection_ && connection_->hasFlatFlag(FlatConnection::FLAT_ROWID);
}
