// Rows per array fetch from the described select list.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "statement/Or7Field.h"

namespace {

std::unique_ptr<Or7Field> field(short type, std::int32_t size, short precision = 0,
                                short scale = 0) {
    Or7Describe item;
    item.oracleType = type;
    item.size = size;
    item.precision = precision;
    item.scale = scale;
    auto made = std::make_unique<Or7Field>();
    EXPECT_EQ(made->describeFrom(item), VX_SUCCESS);
    return made;
}

unsigned rows(std::int32_t arraySize, const std::vector<std::unique_ptr<Or7Field>>& fields) {
    std::vector<Or7Field*> list;
    for (const auto& f : fields)
        list.push_back(f.get());
    return or7RowsPerFetch(arraySize, list.data(), list.size());
}

TEST(Or7RowsPerFetch, ArraySizeOverRowBytesWithinLimits) {
    std::vector<std::unique_ptr<Or7Field>> fields;
    fields.push_back(field(OR7_TYPE_VARCHAR2, 18));     // 20 bytes a row
    fields.push_back(field(OR7_TYPE_DATE, 7));          // 9
    fields.push_back(field(OR7_TYPE_NUMBER, 22, 5, 0)); // 8 characters + 2
    EXPECT_EQ(rows(60000, fields), 60000u / 39u);
    EXPECT_EQ(rows(10, fields), 1u);
    EXPECT_EQ(rows(0x7FFFFFFF, fields), 32767u);
    // A VARCHAR2 of size 0 gets 128 bytes.
    fields.push_back(field(OR7_TYPE_VARCHAR2, 0));
    EXPECT_EQ(rows(60000, fields), 60000u / (39u + 130u));
}

TEST(Or7RowsPerFetch, LongColumnForcesOneRow) {
    std::vector<std::unique_ptr<Or7Field>> fields;
    fields.push_back(field(OR7_TYPE_NUMBER, 22, 5, 0));
    fields.push_back(field(OR7_TYPE_LONG_RAW, 0));
    EXPECT_EQ(rows(0x7FFFFFFF, fields), 1u);
}

TEST(Or7RowsPerFetch, NumberTextHoldsEveryDigitSignAndPoint) {
    EXPECT_EQ(field(OR7_TYPE_NUMBER, 22, 10, 2)->getBufferLength(), 13); // -12345678.91
    EXPECT_EQ(field(OR7_TYPE_NUMBER, 22, 3, 5)->getBufferLength(), 8);   // -0.00123
    EXPECT_EQ(field(OR7_TYPE_NUMBER, 22, 5, -2)->getBufferLength(), 10); // -1234500
    EXPECT_EQ(field(OR7_TYPE_NUMBER, 22, 38, 0)->getBufferLength(), 41);
    EXPECT_EQ(field(OR7_TYPE_NUMBER, 22, 0, 0)->getSqlType(), SQL_DOUBLE);
    EXPECT_EQ(field(OR7_TYPE_NUMBER, 22, 126, -127)->getSqlType(), SQL_DOUBLE);
}

} // namespace

#include "statement/Or7Value.h"

namespace {

int exponentOf(const char* text) {
    int exponent = 999;
    return or7DecimalExponent(text, std::strlen(text), &exponent) ? exponent : 999;
}

TEST(Or7DecimalExponent, PlainAndExponentNotation) {
    EXPECT_EQ(exponentOf("123.4"), 2);
    EXPECT_EQ(exponentOf("-0.00123"), -3);
    EXPECT_EQ(exponentOf("7"), 0);
    EXPECT_EQ(exponentOf("0.5E-129"), -130);
    EXPECT_EQ(exponentOf("12E124"), 125);
    EXPECT_EQ(exponentOf("-0.000"), 999);
}

} // namespace
