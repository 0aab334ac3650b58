// An application value (C type, bytes, length or SQL_NULL_DATA) as an
// engine value that borrows the application's bytes: the storage type
// follows the C type, a length of SQL_NTS is the text's length. Raises
// S1C00 for a C type the engine does not take, S1090 for a negative
// length of a character or binary value.
#pragma once

#include <sql.h>

#include "util/VxStatus.h"

class FlatDataValue;

[[nodiscard]] VxStatus flatValueFromC(short cType, const void* data, SQLLEN length,
                                      FlatDataValue* value);
