// BaseSqlString: verbs, markers, FOR UPDATE, WHERE CURRENT OF and the
// rewrites that must keep the scanned positions right.
#include <gtest/gtest.h>

#include <string>

#include "PrepareTestSupport.h"
#include "base/BaseErrors.h"

namespace {

std::string textOf(const BaseSqlString& sql) {
    return std::string(sql.data() ? sql.data() : "", sql.length());
}

class BaseSqlStringTest : public ::testing::Test {
protected:
    VxErrorList list_{nullptr, 1};
    VxErrorListScope scope_{&list_};
};

struct VerbCase {
    const char* text;
    VxSqlVerb verb;
    BaseSqlObjectKind object;
};

const VerbCase VERB_CASES[] = {
    {"alter table t add c int", VX_SQL_ALTER, BASE_OBJECT_TABLE},
    {"  CREATE INDEX i ON t (a)", VX_SQL_CREATE, BASE_OBJECT_INDEX},
    {"Create View v AS SELECT 1", VX_SQL_CREATE, BASE_OBJECT_VIEW},
    {"create synonym s for t", VX_SQL_CREATE, BASE_OBJECT_SYNONYM},
    {"CREATE UNIQUE INDEX i ON t (a)", VX_SQL_CREATE, BASE_OBJECT_OTHER},
    {"DELETE FROM t", VX_SQL_DELETE, BASE_OBJECT_OTHER},
    {"drop table t", VX_SQL_DROP, BASE_OBJECT_TABLE},
    {"GRANT SELECT ON t TO u", VX_SQL_GRANT, BASE_OBJECT_OTHER},
    {"insert into t values (1)", VX_SQL_INSERT, BASE_OBJECT_OTHER},
    {"REVOKE ALL ON t FROM u", VX_SQL_REVOKE, BASE_OBJECT_OTHER},
    {"\r\n\tselect * from t", VX_SQL_SELECT, BASE_OBJECT_OTHER},
    {"UPDATE t SET a = 1", VX_SQL_UPDATE, BASE_OBJECT_OTHER},
    {"SELECTED a", VX_SQL_OTHER, BASE_OBJECT_OTHER},
    {"EXEC p", VX_SQL_OTHER, BASE_OBJECT_OTHER},
    {"select", VX_SQL_SELECT, BASE_OBJECT_NONE},
    {"'select' a", VX_SQL_OTHER, BASE_OBJECT_NONE},
    {"", VX_SQL_NONE, BASE_OBJECT_NONE},
    {"   ", VX_SQL_NONE, BASE_OBJECT_NONE},
};

TEST_F(BaseSqlStringTest, VerbAndObjectFromTheFirstTwoWords) {
    for (const VerbCase& c : VERB_CASES) {
        BaseSqlString sql(c.text, SQL_NTS);
        EXPECT_EQ(c.verb, sql.getVerb()) << c.text;
        EXPECT_EQ(c.object, sql.getObjectKind()) << c.text;
    }
    BaseSqlString sql("  Create Index i", SQL_NTS);
    EXPECT_EQ("Create",
              textOf(BaseSqlString(sql.getFirstWord().data(), sql.getFirstWord().length())));
    EXPECT_EQ(5u, sql.getSecondWord().length());
}

TEST_F(BaseSqlStringTest, MarkersOutsideLiteralsOnly) {
    const char text[] = "SELECT * FROM t WHERE a = ? AND b = '?' AND c = \"?\" AND d IN (?,?) "
                        "AND e = `?` AND f = 'it''s ?'";
    BaseSqlString sql(text, SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_ALL));
    ASSERT_EQ(3, sql.getMarkerCount());
    EXPECT_EQ(26u, sql.getMarkerPosition(0));
    EXPECT_EQ('?', text[sql.getMarkerPosition(1)]);
    EXPECT_EQ('?', text[sql.getMarkerPosition(2)]);
    EXPECT_EQ(BaseSqlString::NO_POSITION, sql.getMarkerPosition(3));

    // Quote characters are the connection's: without the double quote,
    // "?" inside double quotes is a marker.
    sql.setQuoteChars('\'', '`');
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_MARKERS));
    EXPECT_EQ(4, sql.getMarkerCount());
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_FOR_UPDATE));
    EXPECT_EQ(0, sql.getMarkerCount());
}

TEST_F(BaseSqlStringTest, TooManyMarkers) {
    std::string text = "INSERT INTO t VALUES (?";
    for (int i = 1; i < 16384; ++i)
        text += ",?";
    text += ")";
    BaseSqlString sql(text.c_str(), SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_MARKERS));
    EXPECT_EQ(16384, sql.getMarkerCount());
    text.insert(text.size() - 1, ",?");
    ASSERT_EQ(VX_SUCCESS, sql.setText(text.c_str(), static_cast<long>(text.size())));
    EXPECT_EQ(VX_ERROR, sql.scanSql(BASE_SCAN_MARKERS));
    EXPECT_EQ(6058, list_.getLastError()->getNumber());
    EXPECT_EQ(ODBC_S1002, list_.getLastError()->getSqlStateId());
}

struct ForUpdateCase {
    const char* text;
    std::uint32_t position;
    const char* stripped;
};

const ForUpdateCase FOR_UPDATE_CASES[] = {
    {"SELECT a FROM t FOR UPDATE", 16, "SELECT a FROM t "},
    {"SELECT a FROM t for update of a, t.b", 16, "SELECT a FROM t "},
    {"SELECT a FROM t FOR UPDATE OF a;", 16, "SELECT a FROM t ;"},
    {"SELECT a FROM t WHERE b IN (SELECT c FROM u FOR UPDATE)", 0, nullptr},
    {"SELECT 'FOR UPDATE' FROM t", 0, nullptr},
    {"SELECT a FROM t FOR READ ONLY", 0, nullptr},
    {"INSERT INTO t SELECT a FROM u FOR UPDATE", 0, nullptr},
};

TEST_F(BaseSqlStringTest, ForUpdateFoundAndStripped) {
    for (const ForUpdateCase& c : FOR_UPDATE_CASES) {
        BaseSqlString sql(c.text, SQL_NTS);
        ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_ALL)) << c.text;
        EXPECT_EQ(c.position, sql.getForUpdatePosition()) << c.text;
        ASSERT_EQ(VX_SUCCESS, sql.stripForUpdate());
        EXPECT_EQ(c.stripped ? c.stripped : c.text, textOf(sql)) << c.text;
        EXPECT_EQ(0u, sql.getForUpdatePosition());
        EXPECT_EQ(c.stripped != nullptr, sql.isOwned()) << c.text;
    }
}

TEST_F(BaseSqlStringTest, WhereCurrentOf) {
    const char text[] = "UPDATE t SET a = ? WHERE CURRENT OF c1";
    BaseSqlString sql(text, SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_ALL));
    EXPECT_TRUE(sql.hasCurrentOf());
    EXPECT_EQ(19u, sql.getCurrentOfPosition());
    EXPECT_EQ(19u, sql.getCurrentOfLength());
    EXPECT_EQ("c1", std::string(sql.getCursorName().data(), sql.getCursorName().length()));

    BaseSqlString quoted("delete from t where current of \"my cursor\" ", SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, quoted.scanSql(BASE_SCAN_CURRENT_OF));
    EXPECT_EQ("\"my cursor\"",
              std::string(quoted.getCursorName().data(), quoted.getCursorName().length()));

    BaseSqlString literal("UPDATE t SET a = 'WHERE CURRENT OF c'", SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, literal.scanSql(BASE_SCAN_ALL));
    EXPECT_FALSE(literal.hasCurrentOf());

    BaseSqlString select("SELECT a FROM t WHERE CURRENT OF c", SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, select.scanSql(BASE_SCAN_CURRENT_OF));
    EXPECT_TRUE(select.hasCurrentOf());

    BaseSqlString missing("DELETE FROM t WHERE CURRENT OF", SQL_NTS);
    EXPECT_EQ(VX_ERROR, missing.scanSql(BASE_SCAN_ALL));
    EXPECT_EQ(6051, list_.getLastError()->getNumber());
    EXPECT_EQ(ODBC_34000, list_.getLastError()->getSqlStateId());
}

TEST_F(BaseSqlStringTest, ReplaceKeepsPositions) {
    BaseSqlString sql("UPDATE t SET a = ? WHERE CURRENT OF c1", SQL_NTS);
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_ALL));
    ASSERT_EQ(VX_SUCCESS, sql.replaceSubString(7, 1, "long_table", 10));
    EXPECT_EQ("UPDATE long_table SET a = ? WHERE CURRENT OF c1", textOf(sql));
    EXPECT_EQ(26u, sql.getMarkerPosition(0));
    EXPECT_EQ(28u, sql.getCurrentOfPosition());
    EXPECT_EQ("c1", std::string(sql.getCursorName().data(), sql.getCursorName().length()));

    // The clause replaced by a search condition: the clause is gone, the
    // marker in front stays.
    ASSERT_EQ(VX_SUCCESS, sql.replaceSubString(sql.getCurrentOfPosition(), sql.getCurrentOfLength(),
                                               "WHERE (k = ?)", 13));
    EXPECT_EQ("UPDATE long_table SET a = ? WHERE (k = ?)", textOf(sql));
    EXPECT_FALSE(sql.hasCurrentOf());
    EXPECT_EQ(1, sql.getMarkerCount());
    EXPECT_EQ(26u, sql.getMarkerPosition(0));

    // Outside the text nothing happens.
    ASSERT_EQ(VX_SUCCESS, sql.replaceSubString(500, 2, "x", 1));
    EXPECT_EQ("UPDATE long_table SET a = ? WHERE (k = ?)", textOf(sql));
}

TEST_F(BaseSqlStringTest, ParameterSubstitution) {
    BaseSqlString sql("INSERT INTO t VALUES (?, 'a?', ?) FOR UPDATE", SQL_NTS);
    // FOR UPDATE is only looked for in SELECT, UPDATE and DELETE.
    ASSERT_EQ(VX_SUCCESS, sql.scanSql(BASE_SCAN_ALL));
    ASSERT_EQ(2, sql.getMarkerCount());
    EXPECT_EQ(sql.length() - 2, sql.paramSubstFmtCnt());

    VxSubString values[2] = {VxSubString("1"), VxSubString("'x''y'")};
    VxString direct;
    ASSERT_EQ(VX_SUCCESS, sql.substituteParams(direct, values, 2));
    EXPECT_STREQ("INSERT INTO t VALUES (1, 'a?', 'x''y') FOR UPDATE", direct.getText());

    ASSERT_EQ(VX_SUCCESS, sql.stripParams());
    EXPECT_EQ("INSERT INTO t VALUES (, 'a?', ) FOR UPDATE", textOf(sql));
    EXPECT_EQ(sql.length(), sql.paramSubstFmtCnt());
    EXPECT_EQ(22u, sql.getMarkerPosition(0));
    EXPECT_EQ(30u, sql.getMarkerPosition(1));
    ASSERT_EQ(VX_SUCCESS, sql.stripParams()); // nothing more to strip
    EXPECT_EQ("INSERT INTO t VALUES (, 'a?', ) FOR UPDATE", textOf(sql));

    VxString stripped;
    ASSERT_EQ(VX_SUCCESS, sql.substituteParams(stripped, values, 2));
    EXPECT_STREQ("INSERT INTO t VALUES (1, 'a?', 'x''y') FOR UPDATE", stripped.getText());
    // Text inserted at an insertion point goes behind it.
    ASSERT_EQ(VX_SUCCESS, sql.replaceSubString(22, 0, "0+", 2));
    EXPECT_EQ(22u, sql.getMarkerPosition(0));
    EXPECT_EQ(32u, sql.getMarkerPosition(1));

    EXPECT_EQ(VX_ERROR, sql.substituteParams(stripped, values, 1));
    EXPECT_EQ(6012, list_.getLastError()->getNumber());
    EXPECT_STREQ("Value has not been specified for parameter 2.",
                 list_.getLastError()->getErrorText());
}

TEST_F(BaseSqlStringTest, BorrowedAndOwnedText) {
    char buffer[] = "SELECT a FROM t";
    BaseSqlString sql;
    EXPECT_EQ(VX_ERROR, sql.setText(buffer, -5));
    EXPECT_EQ(ODBC_S1090, list_.getLastError()->getSqlStateId());
    ASSERT_EQ(VX_SUCCESS, sql.setText(buffer, SQL_NTS));
    EXPECT_FALSE(sql.isOwned());
    EXPECT_EQ(buffer, sql.data());
    EXPECT_TRUE(sql.isSameText("SELECT a FROM t", 15));
    EXPECT_FALSE(sql.isSameText("SELECT a FROM t ", 16));
    EXPECT_FALSE(sql.isSameText("SELECT a FROM u", 15));

    ASSERT_EQ(VX_SUCCESS, sql.makeCopy());
    EXPECT_TRUE(sql.isOwned());
    EXPECT_NE(buffer, sql.data());
    ASSERT_EQ(VX_SUCCESS, sql.replaceSubString(14, 1, "u", 1));
    EXPECT_STREQ("SELECT a FROM t", buffer);
    EXPECT_STREQ("SELECT a FROM u", sql.getText());

    // A borrowed text is never written: rewrites copy it first.
    BaseSqlString borrowed(buffer, 8);
    ASSERT_EQ(VX_SUCCESS, borrowed.replaceSubString(7, 1, "b", 1));
    EXPECT_EQ("SELECT b", textOf(borrowed));
    EXPECT_STREQ("SELECT a FROM t", buffer);

    // A NUL-terminated text of a borrowed part of a buffer needs a copy.
    BaseSqlString part(buffer, 6);
    EXPECT_STREQ("SELECT", part.getText());
    EXPECT_TRUE(part.isOwned());
    EXPECT_STREQ("SELECT a FROM t", buffer);

    ASSERT_EQ(VX_SUCCESS, sql.setCopy(buffer, 6));
    EXPECT_TRUE(sql.isOwned());
    EXPECT_STREQ("SELECT", sql.getText());
    ASSERT_EQ(VX_SUCCESS, sql.setText(nullptr, SQL_NTS));
    EXPECT_EQ(0u, sql.length());
    EXPECT_EQ(VX_SQL_NONE, sql.getVerb());
}

} // namespace
