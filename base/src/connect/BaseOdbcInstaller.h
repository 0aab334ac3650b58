// The framework's contact with the ODBC installer library (unixODBC's
// libodbcinst): data-source registration and removal, name checks, and the
// profile reads and writes of ODBC.INI. Profile access from anywhere in the
// system goes through the foundation's ntGetProfileString and
// ntWriteProfileString, which reach the installer through the provider this
// library installs when it is loaded.
#pragma once

#include "util/VxStatus.h"

// The name every data-source read and write uses as its file.
constexpr const char* BASE_ODBC_INI = "ODBC.INI";

// Whether `name` is acceptable as a data-source name.
bool baseInstallerValidDsn(const char* name);
// Registers data source `name` for `driver` (its ODBC driver name).
bool baseInstallerWriteDsn(const char* name, const char* driver);
// Removes data source `name` and its section.
bool baseInstallerRemoveDsn(const char* name);
// Posts a request failure with `message` for SQLInstallerError.
void baseInstallerPostError(const char* message);
