// Type names of CREATE TABLE: names of several words, the longest name
// that the text spells, aliases, and the cursor left after the name.
#include <gtest/gtest.h>
#include <sqlext.h>

#include <cstring>

#include "flat/FlatDataTypeParser.h"
#include "parse/FlatSqlLexer.h"

namespace {

const BaseTypeInfo TYPES[] = {
    {"LONG VARCHAR", SQL_LONGVARCHAR, 65535, "'", "'", 0, SQL_NULLABLE, SQL_TRUE, SQL_SEARCHABLE,
     BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL, BASE_TYPE_NULL},
    {"LONG", SQL_INTEGER, 10, nullptr, nullptr, 0, SQL_NULLABLE, SQL_FALSE, SQL_SEARCHABLE,
     SQL_FALSE, SQL_FALSE, SQL_FALSE, nullptr, 0, 0},
    {"LONG VARBINARY", SQL_LONGVARBINARY, 65535, nullptr, nullptr, 0, SQL_NULLABLE, SQL_FALSE,
     SQL_UNSEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
    {"VARCHAR", SQL_VARCHAR, 255, "'", "'", BASE_CREATE_MAX_LENGTH, SQL_NULLABLE, SQL_TRUE,
     SQL_SEARCHABLE, BASE_TYPE_NULL, SQL_FALSE, BASE_TYPE_NULL, nullptr, BASE_TYPE_NULL,
     BASE_TYPE_NULL},
};

struct Match {
    std::uint16_t index;
    const char* rest;
};

Match match(FlatDataTypeParser& parser, const char* text) {
    FlatSqlLexer lexer(text);
    Match result{FlatDataTypeParser::NOT_FOUND, ""};
    EXPECT_EQ(VX_SUCCESS, parser.match(lexer, &result.index)) << text;
    result.rest = lexer.getCursor();
    return result;
}

TEST(FlatDataTypeParser, TheLongestNameTheTextSpellsWins) {
    FlatDataTypeParser parser(nullptr, TYPES, 4);
    ASSERT_EQ(VX_SUCCESS, parser.initialize());
    Match m = match(parser, "long varchar(10) NOT NULL");
    EXPECT_EQ(0, m.index);
    EXPECT_STREQ("(10) NOT NULL", m.rest);
    m = match(parser, "LONG VARBINARY,");
    EXPECT_EQ(2, m.index);
    EXPECT_STREQ(",", m.rest);
    // LONG alone, followed by a word that no longer name continues.
    m = match(parser, "Long NOT NULL");
    EXPECT_EQ(1, m.index);
    EXPECT_STREQ(" NOT NULL", m.rest);
    m = match(parser, "varchar");
    EXPECT_EQ(3, m.index);
}

TEST(FlatDataTypeParser, AnUnknownNameLeavesTheCursorWhereItWas) {
    FlatDataTypeParser parser(nullptr, TYPES, 4);
    Match m = match(parser, "BLOB(3)");
    EXPECT_EQ(FlatDataTypeParser::NOT_FOUND, m.index);
    EXPECT_STREQ("BLOB(3)", m.rest);
    // A first word of a longer name only is not a name.
    FlatDataTypeParser noLong(nullptr, TYPES + 2, 2);
    m = match(noLong, "LONG)");
    EXPECT_EQ(FlatDataTypeParser::NOT_FOUND, m.index);
    EXPECT_STREQ("LONG)", m.rest);
}

TEST(FlatDataTypeParser, AliasesNameRowsOfTheTable) {
    FlatDataTypeParser parser(nullptr, TYPES, 4);
    ASSERT_EQ(VX_SUCCESS, parser.addAlias("CHARACTER VARYING", 3));
    ASSERT_EQ(VX_SUCCESS, parser.addAlias("TEXT", 0));
    EXPECT_EQ(3, match(parser, "character  varying (5)").index);
    EXPECT_EQ(0, match(parser, "Text").index);
    EXPECT_EQ(FlatDataTypeParser::NOT_FOUND, match(parser, "CHARACTER").index);
}

} // namespace
