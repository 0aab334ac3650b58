// The statement text as Oracle receives it: placeholders for markers and
// the return value, long literals moved out, NOWAIT.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "statement/Or7SqlRewrite.h"

namespace {

Or7RewriteOutput rewrite(const std::string& text, bool returnValue = false, bool noWait = false) {
    std::vector<std::uint32_t> markers;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '?') {
            markers.push_back(static_cast<std::uint32_t>(i));
        }
    }
    Or7RewriteInput input;
    input.text = text.data();
    input.length = text.size();
    input.markers = markers.data();
    input.markerCount = static_cast<std::uint16_t>(markers.size());
    input.returnValueCall = returnValue;
    input.noWait = noWait;
    Or7RewriteOutput output;
    or7RewriteSql(input, &output);
    return output;
}

TEST(Or7SqlRewrite, MarkersBecomeNumberedPlaceholders) {
    EXPECT_EQ(rewrite("INSERT INTO T VALUES (?, '?', ?)").text,
              "INSERT INTO T VALUES (:V001, '?', :V002)");
    EXPECT_EQ(rewrite("BEGIN F(?, ?); END;", true).text, "BEGIN :V001:= F(:V002, :V003); END;");
    EXPECT_EQ(rewrite("SELECT * FROM T FOR UPDATE", false, true).text,
              "SELECT * FROM T FOR UPDATE NOWAIT");
}

TEST(Or7SqlRewrite, LongLiteralsAreMovedOutUnquoted) {
    std::string shortText(2000, 'a');
    std::string longText(2000, 'b');
    longText += "''c";
    std::string hex(4002, 'F');
    Or7RewriteOutput out = rewrite("INSERT INTO T VALUES (?, '" + shortText + "', '" + longText +
                                   "', '" + hex + "', \"" + std::string(2100, 'x') + "\")");
    EXPECT_EQ(out.text, "INSERT INTO T VALUES (:V001, '" + shortText + "', :V002, :V003, \"" +
                            std::string(2100, 'x') + "\")");
    ASSERT_EQ(out.literals.size(), 2u);
    EXPECT_EQ(out.literalNames[0], ":V002");
    EXPECT_EQ(out.literals[0], std::string(2000, 'b') + "'c");
    // Hexadecimal digits stay text: the column they meet converts them.
    EXPECT_EQ(out.literals[1], hex);
}

TEST(Or7SqlRewrite, QuotesInCommentsDoNotStartLiterals) {
    std::string lit(2001, 'z');
    Or7RewriteOutput out = rewrite("SELECT ? -- it's\nFROM T WHERE A = '" + lit + "'");
    EXPECT_EQ(out.text, "SELECT :V001 -- it's\nFROM T WHERE A = :V002");
    ASSERT_EQ(out.literals.size(), 1u);
}

} // namespace
