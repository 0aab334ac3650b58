// VxParamString: the text of a message with numbered placeholders.
//
// Each setParam first counts a parameter, so the first one has number 1;
// the counter is shared by texts and numbers. The placeholder is "%s" for
// a text, "%n" for a number, then "x" for numbers of 10 and more, then the
// number: %s1, %n2, %sx10. Every occurrence is replaced, left to right,
// never rescanning an inserted value; a placeholder that does not occur
// uses up its number all the same.
//
// When memory runs out the failed flag is set and every later setParam is
// ignored until the string is initialised again.
//
// The string remembers where it inserted values, so that a value that
// itself contains a placeholder is never filled by a later parameter.
#pragma once

#include "util/VxString.h"

class VX_EXPORT VxParamString : public VxString {
public:
    VxParamString() = default;
    ~VxParamString() override;

    VxStatus initialize(const char* text);
    VxStatus initialize(const char* text, std::size_t length);
    VxStatus initialize(std::size_t capacity);

    void setParam(const char* text);
    void setParam(const char* text, std::size_t length);
    void setParam(unsigned long value);
    void setParam(long value);
    // The text enclosed in `quote`, each embedded quote doubled.
    void setQuotedParam(const char* text, char quote);

    // Appends text (the failed flag is set if memory runs out).
    void append(const char* text);
    // Restarts the numbering so that the next parameter is number 1 again.
    void restartParams() { paramCount_ = 0; }

    bool hasFailed() const { return failed_; }
    void markFailed() { failed_ = true; }
    std::uint16_t getParamCount() const { return paramCount_; }

private:
    struct Span {
        std::uint32_t start;
        std::uint32_t length;
    };
    void substitute(char kind, const char* value, std::size_t valueLength);
    bool replaceAt(std::uint32_t pos, std::uint32_t oldLength, const char* value,
                   std::uint32_t valueLength, std::uint32_t spanIndex);
    void clearSpans();

    Span* spans_ = nullptr; // inserted values, in text order
    std::uint32_t spanCount_ = 0;
    std::uint16_t paramCount_ = 0;
    bool failed_ = false;
};
