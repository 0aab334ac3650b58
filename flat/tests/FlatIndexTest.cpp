// Index key parts and ranges: LIKE prefix ranges over an in-memory index
// (escapes, international sort), upper limits of double keys, a range
// without a lower limit over negative keys, ranges over two key parts,
// limits against the range of an integer key, and filter expressions
// that are not logical.
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "flat/FlatDataValue.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatInMemIndex.h"
#include "flat/FlatIndexExpr.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatSharedDesc.h"
#include "flat/FlatSharedField.h"
#include "util/VxError.h"

namespace {

class IndexTest : public ::testing::Test {
protected:
    void SetUp() override { VxErrorKeeper::setErrorList(&errors_); }
    void TearDown() override { VxErrorKeeper::giveUpErrorList(); }

    // An in-memory index over one VARCHAR(10) column holding `names`, the
    // handle of each row its position.
    void buildNames(FlatInMemIndex* index, const std::vector<std::string>& names) {
        auto* key = new FlatInMemIndexKey(index, 0, SQL_VARCHAR, 10, &info_);
        ASSERT_EQ(index->addKey(key), VX_SUCCESS);
        ASSERT_EQ(index->initialize(), VX_SUCCESS);
        for (std::uint32_t row = 0; row < names.size(); ++row) {
            FlatDataValue value;
            ASSERT_EQ(value.setValueCopy(names[row].data(),
                                         static_cast<std::uint32_t>(names[row].size()),
                                         INTERNAL_CHAR),
                      VX_SUCCESS);
            std::vector<unsigned char> native(key->getLength());
            ASSERT_EQ(key->convertValueToNative(&value, native.data()), VX_SUCCESS);
            ASSERT_EQ(index->addRow(native.data(), reinterpret_cast<unsigned char*>(&row)),
                      VX_SUCCESS);
        }
    }

    std::vector<std::string> readLike(FlatInMemIndex* index, const std::vector<std::string>& names,
                                      const char* pattern) {
        FlatDataValue text;
        EXPECT_EQ(text.setValueCopy(pattern, static_cast<std::uint32_t>(std::strlen(pattern)),
                                    INTERNAL_CHAR),
                  VX_SUCCESS);
        FlatIndexRange range(index);
        EXPECT_EQ(range.addBounds()->lower.setValue(FlatLimitOp::LIKE, text), VX_SUCCESS);
        EXPECT_EQ(range.evaluate(false), VX_SUCCESS);
        EXPECT_EQ(index->openRange(&range), VX_SUCCESS);
        std::vector<std::string> out;
        std::vector<unsigned char> key(index->getKeyLength());
        for (;;) {
            std::uint32_t row = 0;
            bool end = true;
            EXPECT_EQ(index->nextInRange(key.data(), reinterpret_cast<unsigned char*>(&row), &end),
                      VX_SUCCESS);
            if (end)
                return out;
            out.push_back(names[row]);
        }
    }

    // The keys of a double key part (of SQL type `sqlType`) that a range
    // with the limits `lower` and `upper` (operator NONE for none) gives
    // when `keys` are read in order from its start key.
    static constexpr FlatLimitOp NONE = static_cast<FlatLimitOp>(0xFF);
    std::vector<double> readDoubles(const std::vector<double>& keys, FlatLimitOp lowerOp,
                                    double lower, FlatLimitOp upperOp, double upper,
                                    short sqlType = SQL_DOUBLE) {
        FlatFileIndex index(nullptr);
        auto* part = new FlatFileIndexKey(&index, 0, sqlType);
        EXPECT_EQ(index.addKey(part), VX_SUCCESS);
        FlatIndexRange range(&index);
        FlatIndexBoundsEntry* bounds = range.addBounds();
        FlatDataValue value;
        if (lowerOp != NONE) {
            EXPECT_EQ(value.setValueCopy(&lower, 8, INTERNAL_DOUBLE), VX_SUCCESS);
            EXPECT_EQ(bounds->lower.setValue(lowerOp, value), VX_SUCCESS);
        }
        if (upperOp != NONE) {
            EXPECT_EQ(value.setValueCopy(&upper, 8, INTERNAL_DOUBLE), VX_SUCCESS);
            EXPECT_EQ(bounds->upper.setValue(upperOp, value), VX_SUCCESS);
        }
        EXPECT_EQ(range.evaluate(false), VX_SUCCESS);
        std::vector<double> out;
        if (range.isEmpty())
            return out;
        EXPECT_EQ(range.generateStartKey(), VX_SUCCESS);
        for (double k : keys) { // in key order
            unsigned char native[8];
            std::memcpy(native, &k, 8);
            if (part->compareNativeToNative(native, range.getStartKey()) < 0)
                continue;
            bool more = true;
            if (range.checkKeySatisfiesBounds(native, &more))
                out.push_back(k);
            else if (!more)
                break;
        }
        return out;
    }

    VxErrorList errors_{nullptr, 1};
    FlatOpStreamGlobalInfo info_;
};

TEST_F(IndexTest, LikePrefixRangeStartsAtThePrefixAndEndsAtTheFirstKeyNotStartingWithIt) {
    const std::vector<std::string> names = {"ABC", "AA",  "B",    "AB", "ABZ",
                                            "AC",  "A_B", "A_Bx", "AxB"};
    FlatInMemIndex index(4);
    buildNames(&index, names);
    EXPECT_EQ(readLike(&index, names, "AB%"), (std::vector<std::string>{"AB", "ABC", "ABZ"}));
    // An escaped wildcard is part of the literal prefix, without its escape.
    EXPECT_EQ(readLike(&index, names, "A\\_B%"), (std::vector<std::string>{"A_B", "A_Bx"}));
    // A pattern starting with a wildcard walks every key and keeps those
    // that match.
    EXPECT_EQ(readLike(&index, names, "%B"), (std::vector<std::string>{"AB", "A_B", "AxB", "B"}));
    auto* key = index.getKey(0);
    std::vector<unsigned char> native(key->getLength());
    FlatDataValue value;
    ASSERT_EQ(value.setValueCopy("A_Bx", 4, INTERNAL_CHAR), VX_SUCCESS);
    ASSERT_EQ(key->convertValueToNative(&value, native.data()), VX_SUCCESS);
    EXPECT_TRUE(key->isNativeLikePattern(native.data(), "A\\_B%"));
    EXPECT_FALSE(key->isNativeLikePattern(native.data(), "A\\_C%"));
}

// An equality seeks its first key: over a tree of several levels every
// duplicate is read, in the order added, and an absent key reads nothing.
TEST_F(IndexTest, EqualRangeReadsEveryDuplicateAndNothingElse) {
    std::vector<std::string> names;
    for (int i = 0; i < 6000; ++i)
        names.push_back("k" + std::to_string(i % 600));
    FlatInMemIndex index(4);
    buildNames(&index, names);
    auto readEqual = [&](const char* text) {
        FlatDataValue value;
        EXPECT_EQ(
            value.setValueCopy(text, static_cast<std::uint32_t>(std::strlen(text)), INTERNAL_CHAR),
            VX_SUCCESS);
        FlatIndexRange range(&index);
        EXPECT_EQ(range.addBounds()->lower.setValue(FlatLimitOp::EQUAL, value), VX_SUCCESS);
        EXPECT_EQ(range.evaluate(false), VX_SUCCESS);
        EXPECT_EQ(index.openRange(&range), VX_SUCCESS);
        std::vector<std::uint32_t> rows;
        std::vector<unsigned char> key(index.getKeyLength());
        for (;;) {
            std::uint32_t row = 0;
            bool end = true;
            EXPECT_EQ(index.nextInRange(key.data(), reinterpret_cast<unsigned char*>(&row), &end),
                      VX_SUCCESS);
            if (end)
                return rows;
            rows.push_back(row);
        }
    };
    std::vector<std::uint32_t> expected;
    for (std::uint32_t row = 123; row < 6000; row += 600)
        expected.push_back(row);
    EXPECT_EQ(readEqual("k123"), expected);
    EXPECT_EQ(readEqual("k0").size(), 10u);
    EXPECT_EQ(readEqual("k599").size(), 10u);
    EXPECT_TRUE(readEqual("k6000").empty());
    EXPECT_TRUE(readEqual("a").empty());
    EXPECT_TRUE(readEqual("z").empty());
}

TEST_F(IndexTest, UnderInternationalSortALikeLimitGivesNoRange) {
    const std::vector<std::string> names = {"b", "AB", "ab", "Ac"};
    info_.setIntlSort(true);
    FlatInMemIndex index(4);
    buildNames(&index, names);
    EXPECT_EQ(readLike(&index, names, "AB%").size(), names.size());
}

TEST_F(IndexTest, DoubleUpperLimitsStopAtOrPastTheirValue) {
    const std::vector<double> keys = {-20, -1.5, 0, 3, 9.99, 10, 10, 11};
    // '< 10' stops at the key 10 itself; without a lower limit the range
    // starts at minus infinity, so negative keys are read too.
    EXPECT_EQ(readDoubles(keys, NONE, 0, FlatLimitOp::LESS, 10),
              (std::vector<double>{-20, -1.5, 0, 3, 9.99}));
    EXPECT_EQ(readDoubles(keys, NONE, 0, FlatLimitOp::LESS_EQUAL, 10),
              (std::vector<double>{-20, -1.5, 0, 3, 9.99, 10, 10}));
    EXPECT_EQ(readDoubles(keys, FlatLimitOp::GREATER_EQUAL, 10, NONE, 0),
              (std::vector<double>{10, 10, 11}));
}

// Two VARCHAR key parts; the first restricted by = 'M' (which serves as
// its upper limit too), the second by `second` when given.
TEST_F(IndexTest, AnEqualFirstPartEndsTheRangeAtTheFirstGreaterKey) {
    FlatInMemIndex index(4);
    auto* first = new FlatInMemIndexKey(&index, 0, SQL_VARCHAR, 4, &info_);
    auto* second = new FlatInMemIndexKey(&index, 1, SQL_VARCHAR, 4, &info_);
    ASSERT_EQ(index.addKey(first), VX_SUCCESS);
    ASSERT_EQ(index.addKey(second), VX_SUCCESS);
    auto keyOf = [&](const char* a, const char* b) {
        std::vector<unsigned char> key(index.getKeyLength());
        FlatDataValue value;
        EXPECT_EQ(value.setValueCopy(a, static_cast<std::uint32_t>(std::strlen(a)), INTERNAL_CHAR),
                  VX_SUCCESS);
        EXPECT_EQ(first->convertValueToNative(&value, key.data()), VX_SUCCESS);
        EXPECT_EQ(value.setValueCopy(b, static_cast<std::uint32_t>(std::strlen(b)), INTERNAL_CHAR),
                  VX_SUCCESS);
        EXPECT_EQ(second->convertValueToNative(&value, key.data() + first->getLength()),
                  VX_SUCCESS);
        return key;
    };
    FlatDataValue m;
    ASSERT_EQ(m.setValueCopy("M", 1, INTERNAL_CHAR), VX_SUCCESS);
    FlatIndexRange range(&index);
    ASSERT_EQ(range.addBounds()->lower.setValue(FlatLimitOp::EQUAL, m), VX_SUCCESS);
    ASSERT_EQ(range.evaluate(false), VX_SUCCESS);
    ASSERT_EQ(range.generateStartKey(), VX_SUCCESS);
    // The start key is M and the lowest second part.
    EXPECT_LT(index.compareFullKeys(range.getStartKey(), keyOf("M", "").data()), 0);
    EXPECT_GT(index.compareFullKeys(range.getStartKey(), keyOf("L", "zz").data()), 0);
    bool more = false;
    EXPECT_FALSE(range.checkKeySatisfiesBounds(keyOf("L", "zz").data(), &more));
    EXPECT_TRUE(more);
    EXPECT_TRUE(range.checkKeySatisfiesBounds(keyOf("M", "a").data(), &more));
    EXPECT_TRUE(range.checkKeySatisfiesBounds(keyOf("M", "zz").data(), &more));
    EXPECT_FALSE(range.checkKeySatisfiesBounds(keyOf("N", "a").data(), &more));
    EXPECT_FALSE(more);
    EXPECT_FALSE(range.checkKeySatisfiesBounds(keyOf("MA", "a").data(), &more));
    EXPECT_FALSE(more);
    // A second key part restricted by > 'b': keys of M before it let the
    // scan go on.
    FlatDataValue b;
    ASSERT_EQ(b.setValueCopy("b", 1, INTERNAL_CHAR), VX_SUCCESS);
    ASSERT_EQ(range.addBounds()->lower.setValue(FlatLimitOp::GREATER, b), VX_SUCCESS);
    ASSERT_EQ(range.evaluate(false), VX_SUCCESS);
    EXPECT_FALSE(range.checkKeySatisfiesBounds(keyOf("M", "a").data(), &more));
    EXPECT_TRUE(more);
    EXPECT_FALSE(range.checkKeySatisfiesBounds(keyOf("M", "b").data(), &more));
    EXPECT_TRUE(more);
    EXPECT_TRUE(range.checkKeySatisfiesBounds(keyOf("M", "c").data(), &more));
    EXPECT_FALSE(range.checkKeySatisfiesBounds(keyOf("N", "c").data(), &more));
    EXPECT_FALSE(more);
    EXPECT_EQ(range.addBounds(), nullptr); // both key parts are restricted
    EXPECT_EQ(range.getDivisor(), 40u);    // = and >
}

// Limits on an INTEGER key whose values are not integers or lie beyond
// the type's range.
TEST_F(IndexTest, LimitsFollowTheKeyTypeOfTheirValue) {
    const std::vector<double> keys = {-5, 1, 2, 3, 2147483647};
    const short integer = SQL_INTEGER;
    // An inexact value: < becomes <=, > becomes >=, = matches nothing.
    EXPECT_EQ(readDoubles(keys, NONE, 0, FlatLimitOp::LESS, 2.5, integer),
              (std::vector<double>{-5, 1, 2}));
    EXPECT_EQ(readDoubles(keys, FlatLimitOp::GREATER, 2.5, NONE, 0, integer),
              (std::vector<double>{3, 2147483647}));
    EXPECT_TRUE(readDoubles(keys, FlatLimitOp::EQUAL, 2.5, NONE, 0, integer).empty());
    // Above the range: < ignored, > and = empty; below: the reverse.
    EXPECT_EQ(readDoubles(keys, NONE, 0, FlatLimitOp::LESS, 1e12, integer), keys);
    EXPECT_TRUE(readDoubles(keys, FlatLimitOp::GREATER_EQUAL, 1e12, NONE, 0, integer).empty());
    EXPECT_TRUE(readDoubles(keys, FlatLimitOp::EQUAL, 1e12, NONE, 0, integer).empty());
    EXPECT_EQ(readDoubles(keys, FlatLimitOp::GREATER, -1e12, FlatLimitOp::LESS, 2, integer),
              (std::vector<double>{-5, 1}));
    EXPECT_TRUE(readDoubles(keys, NONE, 0, FlatLimitOp::LESS_EQUAL, -1e12, integer).empty());
    // A DOUBLE key takes 2.5 as it is.
    EXPECT_EQ(readDoubles({2, 2.5, 3}, NONE, 0, FlatLimitOp::LESS, 2.5), (std::vector<double>{2}));

    FlatFileIndex index(nullptr);
    auto* part = new FlatFileIndexKey(&index, 0, SQL_INTEGER);
    ASSERT_EQ(index.addKey(part), VX_SUCCESS);
    FlatIndexLimit limit;
    FlatDataValue value;
    const double inexact = 2.5;
    ASSERT_EQ(value.setValueCopy(&inexact, 8, INTERNAL_DOUBLE), VX_SUCCESS);
    ASSERT_EQ(limit.setValue(FlatLimitOp::LESS, value), VX_SUCCESS);
    ASSERT_EQ(limit.evaluate(part), VX_SUCCESS);
    EXPECT_EQ(limit.getOp(), FlatLimitOp::LESS_EQUAL);
    EXPECT_EQ(limit.getDeclaredOp(), FlatLimitOp::LESS);
    // NULL empties the range; a text that is no number restricts nothing.
    value.clear();
    value.setStorageType(INTERNAL_DOUBLE);
    value.setNull();
    ASSERT_EQ(limit.setValue(FlatLimitOp::GREATER, value), VX_SUCCESS);
    ASSERT_EQ(limit.evaluate(part), VX_SUCCESS);
    EXPECT_TRUE(limit.isEmpty());
    ASSERT_EQ(value.setValueCopy("x1", 2, INTERNAL_CHAR), VX_SUCCESS);
    ASSERT_EQ(limit.setValue(FlatLimitOp::EQUAL, value), VX_SUCCESS);
    ASSERT_EQ(limit.evaluate(part), VX_SUCCESS);
    EXPECT_TRUE(limit.isIgnored());
    EXPECT_FALSE(limit.isEmpty());
}

TEST_F(IndexTest, AFilterThatIsNotLogicalIsRefusedWith4047) {
    FlatSharedDesc desc(nullptr);
    auto* amount = new FlatSharedField();
    ASSERT_EQ(amount->setName("Amount"), VX_SUCCESS);
    amount->setSqlType(SQL_DOUBLE);
    amount->setPrecision(15);
    ASSERT_EQ(desc.addField(amount), VX_SUCCESS);
    FlatFileIndex index(&desc);
    ASSERT_EQ(index.initialize("ByAmount"), VX_SUCCESS);
    EXPECT_NE(index.addForExpression("Amount * 2"), VX_SUCCESS);
    ASSERT_NE(errors_.getErrorAtPos(0), nullptr);
    EXPECT_EQ(errors_.getErrorAtPos(0)->getNumber(), 4047);
    EXPECT_STREQ(errors_.getErrorAtPos(0)->getErrorText(),
                 "Index filter expression does have logical result.");
    errors_.deleteNodes();
    EXPECT_EQ(index.addForExpression("Amount > 2"), VX_SUCCESS);
    EXPECT_STREQ(index.getFilterText(), "Amount > 2");
    // Key expressions: a column by name or by number, or an expression.
    FlatIndexExpr key;
    ASSERT_EQ(key.compile(&desc, "Amount"), VX_SUCCESS);
    EXPECT_EQ(key.getField(), 0u);
    ASSERT_EQ(key.compile(&desc, std::uint16_t{0}), VX_SUCCESS);
    EXPECT_EQ(key.getField(), 0u);
    EXPECT_EQ(key.getResultType(), SQL_DOUBLE);
    ASSERT_EQ(key.compile(&desc, "Amount * 2"), VX_SUCCESS);
    EXPECT_EQ(key.getField(), FlatIndexExpr::FIELD_NONE);
    EXPECT_GT(key.getLength(), 0u);
    EXPECT_NE(key.compile(&desc, std::uint16_t{1}), VX_SUCCESS);
    EXPECT_NE(key.compile(&desc, "Missing + 1"), VX_SUCCESS);
}

} // namespace
