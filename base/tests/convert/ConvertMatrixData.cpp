// Reading the conversion matrix file and encoding its values.
#include "ConvertMatrixData.h"

#include <sqlext.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "base/BaseConvertC.h"

namespace {

struct NamedCode {
    const char* name;
    short code;
};

const NamedCode SQL_TYPE_NAMES[] = {
    {"CHAR", SQL_CHAR},
    {"VARCHAR", SQL_VARCHAR},
    {"LONGVARCHAR", SQL_LONGVARCHAR},
    {"NUMERIC", SQL_NUMERIC},
    {"DECIMAL", SQL_DECIMAL},
    {"INTEGER", SQL_INTEGER},
    {"SMALLINT", SQL_SMALLINT},
    {"FLOAT", SQL_FLOAT},
    {"REAL", SQL_REAL},
    {"DOUBLE", SQL_DOUBLE},
    {"BIT", SQL_BIT},
    {"TINYINT", SQL_TINYINT},
    {"BIGINT", SQL_BIGINT},
    {"DATE", SQL_DATE},
    {"TIME", SQL_TIME},
    {"TIMESTAMP", SQL_TIMESTAMP},
    {"TYPE_DATE", SQL_TYPE_DATE},
    {"TYPE_TIME", SQL_TYPE_TIME},
    {"TYPE_TIMESTAMP", SQL_TYPE_TIMESTAMP},
    {"BINARY", SQL_BINARY},
    {"VARBINARY", SQL_VARBINARY},
    {"LONGVARBINARY", SQL_LONGVARBINARY},
};

const NamedCode C_TYPE_NAMES[] = {
    {"SQL_C_CHAR", SQL_C_CHAR},
    {"SQL_C_WCHAR", SQL_C_WCHAR},
    {"SQL_C_BINARY", SQL_C_BINARY},
    {"SQL_C_DEFAULT", SQL_C_DEFAULT},
    {"SQL_C_BIT", SQL_C_BIT},
    {"SQL_C_TINYINT", SQL_C_TINYINT},
    {"SQL_C_STINYINT", SQL_C_STINYINT},
    {"SQL_C_UTINYINT", SQL_C_UTINYINT},
    {"SQL_C_SHORT", SQL_C_SHORT},
    {"SQL_C_SSHORT", SQL_C_SSHORT},
    {"SQL_C_USHORT", SQL_C_USHORT},
    {"SQL_C_LONG", SQL_C_LONG},
    {"SQL_C_SLONG", SQL_C_SLONG},
    {"SQL_C_ULONG", SQL_C_ULONG},
    {"SQL_C_SBIGINT", SQL_C_SBIGINT},
    {"SQL_C_UBIGINT", SQL_C_UBIGINT},
    {"SQL_C_FLOAT", SQL_C_FLOAT},
    {"SQL_C_DOUBLE", SQL_C_DOUBLE},
    {"SQL_C_DATE", SQL_C_DATE},
    {"SQL_C_TIME", SQL_C_TIME},
    {"SQL_C_TIMESTAMP", SQL_C_TIMESTAMP},
    {"SQL_C_TYPE_DATE", SQL_C_TYPE_DATE},
    {"SQL_C_TYPE_TIME", SQL_C_TYPE_TIME},
    {"SQL_C_TYPE_TIMESTAMP", SQL_C_TYPE_TIMESTAMP},
};

const char* const INTERNAL_NAMES[] = {"NONE",    "CHAR",   "BIT",       "STINYINT", "UTINYINT",
                                      "SSHORT",  "USHORT", "SLONG",     "ULONG",    "SBIGINT",
                                      "UBIGINT", "PACKED", "DIGITS",    "FLOAT",    "DOUBLE",
                                      "DATE",    "TIME",   "TIMESTAMP", "BINARY"};

// Splits a line into tokens: blanks separate, double quotes enclose text
// with \" \\ and \xHH escapes, "#" starts a comment.
bool tokenize(const std::string& line, std::vector<ConvertToken>* tokens) {
    std::size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        ConvertToken token;
        if (c == '"') {
            token.quoted = true;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    ++i;
                    if (line[i] == 'x' && i + 2 < line.size()) {
                        token.text +=
                            static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                        i += 2;
                        continue;
                    }
                }
                token.text += line[i];
            }
            if (i >= line.size())
                return false;
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t')
                token.text += line[i++];
        }
        tokens->push_back(token);
    }
    return true;
}

short lookup(const NamedCode* table, std::size_t count, const std::string& name) {
    for (std::size_t i = 0; i < count; ++i)
        if (name == table[i].name)
            return table[i].code;
    ADD_FAILURE() << "unknown type name " << name;
    return 0;
}

std::vector<unsigned char> hexBytes(const std::string& hex) {
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

template <typename T> std::vector<unsigned char> bytesOf(const T& value) {
    std::vector<unsigned char> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

std::vector<unsigned char> digitsValue(const std::string& text) {
    InternalDigitsHeader header{};
    std::string digits;
    std::size_t pos = 0;
    if (text[0] == '-') {
        header.negative = 1;
        pos = 1;
    }
    bool point = false;
    for (; pos < text.size(); ++pos) {
        if (text[pos] == '.')
            point = true;
        else {
            digits += text[pos];
            if (point)
                ++header.scale;
        }
    }
    header.digitCount = static_cast<int>(digits.size());
    std::vector<unsigned char> bytes(sizeof header + digits.size());
    std::memcpy(bytes.data(), &header, sizeof header);
    std::copy(digits.begin(), digits.end(), bytes.begin() + sizeof header);
    return bytes;
}

TIMESTAMP_STRUCT timestampOf(std::string text) {
    TIMESTAMP_STRUCT stamp{};
    if (text.compare(0, 6, "today ") == 0) {
        std::time_t now = std::time(nullptr);
        std::tm parts;
        gmtime_r(&now, &parts);
        char date[16];
        std::strftime(date, sizeof date, "%Y-%m-%d", &parts);
        text = date + text.substr(5);
    }
    int y, mo, d, h, mi, s;
    unsigned long f;
    if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%lu", &y, &mo, &d, &h, &mi, &s, &f) != 7)
        ADD_FAILURE() << "bad timestamp " << text;
    else
        stamp = {static_cast<SQLSMALLINT>(y),   static_cast<SQLUSMALLINT>(mo),
                 static_cast<SQLUSMALLINT>(d),  static_cast<SQLUSMALLINT>(h),
                 static_cast<SQLUSMALLINT>(mi), static_cast<SQLUSMALLINT>(s),
                 static_cast<SQLUINTEGER>(f)};
    return stamp;
}

} // namespace

// Next to this source file. A compiler cache may have made __FILE__
// relative to the build directory, which the test may run below: such a
// path is tried from the working directory and from each one above it.
std::string convertMatrixPath() {
    std::string file = __FILE__;
    std::string path = file.substr(0, file.find_last_of('/') + 1) + "conversion_matrix.txt";
    if (path.empty() || path[0] == '/')
        return path;
    std::string up;
    for (int level = 0; level < 6; ++level, up += "../") {
        if (std::ifstream(up + path).good())
            return up + path;
    }
    return path;
}

std::vector<ConvertCase> loadConvertMatrix(const std::string& path) {
    std::vector<ConvertCase> cases;
    std::ifstream in(path);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::vector<ConvertToken> t;
        EXPECT_TRUE(tokenize(line, &t)) << "line " << number;
        if (t.empty())
            continue;
        ConvertCase c;
        c.line = number;
        c.parameter = t[0].text == "par";
        if ((!c.parameter && t[0].text != "col") || t.size() < 7) {
            ADD_FAILURE() << "malformed line " << number;
            continue;
        }
        std::size_t i = 1;
        if (c.parameter) {
            c.cType = t[i++].text;
            c.value = t[i++];
            c.sqlType = t[i++].text;
            c.internalType = t[i++].text;
        } else {
            c.sqlType = t[i++].text;
            c.internalType = t[i++].text;
            c.value = t[i++];
            c.cType = t[i++].text;
        }
        c.size = t[i++];
        c.state = t[i++].text;
        if (i < t.size() && t[i].text.compare(0, 6, "scale=") != 0)
            c.length = t[i++];
        if (i < t.size() && t[i].text.compare(0, 6, "scale=") != 0)
            c.expected = t[i++];
        if (i < t.size() && t[i].text.compare(0, 6, "scale=") == 0) {
            c.scale = static_cast<short>(std::stoi(t[i++].text.substr(6)));
            c.hasScale = true;
        }
        if (i != t.size())
            ADD_FAILURE() << "extra tokens on line " << number;
        cases.push_back(c);
    }
    return cases;
}

short sqlTypeByName(const std::string& name) {
    return lookup(SQL_TYPE_NAMES, sizeof SQL_TYPE_NAMES / sizeof SQL_TYPE_NAMES[0], name);
}

short cTypeByName(const std::string& name) {
    return lookup(C_TYPE_NAMES, sizeof C_TYPE_NAMES / sizeof C_TYPE_NAMES[0], name);
}

InternalType internalTypeByName(const std::string& name) {
    for (int i = 0; i <= INTERNAL_BINARY; ++i)
        if (name == INTERNAL_NAMES[i])
            return static_cast<InternalType>(i);
    ADD_FAILURE() << "unknown internal type " << name;
    return INTERNAL_NONE;
}

std::vector<unsigned char> encodeValue(InternalType type, const ConvertToken& token, bool* isNull) {
    *isNull = !token.quoted && token.text == "NULL";
    if (*isNull)
        return {};
    const std::string& t = token.text;
    switch (type) {
    case INTERNAL_CHAR:
        return std::vector<unsigned char>(t.begin(), t.end());
    case INTERNAL_BIT:
    case INTERNAL_UTINYINT:
        return bytesOf(static_cast<unsigned char>(std::stoul(t)));
    case INTERNAL_STINYINT:
        return bytesOf(static_cast<signed char>(std::stol(t)));
    case INTERNAL_SSHORT:
        return bytesOf(static_cast<std::int16_t>(std::stol(t)));
    case INTERNAL_USHORT:
        return bytesOf(static_cast<std::uint16_t>(std::stoul(t)));
    case INTERNAL_SLONG:
        return bytesOf(static_cast<std::int32_t>(std::stoll(t)));
    case INTERNAL_ULONG:
        return bytesOf(static_cast<std::uint32_t>(std::stoull(t)));
    case INTERNAL_SBIGINT:
        return bytesOf(static_cast<std::int64_t>(std::stoll(t)));
    case INTERNAL_UBIGINT:
        return bytesOf(static_cast<std::uint64_t>(std::stoull(t)));
    case INTERNAL_FLOAT:
        return bytesOf(std::strtof(t.c_str(), nullptr));
    case INTERNAL_DOUBLE:
        return bytesOf(std::strtod(t.c_str(), nullptr));
    case INTERNAL_PACKED:
    case INTERNAL_BINARY:
        return hexBytes(t.substr(2));
    case INTERNAL_DIGITS:
        return digitsValue(t.substr(2));
    case INTERNAL_DATE: {
        int y = 0, m = 0, d = 0;
        std::sscanf(t.c_str(), "%d-%d-%d", &y, &m, &d);
        DATE_STRUCT date{static_cast<SQLSMALLINT>(y), static_cast<SQLUSMALLINT>(m),
                         static_cast<SQLUSMALLINT>(d)};
        return bytesOf(date);
    }
    case INTERNAL_TIME: {
        int h = 0, m = 0, s = 0;
        std::sscanf(t.c_str(), "%d:%d:%d", &h, &m, &s);
        TIME_STRUCT time{static_cast<SQLUSMALLINT>(h), static_cast<SQLUSMALLINT>(m),
                         static_cast<SQLUSMALLINT>(s)};
        return bytesOf(time);
    }
    case INTERNAL_TIMESTAMP:
        return bytesOf(timestampOf(t));
    default:
        ADD_FAILURE() << "cannot encode " << t;
        return {};
    }
}

std::vector<unsigned char> widen(const std::string& text) {
    std::vector<unsigned char> out;
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        unsigned long code = c;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra)
            code = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += 1 + extra;
        if (code > 0xFFFF) {
            code -= 0x10000;
            unsigned long high = 0xD800 + (code >> 10), low = 0xDC00 + (code & 0x3FF);
            out.insert(out.end(), {static_cast<unsigned char>(high & 0xFF),
                                   static_cast<unsigned char>(high >> 8),
                                   static_cast<unsigned char>(low & 0xFF),
                                   static_cast<unsigned char>(low >> 8)});
        } else {
            out.push_back(static_cast<unsigned char>(code & 0xFF));
            out.push_back(static_cast<unsigned char>(code >> 8));
        }
    }
    return out;
}
