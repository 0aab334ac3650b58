// Types of values inside expressions: ODBC SQL type codes, plus the
// compiler's pseudo-types.
#pragma once

constexpr short FLAT_TYPE_LONGVARBINARY = -4;
constexpr short FLAT_TYPE_VARBINARY = -3;
constexpr short FLAT_TYPE_BINARY = -2;
constexpr short FLAT_TYPE_LONGVARCHAR = -1;
constexpr short FLAT_TYPE_BIT = -7; // logical: one byte, 0 or 1
constexpr short FLAT_TYPE_CHAR = 1;
constexpr short FLAT_TYPE_NUMERIC = 2;
constexpr short FLAT_TYPE_DECIMAL = 3;
constexpr short FLAT_TYPE_INTEGER = 4;
constexpr short FLAT_TYPE_SMALLINT = 5;
constexpr short FLAT_TYPE_FLOAT = 6;
constexpr short FLAT_TYPE_REAL = 7;
constexpr short FLAT_TYPE_DOUBLE = 8; // every number inside an expression
constexpr short FLAT_TYPE_DATE = 9;
constexpr short FLAT_TYPE_TIME = 10;
constexpr short FLAT_TYPE_TIMESTAMP = 11;
constexpr short FLAT_TYPE_VARCHAR = 12;
constexpr short FLAT_TYPE_TINYINT = -6;
constexpr short FLAT_TYPE_BIGINT = -5;
constexpr short FLAT_TYPE_ANY = 90;     // also the type of NULL
constexpr short FLAT_TYPE_PARAM = 91;   // a parameter whose type is not known yet
constexpr short FLAT_TYPE_LITERAL = 92; // a string literal

inline bool flatIsStringType(short type) {
    return type == FLAT_TYPE_CHAR || type == FLAT_TYPE_VARCHAR || type == FLAT_TYPE_LONGVARCHAR ||
           type == FLAT_TYPE_LITERAL;
}
inline bool flatIsBinaryType(short type) {
    return type == FLAT_TYPE_BINARY || type == FLAT_TYPE_VARBINARY ||
           type == FLAT_TYPE_LONGVARBINARY;
}
inline bool flatIsDateType(short type) {
    return type == FLAT_TYPE_DATE || type == FLAT_TYPE_TIME || type == FLAT_TYPE_TIMESTAMP;
}
inline bool flatIsNumberType(short type) {
    return type == FLAT_TYPE_DOUBLE || type == FLAT_TYPE_NUMERIC || type == FLAT_TYPE_DECIMAL ||
           type == FLAT_TYPE_INTEGER || type == FLAT_TYPE_SMALLINT || type == FLAT_TYPE_FLOAT ||
           type == FLAT_TYPE_REAL || type == FLAT_TYPE_TINYINT || type == FLAT_TYPE_BIGINT;
}
