// FlatEvaluator: date functions and the functions that turn values into
// text (DTOC, DTOS, STR, STRVAL) or dates (CTOD, DATEVAL).
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/BaseErrors.h"
#include "error/FlatErrors.h"
#include "expr/FlatEvaluator.h"
#include "expr/FlatPrefixTree.h"
#include "flat/FlatDate.h"

namespace {

constexpr std::uint32_t STR_DEFAULT_WIDTH = 10;

bool isBlank(double value) {
    return value >= FLAT_BLANK_DATE;
}

// Removes the sign of a negative number that prints as zero ("-0.00").
void dropNegativeZero(char* text) {
    if (text[0] != '-')
        return;
    for (const char* p = text + 1; *p; ++p) {
        if (*p != '0' && *p != '.')
            return;
    }
    std::memmove(text, text + 1, std::strlen(text));
}

} // namespace

VxStatus FlatEvaluator::finishText(const char* text, std::size_t length, std::size_t mark,
                                   FlatEvalItem* out) {
    info_.setStackTop(mark);
    if (reserveString(FLAT_TYPE_CHAR, static_cast<std::uint32_t>(length), out) != VX_SUCCESS)
        return VX_ERROR;
    std::memcpy(info_.at(out->offset), text, length);
    return VX_SUCCESS;
}

VxStatus FlatEvaluator::evalDateOp(const unsigned char* node, FlatEvalItem* out) {
    std::size_t mark = info_.getStackTop();
    std::uint8_t op = flatNodeOp(node);
    unsigned count = 1;
    if (op == FLAT_OP_DTOC || op == FLAT_OP_CTOD || op == FLAT_OP_STR)
        count = flatNodeChildCount(node);
    FlatEvalItem args[3];
    bool anyNull = false;
    if (count < 1 || count > 3) {
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
    switch (op) {
    case FLAT_OP_CTOD:
        return evalCtod(args, count, mark, out);
    case FLAT_OP_DTOC:
        return evalDtoc(args, count, mark, out);
    case FLAT_OP_STR:
        return evalStr(args, count, mark, out);
    case FLAT_OP_STRVAL:
        return evalStrVal(args[0], mark, out);
    default:
        break;
    }
    double day = 0;
    if (dateOf(args[0], &day) != VX_SUCCESS)
        return VX_ERROR;
    unsigned short year = 0;
    unsigned short month = 0;
    unsigned short dayOfMonth = 0;
    JulianToYrMoDy(day, &year, &month, &dayOfMonth);
    switch (op) {
    case FLAT_OP_MONTH:
        return finishNumber(month, mark, out);
    case FLAT_OP_DAY:
        return finishNumber(dayOfMonth, mark, out);
    case FLAT_OP_YEAR:
        return finishNumber(year, mark, out);
    case FLAT_OP_DAYOFWEEK:
        return finishNumber(isBlank(day) ? 0 : flatDayOfWeek(day), mark, out);
    default: { // DTOS
        char text[16];
        if (isBlank(day))
            std::memcpy(text, "        ", 9);
        else
            std::snprintf(text, sizeof text, "%04u%02u%02u", year % 10000u, month, dayOfMonth);
        return finishText(text, 8, mark, out);
    }
    }
}

// CTOD(text [, order [, separator]]): the date parser; a text that does not
// read gives the blank date, which standard semantics turn into NULL.
VxStatus FlatEvaluator::evalCtod(const FlatEvalItem* args, unsigned count, std::size_t mark,
                                 FlatEvalItem* out) {
    double order = FLAT_ORDER_MDY;
    char separator = '/';
    if (count > 1 && numberOf(args[1], &order) != VX_SUCCESS)
        return VX_ERROR;
    if (count > 2 && args[2].length > 0)
        separator = bytesOf(args[2])[0];
    int orderCode = order == 1 ? FLAT_ORDER_DMY : (order == 2 ? FLAT_ORDER_YMD : FLAT_ORDER_MDY);
    double value = FLAT_BLANK_DATE;
    if (flatIsStringType(args[0].type)) {
        if (flatParseDate(bytesOf(args[0]), args[0].length, orderCode, separator, &value) != 0)
            value = FLAT_BLANK_DATE;
    } else if (dateOf(args[0], &value) != VX_SUCCESS) {
        return VX_ERROR;
    }
    info_.setStackTop(mark);
    if (isBlank(value) && info_.isStandardSemantics()) {
        pushNull(out);
        return VX_SUCCESS;
    }
    return pushDouble(FLAT_TYPE_DATE, value, out);
}

// DTOC(date [, format [, separator]]).
VxStatus FlatEvaluator::evalDtoc(const FlatEvalItem* args, unsigned count, std::size_t mark,
                                 FlatEvalItem* out) {
    double day = 0;
    double format = 0;
    unsigned char separator = '/';
    if (dateOf(args[0], &day) != VX_SUCCESS ||
        (count > 1 && numberOf(args[1], &format) != VX_SUCCESS))
        return VX_ERROR;
    if (count > 2 && args[2].length > 0)
        separator = static_cast<unsigned char>(bytesOf(args[2])[0]);
    unsigned short formatCode = 0;
    if (format > 0)
        formatCode = format >= 65535 ? 65535 : static_cast<unsigned short>(format);
    unsigned char text[16];
    std::size_t length = JulianToString(day, formatCode, separator, text);
    return finishText(reinterpret_cast<const char*>(text), length, mark, out);
}

// STR(number [, width [, decimals]]): right-aligned in `width` characters
// (default 10) with `decimals` decimals (default 0); a number too wide
// fills the width with "*". Decimals must be below the width (3949).
VxStatus FlatEvaluator::evalStr(const FlatEvalItem* args, unsigned count, std::size_t mark,
                                FlatEvalItem* out) {
    double value = 0;
    double width = STR_DEFAULT_WIDTH;
    double decimals = 0;
    if (numberOf(args[0], &value) != VX_SUCCESS ||
        (count > 1 && numberOf(args[1], &width) != VX_SUCCESS) ||
        (count > 2 && numberOf(args[2], &decimals) != VX_SUCCESS))
        return VX_ERROR;
    width = std::trunc(width);
    decimals = std::trunc(decimals);
    if (!(decimals >= 0) || !(decimals < width)) {
        addFlatError(FLAT_MSG_INVALID_SCALE);
        return VX_ERROR;
    }
    if (width > FLAT_MAX_STRING_RESULT) {
        addFlatError(FLAT_MSG_STRING_TOO_LONG);
        return VX_ERROR;
    }
    std::uint32_t fieldWidth = static_cast<std::uint32_t>(width);
    char number[FLAT_MAX_STRING_RESULT + 400];
    int written = std::snprintf(number, sizeof number, "%.*f", static_cast<int>(decimals), value);
    dropNegativeZero(number);
    std::size_t length = written < 0 ? sizeof number : std::strlen(number);
    info_.setStackTop(mark);
    if (reserveString(FLAT_TYPE_CHAR, fieldWidth, out) != VX_SUCCESS)
        return VX_ERROR;
    unsigned char* target = info_.at(out->offset);
    if (length > fieldWidth) {
        std::memset(target, '*', fieldWidth);
        return VX_SUCCESS;
    }
    std::memset(target, ' ', fieldWidth - length);
    std::memcpy(target + fieldWidth - length, number, length);
    return VX_SUCCESS;
}

// STRVAL(any): "True" or "False", a number as text (at most 23
// characters), a date as DTOC would write it; a string stays as it is.
VxStatus FlatEvaluator::evalStrVal(const FlatEvalItem& arg, std::size_t mark, FlatEvalItem* out) {
    if (flatIsStringType(arg.type) || flatIsBinaryType(arg.type))
        return finishSlice(arg.type, arg.offset, arg.length, mark, out);
    if (arg.type == FLAT_TYPE_BIT) {
        bool value = *info_.at(arg.offset) != 0;
        return finishText(value ? "True" : "False", value ? 4 : 5, mark, out);
    }
    double value = readDouble(arg);
    char text[32];
    std::size_t length = 0;
    if (flatIsDateType(arg.type)) {
        length = JulianToString(value, 0, '/', reinterpret_cast<unsigned char*>(text));
    } else {
        std::snprintf(text, sizeof text, "%.15g", value);
        length = std::strlen(text);
    }
    return finishText(text, length, mark, out);
}
