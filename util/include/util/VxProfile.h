// Profile entries: the one way the libraries read and write configuration
// kept in profile ("ini") files.
//
// Where a profile file lives depends on its name (the last path component,
// in any letter case):
//
//   "ODBC.INI", "ODBCINST.INI"    the ODBC installer's data-source and driver
//                                 configuration, through the installer
//                                 provider (vxSetOdbcProfileProvider)
//   "CONTROL.INI", "EXCHANGE.INI", "EXCHINST.INI", "VX7.INI", "VX6.INI",
//   "VXLIB.INI"                   the file of that (upper-case) name in the
//                                 configuration folder, read and written as
//                                 a hierarchy of keys: a section "a\b" is a
//                                 sub-key of section "a"
//   "WIN.INI" (or no name)        the file WIN.INI in the configuration
//                                 folder; entries it lacks from the built-in
//                                 US-English "Intl" settings ("sLanguage"
//                                 "enu", "iDate" "0", ...) read as those
//   any other name                that file, as a private profile file; a
//                                 name without a directory part is looked
//                                 for in the configuration folder
//
// The configuration folder is $VX_CONFIG_DIR, else
// $XDG_CONFIG_HOME/brellmont, else ~/.config/brellmont. Every write takes
// an exclusive lock (the file "<name>.lck" beside the file), reads the
// file, writes the edited text to "<name>.tmp" and renames it over the
// file, so readers never see a half-written file.
#pragma once

#include <cstddef>

#include "util/VxExport.h"
#include "util/VxStatus.h"
#include "util/VxString.h"

// The ODBC installer's profile calls. getString has the contract of the
// installer's SQLGetPrivateProfileString (returns the bytes written);
// writeString that of SQLWritePrivateProfileString (a null key deletes the
// section, a null value the entry; nonzero on success).
struct VxOdbcProfileProvider {
    int (*getString)(const char* section, const char* key, const char* defaultValue, char* out,
                     int size, const char* file);
    int (*writeString)(const char* section, const char* key, const char* value, const char* file);
};

// Installs the provider (copied); null removes it. Without a provider,
// requests for ODBC.INI and ODBCINST.INI fail with message 1523.
VX_EXPORT void vxSetOdbcProfileProvider(const VxOdbcProfileProvider* provider);

// Reads an entry into `out` (`size` bytes, always NUL-terminated when size
// is not 0) and returns the bytes written before the NUL:
// - with a section and a key, the entry's value, or `defaultValue` (null
//   reads as "") when there is none; a value too long is truncated;
// - with a section and no key, the section's keys, and with no section the
//   section names, as NUL-terminated names followed by one more NUL.
//   For the key-hierarchy files an empty or missing list copies
//   `defaultValue` instead, and a list that does not fit returns `size`;
//   for private profile files it returns size - 2.
// Failures to read are not reported: the default is returned (except that
// a missing ODBC installer provider is raised as an error).
VX_EXPORT std::size_t ntGetProfileString(const char* section, const char* key,
                                         const char* defaultValue, char* out, std::size_t size,
                                         const char* file);

// Writes an entry. With a key and a non-empty value the entry is set; with
// a key and an empty or null value it is deleted; with no key the section
// is deleted (for the key-hierarchy files with its sub-sections). Deleting
// what does not exist succeeds.
VX_EXPORT VxStatus ntWriteProfileString(const char* section, const char* key, const char* value,
                                        const char* file);

// Deletes one section, or with a null section every section of the file
// (failing if the list of section names does not fit in 4,096 bytes).
VX_EXPORT VxStatus ntDeletePrivateProfileSection(const char* section, const char* file);

// The private-profile functions, for every file name alike (no mapping).
// Reading follows ntGetProfileString's private-file rules. Writing: a null
// key deletes the section, a null value deletes the entry, an empty value
// is stored as empty.
VX_EXPORT std::size_t vxGetPrivateProfileString(const char* section, const char* key,
                                                const char* defaultValue, char* out,
                                                std::size_t size, const char* file);
VX_EXPORT VxStatus vxWritePrivateProfileString(const char* section, const char* key,
                                               const char* value, const char* file);

// The configuration folder (see above), without a trailing separator.
VX_EXPORT VxStatus vxGetConfigFolder(VxString* folder);
