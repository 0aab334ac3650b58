// The installer calls, and the ODBC.INI provider installed while the
// framework library is loaded.
#include "connect/BaseOdbcInstaller.h"

#include <odbcinst.h>

#include "util/VxProfile.h"

namespace {

int getProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                     int size, const char* file) {
    return SQLGetPrivateProfileString(section, key, defaultValue, out, size, file);
}

int writeProfileString(const char* section, const char* key, const char* value, const char* file) {
    return SQLWritePrivateProfileString(section, key, value, file) ? 1 : 0;
}

// Installs the provider at load and removes it at unload, so the foundation
// never calls into an installer that is gone.
struct ProviderInstaller {
    ProviderInstaller() {
        VxOdbcProfileProvider provider = {&getProfileString, &writeProfileString};
        vxSetOdbcProfileProvider(&provider);
    }
    ~ProviderInstaller() { vxSetOdbcProfileProvider(nullptr); }
};

const ProviderInstaller providerInstaller;

} // namespace

bool baseInstallerValidDsn(const char* name) {
    return SQLValidDSN(name) != 0;
}

bool baseInstallerWriteDsn(const char* name, const char* driver) {
    return SQLWriteDSNToIni(name, driver) != 0;
}

bool baseInstallerRemoveDsn(const char* name) {
    return SQLRemoveDSNFromIni(name) != 0;
}

void baseInstallerPostError(const char* message) {
    SQLPostInstallerError(ODBC_ERROR_REQUEST_FAILED, message);
}
