// ODBC escape clauses in the engine's own SQL (the framework's escape
// processing calls expandNativeEscape once per clause; see BaseEscapeHost
// for the protocol: the output ends with a blank in place of the opening
// delimiter, the unread rest starts with the clause's arguments).
//
//   {d 'yyyy-mm-dd'}              {mm/dd/yyyy}
//   {ts 'yyyy-mm-dd hh:mm:ss.f'}  {mm/dd/yyyy hh:mm:ss} (the date alone
//                                 when the driver has no timestamp type)
//   {t 'hh:mm:ss'}                {hh:mm:ss} when the driver has a time type
//   {fn f(...)}                   the engine's function of the same meaning;
//                                 CONCAT(a, b) is (a + b)
// Other clauses are copied as they are. A function or literal the engine
// cannot express raises 6022 (37000).
#include <cctype>
#include <cstring>

#include "base/BaseErrors.h"
#include "base/BaseEscapeRewrite.h"
#include "base/BaseEscapeTypes.h"
#include "flat/FlatConnection.h"
#include "util/VxReplaceString.h"

namespace {

constexpr unsigned short MSG_ESCAPE_NOT_SUPPORTED = 6022;

VxStatus notSupported() {
    addOdbcError(ODBC_37000, MSG_ESCAPE_NOT_SUPPORTED);
    return VX_ERROR;
}

bool digitsAt(const char* text, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

// yyyy-mm-dd at the start of `text` (`length` bytes available).
bool isDate(const char* text, std::size_t length) {
    return length >= 10 && digitsAt(text, 0, 4) && text[4] == '-' && digitsAt(text, 5, 2) &&
           text[7] == '-' && digitsAt(text, 8, 2);
}

// hh:mm:ss at the start of `text`.
bool isTime(const char* text, std::size_t length) {
    return length >= 8 && digitsAt(text, 0, 2) && text[2] == ':' && digitsAt(text, 3, 2) &&
           text[5] == ':' && digitsAt(text, 6, 2);
}

// Writes "{mm/dd/yyyy" from the date at the start of `arg`.
void formatDate(const char* arg, char* out) {
    out[0] = '{';
    std::memcpy(out + 1, arg + 5, 2);
    out[3] = '/';
    std::memcpy(out + 4, arg + 8, 2);
    out[6] = '/';
    std::memcpy(out + 7, arg, 4);
    out[11] = '\0';
}

struct FunctionName {
    EscapeFunctionType function;
    const char* engineName;
};

const FunctionName RENAMED[] = {
    {ESCAPE_FN_CHAR, "CHR"},
    {ESCAPE_FN_LCASE, "LOWER"},
    {ESCAPE_FN_LEFT, "LEFT"},
    {ESCAPE_FN_LTRIM, "LTRIM"},
    {ESCAPE_FN_LENGTH, "LEN"},
    {ESCAPE_FN_RIGHT, "RIGHT"},
    {ESCAPE_FN_RTRIM, "RTRIM"},
    {ESCAPE_FN_SPACE, "SPACE"},
    {ESCAPE_FN_SUBSTRING, "SUBSTR"},
    {ESCAPE_FN_UCASE, "UPPER"},
    {ESCAPE_FN_FLOOR, "FLOOR"},
    {ESCAPE_FN_MOD, "MOD"},
    {ESCAPE_FN_POWER, "POW"},
    {ESCAPE_FN_ROUND, "ROUND"},
    {ESCAPE_FN_CURDATE, "DATE"},
    {ESCAPE_FN_DAYOFMONTH, "DAY"},
    {ESCAPE_FN_DAYOFWEEK, "DAYOFWEEK"},
    {ESCAPE_FN_MONTH, "MONTH"},
    {ESCAPE_FN_YEAR, "YEAR"},
    {ESCAPE_FN_USER, "USERNAME"},
    {ESCAPE_FN_IFNULL, "IFNULL"},
};

VxStatus expandConcat(VxReplaceString* text, unsigned long argLength) {
    unsigned long remaining = argLength;
    if (copyEscapeArgument(text, &remaining, 1, ESCAPE_ARG_OPEN_PAREN) != VX_SUCCESS ||
        text->addBytes(" + ") != VX_SUCCESS)
        return VX_ERROR;
    return copyEscapeArgument(text, &remaining, 1, ESCAPE_ARG_LAST | ESCAPE_ARG_CLOSE_PAREN);
}

VxStatus expandFunction(VxReplaceString* text, unsigned long argLength,
                        EscapeFunctionType function) {
    if (function == ESCAPE_FN_CONCAT)
        return expandConcat(text, argLength);
    for (const FunctionName& entry : RENAMED)
        if (entry.function == function)
            return text->addBytes(entry.engineName);
    return notSupported();
}

} // namespace

VxStatus FlatConnection::expandNativeEscape(VxReplaceString* text, unsigned long argLength,
                                            EscapeType type, EscapeFunctionType function) {
    const char* arg = text->data();
    char literal[32];
    switch (type) {
    case ESCAPE_DATE:
    case ESCAPE_TIMESTAMP:
        if (!isDate(arg, argLength))
            return notSupported();
        formatDate(arg, literal);
        if (type == ESCAPE_TIMESTAMP && hasFlatFlag(FLAT_TYPE_TIMESTAMP)) {
            if (argLength < 19 || arg[10] != ' ' || !isTime(arg + 11, argLength - 11))
                return notSupported();
            std::memcpy(literal + 11, arg + 10, 9);
            literal[20] = '\0';
        }
        std::strcat(literal, "}");
        text->skip(static_cast<std::uint32_t>(argLength));
        return text->addBytes(literal);
    case ESCAPE_TIME:
        if (!hasFlatFlag(FLAT_TYPE_TIME) || !isTime(arg, argLength))
            return notSupported();
        literal[0] = '{';
        std::memcpy(literal + 1, arg, 8);
        literal[9] = '}';
        literal[10] = '\0';
        text->skip(static_cast<std::uint32_t>(argLength));
        return text->addBytes(literal);
    case ESCAPE_FUNCTION:
        return expandFunction(text, argLength, function);
    default:
        return VX_SUCCESS;
    }
}
