// The SQL Server driver's identity and the factory of its handle objects.
#include "SSConnection.h"
#include "SSStatement.h"
#include "base/BaseDriver.h"

namespace {

class SSDriver : public BaseDriver {
public:
    OdbcDriverNumber getDriverNumber() const override { return ODBC_DRIVER_SQLSERVER; }
    BaseConnection* newConnection(BaseEnv& env) override { return new SSConnection(env); }
    BaseStatement* newStatement(BaseConnection& connection) override {
        return new SSStatement(static_cast<SSConnection&>(connection));
    }
    const char* getSetupDescription() const override { return "KWSS08"; }
    const SetupInfo* getSetupTable(std::uint16_t* count) const override {
        return SSConnection::setupTable(count);
    }
};

} // namespace

BaseDriver& baseGetDriver() {
    static SSDriver driver;
    return driver;
}
