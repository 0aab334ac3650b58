// FlatTableAccess: full scans of one table cursor under a filter.
#include "flat/FlatTableAccess.h"

#include <sql.h>

#include <cstdio>
#include <cstring>

#include "base/BaseErrors.h"
#include "flat/FlatCursor.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatOpStream.h"
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
    delete range_;
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

void FlatTableAccess::setIndexLookUp(FlatIndexRange* range, const FlatIndexRangeDesc& desc) {
    delete range_;
    range_ = range;
    rangeDesc_ = desc;
    lookUpOn_ = range != nullptr;
    rangeEvaluated_ = false;
}

void FlatTableAccess::dropIndexLookUp() {
    setIndexLookUp(nullptr, FlatIndexRangeDesc());
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

VxStatus FlatTableAccess::describedFieldValue(std::uint16_t field, FlatDataValue* value,
                                              short* sqlType) {
    if (field == FlatCursor::FIELD_ROWID) {
        if (sqlType)
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
    if (sqlType)
        *sqlType = cursor_->getFieldSqlType(field);
    if (nullRow_) {
        value->setNull();
        return VX_SUCCESS;
    }
    return cursor_->getFieldData(field, value);
}

VxStatus FlatTableAccess::open() {
    nullRow_ = false;
    rangeEvaluated_ = false;
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
    if (info_->checkAbort() != VX_SUCCESS)
        return VX_ERROR;
    FlatIndexRange* range = getIndexRange();
    if (range) {
        if (range->evaluate(rangeEvaluated_) != VX_SUCCESS)
            return VX_ERROR;
        rangeEvaluated_ = true;
        if (range->isEmpty()) {
            *eof = true;
            return VX_SUCCESS;
        }
    }
    if (cursor_->getNewFirstRecord(eof, range) != VX_SUCCESS)
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
    if (!getIndexRange())
        return flatDumpLine(out, indent, "Implementation: Table Scan ");
    if (flatDumpLine(out, indent, "Implementation: Index Lookup ") != VX_SUCCESS)
        return VX_ERROR;
    return dumpRange(out, indent);
}

namespace {

constexpr unsigned DUMP_STEP = 3;

const char* yesNo(bool on) {
    return on ? "Yes" : "No";
}

const char* limitOpText(FlatLimitOp op) {
    switch (op) {
    case FlatLimitOp::EQUAL:
        return "=";
    case FlatLimitOp::LESS:
        return "<";
    case FlatLimitOp::LESS_EQUAL:
        return "<=";
    case FlatLimitOp::GREATER:
        return ">";
    case FlatLimitOp::GREATER_EQUAL:
        return ">=";
    case FlatLimitOp::LIKE:
        return "LIKE";
    }
    return "";
}

// The ops of a stream by name, with the operands that tell them apart.
VxStatus writeOps(VxString* line, const FlatOpStream* stream) {
    const unsigned char* op = stream ? stream->getOps() : nullptr;
    const unsigned char* end = op ? op + stream->getLength() : nullptr;
    char text[64];
    for (bool first = true; op && op < end; op = getNextOp(op), first = false) {
        if (!first && line->concat(' ') != VX_SUCCESS)
            return VX_ERROR;
        if (line->concat(flatOpName(*op)) != VX_SUCCESS)
            return VX_ERROR;
        text[0] = '\0';
        if (*op == FLAT_OP_NUM_CONST) {
            double value = 0;
            std::memcpy(&value, op + 1, sizeof value);
            std::snprintf(text, sizeof text, " %.15g", value);
        } else if (*op == FLAT_OP_FIELD) {
            std::uint32_t ref = 0;
            std::uint16_t field = 0;
            std::memcpy(&ref, op + 1, sizeof ref);
            std::memcpy(&field, op + 5, sizeof field);
            std::snprintf(text, sizeof text, " %u.%u", static_cast<unsigned>(ref),
                          static_cast<unsigned>(field));
        } else if (*op == FLAT_OP_PARAM) {
            std::uint16_t number = 0;
            std::memcpy(&number, op + 1, sizeof number);
            std::snprintf(text, sizeof text, " %u", static_cast<unsigned>(number));
        } else if (*op == FLAT_OP_STR_CONST) {
            if (line->concat(" '") != VX_SUCCESS ||
                line->concat(reinterpret_cast<const char*>(op + 1)) != VX_SUCCESS ||
                line->concat('\'') != VX_SUCCESS)
                return VX_ERROR;
        }
        if (text[0] && line->concat(text) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus dumpLimit(VxString* out, unsigned indent, const char* title, const FlatIndexLimit& limit) {
    if (!limit.isPresent()) {
        VxString line;
        if (line.concat(title) != VX_SUCCESS || line.concat(" None") != VX_SUCCESS)
            return VX_ERROR;
        return flatDumpLine(out, indent, line.getText());
    }
    if (flatDumpLine(out, indent, title) != VX_SUCCESS)
        return VX_ERROR;
    VxString op;
    VxString ops;
    if (op.concat("Operator: ") != VX_SUCCESS ||
        op.concat(limitOpText(limit.getDeclaredOp())) != VX_SUCCESS ||
        ops.concat("OpStream: ") != VX_SUCCESS ||
        writeOps(&ops, limit.getExpression()) != VX_SUCCESS)
        return VX_ERROR;
    if (flatDumpLine(out, indent + DUMP_STEP, op.getText()) != VX_SUCCESS)
        return VX_ERROR;
    return flatDumpLine(out, indent + DUMP_STEP, ops.getText());
}

VxStatus dumpPair(VxString* out, unsigned indent, const char* label, const char* value) {
    VxString line;
    if (line.concat(label) != VX_SUCCESS || line.concat(' ') != VX_SUCCESS ||
        line.concat(value) != VX_SUCCESS)
        return VX_ERROR;
    return flatDumpLine(out, indent, line.getText());
}

} // namespace

VxStatus FlatTableAccess::dumpRange(VxString* out, unsigned indent) {
    FlatFileIndex* index = rangeDesc_.index;
    if (!index)
        return VX_SUCCESS;
    const unsigned desc = indent + DUMP_STEP;
    const unsigned part = desc + DUMP_STEP;
    const std::uint16_t type = index->getType();
    const char* typeName = type == FlatFileIndex::TYPE_CLUSTERED ? "Clustered"
                           : type == FlatFileIndex::TYPE_HASHED  ? "Hashed"
                                                                 : "Other";
    VxString fields;
    for (std::size_t i = 0; i < rangeDesc_.keyFields.size(); ++i) {
        const std::uint16_t field = rangeDesc_.keyFields[i];
        const char* name = field < cursor_->getNumFields() ? cursor_->getFieldName(field) : nullptr;
        if ((i > 0 && fields.concat(", ") != VX_SUCCESS) ||
            fields.concat(name ? name : "?") != VX_SUCCESS)
            return VX_ERROR;
    }
    const std::uint16_t flags = index->getFlags();
    if (flatDumpLine(out, indent, "IndexRangeDesc:") != VX_SUCCESS ||
        flatDumpLine(out, desc, "IndexDesc:") != VX_SUCCESS ||
        dumpPair(out, part, "IndexName:", index->getName() ? index->getName() : "") != VX_SUCCESS ||
        dumpPair(out, part, "Type:", typeName) != VX_SUCCESS ||
        dumpPair(out, part, "Primary Key:", yesNo(flags & FlatFileIndex::INDEX_PRIMARY)) !=
            VX_SUCCESS ||
        dumpPair(out, part, "Unique:", yesNo(flags & FlatFileIndex::INDEX_UNIQUE)) != VX_SUCCESS ||
        dumpPair(out, part, "Rowid:", yesNo(flags & FlatFileIndex::INDEX_ROWID)) != VX_SUCCESS ||
        dumpPair(out, part, "KeyFields:", fields.getText()) != VX_SUCCESS ||
        flatDumpLine(out, indent, "Range") != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t n = 0; n < range_->getBoundsCount(); ++n) {
        const FlatIndexBoundsEntry* bounds = range_->getBounds(n);
        if (flatDumpLine(out, desc, "Bounds:") != VX_SUCCESS ||
            dumpLimit(out, part, "Lower IndexLimit:", bounds->lower) != VX_SUCCESS ||
            dumpLimit(out, part, "Upper IndexLimit:", bounds->upper) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
