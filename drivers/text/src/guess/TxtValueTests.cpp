#include "guess/TxtValueTests.h"

#include "mask/TxtCalendar.h"
#include "util/str.h"

bool txtLooksLikeNumber(const char* text, std::size_t length, std::size_t* integerWidth,
                        std::size_t* scale) {
    std::size_t i = 0;
    if (length > 0 && (text[0] == '+' || text[0] == '-'))
        ++i;
    std::size_t point = length;
    std::size_t digits = 0;
    for (; i < length; ++i) {
        if (text[i] == '.' && point == length)
            point = i;
        else if (vxIsDigit(text[i]))
            ++digits;
        else
            return false;
    }
    if (digits == 0)
        return false;
    *scale = point == length ? 0 : length - point - 1;
    *integerWidth = length - *scale;
    return true;
}

namespace {

// The year a group of digits stands for: a two-digit year is 19yy.
long yearOf(unsigned long value, unsigned digits) {
    return digits == 2 ? 1900 + static_cast<long>(value) : static_cast<long>(value);
}

bool isDay(unsigned long day, unsigned long month, long year) {
    return day >= 1 && month >= 1 && month <= 12 &&
           day <= txtDaysInMonth(year, static_cast<unsigned>(month));
}

} // namespace

unsigned txtDateOrders(const char* text, std::size_t length, unsigned* yearDigits) {
    if (length < 6 || length > 10)
        return 0;
    unsigned long values[3] = {0, 0, 0};
    unsigned digits[3] = {0, 0, 0};
    std::size_t i = 0;
    for (int group = 0; group < 3; ++group) {
        if (group > 0) {
            // A colon separates the parts of a time: 10:11:12 is no date.
            if (i >= length || vxIsDigit(text[i]) || text[i] == ':')
                return 0;
            ++i; // the separator
        }
        for (; i < length && vxIsDigit(text[i]); ++i) {
            values[group] = values[group] * 10 + static_cast<unsigned long>(text[i] - '0');
            ++digits[group];
        }
    }
    if (i != length || digits[0] == 3 || digits[0] == 0 || digits[0] > 4 || digits[1] == 0 ||
        digits[1] > 2 || digits[2] == 0 || digits[2] == 3 || digits[2] > 4)
        return 0;
    unsigned long a = values[0], b = values[1], c = values[2];
    if (a >= 32) {
        if (digits[0] == 1 || !isDay(c, b, yearOf(a, digits[0])))
            return 0;
        *yearDigits = digits[0];
        return TXT_ORDER_YMD;
    }
    if (digits[2] == 1)
        return 0;
    long year = yearOf(c, digits[2]);
    unsigned orders = 0;
    if (digits[0] <= 2 && isDay(b, a, year))
        orders |= TXT_ORDER_MDY;
    if (digits[0] <= 2 && isDay(a, b, year))
        orders |= TXT_ORDER_DMY;
    *yearDigits = digits[2];
    return orders;
}

const char* txtDateMaskText(unsigned order, unsigned yearDigits) {
    bool four = yearDigits == 4;
    switch (order) {
    case TXT_ORDER_YMD:
        return four ? "yyyy/m/d" : "yy/m/d";
    case TXT_ORDER_DMY:
        return four ? "d/m/yyyy" : "d/m/yy";
    default:
        return four ? "m/d/yyyy" : "m/d/yy";
    }
}

unsigned txtChooseDateOrder(unsigned orders, unsigned dateSetting) {
    if (orders == TXT_ORDER_YMD || orders == TXT_ORDER_MDY || orders == TXT_ORDER_DMY ||
        orders == 0)
        return orders;
    if (dateSetting == 2 && (orders & TXT_ORDER_YMD))
        return TXT_ORDER_YMD;
    if (dateSetting == 1 && (orders & TXT_ORDER_DMY))
        return TXT_ORDER_DMY;
    if (orders & TXT_ORDER_MDY)
        return TXT_ORDER_MDY;
    return orders & TXT_ORDER_DMY ? TXT_ORDER_DMY : TXT_ORDER_YMD;
}
