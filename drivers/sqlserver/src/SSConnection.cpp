#include "SSConnection.h"

#include <sqlext.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "SSMessages.h"
#include "SSStatement.h"
#include "base/BaseErrors.h"
#include "base/BaseInfoTable.h"
#include "base/BaseInfoValType.h"
#include "base/BaseStatement.h"
#include "util/VxString.h"
#include "util/ram.h"

namespace {

// clang-format off
const SetupInfo SETUP_TABLE[] = {
    {"Description", 0, SETUP_EDIT, nullptr, nullptr, 80, nullptr, 0, 1},
    {"ServerName", 0, SETUP_EDIT, nullptr, nullptr, 15, "SRVR", 1, 0},
    {"Database", 0, SETUP_EDIT, nullptr, nullptr, 80, "DB", 2, 1},
    {"Servers", 0, SETUP_EDIT, nullptr, nullptr, 255, nullptr, 0, 1},
    {"Databases", 0, SETUP_EDIT, nullptr, nullptr, 255, nullptr, 0, 1},
    {"LogonID", 0, SETUP_EDIT, nullptr, nullptr, 30, "UID", 1, 0},
    {"Language", 0, SETUP_EDIT, nullptr, nullptr, 255, "LANG", 1, 1},
    {"ApplicationName", 0, SETUP_EDIT, nullptr, nullptr, 255, "APP", 1, 1},
    {"YieldProc", 0, SETUP_COMBO_LIST, "0 - Dispatch,1 - None,3 - Yield", "1 - None", 0, nullptr, 0, 1},
    {"Cancel", 0, SETUP_COMBO_LIST, "0 - Fetch All, 1 - Cancel, 2 - Close", "1 - Cancel", 0, "CAN", 1, 1},
    {"CursorCacheSize", 0, SETUP_EDIT, nullptr, "1", 5, "CCS", 1, 1},
    {"WorkStationID", 0, SETUP_EDIT, nullptr, nullptr, 255, "WSID", 1, 1},
    {"CharConv", 0, SETUP_EDIT, nullptr, nullptr, 255, "CC", 1, 1},
    {"Netapi", 0, SETUP_CHECK, "1", "0", 0, "NAPI", 1, 1},
    {"Gateway", 0, SETUP_CHECK, "1", "0", 0, "GW", 1, 1},
    {"TwoPhaseCommit", 0, SETUP_CHECK, "1", "0", 0, "TPC", 1, 1},
};
// clang-format on

const BaseInfoEntry INFO[] = {
    BaseInfoEntry::ask(SQL_ACTIVE_STATEMENTS),
    BaseInfoEntry::ask(SQL_SERVER_NAME),
    BaseInfoEntry::ask(SQL_DBMS_NAME),
    BaseInfoEntry::ask(SQL_DBMS_VER),
    BaseInfoEntry::ask(SQL_ACCESSIBLE_TABLES),
    BaseInfoEntry::ask(SQL_ACCESSIBLE_PROCEDURES),
    BaseInfoEntry::ask(SQL_CONCAT_NULL_BEHAVIOR),
    BaseInfoEntry::ask(SQL_CURSOR_COMMIT_BEHAVIOR),
    BaseInfoEntry::ask(SQL_CURSOR_ROLLBACK_BEHAVIOR),
    BaseInfoEntry::ask(SQL_DEFAULT_TXN_ISOLATION),
    BaseInfoEntry::ask(SQL_IDENTIFIER_CASE),
    BaseInfoEntry::ask(SQL_MAX_COLUMN_NAME_LEN),
    BaseInfoEntry::ask(SQL_MAX_OWNER_NAME_LEN),
    BaseInfoEntry::ask(SQL_MAX_QUALIFIER_NAME_LEN),
    BaseInfoEntry::ask(SQL_MAX_TABLE_NAME_LEN),
    BaseInfoEntry::ask(SQL_MULT_RESULT_SETS),
    BaseInfoEntry::ask(SQL_OWNER_TERM),
    BaseInfoEntry::ask(SQL_QUALIFIER_TERM),
    BaseInfoEntry::ask(SQL_TABLE_TERM),
    BaseInfoEntry::ask(SQL_TXN_CAPABLE),
    BaseInfoEntry::ask(SQL_USER_NAME),
    BaseInfoEntry::ask(SQL_NUMERIC_FUNCTIONS),
    BaseInfoEntry::ask(SQL_STRING_FUNCTIONS),
    BaseInfoEntry::ask(SQL_SYSTEM_FUNCTIONS),
    BaseInfoEntry::ask(SQL_TIMEDATE_FUNCTIONS),
    BaseInfoEntry::ofNumber(SQL_TXN_ISOLATION_OPTION, INFO_VAL_MASK32,
                            SQL_TXN_READ_UNCOMMITTED | SQL_TXN_READ_COMMITTED |
                                SQL_TXN_REPEATABLE_READ | SQL_TXN_SERIALIZABLE),
    BaseInfoEntry::ofText(SQL_IDENTIFIER_QUOTE_CHAR, "\""),
    BaseInfoEntry::ofText(SQL_PROCEDURES, "Y"),
    BaseInfoEntry::ofText(SQL_DATA_SOURCE_READ_ONLY, "N"),
};
const BaseInfoTable INFO_TABLE(INFO, sizeof INFO / sizeof INFO[0]);

// Connections alive in the process, and whether one of them started
// DB-Library.
std::mutex libraryLock;
int liveConnections = 0;
int libraryInits = 0;

void copyText(const char* text, char* out, std::size_t outSize) {
    if (outSize == 0)
        return;
    std::size_t length = std::strlen(text);
    if (length > outSize - 1)
        length = outSize - 1;
    std::memcpy(out, text, length);
    out[length] = 0;
}

void* infoNumber(std::uintptr_t value) {
    return reinterpret_cast<void*>(value);
}

bool yieldTo(void* context) {
    return static_cast<SSConnection*>(context)->yield();
}

} // namespace

const SetupInfo* SSConnection::setupTable(std::uint16_t* count) {
    *count = sizeof SETUP_TABLE / sizeof SETUP_TABLE[0];
    return SETUP_TABLE;
}

SSConnection::SSConnection(BaseEnv& env) : BaseConnection(env) {
    std::uint16_t count = 0;
    const SetupInfo* table = setupTable(&count);
    setSetupTable(table, count, BasePasswordEntry{PASSWORD_OPTIONAL, 1});
    setInfoTable(&INFO_TABLE);
}

SSConnection::~SSConnection() {
    // Statements still alive give their processes back before the pool
    // goes; the framework destroys them after this destructor.
    for (std::uint32_t i = 0; i < getStatementCount(); ++i)
        static_cast<SSStatement*>(getStatementAtPos(i))->releaseProcesses();
    closeAll();
}

void SSConnection::getDllName(char* out, std::size_t outSize) {
    copyText("libKWSS08.so", out, outSize);
}

void SSConnection::getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) {
    copyText(ssMessageText(id), out, outSize);
}

VxStatus SSConnection::connectInit(VxValueParser* parser) {
    return readAttributes(parser);
}

VxStatus SSConnection::readAttributes(VxValueParser* parser) {
    struct Attribute {
        const char* shortKeyword;
        const char* longKeyword;
        const char* defaultValue;
        char* value;
    };
    Attribute list[] = {
        {"SRVR", "ServerName", nullptr, nullptr},
        {"GW", "Gateway", "0", nullptr},
        {"DB", "Database", nullptr, nullptr},
        {"APP", "ApplicationName", nullptr, nullptr},
        {"WSID", "WorkstationID", nullptr, nullptr},
        {"LANG", "Language", nullptr, nullptr},
        {"CAN", "Cancel", "0", nullptr},
        {"TPC", "TwoPhaseCommit", "0", nullptr},
        {"CCS", "CursorCacheSize", "1", nullptr},
        {"NAPI", "Netapi", "1", nullptr},
        {"CC", "CharConv", nullptr, nullptr},
        {"DBI", "DBInit", "1", nullptr},
        {"DTC", "DisableTimestampConvert", "0", nullptr},
        {"AL", "AllowLongs", "0", nullptr},
        {"ALIT", "AllowLongsInTx", "1", nullptr},
        {"LL", "LogLongs", "1", nullptr},
        {"WKID", nullptr, nullptr, nullptr},
        {nullptr, "Server", nullptr, nullptr},
        {nullptr, "Port", nullptr, nullptr},
    };
    VxStatus status = VX_SUCCESS;
    for (Attribute& a : list) {
        if (status != VX_SUCCESS)
            break;
        const char* longKeyword = a.longKeyword ? a.longKeyword : a.shortKeyword;
        const char* shortKeyword = a.longKeyword ? a.shortKeyword : nullptr;
        status = getConnectionValue(parser, shortKeyword, longKeyword, a.defaultValue, &a.value,
                                    nullptr);
    }
    auto text = [&](int i) { return std::string(list[i].value ? list[i].value : ""); };
    auto flag = [&](int i) { return list[i].value && std::strcmp(list[i].value, "1") == 0; };
    if (status == VX_SUCCESS) {
        serverName_ = text(0);
        // Server=host;Port=n, as other drivers for this server are given.
        if (serverName_.empty() && !text(17).empty()) {
            serverName_ = text(17);
            if (!text(18).empty())
                serverName_ += ":" + text(18);
        }
        switches_ = 0;
        if (flag(1))
            switches_ |= SS_GATEWAY;
        requestedDatabase_ = hasSwitch(SS_GATEWAY) ? std::string() : text(2);
        applicationName_ = text(3);
        workstation_ = text(4).empty() ? text(16) : text(4);
        language_ = text(5);
        cancelMode_ = std::atoi(text(6).c_str());
        if (flag(7))
            switches_ |= SS_TWO_PHASE;
        long cache = std::atol(text(8).c_str());
        cursorCacheSize_ = cache < 0 ? 0u : cache > 65535 ? 65535u : static_cast<unsigned>(cache);
        if (flag(9))
            switches_ |= SS_NETAPI;
        charConv_ = text(10);
        if (flag(11))
            switches_ |= SS_DBINIT;
        if (flag(12))
            switches_ |= SS_NO_TIMESTAMP_CONVERT;
        allowLongs_ = std::atol(text(13).c_str());
        if (flag(14))
            switches_ |= SS_ALLOW_LONGS_IN_TX;
        if (flag(15))
            switches_ |= SS_LOG_LONGS;
        setFlag(CONN_NATIVE_PARAMS, true);
        setFlag(CONN_PIECEWISE_LONG_DATA, true);
        setFlag(CONN_OUTPUT_PARAMS, true);
        setFlag(CONN_LOGIN_TIMEOUT, true);
        setFlag(CONN_QUERY_TIMEOUT, true);
        setFlag(CONN_ASYNC_EXECUTION, true);
    }
    for (Attribute& a : list)
        ramFree(a.value);
    if (status == VX_SUCCESS && hasSwitch(SS_TWO_PHASE)) {
        // FreeTDS has no commit service: two-phase commit cannot be done,
        // and doing it as one phase would break its promise.
        addOdbcError(ODBC_S1C00);
        return VX_ERROR;
    }
    return status;
}

// No dialog: the connect string and ODBC.INI must say enough.
VxStatus SSConnection::connectLogonDialogStart(SQLHWND, unsigned short, VxValueParser*) {
    if (serverName_.empty() || !getUserId()) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    return finishConnect();
}

VxStatus SSConnection::connectLogon() {
    if (serverName_.empty()) {
        addOdbcError(ODBC_S1000, 6013);
        return VX_ERROR;
    }
    {
        std::lock_guard<std::mutex> guard(libraryLock);
        if (hasSwitch(SS_DBINIT)) {
            if (libraryInits == 0 && ssLibInit() != VX_SUCCESS)
                return VX_ERROR;
            ++libraryInits;
            switches_ |= SS_INITIALISED_LIBRARY;
        }
        ++liveConnections;
        counted_ = true;
    }
    SSHandlerScope handlers;
    if (login_.create(getUserId(), getPassword(), applicationName_.c_str(), workstation_.c_str(),
                      language_.c_str(), getCharset().getName(),
                      static_cast<int>(getLoginTimeout())) != VX_SUCCESS) {
        closeAll();
        return VX_ERROR;
    }
    SSDbProc* process = openProcess(&poolSeverity_);
    if (!process) {
        closeAll();
        return VX_ERROR;
    }
    const char* current = process->currentDatabase();
    if (requestedDatabase_.empty() || requestedDatabase_ == current) {
        database_ = current;
    } else if (process->use(requestedDatabase_.c_str()) != VX_SUCCESS) {
        delete process;
        closeAll();
        return VX_ERROR;
    } else {
        database_ = requestedDatabase_;
    }
    if (readServerInfo(*process) != VX_SUCCESS) {
        delete process;
        closeAll();
        return VX_ERROR;
    }
    if (setDatabaseName(database_.c_str()) != VX_SUCCESS) {
        delete process;
        closeAll();
        return VX_ERROR;
    }
    giveBackProcess(process);
    return VX_SUCCESS;
}

SSDbProc* SSConnection::openProcess(int* severity) {
    SSDbProc* process = SSDbProc::open(login_, serverName_.c_str(), severity);
    if (process && !charConv_.empty()) {
        // Errors of the character-set switch are not the caller's.
        VxErrorList scratch(nullptr, 1);
        VxErrorListScope scope(&scratch);
        (void)process->run(("SET CHARCONV (" + charConv_ + ") ").c_str());
    }
    return process;
}

VxStatus SSConnection::readServerInfo(SSDbProc& process) {
    // A case-sensitive server does not know the procedure in mixed case.
    {
        VxErrorList scratch(nullptr, 1);
        VxErrorListScope scope(&scratch);
        bool failed = process.run("exec Sp_SeRvEr_InFo") != VX_SUCCESS || scratch.holdsError();
        if (failed)
            switches_ |= SS_CASE_SENSITIVE;
        else
            switches_ &= ~SS_CASE_SENSITIVE;
    }
    serverInfo_.clear();
    if (process.execute("exec sp_server_info") != VX_SUCCESS)
        return VX_ERROR;
    for (;;) {
        int rc = process.results();
        if (rc == SS_DB_NO_MORE_RESULTS)
            break;
        if (rc == SS_DB_FAIL)
            return VX_ERROR;
        int columns = process.numCols();
        while (process.nextRow() == SS_DB_ROW) {
            if (columns < 3)
                continue;
            auto cell = [&](int column) {
                const unsigned char* data = process.data(column);
                return data ? std::string(reinterpret_cast<const char*>(data),
                                          static_cast<std::size_t>(process.dataLength(column)))
                            : std::string();
            };
            std::string name = cell(2);
            std::string value = cell(3);
            while (!value.empty() && value.back() == ' ')
                value.pop_back();
            if (name == "IDENTIFIER_CASE" && value == "MIXED" && hasSwitch(SS_CASE_SENSITIVE))
                value = "SENSITIVE";
            serverInfo_[name] = value;
        }
    }
    return VX_SUCCESS;
}

const char* SSConnection::serverAttribute(const char* name, const char* alternative) const {
    auto found = serverInfo_.find(name);
    if (found == serverInfo_.end() && alternative)
        found = serverInfo_.find(alternative);
    return found == serverInfo_.end() ? nullptr : found->second.c_str();
}

void SSConnection::setCurrentDatabase(const char* name) {
    if (name && database_ != name) {
        database_ = name;
        (void)setDatabaseName(name);
    }
}

void SSConnection::closeAll() {
    SSHandlerScope handlers;
    for (SSDbProc* process : transactionList_) {
        bool pooled = false;
        for (SSDbProc* p : pool_)
            pooled = pooled || p == process;
        if (!pooled)
            delete process;
    }
    transactionList_.clear();
    for (SSDbProc* process : pool_)
        delete process;
    pool_.clear();
    login_.free();
    std::lock_guard<std::mutex> guard(libraryLock);
    if (counted_) {
        counted_ = false;
        --liveConnections;
    }
    if (hasSwitch(SS_INITIALISED_LIBRARY)) {
        switches_ &= ~SS_INITIALISED_LIBRARY;
        if (libraryInits > 0 && --libraryInits == 0)
            ssLibExit();
    }
}

VxStatus SSConnection::setToAllocatedState() {
    for (std::uint32_t i = 0; i < getStatementCount(); ++i)
        static_cast<SSStatement*>(getStatementAtPos(i))->releaseProcesses();
    closeAll();
    serverInfo_.clear();
    return VX_SUCCESS;
}

bool SSConnection::otherActiveStatement(const SSStatement* statement) const {
    for (std::uint32_t i = 0; i < getStatementCount(); ++i) {
        auto* other = static_cast<const SSStatement*>(getStatementAtPos(i));
        if (other != statement && other->hasOpenResults())
            return true;
    }
    return false;
}

SSDbProc* SSConnection::pooledProcess() {
    if (pool_.empty())
        return openProcess(&poolSeverity_);
    SSDbProc* process = pool_.back();
    pool_.pop_back();
    return process;
}

VxStatus SSConnection::takeProcess(SSStatement& statement, bool catalog, SSDbProc** out) {
    SSDbProc* process = statement.process();
    if (process && process->isDead()) {
        statement.forgetProcess();
        dropProcess(process);
        process = nullptr;
    }
    if (process) {
        *out = process;
        return VX_SUCCESS;
    }
    bool manual = getAutocommit() == SQL_AUTOCOMMIT_OFF && !catalog;
    if (manual && otherActiveStatement(&statement)) {
        addOdbcError(ODBC_S1000, SS_MSG_ONE_ACTIVE);
        return VX_ERROR;
    }
    // With autocommit off the work of every statement goes to the process
    // that holds the transaction.
    if (manual && !transactionList_.empty()) {
        process = transactionList_.front();
        for (auto it = pool_.begin(); it != pool_.end(); ++it) {
            if (*it == process) {
                pool_.erase(it);
                break;
            }
        }
    } else if (!pool_.empty()) {
        process = pool_.back();
        pool_.pop_back();
    }
    if (process && process->isDead()) {
        dropProcess(process);
        process = nullptr;
    }
    if (!process) {
        process = openProcess(statement.severityCell());
        if (!process)
            return VX_ERROR;
    }
    process->setSeverityCell(statement.severityCell());
    if (manual) {
        bool listed = false;
        for (SSDbProc* p : transactionList_)
            listed = listed || p == process;
        if (!listed) {
            if (beginOn(*process) != VX_SUCCESS) {
                giveBackProcess(process);
                return VX_ERROR;
            }
            transactionList_.push_back(process);
        }
    }
    *out = process;
    return VX_SUCCESS;
}

VxStatus SSConnection::beginOn(SSDbProc& process) {
    return process.run("BEGIN TRANSACTION");
}

void SSConnection::giveBackProcess(SSDbProc* process) {
    if (!process)
        return;
    process->setSeverityCell(&poolSeverity_);
    if (process->isDead()) {
        dropProcess(process);
        return;
    }
    if (cancelMode_ == 1)
        (void)process->cancel();
    else
        process->drain();
    bool listed = false;
    for (SSDbProc* p : transactionList_)
        listed = listed || p == process;
    if (listed || pool_.size() < cursorCacheSize_ || pool_.empty()) {
        pool_.push_back(process);
        return;
    }
    delete process;
}

void SSConnection::dropProcess(SSDbProc* process) {
    for (auto it = transactionList_.begin(); it != transactionList_.end(); ++it) {
        if (*it == process) {
            transactionList_.erase(it);
            break;
        }
    }
    for (auto it = pool_.begin(); it != pool_.end(); ++it) {
        if (*it == process) {
            pool_.erase(it);
            break;
        }
    }
    delete process;
}

VxStatus SSConnection::endTransaction(unsigned short type) {
    SSHandlerScope handlers;
    for (std::uint32_t i = 0; i < getStatementCount(); ++i)
        static_cast<SSStatement*>(getStatementAtPos(i))->discardResults();
    VxStatus status = VX_SUCCESS;
    bool commit = type == SQL_COMMIT;
    for (SSDbProc* process : transactionList_) {
        if (commit) {
            if (process->run("COMMIT TRANSACTION ") != VX_SUCCESS) {
                // What did not commit is rolled back, not left open.
                (void)process->run("ROLLBACK TRANSACTION");
                status = VX_ERROR;
                commit = false;
            }
        } else if (process->run("ROLLBACK TRANSACTION") != VX_SUCCESS) {
            status = VX_ERROR;
        }
    }
    transactionList_.clear();
    return status;
}

VxStatus SSConnection::setConnectOption(unsigned short option, SQLULEN value) {
    if (option == SQL_AUTOCOMMIT && value == SQL_AUTOCOMMIT_OFF) {
        int active = 0;
        for (std::uint32_t i = 0; i < getStatementCount(); ++i)
            active += static_cast<SSStatement*>(getStatementAtPos(i))->hasOpenResults() ? 1 : 0;
        if (active > 1) {
            addOdbcError(ODBC_S1000, SS_MSG_ONE_ACTIVE);
            return VX_ERROR;
        }
    }
    if (option == SQL_CURRENT_QUALIFIER && isConnected() && !hasSwitch(SS_GATEWAY)) {
        const char* name = reinterpret_cast<const char*>(value);
        if (!name) {
            addOdbcError(ODBC_S1009);
            return VX_ERROR;
        }
        SSHandlerScope handlers;
        SSDbProc* process = pooledProcess();
        if (!process)
            return VX_ERROR;
        VxStatus status = process->use(name);
        if (status == VX_SUCCESS)
            setCurrentDatabase(name);
        giveBackProcess(process);
        return status;
    }
    return BaseConnection::setConnectOption(option, value);
}

VxStatus SSConnection::modifyBrowse(const char* shortKeyword, VxString* choices) {
    if (shortKeyword && std::strcmp(shortKeyword, "SRVR") == 0)
        return choices->initialize("?");
    if (!shortKeyword || std::strcmp(shortKeyword, "DB") != 0 || !login_.handle())
        return VX_SUCCESS;
    SSHandlerScope handlers;
    SSDbProc* process = pooledProcess();
    if (!process)
        return VX_ERROR;
    std::string list;
    VxStatus status = process->execute("exec sp_databases");
    while (status == VX_SUCCESS) {
        int rc = process->results();
        if (rc == SS_DB_NO_MORE_RESULTS)
            break;
        if (rc == SS_DB_FAIL) {
            status = VX_ERROR;
            break;
        }
        while (process->nextRow() == SS_DB_ROW) {
            const unsigned char* data = process->data(1);
            if (!data)
                continue;
            list += list.empty() ? "{" : ",";
            list.append(reinterpret_cast<const char*>(data),
                        static_cast<std::size_t>(process->dataLength(1)));
        }
    }
    giveBackProcess(process);
    if (status != VX_SUCCESS)
        return VX_ERROR;
    return choices->initialize(list.empty() ? "?" : (list + "}").c_str());
}

VxStatus SSConnection::processBrowse(VxValueParser* parser) {
    if (connectInit(parser) != VX_SUCCESS)
        return VX_ERROR;
    if (!login_.handle())
        return connectLogon();
    if (requestedDatabase_.empty() || requestedDatabase_ == database_)
        return VX_SUCCESS;
    SSHandlerScope handlers;
    SSDbProc* process = pooledProcess();
    if (!process)
        return VX_ERROR;
    VxStatus status = process->use(requestedDatabase_.c_str());
    if (status == VX_SUCCESS)
        setCurrentDatabase(requestedDatabase_.c_str());
    giveBackProcess(process);
    return status;
}

VxStatus SSConnection::getAskedForInfo(unsigned short infoType, void** value,
                                       BaseInfoValType* valueType) {
    bool gateway = hasSwitch(SS_GATEWAY);
    auto number = [&](std::uintptr_t n, BaseInfoValType kind = INFO_VAL_U16) {
        *value = infoNumber(n);
        *valueType = kind;
        return VX_SUCCESS;
    };
    auto text = [&](const char* t) {
        *value = const_cast<char*>(t);
        *valueType = INFO_VAL_STRING;
        return VX_SUCCESS;
    };
    auto attribute = [&](const char* name, const char* alternative, const char** out) -> VxStatus {
        *out = serverAttribute(name, alternative);
        if (!*out) {
            addOdbcError(ODBC_S1000, SS_MSG_SERVER_INFO) << name;
            return VX_ERROR;
        }
        return VX_SUCCESS;
    };
    const char* found = nullptr;
    // The second character of DBMS_VER, for the gateway's version rules.
    const char* version = serverAttribute("DBMS_VER");
    bool gatewayV2 = gateway && version && std::strlen(version) > 1 && version[1] == '2';
    switch (infoType) {
    case SQL_ACTIVE_STATEMENTS:
        return number(hasSwitch(SS_TWO_PHASE) ? 0 : 1);
    case SQL_SERVER_NAME:
        return text(serverName_.c_str());
    case SQL_DBMS_NAME:
        if (attribute("DBMS_NAME", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_DBMS_VER: {
        if (attribute("DBMS_VER", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        dbmsVersion_ = found;
        // "SQL Server/11.0.2100 ..." style versions become "0x.xx.xxxx";
        // only a text long enough to hold the digits is rewritten.
        if (!gateway && dbmsVersion_.compare(0, 10, "SQL Server") == 0 &&
            dbmsVersion_.size() >= 20) {
            dbmsVersion_.replace(15, 5, ".0000");
            dbmsVersion_.erase(0, 10);
            dbmsVersion_[0] = '0';
        }
        return text(dbmsVersion_.c_str());
    }
    case SQL_ACCESSIBLE_TABLES:
        if (attribute("ACCESSIBLE_TABLES", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_ACCESSIBLE_PROCEDURES:
        if (attribute("ACCESSIBLE_SPROC", "ACCESSIBLE_PROCEDURES", &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_CONCAT_NULL_BEHAVIOR:
        return number(gateway ? 0 : 1);
    case SQL_CURSOR_COMMIT_BEHAVIOR:
    case SQL_CURSOR_ROLLBACK_BEHAVIOR:
        return number(getAutocommit() == SQL_AUTOCOMMIT_ON ? SQL_CB_PRESERVE : SQL_CB_CLOSE);
    case SQL_DEFAULT_TXN_ISOLATION:
        if (gatewayV2)
            return number(0, INFO_VAL_U32);
        if (attribute("TX_ISOLATION", "DEFAULT_TXN_ISOLATION", &found) != VX_SUCCESS)
            return VX_ERROR;
        return number(static_cast<std::uintptr_t>(std::strtoul(found, nullptr, 10)), INFO_VAL_U32);
    case SQL_IDENTIFIER_CASE:
        if (attribute("IDENTIFIER_CASE", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        if (std::strcmp(found, "UPPER") == 0)
            return number(SQL_IC_UPPER);
        if (std::strcmp(found, "LOWER") == 0)
            return number(SQL_IC_LOWER);
        if (std::strcmp(found, "MIXED") == 0)
            return number(SQL_IC_MIXED);
        return number(SQL_IC_SENSITIVE);
    case SQL_MAX_COLUMN_NAME_LEN:
        if (attribute("COLUMN_LENGTH", "MAX_COLUMN_NAME_LEN", &found) != VX_SUCCESS)
            return VX_ERROR;
        return number(static_cast<std::uintptr_t>(std::strtoul(found, nullptr, 10)));
    case SQL_MAX_OWNER_NAME_LEN:
        if (attribute("MAX_OWNER_NAME_LENGTH", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        return number(static_cast<std::uintptr_t>(std::strtoul(found, nullptr, 10)));
    case SQL_MAX_QUALIFIER_NAME_LEN:
        if (gateway)
            return number(0);
        if (attribute("MAX_QUAL_LENGTH", "MAX_QUALIFIER_NAME_LENGTH", &found) != VX_SUCCESS)
            return VX_ERROR;
        return number(static_cast<std::uintptr_t>(std::strtoul(found, nullptr, 10)));
    case SQL_MAX_TABLE_NAME_LEN:
        if (attribute("TABLE_LENGTH", "MAX_TABLE_NAME_LENGTH", &found) != VX_SUCCESS)
            return VX_ERROR;
        return number(static_cast<std::uintptr_t>(std::strtoul(found, nullptr, 10)));
    case SQL_MULT_RESULT_SETS:
        if (attribute("MULTI_RESULT_SETS", "MULT_RESULT_SETS", &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_OWNER_TERM:
        if (attribute("OWNER_TERM", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_QUALIFIER_TERM:
        if (attribute("QUALIFIER_TERM", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_TABLE_TERM:
        if (attribute("TABLE_TERM", nullptr, &found) != VX_SUCCESS)
            return VX_ERROR;
        return text(found);
    case SQL_TXN_CAPABLE:
        if (gatewayV2)
            return number(SQL_TC_NONE);
        if (attribute("DDL_IN_TRANSACTION", "TXN_CAPABLE", &found) != VX_SUCCESS)
            return VX_ERROR;
        return number(std::strcmp(found, "Y") == 0 || std::strcmp(found, "2") == 0 ? SQL_TC_ALL
                                                                                   : SQL_TC_DML);
    case SQL_USER_NAME:
        if (queryText(gateway && getUserId() && *getUserId() ? nullptr
                      : gateway ? "select distinct USER from SYSIBM.SYSTABLES"
                                : "select USER_NAME (-1)",
                      &userName_) != VX_SUCCESS)
            return VX_ERROR;
        if (gateway && getUserId() && *getUserId())
            userName_ = getUserId();
        return text(userName_.c_str());
    case SQL_NUMERIC_FUNCTIONS:
        return number(gateway ? 0 : 0x7FFFFF, INFO_VAL_MASK32);
    case SQL_STRING_FUNCTIONS:
        return number(gateway ? 0x814 : 0x6FEDD, INFO_VAL_MASK32);
    case SQL_SYSTEM_FUNCTIONS:
        return number(gateway ? 1 : 7, INFO_VAL_MASK32);
    case SQL_TIMEDATE_FUNCTIONS:
        return number(gateway ? 0x1F27 : 0x19DFD, INFO_VAL_MASK32);
    default:
        return VX_ERROR;
    }
}

VxStatus SSConnection::queryText(const char* sql, std::string* out) {
    if (!sql)
        return VX_SUCCESS;
    SSHandlerScope handlers;
    SSDbProc* process = pooledProcess();
    if (!process)
        return VX_ERROR;
    out->clear();
    VxStatus status = process->execute(sql, yieldTo, this);
    if (status == VX_SUCCESS && process->results() == SS_DB_SUCCEED && process->numCols() > 0 &&
        process->nextRow() == SS_DB_ROW) {
        const unsigned char* data = process->data(1);
        if (data)
            out->assign(reinterpret_cast<const char*>(data),
                        static_cast<std::size_t>(process->dataLength(1)));
        while (!out->empty() && out->back() == ' ')
            out->pop_back();
    }
    giveBackProcess(process);
    return status;
}
