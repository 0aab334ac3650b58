// Executing SELECTs over in-memory tables: projection and its
// description, joins, three-valued WHERE, parameters, scrolling.
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>

#include <cstring>
#include <string>
#include <vector>

#include "FlatSelectTestSupport.h"
#include "base/BaseOutString.h"
#include "flat/FlatOrdinalResultSet.h"
#include "flat/FlatTableAccess.h"
#include "flat/FlatJoin.h"

namespace {

using Rows = std::vector<std::string>;

Rows query(SelectFixture& f, const std::string& sql, unsigned mode = 0) {
    std::string parsed = f.parse(sql, mode);
    if (parsed != "ok")
        return {parsed};
    return f.rows();
}

TEST(FlatSelectExec, StarAndTableStarListEveryColumn) {
    SelectFixture f;
    EXPECT_EQ(query(f, "SELECT * FROM dept"), (Rows{"10|Sales", "20|Works", "30|Empty"}));
    ASSERT_EQ(f.parse("SELECT d.*, e.name FROM emp e, dept d"), "ok");
    ASSERT_EQ(f.desc.getNumResultCols(), 3);
    FlatColumnInfo info;
    ASSERT_EQ(f.desc.describeColumn(1, &info), VX_SUCCESS);
    EXPECT_STREQ(info.name, "ID");
    EXPECT_STREQ(info.tableName, "DEPT");
    ASSERT_EQ(f.desc.describeColumn(3, &info), VX_SUCCESS);
    EXPECT_STREQ(info.name, "NAME");
    EXPECT_STREQ(info.tableName, "EMP");
    ASSERT_EQ(f.parse("SELECT * FROM emp, dept"), "ok");
    EXPECT_EQ(f.desc.getNumResultCols(), 8);
    EXPECT_EQ(f.desc.describeColumn(9, &info), VX_ERROR);
}

TEST(FlatSelectExec, ColumnDescriptions) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id, name AS who, salary * 2, hired, name + '!' tag, id > 1, "
                      "{01/02/2000} FROM emp"),
              "ok");
    struct Expected {
        const char* name;
        const char* label;
        short sqlType;
        std::uint32_t precision;
        short nullable;
        SQLLEN display;
    };
    const Expected expected[] = {
        {"ID", "ID", SQL_INTEGER, 10, SQL_NO_NULLS, 11},
        {"who", "who", SQL_VARCHAR, 20, SQL_NULLABLE, 20},
        {"salary * 2", "salary * 2", SQL_DOUBLE, 15, SQL_NULLABLE, 22},
        {"HIRED", "HIRED", SQL_DATE, 10, SQL_NULLABLE, 10},
        {"tag", "tag", SQL_VARCHAR, 21, SQL_NULLABLE, 21},
        {"id > 1", "id > 1", SQL_BIT, 1, SQL_NULLABLE, 1},
        {"{01/02/2000}", "{01/02/2000}", SQL_DATE, 10, SQL_NULLABLE, 10},
    };
    ASSERT_EQ(f.desc.getNumResultCols(), 7);
    for (std::uint16_t i = 0; i < 7; ++i) {
        FlatColumnInfo info;
        ASSERT_EQ(f.desc.describeColumn(i + 1, &info), VX_SUCCESS);
        EXPECT_STREQ(info.name, expected[i].name) << i;
        EXPECT_STREQ(info.label, expected[i].label) << i;
        EXPECT_EQ(info.sqlType, expected[i].sqlType) << i;
        EXPECT_EQ(info.precision, expected[i].precision) << i;
        EXPECT_EQ(info.nullable, expected[i].nullable) << i;
        EXPECT_EQ(info.displaySize, expected[i].display) << i;
    }
    EXPECT_EQ(f.rows()[0], "1|Ann|10000|1990-05-01|Ann!|0|2000-01-02");
}

TEST(FlatSelectExec, PlainColumnsKeepTheirStoredForm) {
    SelectFixture f;
    // A plain column passes the cursor's value through (no detour through
    // a double), an expression computes.
    EXPECT_EQ(query(f, "SELECT id, (id), boss FROM emp WHERE id = 1"), (Rows{"1|1|NULL"}));
}

TEST(FlatSelectExec, WhereInThreeValuedLogic) {
    SelectFixture f;
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE boss IS NULL"), (Rows{"1"}));
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE boss <> 1"), (Rows{"4"}));
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE NOT (boss = 1)"), (Rows{"4"}));
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE boss = 1 OR id = 1"), (Rows{"1", "2", "3"}));
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE NOT (boss = 1 AND id = 9)"),
              (Rows{"1", "2", "3", "4"})); // NULL AND false is false
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE salary BETWEEN 3000 AND 3500"), (Rows{"2", "3"}));
    EXPECT_EQ(query(f, "SELECT name FROM emp WHERE name LIKE '_o%' OR dept IN (99, 10)"),
              (Rows{"Ann", "Bob", "Cid"}));
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE hired > {01/01/1995}"), (Rows{"2", "3"}));
    EXPECT_EQ(query(f, "SELECT id FROM emp WHERE 1 = 0"), (Rows{}));
}

TEST(FlatSelectExec, JoinsOfTheFromList) {
    SelectFixture f;
    EXPECT_EQ(query(f, "SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id"),
              (Rows{"Ann|Sales", "Bob|Works", "Cid|Sales"}));
    EXPECT_EQ(query(f, "SELECT COUNTER.id FROM dept counter, dept other").size(), 9u);
    // Self-join through correlation names.
    EXPECT_EQ(query(f, "SELECT w.name, b.name FROM emp w, emp b WHERE w.boss = b.id AND "
                       "b.name <> 'Ann'"),
              (Rows{"Dee|Bob"}));
    // Three tables, the middle one empty after its own filter.
    EXPECT_EQ(query(f, "SELECT e.id FROM emp e, dept d, dept x WHERE d.id = 99"), (Rows{}));
}

TEST(FlatSelectExec, LeftOuterJoins) {
    SelectFixture f;
    const std::string join = "SELECT e.name, d.name FROM emp e LEFT JOIN dept d ON e.dept = d.id";
    EXPECT_EQ(query(f, join), (Rows{"Ann|Sales", "Bob|Works", "Cid|Sales", "Dee|NULL"}));
    // WHERE meets the NULL row after the join, not the table before it.
    EXPECT_EQ(query(f, join + " WHERE d.id IS NULL"), (Rows{"Dee|NULL"}));
    EXPECT_EQ(query(f, join + " WHERE d.name <> 'Sales'"), (Rows{"Bob|Works"}));
    EXPECT_EQ(query(f, "SELECT d.name, e.name FROM dept d LEFT OUTER JOIN emp e "
                       "ON e.dept = d.id AND e.salary > 3200"),
              (Rows{"Sales|Ann", "Sales|Cid", "Works|NULL", "Empty|NULL"}));
    EXPECT_EQ(query(f, "SELECT d.name, e.name FROM dept d LEFT JOIN emp e ON 1 = 0"),
              (Rows{"Sales|NULL", "Works|NULL", "Empty|NULL"}));
    // Scrolling returns to NULL-extended rows too.
    ASSERT_EQ(f.parse(join, FLAT_SELECT_RANDOM), "ok");
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    for (SQLULEN row : {4, 1, 4}) {
        ASSERT_EQ(f.desc.getRandomRow(row, &atEnd, 0), VX_SUCCESS);
        ASSERT_EQ(atEnd, 0);
    }
    EXPECT_EQ(f.currentRow(), "Dee|NULL");
    ASSERT_EQ(f.desc.getRandomRow(2, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(f.currentRow(), "Bob|Works");
}

TEST(FlatSelectExec, TermsAreAppliedAsEarlyAsTheirTablesAllow) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT e.name, d.name FROM emp e, dept d "
                      "WHERE e.id = 3 AND d.id > 5 AND e.dept = d.id AND 1 = 1"),
              "ok");
    EXPECT_EQ(f.desc.getTable(1)->getFilter().getCount(), 2u); // e.id = 3, 1 = 1
    EXPECT_EQ(f.desc.getTable(2)->getFilter().getCount(), 1u); // d.id > 5
    EXPECT_EQ(f.rows(), (Rows{"Cid|Sales"}));
    // The inner table is read once per outer row that passed its own filter.
    EXPECT_EQ(f.dept->scans, 1);
}

TEST(FlatSelectExec, ParametersInWhere) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT name FROM emp WHERE id = ? OR name = ?"), "ok");
    EXPECT_EQ(f.desc.getParamCount(), 2);
    EXPECT_EQ(f.desc.getParamType(1), FLAT_TYPE_DOUBLE);
    EXPECT_EQ(f.desc.getParamType(2), FLAT_TYPE_VARCHAR);
    EXPECT_TRUE(f.desc.isParamLegal(2));
    EXPECT_FALSE(f.desc.isParamLegal(3));
    f.params.values[1] = FakeValue::number(2);
    f.params.values[2] = FakeValue::text("Dee");
    EXPECT_EQ(f.rows(), (Rows{"Bob", "Dee"}));
    f.params.values[1] = FakeValue::number(1);
    EXPECT_EQ(f.rows(), (Rows{"Ann", "Dee"})); // re-executed with new values
    f.params.values.erase(2);
    ASSERT_EQ(f.rows().size(), 1u);
    EXPECT_EQ(f.rows()[0], "E:4000/07001");
}

TEST(FlatSelectExec, ScrollingByRowNumber) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id, name FROM emp WHERE id > 1", FLAT_SELECT_RANDOM), "ok");
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    ASSERT_EQ(f.desc.getRandomRow(3, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 0);
    EXPECT_EQ(f.currentRow(), "4|Dee");
    ASSERT_EQ(f.desc.getRandomRow(1, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(f.currentRow(), "2|Bob");
    ASSERT_EQ(f.desc.getNextRecord(&atEnd), VX_SUCCESS);
    EXPECT_EQ(f.currentRow(), "3|Cid");
    ASSERT_EQ(f.desc.getRandomRow(4, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 1);
    ASSERT_EQ(f.desc.getRandomRow(2, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 0);
    EXPECT_EQ(f.currentRow(), "3|Cid");
    // A row deleted since it was stored is reported as missing.
    f.emp->deleted.push_back(2);
    ASSERT_EQ(f.desc.getRandomRow(1, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 1);
}

TEST(FlatSelectExec, ScrollingAJoinReturnsToBothSides) {
    SelectFixture f;
    ASSERT_EQ(
        f.parse("SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id", FLAT_SELECT_RANDOM),
        "ok");
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    for (SQLULEN row : {3, 1, 2}) {
        ASSERT_EQ(f.desc.getRandomRow(row, &atEnd, 0), VX_SUCCESS);
        ASSERT_EQ(atEnd, 0);
    }
    EXPECT_EQ(f.currentRow(), "Bob|Works");
}

TEST(FlatSelectExec, ForwardOnlyResultsStillScroll) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id FROM emp"), "ok");
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    ASSERT_EQ(f.desc.getRandomRow(3, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(f.currentRow(), "3");
    ASSERT_EQ(f.desc.getRandomRow(1, &atEnd, 0), VX_SUCCESS); // read again from the start
    EXPECT_EQ(f.currentRow(), "1");
    EXPECT_EQ(f.emp->scans, 2);
    ASSERT_EQ(f.desc.getRandomRow(9, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 1);
    ASSERT_EQ(f.desc.getRandomRow(4, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 0);
    EXPECT_EQ(f.currentRow(), "4");
}

TEST(FlatSelectExec, ReadAheadWorksInBlocksOfAHundred) {
    SelectFixture f;
    addNumberedTable(f.tables, "BIG", 450);
    ASSERT_EQ(f.parse("SELECT id FROM big", FLAT_SELECT_RANDOM), "ok");
    auto* ordinal = static_cast<FlatOrdinalResultSet*>(f.desc.getRoot());
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    ASSERT_EQ(f.desc.getNextRecord(&atEnd), VX_SUCCESS);
    EXPECT_EQ(ordinal->getStoredCount(), 100u);
    ASSERT_EQ(f.desc.getRandomRow(101, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(ordinal->getStoredCount(), 200u);
    ASSERT_EQ(f.desc.getRandomRow(250, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(ordinal->getStoredCount(), 300u);
    EXPECT_EQ(f.currentRow(), "250");
    ASSERT_EQ(f.desc.getRandomRow(420, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(ordinal->getStoredCount(), 420u);
    ASSERT_EQ(f.desc.getRandomRow(451, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(atEnd, 1);
    EXPECT_TRUE(ordinal->isComplete());
    ASSERT_EQ(f.desc.getRandomRow(7, &atEnd, 0), VX_SUCCESS);
    EXPECT_EQ(f.currentRow(), "7");
}

TEST(FlatSelectExec, RowIdsComeFromTheFirstTablesHandle) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id, ROWID FROM dept WHERE id > 10"), "ok");
    double rowId = -1;
    EXPECT_EQ(f.desc.getRowId(&rowId), VX_ERROR); // no current row yet
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    ASSERT_EQ(f.desc.getNextRecord(&atEnd), VX_SUCCESS);
    ASSERT_EQ(f.desc.getRowId(&rowId), VX_SUCCESS);
    EXPECT_EQ(rowId, 2); // the memory cursor's handle is the record number
    EXPECT_EQ(f.currentRow(), "20|2");
    FlatColumnInfo info;
    ASSERT_EQ(f.desc.describeColumn(2, &info), VX_SUCCESS);
    EXPECT_EQ(info.sqlType, SQL_DECIMAL);
    EXPECT_EQ(info.precision, 10u);
}

TEST(FlatSelectExec, ReExecutionStartsAgain) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id FROM dept", FLAT_SELECT_RANDOM), "ok");
    EXPECT_EQ(f.rows(), (Rows{"10", "20", "30"}));
    ASSERT_EQ(f.desc.setToPreparedState(), VX_SUCCESS);
    EXPECT_EQ(f.rows(), (Rows{"10", "20", "30"}));
}

TEST(FlatSelectExec, GetDataConvertsThroughTheFramework) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT name, salary / 1000, boss FROM emp WHERE id = 1"), "ok");
    ASSERT_EQ(f.desc.execute(), VX_SUCCESS);
    unsigned short atEnd = 0;
    ASSERT_EQ(f.desc.getNextRecord(&atEnd), VX_SUCCESS);
    char text[32];
    SQLLEN length = 0;
    BaseOutString out(text, sizeof text, &length);
    ASSERT_EQ(f.desc.getData(1, SQL_C_CHAR, &out), VX_SUCCESS);
    EXPECT_STREQ(text, "Ann");
    SQLINTEGER number = 0;
    BaseOutString numberOut(&number, sizeof number, &length);
    ASSERT_EQ(f.desc.getData(2, SQL_C_SLONG, &numberOut), VX_SUCCESS);
    EXPECT_EQ(number, 5);
    BaseOutString nullOut(text, sizeof text, &length);
    ASSERT_EQ(f.desc.getData(3, SQL_C_CHAR, &nullOut), VX_SUCCESS);
    EXPECT_EQ(length, SQL_NULL_DATA);
    EXPECT_EQ(f.desc.getData(4, SQL_C_CHAR, &out), VX_ERROR);
}

TEST(FlatSelectExec, PlanListing) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT e.id FROM emp e, dept d WHERE e.id = d.id", FLAT_SELECT_RANDOM),
              "ok");
    char plan[2048];
    f.desc.dump(plan, sizeof plan);
    std::string text(plan);
    EXPECT_EQ(text.rfind("RandomFetch\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("     Projection\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Join:"), std::string::npos);
    EXPECT_NE(text.find("EMP e"), std::string::npos);
    EXPECT_EQ(text.find("Query Cost"), std::string::npos);
    char small[8];
    f.desc.dump(small, sizeof small);
    EXPECT_EQ(std::strlen(small), 7u);
}

TEST(FlatSelectExec, PlanListingOfGroupingAndOrder) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT id, COUNT(*), SUM(DISTINCT id) FROM emp GROUP BY id"
                      " HAVING COUNT(*) > 0 ORDER BY 2 DESC, 1"),
              "ok");
    char plan[4096];
    f.desc.dump(plan, sizeof plan);
    std::string text(plan);
    for (const char* part : {"Order By:\r\n", "Key 1 Desc \r\n", "Key 2 Asc \r\n",
                             "Group By:\r\n", "GBList: 1\r\n", "HavingFilter:\r\n",
                             "Aggregate: COUNT(*)\r\n", "Aggregate: SUM DISTINCT\r\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

// Every line ends with CR LF; a block is its title, its parts indented 3
// further, a rule of 40 dashes at the title's depth, then its children 5
// further.
TEST(FlatSelectExec, PlanListingLayout) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT DISTINCT id FROM emp WHERE id > 1 UNION SELECT id FROM dept"), "ok");
    char plan[4096];
    f.desc.dump(plan, sizeof plan);
    std::string text(plan);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << text;
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    for (const std::string& line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    const std::string rule(40, '-');
    std::vector<std::string> titles;
    std::size_t rules = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::size_t depth = lines[i].find_first_not_of(' ');
        std::string body = lines[i].substr(depth);
        if (body.find_first_not_of('-') == std::string::npos) {
            EXPECT_EQ(body, rule);
            ++rules;
        }
        if (i == 0 || lines[i - 1].find_first_not_of(' ') == std::string::npos ||
            lines[i - 1].substr(lines[i - 1].find_first_not_of(' ')) == rule)
            titles.push_back(std::to_string(depth) + ":" + body);
    }
    EXPECT_EQ(rules, titles.size()) << text;
    EXPECT_EQ(titles,
              (std::vector<std::string>{"0:Projection",
                                        "5:Distinct:", "10:Union:", "15:Distinct:", "20:Projection",
                                        "25:Table Access:", "15:Projection", "20:Table Access:"}))
        << text;
    EXPECT_NE(text.find("\r\n" + std::string(28, ' ') + "WhereFilter:\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Implementation: Table Scan \r\n"), std::string::npos);
}

} // namespace
