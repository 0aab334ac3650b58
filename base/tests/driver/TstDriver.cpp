// The test driver's identity and factory.
#include "base/BaseDriver.h"
#include "TstConnection.h"
#include "TstStatement.h"

namespace {

class TstDriver : public BaseDriver {
public:
    // A number no product driver uses.
    OdbcDriverNumber getDriverNumber() const override { return static_cast<OdbcDriverNumber>(99); }
    BaseConnection* newConnection(BaseEnv& env) override { return new TstConnection(env); }
    BaseStatement* newStatement(BaseConnection& connection) override {
        return new TstStatement(connection);
    }
    const char* getSetupDescription() const override { return "KWTST08"; }
    const SetupInfo* getSetupTable(std::uint16_t* count) const override {
        return TstConnection::setupTable(count);
    }
};

} // namespace

BaseDriver& baseGetDriver() {
    static TstDriver driver;
    return driver;
}
