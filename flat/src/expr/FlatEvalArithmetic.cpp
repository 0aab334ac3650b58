// FlatEvaluator: arithmetic on numbers and dates, and the numeric
// functions.
//
// Division and MOD by zero give NULL. A result that is not a finite number
// although its operands are raises 3944. Dates take part in "+" and "-":
// date + number and number + date give a date, date - number a date, and
// date - date the number of days between them; the blank date gives the
// blank date, or 0 for date - date.
#include <cmath>

#include "error/FlatErrors.h"
#include "expr/FlatEvaluator.h"
#include "expr/FlatPrefixTree.h"
#include "flat/FlatDate.h"

namespace {

bool isBlank(double value) {
    return value >= FLAT_BLANK_DATE;
}

} // namespace

VxStatus FlatEvaluator::finishNumber(double value, std::size_t mark, FlatEvalItem* out) {
    if (!std::isfinite(value)) {
        addFlatError(FLAT_MSG_FLOATING_POINT);
        return VX_ERROR;
    }
    info_.setStackTop(mark);
    return pushDouble(FLAT_TYPE_DOUBLE, value, out);
}

VxStatus FlatEvaluator::evalArithmetic(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    std::uint8_t op = flatNodeOp(node);
    FlatEvalItem items[2];
    bool anyNull = false;
    unsigned count = op == FLAT_OP_NEGATE ? 1 : 2;
    if (evalChildren(node, items, count, &anyNull) != VX_SUCCESS)
        return VX_ERROR;
    if (anyNull) {
        info_.setStackTop(mark);
        pushNull(out);
        return VX_SUCCESS;
    }
    if (op == FLAT_OP_NEGATE) {
        double value = 0;
        if (numberOf(items[0], &value) != VX_SUCCESS)
            return VX_ERROR;
        return finishNumber(-value, mark, out);
    }
    return arithmetic(op, items[0], items[1], mark, out);
}

VxStatus FlatEvaluator::arithmetic(std::uint8_t op, const FlatEvalItem& left,
                                   const FlatEvalItem& right, std::size_t mark, FlatEvalItem* out) {
    bool leftDate = flatIsDateType(left.type);
    bool rightDate = flatIsDateType(right.type);
    double a = 0;
    double b = 0;
    if ((leftDate ? dateOf(left, &a) : numberOf(left, &a)) != VX_SUCCESS ||
        (rightDate ? dateOf(right, &b) : numberOf(right, &b)) != VX_SUCCESS)
        return VX_ERROR;
    if ((op == FLAT_OP_ADD || op == FLAT_OP_SUBTRACT) && (leftDate || rightDate)) {
        if (leftDate && rightDate && op == FLAT_OP_SUBTRACT)
            return finishNumber(isBlank(a) || isBlank(b) ? 0.0 : a - b, mark, out);
        short dateType = leftDate ? left.type : right.type;
        double result = FLAT_BLANK_DATE;
        if (!isBlank(a) && !isBlank(b))
            result = op == FLAT_OP_ADD ? a + b : a - b;
        if (!std::isfinite(result)) {
            addFlatError(FLAT_MSG_FLOATING_POINT);
            return VX_ERROR;
        }
        info_.setStackTop(mark);
        return pushDouble(dateType, result, out);
    }
    double result = 0;
    switch (op) {
    case FLAT_OP_ADD:
        result = a + b;
        break;
    case FLAT_OP_SUBTRACT:
        result = a - b;
        break;
    case FLAT_OP_MULTIPLY:
        result = a * b;
        break;
    case FLAT_OP_DIVIDE:
    case FLAT_OP_MOD:
        if (b == 0) {
            info_.setStackTop(mark);
            pushNull(out);
            return VX_SUCCESS;
        }
        result = op == FLAT_OP_DIVIDE ? a / b : std::fmod(a, b);
        break;
    case FLAT_OP_POWER:
        result = std::pow(a, b);
        break;
    case FLAT_OP_MIN:
        result = a < b ? a : b;
        break;
    default: // FLAT_OP_MAX
        result = a > b ? a : b;
        break;
    }
    return finishNumber(result, mark, out);
}

VxStatus FlatEvaluator::evalNumberFunction(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    std::uint8_t op = flatNodeOp(node);
    FlatEvalItem items[2];
    bool anyNull = false;
    if (evalChildren(node, items, op == FLAT_OP_ROUND ? 2 : 1, &anyNull) != VX_SUCCESS)
        return VX_ERROR;
    if (anyNull) {
        info_.setStackTop(mark);
        pushNull(out);
        return VX_SUCCESS;
    }
    if (op == FLAT_OP_LEN)
        return finishNumber(textLength(items[0]), mark, out);
    if (op == FLAT_OP_NUMVAL) {
        if (!flatIsStringType(items[0].type)) {
            double value = 0;
            if (numberOf(items[0], &value) != VX_SUCCESS)
                return VX_ERROR;
            return finishNumber(value, mark, out);
        }
        return finishNumber(flatStringToDouble(bytesOf(items[0]), items[0].length), mark, out);
    }
    double x = 0;
    if (numberOf(items[0], &x) != VX_SUCCESS)
        return VX_ERROR;
    if (op == FLAT_OP_INT)
        return finishNumber(std::trunc(x), mark, out);
    if (op == FLAT_OP_FLOOR)
        return finishNumber(std::floor(x), mark, out);
    // ROUND: scale by a power of ten of the truncated digit count, round
    // half away from zero, scale back. Negative digits round to tens,
    // hundreds ...: the scale is then a divisor, which is exact where the
    // fraction 10^-n is not.
    double digits = 0;
    if (numberOf(items[1], &digits) != VX_SUCCESS)
        return VX_ERROR;
    double n = std::trunc(digits);
    if (n < -308)
        return finishNumber(0.0, mark, out);
    if (n > 308)
        return finishNumber(x, mark, out);
    double p = std::pow(10.0, std::fabs(n));
    double scaled = n < 0 ? x / p : x * p;
    if (!std::isfinite(scaled))
        return finishNumber(x, mark, out);
    scaled = std::trunc(scaled + (x < 0 ? -0.5 : 0.5));
    return finishNumber(n < 0 ? scaled * p : scaled / p, mark, out);
}
