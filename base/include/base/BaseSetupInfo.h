// SetupInfo: one entry of a driver's table of data-source attributes, shared
// by data-source setup (ConfigDSN) and SQLBrowseConnect; BasePasswordEntry:
// how a driver asks for a password while browsing.
//
// A driver keeps its table as static data and hands it to its connections
// (BaseConnection::setSetupTable) and to ConfigDSN (BaseDriver::getSetupTable).
#pragma once

#include <cstdint>

// The control kind of an entry.
enum SetupKind : std::uint32_t {
    SETUP_EDIT = 0,       // edit field
    SETUP_RADIO = 1,      // radio button: onValue when checked
    SETUP_CHECK = 2,      // check box: onValue / defaultValue (off-value)
    SETUP_COMBO = 3,      // combo box
    SETUP_COMBO_LIST = 4, // combo box whose comma-separated choices are onValue
    SETUP_HIDDEN = 5,     // no control (translator settings added at run time)
};

struct SetupInfo {
    // Long name of the attribute, also its key in ODBC.INI.
    const char* key;
    std::uint16_t controlId;
    std::uint32_t kind;
    // Kinds 1 and 2: the value stored when checked; kind 4: the choices.
    const char* onValue;
    // The value used when neither the attributes nor ODBC.INI have one; for
    // kind 2 the value stored when unchecked. May be null (no default).
    const char* defaultValue;
    std::uint16_t textLimit;
    // Connect-string abbreviation ("" or null: none).
    const char* shortKeyword;
    // The SQLBrowseConnect step (1, 2, ...) at which the attribute is asked for.
    std::uint16_t browseLevel;
    // Non-zero when the attribute may be omitted.
    std::uint16_t optional;
};

enum BasePasswordUse : std::uint16_t {
    PASSWORD_NONE = 0,
    PASSWORD_OPTIONAL = 1,
    PASSWORD_REQUIRED = 2,
};

struct BasePasswordEntry {
    BasePasswordUse use = PASSWORD_NONE;
    // The browse step at which PWD is asked for.
    std::uint16_t browseLevel = 0;
};
