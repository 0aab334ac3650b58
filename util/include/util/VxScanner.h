// VxScanner: an object tokeniser over a counted text.
//
// The scanner reads VxTokens from a text it does not own: a text and
// length, a VxSubString or a VxString. Only a scanner over a VxString can
// rewrite its text (changeToken, insertToken); the string must outlive the
// scanner, and tokens taken before a rewrite point into the old buffer.
//
// The scanner never fails on bad input: unterminated quoted text and
// groups come back as VX_TOKEN_UNTERMINATED for the caller to report.
//
// Options (all off and all sets empty after construction; the quote
// characters are the apostrophe, the double quote and the back-quote):
//   quote characters   up to three; each opens quoted text closed by itself
//   word-start set     extra characters that start (and are not skipped as
//                      white space before) a word
//   word set           extra characters that continue a word
//   word-delimiter set when not empty, a word is any run of characters
//                      outside it
//   group pair         an extra opening and closing character for groups
//   comments           "--" to the end of the line and "/*" ... "*/"
//   decimal numbers    a period inside or in front of a number
//   brace groups       "{...}" is one group token
//   paren groups       "(...)" is one group token
#pragma once

#include <cstddef>
#include <cstdint>

#include "util/VxStatus.h"
#include "util/VxToken.h"

class VxArray;
class VxString;

enum SearchType {
    SEARCH_NORMAL = 0,
    SEARCH_BLANK_WORDS = 1, // a token not starting with one of ",/()|" runs to a blank
    SEARCH_IDENTIFIERS = 2, // "#" and "$" start and continue identifiers
};

class VX_EXPORT VxScanner {
public:
    VxScanner();
    explicit VxScanner(const char* text);
    VxScanner(const char* text, std::size_t length);
    explicit VxScanner(const VxSubString& text);
    explicit VxScanner(VxString& text);
    VxScanner(const VxScanner&) = delete;
    VxScanner& operator=(const VxScanner&) = delete;

    // Both restart at position 0; only the VxString form allows rewriting.
    void setScanString(const char* text, std::size_t length);
    void setScanString(VxString& text);

    // Reads the next token and returns its kind.
    std::int32_t getToken(VxToken& token, SearchType searchType = SEARCH_NORMAL);
    // Sets `token` to `length` bytes at `position` with kind 0, without
    // moving the scanner. The stretch is cut to the end of the text.
    void getToken(VxToken& token, std::uint32_t position, std::uint32_t length);
    // Reads a value up to (not including) `delimiter` outside quoted text,
    // trailing white space trimmed; returns its kind: VX_TOKEN_VALUE,
    // VX_TOKEN_EMPTY when the delimiter comes first, VX_TOKEN_END at the
    // end of input. The delimiter is left for the next getToken.
    std::int32_t getDelimitedToken(VxToken& token, char delimiter);
    // Moves the position back to the start of `token`.
    void unGetToken(const VxToken& token) { position_ = token.getPosition(); }

    // Replaces the text of `token` by `text`; the token then covers the new
    // text and a position behind it moves with it. Inserting puts `text`
    // in front of the token and moves the token behind it. Both fail
    // (message 2716) when the string cannot grow or the scanner does not
    // scan a VxString.
    [[nodiscard]] VxStatus changeToken(VxToken& token, const VxSubString& text);
    [[nodiscard]] VxStatus insertToken(VxToken& token, const VxSubString& text);

    // Empties `array` (deleting what it owns) and appends each value up to
    // the end of input that is separated by `delimiter`: as VxSubStrings
    // into the text, or as VxString copies.
    [[nodiscard]] VxStatus parseList(VxArray& array, char delimiter);
    [[nodiscard]] VxStatus parseListVxString(VxArray& array, char delimiter);

    // Whether `token` equals `text`. A text of several blank-separated
    // words must match consecutive tokens; on success the token is
    // stretched over them and the position stays after them, on failure
    // the position is restored.
    bool isEqual(VxToken& token, const char* text) { return matches(token, text, false); }
    bool isEqualCi(VxToken& token, const char* text) { return matches(token, text, true); }
    // `list` holds NUL-terminated texts ended by an empty one; true when
    // isEqual holds for one of them.
    bool isInSet(VxToken& token, const char* list) { return matchesOneOf(token, list, false); }
    bool isInSetCi(VxToken& token, const char* list) { return matchesOneOf(token, list, true); }
    // Reads tokens until one equals `text` (true, position after it) or
    // the input ends (false).
    bool isTokenWithin(const char* text) { return findToken(text, false); }
    bool isTokenWithinCi(const char* text) { return findToken(text, true); }

    std::uint32_t getPosition() const { return position_; }
    void setPosition(std::uint32_t position) {
        position_ = position < length_ ? position : length_;
    }
    bool atEnd() const { return position_ >= length_; }
    const char* getText() const { return text_; }
    std::uint32_t getLength() const { return length_; }

    void setQuoteChars(char first, char second = 0, char third = 0);
    // The sets are given as NUL-terminated lists of characters; null or ""
    // empties a set.
    void setWordStartChars(const char* chars) { fillSet(wordStart_, chars); }
    void setWordChars(const char* chars) { fillSet(wordChars_, chars); }
    void setWordDelimiters(const char* chars);
    // A NUL opening character removes the pair.
    void setGroupChars(char open, char close) {
        groupOpen_ = open;
        groupClose_ = close;
    }
    void setComments(bool on) { comments_ = on; }
    void setDecimalNumbers(bool on) { decimalNumbers_ = on; }
    void setBraceGroups(bool on) { braceGroups_ = on; }
    void setParenGroups(bool on) { parenGroups_ = on; }

private:
    using CharSet = std::uint8_t[32];
    static void fillSet(CharSet& set, const char* chars);
    static bool inSet(const CharSet& set, unsigned char c) { return set[c >> 3] & (1u << (c & 7)); }

    unsigned char at(std::uint32_t pos) const {
        return pos < length_ ? static_cast<unsigned char>(text_[pos]) : 0;
    }
    bool isQuote(unsigned char c) const;
    bool isWordChar(unsigned char c) const;
    void skipWhite();
    std::int32_t finish(VxToken& token, std::uint32_t start, std::int32_t kind);
    bool scanQuotedOrGroup(VxToken& token, std::uint32_t start, std::int32_t& kind);
    std::uint32_t scanQuoted(std::uint32_t start, bool& terminated) const;
    std::uint32_t scanGroup(std::uint32_t start, char open, char close, bool& terminated) const;
    bool scanComment(std::uint32_t start, std::uint32_t& end) const;
    std::uint32_t scanNumber(std::uint32_t start, std::int32_t& kind) const;
    std::int32_t scanOperator(std::uint32_t start, std::uint32_t& end) const;
    void refreshText();

    bool matches(VxToken& token, const char* text, bool ignoreCase);
    bool matchesOneOf(VxToken& token, const char* list, bool ignoreCase);
    bool findToken(const char* text, bool ignoreCase);
    VxStatus parseListInto(VxArray& array, char delimiter, bool copies);

    const char* text_ = "";
    std::uint32_t length_ = 0;
    VxString* string_ = nullptr;
    std::uint32_t position_ = 0;
    char quotes_[3] = {'\'', '"', '`'};
    CharSet wordStart_ = {};
    CharSet wordChars_ = {};
    CharSet wordDelimiters_ = {};
    bool hasWordDelimiters_ = false;
    char groupOpen_ = 0;
    char groupClose_ = 0;
    bool comments_ = false;
    bool decimalNumbers_ = false;
    bool braceGroups_ = false;
    bool parenGroups_ = false;
};
