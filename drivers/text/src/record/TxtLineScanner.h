// The line and value grammar of text tables, over a TxtByteSource.
//
// A record is one line, ended by a line feed; carriage returns are dropped;
// Ctrl-Z (26) or the end of the file ends the last line and the table.
// Delimited values: a double quote as the first character opens a quoted
// value and is dropped; inside it the delimiter, line feeds and carriage
// return pairs are data, a doubled double quote stands for one, and a
// single one closes the quoting (characters after it, up to the delimiter,
// still belong to the value). In a value that does not start with a double
// quote every character up to the delimiter or line feed is data as it is.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "record/TxtByteSource.h"

// Scans one delimited value at the source's position, storing at most
// `capacity` of its bytes at `out` (which may be null). *stored is the
// bytes stored, *fullLength the bytes of the whole value. *endOfLine is set
// when the value ended its line: its line feed is consumed; Ctrl-Z and the
// end of the file are not.
void txtScanDelimitedValue(TxtByteSource& source, char delimiter, char* out, std::size_t capacity,
                           std::size_t* stored, std::size_t* fullLength, bool* endOfLine);

// The count of bytes from `bytes` before the first delimiter, line feed,
// carriage return or Ctrl-Z; `count` when there is none.
inline std::size_t txtPlainRun(const char* bytes, std::size_t count, unsigned char delimiter) {
    // The line ends and end-of-file mark are control characters: one test
    // against 32 passes the printable bytes.
    constexpr std::uint32_t LINE_STOPS = (1u << '\n') | (1u << '\r') | (1u << 26);
    std::size_t run = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the delimiter and every control character
    // are candidates, the first candidate that stops ends the run.
    const __m128i stop = _mm_set1_epi8(static_cast<char>(delimiter));
    const __m128i highestControl = _mm_set1_epi8(31);
    for (; run + 16 <= count; run += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + run));
        const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(chunk, highestControl), chunk);
        auto candidates = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, stop), control)));
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t at = run + static_cast<unsigned>(__builtin_ctz(candidates));
            const auto c = static_cast<unsigned char>(bytes[at]);
            if (c == delimiter || ((LINE_STOPS >> c) & 1u))
                return at;
        }
    }
#endif
    for (; run < count; ++run) {
        const auto c = static_cast<unsigned char>(bytes[run]);
        if (c == delimiter || (c < 32 && ((LINE_STOPS >> c) & 1u)))
            break;
    }
    return run;
}

// Skips the rest of a line of delimited values (quoted values may hold
// line feeds), consuming its line feed.
void txtSkipDelimitedLine(TxtByteSource& source, char delimiter);

// Reads the rest of a line of a Fixed table: at most `capacity` bytes at
// `out` (carriage returns dropped), the line feed consumed. Returns the
// bytes stored; *fullLength counts the whole line.
std::size_t txtReadFixedLine(TxtByteSource& source, char* out, std::size_t capacity,
                             std::size_t* fullLength);

// Skips one line; with `quoteAware`, line feeds between double quotes do
// not end it.
void txtSkipLine(TxtByteSource& source, bool quoteAware);

// Whether a record starts at the position (neither the end of the file nor
// Ctrl-Z).
inline bool txtRecordStarts(TxtByteSource& source) {
    int c = source.peek();
    return c != TxtByteSource::END && c != 26;
}

// The UTF-8 byte-order mark's length (3) when the file starts with one, else 0.
std::size_t txtByteOrderMarkLength(TxtByteSource& source);

// Trailing blanks of `length` bytes removed; returns the new length.
inline std::size_t txtTrimTrailingBlanks(const char* text, std::size_t length) {
    while (length > 0 && text[length - 1] == ' ')
        --length;
    return length;
}
