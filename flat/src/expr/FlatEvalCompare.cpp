// FlatEvaluator: comparisons, quantified lists, BETWEEN and LIKE.
//
// Value order: numbers and dates as doubles (a logical value against a
// number counts the number as 1 when it is not zero); logical values as
// bytes; binary values byte by byte, the shorter first on a common prefix;
// strings byte by byte (or in international order when the statement asks
// for it) after removing trailing blanks from both, unless both are
// VARCHAR. A string against a number or a date is read as one.
#include <cstring>

#include "base/BaseErrors.h"
#include "expr/FlatEvaluator.h"
#include "expr/FlatPrefixTree.h"
#include "util/str.h"

namespace {

bool compareHolds(std::uint8_t op, int c) {
    switch (op) {
    case FLAT_OP_GT:
        return c > 0;
    case FLAT_OP_GE:
        return c >= 0;
    case FLAT_OP_LT:
        return c < 0;
    case FLAT_OP_LE:
        return c <= 0;
    case FLAT_OP_EQ:
        return c == 0;
    default: // FLAT_OP_NE
        return c != 0;
    }
}

int compareDoubles(double a, double b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool isStringLike(short type) {
    return flatIsStringType(type) || flatIsBinaryType(type);
}

} // namespace

VxStatus FlatEvaluator::compareItems(const FlatEvalItem& left, const FlatEvalItem& right,
                                     int* result) {
    if (left.type == FLAT_TYPE_DOUBLE && right.type == FLAT_TYPE_DOUBLE) {
        *result = compareDoubles(readDouble(left), readDouble(right));
        return VX_SUCCESS;
    }
    if (isStringLike(left.type) && isStringLike(right.type)) {
        const char* a = bytesOf(left);
        const char* b = bytesOf(right);
        std::size_t aLength = left.length;
        std::size_t bLength = right.length;
        bool binary = flatIsBinaryType(left.type) || flatIsBinaryType(right.type);
        if (!binary) {
            bool bothVarchar = left.type == FLAT_TYPE_VARCHAR && right.type == FLAT_TYPE_VARCHAR;
            if (!bothVarchar) {
                aLength = strRightTrimBlanks(a, aLength);
                bLength = strRightTrimBlanks(b, bLength);
            }
            if (info_.isIntlSort()) {
                *result = strCompareIntl(a, aLength, b, bLength);
                return VX_SUCCESS;
            }
        }
        *result = strCompare(a, aLength, b, bLength);
        return VX_SUCCESS;
    }
    if (left.type == FLAT_TYPE_BIT && right.type == FLAT_TYPE_BIT) {
        *result = compareDoubles(*info_.at(left.offset), *info_.at(right.offset));
        return VX_SUCCESS;
    }
    double a = 0;
    double b = 0;
    bool asDates = flatIsDateType(left.type) || flatIsDateType(right.type);
    if ((asDates ? dateOf(left, &a) : numberOf(left, &a)) != VX_SUCCESS ||
        (asDates ? dateOf(right, &b) : numberOf(right, &b)) != VX_SUCCESS)
        return VX_ERROR;
    if (left.type == FLAT_TYPE_BIT)
        b = b != 0 ? 1 : 0;
    if (right.type == FLAT_TYPE_BIT)
        a = a != 0 ? 1 : 0;
    *result = compareDoubles(a, b);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::compareValues(const FlatDataValue& a, short aSqlType,
                                      const FlatDataValue& b, short bSqlType, int* result) {
    std::size_t mark = info_.getStackTop();
    FlatEvalItem left;
    FlatEvalItem right;
    VxStatus status = pushValue(a, aSqlType, &left);
    if (status == VX_SUCCESS)
        status = pushValue(b, bSqlType, &right);
    if (status == VX_SUCCESS) {
        if (left.null || right.null)
            *result = left.null == right.null ? 0 : (left.null ? -1 : 1);
        else
            status = compareItems(left, right, result);
    }
    info_.setStackTop(mark);
    return status;
}

VxStatus FlatEvaluator::compareWith(std::uint8_t op, const FlatEvalItem& left,
                                    const FlatEvalItem& right, FlatTruth* truth) {
    if (left.null || right.null) {
        *truth = FLAT_UNKNOWN;
        return VX_SUCCESS;
    }
    int c = 0;
    if (compareItems(left, right, &c) != VX_SUCCESS)
        return VX_ERROR;
    *truth = compareHolds(op, c) ? FLAT_TRUE : FLAT_FALSE;
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::evalComparison(const unsigned char* node, FlatEvalItem* out) {
    std::uint8_t op = flatNodeOp(node);
    const unsigned char* left = flatNodeFirstChild(node);
    const unsigned char* right = flatNodeNext(left);
    std::uint8_t rightOp = flatNodeOp(right);
    if (rightOp == FLAT_OP_ANY_LIST || rightOp == FLAT_OP_ALL_LIST)
        return evalQuantified(op, left, right, out);
    std::size_t mark = info_.getStackTop();
    if (rightOp == FLAT_OP_NUM_CONST)
        return compareWithNumber(op, left, right, out);
    FlatEvalItem items[2];
    bool anyNull = false;
    if (evalChildren(node, items, 2, &anyNull) != VX_SUCCESS)
        return VX_ERROR;
    FlatTruth truth = FLAT_UNKNOWN;
    if (!anyNull && compareWith(op, items[0], items[1], &truth) != VX_SUCCESS)
        return VX_ERROR;
    info_.setStackTop(mark);
    return pushTruth(truth, out);
}

// left op number: a number on the left is compared with the constant as
// it stands in the stream, without pushing it; anything else is compared
// as with any other right operand.
VxStatus FlatEvaluator::compareWithNumber(std::uint8_t op, const unsigned char* left,
                                          const unsigned char* right, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    FlatEvalItem leftItem;
    double number = 0;
    bool isNumber = false;
    // A number field, the usual left side, is compared as it is read.
    if (flatNodeOp(left) == FLAT_OP_FIELD) {
        FlatDataValue value;
        short sqlType = 0;
        if (readFieldNode(left, &value, &sqlType) != VX_SUCCESS ||
            fieldForNumber(value, sqlType, &number, &isNumber, &leftItem) != VX_SUCCESS)
            return VX_ERROR;
    } else if (eval(left, &leftItem) != VX_SUCCESS) {
        return VX_ERROR;
    }
    FlatTruth truth = FLAT_UNKNOWN;
    if (compareReadWithNumber(op, isNumber, number, leftItem, right, &truth) != VX_SUCCESS)
        return VX_ERROR;
    info_.setStackTop(mark);
    return pushTruth(truth, out);
}

VxStatus FlatEvaluator::compareReadWithNumber(std::uint8_t op, bool isNumber, double number,
                                              const FlatEvalItem& left,
                                              const unsigned char* right, FlatTruth* truth) {
    *truth = FLAT_UNKNOWN;
    if (isNumber || (!left.null && left.type == FLAT_TYPE_DOUBLE)) {
        double constant = 0;
        std::memcpy(&constant, flatNodeOperands(right), sizeof constant);
        const double value = isNumber ? number : readDouble(left);
        *truth = compareHolds(op, compareDoubles(value, constant)) ? FLAT_TRUE : FLAT_FALSE;
    } else if (!left.null) {
        FlatEvalItem rightItem;
        if (eval(right, &rightItem) != VX_SUCCESS ||
            compareWith(op, left, rightItem, truth) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::compareFieldWithNumber(std::uint8_t op, const FlatDataValue& field,
                                               short sqlType, const unsigned char* constant,
                                               FlatTruth* truth) {
    std::size_t mark = info_.getStackTop();
    FlatEvalItem leftItem;
    double number = 0;
    bool isNumber = false;
    if (fieldForNumber(field, sqlType, &number, &isNumber, &leftItem) != VX_SUCCESS ||
        compareReadWithNumber(op, isNumber, number, leftItem, constant, truth) != VX_SUCCESS)
        return VX_ERROR;
    info_.setStackTop(mark);
    return VX_SUCCESS;
}

// left op ANY (v1, ..., vn) / left op ALL (...): ANY is true at the first
// true comparison, ALL false at the first false one; otherwise an unknown
// comparison makes the result unknown. A sub-query value supplies all of
// its rows.
VxStatus FlatEvaluator::evalQuantified(std::uint8_t op, const unsigned char* left,
                                       const unsigned char* list, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    bool any = flatNodeOp(list) == FLAT_OP_ANY_LIST;
    FlatEvalItem leftItem;
    if (eval(left, &leftItem) != VX_SUCCESS)
        return VX_ERROR;
    std::size_t afterLeft = info_.getStackTop();
    bool decided = false;
    bool sawNull = false;
    unsigned count = flatNodeChildCount(list);
    const unsigned char* element = flatNodeFirstChild(list);
    for (unsigned i = 0; i < count && !decided; ++i, element = flatNodeNext(element)) {
        if (flatNodeOp(element) == FLAT_OP_SUBQUERY) {
            std::uint16_t number = 0;
            std::memcpy(&number, flatNodeOperands(element), 2);
            if (compareSubQueryRows(op, any, leftItem, number, &decided, &sawNull) != VX_SUCCESS)
                return VX_ERROR;
            continue;
        }
        FlatEvalItem value;
        FlatTruth truth = FLAT_UNKNOWN;
        if (eval(element, &value) != VX_SUCCESS ||
            compareWith(op, leftItem, value, &truth) != VX_SUCCESS)
            return VX_ERROR;
        info_.setStackTop(afterLeft);
        if (truth == FLAT_UNKNOWN)
            sawNull = true;
        else if ((truth == FLAT_TRUE) == any)
            decided = true;
    }
    info_.setStackTop(mark);
    FlatTruth result = any ? FLAT_FALSE : FLAT_TRUE;
    if (decided)
        result = any ? FLAT_TRUE : FLAT_FALSE;
    else if (sawNull)
        result = FLAT_UNKNOWN;
    return pushTruth(result, out);
}

VxStatus FlatEvaluator::compareSubQueryRows(std::uint8_t op, bool any, const FlatEvalItem& left,
                                            std::uint16_t number, bool* decided, bool* sawNull) {
    FlatSubQuerySource* source = info_.getSubQuerySource();
    if (!source) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    bool handled = false;
    if (lookUpSubQuery(op, any, left, number, &handled, decided, sawNull) != VX_SUCCESS)
        return VX_ERROR;
    if (handled)
        return VX_SUCCESS;
    if (source->openSubQuery(number) != VX_SUCCESS)
        return VX_ERROR;
    std::size_t afterLeft = info_.getStackTop();
    for (;;) {
        bool atEnd = true;
        if (source->fetchSubQueryRow(number, &atEnd) != VX_SUCCESS)
            return VX_ERROR;
        if (atEnd)
            return VX_SUCCESS;
        FlatDataValue value;
        short sqlType = 0;
        FlatEvalItem item;
        FlatTruth truth = FLAT_UNKNOWN;
        if (source->getSubQueryValue(number, &value, &sqlType) != VX_SUCCESS ||
            pushValue(value, sqlType, &item) != VX_SUCCESS ||
            compareWith(op, left, item, &truth) != VX_SUCCESS)
            return VX_ERROR;
        info_.setStackTop(afterLeft);
        if (truth == FLAT_UNKNOWN) {
            *sawNull = true;
        } else if ((truth == FLAT_TRUE) == any) {
            *decided = true;
            return VX_SUCCESS;
        }
    }
}

// x BETWEEN a AND b is (x >= a) AND (x <= b) in three-valued logic.
VxStatus FlatEvaluator::evalBetween(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    const unsigned char* child = flatNodeFirstChild(node);
    FlatEvalItem items[3];
    for (FlatEvalItem& item : items) {
        if (eval(child, &item) != VX_SUCCESS)
            return VX_ERROR;
        child = flatNodeNext(child);
    }
    FlatTruth low = FLAT_UNKNOWN;
    FlatTruth high = FLAT_UNKNOWN;
    if (compareWith(FLAT_OP_GE, items[0], items[1], &low) != VX_SUCCESS ||
        compareWith(FLAT_OP_LE, items[0], items[2], &high) != VX_SUCCESS)
        return VX_ERROR;
    info_.setStackTop(mark);
    FlatTruth result = FLAT_TRUE;
    if (low == FLAT_FALSE || high == FLAT_FALSE)
        result = FLAT_FALSE;
    else if (low == FLAT_UNKNOWN || high == FLAT_UNKNOWN)
        result = FLAT_UNKNOWN;
    return pushTruth(result, out);
}

// "%" any string, "_" one character, backslash escapes the next pattern
// character; case counts; trailing blanks are ignored unless both sides
// are VARCHAR.
VxStatus FlatEvaluator::evalLike(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    FlatEvalItem items[2];
    bool anyNull = false;
    if (evalChildren(node, items, 2, &anyNull) != VX_SUCCESS)
        return VX_ERROR;
    FlatTruth truth = FLAT_UNKNOWN;
    if (!anyNull) {
        bool keepTrailing =
            items[0].type == FLAT_TYPE_VARCHAR && items[1].type == FLAT_TYPE_VARCHAR;
        bool match = strLike(bytesOf(items[0]), items[0].length, bytesOf(items[1]), items[1].length,
                             '%', '_', '\\', true, keepTrailing);
        truth = match ? FLAT_TRUE : FLAT_FALSE;
    }
    info_.setStackTop(mark);
    return pushTruth(truth, out);
}
