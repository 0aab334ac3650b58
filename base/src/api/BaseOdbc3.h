// What the ODBC 2 entry points share with the ODBC 3 ones
// (BaseOdbc3Entries.cpp).
#pragma once

#include <sql.h>

// SQLFetch: the ODBC 3 row array when one is set, else one row.
SQLRETURN baseFetch(SQLHSTMT hstmt);

// Turns SQLDescribeCol's date and time types into the ODBC 3 ones
// (SQL_TYPE_DATE ...) for an application that declared ODBC 3.
void baseOdbc3DescribeType(SQLHSTMT hstmt, SQLRETURN rc, SQLSMALLINT* type);
