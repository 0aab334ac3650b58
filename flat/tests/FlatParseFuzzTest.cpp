// The SELECT parser and expression compiler on random input: token
// sequences drawn from the grammar's vocabulary and mutations of valid
// queries. A text either fails with an error record that carries a
// SQLSTATE, or prepares; a prepared query executes and fetches every row,
// or fails the same clean way.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "FlatConnTestSupport.h"
#include "FlatSelectTestSupport.h"
#include "base/BaseEscapeProcessor.h"
#include "base/BaseSqlString.h"
#include "flat/FlatConnection.h"

namespace {

// clang-format off
const char* const VOCABULARY[] = {
    // keywords
    "SELECT", "DISTINCT", "ALL", "FROM", "WHERE", "GROUP", "BY", "HAVING", "ORDER", "ASC", "DESC",
    "UNION", "FOR", "UPDATE", "OF", "CURRENT", "AS", "LEFT", "RIGHT", "OUTER", "JOIN", "ON", "AND",
    "OR", "NOT", "IS", "NULL", "LIKE", "BETWEEN", "IN", "ESCAPE",
    // operators and punctuation
    "+", "-", "*", "/", "**", "^", "=", "<>", "!=", "#", "<", "<=", ">", ">=", "!<", "!>", "*=",
    "=*", "(", ")", ",", ".", ";", "?", "{", "}",
    // literals
    "0", "1", "-1", "2.5", "1e308", "1e-308", "99999999999", "'Ann'", "''", "'%'", "'_o%'",
    "'it''s'", "\"Ann\"", "'open", "{01/02/2000}", "{d '1995-07-04'}", "{31/31/1999}", "{}",
    "{ts '2000-01-01 10:00:00'}", "#01/02/2000#",
    // names of the tables and their columns
    "emp", "dept", "e", "d", "emp.id", "e.name", "d.id", "dept.name", "id", "name", "salary",
    "hired", "boss", "ROWID", "nosuch", "x.*", "e.*", "`emp`", "\"dept\"",
    // functions
    "RTRIM", "LTRIM", "UPPER", "LOWER", "LEFT(", "RIGHT(", "SUBSTR(", "SPACE(", "CHR(", "LEN(",
    "MOD(", "INT(", "ROUND(", "POW(", "MAX(", "MIN(", "DATE()", "TODAY()", "CTOD(", "DTOC(",
    "DTOS(", "STR(", "MONTH(", "DAY(", "YEAR(", "DAYOFWEEK(", "NUMVAL(", "STRVAL(", "USERNAME()",
    "TIME()", "IIF(", "COUNT(", "SUM(", "AVG(", "NOSUCHFN(",
};
// clang-format on

constexpr std::size_t VOCABULARY_SIZE = sizeof VOCABULARY / sizeof VOCABULARY[0];

// Valid queries to mutate.
// clang-format off
const char* const SEEDS[] = {
    "SELECT * FROM emp", "SELECT id, name FROM emp WHERE id > 1 ORDER BY name DESC",
    "SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id AND e.salary >= 3000",
    "SELECT e.name, d.name FROM emp e LEFT OUTER JOIN dept d ON e.dept = d.id",
    "SELECT name FROM emp WHERE name LIKE '_o%' OR dept IN (99, 10)",
    "SELECT id FROM emp WHERE salary BETWEEN 3000 AND 3500 OR boss IS NULL",
    "SELECT DISTINCT dept FROM emp",
    "SELECT dept, COUNT(*), SUM(salary), MAX(id) FROM emp GROUP BY dept HAVING COUNT(*) > 1",
    "SELECT UPPER(name), LEFT(name, 2), SUBSTR(name, 2, 1), LEN(name) + 1 FROM emp",
    "SELECT IIF(id > 2, 'big', 'small'), MOD(id, 2), ROUND(salary / 7, 2) FROM emp",
    "SELECT YEAR(hired), DTOC(hired), STR(salary, 10, 2) FROM emp WHERE hired > {01/01/1995}",
    "SELECT id FROM emp WHERE id = ? OR name = ?", "SELECT id FROM emp UNION SELECT id FROM dept",
    "SELECT name FROM emp WHERE dept IN (SELECT id FROM dept WHERE name = 'Sales')",
    "SELECT w.name, b.name FROM emp w, emp b WHERE w.boss = b.id",
    "SELECT id, -salary * 2 + 1 AS x FROM emp WHERE NOT (boss = 1 AND id <> 9)",
};
// clang-format on

// The start of a text, for messages.
std::string shown(const std::string& text) {
    return text.size() <= 200 ? text : text.substr(0, 200) + "...";
}

std::vector<std::string> tokensOf(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(' ', pos);
        if (end == std::string::npos)
            end = text.size();
        if (end > pos)
            tokens.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return tokens;
}

std::string join(const std::vector<std::string>& tokens) {
    std::string text;
    for (const std::string& token : tokens)
        text += (text.empty() ? "" : " ") + token;
    return text;
}

// Random expressions from the expression grammar: operands, operators,
// functions (arity right most of the time), predicates.
struct ExprGenerator {
    std::mt19937& random;

    std::size_t pick(std::size_t n) { return random() % n; }

    std::string operand() {
        static const char* const OPERANDS[] = {
            "id",    "name",         "salary", "hired", "boss", "e.id", "NULL",
            "?",     "'Ann'",        "''",     "0",     "1",    "-7",   "2.5",
            "1e300", "{01/02/2000}", "'%n%'",  "ROWID", "dept",
        };
        return OPERANDS[pick(sizeof OPERANDS / sizeof *OPERANDS)];
    }

    std::string expr(int depth) {
        if (depth <= 0)
            return operand();
        static const char* const BINARY[] = {"+",  "-",  "*",   "/",  "**",   "=",        "<>", "<",
                                             ">=", "!>", "AND", "OR", "LIKE", "NOT LIKE", "#"};
        static const struct {
            const char* name;
            int arity;
        } FUNCTIONS[] = {
            {"RTRIM", 1},  {"LTRIM", 1},  {"UPPER", 1},    {"LOWER", 1}, {"LEFT", 2},
            {"RIGHT", 2},  {"SUBSTR", 3}, {"SPACE", 1},    {"CHR", 1},   {"LEN", 1},
            {"MOD", 2},    {"INT", 1},    {"ROUND", 2},    {"POW", 2},   {"MAX", 2},
            {"MIN", 2},    {"TODAY", 0},  {"CTOD", 2},     {"DTOC", 2},  {"DTOS", 1},
            {"STR", 3},    {"MONTH", 1},  {"DAY", 1},      {"YEAR", 1},  {"DAYOFWEEK", 1},
            {"NUMVAL", 1}, {"STRVAL", 1}, {"USERNAME", 0}, {"TIME", 0},  {"IIF", 3},
        };
        switch (pick(9)) {
        case 0:
        case 1:
            return expr(depth - 1) + " " + BINARY[pick(sizeof BINARY / sizeof *BINARY)] + " " +
                   expr(depth - 1);
        case 2:
            return std::string(pick(2) ? "-" : "NOT ") + expr(depth - 1);
        case 3:
            return "(" + expr(depth - 1) + ")";
        case 4: {
            const auto& function = FUNCTIONS[pick(sizeof FUNCTIONS / sizeof *FUNCTIONS)];
            int arity = pick(5) == 0 ? static_cast<int>(pick(4)) : function.arity;
            std::string call = std::string(function.name) + "(";
            for (int a = 0; a < arity; ++a)
                call += (a ? ", " : "") + expr(depth - 1);
            return call + ")";
        }
        case 5:
            return expr(depth - 1) + (pick(2) ? " IS NULL" : " IS NOT NULL");
        case 6:
            return expr(depth - 1) + (pick(2) ? " BETWEEN " : " NOT BETWEEN ") + expr(depth - 1) +
                   " AND " + expr(depth - 1);
        case 7: {
            std::string list = expr(depth - 1) + (pick(2) ? " IN (" : " NOT IN (");
            std::size_t count = 1 + pick(3);
            for (std::size_t n = 0; n < count; ++n)
                list += (n ? ", " : "") + operand();
            return list + ")";
        }
        default:
            return operand();
        }
    }
};

// A failure's first record names a message and a SQLSTATE.
void expectRecord(const std::string& outcome, const std::string& sql, const char* step) {
    ASSERT_EQ(0u, outcome.rfind("E:", 0)) << step << ": " << shown(sql);
    EXPECT_NE("E:?", outcome) << step << " failed without a record: " << shown(sql);
    // Messages of the foundation (unmatched quotes, string limits) carry
    // no SQLSTATE of their own and are reported as S1000; every other
    // record names one.
    int number = std::atoi(outcome.c_str() + 2);
    if (number == 0 || number >= 3000) {
        EXPECT_NE('/', outcome.back())
            << step << " record without a SQLSTATE: " << outcome << " " << shown(sql);
    }
}

// Prepares `sql` (in scrolling mode now and then) and, when it prepares
// and `execute` holds, executes it and fetches every row. Counts the
// texts that prepared.
struct QueryRunner {
    std::mt19937 random{20261207};
    int prepared = 0;

    void run(SelectFixture& f, const std::string& sql, bool execute = true) {
        unsigned mode = random() % 4 == 0 ? unsigned{FLAT_SELECT_RANDOM} : 0u;
        std::string parsed = f.parse(sql, mode);
        if (parsed != "ok") {
            expectRecord(parsed, sql, "prepare");
            return;
        }
        EXPECT_EQ(nullptr, f.errors.getErrorAtPos(0)) << "prepared with a record: " << shown(sql);
        ++prepared;
        if (!execute)
            return;
        std::vector<std::string> rows = f.rows();
        ASSERT_LE(rows.size(), 64u) << shown(sql);
        if (rows.size() == 1 && rows[0].rfind("E:", 0) == 0) {
            expectRecord(rows[0], sql, "execute");
            return;
        }
        // A value that cannot be computed fails its row with a record.
        for (const std::string& row : rows)
            if (row.rfind("E:", 0) == 0)
                expectRecord(row, sql, "fetch");
        // A second execution gives the same rows.
        if (random() % 8 == 0) {
            EXPECT_EQ(rows, f.rows()) << shown(sql);
        }
    }
};

struct FlatParseFuzz : ::testing::Test, QueryRunner {
    SelectFixture& fixture(SelectFixture& f) {
        f.params.values[1] = FakeValue::integer(2);
        f.params.values[2] = FakeValue::text("Ann");
        return f;
    }
};

TEST_F(FlatParseFuzz, RandomTokenSequences) {
    SelectFixture f;
    fixture(f);
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::string> tokens;
        if (random() % 4 != 0)
            tokens.push_back("SELECT");
        std::size_t count = random() % 16;
        for (std::size_t t = 0; t < count; ++t)
            tokens.push_back(VOCABULARY[random() % VOCABULARY_SIZE]);
        // Most texts get a FROM so that the compiler sees names it knows.
        if (random() % 3 != 0) {
            tokens.push_back("FROM");
            tokens.push_back(random() % 2 ? "emp" : "emp e, dept d");
            std::size_t tail = random() % 10;
            for (std::size_t t = 0; t < tail; ++t)
                tokens.push_back(VOCABULARY[random() % VOCABULARY_SIZE]);
        }
        run(f, join(tokens));
        if (HasFatalFailure())
            return;
    }
}

TEST_F(FlatParseFuzz, GeneratedExpressions) {
    SelectFixture f;
    fixture(f);
    ExprGenerator generate{random};
    for (int i = 0; i < 3000; ++i) {
        int depth = 1 + static_cast<int>(random() % 4);
        std::string sql = "SELECT " + generate.expr(depth);
        if (random() % 2)
            sql += ", " + generate.expr(depth);
        sql += random() % 3 ? " FROM emp" : " FROM emp e LEFT OUTER JOIN dept ON e.dept = dept.id";
        if (random() % 2)
            sql += " WHERE " + generate.expr(depth);
        run(f, sql);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(prepared, 300); // enough of them reach execution
}

TEST_F(FlatParseFuzz, MutatedValidQueries) {
    SelectFixture f;
    fixture(f);
    for (int i = 0; i < 3000; ++i) {
        std::vector<std::string> tokens =
            tokensOf(SEEDS[random() % (sizeof SEEDS / sizeof *SEEDS)]);
        int mutations = 1 + static_cast<int>(random() % 3);
        for (int m = 0; m < mutations && !tokens.empty(); ++m) {
            std::size_t at = random() % tokens.size();
            switch (random() % 4) {
            case 0:
                tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(at));
                break;
            case 1:
                tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(at), tokens[at]);
                break;
            case 2:
                std::swap(tokens[at], tokens[random() % tokens.size()]);
                break;
            default:
                tokens[at] = VOCABULARY[random() % VOCABULARY_SIZE];
                break;
            }
        }
        run(f, join(tokens));
        if (HasFatalFailure())
            return;
    }
}

// Functions with every argument count from none to five, arguments of
// every kind.
TEST_F(FlatParseFuzz, FunctionsWithWrongArguments) {
    // clang-format off
    const char* const FUNCTIONS[] = {
        "RTRIM", "TRIM", "LTRIM", "UPPER", "LOWER", "LEFT", "RIGHT", "SUBSTR", "SPACE", "SPACES",
        "CHR", "LEN", "MOD", "INT", "ROUND", "POW", "MAX", "MIN", "DATE", "TODAY", "DATEVAL",
        "CTOD", "DTOC", "DTOS", "STR", "MONTH", "DAY", "YEAR", "DAYOFWEEK", "NUMVAL", "VAL",
        "STRVAL", "USERNAME", "TIME", "IIF", "COUNT", "SUM", "AVG",
    };
    // clang-format on
    // clang-format off
    const char* const ARGUMENTS[] = {
        "id", "name", "salary", "hired", "NULL", "?", "'x'", "''", "-5", "0", "1e10", "300", "-300",
        "2.5", "{01/02/2000}", "id > 1", "*", "'mm/dd/yy'", "name + name", "(SELECT id FROM dept)",
    };
    // clang-format on
    SelectFixture f;
    fixture(f);
    for (int i = 0; i < 2500; ++i) {
        std::string call = FUNCTIONS[random() % (sizeof FUNCTIONS / sizeof *FUNCTIONS)];
        call += "(";
        std::size_t count = random() % 6;
        for (std::size_t a = 0; a < count; ++a)
            call += (a ? ", " : "") +
                    std::string(ARGUMENTS[random() % (sizeof ARGUMENTS / sizeof *ARGUMENTS)]);
        call += ")";
        std::string sql = random() % 2 ? "SELECT " + call + " FROM emp"
                                       : "SELECT id FROM emp WHERE " + call + " = 1";
        run(f, sql);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(FlatParseFuzz, DeepAndLongTexts) {
    SelectFixture f;
    fixture(f);
    for (int depth : {10, 100, 1000, 5000}) {
        run(f, "SELECT " + std::string(depth, '(') + "id" + std::string(depth, ')') + " FROM emp");
        run(f, "SELECT " + std::string(depth, '(') + " FROM emp");
        run(f, "SELECT id FROM emp WHERE " + std::string(depth, ')'));
        std::string nots = "SELECT id FROM emp WHERE ";
        for (int n = 0; n < depth; ++n)
            nots += "NOT ";
        run(f, nots + "id = 1");
        std::string sum = "SELECT id";
        for (int n = 0; n < depth; ++n)
            sum += " + id";
        run(f, sum + " FROM emp");
        std::string calls = "SELECT ";
        for (int n = 0; n < depth; ++n)
            calls += "UPPER(";
        run(f, calls + "name" + std::string(depth, ')') + " FROM emp");
        std::string columns = "SELECT id";
        for (int n = 0; n < depth; ++n)
            columns += ", name";
        run(f, columns + " FROM emp");
        std::string tables = "SELECT * FROM emp";
        for (int n = 0; n < depth / 10; ++n)
            tables += ", dept d" + std::to_string(n);
        run(f, tables, false); // prepared only: the product has 4 * 3^n rows
        std::string markers = "SELECT id FROM emp WHERE id IN (?";
        for (int n = 0; n < depth; ++n)
            markers += ", ?";
        run(f, markers + ")");
    }
    run(f, "SELECT '" + std::string(70000, 'x') + "' FROM emp");
    run(f, "SELECT " + std::string(300, 'n') + " FROM emp");
    run(f, "SELECT id FROM " + std::string(300, 't'));
}

// Lengths, counts and numbers at and beyond their limits: each fails with
// a record, at prepare or at fetch, or gives values.
TEST_F(FlatParseFuzz, ExtremeArgumentValues) {
    // clang-format off
    const char* const CASES[] = {
        "SELECT LEFT(name, 1e10) FROM emp", "SELECT LEFT(name, -1) FROM emp",
        "SELECT RIGHT(name, 70000) FROM emp", "SELECT SPACE(1e9) FROM emp",
        "SELECT SPACE(-5) FROM emp", "SELECT SPACE(65536) FROM emp",
        "SELECT SPACE(id * 100000) FROM emp", "SELECT STR(salary, 100000, 2) FROM emp",
        "SELECT STR(salary, -3, -2) FROM emp", "SELECT STR(salary, 10, 300) FROM emp",
        "SELECT CHR(300), CHR(-1), CHR(0) FROM emp",
        "SELECT SUBSTR(name, -5, 1e10), SUBSTR(name, 1e10, 2), SUBSTR(name, 0) FROM emp",
        "SELECT ROUND(salary, 400), ROUND(salary, -400), POW(10, 400), MOD(id, 0) FROM emp",
        "SELECT INT(1e300), id / 0, 1e308 * 10 FROM emp",
        "SELECT DTOC(hired, 'mmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmmm'), CTOD('x', 'yy') FROM emp",
        "SELECT STRVAL(hired), STRVAL(NULL), NUMVAL('1e999') FROM emp",
        "SELECT name + SPACE(60000) + name FROM emp",
        "SELECT hired + 1e10, hired - hired, hired - 1e300 FROM emp",
        "SELECT IIF(NULL, name, salary), IIF(id, 1, 2) FROM emp",
    };
    // clang-format on
    SelectFixture f;
    fixture(f);
    for (const char* sql : CASES)
        run(f, sql);
}

// The whole SQL path: escape clauses expanded by the engine's connection,
// then prepared and executed. Escapes are drawn from a vocabulary of
// valid, malformed and unsupported clauses.
class FlatEscapePathFuzz : public FlatConnFixture {};

TEST_F(FlatEscapePathFuzz, EscapesThenPrepareAndExecute) {
    // clang-format off
    const char* const PIECES[] = {
        "{d '1995-07-04'}", "{d '1995-7-4'}", "{ts '2000-01-01 10:00:00'}", "{t '10:00:00'}",
        "{fn UCASE(name)}", "{fn LCASE(", "{fn CONCAT(name, 'x')}", "{fn CONCAT(name)}",
        "{fn IFNULL(boss, 0)}", "{fn IFNULL(boss)}", "{fn SUBSTRING(name, 1, 2)}",
        "{fn LENGTH(name)}", "{fn MOD(id, 2)}", "{fn SOUNDEX(name)}", "{fn CURDATE()}",
        "{fn USER()}", "{fn LEFT(name, 1)}", "{fn POWER(id, 2)}", "{fn FLOOR(salary)}",
        "{fn DAYOFMONTH(hired)}", "{oj emp LEFT OUTER JOIN dept ON emp.dept = dept.id}",
        "{escape '#'}", "{l 1}", "{b 'AB'}", "{call p}",
        "--*(vendor(Microsoft),product(ODBC) fn PI())*--", "{", "}", "(", ")", ",", "'", "id",
        "name", "+", "=", "1", " ", "?",
    };
    // clang-format on
    std::mt19937 random{20261207};
    std::vector<std::string> expanded;
    for (int i = 0; i < 2500; ++i) {
        std::string expr;
        std::size_t count = 1 + random() % 5;
        for (std::size_t p = 0; p < count; ++p)
            expr += PIECES[random() % (sizeof PIECES / sizeof *PIECES)];
        std::string sql =
            random() % 2 ? "SELECT " + expr + " FROM emp" : "SELECT id FROM emp WHERE " + expr;
        BaseEscapeHostAdapter<FlatConnection> host(*connection_);
        BaseEscapeProcessor processor(host, BaseEscapeOptions());
        BaseSqlString text(sql.c_str(), SQL_NTS);
        if (processor.process(text) != VX_SUCCESS) {
            std::vector<FlatRaised> records = raised();
            ASSERT_FALSE(records.empty()) << "failed without a record: " << sql;
            EXPECT_EQ(5u, records[0].state.size()) << sql;
            continue;
        }
        EXPECT_TRUE(raised().empty()) << "expanded with a record: " << sql;
        expanded.emplace_back(text.data(), text.length());
    }
    scope_.reset(); // the fixture below installs its own list
    EXPECT_GT(expanded.size(), 300u);
    SelectFixture f;
    f.params.values[1] = FakeValue::integer(1);
    QueryRunner runner;
    for (const std::string& sql : expanded) {
        runner.run(f, sql);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(runner.prepared, 100);
}

} // namespace
