#include "statement/Or7SqlRewrite.h"

#include <cctype>
#include <cstdio>

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

// Where the text after the first word BEGIN starts, or npos.
std::size_t afterBegin(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    if (text.size() - i < 5)
        return std::string::npos;
    static const char BEGIN[] = "BEGIN";
    for (std::size_t k = 0; k < 5; ++k)
        if (std::toupper(static_cast<unsigned char>(text[i + k])) != BEGIN[k])
            return std::string::npos;
    if (i + 5 < text.size() && isWordChar(text[i + 5]))
        return std::string::npos;
    return i + 5;
}

// The end of the quoted run starting at `start` (its opening quote), one
// past the closing quote; a doubled quote stays inside.
std::size_t quotedEnd(const std::string& text, std::size_t start) {
    char quote = text[start];
    std::size_t i = start + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return text.size();
}

// Moves literals longer than OR7_MAX_LITERAL out of `text`.
void extractLongLiterals(const std::string& text, unsigned firstNumber, Or7RewriteOutput* output) {
    std::string& out = output->text;
    out.clear();
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == '-' && i + 1 < text.size() && text[i + 1] == '-') {
            std::size_t end = text.find('\n', i);
            end = end == std::string::npos ? text.size() : end;
            out.append(text, i, end - i);
            i = end;
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            std::size_t end = text.find("*/", i + 2);
            end = end == std::string::npos ? text.size() : end + 2;
            out.append(text, i, end - i);
            i = end;
        } else if (c == '"' || c == '\'') {
            std::size_t end = quotedEnd(text, i);
            bool closed = end >= i + 2 && text[end - 1] == c;
            std::size_t inner = closed ? end - i - 2 : end - i - 1;
            if (c == '\'' && closed && inner > OR7_MAX_LITERAL) {
                std::string value;
                value.reserve(inner);
                for (std::size_t k = i + 1; k < end - 1; ++k) {
                    value.push_back(text[k]);
                    if (text[k] == '\'')
                        ++k;
                }
                std::string name = or7PlaceholderName(
                    firstNumber + static_cast<unsigned>(output->literals.size()));
                out += name;
                output->literalNames.push_back(name);
                output->literals.push_back(std::move(value));
            } else {
                out.append(text, i, end - i);
            }
            i = end;
        } else {
            out.push_back(c);
            ++i;
        }
    }
}

} // namespace

std::string or7PlaceholderName(unsigned number) {
    char name[16];
    std::snprintf(name, sizeof name, ":V%03u", number);
    return name;
}

void or7RewriteSql(const Or7RewriteInput& input, Or7RewriteOutput* output) {
    output->literalNames.clear();
    output->literals.clear();
    std::string withNames;
    withNames.reserve(input.length + input.markerCount * 5u + 8u);
    unsigned first = input.returnValueCall ? 2u : 1u;
    std::size_t from = 0;
    for (std::uint16_t m = 0; m < input.markerCount; ++m) {
        std::size_t at = input.markers[m];
        if (at < from || at >= input.length)
            continue;
        withNames.append(input.text + from, at - from);
        withNames += or7PlaceholderName(first + m);
        from = at + 1;
    }
    withNames.append(input.text + from, input.length - from);
    if (input.returnValueCall) {
        std::size_t at = afterBegin(withNames);
        if (at != std::string::npos)
            withNames.insert(at, OR7_RETURN_ASSIGNMENT);
    }
    unsigned params = input.markerCount + (input.returnValueCall ? 1u : 0u);
    extractLongLiterals(withNames, params + 1, output);
    if (input.noWait)
        output->text += " NOWAIT";
}
