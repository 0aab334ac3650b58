// Or7SqlRewrite: the statement text as Oracle is to receive it.
//
//   - Parameter marker n (from 1, in text order) becomes the placeholder
//     ":V%03d" of parameter n + firstNumber - 1; a {?=call} whose return
//     value is parameter 1 gets ":V001:=" after its BEGIN.
//   - A quoted literal longer than 2000 characters is taken out of the
//     text and replaced by a further placeholder, numbered after the
//     parameters; its value (the literal unquoted) is bound as LONG at
//     execution and the column it meets converts it, so a literal of
//     hexadecimal digits lands in a LONG RAW column as bytes and in a
//     LONG column as the text written.
//   - With `noWait` (SELECT ... FOR UPDATE and lock time-out 0) " NOWAIT"
//     is appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a {?=call} gets after its BEGIN.
constexpr const char* OR7_RETURN_ASSIGNMENT = " :V001:=";

// The longest literal left in the text.
constexpr std::size_t OR7_MAX_LITERAL = 2000;

struct Or7RewriteInput {
    const char* text = nullptr;
    std::size_t length = 0;
    // Byte offsets of the "?" markers in the text, in text order.
    const std::uint32_t* markers = nullptr;
    std::uint16_t markerCount = 0;
    // Parameter 1 is the return value of a {?=call}.
    bool returnValueCall = false;
    bool noWait = false;
};

struct Or7RewriteOutput {
    std::string text;
    // Placeholder names and values of the literals taken out.
    std::vector<std::string> literalNames;
    std::vector<std::string> literals;
};

void or7RewriteSql(const Or7RewriteInput& input, Or7RewriteOutput* output);

// ":V%03d" of `number`.
std::string or7PlaceholderName(unsigned number);
