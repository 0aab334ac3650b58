// Oci7Value: one value on its way between SQLite and a caller's buffer, and
// the conversions of the interface's external types.
//
// Dates are kept as text "YYYY-MM-DD HH:MM:SS" (how they are stored in the
// SQLite file); the default date text that Oracle shows is "DD-MON-YY".
// Conversions that fail answer an Oracle error code (1722 invalid number,
// 1858/1861 bad date, 932 inconsistent types); 0 means success.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3_stmt;
struct sqlite3_value;

namespace oci7 {

struct Value {
    enum Kind { Null, Integer, Real, Text, Blob, Date };
    Kind kind = Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes; // Text, Blob and Date ("YYYY-MM-DD HH:MM:SS")

    static Value null() { return Value(); }
    static Value ofInteger(std::int64_t v);
    static Value ofReal(double v);
    static Value ofText(std::string v);
    static Value ofBlob(std::string v);
    static Value ofDate(std::string v);
};

// Broken-down date and time.
struct DateTime {
    int year = 1, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Reads "YYYY-MM-DD[ HH:MM:SS]" or "DD-MON-YY[YY][ HH:MM:SS]"; false when
// the text is neither.
bool parseDateText(const std::string& text, DateTime* out);
std::string isoDateText(const DateTime& d); // "YYYY-MM-DD HH:MM:SS"
bool validDate(const DateTime& d);
// Oracle's date format models (YYYY, YY, RR, MM, MON, MONTH, DD, DDD, D,
// DAY, HH24, HH, MI, SS, AM, J, Q, WW, FM ...). Answers 0 or an Oracle code.
int formatDate(const DateTime& d, const std::string& model, std::string* out);
int parseDateWithModel(const std::string& text, const std::string& model, DateTime* out);
long julianDay(const DateTime& d);
DateTime fromJulianDay(long j);

// A number as Oracle shows it in text (no exponent for ordinary values).
std::string numberText(double v);
// Reads a whole number text (blanks around allowed); false when invalid.
bool parseNumber(const std::string& text, Value* out);

// The value of column `col` of the current row of `stmt`, read as the
// column's Oracle internal type `oracleType` (0: as SQLite typed it).
Value columnValue(sqlite3_stmt* stmt, int col, int oracleType);
Value sqliteValue(sqlite3_value* v);
// Binds `v` to parameter `index` of `stmt`; answers the SQLite code.
int bindValue(sqlite3_stmt* stmt, int index, const Value& v);

// The value held in a caller's buffer of external type `ftype` and `len`
// bytes. Answers 0 or an Oracle code (932 unsupported type, 1858 bad date).
int readExternal(int ftype, const unsigned char* buf, long len, Value* out);

// Writes `v` into a caller's buffer of external type `ftype` and `bufl`
// bytes. *written receives the bytes delivered (for CHAR the padded length,
// for STRING without the terminator) and *fullLength the length of the
// whole value; *truncated tells whether it was cut. Answers 0 or an Oracle
// code. A null value is not written (the caller sets the indicator).
int writeExternal(const Value& v, int ftype, unsigned char* buf, long bufl, long* written,
                  long* fullLength, bool* truncated);

// The value as text, the way a character define receives it.
int valueAsText(const Value& v, std::string* out);
int valueAsNumber(const Value& v, Value* out);
int valueAsDate(const Value& v, DateTime* out);

// Oracle's internal NUMBER form (up to 21 bytes) to and from a value.
int encodeOracleNumber(const Value& v, unsigned char* buf, long bufl, long* written);
int decodeOracleNumber(const unsigned char* buf, long len, Value* out);

} // namespace oci7
