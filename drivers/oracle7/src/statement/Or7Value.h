// Oracle's 7-byte DATE form and ODBC's timestamp structure.
//
// The seven bytes: century + 100, year of the century + 100, month, day,
// hour + 1, minute + 1, second + 1.
#pragma once

#include <sql.h>
#include <sqlext.h>

void or7DateToTimestamp(const unsigned char* date, TIMESTAMP_STRUCT* out);
void or7TimestampToDate(const TIMESTAMP_STRUCT& value, unsigned char* date);
