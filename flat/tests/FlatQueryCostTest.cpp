// Planner estimates: row counts of filters and grouping, the costs of a
// scan, and execution profiles passed down a join.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FlatSelectTestSupport.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatInMemLookUp.h"
#include "flat/FlatJoin.h"
#include "flat/FlatQueryCost.h"
#include "flat/FlatTableAccess.h"

namespace {

// The first operator of type T in the tree below `op`, depth first.
template <typename T> T* findOperator(FlatResultSet* op) {
    if (auto* found = dynamic_cast<T*>(op))
        return found;
    for (std::uint16_t i = 0; i < op->getChildCount(); ++i)
        if (T* found = findOperator<T>(op->getChild(i)))
            return found;
    return nullptr;
}

// Estimated rows of the first table access of `sql` (tables estimate 1001
// rows: the memory tables give no estimate of their own).
std::uint32_t tableRows(const std::string& sql) {
    SelectFixture f;
    if (f.parse(sql) != "ok")
        return 0;
    FlatTableAccess* table = findOperator<FlatTableAccess>(f.desc.getRoot());
    return table ? table->getNumRows() : 0;
}

TEST(FlatQueryCost, FilterDivisorsGiveTheRowEstimates) {
    EXPECT_EQ(tableRows("SELECT * FROM emp"), 1001u);
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE id = 1 AND dept > 2"), 25u);
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE id = 1 OR dept = 2"), 100u);
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE name LIKE 'A%'"), 100u);
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE id BETWEEN 1 AND 3"), 250u);
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE id <> 1"), 1001u);
    // Three equalities in an OR: about a third of one's selectivity.
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE id = 1 OR id = 2 OR id = 3"), 166u);
    // Never below one row.
    EXPECT_EQ(tableRows("SELECT * FROM emp WHERE id = 1 AND dept = 2 AND boss = 3"), 1u);
}

TEST(FlatQueryCost, DivisorArithmetic) {
    std::uint32_t two[] = {20, 20};
    EXPECT_EQ(flatOrDivisor(two, 2), 10u);
    std::uint32_t weak[] = {1, 1};
    EXPECT_EQ(flatOrDivisor(weak, 2), 2u); // at least 2 after each step
    std::uint32_t zero[] = {0};
    EXPECT_EQ(flatOrDivisor(zero, 1), 2u);
    EXPECT_EQ(flatAndDivisor(0, 20), 20u);
    EXPECT_EQ(flatAndDivisor(5000, 5000), FLAT_MAX_DIVISOR);
    EXPECT_EQ(flatDividedRows(1001, 0), 1001u);
    EXPECT_EQ(flatGroupedRows(5, 3), 5u); // a DISTINCT over 5 rows
    EXPECT_EQ(flatGroupedRows(30, 1), 5u);
}

TEST(FlatQueryCost, GroupingEstimates) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT dept FROM emp GROUP BY dept"), "ok");
    FlatGroupBy* group = findOperator<FlatGroupBy>(f.desc.getRoot());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getNumRows(), 50u);

    std::string keys = "id";
    for (int i = 1; i < 20; ++i)
        keys += ", id + " + std::to_string(i);
    ASSERT_EQ(f.parse("SELECT COUNT(*) FROM emp GROUP BY " + keys), "ok");
    group = findOperator<FlatGroupBy>(f.desc.getRoot());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getGroupKeys().getCount(), 20u);
    EXPECT_EQ(group->getNumRows(), 250u);

    ASSERT_EQ(f.parse("SELECT COUNT(*) FROM emp"), "ok");
    group = findOperator<FlatGroupBy>(f.desc.getRoot());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->getNumRows(), 1u);
}

TEST(FlatQueryCost, ScanCostsAndTotals) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT * FROM emp ORDER BY name"), "ok");
    FlatTableAccess* table = findOperator<FlatTableAccess>(f.desc.getRoot());
    ASSERT_NE(table, nullptr);
    EXPECT_FLOAT_EQ(table->getFetchAllCost(), 600.6f);
    EXPECT_FLOAT_EQ(table->getExecutionCost(), 0.0f);
    EXPECT_FLOAT_EQ(table->getRepositionCost(), 1.0f);
    // The sort reads the scan once, then serves its rows by handle.
    FlatResultSet* root = f.desc.getRoot();
    root->setExeProfile(FlatQueryExeProfile{1, 1, 0});
    EXPECT_EQ(root->getNumRows(), 1001u);
    EXPECT_FLOAT_EQ(root->getExecutionCost(), 600.6f);
    EXPECT_FLOAT_EQ(root->getFetchAllCost(), 1001.0f);
    EXPECT_FLOAT_EQ(root->getTotalCost(), 1601.6f);
    const FlatQueryExeProfile& below = table->getExeProfile();
    EXPECT_EQ(below.numExecution, 1u);
    EXPECT_EQ(below.numFetchAll, 1u);
    EXPECT_EQ(below.numReposition, 1001u);
}

TEST(FlatQueryCost, JoinReadsItsInnerSideOncePerOuterRow) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT * FROM emp e, dept d WHERE e.dept > d.id AND e.id > 1"), "ok");
    FlatJoin* join = findOperator<FlatJoin>(f.desc.getRoot());
    ASSERT_NE(join, nullptr);
    join->setExeProfile(FlatQueryExeProfile{1, 2, 0});
    FlatResultSet* outer = join->getChild(0);
    FlatResultSet* inner = join->getChild(1);
    EXPECT_EQ(outer->getNumRows(), 500u);
    EXPECT_EQ(outer->getExeProfile().numFetchAll, 2u);
    EXPECT_EQ(inner->getExeProfile().numFetchAll, 1000u);
    // 500 x 1001 pairs, the join term keeps one in 2.
    EXPECT_EQ(join->getNumRows(), 250250u);
    EXPECT_FLOAT_EQ(join->getFetchAllCost(), 600.6f + 500 * 600.6f);
}

// Rows of `sql`, in order, with in-memory lookups allowed or not.
std::vector<std::string> rowsOf(const std::string& sql, bool lookUps, bool* used) {
    if (lookUps)
        unsetenv("VX_FLAT_NO_INMEM_LOOKUP");
    else
        setenv("VX_FLAT_NO_INMEM_LOOKUP", "1", 1);
    SelectFixture f;
    std::string parsed = f.parse(sql);
    unsetenv("VX_FLAT_NO_INMEM_LOOKUP");
    if (parsed != "ok")
        return {parsed};
    *used = findOperator<FlatInMemLookUp>(f.desc.getRoot()) != nullptr;
    return f.rows();
}

TEST(FlatQueryCost, InMemoryLookUpsKeepTheResult) {
    struct Case {
        const char* sql;
        bool lookUp;
    } cases[] = {
        {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id ORDER BY 1", true},
        {"SELECT e.name, d.name FROM emp e, dept d WHERE d.id = e.dept AND d.name <> 'Works'",
         true},
        {"SELECT w.name, b.name FROM emp w, emp b WHERE w.boss = b.id AND b.salary > w.salary",
         true},
        {"SELECT a.name, b.name FROM emp a, emp b WHERE a.name = b.name", true},
        // An expression and a range keep the plain join.
        {"SELECT e.name FROM emp e, dept d WHERE e.dept + 0 = d.id", false},
        {"SELECT e.name, d.name FROM emp e LEFT OUTER JOIN dept d ON e.dept = d.id", true},
        {"SELECT e.name, d.name FROM emp e LEFT OUTER JOIN dept d ON e.dept = d.id "
         "AND d.name <> 'Sales' WHERE d.name IS NULL OR e.id > 2",
         true},
        {"SELECT a.name, b.name, c.name FROM emp a LEFT OUTER JOIN emp b ON b.id = a.boss "
         "LEFT OUTER JOIN emp c ON c.id = b.boss",
         true},
        {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept > d.id", false},
    };
    for (const Case& c : cases) {
        bool with = false;
        bool without = true;
        std::vector<std::string> expected = rowsOf(c.sql, false, &without);
        EXPECT_FALSE(without) << c.sql;
        EXPECT_EQ(rowsOf(c.sql, true, &with), expected) << c.sql;
        EXPECT_EQ(with, c.lookUp) << c.sql;
    }
    // The lookup is cheaper than reading the inner table per outer row.
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT * FROM emp e, dept d WHERE e.dept = d.id"), "ok");
    FlatInMemLookUp* lookUp = findOperator<FlatInMemLookUp>(f.desc.getRoot());
    ASSERT_NE(lookUp, nullptr);
    EXPECT_EQ(lookUp->getExeProfile().numFetchAll, 1001u);
    EXPECT_FLOAT_EQ(lookUp->getExecutionCost(), 600.6f);
    EXPECT_FLOAT_EQ(lookUp->getFetchAllCost(), 50.0f);
    EXPECT_FLOAT_EQ(lookUp->getTotalCost(), 600.6f + 1001 * 50.0f);
    char plan[2048];
    f.desc.dump(plan, sizeof plan);
    EXPECT_NE(std::string(plan).find("     In Mem Index:\r\n"), std::string::npos) << plan;
}

} // namespace
