// The delimited-value scanner against a byte-by-byte model of its rules,
// on random files, including values that straddle the source's buffer.
#include <random>
#include <string>

#include "TxtTestSupport.h"
#include "record/TxtByteSource.h"
#include "record/TxtLineScanner.h"

namespace {

struct Scan {
    std::string value;
    std::size_t total;
    bool endOfLine;
    std::int64_t position;
    bool operator==(const Scan& other) const {
        return value == other.value && total == other.total && endOfLine == other.endOfLine &&
               position == other.position;
    }
};

// The rules one byte at a time: a leading quote opens a quoted value;
// inside it carriage returns are dropped, a doubled quote is one quote and
// a single one closes it; outside, the delimiter ends the value and a line
// feed the line (both consumed); Ctrl-Z or the end ends both (not consumed).
Scan model(TxtByteSource& source, char delimiter, std::size_t capacity) {
    Scan scan{"", 0, false, 0};
    bool inQuotes = false;
    if (source.peek() == '"') {
        source.next();
        inQuotes = true;
    }
    for (;;) {
        const int c = source.peek();
        if (c == TxtByteSource::END || c == 26) {
            scan.endOfLine = true;
            break;
        }
        source.next();
        if (c == '\r')
            continue;
        if (inQuotes && c == '"') {
            if (source.peek() != '"') {
                inQuotes = false;
                continue;
            }
            source.next();
        } else if (!inQuotes && c == static_cast<unsigned char>(delimiter)) {
            break;
        } else if (!inQuotes && c == '\n') {
            scan.endOfLine = true;
            break;
        }
        if (scan.value.size() < capacity)
            scan.value += static_cast<char>(c);
        ++scan.total;
    }
    scan.position = source.position();
    return scan;
}

Scan real(TxtByteSource& source, char delimiter, std::size_t capacity) {
    std::string buffer(capacity, '\0');
    std::size_t stored = 0;
    Scan scan{"", 0, false, 0};
    txtScanDelimitedValue(source, delimiter, capacity ? &buffer[0] : nullptr, capacity, &stored,
                          &scan.total, &scan.endOfLine);
    scan.value.assign(buffer, 0, stored);
    scan.position = source.position();
    return scan;
}

class LineScannerTest : public TxtTest {};

} // namespace

TEST_F(LineScannerTest, AgreesWithTheByteRulesOnRandomFiles) {
    std::mt19937 random(11);
    const std::string alphabet = "ab ,|\"\"\r\n\n\x1a";
    for (int round = 0; round < 40; ++round) {
        // Some files reach past the source's buffer, so values straddle it.
        const std::size_t size =
            round % 4 == 0 ? TxtByteSource::CAPACITY + random() % 4000 : random() % 300;
        std::string bytes;
        for (std::size_t i = 0; i < size; ++i)
            bytes += random() % 4 ? static_cast<char>('a' + random() % 3)
                                  : alphabet[random() % alphabet.size()];
        const char delimiter = round % 2 ? ',' : '|';
        const std::size_t capacity = random() % 8;
        int handle = openFile("random.txt", bytes);
        TxtByteSource expected;
        TxtByteSource actual;
        ASSERT_EQ(expected.attach(handle), VX_SUCCESS);
        ASSERT_EQ(actual.attach(handle), VX_SUCCESS);
        for (int step = 0; step < 100000 && txtRecordStarts(expected); ++step) {
            const Scan want = model(expected, delimiter, capacity);
            const Scan got = real(actual, delimiter, capacity);
            ASSERT_TRUE(want == got) << "round " << round << " at " << want.position;
            if (want.endOfLine && !txtRecordStarts(expected))
                break;
        }
    }
}

// The run of plain bytes, found many bytes at a time, ends where a byte by
// byte search ends it: at the delimiter (any byte value), a line feed, a
// carriage return or Ctrl-Z, never at another control character or a byte
// past `count`.
TEST_F(LineScannerTest, PlainRunsEndAtTheFirstStop) {
    std::mt19937 random(17);
    const std::string stops = "\n\r\x1a\t\x01\x1f \x7f\x80\xff,";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(random() % 70, 'x');
        for (char& c : bytes)
            c = random() % 8 ? static_cast<char>('a' + random() % 26)
                             : stops[random() % stops.size()];
        const auto delimiter = static_cast<unsigned char>(stops[random() % stops.size()]);
        const std::size_t count = bytes.empty() ? 0 : random() % (bytes.size() + 1);
        std::size_t expected = 0;
        while (expected < count) {
            const auto c = static_cast<unsigned char>(bytes[expected]);
            if (c == delimiter || c == '\n' || c == '\r' || c == 26)
                break;
            ++expected;
        }
        ASSERT_EQ(txtPlainRun(bytes.data(), count, delimiter), expected)
            << "round " << round << " delimiter " << static_cast<int>(delimiter);
    }
}
