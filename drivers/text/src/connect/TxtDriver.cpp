// The Text driver's identity and the factory of its handle objects.

#include "base/BaseDriver.h"
#include "connect/TxtConnection.h"
#include "connect/TxtStatement.h"

namespace {

class TxtDriver : public BaseDriver {
public:
    OdbcDriverNumber getDriverNumber() const override { return ODBC_DRIVER_TEXT; }
    BaseConnection* newConnection(BaseEnv& env) override { return new TxtConnection(env); }
    BaseStatement* newStatement(BaseConnection& connection) override {
        return new TxtStatement(static_cast<TxtConnection&>(connection));
    }
    const char* getSetupDescription() const override { return "KWTXT08"; }
    const SetupInfo* getSetupTable(std::uint16_t* count) const override {
        return TxtConnection::setupTable(count);
    }
};

} // namespace

BaseDriver& baseGetDriver() {
    static TxtDriver driver;
    return driver;
}
