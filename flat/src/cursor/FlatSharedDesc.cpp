// A shared table description: identity, fields, indexes and its place in
// the connection's list. The record-lock tree is in FlatSharedDescLocks.cpp.
#include "flat/FlatSharedDesc.h"

#include <cstring>

#include "flat/FlatConnection.h"
#include "flat/FlatFileCursor.h"
#include "flat/FlatSharedField.h"
#include "util/VxString.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

VxStatus replaceText(char** slot, const char* text, std::size_t length) {
    char* copy = ramAllocStr(text, length);
    if (!copy)
        return VX_ERROR;
    ramFree(*slot);
    *slot = copy;
    return VX_SUCCESS;
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

} // namespace

FlatSharedDesc::FlatSharedDesc(FlatConnection* connection)
    : indexes_(4, true), connection_(connection), fields_(16, true) {}

FlatSharedDesc::~FlatSharedDesc() {
    if (linked_ && connection_)
        connection_->unlinkSharedDesc(this);
    freeLockTree();
    ramFree(fullPath_);
    ramFree(qualifier_);
    ramFree(tableName_);
    delete reinterpret_cast<VxObject*>(rowidIndex_);
}

VxStatus FlatSharedDesc::initialize(FlatFileCursor* firstCursor) {
    if (semaphore_.initialize() != VX_SUCCESS)
        return VX_ERROR;
    if (connection_) {
        descNumber_ = connection_->linkSharedDesc(this);
    }
    if (firstCursor)
        firstCursor->setFile(this);
    return VX_SUCCESS;
}

VxStatus FlatSharedDesc::flushChanges() {
    return VX_SUCCESS;
}
VxStatus FlatSharedDesc::releaseAllLocks() {
    return VX_SUCCESS;
}
void FlatSharedDesc::releaseRecordHandlePatchingInfo() {}
VxStatus FlatSharedDesc::releaseRecordLock(const void*, const void*) {
    return VX_SUCCESS;
}

VxStatus FlatSharedDesc::setIdentifiers(const char* fullPath) {
    VxString directory;
    VxString name;
    VxString extension;
    if (replaceText(&fullPath_, fullPath, std::strlen(fullPath)) != VX_SUCCESS ||
        directory.initialize(fullPath) != VX_SUCCESS ||
        bosParseName(&directory, &name, &extension, false) != VX_SUCCESS ||
        replaceText(&tableName_, name.data(), name.length()) != VX_SUCCESS)
        return VX_ERROR;
    std::size_t length = directory.length();
    if (length > 0 && isSeparator(directory.data()[length - 1]))
        --length;
    return replaceText(&qualifier_, length ? directory.data() : "", length);
}

VxStatus FlatSharedDesc::setQualifier(const char* dir) {
    std::size_t length = std::strlen(dir);
    if (length > 0 && isSeparator(dir[length - 1]))
        --length;
    return replaceText(&qualifier_, dir, length);
}

VxStatus FlatSharedDesc::setTableName(const char* name) {
    return replaceText(&tableName_, name, std::strlen(name));
}

VxStatus FlatSharedDesc::addField(FlatSharedField* field) {
    if (!field)
        return VX_ERROR;
    if (fields_.add(field) != VX_SUCCESS) {
        delete field;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

FlatSharedField* FlatSharedDesc::getField(std::uint16_t n) const {
    return static_cast<FlatSharedField*>(fields_.get(n));
}

std::uint16_t FlatSharedDesc::findField(const char* name) const {
    // Without a connection (a description made for a test or a tool) names
    // compare as SQL identifiers usually do: without case.
    const bool caseless =
        !connection_ || connection_->hasFlatFlag(FlatConnection::FLAT_CASE_INSENSITIVE_IDS);
    for (std::uint16_t i = 0; i < fields_.getCount(); ++i) {
        const char* fieldName = getField(i)->getName();
        if (caseless ? strEqualCi(fieldName, name) : std::strcmp(fieldName, name) == 0)
            return i;
    }
    if (connection_ && connection_->hasFlatFlag(FlatConnection::FLAT_ROWID) &&
        strEqualCi(name, "ROWID"))
        return FIELD_ROWID;
    return FIELD_NOT_FOUND;
}

VxStatus FlatSharedDesc::addIndex(FlatFileIndex* index) {
    VxObject* object = reinterpret_cast<VxObject*>(index);
    if (indexes_.add(object) != VX_SUCCESS) {
        delete object;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

FlatFileIndex* FlatSharedDesc::getIndex(std::uint16_t n) const {
    return reinterpret_cast<FlatFileIndex*>(indexes_.get(n));
}

void FlatSharedDesc::setRowidIndex(FlatFileIndex* index) {
    if (rowidIndex_ != index)
        delete reinterpret_cast<VxObject*>(rowidIndex_);
    rowidIndex_ = index;
}
