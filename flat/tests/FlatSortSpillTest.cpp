// Sorts larger than their memory: ORDER BY and DISTINCT limited to two
// 64 KiB sort buffers spill to temporary files and merge, and give the
// rows the unlimited sort gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "FlatSelectTestSupport.h"
#include "flat/FlatGroupBy.h"
#include "flat/FlatOrderBy.h"
#include "flat/FlatResultSet.h"

namespace {

// The sort operator at the top of the parsed tree, below any scrolling.
FlatOrderBy* topSort(SelectFixture& f) {
    for (FlatResultSet* node = f.desc.getRoot(); node; node = node->getChild(0))
        if (auto* sort = dynamic_cast<FlatOrderBy*>(node))
            return sort;
    return nullptr;
}

FlatGroupBy* groupOf(SelectFixture& f) {
    for (FlatResultSet* node = f.desc.getRoot(); node; node = node->getChild(0))
        if (auto* group = dynamic_cast<FlatGroupBy*>(node))
            return group;
    return nullptr;
}

std::vector<std::string> sortedRows(const std::string& sql, bool limited, bool* spilled) {
    SelectFixture f;
    addNumberedTable(f.tables, "big", 20000);
    addNumberedTable(f.tables, "small", 3);
    EXPECT_EQ(f.parse(sql), "ok");
    FlatOrderBy* sort = topSort(f);
    EXPECT_NE(sort, nullptr);
    if (!sort)
        return {};
    // The group operator's sort is limited alike.
    if (limited)
        sort->setMaxSortBuffers(2);
    FlatGroupBy* group = groupOf(f);
    if (group && limited)
        group->setMaxSortBuffers(2);
    std::vector<std::string> rows = f.rows();
    *spilled = sort->hasSpilled() && (!group || group->hasSpilled());
    return rows;
}

TEST(FlatSortSpill, SpilledSortsGiveTheSameRows) {
    const char* const queries[] = {
        "SELECT name, id FROM big ORDER BY name DESC, id",
        "SELECT DISTINCT b.name FROM big b, small s WHERE b.id > s.id",
        "SELECT b.id, s.id FROM big b, small s WHERE b.id < 9000 ORDER BY 2 DESC, b.name",
        "SELECT b.name, COUNT(*), SUM(s.id), COUNT(DISTINCT s.id) FROM big b, small s "
        "WHERE b.id >= s.id GROUP BY b.name ORDER BY b.name",
        // Grouped in memory when unlimited, sorted and spilled when not.
        "SELECT b.name, COUNT(*), SUM(s.id), MIN(b.id) FROM big b, small s "
        "WHERE b.id >= s.id GROUP BY b.name HAVING COUNT(*) > 1 ORDER BY 2, 1 DESC",
        "SELECT DISTINCT b.id - b.id / 2 FROM big b",
    };
    for (const char* sql : queries) {
        bool spilled = false;
        std::vector<std::string> inMemory = sortedRows(sql, false, &spilled);
        EXPECT_FALSE(spilled) << sql;
        std::vector<std::string> merged = sortedRows(sql, true, &spilled);
        EXPECT_TRUE(spilled) << sql;
        EXPECT_EQ(merged, inMemory) << sql;
        ASSERT_GT(inMemory.size(), 2u) << sql;
    }
    // Spot checks of the order itself.
    bool spilled = false;
    std::vector<std::string> rows = sortedRows(queries[0], true, &spilled);
    ASSERT_EQ(rows.size(), 20000u);
    EXPECT_EQ(rows.front(), "n9999|9999");
    EXPECT_EQ(rows.back(), "n1|1");
    rows = sortedRows(queries[1], true, &spilled);
    EXPECT_EQ(rows.size(), 19999u); // n1 has no smaller id to pass the join
}

} // namespace

namespace {

// A sort record (keys and the child's handle) may take 65536 bytes; one
// byte more is refused with 3951 when the sort starts. The key of a
// column is as wide as the column.
TEST(FlatSortSpill, RecordsUpToTheLimitSort) {
    SelectFixture probe;
    addNumberedTable(probe.tables, "big", 3);
    ASSERT_EQ(probe.parse("SELECT id FROM big ORDER BY name"), "ok");
    FlatOrderBy* sort = topSort(probe);
    ASSERT_NE(sort, nullptr);
    unsigned handle = sort->getChild()->getRowHandleSize();
    std::uint32_t fits = 65536 - FLAT_SORT_KEY_HEADER - handle;
    for (std::uint32_t width : {fits, fits + 1}) {
        SelectFixture f;
        FlatMemoryTable& wide = f.tables.add("wide", {{"W", SQL_VARCHAR, width, 0, SQL_NULLABLE}});
        wide.addRow({FakeValue::text("b")});
        wide.addRow({FakeValue::text("a")});
        ASSERT_EQ(f.parse("SELECT w FROM wide ORDER BY w"), "ok");
        std::vector<std::string> rows = f.rows();
        if (width == fits)
            EXPECT_EQ(rows, (std::vector<std::string>{"a", "b"}));
        else {
            EXPECT_EQ(rows, std::vector<std::string>{"E:3951/S1000"});
            // Fetching on after the failed sort fails again rather than
            // handing out the unsorted rows.
            unsigned short atEnd = 0;
            EXPECT_EQ(f.desc.getNextRecord(&atEnd), VX_ERROR);
        }
    }
}

} // namespace

namespace {

// Sort keys compare as the expressions do: CHAR values without their
// trailing blanks, VARCHAR values as they are; NULL first.
TEST(FlatSortSpill, KeysCompareAsExpressions) {
    SelectFixture f;
    FlatMemoryTable& t = f.tables.add(
        "t", {{"C", SQL_CHAR, 4, 0, SQL_NULLABLE}, {"V", SQL_VARCHAR, 4, 0, SQL_NULLABLE}});
    t.addRow({FakeValue::text("b ", SQL_CHAR), FakeValue::text("b ")});
    t.addRow({FakeValue::text("b", SQL_CHAR), FakeValue::text("b")});
    t.addRow({FakeValue::text("a", SQL_CHAR), FakeValue::text("a")});
    t.addRow({FakeValue::nullOf(SQL_CHAR), FakeValue::nullOf(SQL_VARCHAR)});
    ASSERT_EQ(f.parse("SELECT DISTINCT c FROM t ORDER BY 1 DESC"), "ok");
    std::vector<std::string> rows = f.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], "NULL");
    ASSERT_EQ(f.parse("SELECT DISTINCT v FROM t ORDER BY 1"), "ok");
    EXPECT_EQ(f.rows(), (std::vector<std::string>{"NULL", "a", "b", "b "}));
    ASSERT_EQ(f.parse("SELECT c, COUNT(*) FROM t GROUP BY c ORDER BY 2 DESC"), "ok");
    rows = f.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(rows[0].size() - 2), "|2");
}

} // namespace

namespace {

// Values longer than their column's declared width (as a guessed width can
// be) sort, group and come back whole, in memory and spilled alike: the
// keys hold them outside the sort records.
TEST(FlatSortSpill, ValuesLongerThanTheirWidthStayWhole) {
    const std::string prefix = "a value longer than its width, number ";
    const char* const queries[] = {
        "SELECT v, COUNT(*) FROM t GROUP BY v ORDER BY v DESC",
        "SELECT DISTINCT v FROM t ORDER BY 1",
        "SELECT MIN(v), MAX(v), COUNT(DISTINCT v) FROM t",
    };
    for (bool limited : {false, true}) {
        SelectFixture f;
        FlatMemoryTable& t = f.tables.add("t", {{"V", SQL_VARCHAR, 4, 0, SQL_NULLABLE}});
        for (int i = 0; i < 20000; ++i) {
            char number[8];
            std::snprintf(number, sizeof number, "%04d", (i * 7) % 5000);
            t.addRow({FakeValue::text(prefix + number)});
        }
        for (const char* sql : queries) {
            ASSERT_EQ(f.parse(sql), "ok") << sql;
            if (limited) {
                if (FlatOrderBy* sort = topSort(f))
                    sort->setMaxSortBuffers(2);
                if (FlatGroupBy* group = groupOf(f))
                    group->setMaxSortBuffers(2);
            }
            std::vector<std::string> rows = f.rows();
            if (limited && sql == queries[0]) {
                EXPECT_TRUE(groupOf(f) && groupOf(f)->hasSpilled()) << "grouped through the sort";
            }
            if (sql == queries[2]) {
                EXPECT_EQ(rows, std::vector<std::string>{prefix + "0000|" + prefix + "4999|5000"})
                    << limited;
                continue;
            }
            ASSERT_EQ(rows.size(), 5000u) << sql << limited;
            bool grouped = sql == queries[0];
            EXPECT_EQ(rows.front(), prefix + (grouped ? "4999|4" : "0000")) << sql << limited;
            EXPECT_EQ(rows.back(), prefix + (grouped ? "0000|4" : "4999")) << sql << limited;
        }
    }
}

} // namespace
