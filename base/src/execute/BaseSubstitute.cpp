// Substituting parameter values into the statement text, for data sources
// without native parameters.
//
// Each value becomes a literal in place of its marker:
//   NULL                               NULL
//   text into a character type         'text' (cut to the precision with
//                                      01004; quotes inside doubled)
//   text into a date, time, timestamp  'text', or its escape clauses
//                                      expanded when it has any
//   numbers                            " 12 ", " -1.5 "; floating-point
//                                      text longer than 9 characters
//                                      without an exponent gets "E0"
//   dates, times, timestamps, bits,    the driver's own literal, through
//   binaries                           expandNativeEscape as {d}, {t},
//                                      {ts}, {l} and {b}
// A value that does not convert raises 22xxx with " Error in parameter n.".
#include <sqlext.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "BaseStatementExec.h"
#include "base/BaseConnection.h"
#include "base/BaseConvertC.h"
#include "base/BaseErrors.h"
#include "base/BaseEscapeProcessor.h"
#include "base/BaseParam.h"
#include "base/BaseWideText.h"
#include "util/VxUtf8.h"
#include "util/ram.h"

namespace {

// Room for the plain decimal text of any number.
constexpr SQLLEN NUMBER_TEXT_SIZE = 400;

bool hasEscape(const char* text, SQLLEN length) {
    for (SQLLEN i = 0; i < length; ++i) {
        if (text[i] == '{' ||
            (text[i] == '-' && i + 4 <= length && std::memcmp(text + i, "--*(", 4) == 0))
            return true;
    }
    return false;
}

// A buffer of the conversion results, freed with the scope.
struct Scratch {
    char* bytes = nullptr;
    SQLLEN length = 0;
    ~Scratch() { ramFree(bytes); }
    VxStatus allocate(SQLLEN size) {
        bytes = static_cast<char*>(ramAlloc(static_cast<std::size_t>(size) + 1));
        return bytes ? VX_SUCCESS : VX_ERROR;
    }
};

// The application's value as text (character C types as they are, wide
// text in the connection's character set, others converted), `length`
// resolved.
VxStatus valueAsText(const VxCharset& charset, unsigned short n, short cType, const void* value,
                     SQLLEN length, Scratch& text) {
    if (cType == SQL_C_WCHAR && (length >= 0 || length == SQL_NTS))
        return baseWideToNarrow(charset, value, length, &text.bytes, &text.length);
    if (cType == SQL_C_CHAR) {
        if (length == SQL_NTS)
            length = static_cast<SQLLEN>(std::strlen(static_cast<const char*>(value)));
        if (text.allocate(length) != VX_SUCCESS)
            return VX_ERROR;
        std::memcpy(text.bytes, value, static_cast<std::size_t>(length));
        text.length = length;
        return VX_SUCCESS;
    }
    SQLLEN size = cType == SQL_C_BINARY ? 2 * length + 1 : NUMBER_TEXT_SIZE;
    if (text.allocate(size) != VX_SUCCESS)
        return VX_ERROR;
    return baseConvertCToInternal(BaseConvertPlace::parameter(n), cType, value, length,
                                  INTERNAL_CHAR, text.bytes, size, &text.length);
}

// The value converted into the SQL type's internal form, then written as
// text (dates as yyyy-mm-dd, binaries as hexadecimal digits).
VxStatus valueThroughType(unsigned short n, const BaseParam& p, const void* value, SQLLEN length,
                          Scratch& text) {
    InternalType type = baseSqlTypeInternal(p.sqlType_);
    SQLLEN size = type == INTERNAL_BINARY
                      ? (length == SQL_NTS ? 65536 : length) + 1
                      : static_cast<SQLLEN>(sizeof(TIMESTAMP_STRUCT) + sizeof(double));
    Scratch internal;
    if (internal.allocate(size) != VX_SUCCESS ||
        baseConvertCToInternal(BaseConvertPlace::parameter(n), p.cType_, value, length, type,
                               internal.bytes, size, &internal.length, 0) != VX_SUCCESS)
        return VX_ERROR;
    SQLLEN textSize = type == INTERNAL_BINARY ? 2 * internal.length + 1 : NUMBER_TEXT_SIZE;
    if (text.allocate(textSize) != VX_SUCCESS)
        return VX_ERROR;
    short scale = type == INTERNAL_TIMESTAMP ? p.scale_ : 0;
    bool dateType = type == INTERNAL_DATE || type == INTERNAL_TIME || type == INTERNAL_TIMESTAMP;
    VxStatus status =
        dateType ? BaseConvertDateTime(type, internal.bytes, internal.length, INTERNAL_CHAR,
                                       text.bytes, &text.length, textSize, scale, 0)
                 : BaseConvertNum(type, internal.bytes, internal.length, INTERNAL_CHAR, text.bytes,
                                  &text.length, textSize, scale, 0);
    if (status != VX_SUCCESS)
        appendOdbcErrorText(6073) << static_cast<long>(n);
    return status;
}

EscapeType literalEscape(short sqlType) {
    switch (sqlType) {
    case SQL_DATE:
        return ESCAPE_DATE;
    case SQL_TIME:
        return ESCAPE_TIME;
    case SQL_TIMESTAMP:
        return ESCAPE_TIMESTAMP;
    case SQL_BIT:
        return ESCAPE_BIT;
    default:
        return ESCAPE_BINARY;
    }
}

} // namespace

VxStatus BaseStatement::textualBindParam(unsigned short n, const void* value, SQLLEN length) {
    BaseExecState* exec = exec_;
    BaseParam* p = getParam(n);
    if (exec == nullptr || !exec->hasTemplate || p == nullptr) {
        addOdbcError(ODBC_S1010);
        return VX_ERROR;
    }
    // Marker index: the return value of a {?=call} has no marker.
    unsigned short index =
        static_cast<unsigned short>(n - 1 - (hasFlag(STMT_RETURN_VALUE_CALL) ? 1 : 0));
    if (index >= exec->literalCount) {
        addOdbcError(ODBC_07001);
        return VX_ERROR;
    }
    VxString& literal = exec->literals[index];
    literal.unInitialize();
    return BaseStatementExec::literalOf(*this, n, *p, value, length, literal);
}

VxStatus BaseStatementExec::literalOf(BaseStatement& s, std::uint16_t n, BaseParam& p,
                                      const void* value, SQLLEN length, VxString& out) {
    if (length == SQL_DEFAULT_PARAM)
        return out.initialize("DEFAULT");
    if (value == nullptr || length == SQL_NULL_DATA)
        return out.initialize("NULL");
    BaseConnection& connection = s.getConnection();
    BaseEscapeOptions options = connection.getEscapeOptions();
    char quote = options.quotes[0] ? options.quotes[0] : '\'';
    bool charValue = baseIsCharCType(p.cType_);
    Scratch text;
    if (baseIsCharSqlType(p.sqlType_)) {
        if (valueAsText(connection.getCharset(), n, p.cType_, value, length, text) != VX_SUCCESS)
            return VX_ERROR;
        // The precision counts characters: whole UTF-8 sequences in UTF-8.
        std::size_t bytes = static_cast<std::size_t>(text.length);
        std::size_t kept = p.precision_ == 0 ? bytes
                           : connection.getCharset().isUtf8()
                               ? utf8CharOffset(text.bytes, bytes, p.precision_)
                               : std::min<std::size_t>(bytes, p.precision_);
        if (kept < bytes) {
            addOdbcWarning(ODBC_01004, 6032) << static_cast<long>(n);
            text.length = static_cast<SQLLEN>(kept);
        }
        return out.addQuotedBytes(text.bytes, static_cast<std::size_t>(text.length), quote);
    }
    bool dateType = p.sqlType_ == SQL_DATE || p.sqlType_ == SQL_TIME || p.sqlType_ == SQL_TIMESTAMP;
    if (dateType && charValue) {
        if (valueAsText(connection.getCharset(), n, p.cType_, value, length, text) != VX_SUCCESS)
            return VX_ERROR;
        if (!hasEscape(text.bytes, text.length))
            return out.addQuotedBytes(text.bytes, static_cast<std::size_t>(text.length), quote);
        BaseSqlString escaped;
        if (escaped.setCopy(text.bytes, static_cast<long>(text.length)) != VX_SUCCESS)
            return VX_ERROR;
        BaseEscapeHostAdapter<BaseConnection> host(connection);
        BaseEscapeProcessor processor(host, options);
        if (processor.process(escaped) != VX_SUCCESS)
            return VX_ERROR;
        return out.initialize(escaped.data(), escaped.length());
    }
    bool numeric = p.sqlType_ == SQL_NUMERIC || p.sqlType_ == SQL_DECIMAL;
    if (numeric && charValue) {
        // Checked as a number, written as the application wrote it.
        double check = 0;
        if (baseConvertCToInternal(BaseConvertPlace::parameter(n), p.cType_, value, length,
                                   INTERNAL_DOUBLE, &check, sizeof check, nullptr,
                                   0) != VX_SUCCESS ||
            valueAsText(connection.getCharset(), n, p.cType_, value, length, text) != VX_SUCCESS)
            return VX_ERROR;
    } else if (numeric) {
        if (valueAsText(connection.getCharset(), n, p.cType_, value, length, text) != VX_SUCCESS)
            return VX_ERROR;
    } else if (valueThroughType(n, p, value, length, text) != VX_SUCCESS) {
        return VX_ERROR;
    }
    InternalType type = baseSqlTypeInternal(p.sqlType_);
    bool number =
        numeric || (type != INTERNAL_DATE && type != INTERNAL_TIME && type != INTERNAL_TIMESTAMP &&
                    type != INTERNAL_BIT && type != INTERNAL_BINARY);
    if (!number)
        return literalThroughDriver(s, p, text.bytes, text.length, out);
    SQLLEN start = 0;
    while (start < text.length && text.bytes[start] == ' ')
        ++start;
    SQLLEN end = text.length;
    while (end > start && text.bytes[end - 1] == ' ')
        --end;
    if (out.initialize(" ") != VX_SUCCESS ||
        out.concat(text.bytes + start, static_cast<std::size_t>(end - start)) != VX_SUCCESS)
        return VX_ERROR;
    bool floating = type == INTERNAL_FLOAT || type == INTERNAL_DOUBLE;
    if (floating && end - start > 9 && !std::memchr(text.bytes + start, 'E', end - start) &&
        !std::memchr(text.bytes + start, 'e', end - start) && out.concat("E0") != VX_SUCCESS)
        return VX_ERROR;
    return out.concat(' ');
}

VxStatus BaseStatementExec::literalThroughDriver(BaseStatement& s, BaseParam& p, const char* text,
                                                 SQLLEN length, VxString& out) {
    BaseConnection& connection = s.getConnection();
    BaseEscapeHostAdapter<BaseConnection> host(connection);
    BaseEscapeProcessor processor(host, connection.getEscapeOptions());
    VxError* before = s.getErrorList().getLastError();
    if (processor.expandLiteral(literalEscape(p.sqlType_), text, static_cast<std::size_t>(length),
                                out) == VX_SUCCESS)
        return VX_SUCCESS;
    if (s.getErrorList().getLastError() == before)
        addOdbcError(ODBC_37000, 6022);
    return VX_ERROR;
}

VxStatus BaseStatementExec::buildSubstituted(BaseStatement& s) {
    BaseExecState* exec = s.exec_;
    auto* values = static_cast<VxSubString*>(
        ramAlloc(sizeof(VxSubString) * (exec->literalCount ? exec->literalCount : 1)));
    if (values == nullptr)
        return VX_ERROR;
    for (std::uint16_t i = 0; i < exec->literalCount; ++i)
        new (&values[i]) VxSubString(exec->literals[i].data(), exec->literals[i].length());
    exec->substituted.unInitialize();
    VxStatus status = exec->templ.substituteParams(exec->substituted, values, exec->literalCount);
    for (std::uint16_t i = 0; i < exec->literalCount; ++i)
        values[i].~VxSubString();
    ramFree(values);
    exec->substitutedReady = status == VX_SUCCESS;
    return status;
}
