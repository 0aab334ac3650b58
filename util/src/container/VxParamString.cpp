#include "util/VxParamString.h"

#include <cstdio>
#include <cstring>

#include "util/ram.h"

VxParamString::~VxParamString() {
    clearSpans();
}

void VxParamString::clearSpans() {
    ramFree(spans_);
    spans_ = nullptr;
    spanCount_ = 0;
}

VxStatus VxParamString::initialize(const char* text) {
    return initialize(text, text ? std::strlen(text) : 0);
}

VxStatus VxParamString::initialize(const char* text, std::size_t length) {
    paramCount_ = 0;
    clearSpans();
    VxStatus status = VxString::initialize(text, length);
    failed_ = status != VX_SUCCESS;
    return status;
}

VxStatus VxParamString::initialize(std::size_t capacity) {
    paramCount_ = 0;
    clearSpans();
    VxStatus status = VxString::initialize(capacity);
    failed_ = status != VX_SUCCESS;
    return status;
}

void VxParamString::append(const char* text) {
    if (!failed_ && concat(text) != VX_SUCCESS)
        failed_ = true;
}

// Replaces the placeholder at `pos` and records the inserted value as
// span number `spanIndex` (spans before it lie before `pos`).
bool VxParamString::replaceAt(std::uint32_t pos, std::uint32_t oldLength, const char* value,
                              std::uint32_t valueLength, std::uint32_t spanIndex) {
    void* block = spans_;
    if (ramResize(&block, (spanCount_ + 1) * sizeof(Span)) != VX_SUCCESS)
        return false;
    spans_ = static_cast<Span*>(block);
    if (changeBytes(pos, oldLength, value, valueLength) != VX_SUCCESS)
        return false;
    for (std::uint32_t i = spanCount_; i > spanIndex; --i) {
        spans_[i] = spans_[i - 1];
        spans_[i].start = spans_[i].start - oldLength + valueLength;
    }
    spans_[spanIndex] = Span{pos, valueLength};
    ++spanCount_;
    return true;
}

void VxParamString::substitute(char kind, const char* value, std::size_t valueLength) {
    if (failed_)
        return;
    ++paramCount_;
    char placeholder[16];
    int n = paramCount_ >= 10 ? std::snprintf(placeholder, sizeof placeholder, "%%%cx%u", kind,
                                              static_cast<unsigned>(paramCount_))
                              : std::snprintf(placeholder, sizeof placeholder, "%%%c%u", kind,
                                              static_cast<unsigned>(paramCount_));
    auto placeholderLength = static_cast<std::uint32_t>(n);
    auto length = static_cast<std::uint32_t>(valueLength);
    std::uint32_t pos = 0;
    std::uint32_t span = 0; // first span at or after pos
    while (pos + placeholderLength <= length_) {
        if (span < spanCount_ && pos >= spans_[span].start) {
            pos = spans_[span].start + spans_[span].length;
            ++span;
            continue;
        }
        bool clear = span >= spanCount_ || pos + placeholderLength <= spans_[span].start;
        if (!clear || std::memcmp(ptr_ + pos, placeholder, placeholderLength) != 0) {
            ++pos;
            continue;
        }
        if (!replaceAt(pos, placeholderLength, value, length, span)) {
            failed_ = true;
            return;
        }
        pos += length;
        ++span;
    }
}

void VxParamString::setParam(const char* text) {
    setParam(text ? text : "", text ? std::strlen(text) : 0);
}

void VxParamString::setParam(const char* text, std::size_t length) {
    substitute('s', text, length);
}

void VxParamString::setParam(unsigned long value) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%lu", value);
    substitute('n', digits, static_cast<std::size_t>(n));
}

void VxParamString::setParam(long value) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%ld", value);
    substitute('n', digits, static_cast<std::size_t>(n));
}

void VxParamString::setQuotedParam(const char* text, char quote) {
    if (failed_)
        return;
    std::size_t length = text ? std::strlen(text) : 0;
    std::size_t quotes = 0;
    for (std::size_t i = 0; i < length; ++i)
        quotes += text[i] == quote;
    std::size_t size = length + quotes + 2;
    auto* quoted = static_cast<char*>(ramAlloc(size + 1));
    if (!quoted) {
        failed_ = true;
        return;
    }
    std::size_t out = 0;
    quoted[out++] = quote;
    for (std::size_t i = 0; i < length; ++i) {
        quoted[out++] = text[i];
        if (text[i] == quote)
            quoted[out++] = quote;
    }
    quoted[out++] = quote;
    substitute('s', quoted, out);
    ramFree(quoted);
}
