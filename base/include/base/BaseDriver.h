// BaseDriver: what a driver library tells the framework about itself, and
// the work of the entry points that create, free and report on handles.
//
// Every driver library defines one BaseDriver object and the function
// baseGetDriver returning it. The ODBC entry points compiled into the
// driver (base's entry-point sources) ask baseGetDriver for the driver and
// delegate to the methods below or to the handle objects.
//
// The address of the driver object identifies the driver library: a
// connection shared by the task (WorkArounds bit 2 and one active
// connection) is handed out again only by SQLAllocConnect of the library
// that recorded it. The record never names a destroyed connection.
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/BaseSetupInfo.h"
#include "base/OdbcDriverNumber.h"
#include "util/VxExport.h"

class BaseEnv;
class BaseConnection;
class BaseStatement;

class VX_EXPORT BaseDriver {
public:
    BaseDriver() = default;
    BaseDriver(const BaseDriver&) = delete;
    BaseDriver& operator=(const BaseDriver&) = delete;
    virtual ~BaseDriver();

    virtual OdbcDriverNumber getDriverNumber() const = 0;
    // New handle objects (null when memory ran out, the error recorded).
    // The default environment is a plain BaseEnv with the driver number.
    virtual BaseEnv* newEnv();
    virtual BaseConnection* newConnection(BaseEnv& env) = 0;
    virtual BaseStatement* newStatement(BaseConnection& connection) = 0;
    // The driver description ConfigDSN registers data sources with when
    // the caller names no driver.
    virtual const char* getSetupDescription() const = 0;
    // The driver's table of data-source attributes; the default has none.
    virtual const SetupInfo* getSetupTable(std::uint16_t* count) const;

    SQLRETURN allocEnv(SQLHENV* phenv);
    SQLRETURN allocConnect(SQLHENV henv, SQLHDBC* phdbc);
    SQLRETURN allocStmt(SQLHDBC hdbc, SQLHSTMT* phstmt);
    SQLRETURN freeEnv(SQLHENV henv);
    SQLRETURN freeConnect(SQLHDBC hdbc);
    SQLRETURN error(SQLHENV henv, SQLHDBC hdbc, SQLHSTMT hstmt, SQLCHAR* szSqlState,
                    SQLINTEGER* pfNativeError, SQLCHAR* szErrorMsg, SQLSMALLINT cbErrorMsgMax,
                    SQLSMALLINT* pcbErrorMsg);
    // SQLDriverConnect, then the shared-connection record.
    SQLRETURN driverConnect(SQLHDBC hdbc, SQLHWND hwnd, SQLCHAR* szConnStrIn,
                            SQLSMALLINT cbConnStrIn, SQLCHAR* szConnStrOut,
                            SQLSMALLINT cbConnStrOutMax, SQLSMALLINT* pcbConnStrOut,
                            SQLUSMALLINT fDriverCompletion);
    // ConfigDSN: adds, changes or removes a data source without a dialog
    // (see DSNInfoStruct). TRUE (1) on success, FALSE (0) on failure.
    int configDsn(SQLHWND hwndParent, unsigned short request, const char* driver,
                  const char* attributes);

    // The task's shared connection, when this library recorded one.
    BaseConnection* getSharedConnection() const;
    // Records `connection` as the task's shared connection of this library.
    void recordSharedConnection(BaseConnection& connection);
    // Forgets the record if it names `connection` (called when it dies).
    static void forgetSharedConnection(const BaseConnection& connection);
};

// Defined by each driver library.
BaseDriver& baseGetDriver();
