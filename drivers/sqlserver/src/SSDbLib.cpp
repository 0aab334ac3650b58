// The driver's calls of DB-Library. Nothing else in the driver includes
// <sybdb.h>.
#include "SSDbLib.h"

#include <poll.h>
#include <sybdb.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <mutex>
#include <string>

#include "SSMessages.h"
#include "base/BaseErrors.h"
#include "util/VxError.h"

namespace {

std::mutex handlerLock;
int handlerCount = 0;
EHANDLEFUNC savedErrorHandler = nullptr;
MHANDLEFUNC savedMessageHandler = nullptr;

DBPROCESS* proc(void* process) {
    return static_cast<DBPROCESS*>(process);
}

thread_local unsigned long serverMessages = 0;

bool listHoldsError() {
    VxErrorList* list = VxErrorKeeper::getErrorList();
    return list && list->holdsError();
}

// DB-Library's errors. The severity goes to the process's cell; the
// operation is always cancelled, never the program ended.
int errorHandler(DBPROCESS* dbproc, int severity, int dberr, int oserr, char* dberrstr,
                 char* oserrstr) {
    // The server's own messages come through the message handler.
    if (dberr == SYBESMSG)
        return INT_CANCEL;
    if (dbproc) {
        if (int* cell = reinterpret_cast<int*>(dbgetuserdata(dbproc)))
            *cell = severity;
    }
    bool connectOrTimeout = dberr == SYBETIME || dberr == SYBECONN || dberr == SYBEFCON;
    if (listHoldsError() && !connectOrTimeout)
        return INT_CANCEL;
    const char* text = dberrstr ? dberrstr : "";
    switch (dberr) {
    case SYBETIME:
        addNativeError(ODBC_S1T00, dberr, text);
        break;
    case SYBECONN:
    case SYBEFCON:
        addNativeError(ODBC_08001, dberr, text);
        break;
    case SYBEPWD:
        addNativeError(ODBC_28000, dberr, text);
        break;
    default:
        if (oserr != DBNOERR && oserrstr && *oserrstr) {
            std::string joined = std::string(text) + " " + oserrstr;
            addNativeError(ODBC_S1000, dberr, joined.c_str());
        } else {
            addNativeError(ODBC_S1000, dberr, text);
        }
        break;
    }
    return INT_CANCEL;
}

// The server's messages, through the table of SQLSTATEs.
int messageHandler(DBPROCESS*, DBINT msgno, int, int severity, char* msgtext, char*, char*, int) {
    // Context changes ("Changed database context to ...", language).
    if (msgno == 5701 || msgno == 5703)
        return 0;
    std::string text = msgtext ? msgtext : "";
    if (msgno == -1 && text.empty())
        return 0;
    if (msgno == 0) {
        addOdbcWarning(ODBC_01000, SS_MSG_WARNING) << text.c_str();
        return 0;
    }
    if (msgno == 3705 && !text.empty() && text.back() == '\t')
        text.pop_back();
    ++serverMessages;
    bool alwaysWarning = false;
    unsigned short state = ssServerMessageState(msgno, &alwaysWarning);
    if (alwaysWarning || severity < 2)
        addNativeWarning(state, msgno, text.c_str());
    else
        addNativeError(state, msgno, text.c_str());
    return 0;
}

} // namespace

unsigned long ssServerMessageCount() {
    return serverMessages;
}

void ssInstallHandlers() {
    std::lock_guard<std::mutex> guard(handlerLock);
    if (handlerCount++ == 0) {
        savedErrorHandler = dberrhandle(errorHandler);
        savedMessageHandler = dbmsghandle(messageHandler);
    }
}

void ssRemoveHandlers() {
    std::lock_guard<std::mutex> guard(handlerLock);
    if (handlerCount > 0 && --handlerCount == 0) {
        dberrhandle(savedErrorHandler);
        dbmsghandle(savedMessageHandler);
    }
}

VxStatus ssLibInit() {
    if (dbinit() == FAIL) {
        addOdbcError(ODBC_S1000, SS_MSG_LOGON_STEP) << SS_STEP_INIT;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

void ssSetQueryTimeout(long seconds) {
    dbsettime(static_cast<int>(seconds));
}

void ssLibExit() {
    dbexit();
}

// ---- Login record ----------------------------------------------------------

SSLogin::~SSLogin() {
    free();
}

void SSLogin::free() {
    if (login_)
        dbloginfree(static_cast<LOGINREC*>(login_));
    login_ = nullptr;
}

VxStatus SSLogin::create(const char* user, const char* password, const char* application,
                         const char* workstation, const char* language, const char* charset,
                         int loginTimeout) {
    free();
    LOGINREC* login = dblogin();
    if (!login) {
        addOdbcError(ODBC_S1000, SS_MSG_LOGON_STEP) << SS_STEP_LOGIN;
        return VX_ERROR;
    }
    login_ = login;
    auto step = [](long number) {
        addOdbcError(ODBC_S1000, SS_MSG_LOGON_STEP) << number;
        return VX_ERROR;
    };
    // TDS 7 servers keep at least 4096 whatever is asked; TDS 5.0 takes it.
    if (DBSETLPACKET(login, 1024) == FAIL)
        return step(SS_STEP_PACKET);
    if (language && *language)
        (void)DBSETLNATLANG(login, language);
    if (DBSETLUSER(login, user ? user : "") == FAIL ||
        DBSETLPWD(login, password ? password : "") == FAIL)
        return step(SS_STEP_USER);
    if (application && *application && DBSETLAPP(login, application) == FAIL)
        return step(SS_STEP_APPLICATION);
    if (workstation && *workstation && DBSETLHOST(login, workstation) == FAIL)
        return step(SS_STEP_WORKSTATION);
    if (charset && *charset)
        (void)DBSETLCHARSET(login, charset);
    utf8_ = charset && (strcasecmp(charset, "UTF-8") == 0 || strcasecmp(charset, "UTF8") == 0);
    if (loginTimeout > 0)
        dbsetlogintime(loginTimeout);
    return VX_SUCCESS;
}

// ---- One DBPROCESS -------------------------------------------------------------

SSDbProc::~SSDbProc() {
    if (process_)
        dbclose(proc(process_));
}

SSDbProc* SSDbProc::open(SSLogin& login, const char* server, int* severity) {
    DBPROCESS* process = dbopen(static_cast<LOGINREC*>(login.handle()), server ? server : "");
    if (!process) {
        if (!listHoldsError())
            addNativeError(ODBC_08001, SYBEFCON, "Unable to connect to the server.");
        return nullptr;
    }
    dbsetuserdata(process, reinterpret_cast<BYTE*>(severity));
    return new SSDbProc(process, login.isUtf8());
}

bool SSDbProc::isDead() const {
    return dbdead(proc(process_)) != FALSE;
}

void SSDbProc::setSeverityCell(int* cell) {
    dbsetuserdata(proc(process_), reinterpret_cast<BYTE*>(cell));
}

VxStatus SSDbProc::send(const char* sql) {
    messagesAtSend_ = serverMessages;
    if (dbcmd(proc(process_), sql) == FAIL || dbsqlsend(proc(process_)) == FAIL) {
        if (!listHoldsError())
            addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

bool SSDbProc::dataReady(int milliseconds) const {
    int fd = dbiordesc(proc(process_));
    if (fd < 0)
        return true;
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, milliseconds) != 0;
}

VxStatus SSDbProc::sqlOk() {
    if (dbsqlok(proc(process_)) == FAIL) {
        if (listHoldsError())
            return VX_ERROR;
        // The server said why, as a warning only (3902 ...): the results
        // still follow.
        if (serverMessages != messagesAtSend_ && !isDead())
            return VX_SUCCESS;
        addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus SSDbProc::execute(const char* sql, bool (*yield)(void*), void* context) {
    if (send(sql) != VX_SUCCESS)
        return VX_ERROR;
    if (yield) {
        while (!dataReady(50)) {
            if (yield(context)) {
                dbcancel(proc(process_));
                addOdbcError(ODBC_S1008);
                return VX_ERROR;
            }
        }
    }
    return sqlOk();
}

VxStatus SSDbProc::run(const char* sql) {
    if (execute(sql) != VX_SUCCESS)
        return VX_ERROR;
    VxStatus status = VX_SUCCESS;
    for (;;) {
        int rc = results();
        if (rc == SS_DB_NO_MORE_RESULTS)
            break;
        if (rc == SS_DB_FAIL) {
            status = VX_ERROR;
            break;
        }
        while (dbnextrow(proc(process_)) != NO_MORE_ROWS) {
        }
    }
    if (status == VX_SUCCESS && listHoldsError())
        status = VX_ERROR;
    return status;
}

int SSDbProc::results() {
    RETCODE rc = dbresults(proc(process_));
    if (rc == NO_MORE_RESULTS)
        return SS_DB_NO_MORE_RESULTS;
    if (rc == SUCCEED)
        return SS_DB_SUCCEED;
    // A statement that failed with nothing worse than warnings from the
    // server (3902 ...) ends without a result; the batch goes on.
    if (!listHoldsError() && serverMessages != messagesAtSend_ && !isDead())
        return SS_DB_SUCCEED;
    return SS_DB_FAIL;
}

int SSDbProc::numCols() {
    return dbnumcols(proc(process_));
}

int SSDbProc::nextRow() {
    STATUS rc = dbnextrow(proc(process_));
    switch (rc) {
    case REG_ROW:
        return SS_DB_ROW;
    case NO_MORE_ROWS:
        return SS_DB_NO_MORE_ROWS;
    case FAIL:
    case BUF_FULL:
        return SS_DB_FAIL;
    default:
        return SS_DB_OTHER_ROW;
    }
}

long SSDbProc::count() {
    return dbcount(proc(process_));
}

bool SSDbProc::hasCount() {
    return dbcount(proc(process_)) >= 0;
}

void SSDbProc::drain() {
    for (;;) {
        while (dbnextrow(proc(process_)) != NO_MORE_ROWS) {
            if (isDead())
                return;
        }
        RETCODE rc = dbresults(proc(process_));
        if (rc == NO_MORE_RESULTS || rc == FAIL)
            return;
    }
}

VxStatus SSDbProc::cancel() {
    return dbcancel(proc(process_)) == FAIL ? VX_ERROR : VX_SUCCESS;
}

bool SSDbProc::canQuery() {
    return dbcanquery(proc(process_)) != FAIL;
}

const char* SSDbProc::columnName(int column) {
    const char* name = dbcolname(proc(process_), column);
    return name ? name : "";
}

int SSDbProc::columnType(int column) {
    return dbcoltype(proc(process_), column);
}

int SSDbProc::columnUserType(int column) {
    return dbcolutype(proc(process_), column);
}

long SSDbProc::columnLength(int column) {
    return dbcollen(proc(process_), column);
}

bool SSDbProc::columnVariable(int column) {
    return dbvarylen(proc(process_), column) != FALSE;
}

const unsigned char* SSDbProc::data(int column) {
    return dbdata(proc(process_), column);
}

long SSDbProc::dataLength(int column) {
    return dbdatlen(proc(process_), column);
}

const char* SSDbProc::currentDatabase() {
    const char* name = dbname(proc(process_));
    return name ? name : "";
}

VxStatus SSDbProc::use(const char* database) {
    return dbuse(proc(process_), database) == FAIL ? VX_ERROR : VX_SUCCESS;
}

const char* SSDbProc::changedDatabase() {
    return dbchange(proc(process_));
}

VxStatus SSDbProc::setTextLimit(long bytes) {
    char value[24];
    std::snprintf(value, sizeof value, "%ld", bytes);
    return dbsetopt(proc(process_), DBTEXTLIMIT, value, 0) == FAIL ? VX_ERROR : VX_SUCCESS;
}

VxStatus SSDbProc::rpcInit(const char* procedure) {
    if (dbrpcinit(proc(process_), procedure, 0) == FAIL) {
        if (!listHoldsError())
            addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus SSDbProc::rpcParam(const char* name, bool output, int type, long maxLength, long length,
                            const void* value) {
    BYTE* bytes = static_cast<BYTE*>(const_cast<void*>(value));
    if (dbrpcparam(proc(process_), name, output ? DBRPCRETURN : 0, type,
                   static_cast<DBINT>(maxLength), static_cast<DBINT>(length), bytes) == FAIL) {
        if (!listHoldsError())
            addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus SSDbProc::rpcSend() {
    messagesAtSend_ = serverMessages;
    if (dbrpcsend(proc(process_)) == FAIL) {
        if (!listHoldsError())
            addOdbcError(ODBC_S1000);
        return VX_ERROR;
    }
    return sqlOk();
}

bool SSDbProc::hasReturnStatus() {
    return dbhasretstat(proc(process_)) != FALSE;
}

long SSDbProc::returnStatus() {
    return dbretstatus(proc(process_));
}

int SSDbProc::returnCount() {
    return dbnumrets(proc(process_));
}

int SSDbProc::returnType(int n) {
    return dbrettype(proc(process_), n);
}

long SSDbProc::returnLength(int n) {
    return dbretlen(proc(process_), n);
}

const unsigned char* SSDbProc::returnData(int n) {
    return dbretdata(proc(process_), n);
}

const unsigned char* SSDbProc::textPointer(int column) {
    return dbtxptr(proc(process_), column);
}

const unsigned char* SSDbProc::textTimestamp(int column) {
    return dbtxtimestamp(proc(process_), column);
}

VxStatus SSDbProc::writeText(const char* objectName, const unsigned char* pointer,
                             const unsigned char* timestamp, bool log, long size,
                             const unsigned char* value) {
    RETCODE rc =
        dbwritetext(proc(process_), const_cast<char*>(objectName), const_cast<BYTE*>(pointer),
                    DBTXPLEN, const_cast<BYTE*>(timestamp), log ? TRUE : FALSE,
                    static_cast<DBINT>(size), const_cast<BYTE*>(value));
    if (rc == FAIL || dbsqlok(proc(process_)) == FAIL) {
        addNativeResourceError(SS_MSG_LONG_WRITE);
        return VX_ERROR;
    }
    drain();
    return VX_SUCCESS;
}

// ---- Values ---------------------------------------------------------------------

namespace {

bool isUtf8Name(const char* name) {
    return name && (strcasecmp(name, "UTF-8") == 0 || strcasecmp(name, "UTF8") == 0);
}

} // namespace

int SSDbProc::characterWidth() {
    return utf8_ && !isUtf8Name(dbservcharset(proc(process_))) ? 4 : 1;
}

int SSDbProc::columnPrecision(int column) {
    DBTYPEINFO* info = dbcoltypeinfo(proc(process_), column);
    return info ? info->precision : 38;
}

int SSDbProc::columnScale(int column) {
    DBTYPEINFO* info = dbcoltypeinfo(proc(process_), column);
    return info ? info->scale : 0;
}

long ssValueText(int type, const unsigned char* data, long length, char* buffer, long size) {
    DBINT written = dbconvert(nullptr, type, data, static_cast<DBINT>(length), SYBCHAR,
                              reinterpret_cast<BYTE*>(buffer), static_cast<DBINT>(size));
    return written < 0 ? 0 : written;
}
