// ODBC escape clauses as Transact-SQL.
#include <sqlext.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "SSConnection.h"
#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "util/VxReplaceString.h"
#include "util/VxSubString.h"

namespace {

const char MONTHS[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

// Reads the `argLength` argument bytes of the escape.
std::string takeArgument(VxReplaceString& text, unsigned long argLength) {
    std::string value(text.data(), argLength);
    text.skip(static_cast<std::uint32_t>(argLength));
    return value;
}

// Reads "n" digits from `s` at `pos` as a number; false when not digits.
bool digits(const std::string& s, std::size_t pos, std::size_t n, int* out) {
    if (pos + n > s.size())
        return false;
    int value = 0;
    for (std::size_t i = pos; i < pos + n; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
        value = value * 10 + (s[i] - '0');
    }
    *out = value;
    return true;
}

// "yyyy-mm-dd" as "Mon dd yyyy"; false when the text is not a date.
bool dateText(const std::string& s, std::string* out) {
    int y = 0, m = 0, d = 0;
    if (s.size() < 10 || !digits(s, 0, 4, &y) || s[4] != '-' || !digits(s, 5, 2, &m) ||
        s[7] != '-' || !digits(s, 8, 2, &d) || m < 1 || m > 12)
        return false;
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3s %02d %04d", MONTHS + (m - 1) * 3, d, y);
    *out = buffer;
    return true;
}

// "hh:mm:ss" as "hh:mm:ss" on a 12-hour clock and its "AM"/"PM".
bool timeText(const std::string& s, std::size_t pos, std::string* out, const char** half) {
    int h = 0, m = 0, sec = 0;
    if (!digits(s, pos, 2, &h) || s.size() < pos + 8 || s[pos + 2] != ':' ||
        !digits(s, pos + 3, 2, &m) || s[pos + 5] != ':' || !digits(s, pos + 6, 2, &sec) || h > 23)
        return false;
    *half = h >= 12 ? "PM" : "AM";
    int twelve = h % 12 == 0 ? 12 : h % 12;
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", twelve, m, sec);
    *out = buffer;
    return true;
}

VxStatus malformed(const std::string& value) {
    addOdbcError(ODBC_37000, 6006) << value.c_str();
    return VX_ERROR;
}

// A renamed function: the new name, the argument list kept.
VxStatus rename(VxReplaceString& text, const char* name) {
    return text.addBytes(name);
}

// NAME(prefix argument) for DATEPART and DATENAME.
VxStatus datePart(VxReplaceString& text, unsigned long* remaining, const char* function,
                  const char* part) {
    if (text.addBytes(function) != VX_SUCCESS || text.addBytes("(") != VX_SUCCESS ||
        text.addBytes(part) != VX_SUCCESS || text.addBytes(",") != VX_SUCCESS)
        return VX_ERROR;
    return copyEscapeArgument(&text, remaining, 1, ESCAPE_ARG_LAST | ESCAPE_ARG_CLOSE_PAREN);
}

// Whether an argument stands as one operand: a literal, a name or number,
// or a function call.
bool isOperand(const VxSubString& argument) {
    std::string text(argument.data(), argument.length());
    if (text.empty())
        return false;
    if (text.front() == '\'' && text.back() == '\'' && text.find('\'', 1) == text.size() - 1)
        return true;
    std::size_t i = 0;
    while (i < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_' || text[i] == '.' ||
            text[i] == '@' || text[i] == '#'))
        ++i;
    if (i == text.size())
        return true;
    if (i == 0 || text[i] != '(' || text.back() != ')')
        return false;
    int depth = 0;
    for (std::size_t j = i; j < text.size(); ++j) {
        depth += text[j] == '(' ? 1 : text[j] == ')' ? -1 : 0;
        if (depth == 0 && j + 1 < text.size())
            return false;
    }
    return true;
}

// (a <op> b), an argument that is not one operand in parentheses.
VxStatus infix(VxReplaceString& text, unsigned long* remaining, const char* op) {
    VxSubString argument;
    if (findEscapeArgument(&text, *remaining, 1, argument) != VX_SUCCESS)
        return VX_ERROR;
    unsigned wrap = isOperand(argument) ? 0u : static_cast<unsigned>(ESCAPE_ARG_PARENTHESIZE);
    if (text.addBytes("(") != VX_SUCCESS ||
        copyEscapeArgument(&text, remaining, 1, wrap) != VX_SUCCESS ||
        text.addBytes(op) != VX_SUCCESS ||
        findEscapeArgument(&text, *remaining, 1, argument) != VX_SUCCESS)
        return VX_ERROR;
    wrap = isOperand(argument) ? 0u : static_cast<unsigned>(ESCAPE_ARG_PARENTHESIZE);
    return copyEscapeArgument(&text, remaining, 1, wrap | ESCAPE_ARG_LAST | ESCAPE_ARG_CLOSE_PAREN);
}

// The native type name of an ODBC SQL type name in CONVERT.
const char* convertType(const std::string& name) {
    struct Entry {
        const char* odbc;
        const char* native;
    };
    static const Entry TYPES[] = {
        {"SQL_CHAR", "char"},           {"SQL_NUMERIC", "money"},
        {"SQL_DECIMAL", "money"},       {"SQL_INTEGER", "int"},
        {"SQL_SMALLINT", "smallint"},   {"SQL_FLOAT", "float"},
        {"SQL_DOUBLE", "float"},        {"SQL_REAL", "real"},
        {"SQL_VARCHAR", "varchar"},     {"SQL_TIMESTAMP", "datetime"},
        {"SQL_LONGVARCHAR", "text"},    {"SQL_BINARY", "binary"},
        {"SQL_VARBINARY", "varbinary"}, {"SQL_LONGVARBINARY", "image"},
        {"SQL_TINYINT", "tinyint"},     {"SQL_BIT", "bit"},
    };
    for (const Entry& entry : TYPES) {
        std::size_t n = std::strlen(entry.odbc);
        if (name.size() == n) {
            bool same = true;
            for (std::size_t i = 0; i < n && same; ++i)
                same = std::toupper(static_cast<unsigned char>(name[i])) == entry.odbc[i];
            if (same)
                return entry.native;
        }
    }
    return nullptr;
}

std::string argumentText(VxReplaceString& text, unsigned long remaining, unsigned n,
                         VxStatus* status) {
    VxSubString found;
    *status = findEscapeArgument(&text, remaining, n, found);
    if (*status != VX_SUCCESS)
        return std::string();
    return std::string(found.data(), found.length());
}

VxStatus function(VxReplaceString& text, unsigned long argLength, EscapeFunctionType fn) {
    unsigned long remaining = argLength;
    switch (fn) {
    case ESCAPE_FN_ASCII:
    case ESCAPE_FN_CHAR:
    case ESCAPE_FN_DIFFERENCE:
    case ESCAPE_FN_LTRIM:
    case ESCAPE_FN_RIGHT:
    case ESCAPE_FN_RTRIM:
    case ESCAPE_FN_SOUNDEX:
    case ESCAPE_FN_SPACE:
    case ESCAPE_FN_SUBSTRING:
    case ESCAPE_FN_ABS:
    case ESCAPE_FN_ACOS:
    case ESCAPE_FN_ASIN:
    case ESCAPE_FN_ATAN:
    case ESCAPE_FN_CEILING:
    case ESCAPE_FN_COS:
    case ESCAPE_FN_COT:
    case ESCAPE_FN_DEGREES:
    case ESCAPE_FN_EXP:
    case ESCAPE_FN_FLOOR:
    case ESCAPE_FN_LOG:
    case ESCAPE_FN_LOG10:
    case ESCAPE_FN_PI:
    case ESCAPE_FN_POWER:
    case ESCAPE_FN_RADIANS:
    case ESCAPE_FN_RAND:
    case ESCAPE_FN_ROUND:
    case ESCAPE_FN_SIGN:
    case ESCAPE_FN_SIN:
    case ESCAPE_FN_SQRT:
    case ESCAPE_FN_TAN:
        return rename(text, baseEscapeFunctionName(fn));
    case ESCAPE_FN_LCASE:
        return rename(text, "LOWER");
    case ESCAPE_FN_UCASE:
        return rename(text, "UPPER");
    case ESCAPE_FN_LENGTH:
        return rename(text, "DATALENGTH");
    case ESCAPE_FN_REPEAT:
        return rename(text, "REPLICATE");
    case ESCAPE_FN_ATAN2:
        return rename(text, "ATN2");
    case ESCAPE_FN_NOW:
        return rename(text, "GETDATE");
    case ESCAPE_FN_USER:
        return rename(text, "SUSER_NAME");
    case ESCAPE_FN_DATABASE:
        return rename(text, "DB_NAME");
    case ESCAPE_FN_IFNULL:
        return rename(text, "ISNULL");
    case ESCAPE_FN_CONCAT:
        return infix(text, &remaining, "+");
    case ESCAPE_FN_MOD:
        return infix(text, &remaining, "%");
    case ESCAPE_FN_LEFT:
        if (text.addBytes("SUBSTRING") != VX_SUCCESS ||
            copyEscapeArgument(&text, &remaining, 1, ESCAPE_ARG_OPEN_PAREN) != VX_SUCCESS ||
            text.addBytes(",1,") != VX_SUCCESS)
            return VX_ERROR;
        return copyEscapeArgument(&text, &remaining, 1, ESCAPE_ARG_LAST | ESCAPE_ARG_CLOSE_PAREN);
    case ESCAPE_FN_DAYNAME:
        return datePart(text, &remaining, "DATENAME", "weekday");
    case ESCAPE_FN_MONTHNAME:
        return datePart(text, &remaining, "DATENAME", "month");
    case ESCAPE_FN_DAYOFMONTH:
        return datePart(text, &remaining, "DATEPART", "day");
    case ESCAPE_FN_DAYOFWEEK:
        return datePart(text, &remaining, "DATEPART", "weekday");
    case ESCAPE_FN_DAYOFYEAR:
        return datePart(text, &remaining, "DATEPART", "dy");
    case ESCAPE_FN_HOUR:
        return datePart(text, &remaining, "DATEPART", "hour");
    case ESCAPE_FN_MINUTE:
        return datePart(text, &remaining, "DATEPART", "minute");
    case ESCAPE_FN_MONTH:
        return datePart(text, &remaining, "DATEPART", "month");
    case ESCAPE_FN_QUARTER:
        return datePart(text, &remaining, "DATEPART", "quarter");
    case ESCAPE_FN_SECOND:
        return datePart(text, &remaining, "DATEPART", "second");
    case ESCAPE_FN_WEEK:
        return datePart(text, &remaining, "DATEPART", "week");
    case ESCAPE_FN_YEAR:
        return datePart(text, &remaining, "DATEPART", "year");
    case ESCAPE_FN_CONVERT: {
        VxStatus status = VX_SUCCESS;
        std::string type = argumentText(text, remaining, 2, &status);
        if (status != VX_SUCCESS)
            return VX_ERROR;
        const char* native = convertType(type);
        if (!native)
            return malformed(type);
        if (text.addBytes("CONVERT(") != VX_SUCCESS || text.addBytes(native) != VX_SUCCESS ||
            copyEscapeArgument(&text, &remaining, 1, ESCAPE_ARG_COMMA) != VX_SUCCESS)
            return VX_ERROR;
        return copyEscapeArgument(&text, &remaining, 1,
                                  ESCAPE_ARG_NO_COPY | ESCAPE_ARG_LAST | ESCAPE_ARG_CLOSE_PAREN);
    }
    case ESCAPE_FN_SECONDS_SINCE_MIDNIGHT:
    case ESCAPE_FN_JULIAN_DAY: {
        VxStatus status = VX_SUCCESS;
        std::string value = argumentText(text, remaining, 1, &status);
        if (status != VX_SUCCESS ||
            copyEscapeArgument(&text, &remaining, 1, ESCAPE_ARG_NO_COPY | ESCAPE_ARG_LAST) !=
                VX_SUCCESS)
            return VX_ERROR;
        std::string out;
        if (fn == ESCAPE_FN_JULIAN_DAY)
            out = "(DATEDIFF(DAY,'1753-1-1'," + value + ")+2361331)";
        else
            out = "((DATEPART(HOUR," + value + ")*60+DATEPART(MINUTE," + value +
                  "))*60+DATEPART(SECOND," + value + "))";
        return text.addBytes(out.c_str());
    }
    default:
        addOdbcError(ODBC_37000, 6022);
        return VX_ERROR;
    }
}

// {call p(a, b)}: "p a, b".
std::string callText(const std::string& argument) {
    std::string s = argument;
    std::size_t open = s.find('(');
    if (open == std::string::npos)
        return s;
    std::size_t close = s.rfind(')');
    if (close == std::string::npos || close < open)
        return s;
    std::string name = s.substr(0, open);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    std::string args = s.substr(open + 1, close - open - 1);
    std::size_t start = args.find_first_not_of(' ');
    args = start == std::string::npos ? std::string() : args.substr(start);
    while (!args.empty() && args.back() == ' ')
        args.pop_back();
    return args.empty() ? name : name + " " + args + s.substr(close + 1);
}

} // namespace

VxStatus SSConnection::expandNativeEscape(VxReplaceString* text, unsigned long argLength,
                                          EscapeType type, EscapeFunctionType fn) {
    return expandTransactSql(text, argLength, type, fn);
}

namespace {

// DB2-style text for a gateway.
VxStatus gatewayEscape(VxReplaceString& text, unsigned long argLength, EscapeType type,
                       EscapeFunctionType fn) {
    unsigned long remaining = argLength;
    switch (type) {
    case ESCAPE_DATE:
    case ESCAPE_TIME:
    case ESCAPE_TIMESTAMP: {
        std::string value = takeArgument(text, argLength);
        const char* name = type == ESCAPE_DATE   ? "DATE('"
                           : type == ESCAPE_TIME ? "TIME('"
                                                 : "TIMESTAMP('";
        return text.addBytes((name + value + "')").c_str());
    }
    case ESCAPE_FUNCTION:
        switch (fn) {
        case ESCAPE_FN_SUBSTRING:
            return text.addBytes("SUBSTR");
        case ESCAPE_FN_LENGTH:
        case ESCAPE_FN_MONTH:
        case ESCAPE_FN_YEAR:
        case ESCAPE_FN_HOUR:
        case ESCAPE_FN_MINUTE:
        case ESCAPE_FN_SECOND:
            return text.addBytes(baseEscapeFunctionName(fn));
        case ESCAPE_FN_NOW:
        case ESCAPE_FN_CURDATE:
        case ESCAPE_FN_CURTIME:
        case ESCAPE_FN_USER:
            // Special registers take no argument list.
            if (copyEscapeArgument(&text, &remaining, 0, ESCAPE_ARG_NO_COPY | ESCAPE_ARG_LAST) !=
                VX_SUCCESS)
                return VX_ERROR;
            return text.addBytes(fn == ESCAPE_FN_NOW       ? "CURRENT TIMESTAMP"
                                 : fn == ESCAPE_FN_CURDATE ? "CURRENT DATE"
                                 : fn == ESCAPE_FN_CURTIME ? "CURRENT TIME"
                                                           : "USER");
        default:
            break;
        }
        break;
    default:
        break;
    }
    addOdbcError(ODBC_37000, 6022);
    return VX_ERROR;
}

} // namespace

VxStatus SSConnection::expandTransactSql(VxReplaceString* text, unsigned long argLength,
                                         EscapeType type, EscapeFunctionType fn) {
    if (hasSwitch(SS_GATEWAY) && (type == ESCAPE_DATE || type == ESCAPE_TIME ||
                                  type == ESCAPE_TIMESTAMP || type == ESCAPE_FUNCTION))
        return gatewayEscape(*text, argLength, type, fn);
    switch (type) {
    case ESCAPE_DATE: {
        std::string value = takeArgument(*text, argLength);
        std::string date;
        if (!dateText(value, &date))
            return malformed(value);
        return text->addBytes(("'" + date + "'").c_str());
    }
    case ESCAPE_TIME: {
        std::string value = takeArgument(*text, argLength);
        std::string time;
        const char* half = nullptr;
        if (!timeText(value, 0, &time, &half))
            return malformed(value);
        return text->addBytes(("'" + time + half + "'").c_str());
    }
    case ESCAPE_TIMESTAMP: {
        std::string value = takeArgument(*text, argLength);
        std::string date;
        std::string time;
        const char* half = nullptr;
        if (!dateText(value, &date) || value.size() < 19 || value[10] != ' ' ||
            !timeText(value, 11, &time, &half))
            return malformed(value);
        std::string literal = date + " " + time;
        bool fractionNonZero = false;
        if (value.size() > 19 && value[19] == '.') {
            std::string fraction = value.substr(20);
            for (char c : fraction) {
                if (!std::isdigit(static_cast<unsigned char>(c)))
                    return malformed(value);
                fractionNonZero = fractionNonZero || c != '0';
            }
            fraction = (fraction + "000").substr(0, 3);
            // The server keeps milliseconds in steps of 1/300 second:
            // .xx3 and .xx6 are written one higher so they round to them.
            if (fraction[2] == '3' || fraction[2] == '6')
                ++fraction[2];
            literal += ":" + fraction;
        }
        literal = "'" + literal + half + "'";
        if (fractionNonZero && !hasSwitch(SS_NO_TIMESTAMP_CONVERT))
            literal = "convert(datetime," + literal + ",109)";
        return text->addBytes(literal.c_str());
    }
    case ESCAPE_BINARY: {
        std::string value = takeArgument(*text, argLength);
        return text->addBytes(value.empty() ? "NULL" : ("0x" + value).c_str());
    }
    case ESCAPE_BIT:
        return VX_SUCCESS;
    case ESCAPE_OUTER_JOIN:
        // LEFT OUTER JOIN ... ON is Transact-SQL as written; the old "*="
        // form is refused by the servers in use today.
        return VX_SUCCESS;
    case ESCAPE_LIKE:
        return text->addBytes("ESCAPE ");
    case ESCAPE_CALL:
    case ESCAPE_CALL_RETURN: {
        std::string value = takeArgument(*text, argLength);
        std::string out = type == ESCAPE_CALL_RETURN ? "EXEC ? = " : "EXEC ";
        return text->addBytes((out + callText(value)).c_str());
    }
    case ESCAPE_FUNCTION:
        return function(*text, argLength, fn);
    default:
        addOdbcError(ODBC_37000, 6022);
        return VX_ERROR;
    }
}

std::string ssDateLiteral(int year, int month, int day) {
    char buffer[48];
    if (month < 1 || month > 12)
        month = 1;
    std::snprintf(buffer, sizeof buffer, "'%.3s %02d %04d'", MONTHS + (month - 1) * 3, day, year);
    return buffer;
}

std::string ssTimeLiteral(int hour, int minute, int second) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "'%02d:%02d:%02d%s'", hour % 12 == 0 ? 12 : hour % 12,
                  minute, second, hour >= 12 ? "PM" : "AM");
    return buffer;
}

std::string ssTimestampLiteral(int year, int month, int day, int hour, int minute, int second,
                               unsigned long nanoseconds, bool convert) {
    char buffer[96];
    if (month < 1 || month > 12)
        month = 1;
    int ms = static_cast<int>(nanoseconds / 1000000ul);
    if (ms % 10 == 3 || ms % 10 == 6)
        ++ms;
    if (ms == 0) {
        std::snprintf(buffer, sizeof buffer, "'%.3s %02d %04d %02d:%02d:%02d%s'",
                      MONTHS + (month - 1) * 3, day, year, hour % 12 == 0 ? 12 : hour % 12, minute,
                      second, hour >= 12 ? "PM" : "AM");
        return buffer;
    }
    std::snprintf(buffer, sizeof buffer, "'%.3s %02d %04d %02d:%02d:%02d:%03d%s'",
                  MONTHS + (month - 1) * 3, day, year, hour % 12 == 0 ? 12 : hour % 12, minute,
                  second, ms, hour >= 12 ? "PM" : "AM");
    return convert ? "convert(datetime," + std::string(buffer) + ",109)" : std::string(buffer);
}
