#include "Oci7Functions.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "Oci7Errors.h"
#include "Oci7Value.h"

namespace oci7 {

namespace {

void raise(sqlite3_context* ctx, int code) {
    std::string text = messageText(code);
    sqlite3_result_error(ctx, text.c_str(), static_cast<int>(text.size()));
}

void resultText(sqlite3_context* ctx, const std::string& s) {
    sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void resultValue(sqlite3_context* ctx, const Value& v) {
    switch (v.kind) {
    case Value::Integer:
        sqlite3_result_int64(ctx, v.integer);
        break;
    case Value::Real:
        sqlite3_result_double(ctx, v.real);
        break;
    case Value::Text:
    case Value::Date:
        resultText(ctx, v.bytes);
        break;
    case Value::Blob:
        sqlite3_result_blob(ctx, v.bytes.data(), static_cast<int>(v.bytes.size()),
                            SQLITE_TRANSIENT);
        break;
    default:
        sqlite3_result_null(ctx);
    }
}

bool anyNull(int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i)
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return true;
    return false;
}

std::string textArg(sqlite3_value* v) {
    const unsigned char* p = sqlite3_value_text(v);
    return p == nullptr ? std::string()
                        : std::string(reinterpret_cast<const char*>(p),
                                      static_cast<size_t>(sqlite3_value_bytes(v)));
}

// A date argument: text in one of the stored forms.
bool dateArg(sqlite3_value* v, DateTime* d) {
    return sqlite3_value_type(v) == SQLITE_TEXT && parseDateText(textArg(v), d);
}

bool isIsoDateText(const std::string& s) {
    DateTime d;
    return (s.size() == 19 || s.size() == 10) && s[4] == '-' && s[7] == '-' && parseDateText(s, &d);
}

// UTF-8 characters of s as byte offsets (one extra at the end).
std::vector<size_t> charStarts(const std::string& s) {
    std::vector<size_t> starts;
    for (size_t i = 0; i < s.size(); ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    starts.push_back(s.size());
    return starts;
}

void fnSysdate(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, currentDateText());
}

void fnUser(sqlite3_context* ctx, int, sqlite3_value**) {
    resultText(ctx, *static_cast<const std::string*>(sqlite3_user_data(ctx)));
}

void fnToDate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    std::string text = textArg(argv[0]);
    DateTime d;
    if (argc == 1) {
        if (!parseDateText(text, &d))
            return raise(ctx, 1861);
    } else {
        int rc = parseDateWithModel(text, textArg(argv[1]), &d);
        if (rc != 0)
            return raise(ctx, rc);
    }
    resultText(ctx, isoDateText(d));
}

void fnToChar(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    Value v = sqliteValue(argv[0]);
    if (v.kind == Value::Text && (argc == 2 || isIsoDateText(v.bytes))) {
        DateTime d;
        if (!parseDateText(v.bytes, &d))
            return raise(ctx, 1722);
        std::string out;
        int rc = formatDate(d, argc == 2 ? textArg(argv[1]) : "DD-MON-YY", &out);
        if (rc != 0)
            return raise(ctx, rc);
        return resultText(ctx, out);
    }
    std::string out;
    valueAsText(v, &out);
    resultText(ctx, out);
}

void fnToNumber(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    Value n;
    if (valueAsNumber(sqliteValue(argv[0]), &n) != 0)
        return raise(ctx, 1722);
    resultValue(ctx, n);
}

void fnTrunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    DateTime d;
    if (dateArg(argv[0], &d)) {
        std::string unit = argc == 2 ? textArg(argv[1]) : "DD";
        for (char& c : unit)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (unit == "YYYY" || unit == "YEAR" || unit == "YY" || unit == "Y")
            d.month = 1;
        if (unit == "YYYY" || unit == "YEAR" || unit == "YY" || unit == "Y" || unit == "MM" ||
            unit == "MONTH" || unit == "MON")
            d.day = 1;
        if (unit != "HH" && unit != "HH24" && unit != "MI")
            d.hour = 0;
        if (unit != "MI")
            d.minute = 0;
        d.second = 0;
        return resultText(ctx, isoDateText(d));
    }
    Value n;
    if (valueAsNumber(sqliteValue(argv[0]), &n) != 0)
        return raise(ctx, 1722);
    if (n.kind == Value::Integer && argc == 1)
        return resultValue(ctx, n);
    double x = n.kind == Value::Integer ? static_cast<double>(n.integer) : n.real;
    int places = argc == 2 ? sqlite3_value_int(argv[1]) : 0;
    double scale = std::pow(10.0, places);
    double r = std::trunc(x * scale) / scale;
    if (r == std::floor(r) && std::fabs(r) < 9e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
    else
        sqlite3_result_double(ctx, r);
}

void fnNvl(sqlite3_context* ctx, int, sqlite3_value** argv) {
    sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

void fnDecode(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc < 3)
        return raise(ctx, 938);
    int i = 1;
    for (; i + 1 < argc; i += 2) {
        bool bothNull = sqlite3_value_type(argv[0]) == SQLITE_NULL &&
                        sqlite3_value_type(argv[i]) == SQLITE_NULL;
        Value a = sqliteValue(argv[0]), b = sqliteValue(argv[i]);
        std::string ta, tb;
        bool equal = false;
        if (a.kind != Value::Null && b.kind != Value::Null) {
            Value na, nb;
            if (valueAsNumber(a, &na) == 0 && valueAsNumber(b, &nb) == 0 &&
                (a.kind != Value::Text || b.kind != Value::Text)) {
                double x = na.kind == Value::Integer ? static_cast<double>(na.integer) : na.real;
                double y = nb.kind == Value::Integer ? static_cast<double>(nb.integer) : nb.real;
                equal = x == y;
            } else {
                valueAsText(a, &ta);
                valueAsText(b, &tb);
                equal = ta == tb;
            }
        }
        if (bothNull || equal)
            return sqlite3_result_value(ctx, argv[i + 1]);
    }
    if (i < argc)
        return sqlite3_result_value(ctx, argv[i]);
    sqlite3_result_null(ctx);
}

void fnSubstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    std::string s = textArg(argv[0]);
    std::vector<size_t> starts = charStarts(s);
    long count = static_cast<long>(starts.size()) - 1;
    long pos = static_cast<long>(sqlite3_value_double(argv[1]));
    if (pos == 0)
        pos = 1;
    if (pos < 0)
        pos = count + pos + 1;
    if (pos < 1 || pos > count)
        return sqlite3_result_null(ctx);
    long len = argc == 3 ? static_cast<long>(sqlite3_value_double(argv[2])) : count;
    if (len < 1)
        return sqlite3_result_null(ctx);
    long end = pos - 1 + len > count ? count : pos - 1 + len;
    size_t b = starts[static_cast<size_t>(pos - 1)], e = starts[static_cast<size_t>(end)];
    resultText(ctx, s.substr(b, e - b));
}

void fnInstr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    std::string s = textArg(argv[0]), p = textArg(argv[1]);
    long start = argc >= 3 ? sqlite3_value_int(argv[2]) : 1;
    long nth = argc >= 4 ? sqlite3_value_int(argv[3]) : 1;
    if (start == 0 || nth < 1 || p.empty())
        return sqlite3_result_int(ctx, 0);
    std::vector<size_t> starts = charStarts(s);
    long count = static_cast<long>(starts.size()) - 1;
    auto charIndex = [&](size_t byte) {
        for (size_t k = 0; k < starts.size(); ++k)
            if (starts[k] == byte)
                return static_cast<long>(k) + 1;
        return 0L;
    };
    if (start > 0) {
        if (start > count)
            return sqlite3_result_int(ctx, 0);
        size_t at = starts[static_cast<size_t>(start - 1)];
        for (;;) {
            size_t f = s.find(p, at);
            if (f == std::string::npos)
                return sqlite3_result_int(ctx, 0);
            if (--nth == 0)
                return sqlite3_result_int64(ctx, charIndex(f));
            at = f + 1;
        }
    }
    long from = count + start; // searching backwards from this character
    if (from < 0)
        return sqlite3_result_int(ctx, 0);
    size_t at = starts[static_cast<size_t>(from)];
    for (;;) {
        size_t f = s.rfind(p, at);
        if (f == std::string::npos)
            return sqlite3_result_int(ctx, 0);
        if (--nth == 0)
            return sqlite3_result_int64(ctx, charIndex(f));
        if (f == 0)
            return sqlite3_result_int(ctx, 0);
        at = f - 1;
    }
}

void fnChr(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    long c = sqlite3_value_int(argv[0]);
    std::string s;
    if (c < 0x80) {
        s.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        s.push_back(static_cast<char>(0xC0 | (c >> 6)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        s.push_back(static_cast<char>(0xE0 | ((c >> 12) & 0x0F)));
        s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    resultText(ctx, s);
}

void fnAscii(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    std::string s = textArg(argv[0]);
    if (s.empty())
        return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, static_cast<unsigned char>(s[0]));
}

void fnInitcap(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    std::string s = textArg(argv[0]);
    bool start = true;
    for (char& c : s) {
        unsigned char u = static_cast<unsigned char>(c);
        c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
        start = !std::isalnum(u);
    }
    resultText(ctx, s);
}

void pad(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool left) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    std::string s = textArg(argv[0]);
    long n = static_cast<long>(sqlite3_value_double(argv[1]));
    std::string fill = argc == 3 ? textArg(argv[2]) : " ";
    if (n < 1 || fill.empty())
        return sqlite3_result_null(ctx);
    std::vector<size_t> starts = charStarts(s);
    long count = static_cast<long>(starts.size()) - 1;
    if (count >= n)
        return resultText(ctx, s.substr(0, starts[static_cast<size_t>(n)]));
    std::string padding;
    for (long k = 0; count + k < n; ++k)
        padding += fill[static_cast<size_t>(k) % fill.size()];
    resultText(ctx, left ? padding + s : s + padding);
}
void fnLpad(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    pad(ctx, argc, argv, true);
}
void fnRpad(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    pad(ctx, argc, argv, false);
}

void fnReplace2(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    std::string s = textArg(argv[0]), p = textArg(argv[1]);
    if (!p.empty())
        for (size_t f; (f = s.find(p)) != std::string::npos;)
            s.erase(f, p.size());
    resultText(ctx, s);
}

// Oracle's "||": NULL operands count as empty strings.
void fnConcat(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    std::string out;
    bool any = false;
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            continue;
        std::string piece;
        valueAsText(sqliteValue(argv[i]), &piece);
        out += piece;
        any = true;
    }
    if (!any || out.empty())
        return sqlite3_result_null(ctx);
    resultText(ctx, out);
}

void fnMod(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    if (sqlite3_value_numeric_type(argv[0]) == SQLITE_INTEGER &&
        sqlite3_value_numeric_type(argv[1]) == SQLITE_INTEGER) {
        sqlite3_int64 a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
        return sqlite3_result_int64(ctx, b == 0 ? a : a % b);
    }
    double a = sqlite3_value_double(argv[0]), b = sqlite3_value_double(argv[1]);
    sqlite3_result_double(ctx, b == 0 ? a : a - b * std::trunc(a / b));
}

void fnAddMonths(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    DateTime d;
    if (!dateArg(argv[0], &d))
        return raise(ctx, 932);
    long months = d.year * 12L + (d.month - 1) + sqlite3_value_int(argv[1]);
    DateTime following = d;
    following.day = d.day + 1;
    bool wasLast = !validDate(following);
    d.year = static_cast<int>(months / 12);
    d.month = static_cast<int>(months % 12 + 1);
    DateTime probe = d;
    int maxDay = 28;
    for (int day = 29; day <= 31; ++day) {
        probe.day = day;
        if (validDate(probe))
            maxDay = day;
    }
    if (wasLast || d.day > maxDay)
        d.day = maxDay;
    resultText(ctx, isoDateText(d));
}

void fnLastDay(sqlite3_context* ctx, int, sqlite3_value** argv) {
    DateTime d;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return sqlite3_result_null(ctx);
    if (!dateArg(argv[0], &d))
        return raise(ctx, 932);
    for (d.day = 31; !validDate(d); --d.day) {
    }
    resultText(ctx, isoDateText(d));
}

void extreme(sqlite3_context* ctx, int argc, sqlite3_value** argv, bool greatest) {
    if (anyNull(argc, argv))
        return sqlite3_result_null(ctx);
    int best = 0;
    for (int i = 1; i < argc; ++i) {
        bool numeric = sqlite3_value_numeric_type(argv[i]) != SQLITE_TEXT &&
                       sqlite3_value_numeric_type(argv[best]) != SQLITE_TEXT;
        int cmp;
        if (numeric) {
            double a = sqlite3_value_double(argv[i]), b = sqlite3_value_double(argv[best]);
            cmp = a < b ? -1 : a > b ? 1 : 0;
        } else {
            cmp = textArg(argv[i]).compare(textArg(argv[best]));
        }
        if (greatest ? cmp > 0 : cmp < 0)
            best = i;
    }
    sqlite3_result_value(ctx, argv[best]);
}
void fnGreatest(sqlite3_context* c, int n, sqlite3_value** v) {
    extreme(c, n, v, true);
}
void fnLeast(sqlite3_context* c, int n, sqlite3_value** v) {
    extreme(c, n, v, false);
}

struct Function {
    const char* name;
    int argc;
    void (*fn)(sqlite3_context*, int, sqlite3_value**);
    bool deterministic;
};

const Function kFunctions[] = {
    {"SYSDATE", 0, fnSysdate, false},
    {"ORA_USER", 0, fnUser, false},
    {"TO_DATE", 1, fnToDate, true},
    {"TO_DATE", 2, fnToDate, true},
    {"TO_CHAR", 1, fnToChar, true},
    {"TO_CHAR", 2, fnToChar, true},
    {"TO_NUMBER", 1, fnToNumber, true},
    {"TRUNC", 1, fnTrunc, true},
    {"TRUNC", 2, fnTrunc, true},
    {"NVL", 2, fnNvl, true},
    {"DECODE", -1, fnDecode, true},
    {"SUBSTR", 2, fnSubstr, true},
    {"SUBSTR", 3, fnSubstr, true},
    {"INSTR", 2, fnInstr, true},
    {"INSTR", 3, fnInstr, true},
    {"INSTR", 4, fnInstr, true},
    {"CHR", 1, fnChr, true},
    {"ASCII", 1, fnAscii, true},
    {"INITCAP", 1, fnInitcap, true},
    {"LPAD", 2, fnLpad, true},
    {"LPAD", 3, fnLpad, true},
    {"RPAD", 2, fnRpad, true},
    {"RPAD", 3, fnRpad, true},
    {"REPLACE", 2, fnReplace2, true},
    {"MOD", 2, fnMod, true},
    {"ADD_MONTHS", 2, fnAddMonths, true},
    {"LAST_DAY", 1, fnLastDay, true},
    {"GREATEST", -1, fnGreatest, true},
    {"LEAST", -1, fnLeast, true},
    {"ORA_CONCAT", -1, fnConcat, true},
};

} // namespace

std::string currentDateText() {
    const char* fixed = std::getenv("VX_ORA7_SYSDATE");
    DateTime d;
    if (fixed != nullptr && parseDateText(fixed, &d))
        return isoDateText(d);
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    return isoDateText(d);
}

int registerFunctions(sqlite3* db, const std::string* user) {
    for (const Function& f : kFunctions) {
        int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        int rc = sqlite3_create_function(db, f.name, f.argc, flags, const_cast<std::string*>(user),
                                         f.fn, nullptr, nullptr);
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

} // namespace oci7
