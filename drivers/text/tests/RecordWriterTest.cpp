// Appending records: line formats, refusal of values wider than a Fixed
// column, and appends to files whose end is not a clean line end.
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "TxtTestSupport.h"
#include "error/TxtErrors.h"
#include "record/TxtRecordReader.h"
#include "record/TxtRecordWriter.h"

namespace {

struct WriterTest : TxtTest {
    TxtGuessResult layout;

    void column(char type, std::uint16_t width, std::uint16_t offset = 0) {
        TxtGuessField* field;
        ASSERT_EQ(layout.addField(&field), VX_SUCCESS);
        std::snprintf(field->name, sizeof field->name, "C%u", layout.getFieldCount() + 0u);
        field->type = type;
        field->width = width;
        field->offset = offset;
    }
    VxStatus append(std::vector<const char*> values, std::int64_t* offset = nullptr) {
        std::vector<std::size_t> lengths;
        for (const char* value : values)
            lengths.push_back(value ? std::strlen(value) : 0);
        return TxtRecordWriter::appendRecord(handle_, layout, values.data(), lengths.data(),
                                             offset);
    }
};

TEST_F(WriterTest, DelimitedLinesQuoteTextAndDoubleQuotes) {
    column(TXT_COLUMN_VARCHAR, 20);
    column(TXT_COLUMN_NUMERIC, 8);
    column(TXT_COLUMN_DATE, 10);
    openFile("t.txt", "");
    ASSERT_EQ(append({"a,\"b\"", "-12.5", "1995-07-04"}), VX_SUCCESS);
    ASSERT_EQ(append({nullptr, nullptr, nullptr}), VX_SUCCESS);
    layout.setTableType(TXT_TABLE_CHARACTER, ';');
    ASSERT_EQ(append({"x;y", "1", ""}), VX_SUCCESS);
    layout.setTableType(TXT_TABLE_CHARACTER, '.');
    ASSERT_EQ(append({"a", "-1.5", ""}), VX_SUCCESS);
    EXPECT_EQ(readFile("t.txt"), "\"a,\"\"b\"\"\",-12.5,\"1995-07-04\"\r\n"
                                 "\"\",,\"\"\r\n"
                                 "\"x;y\";1;\"\"\r\n"
                                 "\"a\".\"-1.5\".\"\"\r\n");
}

TEST_F(WriterTest, WrittenRecordsReadBackUnchanged) {
    column(TXT_COLUMN_VARCHAR, 30);
    column(TXT_COLUMN_VARCHAR, 30);
    openFile("t.txt", "");
    std::int64_t first = -1;
    std::int64_t second = -1;
    ASSERT_EQ(append({"line\nfeed \"q\"", "a,b"}, &first), VX_SUCCESS);
    ASSERT_EQ(append({"\"\"", ""}, &second), VX_SUCCESS);
    EXPECT_EQ(first, 0);
    TxtRecordReader reader;
    ASSERT_EQ(reader.open(layout, handle_), VX_SUCCESS);
    bool found = false;
    std::int64_t next = 0;
    ASSERT_EQ(reader.readRecord(first, &found, &next), VX_SUCCESS);
    EXPECT_EQ(next, second);
    std::size_t length;
    EXPECT_STREQ(reader.getColumnText(0, &length), "line\nfeed \"q\"");
    EXPECT_STREQ(reader.getColumnText(1, &length), "a,b");
    ASSERT_EQ(reader.readRecord(second, &found, &next), VX_SUCCESS);
    EXPECT_STREQ(reader.getColumnText(0, &length), "\"\"");
}

TEST_F(WriterTest, FixedLinesPlaceValuesAtTheirOffsets) {
    layout.setTableType(TXT_TABLE_FIXED, 0);
    column(TXT_COLUMN_VARCHAR, 4, 0);
    column(TXT_COLUMN_NUMERIC, 3, 6); // a gap of two characters before it
    openFile("t.txt", "");
    ASSERT_EQ(append({"ab", "12"}), VX_SUCCESS);
    ASSERT_EQ(append({nullptr, "999"}), VX_SUCCESS);
    EXPECT_EQ(readFile("t.txt"), "ab    12 \r\n      999\r\n");
}

TEST_F(WriterTest, FixedValueWiderThanItsColumnIsRefused) {
    layout.setTableType(TXT_TABLE_FIXED, 0);
    column(TXT_COLUMN_VARCHAR, 3);
    openFile("t.txt", "abc\r\n");
    EXPECT_EQ(append({"abcd"}), VX_ERROR);
    EXPECT_EQ(lastNumber(), TXT_MSG_VALUE_TOO_WIDE);
    EXPECT_EQ(lastSqlStateId(), ODBC_22001);
    EXPECT_EQ(lastText(), "Value abcd does not fit in column C1 of width 3.");
    EXPECT_EQ(readFile("t.txt"), "abc\r\n") << "nothing written";
}

TEST_F(WriterTest, AppendsStartOnANewLineAndReplaceATrailingCtrlZ) {
    column(TXT_COLUMN_NUMERIC, 5);
    openFile("t.txt", "1\r\n2");
    std::int64_t offset = 0;
    ASSERT_EQ(append({"3"}, &offset), VX_SUCCESS);
    EXPECT_EQ(readFile("t.txt"), "1\r\n2\r\n3\r\n");
    EXPECT_EQ(offset, 6);

    openFile("z.txt", "1\r\n\x1a");
    ASSERT_EQ(append({"2"}, &offset), VX_SUCCESS);
    EXPECT_EQ(readFile("z.txt"), "1\r\n2\r\n");
    EXPECT_EQ(offset, 3);

    openFile("bom.txt", "\xEF\xBB\xBF");
    ASSERT_EQ(append({"4"}), VX_SUCCESS);
    EXPECT_EQ(readFile("bom.txt"), "\xEF\xBB\xBF"
                                   "4\r\n");
}

TEST_F(WriterTest, AppendWaitsForAnotherHandlesLock) {
    column(TXT_COLUMN_NUMERIC, 5);
    openFile("t.txt", "");
    int other = 0;
    ASSERT_EQ(bosFileOpen(path("t.txt").c_str(), BOS_OPEN_READWRITE, &other), VX_SUCCESS);
    ASSERT_EQ(bosRegionLock(other, false, TxtRecordWriter::LOCK_OFFSET, 1), VX_SUCCESS);
    std::thread release([other] {
        bossleep(100);
        (void)bosRegionLock(other, true, TxtRecordWriter::LOCK_OFFSET, 1);
    });
    EXPECT_EQ(append({"1"}), VX_SUCCESS);
    release.join();
    EXPECT_EQ(errorCount(), 0u) << "refusals while waiting leave no error";
    EXPECT_EQ(readFile("t.txt"), "1\r\n");
    (void)bosFileClose(other);
}

TEST_F(WriterTest, HeaderLines) {
    column(TXT_COLUMN_NUMERIC, 3);
    column(TXT_COLUMN_DATE, 10);
    std::snprintf(layout.getField(1).name, TXT_MAX_COLUMN_NAME + 1, "%s", "say \"hi\"");
    TxtTextBuffer line;
    ASSERT_EQ(TxtRecordWriter::formatHeader(layout, &line), VX_SUCCESS);
    EXPECT_EQ(std::string(line.data(), line.length()), "\"C1\",\"say \"\"hi\"\"\"\r\n");
    layout.setTableType(TXT_TABLE_FIXED, 0);
    layout.getField(1).offset = 3;
    std::snprintf(layout.getField(0).name, TXT_MAX_COLUMN_NAME + 1, "%s", "LONGNAME");
    ASSERT_EQ(TxtRecordWriter::formatHeader(layout, &line), VX_SUCCESS);
    EXPECT_EQ(std::string(line.data(), line.length()), "LONsay \"hi\"  \r\n");
}

TEST(TxtRecordHandleTest, OffsetsBeyondFourGigabytesSurvive) {
    unsigned char handle[TXT_RECORD_HANDLE_SIZE];
    for (std::int64_t offset : {std::int64_t{0}, std::int64_t{0x7FFFFFFF},
                                std::int64_t{0x1234567890}, std::int64_t{1} << 62}) {
        txtPutRecordHandle(offset, handle);
        EXPECT_EQ(txtGetRecordHandle(handle), offset);
    }
}

} // namespace
