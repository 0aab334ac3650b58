#include "book/XlsColumnList.h"

#include <cstring>

#include "error/XlsErrors.h"
#include "util/VxString.h"

namespace {

constexpr std::size_t MAX_WIDTH_TOKEN = 20;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool wordIs(const char* word, std::size_t length, const char* name) {
    if (std::strlen(name) != length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        char c = word[i] >= 'a' && word[i] <= 'z' ? static_cast<char>(word[i] - 32) : word[i];
        if (c != name[i])
            return false;
    }
    return true;
}

void skipBlanks(const char** p) {
    while (isBlank(**p))
        ++*p;
}

// "(" width ")" at *p.
VxStatus parseWidth(const char** p, std::uint16_t* width) {
    skipBlanks(p);
    if (**p != '(') {
        xlsAddError(ODBC_37000, XLS_MSG_TYPE_SYNTAX);
        return VX_ERROR;
    }
    ++*p;
    skipBlanks(p);
    const char* start = *p;
    while (**p && **p != ')' && !isBlank(**p) && **p != ',')
        ++*p;
    std::size_t length = static_cast<std::size_t>(*p - start);
    unsigned long value = 0;
    bool number = length > 0 && length < MAX_WIDTH_TOKEN;
    for (std::size_t i = 0; number && i < length; ++i) {
        number = start[i] >= '0' && start[i] <= '9';
        value = value * 10 + static_cast<unsigned long>(start[i] - '0');
    }
    skipBlanks(p);
    if (!number || **p != ')') {
        xlsAddError(ODBC_37000, XLS_MSG_TYPE_SYNTAX);
        return VX_ERROR;
    }
    ++*p;
    if (value < 1 || value > 255) {
        xlsAddError(ODBC_37000, XLS_MSG_CHAR_WIDTH);
        return VX_ERROR;
    }
    *width = static_cast<std::uint16_t>(value);
    return VX_SUCCESS;
}

} // namespace

VxStatus XlsColumnList::parse(const char* text) {
    columns_.clear();
    const char* p = text;
    for (;;) {
        skipBlanks(&p);
        const char* word = p;
        while (isWordChar(*p))
            ++p;
        std::size_t length = static_cast<std::size_t>(p - word);
        XlsListedColumn listed{XLS_TYPE_UNKNOWN, 0};
        if (wordIs(word, length, "CHAR") || wordIs(word, length, "CHARACTER")) {
            listed.type = XLS_TYPE_CHAR;
            if (parseWidth(&p, &listed.width) != VX_SUCCESS) {
                columns_.clear();
                return VX_ERROR;
            }
        } else if (wordIs(word, length, "NUM") || wordIs(word, length, "FLOAT") ||
                   wordIs(word, length, "INT") || wordIs(word, length, "INTEGER") ||
                   wordIs(word, length, "MONEY") || wordIs(word, length, "NUMBER")) {
            listed.type = XLS_TYPE_NUMBER;
        } else if (wordIs(word, length, "DATE") || wordIs(word, length, "TIMESTAMP")) {
            listed.type = XLS_TYPE_TIMESTAMP;
        } else if (wordIs(word, length, "LOGICAL")) {
            listed.type = XLS_TYPE_LOGICAL;
        } else if (wordIs(word, length, "TIME")) {
            listed.type = XLS_TYPE_TIME;
        }
        skipBlanks(&p);
        if (listed.type == XLS_TYPE_UNKNOWN || (*p != ',' && *p != '\0')) {
            // The message shows the item up to its comma.
            const char* end = word;
            while (*end && *end != ',')
                ++end;
            while (end > word && isBlank(end[-1]))
                --end;
            VxString item;
            if (item.initialize(word, static_cast<std::size_t>(end - word)) != VX_SUCCESS)
                return VX_ERROR;
            xlsAddError(ODBC_37000, XLS_MSG_SYNTAX) << item.getText();
            columns_.clear();
            return VX_ERROR;
        }
        if (columns_.add(listed) != VX_SUCCESS) {
            columns_.clear();
            return VX_ERROR;
        }
        if (*p == '\0')
            return VX_SUCCESS;
        ++p;
    }
}

bool XlsColumnList::sameAs(const XlsColumnList& other) const {
    if (size() != other.size())
        return false;
    for (std::size_t i = 0; i < size(); ++i)
        if (columns_[i].type != other[i].type || columns_[i].width != other[i].width)
            return false;
    return true;
}
