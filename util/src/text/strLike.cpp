// LIKE pattern matching with one retry point.
//
// The walk keeps a single retry point: the pattern position just after the
// last run of anyMany wildcards and the text position where that run
// started to match. On a mismatch the pattern resumes at the retry point
// and the text one character further than the previous attempt, which is
// enough because an earlier run of anyMany never needs to take back what a
// later one could absorb.
#include "util/str.h"

#include <cstring>

namespace {

bool sameChar(char a, char b, bool exactCase) {
    if (a == b)
        return true;
    return !exactCase &&
           vxToUpper(static_cast<unsigned char>(a)) == vxToUpper(static_cast<unsigned char>(b));
}

struct LikeWalk {
    const char* text;
    std::size_t textLength;
    const char* pattern;
    std::size_t patternLength;
    char anyMany;
    char anyOne;
    char escape;
    bool exactCase;
};

bool isAnyMany(const LikeWalk& w, std::size_t p) {
    return p < w.patternLength && w.anyMany != 0 && w.pattern[p] == w.anyMany;
}

bool isAnyOne(const LikeWalk& w, std::size_t p) {
    return p < w.patternLength && w.anyOne != 0 && w.pattern[p] == w.anyOne;
}

// Tries to match the character at text position t against the pattern at
// p, an escape included; advances p on success.
bool matchOne(const LikeWalk& w, std::size_t& p, std::size_t t) {
    char expected = w.pattern[p];
    if (w.escape != 0 && expected == w.escape) {
        if (p + 1 >= w.patternLength)
            return false;
        expected = w.pattern[p + 1];
        if (!sameChar(w.text[t], expected, w.exactCase))
            return false;
        p += 2;
        return true;
    }
    if (isAnyOne(w, p) || sameChar(w.text[t], expected, w.exactCase)) {
        ++p;
        return true;
    }
    return false;
}

bool walk(const LikeWalk& w) {
    std::size_t t = 0;
    std::size_t p = 0;
    bool haveRetry = false;
    std::size_t retryPattern = 0;
    std::size_t retryText = 0;
    for (;;) {
        if (t == w.textLength) {
            while (isAnyMany(w, p))
                ++p;
            return p == w.patternLength;
        }
        if (isAnyMany(w, p)) {
            while (isAnyMany(w, p))
                ++p;
            for (; isAnyOne(w, p); ++p) {
                if (t == w.textLength)
                    return false;
                ++t;
            }
            if (p == w.patternLength)
                return true;
            haveRetry = true;
            retryPattern = p;
            retryText = t;
            continue;
        }
        if (p < w.patternLength && matchOne(w, p, t)) {
            ++t;
            continue;
        }
        if (!haveRetry)
            return false;
        p = retryPattern;
        t = ++retryText;
    }
}

} // namespace

bool strLike(const char* text, const char* pattern, char anyMany, char anyOne, char escape,
             bool exactCase, bool keepTrailing) {
    return strLike(text, std::strlen(text), pattern, std::strlen(pattern), anyMany, anyOne, escape,
                   exactCase, keepTrailing);
}

bool strLike(const char* text, std::size_t textLength, const char* pattern,
             std::size_t patternLength, char anyMany, char anyOne, char escape, bool exactCase,
             bool keepTrailing) {
    if (!keepTrailing) {
        textLength = strRightTrim(text, textLength);
        patternLength = strRightTrim(pattern, patternLength);
    }
    LikeWalk w{text, textLength, pattern, patternLength, anyMany, anyOne, escape, exactCase};
    return walk(w);
}
