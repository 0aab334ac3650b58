#include "error/Or7Errors.h"

#include "base/BaseErrors.h"

namespace {

struct Or7Resource {
    unsigned short id;
    const char* text;
};

const Or7Resource RESOURCES[] = {
    {1201, "Numbers cannot have an exponent less than -130."},
    {1202, "Numbers cannot have an exponent greater than 125."},
    {1203, "Your stored procedure was created, but it had compilation errors."},
    {1204, "Unexpected results returned from data dictionary.  This driver is to be used only "
           "against Oracle 7 databases."},
    {20101, "Oracle"},
    {20102, "User Name"},
    {20104, "Database"},
    {20105, "PL/SQL"},
    {20106, "Table"},
    {20107, "02.11.0000"},
    {20108, "length"},
    {20109, "max length"},
    {20110, "precision"},
    {20111, "precision,scale"},
    {20115, "CHAR"},
    {20116, "LONG"},
    {20117, "NUMBER"},
    {20118, "DATE"},
    {20119, "RAW"},
    {20120, "LONG RAW"},
    {20121, "VARCHAR2"},
    {20124, "Server Name"},
    {20125, "User ID"},
    {20126, "Password"},
};

struct Or7StateOfCode {
    int code;
    unsigned short odbcId;
};

const Or7StateOfCode STATES[] = {
    {1, ODBC_23000},     // unique constraint violated
    {900, ODBC_37000},   // invalid SQL statement
    {904, ODBC_S0022},   // invalid column name
    {906, ODBC_37000},   // missing left parenthesis
    {907, ODBC_37000},   // missing right parenthesis
    {917, ODBC_37000},   // missing comma
    {923, ODBC_37000},   // FROM keyword not found where expected
    {933, ODBC_37000},   // SQL command not properly ended
    {936, ODBC_37000},   // missing expression
    {942, ODBC_S0002},   // table or view does not exist
    {955, ODBC_S0001},   // name is already used by an existing object
    {1017, ODBC_28000},  // invalid username/password
    {1400, ODBC_23000},  // mandatory column is NULL
    {1401, ODBC_22001},  // inserted value too large for column
    {1438, ODBC_22003},  // value larger than specified precision
    {1476, ODBC_22012},  // divisor is equal to zero
    {1722, ODBC_22005},  // invalid number
    {2291, ODBC_23000},  // parent key not found
    {2292, ODBC_23000},  // child record found
    {12154, ODBC_08001}, // could not resolve service name
};

} // namespace

const char* or7ResourceText(unsigned short id) {
    for (const Or7Resource& resource : RESOURCES)
        if (resource.id == id)
            return resource.text;
    return nullptr;
}

unsigned short or7SqlStateOf(int code) {
    for (const Or7StateOfCode& entry : STATES)
        if (entry.code == code)
            return entry.odbcId;
    return ODBC_S1000;
}

void or7RaiseNative(int code, const char* text, bool warning) {
    if (warning)
        addNativeWarning(ODBC_01000, code, text);
    else
        addNativeError(or7SqlStateOf(code), code, text);
}
