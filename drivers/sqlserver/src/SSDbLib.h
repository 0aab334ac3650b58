// SSDbLib: the driver's one door to DB-Library (FreeTDS's libsybdb).
//
// Everything the driver asks of the client library goes through here: the
// library's start and end, the error and message handlers that turn
// DB-Library errors and server messages into ODBC errors on the calling
// thread's list, the login record, and SSDbProc, one server connection (a
// DBPROCESS) with its batches, results, rows, remote procedure calls and
// text pointers. Column types keep DB-Library's type codes (the TDS type
// bytes), which SSDbLib also turns into ODBC descriptions and values.
#pragma once

#include <cstdint>

#include "util/VxStatus.h"

// DB-Library's type codes as the driver uses them.
enum SSServerType : int {
    SS_TYPE_IMAGE = 34,
    SS_TYPE_TEXT = 35,
    SS_TYPE_VARBINARY = 37,
    SS_TYPE_INTN = 38,
    SS_TYPE_VARCHAR = 39,
    SS_TYPE_BINARY = 45,
    SS_TYPE_CHAR = 47,
    SS_TYPE_INT1 = 48,
    SS_TYPE_BIT = 50,
    SS_TYPE_INT2 = 52,
    SS_TYPE_INT4 = 56,
    SS_TYPE_DATETIME4 = 58,
    SS_TYPE_REAL = 59,
    SS_TYPE_MONEY = 60,
    SS_TYPE_DATETIME = 61,
    SS_TYPE_FLT8 = 62,
    SS_TYPE_DECIMAL = 106,
    SS_TYPE_NUMERIC = 108,
    SS_TYPE_FLTN = 109,
    SS_TYPE_MONEYN = 110,
    SS_TYPE_DATETIMN = 111,
    SS_TYPE_MONEY4 = 122,
    SS_TYPE_INT8 = 127,
};

// Result codes of results() and nextRow().
enum SSDbResult : int {
    SS_DB_FAIL = 0,
    SS_DB_SUCCEED = 1,
    SS_DB_NO_MORE_RESULTS = 2,
    SS_DB_ROW = 3,
    SS_DB_NO_MORE_ROWS = 4,
    SS_DB_OTHER_ROW = 5,
};

// The error and message handlers, installed while an operation runs. The
// count makes nested installation cheap; the last removal restores the
// handlers that were there before.
void ssInstallHandlers();
void ssRemoveHandlers();

// RAII installation of the handlers for one operation.
class SSHandlerScope {
public:
    SSHandlerScope() { ssInstallHandlers(); }
    ~SSHandlerScope() { ssRemoveHandlers(); }
    SSHandlerScope(const SSHandlerScope&) = delete;
    SSHandlerScope& operator=(const SSHandlerScope&) = delete;
};

// How many server messages the handler has raised on the calling thread
// (a failure that came with messages of its own needs no general error).
unsigned long ssServerMessageCount();

// dbsettime: the seconds DB-Library waits for a server's answer (0: no
// limit).
void ssSetQueryTimeout(long seconds);

// dbinit; failure raises 1204 with step 206. ssLibExit calls dbexit.
VxStatus ssLibInit();
void ssLibExit();

// A DB-Library login record.
class SSLogin {
public:
    SSLogin() = default;
    ~SSLogin();
    SSLogin(const SSLogin&) = delete;
    SSLogin& operator=(const SSLogin&) = delete;

    // dblogin and the fields: a failing step raises 1204 with its number.
    // `charset` is the character set DB-Library delivers text in.
    VxStatus create(const char* user, const char* password, const char* application,
                    const char* workstation, const char* language, const char* charset,
                    int loginTimeout);
    bool isUtf8() const { return utf8_; }
    void free();
    void* handle() const { return login_; }

private:
    void* login_ = nullptr;
    bool utf8_ = false;
};

// One DBPROCESS.
class SSDbProc {
public:
    ~SSDbProc();
    SSDbProc(const SSDbProc&) = delete;
    SSDbProc& operator=(const SSDbProc&) = delete;

    // dbopen on `server` ("host:port" or a freetds.conf name); null when it
    // failed (the handlers raised why). `severity` receives the severity of
    // each DB-Library error on this process.
    static SSDbProc* open(SSLogin& login, const char* server, int* severity);

    bool isDead() const;
    void setSeverityCell(int* cell);

    // Sends a batch and waits for the server's first answer, polling the
    // connection's socket; `yield` (may be null) runs between polls and a
    // true return cancels. Fails with the handlers' errors.
    VxStatus execute(const char* sql, bool (*yield)(void*) = nullptr, void* context = nullptr);
    // The first half of execute: the batch is sent.
    VxStatus send(const char* sql);
    // Whether the answer has arrived (waits at most `milliseconds`).
    bool dataReady(int milliseconds) const;
    // dbsqlok after send.
    VxStatus sqlOk();
    // execute, then every result and row read and dropped.
    VxStatus run(const char* sql);

    int results();
    int numCols();
    int nextRow();
    long count();
    // Whether dbcount is meaningful for the current result.
    bool hasCount();
    // Reads and drops every remaining row and result.
    void drain();
    VxStatus cancel();
    bool canQuery();

    const char* columnName(int column);
    int columnType(int column);
    int columnUserType(int column);
    long columnLength(int column);
    bool columnVariable(int column);
    // The column's value: null data for NULL.
    const unsigned char* data(int column);
    long dataLength(int column);

    const char* currentDatabase();
    VxStatus use(const char* database);
    // The database the server changed to in the last batch, or null.
    const char* changedDatabase();

    // How many bytes DB-Library gives each character of a character
    // column: it widens them when it converts the server's text to a
    // client character set of several bytes per character (UTF-8).
    int characterWidth();

    // Precision and scale of a decimal or numeric column.
    int columnPrecision(int column);
    int columnScale(int column);

    // Options sent with DB-Library (option codes of dbsetopt).
    VxStatus setTextLimit(long bytes);

    // Remote procedure calls.
    VxStatus rpcInit(const char* procedure);
    VxStatus rpcParam(const char* name, bool output, int type, long maxLength, long length,
                      const void* value);
    VxStatus rpcSend();
    bool hasReturnStatus();
    long returnStatus();
    int returnCount();
    int returnType(int n);
    long returnLength(int n);
    const unsigned char* returnData(int n);

    // Text pointers of the current row.
    const unsigned char* textPointer(int column);
    const unsigned char* textTimestamp(int column);
    VxStatus writeText(const char* objectName, const unsigned char* pointer,
                       const unsigned char* timestamp, bool log, long size,
                       const unsigned char* value);

    // What the driver last set on this process with "set rowcount" and
    // "set textsize" (-1: never set).
    long rowLimit_ = 0;
    long textSize_ = -1;

private:
    SSDbProc(void* process, bool utf8) : process_(process), utf8_(utf8) {}
    void* process_;
    bool utf8_;
    // The thread's server-message count when the last batch was sent.
    unsigned long messagesAtSend_ = 0;
};

// A value of server type `type` as text, as DB-Library writes it, in
// `buffer` of `size` bytes; returns the length (0 when it cannot).
long ssValueText(int type, const unsigned char* data, long length, char* buffer, long size);
