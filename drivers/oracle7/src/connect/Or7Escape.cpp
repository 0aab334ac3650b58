// Or7Connection::expandNativeEscape: ODBC escape clauses in Oracle's own
// syntax. Functions Oracle has under the same name keep their argument
// list as written; the others are rebuilt from their arguments. Escapes
// Oracle has no form for are 37000 (6022), a CONVERT to a type other than
// SQL_CHAR or SQL_DOUBLE is 37000 (6045).
#include <cctype>
#include <cstring>
#include <string>

#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "connect/Or7Connection.h"
#include "util/VxReplaceString.h"

namespace {

enum : unsigned {
    OPEN = ESCAPE_ARG_OPEN_PAREN,
    WRAP = ESCAPE_ARG_PARENTHESIZE,
    CLOSE = ESCAPE_ARG_CLOSE_PAREN,
    LAST = ESCAPE_ARG_LAST,
    COMMA = ESCAPE_ARG_COMMA,
    NO_COPY = ESCAPE_ARG_NO_COPY,
    KEEP = ESCAPE_ARG_KEEP_SOURCE,
};

// A step of a rebuilt function: literal text, or an argument copied with
// flags.
struct Piece {
    const char* text;
    unsigned argument;
    unsigned flags;
};

// Arguments in the first `length` bytes of `text`: "(a, b)" has 2, "()" 0.
unsigned countArguments(const char* text, std::size_t length) {
    unsigned count = 0;
    int depth = 0;
    bool any = false;
    char quote = 0;
    for (std::size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            any = any || depth == 1;
        } else if (c == '(' || c == '{') {
            if (++depth == 1)
                continue;
        } else if (c == ')' || c == '}') {
            if (--depth == 0)
                break;
        } else if (c == ',' && depth == 1) {
            ++count;
            continue;
        }
        if (depth >= 1 && !std::isspace(static_cast<unsigned char>(c)))
            any = true;
    }
    return any ? count + 1 : 0;
}

// TO_NUMBER(TO_CHAR(d, format)) for the date-part functions.
const char* datePartFormat(EscapeFunctionType function) {
    switch (function) {
    case ESCAPE_FN_DAYOFMONTH:
        return ",'DD'))";
    case ESCAPE_FN_DAYOFWEEK:
        return ",'D'))";
    case ESCAPE_FN_DAYOFYEAR:
        return ",'DDD'))";
    case ESCAPE_FN_HOUR:
        return ",'HH24'))";
    case ESCAPE_FN_MINUTE:
        return ",'MI'))";
    case ESCAPE_FN_MONTH:
        return ",'MM'))";
    case ESCAPE_FN_QUARTER:
        return ",'Q'))";
    case ESCAPE_FN_SECOND:
        return ",'SS'))";
    case ESCAPE_FN_WEEK:
        return ",'WW'))";
    case ESCAPE_FN_YEAR:
        return ",'YYYY'))";
    case ESCAPE_FN_JULIAN_DAY:
        return ",'J'))";
    default:
        return nullptr;
    }
}

// Oracle's name of a function that keeps its argument list.
const char* sameListName(EscapeFunctionType function) {
    switch (function) {
    case ESCAPE_FN_ASCII:
    case ESCAPE_FN_LTRIM:
    case ESCAPE_FN_LENGTH:
    case ESCAPE_FN_REPLACE:
    case ESCAPE_FN_RTRIM:
    case ESCAPE_FN_SOUNDEX:
    case ESCAPE_FN_ABS:
    case ESCAPE_FN_COS:
    case ESCAPE_FN_EXP:
    case ESCAPE_FN_FLOOR:
    case ESCAPE_FN_MOD:
    case ESCAPE_FN_POWER:
    case ESCAPE_FN_ROUND:
    case ESCAPE_FN_SIGN:
    case ESCAPE_FN_SIN:
    case ESCAPE_FN_SQRT:
    case ESCAPE_FN_TAN:
        return baseEscapeFunctionName(function);
    case ESCAPE_FN_CHAR:
        return "CHR";
    case ESCAPE_FN_LCASE:
        return "LOWER";
    case ESCAPE_FN_UCASE:
        return "UPPER";
    case ESCAPE_FN_SUBSTRING:
        return "SUBSTR";
    case ESCAPE_FN_CEILING:
        return "CEIL";
    case ESCAPE_FN_LOG:
        return "LN";
    case ESCAPE_FN_TRUNCATE:
        return "TRUNC";
    case ESCAPE_FN_IFNULL:
        return "NVL";
    default:
        return nullptr;
    }
}

VxStatus unsupported() {
    addOdbcError(ODBC_37000, 6022);
    return VX_ERROR;
}

class Or7EscapeWriter {
public:
    Or7EscapeWriter(Or7Connection& connection, VxReplaceString* text, unsigned long remaining)
        : connection_(connection), text_(text), remaining_(remaining) {}

    VxStatus run(const Piece* pieces, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const Piece& piece = pieces[i];
            VxStatus status = piece.text ? text_->addBytes(piece.text)
                                         : connection_.copyEscapeArgument(
                                               text_, &remaining_, piece.argument, piece.flags);
            if (status != VX_SUCCESS)
                return VX_ERROR;
        }
        return VX_SUCCESS;
    }
    template <std::size_t N> VxStatus run(const Piece (&pieces)[N]) { return run(pieces, N); }

    unsigned long remaining() const { return remaining_; }
    VxReplaceString* text() const { return text_; }

private:
    Or7Connection& connection_;
    VxReplaceString* text_;
    unsigned long remaining_;
};

Piece lit(const char* text) {
    return Piece{text, 0, 0};
}

Piece arg(unsigned argument, unsigned flags) {
    return Piece{nullptr, argument, flags};
}

VxStatus expandConvert(Or7EscapeWriter& writer) {
    VxSubString target;
    if (findEscapeArgument(writer.text(), writer.remaining(), 2, target) != VX_SUCCESS)
        return VX_ERROR;
    std::string type(target.data(), target.length());
    for (char& c : type)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const char* function = type == "SQL_CHAR"     ? "TO_CHAR"
                           : type == "SQL_DOUBLE" ? "TO_NUMBER"
                                                  : nullptr;
    if (!function) {
        addOdbcError(ODBC_37000, 6045) << std::string(target.data(), target.length()).c_str();
        return VX_ERROR;
    }
    const Piece pieces[] = {lit(function), arg(1, OPEN | CLOSE | KEEP), arg(2, NO_COPY | LAST)};
    return writer.run(pieces);
}

VxStatus expandFunction(Or7EscapeWriter& writer, EscapeFunctionType function) {
    if (const char* name = sameListName(function))
        return writer.text()->addBytes(name);
    if (const char* format = datePartFormat(function)) {
        const Piece pieces[] = {lit("TO_NUMBER(TO_CHAR"), arg(1, OPEN | LAST), lit(format)};
        return writer.run(pieces);
    }
    switch (function) {
    case ESCAPE_FN_USER: {
        const Piece pieces[] = {lit("USER"), arg(0, LAST | NO_COPY)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_NOW: {
        const Piece pieces[] = {lit("SYSDATE"), arg(0, LAST | NO_COPY)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_CURDATE: {
        const Piece pieces[] = {lit("TRUNC(SYSDATE,'J')"), arg(0, LAST | NO_COPY)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_CONCAT: {
        const Piece pieces[] = {arg(1, 0), lit("||"), arg(1, LAST)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_LEFT: {
        const Piece pieces[] = {lit("SUBSTR"), arg(1, OPEN), lit(",1"),
                                arg(1, COMMA | LAST | CLOSE)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_RIGHT: {
        // The length is parenthesized so that an expression is negated whole.
        const Piece pieces[] = {lit("SUBSTR"), arg(1, OPEN), lit(",-"),
                                arg(1, WRAP | LAST | CLOSE)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_LOCATE: {
        unsigned count = countArguments(writer.text()->data(), writer.remaining());
        if (count == 3) {
            const Piece pieces[] = {lit("INSTR"), arg(2, OPEN | KEEP), arg(1, COMMA | KEEP),
                                    arg(3, COMMA | LAST | CLOSE)};
            return writer.run(pieces);
        }
        const Piece pieces[] = {lit("INSTR"), arg(2, OPEN | KEEP), arg(1, COMMA | KEEP),
                                arg(2, NO_COPY | LAST | CLOSE)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_INSERT: {
        const Piece pieces[] = {lit("(SUBSTR"),
                                arg(1, OPEN | KEEP),
                                lit(",1"),
                                arg(2, COMMA | KEEP),
                                lit("-1)||"),
                                arg(4, KEEP),
                                lit("||SUBSTR"),
                                arg(1, OPEN | KEEP),
                                arg(2, COMMA | KEEP),
                                lit("+"),
                                arg(3, KEEP),
                                arg(4, NO_COPY | LAST),
                                lit("))")};
        return writer.run(pieces);
    }
    case ESCAPE_FN_REPEAT: {
        const Piece pieces[] = {
            lit("RPAD"),    arg(1, OPEN | KEEP), arg(2, COMMA | WRAP | KEEP),
            lit("*LENGTH"), arg(1, WRAP | KEEP), arg(2, NO_COPY | LAST | CLOSE)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_SPACE: {
        const Piece pieces[] = {lit("RPAD(' '"), arg(1, COMMA | LAST | CLOSE)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_LOG10: {
        const Piece pieces[] = {lit("LOG(10"), arg(1, COMMA | LAST | CLOSE)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_DAYNAME:
    case ESCAPE_FN_MONTHNAME: {
        const char* format = function == ESCAPE_FN_DAYNAME ? ",'FMDay')" : ",'FMMonth')";
        const Piece pieces[] = {lit("TO_CHAR"), arg(1, OPEN | LAST), lit(format)};
        return writer.run(pieces);
    }
    case ESCAPE_FN_SECONDS_SINCE_MIDNIGHT: {
        const Piece pieces[] = {lit("((TO_NUMBER(TO_CHAR"),
                                arg(1, OPEN | KEEP),
                                lit(",'HH24'))*60+TO_NUMBER(TO_CHAR"),
                                arg(1, OPEN | KEEP),
                                lit(",'MI')))*60+TO_NUMBER(TO_CHAR"),
                                arg(1, OPEN | LAST),
                                lit(",'SS')))")};
        return writer.run(pieces);
    }
    case ESCAPE_FN_CONVERT:
        return expandConvert(writer);
    default:
        return unsupported();
    }
}

// A date, time or timestamp literal as TO_DATE; a fraction of a second,
// which an Oracle DATE cannot hold, is left out.
VxStatus expandDateTime(VxReplaceString* text, unsigned long argLength, EscapeType type) {
    std::string value(text->data(), argLength);
    text->skip(static_cast<std::uint32_t>(argLength));
    if (type == ESCAPE_TIMESTAMP) {
        std::size_t dot = value.find('.');
        if (dot != std::string::npos)
            value.erase(dot);
    }
    const char* format = type == ESCAPE_DATE   ? "YYYY-MM-DD"
                         : type == ESCAPE_TIME ? "HH24:MI:SS"
                                               : "YYYY-MM-DD HH24:MI:SS";
    std::string out = "TO_DATE('" + value + "','" + format + "')";
    return text->addBytes(out.c_str(), out.size());
}

} // namespace

VxStatus Or7Connection::expandNativeEscape(VxReplaceString* text, unsigned long argLength,
                                           EscapeType type, EscapeFunctionType function) {
    switch (type) {
    case ESCAPE_DATE:
    case ESCAPE_TIME:
    case ESCAPE_TIMESTAMP:
        return expandDateTime(text, argLength, type);
    case ESCAPE_BINARY: {
        std::string value(text->data(), argLength);
        text->skip(static_cast<std::uint32_t>(argLength));
        return text->addQuotedBytes(value.data(), value.size(), '\'');
    }
    case ESCAPE_OUTER_JOIN:
        return processOuterJoinEscape(text, argLength, OUTER_JOIN_PLUS_ALL);
    case ESCAPE_LIKE:
        return text->addBytes("ESCAPE ");
    case ESCAPE_CALL:
    case ESCAPE_CALL_RETURN: {
        if (text->addBytes(type == ESCAPE_CALL ? "BEGIN " : "BEGIN ? :=") != VX_SUCCESS)
            return VX_ERROR;
        text->keep(static_cast<std::uint32_t>(argLength));
        return text->addBytes("; END;");
    }
    case ESCAPE_FUNCTION: {
        Or7EscapeWriter writer(*this, text, argLength);
        return expandFunction(writer, function);
    }
    case ESCAPE_BIT:
    default:
        return unsupported();
    }
}
