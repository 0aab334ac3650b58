// The Excel 5 driver's identity and the factory of its handle objects.

#include "base/BaseDriver.h"
#include "connect/XlsConnection.h"
#include "connect/XlsEnv.h"
#include "connect/XlsStatement.h"

namespace {

class XlsDriver : public BaseDriver {
public:
    OdbcDriverNumber getDriverNumber() const override { return ODBC_DRIVER_EXCEL; }
    BaseEnv* newEnv() override { return new XlsEnv; }
    BaseConnection* newConnection(BaseEnv& env) override { return new XlsConnection(env); }
    BaseStatement* newStatement(BaseConnection& connection) override {
        return new XlsStatement(static_cast<XlsConnection&>(connection));
    }
    const char* getSetupDescription() const override { return "KWXLS508"; }
    const SetupInfo* getSetupTable(std::uint16_t* count) const override {
        return XlsConnection::setupTable(count);
    }
};

} // namespace

BaseDriver& baseGetDriver() {
    static XlsDriver driver;
    return driver;
}
