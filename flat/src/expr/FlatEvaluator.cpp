// FlatEvaluator: dispatch, the stack, operands read at run time and the
// logical operators.
#include "expr/FlatEvaluator.h"

#include <cmath>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "expr/FlatPrefixTree.h"
#include "flat/FlatDate.h"
#include "util/convert.h"
#include "util/ram.h"

namespace {

std::uint16_t readU16(const unsigned char* at) {
    std::uint16_t value = 0;
    std::memcpy(&value, at, 2);
    return value;
}

// Date, time and timestamp constants share one opcode: a value without a
// day is a time, one with a time of day a timestamp, any other a date.
short dateConstantType(double value) {
    if (value >= FLAT_BLANK_DATE)
        return FLAT_TYPE_DATE;
    if (value >= 0 && value < 1)
        return FLAT_TYPE_TIME;
    return value != std::floor(value) ? FLAT_TYPE_TIMESTAMP : FLAT_TYPE_DATE;
}

// A source the stream needs was not set: the statement is not wired.
VxStatus missingSource() {
    addOdbcError(ODBC_S1000);
    return VX_ERROR;
}

} // namespace

VxStatus FlatEvaluator::eval(const unsigned char* node, FlatEvalItem* out) {
    std::uint8_t op = flatNodeOp(node);
    switch (op) {
    case FLAT_OP_DATE_CONST:
    case FLAT_OP_NUM_CONST:
    case FLAT_OP_STR_CONST:
    case FLAT_OP_BIN_CONST:
    case FLAT_OP_LOGICAL_CONST:
    case FLAT_OP_NULL:
        return evalConstant(node, out);
    case FLAT_OP_FIELD:
        return evalField(node, out);
    case FLAT_OP_PARAM:
        return evalParam(node, out);
    case FLAT_OP_AGGREGATE:
        return evalAggregate(node, out);
    case FLAT_OP_EXISTS:
        return evalExists(node, out);
    case FLAT_OP_SUBQUERY:
        return evalScalarSubQuery(node, out);
    case FLAT_OP_NOT:
        return evalNot(node, out);
    case FLAT_OP_AND:
    case FLAT_OP_OR:
        return evalAndOr(node, out);
    case FLAT_OP_IS_NULL:
        return evalIsNull(node, out);
    case FLAT_OP_IIF:
        return evalIif(node, out);
    case FLAT_OP_IFNULL:
        return evalIfNull(node, out);
    case FLAT_OP_NEGATE:
    case FLAT_OP_MOD:
    case FLAT_OP_POWER:
    case FLAT_OP_ADD:
    case FLAT_OP_SUBTRACT:
    case FLAT_OP_MULTIPLY:
    case FLAT_OP_DIVIDE:
    case FLAT_OP_MIN:
    case FLAT_OP_MAX:
        return evalArithmetic(node, out);
    case FLAT_OP_INT:
    case FLAT_OP_FLOOR:
    case FLAT_OP_ROUND:
    case FLAT_OP_NUMVAL:
    case FLAT_OP_LEN:
        return evalNumberFunction(node, out);
    case FLAT_OP_GT:
    case FLAT_OP_GE:
    case FLAT_OP_LT:
    case FLAT_OP_LE:
    case FLAT_OP_EQ:
    case FLAT_OP_NE:
        return evalComparison(node, out);
    case FLAT_OP_BETWEEN:
        return evalBetween(node, out);
    case FLAT_OP_LIKE:
        return evalLike(node, out);
    case FLAT_OP_CONCAT:
    case FLAT_OP_CONCAT_TRIM:
    case FLAT_OP_CONTAINS:
    case FLAT_OP_RTRIM:
    case FLAT_OP_LTRIM:
    case FLAT_OP_UPPER:
    case FLAT_OP_LOWER:
    case FLAT_OP_SUBSTR:
    case FLAT_OP_SPACE:
    case FLAT_OP_LEFT:
    case FLAT_OP_RIGHT:
    case FLAT_OP_CHR:
        return evalStringOp(node, out);
    case FLAT_OP_MONTH:
    case FLAT_OP_DAY:
    case FLAT_OP_YEAR:
    case FLAT_OP_DTOC:
    case FLAT_OP_CTOD:
    case FLAT_OP_STR:
    case FLAT_OP_DTOS:
    case FLAT_OP_STRVAL:
    case FLAT_OP_DAYOFWEEK:
        return evalDateOp(node, out);
    default:
        // List markers only occur as the right operand of a comparison.
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
}

// ---- Stack ------------------------------------------------------------------

VxStatus FlatEvaluator::pushDouble(short type, double value, FlatEvalItem* out) {
    std::size_t offset = 0;
    if (info_.reserve(sizeof value, &offset) != VX_SUCCESS)
        return VX_ERROR;
    std::memcpy(info_.at(offset), &value, sizeof value);
    *out = {type, false, offset, sizeof value};
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::pushBit(bool value, FlatEvalItem* out) {
    unsigned char byte = value ? 1 : 0;
    return pushBytes(FLAT_TYPE_BIT, &byte, 1, out);
}

VxStatus FlatEvaluator::pushBytes(short type, const void* bytes, std::uint32_t length,
                                  FlatEvalItem* out) {
    std::size_t offset = 0;
    if (info_.reserve(length, &offset) != VX_SUCCESS)
        return VX_ERROR;
    if (length)
        std::memcpy(info_.at(offset), bytes, length);
    *out = {type, false, offset, length};
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::reserveString(short type, std::uint32_t length, FlatEvalItem* out) {
    if (length > FLAT_MAX_STRING_RESULT) {
        addFlatError(FLAT_MSG_STRING_TOO_LONG);
        return VX_ERROR;
    }
    std::size_t offset = 0;
    if (info_.reserve(length, &offset) != VX_SUCCESS)
        return VX_ERROR;
    *out = {type, false, offset, length};
    return VX_SUCCESS;
}

void FlatEvaluator::pushNull(FlatEvalItem* out) {
    *out = {FLAT_TYPE_ANY, true, info_.getStackTop(), 0};
}

void FlatEvaluator::collapse(std::size_t mark, FlatEvalItem* item) {
    if (item->offset != mark && item->length)
        std::memmove(info_.at(mark), info_.at(item->offset), item->length);
    item->offset = mark;
    info_.setStackTop(mark + item->length);
}

double FlatEvaluator::readDouble(const FlatEvalItem& item) {
    double value = 0;
    if (item.length == sizeof value)
        std::memcpy(&value, info_.at(item.offset), sizeof value);
    else if (item.length == 1)
        value = *info_.at(item.offset);
    return value;
}

VxStatus FlatEvaluator::evalChildren(const unsigned char* node, FlatEvalItem* items, unsigned count,
                                     bool* anyNull) {
    *anyNull = false;
    const unsigned char* child = flatNodeFirstChild(node);
    for (unsigned i = 0; i < count; ++i, child = flatNodeNext(child)) {
        if (eval(child, &items[i]) != VX_SUCCESS)
            return VX_ERROR;
        if (items[i].null) {
            *anyNull = true;
            return VX_SUCCESS;
        }
    }
    return VX_SUCCESS;
}

// ---- Constants and operands -------------------------------------------------

VxStatus FlatEvaluator::evalConstant(const unsigned char* node, FlatEvalItem* out) {
    const unsigned char* operand = flatNodeOperands(node);
    double number = 0;
    switch (flatNodeOp(node)) {
    case FLAT_OP_DATE_CONST:
        std::memcpy(&number, operand, sizeof number);
        return pushDouble(dateConstantType(number), number, out);
    case FLAT_OP_NUM_CONST:
        std::memcpy(&number, operand, sizeof number);
        return pushDouble(FLAT_TYPE_DOUBLE, number, out);
    case FLAT_OP_STR_CONST: {
        const char* text = reinterpret_cast<const char*>(operand);
        return pushBytes(FLAT_TYPE_CHAR, text, static_cast<std::uint32_t>(std::strlen(text)), out);
    }
    case FLAT_OP_BIN_CONST: {
        const char* hex = reinterpret_cast<const char*>(operand);
        std::size_t digits = std::strlen(hex);
        FlatEvalItem item;
        if (reserveString(FLAT_TYPE_VARBINARY, static_cast<std::uint32_t>((digits + 1) / 2),
                          &item) != VX_SUCCESS)
            return VX_ERROR;
        if (dehexify(info_.at(item.offset), hex, digits) != VX_SUCCESS)
            return VX_ERROR;
        *out = item;
        return VX_SUCCESS;
    }
    case FLAT_OP_LOGICAL_CONST:
        return pushBit(operand[0] != 0, out);
    default:
        pushNull(out);
        return VX_SUCCESS;
    }
}

VxStatus FlatEvaluator::readFieldNode(const unsigned char* node, FlatDataValue* value,
                                      short* sqlType) {
    FlatRowSource* source = info_.getRowSource();
    if (!source)
        return missingSource();
    std::uint32_t table = 0;
    std::uint16_t field = 0;
    flatNodeFieldRef(node, &table, &field);
    return source->getFieldValue(table, field, value, sqlType);
}

VxStatus FlatEvaluator::evalField(const unsigned char* node, FlatEvalItem* out) {
    FlatDataValue value;
    short sqlType = 0;
    if (readFieldNode(node, &value, &sqlType) != VX_SUCCESS)
        return VX_ERROR;
    return pushValue(value, sqlType, out);
}

VxStatus FlatEvaluator::evalParam(const unsigned char* node, FlatEvalItem* out) {
    FlatParamSource* source = info_.getParamSource();
    const std::uint16_t number = readU16(flatNodeOperands(node));
    bool provided = false;
    FlatDataValue value;
    short sqlType = 0;
    if (source && source->getParamValue(number, &value, &sqlType, &provided) != VX_SUCCESS)
        return VX_ERROR;
    if (!provided) {
        addFlatError(FLAT_MSG_PARAM_NO_VALUE);
        return VX_ERROR;
    }
    return pushParam(value, sqlType, info_.getParamType(number), out);
}

VxStatus FlatEvaluator::evalAggregate(const unsigned char* node, FlatEvalItem* out) {
    FlatAggregateSource* source = info_.getAggregateSource();
    if (!source)
        return missingSource();
    std::uint32_t groupRef = 0;
    std::uint16_t column = 0;
    flatNodeFieldRef(node, &groupRef, &column);
    FlatDataValue value;
    short sqlType = 0;
    if (source->getAggregateValue(groupRef, column, &value, &sqlType) != VX_SUCCESS)
        return VX_ERROR;
    return pushValue(value, sqlType, out);
}

VxStatus FlatEvaluator::evalExists(const unsigned char* node, FlatEvalItem* out) {
    FlatSubQuerySource* source = info_.getSubQuerySource();
    if (!source)
        return missingSource();
    std::uint16_t number = readU16(flatNodeOperands(node));
    bool atEnd = true;
    if (source->openSubQuery(number) != VX_SUCCESS ||
        source->fetchSubQueryRow(number, &atEnd) != VX_SUCCESS)
        return VX_ERROR;
    return pushBit(!atEnd, out);
}

VxStatus FlatEvaluator::evalScalarSubQuery(const unsigned char* node, FlatEvalItem* out) {
    FlatSubQuerySource* source = info_.getSubQuerySource();
    if (!source)
        return missingSource();
    std::uint16_t number = readU16(flatNodeOperands(node));
    bool atEnd = true;
    if (source->openSubQuery(number) != VX_SUCCESS ||
        source->fetchSubQueryRow(number, &atEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (atEnd) {
        pushNull(out);
        return VX_SUCCESS;
    }
    FlatDataValue value;
    short sqlType = 0;
    if (source->getSubQueryValue(number, &value, &sqlType) != VX_SUCCESS ||
        pushValue(value, sqlType, out) != VX_SUCCESS)
        return VX_ERROR;
    if (source->fetchSubQueryRow(number, &atEnd) != VX_SUCCESS)
        return VX_ERROR;
    if (!atEnd) {
        addFlatError(FLAT_MSG_SUBQUERY_ROWS);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

// ---- Logic ------------------------------------------------------------------

VxStatus FlatEvaluator::pushTruth(FlatTruth truth, FlatEvalItem* out) {
    if (truth == FLAT_UNKNOWN) {
        pushNull(out);
        out->type = FLAT_TYPE_BIT;
        return VX_SUCCESS;
    }
    return pushBit(truth == FLAT_TRUE, out);
}

VxStatus FlatEvaluator::evalTruth(const unsigned char* node, FlatTruth* truth) {
    std::size_t mark = info_.getStackTop();
    FlatEvalItem item;
    if (eval(node, &item) != VX_SUCCESS)
        return VX_ERROR;
    if (item.null) {
        *truth = FLAT_UNKNOWN;
    } else {
        double value = 0;
        if (item.type == FLAT_TYPE_BIT)
            value = *info_.at(item.offset);
        else if (numberOf(item, &value) != VX_SUCCESS)
            return VX_ERROR;
        *truth = value != 0 ? FLAT_TRUE : FLAT_FALSE;
    }
    info_.setStackTop(mark);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::evalNot(const unsigned char* node, FlatEvalItem* out) {
    FlatTruth truth = FLAT_UNKNOWN;
    if (evalTruth(flatNodeFirstChild(node), &truth) != VX_SUCCESS)
        return VX_ERROR;
    if (truth != FLAT_UNKNOWN)
        truth = truth == FLAT_TRUE ? FLAT_FALSE : FLAT_TRUE;
    return pushTruth(truth, out);
}

// AND and OR: the left operand first; a decisive left side (false for
// AND, true for OR) ends the evaluation. A chain of the same operator
// (a OR b OR c ..., compiled left-deep) is walked without recursion: the
// nodes of its left spine are listed on the stack and their right operands
// evaluated from the innermost outwards.
VxStatus FlatEvaluator::evalAndOr(const unsigned char* node, FlatEvalItem* out) {
    std::uint8_t op = flatNodeOp(node);
    FlatTruth decisive = op == FLAT_OP_AND ? FLAT_FALSE : FLAT_TRUE;
    std::size_t mark = info_.getStackTop();
    std::size_t count = 1;
    for (const unsigned char* n = flatNodeFirstChild(node); flatNodeOp(n) == op;
         n = flatNodeFirstChild(n))
        ++count;
    std::size_t spine = 0;
    if (info_.reserve(count * sizeof node, &spine) != VX_SUCCESS)
        return VX_ERROR;
    const unsigned char* n = node;
    for (std::size_t i = 0; i < count; ++i, n = flatNodeFirstChild(n))
        std::memcpy(info_.at(spine + i * sizeof n), &n, sizeof n);
    // n is now the leftmost operand of the chain.
    FlatTruth truth = FLAT_UNKNOWN;
    if (evalTruth(n, &truth) != VX_SUCCESS)
        return VX_ERROR;
    for (std::size_t i = count; i-- > 0 && truth != decisive;) {
        const unsigned char* level = nullptr;
        std::memcpy(&level, info_.at(spine + i * sizeof level), sizeof level);
        FlatTruth right = FLAT_UNKNOWN;
        if (evalTruth(flatNodeNext(flatNodeFirstChild(level)), &right) != VX_SUCCESS)
            return VX_ERROR;
        if (right == decisive)
            truth = decisive;
        else if (right == FLAT_UNKNOWN)
            truth = FLAT_UNKNOWN;
    }
    info_.setStackTop(mark);
    return pushTruth(truth, out);
}

// NULL, or, when the statement treats blank strings as NULL, a string
// that is empty or all blanks.
bool FlatEvaluator::countsAsNull(const FlatEvalItem& item) {
    if (item.null)
        return true;
    if (!info_.isBlankIsNull() || (item.type != FLAT_TYPE_CHAR && item.type != FLAT_TYPE_VARCHAR))
        return false;
    const char* text = bytesOf(item);
    for (std::uint32_t i = 0; i < item.length; ++i)
        if (text[i] != ' ')
            return false;
    return true;
}

VxStatus FlatEvaluator::evalIsNull(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    FlatEvalItem item;
    if (eval(flatNodeFirstChild(node), &item) != VX_SUCCESS)
        return VX_ERROR;
    bool isNull = countsAsNull(item);
    info_.setStackTop(mark);
    return pushBit(isNull, out);
}

// IFNULL(a, b): a, evaluated once, unless it is NULL; then b.
VxStatus FlatEvaluator::evalIfNull(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    const unsigned char* first = flatNodeFirstChild(node);
    if (eval(first, out) != VX_SUCCESS)
        return VX_ERROR;
    if (countsAsNull(*out)) {
        info_.setStackTop(mark);
        if (eval(flatNodeNext(first), out) != VX_SUCCESS)
            return VX_ERROR;
    }
    collapse(mark, out);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::evalIif(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    const unsigned char* condition = flatNodeFirstChild(node);
    FlatTruth truth = FLAT_UNKNOWN;
    if (evalTruth(condition, &truth) != VX_SUCCESS)
        return VX_ERROR;
    if (truth == FLAT_UNKNOWN) {
        pushNull(out);
        return VX_SUCCESS;
    }
    const unsigned char* chosen = flatNodeNext(condition);
    if (truth == FLAT_FALSE)
        chosen = flatNodeNext(chosen);
    if (eval(chosen, out) != VX_SUCCESS)
        return VX_ERROR;
    collapse(mark, out);
    return VX_SUCCESS;
}
