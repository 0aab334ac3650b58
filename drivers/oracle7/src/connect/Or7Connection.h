// Or7Connection: a connection to an Oracle7 database through the call
// interface (client/Or7Oci.h).
//
// Attributes: ServerName (SRVR), the network connect string put after an
// at sign behind the user id; ArraySize (AS, bytes fetched per array
// fetch, default 60000); LockTimeOut (LTO: 0 makes SELECT ... FOR UPDATE
// fail at once on a locked row, -1 waits); CatalogComments (CC: "0"
// leaves REMARKS of catalog results NULL); OCON (ODBC.INI only: 0 keeps
// the server's autocommit setting after logon).
//
// The session is logged on between connectLogon and setToAllocatedState.
// Opening a cursor holds the connection's lock, so cursors of one
// connection open one at a time.
#pragma once

#include <cstdint>
#include <string>

#include "base/BaseConnection.h"
#include "client/Or7Oci.h"
#include "util/VxSemaphore.h"

class Or7Connection : public BaseConnection {
public:
    enum : std::uint32_t {
        OR7_LOGGED_ON = 1u << 0,
        OR7_DBA_VIEWS = 1u << 1,
        OR7_SERVER_FROM_INI = 1u << 2,
        OR7_NO_COMMENTS = 1u << 3,
        OR7_VIEWS_CHECKED = 1u << 4,
    };

    explicit Or7Connection(BaseEnv& env);
    ~Or7Connection() override;

    void getDllName(char* out, std::size_t outSize) override;
    VxStatus connectInit(VxValueParser* parser) override;
    VxStatus connectLogon() override;
    VxStatus setToAllocatedState() override;
    VxStatus connectLogonDialogStart(SQLHWND hwnd, unsigned short driverCompletion,
                                     VxValueParser* parser) override;
    void getDriverResourceStr(unsigned short id, char* out, std::size_t outSize) override;
    VxStatus expandNativeEscape(VxReplaceString* text, unsigned long argLength, EscapeType type,
                                EscapeFunctionType function) override;
    VxStatus endTransaction(unsigned short type) override;
    VxStatus setConnectOption(unsigned short option, SQLULEN value) override;
    // Creates the lock the opening of cursors holds.
    VxStatus initialize() override;

    Or7Session& getSession() { return session_; }
    // Opens `cursor` on the session under the connection's lock; raises
    // the Oracle error when it fails.
    [[nodiscard]] VxStatus openCursor(Or7Cursor& cursor);
    std::int32_t getArraySize() const { return arraySize_; }
    short getLockTimeOut() const { return lockTimeOut_; }
    bool hasOr7Flag(std::uint32_t flag) const { return (or7Flags_ & flag) != 0; }
    void setOr7Flag(std::uint32_t flag, bool on) {
        or7Flags_ = on ? (or7Flags_ | flag) : (or7Flags_ & ~flag);
    }
    // The user id as logged on (upper case).
    const std::string& getLogonUser() const { return logonUser_; }

    static const SetupInfo* setupTable(std::uint16_t* count);

private:
    Or7Session session_;
    std::string serverName_;
    std::string logonUser_;
    std::int32_t arraySize_ = 60000;
    short lockTimeOut_ = -1;
    bool autocommitAtLogon_ = true;
    std::uint32_t or7Flags_ = 0;
    VxSemaphore cursorLock_;
};
