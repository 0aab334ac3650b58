// Raising ODBC errors: free functions that take no handle.
//
// Each function builds one record and appends it to the calling thread's
// current error list, which the entrance of an ODBC call has set to the
// list of the handle being called. The returned record takes the values of
// the message's placeholders in order:
//
//     addOdbcError(ODBC_07001, 6012) << parameterNumber;
//
// When no list is current, or memory runs out, the record returned is the
// foundation's sink, on which placeholder values do nothing.
//
// Message ids: 6000-6077 are the framework's own messages; 1200-1499 and
// 3800-4099 are driver messages, read through the current list's owner
// connection (its getDriverResourceStr hook). Texts are read through a
// 512-byte buffer.
#pragma once

#include <cstddef>

#include "base/BaseOdbcId.h"
#include "util/VxError.h"

// Resource texts are cut to this size less one byte.
constexpr std::size_t BASE_RESOURCE_BUFFER = 512;
// Driver resource holding the driver's display name ("Text", "Oracle" ...).
constexpr unsigned short BASE_DRIVER_NAME_RESOURCE = 20101;

// Error with the default text of `odbcId`; message id 0.
VX_EXPORT VxError& addOdbcError(unsigned short odbcId);
// Error with the text of message `msgId`.
VX_EXPORT VxError& addOdbcError(unsigned short odbcId, unsigned short msgId);
VX_EXPORT VxError& addOdbcWarning(unsigned short odbcId);
VX_EXPORT VxError& addOdbcWarning(unsigned short odbcId, unsigned short msgId);

// A message of the data source itself: its text and native code as given.
VX_EXPORT VxError& addNativeError(unsigned short odbcId, long nativeCode, const char* text);
VX_EXPORT VxError& addNativeWarning(unsigned short odbcId, long nativeCode, const char* text);

// A driver message whose id is also the native code (S1000, or 01000 for
// the warnings, unless an ODBC id is given).
VX_EXPORT VxError& addNativeResourceError(unsigned short msgId);
VX_EXPORT VxError& addNativeResourceError(unsigned short odbcId, unsigned short msgId);
VX_EXPORT VxError& addNativeResourceWarning(unsigned short msgId);
VX_EXPORT VxError& addNativeResourceWarning(unsigned short odbcId, unsigned short msgId);

// Appends message `msgId` (6035, 6044, 6072, 6073: "Error in column ...")
// to the text of the last record of the current list; the returned record
// takes the values of the appended text's placeholders.
VX_EXPORT VxError& appendOdbcErrorText(unsigned short msgId);

// Reports the last record of the current list with the SQLSTATE of
// `odbcId` instead of its own; its text is unchanged.
VX_EXPORT void resetLastErrorSqlState(unsigned short odbcId);

// Rewrites the 5-character SQLSTATE `state` in place to the one ODBC 3
// defines for it (S1000 -> HY000, S0002 -> 42S02, 37000 -> 42000 ...),
// for an application that declared ODBC 3. States ODBC 3 keeps are left.
VX_EXPORT void baseOdbc3SqlState(char* state);

// The text of message `msgId` as a raise function would use it: a driver
// message through the current list's owner, anything else from the
// framework's string table. Returns the length copied.
VX_EXPORT std::size_t baseLoadMessage(unsigned short msgId, char* buffer, std::size_t size);
