// The tests that decide a guessed column's type from its values.
#pragma once

#include <cstddef>

// Number: an optional leading "+" or "-", then digits with at most one
// "."; at least one digit. *integerWidth is the count of characters other
// than those after the point (sign and point included), *scale the count
// after the point.
bool txtLooksLikeNumber(const char* text, std::size_t length, std::size_t* integerWidth,
                        std::size_t* scale);

// Orders in which a text can be a date.
enum TxtDateOrder : unsigned {
    TXT_ORDER_YMD = 1,
    TXT_ORDER_MDY = 2,
    TXT_ORDER_DMY = 4,
};

// How a text reads as a date: 6 to 10 characters of three digit groups
// separated by single characters, the first group of 1, 2 or 4 digits, the
// second of 1 or 2, the third of 1, 2 or 4; the year group must have 2 or 4
// digits, months lie in 1-12 and days from 1 to the days of their month.
// A first group of 32 or more reads year-month-day only. Returns the
// possible orders (0: not a date) and the year's digit count in *yearDigits.
unsigned txtDateOrders(const char* text, std::size_t length, unsigned* yearDigits);

// The mask text for one order: "yyyy/m/d", "yy/m/d", "m/d/yyyy", "m/d/yy",
// "d/m/yyyy" or "d/m/yy".
const char* txtDateMaskText(unsigned order, unsigned yearDigits);

// Chooses one order of several: a single one is itself; month-first and
// day-first together follow `dateSetting` (the "iDate" setting: 0 month
// first, 1 day first, 2 year first). Year-first wins whenever it is possible
// and the setting asks for it. 0 when `orders` is 0.
unsigned txtChooseDateOrder(unsigned orders, unsigned dateSetting);
