// The bridge between the framework's internal values and the
// application's C types: which SQL types convert to which C types, and the
// conversions a statement runs for result columns and parameters (the
// statement's convertInternalToC, convertInternalToCHuge and
// convertCToInternal delegate here).
//
// Result conversions (SQL type to C type): every SQL type converts to
// SQL_C_CHAR, SQL_C_WCHAR, SQL_C_BINARY and SQL_C_DEFAULT; the character
// types to every C type; the numeric types (NUMERIC, DECIMAL, INTEGER,
// SMALLINT, FLOAT, REAL, DOUBLE, BIT, TINYINT, BIGINT) to the numeric C
// types; DATE to date and timestamp, TIME to time and timestamp, TIMESTAMP
// to date, time and timestamp. Parameter conversions (C type to SQL type)
// are the mirror image.
#pragma once

#include <sql.h>
#include <sqlext.h>

#include "base/BaseConvert.h"
#include "base/InternalType.h"
#include "util/VxExport.h"
#include "util/VxStatus.h"

class BaseOutString;

// ---- Type rules --------------------------------------------------------------

VX_EXPORT bool baseIsValidCType(short cType);
VX_EXPORT bool baseIsValidSqlType(short sqlType);
// The fixed buffer size of a C type (4 for SQL_C_LONG, 16 for
// SQL_C_TIMESTAMP ...); 0 for the character, binary and default types.
VX_EXPORT SQLLEN baseCTypeSize(short cType);
// The internal type a value of the C type is read as (INTERNAL_NONE for
// SQL_C_DEFAULT and unknown types).
VX_EXPORT InternalType baseCTypeInternal(short cType);
// The internal type that holds a value of the SQL type exactly: integers
// by their width, REAL as float, FLOAT and DOUBLE as double, dates, times
// and timestamps as their structures, binary types as bytes, everything
// else (NUMERIC, DECIMAL, the character types) as text.
VX_EXPORT InternalType baseSqlTypeInternal(short sqlType);
// The C type a value of the SQL type goes to under SQL_C_DEFAULT.
VX_EXPORT short baseDefaultCType(short sqlType);
// The C type a value of the internal type goes to under SQL_C_DEFAULT.
VX_EXPORT short baseDefaultCTypeOfInternal(InternalType type);

VX_EXPORT bool baseCanConvertSqlToC(short sqlType, short cType);
VX_EXPORT bool baseCanConvertCToSql(short cType, short sqlType);
// Raise 07006 with message 6010 (column, SQL type, C type) or 6011
// (parameter, C type, SQL type) when the pair does not convert.
VX_EXPORT VxStatus baseCheckColumnConversion(unsigned short column, short sqlType, short cType);
VX_EXPORT VxStatus baseCheckParamConversion(unsigned short param, short cType, short sqlType);

// ---- Conversions -------------------------------------------------------------

// Whose value is converted: errors and warnings raised by a conversion get
// " Error in column n." (6072) or " Error in parameter n." (6073) appended.
struct BaseConvertPlace {
    enum Kind { NONE, COLUMN, PARAMETER };
    Kind kind = NONE;
    unsigned short number = 0;

    static BaseConvertPlace column(unsigned short n) { return {COLUMN, n}; }
    static BaseConvertPlace parameter(unsigned short n) { return {PARAMETER, n}; }
};

// The values most results carry, delivered to SQL_C_CHAR when they fit
// whole with their terminator and there is nothing to report: text of a
// known length, exact digits and valid dates, written as
// baseConvertInternalToC writes them. Returns false, having set nothing,
// for anything else (the general conversion then does the work).
VX_EXPORT bool baseDeliverPlainText(BaseOutString& out, const void* value, SQLLEN length,
                                    InternalType type);
// The same for SQL_C_WCHAR: text of a known length, all ASCII, that fits
// with its terminator, one wide character per byte.
VX_EXPORT bool baseDeliverAsciiAsWide(BaseOutString& out, const void* value, SQLLEN length);

// Delivers an internal value to the application as C type `cType`
// through `out`:
//   - SQL_C_CHAR / SQL_C_WCHAR: text as is (cut with 01004), numbers in
//     plain notation (fraction digits cut with 01004; 22003 when the
//     integer digits do not fit), dates, times and timestamps as ODBC
//     text (22003 below 10, 8 and 10 characters of room; longer text cut
//     with 01004), binary as two hexadecimal characters per whole byte;
//   - SQL_C_BINARY: text and binary bytes as they are (cut with 01004),
//     fixed-size values as their bytes (22003 when they do not fit);
//   - numeric, date, time and timestamp C types: converted into the fixed
//     size of the type, whatever the buffer size says;
//   - SQL_C_DEFAULT: the C type natural to the internal type.
// A null `value` with length SQL_NULL_DATA delivers SQL_NULL_DATA. `scale`
// is that of a packed value, or the fraction digits of a timestamp shown
// as text. Messages: 22003 "Numeric overflow.", 01004 "Data Truncated.".
VX_EXPORT VxStatus baseConvertInternalToC(BaseConvertPlace place, short cType, BaseOutString& out,
                                          const void* value, SQLLEN length, InternalType type,
                                          short scale = BASE_SCALE_NATURAL);
// The same for values of any size (large-memory copies).
VX_EXPORT VxStatus baseConvertInternalToCHuge(BaseConvertPlace place, short cType,
                                              BaseOutString& out, const void* value, SQLLEN length,
                                              InternalType type, short scale = BASE_SCALE_NATURAL);

// Converts an application's parameter value of C type `cType` (length in
// bytes; SQL_NTS for null-terminated text) into internal type `type` in
// `buffer` of `size` bytes; *outLength receives the bytes produced.
// SQL_C_BINARY into a fixed-size internal type must have exactly its size
// (22003, message 6050); text into binary is read as hexadecimal digits.
// Cut text is warning 01004; a negative length other than SQL_NTS is
// S1090 (6001).
VX_EXPORT VxStatus baseConvertCToInternal(BaseConvertPlace place, short cType, const void* value,
                                          SQLLEN length, InternalType type, void* buffer,
                                          SQLLEN size, SQLLEN* outLength, short scale = 0);
