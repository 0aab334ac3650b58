#include "Oci7Value.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "oci7.h"

namespace oci7 {

namespace {

const char* const kMonths[12] = {"JANUARY",   "FEBRUARY", "MARCH",    "APRIL",
                                 "MAY",       "JUNE",     "JULY",     "AUGUST",
                                 "SEPTEMBER", "OCTOBER",  "NOVEMBER", "DECEMBER"};
const char* const kDays[7] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                              "THURSDAY", "FRIDAY", "SATURDAY"};

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Applies the letter case of a format element ("Mon", "MON", "mon").
std::string caseLike(const std::string& word, const std::string& element) {
    bool firstUpper = std::isupper(static_cast<unsigned char>(element[0])) != 0;
    bool secondUpper =
        element.size() > 1 && std::isupper(static_cast<unsigned char>(element[1])) != 0;
    std::string out = word;
    for (size_t i = 0; i < out.size(); ++i) {
        bool up = i == 0 ? firstUpper : secondUpper;
        unsigned char c = static_cast<unsigned char>(out[i]);
        out[i] = static_cast<char>(up ? std::toupper(c) : std::tolower(c));
    }
    return out;
}

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : days[m - 1];
}

int dayOfYear(const DateTime& d) {
    int n = d.day;
    for (int m = 1; m < d.month; ++m)
        n += daysInMonth(d.year, m);
    return n;
}

std::string padNumber(long v, int width, bool fill) {
    char buf[32];
    if (fill)
        std::snprintf(buf, sizeof buf, "%0*ld", width, v);
    else
        std::snprintf(buf, sizeof buf, "%ld", v);
    return buf;
}

// The format elements, longest first so that "MONTH" wins over "MON".
const char* const kElements[] = {"SSSSS", "MONTH", "HH24", "HH12", "YYYY", "RRRR", "A.M.", "P.M.",
                                 "YYY",   "MON",   "DAY",  "DDD",  "FM",   "YY",   "RR",   "MM",
                                 "DD",    "DY",    "HH",   "MI",   "SS",   "AM",   "PM",   "WW",
                                 "J",     "D",     "Q",    "W",    "Y"};

size_t matchElement(const std::string& model, size_t pos) {
    for (const char* e : kElements) {
        size_t n = std::strlen(e);
        if (model.size() - pos >= n && upper(model.substr(pos, n)) == e)
            return n;
    }
    return 0;
}

int monthFromName(const std::string& text, size_t* pos) {
    std::string rest = upper(text.substr(*pos));
    for (int m = 0; m < 12; ++m) {
        std::string full = kMonths[m];
        if (rest.compare(0, full.size(), full) == 0) {
            *pos += full.size();
            return m + 1;
        }
    }
    for (int m = 0; m < 12; ++m) {
        if (rest.compare(0, 3, std::string(kMonths[m], 3)) == 0) {
            *pos += 3;
            return m + 1;
        }
    }
    return 0;
}

bool readDigits(const std::string& text, size_t* pos, int maxDigits, long* out) {
    size_t start = *pos;
    long v = 0;
    while (*pos < text.size() && *pos - start < static_cast<size_t>(maxDigits) &&
           std::isdigit(static_cast<unsigned char>(text[*pos]))) {
        v = v * 10 + (text[*pos] - '0');
        ++*pos;
    }
    *out = v;
    return *pos > start;
}

// The year of a two-digit "RR" year: 00-49 this century, 50-99 the last.
int rrYear(long yy) {
    return static_cast<int>(yy < 50 ? 2000 + yy : 1900 + yy);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "0AFF" -> "\x0a\xff" (an odd count has a leading 0 understood); false
// when the text is not hexadecimal digits.
bool hexToBytes(const std::string& raw, std::string* out) {
    std::string text = raw.size() % 2 != 0 ? "0" + raw : raw;
    out->clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

std::string trimmed(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return std::string();
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

} // namespace

Value Value::ofInteger(std::int64_t v) {
    Value r;
    r.kind = Integer;
    r.integer = v;
    return r;
}
Value Value::ofReal(double v) {
    Value r;
    r.kind = Real;
    r.real = v;
    return r;
}
Value Value::ofText(std::string v) {
    Value r;
    r.kind = Text;
    r.bytes = std::move(v);
    return r;
}
Value Value::ofBlob(std::string v) {
    Value r;
    r.kind = Blob;
    r.bytes = std::move(v);
    return r;
}
Value Value::ofDate(std::string v) {
    Value r;
    r.kind = Date;
    r.bytes = std::move(v);
    return r;
}

bool validDate(const DateTime& d) {
    return d.year >= -4712 && d.year <= 9999 && d.year != 0 && d.month >= 1 && d.month <= 12 &&
           d.day >= 1 && d.day <= daysInMonth(d.year, d.month) && d.hour >= 0 && d.hour < 24 &&
           d.minute >= 0 && d.minute < 60 && d.second >= 0 && d.second < 60;
}

bool parseDateText(const std::string& raw, DateTime* out) {
    std::string text = trimmed(raw);
    DateTime d;
    int n = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &d.year, &d.month, &d.day, &n) == 3 && n == 10) {
        std::string rest = trimmed(text.substr(10));
        if (!rest.empty()) {
            if (rest[0] == 'T')
                rest = rest.substr(1);
            int m = 0;
            if (std::sscanf(rest.c_str(), "%2d:%2d:%2d%n", &d.hour, &d.minute, &d.second, &m) !=
                    3 ||
                (static_cast<size_t>(m) != rest.size() && rest[static_cast<size_t>(m)] != '.'))
                return false;
        }
        *out = d;
        return validDate(d);
    }
    if (parseDateWithModel(text, "DD-MON-RR HH24:MI:SS", &d) == 0) {
        *out = d;
        return true;
    }
    return false;
}

std::string isoDateText(const DateTime& d) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second);
    return buf;
}

long julianDay(const DateTime& d) {
    long a = (14 - d.month) / 12;
    long y = d.year + 4800 - a;
    long m = d.month + 12 * a - 3;
    return d.day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

DateTime fromJulianDay(long j) {
    long a = j + 32044;
    long b = (4 * a + 3) / 146097;
    long c = a - 146097 * b / 4;
    long d = (4 * c + 3) / 1461;
    long e = c - 1461 * d / 4;
    long m = (5 * e + 2) / 153;
    DateTime r;
    r.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    r.month = static_cast<int>(m + 3 - 12 * (m / 10));
    r.year = static_cast<int>(100 * b + d - 4800 + m / 10);
    return r;
}

int formatDate(const DateTime& d, const std::string& model, std::string* out) {
    std::string r;
    bool fill = true;
    for (size_t i = 0; i < model.size();) {
        if (model[i] == '"') {
            size_t end = model.find('"', i + 1);
            if (end == std::string::npos)
                return 1861;
            r += model.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        size_t n = matchElement(model, i);
        if (n == 0) {
            if (std::isalnum(static_cast<unsigned char>(model[i])))
                return 1821; // date format not recognized
            r += model[i++];
            continue;
        }
        std::string el = model.substr(i, n);
        std::string e = upper(el);
        i += n;
        int dow = static_cast<int>((julianDay(d) + 1) % 7); // 0 Sunday
        if (e == "FM")
            fill = !fill;
        else if (e == "YYYY" || e == "RRRR")
            r += padNumber(d.year, 4, fill);
        else if (e == "YYY")
            r += padNumber(d.year % 1000, 3, fill);
        else if (e == "YY" || e == "RR")
            r += padNumber(d.year % 100, 2, fill);
        else if (e == "Y")
            r += padNumber(d.year % 10, 1, fill);
        else if (e == "MM")
            r += padNumber(d.month, 2, fill);
        else if (e == "MON")
            r += caseLike(std::string(kMonths[d.month - 1], 3), el);
        else if (e == "MONTH") {
            std::string name = caseLike(kMonths[d.month - 1], el);
            if (fill)
                name.resize(9, ' ');
            r += name;
        } else if (e == "DDD")
            r += padNumber(dayOfYear(d), 3, fill);
        else if (e == "DD")
            r += padNumber(d.day, 2, fill);
        else if (e == "D")
            r += padNumber(dow + 1, 1, fill);
        else if (e == "DAY") {
            std::string name = caseLike(kDays[dow], el);
            if (fill)
                name.resize(9, ' ');
            r += name;
        } else if (e == "DY")
            r += caseLike(std::string(kDays[dow], 3), el);
        else if (e == "HH24")
            r += padNumber(d.hour, 2, fill);
        else if (e == "HH" || e == "HH12")
            r += padNumber(d.hour % 12 == 0 ? 12 : d.hour % 12, 2, fill);
        else if (e == "MI")
            r += padNumber(d.minute, 2, fill);
        else if (e == "SS")
            r += padNumber(d.second, 2, fill);
        else if (e == "SSSSS")
            r += padNumber(d.hour * 3600 + d.minute * 60 + d.second, 5, fill);
        else if (e == "AM" || e == "PM")
            r += d.hour < 12 ? caseLike("AM", el) : caseLike("PM", el);
        else if (e == "A.M." || e == "P.M.")
            r += d.hour < 12 ? "A.M." : "P.M.";
        else if (e == "J")
            r += padNumber(julianDay(d), 7, fill);
        else if (e == "Q")
            r += padNumber((d.month - 1) / 3 + 1, 1, fill);
        else if (e == "WW")
            r += padNumber((dayOfYear(d) - 1) / 7 + 1, 2, fill);
        else if (e == "W")
            r += padNumber((d.day - 1) / 7 + 1, 1, fill);
    }
    *out = r;
    return 0;
}

int parseDateWithModel(const std::string& text, const std::string& model, DateTime* out) {
    DateTime d;
    size_t t = 0;
    bool pm = false, twelve = false;
    long julian = -1;
    auto skipBlanks = [&]() {
        while (t < text.size() && text[t] == ' ')
            ++t;
    };
    for (size_t i = 0; i < model.size();) {
        size_t n = matchElement(model, i);
        if (n == 0) {
            // Punctuation in the model matches any punctuation or nothing.
            if (model[i] == '"') {
                size_t end = model.find('"', i + 1);
                if (end == std::string::npos)
                    return 1861;
                t += end - i - 1;
                i = end + 1;
                continue;
            }
            ++i;
            if (t < text.size() && !std::isalnum(static_cast<unsigned char>(text[t])))
                ++t;
            continue;
        }
        std::string e = upper(model.substr(i, n));
        i += n;
        skipBlanks();
        if (t >= text.size()) {
            if (e == "FM")
                continue;
            break; // the rest of the model takes its defaults
        }
        long v = 0;
        if (e == "FM")
            continue;
        if (e == "MON" || e == "MONTH") {
            d.month = monthFromName(text, &t);
            if (d.month == 0)
                return 1843; // not a valid month
            continue;
        }
        if (e == "DAY" || e == "DY") {
            while (t < text.size() && std::isalpha(static_cast<unsigned char>(text[t])))
                ++t;
            continue;
        }
        if (e == "AM" || e == "PM" || e == "A.M." || e == "P.M.") {
            pm = std::toupper(static_cast<unsigned char>(text[t])) == 'P';
            while (t < text.size() &&
                   (std::isalpha(static_cast<unsigned char>(text[t])) || text[t] == '.'))
                ++t;
            continue;
        }
        int width = e == "J"                       ? 7
                    : e == "SSSSS"                 ? 5
                    : (e == "YYYY" || e == "RRRR") ? 4
                    : e == "DDD" || e == "YYY"     ? 3
                    : e.size() == 1                ? 1
                                                   : 2;
        if (!readDigits(text, &t, width, &v))
            return 1858; // a non-numeric character was found
        if (e == "YYYY" || e == "RRRR")
            d.year = static_cast<int>(v < 100 && e == "RRRR" ? rrYear(v) : v);
        else if (e == "YY")
            d.year = static_cast<int>(2000 + v);
        else if (e == "RR")
            d.year = rrYear(v);
        else if (e == "MM")
            d.month = static_cast<int>(v);
        else if (e == "DD")
            d.day = static_cast<int>(v);
        else if (e == "HH24")
            d.hour = static_cast<int>(v);
        else if (e == "HH" || e == "HH12") {
            d.hour = static_cast<int>(v);
            twelve = true;
        } else if (e == "MI")
            d.minute = static_cast<int>(v);
        else if (e == "SS")
            d.second = static_cast<int>(v);
        else if (e == "SSSSS") {
            d.hour = static_cast<int>(v / 3600);
            d.minute = static_cast<int>(v / 60 % 60);
            d.second = static_cast<int>(v % 60);
        } else if (e == "J")
            julian = v;
    }
    skipBlanks();
    if (t < text.size())
        return 1830; // date format picture ends before converting entire input string
    if (twelve) {
        if (d.hour < 1 || d.hour > 12)
            return 1849;
        d.hour = d.hour % 12 + (pm ? 12 : 0);
    }
    if (julian >= 0) {
        DateTime j = fromJulianDay(julian);
        d.year = j.year;
        d.month = j.month;
        d.day = j.day;
    }
    if (d.month < 1 || d.month > 12)
        return 1843;
    if (d.day < 1 || d.day > daysInMonth(d.year, d.month))
        return 1847; // day of month must be between 1 and last day of month
    if (!validDate(d))
        return 1850;
    *out = d;
    return 0;
}

std::string numberText(double v) {
    if (std::isnan(v) || std::isinf(v))
        return v > 0 ? "~" : "-~";
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.0f", v);
        return std::strcmp(buf, "-0") == 0 ? "0" : buf;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    if (s.find('e') != std::string::npos) {
        // Oracle spells exponents "1.5E+20".
        for (char& c : s)
            if (c == 'e')
                c = 'E';
    }
    return s;
}

bool parseNumber(const std::string& raw, Value* out) {
    std::string text = trimmed(raw);
    if (text.empty())
        return false;
    const char* s = text.c_str();
    char* end = nullptr;
    bool integral = text.find_first_of(".eE") == std::string::npos;
    if (integral) {
        errno = 0;
        long long v = std::strtoll(s, &end, 10);
        if (*end == '\0' && errno == 0) {
            *out = Value::ofInteger(v);
            return true;
        }
    }
    double d = std::strtod(s, &end);
    if (*end != '\0' || end == s || std::isnan(d) || std::isinf(d))
        return false;
    if (d == std::floor(d) && std::fabs(d) < 9e15)
        *out = Value::ofInteger(static_cast<std::int64_t>(d));
    else
        *out = Value::ofReal(d);
    return true;
}

Value sqliteValue(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
        return Value::ofInteger(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
        return Value::ofReal(sqlite3_value_double(v));
    case SQLITE_TEXT:
        return Value::ofText(std::string(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                         static_cast<size_t>(sqlite3_value_bytes(v))));
    case SQLITE_BLOB: {
        const void* p = sqlite3_value_blob(v);
        return Value::ofBlob(
            std::string(static_cast<const char*>(p), static_cast<size_t>(sqlite3_value_bytes(v))));
    }
    default:
        return Value::null();
    }
}

Value columnValue(sqlite3_stmt* stmt, int col, int oracleType) {
    Value v = sqliteValue(sqlite3_column_value(stmt, col));
    if (v.kind == Value::Null)
        return v;
    switch (oracleType) {
    case OCI7_TYPE_DATE: {
        DateTime d;
        if (v.kind == Value::Text && parseDateText(v.bytes, &d))
            return Value::ofDate(isoDateText(d));
        return v;
    }
    case OCI7_TYPE_VARCHAR2:
    case OCI7_TYPE_CHAR:
    case OCI7_TYPE_LONG:
    case OCI7_TYPE_ROWID: {
        if (v.kind == Value::Text || v.kind == Value::Blob)
            return Value::ofText(v.bytes);
        std::string text;
        valueAsText(v, &text);
        return Value::ofText(text);
    }
    case OCI7_TYPE_RAW:
    case OCI7_TYPE_LONG_RAW: {
        // Text stored in a RAW column is hexadecimal digits, as Oracle
        // reads a character value assigned to a RAW column.
        if (v.kind != Value::Text)
            return v;
        std::string bytes;
        if (!hexToBytes(v.bytes, &bytes))
            return Value::ofBlob(v.bytes);
        return Value::ofBlob(bytes);
    }
    default:
        return v;
    }
}

int bindValue(sqlite3_stmt* stmt, int index, const Value& v) {
    switch (v.kind) {
    case Value::Integer:
        return sqlite3_bind_int64(stmt, index, v.integer);
    case Value::Real:
        return sqlite3_bind_double(stmt, index, v.real);
    case Value::Text:
    case Value::Date:
        return sqlite3_bind_text(stmt, index, v.bytes.data(), static_cast<int>(v.bytes.size()),
                                 SQLITE_TRANSIENT);
    case Value::Blob:
        return sqlite3_bind_blob(stmt, index, v.bytes.data(), static_cast<int>(v.bytes.size()),
                                 SQLITE_TRANSIENT);
    default:
        return sqlite3_bind_null(stmt, index);
    }
}

int valueAsText(const Value& v, std::string* out) {
    switch (v.kind) {
    case Value::Integer:
        *out = std::to_string(v.integer);
        return 0;
    case Value::Real:
        *out = numberText(v.real);
        return 0;
    case Value::Text:
        *out = v.bytes;
        return 0;
    case Value::Blob: {
        static const char hex[] = "0123456789ABCDEF";
        out->clear();
        for (unsigned char c : v.bytes) {
            out->push_back(hex[c >> 4]);
            out->push_back(hex[c & 15]);
        }
        return 0;
    }
    case Value::Date: {
        DateTime d;
        if (!parseDateText(v.bytes, &d))
            return 1858;
        return formatDate(d, "DD-MON-YY", out);
    }
    default:
        out->clear();
        return 0;
    }
}

int valueAsNumber(const Value& v, Value* out) {
    switch (v.kind) {
    case Value::Integer:
    case Value::Real:
        *out = v;
        return 0;
    case Value::Text:
        return parseNumber(v.bytes, out) ? 0 : 1722;
    default:
        return 932;
    }
}

int valueAsDate(const Value& v, DateTime* out) {
    if (v.kind == Value::Date || v.kind == Value::Text)
        return parseDateText(v.bytes, out) ? 0 : 1861;
    return 932;
}

int readExternal(int ftype, const unsigned char* buf, long len, Value* out) {
    const char* chars = reinterpret_cast<const char*>(buf);
    switch (ftype) {
    case OCI7_EXT_VARCHAR2:
    case OCI7_EXT_LONG:
    case OCI7_EXT_CHAR:
        *out = Value::ofText(std::string(chars, static_cast<size_t>(len)));
        return 0;
    case OCI7_EXT_STRING:
    case OCI7_EXT_CHARZ: {
        size_t n = len < 0 ? std::strlen(chars) : strnlen(chars, static_cast<size_t>(len));
        *out = Value::ofText(std::string(chars, n));
        return 0;
    }
    case OCI7_EXT_RAW:
    case OCI7_EXT_LONG_RAW:
        *out = Value::ofBlob(std::string(chars, static_cast<size_t>(len)));
        return 0;
    case OCI7_EXT_INTEGER:
    case OCI7_EXT_UNSIGNED: {
        bool sign = ftype == OCI7_EXT_INTEGER;
        std::int64_t v;
        if (len == 1)
            v = sign ? static_cast<std::int8_t>(buf[0]) : buf[0];
        else if (len == 2) {
            std::int16_t s;
            std::memcpy(&s, buf, 2);
            v = sign ? s : static_cast<std::uint16_t>(s);
        } else if (len == 4) {
            std::int32_t s;
            std::memcpy(&s, buf, 4);
            v = sign ? s : static_cast<std::uint32_t>(s);
        } else if (len == 8)
            std::memcpy(&v, buf, 8);
        else
            return 932;
        *out = Value::ofInteger(v);
        return 0;
    }
    case OCI7_EXT_FLOAT: {
        double d;
        if (len == 4) {
            float f;
            std::memcpy(&f, buf, 4);
            d = f;
        } else if (len == 8)
            std::memcpy(&d, buf, 8);
        else
            return 932;
        *out = Value::ofReal(d);
        return 0;
    }
    case OCI7_EXT_DATE: {
        if (len < 7)
            return 1858;
        DateTime d;
        d.year = (buf[0] - 100) * 100 + (buf[1] - 100);
        d.month = buf[2];
        d.day = buf[3];
        d.hour = buf[4] - 1;
        d.minute = buf[5] - 1;
        d.second = buf[6] - 1;
        if (!validDate(d))
            return 1858;
        *out = Value::ofDate(isoDateText(d));
        return 0;
    }
    case OCI7_EXT_NUMBER:
        return decodeOracleNumber(buf, len, out);
    default:
        return 932;
    }
}

namespace {

// Copies text into a character buffer of external type ftype.
void writeChars(const std::string& s, int ftype, unsigned char* buf, long bufl, long* written,
                long* full, bool* truncated) {
    long room = bufl;
    bool terminated = ftype == OCI7_EXT_STRING || ftype == OCI7_EXT_CHARZ;
    if (terminated)
        room = bufl > 0 ? bufl - 1 : 0;
    long n = static_cast<long>(s.size());
    *full = n;
    *truncated = n > room;
    long copy = n > room ? room : n;
    if (copy > 0)
        std::memcpy(buf, s.data(), static_cast<size_t>(copy));
    long end = copy;
    if (ftype == OCI7_EXT_CHAR || ftype == OCI7_EXT_CHARZ) {
        for (; end < room; ++end)
            buf[end] = ' ';
    }
    if (terminated && bufl > 0)
        buf[end] = 0;
    *written = end;
}

template <typename T> void storeAs(T v, unsigned char* buf) {
    std::memcpy(buf, &v, sizeof v);
}

} // namespace

int writeExternal(const Value& v, int ftype, unsigned char* buf, long bufl, long* written,
                  long* fullLength, bool* truncated) {
    *written = 0;
    *fullLength = 0;
    *truncated = false;
    switch (ftype) {
    case OCI7_EXT_VARCHAR2:
    case OCI7_EXT_LONG:
    case OCI7_EXT_STRING:
    case OCI7_EXT_CHAR:
    case OCI7_EXT_CHARZ: {
        std::string s;
        int rc = valueAsText(v, &s);
        if (rc != 0)
            return rc;
        writeChars(s, ftype, buf, bufl, written, fullLength, truncated);
        return 0;
    }
    case OCI7_EXT_RAW:
    case OCI7_EXT_LONG_RAW: {
        std::string s;
        if (v.kind == Value::Blob || v.kind == Value::Text)
            s = v.bytes;
        else
            return 932;
        writeChars(s, OCI7_EXT_RAW, buf, bufl, written, fullLength, truncated);
        return 0;
    }
    case OCI7_EXT_INTEGER:
    case OCI7_EXT_UNSIGNED: {
        Value n;
        int rc = valueAsNumber(v, &n);
        if (rc != 0)
            return rc;
        double d = n.kind == Value::Integer ? static_cast<double>(n.integer) : n.real;
        std::int64_t i = n.kind == Value::Integer ? n.integer : static_cast<std::int64_t>(d);
        if (bufl == 1)
            storeAs(static_cast<std::int8_t>(i), buf);
        else if (bufl == 2)
            storeAs(static_cast<std::int16_t>(i), buf);
        else if (bufl == 4)
            storeAs(static_cast<std::int32_t>(i), buf);
        else if (bufl == 8)
            storeAs(i, buf);
        else
            return 932;
        *written = *fullLength = bufl;
        return 0;
    }
    case OCI7_EXT_FLOAT: {
        Value n;
        int rc = valueAsNumber(v, &n);
        if (rc != 0)
            return rc;
        double d = n.kind == Value::Integer ? static_cast<double>(n.integer) : n.real;
        if (bufl == 4)
            storeAs(static_cast<float>(d), buf);
        else if (bufl >= 8)
            storeAs(d, buf);
        else
            return 932;
        *written = *fullLength = bufl >= 8 ? 8 : 4;
        return 0;
    }
    case OCI7_EXT_DATE: {
        DateTime d;
        int rc = valueAsDate(v, &d);
        if (rc != 0)
            return rc;
        if (bufl < 7)
            return 932;
        buf[0] = static_cast<unsigned char>(d.year / 100 + 100);
        buf[1] = static_cast<unsigned char>(d.year % 100 + 100);
        buf[2] = static_cast<unsigned char>(d.month);
        buf[3] = static_cast<unsigned char>(d.day);
        buf[4] = static_cast<unsigned char>(d.hour + 1);
        buf[5] = static_cast<unsigned char>(d.minute + 1);
        buf[6] = static_cast<unsigned char>(d.second + 1);
        *written = *fullLength = 7;
        return 0;
    }
    case OCI7_EXT_NUMBER: {
        int rc = encodeOracleNumber(v, buf, bufl, written);
        *fullLength = *written;
        return rc;
    }
    default:
        return 932;
    }
}

// Oracle's NUMBER form: an exponent byte (base 100, biased by 65, ones'
// complement for negatives) and up to 20 base-100 digits (digit + 1, or
// 101 - digit for negatives, then a 102 terminator when there is room).
int encodeOracleNumber(const Value& v, unsigned char* buf, long bufl, long* written) {
    Value n;
    int rc = valueAsNumber(v, &n);
    if (rc != 0)
        return rc;
    char text[64];
    if (n.kind == Value::Integer)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(n.integer));
    else
        std::snprintf(text, sizeof text, "%.15e", n.real);
    // Split into sign, decimal digits and the position of the decimal point.
    bool negative = text[0] == '-';
    std::string digits;
    int point = 0;
    const char* p = text + (negative ? 1 : 0);
    if (n.kind == Value::Integer) {
        digits = p;
        point = static_cast<int>(digits.size());
    } else {
        const char* e = std::strchr(p, 'e');
        for (const char* q = p; q < e; ++q)
            if (std::isdigit(static_cast<unsigned char>(*q)))
                digits.push_back(*q);
        point = std::atoi(e + 1) + 1;
    }
    size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) {
        if (bufl < 1)
            return 1406;
        buf[0] = 0x80;
        *written = 1;
        return 0;
    }
    digits = digits.substr(lead);
    point -= static_cast<int>(lead);
    while (!digits.empty() && digits.back() == '0')
        digits.pop_back();
    if (point % 2 != 0) { // align the point on a base-100 digit boundary
        digits.insert(0, "0");
        ++point;
    }
    if (digits.size() % 2 != 0)
        digits.push_back('0');
    int exponent = point / 2;
    if (exponent > 62)
        return 1426; // numeric overflow
    size_t count = digits.size() / 2;
    if (count > 20)
        count = 20;
    long need = static_cast<long>(count) + 1 + (negative && count < 20 ? 1 : 0);
    if (bufl < need)
        return 1406;
    buf[0] = static_cast<unsigned char>(negative ? ~(0xC0 + exponent) & 0xFF : 0xC0 + exponent);
    for (size_t i = 0; i < count; ++i) {
        int d = (digits[2 * i] - '0') * 10 + (digits[2 * i + 1] - '0');
        buf[i + 1] = static_cast<unsigned char>(negative ? 101 - d : d + 1);
    }
    if (negative && count < 20)
        buf[count + 1] = 102;
    *written = need;
    return 0;
}

int decodeOracleNumber(const unsigned char* buf, long len, Value* out) {
    if (len < 1)
        return 1722;
    if (buf[0] == 0x80) {
        *out = Value::ofInteger(0);
        return 0;
    }
    bool negative = (buf[0] & 0x80) == 0;
    int exponent = negative ? ((~buf[0]) & 0x7F) - 65 : (buf[0] & 0x7F) - 65;
    std::string digits;
    for (long i = 1; i < len; ++i) {
        if (negative && buf[i] == 102)
            break;
        int d = negative ? 101 - buf[i] : buf[i] - 1;
        if (d < 0 || d > 99)
            return 1722;
        digits.push_back(static_cast<char>('0' + d / 10));
        digits.push_back(static_cast<char>('0' + d % 10));
    }
    std::string text = negative ? "-0." : "0.";
    text += digits.empty() ? "0" : digits;
    text += "e" + std::to_string(2 * (exponent + 1));
    double d = std::strtod(text.c_str(), nullptr);
    if (d == std::floor(d) && std::fabs(d) < 9e15)
        *out = Value::ofInteger(static_cast<std::int64_t>(d));
    else
        *out = Value::ofReal(d);
    return 0;
}

} // namespace oci7
