// FlatEvaluator: string operators and functions.
//
// In UTF-8 text (the connection's character set) LEN, LEFT, RIGHT and
// SUBSTR count whole characters, so that no result holds half of one;
// otherwise a byte is a character. Case mapping stays ASCII.
//
// Results keep the string type of their (first) string operand, so that a
// VARCHAR stays VARCHAR for comparisons; concatenation of strings, string
// "+" and "-", is always VARCHAR, as the operator table types it, so the
// blanks it appends count when it is compared with another VARCHAR. No
// operator produces more than 1024 bytes (3945).
#include <cmath>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "expr/FlatEvaluator.h"
#include "expr/FlatPrefixTree.h"
#include "util/VxUtf8.h"
#include "util/str.h"

namespace {

unsigned argumentCount(const unsigned char* node) {
    switch (flatNodeOp(node)) {
    case FLAT_OP_CONCAT:
    case FLAT_OP_CONCAT_TRIM:
    case FLAT_OP_CONTAINS:
    case FLAT_OP_LEFT:
    case FLAT_OP_RIGHT:
        return 2;
    case FLAT_OP_SUBSTR:
        return flatNodeChildCount(node);
    default:
        return 1;
    }
}

short stringType(short type) {
    return type == FLAT_TYPE_VARCHAR || type == FLAT_TYPE_LONGVARCHAR ? FLAT_TYPE_VARCHAR
                                                                      : FLAT_TYPE_CHAR;
}

// A count argument as a whole number, kept within what any string can use.
long countOf(double value) {
    if (!(value > -1e6))
        return -1000000;
    if (value > 1e6)
        return 1000000;
    return static_cast<long>(std::trunc(value));
}

} // namespace

VxStatus FlatEvaluator::finishSlice(short type, std::size_t from, std::uint32_t length,
                                    std::size_t mark, FlatEvalItem* out) {
    if (length > FLAT_MAX_STRING_RESULT) {
        addFlatError(FLAT_MSG_STRING_TOO_LONG);
        return VX_ERROR;
    }
    *out = {type, false, from, length};
    collapse(mark, out);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::evalStringOp(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    std::uint8_t op = flatNodeOp(node);
    FlatEvalItem args[3];
    unsigned count = argumentCount(node);
    bool anyNull = false;
    if (count > 3 || (op == FLAT_OP_SUBSTR && count < 2)) {
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    if (evalChildren(node, args, count, &anyNull) != VX_SUCCESS)
        return VX_ERROR;
    if (anyNull) {
        info_.setStackTop(mark);
        pushNull(out);
        return VX_SUCCESS;
    }
    const FlatEvalItem& s = args[0];
    switch (op) {
    case FLAT_OP_CONCAT:
    case FLAT_OP_CONCAT_TRIM:
        return concat(op == FLAT_OP_CONCAT_TRIM, args[0], args[1], mark, out);
    case FLAT_OP_CONTAINS: {
        bool found = args[1].length == 0 ||
                     strFind(bytesOf(s), s.length, bytesOf(args[1]), args[1].length) != nullptr;
        info_.setStackTop(mark);
        return pushBit(found, out);
    }
    case FLAT_OP_RTRIM:
        return finishSlice(s.type, s.offset,
                           static_cast<std::uint32_t>(strRightTrimBlanks(bytesOf(s), s.length)),
                           mark, out);
    case FLAT_OP_LTRIM: {
        std::uint32_t skip = 0;
        while (skip < s.length && bytesOf(s)[skip] == ' ')
            ++skip;
        return finishSlice(s.type, s.offset + skip, s.length - skip, mark, out);
    }
    case FLAT_OP_UPPER:
    case FLAT_OP_LOWER: {
        unsigned char* text = info_.at(s.offset);
        for (std::uint32_t i = 0; i < s.length; ++i)
            text[i] = op == FLAT_OP_UPPER ? vxToUpper(text[i]) : vxToLower(text[i]);
        return finishSlice(s.type, s.offset, s.length, mark, out);
    }
    case FLAT_OP_SUBSTR:
    case FLAT_OP_LEFT:
    case FLAT_OP_RIGHT:
        return substring(args, count, op, mark, out);
    default:
        break;
    }
    double number = 0;
    if (numberOf(s, &number) != VX_SUCCESS)
        return VX_ERROR;
    long n = countOf(number);
    info_.setStackTop(mark);
    if (op == FLAT_OP_CHR) {
        if (n < 1 || n > 255) {
            addFlatError(FLAT_MSG_CHR_RANGE);
            return VX_ERROR;
        }
        unsigned char byte = static_cast<unsigned char>(n);
        return pushBytes(FLAT_TYPE_CHAR, &byte, 1, out);
    }
    // SPACE
    std::uint32_t length = n > 0 ? static_cast<std::uint32_t>(n) : 0;
    if (reserveString(FLAT_TYPE_CHAR, length, out) != VX_SUCCESS)
        return VX_ERROR;
    std::memset(info_.at(out->offset), ' ', length);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::concat(bool trim, const FlatEvalItem& left, const FlatEvalItem& right,
                               std::size_t mark, FlatEvalItem* out) {
    short type = FLAT_TYPE_VARCHAR;
    if (flatIsBinaryType(left.type) && flatIsBinaryType(right.type))
        type = FLAT_TYPE_VARBINARY;
    std::uint32_t total = left.length + right.length;
    FlatEvalItem result;
    if (reserveString(type, total, &result) != VX_SUCCESS)
        return VX_ERROR;
    unsigned char* target = info_.at(result.offset);
    std::uint32_t leftLength = left.length;
    if (trim)
        leftLength = static_cast<std::uint32_t>(strRightTrimBlanks(bytesOf(left), left.length));
    std::memcpy(target, info_.at(left.offset), leftLength);
    std::memcpy(target + leftLength, info_.at(right.offset), right.length);
    std::memset(target + leftLength + right.length, ' ', total - leftLength - right.length);
    *out = result;
    collapse(mark, out);
    return VX_SUCCESS;
}

// SUBSTR(s, start [, count]) takes the characters from position start (from
// 1) on, count of them or to the end; positions outside the string are left
// out. LEFT(s, n) and RIGHT(s, n) take the first and the last n.
VxStatus FlatEvaluator::substring(const FlatEvalItem* args, unsigned count, std::uint8_t op,
                                  std::size_t mark, FlatEvalItem* out) {
    const FlatEvalItem& s = args[0];
    double first = 0;
    double second = 0;
    if (numberOf(args[1], &first) != VX_SUCCESS ||
        (count > 2 && numberOf(args[2], &second) != VX_SUCCESS))
        return VX_ERROR;
    const bool utf8 = info_.isUtf8Text() && flatIsStringType(s.type);
    const char* text = bytesOf(s);
    long length = static_cast<long>(utf8 ? utf8CharCount(text, s.length) : s.length);
    long begin = 0; // 0-based, inclusive, in characters
    long end = 0;   // exclusive
    if (op == FLAT_OP_LEFT) {
        end = countOf(first);
    } else if (op == FLAT_OP_RIGHT) {
        begin = length - countOf(first);
        end = length;
    } else {
        begin = countOf(first) - 1;
        end = count > 2 ? begin + countOf(second) : length;
    }
    if (begin < 0)
        begin = 0;
    if (begin > length)
        begin = length;
    if (end > length)
        end = length;
    if (end < begin)
        end = begin;
    std::size_t from = static_cast<std::size_t>(begin);
    std::size_t to = static_cast<std::size_t>(end);
    if (utf8) {
        from = utf8CharOffset(text, s.length, from);
        to = from +
             utf8CharOffset(text + from, s.length - from, to - static_cast<std::size_t>(begin));
    }
    short type = flatIsStringType(s.type) ? stringType(s.type) : s.type;
    return finishSlice(type, s.offset + from, static_cast<std::uint32_t>(to - from), mark, out);
}

double FlatEvaluator::textLength(const FlatEvalItem& item) {
    if (info_.isUtf8Text() && flatIsStringType(item.type))
        return static_cast<double>(utf8CharCount(bytesOf(item), item.length));
    return item.length;
}
