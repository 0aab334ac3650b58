// buttoken: the function tokeniser of the flat-file SQL engine and the file
// drivers, over a NUL-terminated text; butxpand: room in a growing output
// buffer.
#pragma once

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"

// The low 12 bits of the flags hold the mode.
constexpr unsigned short BUT_MODE_MASK = 0x0FFF;
// Blank-delimited words: a token not starting with one of ",/()|" runs to
// a byte of code 32 or below or one of those characters; back-quotes
// toggle a stretch in which those delimiters are ordinary.
constexpr unsigned short BUT_MODE_WORDS = 1;
// SQL tokens: names also take "#", "$" and a backslash followed by one of
// "*+-/"; a name may start with "#".
constexpr unsigned short BUT_MODE_SQL = 2;
// Names that may start with a period; such a name continues over periods
// until two periods follow each other (".T." is one token).
constexpr unsigned short BUT_MODE_PERIOD_NAMES = 3;
// Names that may start with ":" or a digit and take ":" and periods.
constexpr unsigned short BUT_MODE_HOST_NAMES = 4;
// The same as BUT_MODE_SQL.
constexpr unsigned short BUT_MODE_SQL_ALT = 6;

// A token longer than size - 1 bytes is cut silently.
constexpr unsigned short BUT_TRUNCATE = 0x8000;
// A token longer than size - 1 bytes is moved to an allocated buffer (see
// buttokenMovedText); needs a size of at least BUT_MOVED_MIN_SIZE.
constexpr unsigned short BUT_ALLOCATE = 0x4000;
// Names and words keep their case (they are upper-cased otherwise).
constexpr unsigned short BUT_KEEP_CASE = 0x2000;

// Room for the first character, a NUL and a pointer.
constexpr std::size_t BUT_MOVED_MIN_SIZE = 2 + sizeof(void*);

// Reads one token from the text at *cursor into `out` (capacity `size`
// bytes, NUL-terminated) and moves *cursor past it. At the end of the text
// the token is empty. The token is one of: a word (mode 1), quoted text
// with its quotes (a doubled quote inside is stored once), a number of
// digits with at most one period, a name, a brace group "{...}", one of the
// operators "||" "<>" "<=" ">=" "!=" "!<" "!>" "**" "*=" "=*", "(+)", a
// parameter marker "?" optionally followed by a name, or any other single
// character. Names and words are upper-cased (ASCII) unless BUT_KEEP_CASE.
//
// A token longer than size - 1 bytes: with BUT_TRUNCATE the rest of it is
// skipped; with BUT_ALLOCATE (and size >= BUT_MOVED_MIN_SIZE) the whole
// token goes to a buffer from ramAlloc, owned by the caller, and `out`
// holds its first character, a NUL and the buffer's address; otherwise
// message 2700 "Token too big: %s1" is raised with the part read so far.
// Quoted text or a brace group that the text does not close raises 2703
// "Unmatched quote character: %s1".
[[nodiscard]] VX_EXPORT VxStatus buttoken(char* out, const char** cursor, unsigned short flags,
                                          std::size_t size);

[[nodiscard]] inline VxStatus buttoken(unsigned char* out, const unsigned char** cursor,
                                       unsigned short flags, std::size_t size) {
    return buttoken(reinterpret_cast<char*>(out), reinterpret_cast<const char**>(cursor), flags,
                    size);
}

// After buttoken with BUT_ALLOCATE: the allocated buffer holding the whole
// token, or null when the token is in `out` itself. The caller frees the
// buffer with ramFree.
VX_EXPORT char* buttokenMovedText(const char* out);

// Makes room for `need` more bytes at *cursor in the buffer *buffer of
// *capacity bytes. When they do not fit, the capacity grows by `need`
// rounded down to a multiple of 512, plus 512, and *cursor keeps its
// offset. A null *buffer is allocated with that growth as its capacity and
// *cursor set to its start.
[[nodiscard]] VX_EXPORT VxStatus butxpand(char** buffer, char** cursor, std::size_t* capacity,
                                          std::size_t need);
