#include "record/TxtLineScanner.h"

#include "record/TxtFormat.h"

namespace {

inline bool endsInput(int c) {
    return c == TxtByteSource::END || c == TXT_CTRL_Z;
}

} // namespace

void txtScanDelimitedValue(TxtByteSource& source, char delimiter, char* out, std::size_t capacity,
                           std::size_t* stored, std::size_t* fullLength, bool* endOfLine) {
    std::size_t n = 0;
    std::size_t total = 0;
    bool inQuotes = false;
    *endOfLine = false;
    if (source.peek() == '"') {
        source.next();
        inQuotes = true;
    }
    const int delimiterByte = static_cast<unsigned char>(delimiter);
    for (;;) {
        int c = source.peek();
        if (endsInput(c)) {
            *endOfLine = true;
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
        } else if (!inQuotes && c == delimiterByte) {
            break;
        } else if (!inQuotes && c == '\n') {
            *endOfLine = true;
            break;
        }
        if (out && n < capacity)
            out[n++] = static_cast<char>(c);
        ++total;
    }
    *stored = n;
    *fullLength = total;
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
