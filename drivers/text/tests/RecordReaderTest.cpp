// Reading records: quoting, short and long lines, line ends, Ctrl-Z, header
// lines, Fixed offsets, byte-order marks and record offsets.
#include <cstring>
#include <random>
#include <vector>

#include "TxtTestSupport.h"
#include "record/TxtLineScanner.h"
#include "record/TxtRecordReader.h"

namespace {

using Row = std::vector<std::string>;
using Rows = std::vector<Row>;

struct ReaderTest : TxtTest {
    TxtGuessResult layout;
    TxtRecordReader reader;
    std::vector<std::int64_t> offsets;

    void columns(std::initializer_list<std::uint16_t> widths) {
        for (std::uint16_t width : widths) {
            TxtGuessField* field;
            ASSERT_EQ(layout.addField(&field), VX_SUCCESS);
            field->type = TXT_COLUMN_VARCHAR;
            field->width = width;
        }
    }
    void fixedColumn(std::uint16_t offset, std::uint16_t width) {
        layout.setTableType(TXT_TABLE_FIXED, 0);
        TxtGuessField* field;
        ASSERT_EQ(layout.addField(&field), VX_SUCCESS);
        field->type = TXT_COLUMN_VARCHAR;
        field->offset = offset;
        field->width = width;
    }
    // Reads every record of `bytes` from the data start.
    Rows readAll(const std::string& bytes, bool firstLineNames = false) {
        int handle = openFile("t.txt", bytes);
        EXPECT_EQ(reader.open(layout, handle), VX_SUCCESS);
        std::int64_t offset = 0;
        EXPECT_EQ(reader.findDataStart(firstLineNames, &offset), VX_SUCCESS);
        Rows rows;
        offsets.clear();
        for (;;) {
            bool found = false;
            std::int64_t next = 0;
            EXPECT_EQ(reader.readRecord(offset, &found, &next), VX_SUCCESS);
            if (!found)
                break;
            offsets.push_back(offset);
            rows.push_back(current());
            EXPECT_GT(next, offset);
            offset = next;
        }
        return rows;
    }
    Row current() {
        Row row;
        for (std::uint16_t i = 0; i < reader.getColumnCount(); ++i) {
            std::size_t length;
            const char* text = reader.getColumnText(i, &length);
            EXPECT_EQ(std::strlen(text), length);
            row.emplace_back(text, length);
        }
        return row;
    }
};

TEST_F(ReaderTest, QuotedValuesKeepDelimitersAndDoubledQuotes) {
    columns({20, 20});
    Rows rows = readAll("\"a,\"\"b\"\"\",x\r\n"
                        "\"say \"\"hi\"\"\",\"\"\r\n"
                        "\"line\r\nbreak\",\"after\"tail\r\n"
                        "5\" pipe,a\"\"b\n");
    EXPECT_EQ(rows, (Rows{{"a,\"b\"", "x"},
                          {"say \"hi\"", ""},
                          {"line\nbreak", "aftertail"},
                          {"5\" pipe", "a\"\"b"}}));
}

TEST_F(ReaderTest, ShortLinesGiveNullsAndLongLinesAreCutPerColumn) {
    columns({3, 4, 5});
    Rows rows = readAll("a\n"
                        "abcdef,ghijkl,mnopqrs,extra,\"more\nstill extra\"\n"
                        ",,\n"
                        "\n"
                        "x,y\n");
    EXPECT_EQ(
        rows,
        (Rows{
            {"a", "", ""}, {"abc", "ghij", "mnopq"}, {"", "", ""}, {"", "", ""}, {"x", "y", ""}}));
}

TEST_F(ReaderTest, TrailingBlanksAreTrimmedAndLeadingOnesKept) {
    columns({10, 10});
    EXPECT_EQ(readAll("  a  ,\"b   \"\r\n"), (Rows{{"  a", "b"}}));
}

TEST_F(ReaderTest, CtrlZEndsTheTable) {
    columns({10, 10});
    EXPECT_EQ(readAll("a,b\r\nc,d\r\n\x1a"
                      "e,f\r\n"),
              (Rows{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(readAll("a,b\x1a"
                      "c\r\nnot read\r\n"),
              (Rows{{"a", "b"}}));
    EXPECT_EQ(readAll("\x1a"), Rows{});
}

TEST_F(ReaderTest, LastLineWithoutLineFeedIsARecord) {
    columns({10, 10});
    EXPECT_EQ(readAll("a,b\r\nc,d"), (Rows{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(readAll(""), Rows{});
}

TEST_F(ReaderTest, OtherDelimiters) {
    columns({10, 10});
    layout.setTableType(TXT_TABLE_TAB, 0);
    EXPECT_EQ(readAll("a,b\tc\n"), (Rows{{"a,b", "c"}}));
    TxtGuessResult other;
    layout.setTableType(TXT_TABLE_CHARACTER, '|');
    EXPECT_EQ(readAll("a,b|\"c|d\"\n"), (Rows{{"a,b", "c|d"}}));
}

TEST_F(ReaderTest, HeaderLineWithQuotedLineFeedIsSkippedWhole) {
    columns({10, 10});
    EXPECT_EQ(readAll("\"first\nname\",\"b\"\r\n1,2\r\n", true), (Rows{{"1", "2"}}));
    EXPECT_EQ(offsets, (std::vector<std::int64_t>{18}));
}

TEST_F(ReaderTest, ByteOrderMarkIsNotData) {
    columns({10, 10});
    EXPECT_EQ(readAll("\xEF\xBB\xBF"
                      "a,b\n"),
              (Rows{{"a", "b"}}));
    EXPECT_EQ(offsets, (std::vector<std::int64_t>{3}));
    EXPECT_EQ(readAll("\xEF\xBB\xBF"
                      "x,y\nc,d\n",
                      true),
              (Rows{{"c", "d"}}));
}

TEST_F(ReaderTest, FixedColumnsByOffsetAndWidth) {
    fixedColumn(0, 3);
    fixedColumn(5, 4);
    fixedColumn(3, 2); // out of order: read from the line, not the stream
    Rows rows = readAll("NAMEHEADERLINE\r\n"
                        "abcXYdefg\r\n"
                        "ab\r\n"
                        "abcXYde  tail beyond\r\n"
                        "\x1a",
                        true);
    EXPECT_EQ(rows, (Rows{{"abc", "defg", "XY"}, {"ab", "", ""}, {"abc", "de", "XY"}}));
    EXPECT_EQ(offsets[0], 16);
}

// A Fixed line longer than the reader keeps: a declared column ends where
// it is declared to; a measured one that reaches the kept part's end
// reports that it lost its end.
TEST_F(ReaderTest, FixedLinesBeyondAMeasuredColumnAreReportedCut) {
    fixedColumn(0, 4);
    std::string longLine(TXT_MEASURED_TEXT_WIDTH + 5, 'x');
    const std::string bytes = "abcdef\n" + longLine + "\nabc\n";
    // Whether each record's column was cut.
    auto cuts = [&]() {
        std::vector<bool> result;
        EXPECT_EQ(reader.open(layout, openFile("f.txt", bytes)), VX_SUCCESS);
        std::int64_t offset = 0;
        for (bool found = true; found;) {
            std::int64_t next = 0;
            EXPECT_EQ(reader.readRecord(offset, &found, &next), VX_SUCCESS);
            if (found)
                result.push_back(reader.wasCut(0));
            offset = next;
        }
        return result;
    };
    EXPECT_EQ(cuts(), (std::vector<bool>{false, false, false}));
    layout.getField(0).measured = true;
    layout.getField(0).width = TXT_MEASURED_TEXT_WIDTH;
    EXPECT_EQ(cuts(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(readAll(bytes),
              (Rows{{"abcdef"}, {longLine.substr(0, TXT_MEASURED_TEXT_WIDTH)}, {"abc"}}));
}

// Measured text of a delimited table is read whole, plain or quoted, up
// to the longest the reader makes room for; beyond it the value is cut
// and says so.
TEST_F(ReaderTest, MeasuredTextIsReadWholeUpToItsLimit) {
    columns({8, 4});
    layout.getField(0).measured = true;
    const std::string plain(3000, 'p');
    const std::string quoted = "q,\"" + std::string(5000, 'q');
    const std::string huge(TXT_LONGEST_MEASURED_TEXT + 10, 'h');
    const Rows rows = readAll("short,1\n" + plain + ",2\n\"q,\"\"" + std::string(5000, 'q') +
                              "\",3\n" + huge + ",4\nend,5\n");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1], (Row{plain, "2"}));
    EXPECT_EQ(rows[2], (Row{quoted, "3"}));
    EXPECT_EQ(rows[3], (Row{huge.substr(0, TXT_LONGEST_MEASURED_TEXT), "4"}));
    EXPECT_EQ(rows[4], (Row{"end", "5"}));
    bool found = false;
    std::int64_t next = 0;
    ASSERT_EQ(reader.readRecord(offsets[3], &found, &next), VX_SUCCESS);
    EXPECT_TRUE(reader.wasCut(0));
    ASSERT_EQ(reader.readRecord(offsets[2], &found, &next), VX_SUCCESS);
    EXPECT_FALSE(reader.wasCut(0));
    EXPECT_EQ(current(), rows[2]);
}

TEST_F(ReaderTest, FixedHeaderWithQuotesEndsAtFirstLineFeed) {
    fixedColumn(0, 4);
    EXPECT_EQ(readAll("\"ab\ncd\"\nwxyz\n", true), (Rows{{"cd\""}, {"wxyz"}}));
}

TEST_F(ReaderTest, RecordOffsetsReadRecordsAgainInAnyOrder) {
    columns({10, 10});
    Rows rows = readAll("1,a\r\n22,bb\r\n333,ccc\r\n");
    ASSERT_EQ(offsets.size(), 3u);
    for (int i = 2; i >= 0; --i) {
        bool found = false;
        std::int64_t next = 0;
        ASSERT_EQ(reader.readRecord(offsets[i], &found, &next), VX_SUCCESS);
        EXPECT_TRUE(found);
        EXPECT_EQ(current(), rows[i]);
    }
}

TEST_F(ReaderTest, ValuesAcrossBufferRefillsAreWhole) {
    columns({60000, 5});
    std::string big(50000, 'x');
    big[40000] = '"';
    std::string quoted = "\"" + big.substr(0, 40000) + "\"\"" + big.substr(40001) + "\"";
    std::string bytes;
    for (int i = 0; i < 3; ++i)
        bytes += quoted + ",v" + std::to_string(i) + "\r\n";
    Rows rows = readAll(bytes);
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i][0], big);
        EXPECT_EQ(rows[i][1], "v" + std::to_string(i));
    }
}

// Records read by offset come whole whether they start inside the bytes
// held, just before or after them, or run past the small window a read
// by offset fetches (lines shorter and longer than a window and a block).
TEST_F(ReaderTest, RecordsReadByOffsetAreWholeWhereverTheHeldBytesAre) {
    columns({60000, 10});
    const std::size_t lengths[] = {3, 5000, 10, 40000, 1, 4090, 4095, 20, 9000};
    std::string bytes;
    Rows expected;
    for (int i = 0; i < 40; ++i) {
        std::string value(lengths[i % 9], static_cast<char>('a' + i % 26));
        bytes += value + ",r" + std::to_string(i) + "\n";
        expected.push_back({value, "r" + std::to_string(i)});
    }
    ASSERT_EQ(readAll(bytes), expected);
    std::vector<int> order;
    for (int i = 39; i >= 0; --i)
        order.push_back(i);
    for (int i = 0; i < 40; ++i)
        order.push_back(i * 7 % 40);
    for (int i = 0; i < 39; ++i) {
        order.push_back(i + 1);
        order.push_back(i);
    }
    for (int i : order) {
        bool found = false;
        std::int64_t next = 0;
        ASSERT_EQ(reader.readRecord(offsets[i], &found, &next), VX_SUCCESS);
        ASSERT_TRUE(found);
        EXPECT_EQ(current(), expected[i]) << "record " << i;
        EXPECT_EQ(next, i < 39 ? offsets[i + 1] : static_cast<std::int64_t>(bytes.size()));
    }
}

TEST_F(ReaderTest, ReadsAppendedRecordsAfterTheOldEnd) {
    columns({10});
    EXPECT_EQ(readAll("a\n"), (Rows{{"a"}}));
    std::int64_t end = offsets[0] + 2;
    ASSERT_EQ(bosFileWrite(handle_, end, "b\n", 2), VX_SUCCESS);
    bool found = false;
    std::int64_t next = 0;
    ASSERT_EQ(reader.readRecord(end, &found, &next), VX_SUCCESS);
    EXPECT_TRUE(found);
    EXPECT_EQ(current(), (Row{"b"}));
}

TEST_F(ReaderTest, DateColumnsOfDelimitedTablesRead50Characters) {
    TxtGuessField* field;
    ASSERT_EQ(layout.addField(&field), VX_SUCCESS);
    field->type = TXT_COLUMN_DATE;
    field->width = 10;
    EXPECT_EQ(readAll("Wednesday 4 July 1995\n"), (Rows{{"Wednesday 4 July 1995"}}));
}

} // namespace

// Each record of random delimited text reads as the value scanner reads
// its values one after another, whole or by offset: quotes, carriage
// returns, Ctrl-Z, blanks, short and long lines, values cut to their
// column, and values longer than a read window or block.
// The middle column is measured text, which grows to hold longer values
// whole; the others keep their widths.
TEST_F(ReaderTest, RecordsReadAsTheirValuesScanOneByOne) {
    columns({4, 300, 40000});
    layout.getField(1).measured = true;
    std::mt19937 random(20261207);
    const char alphabet[] = "ab ,,,\n\n\"\r7";
    for (int round = 0; round < 30; ++round) {
        std::string bytes;
        while (bytes.size() < 120000) {
            const std::size_t length = random() % 8 == 0 ? random() % 50000 : random() % 12;
            for (std::size_t i = 0; i < length; ++i)
                bytes += random() % 4 ? 'x' : alphabet[random() % (sizeof alphabet - 1)];
        }
        if (round % 3 == 0)
            bytes[bytes.size() - 100] = 26;
        Rows rows = readAll(bytes);
        TxtByteSource source;
        ASSERT_EQ(source.attach(handle_), VX_SUCCESS);
        std::int64_t offset = 0;
        for (std::size_t record = 0;; ++record) {
            source.seek(offset);
            if (!txtRecordStarts(source)) {
                EXPECT_EQ(record, rows.size());
                break;
            }
            ASSERT_LT(record, rows.size());
            EXPECT_EQ(offsets[record], offset);
            bool endOfLine = false;
            std::vector<bool> cut(reader.getColumnCount());
            for (std::uint16_t i = 0; i < reader.getColumnCount(); ++i) {
                std::string value;
                if (!endOfLine) {
                    const std::size_t room =
                        i == 1 ? TXT_LONGEST_MEASURED_TEXT : reader.getColumnWidth(i);
                    std::vector<char> text(room + 1u);
                    std::size_t stored = 0;
                    std::size_t total = 0;
                    txtScanDelimitedValue(source, ',', text.data(), room, &stored, &total,
                                          &endOfLine);
                    value.assign(text.data(), txtTrimTrailingBlanks(text.data(), stored));
                    cut[i] = total > room;
                }
                EXPECT_EQ(rows[record][i], value) << "round " << round << " record " << record;
            }
            if (!endOfLine)
                txtSkipDelimitedLine(source, ',');
            offset = source.position();
            // Read again by its offset, after a record elsewhere.
            bool found = false;
            std::int64_t next = 0;
            ASSERT_EQ(reader.readRecord(offsets[record / 2], &found, &next), VX_SUCCESS);
            ASSERT_EQ(reader.readRecord(offsets[record], &found, &next), VX_SUCCESS);
            ASSERT_TRUE(found);
            EXPECT_EQ(current(), rows[record]);
            EXPECT_EQ(next, offset);
            for (std::uint16_t i = 0; i < reader.getColumnCount(); ++i)
                EXPECT_EQ(reader.wasCut(i), cut[i]) << "record " << record << " column " << i;
        }
    }
}
