#include "record/TxtLineScanner.h"

#include <cstdint>
#include <cstring>

#include "record/TxtFormat.h"

namespace {

inline bool endsInput(int c) {
    return c == TxtByteSource::END || c == TXT_CTRL_Z;
}

// Where a delimited value goes: at most `capacity` bytes at `out` (which
// may be null), while `total` counts every byte of the value.
struct ValueSink {
    char* out;
    std::size_t capacity;
    std::size_t stored;
    std::size_t total;

    void put(char c) {
        if (out && stored < capacity)
            out[stored++] = c;
        ++total;
    }
    void put(const char* bytes, std::size_t count) {
        if (out && stored < capacity) {
            const std::size_t room = capacity - stored;
            const std::size_t taken = count < room ? count : room;
            std::memcpy(out + stored, bytes, taken);
            stored += taken;
        }
        total += count;
    }
};

// The quoted part of a value, after its opening quote: true when the
// closing quote was seen, false when the input ended first.
bool scanQuoted(TxtByteSource& source, ValueSink& sink) {
    for (;;) {
        const int c = source.peek();
        if (endsInput(c))
            return false;
        source.next();
        if (c == '\r')
            continue;
        if (c == '"') {
            if (source.peek() != '"')
                return true;
            source.next();
        }
        sink.put(static_cast<char>(c));
    }
}

// The rest of a value outside quotes, up to the delimiter or the line
// feed (consumed) or the end of the input (not consumed). Stretches of
// ordinary bytes are taken straight from the source's buffer.
void scanPlain(TxtByteSource& source, unsigned char delimiter, ValueSink& sink, bool* endOfLine) {
    for (;;) {
        std::size_t count = 0;
        const char* bytes = source.span(&count);
        if (!bytes) {
            *endOfLine = true;
            return;
        }
        const std::size_t run = txtPlainRun(bytes, count, delimiter);
        sink.put(bytes, run);
        source.skip(run);
        if (run == count)
            continue;
        const auto c = static_cast<unsigned char>(bytes[run]);
        if (c == TXT_CTRL_Z) {
            *endOfLine = true;
            return;
        }
        source.skip(1);
        if (c == '\r')
            continue;
        // A line feed, unless it is itself the delimiter.
        *endOfLine = c != delimiter;
        return;
    }
}

} // namespace

void txtScanDelimitedValue(TxtByteSource& source, char delimiter, char* out, std::size_t capacity,
                           std::size_t* stored, std::size_t* fullLength, bool* endOfLine) {
    ValueSink sink{out, capacity, 0, 0};
    *endOfLine = false;
    bool closed = true;
    if (source.peek() == '"') {
        source.next();
        closed = scanQuoted(source, sink);
        if (!closed)
            *endOfLine = true;
    }
    if (closed)
        scanPlain(source, static_cast<unsigned char>(delimiter), sink, endOfLine);
    *stored = sink.stored;
    *fullLength = sink.total;
}

void txtSkipDelimitedLine(TxtByteSource& source, char delimiter) {
    bool endOfLine = false;
    std::size_t stored;
    std::size_t total;
    while (!endOfLine)
        txtScanDelimitedValue(source, delimiter, nullptr, 0, &stored, &total, &endOfLine);
}

std::size_t txtReadFixedLine(TxtByteSource& source, char* out, std::size_t capacity,
                             std::size_t* fullLength) {
    std::size_t n = 0;
    std::size_t total = 0;
    for (;;) {
        int c = source.peek();
        if (endsInput(c))
            break;
        source.next();
        if (c == '\n')
            break;
        if (c == '\r')
            continue;
        if (n < capacity)
            out[n++] = static_cast<char>(c);
        ++total;
    }
    *fullLength = total;
    return n;
}

void txtSkipLine(TxtByteSource& source, bool quoteAware) {
    bool inQuotes = false;
    for (;;) {
        int c = source.peek();
        if (endsInput(c))
            return;
        source.next();
        if (c == '"' && quoteAware)
            inQuotes = !inQuotes;
        else if (c == '\n' && !inQuotes)
            return;
    }
}

std::size_t txtByteOrderMarkLength(TxtByteSource& source) {
    source.seek(0);
    if (source.next() == 0xEF && source.next() == 0xBB && source.next() == 0xBF)
        return 3;
    return 0;
}
