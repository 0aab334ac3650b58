#include "util/VxScanner.h"

#include <cstring>

#include "error/utlMessages.h"
#include "token/tokenChars.h"
#include "util/VxArray.h"
#include "util/VxString.h"

using vxtoken::equalBytes;
using vxtoken::isDigit;
using vxtoken::isLetter;
using vxtoken::isWhite;

namespace {

// Characters that are operators on their own (the NUL character is one too).
constexpr char SINGLE_OPERATORS[] = "?,().=+&|-/*><!;:{}$#%@'\"`";

// Two-character operators; each begins with one of the single operators.
constexpr const char* DOUBLE_OPERATORS[] = {"==", "=*", "=<", "=>", "++", "&&", "||", "--", "//",
                                            "**", "*=", ">=", "<=", "<>", "!=", "!<", "!>"};

// Characters that end a blank-delimited word, and that cannot start one.
bool isBlankWordDelimiter(unsigned char c) {
    return c == ',' || c == '/' || c == '(' || c == ')' || c == '|';
}

bool isSingleOperator(unsigned char c) {
    return c == 0 || std::memchr(SINGLE_OPERATORS, c, sizeof SINGLE_OPERATORS - 1) != nullptr;
}

bool isDoubleOperator(unsigned char first, unsigned char second) {
    for (const char* op : DOUBLE_OPERATORS)
        if (static_cast<unsigned char>(op[0]) == first &&
            static_cast<unsigned char>(op[1]) == second)
            return true;
    return false;
}

// Start and length of the word at `*cursor` in a blank-separated list;
// moves the cursor past it. Returns false when no word is left.
bool nextWord(const char** cursor, const char** word, std::size_t* length) {
    const char* p = *cursor;
    while (*p == ' ')
        ++p;
    if (!*p)
        return false;
    *word = p;
    while (*p && *p != ' ')
        ++p;
    *length = static_cast<std::size_t>(p - *word);
    *cursor = p;
    return true;
}

} // namespace

VxScanner::VxScanner() = default;

VxScanner::VxScanner(const char* text) {
    setScanString(text, text ? std::strlen(text) : 0);
}

VxScanner::VxScanner(const char* text, std::size_t length) {
    setScanString(text, length);
}

VxScanner::VxScanner(const VxSubString& text) {
    setScanString(text.data(), text.length());
}

VxScanner::VxScanner(VxString& text) {
    setScanString(text);
}

void VxScanner::setScanString(const char* text, std::size_t length) {
    text_ = text ? text : "";
    length_ = text ? static_cast<std::uint32_t>(length) : 0;
    string_ = nullptr;
    position_ = 0;
}

void VxScanner::setScanString(VxString& text) {
    string_ = &text;
    refreshText();
    position_ = 0;
}

void VxScanner::refreshText() {
    text_ = string_->getBuffer() ? string_->getBuffer() : "";
    length_ = string_->getBuffer() ? string_->length() : 0;
}

void VxScanner::setQuoteChars(char first, char second, char third) {
    quotes_[0] = first;
    quotes_[1] = second;
    quotes_[2] = third;
}

void VxScanner::fillSet(CharSet& set, const char* chars) {
    std::memset(set, 0, sizeof set);
    for (const char* p = chars; p && *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        set[c >> 3] = static_cast<std::uint8_t>(set[c >> 3] | (1u << (c & 7)));
    }
}

void VxScanner::setWordDelimiters(const char* chars) {
    fillSet(wordDelimiters_, chars);
    hasWordDelimiters_ = chars && *chars;
}

bool VxScanner::isQuote(unsigned char c) const {
    return c != 0 && (c == static_cast<unsigned char>(quotes_[0]) ||
                      c == static_cast<unsigned char>(quotes_[1]) ||
                      c == static_cast<unsigned char>(quotes_[2]));
}

bool VxScanner::isWordChar(unsigned char c) const {
    return isLetter(c) || isDigit(c) || c == '_' || inSet(wordChars_, c);
}

void VxScanner::skipWhite() {
    while (position_ < length_) {
        unsigned char c = at(position_);
        if (!isWhite(c) || inSet(wordStart_, c))
            break;
        ++position_;
    }
}

std::int32_t VxScanner::finish(VxToken& token, std::uint32_t start, std::int32_t kind) {
    token.setToken(text_, start, position_ - start, kind);
    return kind;
}

std::int32_t VxScanner::getToken(VxToken& token, SearchType searchType) {
    skipWhite();
    std::uint32_t start = position_;
    if (start >= length_)
        return finish(token, start, VX_TOKEN_END);

    std::int32_t kind = VX_TOKEN_EMPTY;
    if (scanQuotedOrGroup(token, start, kind))
        return kind;

    std::uint32_t end = start;
    if (comments_ && scanComment(start, end)) {
        position_ = end;
        return finish(token, start, VX_TOKEN_COMMENT);
    }

    unsigned char c = at(start);
    end = start + 1;
    if (searchType == SEARCH_BLANK_WORDS && !isBlankWordDelimiter(c)) {
        while (end < length_ && !isWhite(at(end)) && !isBlankWordDelimiter(at(end)))
            ++end;
        kind = VX_TOKEN_BLANK_WORD;
    } else if (searchType == SEARCH_IDENTIFIERS && (isLetter(c) || c == '_' || c == '#')) {
        while (end < length_ && (isWordChar(at(end)) || at(end) == '#' || at(end) == '$'))
            ++end;
        kind = VX_TOKEN_IDENTIFIER;
    } else if (hasWordDelimiters_ ? !inSet(wordDelimiters_, c)
                                  : (isLetter(c) || c == '_' || inSet(wordStart_, c))) {
        while (end < length_ &&
               (hasWordDelimiters_ ? !inSet(wordDelimiters_, at(end)) : isWordChar(at(end))))
            ++end;
        kind = VX_TOKEN_WORD;
    } else if (isDigit(c) || (decimalNumbers_ && c == '.' && isDigit(at(start + 1)))) {
        end = scanNumber(start, kind);
    } else {
        kind = scanOperator(start, end);
    }
    position_ = end;
    return finish(token, start, kind);
}

bool VxScanner::scanQuotedOrGroup(VxToken& token, std::uint32_t start, std::int32_t& kind) {
    unsigned char c = at(start);
    bool terminated = false;
    std::uint32_t end;
    if (isQuote(c))
        end = scanQuoted(start, terminated);
    else if (parenGroups_ && c == '(')
        end = scanGroup(start, '(', ')', terminated);
    else if (braceGroups_ && c == '{')
        end = scanGroup(start, '{', '}', terminated);
    else if (groupOpen_ && c == static_cast<unsigned char>(groupOpen_))
        end = scanGroup(start, groupOpen_, groupClose_, terminated);
    else
        return false;
    position_ = end;
    kind = finish(token, start, terminated ? VX_TOKEN_QUOTED : VX_TOKEN_UNTERMINATED);
    return true;
}

// Returns the offset past the closing quote, or the end of the text when
// the quote is never closed. A doubled quote character does not close.
std::uint32_t VxScanner::scanQuoted(std::uint32_t start, bool& terminated) const {
    unsigned char quote = at(start);
    std::uint32_t pos = start + 1;
    while (pos < length_) {
        if (at(pos) != quote) {
            ++pos;
        } else if (pos + 1 < length_ && at(pos + 1) == quote) {
            pos += 2;
        } else {
            terminated = true;
            return pos + 1;
        }
    }
    terminated = false;
    return length_;
}

// Returns the offset past the bracket that closes the one at `start`,
// counting nested brackets of the same pair and skipping quoted text.
std::uint32_t VxScanner::scanGroup(std::uint32_t start, char open, char close,
                                   bool& terminated) const {
    unsigned depth = 1;
    std::uint32_t pos = start + 1;
    while (pos < length_) {
        unsigned char c = at(pos);
        if (isQuote(c)) {
            pos = scanQuoted(pos, terminated);
            if (!terminated)
                return length_;
            continue;
        }
        ++pos;
        if (c == static_cast<unsigned char>(close)) {
            if (--depth == 0) {
                terminated = true;
                return pos;
            }
        } else if (c == static_cast<unsigned char>(open)) {
            ++depth;
        }
    }
    terminated = false;
    return length_;
}

// "--" runs to the end of the line (the line feed excluded); "/*" through
// the next "*/", or to the end of the text when there is none.
bool VxScanner::scanComment(std::uint32_t start, std::uint32_t& end) const {
    if (start + 1 >= length_)
        return false;
    unsigned char first = at(start);
    unsigned char second = at(start + 1);
    if (first == '-' && second == '-') {
        end = start + 2;
        while (end < length_ && at(end) != '\n')
            ++end;
        return true;
    }
    if (first == '/' && second == '*') {
        end = start + 2;
        while (end < length_ && !(at(end) == '*' && end + 1 < length_ && at(end + 1) == '/'))
            ++end;
        end = end < length_ ? end + 2 : length_;
        return true;
    }
    return false;
}

// A number is a run of digits with at most one period when decimal numbers
// are on. It keeps the decimal kind only when it runs to the end of the
// text; a number followed by anything else is reported as a plain number.
std::uint32_t VxScanner::scanNumber(std::uint32_t start, std::int32_t& kind) const {
    bool period = false;
    std::uint32_t end = start;
    while (end < length_) {
        unsigned char c = at(end);
        if (isDigit(c)) {
            ++end;
        } else if (c == '.' && decimalNumbers_ && !period) {
            period = true;
            ++end;
        } else {
            break;
        }
    }
    kind = (period && end >= length_) ? VX_TOKEN_DECIMAL : VX_TOKEN_NUMBER;
    return end;
}

std::int32_t VxScanner::scanOperator(std::uint32_t start, std::uint32_t& end) const {
    unsigned char c = at(start);
    if (c == '(' && start + 2 < length_ && at(start + 1) == '+' && at(start + 2) == ')') {
        end = start + 3;
        return VX_TOKEN_OUTER_JOIN;
    }
    if (!isSingleOperator(c)) {
        end = start + 1;
        return VX_TOKEN_OTHER;
    }
    if (start + 1 < length_ && isDoubleOperator(c, at(start + 1))) {
        end = start + 2;
        return vxOperatorKind(static_cast<char>(c), static_cast<char>(at(start + 1)));
    }
    end = start + 1;
    return vxOperatorKind(static_cast<char>(c));
}

void VxScanner::getToken(VxToken& token, std::uint32_t position, std::uint32_t length) {
    if (position > length_)
        position = length_;
    if (length > length_ - position)
        length = length_ - position;
    token.setToken(text_, position, length, VX_TOKEN_EMPTY);
}

std::int32_t VxScanner::getDelimitedToken(VxToken& token, char delimiter) {
    unsigned char stop = static_cast<unsigned char>(delimiter);
    while (position_ < length_ && at(position_) != stop && isWhite(at(position_)) &&
           !inSet(wordStart_, at(position_)))
        ++position_;
    std::uint32_t start = position_;
    if (start >= length_)
        return finish(token, start, VX_TOKEN_END);
    if (at(start) == stop)
        return finish(token, start, VX_TOKEN_EMPTY);

    std::uint32_t pos = start;
    while (pos < length_ && at(pos) != stop) {
        if (isQuote(at(pos))) {
            bool terminated = false;
            pos = scanQuoted(pos, terminated);
        } else {
            ++pos;
        }
    }
    std::uint32_t end = pos;
    while (end > start && isWhite(at(end - 1)))
        --end;
    token.setToken(text_, start, end - start, VX_TOKEN_VALUE);
    position_ = pos;
    return VX_TOKEN_VALUE;
}

VxStatus VxScanner::changeToken(VxToken& token, const VxSubString& text) {
    if (!string_) {
        addError(2716);
        return VX_ERROR;
    }
    std::uint32_t start = token.getPosition();
    std::uint32_t oldEnd = token.getEnd();
    if (string_->changeBytes(start, token.length(), text.data(), text.length()) != VX_SUCCESS)
        return VX_ERROR;
    refreshText();
    std::uint32_t newEnd = start + text.length();
    if (position_ >= oldEnd)
        position_ = position_ - oldEnd + newEnd;
    else if (position_ > start)
        position_ = newEnd;
    token.setToken(text_, start, text.length(), token.getKind());
    return VX_SUCCESS;
}

VxStatus VxScanner::insertToken(VxToken& token, const VxSubString& text) {
    if (!string_) {
        addError(2716);
        return VX_ERROR;
    }
    std::uint32_t start = token.getPosition();
    if (string_->changeBytes(start, 0, text.data(), text.length()) != VX_SUCCESS)
        return VX_ERROR;
    refreshText();
    if (position_ >= start)
        position_ += text.length();
    token.setToken(text_, start + text.length(), token.length(), token.getKind());
    return VX_SUCCESS;
}

VxStatus VxScanner::parseList(VxArray& array, char delimiter) {
    return parseListInto(array, delimiter, false);
}

VxStatus VxScanner::parseListVxString(VxArray& array, char delimiter) {
    return parseListInto(array, delimiter, true);
}

VxStatus VxScanner::parseListInto(VxArray& array, char delimiter, bool copies) {
    array.deleteContents();
    VxToken value;
    while (getDelimitedToken(value, delimiter) != VX_TOKEN_END) {
        VxSubString* element;
        if (copies) {
            VxString* copy = new VxString();
            if (!copy)
                return VX_ERROR;
            if (copy->initialize(value.data(), value.length()) != VX_SUCCESS) {
                delete copy;
                return VX_ERROR;
            }
            element = copy;
        } else {
            element = new VxSubString(value.data(), value.length());
            if (!element)
                return VX_ERROR;
        }
        if (array.add(element) != VX_SUCCESS) {
            delete element;
            return VX_ERROR;
        }
        if (position_ >= length_)
            break;
        ++position_; // the delimiter
    }
    return VX_SUCCESS;
}

bool VxScanner::matches(VxToken& token, const char* text, bool ignoreCase) {
    const char* cursor = text ? text : "";
    const char* word = cursor;
    std::size_t wordLength = 0;
    nextWord(&cursor, &word, &wordLength);
    if (!equalBytes(token.data(), token.length(), word, wordLength, ignoreCase))
        return false;

    std::uint32_t saved = position_;
    std::uint32_t end = token.getEnd();
    VxToken next;
    while (nextWord(&cursor, &word, &wordLength)) {
        getToken(next);
        if (!equalBytes(next.data(), next.length(), word, wordLength, ignoreCase)) {
            position_ = saved;
            return false;
        }
        end = next.getEnd();
    }
    token.set(token.data(), end - token.getPosition());
    return true;
}

bool VxScanner::matchesOneOf(VxToken& token, const char* list, bool ignoreCase) {
    for (const char* entry = list; entry && *entry; entry += std::strlen(entry) + 1)
        if (matches(token, entry, ignoreCase))
            return true;
    return false;
}

bool VxScanner::findToken(const char* text, bool ignoreCase) {
    VxToken token;
    while (getToken(token) != VX_TOKEN_END)
        if (matches(token, text, ignoreCase))
            return true;
    return false;
}
