// Server types as ODBC sees them: column descriptions, values in the
// framework's value currency, and parameters of remote procedure calls.
#pragma once

#include <sql.h>

#include "SSDbLib.h"
#include "base/InternalType.h"
#include "util/VxStatus.h"

class SSField;

// Describes result column `column`: type name, SQL type, precision, scale,
// nullability, searchability and the unsigned flag (tinyint). Nullable
// types are resolved by length; for char and binary the user type decides
// whether the column is fixed or variable.
VxStatus ssDescribeColumn(SSDbProc& process, int column, SSField& field);

// The value of a column of server type `type` in the framework's value
// currency: `*out` and `*outLength` are the value to convert from as
// `*outType`, possibly in `buffer` (at least 64 bytes).
void ssInternalValue(int type, const unsigned char* data, long length, unsigned char* buffer,
                     InternalType* outType, const void** out, SQLLEN* outLength);

// The text the framework's conversion writes for a value of an integer,
// bit, money, float, real or datetime type (plain decimal notation, money
// with four decimals, floats as their shortest round-trip digits,
// "yyyy-mm-dd hh:mm:ss[.fff]"), in `text` of `size` bytes; 0 for other
// types or when it does not fit.
long ssValueText(int type, const unsigned char* data, char* text, long size);

// A float or real value as the framework's digits value (the shortest
// digits that read back as the value), in `buffer` (at least 64 bytes):
// the same number the framework would find, without formatting and reading
// back text. False for other types and for values that are not finite.
bool ssFloatDigits(int type, const unsigned char* data, unsigned char* buffer, SQLLEN* outLength);

// The server type and the bytes that carry an ODBC value of C type `cType`
// as a parameter of a remote procedure call; converted into `buffer` (at
// least 64 bytes) where needed. S1C00 for a C type with no server type.
VxStatus ssRpcValue(short cType, short sqlType, const void* value, SQLLEN length,
                    unsigned char* buffer, int* type, long* outLength, const void** out);
