// Planner estimates: row counts of filters and grouping, the costs of a
// scan, and execution profiles passed down a join.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FlatSelectTestSupport.h"
#include "flat/FlatFileIndex.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatInMemLookUp.h"
#include "flat/FlatJoin.h"
#include "flat/FlatOptPlan.h"
#include "flat/FlatQueryCost.h"
#include "flat/FlatTableAccess.h"
#include "util/VxError.h"

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
        // Many inner rows per key, served in the table's order.
        {"SELECT d.name, e.name FROM dept d, emp e WHERE d.id = e.dept", true},
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
        // Rows through the index's tree: all of them, or those beyond
        // what memory may hold.
        for (std::size_t limit : {std::size_t{0}, std::size_t{64}}) {
            FlatInMemLookUp::setCopyLimit(limit);
            EXPECT_EQ(rowsOf(c.sql, true, &with), expected) << c.sql << " " << limit;
        }
        FlatInMemLookUp::setCopyLimit(FlatInMemLookUp::COPY_LIMIT);
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

// EMP with a unique key on ID, as a driver that keeps one offers it.
void addEmpKey(SelectFixture& f) {
    auto* index = new FlatFileIndex(&f.emp->desc());
    ASSERT_EQ(index->initialize("EmpKey"), VX_SUCCESS);
    ASSERT_EQ(index->addKey(new FlatFileIndexKey(index, 0, SQL_INTEGER)), VX_SUCCESS);
    index->setFlags(FlatFileIndex::INDEX_UNIQUE | FlatFileIndex::INDEX_PRIMARY);
    ASSERT_EQ(f.emp->desc().addIndex(index), VX_SUCCESS);
}

// The FetchAll cost of EMP's access in `sql`, 0 when it scans; `rows`
// gets the result.
float lookUpCost(const std::string& sql, std::vector<std::string>* rows = nullptr) {
    SelectFixture f;
    addEmpKey(f);
    if (f.parse(sql) != "ok")
        return -1;
    // EMP, or the inner side of a join of DEPT and EMP.
    FlatTableAccess* emp = findOperator<FlatTableAccess>(f.desc.getRoot());
    if (emp && !emp->isNamed("EMP") && !emp->isNamed("E")) {
        FlatJoin* join = findOperator<FlatJoin>(f.desc.getRoot());
        emp = join ? findOperator<FlatTableAccess>(join->getChild(1)) : nullptr;
    }
    if (rows)
        *rows = f.rows();
    return emp && emp->getIndexRange() ? emp->getFetchAllCost() : 0;
}

TEST(FlatQueryCost, AKeyRangeIsReadWhenCheaperThanAScan) {
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id = 2"), 50.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE 2 < id"), 500.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id BETWEEN 2 AND 3"), 250.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id > 1 AND id <= 3"), 250.0f);
    // No term on the key, or none a range can hold: a scan.
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE dept = 10"), 0.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id <> 2"), 0.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id = 1 OR id = 2"), 0.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id + 0 = 2"), 0.0f);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id = dept"), 0.0f);
    // The inner side of a join, read by key for each outer row: cheaper
    // than an in-memory lookup, which would read the whole table once.
    std::vector<std::string> rows;
    EXPECT_FLOAT_EQ(
        lookUpCost("SELECT d.name, e.name FROM dept d, emp e WHERE e.id = d.id - 9 ORDER BY 2",
                   &rows),
        50.0f);
    EXPECT_EQ(rows, (std::vector<std::string>{"Sales|Ann"}));
    setenv("VX_FLAT_NO_INDEX_LOOKUP", "1", 1);
    EXPECT_FLOAT_EQ(lookUpCost("SELECT name FROM emp WHERE id = 2", &rows), 0.0f);
    unsetenv("VX_FLAT_NO_INDEX_LOOKUP");
    EXPECT_EQ(rows, (std::vector<std::string>{"Bob"}));
}

TEST(FlatQueryCost, AnIndexLookUpListsItsRange) {
    SelectFixture f;
    addEmpKey(f);
    ASSERT_EQ(f.parse("SELECT name FROM emp WHERE id >= ? AND id < 4"), "ok");
    char plan[4096];
    f.desc.dump(plan, sizeof plan);
    const std::string block = "        Implementation: Index Lookup \r\n"
                              "        IndexRangeDesc:\r\n"
                              "           IndexDesc:\r\n"
                              "              IndexName: EmpKey\r\n"
                              "              Type: Other\r\n"
                              "              Primary Key: Yes\r\n"
                              "              Unique: Yes\r\n"
                              "              Rowid: No\r\n"
                              "              KeyFields: ID\r\n"
                              "        Range\r\n"
                              "           Bounds:\r\n"
                              "              Lower IndexLimit:\r\n"
                              "                 Operator: >=\r\n"
                              "                 OpStream: PARAMETER 1\r\n"
                              "              Upper IndexLimit:\r\n"
                              "                 Operator: <\r\n"
                              "                 OpStream: NUMBER 4\r\n";
    EXPECT_NE(std::string(plan).find(block), std::string::npos) << plan;
    ASSERT_EQ(f.parse("SELECT name FROM emp WHERE id = 1"), "ok");
    f.desc.dump(plan, sizeof plan);
    EXPECT_NE(std::string(plan).find("                 Operator: =\r\n"
                                     "                 OpStream: NUMBER 1\r\n"
                                     "              Upper IndexLimit: None\r\n"),
              std::string::npos)
        << plan;
}

} // namespace

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The block of the first operator titled `title` at depth `indent`: from
// its title to its rule of dashes.
std::string blockOf(const std::string& text, const std::string& title, unsigned indent) {
    std::string pad(indent, ' ');
    std::size_t at = text.find(pad + title + "\r\n");
    if (at == std::string::npos)
        return "";
    std::size_t end = text.find(pad + std::string(40, '-') + "\r\n", at);
    return end == std::string::npos ? "" : text.substr(at, end - at);
}

// A file listing adds to each block the operator's estimates and profile;
// the memory listing of the same tree shows neither.
TEST(FlatQueryCost, FileListingShowsCostsAndProfiles) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id, name FROM emp"), "ok");
    const std::string path = testing::TempDir() + "flat_plan_listing.txt";
    std::remove(path.c_str());
    {
        FlatOptPlan plan(path.c_str(), false);
        ASSERT_EQ(plan.writeTree(f.desc.getRoot()), VX_SUCCESS);
        ASSERT_EQ(plan.close(), VX_SUCCESS);
    }
    const std::string text = readFile(path);
    const std::string scan = blockOf(text, "Table Access:", 5);
    const std::string in8(8, ' ');
    const std::string in11(11, ' ');
    EXPECT_EQ(scan, "     Table Access:\r\n" + in8 + "EMP\r\n" + in8 +
                        "Implementation: Table Scan \r\n" + in8 + "Query Cost\r\n" + in11 +
                        "Execution Cost: 0\r\n" + in11 + "FetchAll Cost: 600.6\r\n" + in11 +
                        "Reposition Cost: 1\r\n" + in11 + "NumRows: 1001\r\n" + in8 +
                        "ExeProfile\r\n" + in11 + "NumExecution: 1\r\n" + in11 +
                        "NumFetchAll: 1\r\n" + in11 + "NumReposition: 0\r\n" + in8 +
                        "ResultSetColumns:\r\n")
        << text;
    // The projection's columns follow its costs.
    const std::string top = blockOf(text, "Projection", 0);
    EXPECT_NE(top.find("   NumReposition: 0\r\n   ResultSetColumns:\r\n      COL#1 SqlType:"),
              std::string::npos)
        << text;
    EXPECT_NE(top.find("\r\n      COL#2 SqlType:"), std::string::npos) << text;

    char memory[2048];
    f.desc.dump(memory, sizeof memory);
    EXPECT_EQ(std::string(memory).find("Query Cost"), std::string::npos) << memory;
    EXPECT_EQ(std::string(memory).find("ExeProfile"), std::string::npos) << memory;
    EXPECT_NE(std::string(memory).find("ResultSetColumns:"), std::string::npos) << memory;
    std::remove(path.c_str());
}

// Listings appended for troubleshooting follow one another, each headed by
// its statement; a file that cannot be written leaves no error behind.
TEST(FlatQueryCost, AppendedListingsFollowEachOther) {
    const std::string path = testing::TempDir() + "flat_plan_append.txt";
    std::remove(path.c_str());
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT name FROM emp ORDER BY name"), "ok");
    flatAppendPlanListing(path.c_str(), "SELECT name FROM emp ORDER BY name", f.desc.getRoot());
    SelectFixture g;
    ASSERT_EQ(g.parse("SELECT id FROM dept"), "ok");
    flatAppendPlanListing(path.c_str(), "SELECT id FROM dept", g.desc.getRoot());
    const std::string text = readFile(path);
    EXPECT_EQ(text.rfind("SELECT name FROM emp ORDER BY name\r\nOrder By:\r\n", 0), 0u) << text;
    std::size_t second = text.find("\r\nSELECT id FROM dept\r\nProjection\r\n");
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_NE(text.find("DEPT\r\n", second), std::string::npos) << text;
    EXPECT_EQ(text.find("EMP\r\n", second), std::string::npos) << text;

    VxErrorList errors(nullptr, 1);
    VxErrorListScope scope(&errors);
    flatAppendPlanListing("/nonexistent-folder/plan.txt", "SELECT id FROM dept", g.desc.getRoot());
    EXPECT_FALSE(errors.holdsError());
    EXPECT_EQ(errors.getErrorAtPos(0), nullptr);
    std::remove(path.c_str());
}

} // namespace
