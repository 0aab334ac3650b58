#include "Oci7Errors.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace oci7 {

namespace {

struct Message {
    int code;
    const char* text; // "%s" takes the detail
};

const Message kMessages[] = {
    {1, "unique constraint (%s) violated"},
    {54, "resource busy and acquire with NOWAIT specified"},
    {60, "deadlock detected while waiting for resource"},
    {900, "invalid SQL statement"},
    {901, "invalid CREATE command"},
    {904, "invalid column name"},
    {905, "missing keyword"},
    {906, "missing left parenthesis"},
    {907, "missing right parenthesis"},
    {911, "invalid character"},
    {917, "missing comma"},
    {918, "column ambiguously defined"},
    {920, "invalid relational operator"},
    {921, "unexpected end of SQL command"},
    {923, "FROM keyword not found where expected"},
    {932, "inconsistent datatypes"},
    {933, "SQL command not properly ended"},
    {936, "missing expression"},
    {937, "not a single-group group function"},
    {942, "table or view does not exist"},
    {947, "not enough values"},
    {955, "name is already used by an existing object"},
    {957, "duplicate column name"},
    {979, "not a GROUP BY expression"},
    {1001, "invalid cursor"},
    {1002, "fetch out of sequence"},
    {1003, "no statement parsed"},
    {1007, "variable not in select list"},
    {1008, "not all variables bound"},
    {1009, "missing mandatory parameter"},
    {1012, "not logged on"},
    {1013, "user requested cancel of current operation"},
    {1017, "invalid username/password; logon denied"},
    {1031, "insufficient privileges"},
    {1036, "illegal variable name/number"},
    {1400, "mandatory (NOT NULL) column is missing or NULL during insert"},
    {1740, "missing double quote in identifier"},
    {1756, "quoted string not properly terminated"},
    {1401, "inserted value too large for column"},
    {1403, "no data found"},
    {1405, "fetched column value is NULL"},
    {1406, "fetched column value was truncated"},
    {1407, "cannot update mandatory (NOT NULL) column to NULL"},
    {1426, "numeric overflow"},
    {1432, "public synonym to be dropped does not exist"},
    {1434, "private synonym to be dropped does not exist"},
    {1438, "value larger than specified precision allows for this column"},
    {1476, "divisor is equal to zero"},
    {1722, "invalid number"},
    {1729, "database link name expected"},
    {1821, "date format not recognized"},
    {1830, "date format picture ends before converting entire input string"},
    {1785, "ORDER BY item must be the number of a SELECT-list expression"},
    {1843, "not a valid month"},
    {1847, "day of month must be between 1 and last day of month"},
    {1849, "hour must be between 1 and 12"},
    {1850, "hour must be between 0 and 23"},
    {1858, "a non-numeric character was found where a numeric was expected"},
    {1861, "literal does not match format string"},
    {2019, "connection description for remote database not found"},
    {2290, "check constraint (%s) violated"},
    {2291, "integrity constraint (%s) violated - parent key not found"},
    {2292, "integrity constraint (%s) violated - child record found"},
    {3114, "not connected to ORACLE"},
    {6502, "PL/SQL: numeric or value error"},
    {6550, "line %s"},
    {12154, "TNS:could not resolve service name"},
    {20000, "%s"},
};

const Message* findMessage(int code) {
    for (const Message& m : kMessages)
        if (m.code == code)
            return &m;
    return nullptr;
}

std::string withDetail(const char* pattern, const std::string& detail) {
    std::string out;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += detail;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

bool startsWith(const std::string& s, const char* prefix) {
    return s.compare(0, std::strlen(prefix), prefix) == 0;
}

// "UNIQUE constraint failed: T.A, T.B" -> "T.A, T.B"
std::string afterColon(const std::string& message) {
    size_t colon = message.find(": ");
    return colon == std::string::npos ? std::string() : message.substr(colon + 2);
}

} // namespace

std::string messageText(int code) {
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    const Message* m = findMessage(code);
    if (m == nullptr && code >= 20000 && code <= 20999)
        m = findMessage(20000);
    if (m == nullptr) {
        char unknown[80];
        std::snprintf(unknown, sizeof unknown, "Message %d not found; product=RDBMS; facility=ORA",
                      code);
        return std::string(prefix) + unknown;
    }
    return std::string(prefix) + withDetail(m->text, "");
}

Error makeError(int code) {
    Error e;
    e.code = code;
    e.text = messageText(code);
    return e;
}

Error makeError(int code, const std::string& detail) {
    Error e;
    e.code = code;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    const Message* m = findMessage(code);
    if (m == nullptr && code >= 20000 && code <= 20999)
        m = findMessage(20000);
    e.text = m == nullptr ? std::string(prefix) + detail : prefix + withDetail(m->text, detail);
    return e;
}

Error errorFromSqlite(int sqliteCode, const std::string& message, const std::string& owner) {
    // Errors raised by this library's SQL functions carry their Oracle text.
    if (startsWith(message, "ORA-")) {
        Error e;
        e.code = std::atoi(message.c_str() + 4);
        e.text = message;
        return e;
    }
    int primary = sqliteCode & 0xFF;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED)
        return makeError(54);
    if (primary == SQLITE_INTERRUPT)
        return makeError(1013);
    if (primary == SQLITE_CONSTRAINT || startsWith(message, "UNIQUE constraint") ||
        startsWith(message, "NOT NULL constraint")) {
        std::string what = afterColon(message);
        if (sqliteCode == SQLITE_CONSTRAINT_NOTNULL || startsWith(message, "NOT NULL"))
            return makeError(1400);
        if (sqliteCode == SQLITE_CONSTRAINT_UNIQUE || sqliteCode == SQLITE_CONSTRAINT_PRIMARYKEY ||
            startsWith(message, "UNIQUE"))
            return makeError(1, owner + "." + what);
        if (sqliteCode == SQLITE_CONSTRAINT_FOREIGNKEY)
            return makeError(2291, owner + ".FOREIGN KEY");
        if (message.find("LENGTH(CAST(") != std::string::npos)
            return makeError(1401);
        if (sqliteCode == SQLITE_CONSTRAINT_CHECK)
            return makeError(2290, owner + "." + what);
        return makeError(2290, owner + "." + what);
    }
    if (primary == SQLITE_MISMATCH)
        return makeError(932);
    if (primary == SQLITE_TOOBIG)
        return makeError(1401);
    if (startsWith(message, "no such table") || startsWith(message, "no such view"))
        return makeError(942);
    if (startsWith(message, "no such column"))
        return makeError(904);
    if (startsWith(message, "ambiguous column name"))
        return makeError(918);
    if (message.find("already exists") != std::string::npos)
        return makeError(955);
    if (startsWith(message, "duplicate column name"))
        return makeError(957);
    if (startsWith(message, "no such function") ||
        message.find("wrong number of arguments") != std::string::npos)
        return makeError(904);
    if (message.find("values for") != std::string::npos &&
        message.find("columns") != std::string::npos)
        return makeError(947);
    if (message.find("ORDER BY term out of range") != std::string::npos)
        return makeError(1785);
    if (message.find("misuse of aggregate") != std::string::npos)
        return makeError(937);
    if (message.find("incomplete input") != std::string::npos)
        return makeError(921);
    if (message.find("syntax error") != std::string::npos)
        return makeError(933);
    return makeError(900);
}

} // namespace oci7
