// Positioned statements: UPDATE / DELETE ... WHERE CURRENT OF cursor.
//
// The cursor is another statement of the connection, a SELECT ... FOR
// UPDATE. A driver that runs positioned statements itself gets the text
// with the cursor name replaced by its own name for that cursor. For the
// others the clause becomes a search condition over the cursor's columns
// that can find their row again,
//
//   WHERE ("a" =     ?) AND ("b" LIKE  ?)
//
// whose generated parameters are filled from the cursor's current row at
// each execution; afterwards more than one affected row is warning 01S04
// and none 01S03.
#include <sqlext.h>

#include <cstring>

#include "BaseStatementExec.h"
#include "handle/BaseHandleLock.h"
#include "base/BaseConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseField.h"
#include "base/BaseOutString.h"
#include "base/BaseParam.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::uint32_t MAX_SEARCH_PRECISION = 4096;

// The C type and buffer length a generated parameter reads its column
// value with.
void searchBinding(const BaseField& field, short* cType, SQLLEN* length) {
    SQLLEN precision = static_cast<SQLLEN>(field.getPrecision());
    switch (field.getSqlType()) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        *cType = SQL_C_CHAR;
        *length = precision + 3;
        break;
    case SQL_INTEGER:
        *cType = SQL_C_LONG;
        *length = 4;
        break;
    case SQL_SMALLINT:
        *cType = SQL_C_SHORT;
        *length = 2;
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        *cType = SQL_C_DOUBLE;
        *length = 8;
        break;
    case SQL_REAL:
        *cType = SQL_C_FLOAT;
        *length = 4;
        break;
    case SQL_DATE:
    case SQL_TYPE_DATE:
        *cType = SQL_C_DATE;
        *length = 6;
        break;
    case SQL_TIME:
    case SQL_TYPE_TIME:
        *cType = SQL_C_TIME;
        *length = 6;
        break;
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIMESTAMP:
        *cType = SQL_C_TIMESTAMP;
        *length = 16;
        break;
    case SQL_BIT:
    case SQL_TINYINT:
        *cType = SQL_C_TINYINT;
        *length = 1;
        break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        *cType = SQL_C_BINARY;
        *length = precision + 1;
        break;
    default:
        *cType = SQL_C_CHAR;
        *length = precision + 1;
        break;
    }
}

// The statement of the connection whose cursor is named `name` (quotes
// around the name are not part of it), or null.
BaseStatement* findCursor(BaseConnection& connection, VxSubString name) {
    const char* text = name.data();
    std::size_t length = name.length();
    if (length >= 2 && (text[0] == '"' || text[0] == '`') && text[length - 1] == text[0]) {
        ++text;
        length -= 2;
    }
    // Other statements of the connection name their cursors on their own
    // threads.
    std::lock_guard<std::mutex> lock(baseCursorNameMutex());
    for (std::uint32_t i = 0; i < connection.getStatementCount(); ++i) {
        BaseStatement* candidate = connection.getStatementAtPos(i);
        const char* cursor = candidate ? candidate->getCursorName() : nullptr;
        if (cursor && strEqualCi(cursor, std::strlen(cursor), text, length))
            return candidate;
    }
    return nullptr;
}

bool stillExists(BaseConnection& connection, const BaseStatement* statement) {
    for (std::uint32_t i = 0; i < connection.getStatementCount(); ++i)
        if (connection.getStatementAtPos(i) == statement)
            return true;
    return false;
}

} // namespace

VxStatus BaseStatementExec::setupCurrentOf(BaseStatement& s, BaseSqlString& sql, bool* emulated) {
    BaseConnection& connection = s.getConnection();
    *emulated = false;
    BaseStatement* cursor = findCursor(connection, sql.getCursorName());
    if (cursor == nullptr || cursor == &s) {
        addOdbcError(ODBC_34000, 6036);
        return VX_ERROR;
    }
    if (!cursor->hasFlag(BaseStatement::STMT_FOR_UPDATE)) {
        addOdbcError(ODBC_34000, 6037);
        return VX_ERROR;
    }
    s.currentOfStatement_ = cursor;
    VxSqlVerb verb = sql.getVerb();
    bool native =
        (verb == VX_SQL_UPDATE && connection.hasFlag(BaseConnection::CONN_POSITIONED_UPDATE)) ||
        (verb == VX_SQL_DELETE && connection.hasFlag(BaseConnection::CONN_POSITIONED_DELETE));
    if (native && (connection.getAutocommit() == 0 ||
                   !connection.hasFlag(BaseConnection::CONN_POSITIONED_NEEDS_MANUAL_COMMIT))) {
        const char* name = cursor->getDriverCursorName();
        name = name ? name : "";
        return sql.replaceSubString(sql.getCursorNamePosition(), sql.getCursorName().length(), name,
                                    std::strlen(name));
    }
    VxString search;
    if (buildSearch(s, *cursor, search) != VX_SUCCESS)
        return VX_ERROR;
    if (sql.replaceSubString(sql.getCurrentOfPosition(), sql.getCurrentOfLength(), search.data(),
                             search.length()) != VX_SUCCESS ||
        sql.scanSql(BASE_SCAN_MARKERS) != VX_SUCCESS)
        return VX_ERROR;
    *emulated = true;
    return VX_SUCCESS;
}

VxStatus BaseStatementExec::buildSearch(BaseStatement& s, BaseStatement& cursor, VxString& search) {
    BaseExecState* exec = s.exec_;
    exec->clearSearchParams();
    char quote[8] = {0};
    if (s.getConnection().getInfo(SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote) != VX_SUCCESS ||
        std::strcmp(quote, " ") == 0)
        quote[0] = 0;
    std::uint16_t columns = cursor.getNumResultCols();
    exec->searchParams =
        static_cast<BaseParam**>(ramAllocZ(sizeof(BaseParam*) * (columns ? columns : 1u)));
    if (exec->searchParams == nullptr || search.initialize("WHERE ") != VX_SUCCESS)
        return VX_ERROR;
    for (std::uint16_t column = 1; column <= columns; ++column) {
        const BaseField* field = cursor.getField(column);
        if (field == nullptr || !field->identifiesRow() || !field->hasName() ||
            field->getPrecision() > MAX_SEARCH_PRECISION)
            continue;
        bool like = field->getSearchable() == SQL_LIKE_ONLY;
        if ((exec->searchParamCount > 0 && search.concat(" AND ") != VX_SUCCESS) ||
            search.concat("(") != VX_SUCCESS || search.concat(quote) != VX_SUCCESS ||
            search.concat(field->getName()) != VX_SUCCESS || search.concat(quote) != VX_SUCCESS ||
            search.concat(like ? " LIKE  ?)" : " =     ?)") != VX_SUCCESS)
            return VX_ERROR;
        BaseParam* p = s.allocParam();
        if (p == nullptr) {
            addOdbcError(ODBC_S1001);
            return VX_ERROR;
        }
        exec->searchParams[exec->searchParamCount++] = p;
        searchBinding(*field, &p->cType_, &p->valueMax_);
        p->sqlType_ = field->getSqlType();
        p->precision_ = field->getPrecision();
        p->scale_ = field->getScale();
        p->paramType_ = SQL_PARAM_INPUT;
        p->column_ = column;
        p->setFlag(BaseParam::FLAG_LIKE, like);
        p->setFlag(BaseParam::FLAG_VALIDATED, true);
        p->data_ = static_cast<char*>(ramAllocZ(static_cast<std::size_t>(p->valueMax_) + 1));
        if (p->data_ == nullptr)
            return VX_ERROR;
        p->dataMax_ = p->valueMax_;
        p->value_ = p->data_;
        p->length_ = &p->dataLength_;
        p->bound_ = true;
    }
    if (exec->searchParamCount == 0) {
        addOdbcError(ODBC_34000, 6039);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// Reads the cursor's current row into the generated parameters.
VxStatus BaseStatementExec::fillSearchParams(BaseStatement& s) {
    BaseStatement* cursor = s.currentOfStatement_;
    if (cursor == nullptr || !stillExists(s.getConnection(), cursor)) {
        s.currentOfStatement_ = nullptr;
        addOdbcError(ODBC_34000, 6036);
        return VX_ERROR;
    }
    if (cursor->getState() != BaseStatement::STMT_CURSOR_OPEN || !cursor->getResultState().onRow) {
        addOdbcError(ODBC_24000, 6038);
        return VX_ERROR;
    }
    BaseExecState* exec = s.exec_;
    for (std::uint16_t i = 0; i < exec->searchParamCount; ++i) {
        BaseParam& p = *exec->searchParams[i];
        BaseOutString out(p.data_, p.dataMax_, &p.dataLength_);
        if (cursor->getData(p.column_, p.cType_, &out) != VX_SUCCESS) {
            appendOdbcErrorText(6035) << static_cast<long>(p.column_);
            return VX_ERROR;
        }
        if (p.dataLength_ == SQL_NTS && p.cType_ == SQL_C_CHAR)
            p.dataLength_ = static_cast<SQLLEN>(std::strlen(p.data_));
    }
    return VX_SUCCESS;
}

void BaseStatementExec::reportPositionedRows(BaseStatement& s) {
    if (s.accumulatedRowCount_ > 1)
        addOdbcWarning(ODBC_01S04, 6034);
    else if (s.accumulatedRowCount_ == 0)
        addOdbcWarning(ODBC_01S03, 6052);
}
