// FlatTableAccess: full scans of one table cursor under a filter.
#include "flat/FlatTableAccess.h"

#include <sql.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "flat/FlatCursor.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "select/FlatDump.h"
#include "util/VxString.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// ROWIDs of rows inserted in the current transaction lie above this.
constexpr double TRANSACTION_ROWID_BASE = 5000000000.0;

} // namespace

FlatTableAccess::FlatTableAccess(FlatResultSetGlobalInfo* info, std::uint16_t tableNumber)
    : FlatResultSet(info), tableNumber_(tableNumber) {}

FlatTableAccess::~FlatTableAccess() {
    delete cursor_;
    ramFree(correlation_);
}

VxStatus FlatTableAccess::openTable(const char* qualifier, const char* table, const char* options) {
    FlatCursor* cursor = nullptr;
    if (info_->openCursor(&cursor, qualifier, table, options) != VX_SUCCESS)
        return VX_ERROR;
    delete cursor_;
    cursor_ = cursor;
    return VX_SUCCESS;
}

VxStatus FlatTableAccess::setCorrelationName(const char* name) {
    char* copy = ramAllocStr(name);
    if (!copy)
        return VX_ERROR;
    ramFree(correlation_);
    correlation_ = copy;
    return VX_SUCCESS;
}

const char* FlatTableAccess::getTableName() const {
    const char* name = cursor_ ? cursor_->getTableName() : nullptr;
    return name ? name : "";
}

bool FlatTableAccess::isNamed(const char* qualifier) const {
    if (correlation_ && *correlation_)
        return strEqualCi(correlation_, qualifier);
    return strEqualCi(getTableName(), qualifier);
}

VxStatus FlatTableAccess::fieldValue(std::uint16_t field, FlatDataValue* value, short* sqlType) {
    if (field == FlatCursor::FIELD_ROWID) {
        *sqlType = SQL_DECIMAL;
        if (nullRow_) {
            value->setStorageType(INTERNAL_DOUBLE);
            value->setNull();
            return VX_SUCCESS;
        }
        unsigned char handle[64] = {};
        std::uint16_t size = cursor_->getRecordHandleSize();
        if (size > sizeof handle || cursor_->getRecordHandle(handle) != VX_SUCCESS) {
            if (size > sizeof handle)
                addOdbcError(ODBC_S1000);
            return VX_ERROR;
        }
        std::uint32_t low = 0;
        std::memcpy(&low, handle, size < 4 ? size : 4);
        double rowId = low;
        if (size == 5 && handle[4] != 0)
            rowId += TRANSACTION_ROWID_BASE;
        return value->setValueCopy(&rowId, sizeof rowId, INTERNAL_DOUBLE);
    }
    *sqlType = cursor_->getFieldSqlType(field);
    if (nullRow_) {
        value->setNull();
        return VX_SUCCESS;
    }
    return cursor_->getFieldData(field, value);
}

VxStatus FlatTableAccess::open() {
    nullRow_ = false;
    if (!cursor_) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return cursor_->resetCursor();
}

VxStatus FlatTableAccess::skipRefused(bool* eof) {
    while (!*eof) {
        bool passes = true;
        if (filter_.evaluate(&passes) != VX_SUCCESS)
            return VX_ERROR;
        if (passes)
            return VX_SUCCESS;
        if (info_->checkAbort() != VX_SUCCESS || cursor_->getNextRecord(eof) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatTableAccess::fetchFirst(bool* eof) {
    nullRow_ = false;
    *eof = false;
    if (info_->checkAbort() != VX_SUCCESS || cursor_->getNewFirstRecord(eof, nullptr) != VX_SUCCESS)
        return VX_ERROR;
    return skipRefused(eof);
}

VxStatus FlatTableAccess::fetchNext(bool* eof) {
    nullRow_ = false;
    *eof = false;
    if (info_->checkAbort() != VX_SUCCESS || cursor_->getNextRecord(eof) != VX_SUCCESS)
        return VX_ERROR;
    return skipRefused(eof);
}

std::uint16_t FlatTableAccess::getRowHandleSize() {
    return cursor_->getRecordHandleSize();
}

VxStatus FlatTableAccess::getRowHandle(unsigned char* handle) {
    return cursor_->getRecordHandle(handle);
}

VxStatus FlatTableAccess::fetchByRowHandle(const unsigned char* handle, std::uint16_t* status) {
    nullRow_ = false;
    return cursor_->getRandomRecord(handle, status);
}

VxStatus FlatTableAccess::addTablesToList(VxArray* list) {
    return cursor_ ? cursor_->addTableToList(list) : VX_SUCCESS;
}

VxStatus FlatTableAccess::dumpParts(VxString* out, unsigned indent) {
    VxString line;
    if (line.concat(getTableName()) != VX_SUCCESS)
        return VX_ERROR;
    if (correlation_ && *correlation_ &&
        (line.concat(' ') != VX_SUCCESS || line.concat(correlation_) != VX_SUCCESS))
        return VX_ERROR;
    if (flatDumpLine(out, indent, line.getText()) != VX_SUCCESS)
        return VX_ERROR;
    if (!filter_.isEmpty() && flatDumpLine(out, indent, "WhereFilter:") != VX_SUCCESS)
        return VX_ERROR;
    return flatDumpLine(out, indent, "Implementation: Table Scan ");
}
