// The Oracle7 driver's identity and factory: a plain environment with
// driver number 14, Or7Connection and Or7Statement.
#include "base/BaseDriver.h"
#include "connect/Or7Connection.h"
#include "statement/Or7Statement.h"

namespace {

class Or7Driver : public BaseDriver {
public:
    OdbcDriverNumber getDriverNumber() const override { return ODBC_DRIVER_ORACLE7; }
    BaseConnection* newConnection(BaseEnv& env) override { return new Or7Connection(env); }
    BaseStatement* newStatement(BaseConnection& connection) override {
        return new Or7Statement(connection);
    }
    const char* getSetupDescription() const override { return "KWOR708"; }
    const SetupInfo* getSetupTable(std::uint16_t* count) const override {
        return Or7Connection::setupTable(count);
    }
};

} // namespace

BaseDriver& baseGetDriver() {
    static Or7Driver driver;
    return driver;
}
