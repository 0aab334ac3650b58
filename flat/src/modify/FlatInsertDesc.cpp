#include "flat/FlatInsertDesc.h"

#include <sqlext.h>

#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatCursor.h"
#include "flat/FlatDataValue.h"
#include "flat/FlatOpCode.h"
#include "flat/FlatResultSet.h"
#include "flat/FlatResultSetColumn.h"
#include "flat/FlatSelectDesc.h"
#include "flat/FlatStatement.h"
#include "flat/FlatTableAccess.h"
#include "modify/FlatValueFamily.h"
#include "parse/FlatSqlLexer.h"
#include "util/VxError.h"
#include "util/ram.h"

using flatmodify::isCompatible;

namespace {

// Whether the text at the lexer's cursor is "(" SELECT: a source query
// rather than a column list.
bool startsQuery(const FlatSqlLexer& lexer) {
    FlatSqlLexer ahead(lexer.getText());
    ahead.setCursor(lexer.getCursor());
    FlatSqlToken token;
    while (ahead.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) == VX_SUCCESS &&
           token.isChar('('))
        ;
    return token.is("SELECT");
}

// Whether a compiled expression reads a column of a table.
bool namesColumn(FlatResultSetColumn* column) {
    if (column->isSourceField())
        return true;
    FlatOpStream& stream = column->getExpr().getOpStream();
    const unsigned char* op = stream.getOps();
    const unsigned char* end = op ? op + stream.getLength() : op;
    for (; op && op < end; op = getNextOp(op))
        if (*op == FLAT_OP_FIELD)
            return true;
    return false;
}

} // namespace

FlatInsertDesc::FlatInsertDesc(FlatStatement* statement) : FlatDescriptor(statement) {}

FlatInsertDesc::~FlatInsertDesc() {
    release();
}

void FlatInsertDesc::release() {
    delete select_;
    select_ = nullptr;
    delete source_;
    source_ = nullptr;
    ramFree(targets_);
    targets_ = nullptr;
    targetCount_ = 0;
    ramFree(bareParams_);
    bareParams_ = nullptr;
    bareCapacity_ = 0;
    markers_ = 0;
}

// Appends "," and one value to the query text, remembering a bare marker.
VxStatus FlatInsertDesc::addValue(const char* text, std::size_t length, VxString* values) {
    const std::uint16_t index = bareCapacity_;
    void* grown = bareParams_;
    if (ramResize(&grown, (index + 1u) * sizeof(std::uint16_t)))
        return VX_ERROR;
    bareParams_ = static_cast<std::uint16_t*>(grown);
    bareCapacity_ = static_cast<std::uint16_t>(index + 1u);
    bareParams_[index] = 0;
    std::uint16_t markers = 0;
    bool bare = false;
    if (FlatSqlLexer::countMarkers(text, length, &markers, &bare))
        return VX_ERROR;
    if (bare) {
        bareParams_[index] = static_cast<std::uint16_t>(markers_ + 1u);
        ++markers_;
        return values->concat(",(? + 0)");
    }
    markers_ = static_cast<std::uint16_t>(markers_ + markers);
    return values->concat(',') ? VX_ERROR : values->concat(text, length);
}

VxStatus FlatInsertDesc::addTablesToList(VxArray* list) {
    if (select_ && select_->addTablesToList(list))
        return VX_ERROR;
    return source_ ? source_->addTablesToList(list) : VX_SUCCESS;
}

VxStatus FlatInsertDesc::setToPreparedState() {
    VxStatus status = select_ ? select_->setToPreparedState() : VX_SUCCESS;
    if (source_ && source_->setToPreparedState())
        status = VX_ERROR;
    return status;
}

bool FlatInsertDesc::isParamLegal(std::uint16_t number) {
    if (source_)
        return source_->isParamLegal(number);
    return select_ ? select_->isParamLegal(number) : true;
}

// The table name and, when the driver reads one there, its option list.
VxStatus FlatInsertDesc::readTableReference(FlatSqlLexer& lexer, const char** start,
                                            const char** end) {
    lexer.skipBlanks();
    *start = lexer.getCursor();
    FlatSqlToken token;
    if (lexer.next(&token, FLAT_TOKEN_FILE, FLAT_NAME_SIZE))
        return VX_ERROR;
    std::size_t length = token.length();
    if (const char* paren = std::strchr(token.text(), '('))
        length = static_cast<std::size_t>(paren - token.text());
    if (length == 0) {
        addFlatSyntaxError(3841);
        return VX_ERROR;
    }
    lexer.setCursor(lexer.getText() + token.getOffset() + length);
    *end = lexer.getCursor();
    if (lexer.peekChar() != '(')
        return VX_SUCCESS;
    // An option list belongs to the table reference.
    const char* open = lexer.getCursor();
    while (*open != '(')
        ++open;
    FlatSqlLexer inner(open + 1);
    if (inner.next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
        return VX_ERROR;
    unsigned int optionLength = 0;
    if (token.isEmpty() || !statement_->isOptionList(token.text(), &optionLength))
        return VX_SUCCESS;
    int depth = 0;
    for (const char* p = open; *p;) {
        if (*p == '\'' || *p == '"') {
            p = FlatSqlLexer::skipQuoted(p);
            continue;
        }
        if (*p == '(')
            ++depth;
        else if (*p == ')' && --depth == 0) {
            lexer.setCursor(p + 1);
            *end = p + 1;
            return VX_SUCCESS;
        }
        ++p;
    }
    addFlatSyntaxError(3843);
    return VX_ERROR;
}

// "( column { , column } )" as the text between the parentheses.
VxStatus FlatInsertDesc::readColumnList(FlatSqlLexer& lexer, VxString* columns) {
    FlatSqlToken token;
    if (lexer.nextKeyword(&token)) // "("
        return VX_ERROR;
    const char* start = lexer.getCursor();
    for (;;) {
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (!token.isName() && !token.isQuoted()) {
            addFlatSyntaxError(3842);
            return VX_ERROR;
        }
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (token.isChar('.')) {
            if (lexer.nextKeyword(&token) || lexer.nextKeyword(&token))
                return VX_ERROR;
        }
        if (token.isChar(')'))
            break;
        if (!token.isChar(',')) {
            addFlatSyntaxError(3842);
            return VX_ERROR;
        }
    }
    return columns->initialize(start, static_cast<std::size_t>(lexer.getCursor() - 1 - start));
}

// "( expr { , expr } )": each value up to a "," at depth 0, appended to
// `values` with a "," before it.
VxStatus FlatInsertDesc::readValues(FlatSqlLexer& lexer, VxString* values, std::uint16_t* count) {
    *count = 0;
    if (lexer.peekChar() != '(') {
        addFlatSyntaxError(3844);
        return VX_ERROR;
    }
    lexer.skipBlanks();
    const char* p = lexer.getCursor() + 1;
    const char* valueStart = p;
    int depth = 0;
    for (;;) {
        const char c = *p;
        if (c == '\0') {
            addFlatSyntaxError(3845);
            return VX_ERROR;
        }
        if (c == '\'' || c == '"' || c == '`') {
            p = FlatSqlLexer::skipQuoted(p);
            continue;
        }
        if (c == '(' || c == '{') {
            ++depth;
        } else if ((c == ')' || c == '}') && depth > 0) {
            --depth;
        } else if (depth == 0 && (c == ',' || c == ')')) {
            const char* begin = valueStart;
            while (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n')
                ++begin;
            if (begin == p) {
                addFlatSyntaxError(3845);
                return VX_ERROR;
            }
            if (addValue(valueStart, static_cast<std::size_t>(p - valueStart), values))
                return VX_ERROR;
            ++*count;
            valueStart = p + 1;
            if (c == ')')
                break;
        }
        ++p;
    }
    lexer.setCursor(p + 1);
    FlatSqlToken token;
    for (;;) {
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (token.isEmpty())
            return VX_SUCCESS;
        if (!token.isChar(';')) {
            addFlatSyntaxError(3803) << token.text();
            return VX_ERROR;
        }
    }
}

VxStatus FlatInsertDesc::parse(const char* sql) {
    release();
    FlatSqlLexer lexer(sql);
    FlatSqlToken token;
    if (lexer.nextKeyword(&token) || lexer.nextKeyword(&token)) // INSERT INTO
        return VX_ERROR;
    if (!token.is("INTO")) {
        addFlatSyntaxError(3840);
        return VX_ERROR;
    }
    const char* tableStart = nullptr;
    const char* tableEnd = nullptr;
    if (readTableReference(lexer, &tableStart, &tableEnd))
        return VX_ERROR;
    VxString columns;
    if (columns.initialize("*"))
        return VX_ERROR;
    if (lexer.peekChar() == '(' && !startsQuery(lexer) && readColumnList(lexer, &columns))
        return VX_ERROR;
    if (lexer.peek(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE))
        return VX_ERROR;
    if (token.is("SELECT") || (token.isChar('(') && startsQuery(lexer))) {
        lexer.skipBlanks();
        const char* source = lexer.getCursor();
        VxString rewritten;
        std::uint16_t count = 0;
        if (rewritten.initialize("SELECT ") || rewritten.concat(columns.getText()) ||
            rewritten.concat(" FROM ") ||
            rewritten.concat(tableStart, static_cast<std::size_t>(tableEnd - tableStart)))
            return VX_ERROR;
        select_ = new FlatSelectDesc(statement_);
        if (select_->parseSelect(rewritten.getText(), 0) || parseSource(source, &count) ||
            checkTargets(count)) {
            release();
            return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    if (lexer.nextKeyword(&token))
        return VX_ERROR;
    if (!token.is("VALUES")) {
        addFlatSyntaxError(3843);
        return VX_ERROR;
    }
    VxString rewritten;
    std::uint16_t valueCount = 0;
    if (rewritten.initialize("SELECT ") || rewritten.concat(columns.getText()) ||
        readValues(lexer, &rewritten, &valueCount) || rewritten.concat(" FROM ") ||
        rewritten.concat(tableStart, static_cast<std::size_t>(tableEnd - tableStart)))
        return VX_ERROR;
    select_ = new FlatSelectDesc(statement_);
    if (select_->parseSelect(rewritten.getText(), 0) || checkTargets(valueCount)) {
        release();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// The first half of the rewritten query's columns must be plain columns of
// the table, the second half values that fit them.
VxStatus FlatInsertDesc::checkTargets(std::uint16_t valueCount) {
    FlatTableAccess* table = select_->getTable(1);
    FlatCursor* cursor = table ? table->getCursor() : nullptr;
    if (!cursor)
        return VX_ERROR;
    if (cursor->isReadOnly()) {
        addFlatError(3865);
        return VX_ERROR;
    }
    const std::uint16_t count = select_->getNumResultCols();
    if (count != (source_ ? valueCount : 2u * valueCount)) {
        addFlatError(ODBC_21S01, 3846);
        return VX_ERROR;
    }
    targets_ = static_cast<std::uint16_t*>(ramAlloc((valueCount + 1u) * sizeof(std::uint16_t)));
    if (!targets_)
        return VX_ERROR;
    FlatResultSet* root = select_->getRoot();
    for (std::uint16_t i = 0; i < valueCount; ++i) {
        FlatResultSetColumn* target = root->getColumn(i);
        FlatResultSetColumn* value =
            source_ ? source_->getRoot()->getColumn(i)
                    : root->getColumn(static_cast<std::uint16_t>(valueCount + i));
        if (!target->isSourceField()) {
            addFlatSyntaxError(3856);
            return VX_ERROR;
        }
        for (std::uint16_t k = 0; k < i; ++k)
            if (targets_[k] == target->getSourceFieldNumber()) {
                addFlatError(4043) << target->getName();
                return VX_ERROR;
            }
        targets_[i] = target->getSourceFieldNumber();
        if (!source_ && bareParams_[i])
            continue;
        if (!source_ && namesColumn(value)) {
            addNativeError(ODBC_37000, 0,
                           "Values in an INSERT statement cannot name columns of the table");
            return VX_ERROR;
        }
        if (!value->getExpr().getOpStream().isCompiled())
            continue; // a parameter takes the column's type
        if (!isCompatible(target->getSqlType(), value->getSqlType())) {
            addFlatSyntaxError(3849);
            return VX_ERROR;
        }
    }
    targetCount_ = valueCount;
    return VX_SUCCESS;
}

// The source query of INSERT ... SELECT, read by row number.
VxStatus FlatInsertDesc::parseSource(const char* source, std::uint16_t* count) {
    source_ = new FlatSelectDesc(statement_);
    if (source_->parseSelect(source, FLAT_SELECT_RANDOM | FLAT_SELECT_NO_FOR_UPDATE))
        return VX_ERROR;
    *count = source_->getNumResultCols();
    return VX_SUCCESS;
}

VxStatus FlatInsertDesc::execute() {
    rowCounter_ = 0;
    if (!select_)
        return VX_ERROR;
    return source_ ? executeSource() : executeValues();
}

VxStatus FlatInsertDesc::executeSource() {
    unsigned short atEnd = 0;
    // Reaching for the last possible row reads the whole source now.
    if (source_->execute() || source_->getRandomRow(0xFFFFFFFFu, &atEnd, 0))
        return VX_ERROR;
    std::uint32_t rows = 0;
    for (;;) {
        if (source_->getRandomRow(rows + 1u, &atEnd, 0))
            return VX_ERROR;
        if (atEnd)
            break;
        ++rows;
    }
    if (passSourceRows(rows, false))
        return VX_ERROR;
    // The writing pass converts the same values again: the warnings it
    // repeats (values cut to their columns) are dropped.
    VxErrorList* errors = VxErrorKeeper::getErrorList();
    const std::uint32_t raised = errors ? errors->getCount() : 0;
    if (passSourceRows(rows, true))
        return VX_ERROR;
    while (errors && errors->getCount() > raised)
        VxError::release(errors->removeLastError());
    return VX_SUCCESS;
}

// Converts the values of the first `rows` source rows for the target
// columns, and with `write` inserts them.
VxStatus FlatInsertDesc::passSourceRows(std::uint32_t rows, bool write) {
    FlatCursor* cursor = select_->getTable(1)->getCursor();
    for (std::uint32_t row = 1; row <= rows; ++row) {
        unsigned short atEnd = 0;
        if (source_->getRandomRow(row, &atEnd, 0))
            return VX_ERROR;
        if (atEnd)
            break;
        if (cursor->prepareForInsert())
            return VX_ERROR;
        for (std::uint16_t i = 0; i < targetCount_; ++i) {
            FlatDataValue value;
            short sqlType = 0;
            if (source_->getColumnValue(static_cast<std::uint16_t>(i + 1), &value, &sqlType) ||
                cursor->updateField(targets_[i], &value))
                return VX_ERROR;
        }
        if (write) {
            if (cursor->insertRecord())
                return VX_ERROR;
            ++rowCounter_;
        }
    }
    return VX_SUCCESS;
}

VxStatus FlatInsertDesc::executeValues() {
    FlatCursor* cursor = select_->getTable(1)->getCursor();
    if (cursor->prepareForInsert())
        return VX_ERROR;
    for (std::uint16_t i = 0; i < targetCount_; ++i) {
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
        } else if (select_->getColumnValue(static_cast<std::uint16_t>(targetCount_ + i + 1), &value,
                                           &sqlType)) {
            return VX_ERROR;
        }
        if (cursor->updateField(targets_[i], &value))
            return VX_ERROR;
    }
    if (cursor->insertRecord())
        return VX_ERROR;
    rowCounter_ = 1;
    return VX_SUCCESS;
}
