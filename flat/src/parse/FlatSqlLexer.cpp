// FlatSqlLexer: tokens through buttoken, with their offsets and lengths.
#include "parse/FlatSqlLexer.h"

#include <cstring>

#include "error/FlatErrors.h"
#include "flat/FlatConnection.h"
#include "util/VxString.h"
#include "util/VxSubString.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

bool isAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

bool isQuoteChar(unsigned char c) {
    return c == '\'' || c == '"' || c == '`';
}

// Longest part of the unread text quoted in message 3907.
constexpr std::size_t QUOTED_TEXT_MAX = 40;

} // namespace

bool FlatSqlToken::is(const char* word) const {
    return strEqualCi(text(), length_, word, std::strlen(word));
}

bool FlatSqlToken::isName() const {
    unsigned char c = first();
    return isAsciiLetter(c) || c == '_' || c == '#' || c >= 0x80;
}

bool FlatSqlToken::isQuoted() const {
    unsigned char c = first();
    return length_ >= 2 && (c == '\'' || c == '"' || c == '`');
}

bool FlatSqlToken::isNumber() const {
    unsigned char c = first();
    return isAsciiDigit(c) ||
           (c == '.' && length_ > 1 && isAsciiDigit(static_cast<unsigned char>(text()[1])));
}

void FlatSqlToken::release() {
    ramFree(moved_);
    moved_ = nullptr;
    length_ = 0;
    inline_[0] = 0;
}

VxStatus FlatSqlLexer::next(FlatSqlToken* token, unsigned short mode, std::size_t size) {
    token->release();
    skipBlanks();
    token->offset_ = getOffset();
    if (size > FLAT_NAME_SIZE)
        size = FLAT_NAME_SIZE;
    if (isQuoteChar(static_cast<unsigned char>(*cursor_)) && !quoteCloses())
        return unmatchedQuote();
    if (buttoken(token->inline_, &cursor_, mode, size) != VX_SUCCESS)
        return VX_ERROR;
    if (mode & BUT_ALLOCATE)
        token->moved_ = buttokenMovedText(token->inline_);
    token->length_ = std::strlen(token->text());
    return VX_SUCCESS;
}

bool FlatSqlLexer::quoteCloses() const {
    const char quote = *cursor_;
    for (const char* p = cursor_ + 1; *p; ++p) {
        if (*p != quote)
            continue;
        if (p[1] != quote)
            return true;
        ++p; // a doubled quote stands for one
    }
    return false;
}

// A quote that the text does not close is a syntax error of the
// statement, named by its first word.
VxStatus FlatSqlLexer::unmatchedQuote() const {
    const char* word = text_;
    while (*word == ' ' || *word == '\t' || *word == '\r' || *word == '\n')
        ++word;
    std::size_t wordLength = 0;
    while (isAsciiLetter(static_cast<unsigned char>(word[wordLength])))
        ++wordLength;
    char name[16] = "SQL";
    if (wordLength > 0 && wordLength < sizeof name) {
        for (std::size_t i = 0; i < wordLength; ++i)
            name[i] = static_cast<char>(vxToUpper(static_cast<unsigned char>(word[i])));
        name[wordLength] = 0;
    }
    std::size_t rest = std::strlen(cursor_);
    addFlatSyntaxError(3907) << name
                             << VxSubString(cursor_,
                                            rest < QUOTED_TEXT_MAX ? rest : QUOTED_TEXT_MAX);
    return VX_ERROR;
}

VxStatus FlatSqlLexer::peek(FlatSqlToken* token, unsigned short mode, std::size_t size) {
    const char* saved = cursor_;
    VxStatus status = next(token, mode, size);
    cursor_ = saved;
    return status;
}

VxStatus FlatSqlLexer::takeExponent(FlatSqlToken* number) {
    const char* p = cursor_;
    if (*p != 'E' && *p != 'e')
        return VX_SUCCESS;
    const char* digits = p + 1;
    if (*digits == '+' || *digits == '-')
        ++digits;
    if (!isAsciiDigit(static_cast<unsigned char>(*digits)))
        return VX_SUCCESS;
    const char* end = digits;
    while (isAsciiDigit(static_cast<unsigned char>(*end)))
        ++end;
    std::size_t extra = static_cast<std::size_t>(end - p);
    std::size_t total = number->length_ + extra;
    if (!number->moved_ && total + 1 <= FLAT_NAME_SIZE) {
        std::memcpy(number->inline_ + number->length_, p, extra);
        number->inline_[total] = 0;
    } else {
        char* text = static_cast<char*>(ramAlloc(total + 1));
        if (!text)
            return VX_ERROR;
        std::memcpy(text, number->text(), number->length_);
        std::memcpy(text + number->length_, p, extra);
        text[total] = 0;
        ramFree(number->moved_);
        number->moved_ = text;
    }
    number->length_ = total;
    cursor_ = end;
    return VX_SUCCESS;
}

unsigned char FlatSqlLexer::peekChar() const {
    const char* p = cursor_;
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    return static_cast<unsigned char>(*p);
}

void FlatSqlLexer::skipBlanks() {
    while (*cursor_ && static_cast<unsigned char>(*cursor_) <= ' ')
        ++cursor_;
}

const char* FlatSqlLexer::skipQuoted(const char* p) {
    const char quote = *p++;
    while (*p) {
        if (*p == quote) {
            if (p[1] != quote)
                return p + 1;
            ++p;
        }
        ++p;
    }
    return p;
}

VxStatus FlatSqlLexer::countMarkers(const char* text, std::size_t length, std::uint16_t* markers,
                                    bool* bare) {
    *markers = 0;
    *bare = false;
    VxString copy;
    if (copy.initialize(text, length))
        return VX_ERROR;
    FlatSqlLexer lexer(copy.getText());
    FlatSqlToken token;
    bool onlyMarkers = true;
    for (;;) {
        if (lexer.nextKeyword(&token))
            return VX_ERROR;
        if (token.isEmpty())
            break;
        if (token.first() == '?')
            ++*markers;
        else
            onlyMarkers = false;
    }
    *bare = onlyMarkers && *markers == 1;
    return VX_SUCCESS;
}

VxStatus FlatSqlLexer::nextTableName(char stop, char* name) {
    FlatSqlToken token;
    if (next(&token, FLAT_TOKEN_FILE, FLAT_NAME_SIZE))
        return VX_ERROR;
    std::size_t length = token.length();
    if (const char* end = std::strchr(token.text(), stop)) {
        length = static_cast<std::size_t>(end - token.text());
        setCursor(getText() + token.getOffset() + length);
    }
    std::memcpy(name, token.text(), length);
    name[length] = '\0';
    FlatConnection::flatStripEngrave(name);
    return VX_SUCCESS;
}
