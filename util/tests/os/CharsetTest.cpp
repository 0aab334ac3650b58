// Conversions between UTF-16 and narrow character sets, and UTF-8 boundaries.
#include <gtest/gtest.h>

#include <string>

#include "util/VxCharset.h"
#include "util/VxUtf8.h"
#include "util/ram.h"

namespace {

std::u16string wideOf(const VxCharset& charset, const std::string& text) {
    char16_t* wide = nullptr;
    std::size_t units = 0;
    EXPECT_EQ(charset.toWide(text.data(), text.size(), &wide, &units), VX_SUCCESS);
    std::u16string result(wide, units);
    EXPECT_EQ(wide[units], 0);
    ramFree(wide);
    return result;
}

std::string narrowOf(const VxCharset& charset, const std::u16string& wide) {
    char* text = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(charset.toNarrow(wide.data(), wide.size(), &text, &length), VX_SUCCESS);
    std::string result(text, length);
    ramFree(text);
    return result;
}

std::string utf8Of(const VxCharset& charset, const std::string& text) {
    char* utf8 = nullptr;
    std::size_t length = 0;
    EXPECT_EQ(charset.toUtf8(text.data(), text.size(), &utf8, &length), VX_SUCCESS);
    std::string result(utf8, length);
    ramFree(utf8);
    return result;
}

TEST(CharsetTest, Utf8RoundTripsLatinCjkAndFourByteCharacters) {
    VxCharset utf8;
    EXPECT_TRUE(utf8.isUtf8());
    const std::string text = "caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\x89!";
    const std::u16string wide = u"café 日本 🎉!";
    EXPECT_EQ(wideOf(utf8, text), wide);
    EXPECT_EQ(narrowOf(utf8, wide), text);
    EXPECT_EQ(wideOf(utf8, ""), u"");
}

TEST(CharsetTest, InvalidBytesBecomeReplacementCharactersAndNothingIsLost) {
    VxCharset utf8;
    // A stray continuation byte, a cut 3-byte sequence before ASCII, an
    // overlong form, an encoded surrogate, and a lead byte at the very end.
    const std::string bad = "a\x80"
                            "b\xE6\x97z\xC0\xAF\xED\xA0\x80\xF0";
    EXPECT_EQ(wideOf(utf8, bad), u"a\uFFFDb\uFFFD\uFFFDz\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(utf8Of(utf8, "x\xFFy"), "x\xEF\xBF\xBDy");
    // Unpaired surrogates in UTF-16 become U+FFFD.
    EXPECT_EQ(narrowOf(utf8, std::u16string(u"a") + char16_t(0xD83C) + u"b" + char16_t(0xDF89)),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD");
}

TEST(CharsetTest, LegacyCodePagesConvertThroughTheSystemConverter) {
    VxCharset cp1252;
    ASSERT_TRUE(cp1252.select("CP1252"));
    EXPECT_FALSE(cp1252.isUtf8());
    EXPECT_EQ(wideOf(cp1252, "caf\xE9 \x80 Z\xFCrich"), u"café € Zürich");
    EXPECT_EQ(narrowOf(cp1252, u"café € Zürich"), "caf\xE9 \x80 Z\xFCrich");
    // Characters the code page lacks become '?', a pair counting once.
    EXPECT_EQ(narrowOf(cp1252, u"a日🎉b"), "a??b");
    EXPECT_EQ(utf8Of(cp1252, "\xE9\x81"), "\xC3\xA9\xEF\xBF\xBD"); // 0x81 is unassigned
    VxCharset cp437;
    ASSERT_TRUE(cp437.select("CP437"));
    EXPECT_EQ(wideOf(cp437, "\x82\xB0"), u"é░");
    // Plain ASCII is itself in these sets, not in EBCDIC.
    EXPECT_TRUE(cp1252.readsAsciiAsItself());
    EXPECT_TRUE(cp437.readsAsciiAsItself());
    EXPECT_TRUE(VxCharset().readsAsciiAsItself());
    VxCharset ebcdic;
    ASSERT_TRUE(ebcdic.select("IBM037"));
    EXPECT_FALSE(ebcdic.readsAsciiAsItself());
    ASSERT_TRUE(ebcdic.select("UTF-8"));
    EXPECT_TRUE(ebcdic.readsAsciiAsItself());
}

TEST(CharsetTest, UnknownNamesAreRefusedAndKeepTheSelection) {
    VxCharset charset;
    ASSERT_TRUE(charset.select("ISO-8859-1"));
    EXPECT_FALSE(charset.select("NO-SUCH-CHARSET"));
    EXPECT_STREQ(charset.getName(), "ISO-8859-1");
    EXPECT_TRUE(charset.select("utf_8"));
    EXPECT_TRUE(charset.isUtf8());
}

TEST(CharsetTest, Utf8BoundariesNeverSplitACharacter) {
    const std::string text = "a\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\x89"
                             "b"; // a é 日 🎉 b
    EXPECT_EQ(utf8CharCount(text.data(), text.size()), 5u);
    EXPECT_EQ(utf8CharOffset(text.data(), text.size(), 2), 3u);
    EXPECT_EQ(utf8CharOffset(text.data(), text.size(), 9), text.size());
    EXPECT_EQ(utf8CutPoint(text.data(), text.size(), 9), 6u);
    EXPECT_EQ(utf8CutPoint(text.data(), text.size(), 10), 10u);
    EXPECT_EQ(utf8CutPoint(text.data(), text.size(), 2), 1u);
    // Bytes that start no character count one each; a cut sequence at the
    // end is not read beyond the length.
    EXPECT_EQ(utf8CharCount("\xFF\xE6\x97", 3), 3u);
    EXPECT_EQ(utf8CutPoint("\xFF\xE6\x97", 3, 2), 2u);
    // Text cut in the middle of a character loses the part that was cut.
    EXPECT_EQ(utf8CompleteLength(text.data(), 8), 6u);
    EXPECT_EQ(utf8CompleteLength(text.data(), 10), 10u);
    EXPECT_EQ(utf8CompleteLength(text.data(), 2), 1u);
    EXPECT_EQ(utf8CompleteLength("ab", 2), 2u);
}

// Each character's code point, ASCII included (found by fuzzing: bit 6 of
// an ASCII byte was lost), and each code point written back gives the
// same bytes.
TEST(CharsetTest, Utf8CharBytesGivesEveryCodePoint) {
    const std::string text = "cA~\x7F\xC3\xA9\xE6\x97\xA5\xF0\x9F\x8E\x89";
    const unsigned long codes[] = {'c', 'A', '~', 0x7F, 0xE9, 0x65E5, 0x1F389};
    std::size_t pos = 0;
    for (unsigned long expected : codes) {
        unsigned long code = 0;
        std::size_t bytes = utf8CharBytes(text.data() + pos, text.size() - pos, &code);
        EXPECT_EQ(expected, code) << pos;
        char out[4];
        std::size_t put = 0;
        utf8Put(code, out, &put);
        EXPECT_EQ(text.substr(pos, bytes), std::string(out, put)) << pos;
        pos += bytes;
    }
    EXPECT_EQ(text.size(), pos);
}

} // namespace
