// Template part of FlatTestSupport.h.
#include <gtest/gtest.h>

template <typename Setup> void runCases(const ExprCase* cases, std::size_t count, Setup setup) {
    for (std::size_t i = 0; i < count; ++i) {
        ExprFixture fixture;
        setup(fixture);
        EvalOutcome outcome = fixture.run(cases[i].notation);
        EXPECT_TRUE(outcomeMatches(outcome, cases[i].expected))
            << cases[i].notation << "  gave " << outcome.describe() << ", expected "
            << cases[i].expected;
    }
}

inline void runCases(const ExprCase* cases, std::size_t count) {
    runCases(cases, count, [](ExprFixture&) {});
}
