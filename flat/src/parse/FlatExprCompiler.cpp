// FlatExprCompiler: levels, operators and their type rules.
#include "parse/FlatExprCompiler.h"

#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "flat/FlatExprType.h"
#include "parse/FlatExprInternal.h"

namespace flatexpr {

short typeClass(short type) {
    if (flatIsNumberType(type))
        return FLAT_TYPE_DOUBLE;
    if (flatIsStringType(type))
        return FLAT_TYPE_VARCHAR;
    if (flatIsDateType(type))
        return FLAT_TYPE_DATE;
    if (flatIsBinaryType(type))
        return FLAT_TYPE_VARBINARY;
    return type;
}

bool fitsSide(short type, short wanted) {
    if (wanted == FLAT_TYPE_ANY || type == FLAT_TYPE_ANY || type == FLAT_TYPE_PARAM)
        return true;
    return typeClass(type) == wanted;
}

bool compatible(short a, short b) {
    if (a == FLAT_TYPE_ANY || a == FLAT_TYPE_PARAM || b == FLAT_TYPE_ANY || b == FLAT_TYPE_PARAM)
        return true;
    short ca = typeClass(a);
    short cb = typeClass(b);
    if (ca == cb)
        return true;
    if ((ca == FLAT_TYPE_DOUBLE && cb == FLAT_TYPE_BIT) ||
        (ca == FLAT_TYPE_BIT && cb == FLAT_TYPE_DOUBLE))
        return true;
    // A date meets a string literal: the literal is read as a date.
    return (ca == FLAT_TYPE_DATE && b == FLAT_TYPE_LITERAL) ||
           (cb == FLAT_TYPE_DATE && a == FLAT_TYPE_LITERAL);
}

short paramTypeFor(short type) {
    if (type == FLAT_TYPE_ANY || type == FLAT_TYPE_PARAM)
        return FLAT_TYPE_PARAM;
    if (flatIsDateType(type))
        return type;
    short c = typeClass(type);
    return c == FLAT_TYPE_DOUBLE ? FLAT_TYPE_DOUBLE : c;
}

FlatExprCompiler::Operand makeOperand(short type, std::uint32_t length) {
    FlatExprCompiler::Operand operand{};
    operand.type = type;
    operand.length = length;
    return operand;
}

} // namespace flatexpr

using flatexpr::compatible;
using flatexpr::fitsSide;
using flatexpr::makeOperand;
using flatexpr::paramTypeFor;

namespace {

VxStatus syntaxError(unsigned short id) {
    addFlatSyntaxError(id);
    return VX_ERROR;
}

VxStatus syntaxError(unsigned short id, const char* text) {
    addFlatSyntaxError(id) << text;
    return VX_ERROR;
}

std::uint32_t typeLength(short type) {
    return type == FLAT_TYPE_BIT ? 1 : 8;
}

} // namespace

FlatExprCompiler::~FlatExprCompiler() = default;

VxStatus FlatExprCompiler::compile(const char* text, const FlatExprOptions& options,
                                   FlatOpStreamBuilder* builder, FlatExprResult* result) {
    FlatSqlLexer lexer(text);
    lexer_ = &lexer;
    builder_ = builder;
    options_ = options;
    *result = FlatExprResult();
    result_ = result;
    alias_.release();
    Operand top{};
    VxStatus status = compileLevel(0, false, &top);
    if (status == VX_SUCCESS) {
        FlatSqlToken rest;
        status = lexer.next(&rest, FLAT_TOKEN_OPERATOR);
        if (status == VX_SUCCESS && !rest.isEmpty())
            status = syntaxError(3925, rest.text());
    }
    if (status == VX_SUCCESS && top.type == FLAT_TYPE_PARAM)
        status = checkParamKnown(top);
    if (status == VX_SUCCESS && options.condition && top.type != FLAT_TYPE_BIT)
        status = syntaxError(3901);
    lexer_ = nullptr;
    if (status != VX_SUCCESS)
        return VX_ERROR;
    result->type = top.type;
    result->length = top.length;
    result->isColumn = top.isColumn;
    result->column = top.column;
    result->columnLevel = top.level;
    result->bareParam = top.param;
    return builder->getStatus();
}

VxStatus FlatExprCompiler::compileLevel(unsigned depth, bool stopAtAnd, Operand* result) {
    if (depth > FLAT_MAX_NESTING)
        return syntaxError(3935);
    Level level;
    bool operandNext = true;
    for (;;) {
        if (operandNext) {
            bool pushedPrefix = false;
            if (readOperand(level, depth, &pushedPrefix) != VX_SUCCESS)
                return VX_ERROR;
            if (pushedPrefix)
                continue;
        }
        bool done = false;
        if (readOperator(level, depth, stopAtAnd, &done, &operandNext) != VX_SUCCESS)
            return VX_ERROR;
        if (done)
            break;
    }
    if (reduce(level, 0xFF) != VX_SUCCESS)
        return VX_ERROR;
    if (level.operands.size() != 1)
        return syntaxError(3931);
    *result = level.operands.top();
    return VX_SUCCESS;
}

const FlatOperatorEntry* FlatExprCompiler::findOperator(const char* name, std::size_t from) const {
    const FlatOperatorEntry* table = flatOperatorTable();
    for (std::size_t i = from; i < flatOperatorCount(); ++i)
        if (std::strcmp(table[i].name, name) == 0)
            return &table[i];
    return nullptr;
}

VxStatus FlatExprCompiler::readOperator(Level& level, unsigned depth, bool stopAtAnd, bool* done,
                                        bool* operandNext) {
    *operandNext = true;
    const char* before = lexer_->getCursor();
    FlatSqlToken token;
    if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
        return VX_ERROR;
    if (token.isEmpty() || token.isChar(',') || token.isChar(')') ||
        (stopAtAnd && token.is("AND"))) {
        lexer_->setCursor(before);
        *done = true;
        return VX_SUCCESS;
    }
    const FlatOperatorEntry* entry = nullptr;
    if (matchOperator(token, &entry) != VX_SUCCESS)
        return VX_ERROR;
    if (!entry) {
        bool taken = false;
        if (options_.allowAlias && depth == 0 && tryAlias(token, &taken) != VX_SUCCESS)
            return VX_ERROR;
        if (!taken)
            return syntaxError(3925, token.text());
        *done = true;
        return VX_SUCCESS;
    }
    unsigned precedence = flatOperatorPrecedence(*entry);
    if (reduce(level, precedence) != VX_SUCCESS)
        return VX_ERROR;
    if (entry->opcode == FLAT_OP_BETWEEN)
        return readBetween(level, depth, entry);
    // Postfix operators and lists leave an operand: an operator follows.
    if (entry->rightType == 0) {
        *operandNext = false;
        return readPostfixIs(level, entry);
    }
    if ((entry->opClass & FLAT_OPCLASS_QUANTIFIED) == FLAT_OPCLASS_LIST) {
        *operandNext = false;
        return readList(level, depth, entry, (entry->opClass & FLAT_OPCLASS_MULTI_WORD) != 0);
    }
    if ((entry->opClass & FLAT_OPCLASS_QUANTIFIED) == FLAT_OPCLASS_QUANTIFIED) {
        FlatSqlToken word;
        if (lexer_->peek(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (word.is("ANY") || word.is("SOME") || word.is("ALL")) {
            if (lexer_->next(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
            *operandNext = false;
            return readList(level, depth, entry, word.is("ALL"));
        }
    }
    return level.pending.push(Pending{entry, Pending::BINARY});
}

VxStatus FlatExprCompiler::matchOperator(const FlatSqlToken& token,
                                         const FlatOperatorEntry** entry) {
    *entry = nullptr;
    const char* name = nullptr;
    if (token.is("NOT")) {
        FlatSqlToken word;
        if (lexer_->next(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        name = word.is("LIKE")      ? "NOT LIKE"
               : word.is("BETWEEN") ? "NOT BETWEEN"
               : word.is("IN")      ? "NOT IN"
                                    : nullptr;
        if (!name)
            return syntaxError(3925, token.text());
    } else if (token.is("IS")) {
        FlatSqlToken word;
        if (lexer_->next(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        if (word.is("NOT")) {
            name = "IS NOT NULL";
            if (lexer_->next(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
                return VX_ERROR;
        } else {
            name = "IS NULL";
        }
        if (!word.is("NULL"))
            return syntaxError(3925, token.text());
    }
    if (name) {
        *entry = findOperator(name, 3);
    } else if (token.is("||")) {
        *entry = findOperator("+", 13); // concatenation, as string "+"
    } else {
        for (std::size_t i = 3; i < flatOperatorCount() && !*entry; ++i)
            if (token.is(flatOperatorTable()[i].name))
                *entry = &flatOperatorTable()[i];
    }
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::tryAlias(const FlatSqlToken& token, bool* taken) {
    *taken = false;
    if (token.is("AS")) {
        if (lexer_->next(&alias_, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
            return VX_ERROR;
        if (!alias_.isName() && !alias_.isQuoted())
            return syntaxError(3925, token.text());
    } else if (token.isName() || token.first() == '`') {
        if (lexer_->peekChar() != 0)
            return VX_SUCCESS;
        // The operator reader cut the token at characters a name may hold
        // in operand mode; take the whole word again.
        FlatSqlLexer again(token.text());
        if (again.next(&alias_, FLAT_TOKEN_OPERAND) != VX_SUCCESS)
            return VX_ERROR;
    } else {
        return VX_SUCCESS;
    }
    if (lexer_->peekChar() != 0) {
        FlatSqlToken rest;
        if (lexer_->next(&rest, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
            return VX_ERROR;
        return syntaxError(3925, rest.text());
    }
    *taken = true;
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::reduce(Level& level, unsigned precedence) {
    while (!level.pending.isEmpty() &&
           flatOperatorPrecedence(*level.pending.top().entry) <= precedence) {
        Pending op = level.pending.pop();
        if (apply(level, op) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::apply(Level& level, const Pending& op) {
    FlatParseStack<Operand>& operands = level.operands;
    if (op.kind == Pending::PREFIX) {
        if (operands.isEmpty())
            return syntaxError(3931);
        return applyUnary(&operands.top(), op.entry);
    }
    std::size_t needed = op.kind == Pending::BETWEEN ? 3 : 2;
    if (operands.size() < needed)
        return syntaxError(3931);
    if (op.kind == Pending::BINARY) {
        Operand right = operands.pop();
        return applyBinary(&operands.top(), right, op.entry);
    }
    Operand upper = operands.pop();
    Operand lower = operands.pop();
    Operand& value = operands.top();
    if (!compatible(value.type, lower.type) || !compatible(value.type, upper.type) ||
        !compatible(lower.type, upper.type))
        return syntaxError(3924, op.entry->name);
    short known = value.type;
    if (known == FLAT_TYPE_ANY || known == FLAT_TYPE_PARAM)
        known =
            lower.type != FLAT_TYPE_ANY && lower.type != FLAT_TYPE_PARAM ? lower.type : upper.type;
    typeParam(value, paramTypeFor(known));
    typeParam(lower, paramTypeFor(known));
    typeParam(upper, paramTypeFor(known));
    if (checkParamKnown(value) != VX_SUCCESS || checkParamKnown(lower) != VX_SUCCESS ||
        checkParamKnown(upper) != VX_SUCCESS)
        return VX_ERROR;
    builder_->addOp(FLAT_OP_BETWEEN);
    if (op.entry->opClass & FLAT_OPCLASS_NEGATED)
        builder_->addOp(FLAT_OP_NOT);
    value = makeOperand(FLAT_TYPE_BIT, 1);
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::applyUnary(Operand* operand, const FlatOperatorEntry* entry) {
    if (!fitsSide(operand->type, entry->leftType))
        return syntaxError(3924, entry->name);
    typeParam(*operand, entry->leftType);
    if (entry->opcode != FLAT_OP_UNARY_PLUS)
        builder_->addOp(static_cast<FlatOpCode>(entry->opcode));
    *operand = makeOperand(entry->resultType, typeLength(entry->resultType));
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::applyBinary(Operand* left, const Operand& right,
                                       const FlatOperatorEntry* first) {
    const FlatOperatorEntry* end = flatOperatorTable() + flatOperatorCount();
    const FlatOperatorEntry* entry = first;
    for (; entry < end; ++entry) {
        if (std::strcmp(entry->name, first->name) != 0)
            continue;
        if (!fitsSide(left->type, entry->leftType) || !fitsSide(right.type, entry->rightType))
            continue;
        if (entry->leftType == FLAT_TYPE_ANY && !compatible(left->type, right.type))
            continue;
        break;
    }
    if (entry == end)
        return syntaxError(3924, first->name);
    short leftWanted =
        entry->leftType == FLAT_TYPE_ANY ? paramTypeFor(right.type) : entry->leftType;
    short rightWanted =
        entry->rightType == FLAT_TYPE_ANY ? paramTypeFor(left->type) : entry->rightType;
    typeParam(*left, leftWanted);
    typeParam(right, rightWanted);
    if (checkParamKnown(*left) != VX_SUCCESS || checkParamKnown(right) != VX_SUCCESS)
        return VX_ERROR;
    if ((entry->opClass & (FLAT_OPCLASS_OUTER_JOIN | FLAT_OPCLASS_LIST)) ==
        FLAT_OPCLASS_OUTER_JOIN) {
        FlatOpCode marker =
            (entry->opClass & FLAT_OPCLASS_RIGHT_FORM) ? FLAT_OP_OUTER_RIGHT : FLAT_OP_OUTER_LEFT;
        builder_->addOuterJoinComparison(marker, static_cast<FlatOpCode>(entry->opcode));
    } else {
        builder_->addOp(static_cast<FlatOpCode>(entry->opcode));
        if ((entry->opClass & FLAT_OPCLASS_MULTI_WORD) && (entry->opClass & FLAT_OPCLASS_NEGATED))
            builder_->addOp(FLAT_OP_NOT);
    }
    std::uint32_t length = typeLength(entry->resultType);
    const bool concat = entry->opcode == FLAT_OP_CONCAT || entry->opcode == FLAT_OP_CONCAT_TRIM;
    // An estimated side counts with the most characters it can have.
    const bool estimated = concat && (left->limit || right.limit);
    if (concat)
        length =
            (left->limit ? left->limit : left->length) + (right.limit ? right.limit : right.length);
    *left = makeOperand(entry->resultType, length);
    if (estimated)
        left->limit = length;
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::readPostfixIs(Level& level, const FlatOperatorEntry* entry) {
    if (level.operands.isEmpty())
        return syntaxError(3931);
    Operand& operand = level.operands.top();
    if (checkParamKnown(operand) != VX_SUCCESS)
        return VX_ERROR;
    builder_->addOp(static_cast<FlatOpCode>(entry->opcode));
    if (entry->opClass & FLAT_OPCLASS_NEGATED)
        builder_->addOp(FLAT_OP_NOT);
    operand = makeOperand(FLAT_TYPE_BIT, 1);
    return VX_SUCCESS;
}

VxStatus FlatExprCompiler::readBetween(Level& level, unsigned depth,
                                       const FlatOperatorEntry* entry) {
    Operand lower{};
    if (compileLevel(depth + 1, true, &lower) != VX_SUCCESS)
        return VX_ERROR;
    FlatSqlToken word;
    if (lexer_->next(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
        return VX_ERROR;
    if (!word.is("AND"))
        return syntaxError(3932);
    if (level.operands.push(lower) != VX_SUCCESS)
        return VX_ERROR;
    return level.pending.push(Pending{entry, Pending::BETWEEN});
}

VxStatus FlatExprCompiler::readList(Level& level, unsigned depth, const FlatOperatorEntry* entry,
                                    bool all) {
    FlatSqlToken token;
    if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
        return VX_ERROR;
    if (!token.isChar('('))
        return syntaxError(3934);
    if (level.operands.isEmpty())
        return syntaxError(3931);
    const std::size_t parenOffset = token.getOffset();
    Operand value = level.operands.top();
    std::uint16_t count = 0;
    for (;;) {
        FlatSqlToken word;
        if (lexer_->peek(&word, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE) != VX_SUCCESS)
            return VX_ERROR;
        // IN (SELECT ...): the list is the sub-select's rows.
        const bool subSelect = count == 0 && word.is("SELECT");
        Operand element{};
        if (subSelect) {
            if (readSubSelect(parenOffset, false, &element) != VX_SUCCESS)
                return VX_ERROR;
        } else if (compileLevel(depth + 1, false, &element) != VX_SUCCESS) {
            return VX_ERROR;
        }
        if (!compatible(value.type, element.type))
            return syntaxError(3924, entry->name);
        typeParam(element, paramTypeFor(value.type));
        if (value.type == FLAT_TYPE_PARAM || value.type == FLAT_TYPE_ANY) {
            typeParam(value, paramTypeFor(element.type));
            if (value.param && params_->getType(value.param) != FLAT_TYPE_PARAM)
                value.type = params_->getType(value.param);
        }
        if (checkParamKnown(element) != VX_SUCCESS)
            return VX_ERROR;
        if (count == 0xFFFF)
            return syntaxError(3931);
        ++count;
        if (subSelect)
            break;
        if (lexer_->next(&token, FLAT_TOKEN_OPERATOR) != VX_SUCCESS)
            return VX_ERROR;
        if (token.isChar(')'))
            break;
        if (!token.isChar(','))
            return syntaxError(3922);
    }
    if (checkParamKnown(value) != VX_SUCCESS)
        return VX_ERROR;
    builder_->addList(all ? FLAT_OP_ALL_LIST : FLAT_OP_ANY_LIST, count);
    builder_->addOp(static_cast<FlatOpCode>(entry->opcode));
    level.operands.top() = makeOperand(FLAT_TYPE_BIT, 1);
    return VX_SUCCESS;
}

void FlatExprCompiler::typeParam(const Operand& operand, short type) {
    if (operand.param == 0 || params_->getType(operand.param) != FLAT_TYPE_PARAM)
        return;
    if (type == FLAT_TYPE_ANY || type == FLAT_TYPE_PARAM)
        return;
    params_->setType(operand.param, type);
}

VxStatus FlatExprCompiler::checkParamKnown(const Operand& operand) {
    if (operand.param == 0 || params_->getType(operand.param) != FLAT_TYPE_PARAM)
        return VX_SUCCESS;
    addFlatSyntaxError(4001) << static_cast<long>(operand.param);
    return VX_ERROR;
}
