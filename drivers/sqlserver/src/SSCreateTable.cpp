// CREATE TABLE and ALTER TABLE for a gateway: every plain column definition
// states its null clause.
#include "SSCreateTable.h"

#include <cctype>
#include <cstring>

namespace {

bool isWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#' || c == '@' ||
           c == '$';
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The words of a definition, outside parentheses and literals, upper-cased.
std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    int depth = 0;
    for (std::size_t i = 0; i < text.size();) {
        char c = text[i];
        if (c == '\'' || c == '"') {
            std::size_t end = text.find(c, i + 1);
            i = end == std::string::npos ? text.size() : end + 1;
            continue;
        }
        if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : -1;
            ++i;
            continue;
        }
        if (isWordChar(c)) {
            std::size_t start = i;
            while (i < text.size() && isWordChar(text[i]))
                ++i;
            if (depth == 0)
                out.push_back(upper(text.substr(start, i - start)));
            continue;
        }
        ++i;
    }
    return out;
}

// Where the type of a column definition ends: after the second word and
// its parenthesised length, if any.
std::size_t typeEnd(const std::string& text) {
    std::size_t i = 0;
    for (int word = 0; word < 2; ++word) {
        while (i < text.size() && !isWordChar(text[i]) && text[i] != '"' && text[i] != '[')
            ++i;
        if (i < text.size() && (text[i] == '"' || text[i] == '[')) {
            std::size_t end = text.find(text[i] == '[' ? ']' : '"', i + 1);
            i = end == std::string::npos ? text.size() : end + 1;
            continue;
        }
        while (i < text.size() && isWordChar(text[i]))
            ++i;
    }
    std::size_t j = i;
    while (j < text.size() && std::isspace(static_cast<unsigned char>(text[j])))
        ++j;
    if (j < text.size() && text[j] == '(') {
        std::size_t end = text.find(')', j);
        return end == std::string::npos ? text.size() : end + 1;
    }
    return i;
}

// Splits the text between the outer parentheses at its top-level commas.
std::vector<std::string> definitions(const std::string& list) {
    std::vector<std::string> out;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        char c = list[i];
        if (c == '\'' || c == '"') {
            std::size_t end = list.find(c, i + 1);
            i = end == std::string::npos ? list.size() - 1 : end;
            continue;
        }
        if (c == '(')
            ++depth;
        else if (c == ')')
            --depth;
        else if (c == ',' && depth == 0) {
            out.push_back(list.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(list.substr(start));
    return out;
}

} // namespace

bool ssRewriteCreateTable(const std::string& text, std::string* out, bool* sawNull,
                          bool* forcedBit) {
    *sawNull = false;
    *forcedBit = false;
    std::vector<std::string> head = words(text.substr(0, text.find('(')));
    bool create = head.size() >= 2 && head[0] == "CREATE" && head[1] == "TABLE";
    bool alter =
        head.size() >= 3 && head[0] == "ALTER" && head[1] == "TABLE" && head.back() == "ADD";
    if (!create && !alter)
        return false;
    std::size_t open = text.find('(');
    std::size_t close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open)
        return false;
    std::string rewritten;
    std::vector<std::string> list = definitions(text.substr(open + 1, close - open - 1));
    for (std::size_t n = 0; n < list.size(); ++n) {
        std::string definition = list[n];
        std::vector<std::string> w = words(definition);
        bool constraint =
            !w.empty() && (w[0] == "UNIQUE" || w[0] == "PRIMARY" || w[0] == "FOREIGN" ||
                           w[0] == "CHECK" || w[0] == "CONSTRAINT");
        if (!constraint && w.size() >= 2) {
            bool hasNull = false;
            for (std::size_t i = 2; i < w.size(); ++i) {
                if (w[i] == "NULL") {
                    hasNull = true;
                    if (w[i - 1] != "NOT")
                        *sawNull = true;
                }
            }
            if (!hasNull) {
                std::size_t at = typeEnd(definition);
                bool bit = w[1] == "BIT";
                definition.insert(at, bit ? " NOT NULL" : " NULL");
                *forcedBit = *forcedBit || bit;
            }
        }
        if (n > 0)
            rewritten += ",";
        rewritten += definition;
    }
    if (alter)
        *out = text.substr(0, open) + " " + rewritten + text.substr(close + 1);
    else
        *out = text.substr(0, open + 1) + rewritten + text.substr(close);
    return true;
}
