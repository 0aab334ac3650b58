// The boundary of the Unicode entry points: wide input texts in the
// connection's character set, and wide answers cut to the application's
// buffer in characters or bytes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/BaseErrors.h"
#include "base/BaseOdbcId.h"
#include "base/BaseWideText.h"
#include "util/VxCharset.h"
#include "util/VxError.h"
#include "util/ram.h"

namespace {

const SQLWCHAR* units(const std::u16string& text) {
    return reinterpret_cast<const SQLWCHAR*>(text.c_str());
}

TEST(BaseWideTextTest, InputTextsConvertIntoTheConnectionsCharacterSet) {
    VxCharset utf8, cp1252;
    ASSERT_TRUE(cp1252.select("CP1252"));
    const std::u16string text = u"Delimiter=é;x=🎉";
    BaseWideIn whole(utf8, units(text), SQL_NTS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(whole.text()), whole.length()),
              "Delimiter=\xC3\xA9;x=\xF0\x9F\x8E\x89");
    // A length counts characters; nothing beyond it is read.
    BaseWideIn part(cp1252, units(text), 11);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(part.text()), part.length()), "Delimiter=\xE9");
    // Null stays null; a bad length is passed on for the narrow path to refuse.
    BaseWideIn none(utf8, nullptr, 0);
    EXPECT_EQ(none.text(), nullptr);
    BaseWideIn bad(utf8, units(text), -7);
    EXPECT_EQ(bad.length(), -7);
}

class BaseWideOutTest : public ::testing::Test {
protected:
    BaseWideOutTest() : scope_(&list_) {}
    SQLRETURN answer(BaseWideOut& out, const char* narrow, SQLSMALLINT* full) {
        std::strcpy(reinterpret_cast<char*>(out.narrow()), narrow);
        return out.finish(SQL_SUCCESS, charset_, static_cast<SQLLEN>(std::strlen(narrow)), full,
                          &list_);
    }
    VxCharset charset_;
    VxErrorList list_{nullptr, 1};
    VxErrorListScope scope_;
};

TEST_F(BaseWideOutTest, AnswersAreCutInCharactersWithoutSplittingAPair) {
    char16_t buffer[8];
    SQLSMALLINT full = 0;
    BaseWideOut names(buffer, 4, false); // 4 characters, terminator included
    EXPECT_EQ(answer(names,
                     "a\xF0\x9F\x8E\x89"
                     "bc",
                     &full),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(full, 5);                       // a, the pair, b, c
    EXPECT_EQ(std::u16string(buffer), u"a🎉"); // b would not fit
    ASSERT_EQ(list_.getCount(), 1u);
    EXPECT_STREQ(baseGetSqlState(list_.getErrorAtPos(0)->getSqlStateId()), "01004");
    BaseWideOut cut(buffer, 3, false); // room for 2: the pair does not fit after "a"
    EXPECT_EQ(answer(cut, "a\xF0\x9F\x8E\x89", &full), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(std::u16string(buffer), u"a");
}

TEST_F(BaseWideOutTest, ByteSizedAnswersCountBytes) {
    char16_t buffer[8];
    SQLSMALLINT full = 0;
    BaseWideOut info(buffer, 16, true);
    EXPECT_EQ(answer(info, "caf\xC3\xA9", &full), SQL_SUCCESS);
    EXPECT_EQ(full, 8);
    EXPECT_EQ(std::u16string(buffer), u"café");
    EXPECT_EQ(list_.getCount(), 0u);
    // Without a buffer only the length is given.
    BaseWideOut lengthOnly(nullptr, 0, true);
    EXPECT_EQ(answer(lengthOnly, "caf\xC3\xA9", &full), SQL_SUCCESS);
    EXPECT_EQ(full, 8);
}

// iODBC's wide characters: 4-byte code points, one per character.
class BaseWideUcs4Test : public BaseWideOutTest {
protected:
    BaseWideUcs4Test() { baseSetWideUnit(4); }
    ~BaseWideUcs4Test() override { baseSetWideUnit(2); }
};

TEST_F(BaseWideUcs4Test, InputsOutputsAndDataCountCodePoints) {
    const std::u32string text = U"x=é🎉;y";
    BaseWideIn whole(charset_, reinterpret_cast<const SQLWCHAR*>(text.c_str()), SQL_NTS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(whole.text()), whole.length()),
              "x=\xC3\xA9\xF0\x9F\x8E\x89;y");
    BaseWideIn part(charset_, reinterpret_cast<const SQLWCHAR*>(text.c_str()), 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(part.text()), part.length()),
              "x=\xC3\xA9\xF0\x9F\x8E\x89");
    // Names: sizes and lengths in characters, a code point never split.
    char32_t buffer[8];
    SQLSMALLINT full = 0;
    BaseWideOut names(buffer, 3, false);
    EXPECT_EQ(answer(names,
                     "a\xF0\x9F\x8E\x89"
                     "bc",
                     &full),
              SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(full, 4);
    EXPECT_EQ(std::u32string(buffer), U"a🎉");
    BaseWideOut info(buffer, 32, true);
    EXPECT_EQ(answer(info, "caf\xC3\xA9", &full), SQL_SUCCESS);
    EXPECT_EQ(full, 16);
    EXPECT_EQ(std::u32string(buffer), U"café");
    // Data: lengths in bytes; a code point that is no character is U+FFFD.
    const char32_t data[] = {U'a', 0xD800, 0x110000, U'🎉', 0};
    char* narrow = nullptr;
    SQLLEN length = 0;
    ASSERT_EQ(baseWideToNarrow(charset_, data, SQL_NTS, &narrow, &length), VX_SUCCESS);
    EXPECT_EQ(std::string(narrow, length), "a\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x8E\x89");
    ramFree(narrow);
    ASSERT_EQ(baseWideToNarrow(charset_, data, 4, &narrow, &length), VX_SUCCESS);
    EXPECT_EQ(std::string(narrow, length), "a");
    ramFree(narrow);
}

} // namespace
