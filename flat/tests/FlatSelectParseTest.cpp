// The SELECT parser as data: statement text -> accepted, or the message
// number and SQLSTATE it raises.
#include <gtest/gtest.h>

#include "FlatSelectTestSupport.h"
#include "flat/FlatCursor.h"
#include "flat/FlatTableAccess.h"

namespace {

struct ParseCase {
    const char* sql;
    const char* expected;
    unsigned mode;
};

void runParseCases(const ParseCase* cases, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        SelectFixture f;
        EXPECT_EQ(f.parse(cases[i].sql, cases[i].mode), cases[i].expected) << cases[i].sql;
        if (std::string(cases[i].expected) != "ok") {
            // Nothing of a failed parse remains.
            EXPECT_EQ(f.desc.getNumResultCols(), 0) << cases[i].sql;
            EXPECT_EQ(f.desc.getTableCount(), 0) << cases[i].sql;
        }
    }
}

TEST(FlatSelectParse, StatementStructure) {
    static const ParseCase cases[] = {
        {"SELECT * FROM emp", "ok", 0},
        {"select * from EMP", "ok", 0},
        {"(SELECT * FROM emp)", "ok", 0},
        {"( SELECT id FROM emp WHERE id = 1 ) ;", "ok", 0},
        {"(SELECT * FROM emp", "E:3922/37000", 0},
        {"(SELECT * FROM emp WHERE (id = 1)", "E:3922/37000", 0},
        {"(SELECT * FROM emp) WHERE id = 1", "E:3803/37000", 0},
        {"SELEC * FROM emp", "E:3800/37000", 0},
        {"SELECT * emp", "E:3900/37000", 0},
        {"SELECT (a FROM b) FROM emp", "E:3903/S0022", 0},
        {"SELECT ALL id FROM emp", "ok", 0},
        {"SELECT * FROM", "E:3909/37000", 0},
        {"SELECT * FROM emp;", "ok", 0},
        {"SELECT * FROM emp;;", "ok", 0},
        {"SELECT * FROM emp WHERE id = 1;", "ok", 0},
        {"SELECT * FROM emp WHERE id = 1; WHERE", "E:3803/37000", 0},
        {"SELECT * FROM emp; x", "E:3803/37000", 0},
        {"SELECT * FROM emp e x", "E:3902/37000", 0},
        {"SELECT * FROM emp WHERE id = 1 WHERE id = 2", "E:3804/37000", 0},
        {"SELECT * FROM emp WHERE", "E:3905/37000", 0},
        {"SELECT * FROM emp WHERE ORDER BY id", "E:3905/37000", 0},
        {"SELECT * FROM emp ORDER id", "E:3900/37000", 0},
        {"SELECT * FROM emp GROUP id", "E:3900/37000", 0},
        {"SELECT * FROM emp FOR id", "E:3900/37000", 0},
        {"SELECT * FROM emp FOR UPDATE id", "E:3900/37000", 0},
        {"SELECT * FROM emp HAVING id = 1", "E:3975/37000", 0},
        {"SELECT * FROM emp, dept ON emp.dept = dept.id", "E:3900/37000", 0},
        {"SELECT * FROM emp LEFT dept", "E:3900/37000", 0},
        {"SELECT * FROM emp LEFT JOIN dept", "E:3900/37000", 0},
        {"SELECT * FROM emp LEFT OUTER JOIN dept ON", "E:3905/37000", 0},
        {"SELECT * FROM emp LEFT JOIN dept ON emp.dept = dept.id ON 1 = 1", "E:3900/37000", 0},
        {"SELECT * FROM emp e LEFT JOIN dept d ON LEFT(e.name, 1) = RIGHT(d.name, 1), dept x", "ok",
         0},
        {"SELECT * FROM emp e LEFT JOIN dept d LEFT JOIN dept x ON x.id = d.id ON d.id = e.dept",
         "ok", 0},
        {"SELECT * FROM emp e LEFT JOIN dept d ON d.id = x.id, dept x", "E:3903/S0022", 0},
        {"SELECT * FROM emp WHERE CURRENT OF c1", "E:3862/37000", 0},
        {"SELECT * FROM emp GROUP BY dept", "E:3859/37000", 0x008},
        {"SELECT * FROM emp ORDER BY id", "E:3997/37000", 0x002},
        {"SELECT * FROM emp FOR UPDATE OF id", "E:3997/37000", 0x004},
        {"SELECT * FROM emp UNION SELECT * FROM emp", "E:3859/37000", 0x010},
        {"SELECT * FROM emp WHERE name = 'open", "E:3907/37000", 0},
    };
    runParseCases(cases, sizeof cases / sizeof cases[0]);
}

TEST(FlatSelectParse, NamesAndTables) {
    static const ParseCase cases[] = {
        {"SELECT name FROM emp, dept", "E:3929/S0022", 0},
        {"SELECT emp.name, dept.name FROM emp, dept", "ok", 0},
        {"SELECT e.name, d.name FROM emp e, dept AS d", "ok", 0},
        {"SELECT emp.name FROM emp e", "E:3903/S0022", 0}, // the correlation name hides it
        {"SELECT `e`.`name` FROM emp `e`", "ok", 0},
        {"SELECT x.* FROM emp", "E:3903/S0022", 0},
        {"SELECT e.*, d.id FROM emp e, dept d", "ok", 0},
        {"SELECT nosuch FROM emp", "E:3903/S0022", 0},
        {"SELECT id FROM emp WHERE nosuch = 1", "E:3903/S0022", 0},
        {"SELECT * FROM nosuch", "E:4036/S0002", 0},
        {"SELECT * FROM emp (x = 'a)' , y) e WHERE e.id = 1", "ok", 0},
        {"SELECT * FROM emp (unclosed", "E:3803/37000", 0},
        {"SELECT ? FROM emp", "E:4001/37000", 0},
        {"SELECT id FROM emp WHERE ? = ?", "E:4001/37000", 0},
        {"SELECT id FROM emp WHERE id + 1", "E:3901/37000", 0},
        {"SELECT id FROM emp WHERE name = 1", "E:3924/37000", 0},
        {"SELECT COUNT(*) FROM emp WHERE SUM(id) > 1", "E:3936/37000", 0},
        {"SELECT e.id FROM emp e, dept d WHERE e.dept *= d.id", "ok", 0},
        {"SELECT e.id FROM emp e LEFT JOIN dept d ON e.dept *= d.id", "E:S1C00", 0},
        {"SELECT id FROM emp WHERE SUM(id) > 1", "E:3936/37000", 0},
        {"SELECT id + FROM emp", "E:3931/37000", 0},
        {"SELECT id AS FROM emp", "E:3925/37000", 0},
    };
    for (const ParseCase& c : cases) {
        SelectFixture f;
        std::string outcome = f.parse(c.sql, c.mode);
        if (std::string(c.expected) == "E:S1C00")
            EXPECT_NE(outcome.find("S1C00"), std::string::npos) << c.sql << " " << outcome;
        else
            EXPECT_EQ(outcome, c.expected) << c.sql;
    }
}

TEST(FlatSelectParse, TableReferencesReachTheCursor) {
    SelectFixture f;
    ASSERT_EQ(f.parse("SELECT * FROM data\\emp (a, 'b)') e1, `dept` d"), "ok");
    ASSERT_EQ(f.tables.opened.size(), 2u);
    EXPECT_EQ(f.tables.qualifiers[0], "data");
    EXPECT_EQ(f.tables.opened[0]->options, "a, 'b)'");
    EXPECT_EQ(f.tables.opened[1]->options, "");
    EXPECT_STREQ(f.desc.getTable(1)->getCorrelationName(), "e1");
    EXPECT_STREQ(f.desc.getTable(2)->getCorrelationName(), "d");
    EXPECT_EQ(f.desc.getTable(2)->getTableNumber(), 2);
}

TEST(FlatSelectParse, NestingInClausesIsBounded) {
    SelectFixture f;
    std::string deep =
        "SELECT id FROM emp WHERE " + std::string(26, '(') + "id = 1" + std::string(26, ')');
    EXPECT_EQ(f.parse(deep), "E:3935/37000");
    std::string ok =
        "SELECT id FROM emp WHERE " + std::string(25, '(') + "id = 1" + std::string(25, ')');
    EXPECT_EQ(f.parse(ok), "ok");
    std::string huge = "SELECT id FROM emp WHERE " + std::string(100000, '(') + "id = 1" +
                       std::string(100000, ')');
    EXPECT_EQ(f.parse(huge), "E:3935/37000");
    std::string chain = "SELECT id FROM emp WHERE id = 1";
    for (int i = 0; i < 2000; ++i)
        chain += " OR id = " + std::to_string(i);
    EXPECT_EQ(f.parse(chain), "ok");
    std::string conjuncts = "SELECT id FROM emp WHERE id > 0";
    for (int i = 0; i < 2000; ++i)
        conjuncts += " AND id < " + std::to_string(10 + i);
    EXPECT_EQ(f.parse(conjuncts), "ok");
    EXPECT_EQ(f.rows().size(), 4u);
}

} // namespace
