// Test support: fake sources, the notation and outcome comparison.
#include "FlatTestSupport.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sqltypes.h>

#include "base/BaseOdbcId.h"
#include "flat/FlatDate.h"
#include "flat/FlatExprType.h"
#include "util/convert.h"

// ---- Values -----------------------------------------------------------------

FakeValue FakeValue::text(const std::string& s, short sqlType) {
    return {INTERNAL_CHAR, s, sqlType, false};
}

FakeValue FakeValue::number(double d) {
    return {INTERNAL_DOUBLE, std::string(reinterpret_cast<const char*>(&d), sizeof d), 8, false};
}

FakeValue FakeValue::integer(std::int32_t i) {
    return {INTERNAL_SLONG, std::string(reinterpret_cast<const char*>(&i), sizeof i), 4, false};
}

FakeValue FakeValue::date(int year, int month, int day) {
    DATE_STRUCT d{static_cast<SQLSMALLINT>(year), static_cast<SQLUSMALLINT>(month),
                  static_cast<SQLUSMALLINT>(day)};
    return {INTERNAL_DATE, std::string(reinterpret_cast<const char*>(&d), sizeof d), 9, false};
}

FakeValue FakeValue::timestamp(int year, int month, int day, int hour, int minute, int second) {
    TIMESTAMP_STRUCT t{static_cast<SQLSMALLINT>(year),
                       static_cast<SQLUSMALLINT>(month),
                       static_cast<SQLUSMALLINT>(day),
                       static_cast<SQLUSMALLINT>(hour),
                       static_cast<SQLUSMALLINT>(minute),
                       static_cast<SQLUSMALLINT>(second),
                       0};
    return {INTERNAL_TIMESTAMP, std::string(reinterpret_cast<const char*>(&t), sizeof t), 11,
            false};
}

FakeValue FakeValue::nullOf(short sqlType) {
    return {INTERNAL_CHAR, "", sqlType, true};
}

namespace {

void fill(const FakeValue& from, FlatDataValue* value, short* sqlType) {
    value->setValueBuffer(from.bytes.data(), 0);
    value->setLength(static_cast<std::uint32_t>(from.bytes.size()));
    value->setStorageType(from.storage);
    if (from.null)
        value->setNull();
    *sqlType = from.sqlType;
}

} // namespace

std::uint16_t FakeRowSource::define(const std::string& name, const FakeValue& value) {
    fields_.push_back(value);
    std::uint16_t number = static_cast<std::uint16_t>(fields_.size());
    names_[name] = number;
    return number;
}

std::uint16_t FakeRowSource::fieldOf(const std::string& name) const {
    auto it = names_.find(name);
    return it == names_.end() ? 0 : it->second;
}

VxStatus FakeRowSource::getFieldValue(std::uint32_t tableRef, std::uint16_t field,
                                      FlatDataValue* value, short* sqlType) {
    ++fetches;
    if (tableRef != 1 || field == 0 || field > fields_.size())
        return VX_ERROR;
    fill(fields_[field - 1], value, sqlType);
    return VX_SUCCESS;
}

VxStatus FakeParamSource::getParamValue(std::uint16_t number, FlatDataValue* value, short* sqlType,
                                        bool* provided) {
    auto it = values.find(number);
    *provided = it != values.end();
    if (*provided)
        fill(it->second, value, sqlType);
    return VX_SUCCESS;
}

VxStatus FakeAggregateSource::getAggregateValue(std::uint32_t, std::uint16_t column,
                                                FlatDataValue* value, short* sqlType) {
    auto it = values.find(column);
    if (it == values.end())
        return VX_ERROR;
    fill(it->second, value, sqlType);
    return VX_SUCCESS;
}

VxStatus FakeSubQuerySource::openSubQuery(std::uint16_t number) {
    ++opens[number];
    position_[number] = 0;
    return VX_SUCCESS;
}

VxStatus FakeSubQuerySource::fetchSubQueryRow(std::uint16_t number, bool* atEnd) {
    std::size_t& at = position_[number];
    ++fetched[number];
    *atEnd = at >= rows[number].size();
    if (!*atEnd)
        ++at;
    return VX_SUCCESS;
}

VxStatus FakeSubQuerySource::getSubQueryValue(std::uint16_t number, FlatDataValue* value,
                                              short* sqlType) {
    std::size_t at = position_[number];
    if (at == 0)
        return VX_ERROR;
    fill(rows[number][at - 1], value, sqlType);
    return VX_SUCCESS;
}

// ---- Notation ---------------------------------------------------------------

namespace {

std::vector<std::string> splitTokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        std::size_t start = i;
        bool quoted = false;
        while (i < text.size() && (quoted || text[i] != ' ')) {
            if (text[i] == '\'')
                quoted = !quoted;
            ++i;
        }
        tokens.push_back(text.substr(start, i - start));
    }
    return tokens;
}

// The text between the first and the last quote, '' read as one quote.
std::string quotedText(const std::string& token) {
    std::size_t open = token.find('\'');
    std::string raw = token.substr(open + 1, token.size() - open - 2);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        out += raw[i];
        if (raw[i] == '\'' && i + 1 < raw.size() && raw[i + 1] == '\'')
            ++i;
    }
    return out;
}

double dateLiteral(const std::string& text) {
    if (text.empty())
        return FLAT_BLANK_DATE;
    int y = 0, m = 0, d = 0, hh = 0, mm = 0, ss = 0;
    if (text.size() == 8 && text[2] == ':') {
        std::sscanf(text.c_str(), "%d:%d:%d", &hh, &mm, &ss);
        return (hh * 3600 + mm * 60 + ss) / 86400.0;
    }
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &m, &d, &hh, &mm, &ss);
    return flatDateToJulian(y, m, d) + (hh * 3600 + mm * 60 + ss) / 86400.0;
}

bool isNumberToken(const std::string& t) {
    std::size_t i = (t[0] == '-' && t.size() > 1) ? 1 : 0;
    return std::isdigit(static_cast<unsigned char>(t[i])) ||
           (t[i] == '.' && i + 1 < t.size() && std::isdigit(static_cast<unsigned char>(t[i + 1])));
}

const std::map<std::string, FlatOpCode>& operatorNames() {
    static const std::map<std::string, FlatOpCode> names = {
        {"+", FLAT_OP_ADD},          {"-", FLAT_OP_SUBTRACT},     {"*", FLAT_OP_MULTIPLY},
        {"/", FLAT_OP_DIVIDE},       {"NEG", FLAT_OP_NEGATE},     {"||", FLAT_OP_CONCAT},
        {"-|", FLAT_OP_CONCAT_TRIM}, {"ISNULL", FLAT_OP_IS_NULL}, {"=", FLAT_OP_EQ},
        {"<>", FLAT_OP_NE},          {"<", FLAT_OP_LT},           {"<=", FLAT_OP_LE},
        {">", FLAT_OP_GT},           {">=", FLAT_OP_GE}};
    return names;
}

FlatOpCode opcodeNamed(const std::string& name) {
    auto it = operatorNames().find(name);
    if (it != operatorNames().end())
        return it->second;
    for (unsigned code = 1; code <= FLAT_OP_LAST; ++code) {
        if (name == flatOpName(static_cast<std::uint8_t>(code)))
            return static_cast<FlatOpCode>(code);
    }
    return FLAT_OP_INVALID;
}

std::uint16_t numberAfter(const std::string& token, char separator) {
    return static_cast<std::uint16_t>(std::atoi(token.c_str() + token.find(separator) + 1));
}

} // namespace

ExprFixture::ExprFixture() {
    VxErrorKeeper::setErrorList(&errors);
    info.setRowSource(&rows);
    info.setParamSource(&params);
    info.setAggregateSource(&aggregates);
    info.setSubQuerySource(&subQueries);
}

ExprFixture::~ExprFixture() {
    VxErrorKeeper::giveUpErrorList();
}

bool ExprFixture::build(const std::string& notation, FlatOpStreamBuilder* b) {
    for (const std::string& t : splitTokens(notation)) {
        if (isNumberToken(t)) {
            b->addNumber(std::strtod(t.c_str(), nullptr));
        } else if (t[0] == '\'') {
            std::string s = quotedText(t);
            b->addString(s.data(), s.size());
        } else if (t.rfind("x'", 0) == 0) {
            std::string s = quotedText(t);
            b->addBinaryHex(s.data(), s.size());
        } else if (t.rfind("d'", 0) == 0 || t.rfind("t'", 0) == 0 || t.rfind("ts'", 0) == 0) {
            b->addDate(dateLiteral(quotedText(t)));
        } else if (t == ".T." || t == ".F.") {
            b->addLogical(t == ".T.");
        } else if (t == "NULL") {
            b->addNull();
        } else if (t[0] == '$') {
            b->addField(1, rows.fieldOf(t.substr(1)));
        } else if (t[0] == '?') {
            b->addParam(numberAfter(t, '?'));
        } else if (t.rfind("agg:", 0) == 0) {
            b->addAggregate(7, numberAfter(t, ':'));
        } else if (t.rfind("sub:", 0) == 0) {
            b->addSubQuery(numberAfter(t, ':'));
        } else if (t.rfind("exists:", 0) == 0) {
            b->addExists(numberAfter(t, ':'));
        } else if (t.rfind("any:", 0) == 0 || t.rfind("all:", 0) == 0) {
            b->addList(t[1] == 'n' ? FLAT_OP_ANY_LIST : FLAT_OP_ALL_LIST, numberAfter(t, ':'));
        } else if (t == "*=:=" || t == "=*:=") {
            b->addOuterJoinComparison(t[0] == '*' ? FLAT_OP_OUTER_LEFT : FLAT_OP_OUTER_RIGHT,
                                      FLAT_OP_EQ);
        } else if (t.find('/') != std::string::npos && t.size() > 2) {
            FlatOpCode op = opcodeNamed(t.substr(0, t.find('/')));
            if (op == FLAT_OP_INVALID)
                return false;
            b->addFunction(op, static_cast<std::uint8_t>(numberAfter(t, '/')));
        } else {
            FlatOpCode op = opcodeNamed(t);
            if (op == FLAT_OP_INVALID)
                return false;
            b->addOp(op);
        }
    }
    return true;
}

// ---- Outcomes ---------------------------------------------------------------

namespace {

void readStored(const FlatDataValue& value, short type, EvalOutcome* out) {
    const unsigned char* bytes = value.getBytes();
    char text[64];
    switch (value.getStorageType()) {
    case INTERNAL_DOUBLE:
        std::memcpy(&out->number, bytes, sizeof out->number);
        return;
    case INTERNAL_BIT:
        out->number = bytes[0];
        return;
    case INTERNAL_DATE: {
        DATE_STRUCT d;
        std::memcpy(&d, bytes, sizeof d);
        std::snprintf(text, sizeof text, "%04d-%02u-%02u", d.year, d.month, d.day);
        out->number = flatDateToJulian(d.year, d.month, d.day);
        out->text = text;
        return;
    }
    case INTERNAL_TIME: {
        TIME_STRUCT t;
        std::memcpy(&t, bytes, sizeof t);
        std::snprintf(text, sizeof text, "%02u:%02u:%02u", t.hour, t.minute, t.second);
        out->text = text;
        return;
    }
    case INTERNAL_TIMESTAMP: {
        TIMESTAMP_STRUCT t;
        std::memcpy(&t, bytes, sizeof t);
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day,
                      t.hour, t.minute, t.second);
        out->text = text;
        return;
    }
    default:
        out->text.assign(reinterpret_cast<const char*>(bytes), value.getLength());
        if (flatIsBinaryType(type)) {
            std::string hex(out->text.size() * 2, '0');
            hexify(&hex[0], out->text.data(), out->text.size());
            out->text = hex;
        }
        return;
    }
}

} // namespace

EvalOutcome ExprFixture::run(const std::string& notation) {
    EvalOutcome out;
    errors.deleteNodes();
    FlatOpStreamBuilder builder;
    if (!build(notation, &builder)) {
        out.error = 1;
        out.sqlState = "BUILD";
        return out;
    }
    return runBuilt(builder);
}

EvalOutcome ExprFixture::runBuilt(const FlatOpStreamBuilder& builder) {
    EvalOutcome out;
    FlatOpStream stream(&info);
    FlatDataValue value;
    out.ok = stream.compile(builder) == VX_SUCCESS && stream.evaluate(&value) == VX_SUCCESS;
    if (!out.ok) {
        VxError* first = errors.getErrorAtPos(0);
        if (first) {
            out.error = first->getNumber();
            const char* state = baseGetSqlState(first->getSqlStateId());
            out.sqlState = state ? state : "";
        }
        return out;
    }
    out.null = value.isNull();
    out.type = stream.getResultType();
    out.storage = value.getStorageType();
    if (!out.null)
        readStored(value, out.type, &out);
    return out;
}

std::string EvalOutcome::describe() const {
    char buffer[64];
    if (!ok) {
        std::snprintf(buffer, sizeof buffer, "E:%u/%s", error, sqlState.c_str());
        return buffer;
    }
    if (null)
        return "NULL";
    if (type == FLAT_TYPE_BIT)
        return number ? "B:1" : "B:0";
    if (flatIsStringType(type))
        return "S:" + text;
    if (flatIsBinaryType(type))
        return "X:" + text;
    if (type == FLAT_TYPE_DATE)
        return "D:" + text;
    if (type == FLAT_TYPE_TIME)
        return "T:" + text;
    if (type == FLAT_TYPE_TIMESTAMP)
        return "TS:" + text;
    std::snprintf(buffer, sizeof buffer, "N:%.15g", number);
    return buffer;
}

bool outcomeMatches(const EvalOutcome& outcome, const std::string& expected) {
    if (expected.rfind("E:", 0) == 0) {
        std::string code = expected.substr(2);
        if (outcome.ok)
            return false;
        if (code.size() == 5)
            return outcome.sqlState == code;
        std::size_t slash = code.find('/');
        if (slash != std::string::npos)
            return std::to_string(outcome.error) == code.substr(0, slash) &&
                   outcome.sqlState == code.substr(slash + 1);
        return std::to_string(outcome.error) == code;
    }
    if (expected.rfind("N:", 0) == 0 && outcome.ok && !outcome.null &&
        outcome.type == FLAT_TYPE_DOUBLE) {
        double want = std::strtod(expected.c_str() + 2, nullptr);
        return std::fabs(outcome.number - want) <= 1e-9 * std::fmax(1.0, std::fabs(want));
    }
    return outcome.describe() == expected;
}
