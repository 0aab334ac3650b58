#include "flat/FlatRowChangeDesc.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "flat/FlatCursor.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatSelectDesc.h"
#include "flat/FlatStatement.h"
#include "flat/FlatTableAccess.h"
#include "parse/FlatSqlLexer.h"
#include "util/str.h"

namespace {

constexpr unsigned short MSG_RECORD_GONE = 3959;
constexpr unsigned short MSG_NOT_A_CURSOR = 3863;
constexpr unsigned short MSG_CURSOR_NOT_FOUND = 4013;
constexpr unsigned short MSG_READ_ONLY = 3865;

// A value kept past the row it was read from.
std::unique_ptr<FlatDataValue> copyValue(const FlatDataValue& value) {
    auto copy = std::make_unique<FlatDataValue>();
    copy->setStorageType(value.getStorageType());
    if (value.isNull()) {
        copy->setNull();
        return copy;
    }
    if (copy->setValueCopy(value.getValueBuffer(), value.getLength(), value.getStorageType()))
        return nullptr;
    return copy;
}

} // namespace

struct FlatRowChangeDesc::Change {
    std::vector<unsigned char> handle;
    std::vector<std::unique_ptr<FlatDataValue>> values; // new, per assignment
    std::vector<std::unique_ptr<FlatDataValue>> old;    // as read, per assignment
};

FlatRowChangeDesc::FlatRowChangeDesc(FlatStatement* statement) : FlatDescriptor(statement) {}

FlatRowChangeDesc::~FlatRowChangeDesc() {
    release();
}

void FlatRowChangeDesc::release() {
    delete select_;
    select_ = nullptr;
    assignments_ = 0;
    fields_.clear();
    bareParams_.clear();
    currentOf_.clear();
}

VxStatus FlatRowChangeDesc::addTablesToList(VxArray* list) {
    return select_ ? select_->addTablesToList(list) : VX_SUCCESS;
}

VxStatus FlatRowChangeDesc::setToPreparedState() {
    return select_ ? select_->setToPreparedState() : VX_SUCCESS;
}

bool FlatRowChangeDesc::isParamLegal(std::uint16_t number) {
    return select_ ? select_->isParamLegal(number) : true;
}

VxStatus FlatRowChangeDesc::takeCurrentOf(const char* from, const char** end) {
    FlatSqlLexer lexer(from);
    FlatSqlToken token;
    const char* where = nullptr;
    for (;;) {
        lexer.skipBlanks();
        const char* at = lexer.getCursor();
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
            return VX_ERROR;
        if (token.isEmpty())
            return VX_SUCCESS;
        if (token.is("WHERE")) {
            where = at;
            break;
        }
    }
    FlatSqlToken current;
    FlatSqlToken of;
    if (lexer.next(&current, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) || !current.is("CURRENT") ||
        lexer.next(&of, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) || !of.is("OF"))
        return VX_SUCCESS;
    if (lexer.next(&token, FLAT_TOKEN_FILE, FLAT_NAME_SIZE))
        return VX_ERROR;
    std::string name(token.text(), token.length());
    while (!name.empty() && name.back() == ';')
        name.pop_back();
    for (;;) {
        if (lexer.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
            return VX_ERROR;
        if (token.isEmpty())
            break;
        if (!token.isChar(';')) {
            addFlatSyntaxError(3803) << token.text();
            return VX_ERROR;
        }
    }
    if (name.empty()) {
        addFlatError(MSG_CURSOR_NOT_FOUND) << "";
        return VX_ERROR;
    }
    currentOf_ = name;
    *end = where;
    return VX_SUCCESS;
}

VxStatus FlatRowChangeDesc::compile(const char* query) {
    select_ = new FlatSelectDesc(statement_);
    if (select_->parseSelect(query, FLAT_SELECT_NO_FOR_UPDATE | FLAT_SELECT_NO_GROUP_BY |
                                        FLAT_SELECT_NO_UNION))
        return VX_ERROR;
    FlatTableAccess* table = select_->getTable(1);
    FlatCursor* cursor = table ? table->getCursor() : nullptr;
    if (!cursor || select_->getFromTableCount() != 1) {
        addFlatSyntaxError(3803) << ",";
        return VX_ERROR;
    }
    if (cursor->isReadOnly()) {
        addFlatError(MSG_READ_ONLY);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// The record handle of the current row of the statement named by WHERE
// CURRENT OF, which must read the same table.
VxStatus FlatRowChangeDesc::findCurrentRow(FlatCursor* cursor, std::vector<unsigned char>* handle) {
    BaseConnection& connection = statement_->getConnection();
    FlatStatement* named = nullptr;
    for (std::uint32_t i = 0; i < connection.getStatementCount(); ++i) {
        BaseStatement* candidate = connection.getStatementAtPos(i);
        const char* name = candidate ? candidate->getDriverCursorName() : nullptr;
        if (name && strEqualCi(name, currentOf_.c_str())) {
            named = dynamic_cast<FlatStatement*>(candidate);
            if (!named)
                break;
        }
    }
    if (!named) {
        addFlatError(MSG_CURSOR_NOT_FOUND) << currentOf_.c_str();
        return VX_ERROR;
    }
    auto* query = dynamic_cast<FlatSelectDesc*>(named->getDescriptor());
    FlatTableAccess* table = query ? query->getTable(1) : nullptr;
    FlatCursor* other = table ? table->getCursor() : nullptr;
    if (named == statement_ || !other || query->getTableCount() != 1 ||
        other->getFileClass() != cursor->getFileClass()) {
        addFlatError(MSG_NOT_A_CURSOR);
        return VX_ERROR;
    }
    if (query->getPosition() == 0) {
        addOdbcError(ODBC_24000);
        return VX_ERROR;
    }
    // A row served from a sort's records: its table stands on it again.
    if (query->getResultInfo()->attachRow() != VX_SUCCESS)
        return VX_ERROR;
    handle->assign(other->getRecordHandleSize(), 0);
    return other->getRecordHandle(handle->data());
}

// Remembers the current row: its handle, and for UPDATE the new values.
VxStatus FlatRowChangeDesc::collectRow(FlatCursor* cursor, std::vector<Change>* changes) {
    Change change;
    change.handle.assign(cursor->getRecordHandleSize(), 0);
    if (cursor->getRecordHandle(change.handle.data()))
        return VX_ERROR;
    for (std::uint16_t i = 0; i < assignments_; ++i) {
        FlatDataValue value;
        short sqlType = 0;
        if (bareParams_[i]) {
            bool provided = false;
            if (statement_->getParamValue(bareParams_[i], &value, &sqlType, &provided))
                return VX_ERROR;
            if (!provided) {
                addFlatError(FLAT_MSG_PARAM_NO_VALUE);
                return VX_ERROR;
            }
        } else if (select_->getColumnValue(static_cast<std::uint16_t>(2 * i + 2), &value,
                                           &sqlType)) {
            return VX_ERROR;
        }
        FlatDataValue old;
        if (cursor->getFieldData(fields_[i], &old))
            return VX_ERROR;
        change.values.push_back(copyValue(value));
        change.old.push_back(copyValue(old));
        if (!change.values.back() || !change.old.back())
            return VX_ERROR;
    }
    changes->push_back(std::move(change));
    return VX_SUCCESS;
}

VxStatus FlatRowChangeDesc::apply(FlatCursor* cursor, Change& change) {
    std::uint16_t status = 0;
    if (cursor->getRandomRecord(change.handle.data(), &status))
        return VX_ERROR;
    if (status != 0) {
        addFlatError(MSG_RECORD_GONE);
        return VX_ERROR;
    }
    if (cursor->lockCurrentRecord())
        return VX_ERROR;
    VxStatus result = VX_SUCCESS;
    if (!update_) {
        result = cursor->deleteCurrentRecord();
        // A deleted record's lock goes with it.
        return result;
    }
    if (cursor->prepareForUpdate())
        result = VX_ERROR;
    for (std::uint16_t i = 0; result == VX_SUCCESS && i < assignments_; ++i)
        if (cursor->updateField(fields_[i], change.values[i].get()))
            result = VX_ERROR;
    if (result == VX_SUCCESS && cursor->updateRecord())
        result = VX_ERROR;
    if (result != VX_SUCCESS)
        cursor->abortRecordModification();
    if (cursor->unlockRecord(change.handle.data()))
        result = VX_ERROR;
    return result;
}

// Gives the first `done` updated rows their old values back.
void FlatRowChangeDesc::undo(FlatCursor* cursor, std::vector<Change>& changes, std::size_t done) {
    if (!update_)
        return;
    for (std::size_t n = 0; n < done; ++n) {
        std::swap(changes[n].values, changes[n].old);
        (void)apply(cursor, changes[n]);
    }
}

VxStatus FlatRowChangeDesc::execute() {
    rowCounter_ = 0;
    if (!select_)
        return VX_ERROR;
    FlatCursor* cursor = select_->getTable(1)->getCursor();
    std::vector<Change> changes;
    if (select_->execute())
        return VX_ERROR;
    if (!currentOf_.empty()) {
        std::vector<unsigned char> handle;
        std::uint16_t status = 0;
        if (findCurrentRow(cursor, &handle) || cursor->getRandomRecord(handle.data(), &status))
            return VX_ERROR;
        if (status != 0) {
            addFlatError(MSG_RECORD_GONE);
            return VX_ERROR;
        }
        if (collectRow(cursor, &changes))
            return VX_ERROR;
    } else {
        for (;;) {
            unsigned short atEnd = 0;
            if (select_->getNextRecord(&atEnd))
                return VX_ERROR;
            if (atEnd)
                break;
            if (collectRow(cursor, &changes))
                return VX_ERROR;
        }
    }
    for (std::size_t n = 0; n < changes.size(); ++n)
        if (apply(cursor, changes[n])) {
            // The error of the failed change stays the statement's.
            VxErrorList* errors = VxErrorKeeper::getErrorList();
            const std::uint32_t raised = errors ? errors->getCount() : 0;
            undo(cursor, changes, n);
            while (errors && errors->getCount() > raised)
                VxError::release(errors->removeLastError());
            rowCounter_ = 0;
            return VX_ERROR;
        }
    rowCounter_ = static_cast<SQLLEN>(changes.size());
    return VX_SUCCESS;
}
