// FlatSqlLexer: the parser's reader of SQL tokens over one NUL-terminated
// text, on top of the foundation's buttoken.
//
// Token modes (flag words of buttoken):
//   keywords and clause scanning: SQL names, at most 80 bytes, cut beyond;
//   operands of expressions: names that may start with a period (".T."),
//     any length (long tokens move to an allocated buffer);
//   operators: plain tokens, at most 255 bytes, cut beyond;
//   file names: blank-delimited words, at most 255 bytes, cut beyond.
// Every mode keeps the case of names; keyword comparison ignores case.
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"
#include "util/buttoken.h"

constexpr unsigned short FLAT_TOKEN_KEYWORD = BUT_MODE_SQL | BUT_TRUNCATE | BUT_KEEP_CASE;
constexpr unsigned short FLAT_TOKEN_OPERAND = BUT_MODE_PERIOD_NAMES | BUT_ALLOCATE | BUT_KEEP_CASE;
constexpr unsigned short FLAT_TOKEN_OPERATOR = BUT_TRUNCATE | BUT_KEEP_CASE;
constexpr unsigned short FLAT_TOKEN_FILE = BUT_MODE_WORDS | BUT_TRUNCATE | BUT_KEEP_CASE;

constexpr std::size_t FLAT_KEYWORD_SIZE = 81;
constexpr std::size_t FLAT_NAME_SIZE = 256;

// One token. A token too long for the inline buffer lives in an owned
// allocation; text() is always NUL-terminated.
class FlatSqlToken {
public:
    FlatSqlToken() = default;
    ~FlatSqlToken() { release(); }
    FlatSqlToken(const FlatSqlToken&) = delete;
    FlatSqlToken& operator=(const FlatSqlToken&) = delete;

    const char* text() const { return moved_ ? moved_ : inline_; }
    std::size_t length() const { return length_; }
    bool isEmpty() const { return length_ == 0; }
    unsigned char first() const { return static_cast<unsigned char>(text()[0]); }
    // Equal to `word` regardless of (ASCII) case.
    bool is(const char* word) const;
    // A single character token equal to `c`.
    bool isChar(char c) const { return length_ == 1 && text()[0] == c; }
    // Starts like a name: a letter, "_" or "#".
    bool isName() const;
    // Quoted text (its quote character is first()).
    bool isQuoted() const;
    // Digits, or a period followed by a digit.
    bool isNumber() const;

    // Offset of the token's first byte in the lexer's text.
    std::size_t getOffset() const { return offset_; }

    void release();

private:
    friend class FlatSqlLexer;
    char inline_[FLAT_NAME_SIZE] = {};
    char* moved_ = nullptr;
    std::size_t length_ = 0;
    std::size_t offset_ = 0;
};

class FlatSqlLexer {
public:
    // `text` must stay alive and NUL-terminated while the lexer is used.
    explicit FlatSqlLexer(const char* text) : text_(text), cursor_(text) {}

    // Reads the next token in `mode` (one of the FLAT_TOKEN_* words);
    // `size` bounds tokens that are cut (at most FLAT_NAME_SIZE). Raises
    // what buttoken raises (2700) and 3907 for quoted text that the
    // statement does not close.
    [[nodiscard]] VxStatus next(FlatSqlToken* token, unsigned short mode,
                                std::size_t size = FLAT_NAME_SIZE);
    // Reads the next token in keyword mode, cut at FLAT_KEYWORD_SIZE.
    [[nodiscard]] VxStatus nextKeyword(FlatSqlToken* token) {
        return next(token, FLAT_TOKEN_KEYWORD, FLAT_KEYWORD_SIZE);
    }
    // Reads a table name (a file token) into `name` (FLAT_NAME_SIZE bytes),
    // ending it at a `stop` character written against it and leaving the
    // cursor there; engraving quotes are stripped.
    [[nodiscard]] VxStatus nextTableName(char stop, char* name);
    // Reads the next token and puts the cursor back.
    [[nodiscard]] VxStatus peek(FlatSqlToken* token, unsigned short mode,
                                std::size_t size = FLAT_NAME_SIZE);
    // Reads an exponent ("E", optional sign, digits) that directly follows
    // a number token and appends it; nothing when none follows.
    [[nodiscard]] VxStatus takeExponent(FlatSqlToken* number);

    // The first byte that is not blank, without moving.
    unsigned char peekChar() const;
    // Moves past blanks.
    void skipBlanks();
    bool atEnd() const { return peekChar() == 0; }

    // Moves past quoted text starting at `p` (on its opening quote); a
    // doubled quote stays inside. The byte after the closing quote, or the
    // end of the text.
    static const char* skipQuoted(const char* p);
    // Counts the parameter markers of the `length` bytes of expression
    // text as the parser numbers them; *bare says whether the text is one
    // marker alone.
    [[nodiscard]] static VxStatus countMarkers(const char* text, std::size_t length,
                                               std::uint16_t* markers, bool* bare);

    const char* getText() const { return text_; }
    const char* getCursor() const { return cursor_; }
    void setCursor(const char* cursor) { cursor_ = cursor; }
    std::size_t getOffset() const { return static_cast<std::size_t>(cursor_ - text_); }

private:
    bool quoteCloses() const;
    [[nodiscard]] VxStatus unmatchedQuote() const;

    const char* text_;
    const char* cursor_;
};
