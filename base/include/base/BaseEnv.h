// BaseEnv: the ODBC environment handle.
//
// The application owns the environment. It does not own its connections;
// it only counts them (each BaseConnection adds itself when constructed
// and removes itself when destroyed). Its error list holds the errors of
// environment-level calls (SQLAllocConnect, SQLError with only an
// environment handle) and has no owner.
#pragma once

#include <atomic>
#include <cstdint>

#include "base/BaseErrorList.h"
#include "base/OdbcDriverNumber.h"
#include "util/VxObject.h"
#include "util/VxStatus.h"

class VX_EXPORT BaseEnv : public VxObject {
public:
    explicit BaseEnv(OdbcDriverNumber driverNumber);
    ~BaseEnv() override;

    // Called once after construction; the default succeeds.
    virtual VxStatus initialize();

    // True when an ODBC call on this environment is already running;
    // otherwise marks the environment busy and returns false.
    bool threadCheck();
    void threadDone();

    // Entrance and exit of an environment-level call (see BaseCall.h).
    VxStatus standardEntrance();
    SQLRETURN standardExit(SQLRETURN rc);

    BaseErrorList& getErrorList() { return errorList_; }
    unsigned getConnectionCount() const { return connectionCount_.load(); }
    OdbcDriverNumber getDriverNumber() const { return driverNumber_; }

    // The ODBC version the application declared (SQL_ATTR_ODBC_VERSION):
    // SQL_OV_ODBC2 until an ODBC 3 application sets SQL_OV_ODBC3, which
    // gives it ODBC 3 SQLSTATEs and date and time type codes.
    long getOdbcVersion() const { return odbcVersion_; }
    void setOdbcVersion(long version) { odbcVersion_ = version; }
    bool isOdbc3() const { return odbcVersion_ >= 3; }

    void addConnection() { connectionCount_.fetch_add(1); }
    void removeConnection() { connectionCount_.fetch_sub(1); }

private:
    enum : std::uint32_t { ENV_BUSY = 1u << 0 };

    BaseErrorList errorList_;
    std::atomic<std::uint32_t> flags_{0};
    std::atomic<unsigned> connectionCount_{0};
    OdbcDriverNumber driverNumber_;
    long odbcVersion_ = 2;
};
