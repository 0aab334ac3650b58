// FlatResultSet: defaults of the operator interface, condition lists,
// the query's global information and plan listings.
#include "flat/FlatResultSet.h"

#include <cstring>
#include <new>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "flat/FlatOneChildResultSet.h"
#include "flat/FlatOpStream.h"
#include "flat/FlatOptPlan.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatResultSetGlobalInfo.h"
#include "util/VxString.h"
#include "util/bos.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

// Abort requests are looked for on the 1st, 129th, ... row.
constexpr std::uint32_t ABORT_CHECK_PERIOD = 128;
constexpr unsigned RULE_WIDTH = 40;
constexpr unsigned CHILD_INDENT = 5;
constexpr unsigned PART_INDENT = 3;

VxStatus indentLine(VxString* out, unsigned indent, const char* text) {
    for (unsigned i = 0; i < indent; ++i)
        if (out->concat(' ') != VX_SUCCESS)
            return VX_ERROR;
    if (out->concat(text) != VX_SUCCESS)
        return VX_ERROR;
    return out->concat("\r\n");
}

} // namespace

// ---- FlatConditionList ------------------------------------------------------

FlatConditionList::~FlatConditionList() {
    for (std::size_t i = 0; i < count_; ++i)
        delete items_[i];
    ramFree(items_);
}

FlatOpStream* FlatConditionList::release(std::size_t index) {
    FlatOpStream* condition = items_[index];
    for (std::size_t i = index + 1; i < count_; ++i)
        items_[i - 1] = items_[i];
    --count_;
    return condition;
}

VxStatus FlatConditionList::add(FlatOpStream* condition) {
    if (count_ == capacity_) {
        std::size_t capacity = capacity_ ? capacity_ * 2 : 4;
        void* block = items_;
        if (ramResize(&block, capacity * sizeof *items_) != VX_SUCCESS) {
            delete condition;
            return VX_ERROR;
        }
        items_ = static_cast<FlatOpStream**>(block);
        capacity_ = capacity;
    }
    items_[count_++] = condition;
    return VX_SUCCESS;
}

VxStatus FlatConditionList::evaluate(bool* passes) {
    *passes = true;
    for (std::size_t i = 0; i < count_ && *passes; ++i)
        if (items_[i]->evaluateCondition(passes) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

// ---- FlatResultSetGlobalInfo ------------------------------------------------

VxStatus FlatResultSetGlobalInfo::openCursor(FlatCursor** cursor, const char* qualifier,
                                             const char* table, const char* options) {
    *cursor = nullptr;
    if (opener_)
        return opener_->openTable(cursor, qualifier, table, options);
    if (!connection_) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return connection_->openCursor(cursor, qualifier, "", table, this, options);
}

VxStatus FlatResultSetGlobalInfo::checkAbort() {
    if (!abortCheck_)
        return VX_SUCCESS;
    bool ask = abortCalls_ % ABORT_CHECK_PERIOD == 0;
    ++abortCalls_;
    if (ask && bosabort()) {
        addFlatError(4018);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatResultSetGlobalInfo::attachRow() {
    FlatResultSet* op = detached_;
    if (!op)
        return VX_SUCCESS;
    detached_ = nullptr;
    return op->attachRow();
}

// ---- FlatResultSet ----------------------------------------------------------

FlatResultSet::~FlatResultSet() = default;

VxStatus FlatResultSet::open() {
    for (std::uint16_t i = 0; i < getChildCount(); ++i)
        if (getChild(i)->open() != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatResultSet::close() {
    VxStatus status = VX_SUCCESS;
    for (std::uint16_t i = 0; i < getChildCount(); ++i)
        if (getChild(i)->close() != VX_SUCCESS)
            status = VX_ERROR;
    return status;
}

void FlatResultSet::setNullRow(bool on) {
    for (std::uint16_t i = 0; i < getChildCount(); ++i)
        getChild(i)->setNullRow(on);
}

VxStatus FlatResultSet::fetchRow(std::uint32_t, std::uint16_t* status) {
    *status = FLAT_ROW_NONE;
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

std::uint16_t FlatResultSet::getColumnCount() const {
    return 0;
}

FlatResultSetColumn* FlatResultSet::getColumn(std::uint16_t) const {
    return nullptr;
}

std::uint16_t FlatResultSet::findColumn(const char* name) const {
    for (std::uint16_t i = 0; i < getColumnCount(); ++i)
        if (strEqualCi(getColumn(i)->getName(), name))
            return i;
    return FLAT_NO_COLUMN;
}

FlatResultSet* FlatResultSet::getChild(std::uint16_t) const {
    return nullptr;
}

VxStatus FlatResultSet::addTablesToList(VxArray* list) {
    for (std::uint16_t i = 0; i < getChildCount(); ++i)
        if (getChild(i)->addTablesToList(list) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatResultSet::dump(FlatOptPlan* plan, unsigned indent) {
    if (plan->writeLine(indent, getTitle()) != VX_SUCCESS ||
        dumpParts(plan->getText(), indent + PART_INDENT) != VX_SUCCESS ||
        plan->writeOperatorInfo(this, indent + PART_INDENT) != VX_SUCCESS)
        return VX_ERROR;
    char rule[RULE_WIDTH + 1];
    std::memset(rule, '-', RULE_WIDTH);
    rule[RULE_WIDTH] = 0;
    if (plan->writeLine(indent, rule) != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t i = 0; i < getChildCount(); ++i)
        if (getChild(i)->dump(plan, indent + CHILD_INDENT) != VX_SUCCESS)
            return VX_ERROR;
    return VX_SUCCESS;
}

VxStatus FlatResultSet::dumpParts(VxString*, unsigned) {
    return VX_SUCCESS;
}

VxStatus flatDumpLine(VxString* out, unsigned indent, const char* text) {
    return indentLine(out, indent, text);
}

FlatOneChildResultSet::~FlatOneChildResultSet() {
    delete child_;
}

FlatResultSetGlobalInfo::~FlatResultSetGlobalInfo() {
    releaseSubQueries();
}

VxStatus FlatResultSetGlobalInfo::addSubQuery(FlatResultSet* root, FlatResultSetColumn* value,
                                              bool correlated, std::uint16_t* number) {
    if (subQueries_.size() >= 0xFFFF) {
        delete root;
        addOdbcError(ODBC_S1001);
        return VX_ERROR;
    }
    SubQuery sub{root, value, false, false, correlated, !correlated, false, 0, 0, {}, nullptr};
    subQueries_.push_back(std::move(sub));
    *number = static_cast<std::uint16_t>(subQueries_.size());
    return VX_SUCCESS;
}

void FlatResultSetGlobalInfo::releaseSubQueries() {
    for (SubQuery& sub : subQueries_)
        delete sub.root;
    subQueries_.clear();
}

void FlatResultSetGlobalInfo::stopKeeping(SubQuery* sub) {
    sub->keeping = false;
    sub->kept.clear();
    sub->kept.shrink_to_fit();
    sub->keptBytes = 0;
}

VxStatus FlatResultSetGlobalInfo::closeSubQueries() {
    VxStatus status = VX_SUCCESS;
    for (SubQuery& sub : subQueries_) {
        if (sub.open && sub.root->close() != VX_SUCCESS)
            status = VX_ERROR;
        sub.open = false;
        sub.started = false;
        // Parameters may differ at the next execution: start afresh.
        stopKeeping(&sub);
        sub.values.reset();
        sub.keeping = !sub.correlated;
        sub.rootDone = false;
        sub.position = 0;
    }
    return status;
}

FlatResultSetGlobalInfo::SubQuery* FlatResultSetGlobalInfo::findSubQuery(std::uint16_t number) {
    if (number == 0 || number > subQueries_.size()) {
        addOdbcError(ODBC_S1000);
        return nullptr;
    }
    return &subQueries_[number - 1];
}

VxStatus FlatResultSetGlobalInfo::openSubQuery(std::uint16_t number) {
    SubQuery* sub = findSubQuery(number);
    if (!sub)
        return VX_ERROR;
    if (sub->keeping && sub->open) {
        // Kept rows first, then the tree from where it stopped.
        sub->position = 0;
        return VX_SUCCESS;
    }
    if (sub->open) {
        sub->open = false;
        if (sub->root->close() != VX_SUCCESS)
            return VX_ERROR;
    }
    if (sub->root->open() != VX_SUCCESS)
        return VX_ERROR;
    sub->open = true;
    sub->started = false;
    sub->rootDone = false;
    sub->position = 0;
    if (sub->keeping) {
        sub->kept.clear();
        sub->keptBytes = 0;
    }
    return VX_SUCCESS;
}

std::unique_ptr<FlatSubQueryValues>* FlatResultSetGlobalInfo::subQueryValues(std::uint16_t number) {
    if (number == 0 || number > subQueries_.size())
        return nullptr;
    SubQuery& sub = subQueries_[number - 1];
    return sub.correlated ? nullptr : &sub.values;
}

VxStatus FlatResultSetGlobalInfo::fetchSubQueryRow(std::uint16_t number, bool* atEnd) {
    SubQuery* sub = findSubQuery(number);
    if (!sub)
        return VX_ERROR;
    if (!sub->open) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (sub->keeping) {
        if (sub->position < sub->kept.size()) {
            ++sub->position;
            *atEnd = false;
            return VX_SUCCESS;
        }
        if (sub->rootDone) {
            *atEnd = true;
            return VX_SUCCESS;
        }
    }
    VxStatus status;
    if (!sub->started) {
        sub->started = true;
        status = sub->root->fetchFirst(atEnd);
    } else {
        status = sub->root->fetchNext(atEnd);
    }
    if (status != VX_SUCCESS) {
        if (sub->keeping)
            stopKeeping(sub); // the tree's position is no longer known
        return status;
    }
    if (!sub->keeping)
        return VX_SUCCESS;
    if (*atEnd) {
        sub->rootDone = true;
        return VX_SUCCESS;
    }
    sub->kept.emplace_back();
    sub->position = sub->kept.size();
    return VX_SUCCESS;
}

VxStatus FlatResultSetGlobalInfo::getSubQueryValue(std::uint16_t number, FlatDataValue* value,
                                                   short* sqlType) {
    SubQuery* sub = findSubQuery(number);
    if (!sub)
        return VX_ERROR;
    if (!sub->keeping || sub->position == 0)
        return sub->value->evaluate(value, sqlType);
    KeptRow& row = sub->kept[sub->position - 1];
    if (!row.read) {
        // Only the newest kept row is the tree's current row.
        if (sub->position != sub->kept.size()) {
            addOdbcError(ODBC_S1000);
            return VX_ERROR;
        }
        FlatDataValue fresh;
        if (sub->value->evaluate(&fresh, &row.sqlType) != VX_SUCCESS)
            return VX_ERROR;
        row.null = fresh.isNull();
        row.storageType = fresh.getStorageType();
        row.length = row.null ? 0 : fresh.getLength();
        if (sub->keptBytes + row.length + sizeof(KeptRow) > SUBQUERY_CACHE_BYTES) {
            // Too many values to keep: hand this one over as it is and run
            // the tree again at the next pass.
            *sqlType = row.sqlType;
            if (fresh.isNull()) {
                value->setNull();
                value->setStorageType(fresh.getStorageType());
                stopKeeping(sub);
                return VX_SUCCESS;
            }
            VxStatus status =
                value->setValueCopy(fresh.getBytes(), fresh.getLength(), fresh.getStorageType());
            stopKeeping(sub);
            return status;
        }
        row.bytes.reset(new (std::nothrow) unsigned char[row.length ? row.length : 1]);
        if (!row.bytes) {
            addOdbcError(ODBC_S1001);
            return VX_ERROR;
        }
        if (row.length)
            std::memcpy(row.bytes.get(), fresh.getBytes(), row.length);
        sub->keptBytes += row.length + sizeof(KeptRow);
        row.read = true;
    }
    *sqlType = row.sqlType;
    value->setValueBuffer(row.bytes.get(), 0);
    value->setLength(row.length);
    value->setStorageType(row.storageType);
    if (row.null)
        value->setNull();
    return VX_SUCCESS;
}
