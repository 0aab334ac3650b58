#include "util/buttoken.h"

#include <cstring>

#include "error/utlMessages.h"
#include "token/tokenChars.h"
#include "util/VxError.h"
#include "util/ram.h"

using vxtoken::isDigit;
using vxtoken::isLetter;

namespace {

// Longest part of the unread text quoted in message 2703.
constexpr std::size_t MAX_QUOTED_IN_MESSAGE = 255;

bool isBlankWordDelimiter(unsigned char c) {
    return c == ',' || c == '/' || c == '(' || c == ')' || c == '|';
}

bool isTwoCharOperator(unsigned char first, unsigned char second) {
    static constexpr const char* operators[] = {
        "||", "<>", "<=", ">=", "!=", "!<", "!>", "**", "*=", "=*"};
    for (const char* op : operators)
        if (static_cast<unsigned char>(op[0]) == first &&
            static_cast<unsigned char>(op[1]) == second)
            return true;
    return false;
}

bool isSqlMode(unsigned mode) {
    return mode == BUT_MODE_SQL || mode == BUT_MODE_SQL_ALT;
}

// The state of one buttoken call: the unread input and the token so far,
// in `out` or, once moved, in an allocated buffer.
class ButScan {
public:
    ButScan(char* out, std::size_t size, unsigned short flags, const char* input)
        : out_(out), size_(size), flags_(flags), mode_(flags & BUT_MODE_MASK), p_(input) {}

    unsigned mode() const { return mode_; }
    const char* input() const { return p_; }
    unsigned char peek(std::size_t ahead = 0) const {
        for (std::size_t i = 0; i < ahead; ++i)
            if (!p_[i])
                return 0;
        return static_cast<unsigned char>(p_[ahead]);
    }

    // Stores the next input byte and moves past it. False once an error
    // has been raised.
    bool take() {
        if (!store(*p_))
            return false;
        ++p_;
        return true;
    }
    bool takeRun(std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            if (!take())
                return false;
        return true;
    }
    // Moves past `count` input bytes without storing them.
    void skip(std::size_t count) { p_ += count; }

    // Writes the terminating NUL, upper-cases when asked and, for a moved
    // token, leaves its first character and address in `out`.
    void finish(bool upperCase);
    // Frees a moved token after an error.
    void discard();

private:
    bool store(char c);

    char* out_;
    std::size_t size_;
    unsigned short flags_;
    unsigned mode_;
    const char* p_;
    std::size_t length_ = 0;
    char* moved_ = nullptr;
};

bool ButScan::store(char c) {
    if (moved_) {
        moved_[length_++] = c;
        return true;
    }
    if (length_ + 1 < size_) {
        out_[length_++] = c;
        return true;
    }
    if (flags_ & BUT_TRUNCATE)
        return true;
    if ((flags_ & BUT_ALLOCATE) && size_ >= BUT_MOVED_MIN_SIZE) {
        // The token cannot be longer than what is stored plus the unread text.
        moved_ = static_cast<char*>(ramAlloc(size_ + std::strlen(p_) + 1));
        if (!moved_)
            return false;
        std::memcpy(moved_, out_, length_);
        moved_[length_++] = c;
        return true;
    }
    if (size_ == 0) {
        addError(2700) << "";
        return false;
    }
    out_[length_] = 0;
    addError(2700) << out_;
    return false;
}

void ButScan::finish(bool upperCase) {
    char* text = moved_ ? moved_ : out_;
    if (!moved_ && size_ == 0)
        return;
    text[length_] = 0;
    if (upperCase && !(flags_ & BUT_KEEP_CASE))
        for (std::size_t i = 0; i < length_; ++i)
            text[i] = vxtoken::toUpper(text[i]);
    bool slotFits = (flags_ & BUT_ALLOCATE) && size_ >= BUT_MOVED_MIN_SIZE;
    if (moved_) {
        out_[0] = moved_[0];
        out_[1] = 0;
        std::memcpy(out_ + 2, &moved_, sizeof moved_);
    } else if (slotFits && length_ == 1) {
        // A one-character token must not look like a moved one.
        std::memset(out_ + 2, 0, BUT_MOVED_MIN_SIZE - 2);
    }
}

void ButScan::discard() {
    ramFree(moved_);
    moved_ = nullptr;
}

// Raises 2703 with the unread text from the opening character; returns false.
bool raiseUnmatched(const char* start) {
    std::size_t length = std::strlen(start);
    if (length > MAX_QUOTED_IN_MESSAGE)
        length = MAX_QUOTED_IN_MESSAGE;
    addError(2703) << VxSubString(start, length);
    return false;
}

// A blank-delimited word; back-quoted stretches keep their delimiters.
bool scanWord(ButScan& s) {
    bool quoted = false;
    for (unsigned char c = s.peek(); c; c = s.peek()) {
        if (!quoted && (c <= ' ' || isBlankWordDelimiter(c)))
            break;
        if (c == '`')
            quoted = !quoted;
        if (!s.take())
            return false;
    }
    return true;
}

// Quoted text with its quotes; a doubled quote inside is stored once.
bool scanQuoted(ButScan& s) {
    const char* start = s.input();
    unsigned char quote = s.peek();
    if (!s.take())
        return false;
    for (unsigned char c = s.peek();; c = s.peek()) {
        if (!c)
            return raiseUnmatched(start);
        if (c == quote && s.peek(1) == quote) {
            if (!s.take())
                return false;
            s.skip(1);
            continue;
        }
        if (!s.take())
            return false;
        if (c == quote)
            return true;
    }
}

// Everything through the next "}".
bool scanBraces(ButScan& s) {
    const char* start = s.input();
    for (unsigned char c = s.peek();; c = s.peek()) {
        if (!c)
            return raiseUnmatched(start);
        if (!s.take())
            return false;
        if (c == '}')
            return true;
    }
}

// Digits with at most one period.
bool scanNumber(ButScan& s) {
    bool period = false;
    for (unsigned char c = s.peek(); c; c = s.peek()) {
        if (c == '.') {
            if (period)
                break;
            period = true;
        } else if (!isDigit(c)) {
            break;
        }
        if (!s.take())
            return false;
    }
    return true;
}

// The number of bytes at the input that continue a name in this mode.
std::size_t nameContinuation(const ButScan& s, bool startedWithPeriod, unsigned char previous) {
    unsigned char c = s.peek();
    if (isLetter(c) || isDigit(c) || c == '_')
        return 1;
    unsigned mode = s.mode();
    if (isSqlMode(mode)) {
        if (c == '#' || c == '$')
            return 1;
        unsigned char next = s.peek(1);
        if (c == '\\' && (next == '*' || next == '+' || next == '-' || next == '/'))
            return 2;
    }
    if (mode == BUT_MODE_PERIOD_NAMES && startedWithPeriod && c == '.' && previous != '.')
        return 1;
    if (mode == BUT_MODE_HOST_NAMES && (c == ':' || c == '.'))
        return 1;
    return 0;
}

bool scanName(ButScan& s) {
    bool startedWithPeriod = s.peek() == '.';
    unsigned char previous = s.peek();
    if (!s.take())
        return false;
    for (std::size_t run = nameContinuation(s, startedWithPeriod, previous); run;
         run = nameContinuation(s, startedWithPeriod, previous)) {
        previous = s.peek(run - 1);
        if (!s.takeRun(run))
            return false;
    }
    return true;
}

// "?" and an optional name of a letter, then letters, digits and "_".
bool scanMarker(ButScan& s) {
    if (!s.take())
        return false;
    if (!isLetter(s.peek()))
        return true;
    while (isLetter(s.peek()) || isDigit(s.peek()) || s.peek() == '_')
        if (!s.take())
            return false;
    return true;
}

bool startsName(unsigned char c, unsigned mode) {
    return isLetter(c) || c == '_' || (c == '#' && isSqlMode(mode)) ||
           (c == '.' && mode == BUT_MODE_PERIOD_NAMES);
}

// Reads the token at the input. `upperCase` tells whether it is a name or
// a word. False once an error has been raised.
bool scanToken(ButScan& s, bool& upperCase) {
    unsigned char c = s.peek();
    unsigned mode = s.mode();
    upperCase = false;
    if (!c)
        return true;
    if (mode == BUT_MODE_WORDS && !isBlankWordDelimiter(c)) {
        upperCase = true;
        return scanWord(s);
    }
    if (c == '\'' || c == '"' || c == '`')
        return scanQuoted(s);
    if (isDigit(c) || (c == '.' && isDigit(s.peek(1)))) {
        if (mode == BUT_MODE_HOST_NAMES && isDigit(c)) {
            upperCase = true;
            return scanName(s);
        }
        return scanNumber(s);
    }
    if (startsName(c, mode) || (c == ':' && mode == BUT_MODE_HOST_NAMES)) {
        upperCase = true;
        return scanName(s);
    }
    if (c == '{')
        return scanBraces(s);
    if (isTwoCharOperator(c, s.peek(1)))
        return s.takeRun(2);
    if (c == '(' && s.peek(1) == '+' && s.peek(2) == ')')
        return s.takeRun(3);
    if (c == '?')
        return scanMarker(s);
    return s.take();
}

} // namespace

VxStatus buttoken(char* out, const char** cursor, unsigned short flags, std::size_t size) {
    const char* p = *cursor;
    while (*p && static_cast<unsigned char>(*p) <= ' ')
        ++p;
    ButScan scan(out, size, flags, p);
    bool upperCase = false;
    bool ok = scanToken(scan, upperCase);
    *cursor = scan.input();
    if (!ok) {
        scan.discard();
        return VX_ERROR;
    }
    scan.finish(upperCase);
    return VX_SUCCESS;
}

char* buttokenMovedText(const char* out) {
    if (!out[0] || out[1])
        return nullptr;
    char* moved;
    std::memcpy(&moved, out + 2, sizeof moved);
    return moved;
}

VxStatus butxpand(char** buffer, char** cursor, std::size_t* capacity, std::size_t need) {
    std::size_t growth = (need / 512) * 512 + 512;
    if (!*buffer) {
        char* block = static_cast<char*>(ramAlloc(growth));
        if (!block)
            return VX_ERROR;
        *buffer = block;
        *cursor = block;
        *capacity = growth;
        return VX_SUCCESS;
    }
    std::size_t used = static_cast<std::size_t>(*cursor - *buffer);
    if (used + need <= *capacity)
        return VX_SUCCESS;
    void* block = *buffer;
    if (ramResize(&block, *capacity + growth) != VX_SUCCESS)
        return VX_ERROR;
    *buffer = static_cast<char*>(block);
    *cursor = *buffer + used;
    *capacity += growth;
    return VX_SUCCESS;
}
