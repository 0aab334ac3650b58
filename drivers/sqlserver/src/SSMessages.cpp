#include "SSMessages.h"

#include "base/BaseOdbcId.h"
#include "util/VxMessageTable.h"

namespace {

// clang-format off
const VxMessage MESSAGES[] = {
    {1203, "You cannot have more than one statement active, when SQL_AUTOCOMMIT is false."},
    {1204, "An unexpected error occured with initializing the connection. (%n1)"},
    {1205, "Warning: %s1"},
    {1206, "Unsupported SQL data type.  When passing data in SQL_C_BINARY format, you can only use SQL data types returned by SQLDescribeCol."},
    {1207, "SQL_DECIMAL parameters passed in SQL_C_BINARY format must be either 4 bytes (smallmoney) or 8 bytes (money) long."},
    {1208, "SQL_TIMESTAMP parameters passed in SQL_C_BINARY format must be either 4 bytes (smalldatetime) or 8 bytes (datetime) long."},
    {1210, "ODBC does not allow the NULL keyword in a CREATE TABLE statement."},
    {1211, "SQLServer does not support NULLable bit columns.  Your CREATE or ALTER TABLE statement was modified.  The column was created with the NOT NULL attribute."},
    {1212, "The server info '%s1' was not found in exec sp_server_info."},
    {1213, "No return status will be returned from this stored procedure unless you use only parameter markers to pass parameter values."},
    {1214, "must have at least one searchable column or non-parameterized where clause when selecting a text/image column"},
    {1215, "Inserting or updating this value failed. BRELLMONT ODBC Driver"},
    {20101, "SQL Server"},
    {20139, "Server Name"},
    {20140, "Database Name"},
    {20141, "Logon ID"},
    {20142, "Password"},
    {20143, "Application Name"},
    {20144, "Workstation ID"},
    {20145, "Language"},
    {20146, "Cancel"},
    {20147, "Netapi"},
};
// clang-format on

const VxMessageTable TABLE(MESSAGES, sizeof MESSAGES / sizeof MESSAGES[0]);

struct StateEntry {
    long number;
    unsigned short odbcId;
};

// Server message numbers and their SQLSTATEs; any other is S1000.
const StateEntry STATES[] = {
    {102, ODBC_37000},  {103, ODBC_37000},  {110, ODBC_21S01},  {159, ODBC_S0012},
    {168, ODBC_22003},  {207, ODBC_S0022},  {208, ODBC_S0002},  {213, ODBC_21S01},
    {232, ODBC_22003},  {233, ODBC_23000},  {257, ODBC_22005},  {911, ODBC_08004},
    {1200, ODBC_01000}, {1906, ODBC_S0002}, {1911, ODBC_S0022}, {1913, ODBC_S0011},
    {2601, ODBC_23000}, {2705, ODBC_S0021}, {2714, ODBC_S0001}, {2812, ODBC_37000},
    {3607, ODBC_22012}, {3701, ODBC_S0002}, {3902, ODBC_01000}, {3903, ODBC_01000},
    {4002, ODBC_08004}, {4501, ODBC_21S02}, {4502, ODBC_21S02}, {4604, ODBC_37000},
    {4901, ODBC_37000}, {4902, ODBC_S0002},
};

} // namespace

const char* ssMessageText(unsigned short id) {
    const char* text = TABLE.find(id);
    return text ? text : "";
}

unsigned short ssServerMessageState(long number, bool* alwaysWarning) {
    *alwaysWarning = false;
    for (const StateEntry& entry : STATES) {
        if (entry.number == number) {
            *alwaysWarning = entry.odbcId == ODBC_01000;
            return entry.odbcId;
        }
    }
    return ODBC_S1000;
}
