// DSNInfoStruct: the state of one ConfigDSN call, which adds, changes or
// removes a data source in ODBC.INI through the ODBC installer.
//
// There is no setup dialog: the data source is written from the attribute
// list at once, whatever window the caller passes. Each setup-table entry
// takes its value from the list, else from the data source's current
// ODBC.INI section, else its default; every entry with a value is written,
// and so is every other attribute of the list (a "Description", say), so
// that nothing the caller gave is lost.
//
// Errors raised meanwhile land on the struct's own list; a failure is
// also posted to the installer (SQLInstallerError reads it).
#pragma once

#include <sql.h>

#include <cstdint>

#include "base/BaseErrorList.h"
#include "base/BaseSetupInfo.h"
#include "util/VxStatus.h"

class VxValueParser;

class VX_EXPORT DSNInfoStruct {
public:
    // `attributes` is a list of "key=value" strings, each NUL-terminated,
    // ended by an empty string (null: none); `driver` the driver's name as
    // registered with the installer. Neither is copied beyond `config`.
    DSNInfoStruct(SQLHWND parent, unsigned short request, const char* driver,
                  const char* attributes, const SetupInfo* table, std::uint16_t count);
    ~DSNInfoStruct();
    DSNInfoStruct(const DSNInfoStruct&) = delete;
    DSNInfoStruct& operator=(const DSNInfoStruct&) = delete;

    // Reads the attributes and carries the request out: ODBC_REMOVE_DSN
    // removes the data source, ODBC_ADD_DSN and ODBC_CONFIG_DSN write it.
    // *needDialog is always false: no dialog is ever shown.
    VxStatus config(bool* needDialog);
    // Registers the current name with the driver and writes the values;
    // a changed name removes the data source of the initial one first.
    // 1 on success, 0 on failure.
    int SetDSNAttributes();

    const char* getInitialName() const { return initialName_ ? initialName_ : ""; }
    const char* getCurrentName() const { return currentName_ ? currentName_ : ""; }
    // The value of setup entry `index`, or null.
    const char* getValue(std::uint16_t index) const;
    BaseErrorList& getErrorList() { return errorList_; }

private:
    VxStatus readAttributes();
    VxStatus readValues();
    VxStatus writeValues();
    void postFailure();

    SQLHWND parent_;
    unsigned short request_;
    const char* driver_;
    const char* attributes_;
    const SetupInfo* table_;
    std::uint16_t count_;
    char* attributeCopy_ = nullptr;
    VxValueParser* parser_ = nullptr;
    char* initialName_ = nullptr;
    char* currentName_ = nullptr;
    char** values_ = nullptr;
    BaseErrorList errorList_;
    bool taskInitialised_ = false;
    bool listInstalled_ = false;
};
