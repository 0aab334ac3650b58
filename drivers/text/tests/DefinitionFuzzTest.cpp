// Table options and VXTXT.INI definitions built from random tokens of their
// own vocabulary (the character-level random tests rarely reach past the
// first keyword): numbers at and beyond their limits, unbalanced quotes and
// parentheses, long names and masks. Nothing may crash; a failure leaves
// exactly one record with a SQLSTATE; what reads must make sense.
#include <random>
#include <string>

#include "TxtTestSupport.h"
#include "define/TxtTableDef.h"
#include "define/TxtTableOptions.h"

namespace {

// clang-format off
const char* const OPTION_TOKENS[] = {
    "HeaderLine", "Delimiter", "Parse", "CharSet", "CHAR", "NUMBER", "NUM", "DATE", "TAB", "IBMPC",
    "ANSI", "=", "(", ")", ",", ",", "'", "\"", "''", "','", "'|'", "\"\t\"", "0", "1", "2", "9999",
    "10000", "254", "255", "-1", "65536", "4294967297", "99999999999999999999", "\"[aa] [b]\"",
    "\"[]\"", "\"[\"", "\"]]\"", "'mm/dd/yy'", "\"yyyy-mm-dd\"", "'x'", "''''", " ", "\t",
};
// clang-format on

// clang-format off
const char* const ENTRY_PARTS[] = {
    "Name", " n ", "", "VARCHAR", "NUMERIC", "DATE", "varchar", "CHAR", "0", "1", "9", "10", "254",
    "255", "9999", "65535", "65536", "-1", "1e3", "4294967297", "99999999999999999999", "mm/dd/yy",
    "Mmm dd, yyyy", "yyyymmdd", "'q'", "x",
};
// clang-format on

template <std::size_t N> const char* pick(std::mt19937& random, const char* const (&items)[N]) {
    return items[random() % N];
}

struct DefinitionFuzz : TxtTest {
    std::mt19937 random{20261207};

    // A failure leaves exactly one record, and it names a SQLSTATE.
    void expectReported(VxStatus status, const std::string& input) {
        if (status == VX_SUCCESS) {
            EXPECT_EQ(errorCount(), 0u) << input;
        } else {
            EXPECT_EQ(errorCount(), 1u) << input;
            EXPECT_NE(lastSqlStateId(), 0) << lastNumber() << " " << input;
        }
        clearErrors();
    }
};

TEST_F(DefinitionFuzz, OptionTokenSequences) {
    for (int i = 0; i < 4000; ++i) {
        std::string text;
        std::size_t count = random() % 14;
        for (std::size_t t = 0; t < count; ++t)
            text += pick(random, OPTION_TOKENS);
        TxtGuessResult result;
        VxStatus status = TxtTableOptions::parse(text.data(), text.size(), &result);
        expectReported(status, text);
        if (status != VX_SUCCESS)
            continue;
        for (std::uint16_t c = 0; c < result.getFieldCount(); ++c) {
            const TxtGuessField& field = result.getField(c);
            EXPECT_GE(field.width, 1u) << text;
            EXPECT_LE(field.width, 9999u) << text;
            EXPECT_LE(field.scale, field.precision) << text;
        }
    }
}

TEST_F(DefinitionFuzz, ColumnEntriesFromParts) {
    for (int i = 0; i < 4000; ++i) {
        std::string entry;
        std::size_t parts = random() % 9;
        for (std::size_t p = 0; p < parts; ++p)
            entry += std::string(p ? "," : "") + pick(random, ENTRY_PARTS);
        if (random() % 16 == 0)
            entry = std::string(40 + random() % 300, 'N') + "," + entry;
        TxtGuessField field;
        VxStatus status = TxtTableDef::parseColumnEntry(entry.c_str(), &field);
        expectReported(status, entry);
        if (status != VX_SUCCESS)
            continue;
        // What reads writes back to an entry that reads the same.
        VxString back;
        ASSERT_EQ(TxtTableDef::formatColumnEntry(field, &back), VX_SUCCESS) << entry;
        TxtGuessField again;
        ASSERT_EQ(TxtTableDef::parseColumnEntry(back.getText(), &again), VX_SUCCESS)
            << entry << " -> " << back.getText();
        EXPECT_STREQ(field.name, again.name) << entry;
        EXPECT_EQ(field.type, again.type) << entry;
        EXPECT_EQ(field.width, again.width) << entry;
        EXPECT_EQ(field.offset, again.offset) << entry;
        EXPECT_EQ(field.precision, again.precision) << entry;
        EXPECT_EQ(field.scale, again.scale) << entry;
    }
}

TEST_F(DefinitionFuzz, RandomSectionsRead) {
    const char* const KEYS[] = {"FILE",   "FLN",    "TT",     "DC",     "Charset",
                                "FIELD1", "FIELD2", "FIELD3", "FIELD0", "FIELD65536",
                                "[T]",    "=",      ""};
    const char* const VALUES[] = {"t.txt",
                                  "1",
                                  "0",
                                  "Fixed",
                                  "Tab",
                                  "Character",
                                  "Comma",
                                  "|",
                                  "",
                                  "IBMPC",
                                  "x",
                                  "Name,VARCHAR,10,0,10,0,",
                                  "Born,DATE,10,0,10,0,mm/dd/yy",
                                  "Pay,NUMERIC,9,2,11,0",
                                  "Name,VARCHAR,10,0,10,0,",
                                  "=",
                                  "[T]"};
    for (int i = 0; i < 600; ++i) {
        std::string body = "[T]\r\n";
        std::size_t lines = random() % 10;
        for (std::size_t l = 0; l < lines; ++l)
            body += std::string(pick(random, KEYS)) + "=" + pick(random, VALUES) + "\r\n";
        writeFile("VXTXT.INI", body);
        TxtIni ini;
        ASSERT_EQ(ini.open(folder().c_str()), VX_SUCCESS);
        TxtTableDefinition definition;
        expectReported(TxtTableDef::read(ini, "T", &definition), body);
    }
}

} // namespace
