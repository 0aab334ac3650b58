// Random input through every parser: nothing may crash, read out of
// bounds or fail without an error record; what compiles must round-trip.
#include <cstring>
#include <random>
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtTableDef.h"
#include "define/TxtTableOptions.h"
#include "guess/TxtGuess.h"
#include "record/TxtRecordReader.h"

namespace {

std::string randomText(std::mt19937& random, const char* alphabet, std::size_t maxLength) {
    std::size_t count = std::strlen(alphabet);
    std::string text(random() % (maxLength + 1), ' ');
    for (char& c : text)
        c = alphabet[random() % count];
    return text;
}

struct RandomInputTest : TxtTest {
    std::mt19937 random{20261207};
    // A failure must leave exactly one new record.
    void expectReported(VxStatus status) {
        EXPECT_EQ(errorCount(), status == VX_ERROR ? 1u : 0u);
        clearErrors();
    }
};

TEST_F(RandomInputTest, MasksCompileOrReportAndRoundTrip) {
    for (int i = 0; i < 3000; ++i) {
        std::string text = randomText(random, "mMdDyYJj/-.:, \\'\"x0", 14);
        TxtDateMask mask;
        VxStatus status = mask.compile(text.data(), text.size());
        expectReported(status);
        if (status)
            continue;
        VxString back;
        ASSERT_EQ(mask.toText(&back), VX_SUCCESS);
        TxtDateMask again;
        ASSERT_EQ(again.compile(back.getText()), VX_SUCCESS) << text << " -> " << back.getText();
        EXPECT_TRUE(again == mask) << text << " -> " << back.getText();
        char out[64];
        std::size_t length = 0;
        TxtDate date{static_cast<short>(1 + random() % 9999),
                     static_cast<unsigned short>(1 + random() % 12),
                     static_cast<unsigned short>(1 + random() % 28)};
        expectReported(mask.format(date, out, 40, &length));
        std::string value = randomText(random, "0123456789/ JulyTueSDA", 20);
        expectReported(mask.parse(value.data(), value.size(), &date));
    }
}

TEST_F(RandomInputTest, OptionsParseOrReport) {
    for (int i = 0; i < 3000; ++i) {
        std::string text = randomText(random, "HeaderLine=1,()'\"[]CHARNUMDATE 0975m/d", 40);
        if (random() % 2)
            text = "Parse=\"" + randomText(random, "[]ab ", 12) + "\"," + text;
        TxtGuessResult result;
        expectReported(TxtTableOptions::parse(text.data(), text.size(), &result));
    }
}

TEST_F(RandomInputTest, ColumnEntriesParseOrReport) {
    for (int i = 0; i < 3000; ++i) {
        std::string text = randomText(random, "ab,VARCHARNUMERICDATE 019m/d'\"", 40);
        TxtGuessField field;
        expectReported(TxtTableDef::parseColumnEntry(text.c_str(), &field));
    }
}

TEST_F(RandomInputTest, FilesGuessAndReadWithoutOverruns) {
    const TxtTableType types[] = {TXT_TABLE_COMMA, TXT_TABLE_TAB, TXT_TABLE_CHARACTER,
                                  TXT_TABLE_FIXED};
    for (int i = 0; i < 400; ++i) {
        std::string bytes = randomText(random, "a1,\t|\"\r\n \x1a-./7", 300);
        TxtGuess guess;
        guess.setFormat(types[i % 4], i % 3 == 0, '|', i % 5);
        guess.setDateSetting(i % 3);
        TxtGuessResult layout;
        int handle = openFile("r.txt", bytes);
        ASSERT_EQ(guess.guessHandle(handle, &layout), VX_SUCCESS);
        ASSERT_GE(layout.getFieldCount(), 1);
        TxtRecordReader reader;
        ASSERT_EQ(reader.open(layout, handle), VX_SUCCESS);
        std::int64_t offset = 0;
        ASSERT_EQ(reader.findDataStart(layout.firstLineNames, &offset), VX_SUCCESS);
        EXPECT_EQ(offset, guess.getDataStart());
        for (int records = 0;; ++records) {
            ASSERT_LE(records, 400);
            bool found = false;
            std::int64_t next = 0;
            ASSERT_EQ(reader.readRecord(offset, &found, &next), VX_SUCCESS);
            if (!found)
                break;
            ASSERT_GT(next, offset);
            for (std::uint16_t c = 0; c < reader.getColumnCount(); ++c) {
                std::size_t length;
                const char* text = reader.getColumnText(c, &length);
                ASSERT_LE(length, layout.readWidth(c));
                ASSERT_EQ(std::strlen(text), length);
            }
            offset = next;
        }
    }
}

} // namespace
