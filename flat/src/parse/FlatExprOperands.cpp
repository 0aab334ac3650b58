// FlatExprCompiler: operands (constants, literals, parameters, column
// references, function calls, parenthesised sub-expressions).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatAggregateRegistry.h"
#include "flat/FlatDate.h"
#include "flat/FlatExprType.h"
#include "flat/FlatFunctionTable.h"
#include "parse/FlatExprCompiler.h"
#include "parse/FlatExprInternal.h"
#include "util/str.h"

using flatexpr::compatible;
using flatexpr::makeOperand;

namespace {

VxStatus syntaxError(unsigned short id) {
    addFlatSyntaxError(id);
    return VX_ERROR;
}

VxStatus syntaxError(unsigned short id, const char* text) {
    addFlatSyntaxError(id) << text;
    return VX_ERROR;
}

VxStatus notCapable() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

// Expression length of a column of `sqlType` and `precision`.
std::uint32_t columnLength(short sqlType, std::uint32_t precision) {
    if (flatIsDateType(sqlType))
        return 8;
    if (sqlType == FLAT_TYPE_BIT)
        return 1;
    if (sqlType == FLAT_TYPE_LONGVARCHAR || sqlType == FLAT_TYPE_LONGVARBINARY)
        return 512;
    if (flatIsNumberType(sqlType))
        return 8;
    return precision;
}

// Rewrites an ISO date "yyyy-mm-dd[ hh:mm:ss[.f]]" as "mm/dd/yyyy[ hh:mm:ss]"
// for the engine's date parser; false when the text is not of that form.
bool isoToEngineDate(const char* text, std::size_t length, char* out, std::size_t size) {
    int year = 0, month = 0, day = 0, consumed = 0;
    char copy[64];
    if (length >= sizeof copy)
        return false;
    std::memcpy(copy, text, length);
    copy[length] = 0;
    if (std::sscanf(copy, "%4d-%2d-%2d%n", &year, &month, &day, &consumed) != 3)
        return false;
    const char* rest = copy + consumed;
    char time[16] = "";
    if (*rest == ' ') {
        std::size_t n = 0;
        for (++rest; *rest && *rest != '.' && n + 1 < sizeof time; ++rest)
            time[n++] = *rest;
        time[n] = 0;
    }
    std::snprintf(out, size, "%02d/%02d/%04d%s%s", month, day, year, time[0] ? " " : "", time);
    return true;
}

} // namespace

VxStatus FlatExprCompiler::readOperand(Level& level, unsigned depth, bool* pushedPrefix) {
    FlatSqlToken token;
    if (lexer_->next(&token, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
        return VX_ERROR;
    if (token.isEmpty() || token.isChar(',') || token.isChar(')'))
        return syntaxError(3931);
    const FlatOperatorEntry* table = flatOperatorTable();
    for (std::size_t i = 0; i < 3; ++i) {
        if (token.is(table[i].name)) {
            *pushedPrefix = true;
            return level.pending.push(Pending{&table[i], Pending::PREFIX});
        }
    }
    Operand operand{};
    if (token.isChar('(')) {
        FlatSqlToken word;
        if (lexer_->peek(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (word.is("SELECT")) {
            if (readSubSelect(token.getOffset(), false, &operand) != VX_SUCCESS)
                return VX_ERROR;
            return level.operands.push(operand);
        }
        if (readParenthesis(depth, &operand) != VX_SUCCESS)
            return VX_ERROR;
        return level.operands.push(operand);
    }
    bool handled = false;
    if (readConstant(token, &operand, &handled) != VX_SUCCESS)
        return VX_ERROR;
    if (!handled) {
        if (token.isName() && lexer_->peekChar() == '(') {
            if (token.is("EXISTS")) {
                FlatSqlToken paren;
                if (lexer_->next(&paren, FLAT_TOKEN_OPERATOR) != VX_SUCCESS ||
                    readSubSelect(paren.getOffset(), true, &operand) != VX_SUCCESS)
                    return VX_ERROR;
                return level.operands.push(operand);
            }
            if (readAggregate(token, depth, &operand, &handled) != VX_SUCCESS)
                return VX_ERROR;
            if (!handled && readFunction(token, depth, &operand) != VX_SUCCESS)
                return VX_ERROR;
        } else if (token.isName() || token.first() == '`') {
            if (readColumn(token, &operand) != VX_SUCCESS)
                return VX_ERROR;
        } else {
            return syntaxError(3931);
        }
    }
    return level.operands.push(operand);
}

VxStatus FlatExprCompiler::readConstant(FlatSqlToken& token, Operand* out, bool* handled) {
    *handled = true;
    unsigned char first = token.first();
    if (first == '?') {
        std::uint16_t number = params_->numberAt(options_.baseOffset + token.getOffset());
        if (number == 0) {
            addOdbcError(ODBC_S1000);
            return VX_ERROR;
        }
        builder_->addParam(number);
        *out = makeOperand(params_->getType(number), 8);
        out->param = number;
        return VX_SUCCESS;
    }
    if (first == '{')
        return readDateLiteral(token, out);
    if (first == '\'' || first == '"') {
        std::size_t length = token.length() >= 2 ? token.length() - 2 : 0;
        builder_->addString(token.text() + 1, length);
        *out = makeOperand(FLAT_TYPE_LITERAL, static_cast<std::uint32_t>(length));
        return VX_SUCCESS;
    }
    if (token.isNumber()) {
        if (lexer_->takeExponent(&token) != VX_SUCCESS)
            return VX_ERROR;
        double value = flatStringToDouble(token.text(), token.length());
        builder_->addNumber(value);
        *out = makeOperand(FLAT_TYPE_DOUBLE, 8);
        out->isConstant = true;
        out->constant = value;
        return VX_SUCCESS;
    }
    if (first == '.' && token.length() == 3 && token.text()[2] == '.') {
        char c = token.text()[1];
        bool value = c == 'T' || c == 't' || c == 'Y' || c == 'y';
        if (!value && c != 'F' && c != 'f' && c != 'N' && c != 'n')
            return syntaxError(3930, token.text());
        builder_->addLogical(value);
        *out = makeOperand(FLAT_TYPE_BIT, 1);
        return VX_SUCCESS;
    }
    if (token.is("NULL")) {
        builder_->addNull();
        *out = makeOperand(FLAT_TYPE_ANY, 1);
        return VX_SUCCESS;
    }
    *handled = false;
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::readDateLiteral(const FlatSqlToken& token, Operand* out) {
    const char* inner = token.text() + 1;
    std::size_t length = token.length() >= 2 ? token.length() - 2 : 0;
    while (length && static_cast<unsigned char>(*inner) <= ' ')
        ++inner, --length;
    while (length && static_cast<unsigned char>(inner[length - 1]) <= ' ')
        --length;
    // An ODBC escape that reached the engine unrewritten: {d 'yyyy-mm-dd'},
    // {t 'hh:mm:ss'}, {ts 'yyyy-mm-dd hh:mm:ss'}.
    char rewritten[48];
    const char* quote = static_cast<const char*>(std::memchr(inner, '\'', length));
    if (quote && length >= 2 && inner[length - 1] == '\'' && quote < inner + length - 1) {
        const char* value = quote + 1;
        std::size_t valueLength = static_cast<std::size_t>(inner + length - 1 - value);
        if ((*inner == 't' || *inner == 'T') && (inner[1] == ' ' || inner[1] == '\'')) {
            inner = value;
            length = valueLength;
        } else if (isoToEngineDate(value, valueLength, rewritten, sizeof rewritten)) {
            inner = rewritten;
            length = std::strlen(rewritten);
        }
    }
    double value = 0;
    short type = FLAT_TYPE_DATE;
    if (length >= 3 && inner[2] == ':') {
        unsigned short failure = flatParseTime(inner, length, &value);
        if (failure) {
            addFlatError(failure) << VxSubString(inner, length);
            return VX_ERROR;
        }
        type = FLAT_TYPE_TIME;
    } else {
        if (flatParseDateValue(inner, length, FLAT_ORDER_MDY, '/', &value) != VX_SUCCESS)
            return VX_ERROR;
        if (value < FLAT_BLANK_DATE && value != std::floor(value))
            type = FLAT_TYPE_TIMESTAMP;
    }
    builder_->addDate(value);
    *out = makeOperand(type, 8);
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::readParenthesis(unsigned depth, Operand* out) {
    FlatSqlToken word;
    if (lexer_->peek(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
        return VX_ERROR;
    if (word.is("SELECT"))
        return notCapable();
    if (compileLevel(depth + 1, false, out) != VX_SUCCESS)
        return VX_ERROR;
    FlatSqlToken token;
    if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
        return VX_ERROR;
    if (!token.isChar(')'))
        return syntaxError(3922);
    // A parenthesised parameter is still the parameter for typing; a
    // parenthesised column is an expression.
    out->isColumn = false;
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::readColumn(const FlatSqlToken& name, Operand* out) {
    FlatSqlToken column;
    const FlatSqlToken* columnName = &name;
    const char* qualifierText = nullptr;
    if (*lexer_->getCursor() == '.') {
        lexer_->setCursor(lexer_->getCursor() + 1);
        if (lexer_->next(&column, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
            return VX_ERROR;
        if (!column.isName() && column.first() != '`')
            return syntaxError(3931);
        qualifierText = name.text();
        columnName = &column;
    }
    // Quotes are removed from both parts.
    char qualifierBuffer[FLAT_NAME_SIZE];
    char nameBuffer[FLAT_NAME_SIZE];
    auto unquote = [](const FlatSqlToken& token, char* buffer) {
        const char* text = token.text();
        std::size_t length = token.length();
        if (token.first() == '`' && length >= 2) {
            ++text;
            length -= 2;
        }
        if (length >= FLAT_NAME_SIZE)
            length = FLAT_NAME_SIZE - 1;
        std::memcpy(buffer, text, length);
        buffer[length] = 0;
    };
    if (qualifierText)
        unquote(name, qualifierBuffer);
    unquote(*columnName, nameBuffer);
    std::uint32_t level = 0;
    for (FlatNameScope* scope = scope_; scope; scope = scope->getOuterScope(), ++level) {
        FlatColumnRef ref;
        bool found = false;
        if (scope->findColumn(qualifierText ? qualifierBuffer : nullptr, nameBuffer, &ref,
                              &found) != VX_SUCCESS)
            return VX_ERROR;
        if (!found)
            continue;
        builder_->addField((level << 16) | ref.tableNumber, ref.field);
        *out = makeOperand(ref.sqlType, columnLength(ref.sqlType, ref.precision));
        out->isColumn = true;
        out->column = ref;
        out->limit = ref.estimatedLimit;
        out->level = level;
        if (level == 0) {
            result_->usesTables = true;
            if (ref.tableNumber > result_->maxTable)
                result_->maxTable = ref.tableNumber;
        }
        return VX_SUCCESS;
    }
    if (qualifierText) {
        char full[2 * FLAT_NAME_SIZE + 1];
        std::snprintf(full, sizeof full, "%s.%s", qualifierBuffer, nameBuffer);
        addFlatError(3903) << full;
    } else {
        addFlatError(3903) << nameBuffer;
    }
    return VX_ERROR;
}

VxStatus FlatExprCompiler::readAggregate(const FlatSqlToken& name, unsigned depth, Operand* out,
                                         bool* handled) {
    *handled = false;
    FlatAggregateKind kind;
    if (name.is("COUNT"))
        kind = FLAT_AGG_COUNT;
    else if (name.is("SUM"))
        kind = FLAT_AGG_SUM;
    else if (name.is("AVG"))
        kind = FLAT_AGG_AVG;
    else if (name.is("MIN"))
        kind = FLAT_AGG_MIN;
    else if (name.is("MAX"))
        kind = FLAT_AGG_MAX;
    else
        return VX_SUCCESS;
    bool extreme = kind == FLAT_AGG_MIN || kind == FLAT_AGG_MAX;
    const char* start = lexer_->getCursor();
    FlatSqlToken token;
    if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
        return VX_ERROR;
    bool distinct = false;
    if (lexer_->peek(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
        return VX_ERROR;
    if (token.is("DISTINCT")) {
        distinct = true;
        if (lexer_->next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (lexer_->peek(&token, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
        return VX_ERROR;
    FlatOpStreamBuilder argument;
    Operand arg = makeOperand(FLAT_TYPE_ANY, 0);
    if (kind == FLAT_AGG_COUNT && token.isChar('*')) {
        if (distinct)
            return syntaxError(3976);
        if (lexer_->next(&token, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
            return VX_ERROR;
        kind = FLAT_AGG_COUNT_STAR;
    } else {
        // The argument goes into a stream of its own; an aggregate inside
        // an aggregate is refused.
        FlatOpStreamBuilder* outer = builder_;
        bool allowed = options_.aggregatesAllowed;
        unsigned short refusal = options_.aggregateRefusal;
        builder_ = &argument;
        options_.aggregatesAllowed = false;
        options_.aggregateRefusal = 3972;
        VxStatus status = compileLevel(depth + 1, false, &arg);
        builder_ = outer;
        options_.aggregatesAllowed = allowed;
        options_.aggregateRefusal = refusal;
        if (status != VX_SUCCESS)
            return VX_ERROR;
    }
    if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
        return VX_ERROR;
    if (token.isChar(',') && extreme && !distinct) {
        // MIN and MAX of two numbers: the scalar functions.
        lexer_->setCursor(start);
        return VX_SUCCESS;
    }
    if (token.isChar(','))
        return syntaxError(3927, name.text());
    if (!token.isChar(')'))
        return syntaxError(3922);
    if (!options_.aggregatesAllowed || !options_.aggregates) {
        if (options_.aggregateRefusal == 3972)
            return syntaxError(3972, name.text());
        return syntaxError(options_.aggregateRefusal);
    }
    if (kind != FLAT_AGG_COUNT_STAR && checkParamKnown(arg) != VX_SUCCESS)
        return VX_ERROR;
    if ((kind == FLAT_AGG_SUM || kind == FLAT_AGG_AVG) && !flatIsNumberType(arg.type) &&
        arg.type != FLAT_TYPE_ANY)
        return syntaxError(3926, name.text());
    if (argument.getStatus() != VX_SUCCESS)
        return VX_ERROR;
    std::uint16_t column = 0;
    if (options_.aggregates->addAggregate(kind, distinct, argument.getOps(), argument.getLength(),
                                          arg.type, arg.length, &column) != VX_SUCCESS)
        return VX_ERROR;
    builder_->addAggregate(0, column);
    if (extreme)
        *out =
            makeOperand(arg.type == FLAT_TYPE_LITERAL ? FLAT_TYPE_VARCHAR : arg.type, arg.length);
    else
        *out = makeOperand(FLAT_TYPE_DOUBLE, 8);
    result_->hasAggregate = true;
    *handled = true;
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::readSubSelect(std::size_t parenOffset, bool exists, Operand* out) {
    if (!options_.subQueries)
        return notCapable();
    FlatSubQueryResult sub;
    if (options_.subQueries->parseSubQuery(options_.baseOffset + parenOffset, scope_, exists,
                                           &sub) != VX_SUCCESS)
        return VX_ERROR;
    // Past the ")" that closes the sub-select.
    lexer_->setCursor(lexer_->getText() + parenOffset + 1);
    unsigned long depth = 1;
    FlatSqlToken token;
    while (depth > 0) {
        if (lexer_->next(&token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (token.isEmpty())
            return syntaxError(3922);
        if (token.isChar('('))
            ++depth;
        else if (token.isChar(')'))
            --depth;
    }
    if (exists) {
        builder_->addExists(sub.number);
        *out = makeOperand(FLAT_TYPE_BIT, 1);
    } else {
        builder_->addSubQuery(sub.number);
        *out = makeOperand(sub.sqlType, columnLength(sub.sqlType, sub.precision));
    }
    // The sub-query may read any row of the enclosing SELECT: it is
    // evaluated where all of its tables are current.
    if (sub.maxTable) {
        result_->usesTables = true;
        if (sub.maxTable > result_->maxTable)
            result_->maxTable = sub.maxTable;
    }
    return VX_SUCCESS;
}
