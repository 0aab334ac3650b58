// Parameter substitution into message texts.
#include <gtest/gtest.h>

#include <string>

#include "util/VxError.h"

namespace {

std::string text(VxParamString& s) {
    return s.getText();
}

TEST(ParamString, CounterIsSharedBetweenTextsAndNumbers) {
    VxParamString s;
    ASSERT_EQ(s.initialize("Error parsing %s2 at offset %n1."), VX_SUCCESS);
    s.setParam(17UL);
    s.setParam("DSN");
    EXPECT_EQ(text(s), "Error parsing DSN at offset 17.");
}

TEST(ParamString, TenthAndLaterPlaceholdersCarryAnX) {
    VxParamString s;
    ASSERT_EQ(s.initialize("%s1|%sx10|%sx11"), VX_SUCCESS);
    for (int i = 1; i <= 11; ++i)
        s.setParam(std::to_string(i).c_str());
    EXPECT_EQ(text(s), "1|10|11");
}

TEST(ParamString, EveryOccurrenceIsFilledAndValuesAreNotRescanned) {
    VxParamString s;
    ASSERT_EQ(s.initialize("%s1 and %s1, then %s2"), VX_SUCCESS);
    s.setParam("<%s2>");
    s.setParam("two");
    EXPECT_EQ(text(s), "<%s2> and <%s2>, then two");

    ASSERT_EQ(s.initialize("%s1"), VX_SUCCESS);
    s.setParam("%s1%s1");
    EXPECT_EQ(text(s), "%s1%s1");
}

TEST(ParamString, MissingPlaceholdersStillUseTheirNumber) {
    VxParamString s;
    ASSERT_EQ(s.initialize("only %n2"), VX_SUCCESS);
    s.setParam("unused");
    s.setParam(-5L);
    EXPECT_EQ(text(s), "only -5");
}

TEST(ParamString, NumbersUseTheFullWidthOfLong) {
    VxParamString s;
    ASSERT_EQ(s.initialize("%n1 %n2"), VX_SUCCESS);
    s.setParam(18446744073709551615UL);
    s.setParam(-9223372036854775807L - 1);
    EXPECT_EQ(text(s), "18446744073709551615 -9223372036854775808");
}

TEST(ParamString, QuotedParameterDoublesInnerQuotes) {
    VxParamString s;
    ASSERT_EQ(s.initialize("name %s1"), VX_SUCCESS);
    s.setQuotedParam("it's", '\'');
    EXPECT_EQ(text(s), "name 'it''s'");
}

TEST(ParamString, TooLongTextFailsAndLaterParamsAreIgnored) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    VxParamString s;
    ASSERT_EQ(s.initialize("%s1 %s2"), VX_SUCCESS);
    std::string big(70000, 'a');
    s.setParam(big.c_str());
    EXPECT_TRUE(s.hasFailed());
    EXPECT_EQ(VxErrorKeeper::getLastErrorNumber(), 2716);
    s.setParam("b");
    EXPECT_EQ(text(s), "%s1 %s2");
    ASSERT_EQ(s.initialize("%s1"), VX_SUCCESS);
    EXPECT_FALSE(s.hasFailed());
}

TEST(ParamString, RecordChainsAfterFailureGoToTheSink) {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);
    VxError* e = new VxError(1, "%s1 %s2", ERROR_TYPE_ERROR);
    VxError& added = VxErrorKeeper::addError(e);
    std::string big(70000, 'a');
    VxError& after = added << big.c_str();
    EXPECT_TRUE(after.isSink());
    EXPECT_STREQ(e->getErrorText(), "%s1 %s2");
}

} // namespace
